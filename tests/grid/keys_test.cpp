// kTable's key map: real key presses on a shown grid inside a dialog move
// the cursor, click the default button, cancel the dialog, refresh, open
// the editor, run key commands first and keep their keys from the dialog's
// shortcuts; focus changes reach the owner.
#include <QMenu>
#include <QScrollBar>
#include <QShortcut>
#include <climits>
#include <QSignalSpy>
#include <QTimer>
#include <QWheelEvent>
#include <functional>
#include <stdexcept>

#include "grid/key_command.h"
#include "keys_fixture.h"
#include "platform/gui/menu.h"
#include "platform/gui/window.h"

namespace kt::test {
namespace {

struct KeysTest : KeysFixture, ::testing::TestWithParam<ServerKind> {};

TEST_P(KeysTest, ArrowsHomeEndAndPagesMoveTheCursor) {
  Bind(GetParam());
  Activate();
  const int page = grid->VisibleRowCount() - 1;
  ASSERT_EQ(grid->CurrentRecNo(), 1);
  ASSERT_EQ(grid->CurrentColumn(), 1);
  struct Step {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int column;
    std::int64_t recNo;
  };
  const Step steps[] = {
      {Qt::Key_Right, Qt::NoModifier, 2, 1},
      {Qt::Key_End, Qt::NoModifier, 3, 1},
      {Qt::Key_Right, Qt::NoModifier, 3, 1},  // the last column, no AutoSkip
      {Qt::Key_Left, Qt::ShiftModifier, 2, 1},
      {Qt::Key_Home, Qt::NoModifier, 1, 1},
      {Qt::Key_Left, Qt::NoModifier, 1, 1},
      {Qt::Key_Down, Qt::NoModifier, 1, 2},
      {Qt::Key_Down, Qt::ShiftModifier, 1, 3},
      {Qt::Key_Up, Qt::ControlModifier, 1, 2},
      {Qt::Key_Up, Qt::NoModifier, 1, 1},
      {Qt::Key_Up, Qt::NoModifier, 1, 1},  // the first record
      {Qt::Key_PageDown, Qt::NoModifier, 1, 1 + page},
      {Qt::Key_PageUp, Qt::NoModifier, 1, 1},
      {Qt::Key_PageDown, Qt::ControlModifier, 1, 50},
      {Qt::Key_Down, Qt::NoModifier, 1, 50},  // the last record
      {Qt::Key_PageUp, Qt::ControlModifier | Qt::ShiftModifier, 1, 1},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(QKeySequence(int(s.modifiers) | s.key).toString().toStdString());
    const int column = grid->CurrentColumn();
    const std::int64_t recNo = grid->CurrentRecNo();
    owner->calls.clear();
    Press(s.key, s.modifiers);
    EXPECT_EQ(grid->CurrentColumn(), s.column);
    EXPECT_EQ(grid->CurrentRecNo(), s.recNo);
    EXPECT_EQ(server->RecNo(), s.recNo);
    EXPECT_TRUE(grid->hasFocus());
    EXPECT_FALSE(grid->EventLock()) << "the lock never outlives a key";
    if (column != s.column || recNo != s.recNo) {
      EXPECT_GE(owner->Count("CellSelect"), 1) << "a move tells the owner";
      for (const auto& call : owner->calls) {
        if (call.name == "CellSelect") {
          EXPECT_EQ(call.code, 0xF001);
        }
      }
    }
    ExpectConsistent(*grid, *server, "after the key");
  }
  EXPECT_TRUE(log.errors.empty());
}

TEST_P(KeysTest, AutoSkipCarriesLeftAndRightIntoTheNeighbourRows) {
  Bind(GetParam());
  grid->AutoSkip(true);
  Activate();
  Place(1, 3);
  Press(Qt::Key_Right);
  EXPECT_EQ(grid->CurrentColumn(), 1);
  EXPECT_EQ(grid->CurrentRecNo(), 2);
  Press(Qt::Key_Left);
  EXPECT_EQ(grid->CurrentColumn(), 3);
  EXPECT_EQ(grid->CurrentRecNo(), 1);
  // Nothing before the first record, nothing after the last.
  Place(1, 1);
  Press(Qt::Key_Left);
  EXPECT_EQ(grid->CurrentColumn(), 1);
  EXPECT_EQ(grid->CurrentRecNo(), 1);
  Press(Qt::Key_PageDown, Qt::ControlModifier);
  Place(50, 3);
  Press(Qt::Key_Right);
  EXPECT_EQ(grid->CurrentColumn(), 3);
  EXPECT_EQ(grid->CurrentRecNo(), 50);
  ExpectConsistent(*grid, *server, "at the end");
}

TEST_P(KeysTest, EnterClicksTheDefaultButtonUnlessTheGridManagesIt) {
  Bind(GetParam());
  Activate();
  QSignalSpy accepted(dialog.get(), &QDialog::accepted);
  Press(Qt::Key_Return);
  EXPECT_EQ(accepted.count(), 1);
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(grid->CurrentRecNo(), 1) << "Enter did not move";

  // Without #DefaultButtonManage the key stays with the grid: the dialog
  // does not press its button either.
  dialog->setResult(0);
  grid->PropertyPut(Symbol("DefaultButtonManage"), Usual(false));
  Activate();
  Press(Qt::Key_Return);
  Press(Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(accepted.count(), 1);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(grid->hasFocus());
  // Also where Enter finds no row to act on.
  grid->Use(NIL);
  Press(Qt::Key_Return);
  EXPECT_EQ(accepted.count(), 1);
  EXPECT_TRUE(dialog->isVisible());
}

TEST_P(KeysTest, EnterEditsTheCurrentCellButNeverADeletedRecord) {
  Bind(GetParam());
  grid->PropertyPut(Symbol("DefaultButtonManage"), Usual(false));
  grid->Editable(true);
  for (const auto& c : grid->ColumnOpenList()) c->Editable(true);
  Activate();
  Place(3, 2);
  Press(Qt::Key_Return);
  EXPECT_EQ(grid->edits, 1);
  EXPECT_EQ(grid->CurrentRecNo(), 3);

  // A column that is not editable, a grid that is not editable.
  grid->ColumnOpenList()[1]->Editable(false);
  Press(Qt::Key_Return);
  EXPECT_EQ(grid->edits, 1);
  grid->ColumnOpenList()[1]->Editable(true);
  grid->Editable(false);
  Press(Qt::Key_Return);
  EXPECT_EQ(grid->edits, 1);
  grid->Editable(true);

  // The record is deleted (and still shown).
  if (auto* array = dynamic_cast<kArrayServer*>(server.get())) array->Delete(Usual(false));
  else server->Delete();
  ASSERT_TRUE(server->Deleted());
  ASSERT_EQ(grid->CurrentRecNo(), 3);
  Press(Qt::Key_Return);
  EXPECT_EQ(grid->edits, 1) << "a deleted record is not edited";
  Press(Qt::Key_Down);
  Press(Qt::Key_Return);
  EXPECT_EQ(grid->edits, 2);
}

TEST_P(KeysTest, EnterInAnExcelGridMovesDown) {
  Bind(GetParam());
  grid->PropertyPut(Symbol("DefaultButtonManage"), Usual(false));
  grid->Editable(true);
  grid->AutoEdit(Usual(Symbol("Excel")));
  Activate();
  Press(Qt::Key_Return);
  EXPECT_EQ(grid->CurrentRecNo(), 2);
  Press(Qt::Key_Return, Qt::ShiftModifier);
  EXPECT_EQ(grid->CurrentRecNo(), 3);
  EXPECT_EQ(grid->edits, 0);
  ExpectConsistent(*grid, *server, "after Enter");
}

TEST_P(KeysTest, F5RefreshesUnlessAKeyCommandStopsIt) {
  Bind(GetParam());
  Activate();
  auto rename = [&](const char* name) {
    server->SuspendNotification();
    server->FieldPut("NAME", name);
    server->ResetNotification();
  };
  auto shown = [&] { return grid->BufferedCell(2, 1)->text; };
  ASSERT_EQ(grid->CurrentRecNo(), 1);
  rename("ONE");
  Press(Qt::Key_F5);
  EXPECT_EQ(shown(), "ONE");

  auto target = New<KeyTarget>();
  grid->KeyCommand()->Add(Usual(New<kKeyCommand>(Usual(int(Qt::Key_F5)), NIL, NIL, NIL, Usual(target),
                                                 Usual(Symbol("OnKey")), Usual(Array{"refresh", 5}))));
  target->result = Usual(0);
  target->onCall = [&] { EXPECT_TRUE(grid->EventLock()) << "a key command runs under the event lock"; };
  rename("TWO");
  Press(Qt::Key_F5);
  EXPECT_EQ(target->calls, 1);
  EXPECT_EQ(target->lastArgs.Len(), 2u);
  EXPECT_EQ(target->lastArgs[1], Usual("refresh"));
  EXPECT_EQ(shown(), "ONE") << "0 stops the built-in refresh";

  target->result = NIL;
  Press(Qt::Key_F5);
  EXPECT_EQ(target->calls, 2);
  EXPECT_EQ(shown(), "TWO") << "NIL lets the refresh run";
  EXPECT_FALSE(grid->EventLock());

  // A binding with modifiers is another key; Ctrl+F5 is no refresh.
  target->result = Usual(0);
  rename("SIX");
  Press(Qt::Key_F5, Qt::ControlModifier);
  EXPECT_EQ(target->calls, 2);
  EXPECT_EQ(shown(), "TWO");
}

TEST_P(KeysTest, TypedCharactersOpenTheEditorInSensitiveAndExcelGrids) {
  Bind(GetParam());
  grid->PropertyPut(Symbol("DefaultButtonManage"), Usual(false));
  grid->editOpens = true;
  struct Case {
    const char* mode;
    bool opens;
  };
  for (const Case c : {Case{"Sensitive", true}, Case{"Excel", true}, Case{"Permanent", false}, Case{nullptr, false}}) {
    SCOPED_TRACE(c.mode ? c.mode : "off");
    grid->AutoEdit(c.mode ? Usual(Symbol(c.mode)) : NIL);
    Activate();
    grid->edits = 0;
    grid->open = false;
    grid->forwarded.clear();
    // Keys that type nothing the editor should start with.
    Press(Qt::Key_Tab);
    grid->setFocus();
    Press(Qt::Key_Escape);
    dialog->show();
    Activate();
    Press(Qt::Key_Return);
    Type('x', Qt::ControlModifier);
    Type('x', Qt::AltModifier);
    EXPECT_EQ(grid->edits, 0);
    Type('x');
    EXPECT_EQ(grid->edits, c.opens ? 1 : 0);
    if (c.opens) {
      ASSERT_EQ(grid->forwarded.size(), 1u);
      EXPECT_EQ(grid->forwarded[0], "x") << "the character is the editor's first input";
      // With the editor open the grid types nothing itself.
      Type('y');
      EXPECT_EQ(grid->edits, 1);
      grid->EditClose();
      Press(Qt::Key_Space);
      EXPECT_EQ(grid->edits, 2) << "Space types a space";
    } else {
      Press(Qt::Key_Space);
      EXPECT_EQ(grid->edits, 0);
    }
  }
  // An editor that does not open gets no character.
  grid->AutoEdit(Usual(Symbol("Sensitive")));
  grid->editOpens = false;
  grid->forwarded.clear();
  Type('z');
  EXPECT_TRUE(grid->forwarded.empty());
}

TEST_P(KeysTest, FocusChangesTellTheOwnerAndRepaintOnlyTheCursor) {
  Bind(GetParam());
  Activate();
  grid->painted = QRegion();
  Press(Qt::Key_Tab);  // #MoveToControl
  EXPECT_TRUE(after->hasFocus());
  ASSERT_EQ(owner->Count("ControlFocusChange"), 1);
  const Usual lost = owner->calls.back().event;
  ASSERT_TRUE(lost.IsObject());
  EXPECT_EQ(lost.AsObject()->Access(Symbol("GotFocus")), Usual(false));

  QApplication::processEvents();
  GridRect row;
  ASSERT_TRUE(grid->GetRowRect(grid->CurrentRow(), grid->CurrentRecNo(), row));
  EXPECT_TRUE(grid->painted.contains(QPoint(row.left + 5, row.top + 5))) << "the cursor turns inactive";
  EXPECT_FALSE(grid->painted.contains(QPoint(row.left + 5, grid->DataRect().bottom - 5))) << "and nothing else";

  Press(Qt::Key_Backtab);
  EXPECT_TRUE(grid->hasFocus());
  ASSERT_EQ(owner->Count("ControlFocusChange"), 2);
  EXPECT_EQ(owner->calls.back().event.AsObject()->Access(Symbol("GotFocus")), Usual(true));
  EXPECT_EQ(owner->calls.back().event.AsObject()->Access(Symbol("Reason")), Usual(int(Qt::BacktabFocusReason)));
}

TEST_P(KeysTest, PermanentAutoEditOpensTheEditorOnFocusIn) {
  Bind(GetParam());
  grid->Editable(true);
  grid->AutoEdit(Usual(Symbol("Permanent")));
  // The assign tried an editor at once (the grid had no focus yet).
  const int edits = grid->edits;
  grid->editOpens = true;
  Activate();
  EXPECT_EQ(grid->edits, edits + 1);
  // Not again while one is open.
  after->setFocus();
  grid->setFocus();
  EXPECT_EQ(grid->edits, edits + 1);
}

// A context menu taking the keyboard is no focus change for the user: the
// owner hears nothing, nothing is redrawn and no #Permanent editor opens
// again.
TEST_P(KeysTest, APopupMenuIsNoFocusChange) {
  Bind(GetParam());
  grid->Editable(true);
  grid->AutoEdit(Usual(Symbol("Permanent")));
  Activate();
  const int edits = grid->edits;
  QApplication::processEvents();
  grid->painted = QRegion();
  QMenu menu;
  menu.addAction("x");
  menu.popup(grid->mapToGlobal(QPoint(20, 40)));
  ASSERT_TRUE(WaitFor([&] { return menu.isVisible(); }));
  QApplication::processEvents();
  menu.close();
  QApplication::processEvents();
  EXPECT_TRUE(grid->hasFocus());
  EXPECT_EQ(owner->Count("ControlFocusChange"), 0) << "the owner hears of focus changes that did not happen";
  EXPECT_EQ(grid->edits, edits);
  EXPECT_TRUE(grid->painted.isEmpty());
  // A real focus change still counts.
  Press(Qt::Key_Tab);
  EXPECT_EQ(owner->Count("ControlFocusChange"), 1);
}

// Text from an input method (a dead key, compose, CJK) opens the editor in
// #Sensitive and #Excel grids like a typed character, and reaches it.
TEST_P(KeysTest, InputMethodTextOpensTheEditorLikeATypedCharacter) {
  Bind(GetParam());
  grid->Editable(true);
  Activate();
  EXPECT_TRUE(grid->testAttribute(Qt::WA_InputMethodEnabled));
  auto commit = [&](const QString& preedit, const QString& text) {
    QInputMethodEvent e(preedit, {});
    e.setCommitString(text);
    QApplication::sendEvent(grid, &e);
  };
  grid->editOpens = true;
  for (const char* mode : {"Sensitive", "Excel"}) {
    SCOPED_TRACE(mode);
    grid->AutoEdit(Usual(Symbol(mode)));
    grid->open = false;
    grid->forwarded.clear();
    commit("", QString::fromUtf8("\xC3\xA9"));
    EXPECT_TRUE(grid->open);
    EXPECT_EQ(grid->forwarded, std::vector<QString>{QString::fromUtf8("\xC3\xA9")});
  }
  // A composition still going on, another mode, an editor already open:
  // nothing opens here.
  grid->open = false;
  grid->forwarded.clear();
  const int edits = grid->edits;
  commit(QString::fromUtf8("\xE3\x81\x8B"), "");
  grid->AutoEdit(NIL);
  commit("", "x");
  grid->AutoEdit(Usual(Symbol("Excel")));
  grid->open = true;
  commit("", "y");
  EXPECT_EQ(grid->edits, edits);
  EXPECT_TRUE(grid->forwarded.empty());
}

INSTANTIATE_TEST_SUITE_P(Servers, KeysTest, ::testing::Values(ServerKind::Array, ServerKind::Table), ServerName);

// ---------------------------------------------------------------------------
// One server is enough for these.

struct KeysOnArrayTest : KeysFixture, ::testing::Test {};

TEST_F(KeysOnArrayTest, HorizontalMovesScrollTheCursorIntoView) {
  Bind(ServerKind::Array, 50, Array{"ID", "NAME", "AGE", "ID", "NAME", "AGE", "ID", "NAME"});
  Activate();
  ASSERT_EQ(grid->FirstVisibleColumn(), 1);
  ASSERT_EQ(grid->LastVisibleColumn(), 4);  // the fourth only in part
  Press(Qt::Key_Right);
  Press(Qt::Key_Right);
  Press(Qt::Key_Right);
  EXPECT_EQ(grid->CurrentColumn(), 4);
  EXPECT_TRUE(grid->IsColumnVisible(4, false)) << "it becomes the last visible column";
  EXPECT_EQ(grid->FirstVisibleColumn(), 2);
  Press(Qt::Key_End);
  EXPECT_EQ(grid->CurrentColumn(), 8);
  EXPECT_EQ(grid->LastVisibleColumn(), 8);
  EXPECT_TRUE(grid->IsColumnVisible(8, false));
  EXPECT_GT(grid->HorizontalScrollBar()->value(), 0) << "the bar follows";
  Press(Qt::Key_Home);
  EXPECT_EQ(grid->CurrentColumn(), 1);
  EXPECT_EQ(grid->FirstVisibleColumn(), 1);
  EXPECT_EQ(grid->HorizontalScrollBar()->value(), 0);

  // Home scrolls fully left also when the cursor already stands there.
  grid->SetFirstColumn(5);
  Press(Qt::Key_Home);
  EXPECT_EQ(grid->FirstVisibleColumn(), 1);
  // With nothing selectable to the left, Left scrolls one column.
  grid->ColumnOpenList()[0]->Selectable(false);
  grid->ColumnOpenList()[1]->Selectable(false);
  grid->CurrentColumn(3);
  grid->SetFirstColumn(3);
  Press(Qt::Key_Left);
  EXPECT_EQ(grid->CurrentColumn(), 3);
  EXPECT_EQ(grid->FirstVisibleColumn(), 2);

  // Frozen columns: Left into them scrolls the grid fully left.
  grid->ColumnOpenList()[0]->Selectable(true);
  grid->Freeze(1);
  grid->CurrentColumn(5);
  grid->SetFirstColumn(4);
  ASSERT_EQ(grid->FirstVisibleColumn(), 4);
  grid->ColumnOpenList()[2]->Selectable(false);
  grid->ColumnOpenList()[3]->Selectable(false);
  Press(Qt::Key_Left);
  EXPECT_EQ(grid->CurrentColumn(), 1);
  EXPECT_EQ(grid->FirstVisibleColumn(), 2);
  EXPECT_TRUE(log.errors.empty());
}

TEST_F(KeysOnArrayTest, AnEditorThatWillNotCloseKeepsTheCursor) {
  Bind(ServerKind::Array);
  grid->TabKeyMode(Symbol("MoveToSelectableCell"));
  Activate();
  Place(2, 2);
  grid->open = true;
  grid->closeFails = true;
  for (Qt::Key key : {Qt::Key_Right, Qt::Key_Left, Qt::Key_Home, Qt::Key_End, Qt::Key_Down, Qt::Key_Up,
                      Qt::Key_PageDown, Qt::Key_Tab, Qt::Key_Backtab}) {
    SCOPED_TRACE(QKeySequence(key).toString().toStdString());
    Press(key);
    EXPECT_EQ(grid->CurrentColumn(), 2);
    EXPECT_EQ(grid->CurrentRecNo(), 2);
    EXPECT_TRUE(grid->hasFocus()) << "the focus stays with the open editor's grid";
    EXPECT_TRUE(grid->open);
  }
  grid->closeFails = false;
  Press(Qt::Key_Tab);
  EXPECT_EQ(grid->CurrentColumn(), 3);
  EXPECT_FALSE(grid->open);
}

TEST_F(KeysOnArrayTest, ColumnSearchesSkipColumnsTheCursorMayNotTake) {
  Bind(ServerKind::Array, 10, Array{"ID", "NAME", "AGE", "ID", "NAME"});
  const auto& open = grid->ColumnOpenList();
  for (const auto& c : open) c->Editable(true);
  open[1]->Selectable(false);  // column 2
  open[3]->Editable(false);    // column 4
  const Symbol first("First"), last("Last"), previous("Previous"), next("Next"), other("Auto");
  struct Case {
    int from;
    Symbol direction;
    int selectable, editable;
  };
  const Case cases[] = {
      {0, first, 1, 1},    {3, first, 1, 1},  {0, last, 5, 5},     {1, next, 3, 3},    {3, next, 4, 5},
      {5, next, 0, 0},     {3, previous, 1, 1}, {1, previous, 0, 0}, {5, previous, 4, 3}, {2, other, 3, 3},
      {4, other, 4, 5},    {9, other, 5, 5},  {0, other, 1, 1},    {-3, next, 1, 1},   {99, previous, 5, 5},
      // Numbers far outside the columns (late-bound callers pass anything).
      {INT_MAX, next, 0, 0}, {INT_MAX, previous, 5, 5}, {INT_MAX, other, 5, 5},
      {INT_MIN, next, 1, 1}, {INT_MIN, previous, 0, 0}, {INT_MIN, other, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + " " + c.direction.Name());
    EXPECT_EQ(grid->GetNewSelectableColumn(c.from, c.direction), c.selectable);
    EXPECT_EQ(grid->GetNewEditableColumn(c.from, c.direction), c.editable);
  }
  EXPECT_FALSE(grid->IsCellSelectable(2, 1, 1));
  EXPECT_FALSE(grid->IsCellSelectable(0, 1, 1));
  EXPECT_FALSE(grid->IsCellSelectable(6, 1, 1));
  EXPECT_TRUE(grid->IsCellSelectable(4, 1, 1));
  EXPECT_FALSE(grid->SetCurrentColumn(2));
  EXPECT_FALSE(grid->SetCurrentColumn(6));
  EXPECT_EQ(grid->CurrentColumn(), 1);
  EXPECT_TRUE(grid->SetCurrentColumn(0)) << "no column is always allowed";
  EXPECT_EQ(grid->CurrentColumn(), 0);

  // Right from column 1 lands on 3; Tab in #MoveToEditableCell skips 4.
  Activate();
  grid->CurrentColumn(1);
  Press(Qt::Key_Right);
  EXPECT_EQ(grid->CurrentColumn(), 3);
  grid->TabKeyMode(Symbol("MoveToEditableCell"));
  Press(Qt::Key_Tab);
  EXPECT_EQ(grid->CurrentColumn(), 5);
}

TEST_F(KeysOnArrayTest, FirstCellModeNeverLeavesColumnOne) {
  Bind(ServerKind::Array);
  grid->CurrentMode(Symbol("FirstCell"));
  grid->TabKeyMode(Symbol("MoveToSelectableCell"));
  Activate();
  for (Qt::Key key : {Qt::Key_Right, Qt::Key_End, Qt::Key_Left, Qt::Key_Home}) {
    Press(key);
    EXPECT_EQ(grid->CurrentColumn(), 1);
  }
  Press(Qt::Key_Down);
  EXPECT_EQ(grid->CurrentColumn(), 1);
  EXPECT_EQ(grid->CurrentRecNo(), 2);
  Press(Qt::Key_Tab);
  EXPECT_EQ(grid->CurrentColumn(), 1);
  EXPECT_TRUE(after->hasFocus()) << "Tab leaves the grid instead";
  grid->setFocus();
  EXPECT_FALSE(grid->SetCurrentColumn(2));
  EXPECT_FALSE(grid->SkipToCell(Symbol("Next"), Symbol("Selectable"), 5, true));
  grid->Assign(Symbol("CurrentColumn"), Usual(3));
  EXPECT_EQ(grid->CurrentColumn(), 1);
}

TEST_F(KeysOnArrayTest, EscapeCancelsTheDialog) {
  Bind(ServerKind::Array);
  Activate();
  QSignalSpy rejected(dialog.get(), &QDialog::rejected);
  Press(Qt::Key_Escape);
  EXPECT_EQ(rejected.count(), 1);
  EXPECT_FALSE(dialog->isVisible());
}

TEST(KeysDialogWindowTest, EscapeEndsADialogWindow) {
  ErrorLog log;
  DialogWindow dialog;
  dialog.resize(400, 300);
  auto* grid = new kTable(&dialog);
  grid->setGeometry(0, 0, 400, 300);
  auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(5)));
  grid->Use(Usual(server));
  bool pressed = false;
  QTimer::singleShot(5000, &dialog, [&] {
    if (dialog.IsRunning()) dialog.EndDialog(99);  // never hang the test
  });
  QTimer::singleShot(0, &dialog, [&] {
    dialog.activateWindow();
    QApplication::setActiveWindow(&dialog);
    grid->setFocus();
    if (KeysFixture::WaitFor([&] { return grid->hasFocus(); })) {
      pressed = true;
      QTest::keyClick(grid, Qt::Key_Escape);
    }
  });
  EXPECT_EQ(dialog.ShowModal(), 0);
  EXPECT_TRUE(pressed);
  EXPECT_FALSE(dialog.isVisible());
  grid->Use(NIL);
}

TEST_F(KeysOnArrayTest, DialogShortcutsDoNotTakeTheGridKeys) {
  Bind(ServerKind::Array);
  int stolen = 0, other = 0;
  for (QKeySequence keys : {QKeySequence(Qt::Key_Down), QKeySequence(Qt::Key_F5), QKeySequence(QKeySequence::Copy),
                            QKeySequence(Qt::Key_Home)}) {
    auto* s = new QShortcut(keys, dialog.get());
    QObject::connect(s, &QShortcut::activated, [&] { ++stolen; });
  }
  auto* k = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_K), dialog.get());
  QObject::connect(k, &QShortcut::activated, [&] { ++other; });
  auto* bound = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_B), dialog.get());
  QObject::connect(bound, &QShortcut::activated, [&] { ++stolen; });
  auto target = New<KeyTarget>();
  grid->KeyCommand()->Add(Usual(New<kKeyCommand>(Usual("b"), NIL, NIL, Usual(true), Usual(target), Usual("OnKey"))));
  Activate();
  Press(Qt::Key_Down);
  Press(Qt::Key_F5);
  Press(Qt::Key_Home);
  Type('c', Qt::ControlModifier);
  Type('b', Qt::ControlModifier);
  Type('k', Qt::ControlModifier);
  EXPECT_EQ(stolen, 0);
  EXPECT_EQ(other, 1) << "keys the grid does not use stay the dialog's";
  EXPECT_EQ(grid->CurrentRecNo(), 2);
  EXPECT_EQ(target->calls, 1);
}

