// Passwords of encrypted files: from a file, or asked for at the terminal;
// never from the command line, where any process listing would show them.
#pragma once

#include <string>

namespace savkit::cli {

struct PasswordRequest {
  bool prompt = false;  // --password: ask at the terminal
  std::string file;     // --password-file: its first line ("-": standard input)
};

// The request of this run's command line.
PasswordRequest& Passwords();

// The password for path, as the request says; without one, asked at the
// terminal when there is one. Empty when there is no way to get it.
std::string PasswordFor(const std::string& path);

// Overwrites a password's bytes before it goes.
void Wipe(std::string& secret);

}  // namespace savkit::cli
