// Reading PSPP's files: the dictionary as PSPP wrote it, and every value as
// PSPP itself reads it back.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <map>

#include <unistd.h>

#include "io_test_support.h"
#include "temp_dir.h"

using namespace savkit::testing;

namespace {

const char* const kFull[] = {"full.sav", "full-uncompressed.sav", "full.zsav"};

// Whether the text ends with a whole UTF-8 character.
bool CompleteUtf8(const std::string& s) {
  std::size_t i = s.size();
  std::size_t continuation = 0;
  while (i > 0 && (static_cast<unsigned char>(s[i - 1]) & 0xC0) == 0x80) {
    --i;
    ++continuation;
  }
  if (i == 0) return continuation == 0;
  const auto lead = static_cast<unsigned char>(s[i - 1]);
  const std::size_t expected = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
  return continuation == expected;
}

std::string Label(int h, const char* name) {
  char buf[256];
  EXPECT_EQ(spssGetVarLabel(h, name, buf), SPSS_OK);
  return buf;
}

std::map<double, std::string> NumberLabels(int h, const char* name) {
  double* values;
  char** labels;
  int n;
  std::map<double, std::string> out;
  if (spssGetVarNValueLabels(h, name, &values, &labels, &n) == SPSS_OK)
    for (int i = 0; i < n; ++i) out[values[i]] = labels[i];
  EXPECT_EQ(spssFreeVarNValueLabels(values, labels, n), SPSS_OK);
  return out;
}

std::map<std::string, std::string> TextLabels(int h, const char* name) {
  char** values;
  char** labels;
  int n;
  std::map<std::string, std::string> out;
  if (spssGetVarCValueLabels(h, name, &values, &labels, &n) == SPSS_OK)
    for (int i = 0; i < n; ++i) out[values[i]] = labels[i];
  EXPECT_EQ(spssFreeVarCValueLabels(values, labels, n), SPSS_OK);
  return out;
}

struct NumMissing {
  int type;
  double v[3];
};
NumMissing Missing(int h, const char* name) {
  NumMissing m{};
  EXPECT_EQ(spssGetVarNMissingValues(h, name, &m.type, &m.v[0], &m.v[1], &m.v[2]), SPSS_OK);
  return m;
}

}  // namespace

class FullFixture : public ::testing::TestWithParam<const char*> {};

