// The writing half of the C interface: new files, copies and appends.
#include <cassert>
#include <cfloat>
#include <cmath>
#include <algorithm>
#include <map>
#include <cstring>

#include "api_support.h"
#include "attributes.h"
#include "dictionary_writer.h"
#include "io/format.h"
#include "io/names.h"
#include "savkit/trim.h"

using namespace savkit::io;
using namespace savkit::io::api;

namespace {

constexpr int kMaxWidth = kMaxStringWidth;
constexpr std::size_t kMaxValueLabel = 120;

int Register(std::unique_ptr<OpenFile> file, int* handle) {
  const int h = handles::Add(std::move(file));
  if (h < 0) return SPSS_FITAB_FULL;
  *handle = h;
  return SPSS_OK;
}

// Cases of a file whose dictionary is committed.
template <class F>
int OnCases(int handle, F&& f) {
  return Guarded([&] {
    OpenFile* file = handles::Get(handle);
    if (!file) return SPSS_INVALID_HANDLE;
    if (file->mode == OpenFile::Mode::Read) return SPSS_OPEN_RDMODE;
    if (!file->out.committed) return SPSS_DICT_NOTCOMMIT;
    return f(*file);
  });
}

// The text in the file's encoding fits max bytes (blanks at its end aside).
bool FitsEncoded(OpenFile& f, std::string_view text, std::size_t max) {
  std::string out;
  if (!f.out.encoder.Encode(text, out)) return false;
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out.size() <= max;
}

const Variable* CopiedOf(const OpenFile& f, const Variable& v);

int SetFormat(int handle, const char* name, int type, int dec, int width, bool print) {
  return OnNewVariable(handle, name, [&](OpenFile& f, Variable& v) {
    // A number's format as the copied file has it is written back, whatever
    // its code: one savkit does not know is still the file's.
    const Variable* from = CopiedOf(f, v);
    const bool givenBack = from && v.IsNumeric() && (print ? from->print : from->write) == Format{type, width, dec};
    if (!givenBack && !ValidFormat(type, width, dec, v.width)) return print ? SPSS_INVALID_PRFOR : SPSS_INVALID_WRFOR;
    (print ? v.print : v.write) = Format{type, width, dec};
    return SPSS_OK;
  });
}

// Texts longer than the format keeps are cut, with the warning given; a text
// the file's encoding cannot hold is refused.
int Cut(OpenFile& f, std::string& text, std::size_t max, int warning) {
  std::string encoded;
  if (!f.out.encoder.Encode(text, encoded)) return SPSS_EXC_STRVALUE;
  if (encoded.size() <= max) return SPSS_OK;
  // The limit is the file's bytes: in a code page a text may hold more
  // characters than in UTF-8. Cut between characters until it fits.
  CutUtf8(text, std::max(max, text.size() - (encoded.size() - max)));
  while (!text.empty() && f.out.encoder.Encode(text, encoded) && encoded.size() > max) CutUtf8(text, text.size() - 1);
  return warning;
}

// A text the API handed out (cut to max bytes) and is given back unchanged
// stands for the whole text it was cut from: a copy's labels are never
// shortened by passing through a caller's buffers.
bool GivenBack(const std::string& given, const std::string& whole, std::size_t max) {
  if (given == whole) return true;
  std::string handedOut = whole;
  CutUtf8(handedOut, max);
  return given == handedOut;
}

// Cuts text unless it gives back the whole one.
int CutUnlessGivenBack(OpenFile& f, std::string& text, const std::string* whole, std::size_t max, int warning) {
  if (whole && GivenBack(text, *whole, max)) {
    text = *whole;
    return SPSS_OK;
  }
  return Cut(f, text, max, warning);
}

// The copied variable that v carries on, or null.
const Variable* CopiedOf(const OpenFile& f, const Variable& v) {
  if (v.copiedFrom < 0) return nullptr;
  assert(f.copy && static_cast<std::size_t>(v.copiedFrom) < f.copy->setAside.size());
  return &f.copy->setAside[static_cast<std::size_t>(v.copiedFrom)];
}

}  // namespace