// An open editor is moved along when the grid scrolls under it: by the
// cursor's moves, the wheel and the scroll bars; without one nothing is
// asked.
TEST_F(KeysOnArrayTest, AnOpenEditorFollowsTheScrolledGrid) {
  Bind(ServerKind::Array, 50, Array{"ID", "NAME", "AGE", "ID", "NAME", "AGE", "ID", "NAME"});
  Activate();
  Press(Qt::Key_End);
  Press(Qt::Key_Home);
  grid->HorizontalScroll(kTable::kLineForward);
  grid->HorizontalScroll(kTable::kLineBackward);
  EXPECT_EQ(grid->recalculations, 0);
  // An editor that keeps its input: the moves are refused, the scrolls
  // before them happen.
  grid->open = true;
  grid->closeFails = true;
  struct Step {
    const char* what;
    std::function<void()> act;
  };
  const Step steps[] = {
      {"End", [&] { Press(Qt::Key_End); }},
      {"Home", [&] { Press(Qt::Key_Home); }},
      {"the cursor column scrolled into view", [&] { grid->SetCurrentColumn(8); }},
      {"the wheel", [&] {
         const QPoint p(150, 60);
         QWheelEvent e(p, grid->mapToGlobal(p), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                       Qt::NoScrollPhase, false);
         QApplication::sendEvent(grid, &e);
       }},
      {"the vertical bar", [&] { grid->VerticalScroll(kTable::kLineBackward); }},
      {"the horizontal bar", [&] { grid->HorizontalScroll(kTable::kLineBackward); }},
  };
  int expected = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    const int first = grid->FirstVisibleColumn();
    const std::int64_t top = grid->FirstVisibleRowNo();
    s.act();
    EXPECT_TRUE(grid->FirstVisibleColumn() != first || grid->FirstVisibleRowNo() != top) << "the grid scrolled";
    EXPECT_EQ(grid->recalculations, ++expected);
    EXPECT_TRUE(grid->open);
  }
  grid->closeFails = false;
  grid->open = false;
}

