#include "progress.h"

#include <cstdio>

namespace savkit::cli {

Progress::Progress(std::string what, std::int64_t total, bool enabled)
    : what_(std::move(what)), total_(total), enabled_(enabled && total > 0) {
  start_ = last_ = std::chrono::steady_clock::now();
}

Progress::~Progress() {
  if (enabled_) std::fprintf(stderr, "\r\033[K");
}

void Progress::Advance(std::int64_t done) {
  if (!enabled_ || (done & 0x3FF) != 0) return;  // look at the clock now and then only
  const auto now = std::chrono::steady_clock::now();
  if (now - last_ < std::chrono::milliseconds(100)) return;
  last_ = now;
  Draw(done);
}

void Progress::Draw(std::int64_t done) {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
  const double left = rate > 0 ? static_cast<double>(total_ - done) / rate : 0;
  const int width = 30;
  const int filled = static_cast<int>(width * done / total_);
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.resize(width, '.');
  std::fprintf(stderr, "\r%s [%s] %3d%%  %.0f cases/s  %d:%02d left\033[K", what_.c_str(), bar.c_str(),
               static_cast<int>(100 * done / total_), rate, static_cast<int>(left) / 60, static_cast<int>(left) % 60);
  std::fflush(stderr);
}

}  // namespace savkit::cli
