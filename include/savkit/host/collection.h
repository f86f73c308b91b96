// Owned, ordered, 0-based collections of items. Every item added receives an ID
// from a counter of its collection that only counts up: it is never reset, not
// even by Clear, so an ID is never given twice in a collection's life.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace savkit {

class TCollection;

class TCollectionItem {
 public:
  TCollectionItem() = default;
  TCollectionItem(const TCollectionItem&) = delete;
  TCollectionItem& operator=(const TCollectionItem&) = delete;
  virtual ~TCollectionItem() = default;

  TCollection* Collection() const { return collection_; }
  int Index() const { return index_; }
  std::uint32_t ID() const { return id_; }

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  int index_ = -1;
  std::uint32_t id_ = 0;
};

class TCollection {
 public:
  TCollection() = default;
  TCollection(const TCollection&) = delete;
  TCollection& operator=(const TCollection&) = delete;
  virtual ~TCollection();

  int Count() const { return static_cast<int>(items_.size()); }
  // Raises EListError for an index outside 0..Count-1.
  TCollectionItem* GetItem(int index) const {
    if (static_cast<std::size_t>(index) >= items_.size()) ThrowIndex(index);
    return items_[static_cast<std::size_t>(index)].get();
  }
  // Appends the item, takes ownership and gives it the next ID.
  TCollectionItem* Insert(std::unique_ptr<TCollectionItem> item);
  // Removes and destroys the item at index; raises EListError when out of range.
  void Delete(int index);
  // Destroys every item; the ID counter keeps its value.
  void Clear();
  std::uint32_t NextID() const { return nextID_; }

 private:
  void CheckIndex(int index) const;
  [[noreturn]] static void ThrowIndex(int index);

  std::vector<std::unique_ptr<TCollectionItem>> items_;
  std::uint32_t nextID_ = 0;
};

// A collection of one item class, handing out typed items.
template <class T>
class TOwnedCollection : public TCollection {
 public:
  T* GetItem(int index) const { return static_cast<T*>(TCollection::GetItem(index)); }

  template <class... Args>
  T* Add(Args&&... args) {
    return static_cast<T*>(Insert(std::make_unique<T>(std::forward<Args>(args)...)));
  }
};

}  // namespace savkit