// A key command whose method raises an error leaves the lock clear and the
// grid usable.
TEST_F(KeysOnArrayTest, AKeyCommandThatFailsLeavesTheLockClear) {
  Bind(ServerKind::Array);
  auto target = New<KeyTarget>();
  target->onCall = [] { throw std::runtime_error("bound method failed"); };
  grid->KeyCommand()->Add(
      Usual(New<kKeyCommand>(Usual(int(Qt::Key_Down)), NIL, NIL, NIL, Usual(target), Usual(Symbol("OnKey")))));
  Activate();
  Press(Qt::Key_Down);
  EXPECT_FALSE(grid->EventLock());
  EXPECT_EQ(target->calls, 1);
  EXPECT_EQ(log.errors.size(), 1u);
  Press(Qt::Key_Right);
  EXPECT_EQ(grid->CurrentColumn(), 2) << "the grid still takes keys";
}

// The menu keys stay the dialog's while the grid has no context menu.
TEST_F(KeysOnArrayTest, TheMenuKeysAreTheGridsOnlyWithAMenu) {
  Bind(ServerKind::Array);
  int dialogs = 0, shown = 0;
  auto* shortcut = new QShortcut(QKeySequence(Qt::Key_Menu), dialog.get());
  QObject::connect(shortcut, &QShortcut::activated, [&] { ++dialogs; });
  const auto previous = Menu::SetPopupHandler([&](Menu&, QWidget*, QPoint) {
    ++shown;
    return 0;
  });
  Activate();
  Press(Qt::Key_Menu);
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(shown, 0);
  auto menu = New<Menu>();
  menu->AppendItem("x", Symbol("x"));
  grid->SetContextMenu(Usual(menu), Symbol("Data"));
  Press(Qt::Key_Menu);
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(shown, 1);
  Menu::SetPopupHandler(previous);
}

