#include "open_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "fault.h"
#include "file_input.h"
#include "io/file_ops.h"
#include "io/format.h"
#include "io/names.h"
#include "encryption.h"
#include "portable.h"
#include "raw_dictionary.h"
#include "savkit/spssio.h"

namespace savkit::io {

OpenFile::~OpenFile() {
  in.reader.reset();
  out.writer.reset();
  // Cases appended but never completed are taken out again.
  if (out.undo.pending) UndoAppend();
  if (fd >= 0) ::close(fd);
  if (out.fd >= 0 && out.fd != fd && out.fd != out.pending.Fd()) ::close(out.fd);
}

void OpenFile::UndoAppend() {
  AppendUndo& undo = out.undo;
  undo.pending = false;
  if (Truncate(out.fd, static_cast<off_t>(undo.from)) != 0) return;
  if (!WriteAll(out.fd, undo.tail.data(), undo.tail.size(), static_cast<off_t>(undo.from))) return;
  if (!WriteAll(out.fd, undo.count, 4, header::kCases)) return;
  if (dict.extendedCountAt && !WriteAll(out.fd, undo.extendedCount, 8, static_cast<off_t>(dict.extendedCountAt)))
    return;
  Flush(out.fd);
}

void OpenFile::IndexNames() {
  exact.clear();
  folded.clear();
  for (std::size_t i = 0; i < dict.variables.size(); ++i) {
    exact.emplace(dict.variables[i].name, static_cast<int>(i));
    folded.emplace(FoldName(dict.variables[i].name), static_cast<int>(i));
  }
}

const Variable* OpenFile::Find(const char* name) const {
  if (!name) return nullptr;
  if (const auto it = exact.find(name); it != exact.end()) return &dict.variables[static_cast<std::size_t>(it->second)];
  if (const auto it = folded.find(FoldName(name)); it != folded.end())
    return &dict.variables[static_cast<std::size_t>(it->second)];
  return nullptr;
}

void OpenFile::ClearRecord() {
  record.assign(dict.caseSize, 0);
  for (const Variable& v : dict.variables) {
    if (v.IsNumeric()) {
      const double sysmis = -DBL_MAX;
      std::memcpy(record.data() + v.offset, &sysmis, 8);
    } else {
      std::memset(record.data() + v.offset, ' ', v.slot);
    }
  }
}

namespace {

// Counts the cases of a file whose header does not say; a warning when the
// data end inside a case.
int CountCases(OpenFile& file, std::uint64_t size) {
  Dictionary& dict = file.dict;
  int status = SPSS_OK;
  std::int64_t count = 0;
  if (dict.compression == kUncompressed) {
    const std::uint64_t caseBytes = static_cast<std::uint64_t>(dict.elementsPerCase) * 8;
    const std::uint64_t data = size - dict.dataOffset;
    count = caseBytes ? static_cast<std::int64_t>(data / caseBytes) : 0;
    if (caseBytes && data % caseBytes) {
      status = SPSS_DATA_CUT;
      file.in.fault.Note(
          static_cast<std::int64_t>(dict.dataOffset + static_cast<std::uint64_t>(count) * caseBytes),
          "case " + std::to_string(count + 1) + ", which starts here, is cut short: the data end inside it");
    }
  } else {
    status = file.in.reader->CountCases(count);
    if (status > 0) return status;
  }
  dict.cases = count;
  if (const int seek = file.in.reader->Seek(0)) return seek;
  return status;
}

// A portable file: its dictionary and a source of its cases in the
// uncompressed layout, which the case reader reads as any other.
int OpenPortableFile(OpenFile& file, std::uint64_t size, const char* encoding) {
  std::unique_ptr<ByteSource> source;
  Fault fault;
  const int status = OpenPortable(file.fd, size, encoding, file.dict, source, fault);
  if (status > 0) return OpenFault().Note(fault.offset, fault.text), status;
  file.in.fault = fault;
  file.codec.Open(file.dict.encoding);
  file.in.reader = std::make_unique<CaseReader>(file.dict, std::move(source), file.codec);
  file.IndexNames();
  return status != SPSS_OK ? status : file.dict.namesMended ? SPSS_NAME_MENDED : SPSS_OK;
}

// An encrypted file is read from its plain bytes in memory, which are a
// system file's (decrypting checks that they start as one).
int Decrypt(OpenFile& file, std::uint64_t& size, const char* password) {
  if (!password) return OpenFault().Note(8, "it is encrypted with a password"), SPSS_NEEDS_PASSWORD;
  int plain = -1;
  Fault fault;
  const int status = DecryptToMemory(file.fd, size, Secret(password), plain, size, fault);
  if (status != SPSS_OK) return OpenFault().Note(fault.offset, fault.text), status;
  ::close(file.fd);
  file.fd = plain;
  return SPSS_OK;
}

// What a file's first bytes say it is.
enum class Kind { System, Encrypted, Other };
Kind KindOf(int fd, std::uint64_t size) {
  std::uint8_t head[kWrapperSize] = {};
  if (!ReadFully(fd, head, static_cast<std::size_t>(std::min<std::uint64_t>(size, sizeof head)), 0)) return Kind::Other;
  if (std::memcmp(head, header::kMagicPlain, 4) == 0 || std::memcmp(head, header::kMagicZlib, 4) == 0)
    return Kind::System;
  return EncryptedWrapper(head, static_cast<std::size_t>(std::min<std::uint64_t>(size, sizeof head))) ? Kind::Encrypted
                                                                                                      : Kind::Other;
}

}  // namespace

int OpenForReading(const char* path, std::unique_ptr<OpenFile>& out, const char* encoding, const char* password) {
  OpenFault().Clear();
  if (!path) return SPSS_FILE_OERROR;
  auto file = std::make_unique<OpenFile>();
  // Not blocking: a FIFO or a device must not hang the caller before it is refused.
  file->fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (file->fd < 0) return OpenFault().Note(-1, NotAFile(nullptr)), SPSS_FILE_OERROR;
  struct stat st;
  if (::fstat(file->fd, &st) != 0) return OpenFault().Note(-1, NotAFile(nullptr)), SPSS_FILE_OERROR;
  if (!S_ISREG(st.st_mode)) return OpenFault().Note(-1, NotAFile(&st)), SPSS_FILE_OERROR;
  auto size = static_cast<std::uint64_t>(st.st_size);
  const Kind kind = KindOf(file->fd, size);
  if (kind == Kind::Encrypted)
    if (const int status = Decrypt(*file, size, password)) return status;
  // Only what is no system file is looked at as a portable one.
  if (kind == Kind::Other && LooksPortable(file->fd, size)) {
    const int status = OpenPortableFile(*file, size, encoding);
    if (status <= 0) out = std::move(file);
    return status;
  }

  RawDictionary raw;
  if (const int status = ReadRawDictionary(file->fd, size, raw)) return status;
  Dictionary& dict = file->dict;
  if (const int status = BuildDictionary(raw, dict, encoding)) return status;
  dict.encrypted = kind == Kind::Encrypted;
  file->codec.Open(dict.encoding);

  std::unique_ptr<ByteSource> source;
  if (dict.compression == kZlib) {
    int status;
    source = MakeZlibSource(file->fd, dict.dataOffset, size, dict.swap, status);
    if (!source) return status;
  } else {
    source = MakeFileSource(file->fd, dict.dataOffset, size);
  }
  file->in.reader = std::make_unique<CaseReader>(dict, std::move(source), file->codec);
  int warning = dict.namesMended ? SPSS_NAME_MENDED : SPSS_OK;
  if (dict.cases < 0) {
    const int status = CountCases(*file, size);
    if (status > 0) return OpenFault().Note(file->in.reader->fault().offset, file->in.reader->fault().text), status;
    if (status < 0) warning = status;
  }
  file->IndexNames();
  out = std::move(file);
  return warning;
}

int CreateForWriting(const char* path, OpenFile& file) {
  if (const int status = file.out.pending.Create(path)) return status;
  file.out.fd = file.out.pending.Fd();
  file.out.target = file.out.pending.Target();
  file.mode = OpenFile::Mode::Write;
  return SPSS_OK;
}

namespace {

// The header's count, and the extended count where the file has one.
bool PatchCaseCounts(int fd, const Dictionary& dict, std::int64_t cases) {
  std::uint8_t b[8];
  StoreInt(b, static_cast<std::uint32_t>(cases <= INT32_MAX ? static_cast<std::int32_t>(cases) : -1), 4, dict.swap);
  if (!WriteAll(fd, b, 4, header::kCases)) return false;
  if (dict.extendedCountAt) {
    StoreInt(b, static_cast<std::uint64_t>(cases), 8, dict.swap);
    if (!WriteAll(fd, b, 8, static_cast<off_t>(dict.extendedCountAt))) return false;
  }
  return true;
}

// Keeps the bytes of the file that appending may change, so that a failed
// append can put them back.
bool KeepOriginal(int fd, std::uint64_t from, std::uint64_t size, const Dictionary& dict, AppendUndo& undo) {
  undo.from = from;
  undo.tail.resize(static_cast<std::size_t>(size - from));
  if (!ReadFully(fd, undo.tail.data(), undo.tail.size(), from)) return false;
  if (!ReadFully(fd, undo.count, 4, header::kCases)) return false;
  return !dict.extendedCountAt || ReadFully(fd, undo.extendedCount, 8, dict.extendedCountAt);
}

}  // namespace

int PrepareAppend(OpenFile& file) {
  Dictionary& dict = file.dict;
  // Appending would mean rewriting the compressed blocks and their trailer,
  // a portable file's text, or an encrypted file's blocks.
  if (dict.compression == kZlib || dict.portable || dict.encrypted) return SPSS_INCOMPAT_APPEND;
  file.out.fd = ::open(file.out.target.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
  if (file.out.fd < 0) return SPSS_FILE_OERROR;
  // One appender at a time: two would write their cases over each other.
  if (::flock(file.out.fd, LOCK_EX | LOCK_NB) != 0) return SPSS_FILE_OERROR;
  if (!file.out.encoder.Open(dict.encoding)) return SPSS_INCOMPAT_APPEND;
  if (const int status = file.in.reader->Seek(dict.cases)) return status;
  std::uint64_t next, blockStart;
  std::uint8_t cmds[8];
  int used;
  file.in.reader->Position(next, blockStart, cmds, used);
  const std::uint64_t end = dict.dataOffset + next;
  struct stat st;
  if (::fstat(file.out.fd, &st) != 0) return SPSS_FILE_RERROR;
  const auto size = static_cast<std::uint64_t>(st.st_size);
  // Appending changes the last command block (when it is resumed), what
  // follows the last case, and the case counts; those bytes are kept. A file
  // with more than a little after its last case is not one this library
  // wrote or can keep safe, and is not appended to.
  const std::uint64_t from = dict.compression == kBytecode && used > 0 && used < 8 ? dict.dataOffset + blockStart : end;
  if (size < from || size - from > kMaxAppendTail) return SPSS_INCOMPAT_APPEND;
  if (!KeepOriginal(file.out.fd, from, size, dict, file.out.undo)) return SPSS_FILE_RERROR;
  // Whatever follows the last case (an end code, padding) goes; the new cases take its place.
  if (Truncate(file.out.fd, static_cast<off_t>(end)) != 0) return SPSS_FILE_WERROR;
  file.out.undo.pending = true;
  file.out.writer = std::make_unique<CaseWriter>(file.out.fd, dict, end);
  if (dict.compression == kBytecode) file.out.writer->ResumeBlock(dict.dataOffset + blockStart, cmds, used, end);
  file.out.writer->SetEncoder(file.out.encoder.Identity() ? nullptr : &file.out.encoder);
  file.ClearRecord();
  file.out.written = dict.cases;
  file.out.committed = true;
  file.mode = OpenFile::Mode::Append;
  return SPSS_OK;
}

int FinishWriting(std::unique_ptr<OpenFile> file) {
  if (file->out.portableWriter) {
    const int status = file->out.portableWriter->Finish();
    return status == SPSS_OK ? file->out.pending.Publish() : status;
  }
  int status = file->out.writer ? file->out.writer->Finish() : SPSS_OK;
  if (status == SPSS_OK && file->out.writer && !PatchCaseCounts(file->out.fd, file->dict, file->out.written))
    status = SPSS_FILE_WERROR;
  if (status == SPSS_OK && !file->out.password.Empty()) {
    // The plain file, complete in memory, is encrypted into the new file.
    struct stat st;
    status = ::fstat(file->out.fd, &st) != 0 ? SPSS_FILE_WERROR
                                             : EncryptFile(file->out.fd, static_cast<std::uint64_t>(st.st_size),
                                                           file->out.pending.Fd(), file->out.password);
  }
  if (file->mode != OpenFile::Mode::Append) return status == SPSS_OK ? file->out.pending.Publish() : status;
  // Appended cases are on disk before the file is said to be complete.
  if (status == SPSS_OK && Flush(file->out.fd) != 0) status = SPSS_FILE_WERROR;
  if (status == SPSS_OK) file->out.undo.pending = false;
  return status;
}

namespace handles {

namespace {
// Looking a handle up takes no lock: it happens for every value written.
// Opening and closing, which change the table, take turns.
std::mutex mutex;
std::array<std::atomic<OpenFile*>, kMaxOpen> table{};
}  // namespace

int Add(std::unique_ptr<OpenFile> file) {
  std::lock_guard lock(mutex);
  for (int i = 0; i < kMaxOpen; ++i)
    if (!table[static_cast<std::size_t>(i)].load(std::memory_order_relaxed)) {
      table[static_cast<std::size_t>(i)].store(file.release(), std::memory_order_release);
      return i;
    }
  return -1;
}

OpenFile* Get(int handle) {
  if (handle < 0 || handle >= kMaxOpen) return nullptr;
  return table[static_cast<std::size_t>(handle)].load(std::memory_order_acquire);
}

std::unique_ptr<OpenFile> Remove(int handle) {
  std::lock_guard lock(mutex);
  if (handle < 0 || handle >= kMaxOpen) return nullptr;
  return std::unique_ptr<OpenFile>(table[static_cast<std::size_t>(handle)].exchange(nullptr));
}

}  // namespace handles

}  // namespace savkit::io
