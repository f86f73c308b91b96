// Multiple-response sets as the API exchanges them, and their file records.
#pragma once

#include <string>
#include <vector>

#include "dictionary.h"

namespace savkit::io {

struct MrSet {
  std::string name;  // with its leading '$'
  char kind = 'C';   // 'C' categories, 'D' dichotomies, 'E' dichotomies labelled by counted values
  std::string value;  // counted value of a dichotomy set
  std::string label;
  std::string labelSource;  // 'E' sets: "1", or "11" when labels come from the variables
  std::vector<int> members;  // variable indexes
};

// Parses definition lines ("$name=C 5 label a b", "$name=D1 1 5 label 11 a b");
// a status of SPSS_INVALID_MRSETDEF, SPSS_INVALID_MRSETNAME or SPSS_DUP_MRSETNAME.
int ParseMrSets(const std::string& text, const Dictionary& dict, std::vector<MrSet>& sets);

// The texts of the subtype 7 (C and D sets) and 19 (E sets) records, members
// by their short names in lower case.
std::string MrRecordText(const std::vector<MrSet>& sets, const Dictionary& dict, bool newStyle);

}  // namespace savkit::io