TEST(KeyCommandTest, KeysCharactersAndTheListsFirstMatch) {
  ErrorLog log;
  struct Case {
    const char* text;
    int key;
  };
  for (const Case c : {Case{"a", Qt::Key_A}, Case{"Z", Qt::Key_Z}, Case{"5", Qt::Key_5}, Case{" ", Qt::Key_Space},
                       Case{",", Qt::Key_Comma}, Case{"+", Qt::Key_Plus}, Case{"\xC3\xA4", Qt::Key_Adiaeresis},
                       Case{"", 0}, Case{"ab", 0}}) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(kKeyCommand::KeyOfCharacter(c.text), c.key);
  }
  // Bad keys are reported and match nothing.
  log.errors.clear();
  for (const Usual& bad : {Usual("ab"), Usual(""), Usual(Date()), Usual(-5), NIL}) {
    kKeyCommand command(bad);
    EXPECT_EQ(command.Key(), 0);
  }
  EXPECT_EQ(log.errors.size(), 5u);
  EXPECT_EQ(log.GenCode(), gen::Arg);
  log.errors.clear();
  kKeyCommand badFlags(Usual("a"), Usual(1), NIL, NIL, NIL, Usual(3), Usual("x"));
  EXPECT_EQ(log.errors.size(), 3u);
  EXPECT_FALSE(badFlags.Alt());
  EXPECT_TRUE(badFlags.ArgumentList().IsEmpty());

  log.errors.clear();
  auto first = New<KeyTarget>(), second = New<KeyTarget>();
  first->result = Usual(1);
  second->result = Usual(2);
  kKeyCommandList list;
  list.Add(Usual(New<kKeyCommand>(Usual("a"), NIL, NIL, Usual(true), Usual(first), Usual(Symbol("OnKey")))));
  list.Add(Usual(New<kItemList>()));  // not a key command: passed over
  list.Add(Usual(New<kKeyCommand>(Usual("a"), NIL, NIL, Usual(true), Usual(second), Usual(Symbol("OnKey")))));
  list.Add(Usual(New<kKeyCommand>(Usual("a"), NIL, NIL, NIL, Usual(second), Usual(Symbol("Missing")))));
  EXPECT_EQ(list.Eval(Qt::Key_A, false, false, true), Usual(1)) << "the first entry that matches";
  EXPECT_EQ(first->calls, 1);
  EXPECT_EQ(second->calls, 0);
  EXPECT_TRUE(first->lastArgs.IsEmpty()) << "no arguments for an empty list";
  EXPECT_TRUE(list.Eval(Qt::Key_A, false, true, true).IsNil()) << "other modifiers: no match";
  EXPECT_TRUE(list.Eval(Qt::Key_A, false, false, false).IsNil()) << "an owner without the method";
  const Usual args[] = {Usual(int(Qt::Key_A)), Usual(false), Usual(false), Usual(true), Usual(false)};
  EXPECT_EQ(list.Send(Symbol("Eval"), args), Usual(1)) << "late bound";
  EXPECT_TRUE(log.errors.empty());
}

