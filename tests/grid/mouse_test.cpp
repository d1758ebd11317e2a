// kTable and the mouse: real clicks on a shown grid move the cursor and the
// server, captions and footers notify the owner, held presses hand over to
// resizing and moving, the pointer changes over edges, and the wheel scrolls.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QWheelEvent>
#include <filesystem>
#include <limits>

#include "grid/grid_event.h"
#include "mouse_fixture.h"
#include "platform/db/dbserver.h"
#include "platform/db/workareas.h"
#include "platform/gui/menu.h"
#include "platform/gui/pointer.h"

namespace kt::test {
namespace {

using MouseTest = MouseFixture;

// Clicks on rows of a server, checked on the grid and on the server.
void ClickRows(MouseFixture& f, DataServer& server) {
  f.Click(f.Cell(1, 4));
  EXPECT_EQ(server.RecNo(), 4);
  EXPECT_EQ(f.grid->CurrentRecNo(), 4);
  EXPECT_EQ(f.grid->CurrentRow(), 4);
  EXPECT_EQ(f.owner->Count("CellSelect"), 1) << "one notification per click";
  EXPECT_EQ(f.CodeOf("CellSelect"), 0xF001);
  // Again on the same row: the owner hears of it, the server stays.
  f.Click(f.Cell(2, 4));
  EXPECT_EQ(server.RecNo(), 4);
  EXPECT_EQ(f.owner->Count("CellSelect"), 2);
  f.Click(f.Cell(3, 2));
  EXPECT_EQ(server.RecNo(), 2);
  EXPECT_EQ(f.grid->CurrentRow(), 2);
  ExpectConsistent(*f.grid, server, "after the clicks");
  // Below the last record nothing moves.
  f.owner->calls.clear();
  f.Click(f.Cell(1, 8));
  EXPECT_EQ(server.RecNo(), 2);
  EXPECT_EQ(f.owner->Count("CellSelect"), 0);
}

TEST_F(MouseTest, ClicksMoveTheCursorAndTheArrayServer) {
  Bind(6);
  ClickRows(*this, *server);
}

TEST_F(MouseTest, ClicksMoveTheCursorAndTheDatabaseServer) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("ktable-mouse-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string path = (dir / "t.dbf").string();
  ASSERT_TRUE(DBServer::DBCreate(path, SmallStruct()));
  {
    auto db = New<DBServer>(path);
    for (int i = 1; i <= 6; ++i) {
      db->Append();
      db->FieldPut("ID", i);
    }
    db->GoTop();
    BindTo(Usual(db));
    ClickRows(*this, *db);
    grid->Use(NIL);
    db->Close();
  }
  WorkAreas::Instance().CloseAll();
  fs::remove_all(dir);
}

TEST_F(MouseTest, AClickOnThePartlyVisibleLastRowBringsItIntoView) {
  Bind(30, 10);
  Click(Cell(1, 10));
  EXPECT_EQ(server->RecNo(), 10);
  EXPECT_EQ(grid->FirstVisibleRowNo(), 2);
  EXPECT_TRUE(grid->IsRowVisible(grid->CurrentRow(), 10, false));
  ExpectConsistent(*grid, *server, "after the click");
}

TEST_F(MouseTest, AClickTakesTheFocus) {
  Bind();
  QWidget other(owner.get());
  other.setFocusPolicy(Qt::StrongFocus);
  other.show();
  owner->activateWindow();
  QApplication::setActiveWindow(owner.get());
  other.setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return other.hasFocus(); }, 2000));
  Click(Cell(2, 3));
  EXPECT_TRUE(QTest::qWaitFor([&] { return grid->hasFocus(); }, 2000));
}

TEST_F(MouseTest, ARightClickMovesTheCursorButOpensNoEditor) {
  Bind();
  grid->Editable(true);
  grid->AutoEdit(Usual(Symbol("Permanent")));
  // Assigning #Permanent tries an editor at once; the click adds none.
  const int edits = grid->edits;
  Click(Cell(1, 5), {}, Qt::RightButton);
  EXPECT_EQ(server->RecNo(), 5);
  EXPECT_EQ(grid->edits, edits);
}

