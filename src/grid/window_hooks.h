#pragma once
// Window hooks: an object asks to see every event of a window before the
// window itself does. Each event is wrapped in a WindowHookEvent and passed
// to the object's method of the given name (late-bound); a non-NIL answer
// means the event was handled and the window never sees it. Hooks of one
// window are offered in the order they were registered, until one answers.
//
// The grid watches its owner window this way, and the cell editor watches
// its control. Hooks hold their objects weakly: an object that goes away
// is skipped, but should unregister first (Unregister removes all its
// hooks at once). A hook dies with its window.
#include <QPointer>

#include "platform/runtime/object.h"

class QEvent;
class QObject;
class QWidget;

namespace kt {

// One event offered to a hook. The Qt event is valid only while the hook
// method runs; afterwards Event() answers null.
class WindowHookEvent : public Object {
 public:
  WindowHookEvent(QObject* window, QEvent* event) : window_(window), event_(event) {}

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  QEvent* Event() const { return event_; }
  QObject* Target() const { return window_; }
  // The Qt event type, 0 once the event is gone.
  int Message() const;
  void Detach() { event_ = nullptr; }

 private:
  QPointer<QObject> window_;
  QEvent* event_;
};

namespace hooks {

// Hooks `object`'s `method` into `window`; for an editable combo box its
// edit line is hooked as well. The same (window, object, method) is hooked
// once. FALSE for a null window or object, and an argument error when the
// object has no such method.
bool Register(QWidget* window, Object* object, Symbol method);
// Removes every hook of `object`, on every window, or with `window` only
// those on that window.
void Unregister(const Object* object, const QWidget* window = nullptr);
// Hooks on `window`, and hooks of `object` on any window.
int Count(const QWidget* window);
int CountOf(const Object* object);

}  // namespace hooks

}  // namespace kt
