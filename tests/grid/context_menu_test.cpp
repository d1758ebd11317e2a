// kTable's context menus: the menu of each area with the columns' own menus
// in front, the keyboard invocation at the current cell, and the commands
// chosen from them (a grid method, a window class, the owner's own).
#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QPointer>

#include "grid/key_command.h"
#include "grid/window_hooks.h"
#include "keys_fixture.h"
#include "mouse_fixture.h"
#include "platform/gui/menu.h"

namespace kt::test {
namespace {

// Installs a pop-up handler for the scope: it records each menu shown and
// where, and chooses `choose` (0: nothing).
struct PopupRecorder {
  std::vector<Menu*> shown;
  std::vector<QPoint> at;
  std::vector<QWidget*> owners;
  int choose = 0;
  std::function<void()> during;
  Menu::PopupHandler previous;
  PopupRecorder() {
    previous = Menu::SetPopupHandler([this](Menu& m, QWidget* owner, QPoint global) {
      shown.push_back(&m);
      at.push_back(global);
      owners.push_back(owner);
      if (during) during();
      return choose;
    });
  }
  ~PopupRecorder() { Menu::SetPopupHandler(std::move(previous)); }
  Menu* Last() const { return shown.empty() ? nullptr : shown.back(); }
};

Ref<Menu> MakeMenu(const char* command) {
  auto m = New<Menu>();
  m->AppendItem(command, Symbol(command));
  return m;
}

struct ContextMenuTest : MouseFixture {
  PopupRecorder popup;
  // Right-clicks at a point: the press, then the context menu Qt sends.
  bool RightClick(QPoint p) {
    QTest::mouseClick(grid, Qt::RightButton, {}, p);
    QContextMenuEvent e(QContextMenuEvent::Mouse, p, grid->mapToGlobal(p));
    QApplication::sendEvent(grid, &e);
    return e.isAccepted();
  }
  bool MenuKey() {
    QContextMenuEvent e(QContextMenuEvent::Keyboard, QPoint(), grid->mapToGlobal(QPoint()));
    QApplication::sendEvent(grid, &e);
    return e.isAccepted();
  }
};

TEST_F(ContextMenuTest, EachAreaShowsItsMenuWithTheColumnsOwnFirst) {
  Bind(30, 8, 20);
  grid->EnableSelector();
  grid->Recalculate();
  const Ref<Menu> caption = MakeMenu("Caption"), data = MakeMenu("Data"), footer = MakeMenu("Footer"),
                  selector = MakeMenu("Selector"), col2Caption = MakeMenu("C2"), col2Data = MakeMenu("D2"),
                  col2Footer = MakeMenu("F2");
  ASSERT_TRUE(grid->SetContextMenu(Usual(caption), Symbol("Caption")));
  ASSERT_TRUE(grid->SetContextMenu(Usual(data), Symbol("Data")));
  ASSERT_TRUE(grid->SetContextMenu(Usual(footer), Symbol("Footer")));
  ASSERT_TRUE(grid->SetContextMenu(Usual(selector), Symbol("Selector")));
  grid->GetColumn("NAME")->SetContextMenu(Usual(col2Caption), Usual(col2Data), Usual(col2Footer));
  struct Case {
    const char* where;
    QPoint at;
    Menu* menu;
  };
  const Case cases[] = {{"caption 1", Caption(1), caption.get()},   {"caption 2", Caption(2), col2Caption.get()},
                        {"data 1", Cell(1, 3), data.get()},         {"data 2", Cell(2, 3), col2Data.get()},
                        {"footer 1", Footer(1), footer.get()},      {"footer 2", Footer(2), col2Footer.get()},
                        {"selector", Selector(2), selector.get()}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    EXPECT_TRUE(RightClick(c.at));
    EXPECT_EQ(popup.Last(), c.menu);
    EXPECT_EQ(popup.at.back(), grid->mapToGlobal(c.at)) << "shown where the click was";
  }
  // Without area menus of their own, captions, footers and the selector
  // fall back to the data rule.
  grid->SetContextMenu(NIL, Symbol("Caption"));
  grid->SetContextMenu(NIL, Symbol("Footer"));
  grid->SetContextMenu(NIL, Symbol("Selector"));
  const Case fallbacks[] = {{"caption 1", Caption(1), data.get()},
                            {"caption 2", Caption(2), col2Caption.get()},
                            {"footer 3", Footer(3), data.get()},
                            {"selector", Selector(2), data.get()}};
  for (const Case& c : fallbacks) {
    SCOPED_TRACE(std::string("fallback ") + c.where);
    EXPECT_TRUE(RightClick(c.at));
    EXPECT_EQ(popup.Last(), c.menu);
  }
  // Last of all the grid's own ContextMenu; with none the owner has the event.
  grid->SetContextMenu(NIL, Symbol("Data"));
  const Ref<Menu> own = MakeMenu("Own");
  grid->ContextMenu(Usual(own));
  EXPECT_TRUE(RightClick(Cell(3, 2)));
  EXPECT_EQ(popup.Last(), own.get());
  grid->ContextMenu(NIL);
  const std::size_t before = popup.shown.size();
  EXPECT_FALSE(RightClick(Cell(3, 2)));
  EXPECT_EQ(popup.shown.size(), before);
}

TEST_F(ContextMenuTest, TheMenuKeyShowsTheCurrentColumnsMenuAtTheCurrentCell) {
  Bind();
  const Ref<Menu> data = MakeMenu("Data"), col1 = MakeMenu("D1");
  grid->SetContextMenu(Usual(data), Symbol("Data"));
  grid->GetColumn("ID")->SetContextMenu(NIL, Usual(col1));
  Click(Cell(1, 4));
  ASSERT_EQ(grid->CurrentRow(), 4);
  ASSERT_EQ(grid->CurrentColumn(), 1);
  EXPECT_TRUE(MenuKey());
  EXPECT_EQ(popup.Last(), col1.get());
  GridRect cell;
  ASSERT_TRUE(grid->GetCellRect(1, 4, 4, cell));
  EXPECT_EQ(popup.at.back(), grid->mapToGlobal(QPoint(cell.left, cell.bottom)));
}

// The Menu key and Shift+F10, pressed on the keyboard, show the current
// column's menu at the current cell; once also on a platform that makes a
// context-menu event of the same key (before the key or after it).
TEST_F(ContextMenuTest, TheMenuKeyAndShiftF10ShowTheMenuOnce) {
  Bind();
  Focus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return grid->hasFocus(); }, 1000));
  const Ref<Menu> data = MakeMenu("Data");
  grid->SetContextMenu(Usual(data), Symbol("Data"));
  Click(Cell(2, 3));
  GridRect cell;
  ASSERT_TRUE(grid->GetCellRect(2, 3, 3, cell));
  const QPoint corner = grid->mapToGlobal(QPoint(cell.left, cell.bottom));
  struct Key {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
  };
  for (const Key& k : {Key{"Menu", Qt::Key_Menu, Qt::NoModifier}, Key{"Shift+F10", Qt::Key_F10, Qt::ShiftModifier}}) {
    SCOPED_TRACE(k.name);
    popup.shown.clear();
    QTest::keyClick(grid, k.key, k.modifiers);
    ASSERT_EQ(popup.shown.size(), 1u);
    EXPECT_EQ(popup.Last(), data.get());
    EXPECT_EQ(popup.at.back(), corner);
    // The platform's event after the key, then before it.
    QTest::keyClick(grid, k.key, k.modifiers);
    EXPECT_TRUE(MenuKey());
    EXPECT_EQ(popup.shown.size(), 2u);
    EXPECT_TRUE(MenuKey());
    QTest::keyClick(grid, k.key, k.modifiers);
    EXPECT_EQ(popup.shown.size(), 3u);
    // Other keys between: each shows its own.
    QTest::keyClick(grid, Qt::Key_Right);
    QTest::keyClick(grid, Qt::Key_Left);
    QTest::keyClick(grid, k.key, k.modifiers);
    EXPECT_EQ(popup.shown.size(), 4u);
  }
  // Through the window, as a person presses it.
  popup.shown.clear();
  QTest::keyClick(owner->windowHandle(), Qt::Key_Down);
  QTest::keyClick(owner->windowHandle(), Qt::Key_F10, Qt::ShiftModifier);
  EXPECT_EQ(popup.shown.size(), 1u);
  // F10 alone and Ctrl+Shift+F10 are no menu keys; a key command comes first.
  QTest::keyClick(grid, Qt::Key_Right);
  QTest::keyClick(grid, Qt::Key_F10);
  QTest::keyClick(grid, Qt::Key_F10, Qt::ShiftModifier | Qt::ControlModifier);
  EXPECT_EQ(popup.shown.size(), 1u);
  auto stop = New<KeyTarget>();
  stop->result = Usual(0);
  grid->KeyCommand()->Add(
      Usual(New<kKeyCommand>(Usual(int(Qt::Key_Menu)), NIL, NIL, NIL, Usual(stop), Usual(Symbol("OnKey")))));
  QTest::keyClick(grid, Qt::Key_Menu);
  EXPECT_EQ(stop->calls, 1);
  EXPECT_EQ(popup.shown.size(), 1u);
}

