// kTable: the cell editor's life: Edit, EditClose (validation and the
// write back), EditCancel, EditUndo and the CellEdit notifications.
#include "grid/cell_editor.h"

#include "grid/edit_events.h"
#include "grid/ktable.h"

namespace kt {

void kTable::RegisterEditing(ClassInfo&) {}

bool kTable::InEdit() const { return editor_ && editor_->control != nullptr; }
bool kTable::Edit() { return false; }
bool kTable::EditClose() { return true; }
bool kTable::EditCancel() { return true; }
void kTable::EditUndo() {}
Usual kTable::EditControl() const { return editor_ ? editor_->controlValue : Usual(); }
Control* kTable::EditControlObject() const { return editor_ ? editor_->Current() : nullptr; }
const Ref<kCell>& kTable::EditCell() const {
  static const Ref<kCell> none = New<kCell>();
  return editor_ ? editor_->cell : none;
}
std::int64_t kTable::EditStartRecNo() const { return editor_ ? editor_->startRecNo : 0; }
bool kTable::CellEdit(int) { return true; }

}  // namespace kt
