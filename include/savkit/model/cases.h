// The cases of a data file: their count and the record buffer of the case
// last read, in the whole-case layout of the I/O library.
#pragma once

#include <cstdint>
#include <vector>

namespace savkit {

class TSPSSDatafile;

class TSPSSCases {
 public:
  explicit TSPSSCases(TSPSSDatafile* datafile) : datafile_(datafile) {}

  TSPSSDatafile* Datafile() const { return datafile_; }
  int Count() const { return count_; }
  int CurrentCase() const { return currentCase_; }
  std::vector<std::uint8_t>& CaseBuffer() { return caseBuffer_; }

  // Writes the empty value of the variable at index into its slot: the
  // system-missing value for a number, an empty text for a string.
  void ClearBuffer(int index);
  // Releases the buffer and forgets the cases.
  void Clear();

 private:
  friend class TSPSSDatafile;
  TSPSSDatafile* datafile_;
  std::vector<std::uint8_t> caseBuffer_;
  int count_ = 0;
  int currentCase_ = 0;
};

}  // namespace savkit
