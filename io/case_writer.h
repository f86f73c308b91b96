// Encoding whole-case records into a file's data: uncompressed, bytecode or
// ZLIB-compressed.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "dictionary.h"
#include "io/text_codec.h"

namespace savkit::io {

// Buffered writing at a file position; the first failure sticks.
class FileOutput {
 public:
  FileOutput(int fd, std::uint64_t pos) : fd_(fd), pos_(pos) {}
  void Write(const void* data, std::size_t n) {
    if (size_ + n > kCapacity)
      Spill(data, n);
    else {
      std::memcpy(buf_.get() + size_, data, n);
      size_ += n;
    }
  }
  bool Flush();
  bool PWrite(std::uint64_t offset, const void* data, std::size_t n);
  std::uint64_t Pos() const { return pos_ + size_; }
  bool Failed() const { return failed_; }

 private:
  static constexpr std::size_t kCapacity = 1u << 20;
  void Spill(const void* data, std::size_t n);

  int fd_;
  std::uint64_t pos_;  // file offset of buf_[0]
  std::unique_ptr<std::uint8_t[]> buf_{new std::uint8_t[kCapacity]};
  std::size_t size_ = 0;
  bool failed_ = false;
};

class CaseWriter {
 public:
  // Writes data from offset start on, which is where the data begins.
  CaseWriter(int fd, const Dictionary& dict, std::uint64_t start);
  CaseWriter(const CaseWriter&) = delete;
  CaseWriter& operator=(const CaseWriter&) = delete;
  // Continues bytecode data whose last command block, at blockStart, has used
  // `used` of its eight commands; the data ends at end.
  void ResumeBlock(std::uint64_t blockStart, const std::uint8_t cmds[8], int used, std::uint64_t end);

  // Converts string values to the file's encoding when appending to such a file.
  void SetEncoder(TextEncoder* encoder) { encoder_ = encoder; }
  // Writes one whole-case record; a string slot ends at its first zero byte.
  // SPSS_EXC_STRVALUE, with nothing written, when a string does not fit the
  // file's encoding or its width there.
  int Write(const std::uint8_t* record);
  // Completes the data (the ZLIB trailer); returns SPSS_OK or SPSS_FILE_WERROR.
  int Finish();
  std::uint64_t End() const { return out_.Pos(); }

 private:
  bool ToElements(const std::uint8_t* record);
  bool SlotText(const Variable& v, const std::uint8_t* slot, std::string_view& text);
  void Encode();
  void Code(std::uint8_t command, const std::uint8_t* raw);
  void CloseBlock();
  void Emit(const void* data, std::size_t n);
  void CompressFullBlocks(bool last);

  const Dictionary& dict_;
  int fd_;
  TextEncoder* encoder_ = nullptr;
  std::string text_;
  FileOutput out_;
  bool failed_ = false;
  std::vector<std::uint8_t> elements_;

  // Bytecode: the block being filled.
  std::uint8_t cmds_[8] = {};
  int used_ = 0;
  std::uint8_t raws_[64] = {};
  int nraws_ = 0;
  std::uint64_t resumeAt_ = 0;  // file offset of a resumed block's commands, 0 when none

  // ZLIB: the bytecode stream waiting to be compressed, and the blocks written.
  struct ZBlock {
    std::uint64_t compressedOffset;
    std::uint32_t size, compressedSize;
  };
  std::vector<std::uint8_t> pending_;
  std::vector<ZBlock> zblocks_;
  std::uint64_t zheaderAt_ = 0;
};

}  // namespace savkit::io
