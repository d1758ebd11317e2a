// kTable: the row buffer and record positioning. The buffer holds, for every
// visible row, the record number, flags and the cells of the visible
// columns; it is the only thing painting reads.
#include <QTimerEvent>
#include <algorithm>

#include "grid/event_lock.h"
#include "grid/ktable.h"
#include "platform/db/dbserver.h"

namespace kt {
namespace {

const Symbol kAbsolute("Absolute"), kRecCount("RecCount"), kKeyCount("KeyCount"), kLineBackwards("LineBackwards"),
    kLineForwards("LineForwards"), kPageBackwards("PageBackwards"), kPageForwards("PageForwards"),
    kRetainCurrentRow("RetainCurrentRow"), kRefreshBuffer("RefreshBuffer"), kStable("Stable"), kData("Data"),
    kCurrent("Current"), kOrderKeyNo("OrderKeyNo"), kIndexOrd("IndexOrd"), kOrderKeyCount("OrderKeyCount"),
    kOrderInfo("OrderInfo"), kAutoRefreshWhenHidden("AutoRefreshWhenHidden");

bool SameSpec(const ColorSpec& a, const ColorSpec& b) {
  return a.foreground == b.foreground && a.background == b.background &&
         a.selectedForeground == b.selectedForeground && a.selectedBackground == b.selectedBackground &&
         a.inactiveSelectedForeground == b.inactiveSelectedForeground &&
         a.inactiveSelectedBackground == b.inactiveSelectedBackground;
}

bool IsEmptyValue(const Usual& v) {
  if (v.IsNil()) return true;
  if (v.IsString()) return v.AsStringView().find_first_not_of(' ') == std::string_view::npos;
  return false;
}

}  // namespace

bool RowInfo::SameAs(const RowInfo& o) const {
  return recNo == o.recNo && deleted == o.deleted && empty == o.empty && SameSpec(color, o.color) &&
         height == o.height && font == o.font;
}

bool Cell::SameAs(const Cell& o) const {
  return value == o.value && text == o.text && deleted == o.deleted && hasColor == o.hasColor &&
         SameSpec(color, o.color) && font == o.font;
}

// ---------------------------------------------------------------------------
// Buffer shape

bool kTable::ResizeBuffer(const Usual& columns, const Usual& rowsArg) {
  const std::size_t nColumns =
      columns.IsNumeric() ? std::size_t(std::max<std::int64_t>(0, columns.AsInteger())) : scrollCells_.size();
  const std::size_t nRows =
      rowsArg.IsNumeric() ? std::size_t(std::max<std::int64_t>(0, rowsArg.AsInteger())) : std::size_t(std::max(0, visibleRowCount_));
  frozenCells_.resize(std::size_t(std::max(0, std::min(freeze_, ColumnOpenCount()))));
  for (auto& col : frozenCells_) col.resize(nRows);
  scrollCells_.resize(nColumns);
  for (auto& col : scrollCells_) col.resize(nRows);
  const bool shrank = nRows < rows_.size();
  rows_.resize(nRows);
  if (shrank) UpdateEmptyRowsFlag();
  return true;
}

void kTable::UpdateEmptyRowsFlag() {
  emptyRowsVisible_ = false;
  for (const auto& r : rows_)
    if (r.empty) {
      emptyRowsVisible_ = true;
      break;
    }
}

int kTable::BufferPos(std::int64_t recNo) const {
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].recNo == recNo) return int(i + 1);
  return 0;
}

const Cell* kTable::BufferedCell(int column, int row) const {
  if (row < 1 || std::size_t(row) > rows_.size()) return nullptr;
  const int frozen = std::min(freeze_, ColumnOpenCount());
  if (column >= 1 && column <= frozen && std::size_t(column) <= frozenCells_.size())
    return &frozenCells_[std::size_t(column - 1)][std::size_t(row - 1)];
  if (firstVisibleColumn_ > 0 && column >= firstVisibleColumn_ && column <= lastVisibleColumn_) {
    const std::size_t c = std::size_t(column - firstVisibleColumn_);
    if (c < scrollCells_.size() && std::size_t(row) <= scrollCells_[c].size()) return &scrollCells_[c][std::size_t(row - 1)];
  }
  return nullptr;
}

bool kTable::StableFill() const { return fieldChangeMode_ == kStable && pendingChanges_ != 0; }

bool kTable::PendingRecord(std::int64_t recNo) const {
  return pendingChanges_ != 0 && std::find(pendingRecNos_.begin(), pendingRecNos_.end(), recNo) != pendingRecNos_.end();
}

