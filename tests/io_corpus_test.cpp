// Real files from other programs, copied with spssOpenWriteCopy in each
// compression: what we read of the copy, and what PSPP and ReadStat read of
// it, must equal what the same readers read of the original.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "bounded_run.h"
#include "dictionary_dump.h"
#include "fuzz/read_everything.h"
#include "io/names.h"
#include "io_test_support.h"
#include "savkit/model/datafile.h"
#include "temp_dir.h"

using namespace savkit::testing;

namespace {

// A file name as a test's name: letters and digits, the rest '_'.
std::string TestName(std::string name) {
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

std::string ParamName(const ::testing::TestParamInfo<std::string>& info) { return TestName(info.param); }

std::vector<std::string> PeerFiles() {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(DataPath("peers"))) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// PSPP's description of a dictionary: its tables, and apart from them the
// warnings it gave reading the file (without their file offsets).
struct PsppView {
  std::string tables;
  std::set<std::string> warnings;
};

PsppView PsppDictionary(const std::string& path) {
  std::string text = RunPspp("GET FILE='" + path +
                             "'.\nDISPLAY DICTIONARY.\nDISPLAY DOCUMENTS.\nDISPLAY @ATTRIBUTES.\n"
                             "MRSETS /DISPLAY NAME=ALL.\nDISPLAY VECTORS.\n");
  // PSPP names the syntax file and the file it read in its notes.
  text = std::regex_replace(text, std::regex(R"(/[^ :,]*savkit-pspp-[0-9-]+\.sps)"), "SYNTAX");
  for (std::size_t at; (at = text.find(path)) != std::string::npos;) text.replace(at, path.size(), "FILE");
  PsppView view;
  std::stringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.find("`FILE'") != std::string::npos) {
      view.warnings.insert(std::regex_replace(line, std::regex(" near offset 0x[0-9a-f]+"), ""));
    } else if (!line.empty()) {
      view.tables += line + "\n";
    }
  }
  return view;
}

class PeerFile : public TempDirTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(PeerFile, CopiesReadBackTheSame) {
  const std::string source = DataPath("peers/" + GetParam());
  if (GetParam() == "018_hotel-encrypted.sav") {
    int h;
    EXPECT_EQ(spssOpenRead(source.c_str(), &h), SPSS_NEEDS_PASSWORD) << "an encrypted file needs its password";
    char why[200];
    ASSERT_EQ(spssGetFaultDetail(-1, why, sizeof why, nullptr), SPSS_OK);
    EXPECT_STREQ(why, "it is encrypted with a password");
    return;
  }
  const std::string dictionary = DumpDictionary(source);
  ASSERT_FALSE(dictionary.empty());
  const auto values = ReadTable(source);
  ASSERT_FALSE(values.empty());
  for (int compression : {-1, 0, 1, 2}) {
    SCOPED_TRACE(compression);
    const std::string copy = Path("copy" + std::to_string(compression) + ".sav");
    ASSERT_LE(savkit::fuzzing::CopyThroughLibrary(source.c_str(), copy.c_str(), compression), 0);
    EXPECT_EQ(DumpDictionary(copy), dictionary);
    EXPECT_EQ(ReadTable(copy), values);
    if (::testing::Test::HasFailure()) return;
  }
  // The peers, on the copy in the source's own compression.
  const std::string copy = Path("copy-1.sav");
  const std::string csv = Path("peer.csv");
  for (const char* peer : {"readstat", "pspp-convert"}) {
    if (!HavePeer(peer)) continue;
    // A peer that refuses the original (ReadStat refuses some damaged ones) reads the copy.
    const auto theirs = TryPeerCsv(peer, source, csv);
    const auto ours = TryPeerCsv(peer, copy, csv);
    EXPECT_FALSE(ours.empty()) << peer;
    if (!theirs.empty()) {
      EXPECT_EQ(ours, theirs) << peer;
    }
  }
  if (HavePeer("pspp")) {
    const PsppView theirs = PsppDictionary(source), ours = PsppDictionary(copy);
    EXPECT_EQ(ours.tables, theirs.tables);
    // The copy mends what PSPP warned of in the original, and adds nothing to warn of.
    for (const std::string& w : ours.warnings) EXPECT_TRUE(theirs.warnings.count(w)) << w;
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, PeerFile, ::testing::ValuesIn(PeerFiles()), ParamName);

}  // namespace

