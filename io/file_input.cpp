#include "file_input.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace savkit::io {

bool ReadFully(int fd, void* dst, std::size_t n, std::uint64_t offset) {
  auto* out = static_cast<std::uint8_t*>(dst);
  while (n > 0) {
    const ssize_t got = ::pread(fd, out, n, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    out += got;
    n -= static_cast<std::size_t>(got);
    offset += static_cast<std::uint64_t>(got);
  }
  return true;
}

bool FileInput::Fill() {
  constexpr std::size_t kChunk = 64 * 1024;
  const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, Remaining()));
  buf_.resize(want);
  bufStart_ = pos_;
  if (want == 0) return false;
  if (!ReadFully(fd_, buf_.data(), want, pos_)) {
    failed_ = true;
    buf_.clear();
    return false;
  }
  return true;
}

bool FileInput::Read(void* dst, std::size_t n) {
  if (n > Remaining()) {
    pos_ = size_;
    return false;
  }
  auto* out = static_cast<std::uint8_t*>(dst);
  while (n > 0) {
    const std::uint64_t inBuf = pos_ - bufStart_;
    if (pos_ < bufStart_ || inBuf >= buf_.size()) {
      if (!Fill()) return false;
      continue;
    }
    const std::size_t take = std::min<std::size_t>(n, buf_.size() - static_cast<std::size_t>(inBuf));
    std::memcpy(out, buf_.data() + inBuf, take);
    out += take;
    n -= take;
    pos_ += take;
  }
  return true;
}

bool FileInput::Skip(std::uint64_t n) {
  if (n > Remaining()) {
    pos_ = size_;
    return false;
  }
  pos_ += n;
  return true;
}

}  // namespace savkit::io
