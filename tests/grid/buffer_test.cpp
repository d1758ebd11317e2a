// kTable: row buffer, moves, read counts, notifications and two grids on
// one server.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <random>

#include "grid_fixture.h"
#include "platform/db/dbserver.h"
#include "platform/db/workareas.h"

namespace kt::test {
namespace {

struct BufferTest : ::testing::Test {
  ScopedRuntime runtime;
  std::unique_ptr<OwnerWindow> owner = ShownOwner();

  kTable* MakeGrid(int rows) {
    auto* g = Shown(new kTable(owner.get()));
    g->resize(2000, g->CaptionHeight() + rows * g->RowHeight() + g->RowHeight() / 2);
    return g;
  }
};

TEST_F(BufferTest, FewerRecordsThanRowsGiveEmptyRows) {
  kTable* grid = MakeGrid(8);
  grid->GridInEmptyArea(true);
  auto bg = New<Brush>(Color(1, 2, 3));
  grid->DataView()->Background(bg);
  auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(3)));
  grid->Use(Usual(server));
  ASSERT_EQ(grid->VisibleRowCount(), 9);
  const auto& rows = grid->RowBuffer();
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(rows[std::size_t(i)].empty, i >= 3) << i;
    if (i >= 3) {
      EXPECT_EQ(rows[std::size_t(i)].recNo, 4);
    }
  }
  EXPECT_TRUE(grid->EmptyRowsVisible());
  EXPECT_TRUE(grid->BufferedCell(1, 5)->hasColor);
  EXPECT_EQ(grid->BufferedCell(1, 5)->color.background, bg);
  EXPECT_EQ(grid->BufferedCell(2, 2)->text, "N2");
}

TEST_F(BufferTest, AbsoluteRowModeUsesRecordNumbers) {
  kTable* grid = MakeGrid(4);
  auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(10)));
  ASSERT_TRUE(server->CreateOrder("Server:AGE"));
  server->GoTop();
  const std::int64_t top = server->RecNo();
  grid->Use(Usual(server));
  EXPECT_EQ(grid->FirstVisibleRowNo(), 1);  // first in the order
  grid->RowMode(Symbol("Absolute"));
  EXPECT_EQ(grid->RowCountMode(), Symbol("RecCount"));
  grid->Refresh();
  EXPECT_EQ(grid->FirstVisibleRecNo(), top);
  EXPECT_EQ(grid->FirstVisibleRowNo(), top);
  EXPECT_EQ(grid->CurrentRow(), top);
}

TEST_F(BufferTest, SkipForms) {
  // 100 records, 10 full rows and a partial one.
  struct Case {
    const char* name;
    std::int64_t start;
    Usual rows;
    bool skipEof;
    std::int64_t recNo;   // server record afterwards (101 = end of file)
    std::int64_t first;   // first visible record afterwards, 0: not checked
    bool moved = true;    // what Skip answers: FALSE when the server could not move
  } cases[] = {
      {"line forwards inside", 1, Usual(Symbol("LineForwards")), false, 2, 1},
      {"two rows", 1, Usual(2), false, 3, 1},
      {"line backwards at top", 1, Usual(Symbol("LineBackwards")), false, 1, 1, false},
      {"past the last fully visible row", 10, Usual(1), false, 11, 2},
      {"page forwards from top", 1, Usual(Symbol("PageForwards")), false, 11, 11},
      {"page backwards", 30, Usual(Symbol("PageBackwards")), false, 20, 0},
      {"page forwards on last page", 95, Usual(Symbol("PageForwards")), false, 100, 0},
      {"past the end without skip-EOF", 100, Usual(1), false, 100, 0},
      {"past the end with skip-EOF", 100, Usual(1), true, 101, 0},
      {"far backwards", 60, Usual(-40), false, 20, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    kTable* grid = MakeGrid(10);
    grid->EnableSkipEOF(Usual(c.skipEof));
    auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(100)));
    grid->Use(Usual(server));
    ASSERT_EQ(grid->VisibleRowCount(), 11);
    if (c.start != 1) {
      server->GoTo(c.start);
      ExpectConsistent(*grid, *server, "before");
    }
    EXPECT_EQ(grid->Skip(c.rows), c.moved);
    EXPECT_EQ(server->RecNo(), c.recNo);
    if (c.first) {
      EXPECT_EQ(grid->FirstVisibleRecNo(), c.first);
    }
    if (!server->EoF()) {
      EXPECT_TRUE(grid->IsRowVisible(grid->CurrentRow(), server->RecNo(), false));
    }
    ExpectConsistent(*grid, *server, "after");
    delete grid;
  }
}

