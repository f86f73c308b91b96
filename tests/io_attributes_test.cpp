// File and variable attributes and roles, set through the C interface and read
// back by us and by PSPP.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "io_test_support.h"
#include "temp_dir.h"

using namespace savkit::testing;

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs Get(int handle, const char* var = nullptr) {
  char** names = nullptr;
  char** texts = nullptr;
  int n = 0;
  EXPECT_EQ(
      var ? spssGetVarAttributes(handle, var, &names, &texts, &n) : spssGetFileAttributes(handle, &names, &texts, &n),
      SPSS_OK);
  Pairs out;
  for (int i = 0; i < n; ++i) out.emplace_back(names[i], texts[i]);
  spssFreeAttributes(names, texts, n);
  return out;
}

int Set(int handle, const char* var, const Pairs& attributes) {
  std::vector<char*> names, texts;
  for (const auto& [name, text] : attributes) {
    names.push_back(const_cast<char*>(name.c_str()));
    texts.push_back(const_cast<char*>(text.c_str()));
  }
  const int n = static_cast<int>(attributes.size());
  return var ? spssSetVarAttributes(handle, var, names.data(), texts.data(), n)
             : spssSetFileAttributes(handle, names.data(), texts.data(), n);
}

int Role(int handle, const char* var) {
  int role = -1;
  EXPECT_EQ(spssGetVarRole(handle, var, &role), SPSS_OK);
  return role;
}

}  // namespace

TEST_F(TempDirTest, AttributesAndRolesOfANewFileReadBackEverywhere) {
  const std::string path = Path("new.sav");
  int h = -1;
  ASSERT_EQ(spssOpenWrite(path.c_str(), &h), SPSS_OK);
  ASSERT_EQ(spssSetVarName(h, "weight", 0), SPSS_OK);
  ASSERT_EQ(spssSetVarName(h, "group", 4), SPSS_OK);
  ASSERT_EQ(Set(h, nullptr, {{"Origin", "it's (here)/there"}, {"Tags[2]", "second"}, {"Tags[1]", "first"}}), SPSS_OK);
  ASSERT_EQ(Set(h, "weight", {{"Unit", "kilogram \u00e9"}}), SPSS_OK);
  ASSERT_EQ(spssSetVarRole(h, "group", SPSS_ROLE_TARGET), SPSS_OK);
  EXPECT_EQ(Role(h, "group"), SPSS_ROLE_TARGET);
  EXPECT_EQ(Role(h, "weight"), SPSS_ROLE_INPUT);
  ASSERT_EQ(spssCommitHeader(h), SPSS_OK);
  EXPECT_EQ(spssSetVarRole(h, "group", SPSS_ROLE_NONE), SPSS_DICT_COMMIT);
  ASSERT_EQ(spssSetValueNumeric(h, 0, 70), SPSS_OK);
  ASSERT_EQ(spssCommitCaseRecord(h), SPSS_OK);
  ASSERT_EQ(spssCloseWrite(h), SPSS_OK);

  ReadHandle f(path);
  ASSERT_EQ(f.status, SPSS_OK);
  EXPECT_EQ(Get(f.handle), (Pairs{{"Origin", "it's (here)/there"}, {"Tags[1]", "first"}, {"Tags[2]", "second"}}));
  EXPECT_EQ(Get(f.handle, "weight"), (Pairs{{"Unit", "kilogram \u00e9"}}));
  EXPECT_EQ(Get(f.handle, "group"), (Pairs{{"$@Role", "1"}}));
  EXPECT_EQ(Role(f.handle, "group"), SPSS_ROLE_TARGET);
  EXPECT_EQ(spssSetVarRole(f.handle, "group", 0), SPSS_OPEN_RDMODE);

  if (!HavePeer("pspp")) return;
  const std::string shown = RunPspp("GET FILE='" + path + "'.\nDISPLAY @ATTRIBUTES.\n");
  for (const char* text : {"it's (here)/there", "Tags[1],first", "Tags[2],second", "Unit,kilogram \u00e9", "$@Role,1"})
    EXPECT_NE(shown.find(text), std::string::npos) << text << "\n" << shown;
}

