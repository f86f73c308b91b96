// Portable files: PSPP's read as PSPP's system file of the same data, ours
// read back exactly and by the peers, line layouts of every kind, and what
// the format cannot hold refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "dictionary_dump.h"
#include "io_test_support.h"
#include "savkit/model/datafile.h"
#include "temp_dir.h"

namespace savkit::testing {
namespace {

namespace fs = std::filesystem;

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Copies a file's dictionary and cases into a new portable file.
int ToPortable(const std::string& in, const std::string& out) {
  int r = -1, w = -1;
  if (const int st = spssOpenRead(in.c_str(), &r); st > 0) return st;
  int status = spssOpenWriteCopy(out.c_str(), in.c_str(), &w);
  if (status == SPSS_OK) status = spssSetPortable(w);
  if (status == SPSS_OK) status = spssCommitHeader(w);
  if (status == SPSS_OK) status = CopyCases(r, w);
  if (status == SPSS_OK)
    status = spssCloseWrite(w);
  else if (w >= 0)
    spssDiscardWrite(w);
  spssCloseRead(r);
  return status;
}

// What a portable file holds of a dictionary: each variable's type,
// formats, label, missing values and value labels (not its name, which is
// a short one, nor display facts), and the weight by position.
std::string PortableDump(const std::string& path) {
  // A string's width in the file's bytes: the one reported grows in a file
  // in a code page, which a portable file is not.
  std::vector<int> fileWidths;
  {
    ReadHandle f(path);
    for (const VarInfo& v : f.Variables()) {
      int w = 0;
      if (v.type > 0) spssGetVarFileWidth(f.handle, v.name.c_str(), &w);
      fileWidths.push_back(w);
    }
  }
  std::string out;
  std::istringstream lines(DumpDictionary(path));
  std::size_t var = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("varsets", 0) == 0 || line.rfind("mrsets", 0) == 0) break;  // the sets come last
    if (line.rfind("label=", 0) == 0 || line.rfind("textinfo=", 0) == 0) continue;
    if (line.rfind("weight=", 0) == 0) {
      out += Upper(line) + "\n";
      continue;
    }
    if (line.find(" type=") != std::string::npos && line[0] != ' ') {  // a variable: its name and display facts go
      line = line.substr(line.find(' '));
      line.erase(line.find(" columns="), line.find(" label=") - line.find(" columns="));
      const int width = fileWidths[var++];
      if (width > 0) line = " string width=" + std::to_string(width) + line.substr(line.find(" label="));
    }
    out += line + "\n";
  }
  return out;
}

// The same cases (the header's names are short ones in a portable file).
// PSPP parses the base-30 digits of the extremes (1.5e300, 2.5e-300) with
// less care than it writes them: where it reads, numbers match within that.
void ExpectSameCases(const std::vector<std::vector<std::string>>& a, const std::vector<std::vector<std::string>>& b,
                     const std::string& what, double tolerance = 0) {
  ASSERT_EQ(a.size(), b.size()) << what;
  for (std::size_t r = 1; r < a.size(); ++r) {
    ASSERT_EQ(a[r].size(), b[r].size()) << what;
    for (std::size_t c = 0; c < a[r].size(); ++c) {
      if (a[r][c] == b[r][c]) continue;
      char* end = nullptr;
      const double x = std::strtod(a[r][c].c_str(), &end), y = std::strtod(b[r][c].c_str(), nullptr);
      if (tolerance > 0 && end && !*end) {
        EXPECT_NEAR(x / y, 1.0, tolerance) << what << " case " << r << " column " << c;
      } else {
        EXPECT_EQ(a[r][c], b[r][c]) << what << " case " << r << " column " << c;
      }
    }
  }
}

class PortableRead : public TempDirTest {};

// PSPP cannot read back its own EXPORT of a weighted file (it writes the
// weight record before the variable count its reader expects first), so
// its SAVE of the same data is what the values are compared with.
TEST_F(PortableRead, PsppsExportReadsAsItsSystemFile) {
  // PSPP writes the extremes with the digits it keeps: 1.5e300 comes back close.
  ExpectSameCases(ReadTable(DataPath("portable.por")), ReadTable(DataPath("portable.sav")), "portable.por", 1e-13);
  EXPECT_EQ(PortableDump(DataPath("portable.por")), PortableDump(DataPath("portable.sav")));
  ReadHandle f(DataPath("portable.por"));
  int kind = -1;
  EXPECT_EQ(spssGetFileKind(f.handle, &kind), SPSS_OK);
  EXPECT_EQ(kind, SPSS_KIND_PORTABLE);
  const auto documents = [](int h) {
    char** lines = nullptr;
    int n = 0;
    std::vector<std::string> out;
    EXPECT_EQ(spssGetDocuments(h, &lines, &n), SPSS_OK);
    for (int i = 0; i < n; ++i) out.push_back(lines[i]);
    spssFreeDocuments(lines, n);
    return out;
  };
  ReadHandle sav(DataPath("portable.sav"));
  EXPECT_EQ(documents(f.handle), documents(sav.handle));
  EXPECT_EQ(documents(f.handle).size(), 4u);
  char product[SPSS_MAX_IDSTRING + 1];
  char date[10], time[9];
  EXPECT_EQ(spssGetTimeStamp(f.handle, date, time), SPSS_OK);
  EXPECT_EQ(std::string(date).size(), 9u);
  EXPECT_EQ(spssGetSystemString(f.handle, product), SPSS_OK);
  // Appending would write a system file's cases into it.
  int h = -1;
  EXPECT_EQ(spssOpenAppend(DataPath("portable.por").c_str(), &h), SPSS_INCOMPAT_APPEND);
}

