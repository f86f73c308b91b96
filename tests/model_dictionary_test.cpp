// The dictionary model: variables, their collection, value labels, and
// dictionaries read from and written to real files.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "io_test_support.h"
#include "savkit/datafile_exception.h"
#include "savkit/host/format.h"
#include "savkit/model/datafile.h"
#include "savkit/resourcestrings.h"
#include "temp_dir.h"

using namespace savkit;
using namespace savkit::testing;

namespace {

// The model's own refusals carry the code 0.
template <class F>
std::string Refusal(F&& f) {
  try {
    f();
  } catch (const ESPSSDataFileException& e) {
    EXPECT_EQ(e.ErrorCode(), 0);
    return e.what();
  }
  return "<nothing raised>";
}

// A data file open for reading on a copy of latin1.sav (three variables).
class OpenFile : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    d.Set_Filename(DataPath("full.sav"));
    d.Open();
  }
  void TearDown() override {
    d.Close();
    TempDirTest::TearDown();
  }
  TSPSSDatafile d;
};

}  // namespace

TEST_F(OpenFile, VariablesReadWithEveryAttribute) {
  TSPSSVariables* vars = d.Variables();
  TSPSSVariable* id = vars->Find("ID");
  ASSERT_NE(id, nullptr);
  EXPECT_EQ(id->Name(), "id");
  EXPECT_EQ(id->LabelText(), "Identifier");
  EXPECT_EQ(id->PrintType(), 5);
  EXPECT_EQ(id->Width(), 4);
  EXPECT_EQ(id->Columns(), 5);
  EXPECT_EQ(id->Align(), tsaLeft);
  EXPECT_EQ(id->Level(), tslNominal);
  EXPECT_EQ(id->MissingValueType(), 1);
  EXPECT_EQ(id->MissingValue1(), Variant(999.0));
  EXPECT_TRUE(id->MissingValue2().IsEmpty());
  ASSERT_EQ(id->ValueLabels()->Count(), 2);
  // The number as stored, not a text of it: 15 digits would not match 1/3.
  EXPECT_EQ(id->ValueLabels()->GetItem(0)->Value().Type(), VarType::Double);
  EXPECT_EQ(id->ValueLabels()->FindByValue(Variant(1))->Label(), "one");
  EXPECT_EQ(id->ValueLabels()->FindByLabel("TWO")->Value(), Variant(2.0));
  EXPECT_EQ(Refusal([&] { id->ValueLabels()->Add(Variant(1), "again"); }), cresSPSS_ValueLabelAlreadyExists);
  EXPECT_EQ(vars->CaseWeightVar()->Name(), "wt");

  TSPSSVariable* score = vars->Find("averylongvariablenameforthescore");
  ASSERT_NE(score, nullptr);
  EXPECT_EQ(score->MissingValueType(), -2);
  ASSERT_NE(score->ValueLabels()->FindByValue(Variant(10.5)), nullptr);
  EXPECT_EQ(score->ValueLabels()->FindByValue(Variant(10.5))->Label(), "ten and a half");
  EXPECT_EQ(score->ValueLabels()->FindByValue(Variant(-3.25)), score->ValueLabels()->FindByLabel("negative"));
}

TEST_F(OpenFile, FindIgnoresCaseAndFollowsRenames) {
  TSPSSVariables* vars = d.Variables();
  TSPSSVariable* name = vars->Find("NAME");
  ASSERT_NE(name, nullptr);
  name->Set_Name("Größe");
  EXPECT_EQ(vars->Find("name"), nullptr);
  EXPECT_EQ(vars->Find("GRÖSSE"), name);  // full case folding: ß and SS
  // Adding goes by the names as they are now.
  EXPECT_EQ(Refusal([&] { vars->Add("GRÖSSE", true, 8); }), Format(cresSPSS_VarAlreadyExists, "GRÖSSE"));
  TSPSSVariable* added = vars->Add("name", true, 8);
  EXPECT_EQ(vars->Find("NAME"), added);
  EXPECT_EQ(vars->Find(added->VarID()), added);
  EXPECT_EQ(Refusal([&] { name->Set_Name("größe"); }), Format(cresSPSS_VarAlreadyExists, "größe"));
  EXPECT_EQ(Refusal([&] { name->Set_Name(""); }), cresSPSS_VarnameCannotBeEmpty);
  name->Set_Name("a name longer than eight characters");
  EXPECT_EQ(vars->Find(name->VarID()), name);
  EXPECT_EQ(vars->Find(std::uint32_t{999999}), nullptr);
}

