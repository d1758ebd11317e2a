// kTable's keyboard: the key map, the Tab key policy, key commands and the
// focus changes.
//
// Key codes are Qt::Key values; the keypad's Enter counts as Return and
// Backtab as Shift+Tab, so one binding serves both.
#include <QApplication>
#include <algorithm>
#include <QDialog>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>

#include "grid/event_lock.h"
#include "grid/key_command.h"
#include "grid/ktable.h"
#include "platform/gui/events.h"
#include "platform/runtime/error.h"

namespace kt {
namespace {

const Symbol kFirst("First"), kLast("Last"), kPrevious("Previous"), kNext("Next"), kSelectable("Selectable"),
    kEditable("Editable"), kLineBackwards("LineBackwards"), kLineForwards("LineForwards"),
    kPageBackwards("PageBackwards"), kPageForwards("PageForwards"), kSensitive("Sensitive"), kExcel("Excel"),
    kPermanent("Permanent"), kMoveToSelectableCell("MoveToSelectableCell"), kMoveToEditableCell("MoveToEditableCell"),
    kDefaultButtonManage("DefaultButtonManage"), kInfo("Info"), kSelection("Selection"), kCurrent("Current"),
    kControlFocusChangeName("ControlFocusChange");

struct Keys {
  int key = 0;
  bool alt = false, shift = false, ctrl = false;
  bool Modifier() const { return alt || shift || ctrl; }
};

Keys KeysOf(const QKeyEvent* e) {
  const Qt::KeyboardModifiers m = e->modifiers();
  Keys k{e->key(), bool(m & Qt::AltModifier), bool(m & Qt::ShiftModifier), bool(m & Qt::ControlModifier)};
  if (k.key == Qt::Key_Backtab) {
    k.key = Qt::Key_Tab;
    k.shift = true;
  } else if (k.key == Qt::Key_Enter) {
    k.key = Qt::Key_Return;
  }
  return k;
}

bool IsTab(const QKeyEvent* e) {
  // Qt moves the focus only for Tab without Ctrl and Alt; those keys are
  // ordinary keys of the map.
  return (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) &&
         !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

bool IsZero(const Usual& v) {
  return (v.IsInteger() && v.AsInteger() == 0) || (v.IsFloat() && v.AsFloat() == 0.0);
}

// The keys that ask for the context menu from the keyboard.
bool IsMenuKey(const Keys& k) { return k.key == Qt::Key_Menu || (k.key == Qt::Key_F10 && k.shift && !k.alt && !k.ctrl); }

bool IsCopy(const QKeyEvent* e, const Keys& k) {
  return e->matches(QKeySequence::Copy) || (k.key == Qt::Key_C && k.ctrl && !k.alt && !k.shift);
}

// The selection flags of a row move live in the pending-selection flags
// while the move runs; the grid's notification applies them.
struct PendingSelection {
  int& pending;
  int flags;
  PendingSelection(int& p, int f) : pending(p), flags(f) { pending |= flags; }
  ~PendingSelection() { pending &= ~flags; }
  PendingSelection(const PendingSelection&) = delete;
  PendingSelection& operator=(const PendingSelection&) = delete;
};

}  // namespace

// ---------------------------------------------------------------------------
// Late-bound names

void kTable::RegisterKeys(ClassInfo& info) {
  using T = kTable;
  auto arg = [](Args a, std::size_t i) -> const Usual& { return i < a.size() ? a[i] : NIL; };
  auto symbolOr = [](const Usual& v, Symbol fallback, const char* operation) {
    if (v.IsNil()) return fallback;
    if (v.IsSymbol()) return v.AsSymbol();
    RaiseError(gen::Arg, operation, std::string("Symbol expected, got ") + v.TypeLetter());
    return Symbol();
  };
  auto number = [](const Usual& v, const char* operation, std::int64_t& out) {
    if (v.IsNumeric()) {
      out = v.AsInteger();
      return true;
    }
    RaiseError(gen::Arg, operation, std::string("Number expected, got ") + v.TypeLetter());
    return false;
  };
  // Column numbers beyond int are no columns of the grid.
  auto column = [](std::int64_t n) { return int(std::clamp<std::int64_t>(n, -1, 0x7FFFFFFF)); };

  info.Access<T>("TabKeyMode", [](T& t) { return Usual(t.TabKeyMode()); });
  info.Assign<T>("TabKeyMode", [symbolOr](T& t, const Usual& v) {
    if (const Symbol s = symbolOr(v, Symbol("MoveToControl"), "kTable:TabKeyMode")) t.TabKeyMode(s);
  });
  info.Access<T>("AutoSkip", [](T& t) { return Usual(t.AutoSkip()); });
  info.Assign<T>("AutoSkip", [](T& t, const Usual& v) {
    if (v.IsLogic()) t.AutoSkip(v.AsLogic());
    else RaiseError(gen::Arg, "kTable:AutoSkip", std::string("Logic value expected, got ") + v.TypeLetter());
  });
  info.Access<T>("CurrentMode", [](T& t) { return Usual(t.CurrentMode()); });
  info.Assign<T>("CurrentMode", [symbolOr](T& t, const Usual& v) {
    if (const Symbol s = symbolOr(v, Symbol("Cell"), "kTable:CurrentMode")) {
      t.CurrentMode(s);
      t.Redraw(Usual(Symbol("Data")));
    }
  });
  info.Access<T>("KeyCommand", [](T& t) { return Usual(t.KeyCommand()); });
  info.Assign<T>("KeyCommand", [](T& t, const Usual& v) {
    if (v.IsNil()) t.KeyCommand(nullptr);
    else if (auto* list = dynamic_cast<kKeyCommandList*>(v.AsObject())) t.KeyCommand(Ref<kKeyCommandList>(list));
    else RaiseError(gen::Arg, "kTable:KeyCommand", std::string("kKeyCommandList expected, got ") + v.TypeLetter());
  });
  info.Assign<T>("CurrentColumn", [number, column](T& t, const Usual& v) {
    std::int64_t n = 0;
    if (number(v, "kTable:CurrentColumn", n)) t.CurrentColumn(column(n));
  });
  info.Method<T>("SkipToCell", [arg, symbolOr](T& t, Args a) {
    const Symbol direction = symbolOr(arg(a, 0), kNext, "kTable:SkipToCell");
    const Symbol mode = symbolOr(arg(a, 1), kSelectable, "kTable:SkipToCell");
    if (!direction || !mode) return Usual(false);
    const Usual& flags = arg(a, 2);
    const Usual& autoSkip = arg(a, 3);
    const Usual& scroll = arg(a, 4);
    return Usual(t.SkipToCell(direction, mode, flags.IsNumeric() ? int(flags.AsInteger()) : 5, autoSkip.AsLogic(),
                              scroll.IsNil() || scroll.AsLogic()));
  });
  info.Method<T>("SetCurrentColumn", [arg, number, column](T& t, Args a) {
    std::int64_t n = 0;
    return Usual(number(arg(a, 0), "kTable:SetCurrentColumn", n) && t.SetCurrentColumn(column(n)));
  });
  info.Method<T>("GetNewSelectableColumn", [arg, column](T& t, Args a) {
    const Usual& from = arg(a, 0);
    const Usual& direction = arg(a, 1);
    return Usual(t.GetNewSelectableColumn(from.IsNumeric() ? column(from.AsInteger()) : 0,
                                          direction.IsSymbol() ? direction.AsSymbol() : Symbol()));
  });
  info.Method<T>("GetNewEditableColumn", [arg, column](T& t, Args a) {
    const Usual& from = arg(a, 0);
    const Usual& direction = arg(a, 1);
    return Usual(t.GetNewEditableColumn(from.IsNumeric() ? column(from.AsInteger()) : 0,
                                        direction.IsSymbol() ? direction.AsSymbol() : Symbol()));
  });
  info.Method<T>("IsCellSelectable", [arg, column](T& t, Args a) {
    const Usual& c = arg(a, 0);
    return Usual(c.IsNumeric() && t.IsCellSelectable(column(c.AsInteger()), arg(a, 1).AsInteger(), arg(a, 2).AsInteger()));
  });
}

// ---------------------------------------------------------------------------
// Settings

const Ref<kKeyCommandList>& kTable::KeyCommand() {
  if (!keyCommand_) keyCommand_ = New<kKeyCommandList>();
  return keyCommand_;
}

Symbol kTable::AutoEditMode() const {
  if (autoEdit_.IsSymbol()) return autoEdit_.AsSymbol();
  if (autoEdit_.IsLogic() && autoEdit_.AsLogic()) return kPermanent;
  return Symbol();
}

void kTable::ClearFirstTabExitFlag() {
  for (int bit : {kTabExitBackSelectable, kTabExitBackEditable, kTabExitForwardSelectable, kTabExitForwardEditable})
    if (tabExit_ & bit) {
      tabExit_ &= ~bit;
      return;
    }
}

// ---------------------------------------------------------------------------
// Events

bool kTable::event(QEvent* e) {
  switch (e->type()) {
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(e);
      bool consumed = false;
      if (!GuardedCall([&] { consumed = KeyPress(key); }) || consumed) {
        e->accept();
        return true;
      }
      break;  // Qt's focus chain for Tab, the parent for any other key
    }
    case QEvent::ShortcutOverride: {
      bool take = false;
      GuardedCall([&] { take = TakesKey(static_cast<QKeyEvent*>(e)); });
      if (take) {
        e->accept();
        return true;
      }
      break;
    }
    case QEvent::InputMethod: {
      bool consumed = false;
      GuardedCall([&] { consumed = InputMethodText(static_cast<QInputMethodEvent*>(e)); });
      if (consumed) {
        e->accept();
        return true;
      }
      break;
    }
    case QEvent::ParentChange:
      GuardedCall([this] { ResolveOwner(); });
      break;
    default:
      break;
  }
  return CustomControl::event(e);
}

QVariant kTable::inputMethodQuery(Qt::InputMethodQuery query) const {
  if (query == Qt::ImCursorRectangle) {
    GridRect r;
    if (currentRow_ >= 1 && GetCellRect(currentColumn_, currentRow_, currentRecNo_, r) &&
        IsCellVisible(currentColumn_, currentRow_, currentRecNo_))
      return QRect(r.left, r.top, 1, r.Height());
  }
  return CustomControl::inputMethodQuery(query);
}

bool kTable::KeyPress(QKeyEvent* e) {
  // Another key ends the stroke that may have shown a menu; a modifier
  // pressed on its own is part of the stroke.
  const int key = e->key();
  const bool modifier = key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
                        key == Qt::Key_AltGr || key == Qt::Key_Meta;
  if (!modifier && !IsMenuKey(KeysOf(e))) keyboardMenu_ = KeyboardMenu::None;
  if (IsTab(e)) return TabKey(e);
  if (KeyDown(e)) return true;
  // A key the map consumed types nothing (Win32 would still send the
  // character; a key command that stops the key must stop the editor too).
  return KeyChar(e);
}

bool kTable::TakesKey(const QKeyEvent* e) {
  const Keys k = KeysOf(e);
  if (keyCommand_ && keyCommand_->Find(k.key, k.alt, k.shift, k.ctrl)) return true;
  if (IsCopy(e, k)) return true;
  // The menu keys only when the grid has a menu to show for them.
  if (IsMenuKey(k)) return GetColumnContextMenu(OpenColumnAt(currentColumn_), Symbol("Data")).IsObject();
  switch (k.key) {
    case Qt::Key_Return:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Escape:
      return true;
    case Qt::Key_F5:
      return !k.Modifier();
    default:
      return false;
  }
}

// ---------------------------------------------------------------------------
// The key map

bool kTable::KeyDown(QKeyEvent* e) {
  if (eventLock_) return true;
  const Keys k = KeysOf(e);
  const bool modifier = k.Modifier();

  if (keyCommand_) {
    // The binding may replace the list while it runs.
    const Ref<kKeyCommandList> commands = keyCommand_;
    Usual result;
    {
      LockScope lock(eventLock_);
      result = commands->Eval(k.key, k.alt, k.shift, k.ctrl, false);
    }
    if (IsZero(result)) return true;
  }

  const Symbol autoEdit = AutoEditMode();
  const int key = k.key;
  auto flags = [&](bool ctrl, bool space) { return SelectionFlags(k.shift, ctrl, space); };
  auto rowMove = [&](int f, auto move) {
    LockScope lock(eventLock_);
    const PendingSelection pending(pendingSelection_, f);
    move();
  };

  if (key == Qt::Key_Return && !modifier) {
    const Usual manage = PropertyGet(kDefaultButtonManage, Usual(true));
    if (manage.IsLogic() && manage.AsLogic()) {
      if (QPushButton* button = DefaultButton()) {
        button->setFocus(Qt::OtherFocusReason);
        button->click();
        return true;
      }
    }
  }
  if (key == Qt::Key_Space && ((autoEdit != kSensitive && autoEdit != kExcel) || modifier)) {
    if (currentColumn_ >= 1 && currentRow_ >= 1)
      SelectionChange(flags(k.ctrl, true), currentColumn_, currentRow_, currentRecNo_);
    return false;  // and whatever Qt does with it
  }
  if (key == Qt::Key_Home || key == Qt::Key_End || key == Qt::Key_Left || key == Qt::Key_Right) {
    const Symbol direction = key == Qt::Key_Home  ? kFirst
                             : key == Qt::Key_End ? kLast
                             : key == Qt::Key_Left ? kPrevious
                                                   : kNext;
    LockScope lock(eventLock_);
    if (ColumnOpenCount() > 0) SkipToCell(direction, kSelectable, flags(k.ctrl, false), autoSkip_);
    return true;
  }
  if (key == Qt::Key_Up) {
    rowMove(flags(k.ctrl, false), [this] { Skip(Usual(kLineBackwards)); });
    return true;
  }
  if (key == Qt::Key_Down || (key == Qt::Key_Return && autoEdit == kExcel)) {
    rowMove(flags(k.ctrl, false), [this] { Skip(Usual(kLineForwards)); });
    return true;
  }
  if (key == Qt::Key_PageUp) {
    if (k.ctrl) rowMove(flags(false, false), [this] { GoTop(); });
    else rowMove(flags(k.ctrl, false), [this] { Skip(Usual(kPageBackwards)); });
    return true;
  }
  if (key == Qt::Key_PageDown) {
    if (k.ctrl) rowMove(flags(false, false), [this] { GoBottom(); });
    else rowMove(flags(k.ctrl, false), [this] { Skip(Usual(kPageForwards)); });
    return true;
  }
  if (key == Qt::Key_Return) {
    auto index = [this] { return currentRow_ - firstVisibleRowNo_ + 1; };
    if (currentRow_ >= 1 && !rows_.empty() && index() >= 1 && index() <= std::int64_t(rows_.size())) {
      CellDoubleClick();
      // The owner's answer may have moved the cursor or closed columns;
      // the conditions are read afterwards. A deleted record is never edited.
      if (CanEditCurrentCell() && Edit()) ClickButtonEditor();
      return true;
    }
  }
  if (key == Qt::Key_F5 && !modifier) {
    Refresh();
    return true;
  }
  if (key == Qt::Key_Escape) {
    CancelParent();
    return true;
  }
  if (IsCopy(e, k)) {
    CopySelection();
    return true;
  }
  if (IsMenuKey(k)) {
    // A platform that also makes a context-menu event of the key may have
    // shown the menu already.
    if (SameKeyboardMenu(KeyboardMenu::ByEvent)) return true;
    if (!ContextMenuShow(nullptr)) return false;
    NoteKeyboardMenu(KeyboardMenu::ByKey);
    return true;
  }
  // Enter without modifiers never reaches the dialog: pressing its default
  // button is #DefaultButtonManage's decision, taken above.
  return key == Qt::Key_Return && !modifier;
}

bool kTable::KeyChar(QKeyEvent* e) {
  const QString text = e->text();
  if (text.isEmpty()) return false;
  if (e->modifiers() & (Qt::AltModifier | Qt::ControlModifier)) return false;
  return TypedText(text, e);
}

bool kTable::TypedText(const QString& text, QEvent* e) {
  const Symbol mode = AutoEditMode();
  if ((mode != kSensitive && mode != kExcel) || InEdit()) return false;
  // Qt gives Delete the text DEL; it types nothing.
  const char16_t c = text.at(0).unicode();
  if (c == u'\r' || c == u'\n' || c == u'\t' || c == 0x1B || c == 0x7F) return false;
  if (!Edit()) return false;
  EditForwardEvent(e);
  return true;
}

bool kTable::InputMethodText(QInputMethodEvent* e) {
  // Only finished text types a character; a composition still going on
  // (the pre-edit string) opens nothing.
  const QString text = e->commitString();
  return !text.isEmpty() && TypedText(text, e);
}

bool kTable::SameKeyboardMenu(KeyboardMenu other) {
  // One stroke of the key: the other way of asking follows at once.
  constexpr qint64 kSameStroke = 500;  // ms
  const bool same = keyboardMenu_ == other && keyboardMenuTime_.isValid() && keyboardMenuTime_.elapsed() < kSameStroke;
  keyboardMenu_ = KeyboardMenu::None;
  return same;
}

void kTable::NoteKeyboardMenu(KeyboardMenu how) {
  keyboardMenu_ = how;
  keyboardMenuTime_.start();
}

QPushButton* kTable::DefaultButton() const {
  QWidget* top = window();
  if (!top || top == this) return nullptr;
  for (QPushButton* b : top->findChildren<QPushButton*>())
    if (b->isDefault() && b->window() == top && b->isVisible() && b->isEnabled()) return b;
  return nullptr;
}

void kTable::CancelParent() {
  for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
    if (auto* dialog = qobject_cast<QDialog*>(w)) {
      dialog->reject();
      return;
    }
    if (auto* dialog = dynamic_cast<DialogWindow*>(w)) {
      dialog->EndDialog(0);
      return;
    }
    if (w->isWindow()) return;
  }
}

