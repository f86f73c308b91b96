/* The I/O library from plain C. */
#include <savkit/spssio.h>

int main(void) {
  int handle;
  double date;
  if (spssOpenRead("/nonexistent.sav", &handle) != SPSS_FILE_OERROR) return 1;
  if (spssConvertDate(15, 10, 1582, &date) != SPSS_OK || date != 86400.0) return 1;
  return spssSysmisVal() < 0 ? 0 : 1;
}
