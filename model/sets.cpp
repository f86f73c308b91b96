#include "savkit/model/sets.h"

#include <algorithm>

#include "mr_default.h"
#include "raise.h"
#include "savkit/host/exceptions.h"
#include "savkit/host/sysutils.h"
#include "savkit/model/datafile.h"
#include "savkit/resourcestrings.h"

namespace savkit {

TSPSSVariable* TSPSSVarList::Get_Var(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
  return members_[static_cast<std::size_t>(index)];
}

TSPSSVariable* TSPSSVarList::Lookup(const std::string& name) const {
  TSPSSVariable* v = datafile_->Variables()->Find(name);
  if (!v) Raise(cresSPSS_InvalidVarName, name);
  return v;
}

void TSPSSVarList::Add(const std::string& name) {
  members_.push_back(Lookup(name));
  datafile_->Set_DictionaryChanged(true);
}

void TSPSSVarList::AddExisting(const std::string& name) { members_.push_back(Lookup(name)); }

void TSPSSVarList::Delete(const std::string& name) {
  TSPSSVariable* v = Lookup(name);
  const auto it = std::find(members_.begin(), members_.end(), v);
  if (it == members_.end()) return;
  members_.erase(it);
  datafile_->Set_DictionaryChanged(true);
}

bool TSPSSVarList::Forget(const TSPSSVariable* variable) {
  const auto end = std::remove(members_.begin(), members_.end(), variable);
  if (end == members_.end()) return false;
  members_.erase(end, members_.end());
  datafile_->Set_DictionaryChanged(true);
  return true;
}

void TSPSSVariableSet::Set_Name(const std::string& name) {
  name_ = name;
  datafile_->Set_DictionaryChanged(true);
}

TSPSSVariableSet* TSPSSVariableSets::Add(const std::string& name) {
  if (Find(name)) Raise(cresSPSS_VarSetNameAlreadyExists, name);
  TSPSSVariableSet* set = TOwnedCollection::Add(datafile_);
  set->Set_Name(name);
  datafile_->Set_DictionaryChanged(true);
  return set;
}

TSPSSVariableSet* TSPSSVariableSets::AddExistingVariableSet(const std::string& name) {
  TSPSSVariableSet* set = TOwnedCollection::Add(datafile_);
  set->name_ = name;
  return set;
}

TSPSSVariableSet* TSPSSVariableSets::Find(const std::string& name) const {
  const std::string key = LowerCase(name);
  for (int i = 0; i < Count(); ++i)
    if (LowerCase(GetItem(i)->Name()) == key) return GetItem(i);
  return nullptr;
}

void TSPSSVariableSets::Delete(int index) {
  if (index >= Count()) Raise(cresSPSS_VariableSetIndexIsNotValid);
  TCollection::Delete(index);
  datafile_->Set_DictionaryChanged(true);
}

void TSPSSMRMDSet::Mark() const { datafile_->Set_DictionaryChanged(true); }

void TSPSSMRMDSet::Set_Name(const std::string& name) {
  name_ = name;
  Mark();
}

void TSPSSMRMDSet::Set_CountedValue(const Variant& value) {
  countedValue_ = value;
  Mark();
}

void TSPSSMRMDSet::Set_Labeltext(const std::string& text) {
  labeltext_ = text;
  Mark();
}

void TSPSSMRMDSet::Set_IsDichotomy(bool value) {
  isDichotomy_ = value;
  Mark();
}

TSPSSMRMDSet* TSPSSMRMDSets::Add(const std::string& name, bool isDichotomy) {
  if (Find(name)) Raise(cresSPSS_MRMDSetNameAlreadyExists, name);
  TSPSSMRMDSet* set = TOwnedCollection::Add(datafile_);
  set->Set_Name(name);
  set->isDichotomy_ = isDichotomy;
  if (isDichotomy) set->countedValue_ = MRDefault(0);
  datafile_->Set_DictionaryChanged(true);
  return set;
}

TSPSSMRMDSet* TSPSSMRMDSets::AddExistingMRMDSet(const std::string& name) {
  TSPSSMRMDSet* set = TOwnedCollection::Add(datafile_);
  set->name_ = name;
  return set;
}

TSPSSMRMDSet* TSPSSMRMDSets::Find(const std::string& name) const {
  const std::string key = LowerCase(name);
  for (int i = 0; i < Count(); ++i)
    if (LowerCase(GetItem(i)->Name()) == key) return GetItem(i);
  return nullptr;
}

void TSPSSMRMDSets::Forget(const TSPSSVariable* variable) {
  for (int i = 0; i < Count(); ++i)
    if (GetItem(i)->varList_.Forget(variable)) GetItem(i)->shrunkByDeletion_ = true;
}

void TSPSSMRMDSets::Delete(int index) {
  if (index >= Count()) Raise(cresSPSS_MRMDSetIndexIsNotValid);
  TCollection::Delete(index);
  datafile_->Set_DictionaryChanged(true);
}

}  // namespace savkit
