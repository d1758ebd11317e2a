// kTable: the cell editor's life: Edit, EditClose (validation and the
// write back), EditCancel, EditUndo and the CellEdit notifications.
#include "grid/cell_editor.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "grid/edit_events.h"
#include "grid/event_lock.h"
#include "grid/ktable.h"
#include "grid/window_hooks.h"
#include "platform/db/dataserver.h"
#include "platform/gui/dialogs.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/error.h"
#include "platform/runtime/text.h"

namespace kt {
namespace {

const Symbol kCellEditSym("CellEdit"), kEditEventHandlerSym("EditEventHandler"), kCellSym("Cell"),
    kCurrentSym("Current");

const Usual& Arg(Args a, std::size_t i) { return i < a.size() ? a[i] : NIL; }

Usual TrimmedValue(const Usual& v) { return v.IsString() ? Usual(text::TrimRight(v.AsStringView())) : v; }

// What an empty editor stands for in a column of type `type`.
Usual EmptyOfType(const std::string& type) {
  switch (type.empty() ? 'U' : type[0]) {
    case 'C':
    case 'M': return Usual(std::string());
    case 'N': return Usual(0);
    case 'D': return Usual(Date());
    case 'L': return Usual(false);
    default: return Usual();
  }
}

// Would writing `typed` change the column's `current` value? Trailing blanks
// do not count, and an emptied editor equals the column's empty value.
bool Differs(const Usual& typed, const Usual& current, const std::string& type) {
  Usual a = TrimmedValue(typed), b = TrimmedValue(current);
  if (Empty(a)) a = EmptyOfType(type);
  if (Empty(b)) b = EmptyOfType(type);
  return !(a == b);
}

DataServer* ServerOf(kDataColumn& column) { return dynamic_cast<DataServer*>(column.Server().AsObject()); }

void SelectAll(QWidget* w) {
  if (auto* e = qobject_cast<QLineEdit*>(w)) e->selectAll();
  else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) p->selectAll();
  else if (auto* t = qobject_cast<QTextEdit*>(w)) t->selectAll();
}

}  // namespace

void kTable::RegisterEditing(ClassInfo& info) {
  using T = kTable;
  info.Method<T>("Edit", [](T& t, Args) { return Usual(t.Edit()); });
  info.Method<T>("EditClose", [](T& t, Args) { return Usual(t.EditClose()); });
  info.Method<T>("EditCancel", [](T& t, Args) { return Usual(t.EditCancel()); });
  info.Method<T>("EditUndo", [](T& t, Args) {
    t.EditUndo();
    return Usual();
  });
  info.Method<T>("CellEdit", [](T& t, Args a) { return Usual(t.CellEdit(int(Arg(a, 0).AsInteger()))); });
  info.Access<T>("InEdit", [](T& t) { return Usual(t.InEdit()); });
  info.Access<T>("EditControl", [](T& t) { return t.EditControl(); });
  info.Access<T>("Editable", [](T& t) { return Usual(t.Editable()); });
  info.Assign<T>("Editable", [](T& t, const Usual& v) { t.Editable(v.IsLogic() && v.AsLogic()); });
  info.Access<T>("AutoAppend", [](T& t) { return Usual(t.AutoAppend()); });
  info.Assign<T>("AutoAppend", [](T& t, const Usual& v) { t.AutoAppend(v.IsLogic() && v.AsLogic()); });
}

bool kTable::InEdit() const { return editor_ && editor_->control != nullptr; }

