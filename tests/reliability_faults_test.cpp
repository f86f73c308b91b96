// Every write, flush, truncation and rename along saving, direct writing and
// appending is made to fail in turn. Whatever fails: the file that was there
// is byte for byte what it was (or the new one is complete), no scratch file
// is left, the caller gets the component's exception, and the component
// goes on working.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "io/file_ops.h"
#include "io_test_support.h"
#include "savkit/datafile_exception.h"
#include "savkit/model/datafile.h"
#include "temp_dir.h"

using namespace savkit;
using namespace savkit::testing;
namespace faults = savkit::io::faults;

namespace {

class Faults : public TempDirTest {
 protected:
  void TearDown() override {
    faults::FailNth(0);
    TempDirTest::TearDown();
  }

  std::set<std::string> Files() const {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) names.insert(e.path().filename().string());
    return names;
  }

  std::string Copy(const std::string& fixture, const std::string& name) {
    const std::string path = Path(name);
    std::filesystem::copy_file(DataPath(fixture), path, std::filesystem::copy_options::overwrite_existing);
    return path;
  }

  // Runs attempt with the n-th file operation failing, for n = 1, 2, ...
  // until it runs through without reaching a failure. failed(n) checks what
  // a failure left, succeeded() what the run that got through made.
  // Returns how many failures were injected.
  int EveryFailure(const std::function<void()>& attempt, const std::function<void()>& failed,
                   const std::function<void()>& succeeded) {
    for (int n = 1; n < 10000; ++n) {
      SCOPED_TRACE("operation " + std::to_string(n) + " fails");
      faults::FailNth(n);
      try {
        attempt();
      } catch (const ESPSSDataFileException& e) {
        const bool reached = faults::Seen() >= n;
        faults::FailNth(0);
        EXPECT_TRUE(reached) << "raised without an injected failure: " << e.what();
        failed();
        continue;
      }
      const bool reached = faults::Seen() >= n;
      faults::FailNth(0);
      EXPECT_FALSE(reached) << "a failed operation was reported as success";
      succeeded();
      return n - 1;
    }
    ADD_FAILURE() << "never got through";
    return 0;
  }
};

// The edits every save below makes: a changed value, a changed label, a new case.
void Edit(TSPSSDatafile& d) {
  d.Variables()->Find("id")->Set_Value(1, Variant(77));
  d.Variables()->Find("name")->Set_LabelText("Renamed label");
  TSPSSCase* added = d.Cases()->Add();
  added->SetValue(d.Variables()->Find("id")->Index(), Variant(4));
}

void ExpectEdited(const std::string& path) {
  const auto table = ReadTable(path);
  ASSERT_EQ(table.size(), 5u);  // names, three cases and the new one
  EXPECT_EQ(table[1][0], "77");
  EXPECT_EQ(table[4][0], "4");
  ReadHandle f(path);
  char label[256];
  ASSERT_EQ(spssGetVarLabel(f.handle, "name", label), SPSS_OK);
  EXPECT_EQ(std::string(label), "Renamed label");
}

}  // namespace

TEST_F(Faults, SaveAsLeavesTheTargetAsItWasOrComplete) {
  const std::string source = Copy("small.sav", "source.sav");
  for (const bool existing : {false, true}) {
    SCOPED_TRACE(existing ? "over an existing file" : "a new file");
    const std::string target = Path("target.sav");
    if (existing) Copy("small-uncompressed.sav", "target.sav");
    const std::string before = existing ? Bytes(target) : "";
    const std::set<std::string> files = Files();
    TSPSSDatafile d;
    d.Set_Filename(source);
    d.Open();
    Edit(d);
    const int injected = EveryFailure([&] { d.SaveAs(target); },
                                      [&] {
                                        EXPECT_EQ(Files(), files);
                                        if (existing) {
                                          EXPECT_EQ(Bytes(target), before);
                                        }
                                        // Still open on the source, edits and all.
                                        EXPECT_EQ(d.Variables()->Find("id")->Get_Value(1), Variant(77.0));
                                        EXPECT_EQ(d.Cases()->Count(), 4);
                                      },
                                      [&] { ExpectEdited(target); });
    EXPECT_GT(injected, 4);
    d.Close();
    std::filesystem::remove(target);
  }
}

