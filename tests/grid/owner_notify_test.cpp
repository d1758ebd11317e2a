// kTable's notifications to its owner window: each with its code and event,
// the answer of CaptionClick, the generic command path for an owner without
// the method, and the timed refresh's notification.
#include <gtest/gtest.h>

#include <QTest>
#include <QVBoxLayout>

#include "grid/grid_event.h"
#include "grid/window_hooks.h"
#include "keys_fixture.h"
#include "mouse_fixture.h"
#include "platform/gui/menu.h"

namespace kt::test {
namespace {

struct OwnerNotifyTest : MouseFixture {
  // Waits for the owner's Dispatch to have been called `n` times.
  bool Dispatched(int n) {
    return QTest::qWaitFor([&] { return owner->Count("Dispatch") >= n; }, 2000) && owner->Count("Dispatch") == n;
  }
};

// An owner with no notification method: everything it hears comes through
// its Dispatch.
class DispatchOwner : public Window {
 public:
  std::vector<int> codes;
  Usual Dispatch(const Ref<Object>& event) override {
    codes.push_back(event && event->HasAccess(Symbol("NotifyCode"))
                        ? int(event->Access(Symbol("NotifyCode")).AsInteger())
                        : -1);
    return NIL;
  }
  int Count(int code) const { return int(std::count(codes.begin(), codes.end(), code)); }
};

TEST_F(OwnerNotifyTest, EachNotificationCarriesItsCodeAndEvent) {
  Bind();
  const Usual column(grid->ColumnOpenList()[2]);
  struct Case {
    const char* name;
    bool withColumn;
    int code;
  };
  const Case cases[] = {{"CellSelect", false, 0xF001},        {"CellDoubleClick", false, 0xF002},
                        {"CaptionClick", true, 0xF006},       {"CaptionDoubleClick", true, 0xF009},
                        {"FooterClick", true, 0xF00C},        {"FooterDoubleClick", true, 0xF00D}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    owner->calls.clear();
    const Usual a[] = {column};
    grid->Send(Symbol(c.name), c.withColumn ? Args(a) : Args());
    ASSERT_EQ(owner->Names(), std::vector<std::string>{c.name});
    Object* event = owner->calls[0].event.AsObject();
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->Access(Symbol("Message")).AsInteger(), 0x111);
    EXPECT_EQ(event->Access(Symbol("NotifyCode")).AsInteger(), c.code);
    EXPECT_EQ(event->Access(Symbol("wParam")).AsInteger(), (std::int64_t(c.code) << 16) | 7);
    EXPECT_EQ(event->Access(Symbol("Control")).AsObject(), static_cast<Object*>(grid));
    if (c.withColumn) {
      EXPECT_EQ(event->Access(Symbol("Column")).AsObject(), column.AsObject());
    }
  }
}

TEST_F(OwnerNotifyTest, CaptionClickIsTakenOnlyByALogicTrue) {
  Bind();
  kDataColumn* column = grid->ColumnOpenList()[0].get();
  struct Case {
    Usual answer;
    bool taken;
  };
  const Case cases[] = {{Usual(true), true}, {Usual(false), false}, {Usual(1), false}, {NIL, false}, {Usual("yes"), false}};
  for (const Case& c : cases) {
    owner->results["CaptionClick"] = c.answer;
    EXPECT_EQ(grid->CaptionClick(column), c.taken);
  }
}

TEST_F(OwnerNotifyTest, WithoutTheMethodsOnlyCellNotificationsTakeTheCommandPath) {
  auto plain = std::make_unique<DispatchOwner>();
  plain->resize(600, 400);
  plain->show();
  kTable* g = new kTable(plain.get(), 3);
  g->show();
  g->resize(400, 200);
  auto s = New<kArrayServer>(SmallStruct(), Usual(SmallData(10)));
  ASSERT_TRUE(g->Use(Usual(s)));
  EXPECT_GE(plain->Count(0xF001), 1) << "Use tells of the current cell";
  plain->codes.clear();
  s->GoTo(4);
  EXPECT_EQ(plain->codes, std::vector<int>{0xF001});
  kDataColumn* column = g->ColumnOpenList()[0].get();
  EXPECT_TRUE(g->CellDoubleClick());
  EXPECT_FALSE(g->CaptionClick(column));
  EXPECT_FALSE(g->CaptionDoubleClick(column));
  EXPECT_FALSE(g->FooterClick(column));
  EXPECT_FALSE(g->FooterDoubleClick(column));
  EXPECT_EQ(plain->codes, (std::vector<int>{0xF001, 0xF002}));
}

TEST_F(OwnerNotifyTest, TheTimedRefreshTellsTheOwnerThroughItsCommandPath) {
  Bind(10);
  auto change = [&](const char* name) {
    server->SuspendNotification();
    server->GoTo(2);
    server->FieldPut("NAME", name);
    server->GoTo(1);
    server->ResetNotification();
  };
  change("changed");
  grid->AutoRefreshTime(5);
  EXPECT_TRUE(Dispatched(1));
  EXPECT_EQ(CodeOf("Dispatch"), 0xF00A);
  EXPECT_EQ(grid->BufferedCell(2, 2)->text, "changed");
  // Nothing changed: nothing to tell.
  QTest::qWait(50);
  EXPECT_EQ(owner->Count("Dispatch"), 1);
  // Hidden, the grid waits unless told otherwise.
  grid->hide();
  change("hidden");
  QTest::qWait(50);
  EXPECT_EQ(owner->Count("Dispatch"), 1);
  grid->PropertyPut(Symbol("AutoRefreshWhenHidden"), Usual(true));
  EXPECT_TRUE(Dispatched(2));
  // Nor while a cell is edited.
  grid->inEdit = true;
  change("edited");
  QTest::qWait(50);
  EXPECT_EQ(owner->Count("Dispatch"), 2);
  grid->inEdit = false;
  EXPECT_TRUE(Dispatched(3));
  grid->AutoRefreshTime(0);
  EXPECT_FALSE(grid->EventLock());
}

TEST_F(OwnerNotifyTest, TheTimedRefreshRunsUnderTheEventLock) {
  Bind(10);
  bool locked = false;
  owner->onCall = [&](const std::string& name, const Usual&) {
    if (name == "Dispatch") locked = grid->EventLock();
  };
  server->SuspendNotification();
  server->Append();
  server->GoTo(1);
  server->ResetNotification();
  grid->AutoRefreshTime(5);
  EXPECT_TRUE(Dispatched(1));
  grid->AutoRefreshTime(0);
  EXPECT_TRUE(locked);
  EXPECT_EQ(grid->LastRec(), 11);
}

// The owner changes the columns or lets the server go in its CaptionClick
// and leaves the click to the grid: no column is selected that is not the
// one clicked.
TEST_F(OwnerNotifyTest, ACaptionClickOwnerThatChangesTheColumnsSelectsNoOtherColumn) {
  const char* cases[] = {"close the clicked column", "close the first column", "clear", "Use(NIL)"};
  for (int variant = 0; variant < 4; ++variant) {
    SCOPED_TRACE(cases[variant]);
    Bind();
    Focus();
    grid->SelectionMode(Symbol("Multiple"));
    grid->EnableCaptionClick();
    owner->onCall = [&](const std::string& name, const Usual&) {
      if (name != "CaptionClick") return;
      if (variant == 0) grid->CloseColumn(Usual(3));
      else if (variant == 1) grid->CloseColumn(Usual(1));
      else if (variant == 2) grid->Clear();
      else grid->Use(NIL);
    };
    Click(Caption(3));
    owner->onCall = nullptr;
    EXPECT_EQ(owner->Count("CaptionClick"), 1);
    EXPECT_FALSE(grid->EventLock());
    for (std::int64_t r = grid->SelectionFirstRow(); r != 0; r = grid->SelectionNextRow())
      for (int c = grid->SelectionFirstColumn(); c != 0; c = grid->SelectionNextColumn())
        EXPECT_LE(c, grid->ColumnOpenCount()) << "record " << r << " holds a column that is not open";
    if (variant == 1) {
      // AGE moved to position 2: a selection there would be of a column
      // nobody clicked, and NAME, now at 1, was not clicked either.
      EXPECT_FALSE(grid->IsCellSelected(2, 3, 3));
    }
    if (grid->Used()) {
      grid->OpenColumn(Usual(grid->GetColumn(variant == 1 ? "ID" : "AGE")));
      for (int c = 1; c <= grid->ColumnOpenCount(); ++c)
        EXPECT_FALSE(grid->IsCellSelected(c, 5, 5) && grid->IsCellSelected(c, 6, 6))
            << "column " << c << " is selected as a whole although it was never clicked";
    }
    Paint();
    grid->Use(NIL);
  }
}

// The owner lets the server go or clears the columns in its CellSelect,
// by clicks of every kind: nothing fails, the lock is clear.
TEST_F(OwnerNotifyTest, ACellSelectOwnerThatDropsTheServerOrTheColumns) {
  for (int variant = 0; variant < 2; ++variant) {
    SCOPED_TRACE(variant == 0 ? "Use(NIL)" : "Clear()");
    Bind();
    Focus();
    grid->EnableSelector();
    grid->Recalculate();
    grid->Editable(true);
    grid->AutoEdit(Usual(Symbol("Permanent")));
    bool once = false;
    owner->onCall = [&](const std::string& name, const Usual&) {
      if (name == "CellSelect" && !std::exchange(once, true)) {
        if (variant == 0) grid->Use(NIL);
        else grid->Clear();
      }
    };
    Click(Cell(2, 3));
    EXPECT_EQ(grid->SequenceCount(), 0);
    once = false;
    Click(Cell(2, 4));
    Click(Selector(2));
    DoubleClick(Cell(1, 1));
    Paint();
    EXPECT_FALSE(grid->EventLock());
    EXPECT_EQ(grid->SequenceCount(), 0);
    owner->onCall = nullptr;
    grid->inEdit = false;
    grid->AutoEdit(NIL);
    grid->Editable(false);
    grid->EnableSelector(false);
  }
}

// CaptionClick and the other column notifications called by name need a
// column of the grid: anything else is an argument error and tells nothing.
TEST_F(OwnerNotifyTest, LateBoundColumnNotificationsRefuseAnUnknownColumn) {
  Bind();
  std::vector<ErrorRef> errors;
  Runtime::SetErrorBlock([&](const ErrorRef& e) {
    errors.push_back(e);
    return Usual();
  });
  const Usual strange[] = {Usual("x"), NIL, Usual(9), Usual(0), Usual(New<Menu>())};
  for (const char* name : {"CaptionClick", "CaptionDoubleClick", "FooterClick", "FooterDoubleClick"}) {
    for (const Usual& column : strange) {
      SCOPED_TRACE(std::string(name) + " " + column.TypeLetter());
      errors.clear();
      owner->calls.clear();
      const Usual a[] = {column};
      grid->Send(Symbol(name), Args(a));
      EXPECT_EQ(errors.size(), 1u);
      EXPECT_EQ(owner->Count(name), 0);
    }
    // A column by name or position is known.
    owner->calls.clear();
    const Usual byName[] = {Usual("NAME")};
    grid->Send(Symbol(name), Args(byName));
    EXPECT_EQ(owner->Count(name), 1);
  }
  Runtime::SetErrorBlock(nullptr);
}

// ---------------------------------------------------------------------------
// Which window is the owner: the nearest Window the grid lives in, also
// when a layout puts the grid into a plain container, and a new one when
// the grid is moved.

TEST(OwnerResolutionTest, AGridInAContainerOfItsOwnerStillTellsTheOwner) {
  ScopedRuntime runtime;
  auto owner = std::make_unique<RecordingOwner>();
  owner->resize(600, 400);
  auto* box = new QWidget(owner.get());
  auto* layout = new QVBoxLayout(box);
  box->setGeometry(0, 0, 500, 300);
  auto* grid = new kTable(owner.get(), 5);
  layout->addWidget(grid);  // the layout makes `box` the grid's parent
  ASSERT_EQ(grid->parentWidget(), box);
  owner->show();
  auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(10)));
  grid->RowHeight(20);
  grid->CaptionHeight(24);
  ASSERT_TRUE(grid->Use(Usual(server), Usual(Array{"ID", "NAME", "AGE"})));
  owner->calls.clear();
  QTest::mouseClick(grid, Qt::LeftButton, {}, QPoint(grid->DataRect().left + 30, 24 + 2 * 20 + 10));
  EXPECT_EQ(server->RecNo(), 3);
  EXPECT_EQ(owner->Count("CellSelect"), 1) << "the owner window hears nothing of the click";

  // A command of the grid's own context menu reaches the grid.
  auto menu = New<Menu>();
  menu->AppendItem("First", Symbol("GoTop"));
  grid->SetContextMenu(Usual(menu), Symbol("Data"));
  const auto previous = Menu::SetPopupHandler([](Menu&, QWidget*, QPoint) { return 1; });
  grid->ContextMenuShow(nullptr);
  Menu::SetPopupHandler(previous);
  EXPECT_EQ(server->RecNo(), 1) << "the grid's context-menu command went nowhere";
  grid->Use(NIL);
}

