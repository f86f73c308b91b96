#include "open_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <mutex>
#include <vector>

#include "file_input.h"
#include "file_ops.h"
#include "names.h"
#include "raw_dictionary.h"
#include "savkit/spssio.h"

namespace savkit::io {

OpenFile::~OpenFile() {
  reader.reset();
  writer.reset();
  // Cases appended but never completed are taken out again.
  if (undo.pending) UndoAppend();
  if (fd >= 0) ::close(fd);
  if (writeFd >= 0 && writeFd != fd) ::close(writeFd);
  // A new file that was never completed leaves nothing behind.
  if (!temp.empty()) ::unlink(temp.c_str());
}

void OpenFile::UndoAppend() {
  undo.pending = false;
  if (Truncate(writeFd, static_cast<off_t>(undo.from)) != 0) return;
  if (!WriteAll(writeFd, undo.tail.data(), undo.tail.size(), static_cast<off_t>(undo.from))) return;
  if (!WriteAll(writeFd, undo.count, 4, 80)) return;
  if (dict.extendedCountAt && !WriteAll(writeFd, undo.extendedCount, 8, static_cast<off_t>(dict.extendedCountAt)))
    return;
  Flush(writeFd);
}

void OpenFile::IndexNames() {
  exact.clear();
  folded.clear();
  for (std::size_t i = 0; i < dict.variables.size(); ++i) {
    exact.emplace(dict.variables[i].name, static_cast<int>(i));
    folded.emplace(LowerAscii(dict.variables[i].name), static_cast<int>(i));
  }
}

const Variable* OpenFile::Find(const char* name) const {
  if (!name) return nullptr;
  if (const auto it = exact.find(name); it != exact.end()) return &dict.variables[static_cast<std::size_t>(it->second)];
  if (const auto it = folded.find(LowerAscii(name)); it != folded.end())
    return &dict.variables[static_cast<std::size_t>(it->second)];
  return nullptr;
}

int OpenForReading(const char* path, std::unique_ptr<OpenFile>& out) {
  if (!path) return SPSS_FILE_OERROR;
  auto file = std::make_unique<OpenFile>();
  file->fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (file->fd < 0) return SPSS_FILE_OERROR;
  struct stat st;
  if (::fstat(file->fd, &st) != 0 || !S_ISREG(st.st_mode)) return SPSS_FILE_OERROR;
  const auto size = static_cast<std::uint64_t>(st.st_size);

  RawDictionary raw;
  if (const int status = ReadRawDictionary(file->fd, size, raw)) return status;
  Dictionary& dict = file->dict;
  if (const int status = BuildDictionary(raw, dict)) return status;
  file->codec.Open(dict.encoding);

  std::unique_ptr<ByteSource> source;
  if (dict.compression == 2) {
    int status;
    source = MakeZlibSource(file->fd, dict.dataOffset, size, dict.swap, status);
    if (!source) return status;
  } else {
    source = MakeFileSource(file->fd, dict.dataOffset, size);
  }
  file->reader = std::make_unique<CaseReader>(dict, std::move(source), file->codec);
  if (dict.cases < 0) {
    std::int64_t count = 0;
    if (dict.compression == 0) {
      const std::uint64_t caseBytes = static_cast<std::uint64_t>(dict.elementsPerCase) * 8;
      count = caseBytes ? static_cast<std::int64_t>((size - dict.dataOffset) / caseBytes) : 0;
    } else if (const int status = file->reader->CountCases(count)) {
      return status;
    }
    dict.cases = count;
    if (const int status = file->reader->Seek(0)) return status;
  }
  file->IndexNames();
  out = std::move(file);
  return SPSS_OK;
}

int CreateForWriting(const char* path, OpenFile& file) {
  if (!path || !*path) return SPSS_FILE_OERROR;
  struct stat st;
  if (::stat(path, &st) == 0 && !S_ISREG(st.st_mode)) return SPSS_FILE_OERROR;
  std::string pattern = std::string(path) + ".savkit-XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) return SPSS_FILE_OERROR;
  ::fchmod(fd, 0644);
  file.writeFd = fd;
  file.temp = pattern;
  file.target = path;
  file.mode = OpenFile::Mode::Write;
  return SPSS_OK;
}

namespace {

void PutInt(std::uint8_t* p, std::uint64_t v, int n, bool swap) {
  for (int i = 0; i < n; ++i) p[swap ? n - 1 - i : i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The header's count, and the extended count where the file has one.
bool PatchCaseCounts(int fd, const Dictionary& dict, std::int64_t cases) {
  std::uint8_t b[8];
  PutInt(b, static_cast<std::uint32_t>(cases <= INT32_MAX ? static_cast<std::int32_t>(cases) : -1), 4, dict.swap);
  if (!WriteAll(fd, b, 4, 80)) return false;
  if (dict.extendedCountAt) {
    PutInt(b, static_cast<std::uint64_t>(cases), 8, dict.swap);
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
  if (!ReadFully(fd, undo.count, 4, 80)) return false;
  return !dict.extendedCountAt || ReadFully(fd, undo.extendedCount, 8, dict.extendedCountAt);
}

}  // namespace

int PrepareAppend(OpenFile& file) {
  Dictionary& dict = file.dict;
  // Appending would mean rewriting the compressed blocks and their trailer.
  if (dict.compression == 2) return SPSS_INCOMPAT_APPEND;
  file.writeFd = ::open(file.target.c_str(), O_RDWR | O_CLOEXEC);
  if (file.writeFd < 0) return SPSS_FILE_OERROR;
  if (!file.encoder.Open(dict.encoding)) return SPSS_INCOMPAT_APPEND;
  if (const int status = file.reader->Seek(dict.cases)) return status;
  std::uint64_t next, blockStart;
  std::uint8_t cmds[8];
  int used;
  file.reader->Position(next, blockStart, cmds, used);
  const std::uint64_t end = dict.dataOffset + next;
  struct stat st;
  if (::fstat(file.writeFd, &st) != 0) return SPSS_FILE_RERROR;
  const auto size = static_cast<std::uint64_t>(st.st_size);
  // Appending changes the last command block (when it is resumed), what
  // follows the last case, and the case counts; those bytes are kept. A file
  // with more than a little after its last case is not one this library
  // wrote or can keep safe, and is not appended to.
  const std::uint64_t from = dict.compression == 1 && used > 0 && used < 8 ? dict.dataOffset + blockStart : end;
  if (size < from || size - from > kMaxAppendTail) return SPSS_INCOMPAT_APPEND;
  if (!KeepOriginal(file.writeFd, from, size, dict, file.undo)) return SPSS_FILE_RERROR;
  // Whatever follows the last case (an end code, padding) goes; the new cases take its place.
  if (Truncate(file.writeFd, static_cast<off_t>(end)) != 0) return SPSS_FILE_WERROR;
  file.undo.pending = true;
  file.writer = std::make_unique<CaseWriter>(file.writeFd, dict, end);
  if (dict.compression == 1) file.writer->ResumeBlock(dict.dataOffset + blockStart, cmds, used, end);
  file.writer->SetEncoder(dict.encoding.empty() ? nullptr : &file.encoder);
  file.record.assign(dict.caseSize, 0);
  file.written = dict.cases;
  file.committed = true;
  file.mode = OpenFile::Mode::Append;
  return SPSS_OK;
}

int FinishWriting(std::unique_ptr<OpenFile> file) {
  int status = file->writer ? file->writer->Finish() : SPSS_OK;
  if (status == SPSS_OK && file->writer && !PatchCaseCounts(file->writeFd, file->dict, file->written))
    status = SPSS_FILE_WERROR;
  // Replacing a file: its data must be on disk before the new name points at
  // it, or a crash could leave a damaged file where a good one was.
  struct stat st;
  const bool replacing = !file->temp.empty() && ::stat(file->target.c_str(), &st) == 0;
  if (status == SPSS_OK && (replacing || file->temp.empty()) && Flush(file->writeFd) != 0)
    status = SPSS_FILE_WERROR;
  if (status == SPSS_OK) file->undo.pending = false;
  if (status == SPSS_OK && !file->temp.empty()) {
    if (Rename(file->temp.c_str(), file->target.c_str()) != 0) {
      status = SPSS_FILE_WERROR;
    } else {
      file->temp.clear();  // it is the file now
    }
  }
  return status;  // the destructor removes a scratch file that did not make it
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
