#include "savkit/model/valuelabels.h"

#include <cassert>
#include <string>
#include <string_view>

#include "label_index.h"
#include "raise.h"
#include "savkit/host/sysutils.h"
#include "savkit/model/datafile.h"
#include "savkit/resourcestrings.h"

namespace savkit {

TSPSSDatafile* TSPSSValueLabel::Datafile() const { return static_cast<TSPSSValuelabels*>(Collection())->Datafile(); }

void TSPSSValueLabel::Set_Value(const Variant& value) {
  if (TSPSSDatafile* d = Datafile()) d->Set_DictionaryChanged(true);
  value_ = value;
  if (auto* labels = static_cast<TSPSSValuelabels*>(Collection())) labels->ValuesChanged();
}

void TSPSSValueLabel::Set_Label(const std::string& label) {
  if (TSPSSDatafile* d = Datafile()) d->Set_DictionaryChanged(true);
  label_ = label;
}

TSPSSValuelabels::TSPSSValuelabels(TSPSSDatafile* datafile) : datafile_(datafile) {}

TSPSSValuelabels::~TSPSSValuelabels() = default;

void TSPSSValuelabels::ValuesChanged() { index_.reset(); }

TSPSSValueLabel* TSPSSValuelabels::Add(const Variant& value, const std::string& label) {
  if (FindByValue(value)) Raise(cresSPSS_ValueLabelAlreadyExists);
  TSPSSValueLabel* item = TOwnedCollection::Add();
  item->value_ = value;
  item->label_ = label;
  assert(index_);  // made by FindByValue
  index_->Insert(item);
  if (datafile_) datafile_->Set_DictionaryChanged(true);
  return item;
}

TSPSSValueLabel* TSPSSValuelabels::AddExistingValueLabel() {
  ValuesChanged();  // filled in by the caller
  return TOwnedCollection::Add();
}

void TSPSSValuelabels::Delete(int index) {
  if (index >= Count()) Raise(cresSPSS_ValueLabelIndexIsNotValid);
  TCollection::Delete(index);
  ValuesChanged();
  if (datafile_) datafile_->Set_DictionaryChanged(true);
}

void TSPSSValuelabels::Clear() {
  TCollection::Clear();
  ValuesChanged();
}

TSPSSValueLabel* TSPSSValuelabels::FindByValue(const Variant& value) const {
  if (!index_) index_ = std::make_unique<LabelIndex>(*this);
  return index_->Find(value);
}

// A file holds one label a value, in the order the values were first given,
// so after a save each label object finds its value in the file at its own
// place: it is kept, and an application holding it sees the file's text. Only
// a later label for a value labelled before is gone, as it is from the file.
void TSPSSValuelabels::Refill(std::vector<std::pair<Variant, std::string>> read) {
  std::vector<TSPSSValueLabel*> match(read.size(), nullptr);
  std::vector<bool> kept(static_cast<std::size_t>(Count()), false);
  int next = 0;
  for (std::size_t k = 0; k < read.size(); ++k) {
    TSPSSValueLabel* l = next < Count() && SameLabelValue(GetItem(next)->value_, read[k].first)
                             ? GetItem(next)
                             : FindByValue(read[k].first);
    if (!l || kept[static_cast<std::size_t>(l->Index())]) continue;
    kept[static_cast<std::size_t>(l->Index())] = true;
    match[k] = l;
    next = l->Index() + 1;
  }
  for (int i = Count() - 1; i >= 0; --i)
    if (!kept[static_cast<std::size_t>(i)]) TCollection::Delete(i);
  for (auto& l : match)
    if (!l) l = TOwnedCollection::Add();
  // Kept labels in another order than the file's cannot be put in its order
  // in place; they are made anew.
  for (std::size_t k = 0; k < match.size(); ++k)
    if (GetItem(static_cast<int>(k)) != match[k]) {
      TCollection::Clear();
      for (auto& l : match) l = TOwnedCollection::Add();
      break;
    }
  for (std::size_t k = 0; k < read.size(); ++k) {
    match[k]->value_ = std::move(read[k].first);
    match[k]->label_ = std::move(read[k].second);
  }
  ValuesChanged();
}

TSPSSValueLabel* TSPSSValuelabels::FindByLabel(const std::string& label) const {
  const std::string key = LowerCase(label);
  for (int i = 0; i < Count(); ++i)
    if (LowerCase(GetItem(i)->Label()) == key) return GetItem(i);
  return nullptr;
}

}  // namespace savkit