// An owner that has no notification method: it hears CellSelect through
// its Dispatch.
class PlainOwner : public Window {
 public:
  int dispatched = 0;
  Usual Dispatch(const Ref<Object>&) override {
    ++dispatched;
    return NIL;
  }
};

TEST(OwnerResolutionTest, AMovedGridTellsItsNewOwnerOnly) {
  ScopedRuntime runtime;
  std::vector<ErrorRef> errors;
  Runtime::SetErrorBlock([&](const ErrorRef& e) {
    errors.push_back(e);
    return Usual();
  });
  auto first = std::make_unique<RecordingOwner>();
  auto second = std::make_unique<PlainOwner>();
  auto loose = std::make_unique<QWidget>();
  for (QWidget* w : {static_cast<QWidget*>(first.get()), static_cast<QWidget*>(second.get()), loose.get()}) {
    w->resize(600, 400);
    w->show();
  }
  auto* grid = new kTable(first.get(), 5);
  EXPECT_EQ(hooks::Count(first.get()), 1);
  auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(10)));
  grid->RowHeight(20);
  grid->CaptionHeight(24);
  grid->resize(400, 300);
  ASSERT_TRUE(grid->Use(Usual(server), Usual(Array{"ID", "NAME", "AGE"})));
  auto click = [&](int row) { QTest::mouseClick(grid, Qt::LeftButton, {}, QPoint(grid->DataRect().left + 30, 24 + (row - 1) * 20 + 10)); };

  grid->setParent(second.get());
  grid->show();
  EXPECT_FALSE(grid->OwnerHas(kTable::kCellSelect));
  EXPECT_EQ(hooks::Count(first.get()), 0) << "the hook stays on the old owner";
  EXPECT_EQ(hooks::Count(second.get()), 1);
  first->calls.clear();
  click(3);
  EXPECT_EQ(server->RecNo(), 3);
  EXPECT_EQ(second->dispatched, 1);
  EXPECT_EQ(first->Count("CellSelect"), 0);
  EXPECT_TRUE(errors.empty()) << "the grid called methods its new owner does not have";

  // Under no Window at all: nobody is told, nothing fails.
  auto* inner = new QWidget(loose.get());
  inner->resize(500, 350);
  inner->show();
  grid->setParent(inner);
  grid->show();
  EXPECT_EQ(hooks::Count(second.get()), 0);
  EXPECT_EQ(hooks::CountOf(grid), 0);
  click(5);
  EXPECT_EQ(server->RecNo(), 5);
  EXPECT_EQ(second->dispatched, 1);
  EXPECT_TRUE(errors.empty());

  // And back into a Window with every method.
  grid->setParent(first.get());
  grid->show();
  EXPECT_TRUE(grid->OwnerHas(kTable::kCellSelect));
  EXPECT_EQ(hooks::Count(first.get()), 1);
  click(2);
  EXPECT_EQ(first->Count("CellSelect"), 1);
  grid->Use(NIL);
  Runtime::SetErrorBlock(nullptr);
}

