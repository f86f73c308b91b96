// Reading the dictionary records of a portable file: every count and code
// is checked, and a fault says what was found where.
#include "portable_records.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "io/text_codec.h"
#include "portable_format.h"

namespace savkit::io {

// Notes whether a text that holds bytes outside ASCII is valid UTF-8.
void NoteUtf8(const std::string& text, bool& allUtf8) {
  if (allUtf8 && std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
    allUtf8 = ValidUtf8(text);
}

namespace {

// Reads the records from the version on, up to the data's tag.
class DictionaryParser {
 public:
  DictionaryParser(PortableFields& f, PorDictionary& d) : f_(f), d_(d) {}

  bool Run(std::string& why) {
    if (f_.Get() < 0) return why = "the file ends before its version", false;
    if (!Text(d_.date, 8, why) || !Text(d_.time, 6, why)) return false;
    for (;;) {
      const int tag = f_.Get();
      if (tag == portable::kData) return Finish(why);
      if (!Record(tag, why)) return false;
    }
  }

 private:
  bool Text(std::string& s, std::size_t max, std::string& why) {
    if (!f_.String(s, max, why)) return false;
    NoteUtf8(s, d_.allUtf8);
    return true;
  }
  bool Int(int& v, std::int64_t lo, std::int64_t hi, std::string& why) {
    std::int64_t n;
    if (!f_.Integer(n, lo, hi, why)) return false;
    v = static_cast<int>(n);
    return true;
  }
  PorVariable* Current(int tag, std::string& why) {
    if (d_.variables.empty()) why = std::string("record ") + static_cast<char>(tag) + " comes before any variable";
    return d_.variables.empty() ? nullptr : &d_.variables.back();
  }
  bool Value(const PorVariable& v, double& number, std::string& text, std::string& why) {
    return v.width == 0 ? f_.Number(number, why) : Text(text, portable::kMaxStringWidth, why);
  }

  bool Record(int tag, std::string& why);
  bool Variable(std::string& why);
  bool Missing(int tag, std::string& why);
  bool ValueLabels(std::string& why);
  bool Finish(std::string& why);

  PortableFields& f_;
  PorDictionary& d_;
};

bool DictionaryParser::Record(int tag, std::string& why) {
  constexpr std::size_t kMaxText = 65535;
  switch (tag) {
    case portable::kProduct: return Text(d_.product, kMaxText, why);
    case portable::kAuthor: return Text(d_.author, kMaxText, why);
    case portable::kSubproduct: return Text(d_.subproduct, kMaxText, why);
    case portable::kVariableCount: return f_.Integer(d_.count, 0, INT32_MAX, why);
    case portable::kPrecision: {
      std::int64_t ignored;
      return f_.Integer(ignored, 0, INT32_MAX, why);
    }
    case portable::kWeight: return Text(d_.weight, kMaxText, why);
    case portable::kVariable: return Variable(why);
    case portable::kMissingValue:
    case portable::kMissingLowThru:
    case portable::kMissingThruHigh:
    case portable::kMissingRange: return Missing(tag, why);
    case portable::kVariableLabel: {
      PorVariable* v = Current(tag, why);
      return v && Text(v->label, kMaxText, why);
    }
    case portable::kValueLabels: return ValueLabels(why);
    case portable::kDocuments: {
      std::int64_t n;
      if (!f_.Integer(n, 0, INT32_MAX, why)) return false;
      for (std::int64_t i = 0; i < n; ++i) {
        d_.documents.emplace_back();
        if (!Text(d_.documents.back(), kMaxText, why)) return false;
      }
      return true;
    }
    case -1: return why = "the file ends before its data", false;
    default:
      why = "a record has the tag ";
      why += tag > ' ' && tag < 0x7F ? std::string("'") + static_cast<char>(tag) + "'" : "byte " + std::to_string(tag);
      why += ", which no portable file record has";
      return false;
  }
}

bool DictionaryParser::Variable(std::string& why) {
  if (d_.count >= 0 && static_cast<std::int64_t>(d_.variables.size()) >= d_.count)
    return why = "there are more variable records than the " + std::to_string(d_.count) + " the file says", false;
  PorVariable v;
  if (!Int(v.width, 0, portable::kMaxStringWidth, why) || !Text(v.name, 64, why)) return false;
  for (int* format : {v.print, v.write})
    for (int i = 0; i < 3; ++i)
      if (!Int(format[i], 0, 255, why)) return false;
  d_.variables.push_back(std::move(v));
  return true;
}

bool DictionaryParser::Missing(int tag, std::string& why) {
  PorVariable* v = Current(tag, why);
  if (!v) return false;
  MissingValues& m = v->missing;
  const bool range = tag != portable::kMissingValue;
  if (range && (v->width > 0 || m.type != 0))
    return why = "variable " + v->name + " has a missing-value range it cannot have", false;
  if (!range && (m.type >= 3 || m.type == -3))
    return why = "variable " + v->name + " has more missing values than a variable may", false;
  double lo = 0, hi = 0;
  std::string text;
  if (tag == portable::kMissingRange) {
    std::string ignored;
    if (!Value(*v, lo, ignored, why) || !Value(*v, hi, ignored, why)) return false;
  } else if (tag == portable::kMissingLowThru) {
    lo = std::nextafter(-DBL_MAX, 0.0);
    if (!Value(*v, hi, text, why)) return false;
  } else if (tag == portable::kMissingThruHigh) {
    hi = DBL_MAX;
    if (!Value(*v, lo, text, why)) return false;
  } else {
    double number = 0;
    if (!Value(*v, number, text, why)) return false;
    const int at = m.type < 0 ? 2 : m.type;
    m.number[at] = number;
    m.text[at] = text;
    m.type = m.type < 0 ? -3 : m.type + 1;
    return true;
  }
  m.type = -2;
  m.number[0] = lo;
  m.number[1] = hi;
  return true;
}

bool DictionaryParser::ValueLabels(std::string& why) {
  std::int64_t n;
  if (!f_.Integer(n, 1, static_cast<std::int64_t>(d_.variables.size()), why)) return false;
  std::vector<PorVariable*> vars;
  for (std::int64_t i = 0; i < n; ++i) {
    std::string name;
    if (!Text(name, 64, why)) return false;
    const auto it =
        std::find_if(d_.variables.begin(), d_.variables.end(), [&](const PorVariable& v) { return v.name == name; });
    if (it == d_.variables.end()) return why = "value labels name " + name + ", which is no variable", false;
    if (!vars.empty() && (it->width == 0) != (vars[0]->width == 0))
      return why = "value labels are given to numbers and strings at once (" + name + ")", false;
    vars.push_back(&*it);
  }
  std::int64_t labels;
  if (!f_.Integer(labels, 0, INT32_MAX, why)) return false;
  for (std::int64_t i = 0; i < labels; ++i) {
    double number = 0;
    std::string value, label;
    if (!Value(*vars[0], number, value, why) || !Text(label, 65535, why)) return false;
    for (PorVariable* v : vars) {
      if (v->width == 0)
        v->numberLabels.emplace_back(number, label);
      else
        v->textLabels.emplace_back(value, label);
    }
  }
  return true;
}

bool DictionaryParser::Finish(std::string& why) {
  if (d_.count >= 0 && static_cast<std::int64_t>(d_.variables.size()) != d_.count)
    return why = "the file says it has " + std::to_string(d_.count) + " variables, but " +
                 std::to_string(d_.variables.size()) + " are defined",
           false;
  if (d_.variables.empty()) return why = "the file defines no variable", false;
  return true;
}

}  // namespace

bool ReadPortableRecords(PortableFields& f, PorDictionary& d, std::string& why) {
  return DictionaryParser(f, d).Run(why);
}

}  // namespace savkit::io