// ---------------------------------------------------------------------------
// Tab

bool kTable::TabKey(QKeyEvent* e) {
  const Keys k = KeysOf(e);
  Symbol mode;
  if (tabKeyMode_ == kMoveToSelectableCell) mode = kSelectable;
  else if (tabKeyMode_ == kMoveToEditableCell) mode = kEditable;
  if (!mode) {
    // A binding for Tab keeps the key in the grid.
    if (!keyCommand_ || !keyCommand_->Find(Qt::Key_Tab, k.alt, k.shift, k.ctrl)) return false;
    KeyDown(e);
    return true;
  }
  if (eventLock_) return true;
  const QPointer<kTable> self(this);
  TabMove(k.shift, mode);
  // The grid keeps the key in these modes, so after the move it reaches
  // the key map as well (a binding for Tab runs; the map has no Tab).
  if (self) KeyDown(e);
  return true;
}

void kTable::TabMove(bool back, Symbol mode) {
  // An editor that keeps its input keeps the focus too.
  if (InEdit() && !EditClose()) return;
  const Symbol direction = back ? kPrevious : kNext;
  const int flags = SelectionFlags(false, false, false);
  if (SkipToCell(direction, mode, flags, false)) return;
  // At the row's first or last cell: the next control, if there is one.
  QWidget* before = QApplication::focusWidget();
  const QPointer<kTable> self(this);
  QWidget::focusNextPrevChild(!back);
  if (!self) return;
  if (QApplication::focusWidget() != before) {
    if (mode == kSelectable) tabExit_ |= back ? kTabExitBackSelectable : kTabExitForwardSelectable;
    else tabExit_ |= back ? kTabExitBackEditable : kTabExitForwardEditable;
  } else if (autoSkip_) {
    SkipToCell(direction, mode, flags, true);
  }
}

