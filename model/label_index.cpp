#include "label_index.h"

#include <cmath>
#include <string_view>

#include "savkit/model/valuelabels.h"

namespace savkit {

namespace {

std::string_view WithoutTrailingBlanks(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

bool IsNumber(const Variant& v) { return !v.IsString() && !v.IsEmpty() && !v.IsNull() && !v.IsArray(); }

}  // namespace

bool SameLabelValue(const Variant& a, const Variant& b) {
  if (a.IsString() && b.IsString()) {
    const std::string x = a.ToString(), y = b.ToString();
    return WithoutTrailingBlanks(x) == WithoutTrailingBlanks(y);
  }
  return a == b;
}

LabelIndex::LabelIndex(const TSPSSValuelabels& labels) {
  for (int i = 0; i < labels.Count(); ++i) Insert(labels.GetItem(i));
}

void LabelIndex::Insert(TSPSSValueLabel* label) {
  const Variant& v = label->Value();
  double x = 0;
  if (v.IsString()) {
    const std::string text = v.ToString();
    texts_.emplace(std::string(WithoutTrailingBlanks(text)), label);
    if (TryStrToFloat(text, x) && !std::isnan(x)) numbers_.emplace(x, label);
  } else if (IsNumber(v) && !std::isnan(x = v.ToDouble())) {
    numbers_.emplace(x, label);
  } else {
    others_.push_back(label);
  }
}

TSPSSValueLabel* LabelIndex::Find(const Variant& value) const {
  TSPSSValueLabel* found = nullptr;
  const auto consider = [&](TSPSSValueLabel* l) {
    if ((!found || l->Index() < found->Index()) && SameLabelValue(l->Value(), value)) found = l;
  };
  const auto byText = [&](std::string_view text) {
    const auto [from, to] = texts_.equal_range(std::string(WithoutTrailingBlanks(text)));
    for (auto it = from; it != to; ++it) consider(it->second);
  };
  const auto byNumber = [&](double x) {
    const auto [from, to] = numbers_.equal_range(x);
    for (auto it = from; it != to; ++it) consider(it->second);
  };
  double x = 0;
  if (value.IsString()) {
    const std::string text = value.ToString();
    byText(text);
    if (TryStrToFloat(text, x) && !std::isnan(x)) byNumber(x);
  } else if (IsNumber(value)) {
    x = value.ToDouble();
    if (!std::isnan(x)) byNumber(x);
    // A number whose text reads back as no number (infinities, NaN, the
    // largest doubles) meets a text by that text; others never do, and a
    // lookup per case value need not format its number.
    if (!(std::fabs(x) < 1e308)) byText(value.ToString());
  }
  for (TSPSSValueLabel* l : others_) consider(l);
  return found;
}

}  // namespace savkit
