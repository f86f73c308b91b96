// The cases of a data file: their count, the record buffer of the case last
// read (in the whole-case layout of the I/O library), and the one case object
// through which values are read and written.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "savkit/host/datetime.h"
#include "savkit/host/variant.h"

namespace savkit {

class TSPSSDatafile;

// One case, by 1-based position. There is one such object per data file;
// each Get_Case re-points it.
class TSPSSCase {
 public:
  explicit TSPSSCase(TSPSSDatafile* datafile) : datafile_(datafile) {}

  TSPSSDatafile* Datafile() const { return datafile_; }
  int CaseNr() const { return caseNr_; }

  // The value of the variable at index: a changed value from the edit cache,
  // else the stored one; a number, or a text with its padding blanks.
  Variant GetValue(int varIndex);
  // Typed and allocation-free beside GetValue, with its edit-cache semantics:
  // a numeric variable's value (a string variable raises the library's
  // SPSS_NUME_EXP), or a string variable's text into out (SPSS_STR_EXP;
  // empty for a case added since whose text was never set).
  double GetNumber(int varIndex);
  void GetText(int varIndex, std::string& out);
  void SetValue(int varIndex, const Variant& value);
  TDateTime Get_DateTimeValue(int varIndex);
  void Set_DateTimeValue(int varIndex, TDateTime value);
  // Commits the case built in direct-write mode.
  void Save();

 private:
  friend class TSPSSCases;
  const class TSPSSVariable& Readable(int varIndex) const;
  // The case's slot for the variable as stored, or null where the case has
  // no stored record (a case added since).
  const std::uint8_t* StoredSlot(const TSPSSVariable& v);
  double NumberOf(const TSPSSVariable& v);
  // False where the case has neither an edit nor a stored record.
  bool TextOf(const TSPSSVariable& v, std::string& out);
  TSPSSDatafile* datafile_;
  int caseNr_ = 0;
};

// The file's date values and the framework's date-time values, both ways.
TDateTime SpssDateToDateTime(double spssDate);
double DateTimeToSpssDate(TDateTime value);

class TSPSSCases {
 public:
  explicit TSPSSCases(TSPSSDatafile* datafile) : datafile_(datafile) {}

  TSPSSDatafile* Datafile() const { return datafile_; }
  int Count() const { return count_; }
  int CurrentCase() const { return currentCase_; }
  std::vector<std::uint8_t>& CaseBuffer() { return caseBuffer_; }
  // Stored records read from the file so far: each costs a seek and a read.
  std::uint64_t RecordReads() const { return recordReads_; }

  // Positions 1 to Count; others raise "Casenumber is not valid".
  TSPSSCase* Get_Case(int index);
  TSPSSCase* Add();
  void Delete(int index);
  // Writes every case, with its edits, to the data file's write handle.
  void Save();

  // Writes the empty value of the variable at index into its slot: the
  // system-missing value for a number, an empty text for a string.
  void ClearBuffer(int index);
  // Releases the buffer and the case object and forgets the cases.
  void Clear();

 private:
  friend class TSPSSDatafile;
  friend class TSPSSCase;
  // Makes the buffer hold the stored record that position p stands for.
  void Load(int position);
  void WriteSlot(int varIndex, const std::string& text);

  TSPSSDatafile* datafile_;
  std::vector<std::uint8_t> caseBuffer_;
  std::unique_ptr<TSPSSCase> caseObject_;
  int count_ = 0;
  int currentCase_ = 0;
  bool currentStored_ = false;  // the buffer holds currentCase_'s stored record
  std::uint64_t recordReads_ = 0;
};

}  // namespace savkit