TEST_P(FullFixture, DictionaryReadsAsWritten) {
  ReadHandle f(DataPath(GetParam()));
  ASSERT_EQ(f.status, SPSS_OK);
  const int h = f.handle;
  const auto vars = f.Variables();
  const char* names[] = {"id",      "AVeryLongVariableNameForTheScore",
                         "name",    "code",
                         "comment", "when",
                         "clock",   "stamp",
                         "wt",      "c1",
                         "c2",      "d1",
                         "d2",      "s1",
                         "s2",      "rng",
                         "lohi",    "hilo",
                         "big",     "huge"};
  ASSERT_EQ(vars.size(), std::size(names));
  long slots = 0;
  for (std::size_t i = 0; i < vars.size(); ++i) {
    EXPECT_EQ(vars[i].name, names[i]);
    slots += vars[i].type == 0 ? 8 : (vars[i].type + 7) / 8 * 8;
  }
  EXPECT_EQ(vars[4].type, 20);
  EXPECT_EQ(vars[18].type, 1000);
  EXPECT_EQ(vars[19].type, 20000);
  EXPECT_EQ(f.CaseSize(), slots);
  EXPECT_EQ(f.Cases(), 5);

  int compression = -1;
  EXPECT_EQ(spssGetCompression(h, &compression), SPSS_OK);
  EXPECT_EQ(compression, std::string(GetParam()) == "full.sav" ? 1 : std::string(GetParam()) == "full.zsav" ? 2 : 0);
  char text[300], date[10], time[10];
  EXPECT_EQ(spssGetIdString(h, text), SPSS_OK);
  EXPECT_STREQ(text, "savkit fixture: ünïcode");
  EXPECT_EQ(spssGetSystemString(h, text), SPSS_OK);
  EXPECT_EQ(std::string(text).substr(0, 8), "GNU pspp");
  EXPECT_LE(std::strlen(text), 40u);
  EXPECT_EQ(spssGetTimeStamp(h, date, time), SPSS_OK);
  EXPECT_EQ(std::strlen(date), 9u);
  EXPECT_EQ(time[2], ':');
  EXPECT_EQ(spssGetCaseWeightVar(h, text), SPSS_OK);
  EXPECT_STREQ(text, "wt");
  int info[8];
  EXPECT_EQ(spssGetReleaseInfo(h, info), SPSS_OK);
  EXPECT_EQ(info[4], 1);      // IEEE floating point
  EXPECT_EQ(info[7], 65001);  // UTF-8

  int type, dec, width;
  EXPECT_EQ(spssGetVarPrintFormat(h, "id", &type, &dec, &width), SPSS_OK);
  EXPECT_EQ((std::vector{type, width, dec}), (std::vector{SPSS_FMT_F, 4, 0}));
  EXPECT_EQ(spssGetVarPrintFormat(h, "huge", &type, &dec, &width), SPSS_OK);
  EXPECT_EQ((std::vector{type, width, dec}), (std::vector{SPSS_FMT_A, 20000, 0}));
  EXPECT_EQ(spssGetVarWriteFormat(h, "stamp", &type, &dec, &width), SPSS_OK);
  EXPECT_EQ(type, SPSS_FMT_DATE_TIME);
  int level, align, columns;
  EXPECT_EQ(spssGetVarMeasureLevel(h, "ID", &level), SPSS_OK);  // names ignore case
  EXPECT_EQ(level, SPSS_MLVL_NOM);
  EXPECT_EQ(spssGetVarMeasureLevel(h, "code", &level), SPSS_OK);
  EXPECT_EQ(level, SPSS_MLVL_ORD);
  EXPECT_EQ(spssGetVarAlignment(h, "name", &align), SPSS_OK);
  EXPECT_EQ(align, SPSS_ALIGN_CENTER);
  EXPECT_EQ(spssGetVarColumnWidth(h, "comment", &columns), SPSS_OK);
  EXPECT_EQ(columns, 30);

  EXPECT_EQ(Label(h, "AVeryLongVariableNameForTheScore"), "Score in € — ünïcode");
  const std::string longLabel = Label(h, "comment");
  EXPECT_LE(longLabel.size(), 255u);
  EXPECT_GE(longLabel.size(), 250u);
  EXPECT_EQ(longLabel.substr(0, 10), "Ünïcode ");
  EXPECT_TRUE(CompleteUtf8(longLabel)) << "a character was cut";
  EXPECT_EQ(Label(h, "rng"), "");

  EXPECT_EQ(NumberLabels(h, "id"), (std::map<double, std::string>{{1, "one"}, {2, "two"}}));
  EXPECT_EQ(NumberLabels(h, "AVeryLongVariableNameForTheScore"),
            (std::map<double, std::string>{{10.5, "ten and a half"}, {-3.25, "negative"}}));
  EXPECT_EQ(TextLabels(h, "name"), (std::map<std::string, std::string>{{"Alice   ", "Ms A"}, {"Zoë    ", "Ms Z"}}));
  EXPECT_EQ(TextLabels(h, "comment"),
            (std::map<std::string, std::string>{{"a first comment     ", "First comment label"}}));
  double* values;
  char** labels;
  int n = 5;
  EXPECT_EQ(spssGetVarNValueLabels(h, "rng", &values, &labels, &n), SPSS_NO_LABELS);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(spssGetVarNValueLabels(h, "name", &values, &labels, &n), SPSS_NUME_EXP);
  EXPECT_EQ(spssGetVarCValueLabels(h, "id", &labels, &labels, &n), SPSS_STR_EXP);
  EXPECT_EQ(spssGetVarLabel(h, "nosuch", text), SPSS_VAR_NOTFOUND);

  double lo, hi;
  spssLowHighVal(&lo, &hi);
  NumMissing m = Missing(h, "id");
  EXPECT_EQ(m.type, 1);
  EXPECT_EQ(m.v[0], 999);
  m = Missing(h, "AVeryLongVariableNameForTheScore");
  EXPECT_EQ(m.type, SPSS_MISS_RANGE);
  EXPECT_LE(m.v[0], lo);
  EXPECT_EQ(m.v[1], 0);
  m = Missing(h, "rng");
  EXPECT_EQ(m.type, SPSS_MISS_RANGEANDVAL);
  EXPECT_EQ((std::vector<double>{m.v[0], m.v[1], m.v[2]}), (std::vector<double>{1, 5, 99}));
  m = Missing(h, "lohi");
  EXPECT_EQ(m.type, SPSS_MISS_RANGE);
  EXPECT_EQ(m.v[1], hi);
  char a[SPSS_MAX_MISSVALUE + 1], b[SPSS_MAX_MISSVALUE + 1], c[SPSS_MAX_MISSVALUE + 1];
  EXPECT_EQ(spssGetVarCMissingValues(h, "s1", &type, a, b, c), SPSS_OK);
  EXPECT_EQ(type, 2);
  EXPECT_STREQ(a, "no ");
  EXPECT_STREQ(b, "n/a");
  EXPECT_STREQ(c, "");
  EXPECT_EQ(spssGetVarCMissingValues(h, "comment", &type, a, b, c), SPSS_OK);
  EXPECT_EQ(type, 1);
  EXPECT_STREQ(a, "none    ");
  EXPECT_EQ(spssGetVarCMissingValues(h, "id", &type, a, b, c), SPSS_STR_EXP);

  char* defs = nullptr;
  ASSERT_EQ(spssGetMultRespDefs(h, &defs), SPSS_OK);
  EXPECT_STREQ(defs,
               "$colors=C 13 Chosen colors c1 c2\n"
               "$owns=D1 1 9 Ownership d1 d2\n"
               "$strs=D3 yes 0  s1 s2\n"
               "$counted=D1 1 7 Counted 1 d1 d2\n");
  EXPECT_EQ(spssFreeMultRespDefs(defs), SPSS_OK);
  char* sets = reinterpret_cast<char*>(1);
  EXPECT_EQ(spssGetVariableSets(h, &sets), SPSS_NO_VARSETS);
  EXPECT_EQ(sets, nullptr);
  EXPECT_EQ(spssFreeVariableSets(sets), SPSS_OK);

  char** attrs = nullptr;
  char** texts = nullptr;
  ASSERT_EQ(spssGetFileAttributes(h, &attrs, &texts, &n), SPSS_OK);
  ASSERT_EQ(n, 1);
  EXPECT_EQ(std::string(attrs[0]) + "=" + texts[0], "Origin=fixture");
  spssFreeAttributes(attrs, texts, n);
  ASSERT_EQ(spssGetVarAttributes(h, "id", &attrs, &texts, &n), SPSS_OK);
  ASSERT_EQ(n, 2);  // PSPP gives every variable its role
  EXPECT_EQ(std::string(attrs[0]) + "=" + texts[0], "$@Role=0");
  EXPECT_EQ(std::string(attrs[1]) + "=" + texts[1], "Source=survey");
  spssFreeAttributes(attrs, texts, n);
  ASSERT_EQ(spssGetDocuments(h, &attrs, &n), SPSS_OK);
  ASSERT_GE(n, 1);
  EXPECT_EQ(std::string(attrs[0]), "DOCUMENT savkit reader fixture.");  // PSPP keeps the command word
  spssFreeDocuments(attrs, n);
}

