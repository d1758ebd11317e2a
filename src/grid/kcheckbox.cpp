#include "grid/kcheckbox.h"

#include "platform/runtime/error.h"
#include "platform/runtime/convert.h"

namespace kt {

kCheckBox::kCheckBox(QWidget* parent) : CheckBox(parent) {}

const ClassInfo& kCheckBox::StaticClass() {
  static ClassInfo info("kCheckBox", &CheckBox::StaticClass());
  return info;
}

// 0, 1, 2 are the states unchecked, checked and the third one.
Usual kCheckBox::Value() {
  if (!isTristate()) return CheckBox::Value();
  switch (checkState()) {
    case Qt::Checked: return Usual(1);
    case Qt::PartiallyChecked: return Usual(2);
    default: return Usual(0);
  }
}

void kCheckBox::Value(const Usual& value) {
  if (!isTristate() || !value.IsNumeric()) {
    CheckBox::Value(value);
    return;
  }
  const double n = value.AsFloat();
  if (n != 0 && n != 1 && n != 2) {
    // A state the box cannot show: say so and leave the box as it is.
    RaiseError(gen::Arg, "kCheckBox:Value", "Not a check state (0, 1 or 2): " + NTrim(value));
    return;
  }
  setCheckState(n == 1 ? Qt::Checked : n == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
  modified_ = true;
}

}  // namespace kt
