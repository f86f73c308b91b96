// Print and write formats by name ("F8.2", "DATE11", "A20") and the kind of
// value each shows, for every code SPSS and PSPP define.
#pragma once

#include <string>
#include <string_view>

#include "savkit/model/variable.h"

namespace savkit::front {

// "F8.2"; a code no program defines shows as "?<code>:" and its width.
std::string FormatName(int type, int width, int decimals);
// A variable's print format, AHEX at two digits a byte of its string.
std::string PrintFormatName(const TSPSSVariable& v);
// The other way: false for a text that names no format.
bool ParseFormatName(std::string_view text, int& type, int& width, int& decimals);
bool IsDateFormat(int type);      // a calendar date
bool IsDateTimeFormat(int type);  // a date with a time of day
bool IsTimeFormat(int type);      // a time of day or a duration
// "date", "datetime", "duration" or "" for a print format type: how a value
// is best held outside (QYR, MOYR and WKYR are dates too).
const char* TimeKind(int type);

}  // namespace savkit::front