TEST_F(BufferTest, ReadsOnlyWhatComesIntoView) {
  kTable* grid = MakeGrid(10);
  auto server = New<CountingServer>(SmallStruct(), Usual(SmallData(1000)));
  grid->Use(Usual(server));
  const int columns = grid->ColumnOpenCount();
  // Inside the window: no record is read.
  server->ResetCounts();
  for (int i = 0; i < 9; ++i) grid->Skip();
  EXPECT_EQ(server->reads, 0);
  EXPECT_EQ(grid->CurrentRow(), 10);
  // One row past the bottom: exactly one new row.
  server->ResetCounts();
  grid->Skip();
  EXPECT_EQ(server->reads, columns);
  EXPECT_EQ(grid->FirstVisibleRecNo(), 2);
  server->ResetCounts();
  grid->Skip(Usual(-1));
  EXPECT_EQ(server->reads, 0);
  // A jump by another client reads at most one window.
  server->ResetCounts();
  server->GoTo(700);
  EXPECT_LE(server->reads, columns * grid->VisibleRowCount());
  EXPECT_TRUE(grid->IsRowVisible(grid->CurrentRow(), 700, false));
  EXPECT_EQ(grid->RowBuffer()[9].recNo, 700);  // the last fully visible row
  // Painting and geometry do not touch the server.
  server->ResetCounts();
  grid->grab();
  GridRect r;
  grid->GetCellRect(2, grid->CurrentRow(), 700, r);
  grid->GetCellToPoint(QPoint(r.left + 1, r.top + 1));
  EXPECT_EQ(server->reads + server->moves, 0);
  ExpectConsistent(*grid, *server, "end");
}

TEST_F(BufferTest, RecordCountsFromNoneToTenMillion) {
  for (std::int64_t n : {0, 1, 4, 10000000}) {
    SCOPED_TRACE(n);
    kTable* grid = MakeGrid(10);
    auto server = New<FormulaServer>(n);
    grid->Use(Usual(server));
    EXPECT_EQ(grid->ServerState(), n == 0 ? 3 : 0);
    EXPECT_EQ(int(grid->RowBuffer().size()), grid->VisibleRowCount());
    grid->GoBottom();
    grid->Skip(Usual(Symbol("PageBackwards")));
    grid->Skip(Usual(Symbol("PageForwards")));
    if (n > 0) {
      EXPECT_EQ(server->RecNo(), n);
      EXPECT_EQ(grid->CurrentRecNo(), n);
      ExpectConsistent(*grid, *server, "at the end");
    }
    grid->GoTop();
    if (n > 0) {
      EXPECT_EQ(grid->CurrentRecNo(), 1);
    }
    ExpectConsistent(*grid, *server, "at the top");
    delete grid;
  }
}

// Two grids and a plain client on one server, driven by a script of moves,
// edits, appends and deletes from all of them.
// maxAge keeps edited records inside a filter on AGE.
void RunScript(DataServer& server, kTable& a, kTable& b, std::uint32_t seed, int steps, int maxAge = 90) {
  RecordingClientLite plain;
  server.RegisterClient(&plain);
  std::mt19937 rng(seed);
  for (int step = 0; step < steps; ++step) {
    kTable& g = rng() % 2 ? a : b;
    const int op = int(rng() % 14);
    std::string what;
    switch (op) {
      case 0: case 1: case 2: g.Skip(Usual(1)); what = "skip 1"; break;
      case 3: g.Skip(Usual(-1)); what = "skip -1"; break;
      case 4: g.Skip(Usual(Symbol("PageForwards"))); what = "page down"; break;
      case 5: g.Skip(Usual(Symbol("PageBackwards"))); what = "page up"; break;
      case 6: g.GoTop(); what = "top"; break;
      case 7: g.GoBottom(); what = "bottom"; break;
      case 8: server.GoTo(std::int64_t(rng() % std::uint32_t(std::max<std::int64_t>(1, server.LastRec()))) + 1); what = "client goto"; break;
      case 9:
        if (!server.EoF()) server.FieldPut("AGE", int(rng() % std::uint32_t(maxAge)));
        what = "edit key";
        break;
      case 10: g.Append(); server.FieldPut("AGE", int(rng() % std::uint32_t(maxAge))); what = "append"; break;
      case 11: if (!server.EoF()) g.Delete(); what = "delete"; break;
      case 12: server.Skip(std::int64_t(rng() % 7) - 3); what = "client skip"; break;
      default: g.Skip(Usual(std::int64_t(rng() % 30) - 15)); what = "skip many"; break;
    }
    const std::string where = "step " + std::to_string(step) + " " + what;
    ExpectConsistent(a, server, (where + " grid a").c_str());
    ExpectConsistent(b, server, (where + " grid b").c_str());
    if (::testing::Test::HasFailure()) break;
  }
  server.UnRegisterClient(&plain);
  EXPECT_GT(plain.notes, 0);
}

