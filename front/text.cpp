#include "savkit/front/text.h"

#include "io/names.h"
#include "io/text_codec.h"

namespace savkit::front {

bool ValidUtf8(std::string_view text) { return io::ValidUtf8(text); }
std::size_t Utf8CharLength(std::string_view text, std::size_t i) { return io::Utf8CharLength(text, i); }
std::string LowerAscii(std::string_view text) { return io::LowerAscii(text); }

}  // namespace savkit::front
