#include "platform/gui/events.h"

namespace kt {

const ClassInfo& FocusChangeEvent::StaticClass() {
  static ClassInfo info("FocusChangeEvent", &Object::StaticClass());
  static const bool registered = [] {
    info.Access<FocusChangeEvent>("GotFocus", [](FocusChangeEvent& e) { return Usual(e.GotFocus()); });
    info.Access<FocusChangeEvent>("Reason", [](FocusChangeEvent& e) { return Usual(e.Reason()); });
    return true;
  }();
  (void)registered;
  return info;
}

}  // namespace kt
