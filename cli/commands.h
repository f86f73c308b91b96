// The subcommands of savkit. Each command's file registers its subcommand
// and options and binds them to what runs it; main parses and runs the one
// given. A command returns its exit code; failures are thrown (Failure,
// UsageError or the component's exceptions) and reported by main.
#pragma once

#include <functional>
#include <string>

#include "command_line.h"

namespace savkit::cli {

struct Command {
  Options options;                       // given on the command line when options.Given()
  std::function<int()> run;              // runs it with what was parsed
  std::function<std::string()> subject;  // the file an error that names none is about
  int failed = 1;                        // its exit code on failure
};

// Adds the subcommand and its options; they live as long as the Command returned.
Command AddInfo(CommandLine& line);
Command AddXml(CommandLine& line);
Command AddExport(CommandLine& line);
Command AddImport(CommandLine& line);
Command AddEdit(CommandLine& line);
Command AddConvert(CommandLine& line);
Command AddVerify(CommandLine& line);
Command AddDiff(CommandLine& line);
Command AddCodebook(CommandLine& line);
Command AddServe(CommandLine& line);

// 0, 1 or 2 for "none", "bytecode" or "zlib".
int CompressionCode(const std::string& name);

}  // namespace savkit::cli
