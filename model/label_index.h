// Finding a variable's value label by value without scanning every label:
// 200,000 labels are added one by one, each checked for a duplicate.
#pragma once

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "savkit/host/variant.h"

namespace savkit {

class TSPSSValueLabel;
class TSPSSValuelabels;

// Whether a label's value matches value: a text and a number compare as
// numbers, and two texts whatever blanks pad either (case values come padded
// to their storage, labels' values to the variable's width).
bool SameLabelValue(const Variant& a, const Variant& b);

// The labels of a collection under every key their value may be found by: a
// number under the number; a text under itself without trailing blanks and,
// when it reads as a number, under that number too. Values of no such kind
// (empty, not a number, arrays) are kept in a list. Candidates are confirmed
// with the collection's own equality, which a text and a number may meet
// without sharing a key.
class LabelIndex {
 public:
  explicit LabelIndex(const TSPSSValuelabels& labels);
  void Insert(TSPSSValueLabel* label);
  // Of the labels whose value matches value, the one with the lowest index.
  TSPSSValueLabel* Find(const Variant& value) const;

 private:
  std::multimap<double, TSPSSValueLabel*> numbers_;
  std::unordered_multimap<std::string, TSPSSValueLabel*> texts_;
  std::vector<TSPSSValueLabel*> others_;
};

}  // namespace savkit
