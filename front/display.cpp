#include "savkit/front/display.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <stdexcept>

#include "savkit/front/formats.h"
#include "savkit/front/values.h"
#include "savkit/host/sysutils.h"
#include "savkit/spssio.h"
#include "savkit/trim.h"

namespace savkit::front {

namespace {

constexpr const char* kMonths[] = {"JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
                                   "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
constexpr const char* kDays[] = {"SUNDAY", "MONDAY", "TUESDAY", "WEDNESDAY", "THURSDAY", "FRIDAY", "SATURDAY"};

std::string Printf(const char* format, auto... args) {
  char buf[400];
  const int n = std::snprintf(buf, sizeof buf, format, args...);
  return std::string(buf, static_cast<std::size_t>(std::clamp(n, 0, static_cast<int>(sizeof buf) - 1)));
}

// x with decimals, grouped by threes with sep where grouped, a point as
// given; no zero before the point, as SPSS and PSPP show .50.
std::string Fixed(double x, int decimals, bool grouped, char sep, char point) {
  const std::string plain = Printf("%.*f", decimals, std::fabs(x));
  const std::size_t dot = plain.find('.');
  std::string whole = plain.substr(0, dot), out;
  if (whole == "0" && dot != std::string::npos) whole.clear();
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (grouped && i > 0 && (whole.size() - i) % 3 == 0) out += sep;
    out += whole[i];
  }
  if (dot != std::string::npos) out += point + plain.substr(dot + 1);
  const bool zero = out.find_first_not_of("0.,") == std::string::npos;
  return (x < 0 && !zero ? "-" : "") + out;
}

// Scientific notation as SPSS writes it: 1.234E+003.
std::string Scientific(double x, int decimals) {
  std::string e = Printf("%.*E", decimals, x);
  const std::size_t at = e.find('E');
  const int exponent = std::atoi(e.c_str() + at + 1);
  return e.substr(0, at) + Printf("E%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
}

// The widest of these that fits: all decimals grouped, then ungrouped, then
// a decimal fewer; else scientific notation in the digits that fit; a
// number is never cut.
std::string Fit(double x, int width, int decimals, const std::string& prefix, const std::string& suffix, bool grouping,
                char sep = ',', char point = '.') {
  const auto dressed = [&](std::string digits) {
    return digits[0] == '-' ? "-" + prefix + digits.substr(1) + suffix : prefix + digits + suffix;
  };
  for (int d = decimals; d >= 0; --d)
    for (bool grouped : {true, false}) {
      if (grouped && !grouping) continue;
      std::string text = dressed(Fixed(x, d, grouped, sep, point));
      if (static_cast<int>(text.size()) <= width) return text;
    }
  for (int d = std::max(0, width - 7); d >= 0; --d)
    if (std::string e = Scientific(x, d); static_cast<int>(e.size()) <= width || d == 0) return e;
  return {};
}

// A time cut (not rounded) at the decimals shown, as SPSS and PSPP show
// times, so that 23:59:59.6 never shows as 24:00:00; a rounding far below
// the decimals first undoes a binary fraction's error (12.29 is 12.2899...).
double Cut(double seconds, int decimals) {
  const double scale = std::pow(10.0, decimals);
  return std::trunc(std::round(seconds * scale * 1000) / 1000) / scale;
}

std::string Clock(double seconds, int decimals, bool hours) {
  const double scale = std::pow(10.0, decimals);
  const double ticks = std::round(std::fabs(Cut(seconds, decimals)) * scale);
  const double whole = std::floor(ticks / scale);
  const long long s = static_cast<long long>(whole);
  std::string out = hours ? Printf("%02lld:%02lld", s / 3600, s / 60 % 60) : Printf("%02lld", s / 60);
  out += Printf(":%02lld", s % 60);
  if (decimals > 0) out += Printf(".%0*.0f", decimals, ticks - whole * scale);
  return (seconds < 0 ? "-" : "") + out;
}

int CurrentYear() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  gmtime_r(&now, &parts);
  return parts.tm_year + 1900;
}

std::string DateText(int type, int width, double seconds, int decimals) {
  seconds = Cut(seconds, decimals);  // before the day is told, so that the time stays in it
  const double days = std::floor(seconds / 86400);
  int day, month, year;
  if (spssConvertSPSSDate(&day, &month, &year, days * 86400) != SPSS_OK) return NumberText(seconds);
  // Two digits only where they tell the year: within 69 years before this one and 30 after.
  static const int now = CurrentYear();
  const bool longYear = width >= (type == SPSS_FMT_JDATE ? 7 : 10) || type == SPSS_FMT_MOYR || type == SPSS_FMT_QYR ||
                        type == SPSS_FMT_WKYR || year < now - 69 || year > now + 30;
  const int y = longYear ? year : year % 100;
  const int yw = longYear ? 4 : 2;
  const std::string mon = std::string(kMonths[month - 1]).substr(0, 3);
  double january1 = 0;
  SpssDateTime(year, 1, 1, 0, 0, 0, january1);
  const int yday = static_cast<int>(days - january1 / 86400) + 1;
  const std::string clock = Clock(seconds - days * 86400, decimals, true);
  switch (type) {
    case SPSS_FMT_ADATE: return Printf("%02d/%02d/%0*d", month, day, yw, y);
    case SPSS_FMT_EDATE: return Printf("%02d.%02d.%0*d", day, month, yw, y);
    case SPSS_FMT_SDATE: return Printf("%0*d/%02d/%02d", yw, y, month, day);
    case SPSS_FMT_JDATE: return Printf("%0*d%03d", yw, y, yday);
    case SPSS_FMT_MOYR: return Printf("%s %04d", mon.c_str(), year);
    case SPSS_FMT_QYR: return Printf("%d Q %04d", (month - 1) / 3 + 1, year);
    case SPSS_FMT_WKYR: return Printf("%d WK %04d", (yday - 1) / 7 + 1, year);
    case SPSS_FMT_DATE_TIME: return Printf("%02d-%s-%04d ", day, mon.c_str(), year) + clock;
    case SPSS_FMT_YMDHMS: return Printf("%04d-%02d-%02d ", year, month, day) + clock;
    default: return Printf("%02d-%s-%0*d", day, mon.c_str(), yw, y);
  }
}

std::string Named(const char* const* names, int count, double x, int width) {
  const int i = static_cast<int>(x);
  if (i != x || i < 1 || i > count) return NumberText(x);
  return std::string(names[i - 1]).substr(0, static_cast<std::size_t>(std::max(width, 2)));
}

}  // namespace

std::string DisplayNumber(const TSPSSVariable& v, double x, double sysmis) {
  if (x == sysmis) return ".";
  if (!std::isfinite(x)) return NumberText(x);
  const int type = v.PrintType(), width = v.Width(), decimals = std::clamp(v.Decimals(), 0, 16);
  switch (type) {
    case SPSS_FMT_COMMA: return Fit(x, width, decimals, "", "", true);
    case SPSS_FMT_DOT: return Fit(x, width, decimals, "", "", true, '.', ',');
    case SPSS_FMT_DOLLAR: return Fit(x, width, decimals, "$", "", true);
    case SPSS_FMT_PCT: return Fit(x, width, decimals, "", "%", false);
    case SPSS_FMT_E: {
      int d = decimals;
      while (d > 0 && static_cast<int>(Scientific(x, d).size()) > width) --d;
      return Scientific(x, d);
    }
    case SPSS_FMT_N: return x >= 0 ? Printf("%0*.*f", width, decimals, x) : NumberText(x);
    case SPSS_FMT_TIME: {
      // Too wide with its seconds, a time shows hours and minutes.
      const std::string t = Clock(x, decimals, true);
      return static_cast<int>(t.size()) <= width ? t : t.substr(0, t.size() - 3 - (decimals ? decimals + 1 : 0));
    }
    case SPSS_FMT_MTIME: return Clock(x, decimals, false);
    case SPSS_FMT_DTIME: {
      x = Cut(x, decimals);
      const double days = std::trunc(x / 86400);
      return Printf("%s%.0f ", x < 0 ? "-" : "", std::fabs(days)) + Clock(std::fabs(x - days * 86400), decimals, true);
    }
    case SPSS_FMT_WKDAY: return Named(kDays, 7, x, width);
    case SPSS_FMT_MONTH: return Named(kMonths, 12, x, width);
    default: break;
  }
  // Day 0, 14 Oct 1582, and before are no dates: shown as none, as SPSS does.
  // QYR, MOYR and WKYR are dates too.
  if (const std::string_view kind = TimeKind(type); kind == "date" || kind == "datetime")
    return x < 86400 ? "." : DateText(type, width, x, decimals);
  return Fit(x, std::max(width, 1), decimals, "", "", false);
}

Variant ParseValue(const TSPSSVariable& v, const std::string& text, double sysmis) {
  const auto refuse = [&](const std::string& why) {
    return std::invalid_argument(v.Name() + " = " + text + ": " + why);
  };
  if (!v.IsNumeric()) {
    // Never cut: a cut may also split a character.
    if (trim::Blanks(text).size() > static_cast<std::size_t>(v.Width()))
      throw refuse("longer than the variable's width of " + std::to_string(v.Width()) + " bytes");
    return Variant(text);
  }
  const std::string_view t = trim::White(text);
  if (t.empty() || t == "." || t == "SYSMIS" || t == "sysmis") return Variant(sysmis);
  double d;
  if (TryStrToFloat(t, d)) return Variant(d);
  int y, m, day, hh = 0, mm = 0;
  double ss = 0;
  char sep = 0;
  const std::string s(t);
  const int n = std::sscanf(s.c_str(), "%4d-%2d-%2d%c%2d:%2d:%lf", &y, &m, &day, &sep, &hh, &mm, &ss);
  if ((n == 3 || (n == 7 && (sep == 'T' || sep == ' '))) && SpssDateTime(y, m, day, hh, mm, ss, d)) return Variant(d);
  // A time or a duration as ValueText shows one: [-]h:mm:ss[.ff], hours past 24 too.
  if (IsTimeFormat(v.PrintType())) {
    const bool negative = s[0] == '-';
    unsigned hours = 0, minutes = 0;
    int used = 0;
    if (std::sscanf(s.c_str() + negative, "%u:%2u:%lf%n", &hours, &minutes, &ss, &used) == 3 &&
        used == static_cast<int>(s.size()) - negative && minutes < 60 && ss >= 0 && ss < 60)
      return Variant((negative ? -1.0 : 1.0) * (hours * 3600.0 + minutes * 60.0 + ss));
    throw refuse("not a number nor a time as 10:30:00");
  }
  throw refuse(IsDateFormat(v.PrintType()) || IsDateTimeFormat(v.PrintType())
                   ? "not a number nor a date as 2026-12-09 or 2026-12-09T10:30:00"
                   : "not a number");
}

std::string EditText(const TSPSSVariable& v, double x, double sysmis) {
  if (x == sysmis) return "";
  const auto same = [&](const std::string& text) {
    try {
      return ParseValue(v, text, sysmis).ToDouble() == x;
    } catch (const std::invalid_argument&) {
      return false;
    }
  };
  if (std::string text = ValueText(v, Variant(x), sysmis); same(text)) return text;
  // A date that holds a time of day too.
  const double days = std::floor(x / 86400), seconds = x - days * 86400;
  int day, month, year;
  if (std::isfinite(x) && spssConvertSPSSDate(&day, &month, &year, days * 86400) == SPSS_OK) {
    const int whole = static_cast<int>(seconds);
    std::string text =
        Printf("%04d-%02d-%02dT%02d:%02d:", year, month, day, whole / 3600, whole / 60 % 60) +
        (seconds - whole == 0 ? Printf("%02d", whole % 60) : Printf("%09.6f", seconds - whole / 60 * 60));
    if (same(text)) return text;
  }
  return NumberText(x);  // always reads back exactly
}

}  // namespace savkit::front
