#include "savkit/model/valuelabels.h"

#include <string>
#include <string_view>

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

namespace {

std::string_view WithoutTrailingBlanks(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// A string value matches its label whatever blanks pad either: case values
// come padded to their storage, labels' values to the variable's width.
bool SameValue(const Variant& a, const Variant& b) {
  if (a.IsString() && b.IsString()) {
    const std::string x = a.ToString(), y = b.ToString();
    return WithoutTrailingBlanks(x) == WithoutTrailingBlanks(y);
  }
  return a == b;
}

}  // namespace

TSPSSValueLabel* TSPSSValuelabels::FindByValue(const Variant& value) const {
  for (int i = 0; i < Count(); ++i)
    if (SameValue(GetItem(i)->Value(), value)) return GetItem(i);
  return nullptr;
}

TSPSSValueLabel* TSPSSValuelabels::FindByLabel(const std::string& label) const {
  const std::string key = LowerCase(label);
  for (int i = 0; i < Count(); ++i)
    if (LowerCase(GetItem(i)->Label()) == key) return GetItem(i);
  return nullptr;
}

}  // namespace savkit
