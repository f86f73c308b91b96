// UTF-8 as the library checks it, for front ends that show or take texts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace savkit::front {

bool ValidUtf8(std::string_view text);
// The bytes of the character that starts at i, or 0 where none does.
std::size_t Utf8CharLength(std::string_view text, std::size_t i);
// ASCII letters in lower case, other bytes as they are.
std::string LowerAscii(std::string_view text);

}  // namespace savkit::front
