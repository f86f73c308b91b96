// Variant: the tagged value that carries case values, missing values, value-label
// values and counted values. Where a text meets a number in a comparison, both
// are compared as numbers, so the text "1" equals the number 1.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace savkit {

enum class VarType { Empty, Null, Byte, ShortInt, Integer, Double, String, Array };

class Variant {
 public:
  Variant() = default;  // empty (unassigned)
  Variant(std::uint8_t v) : value_(v) {}
  Variant(std::int8_t v) : value_(v) {}
  Variant(int v) : value_(static_cast<std::int32_t>(v)) {}
  Variant(double v) : value_(v) {}
  Variant(std::string v) : value_(std::move(v)) {}
  Variant(const char* v) : value_(std::string(v ? v : "")) {}

  static Variant Null();
  // A one-dimensional array indexed low..high; high = low - 1 makes it empty.
  static Variant Array(int low, int high);
  // An array low..low + items - 1 holding the given items.
  static Variant Array(int low, std::vector<Variant> items);

  VarType Type() const { return static_cast<VarType>(value_.index()); }
  bool IsEmpty() const { return Type() == VarType::Empty; }
  bool IsNull() const { return Type() == VarType::Null; }
  bool IsNumeric() const {
    const VarType t = Type();
    return t == VarType::Byte || t == VarType::ShortInt || t == VarType::Integer || t == VarType::Double;
  }
  bool IsString() const { return Type() == VarType::String; }
  bool IsArray() const { return Type() == VarType::Array; }

  // Empty gives 0; a text is read with '.' as decimal separator; anything else
  // raises EVariantTypeCastError.
  double ToDouble() const;
  // Rounds a number half to even, as the framework does; raises like ToDouble.
  std::int32_t ToInteger() const;
  // Empty and null give the empty text; numbers their shortest general form.
  std::string ToString() const;

  int LowBound() const;
  int HighBound() const;
  Variant& operator[](int index);
  const Variant& operator[](int index) const;

  friend bool operator==(const Variant& a, const Variant& b);
  // -1, 0 or 1. Order of kinds: empty, null, then numbers and texts, then arrays.
  static int Compare(const Variant& a, const Variant& b);

 private:
  struct NullTag {
    bool operator==(const NullTag&) const = default;
  };
  struct ArrayData {
    int low = 0;
    std::vector<Variant> items;
  };
  using Storage =
      std::variant<std::monostate, NullTag, std::uint8_t, std::int8_t, std::int32_t, double, std::string, ArrayData>;

  const ArrayData& array() const;
  std::size_t offset(int index) const;

  Storage value_;
};

// The framework's number-to-text form: general format, at most 15 significant
// digits, scientific notation beyond that ("-1.79769313486232E+308").
std::string FloatToStr(double value);
// Text to number with '.' as decimal separator; blanks around it are allowed.
bool TryStrToFloat(std::string_view text, double& value);

}  // namespace savkit
