// A variable's value labels, in the order given, found by value through a
// hash index beside them: a file with hundreds of thousands of labels is
// written and looked up without a scan per label.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace savkit::io {

// The key a value is found by: a number as it is (0 and -0 one key, NaN
// none), a text without the blanks that pad it.
inline double LabelKey(double value) { return value; }
inline std::string LabelKey(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return std::string(text);
}

template <class Value>
class LabelList {
 public:
  using Item = std::pair<Value, std::string>;
  using Key = decltype(LabelKey(std::declval<const Value&>()));

  std::size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  const Item& operator[](std::size_t i) const { return items_[i]; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  // The label of the first item whose value has value's key, or null.
  const std::string* Find(const Value& value) const {
    Index();
    const auto it = index_.find(LabelKey(value));
    return it == index_.end() ? nullptr : &items_[it->second].second;
  }
  // Appends, whatever labels the value has already (as a file may).
  void Append(Value value, std::string label) {
    if (indexed_) index_.emplace(LabelKey(value), items_.size());
    items_.emplace_back(std::move(value), std::move(label));
  }
  // Gives the value this label: the one it has is replaced, else one appended.
  void Set(Value value, std::string label) {
    Index();
    if (const auto it = index_.find(LabelKey(value)); it != index_.end()) {
      items_[it->second].second = std::move(label);
      return;
    }
    Append(std::move(value), std::move(label));
  }

 private:
  void Index() const {
    if (indexed_) return;
    for (std::size_t i = 0; i < items_.size(); ++i) index_.emplace(LabelKey(items_[i].first), i);
    indexed_ = true;
  }

  std::vector<Item> items_;
  mutable std::unordered_map<Key, std::size_t> index_;  // key to the first item with it
  mutable bool indexed_ = false;
};

}  // namespace savkit::io
