// What the I/O library refuses and how it reads what other readers refuse:
// names, formats and sets other readers would reject, long-string missing
// values in both layouts, hostile sizes, files of other kinds than regular
// files, and how new files are created.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "bounded_run.h"
#include "dictionary_dump.h"
#include "fuzz/read_everything.h"
#include "io_test_support.h"
#include "sav_builder.h"
#include "temp_dir.h"

using namespace savkit::testing;

#define ASSERT_OK(call) ASSERT_EQ((call), SPSS_OK) << #call

namespace {

int NewFile(const std::string& path) {
  int h = -1;
  EXPECT_EQ(spssOpenWrite(path.c_str(), &h), SPSS_OK);
  return h;
}

TEST(NameRules, EachReasonHasItsCode) {
  EXPECT_EQ(spssValidateVarname("income"), SPSS_NAME_OK);
  EXPECT_EQ(spssValidateVarname("@x.1_$#"), SPSS_NAME_OK);
  EXPECT_EQ(spssValidateVarname("Größe"), SPSS_NAME_OK);
  EXPECT_EQ(spssValidateVarname("ఉష్ణోగ్రత"), SPSS_NAME_OK);  // Telugu, with its vowel signs
  EXPECT_EQ(spssValidateVarname("#temp"), SPSS_NAME_SCRATCH);
  EXPECT_EQ(spssValidateVarname("$casenum"), SPSS_NAME_SYSTEM);
  EXPECT_EQ(spssValidateVarname(""), SPSS_NAME_BADLTH);
  EXPECT_EQ(spssValidateVarname(std::string(65, 'a').c_str()), SPSS_NAME_BADLTH);
  EXPECT_EQ(spssValidateVarname("a b"), SPSS_NAME_BADCHAR);
  EXPECT_EQ(spssValidateVarname("x-y"), SPSS_NAME_BADCHAR);
  EXPECT_EQ(spssValidateVarname("bad\xff"), SPSS_NAME_BADCHAR);
  EXPECT_EQ(spssValidateVarname("WITH"), SPSS_NAME_RESERVED);
  EXPECT_EQ(spssValidateVarname("_x"), SPSS_NAME_BADFIRST);
  EXPECT_EQ(spssValidateVarname("1abc"), SPSS_NAME_BADFIRST);
  EXPECT_EQ(spssValidateVarname(nullptr), SPSS_NAME_BADLTH);
}

TEST_F(TempDirTest, WritingRefusesWhatOtherReadersReject) {
  const int h = NewFile(Path("rules.sav"));
  for (const char* bad : {"#scratch", "$sys", "_x", "bad\xc3", "and", "a\tb"})
    EXPECT_EQ(spssSetVarName(h, bad, 0), SPSS_INVALID_VARNAME) << bad;
  ASSERT_OK(spssSetVarName(h, "Ärger", 0));
  ASSERT_OK(spssSetVarName(h, "ΑΒΓ", 0));
  EXPECT_EQ(spssSetVarName(h, "ärger", 0), SPSS_DUP_VAR);  // unique ignoring case, in every script
  EXPECT_EQ(spssSetVarName(h, "αβγ", 0), SPSS_DUP_VAR);
  ASSERT_OK(spssSetVarName(h, "s1", 4));
  ASSERT_OK(spssSetVarName(h, "s2", 4));
  // Formats at least as wide as they need.
  EXPECT_EQ(spssSetVarPrintFormat(h, "Ärger", SPSS_FMT_DATE, 0, 3), SPSS_INVALID_PRFOR);
  EXPECT_EQ(spssSetVarWriteFormat(h, "Ärger", SPSS_FMT_F, 2, 2), SPSS_INVALID_WRFOR);
  EXPECT_EQ(spssSetVarPrintFormat(h, "Ärger", SPSS_FMT_TIME, 0, 1), SPSS_INVALID_PRFOR);
  EXPECT_EQ(spssSetVarPrintFormat(h, "Ärger", SPSS_FMT_DATE, 2, 11), SPSS_INVALID_PRFOR);
  EXPECT_EQ(spssSetVarPrintFormat(h, "Ärger", SPSS_FMT_DATE_TIME, 0, 16), SPSS_INVALID_PRFOR);
  EXPECT_EQ(spssSetVarPrintFormat(h, "Ärger", SPSS_FMT_DATE, 0, 11), SPSS_OK);
  EXPECT_EQ(spssSetVarWriteFormat(h, "Ärger", SPSS_FMT_F, 1, 2), SPSS_OK);
  EXPECT_EQ(spssSetVarPrintFormat(h, "ΑΒΓ", SPSS_FMT_TIME, 2, 11), SPSS_OK);
  EXPECT_EQ(spssSetVarWriteFormat(h, "ΑΒΓ", SPSS_FMT_DATE_TIME, 0, 20), SPSS_OK);
  // Multiple-response sets: two members or more, of one kind.
  EXPECT_EQ(spssSetMultRespDefs(h, "$one=C 0  Ärger\n"), SPSS_INVALID_MRSETDEF);
  EXPECT_EQ(spssSetMultRespDefs(h, "$mixed=C 0  Ärger s1\n"), SPSS_INVALID_MRSETDEF);
  EXPECT_EQ(spssSetMultRespDefs(h, "$ok=C 0  ärger αβγ\n$strs=D1 y 0  s1 s2\n"), SPSS_OK);
  ASSERT_OK(spssCloseWrite(h));
  const std::string dump = DumpDictionary(Path("rules.sav"));
  EXPECT_NE(dump.find("Ärger type=0 print=20.11.0 write=5.2.1"), std::string::npos) << dump;
  EXPECT_NE(dump.find("mrsets=[$ok=C 0  Ärger ΑΒΓ\n$strs=D1 y 0  s1 s2\n]"), std::string::npos) << dump;
}

// The format guide: per variable its name, the count, one value length, the
// values. PSPP 1.6.2 wrote a length before every value (longmissing.sav) and
// ReadStat refuses that layout; we read both and write the guide's, which
// ReadStat reads, as the newer guide decides.
TEST_F(TempDirTest, LongStringMissingValuesInBothLayouts) {
  const std::string old = DataPath("longmissing.sav");
  std::string dump = DumpDictionary(old);
  EXPECT_NE(dump.find("answer type=20 print=1.20.0 write=1.20.0 columns=20 align=0 measure=1 label=[] missing=2 "
                      "[refused] [unknown]"),
            std::string::npos)
      << dump;
  EXPECT_NE(dump.find("missing=3 [n/a] [zzz] [none]"), std::string::npos) << dump;
  const std::string copy = Path("copy.sav");
  ASSERT_LE(savkit::fuzzing::CopyThroughLibrary(old.c_str(), copy.c_str(), -1), 0);
  EXPECT_EQ(DumpDictionary(copy), dump);
  if (HavePeer("readstat")) {
    const auto csv = PeerCsv("readstat", copy);
    ASSERT_EQ(csv.size(), 4u) << "ReadStat reads the guide's layout";
    EXPECT_EQ(csv[2][1], "refused");
  }
  // PSPP 1.6.2 reads only its own older layout and passes over these values
  // (a warning); the guide's layout is the one other readers take.
  // PSPP's reader test mixes both layouts and bad entries in one record.
  dump = DumpDictionary(DataPath("pspp-sack/invalid_long_string_missing_values_le.sav"));
  // (A windows-1252 file: string widths are tripled.)
  EXPECT_NE(dump.find("STR1 type=27 print=1.27.0 write=1.27.0 columns=27 align=0 measure=0 label=[] missing=0\n"),
            std::string::npos)
      << dump;
  EXPECT_NE(dump.find("missing=3 [abcdefgh] [ijklmnop] [qrstuvwx]"), std::string::npos) << dump;
  EXPECT_NE(dump.find("missing=2 [ABCDEFGH] [IJKLMNOP]"), std::string::npos) << dump;
  EXPECT_NE(dump.find("STR4 type=21 print=1.21.0 write=1.21.0 columns=21 align=0 measure=0 label=[] missing=0\n"),
            std::string::npos)
      << dump;
}

// A string variable narrower than its 8-byte slot is its width of bytes.
TEST_F(TempDirTest, ShortStringsReadTheirWidthOnly) {
  SavBuilder b;
  b.Header(2, 0, 0, 1).Variable("S", 4).Variable("N", 0).EndDictionary();
  b.Text("abcdXYZW").Double(1);
  b.Save(Path("a4.sav"));
  const auto table = ReadTable(Path("a4.sav"));
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[1][0], "abcd");
}

