#include "savkit/host/variant.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "savkit/host/exceptions.h"
#include "savkit/host/format.h"

namespace savkit {

namespace {

const char* TypeName(VarType t) {
  switch (t) {
    case VarType::Empty: return "Empty";
    case VarType::Null: return "Null";
    case VarType::Byte: return "Byte";
    case VarType::ShortInt: return "ShortInt";
    case VarType::Integer: return "Integer";
    case VarType::Double: return "Double";
    case VarType::String: return "String";
    case VarType::Array: return "Array";
  }
  return "Unknown";
}

[[noreturn]] void CastError(VarType from, const char* to) {
  throw EVariantTypeCastError(Format("Could not convert variant of type (%s) into type (%s)", TypeName(from), to));
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

template <class T>
int Sign(T a, T b) {
  return (a > b) - (a < b);
}

}  // namespace

bool TryStrToFloat(std::string_view text, double& value) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // Only plain decimal numbers: no "inf", "nan" or hexadecimal forms.
  if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text.front())) || text.front() == '.')) return false;
  double parsed = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed, std::chars_format::general);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  value = negative ? -parsed : parsed;
  return true;
}

std::string FloatToStr(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";

  // 15 significant digits, then drop the trailing zeros.
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14e", value);
  const char* p = buf;
  std::string out;
  if (*p == '-') {
    out += '-';
    ++p;
  }
  std::string digits;
  for (; *p != 'e'; ++p)
    if (*p != '.') digits += *p;
  const int exponent = std::atoi(p + 1);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  const int precision = 15;
  if (exponent >= precision || exponent < -5) {
    out += digits[0];
    if (digits.size() > 1) {
      out += '.';
      out.append(digits, 1);
    }
    out += exponent < 0 ? "E-" : "E+";
    out += std::to_string(std::abs(exponent));
  } else if (exponent < 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out += digits;
  } else {
    const auto intDigits = static_cast<std::size_t>(exponent + 1);
    if (digits.size() <= intDigits) {
      out += digits;
      out.append(intDigits - digits.size(), '0');
    } else {
      out.append(digits, 0, intDigits);
      out += '.';
      out.append(digits, intDigits);
    }
  }
  return out;
}

Variant Variant::Null() {
  Variant v;
  v.value_ = NullTag{};
  return v;
}

Variant Variant::Array(int low, std::vector<Variant> items) {
  Variant v;
  ArrayData data;
  data.low = low;
  data.items = std::move(items);
  v.value_ = std::move(data);
  return v;
}

Variant Variant::Array(int low, int high) {
  if (high < low - 1) throw EVariantError("Variant array bounds are invalid");
  Variant v;
  ArrayData data;
  data.low = low;
  data.items.resize(static_cast<std::size_t>(static_cast<std::int64_t>(high) - low + 1));
  v.value_ = std::move(data);
  return v;
}

double Variant::ToDouble() const {
  switch (Type()) {
    case VarType::Empty: return 0;
    case VarType::Byte: return std::get<std::uint8_t>(value_);
    case VarType::ShortInt: return std::get<std::int8_t>(value_);
    case VarType::Integer: return std::get<std::int32_t>(value_);
    case VarType::Double: return std::get<double>(value_);
    case VarType::String: {
      double d;
      if (TryStrToFloat(std::get<std::string>(value_), d)) return d;
      CastError(VarType::String, "Double");
    }
    default: CastError(Type(), "Double");
  }
}

std::int32_t Variant::ToInteger() const {
  if (Type() == VarType::Integer) return std::get<std::int32_t>(value_);
  const double d = std::nearbyint(ToDouble());  // the default rounding is half to even
  if (!(d >= INT32_MIN && d <= INT32_MAX)) CastError(Type(), "Integer");
  return static_cast<std::int32_t>(d);
}

std::string Variant::ToString() const {
  switch (Type()) {
    case VarType::Empty:
    case VarType::Null: return {};
    case VarType::Byte: return std::to_string(std::get<std::uint8_t>(value_));
    case VarType::ShortInt: return std::to_string(std::get<std::int8_t>(value_));
    case VarType::Integer: return std::to_string(std::get<std::int32_t>(value_));
    case VarType::Double: return FloatToStr(std::get<double>(value_));
    case VarType::String: return std::get<std::string>(value_);
    case VarType::Array: break;
  }
  CastError(Type(), "String");
}

const Variant::ArrayData& Variant::array() const {
  if (Type() != VarType::Array) throw EVariantError("Variant is not an array");
  return std::get<ArrayData>(value_);
}

std::size_t Variant::offset(int index) const {
  const ArrayData& a = array();
  const std::int64_t i = static_cast<std::int64_t>(index) - a.low;
  if (i < 0 || i >= static_cast<std::int64_t>(a.items.size()))
    throw EVariantBadIndexError("Variant or safe array index out of bounds");
  return static_cast<std::size_t>(i);
}

int Variant::LowBound() const { return array().low; }

int Variant::HighBound() const {
  const ArrayData& a = array();
  return static_cast<int>(a.low + static_cast<std::int64_t>(a.items.size()) - 1);
}

Variant& Variant::operator[](int index) {
  const std::size_t i = offset(index);
  return std::get<ArrayData>(value_).items[i];
}

const Variant& Variant::operator[](int index) const { return array().items[offset(index)]; }

namespace {

int KindRank(VarType t) {
  switch (t) {
    case VarType::Empty: return 0;
    case VarType::Null: return 1;
    case VarType::Array: return 3;
    default: return 2;
  }
}

}  // namespace

int Variant::Compare(const Variant& a, const Variant& b) {
  const VarType ta = a.Type(), tb = b.Type();
  const int ra = KindRank(ta), rb = KindRank(tb);
  if (ra != rb) return Sign(ra, rb);
  if (ra < 2) return 0;
  if (ra == 3) {
    const ArrayData &x = a.array(), &y = b.array();
    if (x.low != y.low) return Sign(x.low, y.low);
    const std::size_t n = std::min(x.items.size(), y.items.size());
    for (std::size_t i = 0; i < n; ++i)
      if (const int c = Compare(x.items[i], y.items[i])) return c;
    return Sign(x.items.size(), y.items.size());
  }
  if (ta == VarType::String && tb == VarType::String)
    return Sign(std::get<std::string>(a.value_).compare(std::get<std::string>(b.value_)), 0);
  // At least one side is a number: compare as numbers. A text that is not a
  // number cannot equal one; it is then ordered by its text.
  double x, y;
  const bool okA = ta != VarType::String || TryStrToFloat(std::get<std::string>(a.value_), x);
  const bool okB = tb != VarType::String || TryStrToFloat(std::get<std::string>(b.value_), y);
  if (!okA || !okB) return Sign(a.ToString().compare(b.ToString()), 0);
  if (ta != VarType::String) x = a.ToDouble();
  if (tb != VarType::String) y = b.ToDouble();
  if (std::isnan(x) || std::isnan(y)) return Sign(std::isnan(x), std::isnan(y));
  return Sign(x, y);
}

bool operator==(const Variant& a, const Variant& b) { return Variant::Compare(a, b) == 0; }

}  // namespace savkit