void kTable::ReadCell(kDataColumn& column, Usual& value, std::string& text) {
  value = column.Value();
  text = column.Transform(value);
}

void kTable::FillCell(Cell& cell, kDataColumn& column, int c, std::int64_t row) {
  ReadCell(column, cell.value, cell.text);
  cell.deleted = column.Deleted();
  cell.color = column.GetColorSpec(Usual(c), Usual(row));
  cell.hasColor = true;
  cell.font = column.GetFontSpec(Usual(c), Usual(row));
}

void kTable::FillEmptyCell(Cell& cell, kDataColumn& column) {
  cell.value = NIL;
  cell.text.clear();
  cell.deleted = false;
  cell.color = ColorSpec();
  cell.hasColor = gridInEmptyArea_;
  // Empty rows below the data carry the column background.
  if (gridInEmptyArea_) cell.color.background = GetColumnBackground(ViewArea::Data, &column);
  cell.font = nullptr;
}

void kTable::FillRowInfo(RowInfo& info, std::int64_t row) {
  info.recNo = link_.RecNo();
  info.deleted = link_.Deleted();
  info.empty = false;
  info.color = GetColorSpec(Usual(0), Usual(row));
  info.height = GetRowHeight();
  info.font = GetFontSpec(Usual(0), Usual(row));
}

void kTable::EmptyRowInfo(RowInfo& info) {
  info.deleted = false;
  info.empty = true;
  info.color = ColorSpec();
  info.height = rowHeight_;
  info.font = nullptr;
}

bool kTable::FillBuffer(const Usual& columnFrom, const Usual& columnTo, const Usual& rowFrom, const Usual& rowTo,
                        bool currentOnly, bool fromBuffer) {
  const int open = ColumnOpenCount();
  const int frozenCount = std::min(freeze_, open);
  // The requested columns, cut to those on screen.
  const int cFrom = columnFrom.IsNumeric() ? int(columnFrom.AsInteger()) : 1;
  const int cTo = columnTo.IsNumeric() ? int(columnTo.AsInteger()) : open;
  const int fFrom = std::max(1, cFrom), fTo = std::min(frozenCount, cTo);
  int sFrom = 1, sTo = 0;
  if (firstVisibleColumn_ > 0) {
    sFrom = std::max(cFrom, firstVisibleColumn_);
    sTo = std::min(cTo, lastVisibleColumn_);
  }
  std::int64_t rFrom = rowFrom.IsNumeric() ? rowFrom.AsInteger() : firstVisibleRowNo_;
  std::int64_t rTo = rowTo.IsNumeric() ? rowTo.AsInteger() : lastVisibleRowNo_;
  rFrom = std::max(rFrom, firstVisibleRowNo_);
  if (rTo > lastVisibleRowNo_) rTo = lastVisibleRowNo_;

  const int nScroll = firstVisibleColumn_ > 0 ? lastVisibleColumn_ - firstVisibleColumn_ + 1 : 0;
  ResizeBuffer(Usual(nScroll), Usual(visibleRowCount_));
  if (!Used()) {
    for (auto& r : rows_) {
      r.recNo = 0;
      EmptyRowInfo(r);
    }
    UpdateEmptyRowsFlag();
    return true;
  }

  // Rows buffered for a window that started elsewhere hold no record of
  // this one: they are read from the server as usual.
  if (fromBuffer && !currentOnly && !rows_.empty() && rows_.front().recNo != 0 &&
      rows_.front().recNo != firstVisibleRecNo_)
    fromBuffer = false;
  SequenceScope seq(*this);
  const Array saved = RecordSave();
  if (!currentOnly && !fromBuffer) {
    if (link_.RecNo() != firstVisibleRecNo_ || link_.EoF()) link_.GoTo(firstVisibleRecNo_);
    if (rFrom > firstVisibleRowNo_) link_.Skip(rFrom - firstVisibleRowNo_);
  }
  bool eof = false;
  std::int64_t lastRecNo = 0, emptyRecNo = 0;
  for (std::int64_t row = rFrom; row <= rTo; ++row) {
    const std::size_t i = std::size_t(row - firstVisibleRowNo_);
    if (i >= rows_.size()) break;
    RowInfo& info = rows_[i];
    bool bufferedEmpty = info.empty;
    if (fromBuffer && !bufferedEmpty && !eof) {
      if (info.recNo != 0) {
        link_.GoTo(info.recNo);
      } else if (i == 0) {
        // A row that came into view holds no record yet: the window's first
        // record, or the one after the row above.
        link_.GoTo(firstVisibleRecNo_);
      } else if (rows_[i - 1].empty) {
        bufferedEmpty = true;
      } else {
        // Next to the row above in the order the window shows: a record
        // whose key changed meanwhile is elsewhere in the server's order.
        std::size_t j = i - 1;
        while (j > 0 && PendingRecord(rows_[j].recNo) && !rows_[j - 1].empty) --j;
        const std::int64_t above = rows_[j].recNo;
        if (link_.RecNo() != above || link_.EoF()) link_.GoTo(above);
        lastRecNo = above;
        link_.Skip(1);
        while (!link_.EoF() && PendingRecord(link_.RecNo())) link_.Skip(1);
      }
    }
    const std::int64_t recNo = link_.RecNo();
    const bool empty = eof || (fromBuffer && bufferedEmpty) || link_.EoF() || recNo == lastRecNo;
    if (empty) {
      if (!eof) {
        eof = true;
        emptyRecNo = link_.LastRec() + 1;
      }
      for (int c = fFrom; c <= fTo; ++c) FillEmptyCell(frozenCells_[std::size_t(c - 1)][i], *columnOpenList_[std::size_t(c - 1)]);
      for (int c = sFrom; c <= sTo; ++c)
        FillEmptyCell(scrollCells_[std::size_t(c - firstVisibleColumn_)][i], *columnOpenList_[std::size_t(c - 1)]);
      info.recNo = emptyRecNo;
      EmptyRowInfo(info);
      continue;
    }
    for (int c = fFrom; c <= fTo; ++c) FillCell(frozenCells_[std::size_t(c - 1)][i], *columnOpenList_[std::size_t(c - 1)], c, row);
    for (int c = sFrom; c <= sTo; ++c)
      FillCell(scrollCells_[std::size_t(c - firstVisibleColumn_)][i], *columnOpenList_[std::size_t(c - 1)], c, row);
    FillRowInfo(info, row);
    lastRecNo = recNo;
    if (!currentOnly && !fromBuffer) link_.Skip(1);
  }
  UpdateEmptyRowsFlag();
  if (!currentOnly) RecordRestore(saved);
  seq.End();
  return true;
}

