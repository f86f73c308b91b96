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

// A key under which names that differ only in letter case are equal, for
// every script (Unicode case folding). Broken UTF-8 is kept byte for byte.
std::string FoldName(std::string_view name);

// Why a UTF-8 text cannot name a variable (SPSS_NAME_SCRATCH, _SYSTEM,
// _BADLTH, _BADCHAR, _RESERVED, _BADFIRST), or SPSS_NAME_OK.
int ValidateName(std::string_view name);

}  // namespace savkit::io
