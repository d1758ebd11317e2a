// DBServer on the 1,000,000-record benchmark table: opening with an order,
// walks through the server (GoTop + Skip(1), three fields a record) in
// natural and in index order, building an order from the table, seek and
// the key position near the end of an order.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench_table.h"
#include "platform/db/dbserver.h"
#include "platform/db/workareas.h"

namespace {

using namespace benchtable;

const std::string kOrder = std::string(kDir) + "/dbf_1m_balance.ntx";

// The order on BALANCE interleaves the records (every 100,000th shares a
// key), so an ordered walk reads the table out of sequence.
void EnsureOrder() {
  EnsureTable();
  namespace fs = std::filesystem;
  if (fs::exists(kOrder) && fs::last_write_time(kOrder) >= fs::last_write_time(kTable)) return;
  kt::Ref<kt::DBServer> db = kt::New<kt::DBServer>(kTable, false, false);
  db->CreateOrder(kOrder, "BALANCE");
  db->Close();
}

// Shared use reads every record and order page afresh (another station may
// change them); exclusive use may keep what it read.
kt::Ref<kt::DBServer> OpenServer(bool withOrder, bool shared = true) {
  kt::Ref<kt::DBServer> db = kt::New<kt::DBServer>(kTable, shared, true);
  if (withOrder) db->SetIndex(kOrder);
  return db;
}

std::int64_t WalkServer(kt::DBServer& db) {
  std::int64_t checksum = 0;
  for (db.GoTop(); !db.EoF(); db.Skip(1)) {
    checksum += db.FieldGet(kt::Usual(1)).AsInteger();
    checksum += std::int64_t(db.FieldGet(kt::Usual(2)).AsStringView().size());
    checksum += db.FieldGet(kt::Usual(5)).AsDate().Julian();
  }
  return checksum;
}

void BM_DbfOpenWithOrder(benchmark::State& state) {
  EnsureOrder();
  for (auto _ : state) {
    auto db = OpenServer(true);
    benchmark::DoNotOptimize(db->IndexOrd());
    db->Close();
  }
}
BENCHMARK(BM_DbfOpenWithOrder)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_DbfWalkServerNatural(benchmark::State& state) {
  EnsureTable();
  auto db = OpenServer(false, state.range(0) != 0);
  std::int64_t checksum = 0;
  for (auto _ : state) checksum += WalkServer(*db);
  benchmark::DoNotOptimize(checksum);
  state.counters["rss_mb"] = PeakRssMb();
}
BENCHMARK(BM_DbfWalkServerNatural)->ArgName("shared")->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_DbfWalkOrder(benchmark::State& state) {
  EnsureOrder();
  auto db = OpenServer(true, state.range(0) != 0);
  std::int64_t checksum = 0;
  for (auto _ : state) checksum += WalkServer(*db);
  benchmark::DoNotOptimize(checksum);
  state.counters["rss_mb"] = PeakRssMb();
}
BENCHMARK(BM_DbfWalkOrder)->ArgName("shared")->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_DbfCreateOrder(benchmark::State& state) {
  EnsureTable();
  const std::string path = std::string(kDir) + "/dbf_1m_name_bench.ntx";
  kt::Ref<kt::DBServer> db = kt::New<kt::DBServer>(kTable, false, true);
  for (auto _ : state) {
    db->CreateOrder(path, "UPPER(NAME)");
    state.PauseTiming();
    db->ClearIndex();
    state.ResumeTiming();
  }
  db->Close();
  std::filesystem::remove(path);
}
BENCHMARK(BM_DbfCreateOrder)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_DbfSeek(benchmark::State& state) {
  EnsureOrder();
  auto db = OpenServer(true, state.range(0) != 0);
  std::uint32_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(db->Seek(kt::Usual(double(i % 100000) / 7.0)));
    i += 7919;
  }
}
BENCHMARK(BM_DbfSeek)->ArgName("shared")->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_DbfKeyNoAtEnd(benchmark::State& state) {
  EnsureOrder();
  auto db = OpenServer(true);
  db->GoBottom();
  benchmark::DoNotOptimize(db->OrderKeyNo());  // the first visit counts the pages
  std::int64_t step = 0;
  for (auto _ : state) {
    state.PauseTiming();
    db->GoBottom();
    db->Skip(-(++step % 50));
    state.ResumeTiming();
    benchmark::DoNotOptimize(db->OrderKeyNo());
  }
}
BENCHMARK(BM_DbfKeyNoAtEnd)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
