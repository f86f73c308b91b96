// Edits as the page sends them, carried out through the component.
#include <cfloat>
#include <stdexcept>

#include "savkit/front/display.h"
#include "savkit/front/files.h"
#include "savkit/front/formats.h"
#include "savkit/front/values.h"
#include "savkit/serve/session.h"
#include "savkit/trim.h"

namespace savkit::serve {

namespace {

const Json& Field(const Json& edit, const char* name) {
  const auto it = edit.find(name);
  if (it == edit.end()) throw Refusal(400, std::string("the edit has no \"") + name + "\"");
  return *it;
}

std::string Text(const Json& edit, const char* name) {
  const Json& f = Field(edit, name);
  if (!f.is_string()) throw Refusal(400, std::string("\"") + name + "\" is not a text");
  return f.get<std::string>();
}

int Integer(const Json& edit, const char* name) {
  const Json& f = Field(edit, name);
  if (!f.is_number_integer()) throw Refusal(400, std::string("\"") + name + "\" is not a whole number");
  const long long n = f.get<long long>();
  if (n < INT32_MIN || n > INT32_MAX) throw Refusal(400, std::string("\"") + name + "\" is out of range");
  return static_cast<int>(n);
}

int CaseOf(const TSPSSDatafile& d, const Json& edit) {
  const int c = Integer(edit, "case");
  if (c < 1 || c > d.Cases()->Count())
    throw Refusal(409, "case " + std::to_string(c) + ": the cases are 1 to " + std::to_string(d.Cases()->Count()));
  return c;
}

TSPSSVariable& Variable(TSPSSDatafile& d, const Json& edit) {
  const std::string name = Text(edit, "variable");
  TSPSSVariable* v = d.Variables()->Find(name);
  if (!v) throw Refusal(409, "no variable named " + name);
  return *v;
}

Variant Value(const TSPSSVariable& v, const std::string& text) {
  try {
    return front::ParseValue(v, text, front::Sysmis());
  } catch (const std::invalid_argument& e) {
    throw Refusal(409, e.what());
  }
}

// "1; 2; 3", "LO thru 0", "1 thru 5; 9", as the variable view shows them.
void SetMissing(TSPSSVariable& v, const std::string& text) {
  std::vector<std::string> parts;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find(';', start), text.size());
    const std::string part(trim::White(std::string_view(text).substr(start, end - start)));
    if (!part.empty()) parts.push_back(part);
    start = end + 1;
  }
  Variant values[3];
  int type = static_cast<int>(parts.size());
  const std::size_t thru = parts.empty() ? std::string::npos : parts[0].find(" thru ");
  if (thru != std::string::npos) {
    if (!v.IsNumeric()) throw Refusal(409, v.Name() + ": a string variable takes no range of missing values");
    if (parts.size() > 2) throw Refusal(409, v.Name() + ": a range of missing values takes one value beside it");
    const auto bound = [&](std::string b, double infinite) {
      b = std::string(trim::White(b));
      return b == "LO" || b == "lo" || b == "HI" || b == "hi" ? Variant(infinite) : Value(v, b);
    };
    values[0] = bound(parts[0].substr(0, thru), -DBL_MAX);
    values[1] = bound(parts[0].substr(thru + 6), DBL_MAX);
    if (values[0].ToDouble() > values[1].ToDouble())
      throw Refusal(409, v.Name() + ": the range of missing values " + parts[0] + " ends below its start");
    if (parts.size() == 2) values[2] = Value(v, parts[1]);
    type = parts.size() == 2 ? -3 : -2;
  } else {
    if (parts.size() > 3) throw Refusal(409, v.Name() + ": at most three missing values");
    for (std::size_t i = 0; i < parts.size(); ++i) values[i] = Value(v, parts[i]);
  }
  v.Set_MissingValueType(type);
  v.Set_MissingValue1(values[0]);
  v.Set_MissingValue2(values[1]);
  v.Set_MissingValue3(values[2]);
}

void SetValueLabels(TSPSSVariable& v, const Json& labels) {
  if (!labels.is_array()) throw Refusal(400, "value labels come as [[value, label], ...]");
  std::vector<std::pair<Variant, std::string>> wanted;
  for (const Json& pair : labels) {
    if (!pair.is_array() || pair.size() != 2 || !pair[0].is_string() || !pair[1].is_string())
      throw Refusal(400, "value labels come as [[value, label], ...]");
    wanted.emplace_back(Value(v, pair[0].get<std::string>()), pair[1].get<std::string>());
  }
  v.ValueLabels()->Clear();
  for (const auto& [value, label] : wanted) v.ValueLabels()->Add(value, label);
}

