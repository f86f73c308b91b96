// Saves that are refused change nothing, and saves that succeed leave every
// object an application holds showing what the saved file says.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "editing_fixture.h"
#include "io_test_support.h"
#include "refusal.h"
#include "savkit/model/datafile.h"
#include "savkit/resourcestrings.h"

using namespace savkit;
using namespace savkit::testing;

namespace {

class RefusedSave : public Editing {
 protected:
  // Runs f with the test's folder as the working folder.
  template <class F>
  void InTheFolder(F&& f) {
    const auto was = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    f();
    std::filesystem::current_path(was);
  }
};

std::vector<std::vector<std::string>> Without(std::vector<std::vector<std::string>> table, std::size_t row,
                                              std::size_t column) {
  table.erase(table.begin() + static_cast<std::ptrdiff_t>(row));
  for (auto& r : table) r.erase(r.begin() + static_cast<std::ptrdiff_t>(column));
  return table;
}

}  // namespace

// A name without a folder is refused before anything is written; the
// component goes on reading its file with its edits pending, and the next
// save writes every case once.
TEST_F(RefusedSave, ABareNameLeavesTheComponentReadingWhatItRead) {
  OpenCopy("full.sav");
  const auto before = ReadTable(path);
  const std::size_t nameColumn = static_cast<std::size_t>(Var("name")->Index());
  d.Cases()->Delete(2);
  d.Variables()->Delete(Var("name")->Index());
  const auto expected = Without(before, 2, nameColumn);
  const auto shown = [&] {
    std::vector<std::string> ids, codes;
    for (int c = 1; c <= d.Cases()->Count(); ++c) {
      ids.push_back(Var("id")->Get_Value(c).ToString());
      codes.push_back(Var("code")->Get_Value(c).ToString());
    }
    return std::pair(ids, codes);
  };
  const auto pending = shown();
  InTheFolder([&] {
    EXPECT_EQ(Refusal([&] { d.SaveAs("bare_out.sav"); }), "File bare_out.sav does not exist");
    EXPECT_FALSE(std::filesystem::exists("bare_out.sav"));
  });
  EXPECT_EQ(d.OpenMode(), domReading);
  EXPECT_EQ(d.Filename(), path);
  EXPECT_EQ(shown(), pending);
  EXPECT_TRUE(ReadTable(path) == before);
  d.Save();
  EXPECT_TRUE(ReadTable(path) == expected);
  EXPECT_EQ(shown(), pending);
  d.SaveAs(Path("again.sav"));
  EXPECT_TRUE(ReadTable(Path("again.sav")) == expected);
}
