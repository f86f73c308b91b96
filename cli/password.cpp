#include "password.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iostream>

#include "common.h"

namespace savkit::cli {

namespace {

// A line from the terminal itself (not standard input), without echo.
std::string AskTerminal(const std::string& path) {
  const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
  if (tty < 0) return {};
  termios old{};
  const bool terminal = ::tcgetattr(tty, &old) == 0;
  if (terminal) {
    termios quiet = old;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(tty, TCSAFLUSH, &quiet);
  }
  const std::string ask = "Password for " + path + ": ";
  if (::write(tty, ask.data(), ask.size()) < 0) {
  }
  std::string line;
  char c;
  while (::read(tty, &c, 1) == 1 && c != '\n') line += c;
  if (terminal) ::tcsetattr(tty, TCSAFLUSH, &old);
  if (::write(tty, "\n", 1) < 0) {
  }
  ::close(tty);
  return line;
}

std::string FirstLine(std::istream& in) {
  std::string line;
  std::getline(in, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace

PasswordRequest& Passwords() {
  static PasswordRequest request;
  return request;
}

std::string PasswordFor(const std::string& path) {
  const PasswordRequest& r = Passwords();
  if (r.file == "-") return FirstLine(std::cin);
  if (!r.file.empty()) {
    std::ifstream in(r.file);
    if (!in) throw Failure(r.file + ": the password file cannot be read");
    return FirstLine(in);
  }
  if (r.prompt || ::isatty(STDIN_FILENO)) return AskTerminal(path);
  return {};
}

void Wipe(std::string& secret) {
  explicit_bzero(secret.data(), secret.size());
  secret.clear();
}

}  // namespace savkit::cli
