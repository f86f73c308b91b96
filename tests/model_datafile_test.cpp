// The data file component: its modes, properties and file facts, on real files.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "io_test_support.h"
#include "savkit/datafile_exception.h"
#include "savkit/host/format.h"
#include "savkit/model/datafile.h"
#include "savkit/resourcestrings.h"
#include "sav_builder.h"
#include "temp_dir.h"

using namespace savkit;
using namespace savkit::testing;

namespace {

// The message of the ESPSSDataFileException that f raises, with its code.
template <class F>
std::pair<std::string, int> Refusal(F&& f) {
  try {
    f();
  } catch (const ESPSSDataFileException& e) {
    return {e.what(), e.ErrorCode()};
  }
  return {"<nothing raised>", -1};
}

std::pair<std::string, int> Own(std::string_view message) { return {std::string(message), 0}; }

}  // namespace

using DatafileTest = TempDirTest;

TEST_F(DatafileTest, ANewComponentIsClosedAndEmpty) {
  TSPSSDatafile d;
  EXPECT_EQ(d.OpenMode(), domClosed);
  EXPECT_FALSE(d.WriteDirect());
  EXPECT_TRUE(d.Get_Compressed());
  EXPECT_EQ(d.ReadHandle(), -1);
  EXPECT_EQ(d.WriteHandle(), -1);
  EXPECT_EQ(d.Variables()->Count(), 0);
  EXPECT_EQ(d.SysmisValue(), spssSysmisVal());
  double lo, hi;
  spssLowHighVal(&lo, &hi);
  EXPECT_EQ(d.FileInfo()->LowestValue(), lo);
  EXPECT_EQ(d.FileInfo()->HighestValue(), hi);
  TComponent form;
  auto* owned = TComponent::Create<TSPSSDatafile>(&form);
  EXPECT_EQ(owned->Owner(), &form);
}

TEST_F(DatafileTest, FilenameNeedsAnExistingFolder) {
  TSPSSDatafile d;
  EXPECT_EQ(Refusal([&] { d.Set_Filename("bare.sav"); }),
            Own(Format(cresSPSS_FileIsNotExist, "bare.sav")));  // the empty folder does not exist
  const std::string good = Path("new.sav");
  d.Set_Filename(good);  // need not exist yet
  const std::string missing = Path("no/such/folder/x.sav");
  EXPECT_EQ(Refusal([&] { d.Set_Filename(missing); }), Own(Format(cresSPSS_FileIsNotExist, missing)));
  EXPECT_EQ(d.Filename(), good);
  d.Set_Filename("");
  EXPECT_EQ(d.Filename(), "");
}

