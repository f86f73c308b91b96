// Fixed values of the system file format.
#include "savkit/spssio.h"

#include <cfloat>
#include <cmath>

extern "C" double spssSysmisVal(void) { return -DBL_MAX; }

extern "C" int spssLowHighVal(double *lowest, double *highest) {
  // LO is the second-largest negative double, one step above system-missing,
  // so that a range down to LO never swallows the system-missing value.
  if (lowest) *lowest = std::nextafter(-DBL_MAX, 0.0);
  if (highest) *highest = DBL_MAX;
  return SPSS_OK;
}
