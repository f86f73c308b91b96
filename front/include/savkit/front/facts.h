// Everything a file says, as plain values, read in one place: what the
// component models (dictionary, sets, file label) and what only the file
// keeps (documents, attributes, roles, encoding, compression). The front
// ends show, compare and write these; none asks the library itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "savkit/model/datafile.h"

namespace savkit::front {

struct Format {
  int type = 0, width = 0, decimals = 0;
  bool operator==(const Format&) const = default;
};

// Attributes in the file's order; an array's elements are name[1], name[2], ...
using Attributes = std::vector<std::pair<std::string, std::string>>;

struct VariableFacts {
  std::string name;
  std::string label;  // whole, however long
  bool numeric = true;
  // A string's width in the file's own bytes, and of its values in UTF-8 as
  // the component holds them (three times that, up to 32767, in a file in a
  // code page); 0 for numbers.
  int width = 0, textWidth = 0;
  Format print, write;
  TSPSSLevel measure = tslUnknown;
  TSPSSAlign alignment = tsaLeft;
  int displayWidth = 0;
  std::optional<int> role;  // SPSS_ROLE_...; none where the file gives none
  // SPSS_NO_MISSVAL ... SPSS_MISS_RANGEANDVAL, and the values it takes:
  // numbers, or texts without their padding blanks.
  int missingType = 0;
  std::vector<Variant> missing;
  std::vector<std::pair<Variant, std::string>> valueLabels;  // in value order
  Attributes attributes;                                     // without the role's "$@Role"
};

struct VariableSetFacts {
  std::string name;
  std::vector<std::string> members;
};

struct MrSetFacts {
  std::string name, label;
  bool dichotomy = false;
  Variant countedValue;  // dichotomies only
  std::vector<std::string> members;
};

struct FileFacts {
  std::string label;
  std::vector<std::string> documents;  // lines without their padding blanks
  Attributes attributes;
  std::string encoding;  // as the file names it; empty where it names none
  int compression = SPSS_COMPRESSION_NONE;
  std::string weight;  // the weight variable's name, or empty
  TDateTime created = 0;
  std::string product;
  std::int64_t cases = 0;
  std::vector<VariableSetFacts> variableSets;
  std::vector<MrSetFacts> mrSets;
  std::vector<VariableFacts> variables;
};

// The facts of the file open in d, as the component holds it now (edits
// included) with what the file alone keeps read from it.
FileFacts ReadFacts(const TSPSSDatafile& d);
// The same without the variables, for front ends that take those one at a time.
FileFacts ReadFileFacts(const TSPSSDatafile& d);
// One variable's, for front ends that look at one at a time.
VariableFacts ReadVariableFacts(const TSPSSDatafile& d, const TSPSSVariable& v);
// The name of a compression code: "none", "bytecode" or "zlib".
const char* CompressionName(int code);
// The other way: -1 for a name that is none of those.
int CompressionCode(std::string_view name);

}  // namespace savkit::front
