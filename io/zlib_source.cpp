// The decompressed data of a ZLIB-compressed file, block by block. Blocks
// inflate whole in one call (libdeflate), and while the reader decodes one,
// the next inflates on a worker thread: blocks are independent.
#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <future>
#include <utility>

#include "byte_source.h"
#include "file_input.h"
#include "io/format.h"
#include "savkit/spssio.h"

namespace savkit::io {

namespace {

struct Block {
  std::uint64_t virtualStart;  // offset in the decompressed stream
  std::uint64_t fileOffset;
  std::uint32_t size;  // decompressed
  std::uint32_t compressedSize;
};

// A block inflated, into a buffer that is used again for later blocks.
struct Inflated {
  const Block* block = nullptr;
  std::vector<std::uint8_t> data;
  std::vector<std::uint8_t> packed;
};

using Decompressor = std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)>;

// Reads and inflates a block into into.data; false when it cannot be read or
// is damaged. A block that inflates to less than its stated size is read as
// far as it goes, as PSPP does; one that would inflate to more is damaged.
bool Inflate(int fd, const Block& b, Inflated& into) {
  into.block = nullptr;
  into.packed.resize(b.compressedSize);
  if (!ReadFully(fd, into.packed.data(), into.packed.size(), b.fileOffset)) return false;
  const Decompressor d(libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
  if (!d) throw std::bad_alloc();
  into.data.resize(b.size);
  std::size_t got = 0;
  const libdeflate_result r =
      libdeflate_zlib_decompress(d.get(), into.packed.data(), into.packed.size(), into.data.data(), b.size, &got);
  if (r != LIBDEFLATE_SUCCESS && r != LIBDEFLATE_SHORT_OUTPUT) return false;
  into.data.resize(got);
  into.block = &b;
  return true;
}

class ZlibSource : public ByteSource {
 public:
  ZlibSource(int fd, std::vector<Block> blocks) : fd_(fd), blocks_(std::move(blocks)) {}
  ~ZlibSource() override { Settle(); }
  ZlibSource(const ZlibSource&) = delete;
  ZlibSource& operator=(const ZlibSource&) = delete;

  long ReadAt(std::uint64_t pos, std::uint8_t* dst, std::size_t n) override {
    std::size_t done = 0;
    while (done < n) {
      const Block* b = Locate(pos + done);
      if (!b) break;
      if (!Load(*b)) {
        fault.Note(static_cast<std::int64_t>(b->fileOffset), "ZLIB block " + std::to_string(b - blocks_.data() + 1) +
                                                                 " of " + std::to_string(blocks_.size()) +
                                                                 " cannot be read or does not inflate");
        return -1;
      }
      const std::vector<std::uint8_t>& data = current_.data;
      const std::uint64_t within = pos + done - b->virtualStart;
      if (within >= data.size()) break;  // the block held less than its trailer said
      const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(n - done, data.size() - within));
      std::memcpy(dst + done, data.data() + within, take);
      done += take;
    }
    return static_cast<long>(done);
  }

  std::int64_t FileOffset(std::uint64_t pos) const override {
    const Block* b = Locate(pos);
    if (b) return static_cast<std::int64_t>(b->fileOffset);
    return blocks_.empty() ? -1 : static_cast<std::int64_t>(blocks_.back().fileOffset + blocks_.back().compressedSize);
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
    if (current_.block == &b) return true;
    const bool sequential = current_.block ? &b == current_.block + 1 : &b == blocks_.data();
    if (!ahead_.empty() && ahead_.front().first == &b) {
      Inflated next = ahead_.front().second.get();
      ahead_.pop_front();
      std::swap(current_, next);
      spare_.push_back(std::move(next));
      if (!current_.block) return false;
    } else {
      Settle();
      if (!Inflate(fd_, b, current_)) return false;
    }
    // Reading on block after block: the next ones inflate meanwhile, on both
    // cores. A jump elsewhere starts nothing, so that random access costs one block.
    if (sequential) {
      const Block* next = ahead_.empty() ? &b + 1 : ahead_.back().first + 1;
      for (; ahead_.size() < kAhead && next < blocks_.data() + blocks_.size(); ++next) {
        Inflated buffer;
        if (!spare_.empty()) buffer = std::move(spare_.back()), spare_.pop_back();
        ahead_.emplace_back(next,
                            std::async(std::launch::async, [fd = fd_, next, buffer = std::move(buffer)]() mutable {
                              Inflate(fd, *next, buffer);
                              return std::move(buffer);
                            }));
      }
    }
    return true;
  }

  // Waits for the blocks inflating ahead, keeping their buffers for later.
  void Settle() {
    for (auto& [block, pending] : ahead_) {
      try {
        spare_.push_back(pending.get());
      } catch (...) {
        // Out of memory in a worker: the block is inflated again when wanted.
      }
    }
    ahead_.clear();
  }

  static constexpr std::size_t kAhead = 2;  // blocks inflating at once, a few MB each
  int fd_;
  std::vector<Block> blocks_;
  Inflated current_;
  std::vector<Inflated> spare_;
  std::deque<std::pair<const Block*, std::future<Inflated>>> ahead_;
};

}  // namespace