TEST_F(OpenFile, AddAndDeleteKeepTheLayout) {
  TSPSSVariables* vars = d.Variables();
  const int before = vars->Count();
  const int lastEnd = vars->GetItem(before - 1)->ReadOffset() + vars->GetItem(before - 1)->StorageSize();
  EXPECT_EQ(lastEnd, d.CaseSize());
  EXPECT_EQ(Refusal([&] { vars->Add("ninechars", true, 8); }), cresSPSS_LongVariableName);
  EXPECT_EQ(Refusal([&] { vars->Add("ID", true, 8); }), Format(cresSPSS_VarAlreadyExists, "ID"));
  EXPECT_EQ(vars->Count(), before);
  TSPSSVariable* a = vars->Add("eightchr", true, 8);
  TSPSSVariable* b = vars->Add("text", false, 10);
  TSPSSVariable* c = vars->Add("after", true, 8);
  EXPECT_EQ(a->ReadOffset(), lastEnd);
  EXPECT_EQ(b->ReadOffset(), lastEnd + 8);
  EXPECT_EQ(c->ReadOffset(), lastEnd + 24);
  EXPECT_EQ(b->StorageSize(), 16);
  EXPECT_EQ(d.CaseSize(), lastEnd + 32);
  EXPECT_GE(d.Cases()->CaseBuffer().size(), static_cast<std::size_t>(d.CaseSize()));
  EXPECT_EQ(vars->NewVarIndexes(), (std::vector<int>{before, before + 1, before + 2}));
  EXPECT_EQ(c->Position(), before + 2);
  EXPECT_TRUE(d.DictionaryChanged());

  d.EditCache()->Add(1, b->VarID(), std::string_view("edit"));
  vars->Delete(before + 1);
  EXPECT_EQ(vars->NewVarIndexes(), (std::vector<int>{before, before + 1}));
  EXPECT_EQ(c->ReadOffset(), lastEnd + 24);
  EXPECT_EQ(c->WriteOffset(), lastEnd + 8);
  EXPECT_TRUE(d.VariablesDeleted());
  EXPECT_EQ(d.EditCache()->RecordCount(), 0u);
  EXPECT_EQ(Refusal([&] { vars->Delete(vars->Count()); }), cresSPSS_VariableNrIsNotValid);
  EXPECT_EQ(Refusal([&] { vars->Delete("nosuch"); }), Format(cresSPSS_InvalidVarName, "nosuch"));
  vars->Delete("wt");
  EXPECT_EQ(vars->CaseWeightVar(), nullptr);
  vars->Set_CaseWeightVar(vars->Find("rng"));
  EXPECT_EQ(vars->CaseWeightVar()->Name(), "rng");
  // A variable of another component cannot weigh these cases.
  TSPSSDatafile other;
  other.Set_WriteDirect(true);
  TSPSSVariable* foreign = other.Variables()->Add("w", true, 8);
  EXPECT_EQ(Refusal([&] { vars->Set_CaseWeightVar(foreign); }), Format(cresSPSS_InvalidVarName, "w"));
  EXPECT_EQ(vars->CaseWeightVar()->Name(), "rng");
}

