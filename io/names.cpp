#include "io/names.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <array>

#include "savkit/spssio.h"
#include "io/text_codec.h"

namespace savkit::io {

namespace {

// Words of the command language that cannot name a variable.
bool Reserved(std::string_view name) {
  static constexpr std::array<std::string_view, 13> kWords = {"all", "and", "by",  "eq", "ge", "gt",  "le",
                                                              "lt",  "ne",  "not", "or", "to", "with"};
  const std::string lower = LowerAscii(name);
  for (std::string_view w : kWords)
    if (lower == w) return true;
  return false;
}

bool AsciiLetter(UChar32 c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Beyond ASCII, any character that shows: letters of every script, and the
// symbols (an emoji) that SPSS writes in names and other readers keep. Not
// blanks, controls, formatting marks or unassigned code points.
bool Shows(UChar32 c) {
  if (c < 0x80 || u_isUWhiteSpace(c) || u_iscntrl(c)) return false;
  const auto type = static_cast<UCharCategory>(u_charType(c));
  return type != U_UNASSIGNED && type != U_FORMAT_CHAR && type != U_SURROGATE &&
         !u_hasBinaryProperty(c, UCHAR_NONCHARACTER_CODE_POINT);
}

bool MayStart(UChar32 c) { return AsciiLetter(c) || c == '@' || Shows(c); }

bool MayFollow(UChar32 c) {
  if (AsciiLetter(c) || (c >= '0' && c <= '9')) return true;
  if (c == '.' || c == '_' || c == '$' || c == '#' || c == '@') return true;
  return Shows(c);
}

}  // namespace

std::string FoldName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  const auto* s = reinterpret_cast<const std::uint8_t*>(name.data());
  const auto n = static_cast<std::int32_t>(name.size());
  for (std::int32_t i = 0; i < n;) {
    const std::int32_t start = i;
    UChar32 c;
    U8_NEXT(s, i, n, c);
    if (c < 0) {
      out.append(name.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)));
      continue;
    }
    c = u_foldCase(c, U_FOLD_CASE_DEFAULT);
    std::uint8_t buf[4];
    std::int32_t len = 0;
    U8_APPEND_UNSAFE(buf, len, c);
    out.append(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(len));
  }
  return out;
}

int ValidateName(std::string_view name) {
  if (name.empty() || name.size() > SPSS_MAX_VARNAME) return SPSS_NAME_BADLTH;
  if (name[0] == '#') return SPSS_NAME_SCRATCH;
  if (name[0] == '$') return SPSS_NAME_SYSTEM;
  if (!ValidUtf8(name)) return SPSS_NAME_BADCHAR;
  const auto* s = reinterpret_cast<const std::uint8_t*>(name.data());
  const auto n = static_cast<std::int32_t>(name.size());
  std::int32_t i = 0;
  UChar32 c;
  U8_NEXT(s, i, n, c);
  if (!MayStart(c)) return SPSS_NAME_BADFIRST;
  while (i < n) {
    U8_NEXT(s, i, n, c);
    if (!MayFollow(c)) return SPSS_NAME_BADCHAR;
  }
  return Reserved(name) ? SPSS_NAME_RESERVED : SPSS_NAME_OK;
}

}  // namespace savkit::io
