#include "savkit/front/display.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
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

// Digits grouped by threes with sep, the decimals after point.
std::string Grouped(double x, int decimals, char sep, char point) {
  std::string plain = Printf("%.*f", decimals, std::fabs(x));
  const std::size_t dot = plain.find('.');
  std::string whole = plain.substr(0, dot), out;
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) out += sep;
    out += whole[i];
  }
  if (dot != std::string::npos) out += point + plain.substr(dot + 1);
  return (x < 0 && out.find_first_not_of("0.,") != std::string::npos ? "-" : "") + out;
}

// A number too wide for its format shows in E notation in as many digits as fit.
std::string Fitted(std::string text, double x, int width) {
  if (static_cast<int>(text.size()) <= width) return text;
  for (int digits = std::max(0, width - 7); digits >= 0; --digits) {
    std::string e = Printf("%.*E", digits, x);
    if (static_cast<int>(e.size()) <= width || digits == 0) return e;
  }
  return text;
}

std::string Clock(double seconds, int decimals, bool hours) {
  const double scale = std::pow(10.0, decimals);
  const double ticks = std::round(std::fabs(seconds) * scale);
  const double whole = std::floor(ticks / scale);
  const long long s = static_cast<long long>(whole);
  std::string out = hours ? Printf("%02lld:%02lld", s / 3600, s / 60 % 60) : Printf("%02lld", s / 60);
  out += Printf(":%02lld", s % 60);
  if (decimals > 0) out += Printf(".%0*.0f", decimals, ticks - whole * scale);
  return (seconds < 0 ? "-" : "") + out;
}

std::string DateText(int type, int width, double seconds, int decimals) {
  const double days = std::floor(seconds / 86400);
  int day, month, year;
  if (spssConvertSPSSDate(&day, &month, &year, days * 86400) != SPSS_OK) return NumberText(seconds);
  const bool longYear = width >= 10 || type == SPSS_FMT_MOYR || type == SPSS_FMT_QYR || type == SPSS_FMT_WKYR;
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
    case SPSS_FMT_JDATE: return Printf("%0*d%03d", width >= 7 ? 4 : 2, width >= 7 ? year : year % 100, yday);
    case SPSS_FMT_MOYR: return Printf("%s %04d", mon.c_str(), year);
    case SPSS_FMT_QYR: return Printf("%d Q %04d", (month - 1) / 3 + 1, year);
    case SPSS_FMT_WKYR: return Printf("%02d WK %04d", (yday - 1) / 7 + 1, year);
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
    case SPSS_FMT_COMMA: return Fitted(Grouped(x, decimals, ',', '.'), x, width);
    case SPSS_FMT_DOT: return Fitted(Grouped(x, decimals, '.', ','), x, width);
    case SPSS_FMT_DOLLAR: {
      const std::string g = Grouped(x, decimals, ',', '.');
      return Fitted(g[0] == '-' ? "-$" + g.substr(1) : "$" + g, x, width);
    }
    case SPSS_FMT_PCT: return Fitted(Printf("%.*f%%", decimals, x), x, width);
    case SPSS_FMT_E: return Printf("%.*E", std::max(decimals, 1), x);
    case SPSS_FMT_N: return x >= 0 ? Fitted(Printf("%0*.*f", width, decimals, x), x, width) : NumberText(x);
    case SPSS_FMT_TIME: return Clock(x, decimals, true);
    case SPSS_FMT_MTIME: return Clock(x, decimals, false);
    case SPSS_FMT_DTIME: {
      const double days = std::trunc(x / 86400);
      return Printf("%s%02.0f ", x < 0 ? "-" : "", std::fabs(days)) + Clock(std::fabs(x - days * 86400), decimals, true);
    }
    case SPSS_FMT_WKDAY: return Named(kDays, 7, x, width);
    case SPSS_FMT_MONTH: return Named(kMonths, 12, x, width);
    default: break;
  }
  if (IsDateFormat(type) || IsDateTimeFormat(type)) return DateText(type, width, x, decimals);
  return Fitted(Printf("%.*f", decimals, x), x, std::max(width, 1));
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
  const std::string_view t = trim::Blanks(trim::LeadingBlanks(text));
  if (t.empty() || t == "." || t == "SYSMIS" || t == "sysmis") return Variant(sysmis);
  double d;
  if (TryStrToFloat(t, d)) return Variant(d);
  int y, m, day, hh = 0, mm = 0;
  double ss = 0;
  char sep = 0;
  const std::string s(t);
  const int n = std::sscanf(s.c_str(), "%4d-%2d-%2d%c%2d:%2d:%lf", &y, &m, &day, &sep, &hh, &mm, &ss);
  if ((n == 3 || (n == 7 && (sep == 'T' || sep == ' '))) && SpssDateTime(y, m, day, hh, mm, ss, d)) return Variant(d);
  throw refuse(IsDateFormat(v.PrintType()) || IsDateTimeFormat(v.PrintType())
                   ? "not a number nor a date as 2026-12-09 or 2026-12-09T10:30:00"
                   : "not a number");
}

}  // namespace savkit::front
