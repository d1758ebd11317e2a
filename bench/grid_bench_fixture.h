#pragma once
// What the grid benchmarks share: the application, the 1,000,000-record
// servers (array, and a table with an NTX order cached in /tmp/ktable-bench/)
// and a shown 1280x800 grid bound to one of them.
#include <QApplication>
#include <filesystem>
#include <memory>

#include "grid/ktable.h"
#include "platform/db/dbserver.h"
#include "servers/karrayserver.h"

namespace kt::gridbench {

namespace fs = std::filesystem;
inline constexpr int kRecords = 1000000;

inline QApplication& App() {
  static int argc = 1;
  static char name[] = "grid_bench";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
  return app;
}

inline Usual Struct() {
  return Usual(Array{Usual(Array{"ID", "N", 8, 0}), Usual(Array{"NAME", "C", 20, 0}), Usual(Array{"CITY", "C", 15, 0}),
                     Usual(Array{"AGE", "N", 3, 0})});
}

inline Ref<DataServer> ArrayServer() {
  static Ref<kArrayServer> server = [] {
    Array data;
    data.Items().reserve(kRecords);
    for (int i = 1; i <= kRecords; ++i)
      data.Add(Usual(Array{i, "Name " + std::to_string(i), "Berlin", i % 90}));
    return New<kArrayServer>(Struct(), Usual(data));
  }();
  return server;
}

inline Ref<DataServer> TableServer() {
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

inline Ref<DataServer> Server(bool dbf) { return dbf ? TableServer() : ArrayServer(); }

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

}  // namespace kt::gridbench
