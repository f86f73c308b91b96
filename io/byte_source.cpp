#include "byte_source.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "format.h"
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
    return ReadFully(fd_, dst, n, start_ + pos) ? static_cast<long>(n) : -1;
  }

 private:
  int fd_;
  std::uint64_t start_;
  std::uint64_t size_;
};

struct Block {
  std::uint64_t virtualStart;  // offset in the decompressed stream
  std::uint64_t fileOffset;
  std::uint32_t size;          // decompressed
  std::uint32_t compressedSize;
};

class ZlibSource : public ByteSource {
 public:
  ZlibSource(int fd, std::vector<Block> blocks) : fd_(fd), blocks_(std::move(blocks)) {}

  long ReadAt(std::uint64_t pos, std::uint8_t* dst, std::size_t n) override {
    std::size_t done = 0;
    while (done < n) {
      const Block* b = Locate(pos + done);
      if (!b) break;
      if (!Load(*b)) return -1;
      const std::uint64_t within = pos + done - b->virtualStart;
      if (within >= cache_.size()) break;  // the block held less than its trailer said
      const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(n - done, cache_.size() - within));
      std::memcpy(dst + done, cache_.data() + within, take);
      done += take;
    }
    return static_cast<long>(done);
  }

 private:
  const Block* Locate(std::uint64_t pos) const {
    auto it = std::upper_bound(blocks_.begin(), blocks_.end(), pos,
                               [](std::uint64_t p, const Block& b) { return p < b.virtualStart; });
    if (it == blocks_.begin()) return nullptr;
    --it;
    return pos < it->virtualStart + it->size ? &*it : nullptr;
  }

  bool Load(const Block& b) {
    if (cached_ == &b) return true;
    cached_ = nullptr;
    std::vector<std::uint8_t> packed(b.compressedSize);
    if (!ReadFully(fd_, packed.data(), packed.size(), b.fileOffset)) return false;
    cache_.resize(b.size);
    uLongf outLen = b.size;
    // A block that inflates to less than its stated size is read as far as it
    // goes, as PSPP does; one that would inflate to more is damaged.
    if (uncompress(cache_.data(), &outLen, packed.data(), b.compressedSize) != Z_OK) return false;
    cache_.resize(outLen);
    cached_ = &b;
    return true;
  }

  int fd_;
  std::vector<Block> blocks_;
  std::vector<std::uint8_t> cache_;
  const Block* cached_ = nullptr;
};

}  // namespace

std::unique_ptr<ByteSource> MakeFileSource(int fd, std::uint64_t start, std::uint64_t fileSize) {
  return std::make_unique<FileSource>(fd, start, fileSize);
}

std::unique_ptr<ByteSource> MakeZlibSource(int fd, std::uint64_t start, std::uint64_t fileSize, bool swap,
                                           int& status) {
  status = SPSS_INVALID_FILE;
  std::uint8_t header[kZlibHeaderSize];
  if (start + kZlibHeaderSize > fileSize || !ReadFully(fd, header, kZlibHeaderSize, start)) return nullptr;
  const std::int64_t headerOffset = LoadI64(header, swap);
  const std::int64_t trailerOffset = LoadI64(header + 8, swap);
  const std::int64_t trailerLength = LoadI64(header + 16, swap);
  constexpr auto kHeader = static_cast<std::int64_t>(kZlibHeaderSize);
  constexpr auto kEntry = static_cast<std::int64_t>(kZlibTrailerEntry);
  if (headerOffset != static_cast<std::int64_t>(start) || trailerOffset < headerOffset + kHeader || trailerLength < kEntry ||
      static_cast<std::uint64_t>(trailerOffset) > fileSize ||
      static_cast<std::uint64_t>(trailerLength) > fileSize - static_cast<std::uint64_t>(trailerOffset))
    return nullptr;
  std::vector<std::uint8_t> trailer(static_cast<std::size_t>(trailerLength));
  if (!ReadFully(fd, trailer.data(), trailer.size(), static_cast<std::uint64_t>(trailerOffset))) {
    status = SPSS_FILE_RERROR;
    return nullptr;
  }
  const std::int32_t count = LoadI32(trailer.data() + 20, swap);
  if (count < 0 || (static_cast<std::uint64_t>(count) + 1) * kZlibTrailerEntry > trailer.size()) return nullptr;
  // Blocks must follow one another in the file and decompress to sane sizes.
  constexpr std::uint32_t kMaxBlock = 64u << 20;
  std::vector<Block> blocks;
  std::uint64_t virtualPos = 0;
  std::uint64_t expectedFile = start + kZlibHeaderSize;
  for (std::int32_t i = 0; i < count; ++i) {
    const std::uint8_t* d = trailer.data() + kZlibTrailerEntry * (static_cast<std::size_t>(i) + 1);
    Block b;
    b.fileOffset = static_cast<std::uint64_t>(LoadI64(d + 8, swap));
    b.size = static_cast<std::uint32_t>(LoadI32(d + 16, swap));
    b.compressedSize = static_cast<std::uint32_t>(LoadI32(d + 20, swap));
    if (b.fileOffset != expectedFile || b.size > kMaxBlock || b.compressedSize > kMaxBlock ||
        b.fileOffset + b.compressedSize > static_cast<std::uint64_t>(trailerOffset))
      return nullptr;
    b.virtualStart = virtualPos;
    virtualPos += b.size;
    expectedFile += b.compressedSize;
    blocks.push_back(b);
  }
  status = SPSS_OK;
  return std::make_unique<ZlibSource>(fd, std::move(blocks));
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
