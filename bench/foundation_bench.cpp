// The edit cache and the name and number indexes on the paths that every case
// read and every variable lookup take.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "savkit/avltrees.h"
#include "savkit/hashtable.h"

using namespace savkit;

namespace {

// Bytes per unchanged case, the goal being 24 at most: a table sized at once
// (its numbering implied until the first change), the same after one change,
// and one grown a case at a time.
void BM_EditCacheUnchangedCaseBytes(benchmark::State& state) {
  const auto cases = static_cast<std::uint32_t>(state.range(0));
  const auto mode = state.range(1);
  double perCase = 0;
  for (auto _ : state) {
    TSPSSHashTable t(nullptr, mode == 2 ? 0 : cases);
    if (mode == 2)
      for (std::uint32_t n = 1; n <= cases; ++n) t.Resize(n);
    t.InitOriginalCaseNrs(1);
    if (mode == 1) t.Add(1, 1, 1.0);
    perCase = static_cast<double>(t.MemoryUsage()) / cases;
    benchmark::DoNotOptimize(t.FindOriginalCaseNr(cases));
  }
  state.counters["bytes_per_case"] = perCase;
}
BENCHMARK(BM_EditCacheUnchangedCaseBytes)
    ->Args({1'000'000, 0})
    ->Args({1'000'000, 1})
    ->Args({1'000'000, 2})
    ->Unit(benchmark::kMillisecond);

void BM_EditCacheGetMiss(benchmark::State& state) {
  TSPSSHashTable t(nullptr, 100'000);
  for (std::uint32_t p = 1; p <= 100'000; p += 3) t.Add(p, 7, 1.0);
  double d = 0;
  std::uint32_t p = 1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(t.Get(p, 9, d));
    p = p == 100'000 ? 1 : p + 1;
  }
}
BENCHMARK(BM_EditCacheGetMiss);

// Filling one column of a million cases, then reading it back.
void BM_EditCacheFillColumn(benchmark::State& state) {
  const std::uint32_t cases = 1'000'000;
  for (auto _ : state) {
    TSPSSHashTable t(nullptr, cases);
    for (std::uint32_t p = 1; p <= cases; ++p) t.Add(p, 42, static_cast<double>(p));
    double sum = 0, d;
    for (std::uint32_t p = 1; p <= cases; ++p)
      if (t.Get(p, 42, d)) sum += d;
    benchmark::DoNotOptimize(sum);
    state.counters["bytes_per_case"] = static_cast<double>(t.MemoryUsage()) / cases;
  }
  state.SetItemsProcessed(state.iterations() * cases);
}
BENCHMARK(BM_EditCacheFillColumn)->Unit(benchmark::kMillisecond);

std::vector<std::string> Names(std::size_t n) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < n; ++i) names.push_back("Var" + std::to_string(i * 7919 % 100'003));
  return names;
}

void BM_NameIndexFind(benchmark::State& state) {
  const auto names = Names(static_cast<std::size_t>(state.range(0)));
  TStringKeyAVLtree tree;
  for (const auto& n : names) tree.Add(n);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(tree.Find(names[i]));
    i = (i + 1) % names.size();
  }
}
BENCHMARK(BM_NameIndexFind)->Arg(100)->Arg(10'000);

void BM_NameIndexBuild(benchmark::State& state) {
  const auto names = Names(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    TStringKeyAVLtree tree;
    for (const auto& n : names) tree.Add(n);
    benchmark::DoNotOptimize(tree.Root());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_NameIndexBuild)->Arg(1'000)->Arg(10'000);

void BM_IntIndexInsertRemove(benchmark::State& state) {
  std::vector<std::int32_t> keys(100'000);
  std::mt19937 rng(1);
  for (auto& k : keys) k = static_cast<std::int32_t>(rng());
  for (auto _ : state) {
    TIntKeyAVLtree tree;
    for (auto k : keys) tree.Add(k);
    for (auto k : keys) delete tree.Find(k);
    benchmark::DoNotOptimize(tree.Root());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(keys.size()));
}
BENCHMARK(BM_IntIndexInsertRemove)->Unit(benchmark::kMillisecond);

}  // namespace
