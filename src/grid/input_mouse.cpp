// kTable's mouse: clicks on cells, the row selector, captions and footers,
// the pointer shapes over edges, and the hand-offs to resizing, moving and
// dragging.
#include "grid/ktable.h"

namespace kt {

void kTable::RegisterMouse(ClassInfo&) {}

}  // namespace kt
