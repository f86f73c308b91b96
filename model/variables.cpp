#include "savkit/model/variables.h"

#include <algorithm>

#include "raise.h"
#include "savkit/host/sysutils.h"
#include "savkit/model/datafile.h"
#include "savkit/resourcestrings.h"
#include "savkit/spssio.h"

namespace savkit {

namespace {

// Characters, not bytes, of a UTF-8 name.
std::size_t Characters(const std::string& s) {
  return static_cast<std::size_t>(
      std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

}  // namespace

TSPSSVariables::TSPSSVariables(TSPSSDatafile* datafile)
    : datafile_(datafile),
      varNameTree_(std::make_unique<TVarNameAVLTree>()),
      varIDTree_(std::make_unique<TVarIDAVLTree>()) {}

void TSPSSVariables::Clear() {
  newVarIndexes_.clear();
  caseWeightVar_ = nullptr;
  TCollection::Clear();
  varNameTree_ = std::make_unique<TVarNameAVLTree>();
  varIDTree_ = std::make_unique<TVarIDAVLTree>();
  treesCount_ = -1;
}

TSPSSVariable* TSPSSVariables::Find(const std::string& name) {
  TVarNameAVLNode* node = static_cast<TVarNameAVLNode*>(varNameTree_->Find(name));
  if (!node && !TreesCurrent()) {
    UpdateVarTrees();
    node = static_cast<TVarNameAVLNode*>(varNameTree_->Find(name));
  }
  if (!node || node->Index >= Count()) return nullptr;
  TSPSSVariable* v = GetItem(node->Index);
  return AnsiSameText(v->Name(), name) ? v : nullptr;
}

TSPSSVariable* TSPSSVariables::Find(std::uint32_t varID) {
  const auto key = static_cast<std::int32_t>(varID);
  TVarIDAVLNode* node = static_cast<TVarIDAVLNode*>(varIDTree_->Find(key));
  if (!node && !TreesCurrent()) {
    UpdateVarTrees();
    node = static_cast<TVarIDAVLNode*>(varIDTree_->Find(key));
  }
  if (!node || node->Index >= Count()) return nullptr;
  TSPSSVariable* v = GetItem(node->Index);
  return v->VarID() == varID ? v : nullptr;
}

void TSPSSVariables::UpdateVarTrees() {
  varNameTree_ = std::make_unique<TVarNameAVLTree>();
  varIDTree_ = std::make_unique<TVarIDAVLTree>();
  for (int i = 0; i < Count(); ++i)
    if (auto* node = static_cast<TVarNameAVLNode*>(varNameTree_->Add(GetItem(i)->Name()))) node->Index = i;
  for (int i = 0; i < Count(); ++i)
    if (auto* node = static_cast<TVarIDAVLNode*>(varIDTree_->Add(static_cast<std::int32_t>(GetItem(i)->VarID()))))
      node->Index = i;
  treesCount_ = Count();
  namesChanged_ = false;
}

void TSPSSVariables::NameChanged(const std::string& from, const TSPSSVariable& v) {
  if (!TreesCurrent()) return;  // rebuilt when next needed
  auto* old = static_cast<TVarNameAVLNode*>(varNameTree_->Find(from));
  auto* added = static_cast<TVarNameAVLNode*>(varNameTree_->Add(v.Name()));
  if (!old || old->Index != v.Index() || !added) {
    delete added;
    namesChanged_ = true;
    return;
  }
  delete old;  // a node leaves its tree when destroyed
  added->Index = v.Index();
}

TSPSSVariable* TSPSSVariables::AddExistingVariable() {
  treesCount_ = -1;  // its name is given after it is added
  return TOwnedCollection::Add(datafile_);
}

TSPSSVariable* TSPSSVariables::Add(const std::string& name, bool isNumeric, int width) {
  if (Find(name)) Raise(cresSPSS_VarAlreadyExists, name);
  if (Characters(name) > 8) Raise(cresSPSS_LongVariableName);
  // Laying a variable out needs the case buffer of an open file.
  if (!datafile_->WriteDirect() && datafile_->OpenMode() == domClosed) Raise(cresSPSS_NoFileIsOpened);
  const bool current = TreesCurrent();
  TSPSSVariable* v = TOwnedCollection::Add(datafile_);
  v->name_ = name;
  v->isNumeric_ = isNumeric;
  v->width_ = width;
  v->decimals_ = isNumeric ? 2 : 0;
  v->columns_ = 8;
  v->align_ = isNumeric ? tsaRight : tsaLeft;
  v->level_ = isNumeric ? tslScale : tslNominal;
  v->printType_ = v->writeType_ = isNumeric ? 5 : 1;
  datafile_->Set_DictionaryChanged(true);
  if (current) {
    if (auto* node = static_cast<TVarNameAVLNode*>(varNameTree_->Add(name))) node->Index = v->Index();
    if (auto* node = static_cast<TVarIDAVLNode*>(varIDTree_->Add(static_cast<std::int32_t>(v->VarID()))))
      node->Index = v->Index();
    treesCount_ = Count();
  }
  if (datafile_->WriteDirect()) return v;

  const int index = v->Index();
  newVarIndexes_.push_back(index);
  v->SetOffSetValuesofNewVariable();
  // Its slot lies past all the buffer holds: behind the last variable may be
  // the slot of one deleted, which every case read still fills.
  v->readOffset_ = std::max(v->readOffset_, datafile_->CaseSize());
  datafile_->Set_CaseSize(v->ReadOffset() + v->StorageSize());
  auto& buffer = datafile_->Cases()->CaseBuffer();
  if (buffer.size() < static_cast<std::size_t>(datafile_->CaseSize()))
    buffer.resize(static_cast<std::size_t>(datafile_->CaseSize()));
  datafile_->Cases()->ClearBuffer(index);
  v->Set_Position(index);
  return v;
}

void TSPSSVariables::Delete(int index) {
  if (index >= Count()) Raise(cresSPSS_VariableNrIsNotValid);
  DeleteVariable(index);
}

void TSPSSVariables::Delete(const std::string& name) {
  TSPSSVariable* v = Find(name);
  if (!v) Raise(cresSPSS_InvalidVarName, name);
  DeleteVariable(v->Index());
}

void TSPSSVariables::DeleteVariable(int index) {
  if (datafile_->WriteDirect()) Raise(cresSPSS_WriteDirectisTrue);
  TSPSSVariable* d = GetItem(index);
  std::erase(newVarIndexes_, index);
  for (int& i : newVarIndexes_)
    if (i > index) --i;
  for (int i = index + 1; i < Count(); ++i) GetItem(i)->writeOffset_ -= d->StorageSize();
  d->writeOffset_ = -1;
  datafile_->Set_VariablesDeleted(true);
  datafile_->Set_DictionaryChanged(true);
  datafile_->EditCache()->DeleteVariable(d->VarID());
  for (int i = 0; i < datafile_->VariableSets()->Count(); ++i)
    datafile_->VariableSets()->GetItem(i)->VarList()->Forget(d);
  datafile_->MRMDSets()->Forget(d);
  if (caseWeightVar_ && caseWeightVar_->Name() == d->Name()) Set_CaseWeightVar(nullptr);
  TCollection::Delete(index);
  UpdateVarTrees();
}

void TSPSSVariables::Set_CaseWeightVar(TSPSSVariable* variable) {
  // Only a variable of this dictionary can weigh its cases: one of another
  // component would be gone, or wrong, when the dictionary is written.
  if (variable && variable->Collection() != this) Raise(cresSPSS_InvalidVarName, variable->Name());
  switch (datafile_->OpenMode()) {
    case domWriting:
      // Variables reach the library only when the dictionary is written, and
      // that passes the weight along; telling the library now would name a
      // variable it does not know yet.
      if (variable && !Find(variable->Name())) Raise(cresSPSS_InvalidVarName, variable->Name());
      if (variable && datafile_->HeaderCommitted())
        CheckSuccess(spssSetCaseWeightVar(datafile_->WriteHandle(), variable->Name().c_str()));
      caseWeightVar_ = variable;
      break;
    case domReading:
      caseWeightVar_ = variable;
      datafile_->Set_DictionaryChanged(true);
      break;
    default: Raise(cresSPSS_CaseWeightCannotSet);
  }
}

}  // namespace savkit
