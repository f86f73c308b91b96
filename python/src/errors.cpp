// Failures cross into Python as savkit.Error subclasses: FileError where the
// I/O library gave a status, DataFileError for the model's own checks, Error
// for the rest of the library. The message is the library's own.
#include "bindings.h"
#include "savkit/datafile_exception.h"
#include "savkit/front/facts.h"
#include "savkit/front/files.h"
#include "savkit/front/formats.h"
#include "savkit/front/values.h"

namespace savkit::python {

namespace {

void SetError(const char* kind, const std::string& message, int status) {
  py::object type = py::module_::import("savkit._errors").attr(kind);
  py::object error = type(message, status);
  PyErr_SetObject(type.ptr(), error.ptr());
}

}  // namespace

void BindErrors(py::module_&) {
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const ESPSSDataFileException& e) {
      SetError(e.ErrorCode() ? "FileError" : "DataFileError", e.what(), e.ErrorCode());
    } catch (const Exception& e) {
      SetError("Error", e.what(), 0);
    }
  });
}

void RethrowNaming(const std::string& path, const ESPSSDataFileException& e) {
  const std::string message = e.what();
  if (message.find(path) != std::string::npos) throw e;
  throw ESPSSDataFileException(path + ": " + message, e.ErrorCode());
}

void OpenForReading(TSPSSDatafile& d, const std::string& path) {
  try {
    front::OpenForReading(d, path);
  } catch (const front::FileError& e) {  // no such file, or not a regular one
    throw ESPSSDataFileException(e.what(), SPSS_FILE_OERROR);
  } catch (const ESPSSDataFileException& e) {
    RethrowNaming(path, e);
  }
}

}  // namespace savkit::python
