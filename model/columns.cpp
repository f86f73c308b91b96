// A variable's values by case number, and its whole column at once.
#include <algorithm>
#include <thread>
#include <utility>
#include <vector>

#include "savkit/model/datafile.h"
#include "savkit/resourcestrings.h"
#include "savkit/spssio.h"

namespace savkit {

namespace {

// Columns from this many cases up make their variants on a second thread.
constexpr int kMakeAside = 100000;

TSPSSCases* CasesOf(const TSPSSVariable& v) {
  return static_cast<TSPSSVariables*>(v.Collection())->Datafile()->Cases();
}

// Whether room may be made for every case at once: a header may claim more
// cases than its file's bytes can hold, and then the values are taken as
// they come, so that the memory is no more than what the file holds.
bool RoomForAll(const TSPSSVariable& v) {
  const int h = static_cast<TSPSSVariables*>(v.Collection())->Datafile()->ReadHandle();
  long declared = 0;
  long long most = 0;
  return h < 0 || spssGetNumberofCases(h, &declared) != SPSS_OK || spssGetMostCases(h, &most) != SPSS_OK ||
         most >= declared;
}

// A column of n values of a case each, made by value(i) for i = 1..n.
template <class T, class Value>
std::vector<T> Column(int n, bool roomForAll, Value&& value) {
  std::vector<T> out;
  out.reserve(static_cast<std::size_t>(roomForAll ? n : std::min(n, kMakeAside)));
  for (int i = 1; i <= n; ++i) out.push_back(value(i));
  return out;
}

// Sorts as the variant comparison orders: numbers as numbers, texts by their
// bytes. A bottom-up merge sort: O(n log n) on every shape of column (sorted
// runs, all equal, rising then falling), no recursion, and no read outside
// the range even when a caller's array mixes kinds the comparison cannot
// order consistently.
void MergeSort(std::vector<Variant>& v) {
  const std::size_t n = v.size();
  std::vector<Variant> out(n);
  for (std::size_t width = 1; width < n; width *= 2) {
    for (std::size_t low = 0; low < n; low += 2 * width) {
      const std::size_t mid = std::min(low + width, n), high = std::min(low + 2 * width, n);
      std::size_t i = low, j = mid, k = low;
      while (i < mid && j < high) out[k++] = std::move(Variant::Compare(v[j], v[i]) < 0 ? v[j++] : v[i++]);
      while (i < mid) out[k++] = std::move(v[i++]);
      while (j < high) out[k++] = std::move(v[j++]);
    }
    v.swap(out);
  }
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
  if (isNumeric_) {
    // Most of what a large array of variants costs is the fresh memory it
    // takes: a second core makes it while this one reads the numbers.
    {
      std::jthread maker;
      const bool roomForAll = RoomForAll(*this);
      if (n >= kMakeAside && roomForAll)
        maker = std::jthread([&items, n] { items.resize(static_cast<std::size_t>(n)); });
      else if (roomForAll)
        items.resize(static_cast<std::size_t>(n));
      const std::vector<double> numbers = GetNumbers();
      if (maker.joinable()) maker.join();
      items.resize(numbers.size());
      for (std::size_t i = 0; i < numbers.size(); ++i) items[i] = numbers[i];
    }
    Variant values = Variant::Array(1, std::move(items));
    if (sort && direction == srtAscending) AscendSort(values);
    if (sort && direction == srtDescending) DescendSort(values);
    return values;
  }
  items.reserve(static_cast<std::size_t>(RoomForAll(*this) ? n : std::min(n, kMakeAside)));
  for (int i = 1; i <= n; ++i) {
    TSPSSCase* c = cases->Get_Case(i);
    // A new case's unset text reads as system-missing; an array of texts
    // holds it as text.
    Variant v = c->GetValue(index);
    items.push_back(v.IsString() ? std::move(v) : Variant(v.ToString()));
  }
  Variant values = Variant::Array(1, std::move(items));
  if (sort && direction == srtAscending) AscendSort(values);
  if (sort && direction == srtDescending) DescendSort(values);
  return values;
}

std::vector<double> TSPSSVariable::GetNumbers() {
  TSPSSCases* cases = CasesOf(*this);
  const int index = Index();
  return Column<double>(cases->Count(), RoomForAll(*this), [&](int i) { return cases->Get_Case(i)->GetNumber(index); });
}

std::vector<std::string> TSPSSVariable::GetTexts() {
  TSPSSCases* cases = CasesOf(*this);
  const int index = Index();
  return Column<std::string>(cases->Count(), RoomForAll(*this), [&](int i) {
    std::string text;
    cases->Get_Case(i)->GetText(index, text);
    return text;
  });
}

void TSPSSVariable::AscendSort(Variant& values) {
  const int low = values.LowBound(), high = values.HighBound();
  if (high <= low) return;
  std::vector<Variant> items;
  items.reserve(static_cast<std::size_t>(high - low + 1));
  for (int k = low; k <= high; ++k) items.push_back(std::move(values[k]));
  MergeSort(items);
  for (int k = low; k <= high; ++k) values[k] = std::move(items[static_cast<std::size_t>(k - low)]);
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
