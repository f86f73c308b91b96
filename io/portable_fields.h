// The fields of a portable file: base-30 numbers, integers and counted
// strings, read from its character stream.
#pragma once

#include <cstdint>
#include <string>

#include "portable_text.h"

namespace savkit::io {

class PortableFields {
 public:
  PortableFields(PortableText& text, std::uint64_t pos) : text_(text), pos_(pos) {}

  std::uint64_t Pos() const { return pos_; }
  void Seek(std::uint64_t pos) {
    pos_ = pos;
    left_ = 0;
  }
  int Peek() {
    if (!left_) Refill();
    return left_ ? *p_ : -1;
  }
  int Get() {
    const int c = Peek();
    if (c >= 0) Advance(1);
    return c;
  }
  // Blanks before a field are allowed; the next character after them.
  int PeekField() {
    int c;
    while ((c = Peek()) == ' ') Advance(1);
    return c;
  }

  // A number, or -DBL_MAX for a missing one; false with why on a bad field.
  bool Number(double& value, std::string& why);
  // A whole number from lo to hi.
  bool Integer(std::int64_t& value, std::int64_t lo, std::int64_t hi, std::string& why);
  // A count and that many characters; at most max of them.
  bool String(std::string& text, std::size_t max, std::string& why);

 private:
  bool CarefulNumber(double& value, std::string& why);
  void Refill();
  void Want(std::size_t n);  // at least n characters in view, unless the file ends
  void Advance(std::size_t n) {
    p_ += n;
    left_ -= n;
    pos_ += n;
  }

  PortableText& text_;
  std::uint64_t pos_;
  const std::uint8_t* p_ = nullptr;
  std::size_t left_ = 0;
};

// The value of a base-30 mantissa times 30 to the power exponent, rounded once.
double ScaleBase30(std::uint64_t mantissa, std::int64_t exponent);
// The fewest base-30 digits whose reading by ScaleBase30 gives v (finite,
// above 0) back exactly, as mantissa and exponent; 13 digits where none do.
void ShortestBase30(double v, std::uint64_t& mantissa, std::int64_t& exponent);

}  // namespace savkit::io
