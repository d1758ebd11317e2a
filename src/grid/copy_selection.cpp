// kTable's selection on the clipboard.
#include "grid/ktable.h"

namespace kt {

bool kTable::CopySelection() { return false; }

}  // namespace kt
