// Saving over a file safely: what identifies the file that was opened, and an
// advisory lock that keeps two saves (or a save and an append) apart.
#pragma once

#include <string>

#include "savkit/model/datafile.h"

namespace savkit {

// The file at path as it is now; size -1 when there is none.
FileIdentity IdentityOf(const std::string& path);

// The file a name stands for: symbolic links followed, so that saving
// replaces the file a link names and keeps the link.
std::string ResolvedPath(const std::string& path);

// Holds an exclusive advisory lock (flock) on an existing file until
// destroyed; raises when another process or handle holds one. A file that
// does not exist is not locked.
class FileLock {
 public:
  explicit FileLock(const std::string& path);
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock();

 private:
  int fd_ = -1;
};

}  // namespace savkit