TEST_F(DatafileTest, ModesMoveAsTheTableSays) {
  TSPSSDatafile d;
  d.Set_Filename(Path("absent.sav"));
  EXPECT_EQ(Refusal([&] { d.Open(); }), Own(Format(cresSPSS_FileIsNotExist, Path("absent.sav"))));
  EXPECT_EQ(d.OpenMode(), domClosed);
  EXPECT_EQ(Refusal([&] { d.OpenNew(); }), Own(cresSPSS_FileCannotOpenInthisMode));
  d.Close();  // nothing open: nothing to do

  d.Set_Filename(DataPath("full.sav"));
  d.Open();
  EXPECT_EQ(d.OpenMode(), domReading);
  EXPECT_NE(d.ReadHandle(), -1);
  EXPECT_EQ(d.WriteHandle(), -1);
  EXPECT_EQ(d.Variables()->Count(), 20);
  EXPECT_EQ(d.Cases()->Count(), 5);
  EXPECT_EQ(d.EditCache()->Count(), 5u);
  EXPECT_EQ(d.EditCache()->FindOriginalCaseNr(5), 5);
  EXPECT_FALSE(d.DictionaryChanged());
  EXPECT_TRUE(d.Get_Compressed());
  EXPECT_EQ(d.FileInfo()->FileLabel(), "savkit fixture: ünïcode");
  EXPECT_EQ(d.FileInfo()->SystemString().substr(0, 8), "GNU pspp");
  EXPECT_EQ(d.FileInfo()->ReleaseInfo()[7], 65001);
  EXPECT_GT(d.FileInfo()->TimeStamp(), EncodeDate(2020, 1, 1));
  EXPECT_EQ(Refusal([&] { d.Open(); }), Own(cresSPSS_FileCannotOpenAsReading));
  EXPECT_EQ(Refusal([&] { d.Set_WriteDirect(true); }), Own(cresSPSS_WriteDirectCannotBeSet));
  EXPECT_EQ(Refusal([&] { d.OpenNew(); }), Own(cresSPSS_FileCannotOpenInthisMode));
  d.ClearAll();
  EXPECT_EQ(d.EditCache()->FindOriginalCaseNr(3), 3);
  d.Close();
  EXPECT_EQ(d.OpenMode(), domClosed);
  EXPECT_EQ(d.Variables()->Count(), 0);
  EXPECT_EQ(d.Cases()->Count(), 0);
  EXPECT_EQ(d.FileInfo()->FileLabel(), "");
  EXPECT_GT(d.FileInfo()->TimeStamp(), 0);  // the time stamp stays
  d.Set_WriteDirect(true);

  // Appending: one handle for both; Compressed may change, the header being the file's.
  const std::string copy = Path("append.sav");
  std::filesystem::copy_file(DataPath("full.sav"), copy);
  d.Set_Filename(copy);
  d.Open();
  EXPECT_EQ(d.OpenMode(), domAppending);
  EXPECT_EQ(d.ReadHandle(), d.WriteHandle());
  EXPECT_TRUE(d.HeaderCommitted());
  d.Set_Compressed(false);
  EXPECT_EQ(Refusal([&] { d.FileInfo()->Set_TextInfo("x"); }), Own(cresSPSS_TextInfoCannotSet));
  EXPECT_EQ(Refusal([&] { d.Variables()->Set_CaseWeightVar(nullptr); }), Own(cresSPSS_CaseWeightCannotSet));
  d.ClearAll();  // not reading: nothing happens
  d.Close();
  EXPECT_EQ(d.OpenMode(), domClosed);

  // In a direct-write mode, opening again moves to the new mode.
  d.Set_Filename(Path("direct.sav"));
  d.OpenNew();
  EXPECT_EQ(d.OpenMode(), domWriting);
  d.Variables()->Set_CaseWeightVar(d.Variables()->Add("v", true, 8));  // passed on when the dictionary is written
  EXPECT_EQ(d.Variables()->CaseWeightVar()->Name(), "v");
  d.Set_Filename(copy);
  d.Open();
  EXPECT_EQ(d.OpenMode(), domAppending);
  d.Close();
  EXPECT_EQ(Refusal([&] { d.Variables()->Set_CaseWeightVar(nullptr); }), Own(cresSPSS_CaseWeightCannotSet));

  // A library failure reaches the application with the library's status.
  std::ofstream(Path("text.sav")) << std::string(300, 'x');
  d.Set_WriteDirect(false);
  d.Set_Filename(Path("text.sav"));
  // The published text comes first; why the file is bad follows it.
  EXPECT_EQ(Refusal([&] { d.Open(); }),
            std::pair(std::string(cresSPSS_INVALID_FILE) + ": it does not start with $FL2 or $FL3 (byte 0)",
                      SPSS_INVALID_FILE));
  EXPECT_EQ(d.OpenMode(), domClosed);  // a file that did not open is not taken for open
  d.Close();
}

