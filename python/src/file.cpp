// A file opened for editing in place: the data file component in reading
// mode, whose edits wait in its edit cache until Save writes them all,
// keeping everything else the file holds.
#include <cstring>
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <cmath>
#include <memory>

#include "bindings.h"
#include "savkit/front/facts.h"
#include "savkit/front/files.h"
#include "savkit/front/formats.h"
#include "savkit/front/values.h"
#include "savkit/datafile_exception.h"
#include "savkit/host/sysutils.h"
#include "savkit/trim.h"

namespace savkit::python {

namespace {

class File {
 public:
  // encoding, where not empty, is taken for the file's texts whatever it says.
  // password opens an encrypted file, and encrypts it again when saved.
  File(const std::string& path, const std::string& encoding, std::string password)
      : d_(std::make_unique<TSPSSDatafile>()) {
    d_->Set_ReadEncoding(encoding);
    d_->Set_Password(password);
    explicit_bzero(password.data(), password.size());
    OpenForReading(*d_, path);
  }

  void Close() { d_->Close(); }
  bool Closed() const { return d_->OpenMode() == domClosed; }
  py::str Path() const { return Text(d_->Filename()); }
  int Cases() { return Open().Cases()->Count(); }
  int Variables() { return Open().Variables()->Count(); }
  py::dict Metadata() { return python::Metadata(Open()); }

  // Variables are known to Python by their IDs, which stay while others
  // come and go.
  std::uint32_t IdOf(const py::object& key) {
    TSPSSVariables* vars = Open().Variables();
    if (py::isinstance<py::int_>(key)) {
      const int i = py::cast<int>(key);
      if (i < 0 || i >= vars->Count()) Refuse("variable index " + std::to_string(i) + " is not valid");
      return vars->GetItem(i)->VarID();
    }
    const std::string name = py::cast<std::string>(py::str(key));
    TSPSSVariable* v = vars->Find(name);
    if (!v) Refuse("the file has no variable " + name);
    return v->VarID();
  }

  py::dict Column(std::uint32_t id) { return ColumnOf(*d_, Var(id)); }
  int IndexOf(std::uint32_t id) { return Var(id).Index(); }

  void Set(std::uint32_t id, const std::string& property, const py::object& value) {
    TSPSSVariable& v = Var(id);
    if (property == "name") {
      const std::string name = py::cast<std::string>(value);
      if (front::NameStatus(name) != SPSS_NAME_OK) Refuse(name + ": not a variable name a file can hold");
      if (const TSPSSVariable* other = d_->Variables()->Find(name); other && other != &v)
        Refuse(name + ": the file has a variable of that name");
      v.Set_Name(name);
    } else if (property == "label") {
      v.Set_LabelText(py::cast<std::string>(value));
    } else if (property == "format") {
      SetFormat(v, py::cast<std::string>(value));
    } else if (property == "measure") {
      v.Set_Level(LevelOf(py::cast<std::string>(value)));
    } else if (property == "alignment") {
      v.Set_Align(AlignOf(py::cast<std::string>(value)));
    } else if (property == "display_width") {
      v.Set_Columns(py::cast<int>(value));
    } else if (property == "value_labels") {
      SetValueLabels(v, value);
    } else if (property == "missing") {
      SetMissing(v, value);
    } else {
      Refuse("no settable property " + property);
    }
  }

  py::object GetValue(int caseIndex, std::uint32_t id) {
    const TSPSSVariable& v = Var(id);
    TSPSSCase* c = Case(caseIndex);
    if (!v.IsNumeric()) {
      std::string text;
      c->GetText(v.Index(), text);
      return Text(std::string(trim::Blanks(text)));
    }
    const double x = c->GetNumber(v.Index());
    return py::float_(x == d_->SysmisValue() ? std::nan("") : x);
  }

  void SetValue(int caseIndex, std::uint32_t id, const py::object& value) {
    const TSPSSVariable& v = Var(id);
    TSPSSCase* c = Case(caseIndex);
    if (!v.IsNumeric()) {
      if (!py::isinstance<py::str>(value)) Refuse(v.Name() + " holds texts");
      const std::string text = py::cast<std::string>(value);
      if (text.size() > static_cast<std::size_t>(v.Width()))
        Refuse(v.Name() + ": a text of " + std::to_string(text.size()) + " bytes; the variable holds " +
               std::to_string(v.Width()));
      c->SetValue(v.Index(), Variant(text));
      return;
    }
    if (py::isinstance<py::str>(value)) Refuse(v.Name() + " holds numbers");
    double x = value.is_none() ? std::nan("") : py::cast<double>(py::float_(value));
    c->SetValue(v.Index(), Variant(std::isnan(x) ? d_->SysmisValue() : x));
  }

