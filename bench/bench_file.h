// The benchmark file: 1,000,000 cases of 50 variables, bytecode-compressed.
// 20 small whole numbers (one-byte codes), 15 numbers that do not compress,
// 10 eight-byte strings and 5 strings of width 40, partly blank.
#pragma once

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

namespace savkit::bench {

inline constexpr int kCases = 1'000'000;

class Out {
 public:
  explicit Out(const std::string& path) : f_(std::fopen(path.c_str(), "wb")) {}
  ~Out() { std::fclose(f_); }
  void Int(std::int32_t v) { std::fwrite(&v, 4, 1, f_); }
  void Double(double v) { std::fwrite(&v, 8, 1, f_); }
  void Text(std::string s, std::size_t width) {
    s.resize(width, ' ');
    std::fwrite(s.data(), 1, width, f_);
  }
  void Bytes(const void* p, std::size_t n) { std::fwrite(p, 1, n, f_); }

 private:
  std::FILE* f_;
};

// The process's peak resident memory so far, in megabytes.
inline double PeakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Writes the file once; later runs find it in place. SAVKIT_BENCH_FILE names
// another file to measure (the same data in another compression, say).
inline std::string BenchFile() {
  if (const char* other = std::getenv("SAVKIT_BENCH_FILE")) return other;
  const std::string path = "/tmp/savkit-bench-1m-v2.sav";
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && st.st_size > 0) return path;
  Out o(path);
  const int elements = 20 + 15 + 10 + 5 * 5;
  o.Text("$FL2", 4);
  o.Text("@(#) SPSS DATA FILE savkit benchmark", 60);
  o.Int(2), o.Int(elements), o.Int(1), o.Int(0), o.Int(kCases), o.Double(100.0);
  o.Text("07 Dec 26", 9), o.Text("10:00:00", 8), o.Text("", 64), o.Text(std::string(3, '\0'), 3);
  auto var = [&](const std::string& name, int width) {
    const std::int32_t fmt = width == 0 ? (5 << 16) | (8 << 8) | 2 : (1 << 16) | (width << 8);
    o.Int(2), o.Int(width), o.Int(0), o.Int(0), o.Int(fmt), o.Int(fmt), o.Text(name, 8);
    for (int i = 8; i < width; i += 8) {
      o.Int(2), o.Int(-1), o.Int(0), o.Int(0), o.Int(0), o.Int(0), o.Text("", 8);
    }
  };
  auto name = [](const char* prefix, int i) {
    std::string n(prefix);
    n += std::to_string(i);
    return n;
  };
  for (int i = 0; i < 20; ++i) var(name("SMALL", i), 0);
  for (int i = 0; i < 15; ++i) var(name("REAL", i), 0);
  for (int i = 0; i < 10; ++i) var(name("CODE", i), 8);
  for (int i = 0; i < 5; ++i) var(name("TEXT", i), 40);
  o.Int(7), o.Int(3), o.Int(4), o.Int(8);
  for (int v : {1, 0, 0, -1, 1, 1, 2, 65001}) o.Int(v);
  o.Int(999), o.Int(0);

  std::mt19937_64 rng(42);
  std::vector<std::uint8_t> codes;
  std::vector<std::uint64_t> raws;
  auto flush = [&] {
    codes.resize(8, 0);
    o.Bytes(codes.data(), 8);
    o.Bytes(raws.data(), raws.size() * 8);
    codes.clear();
    raws.clear();
  };
  auto put = [&](std::uint8_t code, std::uint64_t raw = 0) {
    codes.push_back(code);
    if (code == 253) raws.push_back(raw);
    if (codes.size() == 8) flush();
  };
  auto text8 = [](const char* prefix, std::uint64_t n) {
    std::string t(prefix);
    t += std::to_string(n);
    t.resize(8, ' ');
    std::uint64_t v;
    std::memcpy(&v, t.data(), 8);
    return v;
  };
  for (int c = 0; c < kCases; ++c) {
    // Small whole numbers, one in fifty of them system-missing.
    for (int i = 0; i < 20; ++i) put(rng() % 50 == 0 ? 255 : static_cast<std::uint8_t>(100 + (rng() % 50)));
    for (int i = 0; i < 15; ++i) put(253, std::bit_cast<std::uint64_t>(static_cast<double>(rng()) / 7.0));
    for (int i = 0; i < 10; ++i) put(253, text8("c", rng() % 100000));
    for (int i = 0; i < 5; ++i) {
      const int words = static_cast<int>(rng() % 6);
      for (int w = 0; w < 5; ++w)
        if (w < words)
          put(253, text8("word", rng() % 1000));
        else
          put(254);
    }
  }
  put(252);
  if (!codes.empty()) flush();
  return path;
}

}  // namespace savkit::bench
