// kTable's selection: flag words, blocks and their differences, the walkers,
// renumbered columns, and a selection that follows its records through
// scrolling, refreshing, edits and order changes, also when it covers a
// million records.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <memory>
#include <sstream>
#include <unistd.h>

#include "grid/kcell.h"
#include "grid_fixture.h"
#include "platform/db/dbserver.h"
#include "platform/db/workareas.h"

namespace kt::test {
namespace {

const Symbol kSimple("Simple"), kMultiple("Multiple"), kRowMode("Row"), kCellMode("Cell"), kAll("All"),
    kSingle("Single"), kAllWithout("AllWithout"), kAbsolute("Absolute");

// A grid whose focus the test decides.
class ProbeGrid : public kTable {
 public:
  using kTable::kTable;
  bool active = false;
  bool IsActive() const override { return active; }
};

// The selection as the walkers give it: "record:columns" in walking order,
// "*" for a whole row.
std::string Walked(kTable& g) {
  std::ostringstream out;
  for (std::int64_t r = g.SelectionFirstRow(); r != 0; r = g.SelectionNextRow()) {
    out << (out.tellp() > 0 ? " " : "") << r << ":";
    int c = g.SelectionFirstColumn();
    if (c == 0) out << "*";
    for (bool first = true; c != 0; c = g.SelectionNextColumn(), first = false) out << (first ? "" : ",") << c;
  }
  return out.str();
}

// Columns ID, NAME, AGE of 100 px; ten rows of 20 px under a 24 px caption.
struct SelectionTest : ::testing::Test {
  ScopedRuntime runtime;
  std::unique_ptr<OwnerWindow> owner = ShownOwner();
  ProbeGrid* grid = new ProbeGrid(owner.get());
  Ref<kArrayServer> server;

