// The Filename editor of the data file component, and the file-open dialog
// it drives.
#pragma once

#include <functional>
#include <memory>
#include <set>
#include <string>

#include "savkit/config.h"
#include "savkit/design/registry.h"

namespace savkit {

enum TOpenOption { ofHideReadOnly, ofEnableSizing, ofFileMustExist, ofOverwritePrompt, ofAllowMultiSelect };
using TOpenOptions = std::set<TOpenOption>;

// A file-open dialog. Execute lets the user choose (Choose) and then adds
// the default extension to a name typed without one.
class TOpenDialog : public TComponent {
 public:
  std::string FileName;
  std::string Filter;
  std::string DefaultExt;
  TOpenOptions Options{ofHideReadOnly, ofEnableSizing};  // the defaults

  bool Execute();

 protected:
  // The user's choice: false when cancelled; may change FileName.
  virtual bool Choose() = 0;
};

// How dialogs are made: a desktop front end or a test installs its own; an
// empty factory restores the default, which has nobody to ask and cancels.
using TOpenDialogFactory = std::function<std::unique_ptr<TOpenDialog>()>;
void SetOpenDialogFactory(TOpenDialogFactory factory);

// The application object that owns dialogs while they run.
TComponent& Application();

#if SAVKIT_FRAMEWORK_GENERATION != 7
class TFileNameProperty : public TStringProperty {
 public:
  using TStringProperty::TStringProperty;
  TPropertyAttributes GetAttributes() const override { return {paDialog}; }
  void Edit() override;
};
#endif

// The Register procedures of the data file unit and of the automation unit.
void RegisterDatafileUnit();
void RegisterAutomationUnit();

}  // namespace savkit
