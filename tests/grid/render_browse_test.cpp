// BrowseModel: the server as a table model, read without disturbing the
// server's other clients.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTableView>
#include <functional>

#include "grid/browse_model.h"
#include "platform/runtime/codeblock.h"
#include "grid_fixture.h"
#include "platform/gui/error_log.h"
#include "servers/server_fixture.h"

namespace kt::test {
namespace {

TEST(BrowseModelTest, RowsAreRecordsInOrderAndTheServerStaysPut) {
  ScopedRuntime runtime;
  auto server = New<CountingServer>(SmallStruct(), Usual(SmallData(30)));
  auto client = New<RecordingClientLite>();
  server->RegisterClient(client.get());
  server->GoTo(7);
  client->notes = 0;

  BrowseModel model(server);
  EXPECT_EQ(model.rowCount(), 30);
  EXPECT_EQ(model.columnCount(), 3);
  EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "NAME");
  EXPECT_EQ(model.headerData(4, Qt::Vertical).toInt(), 5);
  // Forwards, backwards and far jumps all land on the right record.
  for (int row : {0, 1, 29, 3, 2, 15}) {
    SCOPED_TRACE(row);
    EXPECT_EQ(model.data(model.index(row, 0)).toLongLong(), row + 1);
    EXPECT_EQ(model.data(model.index(row, 1)).toString().trimmed(), QString("N%1").arg(row + 1));
  }
  EXPECT_FALSE(model.data(model.index(0, 0), Qt::DecorationRole).isValid());
  EXPECT_EQ(server->RecNo(), 7);
  EXPECT_EQ(client->notes, 0) << "other clients are not told about the model's reads";
}

// Another client's pending edit stays pending and its veto is never bypassed:
// the model reads the stored records and does not move the server.
TEST(BrowseModelTest, ReadingLeavesAnotherClientsEditAlone) {
  ScopedRuntime runtime;
  Array data = SmallData(30);
  auto server = New<CountingServer>(SmallStruct(), Usual(data));
  server->CreateOrder("Server:AGE");
  RecordingClient editor;
  server->RegisterClient(&editor);
  server->GoTo(7);
  server->FieldPut("NAME", "Edited");
  editor.vetoMoves = true;
  editor.notes.clear();
  server->ResetCounts();

  BrowseModel model(server);
  QTableView view;
  view.setModel(&model);
  view.resize(400, 600);
  view.show();
  view.grab();  // paints every visible cell
  view.scrollToBottom();
  view.grab();
  for (int row = 0; row < model.rowCount(); ++row) model.data(model.index(row, 1));
  EXPECT_EQ(server->moves, 0);
  EXPECT_EQ(server->RecNo(), 7);
  EXPECT_EQ(server->FieldGet("NAME"), Usual("Edited")) << "still pending";
  EXPECT_EQ(data.Get(7).AsArray().Get(2), Usual("N7")) << "not committed behind the editor's back";
  EXPECT_TRUE(editor.notes.empty());
}

// The rows follow what the server shows — filter, order, deleted scope,
// appends and removals — through the notifications the model gets as a
// client; a view over the model sees the same rows.
TEST(BrowseModelTest, RowsFollowTheServer) {
  ScopedRuntime runtime;
  auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(30)));
  BrowseModel model(server);
  QTableView view;
  view.setModel(&model);
  view.resize(400, 300);
  view.show();

  // The IDs of the server's visible records, walked with its own navigation.
  auto serverIds = [&] {
    std::vector<qlonglong> ids;
    for (server->GoTop(); !server->EoF(); server->Skip(1)) ids.push_back(server->FieldGet("ID").AsInteger());
    return ids;
  };
  auto modelIds = [&] {
    std::vector<qlonglong> ids;
    for (int row = 0; row < model.rowCount(); ++row) ids.push_back(model.data(model.index(row, 0)).toLongLong());
    return ids;
  };
  struct Step {
    const char* what;
    std::function<void()> change;
  } steps[] = {
      {"append", [&] { server->Append(), server->FieldPut("ID", 31), server->Commit(); }},
      {"insert", [&] { server->Append(Usual(3)), server->FieldPut("ID", 32), server->Commit(); }},
      {"remove", [&] { server->GoTo(1), server->Delete(Usual(true)); }},
      {"hide deleted", [&] { server->DeletedScope(2), server->GoTo(5), server->Delete(Usual(false)); }},
      {"filter", [&] { server->SetFilter("Server:ID <= 12"); }},
      {"order", [&] { server->CreateOrder("-Server:ID"); }},
      {"append under filter and order", [&] { server->Append(); }},
      {"key edit moves the row", [&] { server->GoTo(4), server->FieldPut("ID", 0), server->Commit(); }},
      {"edit hides the row", [&] { server->GoTo(8), server->FieldPut("ID", 20); }},
      {"edit shows it again", [&] { server->GoTo(8), server->FieldPut("ID", 7), server->FieldPut("ID", 11); }},
      {"edit among equal keys", [&] { server->GoTo(6), server->FieldPut("ID", 10), server->GoTo(10), server->FieldPut("NAME", "x"); }},
      {"refresh drops the edit", [&] { server->GoTo(3), server->FieldPut("ID", 1), server->Refresh(); }},
      {"record put", [&] { server->GoTo(7), server->RecordPut(Usual(Array{2, "Put"})); }},
      {"recall", [&] { server->GoTo(5), server->Recall(); }},
      {"clear filter", [&] { server->ClearFilter(); }},
      {"natural order", [&] { server->SetOrder(Usual(0)); }},
      {"pack", [&] { server->RecallAll(), server->GoTo(2), server->Delete(Usual(false)), server->Pack(); }},
      {"zap", [&] { server->Zap(); }},
      {"use new data", [&] { server->Use(Usual(SmallData(4))); }},
  };
  ASSERT_EQ(modelIds(), serverIds());
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    step.change();
    const auto shown = modelIds();  // before the walk below commits a pending edit
    EXPECT_EQ(shown, serverIds());
    EXPECT_EQ(view.verticalHeader()->count(), model.rowCount());
  }
  server->Close();
  EXPECT_EQ(model.rowCount(), 0);
  EXPECT_EQ(view.verticalHeader()->count(), 0);
}

