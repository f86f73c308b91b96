// What a portable file keeps of a file's facts, said before one is written:
// what it holds another way than the file, or leaves out. (What it cannot
// hold at all the library refuses, naming it.)
#pragma once

#include <string>
#include <vector>

#include "savkit/front/facts.h"

namespace savkit::front {

// True for a path that names a portable file (.por, any letter case).
bool IsPortablePath(const std::string& path);

// One line a fact the portable file holds another way, or leaves out.
std::vector<std::string> FitPortable(const FileFacts& facts);

}  // namespace savkit::front
