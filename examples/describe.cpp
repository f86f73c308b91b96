// Describes a system file: its facts, its variables and its first cases,
// read through savkit's I/O library.
#include <savkit/spssio.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string FormatValue(int handle, const char* name, const char* slot, int type) {
  if (type != 0) {
    std::string s(slot, static_cast<std::size_t>((type + 7) / 8 * 8));
    return s.erase(s.find_last_not_of(' ') + 1);
  }
  double d;
  std::memcpy(&d, slot, 8);
  if (d == spssSysmisVal()) return ".";
  int format, decimals, width;
  spssGetVarPrintFormat(handle, name, &format, &decimals, &width);
  if (format == SPSS_FMT_DATE || format == SPSS_FMT_ADATE || format == SPSS_FMT_EDATE) {
    int day, month, year;
    if (spssConvertSPSSDate(&day, &month, &year, d) == SPSS_OK) {
      char buf[16];
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
      return buf;
    }
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, d);
  return buf;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE.sav [CASES]\n", argv[0]);
    return 2;
  }
  int handle;
  if (const int status = spssOpenRead(argv[1], &handle)) {
    std::fprintf(stderr, "%s: cannot open (status %d)\n", argv[1], status);
    return 1;
  }
  long cases = 0, caseSize = 0;
  int count = 0;
  char label[SPSS_MAX_IDSTRING + 1], product[SPSS_MAX_SYSSTRING + 1], date[10], time[10];
  spssGetNumberofCases(handle, &cases);
  spssGetCaseSize(handle, &caseSize);
  spssGetIdString(handle, label);
  spssGetSystemString(handle, product);
  spssGetTimeStamp(handle, date, time);
  char** names;
  int* types;
  spssGetVarNames(handle, &count, &names, &types);
  std::printf("%s: \"%s\", %ld cases, %d variables, written %s %s by %s\n\n", argv[1], label, cases, count, date,
              time, product);
  for (int i = 0; i < count; ++i) {
    char varLabel[SPSS_MAX_VARLABEL + 1];
    int format, decimals, width;
    spssGetVarLabel(handle, names[i], varLabel);
    spssGetVarPrintFormat(handle, names[i], &format, &decimals, &width);
    std::printf("  %-10s %s%-5d %s\n", names[i], types[i] ? "A" : "#", types[i] ? types[i] : width, varLabel);
    double* values;
    char** labels;
    int n = 0;
    if (types[i] == 0 && spssGetVarNValueLabels(handle, names[i], &values, &labels, &n) == SPSS_OK) {
      for (int k = 0; k < n; ++k) std::printf("             %g = %s\n", values[k], labels[k]);
      spssFreeVarNValueLabels(values, labels, n);
    }
  }
  const long shown = argc > 2 ? std::atol(argv[2]) : 5;
  std::printf("\n");
  std::vector<char> record(static_cast<std::size_t>(caseSize));
  for (long c = 0; c < cases && c < shown; ++c) {
    if (spssWholeCaseIn(handle, record.data()) != SPSS_OK) break;
    std::size_t offset = 0;
    for (int i = 0; i < count; ++i) {
      std::printf("%s%s", i ? " | " : "  ", FormatValue(handle, names[i], record.data() + offset, types[i]).c_str());
      offset += types[i] ? static_cast<std::size_t>((types[i] + 7) / 8 * 8) : 8;
    }
    std::printf("\n");
  }
  spssFreeVarNames(names, types, count);
  spssCloseRead(handle);
  return 0;
}
