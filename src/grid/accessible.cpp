// kTable for screen readers.
#include "grid/ktable.h"

namespace kt {

void kTable::AccessibleCursorMoved() {}

void kTable::InstallAccessibility() {}

}  // namespace kt