// ---------------------------------------------------------------------------
// Row numbers

std::int64_t kTable::GetRowNo() {
  if (rowMode_ == kAbsolute) return std::max<std::int64_t>(1, link_.RecNo());
  if (hasOrder_) {
    {
      const ServerSuspension quiet(link_);
      link_.Skip(0);
    }
    Usual n = link_.Access(kOrderKeyNo);
    if (!n.IsNumeric()) {
      if (link_.Send(kIndexOrd).AsInteger() == 0) {
        hasOrder_ = false;
        n = Usual(link_.RecNo());
      } else {
        for (int i = 0; i < 20 && !n.IsNumeric() && link_.Used(); ++i) n = link_.Access(kOrderKeyNo);
        if (!n.IsNumeric()) n = Usual(1);
      }
    }
    return std::max<std::int64_t>(1, n.AsInteger());
  }
  return std::max<std::int64_t>(1, link_.RecNo());
}

std::int64_t kTable::GetFirstVisibleRow() {
  std::int64_t n = GetRowNo();
  if (rowMode_ != kAbsolute && firstRowNo_ > 0) n = std::max<std::int64_t>(1, n - firstRowNo_ + 1);
  return n;
}

std::int64_t kTable::GetLastVisibleRow(std::int64_t first) const {
  return std::max(first, first + visibleRowCount_ - 1);
}

std::int64_t kTable::GetRowCount() {
  const ServerSuspension quiet(link_);
  std::int64_t n = 0;
  if (rowCountMode_ == kRecCount) {
    n = link_.RecCount();
  } else if (rowCountMode_ == kKeyCount) {
    n = hasOrder_ ? link_.Send(kOrderKeyCount).AsInteger() : link_.RecCount();
  } else if (!hasOrder_) {
    n = link_.RecCount();
  } else {
    const Usual a[] = {Usual(1)};
    const Usual cond = link_.Send(kOrderInfo, a);
    n = IsEmptyValue(cond) ? link_.RecCount() : link_.Send(kOrderKeyCount).AsInteger();
  }
  return n;
}

int kTable::GetCountOfVisibleRows(std::int64_t firstRecNo) {
  int h = DataHeight();
  const int rh = std::max(1, rowHeight_);
  if (ExistRowsWithVariableHeight() && Used()) {
    SequenceScope seq(*this);
    const Array saved = RecordSave();
    link_.GoTo(firstRecNo);
    int n = 0;
    while (!link_.EoF() && h >= 1) {
      h -= GetRowHeight();
      ++n;
      link_.Skip(1);
    }
    if (h > 0) n += h / rh + 1;
    RecordRestore(saved);
    seq.End();
    return n;
  }
  return h / rh + 1;
}