bool kTable::Edit() {
  if (!editor_ || editor_->creating || editor_->phase != CellEditor::Phase::Idle) return false;
  auto editableHere = [this]() -> kDataColumn* {
    if (!isVisible() || currentColumn_ < 1 || currentRow_ < 1 || !editable_) return nullptr;
    kDataColumn* column = OpenColumnAt(currentColumn_);
    if (!column || !column->Editable()) return nullptr;
    const int i = BufferPos(currentRecNo_);
    if (i < 1 || rows_[std::size_t(i - 1)].empty || rows_[std::size_t(i - 1)].deleted) return nullptr;
    if (column->Deleted()) return nullptr;
    return column;
  };
  if (!editableHere()) return false;

  if (InEdit() && !EditClose()) return false;
  if (!editor_->widget.isNull()) {
    // A control left over from an editor that did not come down cleanly.
    QWidget* leftover = editor_->widget;
    hooks::Unregister(this, leftover);
    leftover->hide();
    leftover->deleteLater();
  }
  editor_->Clear();

  if (!hasFocus()) setFocus(Qt::OtherFocusReason);
  if (currentColumn_ > freeze_ && !IsColumnVisible(currentColumn_, false)) SetCurrentColumn(currentColumn_);
  {
    // The grid repaints before the editor covers the cell; nothing the
    // pending events carry may start another edit meanwhile.
    LockScope lock(eventLock_);
    editor_->creating = true;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    editor_->creating = false;
  }
  // The pending events may have moved the cursor or hidden the grid.
  kDataColumn* column = editableHere();
  if (!column) return false;

  editor_->creating = true;
  editor_->startRecNo = link_.RecNo();
  editor_->cell = New<kCell>(currentColumn_, currentRow_, currentRecNo_);
  editor_->column = Ref<kDataColumn>(column);
  auto fail = [this] {
    editor_->Clear();
    return false;
  };
  if (!CellEdit(kCellEditEvent::kStart)) return fail();

  Control* control = nullptr;
  if (Object* own = editor_->controlValue.IsObject() ? editor_->controlValue.AsObject() : nullptr)
    control = dynamic_cast<Control*>(own);
  if (control && control->Widget()) {
    editor_->ownControl = true;
    if (control->Widget()->parentWidget() != this) control->Widget()->setParent(this);
  } else {
    control = EditCreate(currentColumn_, currentRow_, currentRecNo_);
    if (!control || !control->Widget()) return fail();
  }
  editor_->control = control;
  editor_->widget = control->Widget();
  editor_->controlValue = Usual(static_cast<Object*>(control));
  hooks::Register(editor_->widget, this, kEditEventHandlerSym);

  if (editor_->flags & kCellEditEvent::kLoadValue) LoadEditor();
  CellEdit(kCellEditEvent::kCreated);
  editor_->creating = false;
  if (!editor_->Open()) return fail();
  CellEdit(kCellEditEvent::kShowing);
  QWidget* w = editor_->widget;
  if (!w) return fail();
  w->show();
  w->raise();
  w->setFocus(Qt::OtherFocusReason);
  return true;
}

void kTable::LoadEditor() {
  Control* c = editor_->Current();
  kDataColumn* column = editor_->column.get();
  if (!c || !column) return;
  if (c->ControlKind() == Control::Kind::PushButton) c->TextValue(column->TextValue());
  else c->Value(TrimmedValue(column->Value()));
  c->Modified(false);
  if (c->IsEditKind()) SelectAll(c->Widget());
}

void kTable::EditUndo() {
  if (editor_ && editor_->Open()) LoadEditor();
}

std::string kTable::EditErrorCaption() const {
  std::string caption;
  if (editor_->column) {
    const Usual c = editor_->column->Caption();
    if (c.IsString()) caption = std::string(text::TrimRight(c.AsStringView()));
  }
  if (caption.empty()) caption = "Spalte " + std::to_string(editor_->cell->Column());
  return "Eingabefehler: " + caption;
}