void SetFormat(TSPSSVariable& v, const std::string& name) {
  int type, width, decimals;
  if (!front::ParseFormatName(name, type, width, decimals)) throw Refusal(409, name + ": not a format");
  if (!v.IsNumeric() && width != v.Width())
    throw Refusal(409, v.Name() + ": a string keeps its width (A" + std::to_string(v.Width()) + ")");
  // The component would leave such a width as it was, without a word.
  if (v.IsNumeric() && (width < 1 || width > 40)) throw Refusal(409, name + ": a number's format is 1 to 40 wide");
  v.Set_PrintType(type);
  v.Set_Width(width);
  v.Set_Decimals(decimals);
}

template <class Enum, std::size_t N>
Enum Named(const std::string& text, const char* const (&names)[N], const char* what) {
  for (std::size_t i = 0; i < N; ++i)
    if (text == names[i]) return static_cast<Enum>(i);
  throw Refusal(409, text + ": not a " + what);
}

void SetProperty(TSPSSDatafile& d, TSPSSVariable& v, const std::string& field, const Json& edit) {
  if (field == "valueLabels") return SetValueLabels(v, Field(edit, "value"));
  if (field == "columns") {
    const int n = Integer(edit, "value");
    if (n < 1 || n > 255) throw Refusal(409, "columns: 1 to 255");
    return v.Set_Columns(n);
  }
  const std::string value = Text(edit, "value");
  static constexpr const char* kLevels[] = {"unknown", "nominal", "ordinal", "scale"};
  static constexpr const char* kAligns[] = {"left", "right", "center"};
  if (field == "name") {
    if (front::NameStatus(value) != 0) throw Refusal(409, value + ": not a variable name");
    if (TSPSSVariable* other = d.Variables()->Find(value); other && other != &v)
      throw Refusal(409, value + ": another variable has this name");
    v.Set_Name(value);
  } else if (field == "label") {
    v.Set_LabelText(value);
  } else if (field == "format") {
    SetFormat(v, value);
  } else if (field == "missing") {
    SetMissing(v, value);
  } else if (field == "measure") {
    v.Set_Level(Named<TSPSSLevel>(value, kLevels, "measure (unknown, nominal, ordinal or scale)"));
  } else if (field == "alignment") {
    v.Set_Align(Named<TSPSSAlign>(value, kAligns, "alignment (left, right or center)"));
  } else {
    throw Refusal(400, field + ": no property the variable view edits");
  }
}

}  // namespace

void ApplyEdit(TSPSSDatafile& d, const Json& edit) {
  if (!edit.is_object()) throw Refusal(400, "an edit is a JSON object");
  const std::string op = Text(edit, "op");
  if (op == "set") {
    const int c = CaseOf(d, edit);
    TSPSSVariable& v = Variable(d, edit);
    v.Set_Value(c, Value(v, Text(edit, "value")));
  } else if (op == "add-case") {
    d.Cases()->Add();
  } else if (op == "delete-case") {
    d.Cases()->Delete(CaseOf(d, edit));
  } else if (op == "add-variable") {
    const std::string name = Text(edit, "name"), type = Text(edit, "type");
    if (type != "numeric" && type != "string") throw Refusal(400, "a variable's type is numeric or string");
    const int width = type == "numeric" ? 8 : Integer(edit, "width");
    if (width < 1 || width > 32767) throw Refusal(409, "a string's width is 1 to 32767");
    if (front::NameStatus(name) != 0) throw Refusal(409, name + ": not a variable name");
    if (d.Variables()->Find(name)) throw Refusal(409, name + ": another variable has this name");
    front::AddVariable(d, name, type == "numeric", width);
  } else if (op == "delete-variable") {
    d.Variables()->Delete(Variable(d, edit).Name());
  } else if (op == "variable") {
    SetProperty(d, Variable(d, edit), Text(edit, "field"), edit);
  } else if (op == "file-label") {
    d.FileInfo()->Set_FileLabel(Text(edit, "value"));
  } else {
    throw Refusal(400, op + ": no such edit");
  }
}

}  // namespace savkit::serve
