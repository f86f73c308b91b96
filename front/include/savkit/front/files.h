// Opening a file and adding to its dictionary, as every front end does.
#pragma once

#include <stdexcept>
#include <string>

#include "savkit/model/datafile.h"

namespace savkit::front {

// A file that cannot be opened, made or written, named in the message:
// "<path>: no such file" and the like.
struct FileError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Opens path (~ expanded) through the component for reading. A path that
// names no regular file raises FileError; a file that cannot be read, the component's
// exceptions.
void OpenForReading(TSPSSDatafile& d, const std::string& path);

// Adds a variable under any name a file can hold. Add takes short names
// only, so the variable comes in under a placeholder no variable (nor the
// name) has, and is then named.
TSPSSVariable* AddVariable(TSPSSDatafile& d, const std::string& name, bool numeric, int width);

// The library's verdict on a variable name: SPSS_NAME_OK, or why it is none
// (SPSS_NAME_RESERVED, SPSS_NAME_BADCHAR, ...).
int NameStatus(const std::string& name);

}  // namespace savkit::front
