// Everything the C interface tells of a file's dictionary, as one text, so
// that two files can be compared element by element in a test.
#pragma once

#include <string>

#include "io_test_support.h"

namespace savkit::testing {

inline std::string DumpNumber(double d) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", d);
  return buf;
}

inline std::string DumpVariable(int h, const VarInfo& v) {
  const char* name = v.name.c_str();
  std::string out = v.name + " type=" + std::to_string(v.type);
  int a, b, c;
  spssGetVarPrintFormat(h, name, &a, &b, &c);
  out += " print=" + std::to_string(a) + "." + std::to_string(c) + "." + std::to_string(b);
  spssGetVarWriteFormat(h, name, &a, &b, &c);
  out += " write=" + std::to_string(a) + "." + std::to_string(c) + "." + std::to_string(b);
  spssGetVarColumnWidth(h, name, &a);
  spssGetVarAlignment(h, name, &b);
  spssGetVarMeasureLevel(h, name, &c);
  out += " columns=" + std::to_string(a) + " align=" + std::to_string(b) + " measure=" + std::to_string(c);
  char label[SPSS_MAX_VARLABEL + 1];
  spssGetVarLabel(h, name, label);
  out += " label=[" + std::string(label) + "]";
  int type = 0;
  if (v.type == 0) {
    double m[3];
    spssGetVarNMissingValues(h, name, &type, &m[0], &m[1], &m[2]);
    out += " missing=" + std::to_string(type);
    for (int i = 0; i < (type < 0 ? -type : type); ++i) out += " " + DumpNumber(m[i]);
    double* values = nullptr;
    char** labels = nullptr;
    int n = 0;
    if (spssGetVarNValueLabels(h, name, &values, &labels, &n) == SPSS_OK) {
      for (int i = 0; i < n; ++i) out += "\n  " + DumpNumber(values[i]) + " = [" + labels[i] + "]";
      spssFreeVarNValueLabels(values, labels, n);
    }
  } else {
    char m[3][SPSS_MAX_MISSVALUE + 1];
    spssGetVarCMissingValues(h, name, &type, m[0], m[1], m[2]);
    out += " missing=" + std::to_string(type);
    for (int i = 0; i < type; ++i) {
      std::string value = m[i];
      while (!value.empty() && value.back() == ' ') value.pop_back();
      out += " [" + value + "]";
    }
    char** values = nullptr;
    char** labels = nullptr;
    int n = 0;
    if (spssGetVarCValueLabels(h, name, &values, &labels, &n) == SPSS_OK) {
      for (int i = 0; i < n; ++i) {
        std::string value = values[i];
        while (!value.empty() && value.back() == ' ') value.pop_back();
        out += "\n  [" + value + "] = [" + labels[i] + "]";
      }
      spssFreeVarCValueLabels(values, labels, n);
    }
  }
  return out;
}

// The file's dictionary through every getter; empty when it does not open.
inline std::string DumpDictionary(const std::string& path) {
  ReadHandle f(path);
  if (f.status > 0) return {};
  const int h = f.handle;
  std::string out;
  char text[512];
  spssGetIdString(h, text);
  out += "label=[" + std::string(text) + "]\n";
  spssGetTextInfo(h, text);
  out += "textinfo=[" + std::string(text) + "]\n";
  out += "weight=" + std::string(spssGetCaseWeightVar(h, text) == SPSS_OK ? text : "") + "\n";
  out += "cases=" + std::to_string(f.Cases()) + "\n";
  for (const VarInfo& v : f.Variables()) out += DumpVariable(h, v) + "\n";
  char* sets = nullptr;
  if (spssGetVariableSets(h, &sets) == SPSS_OK) {
    out += "varsets=[" + std::string(sets) + "]\n";
    spssFreeVariableSets(sets);
  }
  if (spssGetMultRespDefs(h, &sets) == SPSS_OK) {
    out += "mrsets=[" + std::string(sets) + "]\n";
    spssFreeMultRespDefs(sets);
  }
  return out;
}

}  // namespace savkit::testing
