// kTable: building the cell editor for a column (EditCreate), its place on
// the cell, and keeping it there (EditRecalculate).
#include "grid/cell_editor.h"
#include "grid/ktable.h"

namespace kt {

void kTable::RegisterEditClass(Symbol, EditorFactory) {}

Control* kTable::EditCreate(int, std::int64_t, std::int64_t) {
  auto* edit = new SingleLineEdit(this);
  edit->hide();
  return edit;
}

bool kTable::GetEditorRect(int column, std::int64_t row, std::int64_t recNo, GridRect& rect) const {
  return GetEditRect(column, row, recNo, rect);
}

void kTable::EditRecalculate() {}

}  // namespace kt
