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

// A multiple-response set the application makes with fewer than two members
// is one no file can hold: the library's status, in either mode, and the
// file is left as it was. One that deleting a variable left so is not stored.
TEST_F(RefusedSave, AnMrSetOfFewerThanTwoMembersIsRefused) {
  OpenCopy("full.sav");
  const std::string was = Bytes(path);
  d.MRMDSets()->Add("solo", false)->VarList()->Add("c1");
  EXPECT_EQ(Refusal([&] { d.Save(); }), cresSPSS_INVALID_MRSETDEF);
  d.MRMDSets()->GetItem(d.MRMDSets()->Count() - 1)->VarList()->Add("c2");
  d.MRMDSets()->Add("none", true);
  EXPECT_EQ(Refusal([&] { d.Save(); }), cresSPSS_INVALID_MRSETDEF);
  EXPECT_EQ(Bytes(path), was);
  d.MRMDSets()->Delete(d.MRMDSets()->Count() - 1);
  d.Variables()->Delete(Var("d1")->Index());  // "owns" keeps d2 alone
  d.Save();
  EXPECT_EQ(d.MRMDSets()->Find("owns"), nullptr);  // as the file and a fresh open say
  ASSERT_NE(d.MRMDSets()->Find("solo"), nullptr);

  TSPSSDatafile n;
  n.Set_WriteDirect(true);
  n.Set_Filename(Path("new.sav"));
  n.OpenNew();
  n.Variables()->Add("a", true, 8);
  n.Variables()->Add("b", true, 8);
  n.MRMDSets()->Add("one", true)->VarList()->Add("a");
  EXPECT_EQ(Refusal([&] { n.SaveDictionary(); }), cresSPSS_INVALID_MRSETDEF);
  n.Abandon();
  EXPECT_FALSE(std::filesystem::exists(Path("new.sav")));
}

namespace {

class KeptObjects : public Editing {
 protected:
  std::string FreshXml() const {
    TSPSSDatafile fresh;
    fresh.Set_Filename(path);
    fresh.Open();
    return fresh.GetXML();
  }
};

}  // namespace

// Two labels given one value become the file's one label: the first object,
// with the text the file keeps. Every other label object stays as it was.
TEST_F(KeptObjects, LabelsSharingAValueLeaveTheOthersValid) {
  OpenCopy("full.sav");
  TSPSSValuelabels* labels = Var("id")->ValueLabels();
  TSPSSValueLabel* one = labels->FindByValue(Variant(1));
  TSPSSValueLabel* two = labels->FindByValue(Variant(2));
  TSPSSValueLabel* three = labels->Add(Variant(3), "three");
  ASSERT_NE(one, nullptr);
  ASSERT_NE(two, nullptr);
  two->Set_Value(Variant(1));
  d.Save();
  ASSERT_EQ(labels->Count(), 2);
  EXPECT_EQ(labels->GetItem(0), one);
  EXPECT_EQ(one->Value(), Variant(1.0));
  EXPECT_EQ(one->Label(), "two");
  EXPECT_EQ(labels->GetItem(1), three);
  EXPECT_EQ(three->Label(), "three");
  EXPECT_EQ(d.GetXML(), FreshXml());
}

// After a save the model describes the saved file exactly as a fresh open
// does: sets read back as the file holds them, counted values as text.
TEST_F(KeptObjects, TheModelAfterASaveIsWhatAFreshOpenReads) {
  OpenCopy("full.sav");
  TSPSSVariableSet* odd = d.VariableSets()->Add("left=right");
  odd->VarList()->Add("id");
  TSPSSMRMDSet* added = d.MRMDSets()->Add("picked", true);
  added->VarList()->Add("c1");
  added->VarList()->Add("c2");
  Var("name")->Set_LabelText("renamed");
  Var("id")->ValueLabels()->Add(Variant("7"), "seven");
  d.Save();
  EXPECT_EQ(odd->Name(), "left");
  EXPECT_EQ(added->CountedValue(), Variant("0"));
  EXPECT_EQ(added->CountedValue().Type(), VarType::String);
  EXPECT_EQ(d.GetXML(), FreshXml());
  d.Variables()->Delete(Var("c1")->Index());
  d.Save();
  EXPECT_EQ(d.GetXML(), FreshXml());
}
