#include "savkit/host/format.h"

namespace savkit::detail {

std::string FormatArgs(std::string_view pattern, std::span<const std::string> args) {
  std::string out;
  out.reserve(pattern.size() + 32);
  std::size_t next = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c != '%' || i + 1 == pattern.size()) {
      out += c;
      continue;
    }
    const char spec = pattern[i + 1];
    if (spec == '%') {
      out += '%';
      ++i;
    } else if (spec == 's' || spec == 'd') {
      // A missing argument leaves the directive empty rather than failing the
      // report of another failure.
      if (next < args.size()) out += args[next++];
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace savkit::detail
