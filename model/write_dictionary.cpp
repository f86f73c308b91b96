// Handing the dictionary of the object model to the library.
#include "io/format.h"
#include "raise.h"
#include "savkit/model/datafile.h"
#include "savkit/resourcestrings.h"
#include "savkit/spssio.h"

namespace savkit {

void TSPSSVariable::WriteFormat(int& width, int& decimals) const {
  // As stored while no format changed; else the print format's width and
  // decimals, fitted to the write type.
  const bool text = writeType_ == SPSS_FMT_A || writeType_ == SPSS_FMT_AHEX;
  width = text && writeType_ == SPSS_FMT_AHEX ? 2 * width_ : width_;
  decimals = decimals_;
  if (writeFormatKept_) {
    width = writeWidth_;
    decimals = writeDecimals_;
  } else if (!text && !io::ValidFormat(writeType_, width, decimals, 0)) {
    io::FitNumericFormat(writeType_, width, decimals);
  }
}

void TSPSSDatafile::WriteVariable(TSPSSVariable& v, bool overCopy) {
  const int h = writeHandle_;
  v.isNumeric_ = v.printType_ != 1 && v.printType_ != 2;
  const char* n = v.name_.c_str();
  CheckSuccess(spssSetVarName(h, n, v.isNumeric_ ? 0 : v.width_));
  // Copies keep what the object model does not hold, attributes above all.
  if (overCopy && !v.storedName_.empty()) CheckSuccess(spssSetVarCopiedFrom(h, n, v.storedName_.c_str()));
  // AHEX shows each byte of a string as two digits.
  const auto formatWidth = [&](int type) { return !v.isNumeric_ && type == 2 ? 2 * v.width_ : v.width_; };
  CheckSuccess(spssSetVarPrintFormat(h, n, v.printType_, v.decimals_, formatWidth(v.printType_)));
  int writeWidth = 0, writeDecimals = 0;
  v.WriteFormat(writeWidth, writeDecimals);
  CheckSuccess(spssSetVarWriteFormat(h, n, v.writeType_, writeDecimals, writeWidth));
  CheckSuccess(spssSetVarColumnWidth(h, n, v.columns_));
  CheckSuccess(spssSetVarAlignment(h, n, v.align_));
  // A label past what the interface's setter keeps is written whole (SPSS
  // writes them, readers take them), never cut.
  CheckSuccess(v.labelText_.size() > SPSS_MAX_VARLABEL ? spssSetVarLabelLong(h, n, v.labelText_.c_str())
                                                       : spssSetVarLabel(h, n, v.labelText_.c_str()));
  if (v.isNumeric_) {
    CheckSuccess(spssSetVarNMissingValues(h, n, v.missingValueType_, v.missing_[0].ToDouble(), v.missing_[1].ToDouble(),
                                          v.missing_[2].ToDouble()));
  } else {
    if (v.level_ == tslScale) v.level_ = tslNominal;
    // Long strings too: the library keeps their missing values.
    const std::string t[3] = {v.missing_[0].ToString(), v.missing_[1].ToString(), v.missing_[2].ToString()};
    CheckSuccess(spssSetVarCMissingValues(h, n, v.missingValueType_, t[0].c_str(), t[1].c_str(), t[2].c_str()));
  }
  CheckSuccess(spssSetVarMeasureLevel(h, n, v.level_));
  for (int i = 0; i < v.valueLabels_->Count(); ++i) {
    const TSPSSValueLabel* l = v.valueLabels_->GetItem(i);
    if (v.isNumeric_)
      CheckSuccess(spssSetVarNValueLabel(h, n, l->Value().ToDouble(), l->Label().c_str()));
    else
      CheckSuccess(spssSetVarCValueLabel(h, n, l->Value().ToString().c_str(), l->Label().c_str()));
  }
}

void TSPSSDatafile::WriteDictionary(bool overCopy) {
  const int h = writeHandle_;
  CheckSuccess(spssSetCompression(h, compression_));
  CheckSuccess(spssSetIdString(h, fileInfo_->FileLabel().c_str()));
  CheckSuccess(spssSetTextInfo(h, fileInfo_->TextInfo().c_str()));
  for (int i = 0; i < variables_->Count(); ++i) WriteVariable(*variables_->GetItem(i), overCopy);
  if (const TSPSSVariable* w = variables_->CaseWeightVar(); w && !w->Name().empty())
    CheckSuccess(spssSetCaseWeightVar(h, w->Name().c_str()));
  WriteVariableSet();
  WriteMRMDSet();
}

void TSPSSDatafile::SaveDictionary() {
  if (!writeDirect_) Raise(cresSPSS_SaveDictionaryCannotWithWriteDirect);
  WriteDictionary();
  CheckSuccess(spssCommitHeader(writeHandle_));
  headerCommitted_ = true;
}

void TSPSSDatafile::SaveDictionaryAs(const std::string& fileName) {
  LibraryHandle handle(LibraryHandle::Kind::Write);
  // In reading mode, the dictionary of the file open, whatever lies under its name now.
  CheckSuccess(openMode_ == domReading ? spssOpenWriteCopyHandle(fileName.c_str(), readHandle_, handle.Out())
                                       : spssOpenWriteCopy(fileName.c_str(), filename_.c_str(), handle.Out()),
               handle.Get());
  CheckSuccess(spssCommitHeader(handle.Get()));
  CheckSuccess(handle.Close());
}

}  // namespace savkit
