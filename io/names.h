// Variable names as the API compares them: ASCII letters ignoring case.
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

}  // namespace savkit::io