// ---------------------------------------------------------------------------
// Positioning

bool kTable::StabilizeServer(std::int64_t& moved, bool forward) {
  if (!Used()) return false;
  const int side = RepairPosition(forward);
  // A skip counts from the record the server stood on: landing after it has
  // taken a forward skip's first step, landing before it a backward one's.
  if (forward && side > 0) ++moved;
  else if (!forward && side < 0) --moved;
  return side != 0;
}

int kTable::RepairPosition(bool forward) {
  SequenceScope seq(*this);
  const Array saved = RecordSave();
  if (link_.EoF()) return 0;
  const std::int64_t old = link_.RecNo();
  // The records the view has around it: a step forward and back comes back
  // to a sound record; from a hidden one it gives the next record and the
  // one before it (either may be missing).
  std::int64_t next = 0, prev = 0;
  link_.Skip(1);
  if (!link_.EoF()) {
    next = link_.RecNo();
    link_.Skip(-1);
    if (!link_.BoF() && !link_.EoF()) prev = link_.RecNo();
  } else {
    if (dynamic_cast<DBServer*>(link_.Direct())) {
      link_.GoTo(old);
      link_.GoBottom();
    } else {
      link_.Skip(-1);
    }
    if (!link_.EoF()) prev = link_.RecNo();
  }
  if (prev == old || (prev == 0 && next == old)) {
    RecordRestore(saved);
    return 0;
  }
  if (next == 0 && prev == 0) return -1;  // the view holds no record at all
  // Prefer the buffered neighbour, so the cursor stays where the user sees
  // it, as long as the view still has it.
  const int i = BufferPos(old);
  const int n = int(rows_.size());
  auto recordAt = [&](int pos) -> std::int64_t {
    return pos >= 1 && pos <= n && !rows_[std::size_t(pos - 1)].empty ? rows_[std::size_t(pos - 1)].recNo : 0;
  };
  auto sound = [&](std::int64_t r) {
    if (r == next || r == prev) return r != 0;
    link_.GoTo(r);
    if (link_.RecNo() != r || link_.EoF()) return false;
    link_.Skip(1);
    if (link_.EoF()) {
      link_.GoTo(r);
      link_.GoBottom();
    } else {
      link_.Skip(-1);
    }
    return !link_.EoF() && link_.RecNo() == r;
  };
  std::int64_t target = forward ? (next ? next : prev) : (prev ? prev : next);
  int windowSide = 0;
  if (i > 0) {
    int d = 0;
    if (forward) d = i < n && recordAt(i + 1) != 0 ? 1 : (i == n && i > 1 ? -1 : 0);
    else d = i >= 2 && recordAt(i - 1) != 0 ? -1 : (i < 2 ? 1 : 0);
    const std::int64_t r = d != 0 ? recordAt(i + d) : 0;
    if (r != 0 && r != old && sound(r)) target = r, windowSide = d;
  }
  link_.GoTo(target);
  // Where it ended, seen from the old record in the view's order.
  if (target == next && next != 0) return 1;
  if (target == prev && prev != 0) return -1;
  return windowSide;
}

int kTable::PageRowsBackward() {
  // Rows of the page above the current record, counted by their heights;
  // the partly visible row does not count.
  SequenceScope seq(*this);
  const Array saved = RecordSave();
  int h = DataHeight();
  int n = 0;
  for (;;) {
    h -= GetRowHeight();
    if (h < 0) break;
    link_.Skip(-1);
    if (link_.BoF()) break;
    ++n;
  }
  RecordRestore(saved);
  seq.End();
  return -std::max(1, n);
}

