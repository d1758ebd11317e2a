#include "grid/kcheckbox.h"

namespace kt {

kCheckBox::kCheckBox(QWidget* parent) : CheckBox(parent) {}

const ClassInfo& kCheckBox::StaticClass() {
  static ClassInfo info("kCheckBox", &CheckBox::StaticClass());
  return info;
}

Usual kCheckBox::Value() { return CheckBox::Value(); }
void kCheckBox::Value(const Usual& value) { CheckBox::Value(value); }

}  // namespace kt
