#pragma once
// kCheckBox: a check box whose value is a number when it has three states:
// 0 unchecked, 1 checked, 2 the third state. Assigning a number sets the
// state and marks the box modified; logic values behave as in CheckBox.
#include "platform/gui/controls.h"

namespace kt {

class kCheckBox : public CheckBox {
 public:
  explicit kCheckBox(QWidget* parent = nullptr);
  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();
  Usual Value() override;
  void Value(const Usual& value) override;
};

}  // namespace kt
