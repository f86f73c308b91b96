#include "savkit/model/datafile.h"

#include <cstring>

#include "file_guard.h"
#include "raise.h"
#include "savkit/host/sysutils.h"
#include "savkit/resourcestrings.h"
#include "savkit/spssio.h"

namespace savkit {

TSPSSDatafile::TSPSSDatafile()
    : variables_(std::make_unique<TSPSSVariables>(this)),
      mrmdSets_(std::make_unique<TSPSSMRMDSets>(this)),
      variableSets_(std::make_unique<TSPSSVariableSets>(this)),
      cases_(std::make_unique<TSPSSCases>(this)),
      sysmisValue_(spssSysmisVal()),
      editCache_(std::make_unique<TSPSSHashTable>(nullptr, 1)),
      fileInfo_(std::make_unique<TSPSSFileInfo>(this)) {
  spssLowHighVal(&fileInfo_->lowestValue_, &fileInfo_->highestValue_);
}

// A file still open is closed; a new file whose dictionary was never
// committed is half-defined, and is discarded rather than made.
TSPSSDatafile::~TSPSSDatafile() {
  if (openMode_ == domWriting && !headerCommitted_) held_.Discard();
  CloseHandles();
  explicit_bzero(password_.data(), password_.size());
}

int TSPSSDatafile::CloseHandles() { return held_.Close(); }

void TSPSSDatafile::Set_Filename(const std::string& name) {
  if (!name.empty() && !DirectoryExists(ExtractFilePath(name))) Raise(cresSPSS_FileIsNotExist, name);
  filename_ = name;
}

void TSPSSDatafile::Set_WriteDirect(bool value) {
  if (openMode_ != domClosed) Raise(cresSPSS_WriteDirectCannotBeSet);
  writeDirect_ = value;
}

void TSPSSDatafile::Set_Compressed(bool value) {
  if (!writeDirect_ && headerCommitted_) Raise(cresSPSS_DictReadOnlyCompCannotBeSet);
  compression_ = value ? SPSS_COMPRESSION_BYTECODE : SPSS_COMPRESSION_NONE;
}

void TSPSSDatafile::Set_Compression(int kind) {
  if (!writeDirect_ && headerCommitted_) Raise(cresSPSS_DictReadOnlyCompCannotBeSet);
  if (kind < SPSS_COMPRESSION_NONE || kind > SPSS_COMPRESSION_ZLIB) CheckSuccess(SPSS_INVALID_COMPSW);
  compression_ = kind;
}

void TSPSSDatafile::Open() {
  const std::string name = filename_;
  if (!FileExists(name)) Raise(cresSPSS_FileIsNotExist, name);
  if (!writeDirect_ && openMode_ != domClosed) Raise(cresSPSS_FileCannotOpenAsReading);
  LibraryHandle opened(writeDirect_ ? LibraryHandle::Kind::Append : LibraryHandle::Kind::Read);
  const int status = writeDirect_
                         ? spssOpenAppend(name.c_str(), opened.Out())
                         : spssOpenReadWith(name.c_str(), readEncoding_.empty() ? nullptr : readEncoding_.c_str(),
                                            password_.empty() ? nullptr : password_.c_str(), opened.Out());
  CheckSuccess(status, opened.Get());
  // A file still open in a direct-write mode is not left dangling; what a
  // file forgotten with Clear left in the collections is not read twice.
  CloseHandles();
  EmptyModel();
  held_ = std::move(opened);
  const int handle = held_.Get();
  readHandle_ = handle;
  if (writeDirect_) {
    openMode_ = domAppending;
    headerCommitted_ = true;
    writeHandle_ = handle;
    ReadDictionaryOrClose();
  } else {
    openMode_ = domReading;
    writeHandle_ = -1;
    RememberOpened(name, ResolvedPath(name));
    ReadDictionaryOrClose();
    // Each opening starts with no edits: those of an earlier file name
    // variables that are gone.
    editCache_ = std::make_unique<TSPSSHashTable>(nullptr, static_cast<std::uint32_t>(cases_->count_));
    editCache_->InitOriginalCaseNrs(1);
  }
  SizeCaseBuffer();
  ReadFileFacts(handle);
}

void TSPSSDatafile::Set_Password(const std::string& password) {
  explicit_bzero(password_.data(), password_.size());
  password_ = password;
}

int TSPSSDatafile::FileKind() const {
  int kind = SPSS_KIND_SYSTEM;
  if (readHandle_ < 0 || spssGetFileKind(readHandle_, &kind) != SPSS_OK) return SPSS_KIND_SYSTEM;
  return kind;
}

bool TSPSSDatafile::IsPortable() const { return (FileKind() & SPSS_KIND_PORTABLE) != 0; }
bool TSPSSDatafile::IsEncrypted() const { return (FileKind() & SPSS_KIND_ENCRYPTED) != 0; }

void TSPSSDatafile::RememberOpened(const std::string& name, const std::string& path) {
  openedName_ = name;
  openedPath_ = path;
  openedIdentity_ = IdentityOf(path);
}

void TSPSSDatafile::SizeCaseBuffer() {
  long size = 0;
  CheckSuccess(spssGetCaseSize(readHandle_, &size));
  caseSize_ = static_cast<int>(size);
  cases_->caseBuffer_.assign(static_cast<std::size_t>(size), 0);
}

// A dictionary that cannot be loaded leaves the component closed, never open
// on half a dictionary.
void TSPSSDatafile::ReadDictionaryOrClose() {
  try {
    ReadDictionary();
  } catch (...) {
    CloseHandles();
    EmptyModel();
    Clear();
    throw;
  }
}

void TSPSSDatafile::OpenNew() {
  if (!writeDirect_) Raise(cresSPSS_FileCannotOpenInthisMode);
  LibraryHandle opened(LibraryHandle::Kind::Write);
  CheckSuccess(spssOpenWrite(filename_.c_str(), opened.Out()), opened.Get());
  CloseHandles();  // a file still open in a direct-write mode is not left dangling
  held_ = std::move(opened);
  openMode_ = domWriting;
  writeHandle_ = readHandle_ = held_.Get();
  ReadFileFacts(held_.Get());
}

std::string TSPSSDatafile::FaultDetail() const {
  return readHandle_ < 0 ? std::string() : savkit::FaultDetail(readHandle_);
}

void TSPSSDatafile::ReadFileFacts(int handle) {
  char system[45] = {}, date[10] = {}, time[10] = {}, text[256] = {};
  CheckSuccess(spssGetSystemString(handle, system));
  fileInfo_->systemString_ = system;
  CheckSuccess(spssGetReleaseInfo(handle, fileInfo_->releaseInfo_));
  CheckSuccess(spssGetTimeStamp(handle, date, time));
  // A creation date no one can read is unknown (zero): the file still opens,
  // its dictionary being loaded already.
  try {
    fileInfo_->timeStamp_ = ParseTimeStamp(date, time);
  } catch (const Exception&) {
    fileInfo_->timeStamp_ = 0;
  }
  // Whole: 64 bytes of a code page may take up to 192 in UTF-8.
  char label[3 * SPSS_MAX_IDSTRING + 1] = {};
  int length = 0;
  CheckSuccess(spssGetIdStringLong(handle, label, sizeof label, &length));
  fileInfo_->fileLabel_ = label;
  CheckSuccess(spssGetTextInfo(handle, text));
  fileInfo_->textInfo_ = text;
}

TDateTime TSPSSDatafile::ParseTimeStamp(const std::string& date, const std::string& time) {
  static const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                        "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  const std::string padded = date + std::string(9, ' ');
  const int day = StrToInt(padded.substr(0, 2));
  const std::string monthText = UpperCase(padded.substr(3, 3));
  int month = 0;
  for (int m = 0; m < 12; ++m)
    if (monthText == kMonths[m]) month = m + 1;
  if (month == 0) Raise(cresSPSS_DateTimeFormatInvalid);
  const int yy = StrToInt(padded.substr(7, 2));
  const int year = yy < 49 ? 2000 + yy : 1900 + yy;
  // The time is fixed "hh:mm:ss"; anything else is a conversion error.
  int h, m, s;
  char c1, c2;
  if (time.size() != 8 || std::sscanf(time.c_str(), "%2d%c%2d%c%2d", &h, &c1, &m, &c2, &s) != 5 || c1 != ':' ||
      c2 != ':')
    throw EConvertError(Format("'%s' is not a valid time", time));
  return EncodeDate(year, month, day) + EncodeTime(h, m, s, 0);
}

void TSPSSDatafile::Close() {
  const int status = CloseHandles();
  openMode_ = domClosed;
  EmptyModel();
  Clear();
  CheckSuccess(status);
}

void TSPSSDatafile::Abandon() {
  held_.Discard();
  openMode_ = domClosed;
  EmptyModel();
  Clear();
}

void TSPSSDatafile::EmptyModel() {
  variables_->Clear();
  variableSets_->Clear();
  mrmdSets_->Clear();
  cases_->Clear();
  fileInfo_->Clear();
}

// Forgets the open file; the library's handle is let go with it, never kept
// taking a place in the file table.
void TSPSSDatafile::Clear() {
  held_.Close();
  dictionaryChanged_ = false;
  headerCommitted_ = false;
  variablesDeleted_ = false;
  openMode_ = domClosed;
  readHandle_ = -1;
  writeHandle_ = -1;
}

void TSPSSDatafile::ClearAll() {
  if (openMode_ != domReading) return;
  long count = 0;
  CheckSuccess(spssGetNumberofCases(readHandle_, &count));
  cases_->count_ = static_cast<int>(count);
  editCache_ = std::make_unique<TSPSSHashTable>(nullptr, static_cast<std::uint32_t>(count));
  editCache_->InitOriginalCaseNrs(1);
  cases_->currentCase_ = 0;
}

}  // namespace savkit
