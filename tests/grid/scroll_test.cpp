// kTable scrolling: scroll-bar values, line, page and thumb requests, pixel
// shifting that paints only the uncovered strip, columns, and the wheel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPaintEvent>
#include <QScrollBar>
#include <functional>
#include <memory>

#include "grid_fixture.h"
#include "platform/runtime/compiler/macro.h"
#include "platform/gui/brush.h"
#include "support/kitemlist.h"

namespace kt::test {
namespace {

// Remembers what each paint covered.
class RecordingGrid : public kTable {
 public:
  using kTable::kTable;
  QRegion painted;
  int paints = 0;

 protected:
  void paintEvent(QPaintEvent* e) override {
    painted += e->region();
    ++paints;
    kTable::paintEvent(e);
  }
};

struct ScrollTest : ::testing::Test {
  ScopedRuntime runtime;
  std::unique_ptr<OwnerWindow> owner = ShownOwner();
  RecordingGrid* grid = new RecordingGrid(owner.get());

  // Rows of 20 px, a data area of 200 px (10 full rows and a partial one),
  // columns of 100 px.
  void Bind(const Ref<DataServer>& server, Array columns = Array{"ID", "NAME"}, int width = 400) {
    grid->show();
    grid->RowHeight(20);
    grid->CaptionHeight(24);
    grid->VerticalScrollBarMode(Symbol("None"));
    grid->HorizontalScrollBarMode(Symbol("None"));
    grid->resize(width, 24 + 210);
    ASSERT_TRUE(grid->Use(Usual(server), Usual(columns)));
    for (const auto& c : grid->ColumnList()) c->Width(100);
    grid->Recalculate();
    Settle();
  }
  void Settle() {
    QApplication::processEvents();
    grid->painted = QRegion();
    grid->paints = 0;
  }
};

TEST_F(ScrollTest, LineScrollShiftsPixelsAndPaintsOneRow) {
  auto server = New<CountingServer>(SmallStruct(), Usual(SmallData(100)));
  Bind(server);
  ASSERT_EQ(grid->VisibleRowCount(), 11);
  const GridRect data = grid->DataRect();

  server->ResetCounts();
  grid->VerticalScroll(kTable::kLineForward);
  grid->VerticalScroll(kTable::kScrollEnd);
  EXPECT_EQ(grid->FirstVisibleRecNo(), 2);
  EXPECT_EQ(server->RecNo(), 1) << "scrolling leaves the current record";
  QApplication::processEvents();
  ASSERT_GT(grid->paints, 0);
  EXPECT_EQ(grid->painted.boundingRect(), QRect(data.left, data.bottom - 20, data.Width(), 20)) << "the strip at the bottom";
  ExpectConsistent(*grid, *server, "after line down");

  Settle();
  grid->VerticalScroll(kTable::kLineBackward);
  EXPECT_EQ(grid->FirstVisibleRecNo(), 1);
  QApplication::processEvents();
  EXPECT_EQ(grid->painted.boundingRect(), QRect(data.left, data.top, data.Width(), 20)) << "the strip at the top";

  // Rows coloured by position cannot be shifted: the data area is repainted.
  grid->Grid()->BackgroundList()->Add(Usual(New<Brush>(Color(240, 240, 255))));
  Settle();
  grid->VerticalScroll(kTable::kLineForward);
  QApplication::processEvents();
  EXPECT_EQ(grid->painted.boundingRect().height(), data.Height());
}

TEST_F(ScrollTest, RequestsPastTheEndsChangeNothing) {
  auto server = New<CountingServer>(SmallStruct(), Usual(SmallData(100)));
  Bind(server);
  grid->VerticalScroll(kTable::kLineBackward);
  grid->VerticalScroll(kTable::kPageBackward);
  EXPECT_EQ(grid->FirstVisibleRecNo(), 1);
  QApplication::processEvents();
  EXPECT_TRUE(grid->painted.isEmpty()) << "nothing to repaint";

  // At the end: the last record in the last but one row; a line down with
  // the empty row visible does nothing.
  grid->VerticalScroll(kTable::kThumb, grid->VerticalScrollBar()->maximum());
  EXPECT_EQ(grid->FirstVisibleRecNo(), 91);
  EXPECT_EQ(grid->RowBuffer()[9].recNo, 100);
  EXPECT_TRUE(grid->RowBuffer()[10].empty);
  grid->VerticalScroll(kTable::kLineForward);
  grid->VerticalScroll(kTable::kPageForward);
  EXPECT_EQ(grid->FirstVisibleRecNo(), 91);
  ExpectConsistent(*grid, *server, "at the end");
}

TEST_F(ScrollTest, PagesKeepTheWindowFull) {
  auto server = New<CountingServer>(SmallStruct(), Usual(SmallData(25)));
  Bind(server);
  grid->VerticalScroll(kTable::kPageForward);
  EXPECT_EQ(grid->FirstVisibleRecNo(), 11);
  grid->VerticalScroll(kTable::kPageForward);
  // 10 more would leave blank rows: the end placement instead.
  EXPECT_EQ(grid->FirstVisibleRecNo(), 16);
  EXPECT_EQ(grid->RowBuffer()[9].recNo, 25);
  grid->VerticalScroll(kTable::kPageBackward);
  EXPECT_EQ(grid->FirstVisibleRecNo(), 6);
  grid->VerticalScroll(kTable::kPageBackward);
  EXPECT_EQ(grid->FirstVisibleRecNo(), 1);
  ExpectConsistent(*grid, *server, "after pages");
}

TEST_F(ScrollTest, LargeTablesScaleTheBarAndTheThumbReachesTheEnd) {
  auto server = New<FormulaServer>(200000);
  Bind(server);
  QScrollBar* bar = grid->VerticalScrollBar();
  EXPECT_EQ(grid->VerticalScale(), 4);
  EXPECT_EQ(bar->maximum() + bar->pageStep() - 1, 50000);
  grid->VerticalScroll(kTable::kThumb, bar->maximum());
  grid->VerticalScroll(kTable::kScrollEnd);
  const auto& rows = grid->RowBuffer();
  EXPECT_EQ(rows[rows.size() - 2].recNo, 200000) << "last record in the last but one row";
  EXPECT_TRUE(rows.back().empty);
  EXPECT_EQ(bar->value(), bar->maximum());

  grid->VerticalScroll(kTable::kThumb, 25000);
  EXPECT_EQ(grid->FirstVisibleRowNo(), 100000);
  EXPECT_EQ(bar->value(), 25000);
  grid->VerticalScroll(kTable::kThumb, bar->minimum());
  EXPECT_EQ(grid->FirstVisibleRecNo(), 1);
  ExpectConsistent(*grid, *server, "thumb at the top");
}

TEST_F(ScrollTest, AbsoluteRowModeThumbTakesThreePlaces) {
  auto server = New<FormulaServer>(1000);
  Bind(server);
  grid->RowMode(Symbol("Absolute"));
  QScrollBar* bar = grid->VerticalScrollBar();
  EXPECT_EQ(bar->value(), 1);
  grid->VerticalScroll(kTable::kThumb, 400);
  grid->VerticalScroll(kTable::kScrollEnd);
  EXPECT_GT(grid->FirstVisibleRecNo(), 1);
  EXPECT_EQ(bar->value(), 500) << "the middle";
  grid->VerticalScroll(kTable::kThumb, bar->maximum());
  grid->VerticalScroll(kTable::kScrollEnd);
  EXPECT_EQ(grid->RowBuffer()[grid->RowBuffer().size() - 2].recNo, 1000);
  EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(ScrollTest, ThumbUnderFilterAndOrderLandsWhereTheBarPoints) {
  // Even records pass the filter; row numbers are key positions in the
  // order, which counts every record.
  auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(1000)));
  ASSERT_TRUE(server->CreateOrder("Server:ID"));
  ASSERT_TRUE(server->SetFilter("Server:ID % 2 = 0"));
  server->GoTop();
  Bind(server);
  ASSERT_EQ(grid->FirstVisibleRecNo(), 2);
  QScrollBar* bar = grid->VerticalScrollBar();
  for (int target : {100, 300, 499, 500, 700, 900}) {
    SCOPED_TRACE(target);
    grid->VerticalScroll(kTable::kThumb, target);
    grid->VerticalScroll(kTable::kScrollEnd);
    EXPECT_NEAR(double(grid->FirstVisibleRowNo()), double(target), 1.0);
    EXPECT_FALSE(grid->EmptyRowsVisible());
    EXPECT_EQ(server->RecNo(), 2) << "scrolling leaves the current record";
    ExpectConsistent(*grid, *server, "after the thumb");
  }
  grid->VerticalScroll(kTable::kThumb, bar->maximum());
  grid->VerticalScroll(kTable::kScrollEnd);
  const auto& rows = grid->RowBuffer();
  EXPECT_EQ(rows[rows.size() - 2].recNo, 1000) << "last record in the last but one row";
  EXPECT_TRUE(rows.back().empty);
  grid->VerticalScroll(kTable::kThumb, bar->minimum());
  grid->VerticalScroll(kTable::kScrollEnd);
  EXPECT_EQ(grid->FirstVisibleRecNo(), 2);
  ExpectConsistent(*grid, *server, "back at the top");
}

TEST_F(ScrollTest, StableRowsStayWhileRowsThatComeIntoViewAreRead) {
  // A key changed with #Stable: until the next move the changed record keeps
  // its row, the window still moves, and every row that comes into view
  // shows the record that belongs there.
  struct Case {
    const char* name;
    std::function<void(RecordingGrid&)> act;
    std::int64_t first;  // first visible record afterwards
    int rows;            // rows in view afterwards
  } cases[] = {
      {"line down", [](RecordingGrid& g) { g.VerticalScroll(kTable::kLineForward); }, 42, 11},
      {"line up", [](RecordingGrid& g) { g.VerticalScroll(kTable::kLineBackward); }, 40, 11},
      {"wheel down", [](RecordingGrid& g) { g.WheelScroll(-1, false); }, 42, 11},
      {"page down", [](RecordingGrid& g) { g.VerticalScroll(kTable::kPageForward); }, 52, 11},
      // Row 70 is record 71: record 45 moved to the end of the order.
      {"thumb", [](RecordingGrid& g) { g.VerticalScroll(kTable::kThumb, 70); }, 71, 11},
      {"first visible record", [](RecordingGrid& g) { g.FirstVisibleRecNo(70); }, 70, 11},
      {"taller window", [](RecordingGrid& g) { g.resize(g.width(), g.height() + 60); }, 41, 14},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(100)));
    ASSERT_TRUE(server->CreateOrder("Server:ID"));
    server->GoTop();
    Bind(server);
    grid->FieldChangeMode(Symbol("Stable"));
    grid->FirstVisibleRecNo(41);
    server->GoTo(45);
    server->FieldPut("ID", 1000);
    ASSERT_EQ(grid->PendingChanges(), 1);