// Clear forgets the open file without closing through the component: the
// library's handle is let go all the same, and a following Open reads the
// dictionary once, into empty collections.
TEST_F(DatafileTest, ClearThenOpenStartsAfresh) {
  TSPSSDatafile d;
  d.Set_Filename(DataPath("full.sav"));
  for (int round = 0; round < 200; ++round) {  // more than the library's file table holds
    d.Open();
    d.Clear();
  }
  d.Open();
  EXPECT_EQ(d.Variables()->Count(), 20);
  EXPECT_EQ(d.Variables()->Find("id")->Get_Value(2), Variant(2.0));
  EXPECT_EQ(d.Variables()->Find("huge")->Get_Value(1).ToString().substr(0, 15), "a first comment");
  d.Close();
}

TEST_F(DatafileTest, CompressedIsFixedOnceAReadFileHasCommittedCases) {
  TSPSSDatafile d;
  d.Set_Compressed(false);
  EXPECT_FALSE(d.Get_Compressed());
  d.Set_HeaderCommitted(true);  // as adding a case does
  EXPECT_EQ(Refusal([&] { d.Set_Compressed(true); }), Own(cresSPSS_DictReadOnlyCompCannotBeSet));
  EXPECT_EQ(Refusal([&] { d.Set_Compressed(false); }), Own(cresSPSS_DictReadOnlyCompCannotBeSet));
  d.Clear();
  d.Set_Compressed(true);
}

TEST(ParseTimeStamp, DatesOfBothCenturies) {
  EXPECT_DOUBLE_EQ(TSPSSDatafile::ParseTimeStamp("05 Jan 03", "14:30:00"),
                   EncodeDate(2003, 1, 5) + EncodeTime(14, 30, 0, 0));
  EXPECT_EQ(TSPSSDatafile::ParseTimeStamp("31 DEC 99", "00:00:00"), EncodeDate(1999, 12, 31));
  EXPECT_EQ(TSPSSDatafile::ParseTimeStamp("01 jan 48", "00:00:00"), EncodeDate(2048, 1, 1));
  EXPECT_EQ(TSPSSDatafile::ParseTimeStamp("01 jAn 49", "00:00:00"), EncodeDate(1949, 1, 1));
  EXPECT_EQ(Refusal([] { TSPSSDatafile::ParseTimeStamp("01 Foo 20", "00:00:00"); }),
            Own(cresSPSS_DateTimeFormatInvalid));
  EXPECT_THROW(TSPSSDatafile::ParseTimeStamp("31 Apr 20", "00:00:00"), EConvertError);
  EXPECT_THROW(TSPSSDatafile::ParseTimeStamp("xx Apr 20", "00:00:00"), EConvertError);
  EXPECT_THROW(TSPSSDatafile::ParseTimeStamp("01 Apr 20", "25:00"), EConvertError);
}