extern "C" {

int spssOpenWrite(const char* fileName, int* handle) {
  return Guarded([&] {
    if (!handle) return SPSS_INVALID_HANDLE;
    auto file = std::make_unique<OpenFile>();
    if (const int status = CreateForWriting(fileName, *file)) return status;
    file->dict.compression = kBytecode;
    StampNewFile(file->dict);
    return Register(std::move(file), handle);
  });
}

namespace {

// Records kept whole from a file in the other byte order: their numbers are
// turned round, element by element.
void SwapKeptRecords(std::vector<RawRecord>& records) {
  for (RawRecord& r : records) {
    if (r.size != 4 && r.size != 8) continue;
    for (std::size_t at = 0; at + static_cast<std::size_t>(r.size) <= r.data.size();
         at += static_cast<std::size_t>(r.size))
      std::reverse(r.data.begin() + static_cast<std::ptrdiff_t>(at),
                   r.data.begin() + static_cast<std::ptrdiff_t>(at) + r.size);
  }
}

}  // namespace

}  // extern "C"

namespace {

// A new file whose dictionary is a copy of source's, written in our byte
// order and in the source's encoding, so that every text that fit there fits
// again.
int OpenCopy(const char* fileName, Dictionary source, int* handle) {
  auto file = std::make_unique<OpenFile>();
  if (const int status = CreateForWriting(fileName, *file)) return status;
  file->copy.emplace();
  Dictionary& dict = file->dict;
  dict = std::move(source);
  if (dict.swap) SwapKeptRecords(dict.keptRecords);
  if (!file->out.encoder.Open(dict.encoding)) return SPSS_INCOMPAT_APPEND;
  dict.swap = false;
  dict.zlib = false;
  dict.extendedCountAt = 0;
  StampNewFile(dict);
  if (dict.hasMultResp && ParseMrSets(dict.multResp, dict, file->mrSets) != SPSS_OK) file->mrSets.clear();
  file->IndexNames();
  return Register(std::move(file), handle);
}

}  // namespace

