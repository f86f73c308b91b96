// Reading files built byte by byte: what PSPP does not write, and damage.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <fstream>
#include <random>

#include "io_test_support.h"
#include "sav_builder.h"
#include "temp_dir.h"

using namespace savkit::testing;
using Element = SavBuilder::Element;

namespace {

Element Num(double v) { return Element{true, v, {}}; }
Element Str(const std::string& s) { return Element{false, 0, s}; }

// Three variables (a number, an A8 and an A12) and, for each case i, the
// values i * 1.5, "row<i>" and "twelve-<i>".
SavBuilder SmallFile(bool bigEndian, int compression, int cases, int declaredCases) {
  SavBuilder b(bigEndian);
  b.Header(4, compression, 1, declaredCases, "built file");
  b.Variable("NUM", 0, "a number", {-1.0});
  b.Variable("SHORT", 8);
  b.Variable("LONGER", 12);
  b.ReleaseInfo(65001);
  b.TextExtension(5, "Set One= num longer\nEmpty Set= \r\n");
  b.TextExtension(13, "NUM=NumberOfThings\tSHORT=Short\tLONGER=Longer");
  b.Extension(42, 4, 2, {1, 2, 3, 4, 5, 6, 7, 8});  // a record nobody knows
  b.TextExtension(20, "UTF-8");
  b.EndDictionary();
  std::vector<Element> elements;
  for (int i = 0; i < cases; ++i) {
    const std::string row = "row" + std::to_string(i);
    const std::string twelve = ("twelve-" + std::to_string(i) + "        ").substr(0, 16);
    if (compression == 0) {
      b.Double(i * 1.5).Text(row, 8).Text(twelve, 16);
    } else {
      elements.insert(elements.end(), {Num(i * 1.5), Str(std::string(row + "        ").substr(0, 8)),
                                       Str(twelve.substr(0, 8)), Str(twelve.substr(8))});
    }
  }
  if (compression == 1) b.Compressed(elements);
  return b;
}

void ExpectSmallCase(const std::vector<std::string>& values, int i) {
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(std::strtod(values[0].c_str(), nullptr), i * 1.5);
  EXPECT_EQ(values[1], "row" + std::to_string(i));
  EXPECT_EQ(values[2], "twelve-" + std::to_string(i));
}

}  // namespace

class BuiltFiles : public TempDirTest, public ::testing::WithParamInterface<std::tuple<bool, int>> {};

TEST_P(BuiltFiles, EitherByteOrderAndCompressionReadsAlike) {
  const auto [bigEndian, compression] = GetParam();
  const std::string path = Path("small.sav");
  SmallFile(bigEndian, compression, 40, 40).Save(path);
  ReadHandle f(path);
  ASSERT_EQ(f.status, SPSS_OK);
  const auto vars = f.Variables();
  ASSERT_EQ(vars.size(), 3u);
  EXPECT_EQ(vars[0].name, "NumberOfThings");
  EXPECT_EQ(vars[2].type, 12);
  EXPECT_EQ(f.CaseSize(), 8 + 8 + 16);
  char text[300];
  EXPECT_EQ(spssGetCaseWeightVar(f.handle, text), SPSS_OK);
  EXPECT_STREQ(text, "NumberOfThings");
  EXPECT_EQ(spssGetVarLabel(f.handle, "numberofthings", text), SPSS_OK);
  EXPECT_STREQ(text, "a number");
  int type;
  double v[3];
  EXPECT_EQ(spssGetVarNMissingValues(f.handle, "NumberOfThings", &type, &v[0], &v[1], &v[2]), SPSS_OK);
  EXPECT_EQ(type, 1);
  EXPECT_EQ(v[0], -1.0);
  char* sets = nullptr;
  ASSERT_EQ(spssGetVariableSets(f.handle, &sets), SPSS_OK);
  EXPECT_STREQ(sets, "Set One= num longer\nEmpty Set= \r\n");
  spssFreeVariableSets(sets);
  char* defs = reinterpret_cast<char*>(1);
  EXPECT_EQ(spssGetMultRespDefs(f.handle, &defs), SPSS_NO_MULTRESP);
  EXPECT_EQ(defs, nullptr);

  std::vector<std::string> values;
  for (int i = 0; i < 40; ++i) {
    ASSERT_EQ(f.ReadCase(vars, values), SPSS_OK);
    ExpectSmallCase(values, i);
  }
  EXPECT_EQ(f.ReadCase(vars, values), SPSS_FILE_END);
  // Random positions give the same cases as reading in order.
  std::mt19937 rng(5);
  for (int k = 0; k < 200; ++k) {
    const int i = static_cast<int>(rng() % 40);
    ASSERT_EQ(spssSeekNextCase(f.handle, i), SPSS_OK);
    ASSERT_EQ(f.ReadCase(vars, values), SPSS_OK);
    ExpectSmallCase(values, i);
  }
  EXPECT_EQ(spssSeekNextCase(f.handle, 40), SPSS_OK);
  EXPECT_EQ(f.ReadCase(vars, values), SPSS_FILE_END);
  EXPECT_EQ(spssSeekNextCase(f.handle, 41), SPSS_INVALID_CASE);
  EXPECT_EQ(spssSeekNextCase(f.handle, -1), SPSS_INVALID_CASE);
}