TEST_F(Faults, SaveKeepsTheOpenFileAsItWasOrComplete) {
  // Unchanged dictionaries are copied from the open file; changed ones are written anew.
  for (const bool newDictionary : {false, true}) {
    SCOPED_TRACE(newDictionary ? "dictionary changed" : "dictionary copied");
    const std::string path = Copy("small.sav", "data.sav");
    const std::string before = Bytes(path);
    const std::set<std::string> files = Files();
    TSPSSDatafile d;
    d.Set_Filename(path);
    d.Open();
    if (newDictionary) {
      // Its one value goes out with the last case: cases read after a failure
      // must not take it up.
      d.Variables()->Add("extra", true, 8)->Set_Value(3, Variant(42));
    }
    d.Variables()->Find("id")->Set_Value(1, Variant(77));
    EveryFailure([&] { d.Save(); },
                 [&] {
                   EXPECT_EQ(Files(), files);
                   EXPECT_EQ(Bytes(path), before);
                   EXPECT_EQ(d.Variables()->Find("id")->Get_Value(1), Variant(77.0));
                   EXPECT_EQ(d.Variables()->Find("id")->Get_Value(2), Variant(2.0));
                   if (newDictionary) {
                     for (int c : {1, 2})
                       EXPECT_EQ(d.Variables()->Find("extra")->Get_Value(c), Variant(d.SysmisValue())) << c;
                     EXPECT_EQ(d.Variables()->Find("extra")->Get_Value(3), Variant(42.0));
                   }
                 },
                 [&] {
                   const auto table = ReadTable(path);
                   ASSERT_EQ(table.size(), 4u);
                   EXPECT_EQ(table[1][0], "77");
                   EXPECT_EQ(table[0].back(), newDictionary ? "extra" : "big");
                   EXPECT_EQ(Files(), files);
                 });
    d.Close();
  }
}

TEST_F(Faults, DirectWritingMakesAWholeFileOrNone) {
  for (const bool existing : {false, true}) {
    SCOPED_TRACE(existing ? "over an existing file" : "a new file");
    const std::string path = Path("direct.sav");
    if (existing) Copy("small.sav", "direct.sav");
    const std::string before = existing ? Bytes(path) : "";
    const std::set<std::string> files = Files();
    TSPSSDatafile d;
    d.Set_WriteDirect(true);
    d.Set_Filename(path);
    EveryFailure(
        [&] {
          d.OpenNew();
          d.Variables()->Add("n", true, 8);
          d.Variables()->Add("s", false, 5);
          d.SaveDictionary();
          for (int c = 1; c <= 3; ++c) {
            TSPSSCase* k = d.Cases()->Add();
            k->SetValue(0, Variant(c * 1.5));
            k->SetValue(1, Variant("v" + std::to_string(c)));
            k->Save();
          }
          d.Close();
        },
        [&] {
          if (d.OpenMode() != domClosed) {
            // The dictionary failed to go out; the component is still open,
            // and closing says the file could not be written and makes none.
            EXPECT_THROW(d.Close(), ESPSSDataFileException);
            EXPECT_EQ(d.OpenMode(), domClosed);
          }
          EXPECT_EQ(Files(), files);
          if (existing) {
            EXPECT_EQ(Bytes(path), before);
          }
        },
        [&] {
          const auto table = ReadTable(path);
          ASSERT_EQ(table.size(), 4u);
          EXPECT_EQ(table[3], (std::vector<std::string>{"4.5", "v3"}));
        });
    std::filesystem::remove(path);
  }
}

TEST_F(Faults, AppendingAddsEveryCaseOrLeavesTheFileAsItWas) {
  for (const char* fixture : {"small.sav", "small-uncompressed.sav"}) {
    SCOPED_TRACE(fixture);
    const std::string path = Copy(fixture, "append.sav");
    const std::string before = Bytes(path);
    const std::set<std::string> files = Files();
    TSPSSDatafile d;
    d.Set_WriteDirect(true);
    d.Set_Filename(path);
    const int injected = EveryFailure(
        [&] {
          d.Open();
          for (int c = 0; c < 2; ++c) {
            TSPSSCase* k = d.Cases()->Add();
            k->SetValue(0, Variant(100 + c));
            k->Save();
          }
          d.Close();
        },
        [&] {
          if (d.OpenMode() != domClosed) {
            EXPECT_THROW(d.Close(), ESPSSDataFileException);
          }
          EXPECT_EQ(Files(), files);
          EXPECT_EQ(Bytes(path), before);
        },
        [&] {
          const auto table = ReadTable(path);
          ASSERT_EQ(table.size(), 6u);
          EXPECT_EQ(table[4][0], "100");
          EXPECT_EQ(table[5][0], "101");
        });
    EXPECT_GT(injected, 2);
  }
}

// SaveDictionaryAs makes the whole dictionary file or none, and a failure
// lets its handle go: two hundred failures in a row leave the library's file
// table as empty as they found it.
TEST_F(Faults, SaveDictionaryAsWritesAllOrNothingAndLetsItsHandleGo) {
  TSPSSDatafile d;
  d.Set_Filename(Copy("small.sav", "data.sav"));
  d.Open();
  const std::string target = Path("dictionary.sav");
  const int operations =
      EveryFailure([&] { d.SaveDictionaryAs(target); }, [&] { EXPECT_FALSE(std::filesystem::exists(target)); },
                   [&] { EXPECT_EQ(ReadTable(target)[0], ReadTable(Path("data.sav"))[0]); });
  EXPECT_GE(operations, 2);
  std::filesystem::remove(target);
  for (int i = 0; i < 200; ++i) {
    faults::FailNth(1);
    EXPECT_THROW(d.SaveDictionaryAs(target), ESPSSDataFileException);
  }
  faults::FailNth(0);
  EXPECT_FALSE(std::filesystem::exists(target));
  ReadHandle f(Path("data.sav"));
  EXPECT_EQ(f.status, SPSS_OK) << "the file table has room";
}
