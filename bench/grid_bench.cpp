// kTable on 1,000,000 records: binding, a move inside the window, a move
// that scrolls by one row, a page down and the jump to the end, on an
// in-memory array server and on a table with an NTX order (generated once
// and cached in /tmp/ktable-bench/).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <filesystem>
#include <memory>

#include "grid/ktable.h"
#include "platform/db/dbserver.h"
#include "servers/karrayserver.h"

namespace kt {
namespace {

namespace fs = std::filesystem;
constexpr int kRecords = 1000000;

QApplication& App() {
  static int argc = 1;
  static char name[] = "grid_bench";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
  return app;
}

Usual Struct() {
  return Usual(Array{Usual(Array{"ID", "N", 8, 0}), Usual(Array{"NAME", "C", 20, 0}), Usual(Array{"CITY", "C", 15, 0}),
                     Usual(Array{"AGE", "N", 3, 0})});
}

Ref<DataServer> ArrayServer() {
  static Ref<kArrayServer> server = [] {
    Array data;
    data.Items().reserve(kRecords);
    for (int i = 1; i <= kRecords; ++i)
      data.Add(Usual(Array{i, "Name " + std::to_string(i), "Berlin", i % 90}));
    return New<kArrayServer>(Struct(), Usual(data));
  }();
  return server;
}

Ref<DataServer> TableServer() {
  static Ref<DBServer> server = [] {
    const fs::path dir = "/tmp/ktable-bench";
    fs::create_directories(dir);
    const std::string table = (dir / "grid1m.dbf").string();
    const std::string order = (dir / "grid1m_id.ntx").string();
    if (!fs::exists(table) || !fs::exists(order)) {
      fs::remove(table);
      fs::remove(order);
      DBServer::DBCreate(table, Struct());
      auto db = New<DBServer>(table, Usual(false));
      db->SuspendNotification();
      for (int i = 1; i <= kRecords; ++i) {
        db->Append();
        db->FieldPut("ID", i);
        db->FieldPut("NAME", "Name " + std::to_string(i));
        db->FieldPut("CITY", "Berlin");
        db->FieldPut("AGE", i % 90);
      }
      db->CreateOrder(order, "ID");
      db->Close();
    }
    auto db = New<DBServer>(table, Usual(false));
    db->SetIndex(order);
    return db;
  }();
  return server;
}

Ref<DataServer> Server(bool dbf) { return dbf ? TableServer() : ArrayServer(); }

struct Fixture {
  std::unique_ptr<Window> owner;
  kTable* grid;
  explicit Fixture(const Ref<DataServer>& server) {
    App();
    owner = std::make_unique<Window>();
    owner->resize(1280, 800);
    owner->show();
    grid = new kTable(owner.get());
    grid->resize(1280, 800);
    grid->show();
    server->GoTop();
    grid->Use(Usual(server));
  }
  ~Fixture() { grid->Use(NIL); }
};

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