bool kTable::Skip(const Usual& rowsArg) {
  if (!Used()) return false;
  if (InEdit() && !EditClose()) return false;
  if (!link_.Notify(notify::IntentToMove)) return false;

  std::int64_t n = 1;
  Symbol page;
  if (rowsArg.IsNumeric()) {
    n = rowsArg.AsInteger();
  } else if (rowsArg.IsSymbol()) {
    const Symbol s = rowsArg.AsSymbol();
    if (s == kLineBackwards) n = -1;
    else if (s == kLineForwards) n = 1;
    else if (s == kPageForwards) n = std::max(1, visibleRowCount_ - 1), page = s;
    else if (s == kPageBackwards) {
      page = s;
      n = ExistRowsWithVariableHeight() ? PageRowsBackward() : -std::max(1, visibleRowCount_ - 1);
    }
  }
  const std::int64_t requested = n;

  SequenceScope seq(*this);
  const std::int64_t old = link_.RecNo();
  std::int64_t moved = 0;
  // Skip(0) keeps whatever record the repair found.
  if (StabilizeServer(moved, n >= 0) && n != 0) n -= moved;
  const std::int64_t before = link_.RecNo();
  const bool ok = n == 0 ? true : link_.Skip(n);
  const std::int64_t now = link_.RecNo();
  if (!ok && now == before && !link_.EoF()) {
    seq.End();
    return false;
  }

  const bool atEof = link_.EoF();
  if (!atEof && now == old) {
    // The server did not move: it stands on the first or last record.
    seq.End();
    if (requested < 0 && now != firstRecNo_) {
      pendingChanges_ = 0;
      Refresh();
    }
    if (!IsRowVisible(currentRow_, now, false)) Notify(notify::RecordChange, Usual(requested));
    if (requested == 1 && autoAppend_ && editable_) Append();
    else PermanentEdit(true);
    return true;
  }
  if (!atEof && now != 0 && now <= link_.LastRec()) {
    seq.End();
    if (page == kPageForwards) PageWindow(true);
    else if (page == kPageBackwards) PageWindow(false);
    link_.Notify(notify::RecordChange, Usual(requested));
    return true;
  }
  // End of file.
  if (skipEOF_) {
    seq.End();
    link_.Notify(notify::RecordChange, Usual(requested));
    if (requested == 1 && autoAppend_ && editable_) Append();
    return true;
  }
  link_.GoTo(old);
  link_.GoBottom();
  const std::int64_t last = link_.RecNo();
  if (last != lastRecNo_) {
    // Records were added or removed behind the grid.
    seq.End();
    pendingChanges_ = 0;
    Refresh();
    return true;
  }
  if (requested == 1 && autoAppend_ && editable_) {
    seq.End();
    Append();
    return true;
  }
  seq.End();
  if (last != old) {
    if (page == kPageForwards) PageWindow(true);
    link_.Notify(notify::GoBottom);
  } else if (!IsRowVisible(currentRow_, last, false)) {
    Notify(notify::GoBottom);
  }
  return true;
}

// Moves the window of rows by a page without moving the current record.
bool kTable::PageWindow(bool forward) {
  if (!Used() || rows_.empty()) return false;
  const int vrc = std::max(1, visibleRowCount_);
  if (!forward) {
    if (firstVisibleRecNo_ == firstRecNo_) return false;
    if (ExistRowsWithVariableHeight()) {
      SequenceScope seq(*this);
      const Array saved = RecordSave();
      link_.GoTo(firstVisibleRecNo_);
      int h = DataHeight(), steps = 0;
      while (h > 0) {
        link_.Skip(-1);
        if (link_.BoF()) break;
        h -= GetRowHeight();
        ++steps;
      }
      if (steps > 1 && h < 0) link_.Skip(1);
      SetWindowFrom(link_.RecNo());
      RecordRestore(saved);
      seq.End();
      FillBuffer(NIL, NIL, NIL, NIL, false, StableFill());
      Redraw(Usual(kData));
      return true;
    }
    std::int64_t n;
    if (firstVisibleRowNo_ - vrc > 0) {
      n = vrc - 1;
    } else if (DeletedHidden()) {
      // Row numbers may count hidden records: count the steps instead.
      SequenceScope seq(*this);
      const Array saved = RecordSave();
      link_.GoTo(firstVisibleRecNo_);
      n = 0;
      while (link_.RecNo() != firstRecNo_ && n < vrc) {
        link_.Skip(-1);
        if (link_.BoF()) break;
        ++n;
      }
      RecordRestore(saved);
      seq.End();
    } else {
      n = firstVisibleRowNo_ - 1;
    }
    if (n <= 0) return false;
    const bool changed = UpdateVisibleRows(Range(int(firstVisibleRowNo_), int(lastVisibleRowNo_)),
                                           Range(int(firstVisibleRowNo_ - n), int(lastVisibleRowNo_ - n)));
    if (changed) Redraw(Usual(kData));
    return changed;
  }
  if (emptyRowsVisible_) return false;
  if (rowMode_ != kAbsolute && firstVisibleRowNo_ + vrc - 2 >= rowCount_) return false;
  SequenceScope seq(*this);
  const Array saved = RecordSave();
  link_.GoTo(firstVisibleRecNo_);
  link_.Skip(vrc - 1);
  bool end = link_.EoF();
  if (!end) {
    const std::int64_t candidate = link_.RecNo();
    link_.Skip(vrc - 1);
    end = link_.EoF();
    if (!end) link_.GoTo(candidate);
  }
  if (end) {
    link_.GoBottom();
    if (vrc > 2) link_.Skip(-(vrc - 2));
  }
  const std::int64_t newFirst = link_.RecNo();
  const bool changed = newFirst != firstVisibleRecNo_;
  if (changed) SetWindowFrom(newFirst);
  RecordRestore(saved);
  seq.End();
  if (changed) {
    FillBuffer(NIL, NIL, NIL, NIL, false, StableFill());
    Redraw(Usual(kData));
  }
  return changed;
}