// Any other server is read through a cursor of the model's own; the shown
// server is only listened to.
TEST(BrowseModelTest, ACursorIsMovedInsteadOfTheServer) {
  ScopedRuntime runtime;
  Array data = SmallData(20);
  auto shown = New<CountingServer>(SmallStruct(), Usual(data));
  auto cursor = New<CountingServer>(SmallStruct(), Usual(data));
  shown->GoTo(4);
  shown->ResetCounts();
  BrowseModel model(shown, cursor);
  EXPECT_EQ(model.rowCount(), 20);
  for (int row : {0, 19, 5, 6})
    EXPECT_EQ(model.data(model.index(row, 0)).toLongLong(), row + 1);
  EXPECT_EQ(shown->moves, 0);
  EXPECT_GT(cursor->moves, 0);
  EXPECT_EQ(shown->RecNo(), 4);
}

// The cursor's own filter and order decide its rows; the shown server's
// notifications tell the model when to read them again.
TEST(BrowseModelTest, TheCursorsOwnFilterDecidesItsRows) {
  ScopedRuntime runtime;
  Array data = SmallData(20);
  auto shown = New<kArrayServer>(SmallStruct(), Usual(data));
  auto cursor = New<kArrayServer>(SmallStruct(), Usual(data));
  BrowseModel model(shown, cursor);
  cursor->SetFilter("Server:ID <= 5");
  shown->SetFilter("Server:ID <= 10");
  EXPECT_EQ(model.rowCount(), 5);
}

// A new structure with new data resets the model: headers and columns follow.
TEST(BrowseModelTest, NewStructureResetsHeadersAndColumns) {
  ScopedRuntime runtime;
  for (bool throughCursor : {false, true}) {
    SCOPED_TRACE(throughCursor ? "through a cursor" : "in place");
    auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(5)));
    auto cursor = New<kArrayServer>(SmallStruct(), Usual(SmallData(5)));
    BrowseModel model(server, throughCursor ? cursor : Ref<kArrayServer>());
    QTableView view;
    view.setModel(&model);
    view.show();
    ASSERT_EQ(model.columnCount(), 3);
    int resets = 0;
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { ++resets; });
    const Usual structure(Array{Usual(Array{"A", "C", 5, 0})});
    const Array data{Usual(Array{"x"}), Usual(Array{"y"})};
    cursor->DBStruct(structure);
    cursor->Use(Usual(data));
    server->DBStruct(structure);
    server->Use(Usual(data));
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.columnCount(), 1);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "A");
    EXPECT_EQ(view.horizontalHeader()->count(), 1);
    EXPECT_EQ(model.data(model.index(1, 0)).toString(), "y");
  }
}

