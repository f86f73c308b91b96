#include "case_writer.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "io/file_ops.h"
#include "io/format.h"
#include "savkit/spssio.h"

namespace savkit::io {

void FileOutput::Spill(const void* data, std::size_t n) {
  Flush();
  if (n >= kCapacity) {
    if (!failed_ && !WriteAll(fd_, data, n, static_cast<off_t>(pos_))) failed_ = true;
    pos_ += n;
    return;
  }
  std::memcpy(buf_.get(), data, n);
  size_ = n;
}

bool FileOutput::Flush() {
  if (!failed_ && size_ > 0 && !WriteAll(fd_, buf_.get(), size_, static_cast<off_t>(pos_))) failed_ = true;
  pos_ += size_;
  size_ = 0;
  return !failed_;
}

bool FileOutput::PWrite(std::uint64_t offset, const void* data, std::size_t n) {
  if (!Flush()) return false;
  if (!WriteAll(fd_, data, n, static_cast<off_t>(offset))) failed_ = true;
  return !failed_;
}

CaseWriter::CaseWriter(int fd, const Dictionary& dict, std::uint64_t start) : dict_(dict), fd_(fd), out_(fd, start) {
  elements_.resize(static_cast<std::size_t>(dict.elementsPerCase) * 8);
  if (dict.compression == kZlib) {
    zheaderAt_ = start;
    std::uint8_t placeholder[kZlibHeaderSize] = {};
    out_.Write(placeholder, sizeof placeholder);  // filled in by Finish
  }
}

void CaseWriter::ResumeBlock(std::uint64_t blockStart, const std::uint8_t cmds[8], int used, std::uint64_t end) {
  out_ = FileOutput(fd_, end);
  if (used <= 0 || used >= 8) return;  // the last block is full: new blocks follow it
  std::memcpy(cmds_, cmds, 8);
  used_ = used;
  resumeAt_ = blockStart;
}

// The text of a string slot: up to its width or its first zero byte, in the
// file's encoding; false when it does not fit the variable in the file.
bool CaseWriter::SlotText(const Variable& v, const std::uint8_t* slot, std::string_view& text) {
  const std::size_t width = static_cast<std::size_t>(v.width);
  const void* nul = std::memchr(slot, 0, width);
  const std::size_t len = nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - slot) : width;
  text = std::string_view(reinterpret_cast<const char*>(slot), len);
  const auto fileWidth = static_cast<std::size_t>(v.fileWidth);
  if (!encoder_ && text.size() <= fileWidth) return true;
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!encoder_) return text.size() <= fileWidth;
  // Never a silent cut or a stand-in character: the value is refused.
  if (!encoder_->Encode(text, text_) || text_.size() > fileWidth) return false;
  text = text_;
  return true;
}

bool CaseWriter::ToElements(const std::uint8_t* record) {
  std::uint8_t* out = elements_.data();
  for (const Variable& v : dict_.variables) {
    const std::uint8_t* slot = record + v.offset;
    std::uint8_t* dst = out + 8 * static_cast<std::size_t>(v.firstElement);
    if (v.IsNumeric()) {
      std::memcpy(dst, slot, 8);
      if (dict_.swap) std::reverse(dst, dst + 8);
      continue;
    }
    std::string_view text;
    if (!SlotText(v, slot, text)) return false;
    const std::size_t bytes = static_cast<std::size_t>(v.elements) * 8;
    if (v.segments == 1) {
      std::memcpy(dst, text.data(), text.size());
      std::memset(dst + text.size(), ' ', bytes - text.size());
      continue;
    }
    // A very long string: 255 bytes of text in each 256-byte segment.
    std::memset(dst, ' ', bytes);
    for (std::size_t done = 0, s = 0; done < text.size(); done += kSegmentWidth, ++s)
      std::memcpy(dst + (kSegmentWidth + 1) * s, text.data() + done,
                  std::min<std::size_t>(kSegmentWidth, text.size() - done));
  }
  return true;
}

void CaseWriter::Emit(const void* data, std::size_t n) {
  if (dict_.compression == kZlib) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    pending_.insert(pending_.end(), p, p + n);
  } else {
    out_.Write(data, n);
  }
}

