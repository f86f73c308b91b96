#include "savkit/serve/session.h"

#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "codebook.h"
#include "diff.h"
#include "savkit/front/files.h"
#include "savkit/host/sysutils.h"

namespace savkit::serve {

namespace {

std::unique_ptr<TSPSSDatafile> OpenFile(const std::string& path, const std::string& password) {
  auto d = std::make_unique<TSPSSDatafile>();
  if (!password.empty()) d->Set_Password(password);
  front::OpenForReading(*d, path);
  return d;
}

// A scratch file with the served file's extension, which tells a save
// whether to write a portable file.
std::string ScratchName(const std::string& like) {
  const char* dir = std::getenv("TMPDIR");
  const std::string extension = ExtractFileExt(like);
  std::string name = std::string(dir && *dir ? dir : "/tmp") + "/savkit-serve-XXXXXX" + extension;
  const int fd = ::mkstemps(name.data(), static_cast<int>(extension.size()));
  if (fd < 0) throw Refusal(409, "no scratch file could be made for the copy");
  ::close(fd);
  return name;
}

Json Side(const std::optional<std::string>& s) { return s ? Json(*s) : Json(nullptr); }

// What tells the file under the name is still the one opened.
std::string Identity(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) + ":" +
         std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
}

// A compressed file is indexed as it is read: read to its end once, any
// page of it is a seek away.
void ReadThrough(TSPSSDatafile& d) {
  if (const int n = d.Cases()->Count(); n > 0 && d.Variables()->Count() > 0) {
    TSPSSCase& last = *d.Cases()->Get_Case(n);
    if (d.Variables()->GetItem(0)->IsNumeric())
      last.GetNumber(0);
    else {
      std::string text;
      last.GetText(0, text);
    }
  }
}

}  // namespace

Session::Session(std::string path, std::string password, bool readOnly)
    : path_(std::move(path)),
      password_(std::move(password)),
      readOnly_(readOnly),
      d_(OpenFile(path_, password_)),
      identity_(Identity(path_)) {
  ReadThrough(*d_);
}

Session::~Session() {
  if (!scratch_.empty()) ::unlink(scratch_.c_str());
  explicit_bzero(password_.data(), password_.size());
}

void Session::CheckWritable() const {
  if (readOnly_) throw Refusal(409, "the file is open read-only (savkit serve --read-only)");
}

// Undo starts again from the file as saved and makes the edits before the
// last again: the component keeps no history of its own.
std::unique_ptr<TSPSSDatafile> Session::Replayed() {
  if (Identity(path_) != identity_)
    throw Refusal(409,
                  path_ + " changed on disk since it was opened or saved here: the edits cannot be made again on it");
  auto fresh = OpenFile(path_, password_);
  for (const Json& edit : log_) ApplyEdit(*fresh, edit);
  return fresh;
}

void Session::Reopen() {
  auto fresh = Replayed();
  ReadThrough(*fresh);
  d_ = std::move(fresh);
}

void Session::Apply(const Json& edit) {
  CheckWritable();
  try {
    ApplyEdit(*d_, edit);
  } catch (const Refusal&) {
    throw;  // nothing was changed
  } catch (...) {
    // The component's refusal may come part way (one of several value
    // labels, say): the edit is taken back whole. The refusal is what the
    // page is told, whatever else happens.
    try {
      Reopen();
    } catch (const std::exception&) {
    }
    throw;
  }
  log_.push_back(edit);
}

void Session::Undo() {
  CheckWritable();
  if (log_.empty()) throw Refusal(409, "there is no edit to undo since the file was opened or saved");
  const Json last = log_.back();
  log_.pop_back();
  try {
    Reopen();
  } catch (...) {
    log_.push_back(last);
    throw;
  }
}

void Session::Save() {
  CheckWritable();
  d_->Save();
  log_.clear();
  identity_ = Identity(path_);
}

std::string Session::SaveCopy() {
  if (!scratch_.empty()) ::unlink(scratch_.c_str());
  scratch_ = ScratchName(path_);
  // The copy is saved from a component of its own, so that the one edited
  // stays on its file whatever happens.
  Replayed()->SaveAs(scratch_);
  return scratch_;
}

Json Session::Changes() {
  auto saved = OpenFile(path_, password_);
  Json dictionary = Json::array();
  for (const cli::Difference& d : cli::CompareDictionaries(*saved, *d_))
    dictionary.push_back(
        {{"scope", d.scope}, {"name", d.name}, {"field", d.field}, {"a", Side(d.a)}, {"b", Side(d.b)}});
  const cli::ValueComparison v = cli::CompareValues(*saved, *d_, {}, path_, "edited");
  Json values = Json::array();
  for (const cli::ValueDifference& d : v.shown)
    values.push_back({{"case", d.caseB},
                      {"variable", d.variable},
                      {"a", d.a == "." ? Json(nullptr) : Json(d.a)},
                      {"b", d.b == "." ? Json(nullptr) : Json(d.b)}});
  return {{"dictionary", dictionary},
          {"cases", {{"saved", v.casesA}, {"edited", v.casesB}, {"differing", v.casesDiffering}}},
          {"valuesDiffering", v.valuesDiffering},
          {"values", values},
          {"onlySaved", v.countOnlyInA},
          {"onlyEdited", v.countOnlyInB},
          {"notCompared", v.notCompared},
          {"equal", dictionary.empty() && v.valuesDiffering == 0 && v.countOnlyInA == 0 && v.countOnlyInB == 0 &&
                        v.notCompared.empty()}};
}

std::string Session::Codebook() {
  auto saved = OpenFile(path_, password_);
  const auto summary = cli::codebook::Summarize(*saved, [](std::int64_t) {});
  return cli::codebook::Html(*saved, summary, ExtractFileName(path_));
}

}  // namespace savkit::serve