TEST_F(ContextMenuTest, TheMenuIsActiveWhileItIsShown) {
  Bind();
  const Ref<Menu> data = MakeMenu("Data");
  grid->SetContextMenu(Usual(data), Symbol("Data"));
  bool active = false;
  Usual shown;
  popup.during = [&] {
    active = grid->IsContextMenuActive();
    shown = grid->ActiveContextMenu();
  };
  RightClick(Cell(1, 2));
  EXPECT_TRUE(active);
  EXPECT_EQ(shown.AsObject(), static_cast<Object*>(data.get()));
  EXPECT_FALSE(grid->IsContextMenuActive());
  EXPECT_TRUE(grid->ActiveContextMenu().IsNil());
}

TEST_F(ContextMenuTest, AChosenCommandCallsTheGridMethodOfItsName) {
  Bind(30);
  auto menu = New<Menu>();
  menu->AppendItem("Last record", Symbol("GoBottom"));
  grid->SetContextMenu(Usual(menu), Symbol("Data"));
  popup.choose = 1;
  RightClick(Cell(2, 2));
  EXPECT_EQ(popup.owners.back(), owner.get()) << "the choice goes through the owner window";
  EXPECT_EQ(server->RecNo(), 30);
  EXPECT_EQ(grid->CurrentRecNo(), 30);
}