// Owners that move the server from their CellSelect, by a key and by a
// click, on both kinds of server.
struct OwnerMovesTest : KeysFixture, ::testing::TestWithParam<ServerKind> {
  QPoint Cell(int column, int row) const { return {grid->DataRect().left + (column - 1) * 100 + 50, 24 + (row - 1) * 20 + 10}; }
};

TEST_P(OwnerMovesTest, TheGridFollowsAMoveTheOwnerMakesInCellSelect) {
  Bind(GetParam());
  Activate();
  int cellSelects = 0;
  std::int64_t target = 0;
  owner->onCall = [&](const std::string& name, const Usual&) {
    if (name != "CellSelect") return;
    ++cellSelects;
    if (const std::int64_t to = std::exchange(target, 0)) server->GoTo(to);
  };
  target = 20;
  Press(Qt::Key_Down);
  EXPECT_EQ(server->RecNo(), 20);
  EXPECT_EQ(grid->CurrentRecNo(), 20);
  EXPECT_EQ(cellSelects, 2) << "once for the key's move, once for the owner's";
  ExpectConsistent(*grid, *server, "the owner moved during Down");
  Press(Qt::Key_Down);
  EXPECT_EQ(server->RecNo(), 21);
  EXPECT_EQ(grid->CurrentRecNo(), 21);
  EXPECT_EQ(cellSelects, 3);

  target = 5;
  QTest::mouseClick(grid, Qt::LeftButton, {}, Cell(3, 2));
  EXPECT_EQ(server->RecNo(), 5);
  EXPECT_EQ(grid->CurrentRecNo(), 5);
  EXPECT_EQ(grid->CurrentColumn(), 3);
  EXPECT_EQ(cellSelects, 5);
  ExpectConsistent(*grid, *server, "the owner moved during a click");
  EXPECT_FALSE(grid->EventLock());
  EXPECT_EQ(grid->SequenceCount(), 0);
  owner->onCall = nullptr;
}

