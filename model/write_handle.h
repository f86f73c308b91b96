// A write handle of the I/O library held by the model: closed on every path,
// so that no failure leaves it taking a place in the library's file table.
#pragma once

#include "savkit/spssio.h"

namespace savkit {

class OwnedWriteHandle {
 public:
  OwnedWriteHandle() = default;
  OwnedWriteHandle(const OwnedWriteHandle&) = delete;
  OwnedWriteHandle& operator=(const OwnedWriteHandle&) = delete;
  // A file whose writing failed is closed unfinished: the library leaves no
  // file behind when it cannot complete one.
  ~OwnedWriteHandle() {
    if (handle_ >= 0) spssCloseWrite(handle_);
  }
  int* Out() { return &handle_; }
  int Get() const { return handle_; }
  // Hands the handle over to be closed by the caller, whose status counts.
  int Release() {
    const int h = handle_;
    handle_ = -1;
    return h;
  }

 private:
  int handle_ = -1;
};

}  // namespace savkit
