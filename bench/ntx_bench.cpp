// Benchmarks of the NTX order driver on 1,000,000 keys of 20 characters,
// generated in memory. The order used by the reading benchmarks is built
// once and cached in /tmp/ktable-bench/.
//
// Targets: building the order < 4 s; a seek < 20 us; KeyNo near the end,
// after the first visit, < 1 ms.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/ntx/ntx_cursor.h"
#include "platform/db/ntx/ntx_order.h"

namespace {

using namespace kt::ntx;

constexpr std::uint32_t kKeys = 1000000;
constexpr int kKeySize = 20;
const char* const kDir = "/tmp/ktable-bench";
const std::string kOrder = std::string(kDir) + "/ntx_1m.ntx";

std::uint64_t Mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// Record i's key: 12 letters (a name-like prefix, about 1 in 20 shared with
// another record) and 8 digits.
std::string KeyOf(std::uint32_t i) {
  std::uint64_t h = Mix(i % (kKeys - kKeys / 20));
  std::string k(kKeySize, ' ');
  for (int j = 0; j < 12; ++j) {
    k[std::size_t(j)] = char('A' + h % 26);
    h /= 26;
  }
  std::uint64_t d = Mix(i) % 100000000;
  for (int j = 19; j >= 12; --j) {
    k[std::size_t(j)] = char('0' + d % 10);
    d /= 10;
  }
  return k;
}

NtxKeySource Source() {
  auto i = std::make_shared<std::uint32_t>(0);
  return [i](std::uint32_t& rec, std::string& key) {
    if (*i >= kKeys) return false;
    key = KeyOf(*i);
    rec = ++*i;
    return true;
  };
}

NtxCreateSpec Spec() {
  NtxCreateSpec s;
  s.keyExpr = "UPPER(NAME)+STR(ID,8)";
  s.key = {'C', kKeySize, 0};
  return s;
}

std::unique_ptr<NtxOrder> CachedOrder(bool shared = false) {
  NtxOpenOptions o;
  o.shared = shared;
  std::filesystem::create_directories(kDir);
  if (std::filesystem::exists(kOrder)) {
    try {
      auto order = NtxOrder::Open(kOrder, o);
      if (order->KeySize() == kKeySize && order->KeyCount() == kKeys) return order;
    } catch (const std::exception&) {
    }
  }
  NtxOrder::Create(kOrder, Spec(), Source());
  return NtxOrder::Open(kOrder, o);
}

void BM_NtxCreate(benchmark::State& state) {
  std::filesystem::create_directories(kDir);
  const std::string path = std::string(kDir) + "/ntx_create.ntx";
  for (auto _ : state) {
    auto order = NtxOrder::Create(path, Spec(), Source());
    benchmark::DoNotOptimize(order.get());
  }
  state.SetItemsProcessed(std::int64_t(state.iterations()) * kKeys);
  std::filesystem::remove(path);
}
BENCHMARK(BM_NtxCreate)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_NtxSeek(benchmark::State& state) {
  auto order = CachedOrder(state.range(0) != 0);
  NtxCursor cur(*order);
  std::vector<std::string> keys;
  for (std::uint32_t i = 0; i < 4096; ++i) keys.push_back(KeyOf(std::uint32_t(Mix(i) % kKeys)));
  std::size_t n = 0, found = 0;
  for (auto _ : state) found += cur.Seek(keys[n++ & 4095]) ? 1 : 0;
  if (found != n) state.SkipWithError("a key was not found");
}
BENCHMARK(BM_NtxSeek)->Arg(0)->ArgName("shared")->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_NtxSeek)->Arg(1)->ArgName("shared")->Unit(benchmark::kMicrosecond)->UseRealTime();

// Key position near the end of the order: the first call counts every page
// once; later calls add cached subtree counts along the path.
void BM_NtxKeyNoAtEnd(benchmark::State& state) {
  auto order = CachedOrder();
  NtxCursor cur(*order);
  cur.GoBottom();
  cur.Skip(-1000);
  cur.KeyNo();  // the first visit
  std::uint64_t sum = 0;
  for (auto _ : state) {
    cur.Skip(1);
    if (cur.Eof()) cur.Skip(-1000);
    sum += cur.KeyNo();
  }
  benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_NtxKeyNoAtEnd)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The first KeyNo on a freshly opened order (reads every page once).
void BM_NtxKeyNoFirstVisit(benchmark::State& state) {
  for (auto _ : state) {
    auto order = CachedOrder();
    NtxCursor cur(*order);
    cur.GoBottom();
    benchmark::DoNotOptimize(cur.KeyNo());
  }
}
BENCHMARK(BM_NtxKeyNoFirstVisit)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_NtxWalk(benchmark::State& state) {
  auto order = CachedOrder();
  NtxCursor cur(*order);
  for (auto _ : state) {
    std::uint64_t n = 0;
    for (bool ok = cur.GoTop(); ok && !cur.Eof(); ok = cur.Skip(1) == 1) ++n;
    if (n != kKeys) state.SkipWithError("walk missed keys");
  }
  state.SetItemsProcessed(std::int64_t(state.iterations()) * kKeys);
}
BENCHMARK(BM_NtxWalk)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// One record changes its key (delete + insert with page writes) in a copy
// of the cached order.
void BM_NtxUpdate(benchmark::State& state) {
  CachedOrder();
  const std::string path = std::string(kDir) + "/ntx_update.ntx";
  std::filesystem::copy_file(kOrder, path, std::filesystem::copy_options::overwrite_existing);
  auto order = NtxOrder::Open(path);
  std::uint32_t i = 0;
  for (auto _ : state) {
    std::uint32_t rec = std::uint32_t(Mix(i++) % kKeys);
    std::string key = KeyOf(rec), moved = key;
    moved[0] = char('A' + (moved[0] - 'A' + 7) % 26);
    order->Update(key, moved, rec + 1);
    order->Update(moved, key, rec + 1);
  }
  order.reset();
  std::filesystem::remove(path);
}
BENCHMARK(BM_NtxUpdate)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
