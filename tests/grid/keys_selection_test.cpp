// What keys do to the selection: the flags of Shift, Ctrl and Space reach
// the selection through cursor moves.
#include "keys_fixture.h"

namespace kt::test {
namespace {

struct KeysSelectionTest : KeysFixture, ::testing::Test {
  void SetUp() override {
    Bind(ServerKind::Array, 20);
    Activate();
  }
  bool Selected(int column, std::int64_t recNo) const { return grid->IsCellSelected(column, recNo, recNo); }
};

TEST_F(KeysSelectionTest, SimpleModeKeepsOnlyTheCurrentCellSelected) {
  struct Step {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
  };
  for (const Step s : {Step{Qt::Key_Down, Qt::NoModifier}, Step{Qt::Key_Right, Qt::ShiftModifier},
                       Step{Qt::Key_Down, Qt::ControlModifier}, Step{Qt::Key_End, Qt::NoModifier},
                       Step{Qt::Key_Space, Qt::ControlModifier}, Step{Qt::Key_PageDown, Qt::ShiftModifier}}) {
    Press(s.key, s.modifiers);
    EXPECT_EQ(grid->SelectionRowCount(), 1);
    EXPECT_TRUE(Selected(grid->CurrentColumn(), grid->CurrentRecNo()));
  }
}

TEST_F(KeysSelectionTest, ShiftExtendsABlockAndAShorterRangeShrinksIt) {
  grid->SelectionMode(Symbol("Multiple"));
  Press(Qt::Key_Down, Qt::ShiftModifier);
  Press(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(grid->SelectionRowCount(), 3);
  for (std::int64_t r = 1; r <= 3; ++r) EXPECT_TRUE(Selected(1, r)) << r;
  Press(Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_EQ(grid->SelectionRowCount(), 2);
  EXPECT_FALSE(Selected(1, 3));
  Press(Qt::Key_Right, Qt::ShiftModifier);
  for (std::int64_t r = 1; r <= 2; ++r) {
    EXPECT_TRUE(Selected(1, r)) << r;
    EXPECT_TRUE(Selected(2, r)) << r;
    EXPECT_FALSE(Selected(3, r)) << r;
  }
}

TEST_F(KeysSelectionTest, CtrlMovesWithoutSelectingAndCtrlSpaceToggles) {
  grid->SelectionMode(Symbol("Multiple"));
  Press(Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(grid->CurrentRecNo(), 2);
  EXPECT_TRUE(Selected(1, 1));
  EXPECT_FALSE(Selected(1, 2));
  Press(Qt::Key_Space, Qt::ControlModifier);
  EXPECT_TRUE(Selected(1, 2));
  EXPECT_TRUE(Selected(1, 1));
  Press(Qt::Key_Space, Qt::ControlModifier);
  EXPECT_FALSE(Selected(1, 2));
  // A plain move selects the new cell alone again.
  Press(Qt::Key_Down);
  EXPECT_EQ(grid->SelectionRowCount(), 1);
  EXPECT_TRUE(Selected(1, 3));
}

TEST_F(KeysSelectionTest, TabSelectsTheCellItMovesTo) {
  grid->SelectionMode(Symbol("Multiple"));
  grid->TabKeyMode(Symbol("MoveToSelectableCell"));
  Press(Qt::Key_Tab);
  EXPECT_EQ(grid->CurrentColumn(), 2);
  EXPECT_TRUE(Selected(2, 1));
  EXPECT_FALSE(Selected(1, 1));
}

}  // namespace
}  // namespace kt::test
