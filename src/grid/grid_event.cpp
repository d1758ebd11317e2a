#include "grid/grid_event.h"

#include "grid/ktable.h"

namespace kt {

const ClassInfo& GridEvent::StaticClass() {
  static ClassInfo info("GridEvent", &Object::StaticClass());
  static const bool registered = [] {
    using E = GridEvent;
    info.Access<E>("Message", [](E& e) { return Usual(e.Message()); });
    info.Access<E>("wParam", [](E& e) { return Usual(e.WParam()); });
    info.Access<E>("NotifyCode", [](E& e) { return Usual(e.NotifyCode()); });
    info.Access<E>("ControlID", [](E& e) { return Usual(e.ControlID()); });
    info.Access<E>("Control", [](E& e) { return Usual(static_cast<Object*>(e.Control())); });
    return true;
  }();
  (void)registered;
  return info;
}

}  // namespace kt
