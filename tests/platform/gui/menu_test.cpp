// Menu: a choice reaches the owner window's MenuCommand method as a
// MenuCommandEvent; closing without a choice or choosing a disabled item
// sends nothing. Window's Dispatch answers NIL unless a class overrides it.
#include <gtest/gtest.h>

#include <QMenu>

#include "platform/gui/menu.h"
#include "platform/gui/window.h"

namespace kt {
namespace {

class CommandWindow : public Window {
 public:
  std::vector<std::pair<Symbol, int>> commands;
  const ClassInfo& Class() const override {
    static ClassInfo info("MenuTestWindow", &Window::StaticClass());
    static bool once = [] {
      info.Method<CommandWindow>("MenuCommand", [](CommandWindow& w, Args a) {
        auto* e = a.empty() ? nullptr : dynamic_cast<MenuCommandEvent*>(a[0].AsObject());
        if (e) w.commands.emplace_back(e->NameSym(), e->ItemID());
        return Usual(true);
      });
      return true;
    }();
    (void)once;
    return info;
  }
};

struct ScopedPopup {
  Menu::PopupHandler previous;
  explicit ScopedPopup(Menu::PopupHandler h) : previous(Menu::SetPopupHandler(std::move(h))) {}
  ~ScopedPopup() { Menu::SetPopupHandler(std::move(previous)); }
};

TEST(Menu, AChoiceReachesTheOwnersMenuCommand) {
  CommandWindow owner;
  auto menu = New<Menu>();
  EXPECT_EQ(menu->AppendItem("Open", Symbol("Open")), 1);
  menu->AppendSeparator();
  EXPECT_EQ(menu->AppendItem("Close", Symbol("Close")), 2);
  menu->EnableItem(2, false);
  EXPECT_EQ(menu->ItemCount(), 2);
  EXPECT_EQ(menu->ToQMenu()->actions().size(), 3);
  EXPECT_FALSE(menu->ToQMenu()->actions()[2]->isEnabled());

  int choice = 1;
  QPoint where;
  ScopedPopup popup([&](Menu&, QWidget*, QPoint at) {
    where = at;
    return choice;
  });
  EXPECT_EQ(menu->ShowAsPopup(&owner, QPoint(40, 50)), 1);
  EXPECT_EQ(where, QPoint(40, 50));
  ASSERT_EQ(owner.commands.size(), 1u);
  EXPECT_EQ(owner.commands[0].first, Symbol("Open"));
  EXPECT_EQ(owner.commands[0].second, 1);
  // Nothing chosen, a disabled item, or an item that does not exist.
  for (int c : {0, 2, 7}) {
    choice = c;
    EXPECT_EQ(menu->ShowAsPopup(&owner, QPoint()), 0) << c;
  }
  EXPECT_EQ(owner.commands.size(), 1u);
}

TEST(Menu, WindowClassesByName) {
  EXPECT_FALSE(IsWindowClass(Symbol("MenuTestChild")));
  EXPECT_EQ(CreateWindowOfClass(Symbol("MenuTestChild"), nullptr), nullptr);
  Window parent;
  RegisterWindowClass(Symbol("MenuTestChild"), [](QWidget* p) { return new Window(p); });
  EXPECT_TRUE(IsWindowClass(Symbol("menutestchild")));
  Window* w = CreateWindowOfClass(Symbol("MenuTestChild"), &parent);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->parentWidget(), &parent);
  UnregisterWindowClass(Symbol("MenuTestChild"));
  EXPECT_FALSE(IsWindowClass(Symbol("MenuTestChild")));
}

TEST(Menu, DispatchAnswersNilByDefault) {
  Window w;
  auto event = New<Object>();
  const Usual a[] = {Usual(event)};
  EXPECT_TRUE(w.HasMethod(Symbol("Dispatch")));
  EXPECT_TRUE(w.Send(Symbol("Dispatch"), a).IsNil());
}

}  // namespace
}  // namespace kt
