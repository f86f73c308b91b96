#include "portable_fields.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "portable_format.h"

namespace savkit::io {

namespace {
// Digits past this many stop adding precision: the mantissa stays exact in
// 64 bits, and so in a long double.
constexpr std::uint64_t kMantissaLimit = UINT64_MAX / portable::kBase - portable::kBase;
constexpr std::int64_t kExponentLimit = 100000;  // far past any double; keeps the sum from overflowing

// What was found where something else was wanted, for messages.
std::string Describe(const char* wanted, int c) {
  if (c < 0) return std::string("the file ends where ") + wanted + " should be";
  char found[32];
  if (c > ' ' && c < 0x7F)
    std::snprintf(found, sizeof found, "'%c'", c);
  else
    std::snprintf(found, sizeof found, "byte %d", c);
  return std::string("found ") + found + " where " + wanted + " should be";
}

long double Pow30(std::int64_t n) {
  long double r = 1;
  long double base = 30;
  for (; n > 0; n >>= 1, base *= base)
    if (n & 1) r *= base;
  return r;
}
}  // namespace

double ScaleBase30(std::uint64_t mantissa, std::int64_t exponent) {
  if (mantissa == 0) return 0;
  if (exponent > 400) return HUGE_VAL;
  if (exponent < -400) return 0;
  const long double m = static_cast<long double>(mantissa);
  return static_cast<double>(exponent >= 0 ? m * Pow30(exponent) : m / Pow30(-exponent));
}

void PortableFields::Refill() {
  std::size_t count = 0;
  p_ = text_.At(pos_, 1, count);
  left_ = count;
}

bool PortableFields::Number(double& value, std::string& why) {
  int c = PeekField();
  if (c == '*') {
    Advance(1);
    if (Get() < 0) return why = "the file ends inside a missing value", false;
    value = -DBL_MAX;
    return true;
  }
  const bool negative = c == '-';
  if (negative) Advance(1);
  std::uint64_t mantissa = 0;
  std::int64_t exponent = 0;
  bool any = false;
  const auto digits = [&](bool fraction) {
    int d;
    while ((d = portable::DigitValue(static_cast<std::uint8_t>(Peek() < 0 ? 0 : Peek()))) >= 0) {
      Advance(1);
      any = true;
      if (mantissa < kMantissaLimit) {
        mantissa = mantissa * portable::kBase + static_cast<std::uint64_t>(d);
        if (fraction) --exponent;
      } else if (!fraction) {
        ++exponent;
      }
    }
  };
  digits(false);
  if (Peek() == '.') {
    Advance(1);
    digits(true);
  }
  if (!any) return why = Describe("a number", Peek()), false;
  c = Peek();
  if (c == '+' || c == '-') {
    Advance(1);
    std::int64_t e = 0;
    bool anyExponent = false;
    int d;
    while ((d = portable::DigitValue(static_cast<std::uint8_t>(Peek() < 0 ? 0 : Peek()))) >= 0) {
      Advance(1);
      anyExponent = true;
      if (e < kExponentLimit) e = e * portable::kBase + d;
    }
    if (!anyExponent) return why = Describe("an exponent", Peek()), false;
    exponent += c == '-' ? -e : e;
  }
  if (Peek() != '/') return why = Describe("the / that ends a number", Peek()), false;
  Advance(1);
  // Writers put the largest double with the digits they keep, which may
  // come out past it: that is the largest double.
  value = std::min(ScaleBase30(mantissa, exponent), DBL_MAX);
  if (negative) value = -value;
  return true;
}

bool PortableFields::Integer(std::int64_t& value, std::int64_t lo, std::int64_t hi, std::string& why) {
  double v;
  if (!Number(v, why)) return false;
  if (v == -DBL_MAX || v != std::floor(v) || v < static_cast<double>(lo) || v > static_cast<double>(hi)) {
    why = "a count or code is " + (v == -DBL_MAX ? std::string("missing") : std::to_string(v)) + ", not a whole number from " +
          std::to_string(lo) + " to " + std::to_string(hi);
    return false;
  }
  value = static_cast<std::int64_t>(v);
  return true;
}

bool PortableFields::String(std::string& text, std::size_t max, std::string& why) {
  std::int64_t n;
  if (!Integer(n, 0, static_cast<std::int64_t>(max), why)) return false;
  text.clear();
  text.reserve(static_cast<std::size_t>(n));
  while (text.size() < static_cast<std::size_t>(n)) {
    if (!left_) Refill();
    if (!left_) return why = "the file ends inside a text", false;
    const std::size_t take = std::min(left_, static_cast<std::size_t>(n) - text.size());
    text.append(reinterpret_cast<const char*>(p_), take);
    Advance(take);
  }
  return true;
}

bool PortableFields::SkipString(std::size_t max, std::string& why, bool& high) {
  std::int64_t n;
  if (!Integer(n, 0, static_cast<std::int64_t>(max), why)) return false;
  auto left = static_cast<std::size_t>(n);
  while (left) {
    if (!left_) Refill();
    if (!left_) return why = "the file ends inside a text", false;
    const std::size_t take = std::min(left_, left);
    for (std::size_t i = 0; i < take && !high; ++i) high = p_[i] >= 0x80;
    Advance(take);
    left -= take;
  }
  return true;
}

}  // namespace savkit::io
