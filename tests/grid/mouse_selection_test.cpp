// What clicks select: cells with Ctrl and Shift, whole rows from the
// selector, whole columns from captions, the selection a right click keeps
// for its menu, and the drag of a selection.
#include <gtest/gtest.h>

#include "mouse_fixture.h"

namespace kt::test {
namespace {

struct MouseSelectionTest : MouseFixture {
  void SetUp() override {
    Bind(30);
    grid->SelectionMode(Symbol("Multiple"));
    Focus();
  }
  bool Selected(int column, std::int64_t recNo) { return grid->IsCellSelected(column, recNo, recNo); }
};

TEST_F(MouseSelectionTest, ClicksMoveTheColumnCursor) {
  Click(Cell(3, 4));
  EXPECT_EQ(grid->CurrentColumn(), 3);
  EXPECT_EQ(grid->CurrentRow(), 4);
  EXPECT_EQ(owner->Count("CellSelect"), 1);
  Click(Cell(2, 4));
  EXPECT_EQ(grid->CurrentColumn(), 2);
}

TEST_F(MouseSelectionTest, CtrlAddsCellsAndShiftDrawsABlock) {
  Click(Cell(1, 2));
  EXPECT_TRUE(Selected(1, 2));
  // Ctrl moves the cursor and leaves the selection.
  Click(Cell(2, 5), Qt::ControlModifier);
  EXPECT_EQ(server->RecNo(), 5);
  EXPECT_TRUE(Selected(1, 2));
  EXPECT_EQ(grid->SelectionRowCount(), 1);
  // A plain click starts over; Shift then extends from it.
  Click(Cell(1, 2));
  Click(Cell(2, 4), Qt::ShiftModifier);
  for (std::int64_t r = 2; r <= 4; ++r) {
    EXPECT_TRUE(Selected(1, r)) << r;
    EXPECT_TRUE(Selected(2, r)) << r;
    EXPECT_FALSE(Selected(3, r)) << r;
  }
  // A shorter range gives back the cells of the longer one.
  Click(Cell(2, 3), Qt::ShiftModifier);
  EXPECT_FALSE(Selected(1, 4));
  EXPECT_TRUE(Selected(2, 3));
}

TEST_F(MouseSelectionTest, SelectorClicksSelectWholeRows) {
  grid->EnableSelector();
  grid->Recalculate();
  Click(Selector(2));
  EXPECT_TRUE(grid->IsRowSelected(2, 2));
  EXPECT_TRUE(Selected(3, 2));
  Click(Selector(5), Qt::ControlModifier);
  EXPECT_TRUE(grid->IsRowSelected(2, 2)) << "Ctrl adds the row";
  EXPECT_TRUE(grid->IsRowSelected(5, 5));
  Click(Selector(7), Qt::ShiftModifier);
  for (std::int64_t r = 5; r <= 7; ++r) EXPECT_TRUE(grid->IsRowSelected(r, r)) << r;
  Click(Selector(3));
  EXPECT_EQ(grid->SelectionRowCount(), 1) << "a plain click starts over";
  EXPECT_EQ(server->RecNo(), 3);
}

TEST_F(MouseSelectionTest, ACaptionClickTheOwnerLeavesSelectsTheColumn) {
  grid->EnableCaptionClick();
  Click(Caption(2));
  EXPECT_EQ(owner->Count("CaptionClick"), 1);
  EXPECT_EQ(grid->SelectionRowCount(), 30);
  EXPECT_TRUE(Selected(2, 17));
  EXPECT_FALSE(Selected(1, 17));
  Click(Caption(3), Qt::ShiftModifier);
  EXPECT_TRUE(Selected(2, 9));
  EXPECT_TRUE(Selected(3, 9));
  // The owner took it: nothing changes.
  grid->SelectionRemove(Symbol("All"));
  owner->results["CaptionClick"] = Usual(true);
  Click(Caption(1));
  EXPECT_EQ(grid->SelectionRowCount(), 0);
}

TEST_F(MouseSelectionTest, ARightClickOnTheSelectionKeepsIt) {
  grid->EnableSelector();
  grid->Recalculate();
  Click(Selector(2));
  Click(Selector(4), Qt::ControlModifier);
  Click(Cell(2, 2), {}, Qt::RightButton);
  EXPECT_TRUE(grid->IsRowSelected(4, 4));
  EXPECT_EQ(server->RecNo(), 4) << "the cursor stays";
  // Elsewhere it selects the clicked cell as a left click does.
  Click(Cell(2, 6), {}, Qt::RightButton);
  EXPECT_EQ(server->RecNo(), 6);
  EXPECT_FALSE(grid->IsRowSelected(4, 4));
}

TEST_F(MouseSelectionTest, DraggingASelectionHandsItToDragAndDrop) {
  Click(Cell(1, 3));
  auto drag = [&](QPoint from, QPoint to) {
    QTest::mousePress(grid, Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, to, grid->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid, &move);
    QTest::mouseRelease(grid, Qt::LeftButton, {}, to);
  };
  drag(Cell(1, 3), Cell(1, 6));
  EXPECT_FALSE(grid->Handed("Drag 0")) << "drag and drop is off";
  grid->DragDropMode(1);
  drag(Cell(1, 3), Cell(1, 3) + QPoint(1, 0));
  EXPECT_FALSE(grid->Handed("Drag 0")) << "a shaking click is no drag";
  drag(Cell(1, 3), Cell(1, 6));
  EXPECT_TRUE(grid->Handed("Drag 0"));
}

}  // namespace
}  // namespace kt::test