// An edit of the current record re-reads that row alone: the filter is not
// evaluated again for every record, a record it fails on is not reported
// again with each edit, and a failure on the edited record is reported
// without breaking the server's notification of its other clients.
TEST(BrowseModelTest, AFieldEditRereadsOnlyItsRow) {
  ErrorLog log;
  auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(50)));  // only record 50 has AGE 0
  int evaluations = 0;
  server->SetFilter(Usual(Codeblock::FromFunction([&](Args a) {
    ++evaluations;
    if (a[0].AsObject()->Access("AGE").AsInteger() == 0) RaiseError(gen::ZeroDiv, "/", "zero divide");
    return Usual(true);
  })));
  server->GoTop();
  BrowseModel model(server);
  RecordingClient other;
  other.handlesErrors = false;
  server->RegisterClient(&other);
  std::vector<std::pair<int, int>> changedRows;
  QObject::connect(&model, &QAbstractItemModel::dataChanged, [&](const QModelIndex& from, const QModelIndex& to) {
    changedRows.emplace_back(from.row(), to.row());
  });
  const int rows = model.rowCount();
  log.errors.clear();
  evaluations = 0;

  ErrorTrap callerTraps;  // a failure must not be thrown into the editing caller
  for (int i = 0; i < 5; ++i) EXPECT_NO_THROW(server->FieldPut("NAME", "x" + std::to_string(i)));
  EXPECT_LE(evaluations, 5);
  EXPECT_TRUE(log.errors.empty());
  EXPECT_EQ(changedRows, (std::vector<std::pair<int, int>>(5, {0, 0})));
  EXPECT_EQ(model.rowCount(), rows);
  EXPECT_EQ(model.data(model.index(0, 1)).toString(), "x4");

  EXPECT_NO_THROW(server->FieldPut("AGE", 0));
  EXPECT_EQ(log.errors.size(), 1u);
  EXPECT_EQ(other.Codes(), std::vector<int>(6, -1)) << "every client is told of every edit";
  server->UnRegisterClient(&other);
}

// Edits of the current record, random in record, field and value, keep the
// model's rows equal to the server's visible records without re-reading
// them: each edit evaluates the filter once, on the edited record.
TEST(BrowseModelTest, RandomEditsKeepTheRowsInStepWithoutRereading) {
  ScopedRuntime runtime;
  struct Setup {
    const char* what;
    const char* order;
    const char* orderFor;
    bool filtered;
    bool descending;
  } setups[] = {
      {"natural, filtered", nullptr, nullptr, true, false},
      {"ordered, filtered", "Server:AGE", nullptr, true, false},
      {"descending, filtered", "Server:AGE", nullptr, true, true},
      {"ordered with FOR, filtered", "Server:AGE", "Server:AGE > 1", true, false},
      {"ordered", "Server:AGE", nullptr, false, false},
      {"ordered with FOR", "Server:AGE", "Server:AGE > 1", false, false},
  };
  for (const auto& setup : setups) {
    SCOPED_TRACE(setup.what);
    auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(40)));
    if (setup.order) server->CreateOrder(setup.order, setup.orderFor ? Usual(setup.orderFor) : NIL, NIL, setup.descending);
    int evaluations = 0;
    if (setup.filtered)
      server->SetFilter(Usual(Codeblock::FromFunction([&](Args a) {
        ++evaluations;
        return Usual(a[0].AsObject()->Access("AGE").AsInteger() % 3 != 0);
      })));
    BrowseModel model(server);
    QTableView view;
    view.setModel(&model);
    view.show();
    auto expected = [&] {
      std::vector<qlonglong> ids;
      if (server->HidesRecords()) {
        for (std::int64_t r : server->VisibleRecords()) ids.push_back(server->FieldGetAt(r, 1).AsInteger());
      } else {
        for (std::size_t row = 1; row <= server->RowCount(); ++row)
          ids.push_back(server->FieldGetAt(server->RowRecord(row), 1).AsInteger());
      }
      return ids;
    };
    auto shown = [&] {
      std::vector<qlonglong> ids;
      for (int row = 0; row < model.rowCount(); ++row) ids.push_back(model.data(model.index(row, 0)).toLongLong());
      return ids;
    };
    std::uint32_t seed = 12345;
    auto next = [&](std::uint32_t n) {
      seed = seed * 1103515245u + 12345u;
      return (seed >> 16) % n;
    };
    for (int step = 0; step < 300; ++step) {
      SCOPED_TRACE(step);
      evaluations = 0;
      int edits = 1;
      switch (next(6)) {
        case 0: server->GoTo(1 + next(40)); [[fallthrough]];
        case 1:
        case 2: server->FieldPut("AGE", int(next(8))); break;
        case 3: server->FieldPut("NAME", "n" + std::to_string(step)); break;
        case 4: server->RecordPut(Usual(Array{server->FieldGet("ID"), "r", int(next(8))})), edits = 3; break;
        default: server->GoTo(1 + next(40)), server->Commit(), edits = 0; break;
      }
      EXPECT_LE(evaluations, edits);
      ASSERT_EQ(shown(), expected());
      ASSERT_EQ(view.verticalHeader()->count(), model.rowCount());
    }
  }
}

