// A variable's values by case number, and its whole column at once.
#include <utility>
#include <vector>

#include "savkit/model/datafile.h"
#include "savkit/resourcestrings.h"
#include "savkit/spssio.h"

namespace savkit {

namespace {

TSPSSCases* CasesOf(const TSPSSVariable& v) {
  return static_cast<TSPSSVariables*>(v.Collection())->Datafile()->Cases();
}

// Quicksort on low..high with the middle element as pivot, comparing as the
// variant comparison does: numbers as numbers, texts by their bytes.
void QuickSort(Variant& a, int low, int high) {
  int i = low, j = high;
  const Variant pivot = a[low + (high - low) / 2];
  do {
    while (Variant::Compare(a[i], pivot) < 0) ++i;
    while (Variant::Compare(a[j], pivot) > 0) --j;
    if (i <= j) {
      std::swap(a[i], a[j]);
      ++i;
      --j;
    }
  } while (i <= j);
  if (low < j) QuickSort(a, low, j);
  if (i < high) QuickSort(a, i, high);
}

}  // namespace

Variant TSPSSVariable::Get_Value(int caseNr) { return CasesOf(*this)->Get_Case(caseNr)->GetValue(Index()); }

void TSPSSVariable::Set_Value(int caseNr, const Variant& value) {
  CasesOf(*this)->Get_Case(caseNr)->SetValue(Index(), value);
}

TDateTime TSPSSVariable::Get_DateTimeValue(int caseNr) { return SpssDateToDateTime(Get_Value(caseNr).ToDouble()); }

void TSPSSVariable::Set_DateTimeValue(int caseNr, TDateTime value) {
  Set_Value(caseNr, Variant(DateTimeToSpssDate(value)));
}

Variant TSPSSVariable::CreateIndex(bool sort, TSortingDirection direction) {
  TSPSSCases* cases = CasesOf(*this);
  const int n = cases->Count();
  const int index = Index();
  std::vector<Variant> items;
  items.reserve(static_cast<std::size_t>(n));
  for (int i = 1; i <= n; ++i) {
    Variant v = cases->Get_Case(i)->GetValue(index);
    // Values come typed already, bar a new case's unset text, which reads as
    // system-missing; only that one is converted.
    if (isNumeric_ ? !v.IsNumeric() : !v.IsString()) v = isNumeric_ ? Variant(v.ToDouble()) : Variant(v.ToString());
    items.push_back(std::move(v));
  }
  Variant values = Variant::Array(1, std::move(items));
  if (sort && direction == srtAscending) AscendSort(values);
  if (sort && direction == srtDescending) DescendSort(values);
  return values;
}

void TSPSSVariable::AscendSort(Variant& values) {
  if (values.HighBound() > values.LowBound()) QuickSort(values, values.LowBound(), values.HighBound());
}

void TSPSSVariable::DescendSort(Variant& values) {
  AscendSort(values);
  const int low = values.LowBound(), high = values.HighBound();
  for (int k = low; k < low + (high - low + 1) / 2; ++k) std::swap(values[k], values[low + high - k]);
}

void TSPSSVariable::Fill(const std::string& value) {
  Fill(TFillMethodStr([&](std::uint32_t) { return value; }));
}

void TSPSSVariable::Fill(double value) {
  Fill(TFillMethodNum([&](std::uint32_t) { return value; }));
}

// Filling with values of the other kind would leave edit records the cases
// cannot read; it is refused before any case is touched, as the library
// refuses a value of the wrong kind.
void TSPSSVariable::Fill(const TFillMethodStr& method) {
  if (IsNumeric()) CheckSuccess(SPSS_STR_EXP);
  TSPSSHashTable* edits = static_cast<TSPSSVariables*>(Collection())->Datafile()->EditCache();
  const auto n = static_cast<std::uint32_t>(CasesOf(*this)->Count());
  for (std::uint32_t c = 1; c <= n; ++c) edits->Add(c, VarID(), std::string_view(method(c)));
}

void TSPSSVariable::Fill(const TFillMethodNum& method) {
  if (!IsNumeric()) CheckSuccess(SPSS_NUME_EXP);
  TSPSSHashTable* edits = static_cast<TSPSSVariables*>(Collection())->Datafile()->EditCache();
  const auto n = static_cast<std::uint32_t>(CasesOf(*this)->Count());
  for (std::uint32_t c = 1; c <= n; ++c) edits->Add(c, VarID(), method(c));
}

void TSPSSVariable::Fill(std::string (*function)(std::uint32_t)) { Fill(TFillMethodStr(function)); }

void TSPSSVariable::Fill(double (*function)(std::uint32_t)) { Fill(TFillMethodNum(function)); }

}  // namespace savkit
