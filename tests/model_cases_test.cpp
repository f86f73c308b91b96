// Case values, editing and saving, on real files read back by us and PSPP.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "io_test_support.h"
#include "savkit/datafile_exception.h"
#include "savkit/host/format.h"
#include "savkit/host/sysutils.h"
#include "savkit/model/datafile.h"
#include "savkit/resourcestrings.h"
#include "refusal.h"
#include "sav_builder.h"
#include "editing_fixture.h"
#include "temp_dir.h"

using namespace savkit;
using namespace savkit::testing;

TEST_F(Editing, ValuesComeFromTheFileOncePerCase) {
  OpenCopy("full.sav");
  TSPSSCases* cases = d.Cases();
  const int n = d.Variables()->Count();
  for (int c = 1; c <= cases->Count(); ++c)
    for (int i = 0; i < n; ++i) cases->Get_Case(c)->GetValue(i);
  EXPECT_EQ(cases->RecordReads(), 5u);
  EXPECT_EQ(Var("id")->Get_Value(4), Variant(4.0));
  EXPECT_EQ(Var("name")->Get_Value(1).ToString(), "Alice   ");  // padding blanks are part of the value
  EXPECT_EQ(Var("code")->Get_Value(5).ToString(), "bc      ");
  EXPECT_EQ(Var("id")->Get_Value(3), Variant(3.0));
  EXPECT_EQ(Var("AVeryLongVariableNameForTheScore")->Get_Value(3), Variant(d.SysmisValue()));
  EXPECT_EQ(Var("huge")->Get_Value(1).ToString().size(), 20000u);
  const TDateTime when = Var("when")->Get_DateTimeValue(1);
  EXPECT_EQ(when, EncodeDate(2020, 1, 1));
  EXPECT_EQ(Var("stamp")->Get_DateTimeValue(2), EncodeDate(1999, 12, 31) + EncodeTime(23, 59, 59, 0));

  EXPECT_EQ(Refusal([&] { cases->Get_Case(6); }), cresSPSS_CaseNrIsNotValid);
  EXPECT_EQ(Refusal([&] { cases->Get_Case(0); }), cresSPSS_CaseNrIsNotValid);
  EXPECT_EQ(Refusal([&] { cases->Get_Case(1)->GetValue(n); }), cresSPSS_VariableNrIsNotValid);
  EXPECT_EQ(Refusal([&] { cases->Get_Case(1)->SetValue(-1, Variant(1)); }), cresSPSS_CaseNrIsNotValid);
  EXPECT_THROW(cases->Get_Case(1)->GetValue(-2), EListError);
  EXPECT_EQ(Refusal([&] { cases->Get_Case(1)->Save(); }), cresSPSS_FileCanOnlyBeSavedInWriteDirectMode);
  EXPECT_THROW(Var("id")->Set_Value(1, Variant("not a number")), EVariantTypeCastError);
}

