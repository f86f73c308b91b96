#include "savkit/model/cases.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>

#include "raise.h"
#include "savkit/model/datafile.h"
#include "savkit/resourcestrings.h"
#include "savkit/spssio.h"

namespace savkit {

namespace {

// The texts that stand for an empty string value in the edit cache: the
// system-missing value written with either decimal separator.
bool MeansEmpty(const std::string& text) {
  static const std::string kDot = FloatToStr(spssSysmisVal());
  static const std::string kComma = [] {
    std::string t = kDot;
    std::replace(t.begin(), t.end(), '.', ',');
    return t;
  }();
  return text == kComma || text == kDot;
}

}  // namespace

TSPSSCase* TSPSSCases::Get_Case(int index) {
  if (index < 1 || index > count_) Raise(cresSPSS_CaseNrIsNotValid);
  if (!caseObject_) caseObject_ = std::make_unique<TSPSSCase>(datafile_);
  caseObject_->caseNr_ = index;
  return caseObject_.get();
}

TSPSSCase* TSPSSCases::Add() {
  datafile_->Set_HeaderCommitted(true);
  if (!caseObject_) caseObject_ = std::make_unique<TSPSSCase>(datafile_);
  ++count_;
  TSPSSVariables* vars = datafile_->Variables();
  if (!datafile_->WriteDirect()) {
    caseObject_->caseNr_ = count_;
    datafile_->EditCache()->Resize(static_cast<std::uint32_t>(count_));
    datafile_->EditCache()->SetOriginalCaseNr(static_cast<std::uint32_t>(count_), 0);
  } else if (datafile_->OpenMode() == domWriting) {
    for (int i = 0; i < vars->Count(); ++i) {
      const TSPSSVariable* v = vars->GetItem(i);
      double handle = 0;
      spssGetVarHandle(datafile_->ReadHandle(), v->Name().c_str(), &handle);
      if (v->IsNumeric())
        CheckSuccess(spssSetValueNumeric(datafile_->WriteHandle(), handle, datafile_->SysmisValue()));
      else
        CheckSuccess(spssSetValueChar(datafile_->WriteHandle(), handle, ""));
    }
  } else {
    for (int i = 0; i < vars->Count(); ++i) ClearBuffer(i);
  }
  return caseObject_.get();
}

void TSPSSCases::Delete(int index) {
  if (datafile_->WriteDirect()) Raise(cresSPSS_WriteDirectisTrue);
  if (index < 1 || index > count_) Raise(cresSPSS_CaseNrIsNotValid);
  --count_;
  currentCase_ = 0;
  datafile_->EditCache()->DeleteCase(static_cast<std::uint32_t>(index));
}

void TSPSSCases::ClearBuffer(int index) {
  const TSPSSVariable* v = datafile_->Variables()->GetItem(index);
  const auto offset = static_cast<std::size_t>(v->ReadOffset());
  const auto size = static_cast<std::size_t>(v->StorageSize());
  if (offset + size > caseBuffer_.size()) return;
  if (v->IsNumeric()) {
    const double sysmis = datafile_->SysmisValue();
    std::memcpy(caseBuffer_.data() + offset, &sysmis, 8);
  } else {
    caseBuffer_[offset] = 0;  // the empty, zero-terminated text
  }
}

void TSPSSCases::Clear() {
  std::vector<std::uint8_t>().swap(caseBuffer_);
  caseObject_.reset();
  count_ = 0;
  currentCase_ = 0;
}

void TSPSSCases::Load(int position) {
  currentCase_ = position;
  const std::int32_t stored = datafile_->EditCache()->FindOriginalCaseNr(static_cast<std::uint32_t>(position));
  currentStored_ = stored != 0;
  if (stored == 0) return;
  const int h = datafile_->ReadHandle();
  CheckSuccess(spssSeekNextCase(h, stored - 1), h);
  CheckSuccess(spssWholeCaseIn(h, reinterpret_cast<char*>(caseBuffer_.data())), h);
  ++recordReads_;
  // The stored record does not reach the slots of variables added since: a
  // save that failed may have left another case's values there.
  for (int index : datafile_->Variables()->NewVarIndexes()) ClearBuffer(index);
}

void TSPSSCases::WriteSlot(int varIndex, const std::string& text) {
  const TSPSSVariable* v = datafile_->Variables()->GetItem(varIndex);
  const auto size = static_cast<std::size_t>(v->StorageSize());
  std::uint8_t* slot = caseBuffer_.data() + v->ReadOffset();
  // A text longer than its variable is cut between characters, never inside one.
  std::size_t n = std::min({size, static_cast<std::size_t>(v->Width()), text.size()});
  while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  std::memcpy(slot, text.data(), n);
  if (n < size) slot[n] = 0;
}

void TSPSSCases::Save() {
  if (datafile_->WriteDirect()) Raise(cresSPSS_WriteDirectisTrue);
  TSPSSVariables* vars = datafile_->Variables();
  TSPSSHashTable* edits = datafile_->EditCache();
  const int h = datafile_->ReadHandle();
  for (int i = 1; i <= count_; ++i) {
    Get_Case(i);
    const auto p = static_cast<std::uint32_t>(i);
    const std::int32_t stored = edits->FindOriginalCaseNr(p);
    currentStored_ = stored != 0;
    if (stored != 0) {
      CheckSuccess(spssSeekNextCase(h, stored - 1), h);
      CheckSuccess(spssWholeCaseIn(h, reinterpret_cast<char*>(caseBuffer_.data())), h);
      ++recordReads_;
      for (int index : vars->NewVarIndexes()) ClearBuffer(index);
    } else {
      for (int v = 0; v < vars->Count(); ++v) ClearBuffer(v);
    }
    currentCase_ = i;
    if (edits->IsModified(p)) {
      TSPSSHashTable::Key key;
      for (std::uint32_t n = 1; edits->GetFromList(p, n, key); ++n) {
        TSPSSVariable* v = vars->Find(key);
        if (!v) Raise(cresSPSS_INVALID_VARNAME);
        if (v->IsNumeric()) {
          double d;
          if (edits->Get(p, key, d)) std::memcpy(caseBuffer_.data() + v->ReadOffset(), &d, 8);
        } else {
          std::string text;
          if (edits->Get(p, key, text)) WriteSlot(v->Index(), MeansEmpty(text) ? std::string() : text);
        }
      }
    }
    if (datafile_->VariablesDeleted()) {
      for (int v = 0; v < vars->Count(); ++v) {
        const TSPSSVariable* var = vars->GetItem(v);
        if (var->ReadOffset() != var->WriteOffset())
          std::memmove(caseBuffer_.data() + var->WriteOffset(), caseBuffer_.data() + var->ReadOffset(),
                       static_cast<std::size_t>(var->StorageSize()));
      }
    }
    CheckSuccess(spssWholeCaseOut(datafile_->WriteHandle(), reinterpret_cast<const char*>(caseBuffer_.data())));
  }
}

TDateTime SpssDateToDateTime(double spssDate) {
  int day = 0, month = 0, year = 0, hour = 0, minute = 0;
  long days = 0;
  double second = 0;
  spssConvertSPSSDate(&day, &month, &year, spssDate);
  spssConvertSPSSTime(&days, &hour, &minute, &second, spssDate);
  return EncodeDate(year, month, day) + EncodeTime(hour, minute, static_cast<int>(second), 0);
}

double DateTimeToSpssDate(TDateTime value) {
  int year, month, day, hour, minute, second, ms;
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, minute, second, ms);
  double date = 0, time = 0;
  spssConvertDate(day, month, year, &date);
  spssConvertTime(0, hour, minute, second, &time);
  return date + time;
}