// Long names no variable may bear give way to the short name, with a warning.
TEST_F(TempDirTest, UnusableLongNamesAreMended) {
  SavBuilder b;
  b.Header(3, 0, 0, 1).Variable("A", 0).Variable("B", 0).Variable("C", 0);
  b.TextExtension(13, std::string("A=Bad\0Name\tB=with space\tC=Fine", 30));
  b.EndDictionary().Double(1).Double(2).Double(3);
  b.Save(Path("names.sav"));
  ReadHandle f(Path("names.sav"));
  ASSERT_EQ(f.status, SPSS_NAME_MENDED);
  const auto vars = f.Variables();
  EXPECT_EQ(vars[0].name, "A");
  EXPECT_EQ(vars[1].name, "B");
  EXPECT_EQ(vars[2].name, "Fine");
  // Mended names write again.
  ASSERT_LE(savkit::fuzzing::CopyThroughLibrary(Path("names.sav").c_str(), Path("copy.sav").c_str(), -1), 0);
  EXPECT_EQ(ReadTable(Path("copy.sav")), ReadTable(Path("names.sav")));
}

// Formats no reader can use become F8.2, and sets that mix numbers and strings
// or have fewer than two members are left out, as PSPP does on reading.
TEST(Mending, FormatsAndSetsAsPsppMendsThem) {
  // NUM1's codes (255 and 0) are no program's: kept as the file has them, as
  // copies write them back. VAR1's string formats would make it a string.
  std::string dump = DumpDictionary(DataPath("pspp-sack/invalid_variable_format_le.sav"));
  EXPECT_NE(dump.find("NUM1 type=0 print=255.8.0 write=0.0.0"), std::string::npos) << dump;
  EXPECT_NE(dump.find("VAR1 type=0 print=5.8.2 write=5.8.2"), std::string::npos) << dump;
  // A copy writes the unknown codes back.
  const std::string copy = ::testing::TempDir() + "/invalid_format_copy.sav";
  ASSERT_LE(savkit::fuzzing::CopyThroughLibrary(DataPath("pspp-sack/invalid_variable_format_le.sav").c_str(),
                                                copy.c_str(), -1),
            0);
  EXPECT_NE(DumpDictionary(copy).find("NUM1 type=0 print=255.8.0 write=0.0.0"), std::string::npos);
  std::remove(copy.c_str());
  for (const char* file : {"mixed_variable_types_in_mrsets_le.sav", "zero_or_one_variable_in_mrset_le.sav"}) {
    dump = DumpDictionary(DataPath(std::string("pspp-sack/") + file));
    EXPECT_EQ(dump.find("mrsets=[$"), std::string::npos) << dump;
  }
}