// PSPP's EXPORT of other fixtures (exports.sps): each reads as the system
// file it was exported from, in its values and in what the format holds.
TEST_F(PortableRead, PsppsExportsOfFixtures) {
  for (const char* name : {"latin1", "time-formats", "codebook"}) {
    const std::string por = DataPath(std::string(name) + ".por"), sav = DataPath(std::string(name) + ".sav");
    ExpectSameCases(ReadTable(por), ReadTable(sav), por, 1e-13);
    EXPECT_EQ(PortableDump(por), PortableDump(sav)) << name;
  }
}

// Lines end in CR LF, LF or CR; drop their trailing blanks; are longer or
// shorter than 80; or there is one line: all read alike.
TEST_F(PortableRead, EveryLineLayout) {
  std::string text = Bytes(DataPath("portable.por"));
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; at < text.size(); at = end + 2) {
    end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
  }
  const std::string all = [&] {
    std::string s;
    for (const auto& l : lines) s += l;
    return s;
  }();
  const auto join = [&](const std::string& eol, bool trim) {
    std::string s;
    for (std::string l : lines) {
      if (trim)
        while (!l.empty() && l.back() == ' ') l.pop_back();
      s += l + eol;
    }
    return s;
  };
  const auto rewrap = [&](std::size_t width) {
    std::string s;
    for (std::size_t i = 0; i < all.size(); i += width) s += all.substr(i, width) + "\n";
    return s;
  };
  const auto expected = ReadTable(DataPath("portable.por"));
  const std::pair<const char*, std::string> layouts[] = {
      {"lf", join("\n", false)}, {"cr", join("\r", false)}, {"trimmed", join("\r\n", true)}, {"76", rewrap(76)},
      {"100", rewrap(100)},      {"one line", all},         {"trimmed lf", join("\n", true)}};
  for (const auto& [name, bytes] : layouts) {
    std::ofstream(Path("layout.por"), std::ios::binary) << bytes;
    EXPECT_EQ(ReadTable(Path("layout.por")), expected) << name;
  }
}

// Marks and jumps reach any case, as in system files.
TEST_F(PortableRead, RandomAccess) {
  const auto table = ReadTable(DataPath("portable.por"));
  ReadHandle f(DataPath("portable.por"));
  const auto vars = f.Variables();
  std::vector<std::string> values;
  for (long c : {4L, 0L, 2L, 3L}) {
    ASSERT_EQ(spssSeekNextCase(f.handle, c), SPSS_OK);
    ASSERT_EQ(f.ReadCase(vars, values), SPSS_OK);
    EXPECT_EQ(values, table[static_cast<std::size_t>(c) + 1]) << c;
  }
}

class PortableWrite : public TempDirTest {};

// Every fixture and peer file a portable file can hold goes to .por and
// back with its values exact and its dictionary as the format holds it;
// PSPP and ReadStat read what we wrote as they read the original.
TEST_F(PortableWrite, RoundTripsAndPeersAgree) {
  std::vector<std::string> files;
  for (const auto& dir : {DataPath(""), DataPath("peers")})
    for (const auto& e : fs::directory_iterator(dir))
      if (e.path().extension() == ".sav" || e.path().extension() == ".zsav") files.push_back(e.path().string());
  std::sort(files.begin(), files.end());
  int written = 0;
  for (const std::string& in : files) {
    const std::string out = Path("copy.por");
    fs::remove(out);
    const int status = ToPortable(in, out);
    if (status == SPSS_NOT_PORTABLE || status > 0) {
      // Only what the format cannot hold is refused, and nothing is left.
      EXPECT_TRUE(status == SPSS_NOT_PORTABLE || status == SPSS_NEEDS_PASSWORD || status == SPSS_INVALID_FILE)
          << in << ": " << status;
      EXPECT_FALSE(fs::exists(out)) << in;
      continue;
    }
    ASSERT_LE(status, 0) << in;
    ++written;
    ExpectSameCases(ReadTable(in), ReadTable(out), in);
    EXPECT_EQ(PortableDump(out), PortableDump(in)) << in;
    if (HavePeer("pspp-convert")) ExpectSameCases(PeerCsv("pspp-convert", in), PeerCsv("pspp-convert", out), in, 1e-7);
    // ReadStat prints numbers with six decimals and parses base 30 in a
    // double: within that, it reads ours as it reads the original.
    // (It refuses PSPP 1.6.2's long-string missing values in two originals.)
    if (!HavePeer("readstat")) continue;
    const auto theirs = TryPeerCsv("readstat", in, Path("rs.csv"));
    if (!theirs.empty()) ExpectSameCases(theirs, PeerCsv("readstat", out), in, 1e-9);
  }
  EXPECT_GE(written, 20);
}