void CaseWriter::CloseBlock() {
  std::fill(cmds_ + used_, cmds_ + 8, 0);
  if (resumeAt_) {
    // The block's commands are already in the file; its new values go after its old ones.
    out_.PWrite(resumeAt_, cmds_, 8);
    resumeAt_ = 0;
  } else {
    Emit(cmds_, 8);
  }
  Emit(raws_, 8 * static_cast<std::size_t>(nraws_));
  nraws_ = 0;
  used_ = 0;
  if (dict_.compression == kZlib && pending_.size() >= kZlibBlock) CompressFullBlocks(false);
}

void CaseWriter::Code(std::uint8_t command, const std::uint8_t* raw) {
  cmds_[used_++] = command;
  if (raw) std::memcpy(raws_ + 8 * nraws_++, raw, 8);
  if (used_ == 8) CloseBlock();
}

void CaseWriter::Encode() {
  const std::uint8_t* e = elements_.data();
  static const std::uint8_t kBlanks[8] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  const bool swap = dict_.swap;
  for (int i = 0; i < dict_.elementsPerCase; ++i, e += 8) {
    if (dict_.numeric[static_cast<std::size_t>(i)]) {
      double d;
      std::memcpy(&d, e, 8);
      if (swap) {
        std::uint8_t b[8];
        std::reverse_copy(e, e + 8, b);
        std::memcpy(&d, b, 8);
      }
      if (d == -DBL_MAX) {
        Code(code::kSysmis, nullptr);
      } else if (d >= 1 - kBias && d <= 251 - kBias && d == static_cast<int>(d) && !(d == 0 && std::signbit(d))) {
        Code(static_cast<std::uint8_t>(static_cast<int>(d + kBias)), nullptr);
      } else {
        Code(code::kRaw, e);
      }
    } else if (std::memcmp(e, kBlanks, 8) == 0) {
      Code(code::kBlanks, nullptr);
    } else {
      Code(code::kRaw, e);
    }
  }
}

int CaseWriter::Write(const std::uint8_t* record) {
  if (!ToElements(record)) return SPSS_EXC_STRVALUE;  // nothing of the case is written
  if (dict_.compression == kUncompressed)
    out_.Write(elements_.data(), elements_.size());
  else
    Encode();
  return out_.Failed() || failed_ ? SPSS_FILE_WERROR : SPSS_OK;
}

void CaseWriter::CompressFullBlocks(bool last) {
  std::size_t done = 0;
  std::vector<std::uint8_t> packed;
  while (pending_.size() - done >= kZlibBlock || (last && done < pending_.size())) {
    const std::size_t size = std::min<std::size_t>(kZlibBlock, pending_.size() - done);
    uLongf packedSize = compressBound(size);
    packed.resize(packedSize);
    if (compress2(packed.data(), &packedSize, pending_.data() + done, size, Z_BEST_SPEED) != Z_OK) {
      failed_ = true;
      break;
    }
    zblocks_.push_back({out_.Pos(), static_cast<std::uint32_t>(size), static_cast<std::uint32_t>(packedSize)});
    out_.Write(packed.data(), packedSize);
    done += size;
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(done));
}

int CaseWriter::Finish() {
  if (dict_.compression != kUncompressed && used_ > 0) CloseBlock();
  if (dict_.compression == kZlib) {
    CompressFullBlocks(true);
    const std::uint64_t trailerAt = out_.Pos();
    ByteWriter t;
    t.Int64(static_cast<std::int64_t>(-kBias));
    t.Int64(0);
    t.Int(static_cast<std::int32_t>(kZlibBlock));
    t.Int(static_cast<std::int32_t>(zblocks_.size()));
    std::uint64_t uncompressed = zheaderAt_;
    for (const ZBlock& b : zblocks_) {
      t.Int64(static_cast<std::int64_t>(uncompressed));
      t.Int64(static_cast<std::int64_t>(b.compressedOffset));
      t.Int(static_cast<std::int32_t>(b.size));
      t.Int(static_cast<std::int32_t>(b.compressedSize));
      uncompressed += b.size;
    }
    out_.Write(t.out.data(), t.out.size());
    ByteWriter header;
    header.Int64(static_cast<std::int64_t>(zheaderAt_));
    header.Int64(static_cast<std::int64_t>(trailerAt));
    header.Int64(static_cast<std::int64_t>(t.Size()));
    out_.PWrite(zheaderAt_, header.out.data(), header.Size());
  }
  return out_.Flush() && !failed_ ? SPSS_OK : SPSS_FILE_WERROR;
}

}  // namespace savkit::io