// The owner's CellSelect fails while a key or a click moves the cursor: the
// error is reported, the grid's brackets and lock are closed, the grid is
// where the server is, and the next key works.
TEST_P(OwnerMovesTest, AFailingCellSelectLeavesTheGridSound) {
  Bind(GetParam());
  Activate();
  bool fail = true;
  owner->onCall = [&](const std::string& name, const Usual&) {
    if (name == "CellSelect" && std::exchange(fail, false)) throw std::runtime_error("owner failed");
  };
  Press(Qt::Key_Down);
  EXPECT_EQ(log.errors.size(), 1u);
  EXPECT_FALSE(grid->EventLock());
  EXPECT_EQ(grid->SequenceCount(), 0);
  EXPECT_EQ(server->RecNo(), 2);
  EXPECT_EQ(grid->CurrentRecNo(), 2);
  ExpectConsistent(*grid, *server, "after the failure");
  Press(Qt::Key_Down);
  EXPECT_EQ(grid->CurrentRecNo(), 3);
  fail = true;
  QTest::mouseClick(grid, Qt::LeftButton, {}, Cell(2, 6));
  EXPECT_EQ(log.errors.size(), 2u);
  EXPECT_FALSE(grid->EventLock());
  EXPECT_EQ(grid->SequenceCount(), 0);
  EXPECT_EQ(server->RecNo(), 6);
  EXPECT_EQ(grid->CurrentRecNo(), 6);
  Press(Qt::Key_Down);
  EXPECT_EQ(grid->CurrentRecNo(), 7);
  EXPECT_EQ(server->RecNo(), 7);
  owner->onCall = nullptr;
}