// ReadStat keeps the digits of a number's text it parses in a double, so
// its values of ours are compared within that; it reads every one of them.
TEST_F(PortableWrite, ReadStatReadsOurs) {
  if (!HavePeer("readstat")) return;
  const std::string out = Path("n.por");
  ASSERT_EQ(ToPortable(DataPath("portable.sav"), out), SPSS_OK);
  const auto theirs = PeerCsv("readstat", out);
  const auto mine = PeerCsv("readstat", DataPath("portable.sav"));
  ASSERT_EQ(theirs.size(), mine.size());
  for (std::size_t r = 1; r < theirs.size(); ++r)
    for (std::size_t c = 0; c < theirs[r].size(); ++c) {
      const double a = std::strtod(theirs[r][c].c_str(), nullptr), b = std::strtod(mine[r][c].c_str(), nullptr);
      if (theirs[r][c] != mine[r][c]) {
        EXPECT_NEAR(a, b, std::fabs(b) * 1e-9) << r << "," << c;
      }
    }
}

// A text with a character outside the portable set, and a string wider than
// 255 bytes, are refused; the file never appears.
TEST_F(PortableWrite, RefusesWhatItCannotHold) {
  const std::string out = Path("bad.por");
  int w = -1;
  ASSERT_EQ(spssOpenWrite(out.c_str(), &w), SPSS_OK);
  ASSERT_EQ(spssSetPortable(w), SPSS_OK);
  ASSERT_EQ(spssSetVarName(w, "s", 10), SPSS_OK);
  ASSERT_EQ(spssCommitHeader(w), SPSS_OK);
  double s;
  ASSERT_EQ(spssGetVarHandle(w, "s", &s), SPSS_OK);
  ASSERT_EQ(spssSetValueChar(w, s, "±£ ok"), SPSS_OK);
  EXPECT_EQ(spssCommitCaseRecord(w), SPSS_OK);
  ASSERT_EQ(spssSetValueChar(w, s, "日本"), SPSS_OK);
  EXPECT_EQ(spssCommitCaseRecord(w), SPSS_NOT_PORTABLE);
  char why[256];
  long long at;
  ASSERT_EQ(spssGetFaultDetail(w, why, sizeof why, &at), SPSS_OK);
  EXPECT_NE(std::string(why).find("case 2, s: the character U+65E5"), std::string::npos) << why;
  ASSERT_EQ(spssCloseWrite(w), SPSS_OK);  // the refused case left nothing behind
  ReadHandle f(out);
  ASSERT_EQ(f.Cases(), 1);
  std::vector<std::string> values;
  ASSERT_EQ(f.ReadCase(f.Variables(), values), SPSS_OK);
  EXPECT_EQ(values[0], "\xC2\xB1\xC2\xA3 ok");

  ASSERT_EQ(spssOpenWrite(Path("wide.por").c_str(), &w), SPSS_OK);
  ASSERT_EQ(spssSetPortable(w), SPSS_OK);
  ASSERT_EQ(spssSetVarName(w, "wide", 300), SPSS_OK);
  EXPECT_EQ(spssCommitHeader(w), SPSS_NOT_PORTABLE);
  ASSERT_EQ(spssGetFaultDetail(w, why, sizeof why, &at), SPSS_OK);
  EXPECT_NE(std::string(why).find("wide is a string of 300 bytes"), std::string::npos) << why;
  spssDiscardWrite(w);
  EXPECT_FALSE(fs::exists(Path("wide.por")));
}