TEST(VariableModel, SettersCheckAndMark) {
  TSPSSDatafile d;
  d.Set_WriteDirect(true);  // adding without a file needs direct writing
  TSPSSVariable* n = d.Variables()->Add("num", true, 8);
  TSPSSVariable* s = d.Variables()->Add("str", false, 10);
  EXPECT_EQ((std::vector{n->PrintType(), n->WriteType(), n->Decimals(), n->Columns()}), (std::vector{5, 5, 2, 8}));
  EXPECT_EQ(n->Align(), tsaRight);
  EXPECT_EQ(n->Level(), tslScale);
  EXPECT_EQ((std::vector{s->PrintType(), s->WriteType(), s->Decimals(), s->Columns()}), (std::vector{1, 1, 0, 8}));
  EXPECT_EQ(s->Level(), tslNominal);
  EXPECT_EQ(s->ReadOffset(), 0);  // no layout in direct-write mode

  d.Set_DictionaryChanged(false);
  EXPECT_EQ(Refusal([&] { s->Set_PrintType(5); }), cresSPSS_VarFormatTypeCodesareInvalid);
  EXPECT_TRUE(d.DictionaryChanged());  // marked before the check
  EXPECT_EQ(Refusal([&] { n->Set_WriteType(2); }), cresSPSS_VarFormatTypeCodesareInvalid);
  n->Set_PrintType(99);
  EXPECT_EQ(Refusal([&] { s->Set_Decimals(1); }), cresSPSS_InvalidDecimalValue);
  s->Set_Decimals(0);
  EXPECT_EQ(Refusal([&] { s->Set_MissingValueType(-2); }), cresSPSS_InvalidMisValueType);
  n->Set_MissingValueType(-2);
  EXPECT_EQ(n->MissingValueType(), -2);

  s->Set_Width(16);  // same 8-byte block
  EXPECT_EQ(s->Width(), 16);
  s->Set_Width(17);  // would need another block: ignored
  EXPECT_EQ(s->Width(), 16);
  n->Set_Width(12);
  n->Set_Width(0);
  EXPECT_EQ(n->Width(), 12);

  n->Set_PrintType(31);
  EXPECT_EQ(n->GetDBDatatype(), 11);
  n->Set_PrintType(17);
  EXPECT_EQ(n->GetDBDatatype(), 0);
  n->Set_PrintType(5);
  EXPECT_EQ(n->GetDBDatatype(), 3);
  EXPECT_EQ(Refusal([&] { d.Variables()->Delete(0); }), cresSPSS_WriteDirectisTrue);

  TSPSSDatafile closed;
  EXPECT_EQ(Refusal([&] { closed.Variables()->Add("x", true, 8); }), cresSPSS_NoFileIsOpened);
}

TEST(VariableModel, IdentifiersNeverRepeatAcrossOpenings) {
  TSPSSDatafile d;
  std::uint32_t last = 0;
  for (int round = 0; round < 3; ++round) {
    d.Set_Filename(DataPath("full.sav"));
    d.Open();
    const std::uint32_t first = d.Variables()->GetItem(0)->VarID();
    if (round > 0) {
      EXPECT_GT(first, last);
    }
    last = d.Variables()->GetItem(d.Variables()->Count() - 1)->VarID();
    d.Close();
  }
}

TEST(ValueLabels, AddDeleteAndFind) {
  TSPSSDatafile d;
  TSPSSValuelabels labels(&d);
  EXPECT_EQ(labels.FindByValue(Variant(1)), nullptr);
  labels.Add(Variant(1), "Male");
  labels.Add(Variant("2"), "Ünknown");
  EXPECT_TRUE(d.DictionaryChanged());
  EXPECT_EQ(labels.FindByValue(Variant("1"))->Label(), "Male");
  EXPECT_EQ(labels.FindByLabel("MALE")->Value(), Variant(1));
  EXPECT_EQ(labels.FindByLabel("üNKNOWN"), nullptr);  // only A to Z fold
  labels.GetItem(1)->Set_Value(Variant(1));
  EXPECT_EQ(labels.FindByValue(Variant(1)), labels.GetItem(0));
  EXPECT_EQ(Refusal([&] { labels.Delete(2); }), cresSPSS_ValueLabelIndexIsNotValid);
  labels.Delete(1);
  EXPECT_EQ(labels.Count(), 1);
  d.Set_DictionaryChanged(false);
  labels.AddExistingValueLabel();
  EXPECT_FALSE(d.DictionaryChanged());
}

