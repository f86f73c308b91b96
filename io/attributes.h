// Variable attributes (extension subtype 18) name their variables: when the
// variables of a copy are renamed or left out, the record follows them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace savkit::io {

// The record with each variable set renamed by names (old name to new name,
// keys in lower-case ASCII, both in the file's encoding) and the sets of
// variables names lacks left out. Returns false, leaving out untouched, when
// the record does not parse as variable attribute sets.
bool RenameAttributeSets(const std::vector<std::uint8_t>& in, const std::map<std::string, std::string>& names,
                         std::vector<std::uint8_t>& out);

}  // namespace savkit::io