class PortableHostile : public TempDirTest {
 protected:
  // Opens and reads every case: a status or a clean read, never a crash.
  int ReadAll(const std::string& bytes) {
    std::ofstream(Path("h.por"), std::ios::binary) << bytes;
    ReadHandle f(Path("h.por"));
    if (f.status > 0) return f.status;
    const auto vars = f.Variables();
    std::vector<std::string> values;
    for (long c = 0; c < f.Cases(); ++c) EXPECT_EQ(f.ReadCase(vars, values), SPSS_OK);
    return f.status;
  }
  static std::string Fault() { return OpenFaultText(); }
};

// Cut anywhere: refused, or read with the complete cases and a warning.
TEST_F(PortableHostile, CutAnywhere) {
  const std::string whole = Bytes(DataPath("portable.por"));
  for (std::size_t n = 0; n < whole.size(); n += 7) {
    const int status = ReadAll(whole.substr(0, n));
    EXPECT_TRUE(status == SPSS_OK || status == SPSS_DATA_CUT || status == SPSS_INVALID_FILE || status > 0) << n;
    if (n < 464) {
      EXPECT_EQ(status, SPSS_INVALID_FILE) << n;  // no whole header
    }
  }
}

TEST_F(PortableHostile, BadFieldsAreNamed) {
  const std::string whole = Bytes(DataPath("portable.por"));
  const auto with = [&](const std::string& from, const std::string& to) {
    std::string s = whole;
    const std::size_t at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return s.replace(at, from.size(), to);
  };
  // A digit past base 30 in the variable count, a count past any file, a
  // text longer than the file, a tag no record has, no character table.
  EXPECT_EQ(ReadAll(with("4C/", "4CW/")), SPSS_INVALID_FILE);
  EXPECT_NE(Fault().find("found 'W' where the / that ends a number should be"), std::string::npos) << Fault();
  EXPECT_EQ(ReadAll(with("4C/", "4TTTTTTTTTT/")), SPSS_INVALID_FILE);
  EXPECT_EQ(ReadAll(with("CA/\r\nIdentifier", "CTTTTTTT/\r\nIdentifier")), SPSS_INVALID_FILE);
  EXPECT_NE(Fault().find("not a whole number from 0 to 65535"), std::string::npos) << Fault();
  EXPECT_EQ(ReadAll(with("70/2/ID", "!0/2/ID")), SPSS_INVALID_FILE);
  EXPECT_NE(Fault().find("which no portable file record has"), std::string::npos) << Fault();
  std::string noTable = whole;
  noTable.replace(noTable.find("0123456789ABCDEF"), 16, std::string(16, ' '));
  EXPECT_EQ(ReadAll(noTable), SPSS_INVALID_FILE);
  // In the data: the cases before a bad value are read, and where it is said.
  const std::size_t data = whole.find("F1/");
  ASSERT_NE(data, std::string::npos);
  std::string bad = whole;
  bad[bad.find("/3/", data) + 1] = 'W';
  EXPECT_EQ(ReadAll(bad), SPSS_DATA_CUT);
}

TEST_F(PortableHostile, RandomBytesChanged) {
  const std::string whole = Bytes(DataPath("portable.por"));
  std::uint32_t seed = 12345;
  const auto next = [&] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
  for (int round = 0; round < 300; ++round) {
    std::string s = whole;
    for (int k = 0; k < 1 + round % 4; ++k) s[next() % s.size()] = static_cast<char>(next() & 0xFF);
    ReadAll(s);
  }
}

// The component keeps a file's kind: a portable file saved in place stays
// one, SaveAs to another name writes a system file, to a .por name a
// portable one.
TEST_F(PortableWrite, ComponentSavesByKind) {
  const std::string path = Path("p.por");
  fs::copy_file(DataPath("portable.por"), path);
  TSPSSDatafile d;
  d.Set_Filename(path);
  d.Open();
  EXPECT_TRUE(d.IsPortable());
  d.Variables()->Find("ID")->Set_LabelText("Number");
  d.Save();
  EXPECT_TRUE(d.IsPortable());
  d.SaveAs(Path("p.sav"));
  EXPECT_FALSE(d.IsPortable());
  d.SaveAs(Path("again.por"));
  d.Close();
  for (const std::string& f : {path, Path("p.sav"), Path("again.por")}) {
    ReadHandle h(f);
    int kind = -1;
    EXPECT_EQ(spssGetFileKind(h.handle, &kind), SPSS_OK);
    EXPECT_EQ(kind, f == Path("p.sav") ? SPSS_KIND_SYSTEM : SPSS_KIND_PORTABLE) << f;
    char label[SPSS_MAX_VARLABEL + 1];
    ASSERT_EQ(spssGetVarLabel(h.handle, "ID", label), SPSS_OK) << f;
    EXPECT_STREQ(label, "Number") << f;
    ExpectSameCases(ReadTable(f), ReadTable(DataPath("portable.por")), f);
  }
}

}  // namespace
}  // namespace savkit::testing
