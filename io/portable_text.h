// The characters of a portable file as one stream: line ends taken out,
// short lines padded with blanks to the file's line length, and every byte
// translated through the file's own character table. Positions count these
// characters from the start of the file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace savkit::io {

class PortableText {
 public:
  PortableText(int fd, std::uint64_t size);
  PortableText(const PortableText&) = delete;
  PortableText& operator=(const PortableText&) = delete;

  // Measures the line length from the first lines (0 when the file cannot
  // be read); lines shorter than it are padded.
  bool MeasureLines();
  // From now on, bytes are translated through map; positions from `from` on
  // are read anew.
  void Translate(const std::array<std::uint8_t, 256>& map, std::uint64_t from);

  // The characters from pos on that are in memory: at least min of them
  // unless the file ends first. null and count 0 at the end (or on a read
  // failure, see Failed()).
  const std::uint8_t* At(std::uint64_t pos, std::size_t min, std::size_t& count);
  bool Failed() const { return failed_; }
  // The byte of the file that holds the character at pos, for messages.
  std::int64_t FileOffset(std::uint64_t pos) const;
  std::size_t LineLength() const { return lineLength_; }

 private:
  struct Line {
    std::uint64_t pos;   // of its first character
    std::uint64_t file;  // of its first byte
  };
  void Restart(std::uint64_t pos);
  void Drop(std::uint64_t pos);
  bool Fill(std::size_t min);
  bool ReadRaw();

  int fd_;
  std::uint64_t size_;
  std::size_t lineLength_ = 80;
  std::array<std::uint8_t, 256> map_{};
  bool identity_ = true;
  bool failed_ = false;

  std::vector<std::uint8_t> buf_;  // characters from start_ on
  std::uint64_t start_ = 0;
  std::vector<Line> lines_;  // the lines in buf_, and where the next one starts
  std::uint64_t nextFile_ = 0;
  std::vector<Line> anchors_;  // line starts met so far, every so often, to go back to

  std::vector<std::uint8_t> raw_;  // file bytes from rawStart_ on
  std::uint64_t rawStart_ = 0;
};

}  // namespace savkit::io
