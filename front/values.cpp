#include "savkit/front/values.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "savkit/spssio.h"
#include "savkit/front/formats.h"
#include "savkit/trim.h"

namespace savkit::front {

double Sysmis() { return spssSysmisVal(); }

std::string NumberText(double value) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

namespace {

// Seconds rounded to the decimals a time format shows, in its last unit:
// 43870.09 is stored as 43870.0899999..., and shows as 12:11:10.09.
long long Ticks(double seconds, int decimals, long long& perSecond) {
  perSecond = 1;
  for (int i = 0; i < std::clamp(decimals, 0, 9); ++i) perSecond *= 10;
  return std::llround(seconds * static_cast<double>(perSecond));
}

std::string Clock(long long ticks, long long perSecond, int decimals) {
  const long long whole = ticks / perSecond;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
  std::string out = buf;
  if (perSecond > 1) {
    std::snprintf(buf, sizeof buf, ".%0*lld", std::clamp(decimals, 0, 9), ticks % perSecond);
    out += buf;
  }
  return out;
}

}  // namespace

std::string ValueText(const TSPSSVariable& v, const Variant& value, double sysmis) {
  if (!v.IsNumeric()) return std::string(trim::Blanks(value.ToString()));
  const double d = value.ToDouble();
  if (d == sysmis) return "";
  const int type = v.PrintType();
  long long perSecond = 1;
  const long long ticks = Ticks(d, v.Decimals(), perSecond);
  if (IsDateFormat(type) || IsDateTimeFormat(type)) {
    int day, month, year;
    const long long perDay = 86400 * perSecond;
    const double midnight = static_cast<double>(ticks / perDay * 86400);
    if (spssConvertSPSSDate(&day, &month, &year, IsDateFormat(type) ? d : midnight) == SPSS_OK) {
      char buf[16];
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
      if (IsDateFormat(type)) return buf;
      return std::string(buf) + "T" + Clock(ticks % perDay, perSecond, v.Decimals());
    }
  }
  if (IsTimeFormat(type) && d >= 0) return Clock(ticks, perSecond, v.Decimals());
  return NumberText(d);
}

MissingSpec::MissingSpec(const TSPSSVariable& v) : type_(v.MissingValueType()) {
  const Variant* given[] = {&v.MissingValue1(), &v.MissingValue2(), &v.MissingValue3()};
  for (int i = 0; i < 3; ++i) {
    if (given[i]->IsEmpty()) continue;
    if (v.IsNumeric())
      values_[i] = given[i]->ToDouble();
    else
      texts_[i] = trim::Blanks(given[i]->ToString());
  }
  if (type_ == -2 || type_ == -3) low_ = values_[0], high_ = values_[1];
}

bool MissingSpec::Text(std::string_view trimmed) const {
  for (int i = 0; i < type_ && i < 3; ++i)
    if (trimmed == texts_[i]) return true;
  return false;
}

std::string MissingText(const TSPSSVariable& v) {
  const std::string a(trim::Blanks(v.MissingValue1().ToString()));
  const std::string b(trim::Blanks(v.MissingValue2().ToString()));
  const std::string c(trim::Blanks(v.MissingValue3().ToString()));
  auto number = [](const Variant& x, const char* lowHigh) {
    const double d = x.IsEmpty() ? 0 : x.ToDouble();
    return std::fabs(d) > 1e300 ? std::string(lowHigh) : NumberText(d);
  };
  switch (v.MissingValueType()) {
    case 1: return a;
    case 2: return a + "; " + b;
    case 3: return a + "; " + b + "; " + c;
    case -2: return number(v.MissingValue1(), "LO") + " thru " + number(v.MissingValue2(), "HI");
    case -3: return number(v.MissingValue1(), "LO") + " thru " + number(v.MissingValue2(), "HI") + "; " + c;
    default: return "";
  }
}

const char* LevelName(TSPSSLevel level) {
  switch (level) {
    case tslNominal: return "nominal";
    case tslOrdinal: return "ordinal";
    case tslScale: return "scale";
    default: return "unknown";
  }
}

const char* AlignName(TSPSSAlign align) {
  switch (align) {
    case tsaRight: return "right";
    case tsaCenter: return "center";
    default: return "left";
  }
}

bool SpssDateTime(int year, int month, int day, int hour, int minute, double second, double& out) {
  double date = 0, time = 0;
  if (spssConvertDate(day, month, year, &date) != SPSS_OK) return false;
  if (spssConvertTime(0, hour, minute, second, &time) != SPSS_OK) return false;
  out = date + time;
  return true;
}

int RoleCode(std::string_view name) {
  for (int i = 0; i < static_cast<int>(std::size(kRoleNames)); ++i)
    if (name == kRoleNames[i]) return i;
  return -1;
}

}  // namespace savkit::front
