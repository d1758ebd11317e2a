// kTable: the cell editor's window hook (keys by auto-edit mode, Tab,
// characters, focus) and the auto-edit settings.
//
// Work that may close the editor never runs inside the editor's own event:
// closing destroys the editor's widget, and whoever delivered the event
// (Qt, a test helper sending the key release) still holds it. The hook
// only decides whether the grid takes the event and queues the work on the
// grid; the queued work checks that the same editor is still open.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPointer>

#include "grid/cell_editor.h"
#include "grid/event_lock.h"
#include "grid/ktable.h"
#include "grid/window_hooks.h"
#include "platform/gui/controls.h"
#include "platform/gui/guard.h"
#include "platform/runtime/error.h"

namespace kt {
namespace {

const Symbol kFirst("First"), kLast("Last"), kPrevious("Previous"), kNext("Next"), kEditable("Editable"),
    kLineBackwards("LineBackwards"), kLineForwards("LineForwards"), kPageBackwards("PageBackwards"),
    kPageForwards("PageForwards"), kSensitive("Sensitive"), kExcel("Excel"), kPermanent("Permanent");

// Runs `work` on the grid after the current event, unless the grid or the
// editor `editor` has gone by then (a null `editor` only needs the grid).
template <typename F>
void Later(kTable* grid, QWidget* editor, F work) {
  const QPointer<kTable> self(grid);
  const QPointer<QWidget> watched(editor);
  const bool needsEditor = editor != nullptr;
  QMetaObject::invokeMethod(
      grid,
      [self, watched, needsEditor, work]() mutable {
        if (!self || (needsEditor && (!watched || self->EditControlObject() == nullptr ||
                                      self->EditControlObject()->Widget() != watched.data())))
          return;
        GuardedCall([&] { work(); });
      },
      Qt::QueuedConnection);
}

bool IsMultiLine(const Control* c) {
  return c->ControlKind() == Control::Kind::MultiLineEdit || c->ControlKind() == Control::Kind::RichEdit;
}

// A rich edit is a document: Enter is a new paragraph there.
bool WantsReturn(Control* c) {
  if (auto* m = dynamic_cast<MultiLineEdit*>(c)) return m->WantReturn();
  return c->ControlKind() == Control::Kind::RichEdit;
}

bool WantsTab(Control* c) {
  if (auto* m = dynamic_cast<MultiLineEdit*>(c)) return m->WantTab();
  return false;
}

bool DroppedDown(Control* c) {
  auto* combo = dynamic_cast<ComboBox*>(c);
  return combo && combo->IsDroppedDown();
}

// Where keys and typed text go in the editor: an editable combo box types
// into its edit line.
QWidget* InputWidget(Control* c) {
  QWidget* w = c->Widget();
  if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->lineEdit()) return combo->lineEdit();
  return w;
}

}  // namespace

void kTable::RegisterEditKeys(ClassInfo& info) {
  using T = kTable;
  info.Access<T>("AutoEdit", [](T& t) { return t.AutoEdit(); });
  info.Assign<T>("AutoEdit", [](T& t, const Usual& v) { t.AutoEdit(v); });
  // The editor's window hook is called by name.
  info.Method<T>("EditEventHandler", [](T& t, Args a) {
    const Usual& arg = a.size() > 0 ? a[0] : NIL;
    auto* event = arg.IsObject() ? dynamic_cast<WindowHookEvent*>(arg.AsObject()) : nullptr;
    return event ? t.EditEventHandler(*event) : Usual();
  });
}

void kTable::AutoEdit(const Usual& v) {
  if (!v.IsNil() && !v.IsLogic() && !v.IsSymbol()) {
    RaiseError(gen::Arg, "kTable:AutoEdit", std::string("Symbol or logic value expected, got ") + v.TypeLetter());
    return;
  }
  autoEdit_ = v;
  if (AutoEditMode() != kPermanent) return;
  autoSkip_ = true;
  PermanentEdit(true);
}