// Every value read passes here: the checks stay inline and their failures
// out of line.
inline const TSPSSVariable& TSPSSCase::Readable(int varIndex) const {
  TSPSSDatafile* d = datafile_;
  if (d->WriteDirect()) [[unlikely]]
    Raise(cresSPSS_WriteDirectisTrue);
  TSPSSVariables* vars = d->Variables();
  if (varIndex >= vars->Count()) [[unlikely]]
    Raise(cresSPSS_VariableNrIsNotValid);
  return *vars->GetItem(varIndex);
}

// The buffer's case and whether it has a stored record are known from its
// loading, so reading a case's values looks nothing up after the first.
inline const std::uint8_t* TSPSSCase::StoredSlot(const TSPSSVariable& v) {
  TSPSSCases* cases = datafile_->Cases();
  if (cases->currentCase_ != caseNr_) [[unlikely]]
    cases->Load(caseNr_);
  assert(cases->currentStored_ ==
         (datafile_->EditCache()->FindOriginalCaseNr(static_cast<std::uint32_t>(caseNr_)) != 0));
  if (!cases->currentStored_) return nullptr;
  return cases->caseBuffer_.data() + v.ReadOffset();
}

namespace {

// A stored text up to its first NUL byte, if any.
std::string_view StoredText(const std::uint8_t* slot, const TSPSSVariable& v) {
  const auto size = static_cast<std::size_t>(v.StorageSize());
  const void* nul = std::memchr(slot, 0, size);
  const std::size_t len = nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - slot) : size;
  return {reinterpret_cast<const char*>(slot), len};
}

}  // namespace

