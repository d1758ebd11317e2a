// kTable's column cursor: which columns the cursor may stand in, and the
// horizontal moves of the cursor.
#include "grid/ktable.h"

namespace kt {
namespace {
const Symbol kFirst("First"), kNext("Next"), kPrevious("Previous"), kLast("Last");
}  // namespace

bool kTable::IsCellSelectable(int column, std::int64_t, std::int64_t) const {
  return column >= 1 && column <= ColumnOpenCount() && columnOpenList_[std::size_t(column - 1)]->Selectable();
}

int kTable::GetNewSelectableColumn(int from, Symbol mode) const {
  const int count = ColumnOpenCount();
  auto ok = [&](int c) { return IsCellSelectable(c, currentRow_, currentRecNo_); };
  if (mode == kFirst) {
    for (int c = 1; c <= count; ++c)
      if (ok(c)) return c;
  } else if (mode == kLast) {
    for (int c = count; c >= 1; --c)
      if (ok(c)) return c;
  } else if (mode == kPrevious) {
    for (int c = from - 1; c >= 1; --c)
      if (ok(c)) return c;
  } else if (mode == kNext) {
    for (int c = from + 1; c <= count; ++c)
      if (ok(c)) return c;
  } else {  // #Auto: at or after `from`, else before it
    for (int c = std::max(1, from); c <= count; ++c)
      if (ok(c)) return c;
    for (int c = from - 1; c >= 1; --c)
      if (ok(c)) return c;
  }
  return 0;
}

int kTable::GetNewEditableColumn(int, Symbol) const { return 0; }
bool kTable::SkipToCell(Symbol, Symbol, int, bool, bool) { return false; }
bool kTable::SetCurrentColumn(int) { return false; }
void kTable::CurrentColumn(int) {}

}  // namespace kt
