#include "savkit/design/filename_editor.h"

#include <mutex>

#include "savkit/automation/spsswin.h"
#include "savkit/host/sysutils.h"
#include "savkit/model/datafile.h"

namespace savkit {

namespace {

class CancellingDialog : public TOpenDialog {
 protected:
  bool Choose() override { return false; }
};

std::mutex factoryMutex;
TOpenDialogFactory& Factory() {
  static TOpenDialogFactory factory = [] { return std::make_unique<CancellingDialog>(); };
  return factory;
}

}  // namespace

bool TOpenDialog::Execute() {
  if (!Choose()) return false;
  if (!DefaultExt.empty() && !FileName.empty() && ExtractFileExt(FileName).empty()) FileName += "." + DefaultExt;
  return true;
}

void SetOpenDialogFactory(TOpenDialogFactory factory) {
  std::lock_guard lock(factoryMutex);
  if (!factory) factory = [] { return std::make_unique<CancellingDialog>(); };
  Factory() = std::move(factory);
}

TComponent& Application() {
  static TComponent application;
  return application;
}

#if SAVKIT_FRAMEWORK_GENERATION != 7
void TFileNameProperty::Edit() {
  std::unique_ptr<TOpenDialog> made;
  {
    std::lock_guard lock(factoryMutex);
    made = Factory()();
  }
  if (!made) return;  // no dialog to be had: as if cancelled
  // Owned by the application while it runs, and freed on every path.
  auto* dialog = static_cast<TOpenDialog*>(Application().InsertComponent(std::move(made)));
  struct Free {
    TOpenDialog* d;
    ~Free() { Application().RemoveComponent(d); }
  } free{dialog};
  dialog->FileName = GetValue();
  dialog->Filter = "SPSS Data files (*.sav)|*.sav";
  dialog->Options.insert(ofFileMustExist);
  dialog->DefaultExt = "sav";
  if (dialog->Execute()) SetValue(dialog->FileName);
}
#endif

void RegisterDatafileUnit() {
  TDesignRegistry& r = TDesignRegistry::Instance();
  r.RegisterComponents("SPSS", {TComponentClass::Of<TSPSSDatafile>("TSPSSDatafile")});
#if SAVKIT_FRAMEWORK_GENERATION != 7
  r.RegisterPropertyEditor(
      "TFileName", TComponentClass::Of<TSPSSDatafile>("TSPSSDatafile"), "Filename",
      [](std::vector<TComponent*> selection, TStringProperty::Getter get, TStringProperty::Setter set) {
        return std::make_unique<TFileNameProperty>(std::move(selection), std::move(get), std::move(set));
      });
#endif
}

void RegisterAutomationUnit() {
  TDesignRegistry::Instance().RegisterComponents(
      "SPSS", {TComponentClass::Of<TSPSSApplication>("TSPSSApplication"),
               TComponentClass::Of<TSPSS_CS_Application>("TSPSS_CS_Application"),
               TComponentClass::Of<TSpssServer>("TSpssServer"), TComponentClass::Of<TSpssServers>("TSpssServers")});
}

}  // namespace savkit