bool kTable::PermanentEditDue(bool anyFocus) const {
  return editable_ && AutoEditMode() == kPermanent && !InEdit() && !(editor_ && editor_->creating) &&
         (anyFocus || hasFocus());
}

void kTable::PermanentEdit(bool anyFocus) {
  if (PermanentEditDue(anyFocus)) Edit();
}

// ---------------------------------------------------------------------------
// The hook

Usual kTable::EditEventHandler(WindowHookEvent& event) {
  QEvent* e = event.Event();
  Control* control = EditControlObject();
  if (!e || !control) return NIL;
  WatchEditorButton();
  switch (e->type()) {
    case QEvent::KeyPress:
      return EditorKeyPress(static_cast<QKeyEvent*>(e)) ? Usual(0) : NIL;
    case QEvent::ShortcutOverride: {
      // Keys the grid takes from the editor are no shortcuts of the window.
      auto* k = static_cast<QKeyEvent*>(e);
      if (k->key() == Qt::Key_Escape || k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) e->accept();
      return NIL;
    }
    case QEvent::FocusIn:
      EditorFocus(static_cast<QFocusEvent*>(e), true);
      return NIL;
    case QEvent::FocusOut:
      EditorFocus(static_cast<QFocusEvent*>(e), false);
      return NIL;
    default:
      return NIL;
  }
}

bool kTable::EditorKeyPress(QKeyEvent* e) {
  Control* control = EditControlObject();
  if (!control) return false;
  // The grid is busy (a write, a move): nothing reaches the editor meanwhile.
  if (eventLock_) return true;

  int key = e->key();
  const Qt::KeyboardModifiers m = e->modifiers();
  bool shift = m & Qt::ShiftModifier;
  const bool ctrl = m & Qt::ControlModifier, alt = m & Qt::AltModifier;
  if (key == Qt::Key_Backtab) key = Qt::Key_Tab, shift = true;
  if (key == Qt::Key_Enter) key = Qt::Key_Return;
  QWidget* widget = control->Widget();
  const Symbol mode = AutoEditMode();

  if (key == Qt::Key_Tab && !ctrl && !alt) {
    if (IsMultiLine(control) && WantsTab(control)) return false;
    const int qtKey = shift ? Qt::Key_Backtab : Qt::Key_Tab;
    const Qt::KeyboardModifiers mods = m;
    Later(this, widget, [this, qtKey, mods] {
      if (!EditClose()) return;
      // The grid's Tab policy, as if the key had been pressed in the grid.
      if (!hasFocus()) setFocus(Qt::OtherFocusReason);
      QKeyEvent tab(QEvent::KeyPress, qtKey, mods);
      QCoreApplication::sendEvent(this, &tab);
    });
    return true;
  }

  // A dropped-down list keeps its keys; Esc and Enter first close it.
  if (DroppedDown(control)) {
    if (key == Qt::Key_Escape || key == Qt::Key_Return) {
      static_cast<ComboBox*>(control)->ShowDropDown(false);
      return true;
    }
    if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown) return false;
  }
  if (IsMultiLine(control)) {
    if (key == Qt::Key_Up || key == Qt::Key_Down) return false;
    if (key == Qt::Key_Return && WantsReturn(control)) return false;
  }
  // Alt with a key is the editor's (Alt+Down opens a combo box's list).
  if (alt) return false;

  if (key == Qt::Key_Escape) {
    if (mode == kPermanent) {
      LockScope lock(eventLock_);
      EditUndo();
    } else {
      Later(this, widget, [this] {
        LockScope lock(eventLock_);
        EditCancel();
      });
    }
    return true;
  }

  const int flags = SelectionFlags(shift, ctrl, false);
  if (key == Qt::Key_Return) {
    Later(this, widget, [this, mode, shift, ctrl, flags] {
      LockScope lock(eventLock_);
      if (mode == kPermanent) {
        // SkipToCell closes the editor and opens it on the new cell.
        SkipToCell(shift ? kPrevious : kNext, kEditable, flags);
        return;
      }
      if (!EditClose()) return;
      if (mode == kSensitive) SkipToCell(kNext, kEditable, flags);
      else if (mode == kExcel) EditorRowMove(Qt::Key_Down, shift, ctrl);
    });
    return true;
  }

  const bool cellKey = key == Qt::Key_Home || key == Qt::Key_End || key == Qt::Key_Left || key == Qt::Key_Right;
  const bool rowKey = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown;
  if (!cellKey && !rowKey) {
    // Characters: no control character reaches a single-line editor.
    const QString text = e->text();
    if (!text.isEmpty()) {
      const char16_t c = text.at(0).unicode();
      if ((c == u'\r' || c == u'\n' || c == u'\t') && !(IsMultiLine(control) && WantsReturn(control))) return true;
      if (c == 0x1B) return true;
    }
    return false;
  }

  if (mode == kExcel || mode == kPermanent) {
    Later(this, widget, [this, mode, key, shift, ctrl, flags, cellKey] {
      LockScope lock(eventLock_);
      // #Permanent: the move closes the editor and reopens it on the new
      // cell; #Excel: the grid keeps the focus afterwards.
      if (mode == kExcel && !EditClose()) return;
      if (cellKey) {
        const Symbol direction = key == Qt::Key_Home  ? kFirst
                                 : key == Qt::Key_End ? kLast
                                 : key == Qt::Key_Left ? kPrevious
                                                       : kNext;
        SkipToCell(direction, kEditable, flags);
      } else {
        EditorRowMove(key, shift, ctrl);
      }
    });
    return true;
  }
  // No auto edit, #Sensitive: a button leaves by the arrows (not by Home,
  // End), the grid then moving as for its own key.
  if (!control->IsButtonKind() || key == Qt::Key_Home || key == Qt::Key_End) return false;
  const Qt::KeyboardModifiers mods = m;
  const int qtKey = e->key();
  Later(this, widget, [this, qtKey, mods] {
    {
      LockScope lock(eventLock_);
      if (!EditClose()) return;
    }
    if (!hasFocus()) setFocus(Qt::OtherFocusReason);
    QKeyEvent move(QEvent::KeyPress, qtKey, mods);
    QCoreApplication::sendEvent(this, &move);
  });
  return true;
}