// A copy writes what it read, except what is set: the rest of the attributes
// go on with their variables, renamed ones too.
TEST_F(TempDirTest, ACopyChangesOnlyTheAttributesSet) {
  const std::string path = Path("copy.sav");
  int h = -1;
  ASSERT_EQ(spssOpenWriteCopy(path.c_str(), DataPath("full.sav").c_str(), &h), SPSS_OK);
  ASSERT_EQ(spssSetVarRole(h, "name", SPSS_ROLE_SPLIT), SPSS_OK);
  ASSERT_EQ(Set(h, "id", {{"Note", "added"}}), SPSS_OK);  // $@Role stays, not being named
  ASSERT_EQ(spssCommitHeader(h), SPSS_OK);
  ASSERT_EQ(spssCloseWrite(h), SPSS_OK);
  {
    ReadHandle f(path);
    ASSERT_EQ(f.status, SPSS_OK);
    EXPECT_EQ(Get(f.handle), (Pairs{{"Origin", "fixture"}}));
    EXPECT_EQ(Get(f.handle, "id"), (Pairs{{"$@Role", "0"}, {"Note", "added"}}));
    EXPECT_EQ(Role(f.handle, "name"), SPSS_ROLE_SPLIT);
    EXPECT_EQ(Get(f.handle, "comment"), (Pairs{{"$@Role", "0"}}));
  }

  // Variables defined anew: "id" carries on as "ident" with its attributes.
  const std::string renamed = Path("renamed.sav");
  ASSERT_EQ(spssOpenWriteCopy(renamed.c_str(), DataPath("full.sav").c_str(), &h), SPSS_OK);
  ASSERT_EQ(spssRestartCopiedVars(h), SPSS_OK);
  ASSERT_EQ(spssSetVarName(h, "ident", 0), SPSS_OK);
  ASSERT_EQ(spssSetVarCopiedFrom(h, "ident", "id"), SPSS_OK);
  ASSERT_EQ(spssSetVarName(h, "name", 8), SPSS_OK);
  ASSERT_EQ(spssSetVarCopiedFrom(h, "name", "name"), SPSS_OK);
  ASSERT_EQ(spssSetVarRole(h, "name", SPSS_ROLE_BOTH), SPSS_OK);
  ASSERT_EQ(spssCommitHeader(h), SPSS_OK);
  ASSERT_EQ(spssCloseWrite(h), SPSS_OK);
  ReadHandle g(renamed);
  ASSERT_EQ(g.status, SPSS_OK);
  EXPECT_EQ(Get(g.handle, "ident"), (Pairs{{"$@Role", "0"}, {"Source", "survey"}}));
  EXPECT_EQ(Role(g.handle, "name"), SPSS_ROLE_BOTH);
}

