// The edit cache: every case value changed since a file was opened, and the
// mapping from case positions to the cases stored in that file.
//
// Case positions (1-based) index a row array directly; within a row, the two
// lowest bits of the variable key choose one of four chains of records, newest
// first. Keys are the variables' 32-bit identifiers, whole: an edit can never
// land on another variable. Records live in a pool and are linked by 32-bit
// indexes. While cases are numbered in order (new ones added at the end), the
// rows are implied and only the cases holding edits have one, so the table
// grows with the cases touched, not with the file; deleting a case before the
// last gives every case its row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace savkit {

class TSPSSHashTable {
 public:
  using Key = std::uint32_t;

  enum class RecKind : std::uint8_t { Free, Number, Text };

  // One changed value.
  struct ValueRec {
    Key VarNr;
    std::uint32_t Next;  // 1-based pool index of the next record of the chain; 0 ends it
    RecKind Kind;
    union {
      double Number;
      std::uint32_t Text;  // index into the text pool
    };
  };

  // The row of one case: four chain heads (1-based pool indexes, 0 = empty)
  // and the 1-based number of the stored case it stands for (0 for a case
  // added since the file was opened).
  struct TIndex {
    std::uint32_t List[4];
    std::int32_t OriginalCaseNr;
  };

  // owner is not used. The table starts with caseCount cases, unnumbered.
  TSPSSHashTable(void* owner, std::uint32_t caseCount);
  TSPSSHashTable(const TSPSSHashTable&) = delete;
  TSPSSHashTable& operator=(const TSPSSHashTable&) = delete;
  virtual ~TSPSSHashTable() = default;

  std::uint32_t Count() const { return sequential_ ? count_ : static_cast<std::uint32_t>(rows_.size()); }

  // Every operation taking a case position raises savkit::Exception "Hashtable
  // out of bounds: it contains only %d cases" for a position below 1 or above
  // Count(), before changing anything.
  const ValueRec* Locate(std::uint32_t casePos, Key key) const {
    for (std::uint32_t i = Hash(casePos).List[key % kChains]; i; i = Rec(i).Next)
      if (Rec(i).VarNr == key) return &Rec(i);
    return nullptr;
  }
  const ValueRec* Find(std::uint32_t casePos, Key key) const { return Locate(casePos, key); }

  void Add(std::uint32_t casePos, Key key, double value);
  void Add(std::uint32_t casePos, Key key, std::string_view value);
  // False, with value untouched, when there is no record of that kind.
  bool Get(std::uint32_t casePos, Key key, double& value) const {
    const ValueRec* r = Locate(casePos, key);
    if (!r || r->Kind != RecKind::Number) return false;
    value = r->Number;
    return true;
  }
  bool Get(std::uint32_t casePos, Key key, std::string& value) const;

  bool IsModified(std::uint32_t casePos) const;
  // The key of the case's n-th record (n from 1): chain 0 to 3, newest first.
  bool GetFromList(std::uint32_t casePos, std::uint32_t n, Key& key) const;

  void DeleteValueRec(std::uint32_t casePos, Key key);
  // Drops the records of key from every case.
  void DeleteVariable(Key key);
  // Drops the case; later cases move down one position with their records and
  // stored-case numbers.
  void DeleteCase(std::uint32_t casePos);
  // New cases are unnumbered and unchanged; dropped ones free their records.
  void Resize(std::uint32_t caseCount);

  // Numbers the cases first, first + 1, ...
  void InitOriginalCaseNrs(std::uint32_t first);
  void SetOriginalCaseNr(std::uint32_t casePos, std::int32_t number);
  std::int32_t FindOriginalCaseNr(std::uint32_t casePos) const {
    if (sequential_) {
      CheckPosition(casePos);
      return Implied(casePos);
    }
    return Hash(casePos).OriginalCaseNr;
  }

  // No case edited, inserted or deleted: no value is here and every row is
  // implied, so readers may skip their look-ups.
  bool Untouched() const { return sequential_ && touched_.empty(); }

  // Records held, and the bytes of all storage (rows, records, texts).
  std::size_t RecordCount() const { return live_; }
  std::size_t MemoryUsage() const;

 protected:
  virtual void InitTable(TIndex* start, std::size_t count);
  virtual TIndex& Hash(std::uint32_t casePos) {
    CheckPosition(casePos);
    return sequential_ ? Touched(casePos) : rows_[casePos - 1];
  }
  const TIndex& Hash(std::uint32_t casePos) const {
    CheckPosition(casePos);
    if (sequential_) {
      const auto it = touched_.find(casePos);
      return it != touched_.end() ? it->second : kUntouched;
    }
    return rows_[casePos - 1];
  }

 private:
  static constexpr std::uint32_t kChains = 4;
  void CheckPosition(std::uint32_t casePos) const {
    if (casePos - 1 >= Count()) OutOfBounds();
  }
  // Gives the rows of a sequentially numbered table real storage.
  void Materialize();
  // The stored case an implied row stands for.
  std::int32_t Implied(std::uint32_t casePos) const {
    return numbered_ && casePos <= numberedUpTo_ ? static_cast<std::int32_t>(first_ + casePos - 1) : 0;
  }
  TIndex& Touched(std::uint32_t casePos);
  static constexpr TIndex kUntouched{};
  [[noreturn]] void OutOfBounds() const;
  std::uint32_t* LinkTo(TIndex& row, Key key);  // the link that holds key's record, or null
  ValueRec& Rec(std::uint32_t index) { return records_[index - 1]; }
  const ValueRec& Rec(std::uint32_t index) const { return records_[index - 1]; }
  std::uint32_t NewRecord(Key key, RecKind kind);
  void FreeRecord(std::uint32_t index);
  void FreeChains(TIndex& row);
  std::uint32_t NewText(std::string_view value);

  std::vector<TIndex> rows_;
  // No edit, and the cases all unnumbered or numbered first, first + 1, ...:
  // the rows are implied.
  bool sequential_ = false;
  bool numbered_ = false;
  std::uint32_t count_ = 0;
  std::uint32_t numberedUpTo_ = 0;                     // later positions are cases added since
  std::unordered_map<std::uint32_t, TIndex> touched_;  // the rows of edited cases
  std::uint32_t first_ = 0;
  std::vector<ValueRec> records_;
  std::uint32_t freeRecords_ = 0;  // head of the free list, linked through Next
  std::size_t live_ = 0;
  std::vector<std::string> texts_;
  std::vector<std::uint32_t> freeTexts_;
};

}  // namespace savkit