INSTANTIATE_TEST_SUITE_P(OrderAndCompression, BuiltFiles,
                         ::testing::Combine(::testing::Bool(), ::testing::Values(0, 1)));

TEST_F(TempDirTest, UnknownCaseCountIsCounted) {
  for (int compression : {0, 1}) {
    const std::string path = Path("unknown.sav");
    SmallFile(false, compression, 77, -1).Save(path);
    ReadHandle f(path);
    ASSERT_EQ(f.status, SPSS_OK);
    EXPECT_EQ(f.Cases(), 77);
    const auto vars = f.Variables();
    std::vector<std::string> values;
    ASSERT_EQ(f.ReadCase(vars, values), SPSS_OK);  // counting left the position at the start
    ExpectSmallCase(values, 0);
    ASSERT_EQ(spssSeekNextCase(f.handle, 70), SPSS_OK);
    ASSERT_EQ(f.ReadCase(vars, values), SPSS_OK);
    ExpectSmallCase(values, 70);
  }
  // A compressed file without the end code, ending on a case boundary.
  SavBuilder b;
  b.Header(1, 1, 0, -1).Variable("X", 0).EndDictionary();
  b.Compressed({Num(1), Num(2), Num(3)}, false);
  b.Save(Path("noend.sav"));
  ReadHandle f(Path("noend.sav"));
  ASSERT_EQ(f.status, SPSS_OK);
  EXPECT_EQ(f.Cases(), 3);
}

TEST_F(TempDirTest, ExtendedCaseCountAndDisplayWithoutWidths) {
  SavBuilder b;
  b.Header(2, 0, 0, -1).Variable("A", 0).Variable("B", 0);
  b.Int(7).Int(11).Int(4).Int(4).Int(2).Int(2).Int(3).Int(0);  // measure and alignment only
  b.Int(7).Int(16).Int(8).Int(2).Int64(1).Int64(2);
  b.EndDictionary().Double(1).Double(2).Double(3).Double(4).Double(5).Double(6);  // one case too many
  b.Save(Path("ext.sav"));
  ReadHandle f(Path("ext.sav"));
  ASSERT_EQ(f.status, SPSS_OK);
  EXPECT_EQ(f.Cases(), 2);  // the record's count, not the bytes that follow
  int level, align, columns;
  EXPECT_EQ(spssGetVarMeasureLevel(f.handle, "B", &level), SPSS_OK);
  EXPECT_EQ(level, SPSS_MLVL_RAT);
  EXPECT_EQ(spssGetVarAlignment(f.handle, "A", &align), SPSS_OK);
  EXPECT_EQ(align, SPSS_ALIGN_CENTER);
  EXPECT_EQ(spssGetVarColumnWidth(f.handle, "A", &columns), SPSS_OK);
  EXPECT_EQ(columns, 8);  // the default for a number
}

