// Benchmarks of the table layer on a table of 1,000,000 records of 100
// bytes. The table is generated once and cached in /tmp/ktable-bench/ (a
// fresh one is written when the cached file is missing or does not match).
//
// Targets: opening a table < 5 ms; walking every record in natural order,
// reading three fields each, < 1 s; memory independent of the table size
// (the rss_mb counter stays flat).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_table.h"

namespace {

using namespace benchtable;

void BM_DbfOpen(benchmark::State& state) {
  EnsureTable();
  kt::dbf::OpenOptions o;
  o.shared = true;
  o.readOnly = true;
  for (auto _ : state) {
    auto t = Table::Open(kTable, o);
    benchmark::DoNotOptimize(t->RecCount());
  }
}
BENCHMARK(BM_DbfOpen)->UseRealTime()->Unit(benchmark::kMillisecond);

// mode 0: exclusive use (records come through the read-ahead window);
// mode 1: shared use (every record is read from the file, as others may
// change it); mode 2: shared with read-ahead allowed, as a scan would.
void BM_DbfWalkNatural(benchmark::State& state) {
  EnsureTable();
  kt::dbf::OpenOptions o;
  o.shared = state.range(0) != 0;
  o.readOnly = true;
  auto t = Table::Open(kTable, o);
  t->SetReadAhead(state.range(0) == 2);
  std::int64_t checksum = 0;
  for (auto _ : state) {
    for (std::uint32_t r = 1; t->GoTo(r); ++r) {
      const Usual id = t->Get(0);
      const Usual name = t->Get(1);
      const Usual born = t->Get(4);
      checksum += id.AsInteger() + std::int64_t(name.AsStringView().size()) + born.AsDate().Julian();
    }
  }
  benchmark::DoNotOptimize(checksum);
  state.SetItemsProcessed(std::int64_t(state.iterations()) * kRecords);
  state.counters["rss_mb"] = PeakRssMb();
}
BENCHMARK(BM_DbfWalkNatural)->ArgName("mode")->Arg(0)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
