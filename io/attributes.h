// Attribute records: the file's (extension subtype 17) and its variables'
// (subtype 18). Variable attributes name their variables: when the variables
// of a copy are renamed or left out, the record follows them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace savkit::io {

// One attribute: a single value, or an array of them. Texts as in the file,
// without the quotes around each value.
struct Attribute {
  std::string name;
  std::vector<std::string> values;
};
using AttributeSet = std::vector<Attribute>;

// Parses a file attribute record. False, leaving out empty, when it does not
// parse.
bool ParseAttributeSet(std::string_view text, AttributeSet& out);

// The text of an attribute set as a record holds it. Values must hold no
// line feed, the one thing the syntax cannot carry.
std::string AttributeSetText(const AttributeSet& set);

// Parses a variable attribute record into (variable name, its attributes)
// pairs. False, leaving out empty, when it does not parse.
bool ParseVariableAttributeSets(std::string_view text, std::vector<std::pair<std::string, AttributeSet>>& out);

// The record with each variable set renamed by names (old name to new name,
// keys in lower-case ASCII, both in the file's encoding) and the sets of
// variables names lacks left out. Returns false, leaving out untouched, when
// the record does not parse as variable attribute sets.
bool RenameAttributeSets(const std::vector<std::uint8_t>& in, const std::map<std::string, std::string>& names,
                         std::vector<std::uint8_t>& out);

}  // namespace savkit::io
