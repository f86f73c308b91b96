// Decoding the cases of a file into whole-case records: one slot a variable,
// numbers as native doubles, strings blank-padded, very long strings whole.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "byte_source.h"
#include "dictionary.h"
#include "io/text_codec.h"

namespace savkit::io {

class CaseReader {
 public:
  // codec converts string values; it outlives the reader.
  CaseReader(const Dictionary& dict, std::unique_ptr<ByteSource> source, TextCodec& codec);

  // Positions before case number (0-based). Jumps resume from the nearest
  // checkpoint, so random access costs at most a short decode.
  int Seek(std::int64_t caseNumber);
  // Where the case at the position starts in the data, as kMarkSize bytes
  // that SeekMark takes back on any opening of the same file: the decoder's
  // state there, with a check of the file it belongs to.
  static constexpr std::size_t kMarkSize = 24;
  std::int64_t Position() const { return current_; }
  void Mark(std::uint8_t mark[kMarkSize], std::uint32_t check) const;
  // Positions before case number caseNumber, at mark, without decoding the
  // cases before it; SPSS_INVALID_CASE where the mark is not of this file.
  int SeekMark(std::int64_t caseNumber, const std::uint8_t mark[kMarkSize], std::uint32_t check);
  // Reads the case at the position into out (dict.caseSize bytes) and moves on.
  // SPSS_FILE_END past the last case.
  int ReadCase(std::uint8_t* out);
  // Counts the cases by decoding to the end (for files that do not say);
  // SPSS_DATA_CUT when the data end inside a case, which is not counted.
  int CountCases(std::int64_t& count);
  // Where the data stands at the position (offsets from the data's start):
  // the next byte, and for bytecode the current command block and how many
  // of its commands are used.
  void Position(std::uint64_t& next, std::uint64_t& blockStart, std::uint8_t cmds[8], int& used) const;
  // The first fault met in the data, if any.
  const Fault& fault() const { return fault_; }

 private:
  static constexpr std::int64_t kInterval = 32;  // cases between checkpoints
  struct State {
    std::uint64_t pos = 0;
    std::uint8_t cmds[8] = {};
    std::uint8_t next = 8;  // index of the next command byte; 8: read a new block
  };

  int Decode(std::uint8_t* elements);  // one case in the file's layout; null skips it
  int DecodeUncompressed(std::uint8_t* elements);
  int DecodeBytecode(std::uint8_t* elements);
  // The common case at full speed: a case whose every byte is in the window
  // already, in our byte order. False when it cannot say (the slow path decides).
  bool DecodeBytecodeInWindow(std::uint8_t* elements, int& status);
  int Stopped(bool partly);
  int Cut(const char* how);
  int Advance(std::uint8_t* elements);
  void Transform(const std::uint8_t* elements, std::uint8_t* out);

  const Dictionary& dict_;
  std::unique_ptr<ByteSource> source_;
  Window window_;
  TextCodec& codec_;
  bool direct_;  // the file's layout is the whole-case layout
  std::size_t caseBytes_;
  std::vector<std::uint8_t> scratch_;
  std::vector<std::pair<std::size_t, std::size_t>> pads_;  // slot bytes past a string's width: offset, count
  std::string text_;
  std::array<std::uint64_t, 512> implied_{};  // by numeric * 256 + command

  State state_;
  std::int64_t current_ = 0;  // case number at the position
  bool ended_ = false;        // the data ended before current_
  Fault fault_;
  std::vector<State> checkpoints_;  // state before case k * kInterval
};

}  // namespace savkit::io
