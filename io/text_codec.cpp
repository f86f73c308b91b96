#include "io/text_codec.h"

#include <cerrno>
#include <cctype>
#include <cstdint>
#include <cstring>

namespace savkit::io {

bool IsUtf8Name(std::string_view name) {
  std::string n;
  for (char c : name)
    if (c != '-' && c != '_') n += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return n == "utf8";
}

std::string EncodingForCodePage(int code) {
  switch (code) {
    case 65001: return {};
    case 28591: return "ISO-8859-1";
    case 20127: return "ASCII";
    // Old writers put 2 (7-bit ASCII) or 3 here whatever they wrote; their
    // texts are in the Western Windows code page in practice.
    case 2:
    case 3:
    case 1252: return "WINDOWS-1252";
    default: return "CP" + std::to_string(code);
  }
}

std::size_t Utf8CharLength(std::string_view s, std::size_t i) {
  const auto c = static_cast<unsigned char>(s[i]);
  const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (n == 0 || i + n > s.size() || (n == 2 && c < 0xC2)) return 0;
  std::uint32_t cp = n == 1 ? c : c & (0x7F >> n);
  for (std::size_t k = 1; k < n; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (b & 0x3F);
  }
  // Overlong forms, surrogates and code points past Unicode's end.
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

bool ValidUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    // Plain ASCII, the common case, eight bytes at a time.
    std::uint64_t eight;
    if (i + 8 <= s.size() && (std::memcpy(&eight, s.data() + i, 8), (eight & 0x8080808080808080ULL) == 0)) {
      i += 8;
      continue;
    }
    const std::size_t n = Utf8CharLength(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

void CutUtf8(std::string& text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return;
  std::size_t cut = maxBytes;
  // Step back over continuation bytes to the start of the character.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
}

bool Iconv::Open(const char* to, const char* from) {
  Close();
  cd_ = iconv_open(to, from);
  return Valid();
}

void Iconv::Close() {
  if (Valid()) iconv_close(cd_);
  cd_ = reinterpret_cast<iconv_t>(-1);
}

bool TextCodec::Open(const std::string& encoding) {
  cd_.Close();
  return encoding.empty() || IsUtf8Name(encoding) || cd_.Open("UTF-8", encoding.c_str());
}

std::string TextCodec::ToUtf8(std::string_view bytes) {
  std::string out;
  AppendUtf8(bytes, out);
  return out;
}

namespace {

// U+EF80..U+EFFF stand for bytes 0x80..0xFF: private-use characters that no
// code page iconv knows maps (GB18030, which maps every character, aside).
constexpr unsigned kRawByteBase = 0xEF00;

// Runs a conversion to its end. At a byte it cannot convert, skip(in, inLeft,
// out) writes a stand-in and steps over the byte or character.
template <class Skip>
void Convert(iconv_t cd, std::string_view text, std::string& out, Skip&& skip) {
  char* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  while (inLeft > 0) {
    const std::size_t base = out.size();
    out.resize(base + inLeft * 4 + 16);
    char* o = out.data() + base;
    std::size_t oLeft = out.size() - base;
    const std::size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
    out.resize(out.size() - oLeft);
    if (r != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) continue;
    skip(in, inLeft, out);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
}

}  // namespace

void TextCodec::AppendUtf8(std::string_view bytes, std::string& out) {
  if (Identity()) {
    out.append(bytes);
    return;
  }
  Convert(cd_.Get(), bytes, out, [](char*& in, std::size_t& inLeft, std::string& o) {
    // An undefined or broken byte: kept as the private-use character that
    // stands for it.
    const auto b = static_cast<unsigned char>(*in);
    if (b < 0x80) {
      o += static_cast<char>(b);
    } else {
      const unsigned cp = kRawByteBase + b;
      o += static_cast<char>(0xE0 | (cp >> 12));
      o += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      o += static_cast<char>(0x80 | (cp & 0x3F));
    }
    ++in;
    --inLeft;
  });
}

bool TextEncoder::Open(const std::string& encoding) {
  cd_.Close();
  return encoding.empty() || IsUtf8Name(encoding) || cd_.Open(encoding.c_str(), "UTF-8");
}

bool TextEncoder::Encode(std::string_view text, std::string& out) {
  out.clear();
  bool ok = true;
  if (Identity()) {
    // A UTF-8 file takes the bytes as they are: texts read from one with a
    // broken sequence in them must write back unchanged.
    out.assign(text);
    return true;
  }
  Convert(cd_.Get(), text, out, [&ok](char*& in, std::size_t& inLeft, std::string& o) {
    // A byte the file held that its encoding does not define goes back as it was.
    const auto* u = reinterpret_cast<const unsigned char*>(in);
    if (inLeft >= 3 && u[0] == 0xEE && (u[1] == 0xBE || u[1] == 0xBF) && (u[2] & 0xC0) == 0x80) {
      const unsigned cp = (0xEu << 12) | ((u[1] & 0x3Fu) << 6) | (u[2] & 0x3Fu);
      if (cp >= kRawByteBase + 0x80) {
        o += static_cast<char>(cp - kRawByteBase);
        in += 3;
        inLeft -= 3;
        return;
      }
    }
    ok = false;
    o += '?';
    do {
      ++in;
      --inLeft;
    } while (inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
  });
  return ok;
}

std::string TextEncoder::Fit(std::string_view text, std::size_t maxBytes) {
  std::string cut(text), out;
  for (;;) {
    Encode(cut, out);
    if (out.size() <= maxBytes) return out;
    // Drop characters from the end until the encoded text fits.
    CutUtf8(cut, cut.size() - 1);
  }
}

}  // namespace savkit::io
