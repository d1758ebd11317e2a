#pragma once
// FocusChangeEvent: what a control hands to its owner when it gains or
// loses the keyboard focus.
#include "platform/runtime/object.h"

namespace kt {

class FocusChangeEvent : public Object {
 public:
  explicit FocusChangeEvent(bool gotFocus, int reason = 0) : gotFocus_(gotFocus), reason_(reason) {}

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  bool GotFocus() const { return gotFocus_; }
  // Qt::FocusReason of the change (Tab, Backtab, mouse, ...).
  int Reason() const { return reason_; }

 private:
  bool gotFocus_;
  int reason_;
};

}  // namespace kt
