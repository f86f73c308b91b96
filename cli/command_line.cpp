// The command line, parsed by CLI11.
#include "command_line.h"

#include "password.h"

#include <CLI/CLI.hpp>

#include <map>

namespace savkit::cli {

Options& Options::Argument(const char* name, std::string& into, const char* help) {
  sub_->add_option(name, into, help)->required();
  return *this;
}

Options& Options::Text(const char* names, std::string& into, const char* help) {
  sub_->add_option(names, into, help);
  return *this;
}

Options& Options::Choice(const char* names, std::string& into, const std::vector<std::string>& words,
                         const char* help) {
  sub_->add_option(names, into, help)->check(CLI::IsMember(words));
  return *this;
}

Options& Options::List(const char* names, std::vector<std::string>& into, const char* help) {
  sub_->add_option(names, into, help)->delimiter(',');
  return *this;
}

Options& Options::Count(const char* names, std::size_t& into, const char* help) {
  sub_->add_option(names, into, help)
      // -1 would wrap round to a count past any.
      ->check(CLI::Validator([](std::string& s) { return s.find('-') == std::string::npos ? "" : "must be 0 or more"; },
                             ""))
      ->capture_default_str();
  return *this;
}

Options& Options::Password() {
  sub_->add_flag("--password", Passwords().prompt, "Ask for the password of an encrypted file at the terminal");
  sub_->add_option("--password-file", Passwords().file,
                   "Read the password of an encrypted file from the first line of this file (-: standard input)");
  return *this;
}

Options& Options::Flag(const char* names, bool& into, const char* help) {
  sub_->add_flag(names, into, help);
  return *this;
}

Options& Options::Output(std::string& into, const char* help, bool required) {
  CLI::Option* o = sub_->add_option("-o,--output", into, help);
  if (required) o->required();
  return *this;
}

Options& Options::Quiet(bool& into, bool shown) {
  sub_->add_flag("-q,--quiet", into, shown ? "No progress bar" : "No progress bar (none is shown)");
  return *this;
}

Options& Options::InOrder(const std::vector<std::pair<const char*, const char*>>& options,
                          std::vector<std::pair<std::string, std::string>>& into) {
  auto taken = std::make_shared<std::map<const CLI::Option*, std::size_t>>();  // values taken, by option
  for (const auto& [name, help] : options) {
    CLI::Option* opt = sub_->add_option(std::string("--") + name)
                           ->description(help)
                           ->type_name("TEXT")
                           ->type_size(1)
                           ->expected(1)
                           ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    taken->emplace(opt, 0);
  }
  CLI::App* sub = sub_;
  sub_->final_callback([sub, taken, &into] {
    for (const CLI::Option* opt : sub->parse_order())
      if (const auto it = taken->find(opt); it != taken->end())
        into.emplace_back(opt->get_name(false, true).substr(2), opt->results().at(it->second++));
  });
  return *this;
}

bool Options::Given() const { return sub_->parsed(); }

bool Options::EmptyOutput() const {
  const CLI::Option* out = sub_->get_option_no_throw("--output");
  return out && out->count() && out->as<std::string>().empty();
}

CommandLine::CommandLine(const char* description, const char* version)
    : app_(std::make_unique<CLI::App>(description, "savkit")) {
  app_->set_version_flag("--version", version);
  app_->require_subcommand(1);
}

CommandLine::~CommandLine() = default;

Options CommandLine::Add(const char* name, const char* help) { return Options(app_->add_subcommand(name, help)); }

std::optional<int> CommandLine::Parse(int argc, char** argv) {
  try {
    app_->parse(argc, argv);
    return std::nullopt;
  } catch (const CLI::ParseError& e) {
    const int code = app_->exit(e);
    return code == 0 ? 0 : 2;
  }
}

}  // namespace savkit::cli