namespace {

std::vector<std::string> SackFiles() {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(DataPath("pspp-sack")))
    if (e.path().extension() == ".sav") names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class SackFile : public TempDirTest, public ::testing::WithParamInterface<std::string> {};

// PSPP's reader tests, most of them damaged on purpose: each gives a status or
// a clean read, through the library, the component and a copy; a file PSPP
// reads, we read, with the same names and values.
TEST_P(SackFile, GivesAStatusOrTheValuesPsppReads) {
  const std::string path = DataPath("pspp-sack/" + GetParam());
  const std::string copy = Path("copy.sav");
  SAVKIT_EXPECT_BOUNDED({
    savkit::fuzzing::ReadThroughLibrary(path.c_str());
    savkit::fuzzing::ReadThroughComponent(path);
    if (savkit::fuzzing::CopyThroughLibrary(path.c_str(), copy.c_str(), -1) <= 0)
      savkit::fuzzing::ReadThroughLibrary(copy.c_str());
  });
  // A file the library refuses says why, at a byte inside it.
  int h = -1;
  if (const int status = spssOpenRead(path.c_str(), &h); status > 0) {
    char text[256];
    long long offset = -2;
    ASSERT_EQ(spssGetFaultDetail(-1, text, sizeof text, &offset), SPSS_OK);
    EXPECT_STRNE(text, "") << "status " << status;
    EXPECT_GE(offset, -1);
    EXPECT_LT(offset, static_cast<long long>(std::filesystem::file_size(path)));
  } else if (h >= 0) {
    spssCloseRead(h);
  }
  if (!HavePeer("pspp-convert")) return;
  const auto theirs = TryPeerCsv("pspp-convert", path, Path("pspp.csv"));
  if (theirs.empty()) return;  // PSPP refuses it too
  ReadHandle f(path);
  // A file of no variables has a status of its own in the library's interface.
  if (GetParam().rfind("no_variables", 0) == 0) {
    EXPECT_EQ(f.status, SPSS_NO_TYPE2);
    return;
  }
  ASSERT_LE(f.status, 0) << "PSPP reads this file";
  // PSPP shows the names of a file without long names in lower case.
  auto expected = theirs;
  const auto vars = f.Variables();
  for (std::size_t i = 0; i < vars.size() && i < expected[0].size(); ++i)
    if (savkit::io::FoldName(expected[0][i]) == savkit::io::FoldName(vars[i].name)) expected[0][i] = vars[i].name;
  ExpectSameAsCsv(path, expected, CsvStyle::Pspp);
  // What reading mended (names, formats, sets) lets the dictionary be written
  // again after an edit.
  std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
  savkit::TSPSSDatafile d;
  d.Set_Filename(copy);
  d.Open();
  d.Variables()->GetItem(0)->Set_LabelText("edited");
  EXPECT_NO_THROW(d.Save());
}

INSTANTIATE_TEST_SUITE_P(PsppReaderTests, SackFile, ::testing::ValuesIn(SackFiles()), ParamName);

}  // namespace

