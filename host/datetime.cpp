#include "savkit/host/datetime.h"

#include <cmath>
#include <cstdint>

#include "savkit/host/exceptions.h"

namespace savkit {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
// Day number of 30 December 1899 counted from 1 January of year 1 (day 1).
constexpr std::int64_t kDateDelta = 693594;
constexpr std::int64_t kMaxDay = 2958465;  // 31 December 9999
constexpr std::int64_t kMinDay = -693593;  // 1 January 0001

// Days since 1 January of year 1, that day being 1 (proleptic Gregorian).
std::int64_t DayNumber(int year, int month, int day) {
  static const int kBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  const std::int64_t y = year - 1;
  std::int64_t n = y * 365 + y / 4 - y / 100 + y / 400 + kBefore[month - 1] + day;
  if (month > 2 && IsLeapYear(year)) ++n;
  return n;
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  date = static_cast<double>(DayNumber(year, month, day) - kDateDelta);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime d;
  if (!TryEncodeDate(year, month, day, d)) throw EConvertError("Invalid argument to date encode");
  return d;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& time) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
      millisecond > 999)
    return false;
  const std::int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
  time = static_cast<double>(ms) / kMsPerDay;
  return true;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  TDateTime t;
  if (!TryEncodeTime(hour, minute, second, millisecond, t)) throw EConvertError("Invalid argument to time encode");
  return t;
}

void DecodeDate(TDateTime date, int& year, int& month, int& day) {
  if (!std::isfinite(date)) throw EConvertError("Invalid argument to date decode");
  const double whole = std::trunc(date);
  if (whole < kMinDay || whole > kMaxDay) throw EConvertError("Invalid argument to date decode");
  std::int64_t n = static_cast<std::int64_t>(whole) + kDateDelta;  // 1 = 1 January 0001
  // Count whole 400-, 100-, 4- and 1-year cycles from year 1.
  std::int64_t d = n - 1;
  const std::int64_t q400 = d / 146097;
  d %= 146097;
  std::int64_t q100 = d / 36524;
  if (q100 == 4) q100 = 3;
  d -= q100 * 36524;
  const std::int64_t q4 = d / 1461;
  d %= 1461;
  std::int64_t q1 = d / 365;
  if (q1 == 4) q1 = 3;
  d -= q1 * 365;
  year = static_cast<int>(q400 * 400 + q100 * 100 + q4 * 4 + q1 + 1);
  month = 1;
  while (d >= DaysInMonth(year, month)) d -= DaysInMonth(year, month++);
  day = static_cast<int>(d + 1);
}

void DecodeTime(TDateTime time, int& hour, int& minute, int& second, int& millisecond) {
  const double frac = std::isfinite(time) ? std::fabs(time - std::trunc(time)) : 0.0;
  std::int64_t ms = std::llround(frac * kMsPerDay);
  if (ms >= kMsPerDay) ms = kMsPerDay - 1;
  millisecond = static_cast<int>(ms % 1000);
  ms /= 1000;
  second = static_cast<int>(ms % 60);
  ms /= 60;
  minute = static_cast<int>(ms % 60);
  hour = static_cast<int>(ms / 60);
}

}  // namespace savkit
