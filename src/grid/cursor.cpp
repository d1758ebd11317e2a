// kTable's column cursor: which columns the cursor may stand in, and the
// horizontal moves of the cursor.
#include <algorithm>

#include "grid/ktable.h"

namespace kt {
namespace {
const Symbol kFirst("First"), kNext("Next"), kPrevious("Previous"), kLast("Last"), kEditable("Editable"),
    kFirstCell("FirstCell"), kPermanent("Permanent"), kCellSym("Cell");

// The row move of an automatic skip selects through the pending flags.
struct PendingFlags {
  int& pending;
  int flags;
  PendingFlags(int& p, int f) : pending(p), flags(f) { pending |= flags; }
  ~PendingFlags() { pending &= ~flags; }
  PendingFlags(const PendingFlags&) = delete;
  PendingFlags& operator=(const PendingFlags&) = delete;
};

template <class Ok>
int SearchColumn(int count, int from, Symbol direction, Ok ok) {
  // Late-bound callers may pass any number: beyond the columns it stands
  // for "before the first" or "after the last".
  from = std::clamp(from, 0, count + 1);
  if (direction == kFirst) {
    for (int c = 1; c <= count; ++c)
      if (ok(c)) return c;
  } else if (direction == kLast) {
    for (int c = count; c >= 1; --c)
      if (ok(c)) return c;
  } else if (direction == kPrevious) {
    for (int c = from - 1; c >= 1; --c)
      if (ok(c)) return c;
  } else if (direction == kNext) {
    for (int c = from + 1; c <= count; ++c)
      if (ok(c)) return c;
  } else {  // at `from`, else the nearest after it, else the nearest before
    for (int c = std::max(1, from); c <= count; ++c)
      if (ok(c)) return c;
    for (int c = from - 1; c >= 1; --c)
      if (ok(c)) return c;
  }
  return 0;
}

}  // namespace

bool kTable::IsCellSelectable(int column, std::int64_t, std::int64_t) const {
  return column >= 1 && column <= ColumnOpenCount() && columnOpenList_[std::size_t(column - 1)]->Selectable();
}

int kTable::GetNewSelectableColumn(int from, Symbol direction) const {
  return SearchColumn(ColumnOpenCount(), from, direction,
                      [&](int c) { return IsCellSelectable(c, currentRow_, currentRecNo_); });
}

int kTable::GetNewEditableColumn(int from, Symbol direction) const {
  return SearchColumn(ColumnOpenCount(), from, direction, [&](int c) {
    return IsCellSelectable(c, currentRow_, currentRecNo_) && columnOpenList_[std::size_t(c - 1)]->Editable();
  });
}

bool kTable::SkipToCell(Symbol direction, Symbol mode, int flags, bool autoSkip, bool scroll) {
  const int c = currentColumn_;
  const int count = ColumnOpenCount();
  auto search = [&](Symbol d) { return mode == kEditable ? GetNewEditableColumn(c, d) : GetNewSelectableColumn(c, d); };
  auto refused = [&](int n) { return n < 1 || (currentMode_ == kFirstCell && n >= 2); };
  auto scrolledRight = [&] { return count > freeze_ && firstVisibleColumn_ > freeze_ + 1; };
  auto rightHidden = [&] {
    return count > freeze_ && lastVisibleColumn_ >= 1 &&
           (lastVisibleColumn_ != count || !IsColumnVisible(lastVisibleColumn_, false));
  };
  auto scrollFullyLeft = [&] {
    SetFirstColumn(freeze_ + 1);
    RecalculateOpenEditor();
  };
  auto scrollFullyRight = [&] {
    SetLastColumn(count);
    RecalculateOpenEditor();
  };
  auto tell = [&] {
    CellSelect();
    if (AutoEditMode() == kPermanent) Edit();
  };

  if (direction == kFirst || direction == kLast) {
    const int n = search(direction);
    if (direction == kFirst && scrolledRight()) scrollFullyLeft();
    if (direction == kLast && rightHidden()) scrollFullyRight();
    if (refused(n) || n == c) return false;
    if (InEdit() && !EditClose()) return false;
    SelectionChange(flags, n, currentRow_, currentRecNo_);
    if (!SetCurrentColumn(n)) return false;
    tell();
    return true;
  }
  if (direction != kPrevious && direction != kNext) return false;

  const bool back = direction == kPrevious;
  int n = search(direction);
  int rowStep = 0;
  if (n == 0 && autoSkip && Used()) {
    const std::int64_t recNo = link_.RecNo();
    const bool canStep = back ? recNo != firstRecNo_ : (recNo != lastRecNo_ || skipEOF_) && !link_.EoF();
    if (canStep) {
      n = search(back ? kLast : kFirst);
      rowStep = back ? -1 : 1;
    }
  }
  if (n >= 1) {
    if (refused(n)) return false;
    if (n <= freeze_ && scrolledRight()) scrollFullyLeft();
    if (InEdit() && !EditClose()) return false;
    const int oldColumn = currentColumn_;
    const std::int64_t oldRecNo = currentRecNo_;
    if (!SetCurrentColumn(n)) return false;
    if (rowStep != 0) {
      // The row move selects and tells the owner. A move the server (or a
      // client) refuses leaves the cursor in its old cell.
      const PendingFlags pending(pendingSelection_, flags);
      if (!Skip(Usual(rowStep)) || currentRecNo_ == oldRecNo) {
        SetCurrentColumn(oldColumn);
        return false;
      }
    } else {
      SelectionChange(flags, n, currentRow_, currentRecNo_);
      tell();
    }
    return true;
  }
  if (scroll) {
    if (back && scrolledRight()) {
      SetFirstColumn(firstVisibleColumn_ - 1);
      RecalculateOpenEditor();
    } else if (!back && rightHidden()) {
      scrollFullyRight();
    }
  }
  return false;
}

bool kTable::SetCurrentColumn(int column) {
  if (column != 0 && (column < 1 || column > ColumnOpenCount() || !IsCellSelectable(column, currentRow_, currentRecNo_) ||
                      (currentMode_ == kFirstCell && column > 1)))
    return false;
  const int old = currentColumn_;
  if (old >= 1 && hasFocus() && IsCellVisible(old, currentRow_, currentRecNo_))
    Redraw(Usual(kCellSym), Usual(old), Usual(currentRow_));
  currentColumn_ = column;
  if (column > freeze_ && !IsColumnVisible(column, false)) {
    if (column > firstVisibleColumn_) SetLastColumn(column);
    else SetFirstColumn(column);
    RecalculateOpenEditor();
  }
  if (column >= 1) Redraw(Usual(kCellSym), Usual(column), Usual(currentRow_));
  UpdateHorizontalScrollValues(false, true);
  AccessibleCursorMoved();
  return true;
}

void kTable::CurrentColumn(int column) {
  if (!SetCurrentColumn(column)) return;
  SelectionChange(5, currentColumn_, currentRow_, currentRecNo_);
  CellSelect();
}

void kTable::RecalculateOpenEditor() {
  if (InEdit()) EditRecalculate();
}

}  // namespace kt
