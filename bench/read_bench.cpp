// Reading a large bytecode-compressed file: a sequential pass, random seeks,
// and ReadStat's parse of the same file for comparison.
#include <benchmark/benchmark.h>
#include <readstat.h>

#include <cstring>
#include <random>
#include <vector>

#include "bench_file.h"
#include "savkit/spssio.h"

namespace {

void BM_SequentialWholeCaseIn(benchmark::State& state) {
  const std::string path = savkit::bench::BenchFile();
  long size = 0, cases = 0;
  for (auto _ : state) {
    int h;
    if (spssOpenRead(path.c_str(), &h) != SPSS_OK) state.SkipWithError("open failed");
    spssGetCaseSize(h, &size);
    spssGetNumberofCases(h, &cases);
    std::vector<char> rec(static_cast<std::size_t>(size));
    double sum = 0;
    for (long c = 0; c < cases; ++c) {
      if (spssWholeCaseIn(h, rec.data()) != SPSS_OK) state.SkipWithError("read failed");
      double d;
      std::memcpy(&d, rec.data(), 8);
      sum += d;
    }
    benchmark::DoNotOptimize(sum);
    spssCloseRead(h);
  }
  state.SetBytesProcessed(state.iterations() * size * cases);
  state.counters["peak_rss_mb"] = savkit::bench::PeakRssMb();
  state.counters["cases"] = static_cast<double>(cases);
}
BENCHMARK(BM_SequentialWholeCaseIn)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RandomSeekAndRead(benchmark::State& state) {
  const std::string path = savkit::bench::BenchFile();
  int h;
  spssOpenRead(path.c_str(), &h);
  long size = 0, cases = 0;
  spssGetCaseSize(h, &size);
  spssGetNumberofCases(h, &cases);
  std::vector<char> rec(static_cast<std::size_t>(size));
  // One pass lays down the checkpoints, as any first visit of the file does.
  spssSeekNextCase(h, cases - 1);
  std::mt19937 rng(1);
  std::vector<long> targets(10'000);
  for (long& t : targets) t = static_cast<long>(rng() % static_cast<unsigned long>(cases));
  std::size_t i = 0;
  for (auto _ : state) {
    spssSeekNextCase(h, targets[i]);
    spssWholeCaseIn(h, rec.data());
    benchmark::DoNotOptimize(rec.data());
    i = (i + 1) % targets.size();
  }
  spssCloseRead(h);
}
BENCHMARK(BM_RandomSeekAndRead)->Unit(benchmark::kMicrosecond)->Iterations(10'000);

int CountValue(int, readstat_variable_t*, readstat_value_t value, void* ctx) {
  *static_cast<double*>(ctx) += readstat_value_type(value) == READSTAT_TYPE_DOUBLE ? readstat_double_value(value) : 1;
  return READSTAT_HANDLER_OK;
}

int NoteMetadata(readstat_metadata_t*, void*) { return READSTAT_HANDLER_OK; }
int NoteVariable(int, readstat_variable_t*, const char*, void*) { return READSTAT_HANDLER_OK; }

void BM_ReadStatParse(benchmark::State& state) {
  const std::string path = savkit::bench::BenchFile();
  for (auto _ : state) {
    double sum = 0;
    readstat_parser_t* parser = readstat_parser_init();
    // ReadStat needs the dictionary handlers set to parse at all.
    readstat_set_metadata_handler(parser, NoteMetadata);
    readstat_set_variable_handler(parser, NoteVariable);
    readstat_set_value_handler(parser, CountValue);
    if (readstat_parse_sav(parser, path.c_str(), &sum) != READSTAT_OK) state.SkipWithError("readstat failed");
    readstat_parser_free(parser);
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_ReadStatParse)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