// Sets the window's first record and the row numbers that follow from it;
// the server stands on that record.
void kTable::SetWindowFrom(std::int64_t recNo) {
  firstVisibleRecNo_ = recNo;
  firstVisibleRowNo_ = GetFirstVisibleRow();
  if (ExistRowsWithVariableHeight()) visibleRowCount_ = GetCountOfVisibleRows(recNo);
  lastVisibleRowNo_ = GetLastVisibleRow(firstVisibleRowNo_);
}

bool kTable::Refresh(const Usual& mode) {
  if (!Used()) {
    serverState_ = link_.Bound() ? 2 : 1;
    update();
    return false;
  }
  LockScope lock(eventLock_);
  const bool retain = (mode.IsLogic() && mode.AsLogic()) || (mode.IsSymbol() && mode.AsSymbol() == kRetainCurrentRow);
  const bool bufferOnly = mode.IsSymbol() && mode.AsSymbol() == kRefreshBuffer;
  SequenceScope seq(*this);
  Array saved = RecordSave();
  ReadBounds();
  link_.GoTo(saved[1].AsInteger());
  const int vrc = std::max(1, visibleRowCount_);
  if (bufferOnly) {
    link_.GoTo(firstVisibleRecNo_);
    StabilizeServer();
    if (rowCount_ <= vrc) link_.GoTo(firstRecNo_);
  } else if (!link_.EoF()) {
    if (StabilizeServer()) saved = RecordSave();
    if (rowCount_ < vrc) {
      link_.GoTo(firstRecNo_);
    } else {
      std::int64_t n;
      if (retain && currentRow_ >= firstVisibleRowNo_ && currentRow_ <= lastVisibleRowNo_ && currentRow_ > 0)
        n = std::min<std::int64_t>(vrc - 1, currentRow_ - firstVisibleRowNo_ + 1);
      else
        n = std::min<std::int64_t>(vrc - 1, GetFirstVisibleRow());
      for (std::int64_t k = 1; k < n; ++k) {
        link_.Skip(-1);
        if (link_.BoF()) break;
      }
    }
  } else {
    link_.Skip(1);
    for (int k = 0; k < vrc - 2; ++k) {
      link_.Skip(-1);
      if (link_.BoF()) break;
    }
  }
  SetWindowFrom(link_.RecNo());
  RecordRestore(saved);
  FillBuffer(NIL, NIL, NIL, NIL, false, StableFill());
  if (!bufferOnly) {
    const std::int64_t oldRecNo = currentRecNo_, oldRow = currentRow_;
    currentRecNo_ = link_.RecNo();
    RecomputeCurrentRow();
    // The cursor moved: in #Simple mode the selection goes with it (from the
    // old record, not the new one); a multiple selection is kept by record.
    if (oldRow != currentRow_ || oldRecNo != currentRecNo_)
      SelectionChange(0, currentColumn_, currentRow_, currentRecNo_);
  }
  UpdateVerticalScrollValues(true, true);
  UpdateHorizontalScrollValues(true, true);
  Redraw();
  seq.End();
  if (InEdit()) EditRecalculate();
  else PermanentEdit();
  return true;
}

void kTable::FirstVisibleRecNo(std::int64_t recNo) {
  if (!Used()) return;
  SequenceScope seq(*this);
  const Array saved = RecordSave();
  link_.GoTo(recNo);
  StabilizeServer();
  SetWindowFrom(link_.RecNo());
  RecordRestore(saved);
  FillBuffer(NIL, NIL, NIL, NIL, false, StableFill());
  RecomputeCurrentRow();
  UpdateVerticalScrollValues(true, true);
  Redraw();
  seq.End();
}

// ---------------------------------------------------------------------------
// Moving the window

