#include "common.h"

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <istream>

#include "savkit/datafile_exception.h"
#include "savkit/host/datetime.h"
#include "savkit/host/sysutils.h"
#include "savkit/front/files.h"
#include "savkit/front/text.h"
#include "savkit/spssio.h"
#include "password.h"

namespace savkit::cli {

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    // JSON is UTF-8: a byte that starts no character (a string cut inside
    // one, a file in another encoding) is U+FFFD, as on the codebook page.
    if (c >= 0x80) {
      const std::size_t n = front::Utf8CharLength(text, i);
      if (n == 0) {
        out += "\xEF\xBF\xBD";
      } else {
        out.append(text, i, n);
        i += n - 1;
      }
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

int TerminalWidth() {
  winsize ws{};
  if (::isatty(STDOUT_FILENO) && ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 20) return ws.ws_col;
  return 100;
}

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

void RefuseInputAsOutput(const std::string& in, const std::string& out) {
  struct stat a, b;
  if (::stat(in.c_str(), &a) == 0 && ::stat(out.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino)
    throw UsageError(out + ": is the input file; write the output elsewhere");
}

void OpenForReading(TSPSSDatafile& data, const std::string& path) {
  try {
    try {
      front::OpenForReading(data, path);
    } catch (const ESPSSDataFileException& e) {
      if (e.ErrorCode() != SPSS_NEEDS_PASSWORD) throw;
      // An encrypted file: opened again with its password, which is wiped after.
      std::string password = PasswordFor(path);
      if (password.empty())
        throw Failure(path + ": it is encrypted; give its password with --password or --password-file");
      data.Set_Password(password);
      Wipe(password);
      front::OpenForReading(data, path);
    }
  } catch (const front::FileError& e) {
    throw Failure(e.what());
  }
}

void ParseRange(const std::string& text, int count, int& first, int& last) {
  first = 1;
  last = count;
  if (text.empty()) return;
  const std::size_t colon = text.find(':');
  const std::string a = text.substr(0, colon), b = colon == std::string::npos ? a : text.substr(colon + 1);
  try {
    if (!a.empty()) first = std::stoi(a);
    if (!b.empty()) last = std::stoi(b);
  } catch (const std::exception&) {
    throw Failure("--cases " + text + ": not a range of case numbers");
  }
  if (first < 1 || last > count || first > last + 1)
    throw Failure("--cases " + text + ": outside 1:" + std::to_string(count));
}

}  // namespace savkit::cli
