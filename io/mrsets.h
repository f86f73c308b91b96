// Multiple-response sets as the API exchanges them, and their file records.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dictionary.h"

namespace savkit::io {

struct MrSet {
  std::string name;   // with its leading '$'
  char kind = 'C';    // 'C' categories, 'D' dichotomies, 'E' dichotomies labelled by counted values
  std::string value;  // counted value of a dichotomy set
  std::string label;
  std::string labelSource;   // 'E' sets: "1", or "11" when labels come from the variables
  std::vector<int> members;  // variable indexes
};

// The pieces of a set's definition, in the file's text and in the API's:
// decimal numbers, counted strings ("<n> <n bytes>") and blank-separated words.
class MrTokens {
 public:
  explicit MrTokens(std::string_view text) : text_(text) {}
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Next() { return AtEnd() ? '\0' : text_[pos_++]; }
  bool Peek(char c) const { return !AtEnd() && text_[pos_] == c; }
  // Digits after any blanks; at most 9 of them.
  bool Number(long& n);
  // A number, one blank, then that many bytes.
  bool Counted(std::string& out);
  // The blank-separated words up to the end (of the line).
  std::vector<std::string> Words();

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// Parses definition lines ("$name=C 5 label a b", "$name=D1 1 5 label 11 a b");
// a status of SPSS_INVALID_MRSETDEF (also for a set of fewer than two members,
// or of numbers and strings mixed), SPSS_INVALID_MRSETNAME or SPSS_DUP_MRSETNAME.
int ParseMrSets(const std::string& text, const Dictionary& dict, std::vector<MrSet>& sets);

// The lines of text that define sets the writer takes: a set that does not
// parse, names a variable not there, has fewer than two members or mixes
// numbers and strings is left out, as PSPP leaves it out on reading.
std::string ValidMrLines(const std::string& text, const Dictionary& dict);

// The texts of the subtype 7 (C and D sets) and 19 (E sets) records, members
// by their short names in lower case; every text goes through encode first,
// so that the counts are of the bytes the file holds.
std::string MrRecordText(const std::vector<MrSet>& sets, const Dictionary& dict, bool newStyle,
                         const std::function<std::string(std::string_view)>& encode);

// The API's definition lines for the sets of a subtype 7 or 19 record; texts
// go through toUtf8 and members through memberName (file name to API name).
// Sets that do not parse are left out.
std::string MrLinesFromRecord(std::string_view record, bool newStyle,
                              const std::function<std::string(std::string_view)>& toUtf8,
                              const std::function<std::string(const std::string&)>& memberName);

}  // namespace savkit::io
