// Writing a new file from columns the package has prepared: float64 arrays
// for numbers (times already in the file's seconds), sequences of str for
// texts. The file appears under its name complete, or not at all.
#include <pybind11/numpy.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <memory>

#include "bindings.h"
#include "savkit/front/records.h"
#include "savkit/front/files.h"
#include "savkit/front/formats.h"
#include "savkit/front/values.h"
#include "savkit/datafile_exception.h"
#include "savkit/host/sysutils.h"
#include "savkit/resourcestrings.h"

namespace savkit::python {

namespace {

void Define(TSPSSDatafile& d, const py::list& columns) {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const py::dict c = columns[i];
    const std::string name = py::cast<std::string>(c["name"]);
    if (front::NameStatus(name) != SPSS_NAME_OK) Refuse(name + ": not a variable name a file can hold");
    if (d.Variables()->Find(name)) Refuse(name + ": a second column of that name (letter case aside)");
    const bool numeric = py::cast<std::string>(c["type"]) == "numeric";
    const int width = numeric ? 8 : py::cast<int>(c["width"]);
    TSPSSVariable& v = *front::AddVariable(d, name, numeric, width);
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
    for (const py::handle v : members)
      s->VarList()->Add(Named(d, py::cast<std::string>(v), "multiple-response set").Name());
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
  if (a.dtype().kind() != 'O' || !(a.flags() & py::array::c_style))
    Refuse("texts come as a list or an array of objects");
  keep = a;
  return static_cast<PyObject* const*>(a.data());
}

void PutText(const Source& s, std::size_t r, char* slot) {
  PyObject* item = s.texts[r];
  Py_ssize_t length = 0;
  const char* bytes = "";
  if (PyUnicode_Check(item)) {
    bytes = PyUnicode_AsUTF8AndSize(item, &length);
    if (!bytes) {
      PyErr_Clear();
      throw py::value_error(s.variable->Name() + ": a text holds a lone surrogate, which a file cannot hold");
    }
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
void WriteCases(front::NewFile& out, const py::list& data, std::size_t rows) {
  TSPSSDatafile& d = out.Data();
  std::vector<char> record(out.RecordSize());
  std::vector<Source> sources;
  for (const front::Slot& slot : front::RecordSlots(d)) {
    const TSPSSVariable* v = slot.variable;
    const py::object column = data[sources.size()];
    Source s{v, slot.offset, slot.size, {}, py::list()};
    if (v->IsNumeric())
      s.numbers = column;
    else
      s.texts = Items(column, s.keep);
    if (py::len(column) != rows) Refuse(v->Name() + ": a column of another length");
    sources.push_back(std::move(s));
  }
  assert(sources.empty() || sources.back().offset + sources.back().size == record.size());
  const double sysmis = d.SysmisValue();
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
    out.Write(record.data());
  }
}

front::Attributes AttributesOf(const py::dict& attributes) {
  front::Attributes out;
  for (const auto& [name, text] : attributes)
    out.emplace_back(py::cast<std::string>(py::str(name)), py::cast<std::string>(py::str(text)));
  return out;
}

// What the component does not hold, for the library to write beside it.
front::FileFacts StoredFacts(TSPSSDatafile& d, const py::list& columns, const py::dict& file) {
  front::FileFacts f;
  f.attributes = AttributesOf(file["file_attributes"]);
  if (file.contains("encoding")) f.encoding = py::cast<std::string>(file["encoding"]);
  if (file.contains("documents"))
    for (const py::handle line : py::list(file["documents"]))
      f.documents.push_back(py::cast<std::string>(py::str(line)));
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const py::dict c = columns[i];
    front::VariableFacts v;
    const TSPSSVariable& defined = *d.Variables()->GetItem(static_cast<int>(i));
    v.name = defined.Name();
    v.textWidth = defined.IsNumeric() ? 0 : defined.Width();
    v.width = c.contains("file_width") ? py::cast<int>(c["file_width"]) : v.textWidth;
    v.attributes = AttributesOf(c["attributes"]);
    if (!c["role"].is_none()) {
      const std::string role = py::cast<std::string>(c["role"]);
      const int code = front::RoleCode(role);
      if (code < 0) Refuse(v.name + ": role " + role + ": use input, target, both, none, partition or split");
      v.role = code;
    }
    f.variables.push_back(std::move(v));
  }
  return f;
}

// A new file written a batch of cases at a time, for data that come in
// parts; the file appears under its name at Finish, complete, and never
// if the writer goes before.
class Writer {
 public:
  Writer(const std::string& path, const py::list& columns, const py::dict& file, int compression) : path_(path) {
    Guard([&] {
      out_ = std::make_unique<front::NewFile>(path);
      Define(out_->Data(), columns);
      DefineFile(out_->Data(), file);
      out_->CommitHeader(compression, StoredFacts(out_->Data(), columns, file));
    });
  }

  void Write(const py::list& data, std::size_t rows) {
    if (!out_) Refuse("the file is finished or abandoned");
    if (static_cast<int>(data.size()) != out_->Data().Variables()->Count()) Refuse("a column without its data");
    Guard([&] { WriteCases(*out_, data, rows); });
  }

  void Finish() {
    if (!out_) Refuse("the file is finished or abandoned");
    Guard([&] { out_->Finish(); });
    out_.reset();
  }

  // Whatever was under the name stays as it was.
  void Abandon() { out_.reset(); }

 private:
  // A failure names the file and drops it unfinished.
  template <typename F>
  void Guard(F&& step) {
    try {
      step();
    } catch (const ESPSSDataFileException& e) {
      out_.reset();
      RethrowNaming(path_, e);
    } catch (...) {
      out_.reset();
      throw;
    }
  }

  std::string path_;
  std::unique_ptr<front::NewFile> out_;
};

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
  py::class_<Writer>(m, "Writer")
      .def(py::init<const std::string&, const py::list&, const py::dict&, int>(), py::arg("path"), py::arg("columns"),
           py::arg("file"), py::arg("compression"))
      .def("write", &Writer::Write, py::arg("data"), py::arg("rows"))
      .def("finish", &Writer::Finish)
      .def("abandon", &Writer::Abandon);
}

}  // namespace savkit::python