// ---------------------------------------------------------------------------
// Focus

void kTable::RedrawFocusParts() {
  if (eventLock_ || InEdit()) return;
  if (IsInfoVisible()) Redraw(Usual(kInfo));
  else if (inactiveSelection_) Redraw(Usual(kSelection));
  else if (IsRowVisible(currentRow_, currentRecNo_)) Redraw(Usual(kCurrent));
}

void kTable::focusInEvent(QFocusEvent* e) {
  // A pop-up menu that took the keyboard and gives it back is no focus
  // change for the user.
  if (e->reason() == Qt::PopupFocusReason) return;
  // Re-entry after a Tab exit: tabbing round the dialog continues in the
  // previous or next row. Only the first remembered exit counts.
  int exit = 0;
  for (int bit : {kTabExitBackSelectable, kTabExitBackEditable, kTabExitForwardSelectable, kTabExitForwardEditable})
    if (tabExit_ & bit) {
      exit = bit;
      tabExit_ &= ~bit;
      break;
    }
  const int flags = exit ? SelectionFlags(false, false, false) : 0;
  const Symbol mode = exit & (kTabExitBackSelectable | kTabExitForwardSelectable) ? kSelectable : kEditable;
  if ((exit & (kTabExitBackSelectable | kTabExitBackEditable)) && e->reason() == Qt::BacktabFocusReason)
    SkipToCell(kPrevious, mode, flags, true);
  else if ((exit & (kTabExitForwardSelectable | kTabExitForwardEditable)) && e->reason() == Qt::TabFocusReason)
    SkipToCell(kNext, mode, flags, true);
  RedrawFocusParts();
  if (editable_ && AutoEditMode() == kPermanent && !InEdit()) Edit();
  FocusChange(e, true);
}

void kTable::focusOutEvent(QFocusEvent* e) {
  if (e->reason() == Qt::PopupFocusReason) return;
  RedrawFocusParts();
  FocusChange(e, false);
}

void kTable::FocusChange(QFocusEvent* e, bool gotFocus) {
  if (!ownerHas_[kControlFocusChange]) return;
  Object* owner = NotifyOwner();
  if (!owner) return;
  const Usual a[] = {Usual(New<FocusChangeEvent>(gotFocus, int(e->reason())))};
  owner->Send(kControlFocusChangeName, a);
}

}  // namespace kt
