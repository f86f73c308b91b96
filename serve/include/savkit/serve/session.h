// The file a server edits: the component that holds it with its edits, the
// edits in the order made (so that the last ones can be taken back), and
// what the page asks of it. Not thread-safe: the server holds one lock
// around every call.
#pragma once

#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "savkit/model/datafile.h"

namespace savkit::serve {

using Json = nlohmann::json;

// A request the file cannot carry out as asked, with the reason shown to
// the person who asked: status 400 for a request that is malformed, 409 for
// one the component or the file refuses.
struct Refusal : std::runtime_error {
  Refusal(int status, const std::string& why) : std::runtime_error(why), status(status) {}
  int status;
};

class Session {
 public:
  // Opens path for reading; its failures are the component's.
  Session(std::string path, std::string password, bool readOnly);
  ~Session();

  const std::string& Path() const { return path_; }

  // The file as a whole: its name, counts, label and what is unsaved.
  Json Info();
  // Cases first..first+count-1 (1-based, cut at the last), the values of
  // the variables column..column+columns-1 (0-based, cut at the last), each
  // shown in its format (or by its label where labels is set and one
  // applies), with its kind: 0 for a valid value, 1 user-missing, 2
  // system-missing. With values set, each as it is typed to edit it
  // (numbers shortest, ISO dates; system-missing empty) instead.
  Json Rows(int first, int count, bool labels, int column = 0, int columns = INT32_MAX, bool values = false);
  // One row per variable, with everything the variable view shows.
  Json Variables();
  // The first case from `from` on whose value of the variable shows as text
  // (or is the value text stands for), or 0 when none does.
  int Search(const std::string& variable, const std::string& text, int from);

  // Carries out one edit; a refusal leaves the file as it was.
  void Apply(const Json& edit);
  // Takes back the last edit since the file was opened or saved.
  void Undo();
  int Edits() const { return static_cast<int>(log_.size()); }
  // Writes every edit to the file, all or nothing, as the component saves.
  void Save();
  // A copy of the data set with its edits in a scratch file, for the page
  // to download; the component stays on its file. The name of the copy.
  std::string SaveCopy();
  // What `savkit diff` would report between the file on disk and the data
  // set as edited.
  Json Changes();
  // The codebook page of the file as saved.
  std::string Codebook();

 private:
  // A component on the file as opened or saved, with the edits made again.
  std::unique_ptr<TSPSSDatafile> Replayed();
  void Reopen();
  void CheckWritable() const;

  std::string path_, password_;
  bool readOnly_;
  std::unique_ptr<TSPSSDatafile> d_;
  std::string identity_;  // of the file as opened or last saved
  std::vector<Json> log_;
  std::string scratch_;  // the last copy made for downloading
};

// Carries one edit out on d (the one place edits are read from the page's
// JSON). Throws Refusal, before anything is changed, for a request that is
// none or asks what the file cannot do; the component's exceptions, which
// may come part way, for what it refuses.
void ApplyEdit(TSPSSDatafile& d, const Json& edit);

}  // namespace savkit::serve
