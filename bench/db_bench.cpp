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

#include "platform/db/dbf/table.h"
#include "platform/runtime/error.h"

namespace {

using kt::Usual;
using kt::dbf::Table;

constexpr std::uint32_t kRecords = 1000000;
const char* const kDir = "/tmp/ktable-bench";
const std::string kTable = std::string(kDir) + "/dbf_1m.dbf";

const kt::dbf::Structure& BenchStructure() {
  static const kt::dbf::Structure s{{"ID", 'N', 10},      {"NAME", 'C', 20}, {"STREET", 'C', 48},
                                    {"BALANCE", 'N', 12, 2}, {"BORN", 'D', 8},  {"ACTIVE", 'L', 1}};
  return s;
}

bool CachedTableIsUsable() {
  try {
    kt::dbf::OpenOptions o;
    o.readOnly = true;
    auto t = Table::Open(kTable, o);
    return t->RecCount() == kRecords && t->GetStructure().size() == BenchStructure().size() && t->RecordLength() == 100;
  } catch (const kt::RuntimeError&) {
    return false;
  }
}

// Writes the table under a temporary name and renames it, so an interrupted
// run never leaves a half-written table in the cache.
void GenerateTable() {
  std::filesystem::create_directories(kDir);
  const std::string tmp = kTable + ".tmp";
  {
    auto t = Table::Create(tmp, BenchStructure());
    for (std::uint32_t i = 1; i <= kRecords; ++i) {
      t->Append();
      t->Put(0, Usual(std::int64_t(i)));
      char name[32];
      std::snprintf(name, sizeof name, "Name %07u Müller", i);
      t->Put(1, Usual(name));
      t->Put(2, Usual("Hauptstraße " + std::to_string(i % 500)));
      t->Put(3, Usual(double(i % 100000) / 7.0));
      t->Put(4, Usual(kt::Date::FromYMD(1950 + int(i % 60), 1 + int(i % 12), 1 + int(i % 28))));
      t->Put(5, Usual(i % 3 == 0));
    }
    t->Close();
  }
  std::filesystem::rename(tmp, kTable);
}

void EnsureTable() {
  static bool ready = false;
  if (ready) return;
  if (!CachedTableIsUsable()) GenerateTable();
  ready = true;
}

double PeakRssMb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_maxrss) / 1024.0;
}

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