// The owner lets the server go in its CellSelect while a key moves the
// cursor: the grid keeps the focus and takes every key without a server.
TEST_P(OwnerMovesTest, AnOwnerThatLetsTheServerGoDuringAKey) {
  Bind(GetParam());
  Activate();
  bool dropped = false;
  owner->onCall = [&](const std::string& name, const Usual&) {
    if (name == "CellSelect" && !std::exchange(dropped, true)) grid->Use(NIL);
  };
  Press(Qt::Key_Right);
  EXPECT_TRUE(dropped);
  EXPECT_FALSE(grid->Used());
  EXPECT_EQ(QApplication::focusWidget(), grid);
  for (Qt::Key k : {Qt::Key_Down, Qt::Key_Up, Qt::Key_End, Qt::Key_Home, Qt::Key_PageDown, Qt::Key_F5, Qt::Key_Space})
    Press(k);
  EXPECT_FALSE(grid->EventLock());
  EXPECT_EQ(grid->SequenceCount(), 0);
  EXPECT_TRUE(log.errors.empty());
  owner->onCall = nullptr;
}

INSTANTIATE_TEST_SUITE_P(Servers, OwnerMovesTest, ::testing::Values(ServerKind::Array, ServerKind::Table), ServerName);

}  // namespace
}  // namespace kt::test
