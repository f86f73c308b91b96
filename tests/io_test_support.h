// Reading files through the C interface in tests: an open handle that closes
// itself, whole cases as values, and PSPP's CSV reading of a fixture.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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
    if (status == SPSS_OK) spssCloseRead(handle);
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

// A CSV file as rows of fields ("" quoting, fields may hold line feeds).
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

// Whether a peer program is there. Under CI a missing peer fails the test.
inline bool HavePeer(const char* program) {
  const std::string cmd = std::string("command -v ") + program + " >/dev/null 2>&1";
  if (std::system(cmd.c_str()) == 0) return true;
  const char* ci = std::getenv("CI");
  if (ci && std::string(ci) == "true") ADD_FAILURE() << program << " is not installed";
  return false;
}

}  // namespace savkit::testing