TEST_F(TempDirTest, AttributesTheFileCannotHoldAreRefused) {
  int h = -1;
  ASSERT_EQ(spssOpenWrite(Path("x.sav").c_str(), &h), SPSS_OK);
  ASSERT_EQ(spssSetVarName(h, "v", 0), SPSS_OK);
  for (const char* name : {"1x", "a b", "x[0]", "x[", "x[1", "x[a]", "", "ALL", "x:y"})
    EXPECT_EQ(Set(h, nullptr, {{name, "t"}}), SPSS_INVALID_ATTRNAME) << name;
  EXPECT_EQ(Set(h, nullptr, {{"x[1]", "a"}, {"x[3]", "b"}}), SPSS_INVALID_ATTRDEF);  // a gap
  EXPECT_EQ(Set(h, nullptr, {{"x", "a"}, {"x[1]", "b"}}), SPSS_INVALID_ATTRDEF);
  EXPECT_EQ(Set(h, nullptr, {{"x", "a"}, {"X", "b"}}), SPSS_INVALID_ATTRDEF);
  EXPECT_EQ(Set(h, "v", {{"x", "two\nlines"}}), SPSS_INVALID_ATTRDEF);
  EXPECT_EQ(spssSetFileAttributes(h, nullptr, nullptr, 1), SPSS_INVALID_ATTRDEF);
  EXPECT_EQ(spssSetFileAttributes(h, nullptr, nullptr, -1), SPSS_INVALID_ATTRDEF);
  EXPECT_EQ(Set(h, "nosuch", {{"x", "y"}}), SPSS_VAR_NOTFOUND);
  EXPECT_EQ(spssSetVarRole(h, "v", 6), SPSS_INVALID_ROLE);
  EXPECT_EQ(spssSetVarRole(h, "v", -1), SPSS_INVALID_ROLE);
  EXPECT_EQ(Set(h, nullptr, {{"$@Reserved", "ok"}, {"y[1]", "a"}}), SPSS_OK);
  EXPECT_EQ(Set(h, nullptr, {}), SPSS_OK);  // clears all but the reserved
  EXPECT_EQ(Get(h), (Pairs{{"$@Reserved", "ok"}}));
  EXPECT_EQ(spssDiscardWrite(h), SPSS_OK);

  // A copy keeps its encoding: a character it lacks is refused.
  ASSERT_EQ(spssOpenWriteCopy(Path("cp.sav").c_str(), DataPath("codepage-cp1252.sav").c_str(), &h), SPSS_OK);
  EXPECT_EQ(Set(h, nullptr, {{"Note", "\u65e5\u672c"}}), SPSS_EXC_STRVALUE);
  EXPECT_EQ(Set(h, nullptr, {{"Note", "caf\u00e9"}}), SPSS_OK);
  EXPECT_EQ(spssDiscardWrite(h), SPSS_OK);
}

TEST_F(TempDirTest, DocumentsAndLongLabelsAreWrittenWholeOrRefused) {
  int h = -1;
  const std::string path = Path("docs.sav");
  ASSERT_EQ(spssOpenWrite(path.c_str(), &h), SPSS_OK);
  ASSERT_EQ(spssSetVarName(h, "v", 0), SPSS_OK);
  std::string longLine(81, 'x'), fits(80, 'y'), lineFeed = "a\nb";
  char* tooLong[] = {longLine.data()};
  char* twoLines[] = {lineFeed.data()};
  EXPECT_EQ(spssSetDocuments(h, tooLong, 1), SPSS_EXC_STRVALUE);  // never cut
  EXPECT_EQ(spssSetDocuments(h, twoLines, 1), SPSS_EXC_STRVALUE);
  char* lines[] = {fits.data(), const_cast<char*>("  indented")};
  ASSERT_EQ(spssSetDocuments(h, lines, 2), SPSS_OK);
  const std::string label(300, 'L');
  ASSERT_EQ(spssSetVarLabelLong(h, "v", label.c_str()), SPSS_OK);
  EXPECT_EQ(spssSetVarLabelLong(h, "v", std::string(70000, 'L').c_str()), SPSS_EXC_STRVALUE);
  ASSERT_EQ(spssCommitHeader(h), SPSS_OK);
  ASSERT_EQ(spssCloseWrite(h), SPSS_OK);
  ReadHandle g(path);
  ASSERT_EQ(g.status, SPSS_OK);
  char** read = nullptr;
  int count = 0;
  ASSERT_EQ(spssGetDocuments(g.handle, &read, &count), SPSS_OK);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(std::string(read[0]), fits);
  EXPECT_EQ(std::string(read[1]), "  indented");
  spssFreeDocuments(read, count);
  std::string whole(400, '\0');
  int length = 0;
  ASSERT_EQ(spssGetVarLabelLong(g.handle, "v", whole.data(), 400, &length), SPSS_OK);
  EXPECT_EQ(whole.substr(0, static_cast<std::size_t>(length)), label);
}