Variant TSPSSCase::GetValue(int varIndex) {
  const TSPSSVariable& v = Readable(varIndex);
  if (v.IsNumeric()) return Variant(NumberOf(v));
  std::string text;
  if (!TextOf(v, text)) return Variant(datafile_->SysmisValue());  // a new case's unset text
  return Variant(std::move(text));
}

double TSPSSCase::GetNumber(int varIndex) {
  const TSPSSVariable& v = Readable(varIndex);
  if (!v.IsNumeric()) CheckSuccess(SPSS_NUME_EXP);
  return NumberOf(v);
}

void TSPSSCase::GetText(int varIndex, std::string& out) {
  const TSPSSVariable& v = Readable(varIndex);
  if (v.IsNumeric()) CheckSuccess(SPSS_STR_EXP);
  if (!TextOf(v, out)) out.clear();
}

inline double TSPSSCase::NumberOf(const TSPSSVariable& v) {
  TSPSSHashTable* edits = datafile_->EditCache();
  double number;
  // A file nobody changed has no edits to look up.
  if (!edits->Untouched() && edits->Get(static_cast<std::uint32_t>(caseNr_), v.VarID(), number)) return number;
  const std::uint8_t* slot = StoredSlot(v);
  if (!slot) return datafile_->SysmisValue();
  std::memcpy(&number, slot, 8);
  return number;
}

inline bool TSPSSCase::TextOf(const TSPSSVariable& v, std::string& out) {
  TSPSSHashTable* edits = datafile_->EditCache();
  if (!edits->Untouched() && edits->Get(static_cast<std::uint32_t>(caseNr_), v.VarID(), out)) return true;
  const std::uint8_t* slot = StoredSlot(v);
  if (!slot) return false;
  out.assign(StoredText(slot, v));
  return true;
}

void TSPSSCase::SetValue(int varIndex, const Variant& value) {
  TSPSSDatafile* d = datafile_;
  if (varIndex == -1) Raise(cresSPSS_CaseNrIsNotValid);
  TSPSSVariable* v = d->Variables()->GetItem(varIndex);
  if (!d->WriteDirect()) {
    const auto p = static_cast<std::uint32_t>(caseNr_);
    if (v->IsNumeric())
      d->EditCache()->Add(p, v->VarID(), value.ToDouble());
    else
      d->EditCache()->Add(p, v->VarID(), std::string_view(value.ToString()));
  } else if (d->OpenMode() == domWriting) {
    double handle = 0;
    CheckSuccess(spssGetVarHandle(d->ReadHandle(), v->Name().c_str(), &handle));
    if (v->IsNumeric())
      CheckSuccess(spssSetValueNumeric(d->WriteHandle(), handle, value.ToDouble()));
    else
      CheckSuccess(spssSetValueChar(d->WriteHandle(), handle, value.ToString().c_str()));
  } else {
    TSPSSCases* cases = d->Cases();
    if (v->IsNumeric()) {
      const double number = value.ToDouble();
      std::memcpy(cases->caseBuffer_.data() + v->ReadOffset(), &number, 8);
    } else {
      cases->WriteSlot(varIndex, value.ToString());
    }
  }
}

TDateTime TSPSSCase::Get_DateTimeValue(int varIndex) { return SpssDateToDateTime(GetValue(varIndex).ToDouble()); }

void TSPSSCase::Set_DateTimeValue(int varIndex, TDateTime value) {
  SetValue(varIndex, Variant(DateTimeToSpssDate(value)));
}

void TSPSSCase::Save() {
  TSPSSDatafile* d = datafile_;
  if (!d->WriteDirect()) Raise(cresSPSS_FileCanOnlyBeSavedInWriteDirectMode);
  if (d->OpenMode() == domAppending)
    CheckSuccess(spssWholeCaseOut(d->WriteHandle(), reinterpret_cast<const char*>(d->Cases()->caseBuffer_.data())));
  else
    CheckSuccess(spssCommitCaseRecord(d->WriteHandle()));
}

}  // namespace savkit
