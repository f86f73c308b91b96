// Setting a variable's properties from Python values, for new files and
// for files edited in place alike.
#include "bindings.h"
#include "savkit/front/facts.h"
#include "savkit/front/files.h"
#include "savkit/front/formats.h"
#include "savkit/front/values.h"
#include "savkit/datafile_exception.h"

namespace savkit::python {

[[noreturn]] void Refuse(const std::string& message) { throw ESPSSDataFileException(message); }

Variant ValueFor(const TSPSSVariable& v, const py::handle& value) {
  if (!v.IsNumeric()) return Variant(py::cast<std::string>(py::str(value)));
  // A number column's values are numbers, or texts of numbers (a counted
  // value as a file holds it); any other is named, not left to fail in a
  // conversion that does not say where.
  try {
    return Variant(py::cast<double>(py::float_(py::reinterpret_borrow<py::object>(value))));
  } catch (const py::error_already_set&) {
    throw py::value_error(v.Name() + ": " + py::cast<std::string>(py::repr(value)) + " is no number, and " + v.Name() +
                          " holds numbers");
  }
}

TSPSSLevel LevelOf(const std::string& name) {
  for (const TSPSSLevel level : {tslUnknown, tslNominal, tslOrdinal, tslScale})
    if (name == front::LevelName(level)) return level;
  Refuse("measure " + name + ": use nominal, ordinal, scale or unknown");
}

TSPSSAlign AlignOf(const std::string& name) {
  for (const TSPSSAlign align : {tsaLeft, tsaRight, tsaCenter})
    if (name == front::AlignName(align)) return align;
  Refuse("alignment " + name + ": use left, right or center");
}

void SetFormat(TSPSSVariable& v, const std::string& format) {
  int type, width, decimals;
  if (!front::ParseFormatName(format, type, width, decimals)) Refuse(v.Name() + ": " + format + " is no format");
  const bool text = type == SPSS_FMT_A || type == SPSS_FMT_AHEX;
  if (text != !v.IsNumeric()) Refuse(v.Name() + ": " + format + " is no format for " + (text ? "numbers" : "texts"));
  if (text) {  // a text shows at its own width, AHEX at two digits a byte
    v.Set_PrintType(type), v.Set_WriteType(type);
    return;
  }
  v.Set_PrintType(type), v.Set_WriteType(type), v.Set_Width(width), v.Set_Decimals(decimals);
}

void SetMissing(TSPSSVariable& v, const py::dict& c) {
  const py::list values = c["missing_values"];
  const py::object range = c["missing_range"];
  void (TSPSSVariable::*set[3])(const Variant&) = {&TSPSSVariable::Set_MissingValue1, &TSPSSVariable::Set_MissingValue2,
                                                   &TSPSSVariable::Set_MissingValue3};
  if (!range.is_none()) {
    const py::tuple lohi = range;
    if (!v.IsNumeric() || lohi.size() != 2 || values.size() > 1)
      Refuse(v.Name() + ": a missing range is two numbers, with at most one more missing value");
    v.Set_MissingValueType(values.empty() ? SPSS_MISS_RANGE : SPSS_MISS_RANGEANDVAL);
    v.Set_MissingValue1(ValueFor(v, lohi[0]));
    v.Set_MissingValue2(ValueFor(v, lohi[1]));
    if (!values.empty()) v.Set_MissingValue3(ValueFor(v, values[0]));
    return;
  }
  if (values.size() > 3) Refuse(v.Name() + ": at most three missing values");
  v.Set_MissingValueType(static_cast<int>(values.size()));
  for (std::size_t i = 0; i < values.size(); ++i) (v.*set[i])(ValueFor(v, values[i]));
}

void SetValueLabels(TSPSSVariable& v, const py::dict& labels) {
  auto fresh = std::make_unique<TSPSSValuelabels>(v.ValueLabels()->Datafile());
  for (const auto& [value, label] : labels) fresh->Add(ValueFor(v, value), py::cast<std::string>(py::str(label)));
  v.Set_ValueLabels(std::move(fresh));
}

}  // namespace savkit::python
