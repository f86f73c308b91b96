// Saving through the component after dictionary edits keeps everything the
// edit did not touch: documents, attributes, formats, exact values, sets.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "io_test_support.h"
#include "refusal.h"
#include "savkit/datafile_exception.h"
#include "savkit/host/format.h"
#include "savkit/model/datafile.h"
#include "savkit/resourcestrings.h"
#include "sav_builder.h"
#include "editing_fixture.h"
#include "temp_dir.h"

using namespace savkit;
using namespace savkit::testing;

namespace {

class SavingEdits : public Editing {
 protected:
  static std::string PsppExtras(const std::string& file) {
    return RunPspp("GET FILE='" + file +
                   "'.\nDISPLAY DICTIONARY.\nDISPLAY DOCUMENTS.\nDISPLAY ATTRIBUTES.\nMRSETS /DISPLAY NAME=ALL.\n");
  }
};

}  // namespace

TEST_F(SavingEdits, DocumentsAttributesAndSetsOutliveDictionaryEdits) {
  OpenCopy("full.sav");
  std::string before = PsppExtras(path);
  ASSERT_NE(before.find("survey"), std::string::npos);
  Var("name")->Set_LabelText("A new label");
  for (std::size_t at; (at = before.find("Given name")) != std::string::npos;) before.replace(at, 10, "A new label");
  d.Save();
  EXPECT_EQ(PsppExtras(path), before);

  // A renamed variable keeps its own attributes; a deleted one takes its along.
  Var("id")->Set_Name("ident");
  d.Variables()->Delete(Var("comment")->Index());
  d.Variables()->Add("extra", true, 8);
  d.Save();
  const std::string after = RunPspp("GET FILE='" + path + "'.\nDISPLAY @ATTRIBUTES.\nDISPLAY DOCUMENTS.\n");
  EXPECT_NE(after.find("Identifier,$@Role,0\n,Source,survey"), std::string::npos) << after;
  EXPECT_EQ(after.find("Ünïcode Ünïcode"), std::string::npos) << after;
  EXPECT_NE(after.find("savkit reader fixture"), std::string::npos);
  EXPECT_NE(after.find("(dataset),Origin,fixture"), std::string::npos);
  if (HavePeer("readstat")) {
    const auto csv = PeerCsv("readstat", path);
    ASSERT_FALSE(csv.empty());
    EXPECT_EQ(csv[0][0], "ident");
  }
}

// Print F8.2 and write DATE11: the write format is written back as stored
// until a format changes, and then fitted to its type, never made invalid.
TEST_F(SavingEdits, WriteFormatsAreKeptAsStored) {
  SavBuilder b;
  b.Header(2, 0, 0, 1);
  b.Int(2).Int(0).Int(0).Int(0).Int((5 << 16) | (8 << 8) | 2).Int((20 << 16) | (11 << 8)).Text("D", 8);
  b.Variable("B", 0).EndDictionary().Double(0).Double(1);
  const std::string file = Path("formats.sav");
  b.Save(file);
  const auto formats = [&](int& type, int& width, int& dec) {
    ReadHandle f(file);
    return spssGetVarWriteFormat(f.handle, "D", &type, &dec, &width);
  };
  TSPSSDatafile e;
  e.Set_Filename(file);
  e.Open();
  e.Variables()->Find("B")->Set_LabelText("edited");
  e.Save();
  int type, width, dec;
  ASSERT_EQ(formats(type, width, dec), SPSS_OK);
  EXPECT_EQ(std::make_tuple(type, width, dec), std::make_tuple(SPSS_FMT_DATE, 11, 0));
  e.Variables()->Find("D")->Set_Decimals(1);  // DATE8.1 is no format: DATE9
  e.Save();
  ASSERT_EQ(formats(type, width, dec), SPSS_OK);
  EXPECT_EQ(std::make_tuple(type, width, dec), std::make_tuple(SPSS_FMT_DATE, 9, 0));
  e.Close();
}

