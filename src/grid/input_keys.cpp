// kTable's keyboard: the key map, the Tab key policy, key commands and the
// focus changes.
#include "grid/ktable.h"

namespace kt {

void kTable::RegisterKeys(ClassInfo&) {}

void kTable::ClearFirstTabExitFlag() {}

}  // namespace kt
