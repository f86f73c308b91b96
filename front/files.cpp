#include "savkit/front/files.h"

#include <sys/stat.h>

#include "savkit/host/sysutils.h"

namespace savkit::front {

void OpenForReading(TSPSSDatafile& d, const std::string& path) {
  const std::string expanded = ExpandFileName(path);
  struct stat st;
  if (::stat(expanded.c_str(), &st) != 0) throw FileError(path + ": no such file");
  if (!S_ISREG(st.st_mode)) throw FileError(path + ": not a regular file");  // a folder, a pipe, a device
  d.Set_Filename(expanded);
  d.Open();
}

TSPSSVariable* AddVariable(TSPSSDatafile& d, const std::string& name, bool numeric, int width) {
  TSPSSVariables* vars = d.Variables();
  std::string placeholder = "v" + std::to_string(vars->Count());
  for (int n = 0; vars->Find(placeholder) || UpperCase(placeholder) == UpperCase(name); ++n)
    placeholder = "t" + std::to_string(n);
  TSPSSVariable* v = vars->Add(placeholder, numeric, width);
  v->Set_Name(name);
  return v;
}

int NameStatus(const std::string& name) { return spssValidateVarname(name.c_str()); }

}  // namespace savkit::front
