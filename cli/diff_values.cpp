// savkit diff: comparing the values, case by case.
#include <cmath>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "common.h"
#include "diff.h"
#include "progress.h"

namespace savkit::cli {

namespace {

// A variable both files have, with the same kind of values.
struct Column {
  const TSPSSVariable* a;
  const TSPSSVariable* b;
};

std::vector<Column> CommonColumns(TSPSSDatafile& a, TSPSSDatafile& b, std::vector<std::string>& notCompared) {
  std::vector<Column> columns;
  for (int i = 0; i < a.Variables()->Count(); ++i) {
    const TSPSSVariable* va = a.Variables()->GetItem(i);
    const TSPSSVariable* vb = b.Variables()->Find(va->Name());
    if (!vb) continue;
    if (va->IsNumeric() == vb->IsNumeric())
      columns.push_back({va, vb});
    else
      notCompared.push_back(va->Name());
  }
  return columns;
}

// A text without the blanks that pad it to its variable's width.
std::string_view WithoutPadding(std::string_view text) { return text.substr(0, text.find_last_not_of(' ') + 1); }

// Numbers are the same when equal, or both the same NaN (bit for bit): a file
// compared with itself is the same file.
bool SameNumber(double a, double b) {
  return a == b || (std::isnan(a) && std::isnan(b) && std::memcmp(&a, &b, sizeof a) == 0);
}

// A value as shown: as exported, but system-missing as "." and numbers whose
// shown forms agree in full.
std::string Shown(const TSPSSVariable& v, const Variant& value, double sysmis, bool inFull) {
  if (v.IsNumeric() && value.ToDouble() == sysmis) return ".";
  return inFull && v.IsNumeric() ? NumberText(value.ToDouble()) : ValueText(v, value, sysmis);
}

class Comparer {
 public:
  Comparer(TSPSSDatafile& a, TSPSSDatafile& b, const ValueOptions& o, const std::string& fileA,
           const std::string& fileB)
      : a_(a), b_(b), o_(o), fileA_(fileA), fileB_(fileB) {
    result_.casesA = a.Cases()->Count();
    result_.casesB = b.Cases()->Count();
    columns_ = CommonColumns(a, b, result_.notCompared);
  }

  // Compares case ca of a with case cb of b (1-based).
  void Pair(int ca, int cb, const std::string& key) {
    TSPSSCase* x = a_.Cases()->Get_Case(ca);
    TSPSSCase* y = b_.Cases()->Get_Case(cb);
    bool differs = false;
    for (const Column& c : columns_) {
      if (Same(x, y, c)) continue;
      differs = true;
      ++result_.valuesDiffering;
      if (!Room(result_.shown.size())) continue;
      const Variant va = x->GetValue(c.a->Index()), vb = y->GetValue(c.b->Index());
      std::string sa = Shown(*c.a, va, a_.SysmisValue(), false), sb = Shown(*c.b, vb, b_.SysmisValue(), false);
      if (sa == sb) sa = Shown(*c.a, va, a_.SysmisValue(), true), sb = Shown(*c.b, vb, b_.SysmisValue(), true);
      result_.shown.push_back({ca, cb, key, c.a->Name(), std::move(sa), std::move(sb), !c.a->IsNumeric()});
    }
    ++result_.casesCompared;
    result_.casesDiffering += differs;
  }

  // Strings are equal whatever the padding, so a widened variable keeps its
  // values; read typed, with no Variant for values that agree. A file that
  // cannot be read to its end is named.
  bool Same(TSPSSCase* x, TSPSSCase* y, const Column& c) {
    if (c.a->IsNumeric())
      return SameNumber(AboutFile(fileA_, [&] { return x->GetNumber(c.a->Index()); }),
                        AboutFile(fileB_, [&] { return y->GetNumber(c.b->Index()); }));
    AboutFile(fileA_, [&] { x->GetText(c.a->Index(), textA_); });
    AboutFile(fileB_, [&] { y->GetText(c.b->Index(), textB_); });
    return WithoutPadding(textA_) == WithoutPadding(textB_);
  }

  void OnlyInA(const std::string& which) { Unmatched(result_.onlyInA, result_.countOnlyInA, which); }
  void OnlyInB(const std::string& which) { Unmatched(result_.onlyInB, result_.countOnlyInB, which); }
  ValueComparison Result() { return std::move(result_); }

