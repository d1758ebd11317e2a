// kTable: the cell editor's window hook (keys by auto-edit mode, Tab,
// characters, focus) and the auto-edit settings.
#include "grid/cell_editor.h"
#include "grid/ktable.h"
#include "grid/window_hooks.h"

namespace kt {

void kTable::RegisterEditKeys(ClassInfo&) {}

void kTable::AutoEdit(const Usual& v) { autoEdit_ = v; }

Usual kTable::EditEventHandler(WindowHookEvent&) { return Usual(); }

void kTable::EditForwardEvent(QEvent*) {}

}  // namespace kt