// Finding by value goes through an index; it must find what comparing every
// label in order finds, through changes of every kind.
TEST(ValueLabels, FindByValueAgreesWithAScanThroughChanges) {
  TSPSSDatafile d;
  TSPSSValuelabels labels(&d);
  const std::vector<Variant> probes = {Variant(1),
                                       Variant("1"),
                                       Variant("1.0"),
                                       Variant(" 1"),
                                       Variant(-0.0),
                                       Variant(0),
                                       Variant("0"),
                                       Variant("abc"),
                                       Variant("abc   "),
                                       Variant(),
                                       Variant(std::nan("")),
                                       Variant(static_cast<std::int8_t>(2)),
                                       Variant("2.5"),
                                       Variant(2.5),
                                       Variant("NaN"),
                                       Variant::Null(),
                                       Variant(1.7976931348623157e308),
                                       Variant("1.79769313486232E+308")};
  const auto blankless = [](std::string t) {
    while (!t.empty() && t.back() == ' ') t.pop_back();
    return t;
  };
  const auto scan = [&](const Variant& v) -> TSPSSValueLabel* {
    for (int i = 0; i < labels.Count(); ++i) {
      const Variant& w = labels.GetItem(i)->Value();
      if (w.IsString() && v.IsString() ? blankless(w.ToString()) == blankless(v.ToString()) : w == v)
        return labels.GetItem(i);
    }
    return nullptr;
  };
  const auto agree = [&](const char* when) {
    for (const Variant& p : probes) EXPECT_EQ(labels.FindByValue(p), scan(p)) << when << ": " << p.ToString();
  };
  agree("empty");
  for (const Variant& v : {Variant("1.0"), Variant(0.0), Variant("abc "), Variant(), Variant(2.5), Variant("x"),
                           Variant("1.79769313486232E+308")})
    labels.Add(v, "label");
  agree("added");
  EXPECT_EQ(Refusal([&] { labels.Add(Variant(1), "again"); }), cresSPSS_ValueLabelAlreadyExists);
  EXPECT_EQ(Refusal([&] { labels.Add(Variant("abc"), "again"); }), cresSPSS_ValueLabelAlreadyExists);
  labels.GetItem(5)->Set_Value(Variant(1));  // a number equal to the text 1.0 before it
  agree("a value set");
  labels.Delete(0);
  agree("one deleted");
  labels.AddExistingValueLabel();
  agree("a bare one");
  labels.Clear();
  agree("cleared");
  // Many labels, each checked for a duplicate as it comes.
  for (int i = 0; i < 200000; ++i) labels.Add(Variant(i), "n");
  EXPECT_EQ(labels.FindByValue(Variant("199999"))->Index(), 199999);
  EXPECT_EQ(Refusal([&] { labels.Add(Variant(100000.0), "dup"); }), cresSPSS_ValueLabelAlreadyExists);
}

