// The facts of the system file format that reader and writer share: header
// offsets, record types and subtypes, compression codes, the arithmetic of
// string segments, and loading and storing numbers in either byte order.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "savkit/spssio.h"

namespace savkit::io {

// The file header: 176 bytes at the start of every file.
namespace header {
constexpr std::size_t kSize = 176;
constexpr std::size_t kMagic = 0;  // "$FL2", or "$FL3" for ZLIB data
constexpr std::size_t kProduct = 4;
constexpr std::size_t kProductLength = 60;
constexpr std::size_t kLayout = 64;    // 2 or 3; tells the byte order
constexpr std::size_t kCaseSize = 68;  // 8-byte elements a case
constexpr std::size_t kCompression = 72;
constexpr std::size_t kWeight = 76;  // dictionary index + 1 of the weight, 0 for none
constexpr std::size_t kCases = 80;   // -1 when unknown
constexpr std::size_t kBias = 84;
constexpr std::size_t kDate = 92;  // "dd Mmm yy"
constexpr std::size_t kDateLength = 9;
constexpr std::size_t kTime = 101;  // "hh:mm:ss"
constexpr std::size_t kTimeLength = 8;
constexpr std::size_t kLabel = 109;
constexpr std::size_t kLabelLength = 64;
constexpr char kProductPrefix[] = "@(#) SPSS DATA FILE";
constexpr char kMagicPlain[] = "$FL2";
constexpr char kMagicZlib[] = "$FL3";
}  // namespace header

enum RecordType : std::int32_t {
  kVariableRecord = 2,
  kValueLabelRecord = 3,
  kValueLabelVariables = 4,
  kDocumentRecord = 6,
  kExtensionRecord = 7,
  kDictionaryEnd = 999,
};

// Subtypes of extension records.
enum Subtype : std::int32_t {
  kReleaseInfo = 3,
  kFloatInfo = 4,
  kVariableSets = 5,
  kMultRespOld = 7,
  kTextInfo = 10,
  kDisplay = 11,
  kLongNames = 13,
  kVeryLongStrings = 14,
  kCaseCount = 16,
  kFileAttributes = 17,
  kVariableAttributes = 18,
  kMultRespNew = 19,
  kEncoding = 20,
  kLongStringLabels = 21,
  kLongStringMissing = 22,
};

enum Compression : int { kUncompressed = 0, kBytecode = 1, kZlib = 2 };

// Bytecode commands; codes 1 to 251 are the value code - bias.
namespace code {
constexpr std::uint8_t kIgnore = 0;
constexpr std::uint8_t kEnd = 252;
constexpr std::uint8_t kRaw = 253;
constexpr std::uint8_t kBlanks = 254;
constexpr std::uint8_t kSysmis = 255;
constexpr int kBlockCommands = 8;
}  // namespace code

constexpr double kBias = 100.0;
constexpr std::uint32_t kZlibBlock = 0x3ff000;  // what SPSS writes
constexpr std::size_t kZlibHeaderSize = 24;
constexpr std::size_t kZlibTrailerEntry = 24;  // the trailer's own fields, and each block's

constexpr int kMaxStringWidth = 32767;
constexpr int kMaxShortString = 8;   // wider strings keep labels and missing values in extension records
constexpr int kSegmentWidth = 255;   // the widest string one variable record holds
constexpr int kSegmentStride = 252;  // text each segment of a very long string carries on average
constexpr std::size_t kDocumentLine = 80;
// A variable label's bytes at most: the record counts them in 32 bits, and
// readers of the format take any length; this bound keeps a label a label.
constexpr std::size_t kMaxLongLabel = 65535;
constexpr std::size_t kMissingValueBytes = 8;
constexpr std::size_t kShortNameBytes = 8;

// 8-byte elements a string of this width takes in one variable record (0: a number).
inline int ElementsFor(int width) { return width == 0 ? 1 : (width + 7) / 8; }
// Variable records a very long string is split into.
inline int SegmentCount(int width) { return width > kSegmentWidth ? (width + kSegmentStride - 1) / kSegmentStride : 1; }
// The width of segment s of a string of this width.
inline int SegmentWidth(int width, int s) {
  const int n = SegmentCount(width);
  if (n == 1) return width;
  return s + 1 < n ? kSegmentWidth : width - kSegmentStride * (n - 1);
}

// A print or write format packed in one int32: type, width, decimals.
inline std::int32_t PackFormat(int type, int width, int decimals) {
  return static_cast<std::int32_t>((type & 0xFF) << 16 | (width & 0xFF) << 8 | (decimals & 0xFF));
}

// The narrowest width and the most decimals a width allows, for a numeric
// format type; false for types that are not numeric formats.
struct FormatRule {
  int minWidth;
  int maxWidth;
  int decimalsBelowWidth;  // decimals <= width - this; 99: none allowed
};

inline bool NumericFormatRule(int type, FormatRule& rule) {
  switch (type) {
    case SPSS_FMT_F:
    case SPSS_FMT_COMMA:
    case SPSS_FMT_DOT:
    case SPSS_FMT_CCA:
    case SPSS_FMT_CCB:
    case SPSS_FMT_CCC:
    case SPSS_FMT_CCD:
    case SPSS_FMT_CCE: rule = {type >= SPSS_FMT_CCA ? 2 : 1, 40, 1}; return true;
    case SPSS_FMT_DOLLAR:
    case SPSS_FMT_PCT: rule = {2, 40, 2}; return true;
    case SPSS_FMT_E: rule = {6, 40, 7}; return true;
    case SPSS_FMT_N:
    case SPSS_FMT_Z: rule = {1, 40, 0}; return true;
    case SPSS_FMT_P:
    case SPSS_FMT_PK: rule = {1, 16, 0}; return true;
    case SPSS_FMT_IB:
    case SPSS_FMT_PIB: rule = {1, 8, 0}; return true;
    case SPSS_FMT_RB: rule = {2, 8, 0}; return true;
    case SPSS_FMT_PIBHEX: rule = {2, 16, 99}; return true;
    case SPSS_FMT_RBHEX: rule = {4, 16, 99}; return true;
    case SPSS_FMT_DATE: rule = {9, 40, 99}; return true;
    case SPSS_FMT_ADATE:
    case SPSS_FMT_EDATE:
    case SPSS_FMT_SDATE:
    case SPSS_FMT_WKYR: rule = {8, 40, 99}; return true;
    case SPSS_FMT_JDATE: rule = {5, 40, 99}; return true;
    case SPSS_FMT_QYR:
    case SPSS_FMT_MOYR: rule = {6, 40, 99}; return true;
    case SPSS_FMT_WKDAY: rule = {2, 40, 99}; return true;
    case SPSS_FMT_MONTH: rule = {3, 40, 99}; return true;
    case SPSS_FMT_TIME: rule = {5, 40, 9}; return true;
    case SPSS_FMT_DTIME: rule = {8, 40, 12}; return true;
    case SPSS_FMT_DATE_TIME: rule = {17, 40, 21}; return true;
    case SPSS_FMT_MTIME: rule = {5, 40, 6}; return true;
    case SPSS_FMT_YMDHMS: rule = {16, 40, 20}; return true;
    default: return false;
  }
}

// Whether a format code is one the format guide defines (13, 14, 18 and 19
// are unused).
inline bool KnownFormatType(int type) {
  return (type >= SPSS_FMT_A && type <= SPSS_FMT_RBHEX) || (type >= SPSS_FMT_Z && type <= SPSS_FMT_E) ||
         (type >= SPSS_FMT_DATE && type <= SPSS_FMT_YMDHMS);
}

// Whether a print or write format suits a variable of this width (0 for
// numbers) and is as wide as it needs to be.
inline bool ValidFormat(int type, int width, int decimals, int varWidth) {
  if (varWidth > 0) {
    if (decimals != 0) return false;
    return (type == SPSS_FMT_A && width == varWidth) || (type == SPSS_FMT_AHEX && width == 2 * varWidth);
  }
  FormatRule rule;
  if (!NumericFormatRule(type, rule) || width < rule.minWidth || width > rule.maxWidth) return false;
  if (decimals < 0 || decimals > 16) return false;
  return decimals == 0 || (rule.decimalsBelowWidth != 99 && decimals <= width - rule.decimalsBelowWidth);
}

// The nearest valid numeric format of a type: the width within the type's
// bounds, the decimals cut to what that width allows. False for a type that
// is no numeric format.
inline bool FitNumericFormat(int type, int& width, int& decimals) {
  FormatRule rule;
  if (!NumericFormatRule(type, rule)) return false;
  width = std::clamp(width, rule.minWidth, rule.maxWidth);
  const int most = rule.decimalsBelowWidth == 99 ? 0 : std::min(16, width - rule.decimalsBelowWidth);
  decimals = std::clamp(decimals, 0, std::max(0, most));
  return true;
}

inline std::uint32_t Swap32(std::uint32_t v) { return __builtin_bswap32(v); }
inline std::uint64_t Swap64(std::uint64_t v) { return __builtin_bswap64(v); }

inline std::int32_t LoadI32(const std::uint8_t* p, bool swap) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return static_cast<std::int32_t>(swap ? Swap32(v) : v);
}

