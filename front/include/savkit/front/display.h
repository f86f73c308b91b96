// Values as a data editor shows them: a number in its variable's print
// format (F8.2 as 3.14, DATE11 as 09-DEC-2026, DOLLAR10 as $1,234.00), and
// the other way, a text a person typed as a value for a variable.
#pragma once

#include <string>

#include "savkit/model/variable.h"

namespace savkit::front {

// A number in v's print format; sysmis shows as "." and a number too wide
// for the format in E notation, never cut. A string's value is not for this.
std::string DisplayNumber(const TSPSSVariable& v, double value, double sysmis);

// The value a text stands for, as ValueText shows values: for a number, a
// number ("", "." or "SYSMIS" for system-missing), an ISO date "2026-12-09"
// or date-time "2026-12-09T10:30:00", or for a time variable a time
// "10:30:00" (hours past 24 too); for a string, the text itself.
// Throws std::invalid_argument naming the variable and the text when it is
// none, or longer than the string's width.
Variant ParseValue(const TSPSSVariable& v, const std::string& text, double sysmis);

// A number as ParseValue reads it back as the very same value, for editing:
// as ValueText shows it where that is exact, else a date with its time of
// day, else the number itself; system-missing is empty.
std::string EditText(const TSPSSVariable& v, double value, double sysmis);

}  // namespace savkit::front
