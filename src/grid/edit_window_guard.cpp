// kTable: an open editor is closed before its window or the program is.
#include "grid/edit_window_guard.h"

#include <QCloseEvent>
#include <QCoreApplication>

#include "grid/ktable.h"
#include "platform/gui/guard.h"

namespace kt {

EditWindowGuard::EditWindowGuard(kTable* grid) : QObject(grid), grid_(grid) {
  setObjectName("kTableEditWindowGuard");
  Attach();
  if (auto* app = QCoreApplication::instance())
    connect(app, &QCoreApplication::aboutToQuit, this, &EditWindowGuard::ApplicationQuits);
}

void EditWindowGuard::Detach() {
  for (const QPointer<QWidget>& w : watched_)
    if (w) w->removeEventFilter(this);
  watched_.clear();
}

void EditWindowGuard::Attach() {
  Detach();
  for (QWidget* w = grid_; w; w = w->parentWidget()) {
    w->installEventFilter(this);
    watched_.emplace_back(w);
    if (w->isWindow()) break;
  }
}

bool EditWindowGuard::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ParentChange:
      Attach();
      break;
    case QEvent::Close: {
      if (!grid_->InEdit()) break;
      bool closed = false;
      GuardedCall([&] { closed = grid_->EditClose(); });
      if (!closed) {
        event->ignore();
        return true;
      }
      break;
    }
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

void EditWindowGuard::ApplicationQuits() {
  // A quit cannot be refused: what cannot be written is dropped.
  if (!grid_->InEdit()) return;
  bool closed = false;
  GuardedCall([&] { closed = grid_->EditClose(); });
  if (!closed) GuardedCall([this] { grid_->EditCancel(); });
}

void kTable::InstallEditWindowGuard() {
  if (!findChild<EditWindowGuard*>(QString(), Qt::FindDirectChildrenOnly)) new EditWindowGuard(this);
}

}  // namespace kt