TEST_F(KeysOnArrayTest, KeyCommandsSeeTheirKeyAndMayChangeTheList) {
  Bind(ServerKind::Array);
  EXPECT_EQ(grid->KeyCommand().get(), grid->KeyCommand().get()) << "created once, on first use";
  EXPECT_EQ(grid->KeyCommand()->Count(), 0u);
  {
    const Usual list = grid->Access(Symbol("KeyCommand"));
    ASSERT_TRUE(list.IsObject());
    EXPECT_EQ(list.AsObject(), grid->KeyCommand().get());
  }

  auto target = New<KeyTarget>();
  grid->KeyCommand()->Add(Usual(New<kKeyCommand>(Usual("a"), Usual(false), Usual(true), Usual(true), Usual(target),
                                                 Usual(Symbol("OnKey")), Usual(Array{7}))));
  // The binding drops the whole list while it runs.
  target->onCall = [&] { grid->Assign(Symbol("KeyCommand"), NIL); };
  target->result = Usual(0);
  Activate();
  Type('a', Qt::ShiftModifier);
  Type('a', Qt::ControlModifier);
  EXPECT_EQ(target->calls, 0);
  Type('a', Qt::ShiftModifier | Qt::ControlModifier);
  EXPECT_EQ(target->calls, 1);
  EXPECT_EQ(target->lastArgs[1], Usual(7));
  EXPECT_EQ(grid->KeyCommand()->Count(), 0u) << "a new empty list after the old one was dropped";

  log.errors.clear();
  grid->Assign(Symbol("KeyCommand"), Usual(5));
  grid->Assign(Symbol("KeyCommand"), Usual(New<kItemList>()));
  EXPECT_EQ(log.errors.size(), 2u);
  auto mine = New<kKeyCommandList>();
  grid->Assign(Symbol("KeyCommand"), Usual(mine));
  EXPECT_EQ(grid->KeyCommand().get(), mine.get());
}

