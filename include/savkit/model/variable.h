// One variable of a data file's dictionary.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "savkit/host/datetime.h"
#include "savkit/host/collection.h"
#include "savkit/host/variant.h"
#include "savkit/model/valuelabels.h"

namespace savkit {

class TSPSSDatafile;
class TSPSSVariables;

enum TSPSSAlign : std::uint8_t { tsaLeft = 0, tsaRight = 1, tsaCenter = 2 };
enum TSPSSLevel : std::uint8_t { tslUnknown = 0, tslNominal = 1, tslOrdinal = 2, tslScale = 3 };
enum TSortingDirection : std::uint8_t { srtNone = 0, srtAscending = 1, srtDescending = 2 };

// Fill callbacks: the value of a case, by its 1-based number.
using TFillMethodNum = std::function<double(std::uint32_t caseNr)>;
using TFillMethodStr = std::function<std::string(std::uint32_t caseNr)>;

class TSPSSVariable : public TCollectionItem {
 public:
  explicit TSPSSVariable(TSPSSDatafile* datafile);

  const std::string& Name() const { return name_; }
  const std::string& LabelText() const { return labelText_; }
  double VarHandle() const { return varHandle_; }
  int PrintType() const { return printType_; }
  int WriteType() const { return writeType_; }
  // The write format's width and decimals as a save writes them.
  void WriteFormat(int& width, int& decimals) const;
  int Width() const { return width_; }
  int Decimals() const { return decimals_; }
  int Columns() const { return columns_; }
  TSPSSAlign Align() const { return align_; }
  TSPSSLevel Level() const { return level_; }
  TSPSSValuelabels* ValueLabels() const { return valueLabels_.get(); }
  int MissingValueType() const { return missingValueType_; }
  const Variant& MissingValue1() const { return missing_[0]; }
  const Variant& MissingValue2() const { return missing_[1]; }
  const Variant& MissingValue3() const { return missing_[2]; }
  bool IsNumeric() const { return isNumeric_; }
  int FilePosition() const { return filePosition_; }
  int Position() const { return position_; }
  int ReadOffset() const { return readOffset_; }
  int WriteOffset() const { return writeOffset_; }
  int StorageSize() const { return storageSize_; }
  // The collection item's ID, never reused in the data file's life; 32 bits
  // wide so that no two variables of one component ever share it.
  std::uint32_t VarID() const { return ID(); }

  void Set_Name(const std::string& name);
  void Set_LabelText(const std::string& text);
  void Set_PrintType(int type);
  void Set_WriteType(int type);
  // Numbers take widths 1 to 40. A string keeps its storage: the new width must
  // fall in the same 8-byte block, unless the dictionary of a new file is
  // still being defined. Other widths are ignored.
  void Set_Width(int width);
  void Set_Decimals(int decimals);
  void Set_Columns(int columns);
  void Set_Align(TSPSSAlign align);
  void Set_Level(TSPSSLevel level);
  void Set_MissingValueType(int type);
  void Set_MissingValue1(const Variant& value);
  void Set_MissingValue2(const Variant& value);
  void Set_MissingValue3(const Variant& value);
  void Set_ValueLabels(std::unique_ptr<TSPSSValuelabels> labels);
  void Set_Position(int position) { position_ = position; }

  // Values by case number, through the data file's cases.
  Variant Get_Value(int caseNr);
  void Set_Value(int caseNr, const Variant& value);
  TDateTime Get_DateTimeValue(int caseNr);
  void Set_DateTimeValue(int caseNr, TDateTime value);

  // The values of every case as an array 1..Count (doubles, or texts for a
  // string variable), sorted when sort is set and the direction says how.
  Variant CreateIndex(bool sort, TSortingDirection direction);
  // The same values typed, in case order, with no variant per value: a
  // numeric variable's numbers (a string variable raises SPSS_NUME_EXP) or a
  // string variable's texts (SPSS_STR_EXP), as TSPSSCase::GetNumber/GetText.
  std::vector<double> GetNumbers();
  std::vector<std::string> GetTexts();
  // Numbers in numeric order; texts by their bytes (UTF-8 code point order).
  static void AscendSort(Variant& values);
  static void DescendSort(Variant& values);
  // Gives every case a value in the edit cache: one constant, or a callback's
  // value for each case number 1..Count in turn.
  void Fill(const std::string& value);
  void Fill(double value);
  void Fill(const TFillMethodStr& method);
  void Fill(const TFillMethodNum& method);
  void Fill(std::string (*function)(std::uint32_t caseNr));
  void Fill(double (*function)(std::uint32_t caseNr));

  std::string GetXML() const;

  // The field type of the host database layer for the print type.
  int GetDBDatatype() const;
  // Storage and both offsets, from the variable before this one.
  void SetOffSetValuesofNewVariable();

 private:
  friend class TSPSSDatafile;
  friend class TSPSSVariables;
  void Mark() const;

  TSPSSDatafile* datafile_;
  std::string name_;
  std::string storedName_;  // its name in the file opened; empty for a new variable
  std::string labelText_;
  double varHandle_ = 0;
  int printType_ = 0, writeType_ = 0, width_ = 0, decimals_ = 0, columns_ = 0;
  // The write format as stored, written back while no format is changed.
  int writeWidth_ = 0, writeDecimals_ = 0;
  bool writeFormatKept_ = false;
  TSPSSAlign align_ = tsaLeft;
  TSPSSLevel level_ = tslUnknown;
  std::unique_ptr<TSPSSValuelabels> valueLabels_;
  int missingValueType_ = 0;
  Variant missing_[3];
  bool isNumeric_ = false;
  int filePosition_ = 0, position_ = 0;
  int readOffset_ = 0, writeOffset_ = 0, storageSize_ = 0;
};

}  // namespace savkit
