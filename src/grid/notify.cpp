// kTable: reacting to server notifications, and the record-level commands
// that act on the server and let its notifications update every client.
#include "grid/grid_event.h"
#include "grid/event_lock.h"
#include "grid/ktable.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/text.h"

namespace kt {
namespace {

const Symbol kCommit("Commit"), kData("Data"), kCurrent("Current"), kFromLine("FromLine"), kCellSym("Cell"),
    kAll("All"), kStable("Stable"), kRefreshBuffer("RefreshBuffer"), kIndexKey("IndexKey"), kOrderInfo("OrderInfo"),
    kDeletedScope("DeletedScope"), kVertical("Vertical");

std::string Upper(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = text::AsciiUpper(c);
  return r;
}

bool IsNameChar(char c) { return text::IsAsciiLetter(c) || text::IsAsciiDigit(c) || c == '_'; }

// The field name as a whole word of the expression (so NAME does not match
// LASTNAME).
bool NamesField(const std::string& expression, const std::string& field) {
  if (field.empty()) return false;
  for (std::size_t at = expression.find(field); at != std::string::npos; at = expression.find(field, at + 1)) {
    const bool startOk = at == 0 || !IsNameChar(expression[at - 1]);
    const std::size_t end = at + field.size();
    const bool endOk = end >= expression.size() || !IsNameChar(expression[end]);
    if (startOk && endOk) return true;
  }
  return false;
}

}  // namespace

bool kTable::DeletedHidden() {
  if (link_.HasAccess(kDeletedScope)) {
    const std::int64_t scope = link_.Access(kDeletedScope).AsInteger();
    if (scope == 1) return false;
    if (scope == 2) return true;
  }
  return Runtime::Settings().deleted;
}

void kTable::AutoEditCheck() {
  PermanentEdit();
}

bool kTable::Notify(int code, const Usual& description) {
  if (suspendCount_ > 0) return true;
  if (code == notify::IntentToMove) return !InEdit() || EditClose();
  if (code == notify::Close) {
    Use(NIL);
    return true;
  }
  if (!link_.Bound()) return true;
  {
    LockScope lock(eventLock_);
    SequenceScope seq(*this);
    const bool moveCode = code == notify::RecordChange || code == notify::GoTop || code == notify::GoBottom ||
                          code == notify::Append || code == notify::Completed;
    // Flag word 0 below: the current cell in #Simple mode, while a
    // multiple selection stays (it is kept by record).
    if (pendingChanges_ != 0 && moveCode) {
      pendingChanges_ = 0;
      Refresh(Usual(true));
      SelectionRowsChanged(code);
      CellSelect();
      AutoEditCheck();
    } else {
      switch (code) {
        case notify::Completed:
          if (!(description.IsSymbol() && description.AsSymbol() == kCommit)) {
            Refresh(Usual(true));
            SelectionRowsChanged(code);
            SelectionChange(0, currentColumn_, currentRow_, currentRecNo_);
            AutoEditCheck();
          }
          break;
        case notify::RecordChange: NotifyRecordChange(code, description); break;
        case notify::GoBottom: NotifyGoBottom(code, description); break;
        case notify::GoTop: NotifyGoTop(code, description); break;
        case notify::Delete: NotifyDelete(code, description); break;
        case notify::Append: NotifyAppend(code, description); break;
        case notify::FileChange:
          Refresh();
          // The order may have changed: stored rows follow their records.
          SelectionRowsChanged(code);
          SelectionChange(0, currentColumn_, currentRow_, currentRecNo_);
          CellSelect();
          break;
        case notify::FieldChange: NotifyFieldChange(code, description); break;
        default: break;
      }
      if (code == notify::Delete || code == notify::Append || code == notify::FieldChange) SelectionRowsChanged(code);
      if (code == notify::RecordChange || code == notify::GoBottom || code == notify::GoTop ||
          code == notify::Append || code == notify::FileChange)
        AutoEditCheck();
    }
    seq.End();
  }
  // Another client may have added records behind the grid's back.
  if (link_.Bound() && link_.Used() && link_.LastRec() != lastRec_) {
    Refresh();
    SelectionRowsChanged(notify::Append);
    SelectionChange(0, currentColumn_, currentRow_, currentRecNo_);
  }
  return true;
}

void kTable::StackBackward() {
  const std::int64_t rec = link_.RecNo();
  int h = DataHeight() - GetRowHeight();
  while (h >= 1) {
    link_.Skip(-1);
    if (link_.BoF()) break;
    h -= GetRowHeight();
  }
  if (h < 0 && link_.RecNo() != rec) link_.Skip(1);
}

void kTable::NotifyRecordChange(int, const Usual& delta) {
  const std::int64_t recNo = link_.RecNo();
  int i = BufferPos(recNo);
  if (i > 0 && rows_[std::size_t(i - 1)].empty && !link_.EoF()) i = 0;  // a record appended behind the grid
  bool scrolled = false;
  if (i > 0) {
    if (!IsRowVisible(firstVisibleRowNo_ + i - 1, recNo, false) && i > 1) {
      // The partly visible last row: move the window down until it fits.
      RedrawRow(currentRow_);
      int k = 1;
      if (ExistRowsWithVariableHeight()) {
        const int need = RowTop(i) + rows_[std::size_t(i - 1)].height - DataHeight();
        int dropped = 0;
        k = 0;
        while (k < i - 1 && dropped < need) dropped += rows_[std::size_t(k++)].height;
        k = std::max(1, k);
      }
      int leftHeight = 0;
      for (int r = 0; r < k && r < int(rows_.size()); ++r) leftHeight += rows_[std::size_t(r)].height;
      UpdateVisibleRows(Range(int(firstVisibleRowNo_), int(lastVisibleRowNo_)),
                        Range(int(firstVisibleRowNo_ + k), int(lastVisibleRowNo_ + k)));
      if (IsMultipleColorInGrid()) Redraw(Usual(kData));
      else ScrollData(kVertical, -leftHeight);
      i = BufferPos(recNo);
      scrolled = true;
    }
    if (i > 0 && !rows_[std::size_t(i - 1)].empty && rows_[std::size_t(i - 1)].deleted != link_.Deleted()) {
      NotifyDelete(notify::Delete, NIL);
      i = BufferPos(recNo);
    } else if (i > 0 && delta.IsNil() && !link_.EoF()) {
      const std::int64_t row = firstVisibleRowNo_ + i - 1;
      FillBuffer(NIL, NIL, Usual(row), Usual(row), true);
      RedrawRow(row);
    }
  } else {
    RedrawRow(currentRow_);
    scrolled = true;
    const std::int64_t d = delta.IsNumeric() ? delta.AsInteger() : 0;
    if (delta.IsNumeric() && d < 0) {
      UpdateVisibleRows(Range(int(firstVisibleRowNo_), int(lastVisibleRowNo_)),
                        Range(int(firstVisibleRowNo_ + d), int(lastVisibleRowNo_ + d)));
      i = BufferPos(recNo);
      const int came = int(std::min<std::int64_t>(-d, std::int64_t(rows_.size())));
      if (i < 1 || IsMultipleColorInGrid() || came >= int(rows_.size())) {
        Redraw(Usual(kData));
      } else {
        int height = 0;
        for (int r = 0; r < came; ++r) height += rows_[std::size_t(r)].height;
        ScrollData(kVertical, height);
      }
    } else if (delta.IsNumeric() && d > 0) {
      const int left = int(std::min<std::int64_t>(d, std::int64_t(rows_.size())));
      int height = 0;
      for (int r = 0; r < left; ++r) height += rows_[std::size_t(r)].height;
      UpdateVisibleRows(Range(int(firstVisibleRowNo_), int(lastVisibleRowNo_)),
                        Range(int(firstVisibleRowNo_ + d), int(lastVisibleRowNo_ + d)));
      i = BufferPos(recNo);
      if (i < 1 || i >= visibleRowCount_ || IsMultipleColorInGrid() || left >= int(rows_.size()))
        Redraw(Usual(kData));
      else
        ScrollData(kVertical, -height);
    } else {
      // A jump: the record becomes the last fully visible row.
      const Array saved = RecordSave();
      if (!link_.EoF() && lastRecNo_ != 1) {
        StackBackward();
      } else {
        link_.GoTo(firstRecNo_);
      }
      SetWindowFrom(link_.RecNo());
      RecordRestore(saved);
      FillBuffer();
      Redraw(Usual(kData));
    }
    i = BufferPos(recNo);
  }
  SelectionChange(SelectionAction(), currentColumn_, firstVisibleRowNo_ + i - 1, recNo);
  pendingSelection_ = 0;
  if (i == 0) {
    if (link_.EoF() && !skipEOF_) {
      RedrawRow(currentRow_);
      currentRow_ = 0;
      currentRecNo_ = recNo;
    } else {
      Refresh();
    }
  } else {
    SetCurrentRow(firstVisibleRowNo_ + i - 1, scrolled);
  }
  UpdateVerticalScrollValues(false, true);
  CellSelect();
}

void kTable::NotifyGoTop(int, const Usual&) {
  const std::int64_t recNo = link_.RecNo();
  if (rows_.empty() || recNo != rows_.front().recNo || recNo != firstRecNo_) {
    if (recNo == firstRecNo_) {
      SetWindowFrom(recNo);
      FillBuffer();
      Redraw(Usual(kData));
    } else {
      Refresh();
    }
  }
  const int i = BufferPos(recNo);
  SelectionChange(SelectionAction(), currentColumn_, firstVisibleRowNo_ + std::max(0, i - 1), recNo);
  pendingSelection_ = 0;
  SetCurrentRow(i > 0 ? firstVisibleRowNo_ + i - 1 : 0);
  UpdateVerticalScrollValues(false, true);
  CellSelect();
}

void kTable::NotifyGoBottom(int, const Usual&) {
  const std::int64_t recNo = link_.RecNo();
  const Array saved = RecordSave();
  StackBackward();
  SetWindowFrom(link_.RecNo());
  RecordRestore(saved);
  FillBuffer();
  Redraw(Usual(kData));
  const int i = BufferPos(recNo);
  SelectionChange(SelectionAction(), currentColumn_, firstVisibleRowNo_ + std::max(0, i - 1), recNo);
  pendingSelection_ = 0;
  SetCurrentRow(i > 0 && !link_.EoF() ? firstVisibleRowNo_ + i - 1 : 0);
  UpdateVerticalScrollValues(false, true);
  CellSelect();
}

void kTable::RemoveBufferRow(int index) {
  auto drop = [index](auto& v) {
    if (index >= 1 && std::size_t(index) <= v.size()) {
      v.erase(v.begin() + (index - 1));
      v.emplace_back();
    }
  };
  drop(rows_);
  for (auto& c : frozenCells_) drop(c);
  for (auto& c : scrollCells_) drop(c);
}

void kTable::NotifyDelete(int, const Usual&) {
  const std::int64_t recNo = link_.RecNo();
  const int i = BufferPos(recNo);
  if (i == 0 || rows_[std::size_t(i - 1)].empty) return;
  const std::int64_t row = firstVisibleRowNo_ + i - 1;
  if (!DeletedHidden()) {
    FillBuffer(NIL, NIL, Usual(row), Usual(row), true);
    RedrawRow(row);
    return;
  }
  SelectionChange(2, currentColumn_, row, recNo);
  const Array saved = RecordSave();
  const bool wasFirst = recNo == firstRecNo_, wasLast = recNo == lastRecNo_;
  const bool empty = ReadFirstAndLast();
  if (i == 1) {
    // The window starts at the record that follows the deleted one.
    std::int64_t start = firstRecNo_;
    if (!wasFirst) {
      if (wasLast) start = lastRecNo_;
      else if (rows_.size() > 1 && !rows_[1].empty) start = rows_[1].recNo;
    }
    link_.GoTo(start);
    SetWindowFrom(link_.RecNo());
  } else {
    link_.GoTo(firstVisibleRecNo_);
    SetWindowFrom(firstVisibleRecNo_);
  }
  RecordRestore(saved);
  if (empty) serverState_ = 3;
  RemoveBufferRow(i);
  if (int(rows_.size()) != visibleRowCount_) ResizeBuffer(NIL, Usual(visibleRowCount_));
  if (currentRow_ == row) currentRow_ = 0;
  else if (currentRow_ > row) --currentRow_;
  // The freed last row (and any empty rows) are read again: a record may follow.
  int from = int(rows_.size());
  while (from > 1 && rows_[std::size_t(from - 2)].empty) --from;
  if (from >= 1) FillBuffer(NIL, NIL, Usual(firstVisibleRowNo_ + from - 1), NIL);
  if (empty) {
    Redraw(Usual(kAll));
    return;
  }
  GridRect r;
  if (GetRowRect(row, rows_[std::size_t(i - 1)].recNo, r)) {
    r.left = selectorArea_.left;
    r.bottom = dataArea_.bottom;
    update(r.ToQRect());
  }
  UpdateVerticalScrollValues(true, true);
}

void kTable::NotifyAppend(int, const Usual&) {
  ++lastRec_;
  ++rowCount_;
  const std::int64_t newRecNo = link_.RecNo();
  const int i = BufferPos(newRecNo);
  const bool buffered = i > 0 && i < int(rows_.size()) && !rows_[std::size_t(i - 1)].empty;
  const Array saved = RecordSave();
  ReadFirstAndLast();
  RecordRestore(saved);
  if (buffered) {
    const std::int64_t row = firstVisibleRowNo_ + i - 1;
    FillBuffer(NIL, NIL, Usual(row));
    RedrawRow(currentRow_);
    currentRow_ = row;
    if (serverState_ != 0) {
      serverState_ = 0;
      Redraw(Usual(kData));
    } else {
      Redraw(Usual(kFromLine), NIL, Usual(row));
    }
  } else {
    if (lastRecNo_ != 1) StackBackward();
    else link_.GoTo(firstRecNo_);
    SetWindowFrom(link_.RecNo());
    RecordRestore(saved);
    FillBuffer();
    const int pos = BufferPos(newRecNo);
    currentRow_ = pos > 0 ? firstVisibleRowNo_ + pos - 1 : 0;
    serverState_ = 0;
    Redraw(Usual(kData));
  }
  currentRecNo_ = link_.RecNo();
  AccessibleCursorMoved();
  UpdateVerticalScrollValues(true, true);
  SelectionChange(0, currentColumn_, currentRow_, currentRecNo_);
  CellSelect();
}

void kTable::NotifyFieldChange(int, const Usual& field) {
  const std::int64_t recNo = link_.RecNo();
  const int i = BufferPos(recNo);
  if (i == 0 || rows_[std::size_t(i - 1)].empty) {
    Refresh(Usual(true));
    return;
  }
  const std::int64_t row = firstVisibleRowNo_ + i - 1;
  RowInfo& info = rows_[std::size_t(i - 1)];
  if (field.IsNil()) {
    if (hasOrder_) {
      Refresh(Usual(kRefreshBuffer));
      return;
    }
    const int oldHeight = info.height;
    FillBuffer(NIL, NIL, Usual(row), Usual(row), true);
    if (ExistRowsWithVariableHeight() && rows_[std::size_t(i - 1)].height != oldHeight) {
      UpdateVisibleRows(Range(int(firstVisibleRowNo_), int(lastVisibleRowNo_)),
                        Range(int(firstVisibleRowNo_), int(lastVisibleRowNo_)));
      Redraw(Usual(kFromLine), NIL, Usual(row));
    } else {
      RedrawRow(row);
    }
    return;
  }
  const Symbol sym = field.IsSymbol() ? field.AsSymbol() : Symbol(field.AsStringView());
  if (hasOrder_) {
    const std::string name = Upper(sym.Name());
    const std::string key = Upper(link_.Send(kIndexKey).AsStringView());
    const Usual a[] = {Usual(1)};
    const Usual cond = link_.Send(kOrderInfo, a);
    if (NamesField(key, name) || (cond.IsString() && NamesField(Upper(cond.AsStringView()), name))) {
      if (fieldChangeMode_ == kStable) {
        // The row keeps its place until the next move.
        if (pendingChanges_ == 0) pendingRecNos_.clear();
        ++pendingChanges_;
        pendingRecNos_.push_back(recNo);
      } else {
        Refresh(Usual(true));
        return;
      }
    }
  }
  if (ExistRowsWithVariableHeight()) {
    const int oldHeight = info.height;
    if (GetRowHeight() != oldHeight) {
      FillBuffer(NIL, NIL, Usual(row), Usual(row), true);
      UpdateVisibleRows(Range(int(firstVisibleRowNo_), int(lastVisibleRowNo_)),
                        Range(int(firstVisibleRowNo_), int(lastVisibleRowNo_)));
      Redraw(Usual(kFromLine), NIL, Usual(row));
      return;
    }
  }
  // Cells of the field first, then computed columns whose value follows it.
  std::vector<int> changed;
  for (const ColumnLoop& loop : GetColumnLoops()) {
    for (int c = loop.first; c <= loop.last; ++c) {
      kDataColumn& column = *columnOpenList_[std::size_t(c - 1)];
      Cell* cell = const_cast<Cell*>(BufferedCell(c, i));
      if (!cell) continue;
      if (column.FieldSym() == sym) {
        FillCell(*cell, column, c, row);
        changed.push_back(c);
      }
    }
  }
  for (const ColumnLoop& loop : GetColumnLoops()) {
    for (int c = loop.first; c <= loop.last; ++c) {
      kDataColumn& column = *columnOpenList_[std::size_t(c - 1)];
      Cell* cell = const_cast<Cell*>(BufferedCell(c, i));
      if (!cell || column.FieldSym() == sym) continue;
      const Usual v = column.Value();
      if (v != cell->value) {
        FillCell(*cell, column, c, row);
        changed.push_back(c);
      }
    }
  }
  const ColorSpec before = info.color;
  info.color = GetColorSpec(Usual(0), Usual(row));
  info.deleted = link_.Deleted();
  const bool rowColorChanged = !(before.foreground == info.color.foreground && before.background == info.color.background);
  if (rowColorChanged) {
    RedrawRow(row);
  } else {
    for (int c : changed) Redraw(Usual(kCellSym), Usual(c), Usual(row));
  }
}

// ---------------------------------------------------------------------------
// Commands

bool kTable::GoTop() {
  if (!Used()) return false;
  if (InEdit() && !EditClose()) return false;
  if (!link_.Notify(notify::IntentToMove)) return false;
  SequenceScope seq(*this);
  const std::int64_t old = link_.RecNo();
  if (!link_.GoTop()) {
    seq.End();
    return false;
  }
  const std::int64_t now = link_.RecNo();
  seq.End();
  if (now != firstRecNo_) {
    pendingChanges_ = 0;
    Refresh();
    link_.Notify(notify::GoTop);
  } else if (now != old || rows_.empty() || rows_.front().recNo != firstRecNo_ || currentRow_ != firstVisibleRowNo_) {
    link_.Notify(notify::GoTop);
  }
  return true;
}

bool kTable::GoBottom() {
  if (!Used()) return false;
  if (InEdit() && !EditClose()) return false;
  if (!link_.Notify(notify::IntentToMove)) return false;
  SequenceScope seq(*this);
  const std::int64_t old = link_.RecNo();
  if (!link_.GoBottom()) {
    seq.End();
    return false;
  }
  const std::int64_t now = link_.RecNo();
  seq.End();
  if (now != lastRecNo_) {
    pendingChanges_ = 0;
    Refresh();
    link_.Notify(notify::GoBottom);
  } else if (now != old) {
    link_.Notify(notify::GoBottom);
  } else {
    bool shown = false;
    for (std::size_t r = 0; r + 1 < rows_.size(); ++r)
      if (rows_[r].recNo == lastRecNo_ && !rows_[r].empty) shown = true;
    if (!shown) link_.Notify(notify::GoBottom);
  }
  return true;
}

bool kTable::Delete() {
  if (!Used()) return false;
  if (InEdit() && !EditClose()) return false;
  const bool wasLast = link_.RecNo() == lastRecNo_;
  if (!link_.Send("Delete").AsLogic()) return false;
  if (DeletedHidden() && Used() && (link_.Deleted() || link_.EoF())) {
    if (!wasLast && !link_.EoF()) Skip(Usual(1));
    else Skip(Usual(-1));
  }
  return true;
}

bool kTable::SetDeleted(bool hide) {
  if (!link_.Bound() || !link_.Notify(notify::IntentToMove)) return false;
  Runtime::Settings().deleted = hide;
  if (Used() && DeletedHidden() && link_.Deleted()) {
    SequenceScope seq(*this);
    const bool last = link_.RecNo() == lastRecNo_;
    if (!last) link_.Skip(1);
    else if (link_.RecNo() != firstRecNo_) link_.Skip(-1);
    seq.End();
  }
  link_.Notify(notify::FileChange);
  return true;
}

void kTable::SetCurrentRow(std::int64_t row, bool) {
  if (row != currentRow_) RedrawRow(currentRow_);
  currentRow_ = row;
  const std::int64_t i = row - firstVisibleRowNo_ + 1;
  currentRecNo_ = row > 0 && i >= 1 && i <= std::int64_t(rows_.size()) ? rows_[std::size_t(i - 1)].recNo : link_.RecNo();
  RedrawRow(row);
  AccessibleCursorMoved();
}

}  // namespace kt
