#include "attributes.h"

#include <cassert>
#include <string_view>

#include "io/names.h"

namespace savkit::io {

namespace {

// One attribute set: name(value lines)..., each value a quoted text ended by
// a quote and a line feed. Values hold no line feed, but may hold quotes,
// parentheses and slashes, so only "'\n" ends one. Returns the end of the
// set, or npos when it does not parse; the attributes go to out when given.
std::size_t ParseSet(std::string_view s, std::size_t at, AttributeSet* out) {
  bool any = false;
  while (at < s.size() && s[at] != '/') {
    const std::size_t open = s.find('(', at);
    if (open == std::string_view::npos || open == at) return std::string_view::npos;
    if (out) out->push_back({std::string(s.substr(at, open - at)), {}});
    at = open + 1;
    do {
      if (at >= s.size() || s[at] != '\'') return std::string_view::npos;
      const std::size_t end = s.find("'\n", at + 1);
      if (end == std::string_view::npos) return std::string_view::npos;
      if (out) out->back().values.emplace_back(s.substr(at + 1, end - at - 1));
      at = end + 2;
    } while (at < s.size() && s[at] != ')');
    if (at >= s.size()) return std::string_view::npos;
    ++at;  // past ')'
    any = true;
  }
  return any ? at : std::string_view::npos;
}

// Walks the variable attribute sets of a record, handing each name and the
// range of its set to visit. False when the record does not parse.
template <class Visit>
bool ForEachVariableSet(std::string_view s, Visit&& visit) {
  std::size_t at = 0;
  while (at < s.size()) {
    const std::size_t colon = s.find(':', at);
    if (colon == std::string_view::npos) return false;
    const std::size_t end = ParseSet(s, colon + 1, nullptr);
    if (end == std::string_view::npos) return false;
    visit(s.substr(at, colon - at), colon + 1, end);
    at = end < s.size() ? end + 1 : end;  // past the '/' between sets
  }
  assert(at == s.size());
  return true;
}

}  // namespace

std::string AttributeSetText(const AttributeSet& set) {
  std::string text;
  for (const Attribute& a : set) {
    assert(!a.values.empty());
    text += a.name + "(";
    for (const std::string& value : a.values) {
      assert(value.find('\n') == std::string::npos);
      text += "'" + value + "'\n";
    }
    text += ")";
  }
  return text;
}

bool ParseAttributeSet(std::string_view text, AttributeSet& out) {
  out.clear();
  if (ParseSet(text, 0, &out) == text.size()) return true;
  out.clear();
  return false;
}

bool ParseVariableAttributeSets(std::string_view text, std::vector<std::pair<std::string, AttributeSet>>& out) {
  out.clear();
  const bool parsed = ForEachVariableSet(text, [&](std::string_view name, std::size_t from, std::size_t) {
    out.emplace_back(std::string(name), AttributeSet{});
    ParseSet(text, from, &out.back().second);
  });
  if (!parsed) out.clear();
  return parsed;
}

bool RenameAttributeSets(const std::vector<std::uint8_t>& in, const std::map<std::string, std::string>& names,
                         std::vector<std::uint8_t>& out) {
  const std::string_view s(reinterpret_cast<const char*>(in.data()), in.size());
  std::string result;
  const bool parsed = ForEachVariableSet(s, [&](std::string_view name, std::size_t from, std::size_t end) {
    const auto it = names.find(LowerAscii(name));
    if (it == names.end()) return;
    if (!result.empty()) result += '/';
    result += it->second;
    result.append(s.substr(from - 1, end - from + 1));  // from the ':' on
  });
  if (!parsed) return false;
  out.assign(result.begin(), result.end());
  return true;
}

}  // namespace savkit::io