  void Layout() {
    grid->show();
    grid->RowHeight(20);
    grid->CaptionHeight(24);
    grid->VerticalScrollBarMode(Symbol("None"));
    grid->HorizontalScrollBarMode(Symbol("None"));
    grid->resize(400, 24 + 200);
  }
  void Bind(int records = 50) {
    Layout();
    server = New<kArrayServer>(SmallStruct(), Usual(SmallData(records)));
    ASSERT_TRUE(grid->Use(Usual(server), Usual(Array{"ID", "NAME", "AGE"})));
    for (const auto& c : grid->ColumnList()) c->Width(100);
    grid->Recalculate();
  }
  // The cell (column, record) as the grid would pass it: the record's
  // buffered row when it is visible.
  void Change(int flags, int column, std::int64_t recNo) {
    const int i = grid->BufferPos(recNo);
    grid->SelectionChange(flags, column, i > 0 ? grid->FirstVisibleRowNo() + i - 1 : 0, recNo);
  }
  bool Cell(int column, std::int64_t recNo) {
    const int i = grid->BufferPos(recNo);
    return grid->IsCellSelected(column, i > 0 ? grid->FirstVisibleRowNo() + i - 1 : recNo, recNo);
  }
  QImage Paint() {
    QImage image(grid->size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    grid->render(&image);
    return image;
  }
  // Inside column `column`, screen row `row` (1-based).
  static QPoint In(int column, int row) { return {column * 100 - 50, 24 + (row - 1) * 20 + 10}; }
};

TEST_F(SelectionTest, FlagWordsOfUserActions) {
  Bind(5);
  struct Case {
    Symbol mode;
    bool permanent, absolute, shift, ctrl, space;
    int flags;
  } cases[] = {
      {kSimple, false, false, true, true, true, 5},    {kMultiple, true, false, true, false, false, 5},
      {kMultiple, false, false, true, false, true, 8}, {kMultiple, false, true, true, true, true, 4},
      {kMultiple, false, false, false, true, true, 0x10}, {kMultiple, false, false, false, false, true, 5},
      {kMultiple, false, false, true, true, false, 8}, {kMultiple, false, true, true, true, false, 2},
      {kMultiple, false, true, true, false, false, 4}, {kMultiple, false, false, false, true, false, 0x40},
      {kMultiple, false, false, false, false, false, 5},
  };
  for (const Case& c : cases) {
    grid->SelectionMode(c.mode);
    grid->AutoEdit(c.permanent ? Usual(Symbol("Permanent")) : NIL);
    grid->RowMode(c.absolute ? kAbsolute : Symbol("Relative"));
    EXPECT_EQ(grid->SelectionFlags(c.shift, c.ctrl, c.space), c.flags)
        << c.mode.Name() << " shift " << c.shift << " ctrl " << c.ctrl << " space " << c.space;
  }
}

TEST_F(SelectionTest, SimpleModeFollowsTheCursor) {
  Bind();
  EXPECT_EQ(Walked(*grid), "1:1");
  for (int n : {3, -1, 12, 1}) {
    grid->Skip(Usual(n));
    EXPECT_EQ(Walked(*grid), std::to_string(grid->CurrentRecNo()) + ":1");
  }
  EXPECT_EQ(grid->SelectionRowCount(), 1);
  // Any flag word in #Simple mode without a bit of its own selects just the cell.
  Change(0x40, 2, 4);
  EXPECT_EQ(Walked(*grid), "4:2");
}

TEST_F(SelectionTest, SimpleModeFollowsACursorThatRefreshMoved) {
  Bind(20);
  server->GoTo(5);
  ASSERT_EQ(Walked(*grid), "5:1");
  // The current record is deleted and hidden behind the grid's back.
  grid->SuspendNotification();
  runtime->deleted = true;
  server->Delete(Usual(false));
  grid->ResetNotification();
  grid->Refresh();
  ASSERT_NE(grid->CurrentRecNo(), 5);
  EXPECT_EQ(Walked(*grid), std::to_string(grid->CurrentRecNo()) + ":1");
}

TEST_F(SelectionTest, MultipleModeTogglesAndDrawsBlocksFromTheAnchor) {
  Bind();
  grid->SelectionMode(kMultiple);
  Change(5, 1, 3);  // plain move: the cell, and the anchor
  Change(0x10, 2, 5);  // Ctrl+Space adds
  EXPECT_EQ(Walked(*grid), "3:1 5:2");
  Change(0x10, 2, 5);  // and takes away again
  EXPECT_EQ(Walked(*grid), "3:1");
  Change(0x40, 3, 7);  // Ctrl+arrow: the cursor moves, the selection stays
  EXPECT_EQ(Walked(*grid), "3:1");
  Change(5, 1, 3);
  Change(8, 2, 6);  // Shift: block from the anchor
  EXPECT_EQ(Walked(*grid), "3:1,2 4:1,2 5:1,2 6:1,2");
  // A shorter range takes away the cells of the longer one; cells selected
  // apart from the block stay.
  grid->SelectionSet(kSingle, 3, 9, 9);
  Change(8, 1, 4);
  EXPECT_EQ(Walked(*grid), "3:1 4:1 9:3");
  // Upwards past the anchor: the old rows go, the new ones come.
  Change(5, 2, 6);
  Change(8, 2, 8);
  Change(8, 3, 4);
  EXPECT_EQ(Walked(*grid), "4:2,3 5:2,3 6:2,3");
  // The row selector and the captions.
  Change(0x201, 0, 10);
  EXPECT_EQ(Walked(*grid), "10:1,2,3");
  Change(0x200, 0, 12);
  Change(0x400, 0, 14);
  EXPECT_EQ(Walked(*grid), "10:1,2,3 12:1,2,3 13:1,2,3 14:1,2,3");
  Change(129, 2, 1);
  EXPECT_EQ(grid->SelectionRowCount(), 50);
  EXPECT_TRUE(Cell(2, 50));
  EXPECT_FALSE(Cell(1, 50));
  Change(257, 3, 1);  // Shift: from the anchor's column
  EXPECT_TRUE(Cell(2, 33) && Cell(3, 33));
  EXPECT_FALSE(Cell(1, 33));
}

TEST_F(SelectionTest, RowModeSelectsWholeRows) {
  Bind();
  grid->GetColumn("AGE")->Selectable(false);
  grid->CurrentMode(kRowMode);
  grid->SelectionMode(kMultiple);
  Change(5, 2, 4);
  Change(0x10, 1, 6);
  EXPECT_EQ(Walked(*grid), "4:* 6:*");
  for (int c : {0, 1, 2}) EXPECT_TRUE(Cell(c, 4)) << c;
  EXPECT_FALSE(Cell(3, 4)) << "not selectable";
  // A plain move keeps the target row only.
  Change(5, 3, 6);
  EXPECT_EQ(Walked(*grid), "6:*");
  Change(8, 1, 8);
  EXPECT_EQ(Walked(*grid), "6:* 7:* 8:*");
}

TEST_F(SelectionTest, AssigningTheModeKeepsOnlyTheCurrentCell) {
  Bind();
  grid->SelectionMode(kMultiple);
  server->GoTo(4);
  Change(0x10, 2, 7);
  Change(0x10, 3, 9);
  ASSERT_EQ(grid->SelectionRowCount(), 3);
  grid->SelectionMode(kMultiple);
  EXPECT_EQ(Walked(*grid), "4:1");
}

TEST_F(SelectionTest, WalkersOnEmptyAndWholeRowEntries) {
  Bind();
  grid->SelectionRemove(kAll);
  EXPECT_EQ(grid->SelectionFirstRow(), 0);
  EXPECT_EQ(grid->SelectionNextRow(), 0);
  EXPECT_EQ(grid->SelectionFirstColumn(), 0);
  EXPECT_EQ(grid->SelectionRowCount(), 0);
  grid->SelectionSet(kSingle, 0, 5, 5);
  grid->SelectionSet(kSingle, 3, 2, 2);
  grid->SelectionSet(kSingle, 1, 2, 2);
  EXPECT_EQ(grid->SelectionFirstRow(), 2);
  EXPECT_EQ(grid->SelectionFirstColumn(), 1);
  EXPECT_EQ(grid->SelectionNextColumn(), 3);
  EXPECT_EQ(grid->SelectionNextColumn(), 0);
  EXPECT_EQ(grid->SelectionNextRow(), 5);
  EXPECT_EQ(grid->SelectionFirstColumn(), 0) << "whole row";
  EXPECT_EQ(grid->SelectionNextColumn(), 0);
  EXPECT_EQ(grid->SelectionNextRow(), 0);
  // A whole row stays whole when one of its cells is added.
  grid->SelectionSet(kSingle, 2, 5, 5);
  EXPECT_EQ(Walked(*grid), "2:1,3 5:*");
  // Any other symbol changes nothing.
  EXPECT_FALSE(grid->SelectionSet(Symbol("Other"), 1, 1, 1));
  grid->SelectionRemove(Symbol("Other"), 1, 2, 2);
  EXPECT_EQ(grid->SelectionRowCount(), 2);
}

TEST_F(SelectionTest, EntriesOfRecordZeroResolveUnderTheirOwnDeletedSetting) {
  Bind(10);
  server->GoTo(4);
  server->Delete(Usual(false));
  server->GoTo(1);
  grid->SelectionRemove(kAll);
  // Made while deleted records were hidden: record 4 does not count.
  runtime->deleted = true;
  grid->SelectionSet(kSingle, 1, 3, 3);
  grid->SelectionSet(kSingle, 1, 4, 0);
  grid->SelectionSet(kSingle, 1, 5, 0);
  runtime->deleted = false;
  EXPECT_EQ(Walked(*grid), "3:1 5:1 6:1");
  // Resolved now: found by their records.
  EXPECT_TRUE(grid->IsRowSelected(0, 6));

  // Before an entry goes, an unresolved neighbour learns its record from it.
  grid->SelectionRemove(kAll);
  grid->SelectionSet(kSingle, 1, 7, 7);
  grid->SelectionSet(kSingle, 1, 8, 0);
  EXPECT_FALSE(grid->IsRowSelected(8, 8));
  grid->SelectionRemove(kSingle, 1, 7, 7);
  EXPECT_TRUE(grid->IsRowSelected(8, 8));
  EXPECT_EQ(Walked(*grid), "8:1");
}

TEST_F(SelectionTest, EndOfFileIsNoRecordToSelect) {
  Bind(5);
  grid->SelectionMode(kMultiple);
  Change(5, 1, 6);  // LastRec + 1
  EXPECT_EQ(grid->SelectionRowCount(), 0);
  Change(0x10, 1, 6);
  EXPECT_EQ(grid->SelectionRowCount(), 0);
}

TEST_F(SelectionTest, StoredColumnsFollowOpenedAndClosedColumns) {
  Bind();
  grid->SelectionMode(kMultiple);
  grid->SelectionRemove(kAll);
  grid->SelectionSet(kSingle, 2, 3, 3);
  grid->SelectionSet(kSingle, 3, 3, 3);
  grid->SelectionSet(kSingle, 2, 4, 4);
  grid->SelectionSet(kSingle, 0, 5, 5);
  grid->CloseColumn(Usual(2));
  EXPECT_EQ(Walked(*grid), "3:2 5:*") << "row 4 had only the closed column";
  grid->OpenColumn(Usual("NAME"), Usual(1));
  EXPECT_EQ(Walked(*grid), "3:3 5:*");
  grid->SelectionMove(3, 1);
  EXPECT_EQ(Walked(*grid), "3:1 5:*");
  // All columns closed: no selection is left.
  grid->Clear();
  EXPECT_EQ(grid->SelectionRowCount(), 0);
}

// Scrolling out and back, Refresh, another client's moves and edits, and an
// order change: the selected records stay selected and are walked in the
// server's current order.
void ExpectSurvival(kTable& grid, DataServer& server, const std::function<void()>& newOrder) {
  grid.SelectionMode(kMultiple);
  auto change = [&](int flags, int column, std::int64_t recNo) {
    grid.SelectionChange(flags, column, 0, recNo);
  };
  change(5, 1, 3);
  change(0x10, 2, 5);
  change(0x10, 3, 8);
  const std::string before = "3:1 5:2 8:3";
  ASSERT_EQ(Walked(grid), before);
  grid.SetFirstRow(30);
  EXPECT_FALSE(grid.IsRowVisible(5, 5));
  grid.SetFirstRow(1);
  EXPECT_TRUE(grid.IsCellSelected(2, 5, 5));
  EXPECT_EQ(Walked(grid), before) << "scrolled out and back";
  grid.Refresh();
  EXPECT_EQ(Walked(grid), before) << "Refresh";
  server.GoTo(5);
  server.FieldPut(Usual("NAME"), Usual("Edited"));
  server.Commit();
  server.GoTo(30);
  EXPECT_EQ(Walked(grid), before) << "edit by another client";
  newOrder();
  // In the new order (AGE = i * 7 % 50): 8 (6), 5 (35), 3 (21) -> 8, 3, 5.
  EXPECT_EQ(Walked(grid), "8:3 3:1 5:2") << "order change";
  for (auto [column, recNo] : {std::pair{1, 3}, std::pair{2, 5}, std::pair{3, 8}}) {
    const int i = grid.BufferPos(recNo);
    EXPECT_TRUE(grid.IsCellSelected(column, i > 0 ? grid.FirstVisibleRowNo() + i - 1 : 0, recNo)) << recNo;
  }
  // Another client edits the key of a selected record: it moves to the front.
  server.GoTo(3);
  server.FieldPut(Usual("AGE"), Usual(1));
  server.Commit();
  server.GoTo(20);
  EXPECT_EQ(Walked(grid), "3:1 8:3 5:2") << "key edited";
}

TEST_F(SelectionTest, SurvivesOnAnArrayServer) {
  Bind();
  ExpectSurvival(*grid, *server, [&] { server->CreateOrder(Usual("Server:AGE")); });
}

TEST_F(SelectionTest, SurvivesOnADatabaseServer) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("ktable-grid-sel-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string path = (dir / "t.dbf").string();
  ASSERT_TRUE(DBServer::DBCreate(path, SmallStruct()));
  {
    auto db = New<DBServer>(path, Usual(false));
    for (int i = 1; i <= 50; ++i) {
      db->Append();
      db->FieldPut("ID", i);
      db->FieldPut("AGE", (i * 7) % 50);
    }
    db->GoTop();
    Layout();
    ASSERT_TRUE(grid->Use(Usual(db), Usual(Array{"ID", "NAME", "AGE"})));
    ExpectSurvival(*grid, *db, [&] { db->CreateOrder(Usual((dir / "age").string()), Usual("AGE")); });
    grid->Use(NIL);
    db->Close();
  }
  WorkAreas::Instance().CloseAll();
  fs::remove_all(dir);
}

TEST_F(SelectionTest, ASelectedCellIsDrawnSelectedAndInactiveWithoutFocus) {
  Bind();
  grid->SelectionMode(kMultiple);
  Change(0x10, 2, 3);
  grid->SelectedBackground(New<Color>(0, 0, 255));
  grid->InactiveSelectedBackground(New<Color>(0, 160, 0));
  QImage image = Paint();
  EXPECT_EQ(image.pixelColor(In(2, 3)), QColor(0, 0, 255));
  EXPECT_EQ(image.pixelColor(In(3, 3)), SysQColor(syscolor::Window));
  grid->EnableInactiveSelection();
  image = Paint();
  EXPECT_EQ(image.pixelColor(In(2, 3)), QColor(0, 160, 0)) << "no focus: inactive colours";
  grid->active = true;
  image = Paint();
  EXPECT_EQ(image.pixelColor(In(2, 3)), QColor(0, 0, 255));
  // Scrolled out and back, the record is still drawn selected.
  grid->SetFirstRow(20);
  grid->SetFirstRow(1);
  image = Paint();
  EXPECT_EQ(image.pixelColor(In(2, 3)), QColor(0, 0, 255));
}

TEST_F(SelectionTest, LateBoundNames) {
  Bind();
  Object& g = *grid;
  const Usual multiple[] = {Usual(kMultiple)};
  g.Assign(Symbol("SelectionMode"), multiple[0]);
  const Usual from(New<kCell>(1, 2, 2)), to(New<kCell>(2, 4, 4));
  const Usual block[] = {Usual(Symbol("Block")), from, to};
  EXPECT_TRUE(g.Send(Symbol("SelectionSet"), block).AsLogic());
  // The current cell (record 1) and the block.
  EXPECT_EQ(g.Access(Symbol("SelectionRowCount")).AsInteger(), 4);
  const Usual cell[] = {Usual(2), Usual(3), Usual(3)};
  EXPECT_TRUE(g.Send(Symbol("IsCellSelected"), cell).AsLogic());
  EXPECT_EQ(g.Send(Symbol("SelectionFirstRow")).AsInteger(), 1);
  EXPECT_EQ(g.Send(Symbol("SelectionNextRow")).AsInteger(), 2);
  EXPECT_EQ(g.Access(Symbol("SelectionMode")).AsSymbol(), kMultiple);
  // A bad argument is an error and changes nothing.
  int errors = 0;
  Runtime::SetErrorBlock([&](const ErrorRef&) {
    ++errors;
    return Usual();
  });
  const Usual bad[] = {Usual(Symbol("Block")), Usual("x"), to};
  g.Send(Symbol("SelectionSet"), bad);
  const Usual badFlags[] = {Usual("five")};
  g.Send(Symbol("SelectionChange"), badFlags);
  EXPECT_EQ(errors, 2);
  EXPECT_EQ(g.Access(Symbol("SelectionRowCount")).AsInteger(), 4);
}

// ---------------------------------------------------------------------------
// A million records

struct MillionTest : SelectionTest {
  Ref<FormulaServer> formula;
  void BindFormula() {
    Layout();
    formula = New<FormulaServer>(1000000);
    ASSERT_TRUE(grid->Use(Usual(formula)));
    grid->SelectionMode(kMultiple);
  }
};

TEST_F(MillionTest, SelectAllIsCompactAndAnswersLikeEveryRowWasStored) {
  BindFormula();
  formula->moves = 0;
  ASSERT_TRUE(grid->SelectionSet(kAll));
  EXPECT_LT(formula->moves, 50) << "no walk over the records";
  EXPECT_EQ(grid->SelectionRowCount(), 1000000);
  EXPECT_TRUE(grid->IsCellSelected(1, 1, 1));
  EXPECT_TRUE(grid->IsCellSelected(2, 500000, 500000));
  EXPECT_TRUE(grid->IsRowSelected(1000000, 1000000));
  EXPECT_FALSE(grid->IsRowSelected(1000001, 1000001));
  EXPECT_EQ(grid->SelectionFirstRow(), 1);
  EXPECT_EQ(grid->SelectionFirstColumn(), 1);
  EXPECT_EQ(grid->SelectionNextColumn(), 2);
  EXPECT_EQ(grid->SelectionNextColumn(), 0);
  EXPECT_EQ(grid->SelectionNextRow(), 2);
  EXPECT_EQ(grid->SelectionFirstColumn(), 1);
  EXPECT_EQ(grid->SelectionNextRow(), 3);

  // One cell and one row out of the middle.
  grid->SelectionChange(0x10, 1, 0, 500000);
  EXPECT_FALSE(grid->IsCellSelected(1, 500000, 500000));
  EXPECT_TRUE(grid->IsCellSelected(2, 500000, 500000));
  EXPECT_EQ(grid->SelectionRowCount(), 1000000);
  grid->SelectionRemove(kSingle, 0, 600000, 600000);
  EXPECT_EQ(grid->SelectionRowCount(), 999999);
  EXPECT_FALSE(grid->IsRowSelected(600000, 600000));
  EXPECT_TRUE(grid->IsRowSelected(599999, 599999) && grid->IsRowSelected(600001, 600001));
  // Walking over the gap.
  grid->SelectionFirstRow();
  std::int64_t r = 0;
  for (int k = 0; k < 5; ++k) r = grid->SelectionNextRow();
  EXPECT_EQ(r, 6);
  EXPECT_LT(formula->moves, 400);
  // Painted: the visible cells are selected.
  grid->SelectedBackground(New<Color>(0, 0, 255));
  grid->active = true;
  const QImage image = Paint();
  EXPECT_EQ(image.pixelColor(In(1, 4)), QColor(0, 0, 255));
  EXPECT_EQ(image.pixelColor(In(2, 7)), QColor(0, 0, 255));
}

TEST_F(MillionTest, ALongShiftRangeAndAShorterOne) {
  BindFormula();
  grid->SelectionChange(5, 1, 0, 10);
  formula->moves = 0;
  grid->SelectionChange(8, 2, 0, 900000);
  EXPECT_EQ(grid->SelectionRowCount(), 900000 - 10 + 1);
  EXPECT_TRUE(grid->IsCellSelected(2, 123456, 123456));
  EXPECT_LT(formula->moves, 100);
  grid->SelectionChange(8, 1, 0, 20);
  EXPECT_EQ(grid->SelectionRowCount(), 11);
  EXPECT_FALSE(grid->IsCellSelected(1, 123456, 123456));
  EXPECT_FALSE(grid->IsCellSelected(2, 15, 15));
  EXPECT_TRUE(grid->IsCellSelected(1, 20, 20));
  EXPECT_LT(formula->moves, 200);
  EXPECT_EQ(Walked(*grid).substr(0, 15), "10:1 11:1 12:1 ");
}

TEST_F(SelectionTest, ARunInAnOrderAnswersForTheRowsOnScreen) {
  Bind(10000);
  server->CreateOrder(Usual("Server:AGE"));
  grid->SelectionMode(kMultiple);
  auto recordAt = [&](int position) {
    server->SuspendNotification();
    server->GoTop();
    server->Skip(position - 1);
    const std::int64_t rec = server->RecNo();
    server->ResetNotification();
    return rec;
  };
  const std::int64_t first = recordAt(10), last = recordAt(6000);
  grid->SelectionChange(5, 1, 0, first);
  grid->SelectionChange(8, 2, 0, last);
  EXPECT_EQ(grid->SelectionRowCount(), 5991);
  grid->SetFirstRow(5995);
  const auto& rows = grid->RowBuffer();
  ASSERT_GT(rows.size(), 8u);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::int64_t row = grid->FirstVisibleRowNo() + std::int64_t(i);
    EXPECT_EQ(grid->IsCellSelected(2, row, rows[i].recNo), row <= 6000) << row;
    EXPECT_FALSE(grid->IsCellSelected(3, row, rows[i].recNo)) << row;
  }
  EXPECT_EQ(grid->SelectionFirstRow(), first);
  EXPECT_EQ(grid->SelectionNextRow(), recordAt(11));
}

TEST_F(SelectionTest, SelectAllWithRecordsHidden) {
  Bind(9000);
  grid->SelectionMode(kMultiple);
  // Made while every record shows: kept compactly; records hidden later
  // stay selected, as entries of their own would.
  grid->SelectionSet(kAll);
  server->SetFilter(Usual("Server:ID % 3 == 0"));
  EXPECT_EQ(grid->SelectionRowCount(), 9000);
  EXPECT_TRUE(grid->IsRowSelected(0, 3000));
  EXPECT_EQ(Walked(*grid).substr(0, 24), "1:1,2,3 2:1,2,3 3:1,2,3 ");
  // Made under the filter: only the records shown.
  grid->SelectionRemove(kAll);
  grid->SelectionSet(kAll);
  EXPECT_EQ(grid->SelectionRowCount(), 3000);
  EXPECT_TRUE(grid->IsCellSelected(2, 0, 9));
  EXPECT_FALSE(grid->IsRowSelected(0, 10));
  EXPECT_EQ(Walked(*grid).substr(0, 16), "3:1,2,3 6:1,2,3 ");
  server->ClearFilter();
  EXPECT_EQ(grid->SelectionRowCount(), 3000);
  EXPECT_FALSE(grid->IsRowSelected(0, 10));
}

TEST_F(SelectionTest, SelectAllFollowsAnOrderChange) {
  Bind(8000);
  grid->SelectionMode(kMultiple);
  grid->SelectionSet(kAll);
  server->CreateOrder(Usual("Server:AGE"));
  EXPECT_EQ(grid->SelectionRowCount(), 8000);
  for (std::int64_t rec : {1, 77, 4000, 8000}) EXPECT_TRUE(grid->IsRowSelected(0, rec)) << rec;
  for (std::size_t i = 0; i < grid->RowBuffer().size(); ++i)
    EXPECT_TRUE(grid->IsCellSelected(3, grid->FirstVisibleRowNo() + std::int64_t(i), grid->RowBuffer()[i].recNo));
  // Cells taken out of it before the next order change stay out.
  grid->SelectionChange(0x10, 1, 0, 4000);
  server->ClearOrder();
  server->CreateOrder(Usual("Server:ID"), NIL, NIL, Usual(true));
  EXPECT_EQ(grid->SelectionRowCount(), 8000);
  EXPECT_FALSE(grid->IsCellSelected(1, 0, 4000));
  EXPECT_TRUE(grid->IsCellSelected(2, 0, 4000));
  EXPECT_TRUE(grid->IsCellSelected(1, 0, 3999));
  grid->SelectionRemove(kSingle, 0, 0, 17);
  server->SetOrder(Usual(1));
  EXPECT_EQ(grid->SelectionRowCount(), 7999);
  EXPECT_FALSE(grid->IsRowSelected(0, 17));
  EXPECT_TRUE(grid->IsRowSelected(0, 18) && grid->IsRowSelected(0, 16));
  EXPECT_FALSE(grid->IsCellSelected(1, 0, 4000));
  EXPECT_TRUE(grid->IsCellSelected(3, 0, 4000));
  // A record appended behind the grid's back lands inside the run: it is
  // not selected.
  grid->SuspendNotification();
  server->Append();
  server->FieldPut(Usual("AGE"), Usual(25));
  server->Commit();
  grid->ResetNotification();
  server->GoTo(4000);
  EXPECT_EQ(grid->LastRec(), 8001);
  EXPECT_EQ(grid->SelectionRowCount(), 7999);
  EXPECT_FALSE(grid->IsRowSelected(0, 8001));
  EXPECT_TRUE(grid->IsRowSelected(0, 4000));
  EXPECT_TRUE(grid->IsRowSelected(0, 8000));
}

}  // namespace
}  // namespace kt::test
