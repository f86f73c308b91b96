// Loading the dictionary of the file just opened into the object model.
#include <algorithm>
#include <limits>
#include <memory>

#include "raise.h"
#include "savkit/host/variant.h"
#include "savkit/model/datafile.h"
#include "savkit/resourcestrings.h"
#include "savkit/spssio.h"

namespace savkit {

namespace {

// Runs work on a list the library handed out, then gives the list back, also
// when the work fails; a failure to give it back is the one reported.
template <class Work, class Free>
void WithList(Work&& work, Free&& give) {
  try {
    work();
  } catch (...) {
    CheckSuccess(give());
    throw;
  }
  CheckSuccess(give());
}

}  // namespace

void TSPSSDatafile::ReadVariable(TSPSSVariable& v, const std::string& name, int type, int position) {
  const int h = readHandle_;
  const char* n = name.c_str();
  v.name_ = v.storedName_ = name;
  v.filePosition_ = v.position_ = position;
  CheckSuccess(spssGetVarHandle(h, n, &v.varHandle_));
  CheckSuccess(spssGetVarPrintFormat(h, n, &v.printType_, &v.decimals_, &v.width_));
  CheckSuccess(spssGetVarWriteFormat(h, n, &v.writeType_, &v.writeDecimals_, &v.writeWidth_));
  v.writeFormatKept_ = true;
  v.isNumeric_ = type == 0;
  // A string's width is its length, which its format need not show: AHEX
  // takes two digits a byte.
  if (!v.isNumeric_) v.width_ = type;
  CheckSuccess(spssGetVarColumnWidth(h, n, &v.columns_));
  int align = 0, level = 0;
  CheckSuccess(spssGetVarAlignment(h, n, &align));
  v.align_ = static_cast<TSPSSAlign>(align & 0xFF);
  // The whole label: SPSS writes labels past the 255 bytes the interface
  // hands out, and a save gives back what it read.
  char probe[1];
  int length = 0;
  CheckSuccess(spssGetVarLabelLong(h, n, probe, 1, &length));
  std::string label(static_cast<std::size_t>(length) + 1, '\0');
  CheckSuccess(spssGetVarLabelLong(h, n, label.data(), length + 1, &length));
  label.resize(static_cast<std::size_t>(length));
  v.labelText_ = std::move(label);
  CheckSuccess(spssGetVarMeasureLevel(h, n, &level));
  v.level_ = static_cast<TSPSSLevel>(level & 0xFF);

  // Strings of every width keep their missing values and labels: the library
  // has them for long strings too, and dropping them would lose them on save.
  int missingType = 0;
  Variant values[3];
  if (v.isNumeric_) {
    double d[3] = {0, 0, 0};
    CheckSuccess(spssGetVarNMissingValues(h, n, &missingType, &d[0], &d[1], &d[2]));
    for (int i = 0; i < 3; ++i) values[i] = Variant(d[i]);
  } else {
    char t[3][SPSS_MAX_MISSVALUE + 1] = {};
    spssGetVarCMissingValues(h, n, &missingType, t[0], t[1], t[2]);
    for (int i = 0; i < 3; ++i) values[i] = Variant(std::string(t[i]));
  }
  v.missingValueType_ = missingType;
  const int used = missingType == 0                          ? 0
                   : missingType == 1                        ? 1
                   : (missingType == 2 || missingType == -2) ? 2
                   : (missingType == 3 || missingType == -3) ? 3
                                                             : -1;
  if (used >= 0)
    for (int i = 0; i < 3; ++i) v.missing_[i] = i < used ? values[i] : Variant();

  int count = 0;
  std::vector<std::pair<Variant, std::string>> read;
  if (v.isNumeric_) {
    double* nums = nullptr;
    char** labels = nullptr;
    CheckSuccess(spssGetVarNValueLabels(h, n, &nums, &labels, &count));
    WithList(
        [&] {
          // Exact numbers: a text of 15 digits may no longer match.
          read.resize(static_cast<std::size_t>(count));
          for (std::size_t i = 0; i < read.size(); ++i) read[i] = {nums[i], labels[i]};
        },
        [&] { return spssFreeVarNValueLabels(nums, labels, count); });
  } else {
    char** texts = nullptr;
    char** labels = nullptr;
    CheckSuccess(spssGetVarCValueLabels(h, n, &texts, &labels, &count));
    WithList(
        [&] {
          read.resize(static_cast<std::size_t>(count));
          for (std::size_t i = 0; i < read.size(); ++i) read[i] = {std::string(texts[i]), labels[i]};
        },
        [&] { return spssFreeVarCValueLabels(texts, labels, count); });
  }
  v.valueLabels_->Refill(std::move(read));
  v.SetOffSetValuesofNewVariable();
}

void TSPSSDatafile::ReadVariablesAgain() {
  char** names = nullptr;
  int* types = nullptr;
  int listed = 0;
  CheckSuccess(spssGetVarNames(readHandle_, &listed, &names, &types));
  WithList(
      [&] {
        for (int p = 0; p < listed && p < variables_->Count(); ++p)
          ReadVariable(*variables_->GetItem(p), names[p], types[p], p);
      },
      [&] { return spssFreeVarNames(names, types, listed); });
}

void TSPSSDatafile::ReadDictionary() {
  const int h = readHandle_;
  int compression = 0, n = 0, listed = 0;
  CheckSuccess(spssGetCompression(h, &compression));
  compression_ = compression;
  CheckSuccess(spssGetNumberofVariables(h, &n));
  char** names = nullptr;
  int* types = nullptr;
  CheckSuccess(spssGetVarNames(h, &listed, &names, &types));
  WithList(
      [&] {
        long cases = 0;
        CheckSuccess(spssGetNumberofCases(h, &cases));
        // Case positions are ints: a file with more cases is refused, never cut.
        if (cases > std::numeric_limits<int>::max()) Raise(cresSPSS_TooManyCases, filename_);
        cases_->count_ = static_cast<int>(std::max(cases, 0L));
        for (int p = 0; p < n && p < listed; ++p)
          ReadVariable(*variables_->AddExistingVariable(), names[p], types[p], p);
      },
      [&] { return spssFreeVarNames(names, types, listed); });

  char weight[SPSS_MAX_VARNAME + 1] = {};
  CheckSuccess(spssGetCaseWeightVar(h, weight));
  if (TSPSSVariable* v = variables_->Find(weight)) variables_->caseWeightVar_ = v;
  variables_->UpdateVarTrees();
  ReadVariableSet();
  ReadMRMDSet();
}

}  // namespace savkit