TEST_F(Editing, EditsAreSavedAndReadBack) {
  OpenCopy("full.sav");
  Var("AVeryLongVariableNameForTheScore")->Set_Value(2, Variant(42.5));
  Var("name")->Set_Value(2, Variant("Zed"));
  Var("comment")->Set_Value(3, Variant(FloatToStr(d.SysmisValue())));  // stands for an empty value
  Var("when")->Set_DateTimeValue(4, EncodeDate(2024, 2, 29) + EncodeTime(8, 9, 10, 0));
  EXPECT_EQ(Var("AVeryLongVariableNameForTheScore")->Get_Value(2), Variant(42.5));
  EXPECT_EQ(Var("id")->Get_Value(2), Variant(2.0));  // the other values still come from the file
  d.Cases()->Delete(2);                              // stored case 2 goes
  EXPECT_EQ(Var("id")->Get_Value(2), Variant(3.0));
  TSPSSCase* added = d.Cases()->Add();
  EXPECT_EQ(added->CaseNr(), 5);
  EXPECT_EQ(added->GetValue(2), Variant(d.SysmisValue()));  // strings too read as missing until set
  added->SetValue(0, Variant(99));
  added->SetValue(2, Variant("New"));
  TSPSSVariable* extra = d.Variables()->Add("extra", true, 8);
  extra->Set_Value(1, Variant(7));
  d.Variables()->Delete("big");
  d.Save();

  EXPECT_EQ(d.OpenMode(), domReading);
  EXPECT_EQ(d.Filename(), path);
  EXPECT_EQ(d.Cases()->Count(), 5);
  EXPECT_EQ(Var("big"), nullptr);
  EXPECT_EQ(Var("when")->Get_DateTimeValue(3), EncodeDate(2024, 2, 29) + EncodeTime(8, 9, 10, 0));
  EXPECT_EQ(Var("extra")->Get_Value(1), Variant(7.0));
  EXPECT_EQ(Var("extra")->Get_Value(2), Variant(d.SysmisValue()));  // never carries the case before's value
  EXPECT_EQ(Var("comment")->Get_Value(2).ToString(), std::string(24, ' '));
  EXPECT_EQ(Var("huge")->Get_Value(4).ToString().substr(0, 8), "trailing");  // behind the deleted variable
  const auto csv = PeerCsv("pspp-convert", path);
  ASSERT_EQ(csv.size(), 6u);
  std::vector<std::string> ids, names;
  for (std::size_t r = 1; r < csv.size(); ++r) ids.push_back(csv[r][0]), names.push_back(csv[r][2]);
  EXPECT_EQ(ids, (std::vector<std::string>{"1", "3", "4", "5", "99"}));
  EXPECT_EQ(names, (std::vector<std::string>{"Alice", "", "日本", "a", "New"}));
  EXPECT_EQ(csv[0].back(), "extra");

  // Edited and saved again, under another name; the first file stays as it is.
  const std::string before = Bytes(path);
  Var("id")->Set_Value(1, Variant(1000));
  d.SaveAs(Path("second.sav"));
  EXPECT_EQ(d.Filename(), Path("second.sav"));
  EXPECT_EQ(Var("id")->Get_Value(1), Variant(1000.0));
  EXPECT_EQ(Bytes(path), before);
}

TEST_F(Editing, AVariableAddedAfterDeletingTheLastHasNoneOfItsValues) {
  OpenCopy("full.sav");
  d.Variables()->Delete("huge");  // the last one: its slot still comes with every case read
  TSPSSVariable* fresh = d.Variables()->Add("fresh", true, 8);
  EXPECT_EQ(fresh->Get_Value(1), Variant(d.SysmisValue()));
  EXPECT_EQ(Var("fresh")->Get_Value(2), Variant(d.SysmisValue()));
  d.Save();
  EXPECT_EQ(Var("fresh")->Get_Value(1), Variant(d.SysmisValue()));
}

TEST_F(Editing, AStringShownInHexKeepsItsWidth) {
  OpenCopy("ahex.sav");  // code is an A4 shown as AHEX8
  EXPECT_EQ(Var("code")->Width(), 4);
  EXPECT_EQ(Var("code")->Get_Value(1).ToString(), "abcd    ");
  EXPECT_EQ(Var("tail")->Get_Value(2).ToString(), "end     ");
  Var("code")->Set_Value(2, Variant("wxyz"));
  d.Variables()->Add("extra", true, 8);  // the dictionary is written anew
  d.Save();
  ReadHandle f(path);
  int type, dec, width;
  ASSERT_EQ(spssGetVarPrintFormat(f.handle, "code", &type, &dec, &width), SPSS_OK);
  EXPECT_EQ(std::vector<int>({type, width}), std::vector<int>({SPSS_FMT_AHEX, 8}));
  const auto csv = PeerCsv("pspp-convert", path);
  ASSERT_EQ(csv.size(), 3u);
  EXPECT_EQ(csv[1], (std::vector<std::string>{"61626364", "1", "xyz", " "}));
  EXPECT_EQ(csv[2], (std::vector<std::string>{"7778797A", "2", "end", " "}));
}