bool kTable::CellEdit(int mode) {
  if (!editor_) return true;
  auto event = New<kCellEditEvent>(this, mode,
                                   New<kCell>(editor_->cell->Column(), editor_->cell->Row(), editor_->cell->RecNo()),
                                   editor_->controlValue);
  // Opening and closing start from fixed flags; the other steps see the
  // flags as they stand.
  if (mode != kCellEditEvent::kStart && mode != kCellEditEvent::kClosing) event->EditFlags(editor_->flags);
  Usual answer;
  if (ownerHas_[kCellEdit]) {
    if (TellOwner(kCellEdit, kCellEditSym, Ref<Object>(event), false, &answer) && answer.IsLogic() &&
        !answer.AsLogic())
      return false;
    // Only the opening step may hand over a control: later the editor is
    // already built.
    if (mode == kCellEditEvent::kStart) editor_->controlValue = event->EditControl();
  }
  editor_->flags = event->EditFlags();

  if (mode != kCellEditEvent::kClosing || answer.IsLogic() || !editor_->Open()) return true;
  // The grid's own check, where the owner gave no verdict.
  kDataColumn* column = editor_->column.get();
  if (!column || column->ValType() == "L") return true;
  Control* c = editor_->Current();
  c->Update();
  if (c->PerformValidations()) return true;
  const std::string why = c->Status() ? c->Status()->Description : std::string();
  Dialogs::Current().MessageBox(this, why.empty() ? "Der eingegebene Wert ist ungültig." : why, EditErrorCaption(),
                                box::IconHand);
  editor_->flags = kCellEditEvent::kLoadValue;
  return false;
}

template <class F>
bool kTable::WriteCell(std::string& reason, F&& write) {
  kDataColumn& column = *editor_->column;
  DataServer* server = ServerOf(column);
  if (server) {
    server->Status(nullptr);
    server->ClearError();
  }
  bool ok = true;
  try {
    ErrorTrap trap;
    ok = write(column);
  } catch (const RuntimeError& e) {
    reason = e.error() ? e.error()->Description : std::string();
    if (reason.empty()) reason = e.what();
    return false;
  }
  if (ok && server && server->Status()) {
    reason = server->Status()->Description;
    ok = false;
  }
  if (!ok) {
    if (reason.empty() && column.Status()) reason = column.Status()->Description;
    if (reason.empty()) reason = "Der eingegebene Wert ist ungültig.";
    return false;
  }
  CellEdit(kCellEditEvent::kWritten);
  return true;
}

bool kTable::WriteEditor(std::string& reason) {
  Control* c = editor_->Current();
  if (!c || !editor_->column) return true;
  kDataColumn& column = *editor_->column;
  const std::string type = column.ValType();
  auto put = [&](const Usual& v) {
    return WriteCell(reason, [&](kDataColumn& col) {
      col.Value(v);
      return true;
    });
  };
  auto putText = [&](const std::string& t) {
    return WriteCell(reason, [&](kDataColumn& col) { return col.TextValue(t); });
  };
  switch (c->ControlKind()) {
    case Control::Kind::PushButton: return true;
    case Control::Kind::DateTimePicker: {
      auto* picker = dynamic_cast<DateTimePicker*>(c);
      if (!picker) break;
      const Usual v = picker->ShowsTime() ? Usual(picker->SelectedTime()) : picker->SelectedDate();
      return !Differs(v, column.Value(), type) || put(v);
    }
    case Control::Kind::CheckBox: return put(c->Value());
    case Control::Kind::ComboBox: {
      auto* combo = dynamic_cast<ComboBox*>(c);
      if (!combo) break;
      if (const int n = combo->CurrentItemNo(); n > 0) return put(combo->GetItemValue(n));
      const std::string typed = combo->CurrentText();
      return text::TrimRight(typed) == text::TrimRight(column.TextValue()) || putText(typed);
    }
    case Control::Kind::RichEdit: {
      const Usual v = c->Value();
      return !Differs(v, column.Value(), type) || put(v);
    }
    case Control::Kind::Edit:
    case Control::Kind::MultiLineEdit: {
      if (c->ControlKind() == Control::Kind::Edit && !c->Picture().empty()) {
        const std::string typed = c->TextValue();
        return text::TrimRight(typed) == text::TrimRight(column.TextValue()) || putText(typed);
      }
      c->Update();
      // Text that could not be read is never dropped in silence, even when
      // the owner took over the validation.
      if (!c->PerformValidations()) {
        reason = c->Status() ? c->Status()->Description : std::string("Der eingegebene Wert ist ungültig.");
        return false;
      }
      Usual v = c->Value();
      if (Empty(v)) v = EmptyOfType(type);
      return !Differs(v, column.Value(), type) || put(v);
    }
    case Control::Kind::Other: break;
  }
  const Usual v = c->Value();
  return !Differs(v, column.Value(), type) || put(v);
}

