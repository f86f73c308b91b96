// The value labels of one variable: one label a value, found by value (a text
// and a number compare as numbers) or by label text.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "savkit/host/collection.h"
#include "savkit/host/variant.h"

namespace savkit {

class TSPSSDatafile;
class LabelIndex;

class TSPSSValueLabel : public TCollectionItem {
 public:
  const Variant& Value() const { return value_; }
  const std::string& Label() const { return label_; }
  // Both mark the data file's dictionary changed; no duplicate test.
  void Set_Value(const Variant& value);
  void Set_Label(const std::string& label);

 private:
  friend class TSPSSValuelabels;
  friend class TSPSSDatafile;  // dictionary reading fills labels directly
  TSPSSDatafile* Datafile() const;
  Variant value_;
  std::string label_;
};

class TSPSSValuelabels : public TOwnedCollection<TSPSSValueLabel> {
 public:
  explicit TSPSSValuelabels(TSPSSDatafile* datafile);
  ~TSPSSValuelabels() override;

  TSPSSDatafile* Datafile() const { return datafile_; }
  // Raises "This valuelabel already exists for this variable" for a value present.
  TSPSSValueLabel* Add(const Variant& value, const std::string& label);
  // A bare label, unchecked and unmarked, for dictionary reading.
  TSPSSValueLabel* AddExistingValueLabel();
  // Raises "Valuelabel Index number is not valid" for an index not below Count.
  void Delete(int index);
  TSPSSValueLabel* FindByValue(const Variant& value) const;
  // Ignores the case of the letters A to Z only.
  TSPSSValueLabel* FindByLabel(const std::string& label) const;
  void Clear();
  std::string GetXML() const;

 private:
  friend class TSPSSValueLabel;
  friend class TSPSSDatafile;  // dictionary reading fills labels directly
  // Labels' values changed: the index is made again when next needed.
  void ValuesChanged();
  // The labels a file holds, in its order, put into the labels that stood
  // for them.
  void Refill(std::vector<std::pair<Variant, std::string>> read);
  TSPSSDatafile* datafile_;
  mutable std::unique_ptr<LabelIndex> index_;
};

}  // namespace savkit
