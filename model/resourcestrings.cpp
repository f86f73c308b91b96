#include "savkit/resourcestrings.h"

#include <array>

#include "savkit/datafile_exception.h"
#include "savkit/spssio.h"

namespace savkit {

namespace {

#define SAVKIT_TABLE_ROW(id, text) ResourceString{#id, id},
constexpr ResourceString kAll[] = {SAVKIT_LIBRARY_ERROR_MESSAGES(SAVKIT_TABLE_ROW) SAVKIT_LIBRARY_WARNING_MESSAGES(
    SAVKIT_TABLE_ROW) SAVKIT_OWN_MESSAGES(SAVKIT_TABLE_ROW)};
#undef SAVKIT_TABLE_ROW

// Dense over 0..79: each status that raises has its message, every other entry
// is empty and lets the status pass. The attribute and role statuses past 72
// raise too: letting them pass would report a file written without its
// attributes as a success.
constexpr std::array<std::string_view, SPSS_NOT_PORTABLE + 1> BuildStatusTable() {
  std::array<std::string_view, SPSS_NOT_PORTABLE + 1> t{};
  t[SPSS_FILE_OERROR] = cresSPSS_FILE_OERROR;
  t[SPSS_FILE_WERROR] = cresSPSS_FILE_WERROR;
  t[SPSS_FILE_RERROR] = cresSPSS_FILE_RERROR;
  t[SPSS_FITAB_FULL] = cresSPSS_FITAB_FULL;
  t[SPSS_INVALID_HANDLE] = cresSPSS_INVALID_HANDLE;
  t[SPSS_INVALID_FILE] = cresSPSS_INVALID_FILE;
  t[SPSS_NO_MEMORY] = cresSPSS_NO_MEMORY;
  t[SPSS_OPEN_RDMODE] = cresSPSS_OPEN_RDMODE;
  t[SPSS_OPEN_WRMODE] = cresSPSS_OPEN_WRMODE;
  t[SPSS_INVALID_VARNAME] = cresSPSS_INVALID_VARNAME;
  t[SPSS_DICT_EMPTY] = cresSPSS_DICT_EMPTY;
  t[SPSS_VAR_NOTFOUND] = cresSPSS_VAR_NOTFOUND;
  t[SPSS_DUP_VAR] = cresSPSS_DUP_VAR;
  t[SPSS_NUME_EXP] = cresSPSS_NUME_EXP;
  t[SPSS_STR_EXP] = cresSPSS_STR_EXP;
  t[SPSS_SHORTSTR_EXP] = cresSPSS_SHORTSTR_EXP;
  t[SPSS_INVALID_VARTYPE] = cresSPSS_INVALID_VARTYPE;
  t[SPSS_INVALID_MISSFOR] = cresSPSS_INVALID_MISSFOR;
  t[SPSS_INVALID_COMPSW] = cresSPSS_INVALID_COMPSW;
  t[SPSS_INVALID_PRFOR] = cresSPSS_INVALID_PRFOR;
  t[SPSS_INVALID_WRFOR] = cresSPSS_INVALID_WRFOR;
  t[SPSS_INVALID_DATE] = cresSPSS_INVALID_DATE;
  t[SPSS_INVALID_TIME] = cresSPSS_INVALID_TIME;
  t[SPSS_NO_VARIABLES] = cresSPSS_NO_VARIABLES;
  t[SPSS_DUP_VALUE] = cresSPSS_DUP_VALUE;
  t[SPSS_INVALID_CASEWGT] = cresSPSS_INVALID_CASEWGT;
  t[SPSS_DICT_COMMIT] = cresSPSS_DICT_COMMIT;
  t[SPSS_DICT_NOTCOMMIT] = cresSPSS_DICT_NOTCOMMIT;
  t[SPSS_NO_TYPE2] = cresSPSS_NO_TYPE2;
  t[SPSS_NO_TYPE73] = cresSPSS_NO_TYPE73;
  t[SPSS_INVALID_DATEINFO] = cresSPSS_INVALID_DATEINFO;
  t[SPSS_NO_TYPE999] = cresSPSS_NO_TYPE999;
  t[SPSS_EXC_STRVALUE] = cresSPSS_EXC_STRVALUE;
  t[SPSS_CANNOT_FREE] = cresSPSS_CANNOT_FREE;
  t[SPSS_BUFFER_SHORT] = cresSPSS_BUFFER_SHORT;
  t[SPSS_INVALID_CASE] = cresSPSS_INVALID_CASE;
  t[SPSS_INTERNAL_VLABS] = cresSPSS_INTERNAL_VLABS;
  t[SPSS_INCOMPAT_APPEND] = cresSPSS_INCOMPAT_APPEND;
  t[SPSS_INTERNAL_D_A] = cresSPSS_INTERNAL_D_A;
  t[SPSS_FILE_BADTEMP] = cresSPSS_FILE_BADTEMP;
  t[SPSS_DEW_NOFIRST] = cresSPSS_DEW_NOFIRST;
  t[SPSS_INVALID_MEASURELEVEL] = cresSPSS_INVALID_MEASURELEVEL;
  t[SPSS_INVALID_7SUBTYPE] = cresSPSS_INVALID_7SUBTYPE;
  t[SPSS_INVALID_MRSETDEF] = cresSPSS_INVALID_MRSETDEF;
  t[SPSS_INVALID_MRSETNAME] = cresSPSS_INVALID_MRSETNAME;
  t[SPSS_DUP_MRSETNAME] = cresSPSS_DUP_MRSETNAME;
  t[SPSS_INVALID_ATTRNAME] = cresSPSS_INVALID_ATTRNAME;
  t[SPSS_INVALID_ATTRDEF] = cresSPSS_INVALID_ATTRDEF;
  t[SPSS_INVALID_ROLE] = cresSPSS_INVALID_ROLE;
  t[SPSS_NEEDS_PASSWORD] = cresSPSS_NEEDS_PASSWORD;
  t[SPSS_WRONG_PASSWORD] = cresSPSS_WRONG_PASSWORD;
  t[SPSS_NOT_PORTABLE] = cresSPSS_NOT_PORTABLE;
  return t;
}

constexpr auto kStatusTable = BuildStatusTable();

}  // namespace

std::span<const ResourceString> ResourceStrings() { return kAll; }

std::string_view FindResourceString(std::string_view identifier) {
  for (const ResourceString& r : kAll)
    if (r.identifier == identifier) return r.text;
  return {};
}

std::string_view LibraryErrorMessage(int status) {
  if (status < 0 || status >= static_cast<int>(kStatusTable.size())) return {};
  return kStatusTable[static_cast<std::size_t>(status)];
}

void CheckSuccess(int status) {
  const std::string_view message = LibraryErrorMessage(status);
  if (!message.empty()) throw ESPSSDataFileException(std::string(message), status);
}

std::string FaultDetail(int handle) {
  char text[512];
  long long offset = -1;
  if (spssGetFaultDetail(handle, text, sizeof text, &offset) != SPSS_OK || !*text) return {};
  return offset < 0 ? std::string(text) : std::string(text) + " (byte " + std::to_string(offset) + ")";
}

void CheckSuccess(int status, int handle) {
  const std::string_view message = LibraryErrorMessage(status);
  if (message.empty()) return;
  const std::string detail = FaultDetail(handle);
  throw ESPSSDataFileException(detail.empty() ? std::string(message) : std::string(message) + ": " + detail, status);
}

}  // namespace savkit
