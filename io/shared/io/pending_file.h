// A new file that takes its name only when complete: until Publish it has no
// name (or a scratch one beside its target), and dropping it leaves whatever
// was under the name byte for byte as it was. New system files are written
// to one, and so are the outputs of the command.
#pragma once

#include <sys/stat.h>

#include <string>

namespace savkit::io {

class PendingFile {
 public:
  PendingFile() = default;
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  ~PendingFile();  // an unpublished file leaves nothing behind

  // Makes the file for path (symbolic links followed), with the mode the
  // file it replaces has, else a new file's; a status, why noted as the
  // thread's open fault.
  int Create(const char* path);
  int Fd() const { return fd_; }
  // The file that publishing makes, links followed.
  const std::string& Target() const { return target_; }
  // Puts the complete file under its name, on disk first where it replaces
  // one, so that a crash never leaves a damaged file where a good one was.
  int Publish();

 private:
  int fd_ = -1;
  std::string target_;
  std::string temp_;  // a named scratch file, where the file system has no unnamed ones
};

// Why a path cannot be read or written as a file: the system's reason (st
// null), or what it is instead of a regular file.
std::string NotAFile(const struct stat* st);

}  // namespace savkit::io
