// kTable's selection operations: user actions as flag words, and the
// changes of the stored selection they make.
#include "grid/ktable.h"
#include "grid/selection.h"

namespace kt {

void kTable::RegisterSelection(ClassInfo&) {}

int kTable::SelectionFlags(bool, bool, bool) const { return 5; }
void kTable::SelectionChange(int, int, std::int64_t, std::int64_t) {}
bool kTable::SelectionSet(Symbol, int, std::int64_t, std::int64_t) { return false; }
bool kTable::SelectionSetBlock(const kCell&, const kCell&, const kCell*) { return false; }
void kTable::SelectionRemove(Symbol, int, std::int64_t, std::int64_t) {}
void kTable::SelectionMove(int, int, int) {}

bool kTable::IsCellSelected(int column, std::int64_t row, std::int64_t recNo) const {
  if (currentRow_ <= 0 || row != currentRow_ || recNo != currentRecNo_) return false;
  return currentMode_ == Symbol("Row") || column == currentColumn_;
}

bool kTable::IsRowSelected(std::int64_t, std::int64_t) const { return false; }
std::int64_t kTable::SelectionRowCount() const { return 0; }
std::int64_t kTable::SelectionFirstRow() { return 0; }
std::int64_t kTable::SelectionNextRow() { return 0; }
int kTable::SelectionFirstColumn() { return 0; }
int kTable::SelectionNextColumn() { return 0; }
void kTable::SelectionMode(Symbol mode) { selectionMode_ = mode; }

}  // namespace kt