TEST_F(TempDirTest, NamesAreUniqueAndSetsFollowThem) {
  const std::string longName(70, 'x');
  SavBuilder b;
  b.Header(3, 0, 0, 1).Variable("A", 0).Variable("B", 0).Variable("C", 0);
  b.TextExtension(13, "A=Same\tB=same\tC=" + longName);
  b.TextExtension(5, "S= Same same " + longName + "\n");
  b.EndDictionary().Double(1).Double(2).Double(3);
  b.Save(Path("names.sav"));
  ReadHandle f(Path("names.sav"));
  ASSERT_EQ(f.status, SPSS_NAME_MENDED);
  const auto vars = f.Variables();
  EXPECT_EQ(vars[0].name, "Same");
  EXPECT_EQ(vars[1].name, "B");  // names ignore case: this one keeps its short name, as PSPP does
  EXPECT_EQ(vars[2].name, std::string(64, 'x'));
  char* sets = nullptr;
  ASSERT_EQ(spssGetVariableSets(f.handle, &sets), SPSS_OK);
  EXPECT_EQ(std::string(sets), "S= Same B " + std::string(64, 'x') + "\n");
  spssFreeVariableSets(sets);

  // A name of blanks (or a long name of nothing) gets one from its position, as PSPP names it.
  SavBuilder blank;
  blank.Header(2, 0, 0, 1).Variable("", 0).Variable("B", 0).TextExtension(13, "B=");
  blank.EndDictionary().Double(1).Double(2);
  blank.Save(Path("blank.sav"));
  ReadHandle g(Path("blank.sav"));
  ASSERT_EQ(g.status, SPSS_NAME_MENDED);
  EXPECT_EQ(g.Variables()[0].name, "VAR001");
  EXPECT_EQ(g.Variables()[1].name, "B");
}

namespace {

std::vector<std::pair<std::string, std::string>> Attributes(int handle, const char* var = nullptr) {
  char** names = nullptr;
  char** texts = nullptr;
  int n = -1;
  const int status =
      var ? spssGetVarAttributes(handle, var, &names, &texts, &n) : spssGetFileAttributes(handle, &names, &texts, &n);
  EXPECT_EQ(status, SPSS_OK);
  std::vector<std::pair<std::string, std::string>> out;
  for (int i = 0; i < n; ++i) out.emplace_back(names[i], texts[i]);
  EXPECT_EQ(spssFreeAttributes(names, texts, n), SPSS_OK);
  return out;
}

}  // namespace

