// Writing a large bytecode-compressed file, case by case through the value
// setters and as whole records, against PSPP's GET and SAVE of the same data.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench_file.h"
#include "savkit/spssio.h"

namespace {

const char* const kOut = "/tmp/savkit-bench-out.sav";

// Copies the benchmark file through the writer; setters picks the path.
void CopyThroughWriter(benchmark::State& state, bool setters) {
  const std::string path = savkit::bench::BenchFile();
  long size = 0, cases = 0;
  for (auto _ : state) {
    int in, out;
    if (spssOpenRead(path.c_str(), &in) || spssOpenWriteCopy(kOut, path.c_str(), &out)) {
      state.SkipWithError("open failed");
      return;
    }
    spssSetCompression(out, SPSS_COMPRESSION_BYTECODE);
    spssCommitHeader(out);
    spssGetCaseSize(in, &size);
    spssGetNumberofCases(in, &cases);
    int count;
    char** names;
    int* types;
    spssGetVarNames(in, &count, &names, &types);
    std::vector<double> handles(static_cast<std::size_t>(count));
    std::vector<std::size_t> offsets(static_cast<std::size_t>(count));
    std::size_t offset = 0;
    for (int i = 0; i < count; ++i) {
      spssGetVarHandle(out, names[i], &handles[static_cast<std::size_t>(i)]);
      offsets[static_cast<std::size_t>(i)] = offset;
      offset += types[i] ? static_cast<std::size_t>((types[i] + 7) / 8 * 8) : 8;
    }
    std::vector<char> record(static_cast<std::size_t>(size));
    std::string text;
    for (long c = 0; c < cases; ++c) {
      spssWholeCaseIn(in, record.data());
      if (!setters) {
        spssWholeCaseOut(out, record.data());
        continue;
      }
      for (int i = 0; i < count; ++i) {
        const char* slot = record.data() + offsets[static_cast<std::size_t>(i)];
        if (types[i] == 0) {
          double d;
          std::memcpy(&d, slot, 8);
          spssSetValueNumeric(out, handles[static_cast<std::size_t>(i)], d);
        } else {
          text.assign(slot, static_cast<std::size_t>(types[i]));
          spssSetValueChar(out, handles[static_cast<std::size_t>(i)], text.c_str());
        }
      }
      spssCommitCaseRecord(out);
    }
    spssFreeVarNames(names, types, count);
    if (spssCloseWrite(out) != SPSS_OK) state.SkipWithError("close failed");
    spssCloseRead(in);
  }
  state.SetBytesProcessed(state.iterations() * size * cases);
  state.counters["peak_rss_mb"] = savkit::bench::PeakRssMb();
  std::remove(kOut);
}

void BM_CopyWithSetters(benchmark::State& state) { CopyThroughWriter(state, true); }
BENCHMARK(BM_CopyWithSetters)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_CopyWithWholeCaseOut(benchmark::State& state) { CopyThroughWriter(state, false); }
BENCHMARK(BM_CopyWithWholeCaseOut)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_PsppGetAndSave(benchmark::State& state) {
  if (std::system("command -v pspp >/dev/null") != 0) {
    state.SkipWithError("pspp is not installed");
    return;
  }
  const std::string path = savkit::bench::BenchFile();
  std::ofstream("/tmp/savkit-bench-save.sps")
      << "GET FILE='" << path << "'.\nSAVE OUTFILE='" << kOut << "' /COMPRESSED.\n";
  for (auto _ : state)
    if (std::system("pspp /tmp/savkit-bench-save.sps >/dev/null 2>&1") != 0) state.SkipWithError("pspp failed");
  std::remove(kOut);
}
BENCHMARK(BM_PsppGetAndSave)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace
