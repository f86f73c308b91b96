// Raising the model's own failures: ESPSSDataFileException with ErrorCode 0.
#pragma once

#include <string_view>

#include "savkit/datafile_exception.h"
#include "savkit/host/format.h"

namespace savkit {

[[noreturn]] inline void Raise(std::string_view message) { throw ESPSSDataFileException(std::string(message)); }

template <class Arg>
[[noreturn]] void Raise(std::string_view message, const Arg& arg) {
  throw ESPSSDataFileException(Format(message, arg));
}

}  // namespace savkit