void kTable::EditorRowMove(int key, bool shift, bool ctrl) {
  // The row move selects through the grid's notification, which reads the
  // pending flags.
  auto move = [&](int f, auto go) {
    const int saved = pendingSelection_;
    pendingSelection_ |= f;
    go();
    pendingSelection_ = saved;
  };
  const int flags = SelectionFlags(shift, ctrl, false);
  if (key == Qt::Key_Up) move(flags, [this] { Skip(Usual(kLineBackwards)); });
  // Skip appends on the last record when AutoAppend is set.
  else if (key == Qt::Key_Down) move(flags, [this] { Skip(Usual(kLineForwards)); });
  else if (key == Qt::Key_PageUp && ctrl) move(SelectionFlags(false, false, false), [this] { GoTop(); });
  else if (key == Qt::Key_PageDown && ctrl) move(SelectionFlags(false, false, false), [this] { GoBottom(); });
  else if (key == Qt::Key_PageUp) move(flags, [this] { Skip(Usual(kPageBackwards)); });
  else if (key == Qt::Key_PageDown) move(flags, [this] { Skip(Usual(kPageForwards)); });
}

// ---------------------------------------------------------------------------
// Focus

void kTable::EditorFocus(QFocusEvent* e, bool gotFocus) {
  FocusChange(e, gotFocus);
  Control* control = EditControlObject();
  if (!control) return;
  if (gotFocus) {
    editorAway_ = false;
    return;
  }
  // The grid's own work moves the focus (closing, reopening): not the user's.
  if (eventLock_ || (editor_ && editor_->creating)) return;
  QWidget* now = QApplication::focusWidget();
  if (now && control->Owns(now)) return;
  if (!now || e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason) {
    // Another window or a pop-up has the keyboard for now: the editor
    // stays until the focus lands on something else of this window.
    editorAway_ = true;
    if (!watchingFocus_) {
      watchingFocus_ = true;
      connect(qApp, &QApplication::focusChanged, this, &kTable::EditorFocusChanged);
    }
    return;
  }
  QWidget* widget = control->Widget();
  Later(this, widget, [this, widget] {
    // A failed close elsewhere may have put the focus back already.
    QWidget* focus = QApplication::focusWidget();
    if (focus && (focus == widget || EditControlObject()->Owns(focus))) return;
    LockScope lock(eventLock_);
    EditClose();
  });
}