// Counts past 2^31 are kept whole; data cut inside a case, in a file that does
// not say how many cases it has, gives its complete cases and a warning.
TEST_F(TempDirTest, CountsAreSixtyFourBitsAndCutDataReadsOn) {
  SavBuilder big;
  big.Header(1, 1, 0, -1).Variable("X", 0);
  big.Extension(16, 8, 2, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0x5E, 0xD0, 0xB2, 0, 0, 0, 0});  // 3,000,000,000
  big.EndDictionary().Compressed({{true, 1, {}}, {true, 2, {}}});
  big.Save(Path("big.sav"));
  ReadHandle f(Path("big.sav"));
  ASSERT_EQ(f.status, SPSS_OK);
  EXPECT_EQ(f.Cases(), 3000000000L);
  std::vector<std::string> values;
  const auto vars = f.Variables();
  EXPECT_EQ(f.ReadCase(vars, values), SPSS_OK);
  EXPECT_EQ(f.ReadCase(vars, values), SPSS_OK);
  EXPECT_EQ(f.ReadCase(vars, values), SPSS_FILE_RERROR);  // fewer than it declares

  SavBuilder cut;
  cut.Header(2, 1, 0, -1).Variable("X", 0).Variable("Y", 0).EndDictionary();
  cut.Compressed({{true, 1, {}}, {true, 2, {}}, {true, 3, {}}}, false);  // the second case lacks its Y
  cut.Save(Path("cut.sav"));
  ReadHandle g(Path("cut.sav"));
  ASSERT_EQ(g.status, SPSS_DATA_CUT);
  EXPECT_EQ(g.Cases(), 1);
  EXPECT_EQ(ReadTable(Path("cut.sav")).size(), 2u);
}

#ifndef SAVKIT_UNDER_ASAN
// Opens a file with 80 MB of address space to spare.
int OpenWithLittleMemory(const std::string& path) {
  LimitAddressSpace(80u << 20);
  int h;
  return spssOpenRead(path.c_str(), &h);
}
#endif

