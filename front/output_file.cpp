#include "savkit/front/output_file.h"

#include <cerrno>
#include <cstring>

#include "savkit/front/files.h"
#include "io/file_ops.h"
#include "io/pending_file.h"
#include "savkit/resourcestrings.h"
#include "savkit/spssio.h"

namespace savkit::front {

namespace {
constexpr std::size_t kBufferBytes = 1 << 20;
}

OutputFile::OutputFile(const std::string& path) : path_(path), file_(std::make_unique<io::PendingFile>()) {
  // The library says why (a folder, a device, the system's reason); errno
  // may be stale by now.
  if (file_->Create(path.c_str()) != SPSS_OK) throw FileError(path + ": cannot be written: " + FaultDetail(-1));
  buffer_.reserve(kBufferBytes);
}

OutputFile::~OutputFile() = default;

void OutputFile::Write(std::string_view bytes) {
  if (buffer_.size() + bytes.size() > kBufferBytes) Flush();
  if (bytes.size() > kBufferBytes) {
    if (!io::WriteAll(file_->Fd(), bytes.data(), bytes.size(), static_cast<off_t>(written_)))
      throw FileError(path_ + ": write failed (" + std::strerror(errno) + ")");
    written_ += static_cast<long long>(bytes.size());
    return;
  }
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

void OutputFile::Flush() {
  if (buffer_.empty()) return;
  if (!io::WriteAll(file_->Fd(), buffer_.data(), buffer_.size(), static_cast<off_t>(written_)))
    throw FileError(path_ + ": write failed (" + std::strerror(errno) + ")");
  written_ += static_cast<long long>(buffer_.size());
  buffer_.clear();
}

void OutputFile::Commit() {
  Flush();
  if (file_->Publish() != SPSS_OK) throw FileError(path_ + ": write failed (" + std::strerror(errno) + ")");
}

}  // namespace savkit::front
