// Reading value by value through the C interface, and the look-ups beside it.
#include <gtest/gtest.h>

#include <string>

#include "io_test_support.h"
#include "temp_dir.h"

using namespace savkit::testing;

namespace {

double Handle(int file, const char* name) {
  double h = -1;
  EXPECT_EQ(spssGetVarHandle(file, name, &h), SPSS_OK) << name;
  return h;
}

std::string Text(int file, double var, int size, int expected = SPSS_OK) {
  std::string buffer(static_cast<std::size_t>(size), '#');
  EXPECT_EQ(spssGetValueChar(file, var, buffer.data(), size), expected);
  return buffer.c_str();
}

}  // namespace

TEST(ValueByValue, ReadsCasesAndRefusesWhatItCannotGive) {
  ReadHandle f(DataPath("full.sav"));
  ASSERT_EQ(f.status, SPSS_OK);
  const double id = Handle(f.handle, "id"), name = Handle(f.handle, "name"), huge = Handle(f.handle, "huge");
  double value = 0;
  EXPECT_EQ(spssGetValueNumeric(f.handle, id, &value), SPSS_INVALID_CASE);  // nothing read yet

  ASSERT_EQ(spssReadCaseRecord(f.handle), SPSS_OK);
  ASSERT_EQ(spssGetValueNumeric(f.handle, id, &value), SPSS_OK);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(Text(f.handle, name, 9), "Alice   ");  // blank-padded to the width
  EXPECT_EQ(Text(f.handle, name, 3), "Al");
  EXPECT_EQ(Text(f.handle, name, 1), "");
  EXPECT_EQ(spssGetValueNumeric(f.handle, name, &value), SPSS_NUME_EXP);
  EXPECT_EQ(Text(f.handle, id, 9, SPSS_STR_EXP), std::string(9, '#'));  // left alone
  for (const double bad : {-1.0, 0.5, 1e9})
    EXPECT_EQ(spssGetValueNumeric(f.handle, bad, &value), SPSS_VAR_NOTFOUND) << bad;
  const std::string whole = Text(f.handle, huge, 20001);
  EXPECT_EQ(whole.size(), 20000u);
  EXPECT_EQ(whole.substr(19992), "END-HUGE");

  ASSERT_EQ(spssReadCaseRecord(f.handle), SPSS_OK);
  EXPECT_EQ(Text(f.handle, name, 4), "Zo");  // "ë" would not fit whole
  EXPECT_EQ(Text(f.handle, name, 5), "Zoë");

  ASSERT_EQ(spssSeekNextCase(f.handle, 3), SPSS_OK);  // seeking moves the same position
  ASSERT_EQ(spssReadCaseRecord(f.handle), SPSS_OK);
  ASSERT_EQ(spssGetValueNumeric(f.handle, id, &value), SPSS_OK);
  EXPECT_EQ(value, 4);
  ASSERT_EQ(spssReadCaseRecord(f.handle), SPSS_OK);
  EXPECT_EQ(spssReadCaseRecord(f.handle), SPSS_FILE_END);
  EXPECT_EQ(spssGetValueNumeric(f.handle, id, &value), SPSS_INVALID_CASE);
  EXPECT_EQ(spssReadCaseRecord(-1), SPSS_INVALID_HANDLE);
}

TEST_F(TempDirTest, LookUpsByPositionValueAndShortName) {
  ReadHandle f(DataPath("full.sav"));
  ASSERT_EQ(f.status, SPSS_OK);
  char name[SPSS_MAX_VARNAME + 1];
  int type = -1;
  ASSERT_EQ(spssGetVarInfo(f.handle, 2, name, &type), SPSS_OK);
  EXPECT_STREQ(name, "name");
  EXPECT_EQ(type, 8);
  ASSERT_EQ(spssGetVarInfo(f.handle, 1, name, &type), SPSS_OK);
  EXPECT_STREQ(name, "AVeryLongVariableNameForTheScore");
  EXPECT_EQ(type, 0);
  EXPECT_EQ(spssGetVarInfo(f.handle, 20, name, &type), SPSS_VAR_NOTFOUND);
  EXPECT_EQ(spssGetVarInfo(f.handle, -1, name, &type), SPSS_VAR_NOTFOUND);

  char label[SPSS_MAX_VALLABEL + 1];
  ASSERT_EQ(spssGetVarNValueLabel(f.handle, "id", 1, label), SPSS_OK);
  EXPECT_STREQ(label, "one");
  EXPECT_EQ(spssGetVarNValueLabel(f.handle, "id", 3, label), SPSS_NO_LABEL);
  EXPECT_STREQ(label, "");
  EXPECT_EQ(spssGetVarNValueLabel(f.handle, "name", 1, label), SPSS_NUME_EXP);
  ASSERT_EQ(spssGetVarCValueLabel(f.handle, "name", "Alice", label), SPSS_OK);
  EXPECT_STREQ(label, "Ms A");
  ASSERT_EQ(spssGetVarCValueLabel(f.handle, "comment", "a first comment         ", label), SPSS_OK);
  EXPECT_STREQ(label, "First comment label");  // trailing blanks do not matter
  EXPECT_EQ(spssGetVarCValueLabel(f.handle, "name", "Bob", label), SPSS_NO_LABEL);
  EXPECT_EQ(spssGetVarCValueLabel(f.handle, "id", "1", label), SPSS_STR_EXP);

  char shortName[SPSS_MAX_SHORTVARNAME + 1];
  ASSERT_EQ(spssGetVarCompatName(f.handle, "AVeryLongVariableNameForTheScore", shortName), SPSS_OK);
  EXPECT_STREQ(shortName, "AVERYLON");
  EXPECT_EQ(spssGetVarCompatName(f.handle, "nosuch", shortName), SPSS_VAR_NOTFOUND);

  // A new file has short names once its header is committed.
  int w = -1;
  ASSERT_EQ(spssOpenWrite(Path("new.sav").c_str(), &w), SPSS_OK);
  ASSERT_EQ(spssSetVarName(w, "LongerThanEight", 0), SPSS_OK);
  EXPECT_EQ(spssGetVarCompatName(w, "LongerThanEight", shortName), SPSS_DICT_NOTCOMMIT);
  EXPECT_EQ(spssReadCaseRecord(w), SPSS_OPEN_WRMODE);
  ASSERT_EQ(spssCommitHeader(w), SPSS_OK);
  ASSERT_EQ(spssGetVarCompatName(w, "LongerThanEight", shortName), SPSS_OK);
  EXPECT_STREQ(shortName, "LONGERTH");
  EXPECT_EQ(spssCloseWrite(w), SPSS_OK);
}