// Attributes come out one entry per value, decoded, under the names the API
// gives their variables; a record that does not parse shows nothing.
TEST_F(TempDirTest, AttributesDocumentsEncodingAndWholeLabelsAreHandedOut) {
  SavBuilder b;
  const std::string longLabel = std::string(300, 'x') + " \xe9nd";
  b.Header(2, 0, 0, 1).Variable("A", 0, longLabel).Variable("B", 0).ReleaseInfo(1252);
  b.Int(6).Int(2).Text("first line", 80).Text("caf\xe9", 80);
  b.TextExtension(13, "A=LongerName\tB=b");
  b.TextExtension(17, "Origin('it's (here)/there'\n)List('1'\n'2'\n'3'\n)");
  b.TextExtension(18, "longername:Note('caf\xe9'\n)$@Role('1'\n)/b:Empty(''\n)/gone:X('y'\n)");
  b.EndDictionary().Double(1).Double(2);
  b.Save(Path("attrs.sav"));
  ReadHandle f(Path("attrs.sav"));
  ASSERT_EQ(f.status, SPSS_OK);
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(Attributes(f.handle),
            (Pairs{{"Origin", "it's (here)/there"}, {"List[1]", "1"}, {"List[2]", "2"}, {"List[3]", "3"}}));
  EXPECT_EQ(Attributes(f.handle, "LongerName"), (Pairs{{"Note", "caf\u00e9"}, {"$@Role", "1"}}));
  EXPECT_EQ(Attributes(f.handle, "b"), (Pairs{{"Empty", ""}}));
  char** names = nullptr;
  char** texts = nullptr;
  int n = 0;
  EXPECT_EQ(spssGetVarAttributes(f.handle, "nosuch", &names, &texts, &n), SPSS_VAR_NOTFOUND);
  EXPECT_EQ(spssGetFileAttributes(f.handle, nullptr, &texts, &n), SPSS_INVALID_HANDLE);
  EXPECT_EQ(spssFreeAttributes(nullptr, nullptr, -1), SPSS_CANNOT_FREE);

  char** lines = nullptr;
  ASSERT_EQ(spssGetDocuments(f.handle, &lines, &n), SPSS_OK);
  ASSERT_EQ(n, 2);
  EXPECT_STREQ(lines[0], "first line");
  EXPECT_STREQ(lines[1], "caf\u00e9");
  EXPECT_EQ(spssFreeDocuments(lines, n), SPSS_OK);
  char whole[400], cut[4];
  int size = 0;
  ASSERT_EQ(spssGetVarLabelLong(f.handle, "LongerName", whole, sizeof whole, &size), SPSS_OK);
  EXPECT_EQ(whole, std::string(300, 'x') + " \u00e9nd");
  EXPECT_EQ(size, 305);
  ASSERT_EQ(spssGetVarLabelLong(f.handle, "LongerName", cut, sizeof cut, &size), SPSS_OK);
  EXPECT_STREQ(cut, "xxx");
  EXPECT_EQ(size, 305);
  char encoding[SPSS_MAX_ENCODING + 1];
  ASSERT_EQ(spssGetFileEncoding(f.handle, encoding), SPSS_OK);
  EXPECT_STREQ(encoding, "WINDOWS-1252");

  SavBuilder broken;
  broken.Header(1, 0, 0, 1).Variable("A", 0).TextExtension(17, "Origin('unterminated)").EndDictionary().Double(1);
  broken.Save(Path("broken.sav"));
  ReadHandle g(Path("broken.sav"));
  ASSERT_EQ(g.status, SPSS_OK);
  EXPECT_TRUE(Attributes(g.handle).empty());
  ASSERT_EQ(spssGetDocuments(g.handle, &lines, &n), SPSS_OK);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(lines, nullptr);
  ASSERT_EQ(spssGetFileEncoding(g.handle, encoding), SPSS_OK);
  EXPECT_STREQ(encoding, "WINDOWS-1252");  // old files that do not say are read as Western Windows
}

TEST_F(TempDirTest, DeclaredCasesMissingFromTheDataAreAReadError) {
  SmallFile(false, 1, 10, 12).Save(Path("short.sav"));
  ReadHandle f(Path("short.sav"));
  ASSERT_EQ(f.status, SPSS_OK);
  const auto vars = f.Variables();
  std::vector<std::string> values;
  for (int i = 0; i < 10; ++i) ASSERT_EQ(f.ReadCase(vars, values), SPSS_OK);
  EXPECT_EQ(f.ReadCase(vars, values), SPSS_FILE_RERROR);
  EXPECT_EQ(spssSeekNextCase(f.handle, 11), SPSS_FILE_RERROR);
}

// Truncation anywhere and damaged counts give statuses, never a crash, a hang
// or a huge allocation (the sanitizer build watches for all three).
TEST_F(TempDirTest, DamagedFilesFailCleanly) {
  std::vector<std::string> sources = {DataPath("full.sav"), DataPath("full.zsav")};
  const std::string built = Path("built.sav");
  SmallFile(true, 1, 20, 20).Save(built);
  sources.push_back(built);
  std::mt19937 rng(9);
  for (const std::string& source : sources) {
    std::ifstream in(source, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto tryFile = [&](const std::vector<char>& data) {
      const std::string path = Path("damaged.sav");
      std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
      ReadHandle f(path);
      if (f.status > 0) return;
      const auto vars = f.Variables();
      std::vector<std::string> values;
      for (long i = 0; i < f.Cases() + 1; ++i)
        if (f.ReadCase(vars, values) != SPSS_OK) break;
      spssSeekNextCase(f.handle, f.Cases() / 2);
      f.ReadCase(vars, values);
    };
    // Cut at every byte of the dictionary and at a sample of data positions.
    for (std::size_t cut = 0; cut < bytes.size(); cut += cut < 3000 ? 1 : 997)
      tryFile(std::vector<char>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut)));
    // Random bytes overwritten, and random 32-bit fields set to huge values.
    for (int k = 0; k < 300; ++k) {
      std::vector<char> copy = bytes;
      const std::size_t at = rng() % std::min<std::size_t>(copy.size(), 4000);
      if (k % 2) {
        const std::int32_t huge = k % 4 == 1 ? 0x7FFFFFF0 : -2;
        std::memcpy(copy.data() + (at & ~std::size_t{3}), &huge, std::min<std::size_t>(4, copy.size() - at));
      } else {
        copy[at] = static_cast<char>(rng());
      }
      tryFile(copy);
    }
  }
}

