// savkit._savkit: the library under the savkit package.
#include "bindings.h"
#include "savkit/config.h"

PYBIND11_MODULE(_savkit, m) {
  using namespace savkit::python;
  m.doc() = "SPSS system files through the savkit library";
  m.attr("__version__") = SAVKIT_VERSION;
  BindErrors(m);
  BindReader(m);
  BindWriter(m);
  BindFile(m);
}
