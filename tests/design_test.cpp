// Design-time registration and the Filename editor, with a scripted dialog.
#include <gtest/gtest.h>

#include "refusal.h"
#include "savkit/design/filename_editor.h"
#include "savkit/host/format.h"
#include "savkit/model/datafile.h"
#include "savkit/resourcestrings.h"
#include "temp_dir.h"

using namespace savkit;
using namespace savkit::testing;

namespace {

// Answers as the test says, and notes what it was shown.
struct Script {
  bool confirm = true;
  std::string typed;
  std::string shownName, shownFilter, shownExt;
  TOpenOptions shownOptions;
  int alive = 0;
};

class ScriptedDialog : public TOpenDialog {
 public:
  explicit ScriptedDialog(Script* s) : s_(s) { ++s_->alive; }
  ~ScriptedDialog() override { --s_->alive; }

 protected:
  bool Choose() override {
    s_->shownName = FileName;
    s_->shownFilter = Filter;
    s_->shownExt = DefaultExt;
    s_->shownOptions = Options;
    if (s_->confirm) FileName = s_->typed;
    return s_->confirm;
  }

 private:
  Script* s_;
};

class Design : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    TDesignRegistry::Instance().Clear();
    SetOpenDialogFactory([this] { return std::make_unique<ScriptedDialog>(&script); });
  }
  void TearDown() override {
    SetOpenDialogFactory(nullptr);
    TDesignRegistry::Instance().Clear();
    TempDirTest::TearDown();
  }
  Script script;
};

}  // namespace

TEST_F(Design, UnitsRegisterTheirComponents) {
  RegisterDatafileUnit();
  RegisterAutomationUnit();
  EXPECT_EQ(TDesignRegistry::Instance().Page("SPSS"),
            (std::vector<std::string>{"TSPSSDatafile", "TSPSSApplication", "TSPSS_CS_Application", "TSpssServer",
                                      "TSpssServers"}));
  TSPSSDatafile data;
  TComponent other;
  const auto* editor = TDesignRegistry::Instance().FindPropertyEditor("TFileName", &data, "Filename");
#if SAVKIT_FRAMEWORK_GENERATION == 7
  EXPECT_EQ(editor, nullptr);  // this generation has no design-time editor
#else
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(TDesignRegistry::Instance().FindPropertyEditor("TFileName", &other, "Filename"), nullptr);
  EXPECT_EQ(TDesignRegistry::Instance().FindPropertyEditor("TFileName", &data, "Other"), nullptr);
  auto made = (*editor)({&data}, nullptr, nullptr);
  EXPECT_EQ(made->GetAttributes(), (TPropertyAttributes{paDialog}));
#endif
}

#if SAVKIT_FRAMEWORK_GENERATION != 7
TEST_F(Design, FilenameEditorDrivesTheDialog) {
  TSPSSDatafile a, b;
  auto get = [](TComponent* c) { return static_cast<TSPSSDatafile*>(c)->Filename(); };
  auto set = [](TComponent* c, const std::string& v) { static_cast<TSPSSDatafile*>(c)->Set_Filename(v); };
  TFileNameProperty editor({&a, &b}, get, set);

  script.typed = Path("chosen");  // typed without extension
  editor.Edit();
  EXPECT_EQ(script.shownName, "");
  EXPECT_EQ(script.shownFilter, "SPSS Data files (*.sav)|*.sav");
  EXPECT_EQ(script.shownExt, "sav");
  EXPECT_EQ(script.shownOptions, (TOpenOptions{ofHideReadOnly, ofEnableSizing, ofFileMustExist}));
  EXPECT_EQ(a.Filename(), Path("chosen.sav"));
  EXPECT_EQ(b.Filename(), Path("chosen.sav"));  // every selected component
  EXPECT_EQ(script.alive, 0);

  script.confirm = false;  // cancelled: nothing changes
  editor.Edit();
  EXPECT_EQ(script.shownName, Path("chosen.sav"));
  EXPECT_EQ(a.Filename(), Path("chosen.sav"));

  script.confirm = true;
  script.typed = Path("no/such/folder/x.sav");
  EXPECT_EQ(Refusal([&] { editor.Edit(); }), Format(cresSPSS_FileIsNotExist, script.typed));
  EXPECT_EQ(script.alive, 0);  // freed on that path too
  EXPECT_EQ(a.Filename(), Path("chosen.sav"));
}
#endif

TEST(FrameworkGeneration, MultipleResponseDefaults) {
  TSPSSDatafile d;
  d.Set_WriteDirect(true);
  const Variant zero = d.MRMDSets()->Add("m", true)->CountedValue();
  EXPECT_EQ(zero.ToString(), "0");
  EXPECT_EQ(zero.Type(), SAVKIT_FRAMEWORK_GENERATION == 5 ? VarType::Integer : VarType::ShortInt);
  const Variant minus = d.ParseMRMDSetLine("$c=C 0 ")->CountedValue();
  EXPECT_EQ(minus.ToString(), "-1");
  EXPECT_EQ(minus.Type(), SAVKIT_FRAMEWORK_GENERATION == 5 ? VarType::Integer : VarType::ShortInt);
}