TEST_F(TempDirTest, HandlesAndForeignFiles) {
  int h = -1;
  EXPECT_EQ(spssOpenRead(Path("absent.sav").c_str(), &h), SPSS_FILE_OERROR);
  EXPECT_EQ(spssOpenRead(dir_.c_str(), &h), SPSS_FILE_OERROR);
  EXPECT_EQ(spssOpenRead(nullptr, &h), SPSS_FILE_OERROR);
  std::ofstream(Path("text.sav"))
      << "this is not a system file, just some text that is long enough to read a header from "
         "if anybody tried to, and then quite a bit more text after that for good measure";
  EXPECT_EQ(spssOpenRead(Path("text.sav").c_str(), &h), SPSS_INVALID_FILE);
  SavBuilder noVars;
  noVars.Header(0, 0, 0, 0).EndDictionary();
  noVars.Save(Path("novars.sav"));
  EXPECT_EQ(spssOpenRead(Path("novars.sav").c_str(), &h), SPSS_NO_TYPE2);
  SavBuilder noEnd;
  noEnd.Header(1, 0, 0, 0).Variable("X", 0);
  noEnd.Save(Path("noend.sav"));
  EXPECT_EQ(spssOpenRead(Path("noend.sav").c_str(), &h), SPSS_NO_TYPE999);

  int n;
  long cases;
  EXPECT_EQ(spssGetNumberofVariables(-1, &n), SPSS_INVALID_HANDLE);
  EXPECT_EQ(spssGetNumberofCases(12345, &cases), SPSS_INVALID_HANDLE);
  EXPECT_EQ(spssCloseRead(7), SPSS_INVALID_HANDLE);

  std::vector<int> handles;
  int status;
  while ((status = spssOpenRead(DataPath("latin1.sav").c_str(), &h)) == SPSS_OK) handles.push_back(h);
  EXPECT_EQ(status, SPSS_FITAB_FULL);
  EXPECT_EQ(handles.size(), 128u);
  for (int handle : handles) EXPECT_EQ(spssCloseRead(handle), SPSS_OK);
  EXPECT_EQ(spssCloseRead(handles.front()), SPSS_INVALID_HANDLE);
}

