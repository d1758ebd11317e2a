// kTable's context menus: one per area of the grid, the columns' own menus
// in front of them, and the commands chosen from them.
#include <QEvent>

#include "grid/ktable.h"
#include "grid/window_hooks.h"
#include "platform/gui/menu.h"

namespace kt {
namespace {

const Symbol kCaption("Caption"), kData("Data"), kFooter("Footer"), kSelector("Selector");

bool IsMenu(const Usual& u) { return u.IsObject() && dynamic_cast<Menu*>(u.AsObject()) != nullptr; }

// Resets the active-menu state when the pop-up ends, also by an error.
struct ActiveMenu {
  Usual& menu;
  bool& active;
  ActiveMenu(Usual& m, bool& a, const Usual& shown) : menu(m), active(a) {
    menu = shown;
    active = true;
  }
  ~ActiveMenu() {
    menu = NIL;
    active = false;
  }
  ActiveMenu(const ActiveMenu&) = delete;
  ActiveMenu& operator=(const ActiveMenu&) = delete;
};

}  // namespace

// Slots of the grid's menu table; -1 for no area.
int kTable::ContextArea(Symbol area) const {
  if (area == kCaption) return 0;
  if (area == kData) return 1;
  if (area == kFooter) return 2;
  if (area == kSelector) return 3;
  return -1;
}

bool kTable::SetContextMenu(const Usual& menu, Symbol area) {
  const int slot = ContextArea(area);
  if (slot < 0) {
    RaiseError(gen::Arg, "SetContextMenu", "Unknown context menu area: " + std::string(area ? area.Name() : "none"));
    return false;
  }
  if (!menu.IsNil() && !IsMenu(menu)) {
    RaiseError(gen::Arg, "SetContextMenu", "A context menu must be a Menu");
    return false;
  }
  contextMenus_[slot] = menu;
  return true;
}

Usual kTable::GetContextMenu(Symbol area) const {
  const int slot = ContextArea(area);
  return slot < 0 ? Usual() : contextMenus_[slot];
}

Usual kTable::GetColumnContextMenu(kDataColumn* column, Symbol area) const {
  auto own = [&](int slot) { return column ? column->GetContextMenu(slot) : Usual(); };
  if (area == kCaption || area == kFooter) {
    if (Usual m = own(area == kCaption ? 1 : 3); m.IsObject()) return m;
    if (Usual m = GetContextMenu(area); m.IsObject()) return m;
    return GetColumnContextMenu(column, kData);
  }
  if (area == kData) {
    if (Usual m = own(2); m.IsObject()) return m;
    if (Usual m = GetContextMenu(kData); m.IsObject()) return m;
    return ContextMenu();
  }
  if (area == kSelector) {
    if (Usual m = GetContextMenu(kSelector); m.IsObject()) return m;
    return GetColumnContextMenu(column, kData);
  }
  return Usual();
}

bool kTable::ContextMenuShow(const QPoint* global) {
  Usual menu;
  QPoint at;
  if (!global) {
    // From the keyboard: the current column's menu, below the current cell.
    menu = GetColumnContextMenu(OpenColumnAt(currentColumn_), kData);
    GridRect r;
    QPoint corner(dataArea_.left, dataArea_.top);
    if (currentRow_ >= 1 && GetCellRect(currentColumn_, currentRow_, currentRecNo_, r) &&
        IsCellVisible(currentColumn_, currentRow_, currentRecNo_))
      corner = QPoint(r.left, r.bottom);
    at = mapToGlobal(corner);
  } else {
    at = *global;
    const QPoint p = mapFromGlobal(at);
    kDataColumn* column = OpenColumnAt(GetColumnToPoint(p));
    const auto inside = [&](const GridRect& r) { return r.ToQRect().contains(p); };
    Symbol area = kData;
    if (selector_ && inside(selectorArea_)) area = kSelector;
    else if (captionHeight_ > 0 && inside(captionArea_)) area = kCaption;
    else if (footerHeight_ > 0 && inside(footerArea_)) area = kFooter;
    menu = GetColumnContextMenu(column, area);
  }
  if (!IsMenu(menu)) return false;
  const Ref<Menu> shown(static_cast<Menu*>(menu.AsObject()));
  const ActiveMenu active(activeContextMenu_, contextMenuActive_, menu);
  // The choice goes to the owner window, where the grid's hook takes it
  // first; a grid without an owner takes it itself.
  QWidget* target = ownerHooked_ && hookedOwner_ ? hookedOwner_.data() : static_cast<QWidget*>(this);
  shown->ShowAsPopup(target, at);
  return true;
}

bool kTable::MenuCommand(const Ref<MenuCommandEvent>& event) {
  if (!event) return false;
  const Symbol name = event->NameSym();
  if (!name) return false;
  if (HasMethod(name)) {
    Send(name);
    return true;
  }
  if (IsWindowClass(name)) {
    QWidget* parent = OwnerWindow();
    if (Window* w = CreateWindowOfClass(name, parent)) {
      w->show();
      return true;
    }
  }
  return false;
}

Usual kTable::OwnerEventHandler(WindowHookEvent& hook) {
  QEvent* e = hook.Event();
  if (!e || e->type() != MenuCommandQEvent::EventType() || !contextMenuActive_) return Usual();
  const Ref<MenuCommandEvent> command = static_cast<MenuCommandQEvent*>(e)->Command();
  // Only the grid's own menu: the owner may show menus of its own meanwhile.
  if (!command || !activeContextMenu_.IsObject() ||
      static_cast<Object*>(command->Menu().get()) != activeContextMenu_.AsObject())
    return Usual();
  if (MenuCommand(command)) return Usual(true);
  // Not the grid's: the owner's own menu commands take it.
  activeContextMenu_ = NIL;
  contextMenuActive_ = false;
  return Usual();
}

}  // namespace kt
