// Writing a portable file as PSPP does: 80-character lines ending in CR LF,
// a character table giving each portable character its windows-1252 byte,
// base-30 numbers, and the dictionary by the variables' short names.
#include <algorithm>
#include <cfloat>
#include <cstdio>
#include <set>
#include <cmath>
#include <cstring>
#include <ctime>

#include "case_writer.h"
#include "io/format.h"
#include "io/names.h"
#include "portable.h"
#include "portable_fields.h"
#include "portable_format.h"
#include "savkit/spssio.h"

namespace savkit::io {

namespace {

// The byte that stands for a code point in files savkit writes, or 0 where
// the portable character set lacks it.
std::uint8_t PortableByte(char32_t c) {
  static const std::array<std::uint8_t, 256> kByLatin = [] {
    std::array<std::uint8_t, 256> t{};
    for (int pos = portable::kFirstCharacter; pos <= portable::kLastCharacter; ++pos) {
      const std::uint8_t b = portable::Windows1252(portable::kCharacters[static_cast<std::size_t>(pos)]);
      if (b) t[b] = b;
    }
    return t;
  }();
  const std::uint8_t b = portable::Windows1252(c);
  return b ? kByLatin[b] : 0;
}

// The next code point of UTF-8 text at i, moving i on; U+FFFD for a broken one.
char32_t NextCodePoint(std::string_view s, std::size_t& i) {
  const std::size_t n = Utf8CharLength(s, i);
  if (n == 0) return ++i, U'\uFFFD';
  const auto b = [&](std::size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(s[i + k])); };
  char32_t c = n == 1 ? b(0) : n == 2 ? b(0) & 0x1F : n == 3 ? b(0) & 0x0F : b(0) & 0x07;
  for (std::size_t k = 1; k < n; ++k) c = (c << 6) | (b(k) & 0x3F);
  i += n;
  return c;
}

// Writes the base-30 digits of m at out, most significant first; how many.
std::size_t Digits(std::uint64_t m, char* out) {
  char rev[24];
  std::size_t n = 0;
  do {
    rev[n++] = portable::DigitChar(static_cast<int>(m % portable::kBase));
    m /= portable::kBase;
  } while (m);
  for (std::size_t i = 0; i < n; ++i) out[i] = rev[n - 1 - i];
  return n;
}

}  // namespace

struct PortableWriter::Impl {
  Impl(int fd, const Dictionary& d) : out(fd, 0), dict(d) {}

  void Put(const char* s, std::size_t n) {
    if (buffering) return caseText.append(s, n), void();
    while (n) {
      const std::size_t take = std::min(n, portable::kLineLength - column);
      out.Write(s, take);
      s += take;
      n -= take;
      column += take;
      if (column == portable::kLineLength) {
        out.Write("\r\n", 2);
        column = 0;
      }
    }
  }
  void Put(std::string_view s) { Put(s.data(), s.size()); }
  void Tag(char t) { Put(&t, 1); }

  void Number(double v) {
    if (v == -DBL_MAX || std::isnan(v)) return Put("*.", 2);
    char text[96];
    std::size_t n = 0;
    if (v < 0) text[n++] = '-';
    v = std::fabs(v);
    if (v == 0) return Put("0/", 2);
    std::uint64_t m = 0;
    std::int64_t e = 0;
    ShortestBase30(std::min(v, DBL_MAX), m, e);
    char d[24];
    const auto len = static_cast<std::int64_t>(Digits(m, d));
    const auto append = [&](const char* s, std::int64_t k) {
      std::memcpy(text + n, s, static_cast<std::size_t>(k));
      n += static_cast<std::size_t>(k);
    };
    if (e >= 0 && e <= 4) {  // a whole number: its zeros written out
      append(d, len);
      append("0000", e);
    } else if (e < 0 && -e < len) {  // the point within the digits
      append(d, len + e);
      text[n++] = '.';
      append(d + len + e, -e);
    } else if (e < 0 && -e - len <= 4) {  // a fraction with a few zeros first
      append("0.0000", 2 - e - len);
      append(d, len);
    } else {
      append(d, len);
      text[n++] = e < 0 ? '-' : '+';
      char x[24];
      append(x, static_cast<std::int64_t>(Digits(static_cast<std::uint64_t>(e < 0 ? -e : e), x)));
    }
    text[n++] = '/';
    Put(text, n);
  }
  void Integer(std::int64_t n) { Number(static_cast<double>(n)); }

