// The grid's Tab key policy inside a dialog: Tab and Shift+Tab walk the
// cells of a row, leave for the neighbouring controls at the row's ends and
// come back one row further; AutoSkip wraps rows when the grid is the only
// tab stop; #MoveToControl leaves at once unless Tab is bound.
#include <QScrollBar>

#include "grid/key_command.h"
#include "keys_fixture.h"

namespace kt::test {
namespace {

struct TabTest : KeysFixture, ::testing::TestWithParam<ServerKind> {
  // Which widget has the focus, as a name for the steps below.
  std::string Focus() const {
    QWidget* f = QApplication::focusWidget();
    if (f == grid) return "grid";
    if (f == before) return "before";
    if (f == after) return "after";
    if (f == ok) return "ok";
    return f ? "other" : "none";
  }
  struct Step {
    Qt::Key key;
    const char* focus;
    int column;
    std::int64_t recNo;
  };
  void Walk(const std::vector<Step>& steps) {
    int n = 0;
    for (const Step& s : steps) {
      SCOPED_TRACE("step " + std::to_string(++n));
      Press(s.key);
      EXPECT_EQ(Focus(), s.focus);
      EXPECT_EQ(grid->CurrentColumn(), s.column);
      EXPECT_EQ(grid->CurrentRecNo(), s.recNo);
      EXPECT_EQ(server->RecNo(), s.recNo);
    }
  }
};

constexpr Qt::Key Tab = Qt::Key_Tab, Back = Qt::Key_Backtab;

TEST_P(TabTest, SelectableCellsThenTheNextControlAndBackIntoTheNextRow) {
  Bind(GetParam());
  grid->TabKeyMode(Symbol("MoveToSelectableCell"));
  for (bool autoSkip : {false, true}) {
    SCOPED_TRACE(autoSkip ? "AutoSkip" : "no AutoSkip");
    grid->AutoSkip(autoSkip);  // other tab stops exist: it changes nothing
    Activate();
    Place(1, 1);
    owner->calls.clear();
    Walk({{Tab, "grid", 2, 1},
          {Tab, "grid", 3, 1},
          {Tab, "after", 3, 1},
          {Tab, "ok", 3, 1},
          {Tab, "before", 3, 1},
          {Tab, "grid", 1, 2},  // re-entry in the next row
          {Back, "before", 1, 2},
          {Back, "ok", 1, 2},
          {Back, "after", 1, 2},
          {Back, "grid", 3, 1},  // backwards: the end of the previous row
          {Back, "grid", 2, 1}});
    EXPECT_GE(owner->Count("CellSelect"), 4);
    EXPECT_EQ(grid->TabExitFlags(), 0);
    ExpectConsistent(*grid, *server, "after the walk");
  }
}

TEST_P(TabTest, EditableCellsSkipReadOnlyColumns) {
  Bind(GetParam());
  grid->TabKeyMode(Symbol("MoveToEditableCell"));
  for (const auto& c : grid->ColumnOpenList()) c->Editable(true);
  grid->ColumnOpenList()[1]->Editable(false);
  Activate();
  Place(1, 1);
  Walk({{Tab, "grid", 3, 1},
        {Tab, "after", 3, 1},
        {Back, "grid", 3, 1},  // came back the other way: no move
        {Back, "grid", 1, 1},
        {Back, "before", 1, 1},
        {Tab, "grid", 1, 1},  // came back the other way again
        {Tab, "grid", 3, 1},
        {Tab, "after", 3, 1},
        {Tab, "ok", 3, 1},
        {Tab, "before", 3, 1},
        {Tab, "grid", 1, 2}});
}

TEST_P(TabTest, MoveToControlLeavesAtOnce) {
  Bind(GetParam());
  grid->AutoSkip(true);
  Activate();
  Place(3, 2);
  Walk({{Tab, "after", 2, 3}, {Tab, "ok", 2, 3}, {Tab, "before", 2, 3}, {Tab, "grid", 2, 3}, {Back, "before", 2, 3}});
  EXPECT_EQ(grid->TabExitFlags(), 0);
  // Any other symbol is #MoveToControl.
  grid->TabKeyMode(Symbol("Elsewhere"));
  grid->setFocus();
  Walk({{Tab, "after", 2, 3}});
}

TEST_P(TabTest, AutoSkipWrapsRowsWhenTheGridIsTheOnlyTabStop) {
  Bind(GetParam(), 3);
  for (QWidget* w : {static_cast<QWidget*>(before), static_cast<QWidget*>(after), static_cast<QWidget*>(ok)})
    w->setFocusPolicy(Qt::NoFocus);
  grid->TabKeyMode(Symbol("MoveToSelectableCell"));
  Activate();
  Place(1, 3);
  Walk({{Tab, "grid", 3, 1}});  // without AutoSkip it stays
  grid->AutoSkip(true);
  Walk({{Tab, "grid", 1, 2}, {Back, "grid", 3, 1}, {Back, "grid", 2, 1}, {Back, "grid", 1, 1},
        {Back, "grid", 1, 1}});  // the first record: nowhere to go
  Place(3, 2);
  Walk({{Tab, "grid", 3, 3}, {Tab, "grid", 3, 3}});  // the last record
  EXPECT_EQ(grid->TabExitFlags(), 0);
  ExpectConsistent(*grid, *server, "at the end");
}

// A client that refuses every move of the server.
class VetoingClient : public Object {
 public:
  const ClassInfo& Class() const override {
    static ClassInfo info("GridVetoingClient", &Object::StaticClass());
    static bool once = [] {
      info.Method<VetoingClient>("Notify", [](VetoingClient&, Args a) {
        return Usual(!(a.size() > 0 && a[0].IsNumeric() && a[0].AsInteger() == notify::IntentToMove));
      });
      return true;
    }();
    (void)once;
    return info;
  }
};

TEST_P(TabTest, ARefusedRowStepLeavesTheCursorInItsCell) {
  Bind(GetParam(), 3);
  for (QWidget* w : {static_cast<QWidget*>(before), static_cast<QWidget*>(after), static_cast<QWidget*>(ok)})
    w->setFocusPolicy(Qt::NoFocus);
  grid->TabKeyMode(Symbol("MoveToSelectableCell"));
  grid->AutoSkip(true);
  Activate();
  Place(1, 3);
  auto veto = New<VetoingClient>();
  server->RegisterClient(veto.get());
  Walk({{Tab, "grid", 3, 1}, {Back, "grid", 2, 1}});  // the cell move within the row is no server move
  server->UnRegisterClient(veto.get());
  Place(2, 1);
  server->RegisterClient(veto.get());
  Walk({{Back, "grid", 1, 2}});
  server->UnRegisterClient(veto.get());
}

INSTANTIATE_TEST_SUITE_P(Servers, TabTest, ::testing::Values(ServerKind::Array, ServerKind::Table), ServerName);

struct TabOnArrayTest : TabTest {};

TEST_F(TabOnArrayTest, ATabBindingKeepsTheKeyInTheGrid) {
  Bind(ServerKind::Array);
  auto target = New<KeyTarget>();
  grid->KeyCommand()->Add(
      Usual(New<kKeyCommand>(Usual(int(Qt::Key_Tab)), NIL, NIL, NIL, Usual(target), Usual(Symbol("OnKey")))));
  Activate();
  Walk({{Tab, "grid", 1, 1}});
  EXPECT_EQ(target->calls, 1);
  // The binding is for Tab alone; Shift+Tab moves the focus as usual.
  Walk({{Back, "before", 1, 1}});
  EXPECT_EQ(target->calls, 1);
}

TEST_F(TabOnArrayTest, AMouseActivationForgetsTheTabExit) {
  Bind(ServerKind::Array);
  grid->TabKeyMode(Symbol("MoveToSelectableCell"));
  Activate();
  Place(1, 3);
  Walk({{Tab, "after", 3, 1}});
  EXPECT_EQ(grid->TabExitFlags(), kTable::kTabExitForwardSelectable);
  // A click into the grid: the cursor goes where the click is, not into
  // the next row, and the exit is forgotten.
  QTest::mouseClick(grid, Qt::LeftButton, {}, QPoint(grid->DataRect().left + 150, 24 + 10));
  EXPECT_EQ(Focus(), "grid");
  EXPECT_EQ(grid->TabExitFlags(), 0);
  EXPECT_EQ(grid->CurrentColumn(), 2);
  EXPECT_EQ(grid->CurrentRecNo(), 1);
  // Leaving by the mouse and tabbing round back in: no row step.
  QTest::mouseClick(after, Qt::LeftButton);
  EXPECT_EQ(Focus(), "after");
  Walk({{Tab, "ok", 2, 1}, {Tab, "before", 2, 1}, {Tab, "grid", 2, 1}});

  // Editable exits are remembered apart; coming back the other way
  // forgets one without moving.
  grid->TabKeyMode(Symbol("MoveToEditableCell"));
  for (const auto& c : grid->ColumnOpenList()) c->Editable(true);
  Walk({{Tab, "grid", 3, 1},
        {Tab, "after", 3, 1},
        {Back, "grid", 3, 1},
        {Back, "grid", 2, 1},
        {Back, "grid", 1, 1},
        {Back, "before", 1, 1}});
  EXPECT_EQ(grid->TabExitFlags(), kTable::kTabExitBackEditable);
}

// In the modes that walk the cells, a binding for Tab still runs: the grid
// keeps the key, so it reaches the key map after the move.
TEST_F(TabOnArrayTest, ATabBindingRunsAlsoWhenTabWalksTheCells) {
  Bind(ServerKind::Array);
  auto target = New<KeyTarget>();
  grid->KeyCommand()->Add(
      Usual(New<kKeyCommand>(Usual(int(Qt::Key_Tab)), NIL, NIL, NIL, Usual(target), Usual(Symbol("OnKey")))));
  for (const char* mode : {"MoveToSelectableCell", "MoveToEditableCell"}) {
    SCOPED_TRACE(mode);
    grid->TabKeyMode(Symbol(mode));
    for (const auto& c : grid->ColumnOpenList()) c->Editable(true);
    target->calls = 0;
    Activate();
    Place(1, 1);
    Walk({{Tab, "grid", 2, 1}});
    EXPECT_EQ(target->calls, 1) << "the Tab binding never runs in this mode";
    Walk({{Tab, "grid", 3, 1}, {Tab, "after", 3, 1}});
    EXPECT_EQ(target->calls, 3);
    // Shift+Tab is another key.
    grid->setFocus();
    ASSERT_TRUE(WaitFor([&] { return grid->hasFocus(); }));
    Walk({{Back, "grid", 2, 1}});
    EXPECT_EQ(target->calls, 3);
  }
}

// Tab in #MoveToControl goes to the next control of the dialog, not into
// the grid's own scroll bars.
TEST_F(TabOnArrayTest, TabSkipsTheGridsOwnScrollBars) {
  Bind(ServerKind::Array, 50, Array{"ID", "NAME", "AGE"}, 200);
  grid->VerticalScrollBarMode(Symbol("Auto"));
  grid->HorizontalScrollBarMode(Symbol("Auto"));
  grid->Recalculate();
  ASSERT_TRUE(grid->VerticalScrollBar()->isVisibleTo(grid));
  Activate();
  Walk({{Tab, "after", 1, 1}, {Back, "grid", 1, 1}});
  grid->TabKeyMode(Symbol("MoveToSelectableCell"));
  Place(1, 3);
  Walk({{Tab, "after", 3, 1}});
}

}  // namespace
}  // namespace kt::test