void kTable::EditorFocusChanged(QWidget*, QWidget* now) {
  GuardedCall([&] {
    Control* control = EditControlObject();
    if (!editorAway_ || !control || !now || control->Owns(now) || eventLock_) return;
    if (now->window() != window()) return;
    editorAway_ = false;
    QWidget* widget = control->Widget();
    Later(this, widget, [this, widget] {
      QWidget* focus = QApplication::focusWidget();
      if (focus && (focus == widget || EditControlObject()->Owns(focus))) return;
      LockScope lock(eventLock_);
      EditClose();
    });
  });
}

// ---------------------------------------------------------------------------
// Push-button editors

void kTable::WatchEditorButton() {
  Control* control = EditControlObject();
  if (!control || control->ControlKind() != Control::Kind::PushButton) return;
  auto* button = qobject_cast<QAbstractButton*>(control->Widget());
  if (!button || watchedButton_ == button) return;
  watchedButton_ = button;
  connect(button, &QAbstractButton::clicked, this, &kTable::EditorButtonClicked);
}

void kTable::EditorButtonClicked() {
  Control* control = EditControlObject();
  if (!control || control->ControlKind() != Control::Kind::PushButton) return;
  Later(this, control->Widget(), [this] { EditClose(); });
}

void kTable::ClickButtonEditor() {
  Control* control = EditControlObject();
  if (!control || control->ControlKind() != Control::Kind::PushButton) return;
  WatchEditorButton();
  QWidget* widget = control->Widget();
  Later(this, widget, [widget] {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->click();
  });
}

// ---------------------------------------------------------------------------
// Handing the opening event to the editor

void kTable::EditForwardEvent(QEvent* e) {
  Control* control = EditControlObject();
  if (!e || !control) return;
  QWidget* target = InputWidget(control);
  const QPointer<QWidget> alive(target);
  switch (e->type()) {
    case QEvent::KeyPress: {
      // A check box or push button takes no typed character.
      if (control->IsButtonKind()) return;
      auto* k = static_cast<QKeyEvent*>(e);
      QKeyEvent press(QEvent::KeyPress, k->key(), k->modifiers(), k->text(), k->isAutoRepeat(), ushort(k->count()));
      QCoreApplication::sendEvent(target, &press);
      return;
    }
    case QEvent::InputMethod: {
      if (control->IsButtonKind()) return;
      auto* im = static_cast<QInputMethodEvent*>(e);
      QInputMethodEvent copy(im->preeditString(), im->attributes());
      copy.setCommitString(im->commitString(), im->replacementStart(), im->replacementLength());
      QCoreApplication::sendEvent(target, &copy);
      return;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
      auto* mouse = static_cast<QMouseEvent*>(e);
      if (control->ControlKind() == Control::Kind::PushButton) {
        // A release or a double click on the cell clicks the button; a
        // press alone does not.
        if (e->type() != QEvent::MouseButtonPress) ClickButtonEditor();
        return;
      }
      if (!control->IsEditKind()) return;
      // The caret lands where the user clicked.
      const QPointF local = target->mapFromGlobal(mouse->globalPosition());
      QMouseEvent press(QEvent::MouseButtonPress, local, mouse->globalPosition(), Qt::LeftButton, Qt::LeftButton,
                        mouse->modifiers());
      QCoreApplication::sendEvent(target, &press);
      if (!alive) return;
      QMouseEvent release(QEvent::MouseButtonRelease, local, mouse->globalPosition(), Qt::LeftButton, Qt::NoButton,
                          mouse->modifiers());
      QCoreApplication::sendEvent(target, &release);
      return;
    }
    default:
      return;
  }
}

}  // namespace kt
