#include "grid/grid_event.h"

#include "grid/ktable.h"

namespace kt {

GridEvent::GridEvent(kTable* grid, int code) : GridEvent(grid, grid ? grid->ControlID() : 0, code) {}

const ClassInfo& GridEvent::StaticClass() {
  static ClassInfo info("GridEvent", &Object::StaticClass());
  static const bool registered = [] {
    using E = GridEvent;
    info.Access<E>("Message", [](E& e) { return Usual(e.Message()); });
    info.Access<E>("wParam", [](E& e) { return Usual(e.WParam()); });
    info.Access<E>("NotifyCode", [](E& e) { return Usual(e.NotifyCode()); });
    info.Access<E>("ControlID", [](E& e) { return Usual(e.ControlID()); });
    info.Access<E>("Control", [](E& e) { return Usual(static_cast<Object*>(e.Control())); });
    info.Access<E>("lParam", [](E& e) { return Usual(static_cast<Object*>(e.Control())); });
    return true;
  }();
  (void)registered;
  return info;
}

const ClassInfo& kColumnEvent::StaticClass() {
  static ClassInfo info("kColumnEvent", &GridEvent::StaticClass());
  static const bool registered = [] {
    info.Access<kColumnEvent>("Column", [](kColumnEvent& e) { return Usual(e.Column()); });
    return true;
  }();
  (void)registered;
  return info;
}

}  // namespace kt
