// Buffered reading of a file whose size is known, so that every length read
// from the file can be checked against the bytes that remain.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace savkit::io {

class FileInput {
 public:
  explicit FileInput(int fd, std::uint64_t size, std::uint64_t start = 0)
      : fd_(fd), size_(size), pos_(start), bufStart_(start) {}

  std::uint64_t Pos() const { return pos_; }
  std::uint64_t Size() const { return size_; }
  std::uint64_t Remaining() const { return pos_ < size_ ? size_ - pos_ : 0; }
  bool Failed() const { return failed_; }  // an I/O error, as opposed to running out

  // False when fewer than n bytes remain or the read fails.
  bool Read(void* dst, std::size_t n);
  bool Skip(std::uint64_t n);

 private:
  bool Fill();

  int fd_;
  std::uint64_t size_;
  std::uint64_t pos_;
  std::vector<std::uint8_t> buf_;
  std::uint64_t bufStart_;
  bool failed_ = false;
};

// pread that retries short reads; false unless all n bytes were read.
bool ReadFully(int fd, void* dst, std::size_t n, std::uint64_t offset);

}  // namespace savkit::io
