// The pieces of the Python module, each registered by its own file.
#pragma once

#include <pybind11/pybind11.h>

#include <string>
#include <string_view>

#include "savkit/datafile_exception.h"
#include "savkit/model/datafile.h"

namespace savkit::python {

namespace py = pybind11;

// The library's failures as the package's exceptions (savkit._errors).
void BindErrors(py::module_& m);
void BindReader(py::module_& m);
void BindWriter(py::module_& m);
void BindFile(py::module_& m);

// A text of the file as str; bytes that are no UTF-8 (a text cut inside a
// character) become U+FFFD rather than failing the whole read.
inline py::str Text(std::string_view t) {
  PyObject* s = PyUnicode_DecodeUTF8(t.data(), static_cast<Py_ssize_t>(t.size()), "replace");
  if (!s) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(s);
}

// Property setters that check what they are given.
[[noreturn]] void Refuse(const std::string& message);               // a DataFileError
Variant ValueFor(const TSPSSVariable& v, const py::handle& value);  // a number or a text, as v holds
TSPSSLevel LevelOf(const std::string& name);
TSPSSAlign AlignOf(const std::string& name);
void SetFormat(TSPSSVariable& v, const std::string& format);  // print and write format
// From "missing_values" (up to three) and "missing_range" (two numbers or None).
void SetMissing(TSPSSVariable& v, const py::dict& c);
void SetValueLabels(TSPSSVariable& v, const py::dict& labels);

// A failure about path, said to be about it.
[[noreturn]] void RethrowNaming(const std::string& path, const ESPSSDataFileException& e);
// Opens path for reading; a failure names the file.
void OpenForReading(TSPSSDatafile& d, const std::string& path);
// The dictionary and file facts as plain Python values.
py::dict Metadata(const TSPSSDatafile& d);
// One variable as Metadata lists it.
py::dict ColumnOf(const TSPSSDatafile& d, const TSPSSVariable& v);

}  // namespace savkit::python
