// Writing files through the C interface, and reading them back with our
// reader, PSPP and ReadStat.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cfloat>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "io/attributes.h"
#include "io_test_support.h"
#include "sav_builder.h"
#include "temp_dir.h"

using namespace savkit::testing;

namespace {

#define ASSERT_OK(call) ASSERT_EQ((call), SPSS_OK) << #call

constexpr int kCases = 300;

double DateValue(int day, int month, int year) {
  double d = 0;
  spssConvertDate(day, month, year, &d);
  return d;
}

// A file with every kind of variable and dictionary entry; returns the handle's status.
void WriteEveryKind(const std::string& path, int compression) {
  int h;
  ASSERT_OK(spssOpenWrite(path.c_str(), &h));
  ASSERT_OK(spssSetCompression(h, compression));
  ASSERT_OK(spssSetIdString(h, "Every kind — ünïcode"));
  ASSERT_OK(spssSetTextInfo(h, "written by the savkit tests"));
  ASSERT_OK(spssSetVarName(h, "id", 0));
  ASSERT_OK(spssSetVarName(h, "AVeryLongVariableNameForTheScore", 0));
  ASSERT_OK(spssSetVarName(h, "when", 0));
  ASSERT_OK(spssSetVarName(h, "stamp", 0));
  ASSERT_OK(spssSetVarName(h, "name", 8));
  ASSERT_OK(spssSetVarName(h, "code", 3));
  ASSERT_OK(spssSetVarName(h, "comment", 40));
  ASSERT_OK(spssSetVarName(h, "big", 1000));
  ASSERT_OK(spssSetVarName(h, "huge", 20000));
  ASSERT_OK(spssSetVarName(h, "wt", 0));
  ASSERT_OK(spssSetVarName(h, "d1", 0));
  ASSERT_OK(spssSetVarName(h, "d2", 0));
  ASSERT_OK(spssSetVarName(h, "größe", 0));
  ASSERT_OK(spssSetVarPrintFormat(h, "id", SPSS_FMT_F, 0, 6));
  ASSERT_OK(spssSetVarWriteFormat(h, "id", SPSS_FMT_F, 0, 6));
  ASSERT_OK(spssSetVarPrintFormat(h, "when", SPSS_FMT_DATE, 0, 11));
  ASSERT_OK(spssSetVarPrintFormat(h, "stamp", SPSS_FMT_DATE_TIME, 0, 20));
  ASSERT_OK(spssSetVarLabel(h, "id", "Identifier"));
  ASSERT_OK(spssSetVarLabel(h, "AVeryLongVariableNameForTheScore", "Score in € — ünïcode"));
  ASSERT_OK(spssSetVarMeasureLevel(h, "id", SPSS_MLVL_NOM));
  ASSERT_OK(spssSetVarMeasureLevel(h, "code", SPSS_MLVL_ORD));
  ASSERT_OK(spssSetVarAlignment(h, "name", SPSS_ALIGN_CENTER));
  ASSERT_OK(spssSetVarColumnWidth(h, "comment", 30));
  double lo, hi;
  spssLowHighVal(&lo, &hi);
  ASSERT_OK(spssSetVarNMissingValues(h, "id", SPSS_MISS_RANGEANDVAL, 900, 999, -1));
  ASSERT_OK(spssSetVarNMissingValues(h, "AVeryLongVariableNameForTheScore", SPSS_MISS_RANGE, lo, -50, 0));
  ASSERT_OK(spssSetVarNMissingValues(h, "wt", SPSS_MISS_RANGE, 100, hi, 0));
  ASSERT_OK(spssSetVarNMissingValues(h, "d1", SPSS_THREE_MISSVAL, 7, 8, 9));
  ASSERT_OK(spssSetVarCMissingValues(h, "code", 2, "zz", "n/a", nullptr));
  ASSERT_OK(spssSetVarCMissingValues(h, "comment", 1, "none", nullptr, nullptr));
  ASSERT_OK(spssSetVarNValueLabel(h, "id", 1, "one"));
  ASSERT_OK(spssSetVarNValueLabel(h, "id", 2.5, "two and a half"));
  ASSERT_OK(spssSetVarNValueLabel(h, "d1", 1, "yes"));
  ASSERT_OK(spssSetVarCValueLabel(h, "name", "Zoë", "Ms Z"));
  ASSERT_OK(spssSetVarCValueLabel(h, "comment", "first", "The first comment"));
  ASSERT_OK(spssSetVarCValueLabel(h, "big", "big 0", "A big value"));
  ASSERT_OK(spssSetCaseWeightVar(h, "wt"));
  ASSERT_OK(spssSetVariableSets(h, "Scores= id AVeryLongVariableNameForTheScore\nTexts= name comment big huge\n"));
  ASSERT_OK(spssSetMultRespDefs(h,
                                "$cat=C 10 Categories d1 d2\n"
                                "$dich=D1 1 11 Dichotomies d1 d2\n"
                                "$counted=D1 1 7 Counted 11 d1 d2 größe\n"
                                "$texts=D3 yes 0  name code\n"));
  ASSERT_OK(spssCommitHeader(h));
  double handles[13];
  const char* names[] = {"id",      "AVeryLongVariableNameForTheScore",
                         "when",    "stamp",
                         "name",    "code",
                         "comment", "big",
                         "huge",    "wt",
                         "d1",      "d2",
                         "größe"};
  for (int i = 0; i < 13; ++i) ASSERT_OK(spssGetVarHandle(h, names[i], &handles[i]));
  for (int c = 0; c < kCases; ++c) {
    const bool gap = c % 17 == 5;  // system-missing and empty values now and then
    ASSERT_OK(spssSetValueNumeric(h, handles[0], c));
    ASSERT_OK(spssSetValueNumeric(h, handles[1], gap ? spssSysmisVal() : c * 1.25 - 100.125));
    ASSERT_OK(spssSetValueNumeric(h, handles[2], gap ? spssSysmisVal() : DateValue(1 + c % 28, 1 + c % 12, 1900 + c)));
    ASSERT_OK(spssSetValueNumeric(h, handles[3], DateValue(15, 10, 1582) + c * 3661.0));
    ASSERT_OK(spssSetValueChar(h, handles[4], c % 3 ? "Alice" : "Zoë"));
    ASSERT_OK(spssSetValueChar(h, handles[5], gap ? "" : "abc"));
    ASSERT_OK(spssSetValueChar(h, handles[6], ("comment number " + std::to_string(c)).c_str()));
    ASSERT_OK(spssSetValueChar(h, handles[7], ("big " + std::to_string(c) + std::string(c * 3, '.')).c_str()));
    ASSERT_OK(spssSetValueChar(h, handles[8], (std::string(c * 60, 'h') + "|end").c_str()));
    ASSERT_OK(spssSetValueNumeric(h, handles[9], 1 + c % 4));
    ASSERT_OK(spssSetValueNumeric(h, handles[10], c % 2));
    ASSERT_OK(spssSetValueNumeric(h, handles[11], c % 3 == 0 ? 1.0 : 1e300));
    ASSERT_OK(spssSetValueNumeric(h, handles[12], -c * 1e-7));
    ASSERT_OK(spssCommitCaseRecord(h));
  }
  long n = 0;
  EXPECT_EQ(spssGetNumberofCases(h, &n), SPSS_OK);
  EXPECT_EQ(n, kCases);
  ASSERT_OK(spssCloseWrite(h));
}

bool Contains(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

}  // namespace

class WrittenFile : public TempDirTest, public ::testing::WithParamInterface<int> {};

TEST_P(WrittenFile, ReadsBackTheSameThreeWays) {
  const std::string path = Path("every.sav");
  WriteEveryKind(path, GetParam());
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_FALSE(std::filesystem::exists(path + ".savkit-000000"));

  ReadHandle f(path);
  ASSERT_EQ(f.status, SPSS_OK);
  const auto vars = f.Variables();
  ASSERT_EQ(vars.size(), 13u);
  EXPECT_EQ(vars[1].name, "AVeryLongVariableNameForTheScore");
  EXPECT_EQ(vars[8].type, 20000);
  EXPECT_EQ(vars[12].name, "größe");
  EXPECT_EQ(f.Cases(), kCases);
  int compression;
  spssGetCompression(f.handle, &compression);
  EXPECT_EQ(compression, GetParam());
  char text[300];
  spssGetIdString(f.handle, text);
  EXPECT_STREQ(text, "Every kind — ünïcode");
  spssGetTextInfo(f.handle, text);
  EXPECT_STREQ(text, "written by the savkit tests");
  spssGetCaseWeightVar(f.handle, text);
  EXPECT_STREQ(text, "wt");
  char* defs = nullptr;
  ASSERT_EQ(spssGetMultRespDefs(f.handle, &defs), SPSS_OK);
  EXPECT_STREQ(defs,
               "$cat=C 10 Categories d1 d2\n"
               "$dich=D1 1 11 Dichotomies d1 d2\n"
               "$texts=D3 yes 0  name code\n"
               "$counted=D1 1 7 Counted 11 d1 d2 größe\n");
  spssFreeMultRespDefs(defs);
  char* sets = nullptr;
  ASSERT_EQ(spssGetVariableSets(f.handle, &sets), SPSS_OK);
  EXPECT_STREQ(sets, "Scores= id AVeryLongVariableNameForTheScore\nTexts= name comment big huge\n");
  spssFreeVariableSets(sets);

  std::vector<std::string> values;
  for (int c = 0; c < kCases; ++c) {
    ASSERT_EQ(f.ReadCase(vars, values), SPSS_OK);
    EXPECT_EQ(values[0], std::to_string(c));
    EXPECT_EQ(values[6], "comment number " + std::to_string(c));
    EXPECT_EQ(values[8], std::string(c * 60, 'h') + "|end");
    EXPECT_EQ(values[11], c % 3 == 0 ? "1" : "1.0000000000000001e+300");
    if (HasFailure()) break;
  }

  if (HavePeer("pspp-convert")) ExpectSameAsCsv(path, PeerCsv("pspp-convert", path), CsvStyle::Pspp);
  if (HavePeer("readstat")) ExpectSameAsCsv(path, PeerCsv("readstat", path), CsvStyle::ReadStat);
  if (!HavePeer("pspp")) return;
  const std::string tables = RunPspp("GET FILE='" + path + "'.\nDISPLAY DICTIONARY.\nMRSETS /DISPLAY NAME=ALL.\n");
  for (const char* row : {
           "id,1,Identifier,Nominal,Input,8,Right,F6.0,F6.0,900 THRU 999; -1",
           "AVeryLongVariableNameForTheScore,2,Score in € — ünïcode,Scale,Input,8,Right,F8.2,F8.2,LOWEST THRU -50",
           "when,3,,Scale,Input,8,Right,DATE11,F8.2,",
           "name,5,,Nominal,Input,8,Center,A8,A8,",
           "code,6,,Ordinal,Input,3,Left,A3,A3,\"\"\"zz \"\"; \"\"n/a\"\"\"",
           "comment,7,,Nominal,Input,30,Left,A40,A40,\"\"\"none    \"\"\"",
           "huge,9,,Nominal,Input,32,Left,A20000,A20000,",
           "wt,10,,Scale,Input,8,Right,F8.2,F8.2,100 THRU HIGHEST",
           "d1,11,,Scale,Input,8,Right,F8.2,F8.2,7; 8; 9",
           "Identifier,1,one",
           "name,Zoë,Ms Z",
           "comment,first,The first comment",
           "big,big 0,A big value",
           "$cat,Categories,Categories,,",
           "$counted,Counted,Dichotomies,1,",
           "$texts,,Dichotomies,yes,",
       })
    EXPECT_TRUE(Contains(tables, row)) << row << "\n" << tables;
  EXPECT_FALSE(Contains(tables, "arning")) << tables;
}

INSTANTIATE_TEST_SUITE_P(Compressions, WrittenFile, ::testing::Values(0, 1, 2));

// Bytecode cases of measured numbers are mostly blocks of eight raw values;
// whatever the case's width, such blocks straddle cases or not, and mixed
// with compressed values read back exactly, in order and after seeks.
TEST_F(TempDirTest, RawValueBlocksReadBackWhateverTheCaseWidth) {
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> measured(-1e6, 1e6);
  for (int width : {1, 3, 8, 9, 16, 17}) {
    SCOPED_TRACE(width);
    const std::string path = Path("raw" + std::to_string(width) + ".sav");
    constexpr int kRows = 500;
    std::vector<double> values(static_cast<std::size_t>(width) * kRows);
    for (std::size_t i = 0; i < values.size(); ++i)
      values[i] = i % 29 == 0 ? static_cast<double>(i % 100) : i % 31 == 0 ? -DBL_MAX : measured(rng);
    int h;
    ASSERT_OK(spssOpenWrite(path.c_str(), &h));
    ASSERT_OK(spssSetCompression(h, 1));
    for (int v = 0; v < width; ++v) ASSERT_OK(spssSetVarName(h, ("v" + std::to_string(v)).c_str(), 0));
    ASSERT_OK(spssCommitHeader(h));
    for (int c = 0; c < kRows; ++c)
      ASSERT_OK(spssWholeCaseOut(h, reinterpret_cast<const char*>(&values[static_cast<std::size_t>(c * width)])));
    ASSERT_OK(spssCloseWrite(h));

    ReadHandle f(path);
    ASSERT_EQ(f.status, SPSS_OK);
    std::vector<double> row(static_cast<std::size_t>(width));
    auto expectRow = [&](int c) {
      ASSERT_OK(spssWholeCaseIn(f.handle, reinterpret_cast<char*>(row.data())));
      for (int v = 0; v < width; ++v)
        ASSERT_EQ(row[static_cast<std::size_t>(v)], values[static_cast<std::size_t>(c * width + v)]) << c;
    };
    for (int c = 0; c < kRows; ++c) expectRow(c);
    for (int c : {kRows - 1, 0, 257, 3, 256}) {
      ASSERT_OK(spssSeekNextCase(f.handle, c));
      expectRow(c);
    }
  }
}

TEST_F(TempDirTest, CopyKeepsWhatTheModelDoesNotKnow) {
  const std::string source = DataPath("full.sav");
  const std::string copy = Path("copy.sav");
  int in, out;
  ASSERT_OK(spssOpenRead(source.c_str(), &in));
  ASSERT_OK(spssOpenWriteCopy(copy.c_str(), source.c_str(), &out));
  ASSERT_OK(spssSetCompression(out, 0));
  ASSERT_OK(spssCommitHeader(out));
  long size, cases;
  spssGetCaseSize(in, &size);
  spssGetNumberofCases(in, &cases);
  std::vector<char> record(static_cast<std::size_t>(size));
  for (long c = 0; c < cases; ++c) {
    ASSERT_OK(spssWholeCaseIn(in, record.data()));
    ASSERT_OK(spssWholeCaseOut(out, record.data()));
  }
  ASSERT_OK(spssCloseWrite(out));
  ASSERT_OK(spssCloseRead(in));
  ExpectSameAsCsv(copy, ReadCsv(source + ".csv"), CsvStyle::Pspp);
  if (!HavePeer("pspp")) return;
  const std::string tables =
      RunPspp("GET FILE='" + copy + "'.\nDISPLAY DOCUMENTS.\nDISPLAY ATTRIBUTES.\nMRSETS /DISPLAY NAME=ALL.\n");
  EXPECT_TRUE(Contains(tables, "savkit reader fixture")) << tables;
  EXPECT_TRUE(Contains(tables, "Origin,fixture")) << tables;
  EXPECT_TRUE(Contains(tables, "Source,survey")) << tables;
  EXPECT_TRUE(Contains(tables, "$counted,Counted,Dichotomies,1,")) << tables;
}

class Appending : public TempDirTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(Appending, NewCasesFollowTheOldOnes) {
  const std::string path = Path("append.sav");
  std::filesystem::copy_file(DataPath(GetParam()), path);
  auto original = ReadCsv(DataPath(std::string(GetParam()) + ".csv"));
  int h;
  ASSERT_OK(spssOpenAppend(path.c_str(), &h));
  long size, cases;
  spssGetCaseSize(h, &size);
  spssGetNumberofCases(h, &cases);
  const long old = static_cast<long>(original.size()) - 1;
  ASSERT_EQ(cases, old);
  // The old cases again, read from the fixture, then once more.
  ReadHandle source(DataPath(GetParam()));
  std::vector<char> record(static_cast<std::size_t>(size));
  for (int round = 0; round < 2; ++round) {
    ASSERT_OK(spssSeekNextCase(source.handle, 0));
    for (long c = 0; c < old; ++c) {
      ASSERT_OK(spssWholeCaseIn(source.handle, record.data()));
      ASSERT_OK(spssWholeCaseOut(h, record.data()));
    }
  }
  spssGetNumberofCases(h, &cases);
  EXPECT_EQ(cases, 3 * old);
  ASSERT_OK(spssCloseAppend(h));

