#include "case_writer.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "file_ops.h"
#include "savkit/spssio.h"

namespace savkit::io {

namespace {

constexpr std::uint32_t kZBlock = 0x3ff000;  // what SPSS writes

void PutLE(std::vector<std::uint8_t>& v, std::uint64_t x, int n) {
  for (int i = 0; i < n; ++i) v.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
}

}  // namespace

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

CaseWriter::CaseWriter(int fd, const Dictionary& dict, std::uint64_t start)
    : dict_(dict), fd_(fd), out_(fd, start) {
  elements_.resize(static_cast<std::size_t>(dict.elementsPerCase) * 8);
  if (dict.compression == 2) {
    zheaderAt_ = start;
    std::uint8_t placeholder[24] = {};
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

void CaseWriter::ToElements(const std::uint8_t* record) {
  std::uint8_t* out = elements_.data();
  for (const Variable& v : dict_.variables) {
    const std::uint8_t* slot = record + v.offset;
    std::uint8_t* dst = out + 8 * static_cast<std::size_t>(v.firstElement);
    if (v.IsNumeric()) {
      std::memcpy(dst, slot, 8);
      if (dict_.swap) std::reverse(dst, dst + 8);
      continue;
    }
    // The text ends at its width or its first zero byte; blanks pad the rest.
    const std::size_t slotWidth = static_cast<std::size_t>(v.width);
    const void* nul = std::memchr(slot, 0, slotWidth);
    std::size_t len = nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - slot) : slotWidth;
    if (encoder_) {
      text_.assign(reinterpret_cast<const char*>(slot), len);
      while (!text_.empty() && text_.back() == ' ') text_.pop_back();
      text_ = encoder_->FromUtf8(text_);
      text_.resize(std::min(text_.size(), static_cast<std::size_t>(v.fileWidth)));
      slot = reinterpret_cast<const std::uint8_t*>(text_.data());
      len = text_.size();
    }
    const std::size_t bytes = static_cast<std::size_t>(v.elements) * 8;
    if (v.segments == 1) {
      std::memcpy(dst, slot, len);
      std::memset(dst + len, ' ', bytes - len);
      continue;
    }
    std::memset(dst, ' ', bytes);
    for (std::size_t done = 0, s = 0; done < len; done += 255, ++s)
      std::memcpy(dst + 256 * s, slot + done, std::min<std::size_t>(255, len - done));
  }
}

void CaseWriter::Emit(const void* data, std::size_t n) {
  if (dict_.compression == 2) {
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
  if (dict_.compression == 2 && pending_.size() >= kZBlock) CompressFullBlocks(false);
}

void CaseWriter::Code(std::uint8_t code, const std::uint8_t* raw) {
  cmds_[used_++] = code;
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
        Code(255, nullptr);
      } else if (d >= -99 && d <= 151 && d == static_cast<int>(d) && !(d == 0 && std::signbit(d))) {
        Code(static_cast<std::uint8_t>(static_cast<int>(d) + 100), nullptr);
      } else {
        Code(253, e);
      }
    } else if (std::memcmp(e, kBlanks, 8) == 0) {
      Code(254, nullptr);
    } else {
      Code(253, e);
    }
  }
}

int CaseWriter::Write(const std::uint8_t* record) {
  ToElements(record);
  if (dict_.compression == 0)
    out_.Write(elements_.data(), elements_.size());
  else
    Encode();
  return out_.Failed() || failed_ ? SPSS_FILE_WERROR : SPSS_OK;
}

void CaseWriter::CompressFullBlocks(bool last) {
  std::size_t done = 0;
  std::vector<std::uint8_t> packed;
  while (pending_.size() - done >= kZBlock || (last && done < pending_.size())) {
    const std::size_t size = std::min<std::size_t>(kZBlock, pending_.size() - done);
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
  if (dict_.compression != 0 && used_ > 0) CloseBlock();
  if (dict_.compression == 2) {
    CompressFullBlocks(true);
    const std::uint64_t trailerAt = out_.Pos();
    std::vector<std::uint8_t> t;
    PutLE(t, static_cast<std::uint64_t>(-100), 8);
    PutLE(t, 0, 8);
    PutLE(t, kZBlock, 4);
    PutLE(t, zblocks_.size(), 4);
    std::uint64_t uncompressed = zheaderAt_;
    for (const ZBlock& b : zblocks_) {
      PutLE(t, uncompressed, 8);
      PutLE(t, b.compressedOffset, 8);
      PutLE(t, b.size, 4);
      PutLE(t, b.compressedSize, 4);
      uncompressed += b.size;
    }
    out_.Write(t.data(), t.size());
    std::vector<std::uint8_t> header;
    PutLE(header, zheaderAt_, 8);
    PutLE(header, trailerAt, 8);
    PutLE(header, t.size(), 8);
    out_.PWrite(zheaderAt_, header.data(), header.size());
  }
  return out_.Flush() && !failed_ ? SPSS_OK : SPSS_FILE_WERROR;
}

}  // namespace savkit::io
