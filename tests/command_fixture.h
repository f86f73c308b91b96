// Runs the savkit command as a person runs it, in a temporary folder.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "temp_dir.h"

namespace savkit::testing {

struct Result {
  int code;
  std::string out, err;
};

class Command : public TempDirTest {
 protected:
  // Runs savkit with the arguments; stdin is empty and nothing is a terminal.
  Result Savkit(const std::string& args) {
    const std::string out = Path("stdout"), err = Path("stderr");
    const std::string cmd = std::string(SAVKIT_CLI) + " " + args + " </dev/null >'" + out + "' 2>'" + err + "'";
    const int status = std::system(cmd.c_str());
    return {WEXITSTATUS(status), Read(out), Read(err)};
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
};

}  // namespace savkit::testing
