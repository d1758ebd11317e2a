// kTable's selection on 1,000,000 records: select-all (kept compactly, not
// one entry per record) and the per-cell question the renderer asks, with
// 100,000 scattered rows selected.
#include <benchmark/benchmark.h>

#include <random>

#include "grid_bench_fixture.h"

namespace kt {
namespace {

using namespace gridbench;

const Symbol kAll("All"), kSingle("Single"), kMultiple("Multiple");

void BM_SelectAll(benchmark::State& state) {
  Fixture f(ArrayServer());
  f.grid->SelectionMode(kMultiple);
  for (auto _ : state) {
    state.PauseTiming();
    f.grid->SelectionRemove(kAll);
    state.ResumeTiming();
    f.grid->SelectionSet(kAll);
  }
  state.counters["rows"] = double(f.grid->SelectionRowCount());
  state.counters["last"] = double(f.grid->IsCellSelected(2, kRecords, kRecords));
}
BENCHMARK(BM_SelectAll)->Arg(kRecords)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_IsCellSelected(benchmark::State& state) {
  Fixture f(ArrayServer());
  f.grid->SelectionMode(kMultiple);
  f.grid->SelectionRemove(kAll);
  // Every tenth record (near enough), one of the first three columns.
  const int selected = int(state.range(0));
  const int step = kRecords / selected;
  for (int i = 0; i < selected; ++i) {
    const std::int64_t rec = std::int64_t(i) * step + 1 + i % 7;
    f.grid->SelectionSet(kSingle, 1 + i % 3, rec, rec);
  }
  // Questions about records spread over the table, half of them selected.
  std::mt19937 random(7);
  std::vector<std::pair<int, std::int64_t>> asks(4096);
  for (auto& [column, rec] : asks) {
    const int i = int(random() % unsigned(selected));
    const bool hit = random() % 2;
    column = 1 + i % 3;
    rec = std::int64_t(i) * step + 1 + i % 7 + (hit ? 0 : 3);
  }
  std::size_t k = 0, hits = 0;
  for (auto _ : state) {
    const auto& [column, rec] = asks[k++ & 4095];
    const bool s = f.grid->IsCellSelected(column, rec, rec);
    hits += s;
    benchmark::DoNotOptimize(s);
  }
  state.counters["rows"] = double(f.grid->SelectionRowCount());
  state.counters["hit%"] = 100.0 * double(hits) / double(std::max<std::size_t>(1, k));
}
BENCHMARK(BM_IsCellSelected)->Arg(100000)->Unit(benchmark::kNanosecond);

}  // namespace
}  // namespace kt
