#include "savkit/hashtable.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "savkit/host/exceptions.h"
#include "savkit/host/format.h"

namespace savkit {

// The rows stay implied until the first change, so a large file costs no
// memory for them when opened.
TSPSSHashTable::TSPSSHashTable(void* /*owner*/, std::uint32_t caseCount) : sequential_(true), count_(caseCount) {}

TSPSSHashTable::TIndex& TSPSSHashTable::Touched(std::uint32_t casePos) {
  const auto [it, added] = touched_.try_emplace(casePos);
  if (added) {
    InitTable(&it->second, 1);
    it->second.OriginalCaseNr = Implied(casePos);
  }
  return it->second;
}

void TSPSSHashTable::InitTable(TIndex* start, std::size_t count) {
  if (count) std::memset(start, 0, count * sizeof(TIndex));
}

void TSPSSHashTable::OutOfBounds() const {
  throw Exception(Format("Hashtable out of bounds: it contains only %d cases", Count()));
}

std::uint32_t* TSPSSHashTable::LinkTo(TIndex& row, Key key) {
  std::uint32_t* link = &row.List[key % kChains];
  while (*link && Rec(*link).VarNr != key) link = &Rec(*link).Next;
  return *link ? link : nullptr;
}

std::uint32_t TSPSSHashTable::NewRecord(Key key, RecKind kind) {
  std::uint32_t index;
  if (freeRecords_) {
    index = freeRecords_;
    freeRecords_ = Rec(index).Next;
  } else {
    if (records_.size() >= UINT32_MAX - 1) throw std::length_error("Too many changed values");
    records_.emplace_back();
    index = static_cast<std::uint32_t>(records_.size());
  }
  ValueRec& r = Rec(index);
  r.VarNr = key;
  r.Next = 0;
  r.Kind = kind;
  r.Number = 0;
  ++live_;
  return index;
}

std::uint32_t TSPSSHashTable::NewText(std::string_view value) {
  if (!freeTexts_.empty()) {
    const std::uint32_t t = freeTexts_.back();
    texts_[t].assign(value);
    freeTexts_.pop_back();
    return t;
  }
  texts_.emplace_back(value);
  return static_cast<std::uint32_t>(texts_.size() - 1);
}

void TSPSSHashTable::FreeRecord(std::uint32_t index) {
  ValueRec& r = Rec(index);
  if (r.Kind == RecKind::Free) throw std::logic_error("edit cache record freed twice");
  if (r.Kind == RecKind::Text) {
    std::string().swap(texts_[r.Text]);
    freeTexts_.push_back(r.Text);
  }
  r.Kind = RecKind::Free;
  r.Next = freeRecords_;
  freeRecords_ = index;
  if (--live_ == 0) {
    // Nothing is held any more: give the pools' memory back.
    std::vector<ValueRec>().swap(records_);
    std::vector<std::string>().swap(texts_);
    std::vector<std::uint32_t>().swap(freeTexts_);
    freeRecords_ = 0;
  }
}

void TSPSSHashTable::Add(std::uint32_t casePos, Key key, double value) {
  TIndex& row = Hash(casePos);
  if (std::uint32_t* link = LinkTo(row, key)) {
    ValueRec& r = Rec(*link);
    if (r.Kind == RecKind::Text) {
      std::string().swap(texts_[r.Text]);
      freeTexts_.push_back(r.Text);
      r.Kind = RecKind::Number;
    }
    r.Number = value;
    return;
  }
  const std::uint32_t index = NewRecord(key, RecKind::Number);
  Rec(index).Number = value;
  Rec(index).Next = row.List[key % kChains];
  row.List[key % kChains] = index;
}

void TSPSSHashTable::Add(std::uint32_t casePos, Key key, std::string_view value) {
  TIndex& row = Hash(casePos);
  if (std::uint32_t* link = LinkTo(row, key)) {
    ValueRec& r = Rec(*link);
    if (r.Kind == RecKind::Text) {
      texts_[r.Text].assign(value);
    } else {
      r.Text = NewText(value);
      r.Kind = RecKind::Text;
    }
    return;
  }
  const std::uint32_t text = NewText(value);
  std::uint32_t index;
  try {
    index = NewRecord(key, RecKind::Text);
  } catch (...) {
    freeTexts_.push_back(text);
    throw;
  }
  Rec(index).Text = text;
  Rec(index).Next = row.List[key % kChains];
  row.List[key % kChains] = index;
}

bool TSPSSHashTable::Get(std::uint32_t casePos, Key key, std::string& value) const {
  const ValueRec* r = Locate(casePos, key);
  if (!r || r->Kind != RecKind::Text) return false;
  value = texts_[r->Text];
  return true;
}

void TSPSSHashTable::Materialize() {
  rows_.assign(count_, TIndex{});
  InitTable(rows_.data(), rows_.size());
  for (std::uint32_t p = 1; p <= count_; ++p) rows_[p - 1].OriginalCaseNr = Implied(p);
  for (const auto& [p, row] : touched_) std::memcpy(rows_[p - 1].List, row.List, sizeof row.List);
  std::unordered_map<std::uint32_t, TIndex>().swap(touched_);
  sequential_ = false;
}

bool TSPSSHashTable::IsModified(std::uint32_t casePos) const {
  const TIndex& row = Hash(casePos);
  return row.List[0] || row.List[1] || row.List[2] || row.List[3];
}

bool TSPSSHashTable::GetFromList(std::uint32_t casePos, std::uint32_t n, Key& key) const {
  const TIndex& row = Hash(casePos);
  if (n < 1) return false;
  for (std::uint32_t chain = 0; chain < kChains; ++chain)
    for (std::uint32_t i = row.List[chain]; i; i = Rec(i).Next)
      if (--n == 0) {
        key = Rec(i).VarNr;
        return true;
      }
  return false;
}

void TSPSSHashTable::DeleteValueRec(std::uint32_t casePos, Key key) {
  TIndex& row = Hash(casePos);
  if (std::uint32_t* link = LinkTo(row, key)) {
    const std::uint32_t index = *link;
    *link = Rec(index).Next;
    FreeRecord(index);
  }
}

void TSPSSHashTable::DeleteVariable(Key key) {
  const auto drop = [&](TIndex& row) {
    std::uint32_t* link = &row.List[key % kChains];
    while (*link) {
      const std::uint32_t index = *link;
      if (Rec(index).VarNr == key) {
        *link = Rec(index).Next;
        FreeRecord(index);
      } else {
        link = &Rec(index).Next;
      }
    }
  };
  for (auto& [p, row] : touched_) {
    if (live_ == 0) return;
    drop(row);
  }
  for (TIndex& row : rows_) {
    if (live_ == 0) return;
    drop(row);
  }
}

void TSPSSHashTable::FreeChains(TIndex& row) {
  for (std::uint32_t& head : row.List) {
    while (head) {
      const std::uint32_t index = head;
      head = Rec(index).Next;
      FreeRecord(index);
    }
  }
}

void TSPSSHashTable::DeleteCase(std::uint32_t casePos) {
  CheckPosition(casePos);
  if (sequential_ && casePos == count_) {
    Resize(count_ - 1);  // the last case: the others keep their positions
    return;
  }
  if (sequential_) Materialize();
  TIndex& row = Hash(casePos);
  FreeChains(row);
  rows_.erase(rows_.begin() + (casePos - 1));
}

void TSPSSHashTable::Resize(std::uint32_t caseCount) {
  const std::uint32_t n = Count();
  if (caseCount == n) return;
  if (sequential_) {
    // The remaining cases keep their numbers; added ones are new.
    for (std::uint32_t p = caseCount + 1; p <= n; ++p) {
      if (const auto it = touched_.find(p); it != touched_.end()) {
        FreeChains(it->second);
        touched_.erase(it);
      }
    }
    count_ = caseCount;
    numberedUpTo_ = std::min(numberedUpTo_, caseCount);
    return;
  }
  if (caseCount < n) {
    for (std::uint32_t p = n; p > caseCount; --p) FreeChains(rows_[p - 1]);
    rows_.resize(caseCount);
    return;
  }
  // Growing one case at a time is the common pattern; a modest growth factor
  // keeps the spare capacity of the row array within a fifth of its size.
  if (caseCount > rows_.capacity()) {
    const std::size_t grown = rows_.capacity() + rows_.capacity() / 5;
    rows_.reserve(std::max<std::size_t>(caseCount, grown));
  }
  rows_.resize(caseCount);
  InitTable(rows_.data() + n, caseCount - n);
}

void TSPSSHashTable::InitOriginalCaseNrs(std::uint32_t first) {
  if (live_ == 0 || sequential_) {
    // The numbering is implied, and only edited cases need a row.
    count_ = Count();
    first_ = first;
    numbered_ = true;
    numberedUpTo_ = count_;
    if (live_ == 0) std::unordered_map<std::uint32_t, TIndex>().swap(touched_);
    for (auto& [p, row] : touched_) row.OriginalCaseNr = Implied(p);
    sequential_ = true;
    std::vector<TIndex>().swap(rows_);
    return;
  }
  std::uint32_t number = first;
  for (TIndex& row : rows_) row.OriginalCaseNr = static_cast<std::int32_t>(number++);
}

void TSPSSHashTable::SetOriginalCaseNr(std::uint32_t casePos, std::int32_t number) {
  CheckPosition(casePos);
  if (sequential_ && number == Implied(casePos)) return;
  if (sequential_) Materialize();
  Hash(casePos).OriginalCaseNr = number;
}

std::size_t TSPSSHashTable::MemoryUsage() const {
  // A touched row costs its node and a bucket besides the row.
  std::size_t bytes = rows_.capacity() * sizeof(TIndex) + touched_.size() * (sizeof(TIndex) + 32) +
                      touched_.bucket_count() * sizeof(void*) + records_.capacity() * sizeof(ValueRec) +
                      texts_.capacity() * sizeof(std::string) + freeTexts_.capacity() * sizeof(std::uint32_t);
  for (const std::string& t : texts_)
    if (t.capacity() > 15) bytes += t.capacity() + 1;  // past the small-string buffer
  return bytes;
}

}  // namespace savkit
