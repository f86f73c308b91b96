// Writing a new file from columns the package has prepared: float64 arrays
// for numbers (times already in the file's seconds), sequences of str for
// texts. The file appears under its name complete, or not at all.
#include <pybind11/numpy.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>

#include "bindings.h"
#include "cli/common.h"
#include "savkit/datafile_exception.h"
#include "savkit/host/sysutils.h"
#include "savkit/resourcestrings.h"

namespace savkit::python {

namespace {

void Define(TSPSSDatafile& d, const py::list& columns) {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const py::dict c = columns[i];
    const std::string name = py::cast<std::string>(c["name"]);
    if (spssValidateVarname(name.c_str()) != SPSS_NAME_OK) Refuse(name + ": not a variable name a file can hold");
    if (d.Variables()->Find(name)) Refuse(name + ": a second column of that name (letter case aside)");
    const bool numeric = py::cast<std::string>(c["type"]) == "numeric";
    const int width = numeric ? 8 : py::cast<int>(c["width"]);
    TSPSSVariable& v = *cli::AddVariable(d, name, numeric, width);
    SetFormat(v, py::cast<std::string>(c["format"]));
    v.Set_LabelText(py::cast<std::string>(c["label"]));
    v.Set_Level(LevelOf(py::cast<std::string>(c["measure"])));
    v.Set_Align(AlignOf(py::cast<std::string>(c["alignment"])));
    v.Set_Columns(py::cast<int>(c["display_width"]));
    SetValueLabels(v, c["value_labels"]);
    SetMissing(v, c);
  }
}

TSPSSVariable& Named(TSPSSDatafile& d, const std::string& name, const std::string& what) {
  TSPSSVariable* v = d.Variables()->Find(name);
  if (!v) Refuse(what + ": the data has no column " + name);
  return *v;
}

void DefineFile(TSPSSDatafile& d, const py::dict& file) {
  d.FileInfo()->Set_FileLabel(py::cast<std::string>(file["file_label"]));
  if (!file["weight"].is_none()) {
    TSPSSVariable& w = Named(d, py::cast<std::string>(file["weight"]), "weight");
    if (!w.IsNumeric()) Refuse("weight: " + w.Name() + " holds texts");
    d.Variables()->Set_CaseWeightVar(&w);
  }
  for (const auto& [name, members] : py::dict(file["variable_sets"])) {
    TSPSSVariableSet* s = d.VariableSets()->Add(py::cast<std::string>(name));
    for (const py::handle m : members) s->VarList()->Add(Named(d, py::cast<std::string>(m), "variable set").Name());
  }
  for (const py::handle item : py::list(file["mr_sets"])) {
    const py::dict m = py::reinterpret_borrow<py::dict>(item);
    const bool dichotomy = py::cast<std::string>(m["kind"]) == "dichotomy";
    TSPSSMRMDSet* s = d.MRMDSets()->Add(py::cast<std::string>(m["name"]), dichotomy);
    s->Set_Labeltext(py::cast<std::string>(m["label"]));
    const py::list members = m["variables"];
    for (const py::handle v : members) s->VarList()->Add(Named(d, py::cast<std::string>(v), "multiple-response set").Name());
    if (dichotomy && !m["counted_value"].is_none() && !members.empty())
      s->Set_CountedValue(ValueFor(Named(d, py::cast<std::string>(members[0]), "set"), m["counted_value"]));
  }
}

// Where a column's values come from and go to.
struct Source {
  const TSPSSVariable* variable;
  std::size_t offset, size;  // in the record
  py::array_t<double, py::array::c_style | py::array::forcecast> numbers;
  py::object keep;  // what texts points into
  PyObject* const* texts = nullptr;
};

// The items of a list, or of a contiguous NumPy array of objects.
PyObject* const* Items(const py::handle& column, py::object& keep) {
  if (PyList_Check(column.ptr())) {
    keep = py::reinterpret_borrow<py::object>(column);
    return PySequence_Fast_ITEMS(column.ptr());
  }
  const py::array a = py::reinterpret_borrow<py::object>(column);
  if (a.dtype().kind() != 'O' || !(a.flags() & py::array::c_style)) Refuse("texts come as a list or an array of objects");
  keep = a;
  return static_cast<PyObject* const*>(a.data());
}

void PutText(const Source& s, std::size_t r, char* slot) {
  PyObject* item = s.texts[r];
  Py_ssize_t length = 0;
  const char* bytes = "";
  if (PyUnicode_Check(item)) {
    bytes = PyUnicode_AsUTF8AndSize(item, &length);
    if (!bytes) throw py::error_already_set();
  }
  const TSPSSVariable& v = *s.variable;
  if (std::memchr(bytes, '\0', static_cast<std::size_t>(length)))
    Refuse(v.Name() + ": a text holds a NUL character, which a file cannot hold");
  if (length > v.Width())
    Refuse(v.Name() + ": a text of " + std::to_string(length) + " bytes in a column " + std::to_string(v.Width()) +
           " wide");
  assert(static_cast<std::size_t>(v.Width()) <= s.size);
  std::memcpy(slot, bytes, static_cast<std::size_t>(length));
  std::memset(slot + length, ' ', s.size - static_cast<std::size_t>(length));
}

// Every case, a whole record at a time, as the library lays records out.
void WriteCases(TSPSSDatafile& d, const py::list& data, std::size_t rows) {
  const int handle = d.WriteHandle();
  long caseSize = 0;
  CheckSuccess(spssGetCaseSize(handle, &caseSize));
  std::vector<char> record(static_cast<std::size_t>(caseSize));
  std::vector<Source> sources;
  std::size_t offset = 0;
  for (int i = 0; i < d.Variables()->Count(); ++i) {
    const TSPSSVariable* v = d.Variables()->GetItem(i);
    const py::object column = data[static_cast<std::size_t>(i)];
    // The library's whole-case record: values one after another, a text
    // taking its width rounded up to 8 bytes.
    const std::size_t size = v->IsNumeric() ? 8 : (static_cast<std::size_t>(v->Width()) + 7) / 8 * 8;
    Source s{v, offset, size, {}, py::list()};
    offset += size;
    if (v->IsNumeric()) s.numbers = column;
    else s.texts = Items(column, s.keep);
    if (py::len(column) != rows) Refuse(v->Name() + ": a column of another length");
    sources.push_back(std::move(s));
  }
  assert(offset == record.size());
  const double sysmis = spssSysmisVal();
  for (std::size_t r = 0; r < rows; ++r) {
    for (const Source& s : sources) {
      char* slot = record.data() + s.offset;
      if (!s.variable->IsNumeric()) {
        PutText(s, r, slot);
        continue;
      }
      double x = s.numbers.data()[r];
      if (std::isnan(x)) x = sysmis;
      std::memcpy(slot, &x, sizeof x);
    }
    CheckSuccess(spssWholeCaseOut(handle, record.data()));
  }
}

// Attributes and roles go to the library once the dictionary is written.
void SetAttributes(int handle, const char* variable, const py::dict& attributes) {
  std::vector<std::string> names, texts;
  for (const auto& [name, text] : attributes) {
    names.push_back(py::cast<std::string>(py::str(name)));
    texts.push_back(py::cast<std::string>(py::str(text)));
  }
  if (names.empty()) return;
  std::vector<char*> n, t;
  for (std::size_t i = 0; i < names.size(); ++i) n.push_back(names[i].data()), t.push_back(texts[i].data());
  const int count = static_cast<int>(n.size());
  CheckSuccess(variable ? spssSetVarAttributes(handle, variable, n.data(), t.data(), count)
                        : spssSetFileAttributes(handle, n.data(), t.data(), count));
}

void WriteAttributes(TSPSSDatafile& d, const py::list& columns, const py::dict& file) {
  const int h = d.WriteHandle();
  SetAttributes(h, nullptr, file["file_attributes"]);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const py::dict c = columns[i];
    const std::string name = d.Variables()->GetItem(static_cast<int>(i))->Name();
    SetAttributes(h, name.c_str(), c["attributes"]);
    if (c["role"].is_none()) continue;
    const std::string role = py::cast<std::string>(c["role"]);
    const auto* found = std::find(std::begin(cli::kRoleNames), std::end(cli::kRoleNames), role);
    if (found == std::end(cli::kRoleNames)) Refuse(name + ": role " + role + ": use input, target, both, none, partition or split");
    CheckSuccess(spssSetVarRole(h, name.c_str(), static_cast<int>(found - std::begin(cli::kRoleNames))));
  }
}