namespace {

struct CodePage {
  const char* file;
  const char* encoding;  // as PSPP's SYSFILE INFO names it
  const char* missing;   // a string missing value: 6 bytes there, 9 to 12 in UTF-8
  const char* foreign;   // a text the encoding cannot hold
};

const CodePage kCodePages[] = {
    {"codepage-cp1252.sav", "WINDOWS-1252", "Brühlöß", "東京"},
    {"codepage-cp1251.sav", "WINDOWS-1251", "Москва", "東京"},
    {"codepage-sjis.sav", "SHIFT_JIS", "東京都", "Москва€"},
    {"codepage-gbk.sav", "GBK", "北京市", "서울"},
    {"codepage-big5.sav", "BIG5", "臺北市", "서울"},
    {"codepage-euckr.sav", "EUC-KR", "서울시", "ไทย"},
};

class CodePageFile : public TempDirTest, public ::testing::WithParamInterface<CodePage> {
 protected:
  // What PSPP says of the file's encoding, documents and labels.
  static std::string PsppFacts(const std::string& path) {
    std::string text = RunPspp("SYSFILE INFO FILE='" + path + "'.\n");
    std::string facts;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);)
      if (line.rfind("Encoding,", 0) == 0 || line.rfind("Label,", 0) == 0) facts += line + "\n";
    return facts;
  }
};

// Copies of a file in a code page are written in that code page, so that
// every text that fit still fits: nothing is cut, nothing changes.
TEST_P(CodePageFile, CopiesKeepEveryText) {
  const CodePage& cp = GetParam();
  const std::string source = DataPath(cp.file);
  const std::string dictionary = DumpDictionary(source);
  // The 6-byte missing value is read whole, for the short and the long string.
  EXPECT_NE(dictionary.find("city type=24 print=1.24.0 write=1.24.0"), std::string::npos) << dictionary;
  EXPECT_NE(dictionary.find(std::string("missing=1 [") + cp.missing + "]"), std::string::npos) << dictionary;
  EXPECT_NE(dictionary.find(std::string("place type=60 print=1.60.0 write=1.60.0 columns=20 align=0 measure=1 "
                                        "label=[")),
            std::string::npos);
  const auto values = ReadTable(source);
  for (int compression : {-1, 0, 2}) {
    const std::string copy = Path("copy.sav");
    ASSERT_LE(savkit::fuzzing::CopyThroughLibrary(source.c_str(), copy.c_str(), compression), 0);
    EXPECT_EQ(DumpDictionary(copy), dictionary);
    EXPECT_EQ(ReadTable(copy), values);
  }
  const std::string copy = Path("copy.sav");
  if (HavePeer("pspp")) {
    EXPECT_EQ(PsppFacts(copy), PsppFacts(source));
    EXPECT_NE(PsppFacts(copy).find(std::string("Encoding,") + cp.encoding), std::string::npos);
    EXPECT_EQ(PsppDictionary(copy).tables, PsppDictionary(source).tables);
  }
  if (HavePeer("readstat")) {
    EXPECT_EQ(PeerCsv("readstat", copy), PeerCsv("readstat", source));
  }
}

// Saving through the component, with a value edited, goes the same way.
TEST_P(CodePageFile, SavingAnEditKeepsEveryOtherText) {
  const CodePage& cp = GetParam();
  const std::string path = Path("edited.sav");
  std::filesystem::copy_file(DataPath(cp.file), path);
  const std::string dictionary = DumpDictionary(path);
  auto values = ReadTable(path);
  {
    savkit::TSPSSDatafile d;
    d.Set_Filename(path);
    d.Open();
    d.Variables()->Find("place")->Set_Value(3, savkit::Variant(std::string(cp.missing)));
    d.Save();
  }
  values[3][2] = cp.missing;
  EXPECT_EQ(DumpDictionary(path), dictionary);
  EXPECT_EQ(ReadTable(path), values);
  if (HavePeer("pspp")) {
    EXPECT_NE(PsppFacts(path).find(std::string("Encoding,") + cp.encoding), std::string::npos);
  }
}

