#pragma once
// Menu: a pop-up menu whose items carry a command symbol. Showing it as a
// pop-up waits for the user's choice; the chosen command then travels to the
// menu's owner window as a MenuCommandEvent, first through the window's event
// filters (a control can take the commands of its own context menu there),
// then to the window's late-bound MenuCommand method.
//
// Tests never wait for a person: SetPopupHandler replaces the display by a
// function that picks the item.
//
// Menu commands may also name a window class: RegisterWindowClass makes a
// class known by name with a function that creates a window of it.
#include <QEvent>
#include <QPoint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/object.h"

class QMenu;
class QWidget;

namespace kt {

class Window;

class Menu : public Object {
 public:
  Menu();
  ~Menu() override;
  Menu(const Menu&) = delete;
  Menu& operator=(const Menu&) = delete;

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  // Appends an item; `command` is the symbol its choice carries. Answers
  // the item's position (1-based).
  int AppendItem(std::string_view text, Symbol command);
  void AppendSeparator();
  // Items, separators not counted.
  int ItemCount() const { return int(items_.size()); }
  Symbol ItemCommand(int item) const;
  std::string ItemText(int item) const;
  // Enables or disables an item; a disabled item cannot be chosen.
  void EnableItem(int item, bool enable = true);
  bool IsItemEnabled(int item) const;

  // Shows the menu at the screen point and waits for the choice. A chosen
  // item is sent to `owner` as a MenuCommandEvent (see MenuCommandQEvent);
  // answers the chosen item (0 when the menu was closed without a choice).
  int ShowAsPopup(QWidget* owner, QPoint global);

  // Replaces the display of pop-ups: the handler gets the menu, its owner
  // and the point and answers the item to choose (0: none). An empty handler
  // restores the display. Answers the previous handler.
  using PopupHandler = std::function<int(Menu& menu, QWidget* owner, QPoint global)>;
  static PopupHandler SetPopupHandler(PopupHandler handler);

  // The Qt menu behind it (built on first use).
  QMenu* ToQMenu();

 private:
  struct Item {
    std::string text;
    Symbol command;
    bool enabled = true;
  };
  // Items and separators in order; a separator has no command and text.
  struct Entry {
    bool separator = false;
    int item = 0;  // index into items_ for an item
  };
  void Rebuild();
  std::vector<Item> items_;
  std::vector<Entry> entries_;
  std::unique_ptr<QMenu> menu_;
  bool dirty_ = true;
};

// What a menu choice carries: the item's command symbol and the menu.
class MenuCommandEvent : public Object {
 public:
  MenuCommandEvent(Ref<kt::Menu> menu, int item, Symbol command)
      : menu_(std::move(menu)), item_(item), command_(command) {}

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  Symbol NameSym() const { return command_; }
  int ItemID() const { return item_; }
  const Ref<kt::Menu>& Menu() const { return menu_; }

 private:
  Ref<kt::Menu> menu_;
  int item_;
  Symbol command_;
};

// The Qt event that brings a MenuCommandEvent to the owner window.
class MenuCommandQEvent : public QEvent {
 public:
  explicit MenuCommandQEvent(Ref<MenuCommandEvent> command) : QEvent(EventType()), command_(std::move(command)) {}
  static QEvent::Type EventType();
  const Ref<MenuCommandEvent>& Command() const { return command_; }

 private:
  Ref<MenuCommandEvent> command_;
};

// Window classes by name: `create` makes a window of the class with the
// given parent (null: a top-level window). Registering a name again
// replaces it; names compare without regard to case.
using WindowFactory = std::function<Window*(QWidget* parent)>;
void RegisterWindowClass(Symbol name, WindowFactory create);
void UnregisterWindowClass(Symbol name);
bool IsWindowClass(Symbol name);
// A new window of the class, null when the name is not registered.
Window* CreateWindowOfClass(Symbol name, QWidget* parent);

}  // namespace kt