void kTable::ShiftRows(std::ptrdiff_t k) {
  // k > 0 drops k rows at the front, k < 0 inserts -k blank rows there; the
  // length stays.
  auto shift = [k](auto& v) {
    const std::size_t n = v.size();
    if (k > 0) {
      const std::size_t d = std::min(n, std::size_t(k));
      v.erase(v.begin(), v.begin() + std::ptrdiff_t(d));
      v.resize(n);
    } else if (k < 0) {
      const std::size_t d = std::min(n, std::size_t(-k));
      v.insert(v.begin(), d, typename std::decay_t<decltype(v)>::value_type());
      v.resize(n);
    }
  };
  shift(rows_);
  for (auto& c : frozenCells_) shift(c);
  for (auto& c : scrollCells_) shift(c);
}

bool kTable::UpdateVisibleRows(const Range& oldRange, const Range& newRange) {
  if (!Used()) return false;
  SequenceScope seq(*this);
  const Array saved = RecordSave();
  const std::int64_t oldFirstRec = firstVisibleRecNo_;
  const int oldCount = int(rows_.size());
  const std::int64_t delta = std::int64_t(newRange.Min) - oldRange.Min;
  // With rows kept in place (#Stable) the window moves in the order it
  // shows; records whose key changed are not counted from.
  bool stableMove = false, atTop = false;
  if (StableFill() && delta > 0 && delta < oldCount && !rows_[std::size_t(delta)].empty) {
    link_.GoTo(rows_[std::size_t(delta)].recNo);
    stableMove = true;
  } else if (StableFill() && delta < 0) {
    std::size_t j = 0;
    while (j + 1 < rows_.size() && !rows_[j + 1].empty && PendingRecord(rows_[j].recNo)) ++j;
    if (!PendingRecord(rows_[j].recNo) && !rows_[j].empty) {
      // Rows above row j are all such records: the steps count from it.
      link_.GoTo(rows_[j].recNo);
      std::int64_t steps = -delta;
      while (steps > 0) {
        link_.Skip(-1);
        if (link_.BoF()) break;
        if (!PendingRecord(link_.RecNo())) --steps;
      }
      stableMove = steps == 0;
      if (!stableMove && link_.BoF()) {
        link_.GoTop();
        atTop = true;
      }
    }
  }
  if (!stableMove && !atTop) {
    link_.GoTo(firstVisibleRecNo_);
    if (delta != 0) link_.Skip(delta);
  }
  if (link_.EoF() && !skipEOF_) link_.Skip(-1);
  const std::int64_t newFirst = link_.RecNo();
  firstVisibleRecNo_ = newFirst;
  firstVisibleRowNo_ = GetFirstVisibleRow();
  if (ExistRowsWithVariableHeight()) {
    // Heights of rows already buffered are known; only new rows are measured.
    int h = DataHeight();
    int n = 0;
    while (!link_.EoF() && h >= 1) {
      const int pos = BufferPos(link_.RecNo());
      h -= pos > 0 ? rows_[std::size_t(pos - 1)].height : GetRowHeight();
      ++n;
      link_.Skip(1);
    }
    if (h > 0) n += h / std::max(1, rowHeight_) + 1;
    visibleRowCount_ = n;
  }
  lastVisibleRowNo_ = GetLastVisibleRow(firstVisibleRowNo_);
  const int newCount = visibleRowCount_;

  // How far the records really moved: the buffered rows tell.
  std::ptrdiff_t k = 0;
  bool reuse = false;
  if (newFirst == oldFirstRec) {
    reuse = true;
  } else if (delta > 0 && delta < oldCount) {
    const RowInfo& r = rows_[std::size_t(delta)];
    if (!r.empty && r.recNo == newFirst) k = std::ptrdiff_t(delta), reuse = true;
  } else if (delta < 0 && stableMove && -delta < newCount) {
    k = std::ptrdiff_t(delta), reuse = true;
  } else if (delta < 0 && -delta < newCount) {
    link_.GoTo(newFirst);
    link_.Skip(-delta);
    if (!link_.EoF() && link_.RecNo() == oldFirstRec) k = std::ptrdiff_t(delta), reuse = true;
  }
  RecordRestore(saved);

  if (!reuse) {
    FillBuffer(NIL, NIL, NIL, NIL, false, StableFill());
  } else {
    ShiftRows(k);
    const int nScroll = firstVisibleColumn_ > 0 ? lastVisibleColumn_ - firstVisibleColumn_ + 1 : 0;
    const int kept = k >= 0 ? oldCount - int(k) : oldCount;
    ResizeBuffer(Usual(nScroll), Usual(newCount));
    if (k < 0) {
      FillBuffer(NIL, NIL, Usual(firstVisibleRowNo_), Usual(firstVisibleRowNo_ - k - 1), false, StableFill());
      // Rows that were empty before may have come after records now.
      if (newCount > oldCount) FillBuffer(NIL, NIL, Usual(firstVisibleRowNo_ + oldCount), NIL, false, StableFill());
    } else if (kept < newCount) {
      // A former empty row at the end of the kept part is refilled too, as a
      // record may follow now.
      int from = kept;
      while (from > 0 && rows_[std::size_t(from - 1)].empty) --from;
      FillBuffer(NIL, NIL, Usual(firstVisibleRowNo_ + from), NIL, false, StableFill());
    } else {
      UpdateEmptyRowsFlag();
    }
  }
  seq.End();
  return newFirst != oldFirstRec || newCount != oldCount;
}

