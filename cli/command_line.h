// The command line as each command describes its options. CLI11, which
// parses it, is kept to command_line.cpp: it is heavy to compile.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace CLI {
class App;
}

namespace savkit::cli {

// A subcommand's options, each bound to where its value goes.
class Options {
 public:
  explicit Options(CLI::App* sub) : sub_(sub) {}

  // A required argument in its place (a file).
  Options& Argument(const char* name, std::string& into, const char* help);
  // An option taking a value.
  Options& Text(const char* names, std::string& into, const char* help);
  // An option taking one of the words given.
  Options& Choice(const char* names, std::string& into, const std::vector<std::string>& words, const char* help);
  // An option taking a comma-separated list.
  Options& List(const char* names, std::vector<std::string>& into, const char* help);
  // An option taking a count: 0 or more.
  Options& Count(const char* names, std::size_t& into, const char* help);
  Options& Flag(const char* names, bool& into, const char* help);
  // -o,--output; an empty name is refused when the command runs.
  Options& Output(std::string& into, const char* help, bool required);
  // -q,--quiet; commands that show no progress take it all the same.
  Options& Quiet(bool& into, bool shown = true);
  // --password (asked at the terminal) and --password-file, for encrypted files.
  Options& Password();
  // Options that may repeat, given as (name, what its value is); into gets
  // each value with its option's name, in the order of the command line.
  Options& InOrder(const std::vector<std::pair<const char*, const char*>>& options,
                   std::vector<std::pair<std::string, std::string>>& into);

  bool Given() const;
  // -o was given an empty name.
  bool EmptyOutput() const;

 private:
  CLI::App* sub_;
};

class CommandLine {
 public:
  CommandLine(const char* description, const char* version);
  ~CommandLine();
  Options Add(const char* name, const char* help);
  // Nothing when the command line is good; else the exit code, with the
  // help, the version or what is wrong printed.
  std::optional<int> Parse(int argc, char** argv);

 private:
  std::unique_ptr<CLI::App> app_;
};

}  // namespace savkit::cli
