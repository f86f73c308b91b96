// Writing a dictionary: the layout of the variables in the file and the bytes
// of every record up to the dictionary's end.
#pragma once

#include <cstdint>
#include <vector>

#include "dictionary.h"
#include "mrsets.h"
#include "io/text_codec.h"

namespace savkit::io {

// The character code of the release info record for an encoding; 0 when unknown.
int CodePageFor(const std::string& encoding);

// The facts of a file written now: product, release info, date and time.
void StampNewFile(Dictionary& dict);

// Gives every variable its short name, segments and elements in the file and
// its slot in the whole-case record. A variable keeps the short name it has
// when that is still free and fits the file's encoding.
void LayOut(Dictionary& dict, TextEncoder& encoder);

struct DictionaryBytes {
  std::vector<std::uint8_t> bytes;
  std::uint64_t caseCountAt = 0;      // the header's case count
  std::uint64_t extendedCountAt = 0;  // the extended case count
};

// The records of a new file, in order, texts in the encoder's encoding;
// LayOut must have run.
DictionaryBytes SerializeDictionary(const Dictionary& dict, const std::vector<MrSet>& sets, TextEncoder& encoder);

}  // namespace savkit::io
