// The counted-value defaults of multiple-response sets: one-byte integers,
// 32-bit ones in the generation 5 build. Their text is the same.
#pragma once

#include "savkit/config.h"
#include "savkit/host/variant.h"

namespace savkit {

inline Variant MRDefault(int value) {
#if SAVKIT_FRAMEWORK_GENERATION == 5
  return Variant(value);
#else
  return Variant(static_cast<std::int8_t>(value));
#endif
}

}  // namespace savkit
