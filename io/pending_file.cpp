#include "io/pending_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>

#include "fault.h"
#include "io/file_ops.h"
#include "savkit/spssio.h"

namespace savkit::io {

namespace {

std::string DirName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a path names once every symbolic link on its end is followed.
bool FollowLinks(std::string path, std::string& out) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      out = path;
      return true;
    }
    std::string link(PATH_MAX, '\0');
    const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
    if (n < 0) return false;
    link.resize(static_cast<std::size_t>(n));
    path = link[0] == '/' ? link : DirName(path) + "/" + link;
  }
  return false;  // a loop of links
}

}  // namespace

std::string NotAFile(const struct stat* st) {
  if (!st) return std::strerror(errno);
  if (S_ISDIR(st->st_mode)) return "it is a folder";
  if (S_ISFIFO(st->st_mode)) return "it is a pipe, not a regular file";
  if (S_ISSOCK(st->st_mode)) return "it is a socket, not a regular file";
  return "it is a device, not a regular file";
}

PendingFile::~PendingFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!temp_.empty()) ::unlink(temp_.c_str());
}

int PendingFile::Create(const char* path) {
  OpenFault().Clear();
  if (!path || !*path) return OpenFault().Note(-1, "no file name is given"), SPSS_FILE_OERROR;
  if (!FollowLinks(path, target_))
    return OpenFault().Note(-1, "its symbolic links cannot be followed"), SPSS_FILE_OERROR;
  struct stat st;
  const bool replacing = ::stat(target_.c_str(), &st) == 0;
  if (replacing && !S_ISREG(st.st_mode)) return OpenFault().Note(-1, NotAFile(&st)), SPSS_FILE_OERROR;
  // An unnamed file in the target's folder: a process killed while writing
  // leaves nothing behind. Where the file system cannot, a named scratch file.
  fd_ = ::open(DirName(target_).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd_ < 0) {
    std::string pattern = target_ + ".savkit-XXXXXX";
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0)
      return OpenFault().Note(-1, std::string("a file cannot be made in its folder: ") + std::strerror(errno)),
             SPSS_FILE_OERROR;
    temp_ = pattern;
  }
  ::fchmod(fd_, replacing ? st.st_mode & 07777 : NewFileMode());
  // Another user's file becomes ours where we may not give it to them.
  if (replacing && ::fchown(fd_, st.st_uid, st.st_gid) != 0) {
  }
  return SPSS_OK;
}

int PendingFile::Publish() {
  struct stat st;
  const bool replacing = ::stat(target_.c_str(), &st) == 0;
  if (replacing && Flush(fd_) != 0) return SPSS_FILE_WERROR;
  if (temp_.empty()) {
    if (!replacing) {
      if (Link(fd_, target_.c_str()) == 0) return SPSS_OK;
      if (errno != EEXIST) return SPSS_FILE_WERROR;
    }
    // A name beside the target first, then one rename over it.
    static std::atomic<unsigned> serial{0};
    for (int tries = 0; temp_.empty(); ++tries) {
      const std::string name = target_ + ".savkit-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
      if (Link(fd_, name.c_str()) == 0)
        temp_ = name;
      else if (errno != EEXIST || tries > 100)
        return SPSS_FILE_WERROR;
    }
  }
  if (Rename(temp_.c_str(), target_.c_str()) != 0) return SPSS_FILE_WERROR;
  temp_.clear();  // it is the file now
  return SPSS_OK;
}

}  // namespace savkit::io