std::unique_ptr<ByteSource> MakeZlibSource(int fd, std::uint64_t start, std::uint64_t fileSize, bool swap,
                                           int& status) {
  status = SPSS_INVALID_FILE;
  const auto bad = [&](std::uint64_t at, const std::string& what) {
    OpenFault().Note(static_cast<std::int64_t>(at), what);
    return nullptr;
  };
  std::uint8_t header[kZlibHeaderSize];
  if (start + kZlibHeaderSize > fileSize || !ReadFully(fd, header, kZlibHeaderSize, start))
    return bad(start, "the ZLIB data header is missing or cut short");
  const std::int64_t headerOffset = LoadI64(header, swap);
  const std::int64_t trailerOffset = LoadI64(header + 8, swap);
  const std::int64_t trailerLength = LoadI64(header + 16, swap);
  constexpr auto kHeader = static_cast<std::int64_t>(kZlibHeaderSize);
  constexpr auto kEntry = static_cast<std::int64_t>(kZlibTrailerEntry);
  const std::string trailerAt = "the ZLIB data header places the trailer at byte " + std::to_string(trailerOffset);
  if (headerOffset != static_cast<std::int64_t>(start))
    return bad(start, "the ZLIB data header gives its own place as byte " + std::to_string(headerOffset) + ", not " +
                          std::to_string(start));
  if (trailerOffset < headerOffset + kHeader) return bad(start, trailerAt + ", before the data");
  if (trailerLength < kEntry)
    return bad(start, "the ZLIB data header gives the trailer " + std::to_string(trailerLength) +
                          " bytes, too few for one entry");
  if (static_cast<std::uint64_t>(trailerOffset) > fileSize ||
      static_cast<std::uint64_t>(trailerLength) > fileSize - static_cast<std::uint64_t>(trailerOffset))
    return bad(start, trailerAt + " with " + std::to_string(trailerLength) + " bytes, past the end of the file");
  std::vector<std::uint8_t> trailer(static_cast<std::size_t>(trailerLength));
  if (!ReadFully(fd, trailer.data(), trailer.size(), static_cast<std::uint64_t>(trailerOffset))) {
    status = SPSS_FILE_RERROR;
    return bad(static_cast<std::uint64_t>(trailerOffset), "the ZLIB trailer cannot be read");
  }
  const std::int32_t count = LoadI32(trailer.data() + 20, swap);
  if (count < 0 || (static_cast<std::uint64_t>(count) + 1) * kZlibTrailerEntry > trailer.size())
    return bad(static_cast<std::uint64_t>(trailerOffset),
               "the ZLIB trailer claims " + std::to_string(count) + " blocks, more than it holds");
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
    const std::string entry = "the ZLIB trailer's entry for block " + std::to_string(i + 1) + " ";
    const auto at = static_cast<std::uint64_t>(trailerOffset) + kZlibTrailerEntry * (static_cast<std::size_t>(i) + 1);
    if (b.fileOffset != expectedFile)
      return bad(at, entry + "places it at byte " + std::to_string(b.fileOffset) + ", not at " +
                         std::to_string(expectedFile) + " where the data before it end");
    if (b.size > kMaxBlock || b.compressedSize > kMaxBlock)
      return bad(at, entry + "gives it " + std::to_string(b.size) + " bytes inflated and " +
                         std::to_string(b.compressedSize) + " compressed, more than a block holds");
    if (b.fileOffset + b.compressedSize > static_cast<std::uint64_t>(trailerOffset))
      return bad(at, entry + "makes it run into the trailer");
    b.virtualStart = virtualPos;
    virtualPos += b.size;
    expectedFile += b.compressedSize;
    blocks.push_back(b);
  }
  status = SPSS_OK;
  return std::make_unique<ZlibSource>(fd, std::move(blocks));
}

}  // namespace savkit::io