// An owner that takes the menu commands the grid leaves.
class MenuOwner : public Window {
 public:
  std::vector<Symbol> commands;
  const ClassInfo& Class() const override {
    static ClassInfo info("GridMenuOwner", &Window::StaticClass());
    static bool once = [] {
      info.Method<MenuOwner>("MenuCommand", [](MenuOwner& w, Args a) {
        auto* e = a.empty() ? nullptr : dynamic_cast<MenuCommandEvent*>(a[0].AsObject());
        w.commands.push_back(e ? e->NameSym() : Symbol());
        return Usual(true);
      });
      return true;
    }();
    (void)once;
    return info;
  }
};

TEST_F(ContextMenuTest, CommandsTheGridDoesNotKnowGoToTheOwnerOrOpenAWindowClass) {
  MenuOwner menuOwner;
  menuOwner.resize(600, 400);
  menuOwner.show();
  auto* g = new HookGrid(&menuOwner);
  g->show();
  g->resize(300, 200);
  auto s = New<kArrayServer>(SmallStruct(), Usual(SmallData(10)));
  ASSERT_TRUE(g->Use(Usual(s)));
  auto menu = New<Menu>();
  menu->AppendItem("Unknown", Symbol("NoSuchCommand"));
  menu->AppendItem("Window", Symbol("GridTestWindow"));
  g->SetContextMenu(Usual(menu), Symbol("Data"));
  const QPoint p(30, g->DataRect().top + 5);
  auto show = [&](int item) {
    popup.choose = item;
    QContextMenuEvent e(QContextMenuEvent::Mouse, p, g->mapToGlobal(p));
    QApplication::sendEvent(g, &e);
  };
  show(1);
  EXPECT_EQ(menuOwner.commands, std::vector<Symbol>{Symbol("NoSuchCommand")});
  EXPECT_FALSE(g->IsContextMenuActive());

  QPointer<Window> opened;
  RegisterWindowClass(Symbol("GridTestWindow"), [&](QWidget* parent) {
    auto* w = new Window(parent);
    opened = w;
    return w;
  });
  show(2);
  UnregisterWindowClass(Symbol("GridTestWindow"));
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->parentWidget(), &menuOwner) << "the owner is the new window's parent";
  EXPECT_TRUE(opened->isVisible());
  EXPECT_EQ(menuOwner.commands.size(), 1u) << "the grid took it";
  EXPECT_EQ(s->RecNo(), 1);
  delete g;
  EXPECT_EQ(hooks::Count(&menuOwner), 0);
}

TEST_F(ContextMenuTest, AGridWithoutOwnerTakesItsOwnCommands) {
  auto* g = new kTable();
  g->resize(300, 200);
  g->show();
  auto s = New<kArrayServer>(SmallStruct(), Usual(SmallData(10)));
  ASSERT_TRUE(g->Use(Usual(s)));
  auto menu = New<Menu>();
  menu->AppendItem("Last", Symbol("GoBottom"));
  g->SetContextMenu(Usual(menu), Symbol("Data"));
  popup.choose = 1;
  const QPoint p(30, g->DataRect().top + 5);
  QContextMenuEvent e(QContextMenuEvent::Mouse, p, g->mapToGlobal(p));
  QApplication::sendEvent(g, &e);
  EXPECT_EQ(popup.owners.back(), g);
  EXPECT_EQ(s->RecNo(), 10);
  delete g;
}

TEST_F(ContextMenuTest, BadMenusAndAreasAreRefused) {
  Bind();
  std::vector<ErrorRef> errors;
  Runtime::SetErrorBlock([&](const ErrorRef& e) {
    errors.push_back(e);
    return Usual();
  });
  const Ref<Menu> data = MakeMenu("Data");
  EXPECT_FALSE(grid->SetContextMenu(Usual(data), Symbol("Elsewhere")));
  EXPECT_FALSE(grid->SetContextMenu(Usual("not a menu"), Symbol("Data")));
  EXPECT_EQ(errors.size(), 2u);
  EXPECT_TRUE(grid->GetContextMenu(Symbol("Data")).IsNil());
  // Late-bound: several areas at once, #Data when none is named.
  const Usual both[] = {Usual(data), Usual(Symbol("Caption")), Usual(Symbol("Footer"))};
  EXPECT_TRUE(grid->Send(Symbol("SetContextMenu"), both).AsLogic());
  EXPECT_EQ(grid->GetContextMenu(Symbol("Footer")).AsObject(), static_cast<Object*>(data.get()));
  const Usual only[] = {Usual(data)};
  grid->Send(Symbol("SetContextMenu"), only);
  EXPECT_EQ(grid->GetContextMenu(Symbol("Data")).AsObject(), static_cast<Object*>(data.get()));
}

}  // namespace
}  // namespace kt::test