    c.act(*grid);
    grid->VerticalScroll(kTable::kScrollEnd);
    EXPECT_EQ(grid->PendingChanges(), 1) << "scrolling is not a move";
    EXPECT_EQ(grid->FirstVisibleRecNo(), c.first);
    const auto& rows = grid->RowBuffer();
    ASSERT_EQ(int(rows.size()), c.rows);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      SCOPED_TRACE("row " + std::to_string(i + 1));
      EXPECT_FALSE(rows[i].empty);
      EXPECT_EQ(rows[i].recNo, c.first + std::int64_t(i));
      const Cell* id = grid->BufferedCell(1, int(i + 1));
      ASSERT_NE(id, nullptr);
      EXPECT_EQ(id->value.AsInteger(), rows[i].recNo == 45 ? 1000 : rows[i].recNo);
    }
    // The next move brings the order back.
    grid->Skip();
    EXPECT_EQ(grid->PendingChanges(), 0);
    ExpectConsistent(*grid, *server, "after the move");
  }
}

TEST_F(ScrollTest, StableRecordAtTheWindowEdgeKeepsItsNeighbours) {
  // The changed record sits in the row at the edge the window moves from:
  // the row that scrolls in is its neighbour as the window shows it, not in
  // the order the server has now.
  struct Case {
    const char* name;
    std::int64_t changed;
    int kind;
    std::int64_t first;  // first visible record after one and two lines
  } cases[] = {
      // GoTo(51) moves the window to 42..52; a line up makes 51 the last row.
      {"changed last row, line down", 51, kTable::kLineForward, 42},
      {"changed first row, line up", 41, kTable::kLineBackward, 40},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(100)));
    ASSERT_TRUE(server->CreateOrder("Server:ID"));
    server->GoTop();
    Bind(server);
    grid->FieldChangeMode(Symbol("Stable"));
    grid->FirstVisibleRecNo(41);
    ASSERT_EQ(grid->RowBuffer().back().recNo, 51);
    server->GoTo(c.changed);
    server->FieldPut("ID", 1000);
    ASSERT_EQ(grid->PendingChanges(), 1);
    if (c.changed == 51) {
      grid->VerticalScroll(kTable::kLineBackward);
      ASSERT_EQ(grid->FirstVisibleRecNo(), 41);
      ASSERT_EQ(grid->RowBuffer().back().recNo, 51);
    }
    const int step = c.kind == kTable::kLineForward ? 1 : -1;
    for (int lines = 1; lines <= 2; ++lines) {
      SCOPED_TRACE(lines);
      grid->VerticalScroll(c.kind);
      grid->VerticalScroll(kTable::kScrollEnd);
      const std::int64_t first = c.first + step * (lines - 1);
      EXPECT_EQ(grid->FirstVisibleRecNo(), first);
      EXPECT_FALSE(grid->EmptyRowsVisible()) << "records 52.. exist";
      const auto& rows = grid->RowBuffer();
      std::string seen;
      for (const auto& r : rows) seen += std::to_string(r.recNo) + (r.empty ? "e " : " ");
      SCOPED_TRACE(seen);
      for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].recNo, first + std::int64_t(i)) << "row " << i + 1;
    }
  }
}

