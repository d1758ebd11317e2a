// kTable: areas, rectangles, hit tests and row heights.
#include <gtest/gtest.h>

#include <memory>

#include <QScrollBar>

#include "grid_fixture.h"

namespace kt::test {
namespace {

struct GeometryTest : ::testing::Test {
  ScopedRuntime runtime;
  std::unique_ptr<OwnerWindow> owner = ShownOwner();
  kTable* grid = Shown(new kTable(owner.get()));
  Ref<kArrayServer> server = New<kArrayServer>(SmallStruct(), Usual(SmallData(50)));

  // Four columns of 100 px, rows of 20 px, a data area `dataHeight` high.
  void Bind(int dataHeight, int width = 2000) {
    grid->RowHeight(20);
    grid->CaptionHeight(24);
    grid->VerticalScrollBarMode(Symbol("None"));
    grid->HorizontalScrollBarMode(Symbol("None"));
    grid->resize(width, 24 + grid->FooterHeight() + dataHeight);
    grid->Use(Usual(server), Usual(Array{"ID", "NAME", "AGE", "ID"}));
    for (const auto& c : grid->ColumnList()) c->Width(100);
    grid->Recalculate();
  }
};

TEST_F(GeometryTest, VisibleRowsFromDataHeight) {
  for (auto [height, rows] : {std::pair{100, 6}, {95, 5}, {0, 1}, {19, 1}, {20, 2}}) {
    Bind(height);
    EXPECT_EQ(grid->GetCountOfVisibleRows(1), rows) << height;
    EXPECT_EQ(grid->VisibleRowCount(), rows) << height;
  }
}

TEST_F(GeometryTest, AreasWithSelectorFooterAndSmallClients) {
  grid->EnableSelector();
  grid->SelectorWidth(17);
  grid->FooterHeight(22);
  Bind(100, 500);
  EXPECT_EQ(grid->SelectorRect(), (GridRect{0, 0, 17, 124}));
  EXPECT_EQ(grid->CaptionRect(), (GridRect{17, 0, 500, 24}));
  EXPECT_EQ(grid->DataRect(), (GridRect{17, 24, 500, 124}));
  EXPECT_EQ(grid->FooterRect(), (GridRect{17, 124, 500, 146}));
  EXPECT_EQ(grid->DataArea()->Width(), 483);
  // Narrower than the selector: zero width at the client's right edge.
  grid->resize(10, 146);
  EXPECT_EQ(grid->CaptionRect().left, 10);
  EXPECT_EQ(grid->DataRect().Width(), 0);
  EXPECT_EQ(grid->FooterRect().Width(), 0);
  // Lower than the caption: zero height at the client's bottom.
  grid->resize(500, 15);
  EXPECT_EQ(grid->DataRect().top, 15);
  EXPECT_EQ(grid->DataRect().Height(), 0);
  EXPECT_EQ(grid->FooterRect().Height(), 0);
}

TEST_F(GeometryTest, FrozenColumnsRectanglesAndScrollBarPlace) {
  grid->Freeze(2);
  Bind(100, 350);
  grid->HorizontalScrollBarMode(Symbol("Always"));
  EXPECT_EQ(grid->FrozenDataRect().right, 200);
  EXPECT_EQ(grid->DynamicDataRect().left, 200);
  EXPECT_EQ(grid->HorizontalScrollBar()->x(), 200);  // runs under the scrolling columns only
  EXPECT_EQ(grid->FirstVisibleColumn(), 3);
  EXPECT_EQ(grid->LastVisibleColumn(), 4);  // cut at the right edge
  EXPECT_FALSE(grid->IsColumnVisible(4, false));
  EXPECT_TRUE(grid->IsColumnVisible(4, true));
  GridRect r;
  ASSERT_TRUE(grid->GetColumnRect(3, r));
  EXPECT_EQ(r, (GridRect{200, 24, 300, grid->DataRect().bottom}));
  ASSERT_TRUE(grid->GetCaptionRect(4, r));
  EXPECT_EQ(r.left, 300);
  EXPECT_FALSE(grid->GetColumnRect(5, r));
  EXPECT_FALSE(grid->GetCellRect(1, 0, 1, r));
  const auto loops = grid->GetColumnLoops();
  ASSERT_EQ(loops.size(), 2u);
  EXPECT_EQ(loops[0].first, 1);
  EXPECT_EQ(loops[0].last, 2);
  EXPECT_EQ(loops[1].first, 3);
}

TEST_F(GeometryTest, HitTestsAndGrabZones) {
  Bind(100);
  const auto hit = grid->GetCellToPoint(QPoint(150, 24 + 45));
  EXPECT_EQ(hit.column, 2);
  EXPECT_EQ(hit.row, 3);
  EXPECT_EQ(hit.recNo, 3);
  EXPECT_EQ(grid->GetCellToPoint(QPoint(150, 10)).column, 0);  // caption: no cell
  EXPECT_EQ(grid->GetColumnToPoint(QPoint(150, 10)), 2);
  struct Case {
    int x, column;
  } columns[] = {{96, 1}, {104, 1}, {95, 0}, {105, 0}, {196, 2}, {300, 3}};
  for (const auto& c : columns) EXPECT_EQ(grid->GetColumnFrameToPoint(QPoint(c.x, 50)), c.column) << c.x;
  struct RowCase {
    int y;
    std::int64_t row;
  } rows[] = {{24 + 18, 1}, {24 + 22, 1}, {24 + 17, 0}, {24 + 23, 0}, {24 + 40, 2}};
  for (const auto& c : rows) EXPECT_EQ(grid->GetRowFrameToPoint(QPoint(50, c.y)), c.row) << c.y;
}

TEST_F(GeometryTest, OverlappedGridSharesLines) {
  Bind(100);
  GridRect plain, shared;
  grid->DataView()->Grid()->Overlapped(false);
  ASSERT_TRUE(grid->GetCellRect(2, 2, 2, plain));
  grid->DataView()->Grid()->Overlapped(true);
  ASSERT_EQ(grid->DataView()->Grid()->Width(), 1);
  ASSERT_TRUE(grid->GetCellRect(2, 2, 2, shared));
  EXPECT_EQ(shared.left, plain.left - 1);
  EXPECT_EQ(shared.top, plain.top - 1);
}

// A logic column shown as a push button through the grid's ViewLogicAs gets
// the push button's edit rectangle, as one whose own view type says so.
TEST_F(GeometryTest, EditRectOfPushButtonsByTheShownViewType) {
  server = New<kArrayServer>(Usual(Array{Usual(Array{"NAME", "C", 10, 0}), Usual(Array{"OK", "L", 1, 0}),
                                         Usual(Array{"DONE", "L", 1, 0})}),
                             Usual(Array{Usual(Array{"a", true, false}), Usual(Array{"b", false, true})}));
  grid->RowHeight(20);
  grid->resize(600, 200);
  ASSERT_TRUE(grid->Use(Usual(server)));
  for (const auto& c : grid->ColumnList()) c->Width(100);
  grid->Recalculate();
  const Ref<kGrid> g = New<kGrid>(Usual(1), Usual(3), Usual(4), Usual(5), Usual(6));
  grid->DataView()->Grid(g);
  grid->GetColumn("DONE")->ViewValueAs(Symbol("PushButton"));
  GridRect cell, text, byGrid, byColumn;
  ASSERT_TRUE(grid->GetCellRect(2, 1, 1, cell));
  ASSERT_TRUE(grid->GetEditRect(2, 1, 1, text));
  EXPECT_EQ(text, (GridRect{cell.left + 1, cell.top + 1, cell.right - 1, cell.bottom - 1})) << "lines only";
  grid->ViewLogicAs(Symbol("PushButton"));
  ASSERT_EQ(grid->GetColumnViewValueAs(grid->GetColumn("OK").get()), Symbol("PushButton"));
  ASSERT_TRUE(grid->GetEditRect(2, 1, 1, byGrid));
  EXPECT_EQ(byGrid, (GridRect{cell.left + 1 + 3, cell.top + 1 + 4, cell.right - 1 - 5, cell.bottom - 1 - 6}));
  ASSERT_TRUE(grid->GetEditRect(3, 1, 1, byColumn));
  GridRect cell3;
  ASSERT_TRUE(grid->GetCellRect(3, 1, 1, cell3));
  EXPECT_EQ(byColumn, (GridRect{cell3.left + 4, cell3.top + 5, cell3.right - 6, cell3.bottom - 7}));
}

TEST_F(GeometryTest, VariableRowHeightsAreCapped) {
  Array data;
  data.Add(Usual(Array{1, std::string(40, 'x') + "\n" + std::string(40, 'y'), 1}));
  for (int i = 2; i <= 30; ++i) data.Add(Usual(Array{i, "short", i}));
  server = New<kArrayServer>(
      Usual(Array{Usual(Array{"ID", "N", 5, 0}), Usual(Array{"NOTE", "M", 10, 0}), Usual(Array{"AGE", "N", 3, 0})}),
      Usual(data));
  grid->RowHeight(20);
  grid->VerticalScrollBarMode(Symbol("None"));
  grid->HorizontalScrollBarMode(Symbol("None"));
  grid->resize(600, grid->CaptionHeight() + 30);
  grid->Use(Usual(server));
  grid->GetColumn("NOTE")->HeightVariable(1);
  grid->EnableRowHeightVariable();
  grid->Recalculate();
  ASSERT_TRUE(grid->ExistRowsWithVariableHeight());
  server->GoTo(1);
  EXPECT_LE(grid->GetRowHeight(), 24);  // 80 % of 30
  grid->RowHeightMax(22);
  EXPECT_EQ(grid->GetRowHeight(), 22);
  grid->SetResizedRow(2, 500);
  server->GoTo(2);
  EXPECT_EQ(grid->GetRowHeight(), 30);  // never beyond the data area
}

TEST_F(GeometryTest, ClosedColumnsNoLongerDriveRowHeights) {
  Array data;
  data.Add(Usual(Array{1, std::string(30, 'x') + "\n" + std::string(30, 'y') + "\n" + std::string(30, 'z'), 1}));
  for (int i = 2; i <= 30; ++i) data.Add(Usual(Array{i, "short", i}));
  server = New<kArrayServer>(
      Usual(Array{Usual(Array{"ID", "N", 5, 0}), Usual(Array{"NOTE", "M", 10, 0}), Usual(Array{"AGE", "N", 3, 0})}),
      Usual(data));
  grid->RowHeight(20);
  grid->VerticalScrollBarMode(Symbol("None"));
  grid->HorizontalScrollBarMode(Symbol("None"));
  grid->resize(600, grid->CaptionHeight() + 200);
  grid->Use(Usual(server));
  grid->GetColumn("NOTE")->HeightVariable(1);
  grid->EnableRowHeightVariable();
  grid->Recalculate();
  ASSERT_EQ(grid->ColumnVariableHeightCount(), 1);
  server->GoTo(1);
  ASSERT_GT(grid->GetRowHeight(), 20);

  auto expectUniformRows = [&](const char* where) {
    SCOPED_TRACE(where);
    server->GoTo(1);
    EXPECT_EQ(grid->GetRowHeight(), 20);
    for (const RowInfo& r : grid->RowBuffer()) EXPECT_EQ(r.height, 20) << "record " << r.recNo;
  };
  grid->Clear();
  EXPECT_EQ(grid->ColumnVariableHeightCount(), 0);
  EXPECT_FALSE(grid->ExistRowsWithVariableHeight());
  expectUniformRows("cleared");
  // Opened again it counts once, and closing it takes it out.
  ASSERT_TRUE(grid->OpenColumn(Usual(Array{"ID", "NOTE"})));
  EXPECT_EQ(grid->ColumnVariableHeightCount(), 1);
  ASSERT_TRUE(grid->CloseColumn("NOTE"));
  EXPECT_EQ(grid->ColumnVariableHeightCount(), 0);
  expectUniformRows("closed");
}

TEST_F(GeometryTest, RowCountFollowsTheRowHeightsAfterColumnsOrServerChange) {
  Array data;
  for (int i = 1; i <= 30; ++i) data.Add(Usual(Array{i, "a\nb\nc\nd\ne", i}));
  server = New<kArrayServer>(
      Usual(Array{Usual(Array{"ID", "N", 5, 0}), Usual(Array{"NOTE", "M", 10, 0}), Usual(Array{"AGE", "N", 3, 0})}),
      Usual(data));
  grid->RowHeight(20);
  grid->CaptionHeight(24);
  grid->VerticalScrollBarMode(Symbol("None"));
  grid->HorizontalScrollBarMode(Symbol("None"));
  grid->resize(600, 24 + grid->FooterHeight() + 210);  // 10 rows of 20 px and a part one
  grid->Use(Usual(server));
  grid->GetColumn("NOTE")->HeightVariable(1);
  grid->EnableRowHeightVariable();
  grid->Recalculate();
  const int tall = grid->VisibleRowCount();
  ASSERT_LT(tall, 11);
  auto expectUniform = [&](const char* where, DataServer& s) {
    SCOPED_TRACE(where);
    EXPECT_EQ(grid->VisibleRowCount(), 11) << "was " << tall << " with the tall rows";
    ExpectConsistent(*grid, s, where);
  };
  grid->Clear();
  expectUniform("cleared", *server);
  ASSERT_TRUE(grid->OpenColumn("ID"));
  expectUniform("one plain column open", *server);
  ASSERT_TRUE(grid->OpenColumn("NOTE"));
  EXPECT_LT(grid->VisibleRowCount(), 11) << "the tall column is back";
  ASSERT_TRUE(grid->CloseColumn("NOTE"));
  expectUniform("tall column closed", *server);

  // A new server without variable-height columns.
  ASSERT_TRUE(grid->OpenColumn("NOTE"));
  ASSERT_LT(grid->VisibleRowCount(), 11);
  auto plain = New<kArrayServer>(SmallStruct(), Usual(SmallData(30)));
  grid->Use(Usual(plain));
  expectUniform("new server", *plain);
}

TEST_F(GeometryTest, ShrinkingFarFromTheCurrentRecordCostsAWindowOfMoves) {
  // The current record in row 5,000,000, the window scrolled to the top by
  // the bar: a smaller window neither walks to the current record nor jumps.
  auto big = New<FormulaServer>(10000000);
  grid->RowHeight(20);
  grid->CaptionHeight(24);
  grid->VerticalScrollBarMode(Symbol("None"));
  grid->HorizontalScrollBarMode(Symbol("None"));
  grid->resize(600, 24 + 210);
  grid->Use(Usual(big));
  ASSERT_TRUE(grid->Skip(Usual(4999999)));
  ASSERT_EQ(grid->CurrentRow(), 5000000);
  grid->VerticalScroll(kTable::kThumb, grid->VerticalScrollBar()->minimum());
  grid->VerticalScroll(kTable::kScrollEnd);
  ASSERT_EQ(grid->FirstVisibleRecNo(), 1);
  const int window = grid->VisibleRowCount();

  big->moves = 0;
  grid->resize(600, 24 + 110);
  EXPECT_LE(big->moves, 2 * window + 4);
  EXPECT_EQ(grid->FirstVisibleRecNo(), 1);
  EXPECT_EQ(grid->VisibleRowCount(), 6);
  EXPECT_EQ(big->RecNo(), 5000000);
  ExpectConsistent(*grid, *big, "shrunk");

  // The current record in the rows cut off at the bottom: the window follows it.
  grid->resize(600, 24 + 210);
  grid->GoTop();
  grid->Skip(Usual(8));
  ASSERT_EQ(grid->CurrentRecNo(), 9);
  ASSERT_EQ(grid->FirstVisibleRecNo(), 1);
  big->moves = 0;
  grid->resize(600, 24 + 110);
  EXPECT_LE(big->moves, 2 * window + 4);
  EXPECT_TRUE(grid->IsRowVisible(grid->CurrentRow(), 9, false));
  ExpectConsistent(*grid, *big, "shrunk to the current row");
}

TEST_F(GeometryTest, GrowingAtTheEndPullsRecordsInAtTheTop) {
  Bind(100);
  grid->GoBottom();
  const std::int64_t before = grid->FirstVisibleRecNo();
  grid->resize(grid->width(), grid->height() + 100);
  EXPECT_LT(grid->FirstVisibleRecNo(), before);
  EXPECT_FALSE(grid->RowBuffer()[std::size_t(grid->VisibleRowCount() - 3)].empty);
  ExpectConsistent(*grid, *server, "grown");
}

}  // namespace
}  // namespace kt::test
