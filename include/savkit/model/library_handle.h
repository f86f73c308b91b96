// A file handle of the I/O library held by the object model: let go on every
// path, so that no failure leaves it taking a place in the library's file
// table. Only Close completes a file being written; letting the handle go
// otherwise discards what was written.
#pragma once

#include <utility>

#include "savkit/spssio.h"

namespace savkit {

class LibraryHandle {
 public:
  enum class Kind { Read, Write, Append };

  explicit LibraryHandle(Kind kind = Kind::Read) : kind_(kind) {}
  LibraryHandle(const LibraryHandle&) = delete;
  LibraryHandle& operator=(const LibraryHandle&) = delete;
  LibraryHandle(LibraryHandle&& other) noexcept : kind_(other.kind_), handle_(std::exchange(other.handle_, -1)) {}
  LibraryHandle& operator=(LibraryHandle&& other) noexcept {
    if (this != &other) {
      Discard();
      kind_ = other.kind_;
      handle_ = std::exchange(other.handle_, -1);
    }
    return *this;
  }
  ~LibraryHandle() { Discard(); }

  int* Out() { return &handle_; }
  int Get() const { return handle_; }
  bool Held() const { return handle_ >= 0; }
  // Closes the file, if one is held; the library's status.
  int Close() {
    const int h = std::exchange(handle_, -1);
    if (h < 0) return SPSS_OK;
    switch (kind_) {
      case Kind::Read: return spssCloseRead(h);
      case Kind::Write: return spssCloseWrite(h);
      case Kind::Append: return spssCloseAppend(h);
    }
    return SPSS_OK;
  }
  // Lets the file go without completing it: a new file is never made, an
  // append is undone. A file being read is simply closed.
  void Discard() {
    const int h = std::exchange(handle_, -1);
    if (h < 0) return;
    if (kind_ == Kind::Read)
      spssCloseRead(h);
    else
      spssDiscardWrite(h);
  }

 private:
  Kind kind_;
  int handle_ = -1;
};

}  // namespace savkit