// ---------------------------------------------------------------------------
// Timed refresh

void kTable::AutoRefreshTime(int ms) {
  autoRefreshTime_ = std::max(0, ms);
  autoRefreshTimer_.stop();
  if (autoRefreshTime_ != 0) autoRefreshTimer_.start(autoRefreshTime_, this);
}

void kTable::timerEvent(QTimerEvent* e) {
  if (e->timerId() == pressTimer_.timerId()) {
    pressTimer_.stop();
    GuardedCall([this] { PressTimeout(); });
    return;
  }
  if (e->timerId() == autoRefreshTimer_.timerId()) {
    // The interval counts from the end of a refresh, not from its start.
    autoRefreshTimer_.stop();
    // A nested event loop (a modal box from an error block, say) may tick
    // in the middle of the grid's own work, with the server parked
    // elsewhere: the refresh waits for the next tick between operations.
    const bool shown = isVisible() || PropertyGet(kAutoRefreshWhenHidden, Usual(false)).AsLogic();
    if (shown && !eventLock_ && sequenceCount_ == 0 && !InEdit()) {
      GuardedCall([this] {
        LockScope lock(eventLock_);
        AutoRefresh();
      });
    }
    // The owner may have set another interval (or none) meanwhile.
    if (autoRefreshTime_ != 0 && !autoRefreshTimer_.isActive()) autoRefreshTimer_.start(autoRefreshTime_, this);
    return;
  }
  CustomControl::timerEvent(e);
}

void kTable::AutoRefresh() {
  if (autoRefreshGuard_ || !Used()) return;
  autoRefreshGuard_ = true;
  struct Off {
    bool& g;
    ~Off() { g = false; }
  } off{autoRefreshGuard_};
  SequenceScope seq(*this);
  const std::int64_t old = link_.RecNo();
  bool structural = StabilizeServer() || link_.LastRec() != lastRec_ || GetRowCount() != rowCount_;
  if (!structural) {
    const Array saved = RecordSave();
    link_.GoTo(firstVisibleRecNo_);
    if (StabilizeServer()) {
      structural = true;
    } else {
      const std::int64_t first = GetFirstVisibleRow();
      structural = first != firstVisibleRowNo_ || GetLastVisibleRow(first) != lastVisibleRowNo_;
    }
    RecordRestore(saved);
  }
  bool content = false;
  if (!structural) {
    const auto rows = rows_;
    const auto frozen = frozenCells_;
    const auto scrolling = scrollCells_;
    FillBuffer(NIL, NIL, NIL, NIL, false, StableFill());
    auto sameRows = [](const std::vector<RowInfo>& a, const std::vector<RowInfo>& b) {
      if (a.size() != b.size()) return false;
      for (std::size_t i = 0; i < a.size(); ++i)
        if (!a[i].SameAs(b[i])) return false;
      return true;
    };
    auto sameCells = [](const std::vector<std::vector<Cell>>& a, const std::vector<std::vector<Cell>>& b) {
      if (a.size() != b.size()) return false;
      for (std::size_t c = 0; c < a.size(); ++c) {
        if (a[c].size() != b[c].size()) return false;
        for (std::size_t i = 0; i < a[c].size(); ++i)
          if (!a[c][i].SameAs(b[c][i])) return false;
      }
      return true;
    };
    content = !(sameRows(rows, rows_) && sameCells(frozen, frozenCells_) && sameCells(scrolling, scrollCells_));
    if (!content) {
      const Array saved = RecordSave();
      ReadFirstAndLast();
      RecordRestore(saved);
    }
    currentRecNo_ = link_.RecNo();
    RecomputeCurrentRow();
  }
  seq.End();
  if (structural) {
    Refresh(Usual(true));
  } else if (content) {
    Redraw(Usual(kData));
  }
  if (structural || content) {
    if (link_.RecNo() != old) CellSelect();
    RefreshNotify();
  }
}

}  // namespace kt
