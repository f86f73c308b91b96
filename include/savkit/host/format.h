// Message formatting: "%s" and "%d" in a pattern take the arguments in order,
// "%%" is a percent sign. Arguments may be text or integers.
#pragma once

#include <concepts>
#include <span>
#include <string>
#include <string_view>

namespace savkit {

namespace detail {
std::string FormatArgs(std::string_view pattern, std::span<const std::string> args);
}

inline std::string FormatArg(std::string_view s) { return std::string(s); }
inline std::string FormatArg(const char* s) { return s ? std::string(s) : std::string(); }
template <std::integral T>
std::string FormatArg(T v) {
  return std::to_string(v);
}

template <class... Args>
std::string Format(std::string_view pattern, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    return detail::FormatArgs(pattern, {});
  } else {
    const std::string texts[] = {FormatArg(args)...};
    return detail::FormatArgs(pattern, texts);
  }
}

}  // namespace savkit