TEST_F(BufferTest, TwoGridsOnArrayServerStayConsistent) {
  struct Variant {
    const char* name;
    bool order, hideDeleted, filter;
    int scope = 0;  // 2: deletes only mark, and marked records are hidden
  } variants[] = {{"plain", false, false, false},
                  {"order, deleted hidden", true, true, false},
                  {"order, deleted shown", true, false, false},
                  {"filter", false, true, true},
                  {"marked deletes hidden, order", true, false, false, 2},
                  {"marked deletes shown, filter", false, false, true, 1}};
  for (const auto& v : variants) {
    SCOPED_TRACE(v.name);
    runtime->deleted = v.hideDeleted;
    auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(60)), Usual(v.scope));
    if (v.order) server->CreateOrder("Server:AGE");
    if (v.filter) server->SetFilter("Server:AGE < 40");
    server->GoTop();
    kTable* a = MakeGrid(7);
    kTable* b = MakeGrid(12);
    a->Use(Usual(server));
    b->Use(Usual(server));
    RunScript(*server, *a, *b, 17, 300, v.filter ? 40 : 90);
    delete a;
    delete b;
    if (HasFailure()) break;
  }
}

TEST_F(BufferTest, TwoGridsOnDatabaseServerStayConsistent) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("ktable-grid-two-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string path = (dir / "t.dbf").string();
  ASSERT_TRUE(DBServer::DBCreate(path, SmallStruct()));
  for (bool order : {false, true}) {
    SCOPED_TRACE(order ? "order" : "natural");
    runtime->deleted = order;
    auto db = New<DBServer>(path, Usual(false));
    db->Zap();
    for (int i = 1; i <= 40; ++i) {
      db->Append();
      db->FieldPut("ID", i);
      db->FieldPut("AGE", (i * 7) % 50);
    }
    if (order) db->CreateOrder((dir / "age").string(), "AGE");
    db->GoTop();
    kTable* a = MakeGrid(6);
    kTable* b = MakeGrid(9);
    a->Use(Usual(db));
    b->Use(Usual(db));
    RunScript(*db, *a, *b, 5, 200);
    delete a;
    delete b;
    db->Close();
    if (HasFailure()) break;
  }
  WorkAreas::Instance().CloseAll();
  fs::remove_all(dir);
}

TEST_F(BufferTest, DeletesAndAppendsMoveTheWindowAsExpected) {
  runtime->deleted = true;
  kTable* grid = MakeGrid(5);
  // Scope 2: deleted records are marked and hidden.
  auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(20)), Usual(2));
  grid->Use(Usual(server));
  server->GoTo(10);  // a jump: record 10 becomes the last fully visible row
  ASSERT_EQ(grid->RowBuffer()[4].recNo, 10);
  ASSERT_EQ(grid->FirstVisibleRecNo(), 6);
  // Deleting the first visible record starts the window at the next one.
  server->GoTo(6);
  grid->Delete();
  EXPECT_EQ(grid->FirstVisibleRecNo(), 7);
  EXPECT_EQ(server->RecNo(), 7);
  ExpectConsistent(*grid, *server, "after delete");
  // Appending shows the new record as the last fully visible row.
  grid->Append();
  EXPECT_EQ(server->RecNo(), 21);
  EXPECT_EQ(grid->RowBuffer()[4].recNo, 21);
  ExpectConsistent(*grid, *server, "after append");
  // Deleting the only record of a table gives the empty state.
  auto one = New<kArrayServer>(SmallStruct(), Usual(SmallData(1)), Usual(2));
  grid->Use(Usual(one));
  grid->Delete();
  EXPECT_EQ(grid->ServerState(), 3);
  // Appending to an empty table with empty rows visible.
  grid->Append();
  EXPECT_EQ(grid->ServerState(), 0);
  EXPECT_EQ(grid->RowBuffer()[0].recNo, 2);
  ExpectConsistent(*grid, *one, "append into empty");
}

