// The facts of an open file as plain Python values: dicts, lists, strings
// and numbers, which the package's Metadata wraps.
#include "bindings.h"
#include "savkit/front/facts.h"
#include "savkit/front/formats.h"
#include "savkit/front/values.h"

namespace savkit::python {

namespace {

py::object Value(const Variant& v) {
  if (v.IsString()) return Text(v.ToString());
  return py::float_(v.ToDouble());
}

py::list Names(const std::vector<std::string>& names) {
  py::list out;
  for (const std::string& n : names) out.append(Text(n));
  return out;
}

py::dict AttributeDict(const front::Attributes& attributes) {
  py::dict out;
  for (const auto& [name, text] : attributes) out[Text(name)] = Text(text);
  return out;
}

py::dict Column(const front::VariableFacts& v) {
  py::dict c;
  c["name"] = Text(v.name);
  c["label"] = Text(v.label);
  c["type"] = v.numeric ? "numeric" : "string";
  c["width"] = v.width;
  c["format"] = front::FormatName(v.print.type, v.print.width, v.print.decimals);
  c["measure"] = front::LevelName(v.measure);
  c["alignment"] = front::AlignName(v.alignment);
  c["display_width"] = v.displayWidth;
  py::dict labels;
  for (const auto& [value, label] : v.valueLabels) labels[Value(value)] = Text(label);
  c["value_labels"] = labels;
  py::list missing;
  py::object range = py::none();
  if (v.missingType == SPSS_MISS_RANGE || v.missingType == SPSS_MISS_RANGEANDVAL) {
    range = py::make_tuple(Value(v.missing[0]), Value(v.missing[1]));
    if (v.missingType == SPSS_MISS_RANGEANDVAL) missing.append(Value(v.missing[2]));
  } else {
    for (const Variant& m : v.missing) missing.append(Value(m));
  }
  c["missing_values"] = missing;
  c["missing_range"] = range;
  c["attributes"] = AttributeDict(v.attributes);
  c["role"] = v.role && *v.role >= 0 && *v.role <= 5 ? py::object(py::str(front::kRoleNames[*v.role])) : py::none();
  return c;
}

}  // namespace

py::dict ColumnOf(const TSPSSDatafile& d, const TSPSSVariable& v) { return Column(front::ReadVariableFacts(d, v)); }

py::dict Metadata(const TSPSSDatafile& d) {
  const front::FileFacts f = front::ReadFacts(d);
  py::dict m;
  m["file_label"] = Text(f.label);
  m["encoding"] = f.encoding;
  m["compression"] = front::CompressionName(f.compression);
  m["creation_time"] = f.created;  // days since 1899-12-30; the package makes it a datetime
  m["product"] = Text(f.product);
  m["row_count"] = f.cases;
  m["file_attributes"] = AttributeDict(f.attributes);
  m["documents"] = Names(f.documents);
  m["weight"] = f.weight.empty() ? py::object(py::none()) : py::object(Text(f.weight));
  py::list columns;
  for (const front::VariableFacts& v : f.variables) columns.append(Column(v));
  m["columns"] = columns;
  py::dict sets;
  for (const front::VariableSetFacts& s : f.variableSets) sets[Text(s.name)] = Names(s.members);
  m["variable_sets"] = sets;
  py::list mr;
  for (const front::MrSetFacts& s : f.mrSets) {
    py::dict set;
    set["name"] = Text(s.name);
    set["label"] = Text(s.label);
    set["kind"] = s.dichotomy ? "dichotomy" : "category";
    set["counted_value"] = s.dichotomy ? Value(s.countedValue) : py::object(py::none());
    set["variables"] = Names(s.members);
    mr.append(set);
  }
  m["mr_sets"] = mr;
  return m;
}

}  // namespace savkit::python
