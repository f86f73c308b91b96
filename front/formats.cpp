#include "savkit/front/formats.h"

#include <cctype>
#include <charconv>
#include <utility>

#include "savkit/host/sysutils.h"
#include "savkit/spssio.h"

namespace savkit::front {

namespace {

// Every code the format guide lists; 13, 14, 18 and 19 are unused.
const std::pair<int, const char*> kFormatNames[] = {
    {1, "A"},      {2, "AHEX"},   {3, "COMMA"}, {4, "DOLLAR"},    {5, "F"},      {6, "IB"},     {7, "PIBHEX"},
    {8, "P"},      {9, "PIB"},    {10, "PK"},   {11, "RB"},       {12, "RBHEX"}, {15, "Z"},     {16, "N"},
    {17, "E"},     {20, "DATE"},  {21, "TIME"}, {22, "DATETIME"}, {23, "ADATE"}, {24, "JDATE"}, {25, "DTIME"},
    {26, "WKDAY"}, {27, "MONTH"}, {28, "MOYR"}, {29, "QYR"},      {30, "WKYR"},  {31, "PCT"},   {32, "DOT"},
    {33, "CCA"},   {34, "CCB"},   {35, "CCC"},  {36, "CCD"},      {37, "CCE"},   {38, "EDATE"}, {39, "SDATE"},
    {40, "MTIME"}, {41, "YMDHMS"}};

}  // namespace

std::string FormatName(int type, int width, int decimals) {
  std::string name = "?" + std::to_string(type) + ":";  // a code no program defines, kept as the file has it
  for (const auto& [code, text] : kFormatNames)
    if (code == type) name = text;
  name += std::to_string(width);
  const bool numeric = type >= 3 && type <= 17;
  if (numeric || decimals > 0) name += "." + std::to_string(decimals);
  return name;
}

std::string PrintFormatName(const TSPSSVariable& v) {
  return FormatName(v.PrintType(), v.PrintType() == SPSS_FMT_AHEX ? 2 * v.Width() : v.Width(), v.Decimals());
}

bool ParseFormatName(std::string_view text, int& type, int& width, int& decimals) {
  std::size_t letters = 0;
  while (letters < text.size() && std::isalpha(static_cast<unsigned char>(text[letters]))) ++letters;
  const std::string name = UpperCase(std::string(text.substr(0, letters)));
  type = 0;
  for (const auto& [code, t] : kFormatNames)
    if (name == t) type = code;
  if (type == 0 || letters == text.size()) return false;
  const char* p = text.data() + letters;
  const char* end = text.data() + text.size();
  auto r = std::from_chars(p, end, width);
  if (r.ec != std::errc() || width < 1) return false;
  decimals = 0;
  if (r.ptr == end) return true;
  if (*r.ptr != '.') return false;
  r = std::from_chars(r.ptr + 1, end, decimals);
  return r.ec == std::errc() && r.ptr == end && decimals >= 0;
}

bool IsDateFormat(int type) { return type == 20 || type == 23 || type == 24 || type == 38 || type == 39; }
bool IsDateTimeFormat(int type) { return type == 22 || type == 41; }
bool IsTimeFormat(int type) { return type == 21 || type == 25 || type == 40; }

const char* TimeKind(int type) {
  switch (type) {
    case SPSS_FMT_DATE:
    case SPSS_FMT_ADATE:
    case SPSS_FMT_EDATE:
    case SPSS_FMT_JDATE:
    case SPSS_FMT_SDATE:
    case SPSS_FMT_QYR:
    case SPSS_FMT_MOYR:
    case SPSS_FMT_WKYR: return "date";
    case SPSS_FMT_DATE_TIME:
    case SPSS_FMT_YMDHMS: return "datetime";
    case SPSS_FMT_TIME:
    case SPSS_FMT_DTIME:
    case SPSS_FMT_MTIME: return "duration";
    default: return "";
  }
}

}  // namespace savkit::front