bool kTable::EditClose() {
  if (!InEdit()) return true;
  // Called again from inside a write (a notification it caused): the
  // outcome is not known yet.
  if (editor_->phase == CellEditor::Phase::Writing) return false;
  if (editor_->phase == CellEditor::Phase::Removing) return true;
  if (!editor_->Open()) {
    // The control went away behind the grid's back.
    RemoveEditor();
    return true;
  }
  if (!CellEdit(kCellEditEvent::kClosing)) {
    RefocusEditor();
    return false;
  }
  if (!editor_->Open()) {
    RemoveEditor();
    return true;
  }
  std::string reason;
  bool written = true;
  {
    LockScope lock(eventLock_);
    editor_->creating = false;
    if (editor_->flags & kCellEditEvent::kWriteBack) {
      editor_->phase = CellEditor::Phase::Writing;
      written = WriteEditor(reason);
      editor_->phase = CellEditor::Phase::Idle;
    }
    if (written) RemoveEditor();
  }
  if (written) return true;
  // The server refused the value: it stays in the editor.
  Dialogs::Current().MessageBox(this, reason, EditErrorCaption(), box::IconHand);
  RefocusEditor();
  return false;
}

bool kTable::EditCancel() {
  if (!InEdit()) return true;
  if (editor_->phase != CellEditor::Phase::Idle) return editor_->phase == CellEditor::Phase::Removing;
  if (editor_->Open() && !CellEdit(kCellEditEvent::kCancelling)) {
    RefocusEditor();
    return false;
  }
  LockScope lock(eventLock_);
  RemoveEditor();
  return true;
}

void kTable::RemoveEditor() {
  editor_->phase = CellEditor::Phase::Removing;
  QWidget* w = editor_->widget;
  if (w) {
    Control* c = editor_->Current();
    CellEdit(kCellEditEvent::kRemoving);
    w = editor_->widget;
    if (w) {
      // Unhooked first: losing the focus below must not close it again.
      hooks::Unregister(this, w);
      const QWidget* focus = QApplication::focusWidget();
      const bool hadFocus = focus && (focus == w || w->isAncestorOf(focus) || (c && c->Owns(focus)));
      if (hadFocus || (c && c->IsButtonKind())) setFocus(Qt::OtherFocusReason);
      w->hide();
      // Destroyed once its own event handling (which may have closed it)
      // has returned; nothing points to it any more.
      w->deleteLater();
    }
  }
  const int column = editor_->cell->Column();
  const std::int64_t row = editor_->cell->Row();
  editor_->Clear();
  // The cell under the editor and the focus marks show again.
  if (column >= 1 && IsCellVisible(column, row, currentRecNo_)) Redraw(Usual(kCellSym), Usual(column), Usual(row));
  if (currentRow_ >= 1 && IsRowVisible(currentRow_, currentRecNo_)) Redraw(Usual(kCurrentSym));
}

void kTable::RefocusEditor() {
  QWidget* w = editor_ ? editor_->widget.data() : nullptr;
  if (!w || w->hasFocus()) return;
  QWidget* top = window();
  for (QWidget* p = parentWidget(); p; p = p->parentWidget())
    if (auto* sub = qobject_cast<QMdiSubWindow*>(p)) {
      if (QMdiArea* area = sub->mdiArea()) area->setActiveSubWindow(sub);
      break;
    }
  if (top && !top->isActiveWindow()) top->activateWindow();
  w->setFocus(Qt::OtherFocusReason);
}

Usual kTable::EditControl() const { return editor_ ? editor_->controlValue : Usual(); }
Control* kTable::EditControlObject() const { return editor_ ? editor_->Current() : nullptr; }
const Ref<kCell>& kTable::EditCell() const {
  static const Ref<kCell> none = New<kCell>();
  return editor_ ? editor_->cell : none;
}
std::int64_t kTable::EditStartRecNo() const { return editor_ ? editor_->startRecNo : 0; }

}  // namespace kt
