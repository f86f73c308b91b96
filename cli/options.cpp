// Options several commands share, alike in each.
#include <CLI/CLI.hpp>

#include "commands.h"

namespace savkit::cli {

void AddQuiet(CLI::App* sub, bool& quiet, bool shown) {
  sub->add_flag("-q,--quiet", quiet, shown ? "No progress bar" : "No progress bar (none is shown)");
}

void AddOutput(CLI::App* sub, std::string& out, const std::string& what, bool required) {
  CLI::Option* o = sub->add_option("-o,--output", out, what);
  if (required) o->required();
}

}  // namespace savkit::cli
