// kArrayServer on 1,000,000 records of 5 fields: order building, a filtered
// walk in order, seek, key position and re-keying by FieldPut.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "platform/runtime/array.h"
#include "platform/runtime/runtime.h"
#include "servers/karrayserver.h"

namespace kt {
namespace {

constexpr int kRecords = 1'000'000;

std::string NameOf(int i) {
  // 20 characters, not in record order.
  char buf[32];
  std::snprintf(buf, sizeof buf, "Name%08d%8s", int((std::uint64_t(i) * 7919u) % kRecords), "");
  return std::string(buf, 20);
}

Usual Struct() {
  return Usual(Array{Usual(Array{"NAME", "C", 20, 0}), Usual(Array{"CITY", "C", 15, 0}),
                     Usual(Array{"AGE", "N", 3, 0}), Usual(Array{"BORN", "D", 8, 0}), Usual(Array{"VIP", "L", 1, 0})});
}

Array Data() {
  Array data;
  data.Items().reserve(kRecords);
  for (int i = 0; i < kRecords; ++i)
    data.Add(Usual(Array{Usual(NameOf(i)), "Berlin", i % 100, Date::FromYMD(1950 + i % 50, 1 + i % 12, 1), i % 2 == 0}));
  return data;
}

// One server with one order on NAME, shared by the benchmarks that need it.
kArrayServer& OrderedServer() {
  static Ref<kArrayServer> server = [] {
    auto s = New<kArrayServer>(Struct(), Usual(Data()));
    s->CreateOrder("Server:NAME");
    return s;
  }();
  return *server;
}

void BM_ArrayCreateOrder(benchmark::State& state) {
  auto s = New<kArrayServer>(Struct(), Usual(Data()));
  for (auto _ : state) {
    s->CreateOrder("Server:NAME");
    state.PauseTiming();
    s->ClearOrder();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ArrayCreateOrder)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_ArrayFilteredWalk(benchmark::State& state) {
  kArrayServer& s = OrderedServer();
  s.SetFilter("Server:VIP");  // hides every second record
  std::int64_t visited = 0;
  for (auto _ : state) {
    visited = 0;
    for (s.GoTop(); !s.EoF(); s.Skip(1)) ++visited;
  }
  s.ClearFilter();
  state.counters["visible"] = double(visited);
}
BENCHMARK(BM_ArrayFilteredWalk)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_ArraySeek(benchmark::State& state) {
  kArrayServer& s = OrderedServer();
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(s.Seek(Usual(NameOf(i))));
    i = (i + 104729) % kRecords;
  }
}
BENCHMARK(BM_ArraySeek)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_ArrayOrderKeyNo(benchmark::State& state) {
  kArrayServer& s = OrderedServer();
  std::int64_t rec = 1;
  // A jump to a record and the question where it stands in the order.
  for (auto _ : state) {
    s.GoTo(rec);
    benchmark::DoNotOptimize(s.OrderKeyNo());
    rec = rec % kRecords + 7919;
  }
}
BENCHMARK(BM_ArrayOrderKeyNo)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_ArrayRekey(benchmark::State& state) {
  kArrayServer& s = OrderedServer();
  s.GoTo(kRecords / 2);
  int i = 0;
  for (auto _ : state) {
    s.FieldPut("NAME", Usual(NameOf(i)));
    i = (i + 15485863) % kRecords;
  }
  s.Refresh();
}
BENCHMARK(BM_ArrayRekey)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
}  // namespace kt
