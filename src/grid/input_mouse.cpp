// kTable's mouse: clicks on cells, the row selector, captions and footers,
// the pointer shapes over edges, and the hand-offs to resizing, moving and
// dragging.
//
// A press on a column edge or a caption waits for the release without a
// nested event loop: the press starts a timer, the release before it fires
// is the click, the timer firing while the button is still down is the
// start of the resize (100 ms) or the move (400 ms).
#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>

#include "grid/event_lock.h"
#include "grid/grid_event.h"
#include "grid/ktable.h"
#include "grid/window_hooks.h"
#include "platform/gui/menu.h"
#include "platform/gui/pointer.h"

namespace kt {
namespace {

const Symbol kMultiple("Multiple"), kRow("Row"), kPermanent("Permanent"), kSensitive("Sensitive"), kExcel("Excel"),
    kSelection("Selection"), kColumnResizePointer("ColumnResizePointer"), kRowResizePointer("RowResizePointer"),
    kCaptionTouchPointer("CaptionTouchPointer");

constexpr int kResizeWait = 100;  // ms a press on a column edge waits before resizing
constexpr int kMoveWait = 400;    // ms a press on a caption waits before moving the column

const Usual& Arg(Args a, std::size_t i) { return i < a.size() ? a[i] : NIL; }

// Edges count as inside.
bool InsideInclusive(const GridRect& r, QPoint p) {
  return p.x() >= r.left && p.x() <= r.right && p.y() >= r.top && p.y() <= r.bottom;
}

}  // namespace

void kTable::InitMouse() { setMouseTracking(true); }

kDataColumn* kTable::OpenColumnAt(int column) const {
  return column >= 1 && column <= ColumnOpenCount() ? columnOpenList_[std::size_t(column - 1)].get() : nullptr;
}

bool kTable::InCaptionArea(QPoint p) const { return captionHeight_ >= 1 && InsideInclusive(captionArea_, p); }
bool kTable::InFooterArea(QPoint p) const { return footerHeight_ >= 1 && InsideInclusive(footerArea_, p); }

// ---------------------------------------------------------------------------
// Hand-offs (taken by column and row sizing, moving, drag and drop)

bool kTable::ResizeColumn(int, QPoint) { return false; }
bool kTable::ResizeColumnAuto(int) { return false; }
bool kTable::MoveColumn(int, QPoint) { return false; }
bool kTable::ResizeRow(std::int64_t, std::int64_t, QPoint) { return false; }
bool kTable::Drag(QMouseEvent*) { return false; }

// ---------------------------------------------------------------------------
// Pointer shapes

void kTable::UpdatePointer(QPoint p) {
  Symbol want;
  if (InCaptionArea(p)) {
    const int edge = columnResize_ ? GetColumnFrameToPoint(p) : 0;
    if (edge >= 1 && OpenColumnAt(edge)->Resizable()) {
      want = kColumnResizePointer;
    } else if (columnMove_) {
      const int c = GetColumnToPoint(p);
      const kDataColumn* column = OpenColumnAt(c);
      if (column && c > freeze_ && column->CaptionVisible() && column->Movable()) want = kCaptionTouchPointer;
    }
  } else if (!InFooterArea(p)) {
    if (rowResize_ && GetRowFrameToPoint(p) >= 1 && (!selector_ || GetSelectorToPoint(p) >= 1)) want = kRowResizePointer;
  }
  const Pointer* pointer = nullptr;
  if (want) {
    const Usual v = PropertyGet(want);
    pointer = v.IsObject() ? dynamic_cast<const Pointer*>(v.AsObject()) : nullptr;
  }
  if (pointer) {
    setCursor(pointer->ToQCursor());
    pointerSet_ = true;
  } else if (pointerSet_) {
    unsetCursor();
    pointerSet_ = false;
  }
}

// ---------------------------------------------------------------------------
// Presses that wait for the release

void kTable::StartPress(Press kind, int column, QPoint at, int wait) {
  press_ = kind;
  pressColumn_ = column;
  pressColumnObject_ = OpenColumnAt(column);
  pressPoint_ = at;
  if (wait > 0) pressTimer_.start(wait, this);
  else pressTimer_.stop();
}

void kTable::EndPress() {
  pressTimer_.stop();
  press_ = Press::None;
  pressColumn_ = 0;
  pressColumnObject_ = nullptr;
  ShowCaptionPressed(0);
}

void kTable::ShowCaptionPressed(int column) {
  if (pressedCaption_ == column) return;
  GridRect r;
  if (pressedCaption_ && GetCaptionRect(pressedCaption_, r)) update(r.ToQRect());
  pressedCaption_ = column;
  if (column && GetCaptionRect(column, r)) update(r.ToQRect());
}

void kTable::PressTimeout() {
  const Press kind = press_;
  const int c = pressColumn_;
  const bool same = pressColumnObject_ && OpenColumnAt(c) == pressColumnObject_.get();
  const QPoint at = pressPoint_;
  if (kind != Press::ColumnEdge && kind != Press::Caption) return;
  EndPress();
  // The columns changed meanwhile: the press is no longer about this one.
  if (!same) return;
  LockScope lock(eventLock_);
  if (kind == Press::ColumnEdge) {
    ResizeColumn(c, at);
  } else if (columnMove_ && c > freeze_ && OpenColumnAt(c)->Movable()) {
    MoveColumn(c, at);
  }
}

void kTable::CaptionButtonDown(QPoint p) {
  if (eventLock_) return;
  const int edge = columnResize_ ? GetColumnFrameToPoint(p) : 0;
  if (edge >= 1 && OpenColumnAt(edge)->Resizable()) {
    StartPress(Press::ColumnEdge, edge, p, kResizeWait);
    return;
  }
  const int c = GetColumnToPoint(p);
  kDataColumn* column = OpenColumnAt(c);
  if (!column || !column->CaptionVisible()) return;
  const bool movable = columnMove_ && c > freeze_ && column->Movable();
  if (!captionClick_ && !movable) return;
  StartPress(Press::Caption, c, p, kMoveWait);
  ShowCaptionPressed(c);
}

void kTable::CaptionButtonUp(Qt::KeyboardModifiers modifiers) {
  const Press kind = press_;
  const int c = pressColumn_;
  const Ref<kDataColumn> pressed = pressColumnObject_;
  EndPress();
  // Released on a column edge in time: no resize.
  if (kind != Press::Caption || !pressed || OpenColumnAt(c) != pressed.get() || !captionClick_) return;
  LockScope lock(eventLock_);
  const bool taken = CaptionClick(pressed.get());
  // The owner may have changed the columns or the server meanwhile: only
  // the clicked column, still in its place, is selected.
  if (!taken && selectionMode_ == kMultiple && OpenColumnAt(c) == pressed.get())
    SelectionChange(modifiers & Qt::ShiftModifier ? 257 : 129, c, 0, 0);
}

void kTable::FooterButtonDown(QPoint p) {
  if (eventLock_) return;
  kDataColumn* column = OpenColumnAt(GetColumnToPoint(p));
  if (!column || !column->FooterVisible()) return;
  LockScope lock(eventLock_);
  FooterClick(column);
}

void kTable::CaptionDoubleClickAt(QPoint p) {
  if (eventLock_) return;
  const int edge = columnResize_ ? GetColumnFrameToPoint(p) : 0;
  if (edge >= 1 && OpenColumnAt(edge)->Resizable()) {
    LockScope lock(eventLock_);
    ResizeColumnAuto(edge);
    return;
  }
  kDataColumn* column = OpenColumnAt(GetColumnToPoint(p));
  if (!captionClick_ || !column || !column->CaptionVisible()) return;
  LockScope lock(eventLock_);
  CaptionDoubleClick(column);
}

void kTable::FooterDoubleClickAt(QPoint p) {
  if (eventLock_) return;
  kDataColumn* column = OpenColumnAt(GetColumnToPoint(p));
  if (!column || !column->FooterVisible()) return;
  LockScope lock(eventLock_);
  FooterDoubleClick(column);
}

// ---------------------------------------------------------------------------
// The data area

bool kTable::GoToClicked(std::int64_t recNo, int flags, bool asked) {
  if (!Used() || (!asked && !link_.Notify(notify::IntentToMove))) return false;
  // Every client learns of the move, the grid included: its notification
  // brings the row into place and selects with the pending flags.
  pendingSelection_ = flags;
  {
    SequenceScope seq(*this);
    link_.GoTo(recNo);
  }
  link_.Notify(notify::RecordChange);
  return true;
}

bool kTable::CanEditCurrentCell() {
  if (InEdit() || !editable_ || currentRow_ < 1) return false;
  kDataColumn* column = OpenColumnAt(currentColumn_);
  if (!column || !column->Editable()) return false;
  const int i = BufferPos(currentRecNo_);
  if (i < 1 || rows_[std::size_t(i - 1)].empty || rows_[std::size_t(i - 1)].deleted) return false;
  return !column->Deleted();
}

bool kTable::MouseButtonDown(QMouseEvent* e) {
  const bool left = e->button() == Qt::LeftButton;
  if (!left && e->button() != Qt::RightButton) return false;
  const QPoint p = e->position().toPoint();
  const bool shift = e->modifiers() & Qt::ShiftModifier;
  const bool ctrl = e->modifiers() & Qt::ControlModifier;
  // A release that never came leaves nothing behind for this press.
  pendingSelection_ = 0;

  // 1. A row's bottom edge.
  if (left && rowResize_) {
    const std::int64_t row = GetRowFrameToPoint(p);
    const std::int64_t i = row - firstVisibleRowNo_ + 1;
    if (row >= 1 && i >= 1 && i <= std::int64_t(rows_.size()) && (!selector_ || GetSelectorToPoint(p) >= 1)) {
      LockScope lock(eventLock_);
      ResizeRow(row, rows_[std::size_t(i - 1)].recNo, p);
      return true;
    }
  }

  if (left) StartPress(Press::Data, 0, p, 0);

  // 2. What lies under the point.
  CellHit hit = GetCellToPoint(p);
  std::int64_t row = hit.row, recNo = hit.recNo;
  const std::int64_t selectorRow = GetSelectorToPoint(p);
  if (selectorRow >= 1) {
    row = selectorRow;
    recNo = rows_[std::size_t(selectorRow - firstVisibleRowNo_)].recNo;
  }
  const bool onCurrent = hit.column >= 1 && hit.column == currentColumn_ && hit.row == currentRow_ &&
                         hit.recNo == currentRecNo_ && currentRow_ >= 1;
  if (InEdit() && !onCurrent) {
    if (!EditClose()) return true;
    // Writing the value may have moved the clicked record.
    if (recNo > 0) {
      int pos = BufferPos(recNo);
      if (pos == 0 && Used()) {
        {
          SequenceScope seq(*this);
          link_.GoTo(recNo);
        }
        Refresh(Usual(true));
        pos = BufferPos(recNo);
      }
      if (pos == 0) return true;
      row = firstVisibleRowNo_ + pos - 1;
      if (hit.row != 0) hit.row = row;
      hit.recNo = recNo;
    }
  }

  // 3. The focus.
  if (!hasFocus()) {
    LockScope lock(eventLock_);
    setFocus(Qt::MouseFocusReason);
  }

  const int index = row >= 1 ? int(row - firstVisibleRowNo_ + 1) : 0;
  const bool emptyRow = index < 1 || index > int(rows_.size()) || rows_[std::size_t(index - 1)].empty;

  // 4. A right click on the selection keeps it for the context menu.
  if (!left && !emptyRow) {
    if ((selector_ || currentMode_ == kRow) && IsRowSelected(row, recNo)) return true;
    if (hit.column >= 1 && IsCellSelected(hit.column, hit.row, hit.recNo)) return true;
  }

  // 5. The row selector.
  if (selectorRow >= 1) {
    if (emptyRow) return true;
    const int flags = selectionMode_ == kMultiple ? (shift ? 0x400 : ctrl ? 0x200 : 0x201) : SelectionFlags(shift, ctrl, false);
    GoToClicked(recNo, flags);
    Redraw(Usual(kSelection));
    return true;
  }

  // 6. A data cell.
  if (hit.column < 1 || emptyRow || !IsCellSelectable(hit.column, hit.row, hit.recNo)) return true;
  const int flags = SelectionFlags(shift, ctrl, false);
  if (hit.row == currentRow_ && hit.recNo == currentRecNo_) {
    SelectionChange(flags, hit.column, hit.row, hit.recNo);
    SetCurrentColumn(hit.column);
    CellSelect();
  } else if (Used() && link_.Notify(notify::IntentToMove)) {
    // The clients agreed, so the cursor leaves its cell: the column first,
    // the row move then selects the clicked cell and tells the owner once.
    SetCurrentColumn(hit.column);
    GoToClicked(hit.recNo, flags, true);
  }
  if (!left) return true;
  // 6 and 7: the editor, with the click handed on so the caret lands there.
  const Symbol mode = AutoEditMode();
  const bool open = mode == kPermanent || (onCurrent && (mode == kSensitive || mode == kExcel));
  if (open && editable_ && !InEdit() && Edit()) EditForwardEvent(e);
  return true;
}

bool kTable::MouseButtonUp(QMouseEvent* e) {
  if (eventLock_ || e->button() != Qt::LeftButton || pendingSelection_ == 0) return false;
  int flags = pendingSelection_;
  if (selectionMode_ == kMultiple && GetSelectorToPoint(e->position().toPoint()) >= 1) {
    const auto m = e->modifiers();
    flags = m & Qt::ShiftModifier ? 0x400 : m & Qt::ControlModifier ? 0x200 : 0x201;
  }
  pendingSelection_ = 0;
  if (currentRow_ >= 1) SelectionChange(flags, currentColumn_, currentRow_, currentRecNo_);
  const Symbol mode = AutoEditMode();
  if (!InEdit() && editable_ && (mode == kPermanent || mode == kExcel || mode == kSensitive) && Edit())
    EditForwardEvent(e);
  return true;
}

bool kTable::MouseButtonDoubleClick(QMouseEvent* e) {
  if (eventLock_ || e->button() != Qt::LeftButton) return false;
  const CellHit hit = GetCellToPoint(e->position().toPoint());
  const int i = BufferPos(hit.recNo);
  if (hit.column < 1 || hit.column != currentColumn_ || hit.row != currentRow_ || hit.recNo != currentRecNo_ ||
      currentRow_ < 1 || i < 1 || !IsCellSelectable(hit.column, hit.row, hit.recNo))
    return false;
  CellDoubleClick();
  if (CanEditCurrentCell() && Edit()) EditForwardEvent(e);
  return true;
}

bool kTable::MouseDrag(QMouseEvent* e) {
  if (dragDropMode_ == 0 || !(e->buttons() & Qt::LeftButton) || SelectionRowCount() <= 0) return false;
  // A click that shakes a little is no drag.
  if ((e->position().toPoint() - pressPoint_).manhattanLength() < QApplication::startDragDistance()) return false;
  return Drag(e);
}

// ---------------------------------------------------------------------------
// Qt's event handlers

void kTable::mousePressEvent(QMouseEvent* e) {
  e->accept();
  keyboardMenu_ = KeyboardMenu::None;
  GuardedCall([&] {
    ClearFirstTabExitFlag();
    // A new press ends one whose release never arrived.
    if (press_ != Press::None) EndPress();
    const QPoint p = e->position().toPoint();
    if (InCaptionArea(p)) {
      if (e->button() == Qt::LeftButton) CaptionButtonDown(p);
      return;
    }
    if (InFooterArea(p)) {
      if (e->button() == Qt::LeftButton) FooterButtonDown(p);
      return;
    }
    if (!MouseButtonDown(e)) CustomControl::mousePressEvent(e);
  });
}

void kTable::mouseReleaseEvent(QMouseEvent* e) {
  e->accept();
  GuardedCall([&] {
    if (e->button() == Qt::LeftButton) {
      if (press_ == Press::Caption || press_ == Press::ColumnEdge) {
        CaptionButtonUp(e->modifiers());
        return;
      }
      if (press_ == Press::Data) EndPress();
    }
    if (!MouseButtonUp(e)) CustomControl::mouseReleaseEvent(e);
  });
}

void kTable::mouseDoubleClickEvent(QMouseEvent* e) {
  e->accept();
  GuardedCall([&] {
    const QPoint p = e->position().toPoint();
    if (e->button() == Qt::LeftButton && InCaptionArea(p)) {
      CaptionDoubleClickAt(p);
      return;
    }
    if (e->button() == Qt::LeftButton && InFooterArea(p)) {
      FooterDoubleClickAt(p);
      return;
    }
    // Not the host's default either: that would take it for a second press.
    MouseButtonDoubleClick(e);
  });
}

void kTable::mouseMoveEvent(QMouseEvent* e) {
  GuardedCall([&] {
    if (e->buttons() == Qt::NoButton) {
      UpdatePointer(e->position().toPoint());
      return;
    }
    if (press_ == Press::Data && (e->buttons() & Qt::LeftButton) && MouseDrag(e)) return;
    CustomControl::mouseMoveEvent(e);
  });
}

void kTable::contextMenuEvent(QContextMenuEvent* e) {
  const bool keyboard = e->reason() == QContextMenuEvent::Keyboard;
  // The key map showed the menu for the key this event was made of.
  if (keyboard && SameKeyboardMenu(KeyboardMenu::ByKey)) {
    e->accept();
    return;
  }
  bool shown = false;
  GuardedCall([&] {
    const QPoint global = e->globalPos();
    shown = ContextMenuShow(keyboard ? nullptr : &global);
  });
  if (shown && keyboard) NoteKeyboardMenu(KeyboardMenu::ByEvent);
  // Without a menu of its own the grid leaves the event to its owner.
  e->setAccepted(shown);
}

void kTable::changeEvent(QEvent* e) {
  CustomControl::changeEvent(e);
  if (e->type() == QEvent::EnabledChange) GuardedCall([this] { Redraw(); });
}

// ---------------------------------------------------------------------------
// Late-bound names

void kTable::RegisterMouse(ClassInfo& info) {
  using T = kTable;
  auto columnOf = [](T& t, const Usual& u) -> kDataColumn* {
    if (u.IsObject()) return dynamic_cast<kDataColumn*>(u.AsObject());
    return t.GetOpenColumn(u).get();
  };
  info.Method<T>("CellSelect", [](T& t, Args) { return Usual(t.CellSelect()); });
  info.Method<T>("CellDoubleClick", [](T& t, Args) { return Usual(t.CellDoubleClick()); });
  // The column notifications are about a column of the grid: an object of
  // its column list, or an open column by position or name.
  auto notified = [](T& t, const Usual& u, const char* operation) -> kDataColumn* {
    kDataColumn* column = u.IsObject() ? t.GetColumn(u).get() : t.GetOpenColumn(u).get();
    if (!column) RaiseError(gen::Arg, operation, std::string("Not a column of the grid: ") + u.TypeLetter());
    return column;
  };
  info.Method<T>("CaptionClick", [notified](T& t, Args a) {
    kDataColumn* column = notified(t, Arg(a, 0), "kTable:CaptionClick");
    return Usual(column && t.CaptionClick(column));
  });
  info.Method<T>("CaptionDoubleClick", [notified](T& t, Args a) {
    kDataColumn* column = notified(t, Arg(a, 0), "kTable:CaptionDoubleClick");
    return Usual(column && t.CaptionDoubleClick(column));
  });
  info.Method<T>("FooterClick", [notified](T& t, Args a) {
    kDataColumn* column = notified(t, Arg(a, 0), "kTable:FooterClick");
    return Usual(column && t.FooterClick(column));
  });
  info.Method<T>("FooterDoubleClick", [notified](T& t, Args a) {
    kDataColumn* column = notified(t, Arg(a, 0), "kTable:FooterDoubleClick");
    return Usual(column && t.FooterDoubleClick(column));
  });
  info.Method<T>("SetContextMenu", [](T& t, Args a) {
    // SetContextMenu(menu, area, ...): each area named gets the menu; #Data
    // when none is named.
    if (a.size() < 2) return Usual(t.SetContextMenu(Arg(a, 0), Symbol("Data")));
    bool ok = true;
    for (std::size_t i = 1; i < a.size(); ++i)
      ok = t.SetContextMenu(Arg(a, 0), a[i].IsSymbol() ? a[i].AsSymbol() : Symbol()) && ok;
    return Usual(ok);
  });
  info.Method<T>("GetContextMenu", [](T& t, Args a) {
    return t.GetContextMenu(Arg(a, 0).IsSymbol() ? Arg(a, 0).AsSymbol() : Symbol());
  });
  info.Method<T>("GetColumnContextMenu", [columnOf](T& t, Args a) {
    return t.GetColumnContextMenu(columnOf(t, Arg(a, 0)), Arg(a, 1).IsSymbol() ? Arg(a, 1).AsSymbol() : Symbol());
  });
  info.Method<T>("ContextMenuShow", [](T& t, Args a) {
    // A screen Point; anything else means the keyboard.
    const Point* at = Arg(a, 0).IsObject() ? dynamic_cast<const Point*>(Arg(a, 0).AsObject()) : nullptr;
    if (!at) return Usual(t.ContextMenuShow(nullptr));
    const QPoint global(at->X, at->Y);
    return Usual(t.ContextMenuShow(&global));
  });
  info.Method<T>("MenuCommand", [](T& t, Args a) {
    Ref<MenuCommandEvent> event(Arg(a, 0).IsObject() ? dynamic_cast<MenuCommandEvent*>(Arg(a, 0).AsObject()) : nullptr);
    return Usual(event ? t.MenuCommand(event) : false);
  });
  info.Method<T>("OwnerEventHandler", [](T& t, Args a) {
    auto* event = Arg(a, 0).IsObject() ? dynamic_cast<WindowHookEvent*>(Arg(a, 0).AsObject()) : nullptr;
    return event ? t.OwnerEventHandler(*event) : Usual();
  });
  info.Method<T>("EnableCaptionClick", [](T& t, Args a) {
    t.EnableCaptionClick(Arg(a, 0));
    return Usual();
  });
  info.Method<T>("IsCaptionClickable", [](T& t, Args) { return Usual(t.IsCaptionClickable()); });
  info.Method<T>("EnableColumnMove", [](T& t, Args a) {
    t.EnableColumnMove(Arg(a, 0));
    return Usual();
  });
  info.Method<T>("IsColumnMovable", [](T& t, Args) { return Usual(t.IsColumnMovable()); });
  info.Method<T>("EnableColumnResize", [](T& t, Args a) {
    t.EnableColumnResize(Arg(a, 0));
    return Usual();
  });
  info.Method<T>("IsColumnResizable", [](T& t, Args) { return Usual(t.IsColumnResizable()); });
  info.Method<T>("EnableRowResize", [](T& t, Args a) {
    t.EnableRowResize(Arg(a, 0));
    return Usual();
  });
  info.Method<T>("IsRowResizable", [](T& t, Args) { return Usual(t.IsRowResizable()); });
}

}  // namespace kt