// A dictionary edit writes the dictionary anew over a copy: every other text
// stays whole, also those longer than the buffers the component reads them
// through (a 64-byte file label, 255-byte variable labels, in UTF-8).
TEST_P(CodePageFile, SavingADictionaryEditKeepsEveryOtherText) {
  if (!HavePeer("pspp")) GTEST_SKIP() << "needs pspp";
  const CodePage& cp = GetParam();
  const std::string path = Path("edited.sav");
  std::filesystem::copy_file(DataPath(cp.file), path);
  const std::string facts = PsppFacts(path);
  std::string tables = PsppDictionary(path).tables;
  const auto values = ReadTable(path);
  {
    savkit::TSPSSDatafile d;
    d.Set_Filename(path);
    d.Open();
    d.Variables()->Find("score")->Set_LabelText("edited");
    d.Save();
  }
  // The label shows in the dictionary, and names the variable's row of attributes.
  for (std::size_t at; (at = tables.find("score,4,,")) != std::string::npos;) tables.replace(at, 9, "score,4,edited,");
  for (std::size_t at; (at = tables.find("\nscore,$@Role")) != std::string::npos;) tables.replace(at, 6, "\nedited");
  EXPECT_EQ(PsppFacts(path), facts);
  EXPECT_EQ(PsppDictionary(path).tables, tables);
  EXPECT_EQ(ReadTable(path), values);
}

// Appending converts back to the file's code page; a value it cannot hold,
// or one too long for the variable there, is refused and nothing is written.
TEST_P(CodePageFile, AppendsConvertBackOrRefuse) {
  const CodePage& cp = GetParam();
  const std::string path = Path("append.sav");
  std::filesystem::copy_file(DataPath(cp.file), path);
  const std::string before = Bytes(path);
  int h;
  ASSERT_EQ(spssOpenAppend(path.c_str(), &h), SPSS_OK);
  double city, place;
  ASSERT_EQ(spssGetVarHandle(h, "city", &city), SPSS_OK);
  ASSERT_EQ(spssGetVarHandle(h, "place", &place), SPSS_OK);
  ASSERT_EQ(spssSetValueChar(h, city, cp.foreign), SPSS_OK);
  EXPECT_EQ(spssCommitCaseRecord(h), SPSS_EXC_STRVALUE);
  const std::string tooLong = std::string(cp.missing) + cp.missing;  // 12 bytes there, for an A8
  ASSERT_EQ(spssSetValueChar(h, city, tooLong.c_str()), SPSS_OK);
  EXPECT_EQ(spssCommitCaseRecord(h), SPSS_EXC_STRVALUE);
  ASSERT_EQ(spssCloseAppend(h), SPSS_OK);
  EXPECT_EQ(Bytes(path), before) << "refused cases leave nothing behind";

  ASSERT_EQ(spssOpenAppend(path.c_str(), &h), SPSS_OK);
  ASSERT_EQ(spssSetValueChar(h, city, cp.missing), SPSS_OK);
  ASSERT_EQ(spssSetValueChar(h, place, tooLong.c_str()), SPSS_OK);
  ASSERT_EQ(spssCommitCaseRecord(h), SPSS_OK);
  ASSERT_EQ(spssCloseAppend(h), SPSS_OK);
  const auto table = ReadTable(path);
  ASSERT_EQ(table.size(), 5u);
  const std::string sysmis = "-1.7976931348623157e+308";
  EXPECT_EQ(table[4], (std::vector<std::string>{sysmis, cp.missing, tooLong, sysmis}));
  if (HavePeer("pspp-convert")) {
    const auto csv = PeerCsv("pspp-convert", path);
    ASSERT_EQ(csv.size(), 5u);
    EXPECT_EQ(csv[4], (std::vector<std::string>{" ", cp.missing, tooLong, " "}));  // PSPP shows SYSMIS as a blank
  }
}

INSTANTIATE_TEST_SUITE_P(SixEncodings, CodePageFile, ::testing::ValuesIn(kCodePages),
                         [](const auto& info) { return TestName(info.param.file); });

}  // namespace