TEST_F(BufferTest, SkipFromAHiddenCurrentRecordCountsFromIt) {
  // Marked deletions hidden. The current record becomes hidden by the
  // grid's Delete, by another client's (its row leaves the buffer) or
  // behind the grid's back (its row stays); a skip from it lands on the
  // neighbour it would have reached from the record itself.
  enum How { kGridDelete, kServerDelete, kSilentDelete };
  struct Case {
    const char* name;
    How how;
    std::int64_t current;
    std::int64_t firstVisible;  // 0: where the jump to `current` puts it
    std::int64_t rows;          // the grid's skip (not for kGridDelete)
    std::int64_t expected;
  } cases[] = {
      {"grid delete of the last record", kGridDelete, 30, 0, 0, 29},
      {"grid delete inside", kGridDelete, 15, 0, 0, 16},
      {"gone from the buffer, back", kServerDelete, 15, 0, -1, 14},
      {"gone from the buffer, forward", kServerDelete, 15, 0, 1, 16},
      {"gone from the buffer, last record, back", kServerDelete, 30, 0, -1, 29},
      {"gone from the buffer, first record, forward", kServerDelete, 1, 0, 1, 2},
      {"still buffered, back", kSilentDelete, 15, 0, -1, 14},
      {"still buffered, forward", kSilentDelete, 15, 0, 1, 16},
      {"still buffered in the first row, back", kSilentDelete, 15, 15, -1, 14},
      {"still buffered in the last row, forward", kSilentDelete, 15, 5, 1, 16},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    kTable* grid = MakeGrid(10);
    auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(30)), Usual(2));
    grid->Use(Usual(server));
    server->GoTo(c.current);
    if (c.firstVisible) grid->FirstVisibleRecNo(c.firstVisible);
    ASSERT_GT(grid->BufferPos(c.current), 0);
    switch (c.how) {
      case kGridDelete: ASSERT_TRUE(grid->Delete()); break;
      case kServerDelete:
        ASSERT_TRUE(server->Delete());
        ASSERT_EQ(grid->BufferPos(c.current), 0);
        break;
      case kSilentDelete:
        server->SuspendNotification();
        ASSERT_TRUE(server->Delete());
        server->ResetNotification();
        ASSERT_GT(grid->BufferPos(c.current), 0);
        break;
    }
    if (c.how != kGridDelete) {
      EXPECT_TRUE(grid->Skip(Usual(c.rows)));
    }
    EXPECT_EQ(server->RecNo(), c.expected);
    EXPECT_EQ(grid->CurrentRecNo(), c.expected);
    EXPECT_TRUE(grid->IsRowVisible(grid->CurrentRow(), c.expected, false));
    if (c.how != kSilentDelete) ExpectConsistent(*grid, *server, "after the skip");
    delete grid;
  }
}

TEST_F(BufferTest, SkipsOfSeveralRowsFromAHiddenRecordCountEveryRow) {
  struct Case {
    const char* name;
    bool silent;  // deleted behind the grid's back: its row stays buffered
    std::int64_t current;
    std::int64_t alsoDeleted;  // 0: none
    std::int64_t rows;
    std::int64_t expected;
  } cases[] = {
      {"unbuffered, back 3", false, 15, 0, -3, 12},
      {"unbuffered, forward 3", false, 15, 0, 3, 18},
      {"buffered, back 3", true, 15, 0, -3, 12},
      {"buffered, forward 3", true, 15, 0, 3, 18},
      {"buffered, next hidden too, forward", true, 15, 16, 1, 17},
      {"buffered, previous hidden too, back", true, 15, 14, -1, 13},
      {"unbuffered, next hidden too, forward", false, 15, 16, 1, 17},
      {"unbuffered, previous hidden too, back", false, 15, 14, -1, 13},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    kTable* grid = MakeGrid(10);
    auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(30)), Usual(2));
    grid->Use(Usual(server));
    if (c.alsoDeleted) {
      server->SuspendNotification();
      server->GoTo(c.alsoDeleted);
      server->Delete();
      server->ResetNotification();
    }
    server->GoTo(c.current);
    ASSERT_GT(grid->BufferPos(c.current), 0);
    if (c.silent) server->SuspendNotification();
    ASSERT_TRUE(server->Delete());
    if (c.silent) server->ResetNotification();
    EXPECT_TRUE(grid->Skip(Usual(c.rows)));
    EXPECT_EQ(server->RecNo(), c.expected);
    EXPECT_EQ(grid->CurrentRecNo(), c.expected);
    delete grid;
  }
}