TEST_F(ScrollTest, ThumbUnderAnOrderWithRecordsHiddenWithoutAFilterText) {
  // Row numbers are key positions that count every record; the odd records
  // are hidden by a filter given as a code block, or as hidden deletions.
  for (int how = 0; how < 2; ++how) {
    SCOPED_TRACE(how == 0 ? "code block filter" : "hidden deletions");
    auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(1000)), Usual(2));
    ASSERT_TRUE(server->CreateOrder("Server:ID"));
    if (how == 0) {
      ASSERT_TRUE(server->SetFilter(Usual(CompileCodeblock("{|Server| Server:ID % 2 = 0}"))));
    } else {
      server->SuspendNotification();
      for (int r = 1; r <= 1000; r += 2) {
        server->GoTo(r);
        server->Delete();
      }
      server->ResetNotification();
    }
    server->GoTop();
    Bind(server);
    ASSERT_EQ(grid->FirstVisibleRecNo(), 2);
    for (int target : {300, 499, 700}) {
      SCOPED_TRACE(target);
      grid->VerticalScroll(kTable::kThumb, target);
      grid->VerticalScroll(kTable::kScrollEnd);
      EXPECT_NEAR(double(grid->FirstVisibleRowNo()), double(target), 1.0);
      EXPECT_FALSE(grid->EmptyRowsVisible());
      EXPECT_EQ(server->RecNo(), 2);
      ExpectConsistent(*grid, *server, "after the thumb");
    }
  }
}