TEST_F(KeysOnArrayTest, LateBoundCursorNames) {
  Bind(ServerKind::Array);
  EXPECT_EQ(Send("SkipToCell"), Usual(true)) << "#Next, #Selectable by default";
  EXPECT_EQ(grid->CurrentColumn(), 2);
  EXPECT_EQ(Send("SkipToCell", {Usual(Symbol("Last"))}), Usual(true));
  EXPECT_EQ(grid->CurrentColumn(), 3);
  EXPECT_EQ(Send("SkipToCell", {Usual(Symbol("Last"))}), Usual(false)) << "already there";
  EXPECT_EQ(Send("SkipToCell", {Usual(Symbol("Sideways"))}), Usual(false));
  owner->calls.clear();
  grid->Assign(Symbol("CurrentColumn"), Usual(1));
  EXPECT_EQ(grid->Access(Symbol("CurrentColumn")), Usual(1));
  EXPECT_EQ(owner->Count("CellSelect"), 1);
  EXPECT_EQ(Send("SetCurrentColumn", {Usual(3)}), Usual(true));
  EXPECT_EQ(Send("SetCurrentColumn", {Usual(std::int64_t(1) << 40)}), Usual(false));
  EXPECT_EQ(Send("GetNewSelectableColumn", {Usual(3), Usual(Symbol("Previous"))}), Usual(2));
  grid->ColumnOpenList()[2]->Editable(false);
  EXPECT_EQ(Send("GetNewEditableColumn", {Usual(0), Usual(Symbol("Last"))}), Usual(2));
  EXPECT_EQ(Send("IsCellSelectable", {Usual(3), Usual(1), Usual(1)}), Usual(true));
  EXPECT_EQ(Send("IsCellSelectable", {Usual(4), Usual(1), Usual(1)}), Usual(false));

  EXPECT_EQ(grid->Access(Symbol("TabKeyMode")), Usual(Symbol("MoveToControl")));
  grid->Assign(Symbol("TabKeyMode"), Usual(Symbol("MoveToSelectableCell")));
  EXPECT_EQ(grid->TabKeyMode(), Symbol("MoveToSelectableCell"));
  grid->Assign(Symbol("AutoSkip"), Usual(true));
  EXPECT_EQ(grid->Access(Symbol("AutoSkip")), Usual(true));
  grid->Assign(Symbol("CurrentMode"), Usual(Symbol("Row")));
  EXPECT_EQ(grid->Access(Symbol("CurrentMode")), Usual(Symbol("Row")));
  EXPECT_TRUE(log.errors.empty());

  // Wrong types change nothing and say why.
  grid->Assign(Symbol("TabKeyMode"), Usual(3));
  grid->Assign(Symbol("AutoSkip"), Usual("yes"));
  grid->Assign(Symbol("CurrentMode"), Usual(1));
  grid->Assign(Symbol("CurrentColumn"), Usual("2"));
  EXPECT_EQ(log.errors.size(), 4u);
  EXPECT_EQ(grid->TabKeyMode(), Symbol("MoveToSelectableCell"));
  EXPECT_TRUE(grid->AutoSkip());
  EXPECT_EQ(grid->CurrentMode(), Symbol("Row"));
  EXPECT_EQ(grid->CurrentColumn(), 3);
}

}  // namespace
}  // namespace kt::test
