#include "portable_fields.h"

#include <algorithm>
#include <array>
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

// 30 to the powers 0 to kMaxPower, each from the one before: exact up to
// 30^16, and to the last bit of a long double past it.
constexpr int kMaxPower = 400;
constexpr std::int64_t kStep = 200;  // 30^200 is about 1e295
const std::array<long double, kMaxPower + 1>& Powers() {
  static const auto table = [] {
    std::array<long double, kMaxPower + 1> t{};
    t[0] = 1;
    for (int i = 1; i <= kMaxPower; ++i) t[static_cast<std::size_t>(i)] = t[static_cast<std::size_t>(i - 1)] * 30;
    return t;
  }();
  return table;
}

// A number's digits as they come: exact in 64 bits; digits past that add
// only to the exponent (whole ones) or nothing (fraction ones).
struct Digits {
  std::uint64_t mantissa = 0;
  std::int64_t exponent = 0;
  bool any = false;
  void Add(int d, bool fraction) {
    any = true;
    if (mantissa < kMantissaLimit) {
      mantissa = mantissa * portable::kBase + static_cast<std::uint64_t>(d);
      if (fraction) --exponent;
    } else if (!fraction) {
      ++exponent;
    }
  }
};

constexpr std::size_t kFieldView = 128;  // characters kept in view for a number: far more than any has

}  // namespace

double ScaleBase30(std::uint64_t mantissa, std::int64_t exponent) {
  if (mantissa == 0) return 0;
  if (exponent > kMaxPower) return HUGE_VAL;
  if (exponent < -kMaxPower) return 0;
  long double m = static_cast<long double>(mantissa);
  const auto& p = Powers();
  // In steps whose powers a double holds too: where a long double is only a
  // double (under valgrind), 30^201 and up would be infinite.
  for (; exponent > kStep; exponent -= kStep) m *= p[kStep];
  for (; exponent < -kStep; exponent += kStep) m /= p[kStep];
  return static_cast<double>(exponent >= 0 ? m * p[static_cast<std::size_t>(exponent)]
                                           : m / p[static_cast<std::size_t>(-exponent)]);
}

void ShortestBase30(double v, std::uint64_t& mantissa, std::int64_t& exponent) {
  mantissa = 0;
  exponent = 0;
  if (v == std::floor(v) && v < 1e18) {  // whole numbers are their own digits
    mantissa = static_cast<std::uint64_t>(v);
  } else {
    const auto& p = Powers();
    // The power of 30 of the leading digit: log30, then mended by a step.
    auto top = static_cast<std::int64_t>(std::floor(std::log(v) * 0.29401523282789394));  // 1 / ln 30
    if (v >= ScaleBase30(1, top + 1)) ++top;
    if (v < ScaleBase30(1, top)) --top;
    for (int digits = 1; digits <= 13; ++digits) {
      const std::int64_t e = top - digits + 1;
      if (e > kStep || -e > 2 * kStep) continue;
      // v / 30^e, in steps a double holds (see ScaleBase30).
      const std::int64_t up = std::min<std::int64_t>(-e, kStep);
      const long double scaled = e >= 0 ? v / p[static_cast<std::size_t>(e)]
                                        : v * p[static_cast<std::size_t>(up)] * p[static_cast<std::size_t>(-e - up)];
      const long double rounded = std::nearbyint(scaled);
      if (rounded <= 0 || rounded >= 1.8e19L) continue;
      mantissa = static_cast<std::uint64_t>(rounded);
      exponent = e;
      if (ScaleBase30(mantissa, exponent) == v) break;
    }
  }
  while (mantissa && mantissa % portable::kBase == 0) {
    mantissa /= portable::kBase;
    ++exponent;
  }
}

namespace {

// A number whose text lies whole in [p, slash): the common case, without a
// call a character. False where the text is not a plain sound number, for
// the careful reading to say what is wrong.
bool ParseInView(const std::uint8_t* p, const std::uint8_t* slash, double& value) {
  const bool negative = p < slash && *p == '-';
  if (negative) ++p;
  Digits n;
  bool fraction = false;
  for (; p < slash; ++p) {
    if (*p == '.') {
      if (fraction) return false;
      fraction = true;
      continue;
    }
    const int d = portable::DigitValue(*p);
    if (d < 0) break;
    n.Add(d, fraction);
  }
  if (!n.any) return false;
  std::int64_t exponent = n.exponent;
  if (p < slash) {  // an exponent
    const bool down = *p == '-';
    if (*p != '-' && *p != '+') return false;
    std::int64_t e = 0;
    if (++p == slash) return false;
    for (; p < slash; ++p) {
      const int d = portable::DigitValue(*p);
      if (d < 0) return false;
      if (e < kExponentLimit) e = e * portable::kBase + d;
    }
    exponent += down ? -e : e;
  }
  value = std::min(ScaleBase30(n.mantissa, exponent), DBL_MAX);
  if (negative) value = -value;
  return true;
}

}  // namespace

void PortableFields::Refill() { Want(1); }

void PortableFields::Want(std::size_t n) {
  std::size_t count = 0;
  p_ = text_.At(pos_, n, count);
  left_ = count;
}

bool PortableFields::Number(double& value, std::string& why) {
  if (left_ < kFieldView) Want(kFieldView);
  while (left_ && *p_ == ' ') Advance(1);
  if (left_ && *p_ != '*') {
    const std::size_t view = std::min(left_, kFieldView);
    const auto* slash = static_cast<const std::uint8_t*>(std::memchr(p_, '/', view));
    if (slash && ParseInView(p_, slash, value)) {
      Advance(static_cast<std::size_t>(slash - p_) + 1);
      return true;
    }
  }
  return CarefulNumber(value, why);
}

bool PortableFields::CarefulNumber(double& value, std::string& why) {
  int c = PeekField();
  if (c == '*') {
    Advance(1);
    if (Get() < 0) return why = "the file ends inside a missing value", false;
    value = -DBL_MAX;
    return true;
  }
  const bool negative = c == '-';
  if (negative) Advance(1);
  Digits n;
  const auto digits = [&](bool fraction) {
    int d;
    while ((d = portable::DigitValue(static_cast<std::uint8_t>(Peek() < 0 ? 0 : Peek()))) >= 0) {
      Advance(1);
      n.Add(d, fraction);
    }
  };
  digits(false);
  if (Peek() == '.') {
    Advance(1);
    digits(true);
  }
  if (!n.any) return why = Describe("a number", Peek()), false;
  std::int64_t exponent = n.exponent;
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
  value = std::min(ScaleBase30(n.mantissa, exponent), DBL_MAX);
  if (negative) value = -value;
  return true;
}

bool PortableFields::Integer(std::int64_t& value, std::int64_t lo, std::int64_t hi, std::string& why) {
  double v;
  if (!Number(v, why)) return false;
  if (v == -DBL_MAX || v != std::floor(v) || v < static_cast<double>(lo) || v > static_cast<double>(hi)) {
    why = "a count or code is " + (v == -DBL_MAX ? std::string("missing") : std::to_string(v)) +
          ", not a whole number from " + std::to_string(lo) + " to " + std::to_string(hi);
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

}  // namespace savkit::io
