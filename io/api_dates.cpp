// Date values of the file format: seconds since 14 October 1582, the day
// before the Gregorian calendar began.
#include <cmath>
#include <cstdint>

#include "savkit/spssio.h"

namespace {

bool Leap(std::int64_t y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }

int MonthDays(std::int64_t y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && Leap(y) ? 29 : kDays[m - 1];
}

// Days since 1 March of year 0, proleptic Gregorian.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, int& m, int& d) {
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2);
}

const std::int64_t kEpoch = DaysFromCivil(1582, 10, 14);
constexpr double kSecondsPerDay = 86400.0;

}  // namespace

extern "C" {

int spssConvertDate(int day, int month, int year, double* spssDate) {
  if (!spssDate || month < 1 || month > 12 || day < 1 || day > MonthDays(year, month)) return SPSS_INVALID_DATE;
  const std::int64_t days = DaysFromCivil(year, month, day) - kEpoch;
  if (days < 1) return SPSS_INVALID_DATE;  // the calendar starts on 15 October 1582
  *spssDate = static_cast<double>(days) * kSecondsPerDay;
  return SPSS_OK;
}

int spssConvertTime(long day, int hour, int minute, double second, double* spssTime) {
  if (!spssTime || day < 0 || hour < 0 || hour > 23 || minute < 0 || minute > 59 || !(second >= 0) || !(second < 60))
    return SPSS_INVALID_TIME;
  *spssTime = static_cast<double>(day) * kSecondsPerDay + hour * 3600.0 + minute * 60.0 + second;
  return SPSS_OK;
}

int spssConvertSPSSDate(int* day, int* month, int* year, double spssDate) {
  if (!day || !month || !year || !std::isfinite(spssDate) || spssDate < kSecondsPerDay || spssDate >= 1e15)
    return SPSS_INVALID_DATE;
  std::int64_t y;
  CivilFromDays(kEpoch + static_cast<std::int64_t>(std::floor(spssDate / kSecondsPerDay)), y, *month, *day);
  *year = static_cast<int>(y);
  return SPSS_OK;
}

int spssConvertSPSSTime(long* day, int* hour, int* minute, double* second, double spssTime) {
  if (!day || !hour || !minute || !second || !std::isfinite(spssTime) || spssTime < 0 || spssTime >= 1e15)
    return SPSS_INVALID_TIME;
  const double days = std::floor(spssTime / kSecondsPerDay);
  double rest = spssTime - days * kSecondsPerDay;
  *day = static_cast<long>(days);
  *hour = static_cast<int>(rest / 3600);
  rest -= *hour * 3600.0;
  *minute = static_cast<int>(rest / 60);
  *second = rest - *minute * 60.0;
  return SPSS_OK;
}

}  // extern "C"
