// The reading half of the C interface.
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "api_support.h"
#include "io/format.h"

using namespace savkit::io;
using namespace savkit::io::api;

namespace {

// The cases the bytes after the dictionary can hold at the most: an element
// takes 8 bytes uncompressed and a command byte at least in bytecode, and
// deflate packs at most 1032 bytes into one. A count past it is no count a
// reader should make room for.
long long MostCases(const OpenFile& f) {
  if (f.dict.portable) return f.dict.cases;  // counted on opening
  struct stat st;
  if (::fstat(f.fd, &st) != 0) return f.dict.cases;
  const auto size = static_cast<std::uint64_t>(st.st_size);
  const std::uint64_t data = size > f.dict.dataOffset ? size - f.dict.dataOffset : 0;
  const auto elements = static_cast<std::uint64_t>(std::max(f.dict.elementsPerCase, 1));
  constexpr std::uint64_t kDeflateRatio = 1032;
  const std::uint64_t most = f.dict.compression == kUncompressed ? data / (8 * elements)
                             : f.dict.compression == kBytecode   ? data / elements
                                                                 : data * kDeflateRatio / elements;
  const auto bound = static_cast<long long>(std::min<std::uint64_t>(most, INT64_MAX));
  return f.dict.cases < 0 ? bound : std::min<long long>(f.dict.cases, bound);
}

// What a case mark carries of its file, so that a mark of another file, or
// of this one before it changed, is told apart: FNV-1a of the file's shape.
std::uint32_t MarkCheck(const OpenFile& f) {
  struct stat st;
  const std::uint64_t size = ::fstat(f.fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  const std::uint64_t facts[] = {size, f.dict.dataOffset, static_cast<std::uint64_t>(f.dict.elementsPerCase),
                                 static_cast<std::uint64_t>(f.dict.compression),
                                 static_cast<std::uint64_t>(f.dict.cases)};
  std::uint32_t h = 2166136261u;
  for (std::uint64_t fact : facts)
    for (int i = 0; i < 8; ++i) h = (h ^ static_cast<std::uint8_t>(fact >> (8 * i))) * 16777619u;
  return h;
}

}  // namespace

extern "C" {

int spssOpenReadWith(const char* fileName, const char* encoding, const char* password, int* handle) {
  return Guarded([&] {
    if (!handle) return SPSS_INVALID_HANDLE;
    if (encoding && !*encoding) return SPSS_INVALID_FILE;
    std::unique_ptr<OpenFile> file;
    const int status = OpenForReading(fileName, file, encoding, password);
    if (status > 0) return status;
    file->mode = OpenFile::Mode::Read;
    const int h = handles::Add(std::move(file));
    if (h < 0) return SPSS_FITAB_FULL;
    *handle = h;
    return status;  // a warning leaves the file open
  });
}

int spssOpenRead(const char* fileName, int* handle) { return spssOpenReadWith(fileName, nullptr, nullptr, handle); }

int spssOpenReadEncoded(const char* fileName, const char* encoding, int* handle) {
  if (!encoding) return SPSS_INVALID_FILE;
  return spssOpenReadWith(fileName, encoding, nullptr, handle);
}

int spssGetFileKind(int handle, int* kind) {
  return OnFile(handle, [&](OpenFile& f) {
    if (!kind) return SPSS_INVALID_HANDLE;
    *kind = (f.dict.portable || f.out.portable ? SPSS_KIND_PORTABLE : SPSS_KIND_SYSTEM) |
            (f.dict.encrypted ? SPSS_KIND_ENCRYPTED : 0);
    return SPSS_OK;
  });
}

int spssCloseRead(int handle) {
  return OnReader(handle, [&](OpenFile&) {  // a file open for writing is closed as what it is
    handles::Remove(handle);
    return SPSS_OK;
  });
}

int spssGetNumberofVariables(int handle, int* numVars) {
  return OnFile(handle, [&](OpenFile& f) {
    if (numVars) *numVars = static_cast<int>(f.dict.variables.size());
    return SPSS_OK;
  });
}

int spssGetNumberofCases(int handle, long* numCases) {
  return OnFile(handle, [&](OpenFile& f) {
    if (numCases) *numCases = static_cast<long>(f.mode == OpenFile::Mode::Read ? f.dict.cases : f.out.written);
    return SPSS_OK;
  });
}

int spssGetMostCases(int handle, long long* mostCases) {
  return OnFile(handle, [&](OpenFile& f) {
    if (!mostCases) return SPSS_INVALID_HANDLE;
    if (f.mode != OpenFile::Mode::Read) return *mostCases = f.out.written, SPSS_OK;
    *mostCases = MostCases(f);
    return SPSS_OK;
  });
}

int spssGetCaseSize(int handle, long* caseSize) {
  return OnFile(handle, [&](OpenFile& f) {
    if (caseSize) *caseSize = static_cast<long>(f.dict.caseSize);
    return SPSS_OK;
  });
}

int spssGetCompression(int handle, int* compSwitch) {
  return OnFile(handle, [&](OpenFile& f) {
    if (compSwitch) *compSwitch = f.dict.compression;
    return SPSS_OK;
  });
}

int spssGetSystemString(int handle, char* sysName) {
  return OnFile(handle, [&](OpenFile& f) {
    if (sysName) CopyText(sysName, f.dict.product, SPSS_MAX_SYSSTRING);
    return SPSS_OK;
  });
}

int spssGetReleaseInfo(int handle, int relInfo[8]) {
  return OnFile(handle, [&](OpenFile& f) {
    // Files without the record give zeros rather than an error, so that they open.
    if (relInfo)
      for (int i = 0; i < 8; ++i) relInfo[i] = f.dict.releaseInfo[i];
    return SPSS_OK;
  });
}

int spssGetTimeStamp(int handle, char* fileDate, char* fileTime) {
  return OnFile(handle, [&](OpenFile& f) {
    if (fileDate) CopyText(fileDate, f.dict.date, 9);
    if (fileTime) CopyText(fileTime, f.dict.time, 8);
    return SPSS_OK;
  });
}

int spssGetIdString(int handle, char* id) {
  return OnFile(handle, [&](OpenFile& f) {
    if (id) CopyText(id, f.dict.fileLabel, SPSS_MAX_IDSTRING);
    return SPSS_OK;
  });
}

int spssGetIdStringLong(int handle, char* id, int size, int* length) {
  return OnFile(handle, [&](OpenFile& f) {
    if (!id || size < 1 || !length) return SPSS_INVALID_HANDLE;
    CopyText(id, f.dict.fileLabel, static_cast<std::size_t>(size) - 1);
    *length = static_cast<int>(f.dict.fileLabel.size());
    return SPSS_OK;
  });
}

int spssGetFileEncoding(int handle, char* encoding) {
  return OnFile(handle, [&](OpenFile& f) {
    if (!encoding) return SPSS_INVALID_HANDLE;
    CopyText(encoding, f.dict.encoding.empty() ? "UTF-8" : f.dict.encoding, SPSS_MAX_ENCODING);
    return SPSS_OK;
  });
}

int spssGetTextInfo(int handle, char* textInfo) {
  return OnFile(handle, [&](OpenFile& f) {
    if (textInfo) CopyText(textInfo, f.dict.textInfo, SPSS_MAX_TEXTINFO);
    return SPSS_OK;
  });
}

int spssGetCaseWeightVar(int handle, char* varName) {
  return OnFile(handle, [&](OpenFile& f) {
    const bool has = f.dict.weight >= 0;
    if (varName)
      CopyText(varName, has ? f.dict.variables[static_cast<std::size_t>(f.dict.weight)].name : "", SPSS_MAX_VARNAME);
    return has ? SPSS_OK : SPSS_NO_CASEWGT;
  });
}

int spssGetVarNames(int handle, int* numVars, char*** varNames, int** varTypes) {
  return OnFile(handle, [&](OpenFile& f) {
    if (!numVars || !varNames || !varTypes) return SPSS_INVALID_HANDLE;
    const auto& vars = f.dict.variables;
    const int n = static_cast<int>(vars.size());
    char** names = DupList(n, [&](int i) { return vars[static_cast<std::size_t>(i)].name; });
    int* types = static_cast<int*>(std::malloc(sizeof(int) * static_cast<std::size_t>(n > 0 ? n : 1)));
    if (!names || !types) {
      FreeTexts(names, n);
      std::free(types);
      return SPSS_NO_MEMORY;
    }
    for (int i = 0; i < n; ++i) types[i] = vars[static_cast<std::size_t>(i)].width;
    *numVars = n;
    *varNames = names;
    *varTypes = types;
    return SPSS_OK;
  });
}

int spssFreeVarNames(char** varNames, int* varTypes, int numVars) {
  if (numVars < 0) return SPSS_CANNOT_FREE;
  FreeTexts(varNames, numVars);
  std::free(varTypes);
  return SPSS_OK;
}

int spssGetVarHandle(int handle, const char* varName, double* varHandle) {
  return OnVariable(handle, varName, [&](OpenFile& f, const Variable& v) {
    if (varHandle) *varHandle = static_cast<double>(&v - f.dict.variables.data());
    return SPSS_OK;
  });
}

int spssGetVarPrintFormat(int handle, const char* varName, int* printType, int* printDec, int* printWid) {
  return OnVariable(handle, varName, [&](OpenFile&, const Variable& v) {
    if (printType) *printType = v.print.type;
    if (printDec) *printDec = v.print.decimals;
    if (printWid) *printWid = v.print.width;
    return SPSS_OK;
  });
}

int spssGetVarWriteFormat(int handle, const char* varName, int* writeType, int* writeDec, int* writeWid) {
  return OnVariable(handle, varName, [&](OpenFile&, const Variable& v) {
    if (writeType) *writeType = v.write.type;
    if (writeDec) *writeDec = v.write.decimals;
    if (writeWid) *writeWid = v.write.width;
    return SPSS_OK;
  });
}

int spssGetVarColumnWidth(int handle, const char* varName, int* columnWidth) {
  return OnVariable(handle, varName, [&](OpenFile&, const Variable& v) {
    if (columnWidth) *columnWidth = v.columns;
    return SPSS_OK;
  });
}

int spssGetVarAlignment(int handle, const char* varName, int* alignment) {
  return OnVariable(handle, varName, [&](OpenFile&, const Variable& v) {
    if (alignment) *alignment = v.alignment;
    return SPSS_OK;
  });
}

int spssGetVarMeasureLevel(int handle, const char* varName, int* measureLevel) {
  return OnVariable(handle, varName, [&](OpenFile&, const Variable& v) {
    if (measureLevel) *measureLevel = v.measure;
    return SPSS_OK;
  });
}

int spssGetVarLabel(int handle, const char* varName, char* varLabel) {
  return OnVariable(handle, varName, [&](OpenFile&, const Variable& v) {
    if (varLabel) CopyText(varLabel, v.label, SPSS_MAX_VARLABEL);
    return SPSS_OK;
  });
}

int spssGetVarFileWidth(int handle, const char* varName, int* fileWidth) {
  return OnVariable(handle, varName, [&](OpenFile&, const Variable& v) {
    if (!fileWidth) return SPSS_INVALID_HANDLE;
    *fileWidth = v.fileWidth;
    return SPSS_OK;
  });
}

int spssGetVarLabelLong(int handle, const char* varName, char* labelBuff, int lenBuff, int* lenLabel) {
  return OnVariable(handle, varName, [&](OpenFile&, const Variable& v) {
    if (!labelBuff || lenBuff < 1 || !lenLabel) return SPSS_INVALID_HANDLE;
    CopyText(labelBuff, v.label, static_cast<std::size_t>(lenBuff) - 1);
    *lenLabel = static_cast<int>(v.label.size());
    return SPSS_OK;
  });
}

int spssGetVarNMissingValues(int handle, const char* varName, int* missingFormat, double* missingVal1,
                             double* missingVal2, double* missingVal3) {
  return OnVariable(handle, varName, [&](OpenFile&, const Variable& v) {
    if (!v.IsNumeric()) return SPSS_NUME_EXP;
    if (missingFormat) *missingFormat = v.missing.type;
    double* out[3] = {missingVal1, missingVal2, missingVal3};
    for (int i = 0; i < 3; ++i)
      if (out[i]) *out[i] = v.missing.number[i];
    return SPSS_OK;
  });
}

int spssGetVarCMissingValues(int handle, const char* varName, int* missingFormat, char* missingVal1, char* missingVal2,
                             char* missingVal3) {
  return OnVariable(handle, varName, [&](OpenFile&, const Variable& v) {
    if (v.IsNumeric()) return SPSS_STR_EXP;
    if (missingFormat) *missingFormat = v.missing.type;
    char* out[3] = {missingVal1, missingVal2, missingVal3};
    for (int i = 0; i < 3; ++i)
      if (out[i]) CopyText(out[i], i < v.missing.type ? v.missing.text[i] : std::string(), SPSS_MAX_MISSVALUE);
    return SPSS_OK;
  });
}

int spssGetVarNValueLabels(int handle, const char* varName, double** values, char*** labels, int* numLabels) {
  return OnVariable(handle, varName, [&](OpenFile&, const Variable& v) {
    if (!values || !labels || !numLabels) return SPSS_INVALID_HANDLE;
    if (!v.IsNumeric()) return SPSS_NUME_EXP;
    *values = nullptr;
    *labels = nullptr;
    *numLabels = 0;
    const int n = static_cast<int>(v.numberLabels.size());
    if (n == 0) return SPSS_NO_LABELS;
    auto* vals = static_cast<double*>(std::malloc(sizeof(double) * static_cast<std::size_t>(n)));
    char** labs = DupList(n, [&](int i) { return v.numberLabels[static_cast<std::size_t>(i)].second; });
    if (!vals || !labs) {
      std::free(vals);
      FreeTexts(labs, n);
      return SPSS_NO_MEMORY;
    }
    for (int i = 0; i < n; ++i) vals[i] = v.numberLabels[static_cast<std::size_t>(i)].first;
    *values = vals;
    *labels = labs;
    *numLabels = n;
    return SPSS_OK;
  });
}

int spssFreeVarNValueLabels(double* values, char** labels, int numLabels) {
  if (numLabels < 0) return SPSS_CANNOT_FREE;
  std::free(values);
  FreeTexts(labels, numLabels);
  return SPSS_OK;
}

int spssGetVarCValueLabels(int handle, const char* varName, char*** values, char*** labels, int* numLabels) {
  return OnVariable(handle, varName, [&](OpenFile&, const Variable& v) {
    if (!values || !labels || !numLabels) return SPSS_INVALID_HANDLE;
    if (v.IsNumeric()) return SPSS_STR_EXP;
    *values = nullptr;
    *labels = nullptr;
    *numLabels = 0;
    const int n = static_cast<int>(v.textLabels.size());
    if (n == 0) return SPSS_NO_LABELS;
    char** vals = DupList(n, [&](int i) { return v.textLabels[static_cast<std::size_t>(i)].first; });
    char** labs = DupList(n, [&](int i) { return v.textLabels[static_cast<std::size_t>(i)].second; });
    if (!vals || !labs) {
      FreeTexts(vals, n);
      FreeTexts(labs, n);
      return SPSS_NO_MEMORY;
    }
    *values = vals;
    *labels = labs;
    *numLabels = n;
    return SPSS_OK;
  });
}

int spssFreeVarCValueLabels(char** values, char** labels, int numLabels) {
  if (numLabels < 0) return SPSS_CANNOT_FREE;
  FreeTexts(values, numLabels);
  FreeTexts(labels, numLabels);
  return SPSS_OK;
}

int spssGetVariableSets(int handle, char** varSets) {
  return OnFile(handle, [&](OpenFile& f) {
    return HandOut(f.dict.hasVariableSets, f.dict.variableSets, SPSS_NO_VARSETS, SPSS_EMPTY_VARSETS, varSets);
  });
}

int spssFreeVariableSets(char* varSets) {
  std::free(varSets);
  return SPSS_OK;
}

int spssGetMultRespDefs(int handle, char** mrespDefs) {
  return OnFile(handle, [&](OpenFile& f) {
    return HandOut(f.dict.hasMultResp, f.dict.multResp, SPSS_NO_MULTRESP, SPSS_EMPTY_MULTRESP, mrespDefs);
  });
}

int spssFreeMultRespDefs(char* mrespDefs) {
  std::free(mrespDefs);
  return SPSS_OK;
}

int spssSeekNextCase(int handle, long caseNumber) {
  return OnReader(handle, [&](OpenFile& f) {
    if (caseNumber < 0 || caseNumber > f.dict.cases) return SPSS_INVALID_CASE;
    return f.in.reader->Seek(caseNumber);
  });
}

int spssGetCaseMark(int handle, long long* caseNumber, unsigned char mark[SPSS_CASE_MARK_SIZE]) {
  static_assert(SPSS_CASE_MARK_SIZE == CaseReader::kMarkSize);
  return OnReader(handle, [&](OpenFile& f) {
    if (!caseNumber || !mark) return SPSS_INVALID_CASE;
    *caseNumber = f.in.reader->Position();
    f.in.reader->Mark(mark, MarkCheck(f));
    return SPSS_OK;
  });
}

int spssSeekCaseMark(int handle, long long caseNumber, const unsigned char mark[SPSS_CASE_MARK_SIZE]) {
  return OnReader(handle, [&](OpenFile& f) {
    if (!mark) return SPSS_INVALID_CASE;
    return f.in.reader->SeekMark(caseNumber, mark, MarkCheck(f));
  });
}

int spssWholeCaseIn(int handle, char* caseRec) {
  return OnReader(handle, [&](OpenFile& f) {
    if (!caseRec) return SPSS_INVALID_CASE;
    return f.in.reader->ReadCase(reinterpret_cast<std::uint8_t*>(caseRec));
  });
}

int spssGetFaultDetail(int handle, char* text, int size, long long* offset) {
  return Guarded([&] {
    const Fault* fault = &OpenFault();
    if (handle != -1) {
      const OpenFile* f = handles::Get(handle);
      if (!f) return SPSS_INVALID_HANDLE;
      fault = !f->in.fault.Empty() || !f->in.reader ? &f->in.fault : &f->in.reader->fault();
    }
    if (offset) *offset = fault->offset;
    if (!text || size < 1) return SPSS_BUFFER_SHORT;
    // Names quoted from a damaged file may be any bytes: each that is no
    // character shows as '?'.
    std::string shown;
    for (std::size_t i = 0; i < fault->text.size();) {
      const std::size_t n = Utf8CharLength(fault->text, i);
      shown.append(n ? fault->text.substr(i, n) : "?");
      i += n ? n : 1;
    }
    CopyText(text, std::move(shown), static_cast<std::size_t>(size - 1));
    return SPSS_OK;
  });
}

}  // extern "C"
