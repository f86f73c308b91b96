#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "savkit/host/collection.h"
#include "savkit/host/component.h"
#include "savkit/host/datetime.h"
#include "savkit/host/exceptions.h"
#include "savkit/host/format.h"
#include "savkit/host/sysutils.h"
#include "savkit/trim.h"
#include "temp_dir.h"

using namespace savkit;

namespace {

struct Item : TCollectionItem {
  static inline int live = 0;
  explicit Item(std::string n = {}) : name(std::move(n)) { ++live; }
  ~Item() override { --live; }
  std::string name;
};

struct Part : TComponent {
  static inline int live = 0;
  Part() { ++live; }
  ~Part() override { --live; }
};

using TempDir = savkit::testing::TempDirTest;

}  // namespace

TEST(Collection, IdsOnlyCountUpAndIndexesStayDense) {
  {
    TOwnedCollection<Item> c;
    Item* a = c.Add("a");
    Item* b = c.Add("b");
    Item* d = c.Add("d");
    EXPECT_EQ(a->ID(), 0u);
    EXPECT_EQ(d->ID(), 2u);
    EXPECT_EQ(d->Collection(), &c);
    c.Delete(1);
    EXPECT_EQ(Item::live, 2);
    EXPECT_EQ(c.Count(), 2);
    EXPECT_EQ(c.GetItem(1), d);
    EXPECT_EQ(d->Index(), 1);
    (void)b;
    c.Clear();
    EXPECT_EQ(Item::live, 0);
    EXPECT_EQ(c.Add("e")->ID(), 3u);  // never reset, not even by Clear
    for (int bad : {-1, 1}) {
      try {
        c.GetItem(bad);
        ADD_FAILURE() << bad;
      } catch (const EListError& e) {
        EXPECT_EQ(std::string(e.what()), "List index out of bounds (" + std::to_string(bad) + ")");
      }
    }
    EXPECT_THROW(c.Delete(5), EListError);
  }
  EXPECT_EQ(Item::live, 0);
}

TEST(Component, OwnerDestroysWhatItOwns) {
  {
    TComponent form;
    Part* a = TComponent::Create<Part>(&form);
    Part* b = TComponent::Create<Part>(&form);
    a->SetName("DataFile1");
    EXPECT_EQ(a->Owner(), &form);
    EXPECT_EQ(form.ComponentCount(), 2);
    EXPECT_EQ(form.FindComponent("datafile1"), a);
    EXPECT_THROW(b->SetName("DATAFILE1"), EComponentError);
    EXPECT_THROW(b->SetName("1st"), EComponentError);
    EXPECT_EQ(b->Name(), "");
    std::unique_ptr<TComponent> mine = form.RemoveComponent(b);
    EXPECT_EQ(mine.get(), b);
    EXPECT_EQ(b->Owner(), nullptr);
    EXPECT_EQ(form.ComponentCount(), 1);
    EXPECT_EQ(Part::live, 2);
  }
  EXPECT_EQ(Part::live, 0);
  std::unique_ptr<Part> alone(TComponent::Create<Part>(nullptr));
  EXPECT_EQ(alone->Owner(), nullptr);
}

TEST(DateTime, EncodesAndDecodesDaysSince1899) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);
  EXPECT_EQ(EncodeDate(1582, 10, 14), -115859);  // day 0 of the file format's dates
  EXPECT_DOUBLE_EQ(EncodeTime(6, 0, 0, 0), 0.25);
  for (auto [y, m, d] :
       {std::tuple{2023, 2, 29}, {1900, 2, 29}, {2000, 13, 1}, {0, 1, 1}, {10000, 1, 1}, {2000, 4, 31}}) {
    try {
      EncodeDate(y, m, d);
      ADD_FAILURE() << y << "-" << m << "-" << d;
    } catch (const EConvertError& e) {
      EXPECT_STREQ(e.what(), "Invalid argument to date encode");
    }
  }
  EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);

  // Every day of a span that crosses leap rules decodes to itself.
  int y, m, d;
  for (int day = -693593; day <= 2958465; day += 997) {
    DecodeDate(day, y, m, d);
    ASSERT_EQ(EncodeDate(y, m, d), day);
  }
  DecodeDate(-1.25, y, m, d);
  EXPECT_EQ((std::tuple{y, m, d}), (std::tuple{1899, 12, 29}));
  int h, mi, s, ms;
  DecodeTime(-1.25, h, mi, s, ms);
  EXPECT_EQ((std::tuple{h, mi, s, ms}), (std::tuple{6, 0, 0, 0}));
  DecodeTime(EncodeTime(23, 59, 59, 999), h, mi, s, ms);
  EXPECT_EQ((std::tuple{h, mi, s, ms}), (std::tuple{23, 59, 59, 999}));
  DecodeTime(0.99999999999, h, mi, s, ms);  // rounds up, but stays in the day
  EXPECT_EQ(h, 23);
  EXPECT_THROW(DecodeDate(1e10, y, m, d), EConvertError);
  EXPECT_THROW(DecodeDate(-693594, y, m, d), EConvertError);
  EXPECT_THROW(DecodeDate(NAN, y, m, d), EConvertError);
}