// A file that holds a record larger than the memory left gives a status; the
// C program that called is not taken down.
TEST_F(TempDirTest, RunningOutOfMemoryIsAStatus) {
#ifdef SAVKIT_UNDER_ASAN
  GTEST_SKIP() << "the sanitizer reserves address space up front";
#else
  const std::string path = Path("huge-record.sav");
  SavBuilder b;
  constexpr int kRecord = 150 << 20;
  b.Header(1, 0, 0, 0).Variable("X", 0).Int(7).Int(99).Int(1).Int(kRecord);
  b.Save(path);
  // The record's bytes are there (a sparse file): the size check lets it through.
  ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(b.Bytes().size()) + kRecord + 8), 0);
  EXPECT_EXIT(std::_Exit(OpenWithLittleMemory(path) == SPSS_NO_MEMORY ? 0 : 1), ::testing::ExitedWithCode(0), "");
#endif
}

// A FIFO, a folder or a device is refused at once, never waited on.
TEST_F(TempDirTest, OnlyRegularFilesOpen) {
  const std::string fifo = Path("fifo.sav");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  SAVKIT_EXPECT_BOUNDED({
    int h;
    if (spssOpenRead(fifo.c_str(), &h) != SPSS_FILE_OERROR) std::abort();
    if (spssOpenAppend(fifo.c_str(), &h) != SPSS_FILE_OERROR) std::abort();
    if (spssOpenWrite(fifo.c_str(), &h) != SPSS_FILE_OERROR) std::abort();
    if (spssOpenRead(dir_.c_str(), &h) != SPSS_FILE_OERROR) std::abort();
    if (spssOpenRead("/dev/zero", &h) != SPSS_FILE_OERROR) std::abort();
  });
}

// New files get 0666 less the umask; a file replaced keeps its mode; writing
// to a symbolic link replaces the file it names and leaves the link.
TEST_F(TempDirTest, FilesAreCreatedAsUsersExpect) {
  const mode_t old = ::umask(027);
  const int h = NewFile(Path("new.sav"));
  ASSERT_OK(spssSetVarName(h, "x", 0));
  ASSERT_OK(spssCloseWrite(h));
  ::umask(old);
  struct stat st;
  ASSERT_EQ(::stat(Path("new.sav").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  ASSERT_EQ(::chmod(Path("new.sav").c_str(), 0604), 0);
  ASSERT_EQ(::symlink("new.sav", Path("link.sav").c_str()), 0);
  ASSERT_LE(savkit::fuzzing::CopyThroughLibrary(DataPath("small.sav").c_str(), Path("link.sav").c_str(), -1), 0);
  ASSERT_EQ(::lstat(Path("link.sav").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link stays a link";
  ASSERT_EQ(::stat(Path("new.sav").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0604u) << "the replaced file keeps its mode";
  EXPECT_EQ(ReadTable(Path("new.sav")), ReadTable(DataPath("small.sav")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 2) << "no scratch file is left";
}

// A writer killed half way leaves nothing behind: its file had no name yet.
TEST_F(TempDirTest, AKilledWriterLeavesNothing) {
  const pid_t child = ::fork();
  if (child == 0) {
    int h;
    if (spssOpenWrite(Path("killed.sav").c_str(), &h) != SPSS_OK) std::_Exit(1);
    spssSetVarName(h, "x", 0);
    spssCommitHeader(h);
    double x;
    spssGetVarHandle(h, "x", &x);
    for (int i = 0; i < 1000; ++i) {
      spssSetValueNumeric(h, x, i);
      spssCommitCaseRecord(h);
    }
    ::kill(::getpid(), SIGKILL);
  }
  int status;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 0);
}

// An appended case starts system-missing and blank, as a new file's do; a
// second appender on the same file is refused while the first is open.
TEST_F(TempDirTest, AppendingStartsMissingAndOneAtATime) {
  const std::string path = Path("append.sav");
  std::filesystem::copy_file(DataPath("full.sav"), path);
  int h, second;
  ASSERT_OK(spssOpenAppend(path.c_str(), &h));
  EXPECT_EQ(spssOpenAppend(path.c_str(), &second), SPSS_FILE_OERROR);
  double id;
  ASSERT_OK(spssGetVarHandle(h, "id", &id));
  ASSERT_OK(spssSetValueNumeric(h, id, 6));
  ASSERT_OK(spssCommitCaseRecord(h));
  ASSERT_OK(spssCloseAppend(h));
  const auto table = ReadTable(path);
  ASSERT_EQ(table.size(), 7u);
  const auto& added = table[6];
  EXPECT_EQ(added[0], "6");
  for (std::size_t i = 1; i < added.size(); ++i)
    EXPECT_TRUE(added[i] == "-1.7976931348623157e+308" || added[i].empty()) << table[0][i] << " = " << added[i];
  ASSERT_OK(spssOpenAppend(path.c_str(), &second));  // free again once closed
  ASSERT_OK(spssCloseAppend(second));
}

}  // namespace