// Value-label and missing values are the numbers stored, not 15-digit texts.
TEST_F(SavingEdits, LabelledNumbersStayExact) {
  OpenCopy("full.sav");
  const double third = 1.0 / 3, big = 123456789012345678.0;
  Var("id")->ValueLabels()->Add(Variant(third), "a third");
  Var("id")->ValueLabels()->Add(Variant(big), "big");
  Var("id")->Set_MissingValue1(Variant(third));
  Var("id")->Set_Value(1, Variant(third));
  Var("id")->Set_Value(2, Variant(big));
  d.Save();
  d.Close();
  d.Open();
  for (int c : {1, 2}) {
    const Variant value = Var("id")->Get_Value(c);
    ASSERT_NE(Var("id")->ValueLabels()->FindByValue(value), nullptr) << c;
  }
  EXPECT_EQ(Var("id")->ValueLabels()->FindByValue(Variant(big))->Label(), "big");
  EXPECT_EQ(Var("id")->MissingValue1().ToDouble(), third);
}

// The file under the open file's name was replaced, or changed in place, by
// another program: saving over it is refused and its content kept.
TEST_F(SavingEdits, AFileChangedByAnotherProgramIsNotSavedOver) {
  for (const bool inPlace : {false, true}) {
    SCOPED_TRACE(inPlace ? "changed in place" : "replaced");
    OpenCopy("small.sav");
    Var("id")->Set_Value(1, Variant(77));
    auto expected = ReadTable(path);
    expected[1][0] = "77";
    const std::string other = Path("other.sav");
    std::filesystem::copy_file(DataPath("full.sav"), other, std::filesystem::copy_options::overwrite_existing);
    if (inPlace)
      std::ofstream(path, std::ios::binary | std::ios::app) << "x";
    else
      std::filesystem::rename(other, path);
    const std::string theirs = Bytes(path);
    try {
      d.Save();
      ADD_FAILURE() << "saved over another program's change";
    } catch (const ESPSSDataFileException& e) {
      EXPECT_EQ(std::string(e.what()), Format(cresSPSS_FileChangedSinceOpened, path));
    }
    EXPECT_EQ(Bytes(path), theirs);
    EXPECT_EQ(Var("id")->Get_Value(1), Variant(77.0));  // the edit is still there, to save elsewhere
    // Saved elsewhere, the open file's dictionary and cases go together.
    d.SaveAs(Path("elsewhere.sav"));
    EXPECT_EQ(ReadTable(Path("elsewhere.sav")), expected);
    d.Close();
  }
}

// A save waits for no one: while another holds the file's lock (a save or an
// append), saving over it is refused; afterwards it goes through.
TEST_F(SavingEdits, SavingOverALockedFileIsRefused) {
  OpenCopy("small.sav");
  Var("id")->Set_Value(1, Variant(77));
  const std::string before = Bytes(path);
  {
    // As an appending component or another saving process holds it.
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    EXPECT_EQ(Refusal([&] { d.Save(); }), Format(cresSPSS_FileIsBeingSaved, path));
    EXPECT_EQ(Bytes(path), before);
    ::close(fd);
  }
  d.Save();
  EXPECT_EQ(ReadTable(path)[1][0], "77");
}

// Saving a file opened through a symbolic link replaces the file it names.
TEST_F(SavingEdits, ALinkStaysALink) {
  const std::string real = Path("real.sav"), link = Path("link.sav");
  std::filesystem::copy_file(DataPath("small.sav"), real);
  std::filesystem::create_symlink(real, link);
  d.Set_Filename(link);
  d.Open();
  d.Variables()->Find("id")->Set_Value(1, Variant(77));
  d.Save();
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadTable(real)[1][0], "77");
}