  // The variable's values in case order: float64 (system-missing NaN) or str.
  // A file that cannot give them is named.
  py::object Values(std::uint32_t id) {
    try {
      return ValuesOf(id);
    } catch (const ESPSSDataFileException& e) {
      RethrowNaming(d_->Filename(), e);
    }
  }

  py::object ValuesOf(std::uint32_t id) {
    TSPSSVariable& v = Var(id);
    if (!v.IsNumeric()) {
      py::list out;
      for (std::string& t : v.GetTexts()) out.append(Text(std::string(trim::Blanks(t))));
      return out;
    }
    std::vector<double> numbers = v.GetNumbers();
    py::array_t<double> out(static_cast<py::ssize_t>(numbers.size()));
    double* to = out.mutable_data();
    for (std::size_t i = 0; i < numbers.size(); ++i)
      to[i] = numbers[i] == d_->SysmisValue() ? std::nan("") : numbers[i];
    return out;
  }

  std::uint32_t AddVariable(const std::string& name, const std::string& type, int width) {
    if (type != "numeric" && type != "string") Refuse("type " + type + ": use numeric or string");
    if (front::NameStatus(name) != SPSS_NAME_OK) Refuse(name + ": not a variable name a file can hold");
    TSPSSVariables* vars = Open().Variables();
    if (vars->Find(name)) Refuse(name + ": the file has a variable of that name");
    if (type == "string" && (width < 1 || width > 32767)) Refuse(name + ": a string is 1 to 32767 bytes wide");
    return front::AddVariable(*d_, name, type == "numeric", type == "numeric" ? 8 : width)->VarID();
  }

  void DeleteVariable(std::uint32_t id) { d_->Variables()->Delete(Var(id).Index()); }
  int AddCase() { return Open().Cases()->Add()->CaseNr() - 1; }
  void DeleteCase(int caseIndex) { Open().Cases()->Delete(CaseNumber(caseIndex)); }

  py::str FileLabel() { return Text(Open().FileInfo()->FileLabel()); }
  void SetFileLabel(const std::string& label) { Open().FileInfo()->Set_FileLabel(label); }
  void Save() { Open().Save(); }
  void SaveAs(const std::string& path) {
    try {
      Open().SaveAs(ExpandFileName(path));
    } catch (const ESPSSDataFileException& e) {
      RethrowNaming(path, e);
    }
  }

 private:
  TSPSSDatafile& Open() {
    if (d_->OpenMode() == domClosed) Refuse("the file is closed");
    return *d_;
  }
  TSPSSVariable& Var(std::uint32_t id) {
    TSPSSVariable* v = Open().Variables()->Find(id);
    if (!v) Refuse("the variable was deleted");
    return *v;
  }
  // Case numbers count from 1 in the library, case indexes from 0 here.
  int CaseNumber(int caseIndex) {
    if (caseIndex < 0 || caseIndex >= Open().Cases()->Count())
      Refuse("case " + std::to_string(caseIndex) + " is not valid: the file has " +
             std::to_string(d_->Cases()->Count()) + " cases");
    return caseIndex + 1;
  }
  TSPSSCase* Case(int caseIndex) { return d_->Cases()->Get_Case(CaseNumber(caseIndex)); }

  std::unique_ptr<TSPSSDatafile> d_;
};

}  // namespace

void BindFile(py::module_& m) {
  py::class_<File>(m, "File")
      .def(py::init<const std::string&, const std::string&, std::string>(), py::arg("path"), py::arg("encoding") = "",
           py::arg("password") = "")
      .def("close", &File::Close)
      .def_property_readonly("closed", &File::Closed)
      .def_property_readonly("path", &File::Path)
      .def("cases", &File::Cases)
      .def("variables", &File::Variables)
      .def("metadata", &File::Metadata)
      .def("id_of", &File::IdOf)
      .def("index_of", &File::IndexOf)
      .def("column", &File::Column)
      .def("set", &File::Set)
      .def("get_value", &File::GetValue)
      .def("set_value", &File::SetValue)
      .def("values", &File::Values)
      .def("add_variable", &File::AddVariable)
      .def("delete_variable", &File::DeleteVariable)
      .def("add_case", &File::AddCase)
      .def("delete_case", &File::DeleteCase)
      .def("file_label", &File::FileLabel)
      .def("set_file_label", &File::SetFileLabel)
      .def("save", &File::Save)
      .def("save_as", &File::SaveAs);
}

}  // namespace savkit::python
