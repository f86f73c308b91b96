// A column read from a file made into what haven gives: its attributes
// (label, format, display width; what haven drops besides: measure,
// alignment, role, attributes) and class (labelled, Date, POSIXct, hms).
#pragma once

#include <cpp11.hpp>

#include "savkit/front/facts.h"

namespace savkit::r {

// x holds the column's values as read: doubles (times in the file's
// seconds) or strings; it is changed in place.
void Decorate(SEXP x, const front::VariableFacts& v, bool userNa);

}  // namespace savkit::r
