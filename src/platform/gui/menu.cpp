#include "platform/gui/menu.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QPointer>
#include <unordered_map>

#include "platform/gui/window.h"
#include "platform/runtime/error.h"

namespace kt {
namespace {

Menu::PopupHandler& Handler() {
  static Menu::PopupHandler handler;
  return handler;
}

std::unordered_map<Symbol, WindowFactory>& WindowClasses() {
  static std::unordered_map<Symbol, WindowFactory> classes;
  return classes;
}

const Usual& Arg(Args a, std::size_t i) { return i < a.size() ? a[i] : NIL; }

}  // namespace

Menu::Menu() = default;
Menu::~Menu() = default;

int Menu::AppendItem(std::string_view text, Symbol command) {
  items_.push_back({std::string(text), command, true});
  entries_.push_back({false, int(items_.size() - 1)});
  dirty_ = true;
  return int(items_.size());
}

void Menu::AppendSeparator() {
  entries_.push_back({true, 0});
  dirty_ = true;
}

Symbol Menu::ItemCommand(int item) const {
  return item >= 1 && item <= ItemCount() ? items_[std::size_t(item - 1)].command : Symbol();
}

std::string Menu::ItemText(int item) const {
  return item >= 1 && item <= ItemCount() ? items_[std::size_t(item - 1)].text : std::string();
}

void Menu::EnableItem(int item, bool enable) {
  if (item < 1 || item > ItemCount()) return;
  items_[std::size_t(item - 1)].enabled = enable;
  dirty_ = true;
}

bool Menu::IsItemEnabled(int item) const { return item >= 1 && item <= ItemCount() && items_[std::size_t(item - 1)].enabled; }

void Menu::Rebuild() {
  if (!menu_) menu_ = std::make_unique<QMenu>();
  menu_->clear();
  for (const Entry& e : entries_) {
    if (e.separator) {
      menu_->addSeparator();
      continue;
    }
    const Item& item = items_[std::size_t(e.item)];
    QAction* a = menu_->addAction(QString::fromUtf8(item.text.data(), qsizetype(item.text.size())));
    a->setData(e.item + 1);
    a->setEnabled(item.enabled);
  }
  dirty_ = false;
}

QMenu* Menu::ToQMenu() {
  if (dirty_ || !menu_) Rebuild();
  return menu_.get();
}

int Menu::ShowAsPopup(QWidget* owner, QPoint global) {
  // The menu must outlive a handler or owner that drops the last reference.
  const Ref<Menu> self(this);
  const QPointer<QWidget> target(owner);
  int chosen = 0;
  if (Handler()) {
    chosen = Handler()(*this, owner, global);
  } else {
    QMenu* menu = ToQMenu();
    if (const QAction* a = menu->exec(global)) chosen = a->data().toInt();
  }
  if (chosen < 1 || chosen > ItemCount() || !IsItemEnabled(chosen)) return 0;
  if (target) {
    MenuCommandQEvent e(New<MenuCommandEvent>(self, chosen, ItemCommand(chosen)));
    QCoreApplication::sendEvent(target.data(), &e);
  }
  return chosen;
}

Menu::PopupHandler Menu::SetPopupHandler(PopupHandler handler) {
  PopupHandler previous = std::move(Handler());
  Handler() = std::move(handler);
  return previous;
}

const ClassInfo& Menu::StaticClass() {
  static ClassInfo info("Menu", &Object::StaticClass());
  static const bool registered = [] {
    info.Method<Menu>("AppendItem", [](Menu& m, Args a) {
      const Usual& command = Arg(a, 1);
      Symbol sym;
      if (command.IsSymbol()) sym = command.AsSymbol();
      else if (command.IsString()) sym = Symbol(command.AsStringView());
      return Usual(m.AppendItem(Arg(a, 0).IsString() ? Arg(a, 0).AsStringView() : std::string_view(), sym));
    });
    info.Method<Menu>("AppendSeparator", [](Menu& m, Args) {
      m.AppendSeparator();
      return Usual();
    });
    info.Access<Menu>("ItemCount", [](Menu& m) { return Usual(m.ItemCount()); });
    return true;
  }();
  (void)registered;
  return info;
}

const ClassInfo& MenuCommandEvent::StaticClass() {
  static ClassInfo info("MenuCommandEvent", &Object::StaticClass());
  static const bool registered = [] {
    using E = MenuCommandEvent;
    info.Access<E>("NameSym", [](E& e) { return Usual(e.NameSym()); });
    info.Access<E>("ItemID", [](E& e) { return Usual(e.ItemID()); });
    info.Access<E>("Menu", [](E& e) { return Usual(e.Menu()); });
    return true;
  }();
  (void)registered;
  return info;
}

QEvent::Type MenuCommandQEvent::EventType() {
  static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
  return type;
}

void RegisterWindowClass(Symbol name, WindowFactory create) {
  if (!create) {
    WindowClasses().erase(name);
    return;
  }
  WindowClasses()[name] = std::move(create);
}

void UnregisterWindowClass(Symbol name) { WindowClasses().erase(name); }

bool IsWindowClass(Symbol name) { return WindowClasses().count(name) != 0; }

Window* CreateWindowOfClass(Symbol name, QWidget* parent) {
  const auto it = WindowClasses().find(name);
  if (it == WindowClasses().end()) return nullptr;
  // A copy: the factory may register or drop classes itself.
  const WindowFactory create = it->second;
  return create(parent);
}

}  // namespace kt
