#include "savkit/front/records.h"

#include <sys/stat.h>

#include <cassert>

#include "savkit/datafile_exception.h"
#include "savkit/host/sysutils.h"
#include "savkit/resourcestrings.h"

namespace savkit::front {

namespace {

// Hands a list of texts to the library as the char* arrays it takes.
struct TextList {
  explicit TextList(const std::vector<std::string>& texts) : copies(texts) {
    for (std::string& t : copies) pointers.push_back(t.data());
  }
  char** Data() { return pointers.empty() ? nullptr : pointers.data(); }
  int Count() const { return static_cast<int>(pointers.size()); }
  std::vector<std::string> copies;
  std::vector<char*> pointers;
};

void SetAttributes(int handle, const char* variable, const Attributes& attributes) {
  if (attributes.empty()) return;
  std::vector<std::string> names, texts;
  for (const auto& [name, text] : attributes) names.push_back(name), texts.push_back(text);
  TextList n(names), t(texts);
  try {
    CheckSuccess(variable ? spssSetVarAttributes(handle, variable, n.Data(), t.Data(), n.Count())
                          : spssSetFileAttributes(handle, n.Data(), t.Data(), n.Count()));
  } catch (const ESPSSDataFileException& e) {  // which attributes the library refused
    throw ESPSSDataFileException((variable ? std::string(variable) + ": attributes: " : "file attributes: ") + e.what(),
                                 e.ErrorCode());
  }
}

std::size_t CaseSize(int handle) {
  long size = 0;
  CheckSuccess(spssGetCaseSize(handle, &size));
  return static_cast<std::size_t>(size);
}

}  // namespace

std::vector<Slot> RecordSlots(const TSPSSDatafile& d) {
  std::vector<Slot> slots;
  std::size_t offset = 0;
  for (int i = 0; i < d.Variables()->Count(); ++i) {
    const TSPSSVariable* v = d.Variables()->GetItem(i);
    slots.push_back({v, offset, SlotSize(v->IsNumeric() ? 0 : v->Width())});
    offset += slots.back().size;
  }
  return slots;
}

RecordReader::RecordReader(const TSPSSDatafile& d) : handle_(d.ReadHandle()) {
  assert(handle_ >= 0);
  size_ = CaseSize(handle_);
}

std::int64_t RecordReader::MostCases() const {
  long long most = 0;
  CheckSuccess(spssGetMostCases(handle_, &most));
  return most;
}

void RecordReader::Seek(std::int64_t index) {
  CheckSuccess(spssSeekNextCase(handle_, static_cast<long>(index)), handle_);
}

RecordReader::Mark RecordReader::MarkOf(std::int64_t index) {
  Seek(index);
  Mark mark;
  long long at = 0;
  CheckSuccess(spssGetCaseMark(handle_, &at, mark.data()), handle_);
  assert(at == index);
  return mark;
}

void RecordReader::SeekMark(std::int64_t index, const Mark& mark) {
  CheckSuccess(spssSeekCaseMark(handle_, index, mark.data()), handle_);
}

void RecordReader::Read(char* record) { CheckSuccess(spssWholeCaseIn(handle_, record), handle_); }

NewFile::NewFile(const std::string& path) {
  // Said plainly, as the system would: the component's own words are that
  // the file does not exist.
  const std::string expanded = ExpandFileName(path);
  const std::size_t slash = expanded.rfind('/');
  struct stat st;
  if (slash != std::string::npos && slash > 0 &&
      (::stat(expanded.substr(0, slash).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)))
    throw ESPSSDataFileException("no folder " + expanded.substr(0, slash) + " to write it in", SPSS_FILE_OERROR);
  d_.Set_WriteDirect(true);
  d_.Set_Filename(expanded);
  d_.OpenNew();
}

NewFile::~NewFile() {
  if (!finished_) d_.Abandon();  // whatever was under the name stays as it was
}

void NewFile::CommitHeader(int compression, const FileFacts& stored) {
  const int h = d_.WriteHandle();
  if (compression == kPortableFile)
    CheckSuccess(spssSetPortable(h));
  else
    d_.Set_Compression(compression);
  // Before any variable: each text is checked against the encoding as it is set.
  if (!stored.encoding.empty()) CheckSuccess(spssSetFileEncoding(h, stored.encoding.c_str()));
  d_.WriteDictionary();
  if (!stored.documents.empty()) {
    TextList lines(stored.documents);
    CheckSuccess(spssSetDocuments(h, lines.Data(), lines.Count()));
  }
  SetAttributes(h, nullptr, stored.attributes);
  for (const VariableFacts& v : stored.variables) {
    if (v.width > 0 && v.width != v.textWidth) CheckSuccess(spssSetVarFileWidth(h, v.name.c_str(), v.width));
    SetAttributes(h, v.name.c_str(), v.attributes);
    if (v.role) CheckSuccess(spssSetVarRole(h, v.name.c_str(), *v.role));
  }
  CheckSuccess(spssCommitHeader(h), h);
  d_.Set_HeaderCommitted(true);
  size_ = CaseSize(h);
}

void NewFile::Write(const char* record) { CheckSuccess(spssWholeCaseOut(d_.WriteHandle(), record), d_.WriteHandle()); }

void NewFile::Finish() {
  d_.Close();
  finished_ = true;
}

FileCopy::FileCopy(const TSPSSDatafile& d, const std::string& path, int compression, bool portable,
                   const std::string& password) {
  CheckSuccess(spssOpenWriteCopyHandle(ExpandFileName(path).c_str(), d.ReadHandle(), out_.Out()), out_.Get());
  if (portable)
    CheckSuccess(spssSetPortable(out_.Get()));
  else
    CheckSuccess(spssSetCompression(out_.Get(), compression));
  if (!password.empty()) CheckSuccess(spssSetPassword(out_.Get(), password.c_str()), out_.Get());
  CheckSuccess(spssCommitHeader(out_.Get()), out_.Get());
}

void FileCopy::Write(const char* record) { CheckSuccess(spssWholeCaseOut(out_.Get(), record), out_.Get()); }

void FileCopy::Finish() { CheckSuccess(out_.Close()); }

}  // namespace savkit::front
