// The subcommands of savkit. Each command's file registers its subcommand
// and options and binds them to what runs it; main parses and runs the one
// given. A command returns its exit code; failures are thrown (Failure,
// UsageError or the component's exceptions) and reported by main.
#pragma once

#include <functional>
#include <string>

namespace CLI {
class App;
}

namespace savkit::cli {

struct Command {
  CLI::App* sub = nullptr;               // given on the command line when *sub is true
  std::function<int()> run;              // runs it with what was parsed
  std::function<std::string()> subject;  // the file an error that names none is about
  int failed = 1;                        // its exit code on failure
};

// Adds the subcommand and its options to app; the options live as long as
// the Command returned.
Command AddInfo(CLI::App& app);
Command AddXml(CLI::App& app);
Command AddExport(CLI::App& app);
Command AddImport(CLI::App& app);
Command AddEdit(CLI::App& app);
Command AddConvert(CLI::App& app);
Command AddVerify(CLI::App& app);
Command AddDiff(CLI::App& app);
Command AddCodebook(CLI::App& app);

// A -q,--quiet flag on sub; commands that show no progress take it all the same.
void AddQuiet(CLI::App* sub, bool& quiet, bool shown = true);
// An option -o,--output into out; an empty name is a usage error.
void AddOutput(CLI::App* sub, std::string& out, const std::string& what, bool required);

// 0, 1 or 2 for "none", "bytecode" or "zlib".
int CompressionCode(const std::string& name);

}  // namespace savkit::cli
