// What a portable file keeps of a file's facts, said before one is written:
// what it refuses, and what it fits as the format has it.
#pragma once

#include <string>
#include <vector>

#include "savkit/front/facts.h"

namespace savkit::front {

struct PortableFit {
  std::vector<std::string> refused;  // each makes the file impossible
  std::vector<std::string> fitted;   // each is written another way, or left out
};

// True for a path that names a portable file (.por, any letter case).
bool IsPortablePath(const std::string& path);

PortableFit FitPortable(const FileFacts& facts);

}  // namespace savkit::front