TEST_F(MouseTest, ClickedRecordIsFoundAgainAfterTheEditorWroteAndReordered) {
  Bind(30, 10);
  server->CreateOrder("Server:ID");
  grid->Refresh();
  ASSERT_EQ(grid->CurrentRecNo(), 1);
  grid->inEdit = true;
  // Writing the edited value moves record 1 to the end of the order, so the
  // clicked record is no longer where the click was.
  grid->onClose = [&] { server->FieldPut("ID", 1000); };
  Click(Cell(1, 4));
  EXPECT_EQ(grid->closes, 1);
  EXPECT_EQ(server->RecNo(), 4) << "the click lands on the record that was clicked";
  EXPECT_EQ(grid->CurrentRecNo(), 4);
  ExpectConsistent(*grid, *server, "after the click");
}

TEST_F(MouseTest, AnEditorThatCannotCloseSwallowsTheClick) {
  Bind();
  grid->inEdit = true;
  grid->closeOk = false;
  Click(Cell(1, 4));
  EXPECT_EQ(grid->closes, 1);
  EXPECT_EQ(server->RecNo(), 1);
  EXPECT_EQ(owner->Count("CellSelect"), 0);
}

TEST_F(MouseTest, ClicksOpenTheEditorByAutoEditMode) {
  struct Case {
    const char* mode;
    bool onCurrent;
    int edits;
  };
  const Case cases[] = {{"Permanent", false, 1}, {"Permanent", true, 1}, {"Sensitive", false, 0},
                        {"Sensitive", true, 1},  {"Excel", true, 1},     {"Excel", false, 0},
                        {"Other", true, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + (c.onCurrent ? " current" : " other"));
    Bind();
    grid->Editable(true);
    grid->AutoEdit(Usual(Symbol(c.mode)));
    grid->edits = grid->forwards = 0;
    grid->inEdit = false;
    Click(c.onCurrent ? Cell(1, 1) : Cell(1, 3));
    EXPECT_EQ(grid->edits, c.edits);
    EXPECT_EQ(grid->forwards, c.edits) << "the click goes on to the editor";
    grid->inEdit = false;
  }
}

// ---------------------------------------------------------------------------
// Captions

TEST_F(MouseTest, AQuickCaptionClickNotifiesTheOwnerAndLooksPressedMeanwhile) {
  Bind();
  grid->EnableCaptionClick();
  bool locked = false;
  owner->onCall = [&](const std::string& name, const Usual&) {
    if (name == "CaptionClick") locked = grid->EventLock();
  };
  const QPoint probe(Left() + kWidth + 90, kCaption / 2);
  const QColor up = Paint().pixelColor(probe);
  QTest::mousePress(grid, Qt::LeftButton, {}, Caption(2));
  EXPECT_EQ(grid->PressedCaption(), 2);
  EXPECT_NE(Paint().pixelColor(probe), up) << "the caption is drawn pressed while held";
  QTest::mouseRelease(grid, Qt::LeftButton, {}, Caption(2));
  EXPECT_EQ(grid->PressedCaption(), 0);
  EXPECT_EQ(Paint().pixelColor(probe), up);
  ASSERT_EQ(owner->Count("CaptionClick"), 1);
  EXPECT_EQ(CodeOf("CaptionClick"), 0xF006);
  EXPECT_TRUE(locked) << "the owner is told under the event lock";
  auto* event = dynamic_cast<kColumnEvent*>(owner->calls.back().event.AsObject());
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(event->Column().get(), grid->ColumnOpenList()[1].get());
  EXPECT_EQ(event->ControlID(), 7);
  EXPECT_TRUE(grid->handoffs.empty());
  EXPECT_FALSE(grid->EventLock());
}