inline std::int64_t LoadI64(const std::uint8_t* p, bool swap) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return static_cast<std::int64_t>(swap ? Swap64(v) : v);
}

inline double LoadF64(const std::uint8_t* p, bool swap) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return std::bit_cast<double>(swap ? Swap64(v) : v);
}

// Stores the low n bytes of v, in the file's byte order.
inline void StoreInt(std::uint8_t* p, std::uint64_t v, int n, bool swap) {
  for (int i = 0; i < n; ++i) p[swap ? n - 1 - i : i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The bytes of records being written, in our own byte order (the writer's
// files are always in the byte order of the machine that writes them).
class ByteWriter {
 public:
  std::vector<std::uint8_t> out;

  void Int(std::int32_t v) { Put(static_cast<std::uint32_t>(v), 4); }
  void Int64(std::int64_t v) { Put(static_cast<std::uint64_t>(v), 8); }
  void Double(double v) { Put(std::bit_cast<std::uint64_t>(v), 8); }
  void Byte(std::uint8_t v) { out.push_back(v); }
  // Exactly width bytes: the text cut or padded with blanks.
  void Text(std::string_view s, std::size_t width) {
    const std::size_t n = s.size() < width ? s.size() : width;
    out.insert(out.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n));
    out.insert(out.end(), width - n, ' ');
  }
  void Raw(std::string_view s) { out.insert(out.end(), s.begin(), s.end()); }
  void Raw(const std::vector<std::uint8_t>& b) { out.insert(out.end(), b.begin(), b.end()); }
  void Zeros(std::size_t n) { out.insert(out.end(), n, 0); }
  std::size_t Size() const { return out.size(); }
  // An extension record of single bytes.
  void TextRecord(int subtype, std::string_view text) {
    Int(kExtensionRecord), Int(subtype), Int(1), Int(static_cast<std::int32_t>(text.size()));
    Raw(text);
  }

 private:
  void Put(std::uint64_t v, int n) {
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(n));
    StoreInt(out.data() + at, v, n, std::endian::native == std::endian::big);
  }
};

}  // namespace savkit::io
