// The message of the ESPSSDataFileException that a call raises.
#pragma once

#include <string>

#include "savkit/datafile_exception.h"

namespace savkit::testing {

template <class F>
std::string Refusal(F&& f) {
  try {
    f();
  } catch (const ESPSSDataFileException& e) {
    return e.what();
  }
  return "<nothing raised>";
}

}  // namespace savkit::testing
