// Reading files through the C interface in tests: an open handle that closes
// itself, whole cases as values, and PSPP's CSV reading of a fixture.
#pragma once

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "savkit/spssio.h"

namespace savkit::testing {

struct VarInfo {
  std::string name;
  int type;
};

class ReadHandle {
 public:
  explicit ReadHandle(const std::string& path) { status = spssOpenRead(path.c_str(), &handle); }
  ~ReadHandle() {
    if (status <= 0) spssCloseRead(handle);  // a warning leaves the file open
  }
  ReadHandle(const ReadHandle&) = delete;
  ReadHandle& operator=(const ReadHandle&) = delete;

  std::vector<VarInfo> Variables() const {
    int n = 0;
    char** names = nullptr;
    int* types = nullptr;
    EXPECT_EQ(spssGetVarNames(handle, &n, &names, &types), SPSS_OK);
    std::vector<VarInfo> out;
    for (int i = 0; i < n; ++i) out.push_back({names[i], types[i]});
    spssFreeVarNames(names, types, n);
    return out;
  }
  long Cases() const {
    long n = -1;
    EXPECT_EQ(spssGetNumberofCases(handle, &n), SPSS_OK);
    return n;
  }
  long CaseSize() const {
    long n = -1;
    EXPECT_EQ(spssGetCaseSize(handle, &n), SPSS_OK);
    return n;
  }
  // The next case as texts: numbers with %.17g, strings without trailing blanks.
  int ReadCase(const std::vector<VarInfo>& vars, std::vector<std::string>& values) const {
    std::vector<char> rec(static_cast<std::size_t>(CaseSize()));
    const int st = spssWholeCaseIn(handle, rec.data());
    if (st != SPSS_OK) return st;
    values.clear();
    std::size_t off = 0;
    for (const VarInfo& v : vars) {
      if (v.type == 0) {
        double d;
        std::memcpy(&d, rec.data() + off, 8);
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.17g", d);
        values.push_back(buf);
        off += 8;
      } else {
        const std::size_t slot = (static_cast<std::size_t>(v.type) + 7) / 8 * 8;
        std::string s(rec.data() + off, slot);
        while (!s.empty() && s.back() == ' ') s.pop_back();
        values.push_back(s);
        off += slot;
      }
    }
    return st;
  }

  int handle = -1;
  int status = -1;
};

// Why the last open on this thread failed.
inline std::string OpenFaultText() {
  char why[512] = "";
  long long at;
  spssGetFaultDetail(-1, why, sizeof why, &at);
  return why;
}

// Copies every case of the file open for reading on from to the new file
// on to, whose dictionary is committed; the first status that is not OK.
inline int CopyCases(int from, int to) {
  long size = 0, cases = 0;
  spssGetCaseSize(from, &size);
  spssGetNumberofCases(from, &cases);
  std::vector<char> rec(static_cast<std::size_t>(size));
  for (long c = 0; c < cases; ++c) {
    if (const int st = spssWholeCaseIn(from, rec.data())) return st;
    if (const int st = spssWholeCaseOut(to, rec.data())) return st;
  }
  return SPSS_OK;
}

// A CSV file as rows of fields ("" quoting, fields may hold line feeds).
// A file's variable names, then every case, as ReadHandle::ReadCase gives
// them; empty when the file does not open or a case does not read.
inline std::vector<std::vector<std::string>> ReadTable(const std::string& path) {
  ReadHandle f(path);
  if (f.status > 0) return {};
  const auto vars = f.Variables();
  std::vector<std::vector<std::string>> table(1);
  for (const VarInfo& v : vars) table[0].push_back(v.name);
  for (long c = 0; c < f.Cases(); ++c) {
    table.emplace_back();
    if (f.ReadCase(vars, table.back()) != SPSS_OK) return {};
  }
  return table;
}

inline std::vector<std::vector<std::string>> ReadCsv(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string text = ss.str();
  std::vector<std::vector<std::string>> rows(1);
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      rows.back().push_back(field);
      field.clear();
    } else if (c == '\n') {
      rows.back().push_back(field);
      field.clear();
      rows.emplace_back();
    } else if (c != '\r') {
      field += c;
    }
  }
  if (!field.empty() || !rows.back().empty()) rows.back().push_back(field);
  if (rows.back().empty()) rows.pop_back();
  return rows;
}

// PSPP's CSV prints dates as mm/dd/yyyy and times as h:mm:ss; back to seconds.
inline double CsvNumber(const std::string& field, int format) {
  if (field == " " || field.empty()) return -DBL_MAX;
  int mo, d, y, hh = 0, mi = 0;
  double s = 0, date = 0, time = 0;
  if (format == SPSS_FMT_DATE && std::sscanf(field.c_str(), "%d/%d/%d", &mo, &d, &y) == 3) {
    spssConvertDate(d, mo, y, &date);
    return date;
  }
  if (format == SPSS_FMT_TIME && std::sscanf(field.c_str(), "%d:%d:%lf", &hh, &mi, &s) == 3) {
    spssConvertTime(0, hh, mi, s, &time);
    return time;
  }
  if (format == SPSS_FMT_DATE_TIME &&
      std::sscanf(field.c_str(), "%d/%d/%d %d:%d:%lf", &mo, &d, &y, &hh, &mi, &s) == 6) {
    spssConvertDate(d, mo, y, &date);
    spssConvertTime(0, hh, mi, s, &time);
    return date + time;
  }
  return std::strtod(field.c_str(), nullptr);
}