TEST(Text, IntegersCaseTrimAndFormat) {
  EXPECT_EQ(StrToInt(" -12 "), -12);
  EXPECT_EQ(StrToInt("2147483647"), INT32_MAX);
  for (const char* bad : {"", "2147483648", "1.5", "x", "--1", "+-1"}) {
    try {
      StrToInt(bad);
      ADD_FAILURE() << bad;
    } catch (const EConvertError& e) {
      EXPECT_EQ(std::string(e.what()), std::string("'") + bad + "' is not a valid integer value");
    }
  }
  EXPECT_EQ(UpperCase("abcÄ"), "ABCÄ");
  EXPECT_EQ(AnsiUpperCase("straße"), "STRASSE");
  EXPECT_EQ(AnsiLowerCase("ÄRGER"), "ärger");
  EXPECT_EQ(Trim("\t a b \r\n"), "a b");
  EXPECT_EQ(Format("Variable %s is %d%% done", "x", 50), "Variable x is 50% done");
  EXPECT_EQ(Format("only %d cases", 3u), "only 3 cases");
}

// Each trim cuts only what its name says: a stored value's own blanks, zero
// bytes and leading spaces are data to the others.
TEST(Text, TrimsCutWhatTheyAreNamedFor) {
  using namespace std::string_view_literals;
  EXPECT_EQ(trim::Blanks(" a\0 \t  "sv), " a\0 \t"sv);
  EXPECT_EQ(trim::Padding(" a \0 \0"sv), " a");
  EXPECT_EQ(trim::Field("a b \0rest  "sv), "a b");
  EXPECT_EQ(trim::Field("no zero  "sv), "no zero");
  EXPECT_EQ(trim::LeadingBlanks("  \ta "sv), "\ta ");
  EXPECT_EQ(trim::White("\x01 a\tb \x7f\r\n"sv), "a\tb \x7f");
  EXPECT_EQ(trim::Blanks("   "sv), "");
  EXPECT_EQ(TrimRight("x\t\n"), "x");
  EXPECT_EQ(TrimLeft("\t x "), "x ");
}

TEST(Text, LocaleComparisonIgnoresCaseOnly) {
  EXPECT_EQ(AnsiCompareText("age", "AGE"), 0);
  EXPECT_EQ(AnsiCompareText("Ärger", "äRGER"), 0);
  EXPECT_EQ(AnsiCompareText("straße", "STRASSE"), 0);
  EXPECT_LT(AnsiCompareText("apple", "Banana"), 0);
  EXPECT_LT(AnsiCompareText("a", "ä"), 0);  // accents still count
  EXPECT_NE(AnsiCompareText("a\x01", "a"), 0);
  // Broken UTF-8 is told apart byte by byte, after all valid text.
  EXPECT_NE(AnsiCompareText("\xe9t\xe9", "\xe8t\xe8"), 0);
  EXPECT_EQ(AnsiCompareText("\xe9", "\xe9"), 0);
  EXPECT_LT(AnsiCompareText("zzz", "\xe9"), 0);
  EXPECT_NE(CompareStr("age", "AGE"), 0);
  EXPECT_TRUE(SameText("Age", "aGE"));
}

TEST_F(TempDir, FileFunctions) {
  const std::string file = Path("data.sav");
  EXPECT_FALSE(FileExists(file));
  std::ofstream(file) << "x";
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FileExists(dir_.string()));
  EXPECT_TRUE(DirectoryExists(dir_.string()));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_TRUE(DeleteFile(file));
  EXPECT_FALSE(DeleteFile(file));
  EXPECT_FALSE(DeleteFile(dir_.string()));
  EXPECT_EQ(ExpandFileName(dir_.string() + "/a/../b/./c.sav"), dir_.string() + "/b/c.sav");
  EXPECT_EQ(ExpandFileName("x.sav"), std::filesystem::current_path().string() + "/x.sav");
  EXPECT_EQ(ExtractFilePath("/tmp/dir/file.sav"), "/tmp/dir/");
  EXPECT_EQ(ExtractFileName("/tmp/dir/file.sav"), "file.sav");
  EXPECT_EQ(ExtractFilePath("file.sav"), "");
  EXPECT_EQ(ExtractFileExt("/tmp/a.b/file"), "");
  EXPECT_EQ(ExtractFileExt("/tmp/file.zsav"), ".zsav");
}
