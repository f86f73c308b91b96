// Trimming texts, named by what is cut. Each returns a view into its argument.
#pragma once

#include <string_view>

namespace savkit::trim {

// The blanks a text is padded to its width with: trailing spaces only.
constexpr std::string_view Blanks(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// A stored field's padding, which writers make of spaces or zero bytes.
constexpr std::string_view Padding(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
  return text;
}

// A stored field up to its first zero byte, without the blanks before it.
constexpr std::string_view Field(std::string_view text) { return Blanks(text.substr(0, text.find('\0'))); }

// Leading spaces, as before a word in a record's text.
constexpr std::string_view LeadingBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

// White space as people's texts have it: blanks and control characters
// (code 32 and below), at one end or both.
constexpr bool IsWhite(char c) { return static_cast<unsigned char>(c) <= ' '; }
constexpr std::string_view WhiteLeft(std::string_view text) {
  while (!text.empty() && IsWhite(text.front())) text.remove_prefix(1);
  return text;
}
constexpr std::string_view WhiteRight(std::string_view text) {
  while (!text.empty() && IsWhite(text.back())) text.remove_suffix(1);
  return text;
}
constexpr std::string_view White(std::string_view text) { return WhiteLeft(WhiteRight(text)); }

}  // namespace savkit::trim
