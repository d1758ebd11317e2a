// kTable's selection operations: user actions as flag words, and the
// changes of the stored selection they make.
#include "grid/selection_ops.h"

#include <algorithm>
#include <cstdlib>

namespace kt {
namespace {

const Symbol kSingle("Single"), kAll("All"), kAllWithout("AllWithout"), kRow("Row"),
    kSimple("Simple"), kPermanent("Permanent"), kAbsolute("Absolute"), kFirst("First"), kIndexOrd("IndexOrd"),
    kIndexKey("IndexKey");

}  // namespace

// ---------------------------------------------------------------------------
// Server access

kTable::SelectionOps::Walk::Walk(kTable& t) : t_(t), used_(t.Used()) {
  if (!used_) return;
  seq_.emplace(t);
  saved_ = t.RecordSave();
}

kTable::SelectionOps::Walk::~Walk() {
  if (used_ && !restored_) {
    // Left by an error: the position still goes back, the error goes on.
    try {
      t_.RecordRestore(saved_);
    } catch (...) {
    }
  }
}

void kTable::SelectionOps::Walk::Restore() {
  if (!used_ || restored_) return;
  restored_ = true;
  t_.RecordRestore(saved_);
  seq_.reset();
}

bool kTable::SelectionOps::Identity(kTable& t) {
  const bool identity = !t.hasOrder_;
  t.selection_->Identity(identity);
  return identity;
}

SelectionList::Stepper kTable::SelectionOps::Stepper(kTable& t) {
  Identity(t);
  return [&t](std::int64_t recNo, std::int64_t steps, bool deleted) -> std::int64_t {
    if (!t.Used() || recNo <= 0) return 0;
    const DeletedSetting hidden(deleted);
    ServerLink& s = t.link_;
    if (s.RecNo() != recNo || s.EoF()) {
      s.GoTo(recNo);
      if (s.EoF() || s.RecNo() != recNo) return 0;
    }
    if (steps != 0) {
      s.Skip(steps);
      // Skipping before the first record stays on it with BOF set.
      if (s.EoF() || (steps < 0 && s.BoF())) return 0;
    }
    return s.RecNo();
  };
}

kTable::SelectionOps::LazyStepper::LazyStepper(kTable& t) {
  Identity(t);
  step = [this, &t](std::int64_t recNo, std::int64_t steps, bool deleted) -> std::int64_t {
    if (!walk) walk.emplace(t);
    return Stepper(t)(recNo, steps, deleted);
  };
}

bool kTable::SelectionOps::Dense(kTable& t) {
  if (!t.Used() || t.ServerHidesRecords()) return false;
  // Record numbers in an order are no positions in it.
  return !(t.rowMode_ == kAbsolute && t.hasOrder_);
}

bool kTable::SelectionOps::ShowsAll(kTable& t) { return t.Used() && !t.ServerHidesRecords(); }

std::int64_t kTable::SelectionOps::BufferedRow(const kTable& t, int index) {
  const RowInfo& r = t.rows_[std::size_t(index - 1)];
  if (!t.hasOrder_ || t.rowMode_ == kAbsolute) return std::max<std::int64_t>(1, r.recNo);
  // Buffered rows count from the first record; GetRowNo counts in the order.
  return t.firstVisibleRowNo_ + index - 1 + (t.firstRowNo_ > 0 ? t.firstRowNo_ - 1 : 0);
}

std::int64_t kTable::SelectionOps::RowOf(const kTable& t, std::int64_t row, std::int64_t recNo) {
  if (!t.hasOrder_ || t.rowMode_ == kAbsolute) return std::max<std::int64_t>(1, recNo);
  const std::int64_t byRow = row - t.firstVisibleRowNo_ + 1;
  if (byRow >= 1 && byRow <= std::int64_t(t.rows_.size()) && t.rows_[std::size_t(byRow - 1)].recNo == recNo)
    return BufferedRow(t, int(byRow));
  if (const int i = t.BufferPos(recNo); i > 0) return BufferedRow(t, i);
  // A record out of view: its place in the order is the server's to tell.
  auto& grid = const_cast<kTable&>(t);
  if (!grid.Used()) return row;
  Walk w(grid);
  const std::int64_t n = LookupRow(grid, recNo);
  w.Restore();
  return n > 0 ? n : row;
}

std::int64_t kTable::SelectionOps::LookupRow(kTable& t, std::int64_t recNo) {
  if (recNo <= 0) return 0;
  ServerLink& s = t.link_;
  if (s.RecNo() != recNo || s.EoF()) s.GoTo(recNo);
  if (s.EoF() || s.RecNo() != recNo) return 0;
  return t.GetRowNo();
}

std::string kTable::SelectionOps::OrderSignature(kTable& t) {
  std::string s = t.rowMode_ == kAbsolute ? "A" : "R";
  if (!t.Used() || !t.hasOrder_) return s;
  if (t.link_.HasMethod(kIndexOrd)) s += std::to_string(t.link_.Send(kIndexOrd).AsInteger());
  const Usual key = t.link_.HasMethod(kIndexKey) ? t.link_.Send(kIndexKey) : Usual();
  if (key.IsString()) s += ":" + std::string(key.AsStringView());
  return s;
}

const ColumnSet* kTable::SelectionOps::ColumnsOf(const kTable& t, std::int64_t recNo) {
  const SelectionList& list = *t.selection_;
  if (list.Compact()) return list.CompactColumns(recNo);
  if (const int i = list.FindRecord(recNo); i >= 0) return &list.Entries()[std::size_t(i)].columns;
  return nullptr;
}

// ---------------------------------------------------------------------------
// Invalidation

void kTable::SelectionOps::Update(kTable& t, const GridRect& r) {
  if (r.Width() > 0 && r.Height() > 0) t.update(r.ToQRect());
}

namespace {
void Unite(GridRect& u, bool& any, const GridRect& r) {
  if (r.Width() <= 0 || r.Height() <= 0) return;
  if (!any) {
    u = r;
    any = true;
    return;
  }
  u.left = std::min(u.left, r.left);
  u.top = std::min(u.top, r.top);
  u.right = std::max(u.right, r.right);
  u.bottom = std::max(u.bottom, r.bottom);
}
}  // namespace

void kTable::SelectionOps::Invalidate(kTable& t, const SelectionList::Dirty& d) {
  if (d.Empty() || t.rows_.empty()) return;
  std::vector<std::int64_t> records = d.records;
  std::sort(records.begin(), records.end());
  GridRect u;
  bool any = false;
  for (int i = 1; i <= int(t.rows_.size()); ++i) {
    const RowInfo& info = t.rows_[std::size_t(i - 1)];
    if (info.empty) continue;
    bool touched = std::binary_search(records.begin(), records.end(), info.recNo);
    if (!touched && !d.rows.empty()) {
      const std::int64_t row = BufferedRow(t, i);
      for (const auto& [a, b] : d.rows)
        if (row >= a && row <= b) touched = true;
    }
    if (!touched) continue;
    const std::int64_t rowNo = t.firstVisibleRowNo_ + i - 1;
    GridRect r;
    if (d.columns.whole) {
      if (t.GetRowRect(rowNo, info.recNo, r)) Unite(u, any, r);
      continue;
    }
    for (int c : d.columns.list)
      if (t.IsColumnVisible(c) && t.GetCellRect(c, rowNo, info.recNo, r)) Unite(u, any, r);
  }
  if (any) Update(t, u);
}

bool kTable::SelectionOps::VisibleRect(const kTable& t, GridRect& u) {
  bool any = false;
  if (t.selection_->Empty()) return false;
  for (int i = 1; i <= int(t.rows_.size()); ++i) {
    const RowInfo& info = t.rows_[std::size_t(i - 1)];
    if (info.empty) continue;
    const std::int64_t rowNo = t.firstVisibleRowNo_ + i - 1;
    const ColumnSet* e = ColumnsOf(t, info.recNo);
    if (!e) continue;
    GridRect r;
    if (e->whole) {
      if (t.GetRowRect(rowNo, info.recNo, r)) Unite(u, any, r);
      continue;
    }
    for (int c : e->list)
      if (t.IsColumnVisible(c) && t.GetCellRect(c, rowNo, info.recNo, r)) Unite(u, any, r);
  }
  return any;
}

void kTable::RedrawSelection() {
  GridRect r;
  if (SelectionOps::VisibleRect(*this, r)) SelectionOps::Update(*this, r);
}

// ---------------------------------------------------------------------------
// Flags and the flag word applied to a cell

int kTable::SelectionFlags(bool shift, bool ctrl, bool space) const {
  if (selectionMode_ == kSimple || (autoEdit_.IsSymbol() && autoEdit_.AsSymbol() == kPermanent)) return 5;
  const bool absolute = rowMode_ == kAbsolute;
  if (space) {
    if (shift) return absolute ? 4 : 8;
    if (ctrl) return 0x10;
    return 5;
  }
  if (shift) return !absolute ? 8 : ctrl ? 2 : 4;
  if (ctrl) return 0x40;
  return 5;
}

void kTable::SelectionOps::From(kTable& t, const SelectionCell& cell) {
  const bool stays = t.hasAnchor_ && t.anchor_.row == cell.row && t.anchor_.recNo == cell.recNo &&
                     std::abs(t.anchor_.column - cell.column) <= 1;
  if (!stays) {
    t.anchor_ = cell;
    t.hasAnchor_ = true;
  }
  t.hasRangeEnd_ = false;
}

bool kTable::SelectionOps::Bounds(kTable& t, SelectionCell& first, SelectionCell& last) {
  if (!t.Used()) return false;
  Walk w(t);
  t.link_.GoTop();
  if (t.link_.EoF()) {
    w.Restore();
    return false;
  }
  first.recNo = t.link_.RecNo();
  first.row = t.GetRowNo();
  t.link_.GoBottom();
  last.recNo = t.link_.RecNo();
  last.row = t.GetRowNo();
  w.Restore();
  return true;
}

void kTable::SelectionChange(int flags, int column, std::int64_t row, std::int64_t recNo) {
  const bool rowMode = currentMode_ == kRow;
  if (rowMode) column = 0;
  // Only a record can be selected, not the end-of-file position.
  bool real = recNo >= 1;
  if (Used()) {
    SelectionOps::Walk w(*this);
    if (link_.RecNo() != recNo || link_.EoF()) link_.GoTo(recNo);
    real = recNo >= 1 && !link_.EoF() && link_.RecNo() == recNo;
    row = GetRowNo();
    w.Restore();
  }
  const SelectionCell cell{column, row, recNo};
  const int last = ColumnOpenCount();
  auto removeAll = [&] {
    if (rowMode) SelectionRemove(kAllWithout, 0, row, recNo);
    else SelectionRemove(kAll);
  };
  auto select = [&] {
    if (real) SelectionSet(kSingle, column, row, recNo);
  };
  auto noAnchor = [this] { hasAnchor_ = hasRangeEnd_ = false; };
  auto anchorAt = [this](const SelectionCell& c) {
    anchor_ = c;
    hasAnchor_ = true;
    hasRangeEnd_ = false;
  };
  auto rangeEnd = [this](const SelectionCell& c) {
    rangeEnd_ = c;
    hasRangeEnd_ = true;
  };
  // A range drawn after the selection was cleared in this step starts anew.
  auto previous = [&]() -> const SelectionCell* { return (flags & 0x001) || !hasRangeEnd_ ? nullptr : &rangeEnd_; };

  if (flags & 0x001) {
    removeAll();
    if (flags == 0x001) noAnchor();
  }
  if (flags & 0x020) {
    removeAll();
    select();
    anchorAt(cell);
  }
  if (flags & 0x002) SelectionRemove(kSingle, column, row, recNo);
  if (flags & 0x010) {
    if (IsCellSelected(column, row, recNo)) {
      SelectionRemove(kSingle, column, row, recNo);
      noAnchor();
    } else if (real) {
      select();
      anchorAt(cell);
    }
  }
  if (flags & 0x004) {
    if (!IsCellSelected(column, row, recNo)) select();
    SelectionOps::From(*this, cell);
  }
  if (flags & 0x008) {
    if (hasAnchor_) {
      if (real) SelectionOps::Block(*this, anchor_, cell, previous(), false);
      rangeEnd(cell);
    } else {
      select();
      SelectionOps::From(*this, cell);
    }
  }
  if (flags & (0x080 | 0x100)) {
    SelectionCell first, bottom;
    if (SelectionOps::Bounds(*this, first, bottom)) {
      const int from = (flags & 0x080) || !hasAnchor_ ? column : anchor_.column;
      first.column = from;
      bottom.column = column;
      SelectionOps::Block(*this, first, bottom, (flags & 0x080) ? nullptr : previous(), true);
      anchorAt(first);
      rangeEnd(bottom);
    }
  }
  if ((flags & 0x200) && real) {
    anchorAt(SelectionCell{1, row, recNo});
    const SelectionCell end{last, row, recNo};
    SelectionOps::Block(*this, anchor_, end, nullptr, false);
    rangeEnd(end);
  }
  if ((flags & 0x400) && real) {
    if (hasAnchor_) anchor_.column = 1;
    else anchorAt(SelectionCell{1, row, recNo});
    const SelectionCell end{last, row, recNo};
    SelectionOps::Block(*this, anchor_, end, previous(), false);
    rangeEnd(end);
  }
  if (!(flags & 0x7BF) && selectionMode_ == kSimple) {
    removeAll();
    select();
    anchorAt(cell);
  }
}

// ---------------------------------------------------------------------------
// Setting

ColumnSet kTable::SelectionOps::CellColumns(const kTable& t, int column) {
  if (t.currentMode_ == kRow || column == 0) return ColumnSet::Whole();
  if (column < 0 || column > t.ColumnOpenCount()) return ColumnSet{};
  return ColumnSet::One(column);
}

ColumnSet kTable::SelectionOps::BlockColumns(const kTable& t, int a, int b) {
  if (t.currentMode_ == kRow) return ColumnSet::Whole();
  const int count = t.ColumnOpenCount();
  if ((a < 0 && b < 0) || (a > count && b > count)) return ColumnSet{};
  a = std::clamp(a, 0, count);
  b = std::clamp(b, 0, count);
  if (std::max(a, b) < 1) return ColumnSet::Whole();
  return ColumnSet::Range(std::max(1, std::min(a, b)), std::max(a, b));
}

bool kTable::SelectionSet(Symbol kind, int column, std::int64_t row, std::int64_t recNo) {
  if (kind == kAll) return SelectionOps::SelectAll(*this);
  if (kind != kSingle) return false;
  SelectionOps::LazyStepper lazy(*this);
  SelectionList::Dirty dirty;
  selection_->AddRecord(row, recNo, Runtime::Settings().deleted, SelectionOps::CellColumns(*this, column), lazy.step,
                        dirty);
  if (lazy.walk) lazy.walk->Restore();
  SelectionOps::Invalidate(*this, dirty);
  return true;
}

bool kTable::SelectionSetBlock(const kCell& from, const kCell& to, const kCell* previousTo) {
  const SelectionCell f{from.Column(), from.Row(), from.RecNo()}, t{to.Column(), to.Row(), to.RecNo()};
  if (!previousTo) return SelectionOps::Block(*this, f, t, nullptr, false);
  const SelectionCell p{previousTo->Column(), previousTo->Row(), previousTo->RecNo()};
  return SelectionOps::Block(*this, f, t, &p, false);
}

bool kTable::SelectionOps::SelectAll(kTable& t) {
  SelectionCell first, last;
  if (!Bounds(t, first, last)) return false;
  if (t.currentMode_ == kRow) first.column = 0;
  else first.column = std::max(1, t.GetNewSelectableColumn(0, kFirst));
  last.column = t.ColumnOpenCount();
  return Block(t, first, last, nullptr, true);
}

bool kTable::SelectionOps::Block(kTable& t, SelectionCell from, SelectionCell to, const SelectionCell* previousTo,
                                 bool wholeTable) {
  SelectionCell prev = previousTo ? *previousTo : SelectionCell{};
  SelectionList& list = *t.selection_;
  // Rows may have moved while the grid did not listen.
  t.SelectionRowsChanged(0);
  Walk w(t);
  // The records are the key: their rows are read again.
  if (w.Used()) {
    for (SelectionCell* c : {&from, &to, &prev})
      if (c->recNo > 0)
        if (const std::int64_t n = LookupRow(t, c->recNo)) c->row = n;
    t.selectionOrder_ = OrderSignature(t);
  }
  struct Rows {
    std::int64_t top = 0, bottom = 0;
    SelectionCell upper, lower;
  };
  auto rows = [](const SelectionCell& a, const SelectionCell& b) {
    Rows r;
    r.upper = a.row <= b.row ? a : b;
    r.lower = a.row <= b.row ? b : a;
    r.top = r.upper.row;
    r.bottom = r.lower.row;
    return r;
  };
  const Rows nb = rows(from, to);
  const ColumnSet nc = BlockColumns(t, from.column, to.column);
  // All records: kept compactly while the server shows every record.
  const bool all = wholeTable && w.Used() && ShowsAll(t);
  const bool deleted = Runtime::Settings().deleted;
  const SelectionList::Stepper step = Stepper(t);
  std::vector<SelectionList::Known> known;
  for (const SelectionCell* c : {&from, &to, &prev})
    if (c->recNo > 0 && c->row > 0) known.push_back({c->row, c->recNo});
  SelectionList::Dirty dirty;

  // Rows of the server from `start` on (skipping it first when asked) while
  // their row numbers stay within [a, b]: every record gets or loses `cols`.
  auto visit = [&](std::int64_t start, bool skipFirst, std::int64_t a, std::int64_t b, const ColumnSet& cols,
                   bool removing) {
    if (!w.Used() || start <= 0 || cols.None() || a > b) return;
    ServerLink& s = t.link_;
    s.GoTo(start);
    if (s.EoF() || s.RecNo() != start) return;
    if (skipFirst) s.Skip(1);
    for (;;) {
      if (s.EoF()) break;
      const std::int64_t rec = s.RecNo();
      const std::int64_t row = t.GetRowNo();
      if (row > b) break;
      if (row >= a) {
        if (removing) list.RemoveRecord(row, rec, cols, nullptr, dirty);
        else list.AddRecord(row, rec, deleted, cols, step, dirty);
      }
      if (row == b) break;
      s.Skip(1);
      if (s.RecNo() == rec && !s.EoF()) break;  // the server does not advance
    }
  };
  auto add = [&](std::int64_t a, std::int64_t b, const ColumnSet& cols, std::int64_t start, bool skipFirst) {
    if (a > b || cols.None()) return;
    if (Dense(t) && !list.Compact()) list.AddRange(a, b, cols, deleted, known, step, dirty);
    else visit(start, skipFirst, a, b, cols, false);
  };
  auto remove = [&](std::int64_t a, std::int64_t b, const ColumnSet& cols, std::int64_t start) {
    if (a > b || cols.None()) return;
    if (!list.Compact()) list.RemoveRange(a, b, cols, step, dirty);
    else visit(start, false, a, b, cols, true);
  };

  if (!previousTo) {
    if (all) list.SelectAll(t.link_.LastRec(), nc, dirty);
    else add(nb.top, nb.bottom, nc, nb.upper.recNo, false);
  } else {
    const Rows ob = rows(from, prev);
    const ColumnSet oc = BlockColumns(t, from.column, prev.column);
    const std::int64_t i1 = std::max(ob.top, nb.top), i2 = std::min(ob.bottom, nb.bottom);
    if (all) {
      // The new block holds every row of the old one: only the columns it
      // left go, from the rows of the old block.
      const ColumnSet left = Minus(oc, nc);
      if (list.Compact() && ob.top <= nb.top && ob.bottom >= nb.bottom) list.RemoveFromAll(left, dirty);
      else remove(ob.top, ob.bottom, left, ob.upper.recNo);
      list.SelectAll(t.link_.LastRec(), nc, dirty);
    } else if (i1 > i2) {
      remove(ob.top, ob.bottom, oc, ob.upper.recNo);
      add(nb.top, nb.bottom, nc, nb.upper.recNo, false);
    } else {
      // Only the difference changes: old rows the new block left, columns it
      // left on the rows both share, then the new rows and columns.
      remove(ob.top, i1 - 1, oc, ob.upper.recNo);
      remove(i2 + 1, ob.bottom, oc, ob.upper.recNo);
      const SelectionCell& shared = ob.top >= nb.top ? ob.upper : nb.upper;
      remove(i1, i2, Minus(oc, nc), shared.recNo);
      add(nb.top, i1 - 1, nc, nb.upper.recNo, false);
      add(i2 + 1, nb.bottom, nc, ob.lower.recNo, true);
      add(i1, i2, Minus(nc, oc), shared.recNo, false);
    }
  }
  w.Restore();
  Invalidate(t, dirty);
  return true;
}

// ---------------------------------------------------------------------------
// Removing

void kTable::SelectionRemove(Symbol kind, int column, std::int64_t row, std::int64_t recNo) {
  SelectionList& list = *selection_;
  if (kind == kAll) {
    GridRect r;
    const bool visible = SelectionOps::VisibleRect(*this, r);
    list.Clear();
    if (visible) SelectionOps::Update(*this, r);
    return;
  }
  if (kind != kSingle && kind != kAllWithout) return;
  if (list.Empty()) return;
  SelectionOps::LazyStepper lazy(*this);
  SelectionList::Dirty dirty;
  if (kind == kSingle) {
    list.RemoveRecord(row, recNo, SelectionOps::CellColumns(*this, column), lazy.step, dirty);
    if (lazy.walk) lazy.walk->Restore();
    SelectionOps::Invalidate(*this, dirty);
    return;
  }
  GridRect before;
  const bool visible = SelectionOps::VisibleRect(*this, before);
  list.KeepOnly(row, recNo, SelectionOps::CellColumns(*this, column), lazy.step, dirty);
  if (lazy.walk) lazy.walk->Restore();
  if (visible) SelectionOps::Update(*this, before);
}

void kTable::SelectionReset() {
  GridRect r;
  const bool visible = SelectionOps::VisibleRect(*this, r);
  selection_->Clear();
  hasAnchor_ = hasRangeEnd_ = false;
  walkEntry_ = -1;
  walkRecNo_ = walkRow_ = 0;
  walkColumn_ = 0;
  if (visible) SelectionOps::Update(*this, r);
}

void kTable::SelectionMove(int from, int to, int count) {
  if (from <= 0 && to <= 0) return;
  if (count < 1) count = 1;
  selection_->MoveColumns(from, to, count);
  auto renumber = [&](int c) {
    if (from == 0) return c >= to ? c + count : c;
    if (to == 0) return c > from ? c - 1 : c;
    if (c == from) return to;
    if (from < to && c > from && c <= to) return c - 1;
    if (from > to && c >= to && c < from) return c + 1;
    return c;
  };
  anchor_.column = renumber(anchor_.column);
  rangeEnd_.column = renumber(rangeEnd_.column);
}

// ---------------------------------------------------------------------------
// Questions

bool kTable::IsCellSelected(int column, std::int64_t row, std::int64_t recNo) const {
  const ColumnSet* e = SelectionOps::ColumnsOf(*this, recNo);
  if (!e) return false;
  if (e->whole) return column == 0 || IsCellSelectable(column, row, recNo);
  return column >= 1 && e->Contains(column);
}

bool kTable::IsRowSelected(std::int64_t, std::int64_t recNo) const {
  return SelectionOps::ColumnsOf(*this, recNo) != nullptr;
}

std::int64_t kTable::SelectionRowCount() const { return selection_->RowCount(); }

void kTable::SelectionMode(Symbol mode) {
  selectionMode_ = mode;
  SelectionChange(0x20, currentColumn_, currentRow_, currentRecNo_);
}

}  // namespace kt
