// Conversion of a file's texts to and from UTF-8.
#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

namespace savkit::io {

// The iconv name for a character code of the machine integer info record, or
// an empty text for UTF-8.
std::string EncodingForCodePage(int code);
bool IsUtf8Name(std::string_view name);

bool ValidUtf8(std::string_view text);
// The length of the well-formed UTF-8 character that starts at s[i] (no
// overlong form, surrogate or code point past Unicode's end); 0 for none.
std::size_t Utf8CharLength(std::string_view s, std::size_t i);

// Cuts text to at most maxBytes without splitting a UTF-8 character.
void CutUtf8(std::string& text, std::size_t maxBytes);

// One iconv conversion, closed with its owner; invalid while unopened.
class Iconv {
 public:
  Iconv() = default;
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  ~Iconv() { Close(); }
  bool Open(const char* to, const char* from);
  void Close();
  bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t Get() const { return cd_; }

 private:
  iconv_t cd_ = reinterpret_cast<iconv_t>(-1);
};

// Converts from one encoding to UTF-8. Bytes the encoding does not define are
// kept as the private-use characters U+EF80 to U+EFFF (U+EF00 + the byte),
// which TextEncoder turns back into the same byte: nothing is lost, and no
// character a file means is taken for one.
class TextCodec {
 public:
  // False when iconv does not know the encoding.
  bool Open(const std::string& encoding);
  bool Identity() const { return !cd_.Valid(); }
  std::string ToUtf8(std::string_view bytes);
  // Appends the UTF-8 form of bytes to out.
  void AppendUtf8(std::string_view bytes, std::string& out);

 private:
  Iconv cd_;
};

// Converts UTF-8 back to a file's encoding, for files written in it.
class TextEncoder {
 public:
  bool Open(const std::string& encoding);
  bool Identity() const { return !cd_.Valid(); }
  // The text in the encoding; false when a character has no code there or
  // the text is not valid UTF-8 (a UTF-8 file takes any bytes).
  bool Encode(std::string_view text, std::string& out);
  // The encoded form of the longest start of text that fits maxBytes, cut
  // between characters. Characters the encoding lacks become '?'.
  std::string Fit(std::string_view text, std::size_t maxBytes);

 private:
  Iconv cd_;
};

}  // namespace savkit::io
