// kTable painting: pixel probes of cell colours and grid lines, and a paint
// that reads nothing from the server.
#include <gtest/gtest.h>

#include <QImage>
#include <memory>

#include "columns/conditions.h"
#include "grid_fixture.h"
#include "platform/gui/brush.h"
#include "support/kitemlist.h"

namespace kt::test {
namespace {

// A grid whose focus the test decides.
class ProbeGrid : public kTable {
 public:
  using kTable::kTable;
  bool active = false;
  bool IsActive() const override { return active; }
};

struct RenderTest : ::testing::Test {
  ScopedRuntime runtime;
  std::unique_ptr<OwnerWindow> owner = ShownOwner();
  ProbeGrid* grid = new ProbeGrid(owner.get());
  Ref<CountingServer> server;

  // Columns ID, NAME, AGE of 100 px, rows of 20 px under a 24 px caption.
  void Bind(int records = 50, int gridStyle = 1) {
    grid->show();
    grid->DataView()->Grid(New<kGrid>(Usual(gridStyle)));
    grid->RowHeight(20);
    grid->CaptionHeight(24);
    grid->VerticalScrollBarMode(Symbol("None"));
    grid->HorizontalScrollBarMode(Symbol("None"));
    grid->resize(400, 24 + 200);
    server = New<CountingServer>(SmallStruct(), Usual(SmallData(records)));
    ASSERT_TRUE(grid->Use(Usual(server), Usual(Array{"ID", "NAME", "AGE"})));
    for (const auto& c : grid->ColumnList()) c->Width(100);
    grid->Recalculate();
  }
  QImage Paint() {
    QImage image(grid->size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    grid->render(&image);
    return image;
  }
  // A point inside row `row` (1-based on screen) of column `column`, clear
  // of the short texts at either side.
  static QPoint In(int column, int row) { return {column * 100 - 50, 24 + (row - 1) * 20 + 10}; }
  static QColor At(const QImage& image, QPoint p) { return image.pixelColor(p); }
};

TEST_F(RenderTest, PaintingReadsNothingFromTheServer) {
  Bind();
  server->GoTo(3);
  grid->EnableSelector();
  grid->FooterHeight(20);
  grid->Recalculate();
  server->ResetCounts();
  const QImage image = Paint();
  EXPECT_EQ(server->reads, 0);
  EXPECT_EQ(server->moves, 0);
  // Nothing is left unpainted.
  for (int y = 0; y < image.height(); y += 7)
    for (int x = 0; x < image.width(); x += 7) ASSERT_NE(image.pixelColor(x, y), QColor(Qt::magenta)) << x << "," << y;
}

TEST_F(RenderTest, CellColoursByState) {
  Bind();
  const QColor red(255, 0, 0), green(0, 160, 0), yellow(255, 255, 0), blue(0, 0, 255);
  // Grid condition: record 5 gets a red background; column condition: AGE
  // of record 6 green.
  grid->ColorCondition()->Add(Usual(New<kColorCondition>("Server:ID == 5", Usual(server), NIL, Usual(New<Brush>(Color(255, 0, 0))))));
  grid->GetColumn("AGE")->ColorCondition()->Add(
      Usual(New<kColorCondition>("Server:ID == 6", Usual(server), NIL, Usual(New<Brush>(Color(0, 160, 0))))));
  server->GoTo(2);
  grid->Refresh(Usual(Symbol("RefreshBuffer")));
  ASSERT_EQ(grid->CurrentRow(), 2);
  ASSERT_EQ(grid->CurrentColumn(), 1);

  QImage image = Paint();
  EXPECT_EQ(At(image, In(1, 2)), SysQColor(syscolor::Highlight)) << "current cell, selected";
  EXPECT_EQ(At(image, In(2, 2)), SysQColor(syscolor::Window)) << "rest of the current row";
  EXPECT_EQ(At(image, In(2, 5)), red) << "grid condition colours the row";
  EXPECT_EQ(At(image, In(3, 5)), red);
  EXPECT_EQ(At(image, In(3, 6)), green) << "column condition";
  EXPECT_EQ(At(image, In(2, 6)), SysQColor(syscolor::Window));

  grid->CurrentBackground(New<Color>(255, 255, 0));
  grid->SelectedBackground(New<Color>(0, 0, 255));
  image = Paint();
  EXPECT_EQ(At(image, In(1, 2)), yellow) << "CurrentBackground marks the selected current cell";

  // Inactive selection display: an inactive grid shows the button face.
  grid->CurrentBackground(nullptr);
  grid->EnableInactiveSelection();
  image = Paint();
  EXPECT_EQ(At(image, In(1, 2)), SysQColor(syscolor::BtnFace));
  grid->active = true;
  image = Paint();
  EXPECT_EQ(At(image, In(1, 2)), blue) << "active: SelectedBackground";
}

TEST_F(RenderTest, DeletedRowsAndDisabledWindowUseGreyText) {
  runtime->deleted = false;
  Bind(10);
  server->GoTo(4);
  server->Delete(Usual(false));
  grid->DeletedForeground(New<Color>(255, 0, 0));
  server->GoTo(1);
  grid->Refresh(Usual(Symbol("RefreshBuffer")));
  ASSERT_TRUE(grid->RowBuffer()[3].deleted);
  // The ink of the text "N<row>" in the NAME column, judged by its
  // strongest pixels (the glyph edges are blended with the background).
  struct Ink {
    int redness = 0, darkest = 255;
  };
  auto inkOf = [&](const QImage& image, int row) {
    Ink ink;
    for (int y = 24 + (row - 1) * 20 + 1; y < 24 + row * 20 - 1; ++y)
      for (int x = 101; x < 140; ++x) {
        const QColor c = image.pixelColor(x, y);
        ink.redness = std::max(ink.redness, c.red() - std::max(c.green(), c.blue()));
        ink.darkest = std::min(ink.darkest, c.lightness());
      }
    return ink;
  };
  QImage image = Paint();
  EXPECT_GT(inkOf(image, 4).redness, 150) << "DeletedForeground";
  EXPECT_EQ(inkOf(image, 3).redness, 0);
  EXPECT_LT(inkOf(image, 3).darkest, 60) << "window text";
  grid->DeletedForeground(nullptr);
  image = Paint();
  EXPECT_GE(inkOf(image, 4).darkest, SysQColor(syscolor::GrayText).lightness() - 4) << "grey without DeletedForeground";
  grid->setEnabled(false);
  image = Paint();
  EXPECT_GE(inkOf(image, 3).darkest, SysQColor(syscolor::GrayText).lightness() - 4) << "disabled window";
}

TEST_F(RenderTest, GridLinesOfEveryStyle) {
  const QColor ink(200, 0, 0);
  struct Case {
    int style;
    bool vertical, horizontal;
  } cases[] = {{0, false, false}, {1, true, true}, {2, false, true}, {3, true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.style);
    Bind(50, c.style);
    grid->Grid()->Foreground(New<Color>(200, 0, 0));
    const QImage image = Paint();
    // Lines sit on the last pixel column and row of each cell and are
    // shared with the neighbours (overlapped rectangles).
    EXPECT_EQ(At(image, {99, 24 + 10}) == ink, c.vertical);
    EXPECT_EQ(At(image, {199, 24 + 50}) == ink, c.vertical);
    EXPECT_NE(At(image, {98, 24 + 10}), ink);
    EXPECT_NE(At(image, {100, 24 + 10}), ink);
    EXPECT_EQ(At(image, {150, 24 + 19}) == ink, c.horizontal);
    EXPECT_EQ(At(image, {150, 24 + 39}) == ink, c.horizontal);
    EXPECT_NE(At(image, {150, 24 + 18}), ink);
    EXPECT_NE(At(image, {150, 24 + 20}), ink);
  }
  // Without shared lines each cell has its own on every side: two lines
  // between neighbours, and the first column and row have theirs too.
  for (const Case& c : cases) {
    SCOPED_TRACE("not overlapped, style " + std::to_string(c.style));
    Bind(50, c.style);
    grid->Grid()->Foreground(New<Color>(200, 0, 0));
    grid->Grid()->Overlapped(false);
    const QImage image = Paint();
    for (int x : {0, 99, 100, 199, 200}) EXPECT_EQ(At(image, {x, 24 + 10}) == ink, c.vertical) << x;
    for (int x : {1, 98, 101}) EXPECT_NE(At(image, {x, 24 + 10}), ink) << x;
    for (int y : {24, 24 + 19, 24 + 20, 24 + 39}) EXPECT_EQ(At(image, {150, y}) == ink, c.horizontal) << y;
    for (int y : {24 + 1, 24 + 18, 24 + 21}) EXPECT_NE(At(image, {150, y}), ink) << y;
  }
  // Style 4: every cell a raised button, light top-left, dark bottom-right.
  Bind(50, 4);
  const QImage image = Paint();
  const QColor light = At(image, {101, 24 + 20}), dark = At(image, {199, 24 + 20 + 18});
  EXPECT_GT(light.lightness(), SysQColor(syscolor::BtnFace).lightness());
  EXPECT_LT(dark.lightness(), SysQColor(syscolor::BtnFace).lightness());
  EXPECT_EQ(At(image, In(2, 4)), SysQColor(syscolor::BtnFace)) << "style 4 cells on the button face";
}

// The widget paints opaquely: whatever a paint leaves out keeps the pixels
// of the previous one. Every pixel must be painted, for every line style
// with and without shared lines, and with lines in the empty area.
TEST_F(RenderTest, EveryPixelIsPaintedInEveryGridStyle) {
  for (int style = 0; style <= 4; ++style)
    for (bool flip : {false, true})
      for (bool emptyArea : {false, true}) {
        SCOPED_TRACE("style " + std::to_string(style) + (flip ? " flipped" : "") + (emptyArea ? " empty area" : ""));
        Bind(5, style);
        const Ref<kGrid>& g = grid->Grid();
        if (flip) g->Overlapped(!g->Overlapped());
        grid->EnableSelector();
        grid->FooterHeight(20);
        grid->GridInEmptyArea(emptyArea);
        grid->Recalculate();
        grid->Refresh(Usual(Symbol("RefreshBuffer")));
        server->GoTo(2);
        const QImage image = Paint();
        int left = 0;
        QPoint first;
        for (int y = 0; y < image.height(); ++y)
          for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == QColor(Qt::magenta) && left++ == 0) first = {x, y};
        EXPECT_EQ(left, 0) << "first unpainted pixel at " << first.x() << "," << first.y();
      }
}

TEST_F(RenderTest, BackgroundListCyclesAndReachesTheEmptyAreaOnRequest) {
  Bind(3);
  grid->DataView()->Background(New<Brush>(Color(255, 255, 0)));
  const Ref<kItemList>& list = grid->Grid()->BackgroundList();
  const QColor a(255, 0, 0), b(0, 255, 0), c(0, 0, 255);
  for (const QColor& q : {a, b, c}) list->Add(Usual(New<Brush>(Color(q.red(), q.green(), q.blue()))));
  // The data view's own background would win over the list.
  grid->DataView()->Background(nullptr);
  grid->Refresh(Usual(Symbol("RefreshBuffer")));
  QImage image = Paint();
  EXPECT_EQ(At(image, In(2, 1)), a);
  EXPECT_EQ(At(image, In(2, 2)), b);
  EXPECT_EQ(At(image, In(2, 3)), c);
  EXPECT_EQ(At(image, In(2, 4)), SysQColor(syscolor::Window)) << "below the last record";
  EXPECT_EQ(At(image, {350, 24 + 10}), SysQColor(syscolor::Window)) << "right of the last column";

  grid->GridInEmptyArea(true);
  grid->Refresh(Usual(Symbol("RefreshBuffer")));
  image = Paint();
  EXPECT_EQ(At(image, In(2, 4)), a) << "row 4 takes entry 1";
  EXPECT_EQ(At(image, In(2, 5)), b);
  EXPECT_EQ(At(image, {350, 24 + 10}), SysQColor(syscolor::Window)) << "still background right of the columns";
}

TEST_F(RenderTest, FocusRectangleOnlyWithKeyboardFocus) {
  Bind();
  server->GoTo(2);
  // The dotted frame runs along the inside of the current cell.
  const QPoint corner(0, 24 + 20);
  grid->active = false;
  EXPECT_EQ(At(Paint(), corner), SysQColor(syscolor::Highlight));
  grid->active = true;
  EXPECT_EQ(At(Paint(), corner), SysQColor(syscolor::WindowText));
}

}  // namespace
}  // namespace kt::test