TEST_F(MouseTest, HoldingACaptionHandsTheColumnToTheMove) {
  struct Case {
    const char* what;
    bool move, click;
    int freeze, column;
    bool moved;
  };
  const Case cases[] = {{"movable", true, true, 0, 2, true},
                        {"moving off", false, true, 0, 2, false},
                        {"frozen column", true, true, 1, 1, false},
                        {"right of the frozen one", true, false, 1, 2, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bind();
    grid->handoffs.clear();
    grid->EnableColumnMove(Usual(c.move));
    grid->EnableCaptionClick(Usual(c.click));
    grid->Freeze(c.freeze);
    QTest::mousePress(grid, Qt::LeftButton, {}, Caption(c.column));
    QTest::qWait(450);
    EXPECT_EQ(grid->Handed("MoveColumn " + std::to_string(c.column)), c.moved);
    EXPECT_EQ(grid->PressedCaption(), 0) << "released look once the wait is over";
    QTest::mouseRelease(grid, Qt::LeftButton, {}, Caption(c.column));
    EXPECT_EQ(owner->Count("CaptionClick"), 0) << "held too long for a click";
    EXPECT_FALSE(grid->EventLock());
  }
}

TEST_F(MouseTest, APressHeldOnAColumnEdgeResizes) {
  Bind();
  grid->EnableCaptionClick();
  // Released within 100 ms: neither a resize nor a click.
  Click(Edge(1));
  EXPECT_TRUE(grid->handoffs.empty());
  EXPECT_EQ(owner->Count("CaptionClick"), 0);
  QTest::mousePress(grid, Qt::LeftButton, {}, Edge(1));
  EXPECT_EQ(grid->PressedCaption(), 0) << "an edge does not look pressed";
  QTest::qWait(150);
  EXPECT_TRUE(grid->Handed("ResizeColumn 1"));
  QTest::mouseRelease(grid, Qt::LeftButton, {}, Edge(1));
  // Resizing off, or a column that keeps its width: the edge is a caption.
  grid->handoffs.clear();
  grid->GetColumn("ID")->Resizable(false);
  Click(Edge(1));
  EXPECT_EQ(owner->Count("CaptionClick"), 1);
  grid->GetColumn("ID")->Resizable(true);
  grid->EnableColumnResize(false);
  QTest::mousePress(grid, Qt::LeftButton, {}, Edge(1));
  QTest::qWait(150);
  QTest::mouseRelease(grid, Qt::LeftButton, {}, Edge(1));
  EXPECT_FALSE(grid->Handed("ResizeColumn 1"));
}

TEST_F(MouseTest, DoubleClicks) {
  Bind();
  // On an edge: fit the width.
  QTest::mouseDClick(grid, Qt::LeftButton, {}, Edge(2));
  EXPECT_TRUE(grid->Handed("ResizeColumnAuto 2"));
  // On a caption: only with caption clicks.
  QTest::mouseDClick(grid, Qt::LeftButton, {}, Caption(2));
  EXPECT_EQ(owner->Count("CaptionDoubleClick"), 0);
  grid->EnableCaptionClick();
  QTest::mouseDClick(grid, Qt::LeftButton, {}, Caption(2));
  EXPECT_EQ(owner->Count("CaptionDoubleClick"), 1);
  EXPECT_EQ(CodeOf("CaptionDoubleClick"), 0xF009);
  // On the current cell.
  owner->calls.clear();
  DoubleClick(Cell(1, 3));
  EXPECT_EQ(owner->Count("CellDoubleClick"), 1);
  EXPECT_EQ(CodeOf("CellDoubleClick"), 0xF002);
  EXPECT_EQ(grid->edits, 0) << "not editable";
  // Not on the current cell: nothing.
  QTest::mouseDClick(grid, Qt::LeftButton, {}, Cell(1, 5));
  EXPECT_EQ(owner->Count("CellDoubleClick"), 1);
  // Editable: the editor opens on the double-clicked cell.
  grid->Editable(true);
  DoubleClick(Cell(1, 6));
  EXPECT_EQ(owner->Count("CellDoubleClick"), 2);
  EXPECT_EQ(grid->edits, 1);
  // Not for a column that cannot be edited.
  grid->inEdit = false;
  grid->GetColumn("ID")->Editable(false);
  QTest::mouseDClick(grid, Qt::LeftButton, {}, Cell(1, 6));
  EXPECT_EQ(owner->Count("CellDoubleClick"), 3);
  EXPECT_EQ(grid->edits, 1);
}

TEST_F(MouseTest, FooterClicksAndDoubleClicks) {
  Bind(30, 8, 20);
  Click(Footer(2));
  ASSERT_EQ(owner->Count("FooterClick"), 1);
  EXPECT_EQ(CodeOf("FooterClick"), 0xF00C);
  auto* event = dynamic_cast<kColumnEvent*>(owner->calls.back().event.AsObject());
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(event->Column().get(), grid->ColumnOpenList()[1].get());
  QTest::mouseDClick(grid, Qt::LeftButton, {}, Footer(3));
  EXPECT_EQ(owner->Count("FooterDoubleClick"), 1);
  EXPECT_EQ(CodeOf("FooterDoubleClick"), 0xF00D);
  // A hidden footer cell tells nothing; the footer never moves the cursor.
  grid->GetColumn("AGE")->FooterVisible(false);
  Click(Footer(3));
  EXPECT_EQ(owner->Count("FooterClick"), 1);
  EXPECT_EQ(server->RecNo(), 1);
}

TEST_F(MouseTest, SelectorClicksMoveToTheRecord) {
  Bind();
  grid->EnableSelector();
  grid->Recalculate();
  Click(Selector(3));
  EXPECT_EQ(server->RecNo(), 3);
  EXPECT_EQ(grid->CurrentRow(), 3);
  EXPECT_EQ(owner->Count("CellSelect"), 1);
}

TEST_F(MouseTest, RowEdgesHandTheRowToTheResize) {
  Bind();
  Click(RowEdge(2, Cell(2, 1).x()));
  EXPECT_TRUE(grid->handoffs.empty()) << "row resizing is off by default";
  grid->EnableRowResize();
  Click(RowEdge(2, Cell(2, 1).x()));
  EXPECT_TRUE(grid->Handed("ResizeRow 2"));
  EXPECT_TRUE(grid->Handed("ResizeRowRecord 2"));
  // With the selector shown only there.
  grid->handoffs.clear();
  grid->EnableSelector();
  grid->Recalculate();
  Click(RowEdge(3, Cell(2, 1).x()));
  EXPECT_TRUE(grid->handoffs.empty());
  Click(RowEdge(3, grid->SelectorRect().left + 3));
  EXPECT_TRUE(grid->Handed("ResizeRow 3"));
}

TEST_F(MouseTest, PointerShapesOverEdgesAndCaptions) {
  Bind();
  grid->EnableRowResize();
  grid->Freeze(1);
  // A movable caption has no pointer of its own unless one is given.
  EXPECT_TRUE(grid->PropertyGet(Symbol("CaptionTouchPointer")).IsNil());
  Move(Caption(2));
  EXPECT_FALSE(grid->testAttribute(Qt::WA_SetCursor));
  grid->PropertyPut(Symbol("CaptionTouchPointer"), Usual(New<Pointer>(PointerHand)));
  struct Case {
    const char* what;
    QPoint at;
    bool set;
    Qt::CursorShape shape;
  };
  const Case cases[] = {
      {"column edge", Edge(2), true, Qt::SizeHorCursor},
      {"movable caption", Caption(2), true, Qt::PointingHandCursor},
      {"frozen caption", Caption(1), false, Qt::ArrowCursor},
      {"row edge", RowEdge(2, Cell(2, 1).x()), true, Qt::SizeVerCursor},
      {"cell", Cell(2, 3), false, Qt::ArrowCursor},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Move(c.at);
    EXPECT_EQ(grid->testAttribute(Qt::WA_SetCursor), c.set);
    if (c.set) {
      EXPECT_EQ(grid->cursor().shape(), c.shape);
    }
  }
  // Without a pointer in the property nothing is set.
  grid->PropertyPut(Symbol("ColumnResizePointer"), NIL);
  Move(Edge(2));
  EXPECT_FALSE(grid->testAttribute(Qt::WA_SetCursor));
}

TEST_F(MouseTest, WheelStepsByNotchesWhateverTheDelta) {
  Bind(100);
  auto wheel = [&](int delta, Qt::KeyboardModifiers m) {
    const QPoint p = Cell(2, 3);
    QWheelEvent e(p, grid->mapToGlobal(p), QPoint(), QPoint(0, delta), Qt::NoButton, m, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid, &e);
  };
  const std::int64_t start = grid->FirstVisibleRowNo();
  wheel(-120, {});
  EXPECT_EQ(grid->FirstVisibleRowNo(), start + 1);
  wheel(-360, {});
  EXPECT_EQ(grid->FirstVisibleRowNo(), start + 2) << "one notch per event";
  grid->PropertyPut(Symbol("MouseWheelUnitSize"), Usual(3));
  wheel(-30, {});
  EXPECT_EQ(grid->FirstVisibleRowNo(), start + 5);
  wheel(120, {});
  EXPECT_EQ(grid->FirstVisibleRowNo(), start + 2);
  const std::int64_t before = grid->FirstVisibleRowNo();
  wheel(-120, Qt::ShiftModifier);
  EXPECT_EQ(grid->FirstVisibleRowNo(), before + grid->VisibleRowCount() - 1) << "Shift pages";
  EXPECT_EQ(server->RecNo(), 1) << "the wheel never moves the cursor";
}

// Another client refuses the move of a click: the cursor stays in its cell,
// the selection stays, and the owner hears nothing.
class VetoClient : public Object {
 public:
  const ClassInfo& Class() const override {
    static ClassInfo info("MouseTestVetoClient", &Object::StaticClass());
    static bool once = [] {
      info.Method<VetoClient>("Notify",
                              [](VetoClient&, Args a) { return Usual(!(a.size() > 0 && a[0].AsInteger() == 2)); });
      return true;
    }();
    (void)once;
    return info;
  }
};

TEST_F(MouseTest, AClickAnotherClientRefusesLeavesTheCursorWhereItWas) {
  Bind();
  Focus();
  auto veto = New<VetoClient>();
  server->RegisterClient(veto.get());
  ASSERT_EQ(grid->CurrentColumn(), 1);
  for (int column : {3, 1}) {
    SCOPED_TRACE(column);
    Click(Cell(column, 5));
    EXPECT_EQ(server->RecNo(), 1);
    EXPECT_EQ(grid->CurrentRecNo(), 1);
    EXPECT_EQ(grid->CurrentColumn(), 1) << "the column moved although the move was refused";
    EXPECT_EQ(owner->Count("CellSelect"), 0);
    EXPECT_TRUE(grid->IsCellSelected(1, 1, 1));
    EXPECT_FALSE(grid->IsCellSelected(column, 5, 5));
  }
  server->UnRegisterClient(veto.get());
  Click(Cell(3, 5));
  EXPECT_EQ(grid->CurrentRecNo(), 5);
  EXPECT_EQ(grid->CurrentColumn(), 3);
}

// Keys and clicks on servers of every shape: empty, one record, a filter,
// an order, hidden deleted records, at the end of file. After each input
// the lock and the brackets are closed and the grid stands where the
// server stands.
struct MouseSweepTest : MouseFixture {
  void Check(const std::string& what) {
    SCOPED_TRACE(what);
    EXPECT_FALSE(grid->EventLock());
    EXPECT_EQ(grid->SequenceCount(), 0);
    if (grid->Used() && !server->EoF()) {
      EXPECT_EQ(grid->CurrentRecNo(), server->RecNo());
    }
    ExpectConsistent(*grid, *server, what.c_str());
  }
};

TEST_F(MouseSweepTest, KeysAndClicksOnEveryServerShape) {
  struct Shape {
    const char* name;
    int records;
    const char* filter;
    bool order, hideDeleted, eof;
    bool frozen = false;
  };
  const Shape shapes[] = {{"empty", 0, nullptr, false, false, false},
                          {"one record", 1, nullptr, false, false, false},
                          {"filter", 30, "Server:AGE < 25", false, false, false},
                          {"order", 30, nullptr, true, false, false},
                          {"hidden deleted", 30, nullptr, false, true, false},
                          {"at end of file", 5, nullptr, false, false, true},
                          {"frozen and scrolled", 30, nullptr, false, false, false, true}};
  for (const Shape& s : shapes) {
    for (const char* mode : {"Simple", "Multiple"})
      for (const char* current : {"Cell", "Row", "FirstCell"}) {
        SCOPED_TRACE(std::string(s.name) + " " + mode + " " + current);
        runtime->deleted = s.hideDeleted;
        server = New<kArrayServer>(SmallStruct(), Usual(SmallData(s.records)));
        if (s.hideDeleted)
          for (std::int64_t r : {2, 3, 7}) {
            server->GoTo(r);
            server->Delete();
          }
        if (s.filter) server->SetFilter(Usual(s.filter));
        if (s.order) server->CreateOrder(Usual("Server:AGE"));
        server->GoTop();
        BindTo(Usual(server));
        if (s.frozen) {
          grid->Use(Usual(server), Usual(Array{"ID", "NAME", "AGE", "ID", "NAME", "AGE", "ID", "NAME"}));
          for (const auto& c : grid->ColumnList()) c->Width(kWidth);
          grid->Freeze(1);
          grid->SetFirstColumn(4);
        }
        grid->CurrentMode(Symbol(current));
        grid->EnableSelector();
        grid->EnableCaptionClick();
        grid->FooterHeight(20);
        grid->Recalculate();
        grid->SelectionMode(Symbol(mode));
        grid->AutoSkip(true);
        grid->TabKeyMode(Symbol("MoveToSelectableCell"));
        Focus();
        if (s.eof) server->GoTo(server->LastRec() + 1);
        Check("bound");
        for (auto [key, m] : std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>>{
                 {Qt::Key_Down, {}}, {Qt::Key_Down, Qt::ShiftModifier}, {Qt::Key_Right, {}}, {Qt::Key_End, {}},
                 {Qt::Key_Right, {}}, {Qt::Key_Left, Qt::ShiftModifier}, {Qt::Key_Home, {}}, {Qt::Key_Left, {}},
                 {Qt::Key_Space, Qt::ControlModifier}, {Qt::Key_Space, Qt::ShiftModifier}, {Qt::Key_PageDown, {}},
                 {Qt::Key_PageDown, Qt::ControlModifier}, {Qt::Key_Down, {}}, {Qt::Key_Up, Qt::ControlModifier},
                 {Qt::Key_PageUp, Qt::ShiftModifier}, {Qt::Key_PageUp, Qt::ControlModifier}, {Qt::Key_Return, {}},
                 {Qt::Key_F5, {}}, {Qt::Key_Tab, {}}, {Qt::Key_Backtab, {}}}) {
          grid->setFocus();
          QTest::keyClick(grid, key, m);
          Check(QKeySequence(int(m) | key).toString().toStdString());
        }
        for (int row = 1; row <= 10; ++row) {
          Click(Cell(1 + row % 3, row), row % 2 ? Qt::ShiftModifier : Qt::ControlModifier);
          Check("click row " + std::to_string(row));
          Click(Selector(row), row % 2 ? Qt::NoModifier : Qt::ShiftModifier);
          Check("selector row " + std::to_string(row));
        }
        DoubleClick(Cell(2, 2));
        Click(Caption(2));
        Click(Caption(3), Qt::ShiftModifier);
        Click(Footer(1));
        Click(Cell(2, 3), {}, Qt::RightButton);
        Check("captions and footers");
        Paint();
        grid->CopySelection();
        grid->Use(NIL);
        grid->Freeze(0);
        grid->CurrentMode(Symbol("Cell"));
        grid->EnableSelector(false);
      }
  }
}

// Every late-bound name of the input handling with arguments of the wrong
// kind: errors are reported, nothing crashes, the grid stays sound.
TEST_F(MouseTest, LateBoundInputNamesWithArgumentsOfEveryKind) {
  Bind();
  Focus();
  std::vector<ErrorRef> errors;
  Runtime::SetErrorBlock([&](const ErrorRef& e) {
    errors.push_back(e);
    return Usual();
  });
  const Usual values[] = {NIL,
                          Usual("x"),
                          Usual(""),
                          Usual(std::int64_t(1) << 40),
                          Usual(-std::int64_t(1) << 40),
                          Usual(-1),
                          Usual(0),
                          Usual(3),
                          Usual(1e300),
                          Usual(std::numeric_limits<double>::quiet_NaN()),
                          Usual(true),
                          Usual(Symbol("Bogus")),
                          Usual(Array{1, 2}),
                          Usual(New<Menu>()),
                          Usual(static_cast<Object*>(grid))};
  const char* methods[] = {"SkipToCell", "SetCurrentColumn", "GetNewSelectableColumn", "GetNewEditableColumn",
                           "IsCellSelectable", "CellSelect", "CellDoubleClick", "CaptionClick",
                           "CaptionDoubleClick", "FooterClick", "FooterDoubleClick", "SetContextMenu",
                           "GetContextMenu", "GetColumnContextMenu", "ContextMenuShow", "MenuCommand",
                           "OwnerEventHandler", "EnableCaptionClick", "EnableColumnMove", "EnableColumnResize",
                           "EnableRowResize"};
  const char* assigns[] = {"TabKeyMode", "AutoSkip", "CurrentMode", "KeyCommand", "CurrentColumn"};
  const auto previous = Menu::SetPopupHandler([](Menu&, QWidget*, QPoint) { return 0; });
  for (const char* m : methods)
    for (const Usual& a : values)
      for (const Usual& b : values) {
        const Usual args[] = {a, b, a, b, a};
        GuardedCall([&] { grid->Send(Symbol(m), Args(args)); });
      }
  for (const char* name : assigns)
    for (const Usual& a : values) GuardedCall([&] { grid->Assign(Symbol(name), a); });
  Menu::SetPopupHandler(previous);
  EXPECT_FALSE(grid->EventLock());
  EXPECT_GE(grid->CurrentColumn(), 0);
  EXPECT_LE(grid->CurrentColumn(), grid->ColumnOpenCount());
  grid->CurrentMode(Symbol("Cell"));
  grid->TabKeyMode(Symbol("MoveToControl"));
  ExpectConsistent(*grid, *server, "after the calls");
  Paint();
  // The grid still takes input.
  Click(Cell(2, 3));
  EXPECT_EQ(server->RecNo(), 3);
  Runtime::SetErrorBlock(nullptr);
}

}  // namespace
}  // namespace kt::test
