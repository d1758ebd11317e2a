#include "columns/kbrush.h"

namespace kt {

kBrush::~kBrush() {
  if (system_) Forget();
}

void kBrush::Destroy() {
  if (system_) Forget();
  Brush::Destroy();
}

Ref<kBrush> kBrush::System(int sysColor) { return New<kBrush>(SysColorBrush(sysColor), true); }

const ClassInfo& kBrush::StaticClass() {
  static ClassInfo info("kBrush", &Brush::StaticClass());
  static const bool registered = [] {
    info.Access<kBrush>("IsSystem", [](kBrush& b) { return Usual(b.IsSystem()); });
    return true;
  }();
  (void)registered;
  return info;
}

}  // namespace kt
