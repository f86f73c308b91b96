// savkit: read, describe, export, import, edit and convert SPSS system files.
#include <iostream>

#include "commands.h"
#include "common.h"
#include "savkit/config.h"

using namespace savkit::cli;

namespace {

int Run(const Command& c) {
  try {
    // An output named "" is a mistake, never standard output or the input.
    if (c.options.EmptyOutput()) throw UsageError("-o: the output needs a name");
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
  CommandLine line("savkit: read, edit, create and write SPSS system files (.sav, .zsav)", "savkit " SAVKIT_VERSION);
  // In the order --help lists them.
  std::vector<Command> commands;
  for (auto add : {AddInfo, AddXml, AddExport, AddImport, AddEdit, AddConvert, AddVerify, AddDiff, AddCodebook, AddServe})
    commands.push_back(add(line));
  if (const std::optional<int> code = line.Parse(argc, argv)) return *code;
  for (const Command& c : commands)
    if (c.options.Given()) return Run(c);
  return 0;
}