 private:
  bool Room(std::size_t listed) const { return o_.limit == 0 || listed < o_.limit; }
  void Unmatched(std::vector<std::string>& list, std::int64_t& count, const std::string& which) {
    ++count;
    if (Room(list.size())) list.push_back(which);
  }

  TSPSSDatafile& a_;
  TSPSSDatafile& b_;
  const ValueOptions& o_;
  const std::string &fileA_, &fileB_;
  std::vector<Column> columns_;
  std::string textA_, textB_;  // buffers the texts compared are read into
  ValueComparison result_;
};

void ByPosition(TSPSSDatafile& a, TSPSSDatafile& b, Comparer& comparer, const ValueOptions& o) {
  const int na = a.Cases()->Count(), nb = b.Cases()->Count();
  Progress progress("diff", std::max(na, nb), o.progress);
  for (int c = 1; c <= std::min(na, nb); ++c) {
    comparer.Pair(c, c, "");
    progress.Advance(c);
  }
  for (int c = nb + 1; c <= na; ++c) comparer.OnlyInA(std::to_string(c));
  for (int c = na + 1; c <= nb; ++c) comparer.OnlyInB(std::to_string(c));
}

const TSPSSVariable& KeyOf(TSPSSDatafile& d, const std::string& key, const std::string& file) {
  const TSPSSVariable* v = d.Variables()->Find(key);
  if (!v) throw Failure(file + ": no variable named " + key + " to match cases by");
  return *v;
}

// Each case's key, which must be unique, and where each key is.
struct Keys {
  std::vector<std::string> ofCase;  // by case number from 1 at [0]
  std::unordered_map<std::string, int> caseOf;
};

Keys ReadKeys(TSPSSDatafile& d, const TSPSSVariable& key, const std::string& file) {
  Keys keys;
  const int n = d.Cases()->Count();
  keys.ofCase.reserve(static_cast<std::size_t>(n));
  keys.caseOf.reserve(static_cast<std::size_t>(n));
  for (int c = 1; c <= n; ++c) {
    Variant value = AboutFile(file, [&] { return d.Cases()->Get_Case(c)->GetValue(key.Index()); });
    if (key.IsNumeric() && value.ToDouble() == 0) value = Variant(0.0);  // -0 is the key 0
    keys.ofCase.push_back(Shown(key, value, d.SysmisValue(), true));
    const auto [it, added] = keys.caseOf.emplace(keys.ofCase.back(), c);
    if (!added)
      throw Failure(file + ": " + key.Name() + " is " + keys.ofCase.back() + " in cases " + std::to_string(it->second) +
                    " and " + std::to_string(c) + "; the key must tell every case apart");
  }
  return keys;
}

void ByKey(TSPSSDatafile& a, TSPSSDatafile& b, Comparer& comparer, const ValueOptions& o, const std::string& fileA,
           const std::string& fileB) {
  const TSPSSVariable& ka = KeyOf(a, o.key, fileA);
  const TSPSSVariable& kb = KeyOf(b, o.key, fileB);
  if (ka.IsNumeric() != kb.IsNumeric())
    throw Failure(o.key + ": the key is a number in one file and a string in the other");
  const Keys inA = ReadKeys(a, ka, fileA), inB = ReadKeys(b, kb, fileB);
  Progress progress("diff", a.Cases()->Count(), o.progress);
  for (int c = 1; c <= a.Cases()->Count(); ++c) {
    const std::string& k = inA.ofCase[static_cast<std::size_t>(c - 1)];
    const auto it = inB.caseOf.find(k);
    if (it == inB.caseOf.end())
      comparer.OnlyInA(k);
    else
      comparer.Pair(c, it->second, k);
    progress.Advance(c);
  }
  for (const std::string& k : inB.ofCase)
    if (!inA.caseOf.count(k)) comparer.OnlyInB(k);
}

}  // namespace

ValueComparison CompareValues(TSPSSDatafile& a, TSPSSDatafile& b, const ValueOptions& o, const std::string& fileA,
                              const std::string& fileB) {
  Comparer comparer(a, b, o, fileA, fileB);
  if (o.key.empty())
    ByPosition(a, b, comparer, o);
  else
    ByKey(a, b, comparer, o, fileA, fileB);
  return comparer.Result();
}

}  // namespace savkit::cli
