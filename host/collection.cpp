#include "savkit/host/collection.h"

#include "savkit/host/exceptions.h"
#include "savkit/host/format.h"

namespace savkit {

TCollection::~TCollection() { Clear(); }

void TCollection::ThrowIndex(int index) { throw EListError(Format("List index out of bounds (%d)", index)); }

void TCollection::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) ThrowIndex(index);
}

TCollectionItem* TCollection::Insert(std::unique_ptr<TCollectionItem> item) {
  // IDs must never repeat; running out of them is refused rather than wrapped.
  if (nextID_ == UINT32_MAX) throw EListError("Collection item identifiers are exhausted");
  item->collection_ = this;
  item->index_ = Count();
  item->id_ = nextID_;
  items_.push_back(std::move(item));
  ++nextID_;
  return items_.back().get();
}

void TCollection::Delete(int index) {
  CheckIndex(index);
  const auto at = items_.begin() + index;
  std::unique_ptr<TCollectionItem> gone = std::move(*at);
  items_.erase(at);
  for (std::size_t i = static_cast<std::size_t>(index); i < items_.size(); ++i) items_[i]->index_ = static_cast<int>(i);
  gone->collection_ = nullptr;
  gone->index_ = -1;
}

void TCollection::Clear() {
  // Last first, so that an item's destructor still sees the earlier ones.
  while (!items_.empty()) items_.pop_back();
}

}  // namespace savkit