// A dictionary built in direct-write mode, written, then read back by us and by PSPP.
TEST_F(TempDirTest, DictionaryRoundTrip) {
  const std::string path = Path("dict.sav");
  {
    TSPSSDatafile d;
    d.Set_WriteDirect(true);
    d.Set_Filename(path);
    d.OpenNew();
    TSPSSVariables* vars = d.Variables();
    TSPSSVariable* age = vars->Add("age", true, 8);
    age->Set_Decimals(0);
    age->Set_Width(3);
    age->Set_LabelText("Age in years — ü");
    age->Set_Level(tslScale);
    age->Set_Columns(6);
    age->Set_MissingValueType(-3);
    age->Set_MissingValue1(Variant(-99.0));
    age->Set_MissingValue2(Variant(-1.0));
    age->Set_MissingValue3(Variant(999));
    age->ValueLabels()->Add(Variant(999), "Refused");
    TSPSSVariable* city = vars->Add("city", false, 12);
    city->Set_Align(tsaCenter);
    city->Set_Level(tslScale);  // strings cannot be scale: written as nominal
    city->Set_MissingValueType(1);
    city->Set_MissingValue1(Variant("none"));
    city->ValueLabels()->Add(Variant("Köln"), "Cologne");
    TSPSSVariable* wt = vars->Add("wt", true, 8);
    vars->Set_CaseWeightVar(wt);
    d.FileInfo()->Set_FileLabel("Round trip");
    d.FileInfo()->Set_TextInfo("made by the model tests");
    d.Set_Compressed(false);
    d.SaveDictionary();
    EXPECT_TRUE(d.HeaderCommitted());
    EXPECT_EQ(city->Level(), tslNominal);
    d.Close();
  }
  TSPSSDatafile r;
  r.Set_Compressed(true);
  r.Set_Filename(path);
  r.Open();
  EXPECT_FALSE(r.Get_Compressed());  // the file's, whatever was set before
  // A number, a string of width 12 and a number lie at 0, 8 and 24.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(r.Variables()->GetItem(i)->ReadOffset(), (std::vector{0, 8, 24}[i]));
  TSPSSVariable* age = r.Variables()->Find("age");
  ASSERT_NE(age, nullptr);
  EXPECT_EQ(age->LabelText(), "Age in years — ü");
  EXPECT_EQ((std::vector{age->Width(), age->Decimals(), age->Columns()}), (std::vector{3, 0, 6}));
  EXPECT_EQ(age->MissingValueType(), -3);
  EXPECT_EQ(age->MissingValue3(), Variant(999));
  EXPECT_EQ(age->ValueLabels()->FindByValue(Variant(999))->Label(), "Refused");
  TSPSSVariable* city = r.Variables()->Find("CITY");
  EXPECT_EQ(city->Align(), tsaCenter);
  EXPECT_EQ(city->Level(), tslNominal);
  EXPECT_EQ(city->MissingValueType(), 1);
  EXPECT_EQ(city->ValueLabels()->GetItem(0)->Label(), "Cologne");  // a long string keeps its labels
  EXPECT_EQ(r.Variables()->CaseWeightVar()->Name(), "wt");
  EXPECT_EQ(r.FileInfo()->FileLabel(), "Round trip");
  EXPECT_EQ(r.FileInfo()->TextInfo(), "made by the model tests");
  EXPECT_FALSE(r.DictionaryChanged());

  // The stored dictionary copied to a new, empty file.
  age->Set_Name("renamed");
  r.SaveDictionaryAs(Path("copy.sav"));
  r.Close();
  TSPSSDatafile c;
  c.Set_Filename(Path("copy.sav"));
  c.Open();
  EXPECT_NE(c.Variables()->Find("age"), nullptr);
  EXPECT_EQ(c.Cases()->Count(), 0);
  c.Close();

  if (!HavePeer("pspp")) return;
  const std::string tables = RunPspp("GET FILE='" + path + "'.\nDISPLAY DICTIONARY.\nSHOW WEIGHT.\n");
  for (const char* row :
       {"age,1,Age in years — ü,Scale,Input,6,Right,F3.0,F3.0,-99 THRU -1; 999",
        "city,2,,Nominal,Input,8,Center,A12,A12,\"\"\"none    \"\"\"", "Age in years — ü,999[a],Refused"})
    EXPECT_NE(tables.find(row), std::string::npos) << row << "\n" << tables;
}
