// Files made to hurt a reader: counts and lengths at the integer limits,
// records that contradict each other, data that stops mid-block. Each is
// read through the library and the component in a bounded child process:
// an error status or a clean read, never a crash, a hang or a huge allocation.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>

#include "bounded_run.h"
#include "fuzz/read_everything.h"
#include "io_test_support.h"
#include "sav_builder.h"
#include "savkit/host/sysutils.h"
#include "savkit/model/datafile.h"
#include "temp_dir.h"

using namespace savkit::testing;
using savkit::fuzzing::ReadThroughComponent;
using savkit::fuzzing::ReadThroughLibrary;

namespace {

constexpr int kNumberFormat = (5 << 16) | (8 << 8) | 2;

void Store(const std::string& path, const std::vector<char>& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A file of one number X and one A9 string S, and what follows them.
SavBuilder TwoVariables(int cases = 1) {
  SavBuilder b;
  b.Header(3, 0, 0, cases).Variable("X", 0).Variable("S", 9);
  return b;
}

class Hostile : public TempDirTest {
 protected:
  // Reads the file both ways in a bounded child; returns the status of opening.
  int Survives(const SavBuilder& b) { return Survives(b.Bytes()); }
  int Survives(const std::vector<std::uint8_t>& bytes) {
    const std::string path = Path("hostile.sav");
    Store(path, std::vector<char>(bytes.begin(), bytes.end()));
    return SurvivesFile(path);
  }
  int SurvivesFile(const std::string& path) {
    SAVKIT_EXPECT_BOUNDED({
      ReadThroughLibrary(path.c_str());
      ReadThroughComponent(path);
    });
    ReadHandle f(path);
    return f.status;
  }
};

}  // namespace

TEST_F(Hostile, CountsAndLengthsAtTheIntegerLimits) {
  for (const int huge : {INT_MAX, INT_MAX - 3, INT_MIN, -2, 0x40000000}) {
    SCOPED_TRACE(huge);
    // The header's case size (only advisory: the variables tell) and case count.
    Survives(SavBuilder().Header(huge, 0, 0, 1).Variable("X", 0).EndDictionary().Double(1));
    Survives(SavBuilder().Header(1, 1, 0, huge).Variable("X", 0).EndDictionary().Compressed({{true, 5, {}}}));
    // A variable label's length, missing value count and string width.
    SavBuilder label;
    label.Header(1, 0, 0, 1).Int(2).Int(0).Int(1).Int(0).Int(kNumberFormat).Int(kNumberFormat).Text("X", 8);
    EXPECT_NE(Survives(label.Int(huge).Text("short").EndDictionary()), SPSS_OK);
    SavBuilder missing;
    missing.Header(1, 0, 0, 1).Int(2).Int(0).Int(0).Int(huge).Int(kNumberFormat).Int(kNumberFormat).Text("X", 8);
    EXPECT_NE(Survives(missing.EndDictionary().Double(1)), SPSS_OK);
    SavBuilder width;
    width.Header(1, 0, 0, 1).Int(2).Int(huge).Int(0).Int(0).Int(kNumberFormat).Int(kNumberFormat).Text("X", 8);
    EXPECT_NE(Survives(width.EndDictionary().Double(1)), SPSS_OK);
    // Value labels: their count, and the count of variables they belong to.
    EXPECT_NE(Survives(TwoVariables().Int(3).Int(huge).Double(1).EndDictionary()), SPSS_OK);
    // One value label, then the record of the variables it belongs to.
    const auto labelled = [] {
      SavBuilder b = TwoVariables();
      b.Int(3).Int(1).Double(1).Raw({3, 'o', 'n', 'e'}).Text("", 4).Int(4);
      return b;
    };
    EXPECT_NE(Survives(labelled().Int(huge).Int(1).EndDictionary()), SPSS_OK);
    // ... and the index of the variable they belong to.
    Survives(labelled().Int(1).Int(huge).EndDictionary().Double(1).Text("s", 16));
    // Documents, and an extension record's size times count.
    EXPECT_NE(Survives(TwoVariables().Int(6).Int(huge).Text("line", 80).EndDictionary()), SPSS_OK);
    EXPECT_NE(Survives(TwoVariables().Int(7).Int(13).Int(huge).Int(huge).Text("X=Y").EndDictionary()), SPSS_OK);
    EXPECT_NE(Survives(TwoVariables().Int(7).Int(99).Int(1).Int(huge).Text("ab").EndDictionary()), SPSS_OK);
  }
}

TEST_F(Hostile, LengthsInsideARecordLongerThanTheRecord) {
  // A string value label (subtype 21) whose label runs past its record, which
  // a well-formed record follows: the label must not borrow that record's bytes.
  const auto longLabels = [](std::int32_t labelLength) {
    SavBuilder inner;
    inner.Int(1).Text("S").Int(9).Int(1).Int(9).Text("abcdefghi").Int(labelLength).Text("label");
    const auto& body = inner.Bytes();
    SavBuilder b = TwoVariables();
    b.Extension(21, 1, static_cast<int>(body.size()), body);
    b.TextExtension(13, "X=RealName");
    return b.EndDictionary().Double(1).Text("abcdefghi", 16);
  };
  for (const std::int32_t length : {5, 6, 200, INT_MAX, -1}) {
    SCOPED_TRACE(length);
    const int status = Survives(longLabels(length));
    if (length == 5) {
      EXPECT_EQ(status, SPSS_OK);
    }
  }
  // The same for a string's missing values (subtype 22) and a variable name
  // in the long-names record without its value.
  SavBuilder missing;
  missing.Int(1).Text("S").Int(1).Int(400).Text("abc");
  Survives(TwoVariables().Extension(22, 1, static_cast<int>(missing.Bytes().size()), missing.Bytes()).EndDictionary());
  Survives(TwoVariables().TextExtension(13, "X=\tS").EndDictionary().Double(1).Text("s", 16));
  // A value label whose length byte says more than the file holds.
  EXPECT_NE(Survives(TwoVariables().Int(3).Int(1).Double(1).Raw({255, 'o', 'n', 'e'})), SPSS_OK);
}

TEST_F(Hostile, VeryLongStringRecordsThatDoNotFitTheVariables) {
  // Naming a variable that does not exist is ignored; the file reads.
  SavBuilder missing = TwoVariables();
  missing.TextExtension(14, std::string("NOSUCH=00300\0\t", 14)).EndDictionary().Double(1).Text("s", 16);
  EXPECT_EQ(Survives(missing), SPSS_OK);
  // Widths the segments cannot hold, and more segments than variables follow.
  for (const char* width : {"00300", "32767", "99999999999", "-300", "256"}) {
    SCOPED_TRACE(width);
    SavBuilder b;
    b.Header(34, 0, 0, 1).Variable("S", 255).Variable("T", 8);
    b.TextExtension(14, std::string("S=") + width + std::string("\0\t", 2)).EndDictionary();
    b.Text("x", 256).Text("t", 8);
    Survives(b);
  }
}

TEST_F(Hostile, UnknownCaseCountWithGarbageAfterTheData) {
  // Bytecode: the end code ends the count; what follows it is never a case.
  SavBuilder compressed;
  compressed.Header(1, 1, 0, -1).Variable("X", 0).EndDictionary();
  compressed.Compressed({{true, 1, {}}, {true, 2, {}}}).Text("garbage after the end code, not a case");
  ASSERT_EQ(Survives(compressed), SPSS_OK);
  ReadHandle f(Path("hostile.sav"));
  EXPECT_EQ(f.Cases(), 2);
  // Without an end code the garbage is read as commands: an error or extra
  // cases, but it ends.
  SavBuilder noEnd;
  noEnd.Header(1, 1, 0, -1).Variable("X", 0).EndDictionary();
  noEnd.Compressed({{true, 1, {}}}, false).Raw(std::vector<std::uint8_t>(100, 253)).Text("tail");
  Survives(noEnd);
  // Uncompressed: a partial case at the end is not counted, and the opening says so.
  SavBuilder plain;
  plain.Header(1, 0, 0, -1).Variable("X", 0).EndDictionary().Double(1).Double(2).Text("odd");
  ASSERT_EQ(Survives(plain), SPSS_DATA_CUT);
  ReadHandle g(Path("hostile.sav"));
  EXPECT_EQ(g.Cases(), 2);
}

TEST_F(Hostile, ZlibTrailerOutsideTheFile) {
  const std::string bytes = Bytes(DataPath("small.zsav"));
  const std::vector<char> original(bytes.begin(), bytes.end());
  // The zlib header starts with its own offset; the trailer's offset and
  // length follow it.
  std::size_t at = 0;
  for (std::size_t i = 0; i + 8 <= original.size(); ++i) {
    std::uint64_t v;
    std::memcpy(&v, original.data() + i, 8);
    if (v == i) at = i;
  }
  ASSERT_GT(at, 0u);
  for (const std::uint64_t bad : {std::uint64_t{1} << 62, std::uint64_t(original.size()), std::uint64_t(0),
                                  ~std::uint64_t{0}, std::uint64_t(original.size() - 4)}) {
    SCOPED_TRACE(bad);
    std::vector<char> copy = original;
    std::memcpy(copy.data() + at + 8, &bad, 8);
    EXPECT_NE(Survives(std::vector<std::uint8_t>(copy.begin(), copy.end())), SPSS_OK);
    copy = original;
    std::memcpy(copy.data() + at + 16, &bad, 8);  // the trailer's length
    EXPECT_NE(Survives(std::vector<std::uint8_t>(copy.begin(), copy.end())), SPSS_OK);
  }
}

TEST_F(Hostile, FilesEndingInsideACompressedBlock) {
  for (const char* name : {"small.sav", "small.zsav", "small-uncompressed.sav"}) {
    SCOPED_TRACE(name);
    const std::string bytes = Bytes(DataPath(name));
    const std::vector<char> whole(bytes.begin(), bytes.end());
    for (const std::size_t less : {1, 7, 9, 100, 600}) {
      const std::vector<char> cut(whole.begin(), whole.end() - static_cast<std::ptrdiff_t>(less));
      const std::string path = Path("cut.sav");
      Store(path, cut);
      if (SurvivesFile(path) != SPSS_OK) continue;
      // The declared cases that are complete read; the one cut short is an error.
      ReadHandle f(path);
      const auto vars = f.Variables();
      std::vector<std::string> values;
      int status = SPSS_OK;
      for (long i = 0; i < f.Cases() && status == SPSS_OK; ++i) status = f.ReadCase(vars, values);
      EXPECT_EQ(status, SPSS_FILE_RERROR);
    }
  }
}

TEST_F(Hostile, DuplicateLongNamesBecomeDistinctForTheComponentToo) {
  SavBuilder b;
  b.Header(3, 0, 0, 1).Variable("A", 0).Variable("B", 0).Variable("C", 0);
  b.TextExtension(13, "A=Twin\tB=TWIN\tC=twin_2");
  b.EndDictionary().Double(1).Double(2).Double(3);
  ASSERT_EQ(Survives(b), SPSS_NAME_MENDED);
  savkit::TSPSSDatafile d;
  d.Set_Filename(Path("hostile.sav"));
  d.Open();
  std::set<std::string> names;
  for (int i = 0; i < d.Variables()->Count(); ++i) {
    const std::string name = d.Variables()->GetItem(i)->Name();
    names.insert(savkit::LowerCase(name));
    EXPECT_EQ(d.Variables()->Find(name)->Get_Value(1), savkit::Variant(i + 1.0)) << name;
  }
  EXPECT_EQ(names.size(), 3u);
  d.Close();
}