// Whether a peer program is there. Under CI a missing peer fails the test.
inline bool HavePeer(const char* program) {
  const std::string cmd = std::string("command -v ") + program + " >/dev/null 2>&1";
  if (std::system(cmd.c_str()) == 0) return true;
  const char* ci = std::getenv("CI");
  if (ci && std::string(ci) == "true") ADD_FAILURE() << program << " is not installed";
  return false;
}

// A peer's CSV reading of a file: "readstat" or "pspp-convert".
inline std::vector<std::vector<std::string>> PeerCsv(const std::string& program, const std::string& path) {
  static int n = 0;
  const std::string out =
      ::testing::TempDir() + "savkit-peer-" + std::to_string(::getpid()) + "-" + std::to_string(n++) + ".csv";
  const std::string cmd = program + " '" + path + "' '" + out + "' >/dev/null 2>&1";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
  auto rows = ReadCsv(out);
  std::remove(out.c_str());
  return rows;
}

// A peer's CSV reading, or nothing when the peer refuses the file; out is
// removed first, as ReadStat does not write over a file.
inline std::vector<std::vector<std::string>> TryPeerCsv(const std::string& program, const std::string& path,
                                                        const std::string& out) {
  std::remove(out.c_str());
  const std::string cmd = program + " '" + path + "' '" + out + "' >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) return {};
  return ReadCsv(out);
}

// Runs PSPP syntax and returns its output tables as CSV text.
inline std::string RunPspp(const std::string& syntax) {
  static int n = 0;
  const std::string base =
      ::testing::TempDir() + "savkit-pspp-" + std::to_string(::getpid()) + "-" + std::to_string(n++);
  std::ofstream(base + ".sps") << syntax;
  const std::string cmd = "pspp '" + base + ".sps' -o '" + base + ".csv' -O format=csv >/dev/null 2>&1";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << syntax;
  std::ifstream in(base + ".csv");
  std::stringstream ss;
  ss << in.rdbuf();
  std::remove((base + ".sps").c_str());
  std::remove((base + ".csv").c_str());
  return ss.str();
}

enum class CsvStyle { Pspp, ReadStat };

// Every case of the file equals the CSV's rows (a header row, then one a case):
// PSPP prints dates as dates and SYSMIS as a blank, ReadStat raw numbers with
// six decimals and SYSMIS as nothing.
inline void ExpectSameAsCsv(const std::string& path, const std::vector<std::vector<std::string>>& csv, CsvStyle style) {
  ReadHandle f(path);
  ASSERT_LE(f.status, SPSS_OK) << path;  // a warning reads on
  const auto vars = f.Variables();
  ASSERT_FALSE(csv.empty());
  ASSERT_EQ(static_cast<long>(csv.size()) - 1, f.Cases()) << path;
  for (std::size_t i = 0; i < vars.size(); ++i) EXPECT_EQ(csv[0][i], vars[i].name);
  std::vector<std::string> values;
  for (std::size_t row = 1; row < csv.size(); ++row) {
    ASSERT_EQ(f.ReadCase(vars, values), SPSS_OK) << "case " << row;
    ASSERT_EQ(csv[row].size(), vars.size()) << "case " << row;
    for (std::size_t i = 0; i < vars.size(); ++i) {
      const std::string& theirs = csv[row][i];
      if (vars[i].type != 0) {
        std::string expected = theirs;
        while (!expected.empty() && expected.back() == ' ') expected.pop_back();
        EXPECT_EQ(values[i], expected) << vars[i].name << " case " << row;
        continue;
      }
      const double got = std::strtod(values[i].c_str(), nullptr);
      if (style == CsvStyle::ReadStat) {
        const double e = theirs.empty() ? -DBL_MAX : std::strtod(theirs.c_str(), nullptr);
        EXPECT_NEAR(got, e, 1e-6 + std::fabs(e) * 1e-12) << vars[i].name << " case " << row;
      } else {
        int type, dec, width;
        spssGetVarPrintFormat(f.handle, vars[i].name.c_str(), &type, &dec, &width);
        const double e = CsvNumber(theirs, type);
        EXPECT_NEAR(got, e, std::fabs(e) * 1e-13) << vars[i].name << " case " << row;
      }
      if (::testing::Test::HasFailure()) return;
    }
  }
  EXPECT_EQ(f.ReadCase(vars, values), SPSS_FILE_END);
}

}  // namespace savkit::testing
