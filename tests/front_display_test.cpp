// Values shown in their print formats, against PSPP's LIST of the same file.
#include <gtest/gtest.h>

#include "savkit/front/display.h"
#include "savkit/front/values.h"
#include "savkit/model/datafile.h"
#include "savkit/trim.h"
#include "tests/io_test_support.h"

namespace savkit {
namespace {

TEST(Display, EveryPrintFormatShowsAsPsppListsIt) {
  TSPSSDatafile d;
  d.Set_Filename(SAVKIT_TEST_DATA "/display-formats.sav");
  d.Open();
  // The CSV is PSPP's LIST: a title line, the names, then a row a case.
  auto table = testing::ReadCsv(SAVKIT_TEST_DATA "/display-formats.csv");
  ASSERT_EQ(table.size(), 6u);
  ASSERT_EQ(table[1].size(), static_cast<std::size_t>(d.Variables()->Count()));
  int compared = 0;
  for (int c = 1; c <= d.Cases()->Count(); ++c)
    for (int i = 0; i < d.Variables()->Count(); ++i) {
      const std::string pspp(trim::Blanks(table[static_cast<std::size_t>(c + 1)][static_cast<std::size_t>(i)]));
      // PSPP shows asterisks for a year two digits cannot tell; savkit shows
      // the whole year rather than hide the value.
      if (pspp.find('*') != std::string::npos) continue;
      // PSPP rounds a fraction of a second up to 60 without carrying the
      // minute (07:59:60.0); savkit cuts it at the decimals shown, as PSPP
      // itself does whole seconds (07:59:59).
      if (pspp.find(":60") != std::string::npos) continue;
      TSPSSVariable& v = *d.Variables()->GetItem(i);
      EXPECT_EQ(front::DisplayNumber(v, d.Cases()->Get_Case(c)->GetNumber(i), d.SysmisValue()), pspp)
          << "case " << c << ", " << v.Name() << " (" << v.PrintType() << ")";
      ++compared;
    }
  EXPECT_GE(compared, 84);
}

// The data view offers a value to edit as EditText gives it; left as it
// is, it must read back as the very same value, a date's time of day too.
TEST(Display, EveryValueOfferedForEditingReadsBackAsItself) {
  TSPSSDatafile d;
  d.Set_Filename(SAVKIT_TEST_DATA "/display-formats.sav");
  d.Open();
  for (int c = 1; c <= d.Cases()->Count(); ++c)
    for (int i = 0; i < d.Variables()->Count(); ++i) {
      TSPSSVariable& v = *d.Variables()->GetItem(i);
      const double x = d.Cases()->Get_Case(c)->GetNumber(i);
      const std::string typed = front::EditText(v, x, d.SysmisValue());
      EXPECT_EQ(front::ParseValue(v, typed, d.SysmisValue()).ToDouble(), x) << v.Name() << " = " << typed;
    }
  EXPECT_EQ(front::EditText(*d.Variables()->Find("dt1"), 13845801600.0, d.SysmisValue()), "2021-07-16T08:00:00");
  EXPECT_EQ(front::EditText(*d.Variables()->Find("dtt"), 13845839400.5, d.SysmisValue()), "2021-07-16T18:30:00.5");
}

TEST(Display, TextsPeopleTypeAreValuesOrRefusedByName) {
  TSPSSDatafile d;
  d.Set_Filename(SAVKIT_TEST_DATA "/display-formats.sav");
  d.Open();
  const double sysmis = d.SysmisValue();
  TSPSSVariable& f = *d.Variables()->Find("f1");
  TSPSSVariable& date = *d.Variables()->Find("dt1");
  EXPECT_EQ(front::ParseValue(f, " 2.5 ", sysmis).ToDouble(), 2.5);
  for (const char* none : {"", ".", "SYSMIS"}) EXPECT_EQ(front::ParseValue(f, none, sysmis).ToDouble(), sysmis);
  EXPECT_EQ(front::DisplayNumber(date, front::ParseValue(date, "2021-07-16", sysmis).ToDouble(), sysmis),
            "16-JUL-2021");
  EXPECT_EQ(front::ParseValue(date, "2021-07-16T18:30:00", sysmis).ToDouble(), 13845839400.0);
  try {
    front::ParseValue(date, "16/7/21", sysmis);
    FAIL();
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "dt1 = 16/7/21: not a number nor a date as 2026-12-09 or 2026-12-09T10:30:00");
  }
  EXPECT_THROW(front::ParseValue(f, "12abc", sysmis), std::invalid_argument);
  TSPSSVariable& time = *d.Variables()->Find("tm");
  EXPECT_EQ(front::ParseValue(time, "-100:00:30.5", sysmis).ToDouble(), -360030.5);
  for (const char* none : {"10:61:00", "10:30:00x", "10:-1:00"})
    EXPECT_THROW(front::ParseValue(time, none, sysmis), std::invalid_argument) << none;
  // A number too wide for its format is never cut.
  EXPECT_EQ(front::DisplayNumber(f, 123456789.0, sysmis), "1.2E+008");
}

}  // namespace
}  // namespace savkit
