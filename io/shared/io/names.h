// Variable names: how the API compares them and which are valid.
#pragma once

#include <string>
#include <string_view>

namespace savkit::io {

inline std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

inline std::string UpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// Whether a portable file holds the name as it is: up to 8 ASCII letters,
// digits and @$_. starting with a letter (the file has them in capitals).
inline bool PortableName(std::string_view name) {
  const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (name.empty() || name.size() > 8 || !letter(name[0])) return false;
  for (const char c : name)
    if (!letter(c) && !(c >= '0' && c <= '9') && c != '@' && c != '$' && c != '_' && c != '.') return false;
  return true;
}

// A key under which names that differ only in letter case are equal, for
// every script (Unicode case folding). Broken UTF-8 is kept byte for byte.
std::string FoldName(std::string_view name);

// Why a UTF-8 text cannot name a variable (SPSS_NAME_SCRATCH, _SYSTEM,
// _BADLTH, _BADCHAR, _RESERVED, _BADFIRST), or SPSS_NAME_OK.
int ValidateName(std::string_view name);

}  // namespace savkit::io
