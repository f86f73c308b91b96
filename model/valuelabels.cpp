#include "savkit/model/valuelabels.h"

#include "raise.h"
#include "savkit/host/sysutils.h"
#include "savkit/model/datafile.h"
#include "savkit/resourcestrings.h"

namespace savkit {

TSPSSDatafile* TSPSSValueLabel::Datafile() const {
  return static_cast<TSPSSValuelabels*>(Collection())->Datafile();
}

void TSPSSValueLabel::Set_Value(const Variant& value) {
  if (TSPSSDatafile* d = Datafile()) d->Set_DictionaryChanged(true);
  value_ = value;
}

void TSPSSValueLabel::Set_Label(const std::string& label) {
  if (TSPSSDatafile* d = Datafile()) d->Set_DictionaryChanged(true);
  label_ = label;
}

TSPSSValueLabel* TSPSSValuelabels::Add(const Variant& value, const std::string& label) {
  if (FindByValue(value)) Raise(cresSPSS_ValueLabelAlreadyExists);
  TSPSSValueLabel* item = TOwnedCollection::Add();
  item->value_ = value;
  item->label_ = label;
  if (datafile_) datafile_->Set_DictionaryChanged(true);
  return item;
}

TSPSSValueLabel* TSPSSValuelabels::AddExistingValueLabel() { return TOwnedCollection::Add(); }

void TSPSSValuelabels::Delete(int index) {
  if (index >= Count()) Raise(cresSPSS_ValueLabelIndexIsNotValid);
  TCollection::Delete(index);
  if (datafile_) datafile_->Set_DictionaryChanged(true);
}

TSPSSValueLabel* TSPSSValuelabels::FindByValue(const Variant& value) const {
  for (int i = 0; i < Count(); ++i)
    if (GetItem(i)->Value() == value) return GetItem(i);
  return nullptr;
}

TSPSSValueLabel* TSPSSValuelabels::FindByLabel(const std::string& label) const {
  const std::string key = LowerCase(label);
  for (int i = 0; i < Count(); ++i)
    if (LowerCase(GetItem(i)->Label()) == key) return GetItem(i);
  return nullptr;
}

}  // namespace savkit
