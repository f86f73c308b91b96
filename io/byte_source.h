// Random access to the bytes of a file's data: the file itself after the
// dictionary, or the decompressed blocks of a ZLIB-compressed file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "fault.h"

namespace savkit::io {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Copies up to n bytes from pos; the count copied (0 at the end), or -1 on
  // error, with the fault noted.
  virtual long ReadAt(std::uint64_t pos, std::uint8_t* dst, std::size_t n) = 0;
  // The byte of the file that holds the data at pos (for compressed data,
  // where its block starts).
  virtual std::int64_t FileOffset(std::uint64_t pos) const = 0;
  Fault fault;
};

// The file from offset start on.
std::unique_ptr<ByteSource> MakeFileSource(int fd, std::uint64_t start, std::uint64_t fileSize);

// The decompressed blocks of a ZLIB data record at offset start; null with a
// status in status when its header or trailer is not sound.
std::unique_ptr<ByteSource> MakeZlibSource(int fd, std::uint64_t start, std::uint64_t fileSize, bool swap, int& status);

// A sliding buffer over a source, for decoding: Get(pos, n) points at n bytes
// from pos, or is null when they are not there (see Failed()).
class Window {
 public:
  explicit Window(ByteSource& source) : source_(source) {}

  const std::uint8_t* Get(std::uint64_t pos, std::size_t n) {
    if (pos >= start_ && pos + n <= start_ + size_) return buf_.data() + (pos - start_);
    return Refill(pos, n);
  }
  bool Failed() const { return failed_; }

 private:
  const std::uint8_t* Refill(std::uint64_t pos, std::size_t n);

  ByteSource& source_;
  std::vector<std::uint8_t> buf_;
  std::uint64_t start_ = 0;
  std::size_t size_ = 0;
  bool failed_ = false;
};

}  // namespace savkit::io