extern "C" {

int spssOpenWriteCopy(const char* fileName, const char* dictFileName, int* handle) {
  return Guarded([&] {
    if (!handle) return SPSS_INVALID_HANDLE;
    std::unique_ptr<OpenFile> source;
    const int opened = OpenForReading(dictFileName, source);
    if (opened > 0) return opened;
    const int status = OpenCopy(fileName, std::move(source->dict), handle);
    return status == SPSS_OK ? opened : status;
  });
}

int spssOpenWriteCopyHandle(const char* fileName, int dictHandle, int* handle) {
  return Guarded([&] {
    if (!handle) return SPSS_INVALID_HANDLE;
    const OpenFile* source = handles::Get(dictHandle);
    if (!source) return SPSS_INVALID_HANDLE;
    if (source->mode != OpenFile::Mode::Read) return SPSS_OPEN_WRMODE;
    return OpenCopy(fileName, source->dict, handle);
  });
}

int spssOpenAppend(const char* fileName, int* handle) {
  return Guarded([&] {
    if (!handle) return SPSS_INVALID_HANDLE;
    std::unique_ptr<OpenFile> file;
    const int opened = OpenForReading(fileName, file);
    if (opened > 0) return opened;
    file->out.target = fileName;
    if (const int status = PrepareAppend(*file)) return status;
    const int status = Register(std::move(file), handle);
    return status == SPSS_OK ? opened : status;
  });
}

int spssValidateVarname(const char* varName) {
  return Guarded([&] { return varName ? ValidateName(varName) : SPSS_NAME_BADLTH; });
}

int spssCloseWrite(int handle) {
  return Guarded([&] {
    OpenFile* file = handles::Get(handle);
    if (!file) return SPSS_INVALID_HANDLE;
    if (file->mode == OpenFile::Mode::Read) return SPSS_OPEN_RDMODE;
    if (file->mode == OpenFile::Mode::Append) return SPSS_OPEN_WRMODE;
    // A file whose dictionary could not be written is let go unfinished.
    if (file->out.broken) {
      handles::Remove(handle);
      return SPSS_FILE_WERROR;
    }
    // A dictionary never committed is committed now, so that closing makes a file.
    if (!file->out.committed) {
      if (const int status = spssCommitHeader(handle)) {
        handles::Remove(handle);
        return status;
      }
    }
    return FinishWriting(handles::Remove(handle));
  });
}

int spssDiscardWrite(int handle) {
  return Guarded([&] {
    OpenFile* file = handles::Get(handle);
    if (!file) return SPSS_INVALID_HANDLE;
    if (file->mode == OpenFile::Mode::Read) return SPSS_OPEN_RDMODE;
    handles::Remove(handle);  // unnamed until complete: nothing is left; an append is undone
    return SPSS_OK;
  });
}

int spssCloseAppend(int handle) {
  return Guarded([&] {
    OpenFile* file = handles::Get(handle);
    if (!file) return SPSS_INVALID_HANDLE;
    if (file->mode == OpenFile::Mode::Read) return SPSS_OPEN_RDMODE;
    if (file->mode == OpenFile::Mode::Write) return SPSS_OPEN_WRMODE;
    return FinishWriting(handles::Remove(handle));
  });
}

int spssSetCompression(int handle, int compSwitch) {
  return OnNewDictionary(handle, [&](OpenFile& f) {
    if (compSwitch < 0 || compSwitch > 2) return SPSS_INVALID_COMPSW;
    f.dict.compression = compSwitch;
    return SPSS_OK;
  });
}

int spssSetPassword(int handle, const char* password) {
  return OnNewDictionary(handle, [&](OpenFile& f) {
    if (f.mode != OpenFile::Mode::Write) return SPSS_OPEN_WRMODE;
    if (f.out.portable) return SPSS_NOT_PORTABLE;
    if (!password || !*password) return SPSS_WRONG_PASSWORD;
    if (f.out.password.Empty()) {
      // The plain file is made in memory; only its encrypted form reaches the disk.
      const int plain = MemoryFile();
      if (plain < 0) return SPSS_NO_MEMORY;
      f.out.fd = plain;
    }
    f.out.password = Secret(password);
    return SPSS_OK;
  });
}

int spssSetPortable(int handle) {
  return OnNewDictionary(handle, [&](OpenFile& f) {
    if (f.mode != OpenFile::Mode::Write) return SPSS_OPEN_WRMODE;
    if (!f.out.password.Empty()) return SPSS_NOT_PORTABLE;
    f.out.portable = true;
    return SPSS_OK;
  });
}

int spssSetIdString(int handle, const char* id) {
  return OnNewDictionary(handle, [&](OpenFile& f) {
    std::string label = id ? id : "";
    const int status = CutUnlessGivenBack(f, label, &f.dict.fileLabel, SPSS_MAX_IDSTRING, SPSS_EXC_LEN64);
    if (status <= 0) f.dict.fileLabel = std::move(label);
    return status;
  });
}

int spssSetTextInfo(int handle, const char* textInfo) {
  return OnNewDictionary(handle, [&](OpenFile& f) {
    std::string text = textInfo ? textInfo : "";
    const int status = CutUnlessGivenBack(f, text, &f.dict.textInfo, SPSS_MAX_TEXTINFO, SPSS_OK);
    if (status == SPSS_OK) f.dict.textInfo = std::move(text);
    return status;
  });
}

int spssSetVarName(int handle, const char* varName, int varLength) {
  return OnNewDictionary(handle, [&](OpenFile& f) {
    if (varLength < 0 || varLength > kMaxWidth) return SPSS_INVALID_VARTYPE;
    if (!varName || ValidateName(varName) != SPSS_NAME_OK || !FitsEncoded(f, varName, SPSS_MAX_VARNAME))
      return SPSS_INVALID_VARNAME;
    if (f.folded.count(FoldName(varName))) return SPSS_DUP_VAR;
    Variable v;
    v.name = varName;
    v.width = varLength;
    v.fileWidth = varLength;
    if (varLength == 0) {
      v.print = v.write = Format{SPSS_FMT_F, 8, 2};
      v.measure = SPSS_MLVL_RAT;
      v.alignment = SPSS_ALIGN_RIGHT;
      v.columns = 8;
    } else {
      v.print = v.write = Format{SPSS_FMT_A, varLength, 0};
      v.measure = SPSS_MLVL_NOM;
      v.alignment = SPSS_ALIGN_LEFT;
      v.columns = std::min(varLength, 32);
    }
    f.dict.hasDisplay = true;  // a new variable has its display parameters written
    v.offset = f.dict.caseSize;
    v.slot = SlotSize(varLength);
    f.dict.caseSize += v.slot;
    const int index = static_cast<int>(f.dict.variables.size());
    f.exact.emplace(v.name, index);
    f.folded.emplace(FoldName(v.name), index);
    f.dict.variables.push_back(std::move(v));
    return SPSS_OK;
  });
}

int spssRestartCopiedVars(int handle) {
  return OnNewDictionary(handle, [&](OpenFile& f) {
    // Only a copy has variables to set aside; anywhere else this would throw
    // away the variables defined so far.
    if (!f.copy) return SPSS_INVALID_HANDLE;
    if (!f.copy->restarted) {
      f.copy->setAside = std::move(f.dict.variables);
      f.copy->setAsideFolded = std::move(f.folded);
    }
    f.copy->restarted = true;
    f.copy->setAsideTaken.assign(f.copy->setAside.size(), 0);
    f.dict.variables.clear();
    f.dict.weight = -1;
    f.dict.caseSize = 0;
    f.mrSets.clear();
    f.exact.clear();
    f.folded.clear();
    return SPSS_OK;
  });
}

int spssSetVarCopiedFrom(int handle, const char* varName, const char* copiedName) {
  return OnNewVariable(handle, varName, [&](OpenFile& f, Variable& v) {
    if (!f.copy) return SPSS_INVALID_HANDLE;
    if (!copiedName) return SPSS_VAR_NOTFOUND;
    const auto found = f.copy->setAsideFolded.find(FoldName(copiedName));
    if (found == f.copy->setAsideFolded.end()) return SPSS_VAR_NOTFOUND;
    if (f.copy->setAsideTaken[static_cast<std::size_t>(found->second)]) return SPSS_DUP_VAR;
    f.copy->setAsideTaken[static_cast<std::size_t>(found->second)] = 1;
    v.copiedFrom = found->second;
    const Variable* from = &f.copy->setAside[static_cast<std::size_t>(found->second)];
    // The width in the file (a code page's, not the API's) goes on while the
    // width does; the short name while the name does.
    if (from->width == v.width) v.fileWidth = from->fileWidth;
    if (FoldName(from->name) == FoldName(v.name)) v.shortName = from->shortName;
    v.attributes = from->attributes;
    return SPSS_OK;
  });
}

int spssSetVarPrintFormat(int handle, const char* varName, int printType, int printDec, int printWid) {
  return SetFormat(handle, varName, printType, printDec, printWid, true);
}

int spssSetVarWriteFormat(int handle, const char* varName, int writeType, int writeDec, int writeWid) {
  return SetFormat(handle, varName, writeType, writeDec, writeWid, false);
}

int spssSetVarColumnWidth(int handle, const char* varName, int columnWidth) {
  return OnNewVariable(handle, varName, [&](OpenFile& f, Variable& v) {
    if (columnWidth < 0 || columnWidth > kMaxWidth) return SPSS_INVALID_PRFOR;
    f.dict.hasDisplay = true;
    v.columns = columnWidth;
    return SPSS_OK;
  });
}

int spssSetVarAlignment(int handle, const char* varName, int alignment) {
  return OnNewVariable(handle, varName, [&](OpenFile& f, Variable& v) {
    if (alignment < SPSS_ALIGN_LEFT || alignment > SPSS_ALIGN_CENTER) return SPSS_INVALID_PRFOR;
    f.dict.hasDisplay = true;
    v.alignment = alignment;
    return SPSS_OK;
  });
}

int spssSetVarMeasureLevel(int handle, const char* varName, int measureLevel) {
  return OnNewVariable(handle, varName, [&](OpenFile& f, Variable& v) {
    if (measureLevel < SPSS_MLVL_UNK || measureLevel > SPSS_MLVL_RAT) return SPSS_INVALID_MEASURELEVEL;
    if (!v.IsNumeric() && measureLevel == SPSS_MLVL_RAT) return SPSS_INVALID_MEASURELEVEL;
    f.dict.hasDisplay = true;
    v.measure = measureLevel;
    return SPSS_OK;
  });
}

int spssSetVarLabel(int handle, const char* varName, const char* varLabel) {
  return OnNewVariable(handle, varName, [&](OpenFile& f, Variable& v) {
    std::string label = varLabel ? varLabel : "";
    const Variable* from = CopiedOf(f, v);
    const int status =
        CutUnlessGivenBack(f, label, from ? &from->label : nullptr, SPSS_MAX_VARLABEL, SPSS_EXC_VARLABEL);
    if (status <= 0) v.label = std::move(label);
    return status;
  });
}

int spssSetFileEncoding(int handle, const char* encoding) {
  return OnNewDictionary(handle, [&](OpenFile& f) {
    // Every text is checked against the encoding as it is set: it comes first.
    if (f.copy || !f.dict.variables.empty()) return SPSS_DICT_COMMIT;
    const std::string name = encoding ? encoding : "";
    if (name.empty() || !f.out.encoder.Open(name)) {
      f.out.encoder.Open("");
      return SPSS_INVALID_FILE;
    }
    f.dict.encoding = f.out.encoder.Identity() ? std::string() : name;
    f.dict.releaseInfo[7] = CodePageFor(f.dict.encoding);  // the header's character code says it too
    return SPSS_OK;
  });
}

int spssSetVarFileWidth(int handle, const char* varName, int fileWidth) {
  return OnNewVariable(handle, varName, [&](OpenFile& f, Variable& v) {
    if (v.width == 0 || fileWidth < 1 || fileWidth > kMaxWidth) return SPSS_INVALID_VARTYPE;
    // Labelled and missing values set before must fit the file's width too:
    // the file would hold them cut.
    const auto width = static_cast<std::size_t>(fileWidth);
    for (const auto& [value, label] : v.textLabels)
      if (!FitsEncoded(f, value, width)) return SPSS_EXC_STRVALUE;
    for (int i = 0; i < std::min(v.missing.type, 3); ++i)
      if (!FitsEncoded(f, v.missing.text[i], std::min(width, kMissingValueBytes))) return SPSS_EXC_STRVALUE;
    v.fileWidth = fileWidth;
    return SPSS_OK;
  });
}

int spssSetVarLabelLong(int handle, const char* varName, const char* varLabel) {
  return OnNewVariable(handle, varName, [&](OpenFile& f, Variable& v) {
    const std::string label = varLabel ? varLabel : "";
    if (!FitsEncoded(f, label, kMaxLongLabel)) return SPSS_EXC_STRVALUE;
    v.label = label;
    return SPSS_OK;
  });
}

int spssSetVarNMissingValues(int handle, const char* varName, int missingFormat, double missingVal1, double missingVal2,
                             double missingVal3) {
  return OnNewVariable(handle, varName, [&](OpenFile&, Variable& v) {
    if (!v.IsNumeric()) return SPSS_NUME_EXP;
    const int t = missingFormat;
    if (t < SPSS_MISS_RANGEANDVAL || t > SPSS_THREE_MISSVAL || t == -1) return SPSS_INVALID_MISSFOR;
    if (t < 0 && missingVal1 > missingVal2) return SPSS_INVALID_MISSFOR;
    v.missing = MissingValues{};
    v.missing.type = t;
    const double values[3] = {missingVal1, missingVal2, missingVal3};
    for (int i = 0; i < (t < 0 ? -t : t); ++i) v.missing.number[i] = values[i];
    return SPSS_OK;
  });
}

int spssSetVarCMissingValues(int handle, const char* varName, int missingFormat, const char* missingVal1,
                             const char* missingVal2, const char* missingVal3) {
  return OnNewVariable(handle, varName, [&](OpenFile& f, Variable& v) {
    if (v.IsNumeric()) return SPSS_STR_EXP;
    if (missingFormat < 0 || missingFormat > 3) return SPSS_INVALID_MISSFOR;
    const char* values[3] = {missingVal1, missingVal2, missingVal3};
    MissingValues m;
    m.type = missingFormat;
    for (int i = 0; i < missingFormat; ++i) {
      if (!values[i]) return SPSS_INVALID_MISSFOR;
      std::string value = values[i];
      if (value.size() > static_cast<std::size_t>(v.width)) return SPSS_EXC_STRVALUE;
      if (!FitsEncoded(f, value, SIZE_MAX)) return SPSS_EXC_STRVALUE;
      // The file keeps the first 8 bytes of a missing value, in its encoding.
      if (!FitsEncoded(f, value, kMissingValueBytes)) return SPSS_INVALID_MISSFOR;
      m.text[i] = value;
    }
    v.missing = m;
    return SPSS_OK;
  });
}

int spssSetVarNValueLabel(int handle, const char* varName, double value, const char* label) {
  return OnNewVariable(handle, varName, [&](OpenFile& f, Variable& v) {
    if (!v.IsNumeric()) return SPSS_NUME_EXP;
    std::string text = label ? label : "";
    const Variable* from = CopiedOf(f, v);
    const std::string* whole = from ? from->numberLabels.Find(value) : nullptr;
    const int status = CutUnlessGivenBack(f, text, whole, kMaxValueLabel, SPSS_EXC_VALLABEL);
    if (status > 0) return status;
    v.numberLabels.Set(value, std::move(text));
    return status;
  });
}

int spssSetVarCValueLabel(int handle, const char* varName, const char* value, const char* label) {
  return OnNewVariable(handle, varName, [&](OpenFile& f, Variable& v) {
    if (v.IsNumeric()) return SPSS_STR_EXP;
    std::string key = value ? value : "";
    // Blanks past the width pad the value; they are not part of it.
    if (savkit::trim::Blanks(key).size() > static_cast<std::size_t>(v.width)) return SPSS_EXC_STRVALUE;
    if (key.size() > static_cast<std::size_t>(v.width)) key.resize(static_cast<std::size_t>(v.width));
    if (!FitsEncoded(f, key, static_cast<std::size_t>(v.fileWidth))) return SPSS_EXC_STRVALUE;
    std::string text = label ? label : "";
    const Variable* from = CopiedOf(f, v);
    const std::string* whole = from ? from->textLabels.Find(key) : nullptr;
    const int status = CutUnlessGivenBack(f, text, whole, kMaxValueLabel, SPSS_EXC_VALLABEL);
    if (status > 0) return status;
    v.textLabels.Set(key, std::move(text));
    return status;
  });
}

int spssSetCaseWeightVar(int handle, const char* varName) {
  return OnNewDictionary(handle, [&](OpenFile& f) {
    if (!varName || !*varName) {
      f.dict.weight = -1;
      return SPSS_OK;
    }
    const Variable* v = f.Find(varName);
    if (!v) return SPSS_VAR_NOTFOUND;
    if (!v->IsNumeric()) return SPSS_INVALID_CASEWGT;
    f.dict.weight = static_cast<int>(v - f.dict.variables.data());
    return SPSS_OK;
  });
}

int spssSetVariableSets(int handle, const char* varSets) {
  return OnNewDictionary(handle, [&](OpenFile& f) {
    if (varSets && !FitsEncoded(f, varSets, SIZE_MAX)) return SPSS_EXC_STRVALUE;
    f.dict.variableSets = varSets ? varSets : "";
    f.dict.hasVariableSets = !f.dict.variableSets.empty();
    return SPSS_OK;
  });
}

int spssSetMultRespDefs(int handle, const char* mrespDefs) {
  return OnNewDictionary(handle, [&](OpenFile& f) {
    std::vector<MrSet> sets;
    if (const int status = ParseMrSets(mrespDefs ? mrespDefs : "", f.dict, sets)) return status;
    f.mrSets = std::move(sets);
    return SPSS_OK;
  });
}

namespace {

// The variable attributes of a copy whose variables were defined anew follow
// their variables; attributes of variables left out go with them.
void FollowRenames(OpenFile& f) {
  std::vector<RawRecord>& kept = f.dict.keptRecords;
  // Old name to new, in the file's encoding, keys in lower-case ASCII.
  std::map<std::string, std::string> names;
  for (const Variable& v : f.dict.variables) {
    std::string from, to;
    const Variable* copied = CopiedOf(f, v);
    if (copied && f.out.encoder.Encode(copied->name, from) && f.out.encoder.Encode(v.name, to))
      names.emplace(LowerAscii(from), to);
  }
  for (RawRecord& r : kept) {
    if (r.subtype != kVariableAttributes || r.size != 1) continue;
    std::vector<std::uint8_t> renamed;
    if (!RenameAttributeSets(r.data, names, renamed)) continue;  // kept as it came
    r.data = std::move(renamed);
    r.count = static_cast<int>(r.data.size());
  }
  std::erase_if(kept, [](const RawRecord& r) { return r.subtype == kVariableAttributes && r.data.empty(); });
}

// Attributes set through the API replace the records the file kept.
int WriteSetAttributes(OpenFile& f) {
  std::vector<RawRecord>& kept = f.dict.keptRecords;
  const auto replace = [&](int subtype, const std::string& text) {
    std::string encoded;
    if (!f.out.encoder.Encode(text, encoded)) return false;
    std::erase_if(kept, [&](const RawRecord& r) { return r.subtype == subtype; });
    if (encoded.empty()) return true;
    RawRecord r;
    r.subtype = subtype, r.size = 1, r.count = static_cast<int>(encoded.size());
    r.data.assign(encoded.begin(), encoded.end());
    kept.push_back(std::move(r));
    return true;
  };
  if (f.dict.fileAttributesSet && !replace(kFileAttributes, AttributeSetText(f.dict.fileAttributes)))
    return SPSS_EXC_STRVALUE;
  if (!f.dict.variableAttributesSet) return SPSS_OK;
  std::string text;
  for (const Variable& v : f.dict.variables) {
    if (v.attributes.empty()) continue;
    text += (text.empty() ? "" : "/") + v.name + ":" + AttributeSetText(v.attributes);
  }
  return replace(kVariableAttributes, text) ? SPSS_OK : SPSS_EXC_STRVALUE;
}

// A portable file's dictionary: refused whole where it holds what the file
// cannot (the fault says what), written by the variables' short names.
int CommitPortable(OpenFile& f) {
  if (const std::string misfits = PortableMisfits(f.dict); !misfits.empty()) {
    f.in.fault.Note(-1, misfits.substr(0, misfits.size() - 1));
    return SPSS_NOT_PORTABLE;
  }
  LayOut(f.dict, f.out.encoder);
  PortableShortNames(f.dict);
  f.out.portableWriter = std::make_unique<PortableWriter>(f.out.fd, f.dict);
  std::string why;
  if (const int status = f.out.portableWriter->WriteDictionary(why)) {
    f.out.broken = true;
    f.in.fault.Note(-1, why);
    return status;
  }
  f.ClearRecord();
  f.out.committed = true;
  return SPSS_OK;
}

// One case, to whichever kind of file is written.
int WriteRecord(OpenFile& f, const std::uint8_t* record) {
  if (!f.out.portableWriter) return f.out.writer->Write(record);
  std::string why;
  const int status = f.out.portableWriter->WriteCase(record, why);
  if (status != SPSS_OK) {
    f.in.fault.Clear();
    f.in.fault.Note(-1, "case " + std::to_string(f.out.written + 1) + ", " + why);
  }
  return status;
}

}  // namespace

int spssCommitHeader(int handle) {
  return OnNewDictionary(handle, [&](OpenFile& f) {
    if (f.dict.variables.empty()) return SPSS_DICT_EMPTY;
    if (f.copy && f.copy->restarted) FollowRenames(f);
    if (const int status = WriteSetAttributes(f)) return status;
    if (f.out.portable) return CommitPortable(f);
    LayOut(f.dict, f.out.encoder);
    const DictionaryBytes bytes = SerializeDictionary(f.dict, f.mrSets, f.out.encoder);
    f.dict.extendedCountAt = bytes.extendedCountAt;
    FileOutput out(f.out.fd, 0);
    out.Write(bytes.bytes.data(), bytes.bytes.size());
    if (!out.Flush()) {
      f.out.broken = true;
      return SPSS_FILE_WERROR;
    }
    f.out.writer = std::make_unique<CaseWriter>(f.out.fd, f.dict, bytes.bytes.size());
    f.out.writer->SetEncoder(f.out.encoder.Identity() ? nullptr : &f.out.encoder);
    f.ClearRecord();
    f.out.committed = true;
    return SPSS_OK;
  });
}

int spssSetValueNumeric(int handle, double varHandle, double value) {
  return OnCases(handle, [&](OpenFile& f) {
    const Variable* v = ByHandle(f, varHandle);
    if (!v) return SPSS_VAR_NOTFOUND;
    if (!v->IsNumeric()) return SPSS_NUME_EXP;
    std::memcpy(f.record.data() + v->offset, &value, 8);
    return SPSS_OK;
  });
}

int spssSetValueChar(int handle, double varHandle, const char* value) {
  return OnCases(handle, [&](OpenFile& f) {
    const Variable* v = ByHandle(f, varHandle);
    if (!v) return SPSS_VAR_NOTFOUND;
    if (v->IsNumeric()) return SPSS_STR_EXP;
    const std::size_t len = value ? std::strlen(value) : 0;
    if (len > static_cast<std::size_t>(v->width)) return SPSS_EXC_STRVALUE;
    std::uint8_t* slot = f.record.data() + v->offset;
    if (len) std::memcpy(slot, value, len);
    std::memset(slot + len, ' ', v->slot - len);
    return SPSS_OK;
  });
}

int spssCommitCaseRecord(int handle) {
  return OnCases(handle, [&](OpenFile& f) {
    const int status = WriteRecord(f, f.record.data());
    if (status == SPSS_OK) ++f.out.written;
    return status;
  });
}

int spssWholeCaseOut(int handle, const char* caseRec) {
  return OnCases(handle, [&](OpenFile& f) {
    if (!caseRec) return SPSS_INVALID_CASE;
    const int status = WriteRecord(f, reinterpret_cast<const std::uint8_t*>(caseRec));
    if (status == SPSS_OK) ++f.out.written;
    return status;
  });
}

}  // extern "C"