// Objects an application took before a save are the same, and current, after
// it; only a deleted variable goes away.
TEST_F(SavingEdits, ObjectsSurviveASave) {
  OpenCopy("full.sav");
  TSPSSVariable* id = Var("id");
  TSPSSVariable* name = Var("name");
  TSPSSValueLabel* one = id->ValueLabels()->FindByValue(Variant(1));
  TSPSSMRMDSet* colors = d.MRMDSets()->GetItem(0);
  TSPSSVariableSet* group = d.VariableSets()->Add("group");
  group->VarList()->Add("name");
  group->VarList()->Add("id");
  TSPSSVariable* weight = d.Variables()->CaseWeightVar();
  ASSERT_NE(one, nullptr);
  const int count = d.Variables()->Count();

  id->Set_Name("ident");
  one->Set_Label("uno");
  d.Variables()->Delete(Var("comment")->Index());
  TSPSSVariable* extra = d.Variables()->Add("extra", true, 8);
  extra->Set_Value(2, Variant(42));
  name->Set_Value(1, Variant("Bob"));
  d.Save();

  EXPECT_FALSE(d.DictionaryChanged());
  EXPECT_EQ(d.Variables()->Count(), count);
  EXPECT_EQ(Var("ident"), id);
  EXPECT_EQ(Var("name"), name);
  EXPECT_EQ(Var("extra"), extra);
  EXPECT_EQ(d.Variables()->CaseWeightVar(), weight);
  EXPECT_EQ(id->ValueLabels()->FindByValue(Variant(1)), one);
  EXPECT_EQ(one->Label(), "uno");
  EXPECT_EQ(d.MRMDSets()->GetItem(0), colors);
  EXPECT_EQ(colors->VarList()->Get_Var(0), Var("c1"));
  EXPECT_EQ(group->VarList()->Get_Var(1), id);
  EXPECT_EQ(extra->Get_Value(2), Variant(42.0));
  EXPECT_EQ(extra->Get_Value(1), Variant(d.SysmisValue()));
  EXPECT_EQ(name->Get_Value(1).ToString().substr(0, 3), "Bob");
  EXPECT_EQ(extra->Index(), count - 1);

  // The objects go on working: edits after the save are saved again.
  extra->Set_Value(3, Variant(7));
  id->Set_LabelText("again");
  d.Save();
  EXPECT_EQ(Var("extra"), extra);
  const auto table = ReadTable(path);
  EXPECT_EQ(table[0][0], "ident");
  EXPECT_EQ(table[3][count - 1], "7");
  ReadHandle f(path);
  char label[SPSS_MAX_VARLABEL + 1];
  ASSERT_EQ(spssGetVarLabel(f.handle, "ident", label), SPSS_OK);
  EXPECT_EQ(std::string(label), "again");
}

// Deleting a member of a two-variable multiple-response set leaves a set no
// file can hold: the save leaves it out instead of failing for good.
TEST_F(SavingEdits, ASetLeftWithOneMemberIsNotStored) {
  OpenCopy("full.sav");
  d.Variables()->Delete(Var("c1")->Index());
  d.Save();
  ReadHandle f(path);
  char* sets = nullptr;
  ASSERT_EQ(spssGetMultRespDefs(f.handle, &sets), SPSS_OK);
  const std::string text = sets;
  spssFreeMultRespDefs(sets);
  EXPECT_EQ(text.find("$colors"), std::string::npos) << text;
  EXPECT_NE(text.find("$owns"), std::string::npos) << text;
}

// A file read in the encoding its user names is saved in it: the texts keep
// their bytes, and the file now says what they are.
TEST_F(SavingEdits, AFileReadInAGivenEncodingIsSavedInIt) {
  path = Path("data.sav");
  std::filesystem::copy_file(DataPath("latin1.sav"), path);
  d.Set_ReadEncoding("ISO-8859-7");
  d.Set_Filename(path);
  d.Open();
  EXPECT_EQ(d.FileInfo()->FileLabel(), "Donnιes");
  d.Variables()->Find("city")->Set_LabelText("Town");
  d.Save();
  d.Close();
  ReadHandle f(path);
  ASSERT_EQ(f.status, SPSS_OK);
  char encoding[SPSS_MAX_ENCODING + 1], label[SPSS_MAX_IDSTRING + 1];
  ASSERT_EQ(spssGetFileEncoding(f.handle, encoding), SPSS_OK);
  EXPECT_STREQ(encoding, "ISO-8859-7");
  ASSERT_EQ(spssGetIdString(f.handle, label), SPSS_OK);
  EXPECT_STREQ(label, "Donnιes");
}
