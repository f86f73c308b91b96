// savkit: read, describe, export, import, edit and convert SPSS system files.
#include <CLI/CLI.hpp>

#include <iostream>

#include "commands.h"
#include "common.h"
#include "savkit/config.h"

using namespace savkit::cli;

namespace {

int Run(const Command& c) {
  try {
    // An output named "" is a mistake, never standard output or the input.
    const CLI::Option* out = c.sub->get_option_no_throw("--output");
    if (out && out->count() && out->as<std::string>().empty()) throw UsageError("-o: the output needs a name");
    return c.run();
  } catch (const UsageError& e) {
    std::cerr << "savkit: " << e.what() << "\n";
    return 2;
  } catch (const Failure& e) {
    std::cerr << "savkit: " << e.what() << "\n";
    return c.failed;
  } catch (const savkit::front::FileError& e) {  // names its file
    std::cerr << "savkit: " << e.what() << "\n";
    return c.failed;
  } catch (const std::exception& e) {
    std::cerr << "savkit: " << c.subject() << ": " << e.what() << "\n";
    return c.failed;
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  CLI::App app{"savkit: read, edit, create and write SPSS system files (.sav, .zsav)", "savkit"};
  app.set_version_flag("--version", "savkit " SAVKIT_VERSION);
  app.require_subcommand(1);
  // In the order --help lists them.
  std::vector<Command> commands;
  for (auto add : {AddInfo, AddXml, AddExport, AddImport, AddEdit, AddConvert, AddVerify, AddDiff, AddCodebook})
    commands.push_back(add(app));
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : 2;
  }
  for (const Command& c : commands)
    if (*c.sub) return Run(c);
  return 0;
}
