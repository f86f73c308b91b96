// savkit diff: what differs between two system files, dictionary and values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "savkit/model/datafile.h"

namespace savkit::cli {

// One difference in the dictionaries. A side that lacks the thing is empty.
struct Difference {
  std::string scope;  // "file", "variable", "variable set", "multiple-response set"
  std::string name;   // of the variable or set; empty for the file
  std::string field;  // "label", "format", ...; empty when one side lacks the whole thing
  std::optional<std::string> a, b;
  bool text = false;  // a and b are free text (shown quoted)
};

// Compares everything the dictionaries say, variables matched by name
// whatever the letter case.
std::vector<Difference> CompareDictionaries(TSPSSDatafile& a, TSPSSDatafile& b);

// One value that differs, as shown; an empty side is system-missing.
struct ValueDifference {
  std::int64_t caseA = 0, caseB = 0;  // 1-based
  std::string key;                    // the key's value when cases are matched by key
  std::string variable;
  std::string a, b;   // "." for system-missing
  bool text = false;  // string values (shown quoted)
};

struct ValueComparison {
  std::int64_t casesA = 0, casesB = 0;
  std::int64_t casesCompared = 0, casesDiffering = 0, valuesDiffering = 0;
  std::vector<std::string> onlyInA, onlyInB;  // cases (numbers or keys) up to the limit
  std::int64_t countOnlyInA = 0, countOnlyInB = 0;
  std::vector<ValueDifference> shown;    // up to the limit
  std::vector<std::string> notCompared;  // variables whose kinds differ
};

struct ValueOptions {
  std::string key;          // match cases by this variable; by position when empty
  std::size_t limit = 100;  // differences and unmatched cases listed; 0 lists all
  bool progress = false;
};

// Compares the values of the variables both files have, case by case. Throws
// Failure, naming the file, when the key is not a variable of both or does
// not tell the cases apart.
ValueComparison CompareValues(TSPSSDatafile& a, TSPSSDatafile& b, const ValueOptions& options, const std::string& fileA,
                              const std::string& fileB);

}  // namespace savkit::cli
