#include "open_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <vector>

#include "names.h"
#include "raw_dictionary.h"
#include "savkit/spssio.h"

namespace savkit::io {

OpenFile::~OpenFile() {
  reader.reset();
  if (fd >= 0) ::close(fd);
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

namespace handles {

namespace {
std::mutex mutex;
std::vector<std::unique_ptr<OpenFile>> table(kMaxOpen);
}  // namespace

int Add(std::unique_ptr<OpenFile> file) {
  std::lock_guard lock(mutex);
  for (int i = 0; i < kMaxOpen; ++i)
    if (!table[static_cast<std::size_t>(i)]) {
      table[static_cast<std::size_t>(i)] = std::move(file);
      return i;
    }
  return -1;
}

OpenFile* Get(int handle) {
  std::lock_guard lock(mutex);
  if (handle < 0 || handle >= kMaxOpen) return nullptr;
  return table[static_cast<std::size_t>(handle)].get();
}

std::unique_ptr<OpenFile> Remove(int handle) {
  std::lock_guard lock(mutex);
  if (handle < 0 || handle >= kMaxOpen) return nullptr;
  return std::move(table[static_cast<std::size_t>(handle)]);
}

}  // namespace handles

}  // namespace savkit::io
