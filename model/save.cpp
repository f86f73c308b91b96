// Saving an opened, edited data file, and caching columns.
#include "file_guard.h"
#include "raise.h"
#include "savkit/host/sysutils.h"
#include "savkit/model/datafile.h"
#include "savkit/resourcestrings.h"
#include "savkit/spssio.h"

namespace savkit {

void TSPSSDatafile::SaveAs(const std::string& target) {
  if (openMode_ == domClosed) Raise(cresSPSS_NoFileIsOpened);
  if (writeDirect_) return;
  // The library writes the new file without a name and gives it the
  // target's only when it is complete, keeping the mode of a file it
  // replaces: at no moment is there no valid file under the target's name,
  // and a save that fails or is killed leaves nothing behind.
  const std::string expanded = ResolvedPath(ExpandFileName(target));
  if (!DirectoryExists(ExtractFilePath(expanded))) Raise(cresSPSS_ErrorSavingFile);
  // The component takes the target as its file name once saved; a name it
  // would refuse then (one without a folder) is refused now, before anything
  // is written, so that a refusal never leaves the model on a file it did
  // not read.
  if (!DirectoryExists(ExtractFilePath(target))) Raise(cresSPSS_FileIsNotExist, target);
  LibraryHandle scratch(LibraryHandle::Kind::Write);
  try {
    // The dictionary comes from the handle the cases are read with: the open
    // file's, even when Filename has been pointed elsewhere or another
    // program has changed the file since. A changed one is written over that
    // copy, which keeps what the object model does not hold (documents,
    // attributes, other records) and the encoding.
    CheckSuccess(spssOpenWriteCopyHandle(expanded.c_str(), readHandle_, scratch.Out()), scratch.Get());
    writeHandle_ = scratch.Get();  // where the dictionary and cases go
    KeepFileKind(expanded);
    if (dictionaryChanged_) {
      CheckSuccess(spssRestartCopiedVars(writeHandle_));
      WriteDictionary(true);
    } else {
      CheckSuccess(spssSetCompression(writeHandle_, compression_));  // the file's own, unless set
    }
    CheckSuccess(spssCommitHeader(writeHandle_));
    cases_->Save();
    writeHandle_ = -1;
    // Another program's change to the open file is never saved over, and
    // two saves never cross: the check and the replacing happen under a lock.
    const FileLock lock(expanded);
    if (expanded == openedPath_) {
      const FileIdentity now = IdentityOf(expanded);
      if (now.size >= 0 && now != openedIdentity_) Raise(cresSPSS_FileChangedSinceOpened, expanded);
    }
    CheckSuccess(scratch.Close());
  } catch (...) {
    writeHandle_ = -1;
    scratch.Discard();
    cases_->currentCase_ = 0;  // the buffer holds a written record now
    throw;
  }
  MoveToSaved(target, expanded);
}

// A save keeps what kind of file it was: an encrypted file is encrypted
// again with its password, and a portable file saved in place stays one.
// A target named .por is written as a portable file.
void TSPSSDatafile::KeepFileKind(const std::string& target) {
  const int kind = FileKind();
  if ((kind & SPSS_KIND_ENCRYPTED) && !password_.empty())
    CheckSuccess(spssSetPassword(writeHandle_, password_.c_str()), writeHandle_);
  if (SameText(ExtractFileExt(target), ".por") || ((kind & SPSS_KIND_PORTABLE) && target == openedPath_))
    CheckSuccess(spssSetPortable(writeHandle_), writeHandle_);
}

bool TSPSSDatafile::HoldsTheModelsVariables(int handle) {
  int count = 0;
  if (spssGetNumberofVariables(handle, &count) != SPSS_OK || count != variables_->Count()) return false;
  for (int i = 0; i < count; ++i) {
    const TSPSSVariable* v = variables_->GetItem(i);
    double varHandle = 0;
    if (spssGetVarHandle(handle, v->Name().c_str(), &varHandle) != SPSS_OK || varHandle != i) return false;
  }
  return true;
}

// The new file is in place. The component reads it as if it had opened it,
// but into the objects it has: the file holds the same variables in the
// same order, so every variable, label and set an application holds stays
// valid and shows what the file now says. Cases are the file's: the edits
// are in it.
void TSPSSDatafile::MoveToSaved(const std::string& target, const std::string& path) {
  LibraryHandle opened(LibraryHandle::Kind::Read);
  const int status =
      spssOpenReadWith(path.c_str(), nullptr, password_.empty() ? nullptr : password_.c_str(), opened.Out());
  if (status > 0 || !HoldsTheModelsVariables(opened.Get())) {
    opened.Close();
    Close();
    Set_Filename(target);
    Open();
    return;
  }
  CloseHandles();
  held_ = std::move(opened);
  readHandle_ = held_.Get();
  writeHandle_ = -1;
  // From here the model reads the new file: a step that fails closes it
  // rather than leave old positions over new cases.
  try {
    Set_Filename(target);
    RememberOpened(target, path);
    dictionaryChanged_ = variablesDeleted_ = headerCommitted_ = false;
    variables_->newVarIndexes_.clear();
    ReadVariablesAgain();
    ReadSetsAgain();
    ClearAll();  // the edits are in the file now
    SizeCaseBuffer();
    ReadFileFacts(readHandle_);
  } catch (...) {
    Abandon();
    throw;
  }
}

// The saved file holds the model's sets, less those it could not hold, in
// the model's order; reading it again into the same objects makes them show
// what the file says (a name cut at "=", a counted value as text).
void TSPSSDatafile::ReadSetsAgain() {
  for (int i = mrmdSets_->Count() - 1; i >= 0; --i)
    if (mrmdSets_->GetItem(i)->LeftOutOfFiles()) mrmdSets_->TCollection::Delete(i);
  ReadVariableSet(true);
  ReadMRMDSet(true);
}

void TSPSSDatafile::Save() {
  if (!writeDirect_) SaveAs(filename_);
}

void TSPSSDatafile::Cache(const std::vector<std::string>& names) {
  std::string invalid;
  for (const std::string& name : names) {
    TSPSSVariable* v = variables_->Find(name);
    if (!v) {
      invalid += name + " ";
      continue;
    }
    const int index = v->Index();
    for (int c = 1; c <= cases_->Count(); ++c) {
      const Variant value = cases_->Get_Case(c)->GetValue(index);
      const auto p = static_cast<std::uint32_t>(c);
      if (v->IsNumeric())
        editCache_->Add(p, v->VarID(), value.ToDouble());
      else
        editCache_->Add(p, v->VarID(), std::string_view(value.ToString()));
    }
  }
  if (!invalid.empty()) Raise(cresSPSS_SomeVariablesareInvalid, invalid);
}

}  // namespace savkit
