// The file's own facts as an R list, for the package to make the tibble's attributes of.
#pragma once

#include <cpp11.hpp>

#include "savkit/model/datafile.h"

namespace savkit::r {

cpp11::writable::list Metadata(const TSPSSDatafile& d);

}  // namespace savkit::r
