#include "common.h"

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <istream>

#include "savkit/datafile_exception.h"
#include "savkit/host/datetime.h"
#include "savkit/host/sysutils.h"
#include "io/text_codec.h"
#include "savkit/spssio.h"

namespace savkit::cli {

namespace {

const std::pair<int, const char*> kFormatNames[] = {
    {1, "A"},      {2, "AHEX"},   {3, "COMMA"},     {4, "DOLLAR"}, {5, "F"},      {6, "IB"},    {7, "PIBHEX"},
    {8, "P"},      {9, "PIB"},    {10, "PK"},       {11, "RB"},    {12, "RBHEX"}, {15, "Z"},    {16, "N"},
    {17, "E"},     {20, "DATE"},  {21, "TIME"},     {22, "DATETIME"}, {23, "ADATE"}, {24, "JDATE"},
    {25, "DTIME"}, {26, "WKDAY"}, {27, "MONTH"},    {28, "MOYR"},  {29, "QYR"},   {30, "WKYR"}, {31, "PCT"},
    {32, "DOT"},   {33, "CCA"},   {34, "CCB"},      {35, "CCC"},   {36, "CCD"},   {37, "CCE"},  {38, "EDATE"},
    {39, "SDATE"}};

}  // namespace

std::string FormatName(int type, int width, int decimals) {
  std::string name = "?" + std::to_string(type);
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
bool IsDateTimeFormat(int type) { return type == 22; }
bool IsTimeFormat(int type) { return type == 21 || type == 25; }

std::string NumberText(double value) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

std::string TrimRight(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
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
  if (!v.IsNumeric()) return TrimRight(value.ToString());
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
    if (v.IsNumeric()) values_[i] = given[i]->ToDouble();
    else texts_[i] = TrimRight(given[i]->ToString());
  }
  if (type_ == -2 || type_ == -3) low_ = values_[0], high_ = values_[1];
}

bool MissingSpec::Text(std::string_view trimmed) const {
  for (int i = 0; i < type_ && i < 3; ++i)
    if (trimmed == texts_[i]) return true;
  return false;
}

std::string MissingText(const TSPSSVariable& v) {
  const std::string a = TrimRight(v.MissingValue1().ToString());
  const std::string b = TrimRight(v.MissingValue2().ToString());
  const std::string c = TrimRight(v.MissingValue3().ToString());
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

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

bool ReadCsvRecord(std::istream& in, std::vector<std::string>& fields) {
  fields.clear();
  std::string field;
  bool quoted = false, any = false;
  for (int ch; (ch = in.get()) != EOF;) {
    any = true;
    const char c = static_cast<char>(ch);
    if (quoted) {
      if (c == '"') {
        if (in.peek() == '"') {
          field += '"';
          in.get();
        } else {
          quoted = false;
        }
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.push_back(std::move(field));
      field.clear();
    } else if (c == '\n') {
      fields.push_back(std::move(field));
      return true;
    } else if (c != '\r') {
      field += c;
    }
  }
  if (!any) return false;
  fields.push_back(std::move(field));
  return true;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    // JSON is UTF-8: a byte that starts no character (a string cut inside
    // one, a file in another encoding) is U+FFFD, as on the codebook page.
    if (c >= 0x80) {
      const std::size_t n = io::Utf8CharLength(text, i);
      if (n == 0) {
        out += "\xEF\xBF\xBD";
      } else {
        out.append(text, i, n);
        i += n - 1;
      }
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

int TerminalWidth() {
  winsize ws{};
  if (::isatty(STDOUT_FILENO) && ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 20) return ws.ws_col;
  return 100;
}

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

void RefuseInputAsOutput(const std::string& in, const std::string& out) {
  struct stat a, b;
  if (::stat(in.c_str(), &a) == 0 && ::stat(out.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino)
    throw UsageError(out + ": is the input file; write the output elsewhere");
}

TSPSSVariable* AddVariable(TSPSSDatafile& d, const std::string& name, bool numeric, int width) {
  TSPSSVariables* vars = d.Variables();
  std::string placeholder = "v" + std::to_string(vars->Count());
  for (int n = 0; vars->Find(placeholder) || UpperCase(placeholder) == UpperCase(name); ++n)
    placeholder = "t" + std::to_string(n);
  TSPSSVariable* v = vars->Add(placeholder, numeric, width);
  v->Set_Name(name);
  return v;
}

void OpenForReading(TSPSSDatafile& data, const std::string& path) {
  const std::string expanded = ExpandFileName(path);
  struct stat st;
  if (::stat(expanded.c_str(), &st) != 0) throw Failure(path + ": no such file");
  if (!S_ISREG(st.st_mode)) throw Failure(path + ": not a regular file");  // a folder, a pipe, a device
  data.Set_Filename(expanded);
  data.Open();
}

void ParseRange(const std::string& text, int count, int& first, int& last) {
  first = 1;
  last = count;
  if (text.empty()) return;
  const std::size_t colon = text.find(':');
  const std::string a = text.substr(0, colon), b = colon == std::string::npos ? a : text.substr(colon + 1);
  try {
    if (!a.empty()) first = std::stoi(a);
    if (!b.empty()) last = std::stoi(b);
  } catch (const std::exception&) {
    throw Failure("--cases " + text + ": not a range of case numbers");
  }
  if (first < 1 || last > count || first > last + 1) throw Failure("--cases " + text + ": outside 1:" + std::to_string(count));
}

}  // namespace savkit::cli