void Write(const std::string& path, const py::list& columns, const py::list& data, const py::dict& file,
           std::size_t rows, int compression) {
  if (columns.size() != data.size()) Refuse("a column without its data");
  TSPSSDatafile d;
  d.Set_WriteDirect(true);
  d.Set_Filename(ExpandFileName(path));
  d.OpenNew();
  try {
    Define(d, columns);
    DefineFile(d, file);
    d.Set_Compression(compression);
    d.WriteDictionary();
    WriteAttributes(d, columns, file);
    CheckSuccess(spssCommitHeader(d.WriteHandle()));
    d.Set_HeaderCommitted(true);
    WriteCases(d, data, rows);
  } catch (...) {
    d.Abandon();  // whatever was under the name stays as it was
    throw;
  }
  d.Close();
}

// The widest text in UTF-8 bytes, where every item is a str, None or NaN;
// else -1, and the package looks at the items one by one.
long TextsWidth(const py::object& column) {
  py::object keep;
  PyObject* const* items = Items(column, keep);
  const auto n = static_cast<std::size_t>(py::len(column));
  Py_ssize_t width = 0;
  for (std::size_t i = 0; i < n; ++i) {
    PyObject* o = items[i];
    if (o && PyUnicode_Check(o)) {
      Py_ssize_t length;
      if (!PyUnicode_AsUTF8AndSize(o, &length)) throw py::error_already_set();
      width = std::max(width, length);
    } else if (o != Py_None && !(o && PyFloat_Check(o) && std::isnan(PyFloat_AS_DOUBLE(o)))) {
      return -1;
    }
  }
  return static_cast<long>(width);
}

}  // namespace

void BindWriter(py::module_& m) {
  m.def("texts_width", &TextsWidth, py::arg("values"));
  m.def(
      "write",
      [](const std::string& path, const py::list& columns, const py::list& data, const py::dict& file, std::size_t rows,
         int compression) {
        try {
          Write(path, columns, data, file, rows, compression);
        } catch (const ESPSSDataFileException& e) {
          RethrowNaming(path, e);
        }
      },
      py::arg("path"), py::arg("columns"), py::arg("data"), py::arg("file"), py::arg("rows"), py::arg("compression"));
}

}  // namespace savkit::python