TEST_F(Editing, AShortStringsValueLabelPaddedWithBlanksSavesAgain) {
  // As SPSS writes it: the value fills its 8 bytes with blanks, past the A3
  // (which reads as an A9, the file being in a single-byte encoding).
  SavBuilder b;
  b.Header(1, 0, 0, 1).Variable("S", 3);
  b.Int(3).Int(1).Text("abc     ").Raw({4, 'A', 'B', 'C', ' ', ' ', ' ', ' '}).Int(4).Int(1).Int(1);
  b.EndDictionary().Text("abc", 8);
  path = Path("padded.sav");
  b.Save(path);
  d.Set_Filename(path);
  d.Open();
  EXPECT_EQ(Var("S")->ValueLabels()->GetItem(0)->Value().ToString(), "abc");
  d.Variables()->Add("extra", true, 8);  // the dictionary, labels and all, is written anew
  d.Save();
  TSPSSValuelabels* labels = Var("S")->ValueLabels();
  ASSERT_EQ(labels->Count(), 1);
  EXPECT_EQ(TrimRight(labels->GetItem(0)->Value().ToString()), "abc");  // now padded to its width
  EXPECT_EQ(labels->GetItem(0)->Label(), "ABC ");
}

TEST_F(Editing, AFailedSaveLosesNothing) {
  OpenCopy("latin1.sav");
  const std::string before = Bytes(path);
  Var("n")->Set_Value(1, Variant(5));
  EXPECT_EQ(Refusal([&] { d.SaveAs(Path("no/such/dir/x.sav")); }), cresSPSS_ErrorSavingFile);
  // Saving over the open file while the disk is "full".
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit tiny = old;
  tiny.rlim_cur = 200;
  setrlimit(RLIMIT_FSIZE, &tiny);
  EXPECT_THROW(d.Save(), ESPSSDataFileException);
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(Bytes(path), before);
  EXPECT_EQ(d.OpenMode(), domReading);
  EXPECT_EQ(Var("n")->Get_Value(1), Variant(5.0));  // the edit is still there
  EXPECT_EQ(Var("city")->Get_Value(2).ToString().substr(0, 9), "Besançon");
  for (const auto& entry : std::filesystem::directory_iterator(dir_))
    EXPECT_EQ(entry.path().filename(), "data.sav") << "a temporary file was left behind";
  d.Save();  // and it still saves
  EXPECT_EQ(Var("n")->Get_Value(1), Variant(5.0));
}

// A UTF-8 file with a broken byte in a label saves after a dictionary edit,
// the byte kept.
TEST_F(TempDirTest, BrokenUtf8InALabelSurvivesADictionaryEdit) {
  SavBuilder b;
  b.Header(2, 0, 0, 1).Variable("A", 0, "caf\xe9").Variable("B", 0).TextExtension(20, "UTF-8");
  b.EndDictionary().Double(1).Double(2);
  const std::string path = Path("broken.sav");
  b.Save(path);
  {
    TSPSSDatafile d;
    d.Set_Filename(path);
    d.Open();
    d.Variables()->Find("B")->Set_LabelText("second");
    d.Save();
  }
  ReadHandle f(path);
  char label[SPSS_MAX_VARLABEL + 1];
  ASSERT_EQ(spssGetVarLabel(f.handle, "A", label), SPSS_OK);
  EXPECT_EQ(std::string(label), "caf\xe9");
  ASSERT_EQ(spssGetVarLabel(f.handle, "B", label), SPSS_OK);
  EXPECT_EQ(std::string(label), "second");
}

// Pointing Filename at another file and saving writes the open file's
// dictionary and cases there, never the other file's dictionary over them.
TEST_F(Editing, SavingAfterRenamingTakesTheOpenFile) {
  OpenCopy("small.sav");
  const std::string other = Path("other.sav");
  std::filesystem::copy_file(DataPath("full.sav"), other);
  const auto expected = ReadTable(path);
  d.Set_Filename(other);
  d.Save();
  EXPECT_EQ(ReadTable(other), expected);
  d.SaveDictionaryAs(Path("dictionary.sav"));
  EXPECT_EQ(ReadTable(Path("dictionary.sav"))[0], expected[0]);
}

