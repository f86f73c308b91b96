#include "savkit/model/variable.h"

#include <utility>

#include "raise.h"
#include "savkit/model/datafile.h"
#include "savkit/resourcestrings.h"

namespace savkit {

namespace {
bool IsStringFormat(int type) { return type == 1 || type == 2; }
}  // namespace

TSPSSVariable::TSPSSVariable(TSPSSDatafile* datafile)
    : datafile_(datafile), valueLabels_(std::make_unique<TSPSSValuelabels>(datafile)) {}

void TSPSSVariable::Mark() const {
  if (datafile_) datafile_->Set_DictionaryChanged(true);
}

void TSPSSVariable::Set_Name(const std::string& name) {
  auto* vars = static_cast<TSPSSVariables*>(Collection());
  if (vars && vars->Find(name)) Raise(cresSPSS_VarAlreadyExists, name);
  if (name.empty()) Raise(cresSPSS_VarnameCannotBeEmpty);
  const std::string from = std::exchange(name_, name);
  if (vars) vars->NameChanged(from, *this);
  Mark();
}

void TSPSSVariable::Set_LabelText(const std::string& text) {
  Mark();
  labelText_ = text;
}

void TSPSSVariable::Set_PrintType(int type) {
  Mark();
  if (IsStringFormat(type) == isNumeric_) Raise(cresSPSS_VarFormatTypeCodesareInvalid);
  printType_ = type;
  writeFormatKept_ = false;
}

void TSPSSVariable::Set_WriteType(int type) {
  Mark();
  if (IsStringFormat(type) == isNumeric_) Raise(cresSPSS_VarFormatTypeCodesareInvalid);
  writeType_ = type;
  writeFormatKept_ = false;
}

void TSPSSVariable::Set_Width(int width) {
  if (isNumeric_) {
    if (width < 1 || width > 40) return;
  } else {
    // The slot of a laid-out string is fixed: later offsets rest on it.
    const bool defining = datafile_ && datafile_->OpenMode() == domWriting && !datafile_->HeaderCommitted();
    if (width < 1 || width > 32767) return;
    if (!defining && (width_ - 1) / 8 != (width - 1) / 8) return;
  }
  width_ = width;
  writeFormatKept_ = false;
  Mark();
}

void TSPSSVariable::Set_Decimals(int decimals) {
  Mark();
  if (!isNumeric_ && decimals != 0) Raise(cresSPSS_InvalidDecimalValue);
  decimals_ = decimals;
  writeFormatKept_ = false;
}

void TSPSSVariable::Set_Columns(int columns) {
  Mark();
  columns_ = columns;
}

void TSPSSVariable::Set_Align(TSPSSAlign align) {
  Mark();
  align_ = align;
}

void TSPSSVariable::Set_Level(TSPSSLevel level) {
  Mark();
  level_ = level;
}

void TSPSSVariable::Set_MissingValueType(int type) {
  Mark();
  if (!isNumeric_ && (type < 0 || type > 3)) Raise(cresSPSS_InvalidMisValueType);
  missingValueType_ = type;
}

void TSPSSVariable::Set_MissingValue1(const Variant& value) {
  Mark();
  missing_[0] = value;
}

void TSPSSVariable::Set_MissingValue2(const Variant& value) {
  Mark();
  missing_[1] = value;
}

void TSPSSVariable::Set_MissingValue3(const Variant& value) {
  Mark();
  missing_[2] = value;
}

void TSPSSVariable::Set_ValueLabels(std::unique_ptr<TSPSSValuelabels> labels) {
  Mark();
  valueLabels_ = std::move(labels);
}

int TSPSSVariable::GetDBDatatype() const {
  switch (printType_) {
    case 1: return 1;
    case 2:
    case 5:
    case 6:
    case 9:
    case 10:
    case 16:
    case 26:
    case 27: return 3;
    case 3:
    case 11:
    case 12:
    case 32: return 6;
    case 4:
    case 33:
    case 34:
    case 35:
    case 36:
    case 37: return 7;
    case 20:
    case 21:
    case 22:
    case 23:
    case 24:
    case 25:
    case 28:
    case 29:
    case 30:
    case 31:
    case 38:
    case 39: return 11;
    default: return 0;
  }
}

void TSPSSVariable::SetOffSetValuesofNewVariable() {
  storageSize_ = isNumeric_ ? 8 : ((width_ - 1) / 8 + 1) * 8;
  if (storageSize_ <= 0) storageSize_ = 8;  // width 0 and below still take one block
  const int index = Index();
  if (index <= 0) {
    readOffset_ = writeOffset_ = 0;
    return;
  }
  const auto* prev = static_cast<TSPSSVariables*>(Collection())->GetItem(index - 1);
  readOffset_ = prev->readOffset_ + prev->storageSize_;
  writeOffset_ = prev->writeOffset_ + prev->storageSize_;
}

}  // namespace savkit