TEST_F(ScrollTest, ThumbNearTheEndKeepsTheLastPageFull) {
  struct Case {
    const char* name;
    bool order;
    const char* filter;
  } cases[] = {
      {"filter without order", false, "Server:ID % 2 = 0"},
      {"sparse filter, order by another field", true, "Server:ID % 10 = 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(1000)));
    if (c.order) {
      ASSERT_TRUE(server->CreateOrder("Server:AGE"));
    }
    ASSERT_TRUE(server->SetFilter(c.filter));
    server->GoTop();
    Bind(server);
    const std::int64_t start = server->RecNo();
    for (int target : {50, 500, 990}) {
      SCOPED_TRACE(target);
      grid->VerticalScroll(kTable::kThumb, target);
      grid->VerticalScroll(kTable::kScrollEnd);
      // At most the part row below the last record stays empty.
      std::string seen;
      int empty = 0;
      for (const auto& r : grid->RowBuffer()) {
        seen += std::to_string(r.recNo) + (r.empty ? "e " : " ");
        empty += r.empty ? 1 : 0;
      }
      EXPECT_LE(empty, 1) << "a part page followed by empty rows: " << seen;
      EXPECT_EQ(server->RecNo(), start);
      ExpectConsistent(*grid, *server, "after the thumb");
    }
  }
}

TEST_F(ScrollTest, ColumnsScrollAndFrozenColumnsStay) {
  auto server = New<CountingServer>(SmallStruct(), Usual(SmallData(30)));
  // Five columns of 100 px in a 300 px wide grid, the first frozen.
  Bind(server, Array{"ID", "NAME", "AGE", "NAME", "ID"}, 300);
  grid->Freeze(1);
  Settle();
  ASSERT_EQ(grid->FirstVisibleColumn(), 2);
  ASSERT_EQ(grid->LastVisibleColumn(), 3);

  grid->HorizontalScroll(kTable::kLineForward);
  EXPECT_EQ(grid->FirstVisibleColumn(), 3);
  EXPECT_EQ(grid->LastVisibleColumn(), 4);
  ExpectConsistent(*grid, *server, "one column right");
  QApplication::processEvents();
  EXPECT_EQ(grid->painted.boundingRect().left(), 200) << "only the column that came in";

  // The last column was fully visible: the page starts after it.
  grid->HorizontalScroll(kTable::kPageForward);
  EXPECT_EQ(grid->FirstVisibleColumn(), 5);
  EXPECT_EQ(grid->LastVisibleColumn(), 5);
  grid->HorizontalScroll(kTable::kLineForward);
  EXPECT_EQ(grid->FirstVisibleColumn(), 5) << "nothing more to the right";
  ExpectConsistent(*grid, *server, "at the right end");

  grid->HorizontalScroll(kTable::kThumb, 0);
  EXPECT_EQ(grid->FirstVisibleColumn(), 2);
  grid->SetLastColumn(5);
  EXPECT_EQ(grid->FirstVisibleColumn(), 4);
  grid->HorizontalScroll(kTable::kPageBackward);
  EXPECT_EQ(grid->FirstVisibleColumn(), 2);
  ExpectConsistent(*grid, *server, "back at the left");
}

TEST_F(ScrollTest, WheelStepsByUnitSizeAndPagesWithShift) {
  auto server = New<CountingServer>(SmallStruct(), Usual(SmallData(100)));
  Bind(server);
  grid->WheelScroll(-1, false);
  EXPECT_EQ(grid->FirstVisibleRecNo(), 2);
  grid->PropertyPut(Symbol("MouseWheelUnitSize"), Usual(3));
  grid->WheelScroll(-1, false);
  EXPECT_EQ(grid->FirstVisibleRecNo(), 5);
  grid->WheelScroll(1, false);
  EXPECT_EQ(grid->FirstVisibleRecNo(), 2);
  grid->WheelScroll(-1, true);
  EXPECT_EQ(grid->FirstVisibleRecNo(), 12);
  EXPECT_EQ(server->RecNo(), 1) << "the current record stays";
}

}  // namespace
}  // namespace kt::test