  // A text in the file's bytes; false with why when a character has no place.
  bool Encode(std::string_view utf8, std::string& bytes, std::string& why) {
    bytes.clear();
    for (std::size_t i = 0; i < utf8.size();) {
      const char32_t c = NextCodePoint(utf8, i);
      const std::uint8_t b = PortableByte(c);
      if (!b) {
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
        why = std::string("the character ") + code + " has no place in a portable file";
        return false;
      }
      bytes.push_back(static_cast<char>(b));
    }
    return true;
  }
  bool Text(std::string_view utf8, std::string& why) {
    std::string bytes;
    if (!Encode(utf8, bytes, why)) return false;
    // Readers take no longer text: a label past it keeps its first 255 bytes.
    if (bytes.size() > portable::kMaxStringWidth) bytes.resize(portable::kMaxStringWidth);
    Integer(static_cast<std::int64_t>(bytes.size()));
    Put(bytes);
    return true;
  }
  static std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
  }

  void Header();
  bool Variable(const io::Variable& v, std::string& why);
  bool ValueLabels(const io::Variable& v, std::string& why);

  FileOutput out;
  const Dictionary& dict;
  std::size_t column = 0;
  std::string bytes;
  // A case is made whole before any of it is written, so that a value that
  // cannot be written leaves no part of its case behind.
  bool buffering = false;
  std::string caseText;
};

