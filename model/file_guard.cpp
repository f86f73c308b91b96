#include "file_guard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "raise.h"
#include "savkit/resourcestrings.h"

namespace savkit {

FileIdentity IdentityOf(const std::string& path) {
  struct stat st;
  FileIdentity id;
  if (::stat(path.c_str(), &st) != 0) return id;
  id.device = st.st_dev;
  id.inode = st.st_ino;
  id.size = st.st_size;
  id.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return id;
}

std::string ResolvedPath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
  return error ? path : resolved.string();
}

FileLock::FileLock(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) return;
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd_);
    fd_ = -1;
    Raise(cresSPSS_FileIsBeingSaved, path);
  }
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);  // lets the lock go
}

}  // namespace savkit
