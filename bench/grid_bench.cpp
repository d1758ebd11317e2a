// kTable on 1,000,000 records: binding, a move inside the window, a move
// that scrolls by one row, a page down and the jump to the end, on an
// in-memory array server and on a table with an NTX order (generated once
// and cached in /tmp/ktable-bench/).
#include <benchmark/benchmark.h>

#include "grid_bench_fixture.h"

namespace kt {
namespace {

using namespace gridbench;

void BM_GridUse(benchmark::State& state, bool dbf) {
  auto server = Server(dbf);
  Fixture f(server);
  for (auto _ : state) f.grid->Use(Usual(server));
}

void BM_GridSkipInside(benchmark::State& state, bool dbf) {
  Fixture f(Server(dbf));
  const int rows = f.grid->VisibleRowCount() - 2;
  int n = 0;
  for (auto _ : state) {
    // Down and up inside the window, never leaving it.
    f.grid->Skip(Usual((n / rows) % 2 ? -1 : 1));
    ++n;
  }
}

void BM_GridSkipBottom(benchmark::State& state, bool dbf) {
  Fixture f(Server(dbf));
  f.grid->Skip(Usual(f.grid->VisibleRowCount() - 2));
  for (auto _ : state) {
    f.grid->Skip(Usual(1));
    state.PauseTiming();
    if (f.grid->CurrentRecNo() > kRecords - 100) f.grid->GoTop(), f.grid->Skip(Usual(f.grid->VisibleRowCount() - 2));
    state.ResumeTiming();
  }
}

void BM_GridPageDown(benchmark::State& state, bool dbf) {
  Fixture f(Server(dbf));
  for (auto _ : state) {
    f.grid->Skip(Usual(Symbol("PageForwards")));
    state.PauseTiming();
    if (f.grid->CurrentRecNo() > kRecords - 1000) f.grid->GoTop();
    state.ResumeTiming();
  }
  state.counters["rows"] = f.grid->VisibleRowCount();
  state.counters["recno"] = double(f.grid->CurrentRecNo());
}

void BM_GridGoBottom(benchmark::State& state, bool dbf) {
  Fixture f(Server(dbf));
  for (auto _ : state) {
    f.grid->GoBottom();
    state.PauseTiming();
    state.counters["recno"] = double(f.grid->CurrentRecNo());
    state.counters["first"] = double(f.grid->FirstVisibleRecNo());
    f.grid->GoTop();
    state.ResumeTiming();
  }
}

BENCHMARK_CAPTURE(BM_GridUse, array, false)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_GridUse, dbf, true)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_GridSkipInside, array, false)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_GridSkipInside, dbf, true)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_GridSkipBottom, array, false)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_GridSkipBottom, dbf, true)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_GridPageDown, array, false)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_GridPageDown, dbf, true)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_GridGoBottom, array, false)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_GridGoBottom, dbf, true)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kt