// A .zsav stays ZLIB-compressed after a save, dictionary edited or not, until
// another kind is set.
TEST_F(Editing, SavingKeepsTheKindOfCompression) {
  OpenCopy("full.zsav");
  EXPECT_FALSE(d.Get_Compressed());  // bytecode alone counts as Compressed
  EXPECT_EQ(d.Get_Compression(), SPSS_COMPRESSION_ZLIB);
  const auto compression = [&] {
    ReadHandle f(path);
    int kind = -1;
    spssGetCompression(f.handle, &kind);
    return kind;
  };
  d.Save();
  EXPECT_EQ(compression(), SPSS_COMPRESSION_ZLIB);
  Var("id")->Set_LabelText("changed");
  d.Save();
  EXPECT_EQ(compression(), SPSS_COMPRESSION_ZLIB);
  d.Set_Compression(SPSS_COMPRESSION_NONE);
  d.Save();
  EXPECT_EQ(compression(), SPSS_COMPRESSION_NONE);
  d.Set_Compressed(true);
  Var("id")->Set_LabelText("again");
  d.Save();
  EXPECT_EQ(compression(), SPSS_COMPRESSION_BYTECODE);
  EXPECT_THROW(d.Set_Compression(3), ESPSSDataFileException);
}

// A text longer than its variable is saved cut between characters.
TEST_F(Editing, LongTextsAreCutBetweenCharacters) {
  OpenCopy("full.sav");
  Var("code")->Set_Value(1, Variant("aéé"));   // 5 bytes for an A3
  Var("code")->Set_Value(2, Variant("日本"));  // 6 bytes
  d.Save();
  EXPECT_EQ(Var("code")->Get_Value(1).ToString().substr(0, 3), "aé");
  std::string second = Var("code")->Get_Value(2).ToString();
  while (!second.empty() && second.back() == ' ') second.pop_back();
  EXPECT_EQ(second, "日");
}

// A string value finds its label whatever blanks pad the value or the label.
TEST_F(Editing, StringValuesFindTheirLabels) {
  OpenCopy("full.sav");
  for (const char* name : {"code", "name", "comment"}) {
    TSPSSVariable* v = Var(name);
    const TSPSSValueLabel* label = v->ValueLabels()->FindByValue(v->Get_Value(1));
    ASSERT_NE(label, nullptr) << name << " [" << v->Get_Value(1).ToString() << "]";
  }
  EXPECT_EQ(Var("code")->ValueLabels()->FindByValue(Var("code")->Get_Value(1))->Label(), "ABC code");
  EXPECT_EQ(Var("code")->ValueLabels()->FindByValue(Variant("ab")), nullptr);
}

