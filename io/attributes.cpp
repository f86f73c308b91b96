#include "attributes.h"

#include <cassert>
#include <string_view>

#include "names.h"

namespace savkit::io {

namespace {

// One attribute set: name(value lines)..., each value a quoted text ended by
// a quote and a line feed. Values hold no line feed, but may hold quotes,
// parentheses and slashes, so only "'\n" ends one. Returns the end of the
// set, or npos when it does not parse.
std::size_t AttributeSetEnd(std::string_view s, std::size_t at) {
  bool any = false;
  while (at < s.size() && s[at] != '/') {
    const std::size_t open = s.find('(', at);
    if (open == std::string_view::npos || open == at) return std::string_view::npos;
    at = open + 1;
    do {
      if (at >= s.size() || s[at] != '\'') return std::string_view::npos;
      const std::size_t end = s.find("'\n", at + 1);
      if (end == std::string_view::npos) return std::string_view::npos;
      at = end + 2;
    } while (at < s.size() && s[at] != ')');
    if (at >= s.size()) return std::string_view::npos;
    ++at;  // past ')'
    any = true;
  }
  return any ? at : std::string_view::npos;
}

}  // namespace

bool RenameAttributeSets(const std::vector<std::uint8_t>& in, const std::map<std::string, std::string>& names,
                         std::vector<std::uint8_t>& out) {
  const std::string_view s(reinterpret_cast<const char*>(in.data()), in.size());
  std::string result;
  std::size_t at = 0;
  while (at < s.size()) {
    const std::size_t colon = s.find(':', at);
    if (colon == std::string_view::npos) return false;
    const std::size_t end = AttributeSetEnd(s, colon + 1);
    if (end == std::string_view::npos) return false;
    const auto it = names.find(LowerAscii(s.substr(at, colon - at)));
    if (it != names.end()) {
      if (!result.empty()) result += '/';
      result += it->second;
      result.append(s.substr(colon, end - colon));
    }
    at = end < s.size() ? end + 1 : end;  // past the '/' between sets
  }
  assert(at == s.size());
  out.assign(result.begin(), result.end());
  return true;
}

}  // namespace savkit::io
