// A portable file's dictionary records, as the file has them: texts in its
// bytes, read from the version on up to the data's tag.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "dictionary.h"
#include "portable_fields.h"

namespace savkit::io {

struct PorVariable {
  int width = 0;
  std::string name, label;
  int print[3] = {}, write[3] = {};
  MissingValues missing;  // texts in the file's bytes
  std::vector<std::pair<double, std::string>> numberLabels;
  std::vector<std::pair<std::string, std::string>> textLabels;
};

struct PorDictionary {
  std::string vanityLabel, date, time, product, author, subproduct, weight;
  std::int64_t count = -1;
  std::vector<PorVariable> variables;
  std::vector<std::string> documents;
  bool allUtf8 = true;  // every text that holds bytes outside ASCII is valid UTF-8
};

// Notes whether a text that holds bytes outside ASCII is valid UTF-8.
void NoteUtf8(const std::string& text, bool& allUtf8);

// Reads the records from the version on, up to and with the data's tag;
// false with why on the first fault.
bool ReadPortableRecords(PortableFields& f, PorDictionary& d, std::string& why);

}  // namespace savkit::io