TEST_F(BufferTest, SkipFromAHiddenBlockAtTheTopOfTheWindow) {
  // Rows 11.. shown; 11, 12, 13 deleted behind the grid's back; the current
  // record is 12.
  struct Case {
    std::int64_t rows, expected;
  } cases[] = {{1, 14}, {-1, 10}, {2, 15}, {-2, 9}, {0, 14}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rows);
    kTable* grid = MakeGrid(10);
    auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(30)), Usual(2));
    grid->Use(Usual(server));
    grid->FirstVisibleRecNo(11);
    server->GoTo(12);
    ASSERT_EQ(grid->FirstVisibleRecNo(), 11);
    server->SuspendNotification();
    for (int r : {11, 12, 13}) {
      server->GoTo(r);
      server->Delete();
    }
    server->GoTo(12);
    server->ResetNotification();
    EXPECT_TRUE(grid->Skip(Usual(c.rows)));
    EXPECT_EQ(server->RecNo(), c.expected);
    EXPECT_FALSE(server->Deleted()) << "a hidden record is no place for the cursor";
    EXPECT_EQ(grid->CurrentRecNo(), server->RecNo());
    delete grid;
  }
}

TEST_F(BufferTest, SkipFromAHiddenRecordUnderAnOrder) {
  // Order by NAME: N1, N10, N11, ..., N19, N2, N20, ...
  kTable* grid = MakeGrid(10);
  auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(30)), Usual(2));
  ASSERT_TRUE(server->CreateOrder("Server:NAME"));
  server->GoTop();
  grid->Use(Usual(server));
  server->GoTo(12);  // N12: between N11 and N13
  ASSERT_TRUE(server->Delete());
  EXPECT_TRUE(grid->Skip(Usual(-1)));
  EXPECT_EQ(server->RecNo(), 11);
  server->GoTo(13);
  ASSERT_TRUE(server->Delete());
  EXPECT_TRUE(grid->Skip(Usual(1)));
  EXPECT_EQ(server->RecNo(), 14);
  // Behind the grid's back: N14 to N16 go, the cursor stays on N15.
  server->SuspendNotification();
  for (int r : {14, 15, 16}) {
    server->GoTo(r);
    server->Delete();
  }
  server->GoTo(15);
  server->ResetNotification();
  EXPECT_TRUE(grid->Skip(Usual(1)));
  EXPECT_EQ(server->RecNo(), 17);
  EXPECT_EQ(grid->CurrentRecNo(), 17);
  // Last in the order: N9; the grid deletes it and lands on N8.
  grid->GoBottom();
  ASSERT_EQ(server->RecNo(), 9);
  ASSERT_TRUE(grid->Delete());
  EXPECT_EQ(server->RecNo(), 8);
  EXPECT_EQ(grid->CurrentRecNo(), 8);
  ExpectConsistent(*grid, *server, "after delete of the last");
  delete grid;
}

TEST_F(BufferTest, StableFieldChangeKeepsRowsUntilTheNextMove) {
  kTable* grid = MakeGrid(5);
  auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(20)));
  server->CreateOrder("Server:ID");
  grid->Use(Usual(server));
  grid->FieldChangeMode(Symbol("Stable"));
  server->GoTo(2);
  server->FieldPut("ID", 99);  // moves record 2 to the end of the order
  EXPECT_EQ(grid->RowBuffer()[1].recNo, 2);
  EXPECT_EQ(grid->BufferedCell(1, 2)->value.AsInteger(), 99);
  EXPECT_EQ(grid->PendingChanges(), 1);
  grid->Skip();
  EXPECT_EQ(grid->PendingChanges(), 0);
  ExpectConsistent(*grid, *server, "after the move");
}

TEST_F(BufferTest, AutoRefreshSeesEditsAndNewRecords) {
  kTable* grid = MakeGrid(5);
  auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(10)));
  grid->Use(Usual(server));
  grid->AutoRefresh();  // nothing changed
  ExpectConsistent(*grid, *server, "unchanged");
  // Edit behind the grid's back (notifications off).
  server->SuspendNotification();
  server->GoTo(2);
  server->FieldPut("NAME", "changed");
  server->Commit();
  server->GoTo(1);
  server->ResetNotification();
  grid->AutoRefresh();
  EXPECT_EQ(grid->BufferedCell(2, 2)->text, "changed");
  server->SuspendNotification();
  server->Append();
  server->GoTo(1);
  server->ResetNotification();
  grid->AutoRefresh();
  EXPECT_EQ(grid->LastRec(), 11);
  ExpectConsistent(*grid, *server, "after append");
}

}  // namespace
}  // namespace kt::test
