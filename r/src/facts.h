// The facts of a file as R lists, for the package to make attributes of.
#pragma once

#include <cpp11.hpp>

#include "savkit/model/datafile.h"

namespace savkit::r {

cpp11::writable::list Metadata(const TSPSSDatafile& d);

}  // namespace savkit::r
