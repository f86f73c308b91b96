#include "byte_source.h"

#include <algorithm>
#include <cstring>

#include "io/format.h"
#include "file_input.h"
#include "savkit/spssio.h"

namespace savkit::io {

namespace {

class FileSource : public ByteSource {
 public:
  FileSource(int fd, std::uint64_t start, std::uint64_t fileSize)
      : fd_(fd), start_(start), size_(fileSize > start ? fileSize - start : 0) {}

  long ReadAt(std::uint64_t pos, std::uint8_t* dst, std::size_t n) override {
    if (pos >= size_) return 0;
    n = static_cast<std::size_t>(std::min<std::uint64_t>(n, size_ - pos));
    if (ReadFully(fd_, dst, n, start_ + pos)) return static_cast<long>(n);
    fault.Note(FileOffset(pos), "the data cannot be read");
    return -1;
  }
  std::int64_t FileOffset(std::uint64_t pos) const override { return static_cast<std::int64_t>(start_ + pos); }

 private:
  int fd_;
  std::uint64_t start_;
  std::uint64_t size_;
};

}  // namespace

std::unique_ptr<ByteSource> MakeFileSource(int fd, std::uint64_t start, std::uint64_t fileSize) {
  return std::make_unique<FileSource>(fd, start, fileSize);
}

const std::uint8_t* Window::Refill(std::uint64_t pos, std::size_t n) {
  // Reading on from where the window ends streams in large chunks; a jump
  // elsewhere reads a small one, so that random access stays cheap.
  const bool streaming = size_ > 0 && pos >= start_ && pos <= start_ + size_;
  const std::size_t chunk = std::max<std::size_t>(n, streaming ? (1u << 20) : (16u << 10));
  if (buf_.size() < chunk) buf_.resize(chunk);
  const long got = source_.ReadAt(pos, buf_.data(), chunk);
  if (got < 0) {
    failed_ = true;
    size_ = 0;
    return nullptr;
  }
  start_ = pos;
  size_ = static_cast<std::size_t>(got);
  return size_ >= n ? buf_.data() : nullptr;
}

}  // namespace savkit::io
