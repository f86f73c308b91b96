// The facts of the portable file format that reader and writer share: the
// header's layout, the character positions of the portable character set,
// record tags and base-30 numbers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace savkit::io::portable {

constexpr std::size_t kLineLength = 80;
constexpr std::size_t kVanitySize = 200;  // five 40-byte "SPSS PORT FILE" splashes
constexpr std::size_t kVanityEntry = 40;
constexpr std::size_t kTableSize = 256;  // the file's byte for each portable character
constexpr std::size_t kTagOffset = kVanitySize + kTableSize;
constexpr std::size_t kHeaderSize = kTagOffset + 8;  // then "SPSSPORT"
constexpr char kTag[] = "SPSSPORT";
// The second splash is in ASCII; what follows its 20 characters is free,
// and other writers keep the file label there.
constexpr std::size_t kLabelOffset = kVanityEntry + 20;
constexpr std::size_t kLabelLength = 20;

// Record tags, in the portable character set (digits and capitals).
constexpr char kProduct = '1';
constexpr char kAuthor = '2';
constexpr char kSubproduct = '3';
constexpr char kVariableCount = '4';
constexpr char kPrecision = '5';
constexpr char kWeight = '6';
constexpr char kVariable = '7';
constexpr char kMissingValue = '8';
constexpr char kMissingLowThru = '9';
constexpr char kMissingThruHigh = 'A';
constexpr char kMissingRange = 'B';
constexpr char kVariableLabel = 'C';
constexpr char kValueLabels = 'D';
constexpr char kDocuments = 'E';
constexpr char kData = 'F';
constexpr char kEnd = 'Z';  // ends the data, and pads the last line

constexpr int kMaxStringWidth = 255;
constexpr int kMaxNameLength = 8;
constexpr int kBase = 30;

// The value of a base-30 digit ('0'-'9', 'A'-'T'), or -1.
inline int DigitValue(std::uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'T') return c - 'A' + 10;
  return -1;
}
inline char DigitChar(int d) { return static_cast<char>(d < 10 ? '0' + d : 'A' + d - 10); }

// The character at each position of the portable character set, as the
// Unicode code point; 0 where the position holds none (controls, reserved).
// Positions 64 to 188 are the ones the format defines.
constexpr std::array<char32_t, 256> MakeCharacters() {
  std::array<char32_t, 256> c{};
  for (int i = 0; i < 10; ++i) c[64 + i] = U'0' + static_cast<char32_t>(i);
  for (int i = 0; i < 26; ++i) c[74 + i] = U'A' + static_cast<char32_t>(i);
  for (int i = 0; i < 26; ++i) c[100 + i] = U'a' + static_cast<char32_t>(i);
  const char32_t rest[] = {U' ',      U'.',      U'<',      U'(',      U'+',      U'|',      U'&',      U'[',
                           U']',      U'!',      U'$',      U'*',      U')',      U';',      U'^',      U'-',
                           U'/',      U'\u00A6', U',',      U'%',      U'_',      U'>',      U'?',      U'`',
                           U':',      U'\u00A3', U'@',      U'\'',     U'=',      U'"',      U'\u2264', U'\u25A1',
                           U'\u00B1', U'\u25A0', U'\u00B0', U'\u2020', U'~',      U'\u2013', U'\u2514', U'\u250C',
                           U'\u2265', U'\u2070', U'\u00B9', U'\u00B2', U'\u00B3', U'\u2074', U'\u2075', U'\u2076',
                           U'\u2077', U'\u2078', U'\u2079', U'\u2518', U'\u2510', U'\u2260', U'\u2014', U'\u207D',
                           U'\u207E', U'\u2021', U'{',      U'}',      U'\\',     U'\u00A2', U'\u00B7'};
  for (std::size_t i = 0; i < sizeof rest / sizeof rest[0]; ++i) c[126 + i] = rest[i];
  return c;
}
inline constexpr std::array<char32_t, 256> kCharacters = MakeCharacters();
constexpr int kFirstCharacter = 64;
constexpr int kLastCharacter = 188;
constexpr int kSpace = 126;
constexpr int kZero = 64;

// The windows-1252 byte of a code point, or 0 where it has none: the bytes
// savkit reads a portable file's characters as.
inline std::uint8_t Windows1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<std::uint8_t>(c);
  switch (c) {
    case U'\u2020': return 0x86;
    case U'\u2021': return 0x87;
    case U'\u2013': return 0x96;
    case U'\u2014': return 0x97;
    default: return 0;
  }
}

}  // namespace savkit::io::portable