INSTANTIATE_TEST_SUITE_P(Compressions, FullFixture, ::testing::ValuesIn(kFull));

class PsppReading : public ::testing::TestWithParam<const char*> {};

// Every value equals what PSPP reads from the same file.
TEST_P(PsppReading, ValuesEqualPsppCsv) {
  ExpectSameAsCsv(DataPath(GetParam()), ReadCsv(DataPath(std::string(GetParam()) + ".csv")), CsvStyle::Pspp);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, PsppReading,
                         ::testing::Values("full.sav", "full-uncompressed.sav", "full.zsav", "latin1.sav"));

TEST(Latin1Fixture, TextsComeBackAsUtf8InWiderStrings) {
  ReadHandle f(DataPath("latin1.sav"));
  ASSERT_EQ(f.status, SPSS_OK);
  const auto vars = f.Variables();
  ASSERT_EQ(vars.size(), 3u);
  EXPECT_EQ(vars[0].type, 18);  // A6 in windows-1252 holds up to 18 bytes of UTF-8
  EXPECT_EQ(vars[1].type, 36);
  int type, dec, width;
  EXPECT_EQ(spssGetVarPrintFormat(f.handle, "name", &type, &dec, &width), SPSS_OK);
  EXPECT_EQ(width, 18);
  EXPECT_EQ(Label(f.handle, "city"), "Ville — façade");
  char text[80];
  spssGetIdString(f.handle, text);
  EXPECT_STREQ(text, "Données");
  char a[SPSS_MAX_MISSVALUE + 1], b[SPSS_MAX_MISSVALUE + 1], c[SPSS_MAX_MISSVALUE + 1];
  EXPECT_EQ(spssGetVarCMissingValues(f.handle, "name", &type, a, b, c), SPSS_OK);
  EXPECT_STREQ(a, "Ærø   ");
  std::vector<std::string> values;
  ASSERT_EQ(f.ReadCase(vars, values), SPSS_OK);
  ASSERT_EQ(f.ReadCase(vars, values), SPSS_OK);
  ASSERT_EQ(f.ReadCase(vars, values), SPSS_OK);
  EXPECT_EQ(values[0], "€uro");  // the euro sign is three bytes in UTF-8
  EXPECT_EQ(values[1], "São Paulo");
}

// ReadStat, an independent reader, sees the same numbers and texts.
TEST_P(PsppReading, ValuesEqualReadStat) {
  if (!HavePeer("readstat")) GTEST_SKIP() << "readstat is not installed";
  ExpectSameAsCsv(DataPath(GetParam()), PeerCsv("readstat", DataPath(GetParam())), CsvStyle::ReadStat);
}
