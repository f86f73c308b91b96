// The C interface's last line of defence: no exception leaves it.
#pragma once

#include <new>

#include "savkit/spssio.h"

namespace savkit::io {

// Runs the body of an exported function and turns any exception into a status.
template <class F>
int Guarded(F&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return SPSS_NO_MEMORY;
  } catch (...) {
    return SPSS_INTERNAL_D_A;
  }
}

}  // namespace savkit::io
