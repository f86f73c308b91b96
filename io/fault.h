// Why a file is bad: the first fault the reader met, in words, and the byte
// of the file where it lies. Statuses say what kind of failure it was; this
// says where, so that a damaged file can be looked at and mended.
#pragma once

#include <cstdint>
#include <string>

namespace savkit::io {

struct Fault {
  std::string text;          // lower case, no full stop: "extension record ... ends unexpectedly"
  std::int64_t offset = -1;  // in the file; -1 when no one place is to blame

  bool Empty() const { return text.empty(); }
  // The first fault is kept: those after it mostly follow from it.
  void Note(std::int64_t at, std::string what) {
    if (!text.empty()) return;
    text = std::move(what);
    offset = at;
  }
  void Clear() {
    text.clear();
    offset = -1;
  }
};

// The fault of the last open on this thread that failed (reading a
// dictionary, or making the file a new one is written to): there is no
// handle to keep it on. Each open starts it afresh.
Fault& OpenFault();

}  // namespace savkit::io
