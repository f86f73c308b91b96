// The C interface for reading a case value by value, and the look-ups such
// programs use beside it.
#include <cstring>
#include <string>

#include "api_support.h"

using namespace savkit::io;
using namespace savkit::io::api;

namespace {

// The variable a handle names in the last case read, which holds its value.
template <class F>
int OnCurrentValue(int handle, double varHandle, F&& f) {
  return OnReader(handle, [&](OpenFile& file) {
    const Variable* v = ByHandle(file, varHandle);
    if (!v) return SPSS_VAR_NOTFOUND;
    if (!file.in.haveRecord) return SPSS_INVALID_CASE;
    return f(*v, file.record.data() + v->offset);
  });
}

}  // namespace

extern "C" {

int spssReadCaseRecord(int handle) {
  return OnReader(handle, [&](OpenFile& f) {
    f.record.resize(f.dict.caseSize);
    const int status = f.in.reader->ReadCase(f.record.data());
    f.in.haveRecord = status == SPSS_OK;
    return status;
  });
}

int spssGetValueNumeric(int handle, double varHandle, double* value) {
  return OnCurrentValue(handle, varHandle, [&](const Variable& v, const std::uint8_t* slot) {
    if (!v.IsNumeric()) return SPSS_NUME_EXP;
    if (!value) return SPSS_INVALID_HANDLE;
    std::memcpy(value, slot, sizeof *value);
    return SPSS_OK;
  });
}

int spssGetValueChar(int handle, double varHandle, char* value, int valueSize) {
  return OnCurrentValue(handle, varHandle, [&](const Variable& v, const std::uint8_t* slot) {
    if (v.IsNumeric()) return SPSS_STR_EXP;
    if (!value || valueSize < 1) return SPSS_INVALID_HANDLE;
    std::string text(reinterpret_cast<const char*>(slot), static_cast<std::size_t>(v.width));
    CopyText(value, std::move(text), static_cast<std::size_t>(valueSize) - 1);
    return SPSS_OK;
  });
}

int spssGetVarInfo(int handle, int iVar, char* varName, int* varType) {
  return OnFile(handle, [&](OpenFile& f) {
    if (iVar < 0 || static_cast<std::size_t>(iVar) >= f.dict.variables.size()) return SPSS_VAR_NOTFOUND;
    const Variable& v = f.dict.variables[static_cast<std::size_t>(iVar)];
    if (varName) CopyText(varName, v.name, SPSS_MAX_VARNAME);
    if (varType) *varType = v.width;
    return SPSS_OK;
  });
}

int spssGetVarNValueLabel(int handle, const char* varName, double value, char* label) {
  return OnVariable(handle, varName, [&](OpenFile&, const Variable& v) {
    if (!v.IsNumeric()) return SPSS_NUME_EXP;
    if (!label) return SPSS_INVALID_HANDLE;
    if (const std::string* text = v.numberLabels.Find(value)) {
      CopyText(label, *text, SPSS_MAX_VALLABEL);
      return SPSS_OK;
    }
    *label = '\0';
    return SPSS_NO_LABEL;
  });
}

int spssGetVarCValueLabel(int handle, const char* varName, const char* value, char* label) {
  return OnVariable(handle, varName, [&](OpenFile&, const Variable& v) {
    if (v.IsNumeric()) return SPSS_STR_EXP;
    if (!label || !value) return SPSS_INVALID_HANDLE;
    if (const std::string* text = v.textLabels.Find(value)) {
      CopyText(label, *text, SPSS_MAX_VALLABEL);
      return SPSS_OK;
    }
    *label = '\0';
    return SPSS_NO_LABEL;
  });
}

int spssGetVarCompatName(int handle, const char* longName, char* shortName) {
  return OnVariable(handle, longName, [&](OpenFile& f, const Variable& v) {
    if (!shortName) return SPSS_INVALID_HANDLE;
    if (f.mode != OpenFile::Mode::Read && !f.out.committed) return SPSS_DICT_NOTCOMMIT;  // given when committing
    CopyText(shortName, v.shortName, SPSS_MAX_SHORTVARNAME);
    return SPSS_OK;
  });
}

}  // extern "C"
