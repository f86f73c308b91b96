// The dictionary of an open file as plain Python values: dicts, lists,
// strings and numbers, which the package's Metadata wraps.
#include <array>
#include <cmath>

#include "bindings.h"
#include "cli/common.h"

namespace savkit::python {

namespace {

py::object Value(const Variant& v) {
  if (v.IsString()) return Text(cli::TrimRight(v.ToString()));
  return py::float_(v.ToDouble());
}

py::list Members(TSPSSVarList* list) {
  py::list names;
  for (int i = 0; i < list->Count(); ++i) names.append(Text(list->Get_Var(i)->Name()));
  return names;
}

// Attributes as the library lists them; the role, kept in "$@Role", apart.
py::dict Attributes(int handle, const char* variable, py::object* role) {
  char** names = nullptr;
  char** texts = nullptr;
  int count = 0;
  py::dict out;
  const int status = variable ? spssGetVarAttributes(handle, variable, &names, &texts, &count)
                              : spssGetFileAttributes(handle, &names, &texts, &count);
  if (status != SPSS_OK) return out;
  for (int i = 0; i < count; ++i) {
    if (role && std::string_view(names[i]) == "$@Role") {
      int code = 0;
      if (spssGetVarRole(handle, variable, &code) == SPSS_OK && code >= 0 && code <= 5) *role = py::str(cli::kRoleNames[code]);
      continue;
    }
    out[Text(names[i])] = Text(texts[i]);
  }
  spssFreeAttributes(names, texts, count);
  return out;
}

}  // namespace

py::dict ColumnOf(const TSPSSVariable& v, int handle) {
  py::dict c;
  c["name"] = Text(v.Name());
  c["label"] = Text(v.LabelText());
  c["type"] = v.IsNumeric() ? "numeric" : "string";
  c["width"] = v.IsNumeric() ? 0 : v.Width();
  c["format"] = cli::PrintFormatName(v);
  c["measure"] = cli::LevelName(v.Level());
  c["alignment"] = cli::AlignName(v.Align());
  c["display_width"] = v.Columns();
  py::dict labels;
  TSPSSValuelabels* vl = v.ValueLabels();
  for (int i = 0; vl && i < vl->Count(); ++i) labels[Value(vl->GetItem(i)->Value())] = Text(vl->GetItem(i)->Label());
  c["value_labels"] = labels;
  const std::array<const Variant*, 3> mv = {&v.MissingValue1(), &v.MissingValue2(), &v.MissingValue3()};
  py::list missing;
  py::object range = py::none();
  const int type = v.MissingValueType();
  if (type == SPSS_MISS_RANGE || type == SPSS_MISS_RANGEANDVAL) {
    range = py::make_tuple(Value(*mv[0]), Value(*mv[1]));
    if (type == SPSS_MISS_RANGEANDVAL) missing.append(Value(*mv[2]));
  } else {
    for (int i = 0; i < std::min(type, 3); ++i) missing.append(Value(*mv[static_cast<std::size_t>(i)]));
  }
  c["missing_values"] = missing;
  c["missing_range"] = range;
  py::object role = py::none();
  c["attributes"] = handle >= 0 ? Attributes(handle, v.Name().c_str(), &role) : py::dict();
  c["role"] = role;
  return c;
}

const char* TimeKind(int type) {
  switch (type) {
    case SPSS_FMT_DATE: case SPSS_FMT_ADATE: case SPSS_FMT_EDATE: case SPSS_FMT_JDATE: case SPSS_FMT_SDATE:
    case SPSS_FMT_QYR: case SPSS_FMT_MOYR: case SPSS_FMT_WKYR:
      return "date";
    case SPSS_FMT_DATE_TIME:
      return "datetime";
    case SPSS_FMT_TIME: case SPSS_FMT_DTIME:
      return "duration";
    default:
      return "";
  }
}

py::dict Metadata(TSPSSDatafile& d) {
  py::dict m;
  const TSPSSFileInfo* info = d.FileInfo();
  m["file_label"] = Text(info->FileLabel());
  char encoding[SPSS_MAX_ENCODING + 1] = "";
  int compression = 0;
  if (d.ReadHandle() >= 0) {
    spssGetFileEncoding(d.ReadHandle(), encoding);
    spssGetCompression(d.ReadHandle(), &compression);
  }
  m["encoding"] = std::string(encoding);
  m["compression"] = compression == 2 ? "zlib" : compression == 1 ? "bytecode" : "none";
  m["creation_time"] = info->TimeStamp();  // days since 1899-12-30; the package makes it a datetime
  m["product"] = Text(info->SystemString());
  m["row_count"] = d.Cases()->Count();
  const TSPSSVariable* weight = d.Variables()->CaseWeightVar();
  m["file_attributes"] = d.ReadHandle() >= 0 ? Attributes(d.ReadHandle(), nullptr, nullptr) : py::dict();
  py::list documents;
  char** lines = nullptr;
  int count = 0;
  if (d.ReadHandle() >= 0 && spssGetDocuments(d.ReadHandle(), &lines, &count) == SPSS_OK) {
    for (int i = 0; i < count; ++i) documents.append(Text(lines[i]));
    spssFreeDocuments(lines, count);
  }
  m["documents"] = documents;
  m["weight"] = weight ? py::object(Text(weight->Name())) : py::object(py::none());
  py::list columns;
  for (int i = 0; i < d.Variables()->Count(); ++i) columns.append(ColumnOf(*d.Variables()->GetItem(i), d.ReadHandle()));
  m["columns"] = columns;
  py::dict sets;
  for (int i = 0; i < d.VariableSets()->Count(); ++i) {
    TSPSSVariableSet* s = d.VariableSets()->GetItem(i);
    sets[Text(s->Name())] = Members(s->VarList());
  }
  m["variable_sets"] = sets;
  py::list mr;
  for (int i = 0; i < d.MRMDSets()->Count(); ++i) {
    TSPSSMRMDSet* s = d.MRMDSets()->GetItem(i);
    py::dict set;
    set["name"] = Text(s->Name());
    set["label"] = Text(s->Labeltext());
    set["kind"] = s->IsDichotomy() ? "dichotomy" : "category";
    set["counted_value"] = s->IsDichotomy() ? Value(s->CountedValue()) : py::object(py::none());
    set["variables"] = Members(s->VarList());
    mr.append(set);
  }
  m["mr_sets"] = mr;
  return m;
}

}  // namespace savkit::python
