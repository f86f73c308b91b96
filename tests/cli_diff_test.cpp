// savkit diff on real files and their edited copies.
#include <gtest/gtest.h>

#include <filesystem>

#include "command_fixture.h"
#include "io_test_support.h"

using namespace savkit::testing;

namespace {

class Diff : public Command {
 protected:
  void SetUp() override {
    Command::SetUp();
    std::filesystem::copy_file(std::string(SAVKIT_EXAMPLES) + "/survey.sav", Path("a.sav"));
  }
  // Runs in the temporary folder, so that files are named as a person names them.
  Result Here(const std::string& args) {
    const std::string out = Path("stdout"), err = Path("stderr");
    const std::string cmd =
        "cd '" + dir_.string() + "' && " + SAVKIT_CLI + " " + args + " </dev/null >'" + out + "' 2>'" + err + "'";
    const int status = std::system(cmd.c_str());
    return {WEXITSTATUS(status), Read(out), Read(err)};
  }
};

TEST_F(Diff, AnEditedCopyShowsExactlyItsEdits) {
  ASSERT_EQ(Here("edit a.sav -o b.sav --set 2:age=28 --delete-case 5 --add-var score:num --set 1:score=9.5 "
                 "--var-label 'age=Age now' --value-label happy:4=Content --file-label Edited --set 3:city=Porto")
                .code,
            0);
  const Result keyed = Here("diff a.sav b.sav --key id");
  EXPECT_EQ(keyed.code, 1) << keyed.err;
  EXPECT_EQ(keyed.out,
            "dictionary\n"
            "  file: label: \"savkit sample survey\" -> \"Edited\"\n"
            "  variable age: label: \"Age in years\" -> \"Age now\"\n"
            "  variable happy: value label 4: (none) -> \"Content\"\n"
            "  variable score: only in b.sav\n"
            "values (cases matched by id)\n"
            "  id 2: age: 27 -> 28\n"
            "  id 3: city: \"São Paulo\" -> \"Porto\"\n"
            "  id 5: only in a.sav\n"
            "a.sav and b.sav differ: 4 in the dictionary; 2 values in 2 of 4 cases compared; 1 case only in a.sav\n");

  const Result limited = Here("diff b.sav a.sav --limit 1");
  EXPECT_EQ(limited.code, 1);
  EXPECT_NE(limited.out.find("  case 2: age: 28 -> 27\n  ... and 1 value more"), std::string::npos) << limited.out;
  EXPECT_NE(limited.out.find("  case 5: only in a.sav\n"), std::string::npos);

  const Result json = Here("diff a.sav b.sav --key id --json");
  EXPECT_EQ(json.code, 1);
  EXPECT_NE(json.out.find("\"equal\": false"), std::string::npos) << json.out;
  EXPECT_NE(
      json.out.find("{\"scope\": \"variable\", \"name\": \"score\", \"field\": \"\", \"a\": null, \"b\": \"number\"}"),
      std::string::npos);
  EXPECT_NE(json.out.find("{\"caseA\": 3, \"caseB\": 3, \"key\": \"3\", \"variable\": \"city\", \"a\": \"São Paulo\", "
                          "\"b\": \"Porto\"}"),
            std::string::npos);
  EXPECT_NE(json.out.find("\"casesOnlyInA\": [\"5\"]"), std::string::npos);

  const Result same = Here("diff a.sav a.sav --json");
  EXPECT_EQ(same.code, 0);
  EXPECT_NE(same.out.find("\"equal\": true"), std::string::npos);
  EXPECT_EQ(Here("diff a.sav a.sav").out, "a.sav and a.sav are the same (5 cases compared)\n");
}

// Saving a real file from another program with one change shows that change
// and nothing else: diff reads every record both ways, and the save keeps them.
TEST_F(Diff, PeerFilesSavedWithANewLabelDifferOnlyThere) {
  for (const auto& entry : std::filesystem::directory_iterator(DataPath("peers"))) {
    const std::string file = entry.path().string();
    if (file.find("encrypted") != std::string::npos) continue;  // not readable without its password
    SCOPED_TRACE(file);
    ASSERT_EQ(Savkit("edit '" + file + "' -o '" + Path("copy.sav") + "' --file-label 'diff check'").code, 0);
    const Result r = Savkit("diff '" + file + "' '" + Path("copy.sav") + "'");
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_TRUE(r.out.starts_with("dictionary\n  file: label: ")) << r.out;
    EXPECT_NE(r.out.find(" -> \"diff check\"\n" + file + " and "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("differ: 1 in the dictionary; 0 values in 0 of "), std::string::npos) << r.out;
  }
}

TEST_F(Diff, AttributesDocumentsAndSetsAreCompared) {
  if (!HavePeer("pspp")) GTEST_SKIP() << "pspp is not installed";
  RunPspp("GET FILE='" + DataPath("full.sav") +
          "'.\n"
          "ADD DOCUMENT 'a second line'.\n"
          "DATAFILE ATTRIBUTE ATTRIBUTE=Origin('elsewhere') Added('yes').\n"
          "VARIABLE ATTRIBUTE VARIABLES=id DELETE=Source.\n"
          "MRSETS /DELETE NAME=[$counted].\n"
          "FORMATS wt (F6.2).\n"
          "MISSING VALUES id ().\n"
          "SAVE OUTFILE='" +
          Path("b.sav") + "'.\n");
  const Result r = Savkit("diff '" + DataPath("full.sav") + "' '" + Path("b.sav") + "'");
  EXPECT_EQ(r.code, 1) << r.err;
  // PSPP adds a line with the date after each document.
  for (const char* line :
       {"  file: document line 3: (none) -> \"a second line\"\n",
        "  file: attribute Origin: \"fixture\" -> \"elsewhere\"\n", "  file: attribute Added: (none) -> \"yes\"\n",
        "  variable id: missing values: 999 -> (none)\n", "  variable id: attribute Source: \"survey\" -> (none)\n",
        "  variable wt: print format: F5.1 -> F6.2\n", "  variable wt: write format: F5.1 -> F6.2\n",
        "  multiple-response set counted: only in "})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
  EXPECT_NE(r.out.find("differ: 9 in the dictionary; 0 values in 0 of 5 cases compared\n"), std::string::npos) << r.out;
}

TEST_F(Diff, FailuresExitWithTwoAndNameTheirFile) {
  ASSERT_EQ(Here("edit a.sav -o dup.sav --set 2:id=1").code, 0);
  struct Case {
    std::string args, message;
  } cases[] = {
      {"diff a.sav nosuch.sav", "savkit: nosuch.sav: no such file\n"},
      {"diff a.sav a.sav --key nosuch", "savkit: a.sav: no variable named nosuch to match cases by\n"},
      {"diff a.sav dup.sav --key id",
       "savkit: dup.sav: id is 1 in cases 1 and 2; the key must tell every case apart\n"},
      {"diff a.sav a.sav --key id --key city", ""},
      {"diff a.sav a.sav --limit many", ""},
      {"diff a.sav a.sav --limit -1", "--limit: must be 0 or more\nRun with --help for more information.\n"},
      {"diff a.sav", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const Result r = Here(c.args);
    EXPECT_EQ(r.code, 2);
    if (!c.message.empty()) {
      EXPECT_EQ(r.err, c.message);
    }
    EXPECT_EQ(r.out, "");
  }
  // A file cut short is found out on reading its cases.
  {
    std::ifstream whole(DataPath("full-uncompressed.sav"), std::ios::binary);
    std::string bytes(150000, '\0');
    whole.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::ofstream(Path("cut.sav"), std::ios::binary) << bytes;
  }
  const Result cut = Here("diff '" + DataPath("full-uncompressed.sav") + "' cut.sav");
  EXPECT_EQ(cut.code, 2);
  EXPECT_TRUE(cut.err.starts_with("savkit: cut.sav: ")) << cut.err;

  std::ofstream(Path("text-id.csv")) << "id,age\nx,1\n";
  ASSERT_EQ(Here("import text-id.csv -o t.sav").code, 0);
  const Result r = Here("diff a.sav t.sav --key id");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "savkit: id: the key is a number in one file and a string in the other\n");
}

}  // namespace

// A file holding NaN is the same as itself; -0 and 0 are one key; texts that
// are not UTF-8 come out as U+FFFD, so that the output is valid UTF-8.
TEST_F(Diff, OddNumbersAndBytesCompareAsTheyShould) {
  const auto write = [&](const std::string& name, double key, double value, const std::string& text) {
    int h;
    ASSERT_EQ(spssOpenWrite(Path(name).c_str(), &h), SPSS_OK);
    ASSERT_EQ(spssSetVarName(h, "k", 0), SPSS_OK);
    ASSERT_EQ(spssSetVarName(h, "x", 0), SPSS_OK);
    ASSERT_EQ(spssSetVarName(h, "s", 4), SPSS_OK);
    ASSERT_EQ(spssCommitHeader(h), SPSS_OK);
    double k, x, s;
    spssGetVarHandle(h, "k", &k), spssGetVarHandle(h, "x", &x), spssGetVarHandle(h, "s", &s);
    ASSERT_EQ(spssSetValueNumeric(h, k, key), SPSS_OK);
    ASSERT_EQ(spssSetValueNumeric(h, x, value), SPSS_OK);
    ASSERT_EQ(spssSetValueChar(h, s, text.c_str()), SPSS_OK);
    ASSERT_EQ(spssCommitCaseRecord(h), SPSS_OK);
    ASSERT_EQ(spssCloseWrite(h), SPSS_OK);
  };
  write("nan.sav", 0.0, std::nan(""), "ab");
  write("zero.sav", -0.0, std::nan(""), "ab");
  write("cut.sav", 0.0, 1, "a\xC3");  // a character cut short
  EXPECT_EQ(Here("diff nan.sav nan.sav").code, 0);
  const Result keyed = Here("diff nan.sav zero.sav --key k");
  EXPECT_EQ(keyed.code, 0) << keyed.out;
  const Result bytes = Here("diff nan.sav cut.sav --json");
  EXPECT_EQ(bytes.code, 1);
  EXPECT_NE(bytes.out.find("\"b\": \"a\xEF\xBF\xBD\""), std::string::npos) << bytes.out;
  const Result text = Here("diff nan.sav cut.sav");
  EXPECT_NE(text.out.find("s: \"ab\" -> \"a\xEF\xBF\xBD\""), std::string::npos) << text.out;
}
