// The object model on the large benchmark file: every value case by case,
// random values, a save with scattered edits, and one column as an array.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "savkit/spssio.h"
#include <random>

#include "bench_file.h"
#include "savkit/model/datafile.h"

using namespace savkit;

namespace {

void BM_GetValueEveryValue(benchmark::State& state) {
  TSPSSDatafile d;
  d.Set_Filename(bench::BenchFile());
  d.Open();
  const int vars = d.Variables()->Count();
  const int cases = d.Cases()->Count();
  for (auto _ : state) {
    double sum = 0;
    for (int c = 1; c <= cases; ++c) {
      TSPSSCase* k = d.Cases()->Get_Case(c);
      for (int v = 0; v < vars; ++v) {
        const Variant value = k->GetValue(v);
        sum += value.IsNumeric() ? 1 : 0;
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * vars * cases);
  state.counters["peak_rss_mb"] = savkit::bench::PeakRssMb();
  d.Close();
}
BENCHMARK(BM_GetValueEveryValue)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// The same walk through the typed getters, one text buffer for all.
void BM_TypedEveryValue(benchmark::State& state) {
  TSPSSDatafile d;
  d.Set_Filename(bench::BenchFile());
  d.Open();
  const int vars = d.Variables()->Count();
  const int cases = d.Cases()->Count();
  std::vector<bool> numeric;
  for (int v = 0; v < vars; ++v) numeric.push_back(d.Variables()->GetItem(v)->IsNumeric());
  std::string text;
  for (auto _ : state) {
    double sum = 0;
    for (int c = 1; c <= cases; ++c) {
      TSPSSCase* k = d.Cases()->Get_Case(c);
      for (int v = 0; v < vars; ++v) {
        if (numeric[static_cast<std::size_t>(v)]) {
          sum += k->GetNumber(v);
        } else {
          k->GetText(v, text);
          sum += static_cast<double>(text.size());
        }
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * vars * cases);
  d.Close();
}
BENCHMARK(BM_TypedEveryValue)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_RandomGetValue(benchmark::State& state) {
  TSPSSDatafile d;
  d.Set_Filename(bench::BenchFile());
  d.Open();
  const int vars = d.Variables()->Count();
  const int cases = d.Cases()->Count();
  d.Variables()->GetItem(0)->Get_Value(cases);  // lays down the checkpoints once
  std::mt19937 rng(3);
  for (auto _ : state) {
    const int c = 1 + static_cast<int>(rng() % static_cast<unsigned>(cases));
    benchmark::DoNotOptimize(
        d.Variables()->GetItem(static_cast<int>(rng() % static_cast<unsigned>(vars)))->Get_Value(c));
  }
  d.Close();
}
BENCHMARK(BM_RandomGetValue)->Unit(benchmark::kMicrosecond)->Iterations(10'000);

void BM_SaveAsWith100Edits(benchmark::State& state) {
  const std::string out = "/tmp/savkit-bench-saved.sav";
  for (auto _ : state) {
    state.PauseTiming();
    TSPSSDatafile d;
    d.Set_Filename(bench::BenchFile());
    d.Open();
    std::mt19937 rng(5);
    for (int e = 0; e < 100; ++e)
      d.Variables()->GetItem(20)->Set_Value(1 + static_cast<int>(rng() % 1'000'000u), Variant(e * 1.5));
    state.ResumeTiming();
    d.SaveAs(out);
    state.PauseTiming();
    d.Close();
    std::remove(out.c_str());
    state.ResumeTiming();
  }
}
BENCHMARK(BM_SaveAsWith100Edits)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_CreateIndexOneColumn(benchmark::State& state) {
  TSPSSDatafile d;
  d.Set_Filename(bench::BenchFile());
  d.Open();
  for (auto _ : state) benchmark::DoNotOptimize(d.Variables()->GetItem(25)->CreateIndex(false, srtNone));
  d.Close();
}
BENCHMARK(BM_CreateIndexOneColumn)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_NumbersOneColumn(benchmark::State& state) {
  TSPSSDatafile d;
  d.Set_Filename(bench::BenchFile());
  d.Open();
  for (auto _ : state) benchmark::DoNotOptimize(d.Variables()->GetItem(25)->GetNumbers());
  d.Close();
}
BENCHMARK(BM_NumbersOneColumn)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// Sorting 100,000 values of each shape that troubles a naive quicksort:
// sorted, reversed, all equal, two sorted runs, rising then falling, and
// scattered values as the baseline.
void BM_AscendSortShape(benchmark::State& state) {
  constexpr int n = 100'000;
  const auto shape = state.range(0);
  std::vector<Variant> items;
  for (int i = 0; i < n; ++i) {
    const double v = shape == 0   ? i
                     : shape == 1 ? n - i
                     : shape == 2 ? 7
                     : shape == 3 ? i % (n / 2)
                     : shape == 4 ? (i < n / 2 ? i : n - i)
                                  : (i * 7919) % 1009;
    items.emplace_back(v);
  }
  const Variant original = Variant::Array(1, std::move(items));
  for (auto _ : state) {
    state.PauseTiming();
    Variant values = original;
    state.ResumeTiming();
    TSPSSVariable::AscendSort(values);
    benchmark::DoNotOptimize(values);
  }
}
BENCHMARK(BM_AscendSortShape)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

// Adding 100,000 variables to a dictionary: each add keeps the name index
// current instead of rebuilding it.
void BM_Add100kVariables(benchmark::State& state) {
  for (auto _ : state) {
    TSPSSDatafile d;
    d.Set_WriteDirect(true);
    for (int i = 0; i < 100'000; ++i) d.Variables()->Add("v" + std::to_string(i), true, 8);
    benchmark::DoNotOptimize(d.Variables()->Count());
  }
}
BENCHMARK(BM_Add100kVariables)->Unit(benchmark::kMillisecond)->Iterations(1);

// As a CSV import of 100,000 columns names them: added under a short name,
// then renamed. Each rename keeps the name index current in O(log n).
void BM_AddAndRename100kVariables(benchmark::State& state) {
  for (auto _ : state) {
    TSPSSDatafile d;
    d.Set_WriteDirect(true);
    for (int i = 0; i < 100'000; ++i)
      d.Variables()->Add("v" + std::to_string(i), true, 8)->Set_Name("column_number_" + std::to_string(i));
    benchmark::DoNotOptimize(d.Variables()->Count());
  }
}
BENCHMARK(BM_AddAndRename100kVariables)->Unit(benchmark::kMillisecond)->Iterations(1);

// Adding 200,000 value labels to one variable, numbers or texts: each add
// checks for a label of the same value through the index, not a scan.
void BM_Add200kValueLabels(benchmark::State& state) {
  const bool texts = state.range(0) != 0;
  for (auto _ : state) {
    TSPSSDatafile d;
    TSPSSValuelabels labels(&d);
    for (int i = 0; i < 200'000; ++i) labels.Add(texts ? Variant("code " + std::to_string(i)) : Variant(i), "label");
    benchmark::DoNotOptimize(labels.Count());
  }
}
BENCHMARK(BM_Add200kValueLabels)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

// A file of about 2 GB (the benchmark file six times over), made once.
std::string LargeFile() {
  const std::string path = "/tmp/savkit-bench-2g.sav";
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    std::fclose(f);
    return path;
  }
  const std::string source = bench::BenchFile();
  int in, out;
  spssOpenRead(source.c_str(), &in);
  spssOpenWriteCopy(path.c_str(), source.c_str(), &out);
  spssCommitHeader(out);
  long size, cases;
  spssGetCaseSize(in, &size);
  spssGetNumberofCases(in, &cases);
  std::vector<char> record(static_cast<std::size_t>(size));
  for (int copy = 0; copy < 6; ++copy) {
    spssSeekNextCase(in, 0);
    for (long c = 0; c < cases; ++c) {
      spssWholeCaseIn(in, record.data());
      spssWholeCaseOut(out, record.data());
    }
  }
  spssCloseWrite(out);
  spssCloseRead(in);
  return path;
}

// Opening a large file reads its dictionary only: resident memory stays small.
void BM_OpenLargeFile(benchmark::State& state) {
  const std::string path = LargeFile();
  const double before = bench::PeakRssMb();
  for (auto _ : state) {
    TSPSSDatafile d;
    d.Set_Filename(path);
    d.Open();
    benchmark::DoNotOptimize(d.Variables()->GetItem(0)->Get_Value(d.Cases()->Count()));
    d.Close();
  }
  state.counters["peak_rss_mb"] = bench::PeakRssMb();
  state.counters["rss_before_mb"] = before;
}
BENCHMARK(BM_OpenLargeFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
