// Variable sets, multiple-response sets and the XML description.
#include <gtest/gtest.h>

#include "io_test_support.h"
#include "sav_builder.h"
#include "savkit/datafile_exception.h"
#include "savkit/host/format.h"
#include "savkit/model/datafile.h"
#include "savkit/resourcestrings.h"
#include "refusal.h"
#include "temp_dir.h"

using namespace savkit;
using namespace savkit::testing;

namespace {

std::vector<std::string> Members(TSPSSVarList* list) {
  std::vector<std::string> names;
  for (int i = 0; i < list->Count(); ++i) names.push_back(list->Get_Var(i)->Name());
  return names;
}

// A new file in direct-write mode with the given numeric variables.
class NewFile : public TempDirTest {
 protected:
  void Start(const std::vector<std::string>& names) {
    d.Set_WriteDirect(true);
    d.Set_Filename(Path("sets.sav"));
    d.OpenNew();
    for (const std::string& n : names) d.Variables()->Add(n, true, 8);
  }
  TSPSSDatafile d;
};

}  // namespace

TEST_F(NewFile, DefinitionLinesAsWrittenAndReadBack) {
  Start({"RED", "Green", "blue", "Car", "Bike", "a", "b"});
  TSPSSMRMDSets* sets = d.MRMDSets();
  TSPSSMRMDSet* colors = sets->Add("colors", false);
  colors->Set_Labeltext("Chosen color");
  for (const char* m : {"RED", "Green", "blue"}) colors->VarList()->Add(m);
  TSPSSMRMDSet* owns = sets->Add("owns", true);
  owns->Set_CountedValue(Variant(1));
  owns->Set_Labeltext("Ownership");
  for (const char* m : {"Car", "Bike"}) owns->VarList()->Add(m);
  TSPSSMRMDSet* x = sets->Add("x", false);
  x->VarList()->Add("a");
  x->VarList()->Add("b");
  EXPECT_EQ(d.MRMDSetText(),
            "$colors=C 12 Chosen color red green blue\n$owns=D1 1 9 Ownership car bike\n$x=C 0  a b\n");
  EXPECT_EQ(Refusal([&] { sets->Add("COLORS", true); }), Format(cresSPSS_MRMDSetNameAlreadyExists, "COLORS"));
  EXPECT_EQ(sets->Add("new", true)->CountedValue().ToString(), "0");
  sets->Delete(3);
  EXPECT_EQ(Refusal([&] { sets->Delete(3); }), cresSPSS_MRMDSetIndexIsNotValid);
  TSPSSVariableSets* vsets = d.VariableSets();
  vsets->Add("Demographics")->VarList()->Add("Car");
  vsets->Add("Empty");
  EXPECT_EQ(Refusal([&] { vsets->Add("empty"); }), Format(cresSPSS_VarSetNameAlreadyExists, "empty"));
  EXPECT_EQ(Refusal([&] { vsets->GetItem(0)->VarList()->Add("nosuch"); }), Format(cresSPSS_InvalidVarName, "nosuch"));
  EXPECT_EQ(d.VariableSetText(), "Demographics= car\nEmpty=\n");
  d.SaveDictionary();
  d.Close();

  TSPSSDatafile r;
  r.Set_Filename(Path("sets.sav"));
  r.Open();
  ASSERT_EQ(r.MRMDSets()->Count(), 3);
  TSPSSMRMDSet* back = r.MRMDSets()->Find("OWNS");
  ASSERT_NE(back, nullptr);
  EXPECT_TRUE(back->IsDichotomy());
  EXPECT_EQ(back->CountedValue().Type(), VarType::String);  // the text 1, not the number
  EXPECT_EQ(back->CountedValue(), Variant("1"));
  EXPECT_EQ(back->Labeltext(), "Ownership");
  EXPECT_EQ(Members(back->VarList()), (std::vector<std::string>{"Car", "Bike"}));
  EXPECT_EQ(r.MRMDSets()->Find("colors")->CountedValue(), Variant(-1));
  EXPECT_EQ(Members(r.MRMDSets()->Find("x")->VarList()), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(r.MRMDSets()->Find("x")->Labeltext(), "");
  ASSERT_EQ(r.VariableSets()->Count(), 2);
  EXPECT_EQ(Members(r.VariableSets()->Find("demographics")->VarList()), (std::vector<std::string>{"Car"}));
  EXPECT_EQ(r.VariableSets()->GetItem(1)->Count(), 0);
  EXPECT_FALSE(r.DictionaryChanged());

  // Deleting a variable takes it out of every set.
  r.Variables()->Delete("Car");
  EXPECT_EQ(Members(r.MRMDSets()->Find("owns")->VarList()), (std::vector<std::string>{"Bike"}));
  EXPECT_EQ(r.VariableSets()->Find("Demographics")->Count(), 0);
  r.Close();

  if (!HavePeer("pspp")) return;
  const std::string tables = RunPspp("GET FILE='" + Path("sets.sav") + "'.\nMRSETS /DISPLAY NAME=ALL.\n");
  for (const char* row : {"$colors,Chosen color,Categories,,\"RED\nGreen\nblue\"",
                          "$owns,Ownership,Dichotomies,1,\"Car\nBike\"", "$x,,Categories,,\"a\nb\""})
    EXPECT_NE(tables.find(row), std::string::npos) << row << "\n" << tables;
}

TEST_F(TempDirTest, PsppSetsReadIntoTheModel) {
  TSPSSDatafile d;
  d.Set_Filename(DataPath("full.sav"));
  d.Open();
  ASSERT_EQ(d.MRMDSets()->Count(), 4);
  TSPSSMRMDSet* texts = d.MRMDSets()->Find("strs");
  EXPECT_TRUE(texts->IsDichotomy());
  EXPECT_EQ(texts->CountedValue(), Variant("yes"));
  EXPECT_EQ(Members(texts->VarList()), (std::vector<std::string>{"s1", "s2"}));
  TSPSSMRMDSet* counted = d.MRMDSets()->Find("counted");  // labelled by counted values
  EXPECT_EQ(counted->Labeltext(), "Counted");
  EXPECT_EQ(Members(counted->VarList()), (std::vector<std::string>{"d1", "d2"}));
  EXPECT_EQ(d.MRMDSets()->Find("colors")->Labeltext(), "Chosen colors");
}

TEST_F(TempDirTest, VariableSetTextsWithEitherLineEnd) {
  for (const char* text :
       {"Both= a b\nOnly A= a\nNone=\nx= a  nosuch b \n", "Both= a b\r\nOnly A= a\r\nNone=\r\nx= a  nosuch b \r\n"}) {
    SavBuilder b;
    b.Header(2, 0, 0, 0).Variable("A", 0).Variable("B", 0).TextExtension(5, text).EndDictionary();
    b.Save(Path("vs.sav"));
    TSPSSDatafile d;
    d.Set_Filename(Path("vs.sav"));
    d.Open();
    TSPSSVariableSets* sets = d.VariableSets();
    ASSERT_EQ(sets->Count(), 4);
    EXPECT_EQ(sets->GetItem(1)->Name(), "Only A");
    EXPECT_EQ(Members(sets->Find("both")->VarList()), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(sets->Find("None")->Count(), 0);
    EXPECT_EQ(Members(sets->Find("x")->VarList()), (std::vector<std::string>{"A", "B"}));  // unknown words skipped
    d.Close();
  }
}

TEST_F(NewFile, OddDefinitionLinesReadAsSpecified) {
  Start({"a", "b", "c9"});
  EXPECT_EQ(d.ParseMRMDSetLine("$m=d3 yes 5 a lab 4 a b")->Labeltext(), "a lab");
  TSPSSMRMDSet* m = d.MRMDSets()->Find("m");
  EXPECT_TRUE(m->IsDichotomy());                                           // a lower-case d counts
  EXPECT_EQ(Members(m->VarList()), (std::vector<std::string>{"a", "b"}));  // the word 4 is dropped
  TSPSSMRMDSet* n = d.ParseMRMDSetLine("#n=C 3 lab 9 a");  // the first character is dropped, whatever it is
  EXPECT_EQ(n->Name(), "n");
  EXPECT_EQ(Members(n->VarList()), (std::vector<std::string>{"a"}));  // 9 is read as a (missing) member
  TSPSSMRMDSet* empty = d.ParseMRMDSetLine("");
  EXPECT_EQ(empty->Name(), "");
  EXPECT_EQ(empty->CountedValue(), Variant(-1));
  EXPECT_THROW(d.ParseMRMDSetLine("$bad=D5 a b x a"), EConvertError);  // a counted value with a blank
  EXPECT_EQ(d.ParseMRMDSetLine("$bs=D2 a\bb")->CountedValue(), Variant("a"));
}

TEST_F(NewFile, XmlDescribesTheDictionary) {
  TSPSSDatafile empty;
  EXPECT_EQ(empty.GetXML(), "");
  Start({"q1"});
  TSPSSVariable* q1 = d.Variables()->GetItem(0);
  q1->Set_LabelText("a<b>c & \"d\"");
  q1->ValueLabels()->Add(Variant(1), "Yes");
  TSPSSMRMDSet* set = d.MRMDSets()->Add("m", true);
  set->Set_Labeltext("L>");
  set->VarList()->Add("q1");
  d.Set_Compressed(false);
  const std::string expected =
      "<datafile name=\"sets.sav\" compressed=\"0\">\r\n"
      "<variables>\r\n"
      "<variable ID=\"0\" name=\"q1\" label=\"a&lt;b&gt;c & \"d\"\" PrintType=\"5\" WriteType=\"5\" Width=\"8\" "
      "Decimals=\"2\" Columns=\"8\" Align=\"1\" Level=\"3\" MissingValueType=\"0\" MissingValue1=\"\" "
      "MissingValue2=\"\" MissingValue3=\"\">\r\n"
      "<valuelabels>\r\n"
      "<valuelabel name=\"1\" label=\"Yes\"/>\r\n"
      "</valuelabels>\r\n"
      "\r\n"
      "</variable>\r\n"
      "\r\n"
      "</variables>\r\n"
      "\r\n"
      "<mrmdsets>\r\n"
      "<mrmdset name=\"m\" label=\"L&gt;\">\r\n"
      "<variable ID=\"0\"/>\r\n"
      "</mrmdset>\r\n"
      "</mrmdsets>\r\n"
      "\r\n"
      "<variablesets>\r\n"
      "</variablesets>\r\n"
      "\r\n"
      "</datafile>\r\n";
  EXPECT_EQ(d.GetXML(), expected);
}

TEST_F(TempDirTest, XmlIdsFollowDeletions) {
  TSPSSDatafile d;
  d.Set_Filename(DataPath("full.sav"));
  d.Open();
  d.Variables()->Delete("c1");  // c2 moves from 10 to 9
  const std::string xml = d.GetXML();
  EXPECT_NE(xml.find("<variable ID=\"9\" name=\"c2\""), std::string::npos);
  EXPECT_NE(xml.find("<mrmdset name=\"colors\" label=\"Chosen colors\">\r\n<variable ID=\"9\"/>\r\n</mrmdset>"),
            std::string::npos);
  EXPECT_EQ(xml.substr(xml.size() - 13), "</datafile>\r\n");
}

// A variable listed twice in a set is gone from it entirely once deleted:
// nothing is left pointing at it.
TEST(Sets, DeletingAVariableRemovesEveryOccurrence) {
  TSPSSDatafile d;
  d.Set_Filename(DataPath("full.sav"));
  d.Open();
  TSPSSVariableSet* set = d.VariableSets()->Add("twice");
  for (const char* m : {"c1", "c2", "c1"}) set->VarList()->Add(m);
  TSPSSMRMDSet* colors = d.MRMDSets()->GetItem(0);
  colors->VarList()->Add("c1");
  d.Variables()->Delete("c1");
  EXPECT_EQ(Members(set->VarList()), (std::vector<std::string>{"c2"}));
  for (int i = 0; i < colors->VarList()->Count(); ++i) EXPECT_NE(colors->VarList()->Get_Var(i)->Name(), "c1");
}
