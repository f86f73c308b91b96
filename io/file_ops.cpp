#include "io/file_ops.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>

namespace savkit::io {

namespace {

std::atomic<long> failAt{0};
std::atomic<long> seen{0};

bool Injected() {
  const long n = seen.fetch_add(1, std::memory_order_relaxed) + 1;
  if (n != failAt.load(std::memory_order_relaxed)) return false;
  errno = EIO;
  return true;
}

}  // namespace

bool WriteAll(int fd, const void* data, std::size_t n, off_t offset) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (n > 0) {
    const ssize_t put = Injected() ? -1 : ::pwrite(fd, p, n, offset);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    p += put;
    n -= static_cast<std::size_t>(put);
    offset += put;
  }
  return true;
}

int Flush(int fd) { return Injected() ? -1 : ::fsync(fd); }

int Truncate(int fd, off_t length) { return Injected() ? -1 : ::ftruncate(fd, length); }

int Rename(const char* from, const char* to) { return Injected() ? -1 : std::rename(from, to); }

// The umask is read where the system says it, not set and set back: that
// would race with other threads creating files.
mode_t NewFileMode() {
  if (std::FILE* f = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, f)) found = std::sscanf(line, "Umask: %o", &mask) == 1;
    std::fclose(f);
    if (found) return 0666 & ~static_cast<mode_t>(mask);
  }
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return 0666 & ~mask;
}

int Link(int fd, const char* to) {
  if (Injected()) return -1;
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, to, AT_SYMLINK_FOLLOW);
}

namespace faults {

void FailNth(long n) {
  seen.store(0);
  failAt.store(n);
}

long Seen() { return seen.load(); }

}  // namespace faults

}  // namespace savkit::io