TEST(Dates, SecondsSinceTheGregorianCalendarBegan) {
  double d;
  EXPECT_EQ(spssConvertDate(15, 10, 1582, &d), SPSS_OK);
  EXPECT_EQ(d, 86400.0);
  EXPECT_EQ(spssConvertDate(1, 1, 1970, &d), SPSS_OK);
  EXPECT_EQ(d, 12219379200.0);
  EXPECT_EQ(spssConvertDate(14, 10, 1582, &d), SPSS_INVALID_DATE);
  EXPECT_EQ(spssConvertDate(29, 2, 2023, &d), SPSS_INVALID_DATE);
  EXPECT_EQ(spssConvertDate(29, 2, 2024, &d), SPSS_OK);
  int day, month, year;
  for (double days = 1; days < 3e6; days += 997) {
    ASSERT_EQ(spssConvertSPSSDate(&day, &month, &year, days * 86400 + 3600), SPSS_OK);
    ASSERT_EQ(spssConvertDate(day, month, year, &d), SPSS_OK);
    ASSERT_EQ(d, days * 86400);
  }
  EXPECT_EQ(spssConvertSPSSDate(&day, &month, &year, spssSysmisVal()), SPSS_INVALID_DATE);

  double t;
  EXPECT_EQ(spssConvertTime(2, 13, 5, 7.25, &t), SPSS_OK);
  EXPECT_EQ(t, 2 * 86400 + 13 * 3600 + 5 * 60 + 7.25);
  long days;
  int hour, minute;
  double second;
  EXPECT_EQ(spssConvertSPSSTime(&days, &hour, &minute, &second, t), SPSS_OK);
  EXPECT_EQ((std::tuple{days, hour, minute, second}), (std::tuple{2L, 13, 5, 7.25}));
  EXPECT_EQ(spssConvertTime(0, 24, 0, 0, &t), SPSS_INVALID_TIME);
  EXPECT_EQ(spssConvertTime(0, 0, 0, 60, &t), SPSS_INVALID_TIME);
  EXPECT_EQ(spssConvertSPSSTime(&days, &hour, &minute, &second, -1), SPSS_INVALID_TIME);
}

TEST_F(TempDirTest, NamesAreKeptAsTheFileHasThemAndMendedOnesKeepWhatTheyHave) {
  const std::string emoji =
      "Gr\xC3\xB6\xC3\x9F"
      "e\xF0\x9F\x98\x80";  // "Größe😀", as SPSS writes names
  SavBuilder b;
  b.Header(4, 0, 0, 1).Variable("A", 0).Variable("B", 10).ReleaseInfo(65001);
  b.TextExtension(13, "A=" + emoji + "\tB=a b");  // "a b" cannot be kept: a blank
  // B's long-string label and missing value, and both variables' attributes, name them as the file does.
  SavBuilder labels;
  labels.Int(3).Text("a b").Int(10).Int(1).Int(10).Text("x", 10).Int(5).Text("Label");
  b.Extension(21, 1, static_cast<int>(labels.Bytes().size()), labels.Bytes());
  SavBuilder missing;
  missing.Int(3).Text("a b").Raw({1}).Int(8).Text("none", 8);
  b.Extension(22, 1, static_cast<int>(missing.Bytes().size()), missing.Bytes());
  b.TextExtension(18, emoji + ":Note('kept'\n)/a b:Note('moved'\n)");
  b.EndDictionary().Double(1).Text("x", 10).Text("", 6);
  b.Save(Path("names.sav"));
  ReadHandle f(Path("names.sav"));
  ASSERT_EQ(f.status, SPSS_NAME_MENDED);
  const auto vars = f.Variables();
  EXPECT_EQ(vars[0].name, emoji);
  EXPECT_EQ(vars[1].name, "B");  // the short name
  EXPECT_EQ(Attributes(f.handle, emoji.c_str()), (std::vector<std::pair<std::string, std::string>>{{"Note", "kept"}}));
  EXPECT_EQ(Attributes(f.handle, "B"), (std::vector<std::pair<std::string, std::string>>{{"Note", "moved"}}));
  char label[SPSS_MAX_VALLABEL + 1];
  EXPECT_EQ(spssGetVarCValueLabel(f.handle, "B", "x", label), SPSS_OK);
  EXPECT_STREQ(label, "Label");
  int type = 0;
  char m1[SPSS_MAX_MISSVALUE + 1], m2[SPSS_MAX_MISSVALUE + 1], m3[SPSS_MAX_MISSVALUE + 1];
  ASSERT_EQ(spssGetVarCMissingValues(f.handle, "B", &type, m1, m2, m3), SPSS_OK);
  EXPECT_EQ(type, 1);
  EXPECT_EQ(std::string(m1).substr(0, 4), "none");
  // A name a file holds can be written again, in a copy and a new file alike.
  EXPECT_EQ(spssValidateVarname(emoji.c_str()), SPSS_NAME_OK);
  EXPECT_EQ(spssValidateVarname("a b"), SPSS_NAME_BADCHAR);
}
