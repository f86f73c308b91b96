// A progress bar with rate and time left, drawn on stderr only when it is a
// terminal and the user did not ask for quiet.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace savkit::cli {

class Progress {
 public:
  Progress(std::string what, std::int64_t total, bool enabled);
  ~Progress();
  void Advance(std::int64_t done);

 private:
  void Draw(std::int64_t done);
  std::string what_;
  std::int64_t total_;
  bool enabled_;
  std::chrono::steady_clock::time_point start_, last_;
};

}  // namespace savkit::cli