// A file whose creation date cannot be read opens with the date unknown.
TEST_F(TempDirTest, AnUnreadableCreationDateIsUnknown) {
  std::vector<std::uint8_t> bytes;
  {
    std::ifstream in(DataPath("small.sav"), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  std::memcpy(bytes.data() + 92, "?? ??? ??", 9);
  const std::string path = Path("date.sav");
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  TSPSSDatafile d;
  d.Set_Filename(path);
  d.Open();
  EXPECT_EQ(d.FileInfo()->TimeStamp(), 0);
  EXPECT_GT(d.Variables()->Count(), 0);
}

TEST_F(DatafileTest, FileLabelAndTextInfoByMode) {
  TSPSSDatafile d;
  EXPECT_EQ(Refusal([&] { d.FileInfo()->Set_FileLabel("x"); }), Own(cresSPSS_FileLabelCannotSet));
  d.Set_Filename(DataPath("latin1.sav"));
  d.Open();
  d.FileInfo()->Set_FileLabel("changed");
  EXPECT_TRUE(d.DictionaryChanged());
  EXPECT_EQ(d.FileInfo()->FileLabel(), "changed");
  d.Close();
  EXPECT_EQ(d.FileInfo()->TextInfo(), "");

  d.Set_WriteDirect(true);
  d.Set_Filename(Path("new.sav"));
  d.OpenNew();
  EXPECT_EQ(d.OpenMode(), domWriting);
  d.FileInfo()->Set_FileLabel(std::string(70, 'x'));  // the library cuts it, with a warning only
  d.FileInfo()->Set_TextInfo("some text");
  EXPECT_EQ(d.FileInfo()->TextInfo(), "some text");
  // Closing a new file that has no variable writes nothing, and says so.
  EXPECT_EQ(Refusal([&] { d.Close(); }), std::pair(std::string(cresSPSS_DICT_EMPTY), SPSS_DICT_EMPTY));
  EXPECT_EQ(d.OpenMode(), domClosed);
  EXPECT_FALSE(std::filesystem::exists(Path("new.sav")));
}

// What the header claims costs nothing until cases are touched: a tiny file
// claiming 100 million cases, edited once, keeps a tiny edit cache. A file
// with more cases than positions reach is refused, and left closed.
TEST_F(TempDirTest, ClaimedCaseCountsCostNothing) {
  const auto build = [&](std::int64_t claimed) {
    SavBuilder b;
    b.Header(1, 0, 0, claimed > INT32_MAX ? -1 : static_cast<int>(claimed)).Variable("X", 0);
    std::vector<std::uint8_t> count(16, 0);
    count[0] = 1;
    std::memcpy(count.data() + 8, &claimed, 8);
    b.Extension(16, 8, 2, count).EndDictionary().Double(1).Double(2);
    const std::string path = Path("claims" + std::to_string(claimed) + ".sav");
    b.Save(path);
    return path;
  };
  TSPSSDatafile d;
  d.Set_Filename(build(100000000));
  d.Open();
  d.Variables()->Find("X")->Set_Value(2, Variant(5));
  d.Variables()->Find("X")->Set_Value(99999999, Variant(6));
  d.Cases()->Add();
  EXPECT_LT(d.EditCache()->MemoryUsage(), 4096u);
  EXPECT_EQ(d.Variables()->Find("X")->Get_Value(2), Variant(5.0));
  EXPECT_EQ(d.Cases()->Count(), 100000001);
  d.Close();

  // Taking a whole column makes room for what the file holds, not for what
  // it claims: 2,000,000,000 numbers would be 16 GB.
  d.Set_Filename(build(2000000000));
  d.Open();
  EXPECT_THROW(d.Variables()->Find("X")->GetNumbers(), ESPSSDataFileException);
  EXPECT_THROW(d.Variables()->Find("X")->CreateIndex(false, srtAscending), ESPSSDataFileException);
  d.Close();

  const std::string huge = build(3000000000LL);
  d.Set_Filename(huge);
  EXPECT_EQ(Refusal([&] { d.Open(); }), Own(Format(cresSPSS_TooManyCases, huge)));
  EXPECT_EQ(d.OpenMode(), domClosed);
  EXPECT_EQ(d.Variables()->Count(), 0);
}

// A component destroyed while a new file's dictionary is still being defined
// makes no file: a half-defined file is discarded. Abandon discards whatever
// is being written.
TEST_F(TempDirTest, HalfDefinedFilesAreDiscarded) {
  const std::string path = Path("existing.sav");
  std::filesystem::copy_file(DataPath("small.sav"), path);
  const std::string before = Bytes(path);
  {
    TSPSSDatafile d;
    d.Set_WriteDirect(true);
    d.Set_Filename(path);
    d.OpenNew();
    d.Variables()->Add("v", true, 8);
  }
  EXPECT_EQ(Bytes(path), before);
  TSPSSDatafile d;
  d.Set_WriteDirect(true);
  d.Set_Filename(path);
  d.OpenNew();
  d.Variables()->Add("v", true, 8);
  d.SaveDictionary();
  d.Cases()->Add()->Save();
  d.Abandon();
  EXPECT_EQ(d.OpenMode(), domClosed);
  EXPECT_EQ(Bytes(path), before);
  d.Open();  // appending
  d.Cases()->Add()->Save();
  d.Abandon();
  EXPECT_EQ(Bytes(path), before);
}
