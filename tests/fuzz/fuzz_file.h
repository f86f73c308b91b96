// The input of one fuzz run as a file the library can open by name: an
// in-memory file, reached through /proc, so runs never touch the disk.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace savkit::fuzzing {

class FuzzFile {
 public:
  FuzzFile() : fd_(::memfd_create("savkit-fuzz", MFD_CLOEXEC)) {
    if (fd_ < 0) std::abort();
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  FuzzFile(const FuzzFile&) = delete;
  FuzzFile& operator=(const FuzzFile&) = delete;
  ~FuzzFile() { ::close(fd_); }

  const std::string& Hold(const std::uint8_t* data, std::size_t size) {
    if (::ftruncate(fd_, 0) != 0) std::abort();
    for (std::size_t done = 0; done < size;) {
      const ssize_t put = ::pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
      if (put <= 0) std::abort();
      done += static_cast<std::size_t>(put);
    }
    return path_;
  }

 private:
  int fd_;
  std::string path_;
};

}  // namespace savkit::fuzzing