// Saving replaces the file with one of the same mode; a new file gets the umask's.
TEST_F(Editing, SavingKeepsTheFilesMode) {
  OpenCopy("small.sav");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  d.Variables()->GetItem(0)->Set_Value(1, Variant(7));
  d.Save();
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  const mode_t old = ::umask(022);
  d.SaveAs(Path("other.sav"));
  ::umask(old);
  ASSERT_EQ(::stat(Path("other.sav").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(Editing, ColumnsAsArraysFilledAndCached) {
  OpenCopy("full.sav");
  TSPSSVariable* id = Var("id");
  Variant column = id->CreateIndex(false, srtAscending);  // the flag alone decides
  EXPECT_EQ(column.LowBound(), 1);
  EXPECT_EQ(column.HighBound(), 5);
  EXPECT_EQ(column[1], Variant(1.0));
  id->Set_Value(1, Variant(3.5));
  column = id->CreateIndex(true, srtDescending);
  EXPECT_EQ((std::vector<double>{column[1].ToDouble(), column[2].ToDouble(), column[5].ToDouble()}),
            (std::vector<double>{5, 4, 2}));
  EXPECT_EQ(id->CreateIndex(true, srtNone)[1], Variant(3.5));
  Variant names = Var("s1")->CreateIndex(true, srtAscending);  // texts sort by their bytes
  EXPECT_EQ(names[1].ToString(), std::string(8, ' '));         // the slot's padding is part of the value
  EXPECT_EQ(names[5].ToString(), "yes     ");
  Variant four = Variant::Array(0, 3);
  for (int i = 0; i <= 3; ++i) four[i] = Variant(i + 1.0);
  TSPSSVariable::DescendSort(four);
  EXPECT_EQ(four[0], Variant(4.0));
  EXPECT_EQ(four[3], Variant(1.0));

  TSPSSVariable* score = Var("AVeryLongVariableNameForTheScore");
  score->Fill(5.0);
  EXPECT_EQ(score->Get_Value(3), Variant(5.0));
  std::vector<std::uint32_t> calls;
  Var("name")->Fill(TFillMethodStr([&](std::uint32_t c) {
    calls.push_back(c);
    return "n" + std::to_string(c);
  }));
  EXPECT_EQ(calls, (std::vector<std::uint32_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(Var("name")->Get_Value(4), Variant("n4"));
  Var("rng")->Fill(+[](std::uint32_t c) { return c * 2.0; });
  // Values of the other kind are refused, and the edits made before stay.
  EXPECT_EQ(Refusal([&] { score->Fill("text"); }), cresSPSS_STR_EXP);
  EXPECT_EQ(Refusal([&] { Var("name")->Fill(1.0); }), cresSPSS_NUME_EXP);
  EXPECT_EQ(score->Get_Value(3), Variant(5.0));
  EXPECT_EQ(Var("name")->Get_Value(4), Variant("n4"));

  EXPECT_EQ(Refusal([&] { d.Cache({"id", "nosuch"}); }), Format(cresSPSS_SomeVariablesareInvalid, "nosuch "));
  EXPECT_EQ(d.EditCache()->RecordCount(), 5u * 4);  // id, score, name, rng: one record a case each
  const std::uint64_t reads = d.Cases()->RecordReads();
  d.Cache({"lohi", "lohi"});
  EXPECT_EQ(d.Cases()->RecordReads(), reads + 5);  // read once, kept once
  d.Cache({});
  d.Save();
  EXPECT_EQ(Var("rng")->Get_Value(5), Variant(10.0));
  EXPECT_EQ(Var("id")->Get_Value(1), Variant(3.5));

  d.Cases()->Add();  // a new case's unset values keep their column's kind
  Variant texts = Var("s1")->CreateIndex(false, srtNone);
  EXPECT_EQ(texts.HighBound(), 6);
  EXPECT_TRUE(texts[6].IsString());
  EXPECT_EQ(texts[5].ToString(), "no      ");
  EXPECT_TRUE(Var("id")->CreateIndex(false, srtNone)[6].IsNumeric());
}

// The typed getters read what GetValue reads, edits, deletions and added
// cases included, and refuse the other kind.
TEST_F(Editing, TypedValuesAgreeWithVariants) {
  OpenCopy("full.sav");
  Var("id")->Set_Value(2, Variant(20.5));
  Var("name")->Set_Value(3, Variant("Bea"));
  d.Cases()->Delete(1);
  d.Cases()->Add();
  std::string text;
  for (int c = 1; c <= d.Cases()->Count(); ++c) {
    TSPSSCase* k = d.Cases()->Get_Case(c);
    for (int i = 0; i < d.Variables()->Count(); ++i) {
      const Variant value = k->GetValue(i);
      if (d.Variables()->GetItem(i)->IsNumeric()) {
        EXPECT_EQ(k->GetNumber(i), value.ToDouble()) << c << " " << i;
        continue;
      }
      k->GetText(i, text);
      EXPECT_EQ(text, value.IsString() ? value.ToString() : "") << c << " " << i;  // added: never set
    }
  }
  EXPECT_EQ(d.Cases()->Get_Case(1)->GetNumber(0), 20.5);
  d.Cases()->Get_Case(2)->GetText(Var("name")->Index(), text);
  EXPECT_EQ(text, "Bea");
  EXPECT_EQ(Refusal([&] { d.Cases()->Get_Case(1)->GetNumber(Var("name")->Index()); }), cresSPSS_NUME_EXP);
  EXPECT_EQ(Refusal([&] { d.Cases()->Get_Case(1)->GetText(0, text); }), cresSPSS_STR_EXP);

  // Whole columns say the same, case by case.
  for (int i = 0; i < d.Variables()->Count(); ++i) {
    TSPSSVariable* v = d.Variables()->GetItem(i);
    if (v->IsNumeric()) {
      const std::vector<double> numbers = v->GetNumbers();
      ASSERT_EQ(numbers.size(), static_cast<std::size_t>(d.Cases()->Count()));
      for (std::size_t c = 0; c < numbers.size(); ++c)
        EXPECT_EQ(numbers[c], d.Cases()->Get_Case(static_cast<int>(c) + 1)->GetNumber(i));
      EXPECT_EQ(Refusal([&] { v->GetTexts(); }), cresSPSS_STR_EXP);
    } else {
      const std::vector<std::string> texts = v->GetTexts();
      ASSERT_EQ(texts.size(), static_cast<std::size_t>(d.Cases()->Count()));
      for (std::size_t c = 0; c < texts.size(); ++c) {
        d.Cases()->Get_Case(static_cast<int>(c) + 1)->GetText(i, text);
        EXPECT_EQ(texts[c], text);
      }
      EXPECT_EQ(Refusal([&] { v->GetNumbers(); }), cresSPSS_NUME_EXP);
    }
  }
}

TEST_F(TempDirTest, DirectWriteAndAppendReadBackByPspp) {
  const std::string path = Path("direct.sav");
  {
    TSPSSDatafile d;
    d.Set_WriteDirect(true);
    d.Set_Filename(path);
    d.OpenNew();
    d.Variables()->Add("n", true, 8);
    d.Variables()->Add("s", false, 5);
    d.SaveDictionary();
    for (int c = 1; c <= 3; ++c) {
      TSPSSCase* k = d.Cases()->Add();
      k->SetValue(0, Variant(c * 1.5));
      if (c != 2) k->SetValue(1, Variant("v" + std::to_string(c)));
      k->Save();
    }
    EXPECT_EQ(Refusal([&] { d.Cases()->Get_Case(1)->GetValue(0); }), cresSPSS_WriteDirectisTrue);
    EXPECT_EQ(Refusal([&] { d.Cases()->Delete(1); }), cresSPSS_WriteDirectisTrue);
    d.Close();
  }
  {
    TSPSSDatafile d;
    d.Set_WriteDirect(true);
    d.Set_Filename(path);
    d.Open();
    TSPSSCase* k = d.Cases()->Add();
    k->SetValue(1, Variant("app"));
    k->Save();
    d.Close();
  }
  const auto csv = PeerCsv("pspp-convert", path);
  ASSERT_EQ(csv.size(), 5u);
  EXPECT_EQ(csv[1], (std::vector<std::string>{"1.5", "v1"}));
  EXPECT_EQ(csv[2], (std::vector<std::string>{"3", ""}));
  EXPECT_EQ(csv[4], (std::vector<std::string>{" ", "app"}));
}

TEST_F(Editing, ClearAllForgetsTheEditsOfCases) {
  OpenCopy("full.sav");
  Var("id")->Set_Value(1, Variant(77));
  d.Cases()->Delete(1);
  d.Cases()->Add();
  EXPECT_EQ(d.Cases()->Count(), 5);
  d.ClearAll();
  EXPECT_EQ(d.Cases()->Count(), 5);
  EXPECT_EQ(d.EditCache()->RecordCount(), 0u);
  EXPECT_EQ(Var("id")->Get_Value(1), Variant(1.0));  // stored case 1 again, read anew
  EXPECT_EQ(Var("id")->Get_Value(5), Variant(5.0));
}

TEST_F(TempDirTest, AppendingToAFileInAnotherEncodingConvertsBack) {
  const std::string path = Path("latin1.sav");
  std::filesystem::copy_file(DataPath("latin1.sav"), path);
  TSPSSDatafile d;
  d.Set_WriteDirect(true);
  d.Set_Filename(path);
  d.Open();
  TSPSSCase* k = d.Cases()->Add();
  k->SetValue(0, Variant("Ærø€"));  // all four characters exist in windows-1252
  k->SetValue(1, Variant("東京"));  // these do not: the case is refused, never stored as "??"
  k->SetValue(2, Variant(4));
  EXPECT_THROW(k->Save(), ESPSSDataFileException);
  k->SetValue(1, Variant("Tokyo"));
  k->Save();
  d.Close();
  const auto csv = PeerCsv("pspp-convert", path);
  ASSERT_EQ(csv.size(), 5u);
  EXPECT_EQ(csv[4], (std::vector<std::string>{"Ærø€", "Tokyo", "4"}));
}

// Columns of every shape sort (the quicksort this replaced recursed a case
// deep on some of them and overflowed the stack at 100,000 cases).
TEST(ColumnSort, EveryShapeSorts) {
  constexpr int n = 100'000;
  const std::vector<std::pair<const char*, double (*)(int)>> shapes = {
      {"sorted", [](int i) { return double(i); }},
      {"reversed", [](int i) { return double(n - i); }},
      {"all equal", [](int) { return 7.0; }},
      {"two sorted runs", [](int i) { return double(i % (n / 2)); }},
      {"rising then falling", [](int i) { return double(i < n / 2 ? i : n - i); }},
      {"scattered", [](int i) { return double((i * 7919) % 1009); }},
  };
  for (const auto& [name, shape] : shapes) {
    std::vector<Variant> items;
    for (int i = 0; i < n; ++i) items.emplace_back(shape(i));
    Variant values = Variant::Array(1, std::move(items));
    TSPSSVariable::AscendSort(values);
    for (int k = 2; k <= n; ++k) ASSERT_LE(values[k - 1].ToDouble(), values[k].ToDouble()) << name << " at " << k;
    TSPSSVariable::DescendSort(values);
    EXPECT_GE(values[1].ToDouble(), values[n].ToDouble()) << name;
  }
  // Texts and numbers mixed by a caller sort without reading past the array.
  Variant mixed = Variant::Array(1, {Variant("b"), Variant(2.0), Variant("10"), Variant("a"), Variant(1.0)});
  TSPSSVariable::AscendSort(mixed);
  EXPECT_EQ(mixed.HighBound(), 5);
}

// A column of 120,000 cases makes its variants on a second thread: the
// array holds the numbers as GetNumbers reads them, edits and all.
TEST_F(Threads, ALargeColumnsIndexHoldsItsNumbersEditsIncluded) {
  const std::string path = Path("large.sav");
  constexpr int kCases = 120000;
  {
    int h;
    ASSERT_EQ(spssOpenWrite(path.c_str(), &h), SPSS_OK);
    spssSetVarName(h, "x", 0);
    ASSERT_EQ(spssCommitHeader(h), SPSS_OK);
    double x;
    spssGetVarHandle(h, "x", &x);
    for (int c = 0; c < kCases; ++c) {
      spssSetValueNumeric(h, x, c % 97 == 0 ? spssSysmisVal() : static_cast<double>((c * 7919) % 1000));
      ASSERT_EQ(spssCommitCaseRecord(h), SPSS_OK);
    }
    ASSERT_EQ(spssCloseWrite(h), SPSS_OK);
  }
  TSPSSDatafile d;
  d.Set_Filename(path);
  d.Open();
  TSPSSVariable* x = d.Variables()->Find("x");
  x->Set_Value(5, Variant(-1.5));
  d.Cases()->Delete(2);
  const std::vector<double> numbers = x->GetNumbers();
  ASSERT_EQ(numbers.size(), static_cast<std::size_t>(kCases - 1));
  EXPECT_EQ(numbers[3], -1.5);
  Variant column = x->CreateIndex(false, srtNone);
  ASSERT_EQ(column.HighBound(), kCases - 1);
  for (int i = 1; i <= column.HighBound(); ++i)
    ASSERT_EQ(column[i].ToDouble(), numbers[static_cast<std::size_t>(i - 1)]);
  Variant sorted = x->CreateIndex(true, srtAscending);
  EXPECT_EQ(sorted[1].ToDouble(), spssSysmisVal());
  EXPECT_EQ(sorted[kCases - 1].ToDouble(), 999.0);
  for (int i = 2; i <= sorted.HighBound(); ++i) ASSERT_LE(sorted[i - 1].ToDouble(), sorted[i].ToDouble());
}