  auto expected = original;
  for (int round = 0; round < 2; ++round) expected.insert(expected.end(), original.begin() + 1, original.end());
  ExpectSameAsCsv(path, expected, CsvStyle::Pspp);
  if (HavePeer("pspp-convert")) ExpectSameAsCsv(path, PeerCsv("pspp-convert", path), CsvStyle::Pspp);
}

INSTANTIATE_TEST_SUITE_P(PsppFiles, Appending, ::testing::Values("full.sav", "full-uncompressed.sav", "latin1.sav"));

TEST_F(TempDirTest, AppendingToOurOwnFilesAndTheOtherByteOrder) {
  for (int compression : {0, 1}) {
    const std::string path = Path("own.sav");
    WriteEveryKind(path, compression);
    int h;
    ASSERT_OK(spssOpenAppend(path.c_str(), &h));
    long size;
    spssGetCaseSize(h, &size);
    std::vector<char> record(static_cast<std::size_t>(size), ' ');
    ASSERT_OK(spssWholeCaseOut(h, record.data()));  // blank strings and garbage numbers are fine
    ASSERT_OK(spssCloseAppend(h));
    ReadHandle f(path);
    EXPECT_EQ(f.Cases(), kCases + 1);
    ASSERT_OK(spssSeekNextCase(f.handle, kCases));
    std::vector<std::string> values;
    EXPECT_EQ(f.ReadCase(f.Variables(), values), SPSS_OK);
    EXPECT_EQ(values[4], "");
  }
  SavBuilder b(true);
  b.Header(1, 1, 0, 2).Variable("X", 0).EndDictionary();
  b.Compressed({{true, 1, {}}, {true, 2.5, {}}});
  b.Save(Path("big.sav"));
  int h;
  ASSERT_OK(spssOpenAppend(Path("big.sav").c_str(), &h));
  const double value = 1234.5;
  ASSERT_OK(spssWholeCaseOut(h, reinterpret_cast<const char*>(&value)));
  ASSERT_OK(spssCloseAppend(h));
  ReadHandle f(Path("big.sav"));
  ASSERT_EQ(f.Cases(), 3);
  std::vector<std::string> values;
  const auto vars = f.Variables();
  for (const char* expected : {"1", "2.5", "1234.5"}) {
    ASSERT_EQ(f.ReadCase(vars, values), SPSS_OK);
    EXPECT_EQ(values[0], expected);
  }
}

TEST_F(TempDirTest, AppendingToZlibIsRefusedAndLeavesTheFile) {
  const std::string path = Path("z.zsav");
  std::filesystem::copy_file(DataPath("full.zsav"), path);
  int h;
  EXPECT_EQ(spssOpenAppend(path.c_str(), &h), SPSS_INCOMPAT_APPEND);
  std::ifstream a(path, std::ios::binary), b(DataPath("full.zsav"), std::ios::binary);
  EXPECT_TRUE(std::equal(std::istreambuf_iterator<char>(a), {}, std::istreambuf_iterator<char>(b)));
}

TEST_F(TempDirTest, EveryRuleHasItsStatus) {
  int h;
  EXPECT_EQ(spssOpenWrite((Path("no/such/dir") + "/x.sav").c_str(), &h), SPSS_FILE_OERROR);
  ASSERT_OK(spssOpenWrite(Path("rules.sav").c_str(), &h));
  EXPECT_EQ(spssCommitHeader(h), SPSS_DICT_EMPTY);
  EXPECT_EQ(spssSetCompression(h, 3), SPSS_INVALID_COMPSW);
  for (const std::string& bad : std::vector<std::string>{"", "1abc", "a b", "all", "WITH", "x-y", std::string(65, 'a')})
    EXPECT_EQ(spssSetVarName(h, bad.c_str(), 0), SPSS_INVALID_VARNAME) << bad;
  EXPECT_EQ(spssSetVarName(h, "v", -1), SPSS_INVALID_VARTYPE);
  EXPECT_EQ(spssSetVarName(h, "v", 32768), SPSS_INVALID_VARTYPE);
  ASSERT_OK(spssSetVarName(h, "num", 0));
  ASSERT_OK(spssSetVarName(h, "str", 4));
  ASSERT_OK(spssSetVarName(h, "long", 20));
  EXPECT_EQ(spssSetVarName(h, "NUM", 0), SPSS_DUP_VAR);
  // Only a copy has variables to set aside; a new file keeps those it has.
  EXPECT_EQ(spssRestartCopiedVars(h), SPSS_INVALID_HANDLE);
  EXPECT_EQ(spssSetVarCopiedFrom(h, "num", "num"), SPSS_INVALID_HANDLE);
  EXPECT_EQ(spssSetVarName(h, "NUM", 0), SPSS_DUP_VAR);
  EXPECT_EQ(spssSetVarLabel(h, "nosuch", "x"), SPSS_VAR_NOTFOUND);
  EXPECT_EQ(spssSetVarPrintFormat(h, "str", SPSS_FMT_F, 2, 8), SPSS_INVALID_PRFOR);
  EXPECT_EQ(spssSetVarPrintFormat(h, "str", SPSS_FMT_A, 0, 5), SPSS_INVALID_PRFOR);
  EXPECT_EQ(spssSetVarWriteFormat(h, "num", SPSS_FMT_A, 0, 8), SPSS_INVALID_WRFOR);
  EXPECT_EQ(spssSetVarWriteFormat(h, "num", SPSS_FMT_F, 2, 50), SPSS_INVALID_WRFOR);
  EXPECT_EQ(spssSetVarPrintFormat(h, "num", 13, 0, 8), SPSS_INVALID_PRFOR);
  EXPECT_EQ(spssSetVarNMissingValues(h, "num", 4, 1, 2, 3), SPSS_INVALID_MISSFOR);
  EXPECT_EQ(spssSetVarNMissingValues(h, "num", SPSS_MISS_RANGE, 5, 1, 0), SPSS_INVALID_MISSFOR);
  EXPECT_EQ(spssSetVarNMissingValues(h, "str", 1, 1, 0, 0), SPSS_NUME_EXP);
  EXPECT_EQ(spssSetVarCMissingValues(h, "num", 1, "a", "", ""), SPSS_STR_EXP);
  EXPECT_EQ(spssSetVarCMissingValues(h, "str", SPSS_MISS_RANGE, "a", "b", ""), SPSS_INVALID_MISSFOR);
  EXPECT_EQ(spssSetVarCMissingValues(h, "str", 1, "abcde", "", ""), SPSS_EXC_STRVALUE);
  EXPECT_EQ(spssSetVarCMissingValues(h, "long", 1, "more than 8 bytes", "", ""), SPSS_INVALID_MISSFOR);
  EXPECT_EQ(spssSetVarNValueLabel(h, "str", 1, "x"), SPSS_NUME_EXP);
  EXPECT_EQ(spssSetVarCValueLabel(h, "num", "1", "x"), SPSS_STR_EXP);
  EXPECT_EQ(spssSetVarCValueLabel(h, "str", "abcde", "x"), SPSS_EXC_STRVALUE);
  EXPECT_EQ(spssSetVarMeasureLevel(h, "str", SPSS_MLVL_RAT), SPSS_INVALID_MEASURELEVEL);
  EXPECT_EQ(spssSetVarMeasureLevel(h, "num", 4), SPSS_INVALID_MEASURELEVEL);
  EXPECT_EQ(spssSetCaseWeightVar(h, "str"), SPSS_INVALID_CASEWGT);
  EXPECT_EQ(spssSetCaseWeightVar(h, "nosuch"), SPSS_VAR_NOTFOUND);
  EXPECT_EQ(spssSetMultRespDefs(h, "$a=C 0  str long\n$A=C 0  str long\n"), SPSS_DUP_MRSETNAME);
  EXPECT_EQ(spssSetMultRespDefs(h, "$a=X 0  num\n"), SPSS_INVALID_MRSETDEF);
  EXPECT_EQ(spssSetMultRespDefs(h, "$a=C 0  nosuch\n"), SPSS_INVALID_MRSETDEF);
  EXPECT_EQ(spssSetMultRespDefs(h, "$a=C 9 short\n"), SPSS_INVALID_MRSETDEF);
  EXPECT_EQ(spssSetMultRespDefs(h, "a=C 0  num\n"), SPSS_INVALID_MRSETNAME);
  // Texts the format must cut are cut, with a warning.
  EXPECT_EQ(spssSetIdString(h, std::string(70, 'l').c_str()), SPSS_EXC_LEN64);
  EXPECT_EQ(spssSetVarLabel(h, "num", std::string(300, 'v').c_str()), SPSS_EXC_VARLABEL);
  EXPECT_EQ(spssSetVarNValueLabel(h, "num", 1, std::string(130, 'x').c_str()), SPSS_EXC_VALLABEL);
  double handle;
  ASSERT_OK(spssGetVarHandle(h, "str", &handle));
  EXPECT_EQ(spssSetValueChar(h, handle, "x"), SPSS_DICT_NOTCOMMIT);
  EXPECT_EQ(spssCommitCaseRecord(h), SPSS_DICT_NOTCOMMIT);
  EXPECT_EQ(spssWholeCaseIn(h, nullptr), SPSS_OPEN_WRMODE);
  ASSERT_OK(spssCommitHeader(h));
  EXPECT_EQ(spssSetVarName(h, "late", 0), SPSS_DICT_COMMIT);
  EXPECT_EQ(spssCommitHeader(h), SPSS_DICT_COMMIT);
  EXPECT_EQ(spssSetValueChar(h, handle, "abcde"), SPSS_EXC_STRVALUE);
  EXPECT_EQ(spssSetValueNumeric(h, handle, 1), SPSS_NUME_EXP);
  EXPECT_EQ(spssSetValueChar(h, 0, "x"), SPSS_STR_EXP);
  EXPECT_EQ(spssSetValueNumeric(h, 7, 1), SPSS_VAR_NOTFOUND);
  EXPECT_EQ(spssCloseRead(h), SPSS_OPEN_WRMODE);
  EXPECT_EQ(spssCloseAppend(h), SPSS_OPEN_WRMODE);
  ASSERT_OK(spssCloseWrite(h));
  ReadHandle f(Path("rules.sav"));
  ASSERT_EQ(f.status, SPSS_OK);
  char text[300];
  spssGetIdString(f.handle, text);
  EXPECT_EQ(std::string(text), std::string(64, 'l'));
  EXPECT_EQ(spssCloseWrite(f.handle), SPSS_OPEN_RDMODE);
  EXPECT_EQ(spssSetVarLabel(f.handle, "num", "x"), SPSS_OPEN_RDMODE);
}

// A write that fails (here: past the file-size limit) reports it and leaves
// the target as it was.
TEST_F(TempDirTest, FailedWritesLeaveTheOldFile) {
  const std::string path = Path("keep.sav");
  std::filesystem::copy_file(DataPath("latin1.sav"), path);
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 64 * 1024;
  setrlimit(RLIMIT_FSIZE, &small);
  int h;
  int status = spssOpenWrite(path.c_str(), &h);
  if (status == SPSS_OK) {
    spssSetVarName(h, "x", 200);
    status = spssCommitHeader(h);
    const std::string value(200, 'x');
    for (int i = 0; i < 2000 && status == SPSS_OK; ++i) {
      spssSetValueChar(h, 0, value.c_str());
      status = spssCommitCaseRecord(h);
    }
    const int closed = spssCloseWrite(h);
    if (status == SPSS_OK) status = closed;
  }
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(status, SPSS_FILE_WERROR);
  ExpectSameAsCsv(path, ReadCsv(DataPath("latin1.sav.csv")), CsvStyle::Pspp);
  for (const auto& entry : std::filesystem::directory_iterator(dir_))
    EXPECT_EQ(entry.path().filename(), "keep.sav") << "a scratch file was left behind";
}

// Values may hold quotes, parentheses and slashes; only a quote before a line
// feed ends one.
TEST(AttributeSets, RenamedAndLeftOutByVariable) {
  const std::string text = "a:x('1)/'\n'it''s'\n)y('2'\n)/B:z('3'\n)/c:w('4'\n)";
  const std::vector<std::uint8_t> in(text.begin(), text.end());
  std::vector<std::uint8_t> out;
  ASSERT_TRUE(savkit::io::RenameAttributeSets(in, {{"a", "A2"}, {"b", "b"}}, out));
  EXPECT_EQ(std::string(out.begin(), out.end()), "A2:x('1)/'\n'it''s'\n)y('2'\n)/b:z('3'\n)");
  for (const std::string bad : {"a:x('1'", "a", "a:x('1'\n", ":x()"}) {
    const std::vector<std::uint8_t> broken(bad.begin(), bad.end());
    EXPECT_FALSE(savkit::io::RenameAttributeSets(broken, {{"a", "a"}}, out)) << bad;
  }
}

// A copy of an open file's dictionary is the one its cases are read with,
// whatever has been put under its name since.
TEST_F(TempDirTest, CopyingTheDictionaryOfAnOpenHandle) {
  const std::string path = Path("open.sav");
  std::filesystem::copy_file(DataPath("small.sav"), path);
  ReadHandle open(path);
  std::filesystem::copy_file(DataPath("full.sav"), path, std::filesystem::copy_options::overwrite_existing);
  int h = -1;
  ASSERT_EQ(spssOpenWriteCopyHandle(Path("copy.sav").c_str(), open.handle, &h), SPSS_OK);
  ASSERT_EQ(spssCloseWrite(h), SPSS_OK);
  EXPECT_EQ(ReadTable(Path("copy.sav"))[0], ReadTable(DataPath("small.sav"))[0]);
  EXPECT_EQ(spssOpenWriteCopyHandle(Path("x.sav").c_str(), 9999, &h), SPSS_INVALID_HANDLE);
  int w = -1;
  ASSERT_EQ(spssOpenWrite(Path("w.sav").c_str(), &w), SPSS_OK);
  EXPECT_EQ(spssOpenWriteCopyHandle(Path("x.sav").c_str(), w, &h), SPSS_OPEN_WRMODE);
  spssCloseWrite(w);
  EXPECT_FALSE(std::filesystem::exists(Path("x.sav")));
}

// A file let go with spssDiscardWrite is never made; cases appended are taken
// out again.
TEST_F(TempDirTest, DiscardingLeavesEveryFileAsItWas) {
  const std::string path = Path("kept.sav");
  std::filesystem::copy_file(DataPath("small.sav"), path);
  const std::string before = Bytes(path);
  int h = -1;
  ASSERT_EQ(spssOpenWriteCopy(path.c_str(), path.c_str(), &h), SPSS_OK);
  ASSERT_EQ(spssCommitHeader(h), SPSS_OK);
  ASSERT_EQ(spssDiscardWrite(h), SPSS_OK);
  EXPECT_EQ(Bytes(path), before);
  ASSERT_EQ(spssOpenAppend(path.c_str(), &h), SPSS_OK);
  long size = 0;
  ASSERT_EQ(spssGetCaseSize(h, &size), SPSS_OK);
  std::vector<char> record(static_cast<std::size_t>(size), 0);
  ASSERT_EQ(spssWholeCaseOut(h, record.data()), SPSS_OK);
  ASSERT_EQ(spssDiscardWrite(h), SPSS_OK);
  EXPECT_EQ(Bytes(path), before);
  ASSERT_EQ(spssOpenWrite(Path("new.sav").c_str(), &h), SPSS_OK);
  ASSERT_EQ(spssDiscardWrite(h), SPSS_OK);
  EXPECT_FALSE(std::filesystem::exists(Path("new.sav")));
  EXPECT_EQ(spssDiscardWrite(h), SPSS_INVALID_HANDLE);
  ReadHandle r(path);
  EXPECT_EQ(spssDiscardWrite(r.handle), SPSS_OPEN_RDMODE);
}

// A display record giving measure and alignment only, as some writers make
// it, is copied in that form while every width is the default: readers take
// other defaults than ours, and PSPP reads the copy as it reads the original.
// A width set is written with every width.
TEST_F(TempDirTest, DisplayRecordsWithoutWidthsStaySo) {
  const auto ints = [](std::vector<std::int32_t> v) {
    std::vector<std::uint8_t> bytes(v.size() * 4);
    std::memcpy(bytes.data(), v.data(), bytes.size());
    return bytes;
  };
  SavBuilder b;
  b.Header(2, 0, 0, 1).Variable("N", 0).Variable("S", 8);
  b.Extension(11, 4, 4, ints({3, 1, 1, 0})).EndDictionary();
  b.Double(1).Text("abc", 8);
  const std::string source = Path("nowidths.sav");
  b.Save(source);
  const auto copy = [&](const std::string& name, int columns) {
    const std::string path = Path(name);
    int h;
    EXPECT_EQ(spssOpenWriteCopy(path.c_str(), source.c_str(), &h), SPSS_OK);
    if (columns) {
      EXPECT_EQ(spssSetVarColumnWidth(h, "S", columns), SPSS_OK);
    }
    EXPECT_EQ(spssCommitHeader(h), SPSS_OK);
    EXPECT_EQ(spssCloseWrite(h), SPSS_OK);
    return Bytes(path);
  };
  const auto record = [&](std::vector<std::int32_t> v) {
    const auto bytes = ints(v);
    return std::string(bytes.begin(), bytes.end());
  };
  EXPECT_TRUE(Contains(copy("same.sav", 0), record({7, 11, 4, 4, 3, 1, 1, 0})));
  EXPECT_TRUE(Contains(copy("wider.sav", 20), record({7, 11, 4, 6, 3, 8, 1, 1, 20, 0})));
  ReadHandle f(Path("wider.sav"));
  int columns = 0;
  EXPECT_EQ(spssGetVarColumnWidth(f.handle, "S", &columns), SPSS_OK);
  EXPECT_EQ(columns, 20);
  if (!HavePeer("pspp")) return;
  const auto shown = [](const std::string& file) {
    const std::string out = RunPspp("GET FILE='" + file + "'.\nDISPLAY DICTIONARY.\n");
    return out.substr(std::min(out.size(), out.find("Table: Variables")));
  };
  EXPECT_EQ(shown(Path("same.sav")), shown(source));
  EXPECT_NE(shown(Path("wider.sav")), shown(source));
}

// Labels are one a value, found by value however many there are: a label
// given again replaces the text in its place, a text value is found whatever
// blanks pad it, 0 and -0 are one value.
TEST_F(TempDirTest, ManyValueLabelsKeepOneAValue) {
  const std::string path = Path("labels.sav");
  int h;
  ASSERT_OK(spssOpenWrite(path.c_str(), &h));
  ASSERT_OK(spssSetVarName(h, "n", 0));
  ASSERT_OK(spssSetVarName(h, "s", 8));
  constexpr int kLabels = 200000;
  for (int i = 0; i < kLabels; ++i) ASSERT_OK(spssSetVarNValueLabel(h, "n", i, ("n" + std::to_string(i)).c_str()));
  ASSERT_OK(spssSetVarNValueLabel(h, "n", 7, "seven"));
  ASSERT_OK(spssSetVarNValueLabel(h, "n", -0.0, "zero"));
  ASSERT_OK(spssSetVarCValueLabel(h, "s", "ab", "first"));
  ASSERT_OK(spssSetVarCValueLabel(h, "s", "ab    ", "again"));
  ASSERT_OK(spssCommitHeader(h));
  ASSERT_OK(spssCloseWrite(h));
  ReadHandle f(path);
  ASSERT_EQ(f.status, SPSS_OK);
  double* values = nullptr;
  char** labels = nullptr;
  int count = 0;
  ASSERT_OK(spssGetVarNValueLabels(f.handle, "n", &values, &labels, &count));
  EXPECT_EQ(count, kLabels);
  EXPECT_EQ(values[7], 7);
  EXPECT_STREQ(labels[7], "seven");
  EXPECT_STREQ(labels[0], "zero");
  spssFreeVarNValueLabels(values, labels, count);
  char label[SPSS_MAX_VALLABEL + 1];
  ASSERT_OK(spssGetVarNValueLabel(f.handle, "n", 199999, label));
  EXPECT_STREQ(label, "n199999");
  EXPECT_EQ(spssGetVarNValueLabel(f.handle, "n", 200000, label), SPSS_NO_LABEL);
  ASSERT_OK(spssGetVarCValueLabel(f.handle, "s", "ab      ", label));
  EXPECT_STREQ(label, "again");
  EXPECT_EQ(spssGetVarCValueLabel(f.handle, "s", " ab", label), SPSS_NO_LABEL);
}

TEST_F(TempDirTest, ANewFileInACodePageKeepsItsWidthsInItsOwnBytes) {
  const std::string path = Path("cp1252.sav");
  int h = -1;
  ASSERT_EQ(spssOpenWrite(path.c_str(), &h), SPSS_OK);
  ASSERT_EQ(spssSetFileEncoding(h, "no-such-encoding"), SPSS_INVALID_FILE);
  ASSERT_EQ(spssSetFileEncoding(h, "windows-1252"), SPSS_OK);
  // A 64-byte label in the code page is longer in UTF-8: nothing is cut.
  std::string label;
  for (int i = 0; i < 32; ++i)
    label +=
        "\xC3\xA9"
        "e";  // 64 bytes in the file, 96 of UTF-8
  ASSERT_EQ(spssSetIdString(h, label.c_str()), SPSS_OK);
  ASSERT_EQ(spssSetVarName(h, "s", 12), SPSS_OK);
  ASSERT_EQ(spssSetFileEncoding(h, "UTF-8"), SPSS_DICT_COMMIT);  // encodings come before variables
  ASSERT_EQ(spssSetVarFileWidth(h, "s", 4), SPSS_OK);
  ASSERT_EQ(spssSetVarFileWidth(h, "s", 0), SPSS_INVALID_VARTYPE);
  // A labelled value set before that the narrower file cannot hold is refused, never cut.
  ASSERT_EQ(spssSetVarCValueLabel(h, "s", "abcd", "four bytes"), SPSS_OK);
  EXPECT_EQ(spssSetVarFileWidth(h, "s", 3), SPSS_EXC_STRVALUE);
  ASSERT_EQ(spssCommitHeader(h), SPSS_OK);
  double s = 0;
  ASSERT_EQ(spssGetVarHandle(h, "s", &s), SPSS_OK);
  ASSERT_EQ(spssSetValueChar(h, s,
                             "\xC3\xA9t\xC3\xA9"
                             "s"),
            SPSS_OK);  // "étés": 4 bytes in the file
  ASSERT_EQ(spssCommitCaseRecord(h), SPSS_OK);
  ASSERT_EQ(spssSetValueChar(h, s, "abcde"), SPSS_OK);  // five bytes: no room in the file
  EXPECT_NE(spssCommitCaseRecord(h), SPSS_OK);          // refused, never cut
  ASSERT_EQ(spssCloseWrite(h), SPSS_OK);

  ReadHandle f(path);
  ASSERT_EQ(f.status, SPSS_OK);
  char encoding[SPSS_MAX_ENCODING + 1];
  ASSERT_EQ(spssGetFileEncoding(f.handle, encoding), SPSS_OK);
  EXPECT_STREQ(encoding, "windows-1252");
  int fileWidth = 0, type = 0;
  char name[SPSS_MAX_VARNAME + 1];
  ASSERT_EQ(spssGetVarFileWidth(f.handle, "s", &fileWidth), SPSS_OK);
  ASSERT_EQ(spssGetVarInfo(f.handle, 0, name, &type), SPSS_OK);
  EXPECT_EQ(fileWidth, 4);
  EXPECT_EQ(type, 12);  // three UTF-8 bytes a byte of the file
  char whole[256];
  int length = 0;
  ASSERT_EQ(spssGetIdStringLong(f.handle, whole, sizeof whole, &length), SPSS_OK);
  EXPECT_EQ(std::string(whole, static_cast<std::size_t>(length)), label);
  long cases = 0;
  ASSERT_EQ(spssGetNumberofCases(f.handle, &cases), SPSS_OK);
  EXPECT_EQ(cases, 1);
}