void PortableWriter::Impl::Header() {
  char vanity[portable::kVanitySize];
  std::memset(vanity, ' ', sizeof vanity);
  for (std::size_t i = 0; i < 5; ++i) std::memcpy(vanity + i * portable::kVanityEntry, "ASCII SPSS PORT FILE", 20);
  // Where other readers find a file label; only what fits and has its place.
  std::string label, why;
  if (Encode(dict.fileLabel, label, why))
    std::memcpy(vanity + portable::kLabelOffset, label.data(), std::min(label.size(), portable::kLabelLength));
  Put(vanity, sizeof vanity);
  char table[portable::kTableSize];
  std::memset(table, '0', sizeof table);
  for (int pos = portable::kFirstCharacter; pos <= portable::kLastCharacter; ++pos)
    if (const std::uint8_t b = PortableByte(portable::kCharacters[static_cast<std::size_t>(pos)]))
      table[pos] = static_cast<char>(b);
  Put(table, sizeof table);
  Put(portable::kTag);
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char stamp[96];
  std::snprintf(stamp, sizeof stamp, "A8/%04d%02d%02d6/%02d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                tm.tm_hour, tm.tm_min, tm.tm_sec);
  Put(stamp);
}

bool PortableWriter::Impl::Variable(const io::Variable& v, std::string& why) {
  Tag(portable::kVariable);
  Integer(v.fileWidth);
  if (!Text(v.shortName, why)) return false;
  for (const Format& f : {v.print, v.write}) {
    Integer(f.type);
    Integer(v.IsNumeric() ? f.width : f.type == SPSS_FMT_AHEX ? 2 * v.fileWidth : v.fileWidth);
    Integer(f.decimals);
  }
  const MissingValues& m = v.missing;
  int discrete = m.type > 0 ? m.type : 0;
  if (m.type < 0) {
    const double lo = m.number[0], hi = m.number[1];
    if (lo == std::nextafter(-DBL_MAX, 0.0)) {
      Tag(portable::kMissingLowThru);
      Number(hi);
    } else if (hi == DBL_MAX) {
      Tag(portable::kMissingThruHigh);
      Number(lo);
    } else {
      Tag(portable::kMissingRange);
      Number(lo);
      Number(hi);
    }
    if (m.type == -3) {
      Tag(portable::kMissingValue);
      Number(m.number[2]);
    }
  }
  for (int i = 0; i < discrete; ++i) {
    Tag(portable::kMissingValue);
    if (v.IsNumeric())
      Number(m.number[i]);
    else if (!Text(Trimmed(m.text[i]), why))
      return why = "missing value of " + v.name + ": " + why, false;
  }
  if (!v.label.empty()) {
    Tag(portable::kVariableLabel);
    if (!Text(v.label, why)) return why = "label of " + v.name + ": " + why, false;
  }
  return true;
}

bool PortableWriter::Impl::ValueLabels(const io::Variable& v, std::string& why) {
  const std::size_t n = v.IsNumeric() ? v.numberLabels.size() : v.textLabels.size();
  if (n == 0) return true;
  Tag(portable::kValueLabels);
  Integer(1);
  if (!Text(v.shortName, why)) return false;
  Integer(static_cast<std::int64_t>(n));
  for (std::size_t i = 0; i < n; ++i) {
    if (v.IsNumeric())
      Number(v.numberLabels[i].first);
    else if (!Text(Trimmed(v.textLabels[i].first), why))
      return why = "value label of " + v.name + ": " + why, false;
    if (!Text(v.IsNumeric() ? v.numberLabels[i].second : v.textLabels[i].second, why))
      return why = "value label of " + v.name + ": " + why, false;
  }
  return true;
}

PortableWriter::PortableWriter(int fd, const Dictionary& dict) : impl_(std::make_unique<Impl>(fd, dict)) {}
PortableWriter::~PortableWriter() = default;

int PortableWriter::WriteDictionary(std::string& why) {
  Impl& w = *impl_;
  const Dictionary& d = w.dict;
  w.Header();
  w.Tag(portable::kProduct);
  if (!w.Text(d.product, why)) return why = "product: " + why, SPSS_NOT_PORTABLE;
  if (!d.textInfo.empty()) {
    w.Tag(portable::kSubproduct);
    if (!w.Text(d.textInfo, why)) return why = "text info: " + why, SPSS_NOT_PORTABLE;
  }
  w.Tag(portable::kVariableCount);
  w.Integer(static_cast<std::int64_t>(d.variables.size()));
  w.Tag(portable::kPrecision);
  w.Integer(11);
  if (d.weight >= 0) {
    w.Tag(portable::kWeight);
    if (!w.Text(d.variables[static_cast<std::size_t>(d.weight)].shortName, why)) return SPSS_NOT_PORTABLE;
  }
  for (const io::Variable& v : d.variables)
    if (!w.Variable(v, why)) return SPSS_NOT_PORTABLE;
  for (const io::Variable& v : d.variables)
    if (!w.ValueLabels(v, why)) return SPSS_NOT_PORTABLE;
  if (!d.documents.empty()) {
    w.Tag(portable::kDocuments);
    w.Integer(static_cast<std::int64_t>(d.documents.size()));
    for (const std::string& line : d.documents)
      if (!w.Text(line, why)) return why = "documents: " + why, SPSS_NOT_PORTABLE;
  }
  w.Tag(portable::kData);
  return w.out.Failed() ? SPSS_FILE_WERROR : SPSS_OK;
}

int PortableWriter::WriteCase(const std::uint8_t* record, std::string& why) {
  Impl& w = *impl_;
  w.caseText.clear();
  w.buffering = true;
  const int status = MakeCase(record, why);
  w.buffering = false;
  if (status == SPSS_OK) w.Put(w.caseText);
  return status != SPSS_OK ? status : w.out.Failed() ? SPSS_FILE_WERROR : SPSS_OK;
}

int PortableWriter::MakeCase(const std::uint8_t* record, std::string& why) {
  Impl& w = *impl_;
  for (const io::Variable& v : w.dict.variables) {
    const std::uint8_t* slot = record + v.offset;
    if (v.IsNumeric()) {
      double x;
      std::memcpy(&x, slot, 8);
      w.Number(x);
      continue;
    }
    // A string slot ends at its first zero byte, as in system files.
    const auto* end = static_cast<const std::uint8_t*>(std::memchr(slot, 0, v.slot));
    std::string_view text(reinterpret_cast<const char*>(slot), end ? static_cast<std::size_t>(end - slot) : v.slot);
    if (!w.Encode(Impl::Trimmed(text), w.bytes, why)) return why = v.name + ": " + why, SPSS_NOT_PORTABLE;
    if (w.bytes.size() > static_cast<std::size_t>(v.fileWidth))
      return why = v.name + ": the value is too long", SPSS_EXC_STRVALUE;
    // Padded to the width, as PSPP writes them: its reader takes a shorter
    // one's last bytes from the value before.
    w.bytes.resize(static_cast<std::size_t>(v.fileWidth), ' ');
    w.Integer(static_cast<std::int64_t>(w.bytes.size()));
    w.Put(w.bytes);
  }
  return SPSS_OK;
}

int PortableWriter::Finish() {
  Impl& w = *impl_;
  w.Tag(portable::kEnd);
  if (w.column) w.Put(std::string(portable::kLineLength - w.column, portable::kEnd));
  return w.out.Flush() ? SPSS_OK : SPSS_FILE_WERROR;
}

void PortableShortNames(Dictionary& dict) {
  std::set<std::string> used;
  int made = 0;
  for (io::Variable& v : dict.variables) {
    const bool plain = PortableName(v.shortName) && v.shortName == UpperAscii(v.shortName);
    if (plain && used.insert(v.shortName).second) continue;
    char name[16];
    do std::snprintf(name, sizeof name, "VAR%03d", ++made);
    while (!used.insert(name).second);
    v.shortName = name;
  }
}

std::string PortableMisfits(const Dictionary& dict) {
  std::string out;
  for (const io::Variable& v : dict.variables)
    if (v.fileWidth > portable::kMaxStringWidth)
      out += v.name + " is a string of " + std::to_string(v.fileWidth) +
             " bytes; a portable file holds strings of up to 255\n";
  return out;
}

}  // namespace savkit::io