// A client told of an edit before the model may move the server before the
// model hears of it; the model still shows the edited record where it now
// belongs, not the record the server has moved to.
class MoveOnEdit : public Object {
 public:
  Ref<kArrayServer> server;
  std::int64_t target = 0;
  bool quietly = false;  // moves without telling anyone

  const ClassInfo& Class() const override {
    static ClassInfo info("MoveOnEdit", &Object::StaticClass());
    static const bool once = [] {
      info.Method<MoveOnEdit>("Notify", [](MoveOnEdit& c, Args a) {
        if (int(a[0].AsInteger()) != notify::FieldChange || !c.target) return Usual(true);
        if (c.quietly) c.server->SuspendNotification();
        c.server->GoTo(c.target);
        if (c.quietly) c.server->ResetNotification();
        return Usual(true);
      });
      return true;
    }();
    (void)once;
    return info;
  }
};

TEST(BrowseModelTest, AnEditFollowedByAnotherClientsMoveIsStillShown) {
  ScopedRuntime runtime;
  struct Setup {
    const char* what;
    const char* order;
    const char* orderFor;
    bool filtered;
    bool quietly;
  } setups[] = {
      {"natural, filtered", nullptr, nullptr, true, false},
      {"ordered, filtered", "Server:AGE", nullptr, true, false},
      {"ordered, filtered, moved quietly", "Server:AGE", nullptr, true, true},
      {"ordered with FOR", "Server:AGE", "Server:AGE > 5", false, false},
      {"ordered", "Server:AGE", nullptr, false, false},
  };
  for (const auto& setup : setups) {
    SCOPED_TRACE(setup.what);
    auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(20)));
    if (setup.order) server->CreateOrder(setup.order, setup.orderFor ? Usual(setup.orderFor) : NIL);
    if (setup.filtered) server->SetFilter("Server:AGE % 3 != 0");
    auto mover = New<MoveOnEdit>();
    mover->server = server;
    mover->quietly = setup.quietly;
    server->RegisterClient(mover.get());
    BrowseModel model(server);
    auto expected = [&] {
      std::vector<qlonglong> ids;
      if (server->HidesRecords()) {
        for (std::int64_t r : server->VisibleRecords()) ids.push_back(server->FieldGetAt(r, 1).AsInteger());
      } else {
        for (std::size_t row = 1; row <= server->RowCount(); ++row)
          ids.push_back(server->FieldGetAt(server->RowRecord(row), 1).AsInteger());
      }
      return ids;
    };
    auto shown = [&] {
      std::vector<qlonglong> ids;
      for (int row = 0; row < model.rowCount(); ++row) ids.push_back(model.data(model.index(row, 0)).toLongLong());
      return ids;
    };
    // AGE of record 2 is 14: 3 hides it, 1 leaves the FOR condition, 49 moves
    // it to the end of the order.
    for (int age : {49, 3, 1, 14}) {
      SCOPED_TRACE(age);
      mover->target = 0;
      server->GoTo(2);
      mover->target = 11;
      server->FieldPut("AGE", age);
      EXPECT_EQ(server->RecNo(), 11);
      EXPECT_EQ(shown(), expected());
    }
    server->UnRegisterClient(mover.get());
  }
}

// Errors of the server still reach the first client with an Error method,
// also when the model registered before it.
TEST(BrowseModelTest, ErrorsStillReachTheGridsErrorHandler) {
  ScopedRuntime runtime;
  auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(3)));
  BrowseModel model(server);
  RecordingClient client;
  server->RegisterClient(&client);
  EXPECT_FALSE(server->SetFilter("Server:ID +"));
  EXPECT_EQ(client.errors.size(), 1u);
}

}  // namespace
}  // namespace kt::test
