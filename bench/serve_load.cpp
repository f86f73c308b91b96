// savkit serve under load: pages of 100 cases at random places in the
// benchmark file, asked by one reader, then from 4 threads at once, 500
// each (2,000 in all), as pages scrolled by several people would be. Reports the latency percentiles;
// the goal is no error and the 99th percentile under 100 ms.
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "bench_file.h"
#include "savkit/serve/server.h"

namespace {

struct Shared {
  savkit::serve::Server server{{savkit::bench::BenchFile(), "", 0, true}};
  std::thread listening;
  std::mutex lock;
  std::vector<double> millis;
  long errors = 0;
  Shared() {
    if (!server.Bind()) std::abort();
    listening = std::thread([this] { server.Listen(); });
    listening.detach();
  }
};

Shared& Server() {
  static Shared shared;  // made once, by whichever thread comes first
  return shared;
}

void BM_ServePages(benchmark::State& state) {
  Shared& s = Server();
  httplib::Client client("127.0.0.1", s.server.Port());
  const httplib::Headers headers{{"X-Savkit-Token", s.server.Token()},
                                 {"Host", "127.0.0.1:" + std::to_string(s.server.Port())}};
  std::mt19937 rng(static_cast<unsigned>(state.thread_index()) + 1);
  std::uniform_int_distribution<int> first(1, savkit::bench::kCases - 99);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    auto r = client.Get("/api/rows?count=100&first=" + std::to_string(first(rng)), headers);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::lock_guard<std::mutex> hold(s.lock);
    s.millis.push_back(ms);
    if (!r || r->status != 200 || r->body.size() < 1000) ++s.errors;
  }
  // The threads leave the loop together: every time is in by now.
  if (state.thread_index() == 0) {
    std::lock_guard<std::mutex> hold(s.lock);
    std::vector<double> all = s.millis;
    std::sort(all.begin(), all.end());
    const auto at = [&](double p) { return all[static_cast<std::size_t>(p * static_cast<double>(all.size() - 1))]; };
    state.counters["requests"] = static_cast<double>(all.size());
    state.counters["errors"] = static_cast<double>(s.errors);
    state.counters["p50_ms"] = at(0.50);
    state.counters["p99_ms"] = at(0.99);
    state.counters["max_ms"] = all.back();
    s.millis.clear();
    s.errors = 0;
  }
}
// One reader alone, then four at once: 2,000 pages.
BENCHMARK(BM_ServePages)->Threads(1)->Iterations(500)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ServePages)->Threads(4)->Iterations(500)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
