// kTable: layout geometry. Divides the client area, keeps the visible rows
// and columns consistent with the window's size and answers every
// rectangle and hit-test question from the buffer, never from the server.
#include <QCursor>
#include <QScrollBar>

#include "grid/event_lock.h"
#include "grid/ktable.h"

namespace kt {
namespace {

const Symbol kAuto("Auto"), kStable("Stable"), kPushButton("PushButton"), kInfoInEntireArea("InfoInEntireArea");

}  // namespace

// ---------------------------------------------------------------------------
// Areas

int kTable::ColumnWidth(int column) const {
  return column >= 1 && column <= ColumnOpenCount() ? columnOpenList_[std::size_t(column - 1)]->Width() : 0;
}

int kTable::FrozenWidth() const {
  const int n = std::min(freeze_, ColumnOpenCount());
  int w = 0;
  for (int c = 1; c <= n; ++c) w += ColumnWidth(c);
  return w;
}

void kTable::SplitClientArea() {
  const bool hWasVisible = hScroll_ && !hScroll_->isHidden();
  const bool vWasVisible = vScroll_ && !vScroll_->isHidden();
  splitSize_ = QSize(width(), height());
  int right = std::max(0, width());
  int bottom = std::max(0, height());
  const int top = 0, left = 0;
  if (hWasVisible) bottom = std::max(0, bottom - SystemMetric(Metric::HScrollHeight));
  if (vWasVisible) right = std::max(0, right - SystemMetric(Metric::VScrollWidth));

  selectorArea_ = {left, top, left + (selector_ ? selectorWidth_ : 0), std::max(top, bottom - footerHeight_)};
  const int x0 = std::min(right, selectorArea_.right);
  captionArea_ = {x0, top, right, top + captionHeight_};
  const int y0 = std::min(bottom, captionArea_.bottom);
  // A client lower than the caption leaves data and footer empty at its bottom.
  footerArea_ = {x0, std::min(bottom, std::max(y0, bottom - footerHeight_)), right, bottom};
  dataArea_ = {x0, y0, right, footerArea_.top};
  const int frozen = freeze_ > 0 && ColumnOpenCount() > 0 ? FrozenWidth() : 0;
  frozenArea_ = {dataArea_.left, dataArea_.top, std::min(dataArea_.right, dataArea_.left + frozen), dataArea_.bottom};
  dynamicArea_ = {frozenArea_.right, dataArea_.top, dataArea_.right, dataArea_.bottom};

  if (hScroll_)
    hScroll_->setGeometry(dynamicArea_.left, footerArea_.bottom, std::max(0, dataArea_.right - dynamicArea_.left),
                          SystemMetric(Metric::HScrollHeight));
  if (vScroll_)
    vScroll_->setGeometry(dataArea_.right, captionArea_.top, SystemMetric(Metric::VScrollWidth),
                          std::max(0, footerArea_.bottom - captionArea_.top));

  if (splitDepth_ > 2) return;  // the bars settle within a few rounds
  ++splitDepth_;
  UpdateVerticalScrollValues(true, true);
  UpdateHorizontalScrollValues(true, true);
  const bool changed = (hScroll_ && hScroll_->isHidden() == hWasVisible) || (vScroll_ && vScroll_->isHidden() == vWasVisible);
  if (changed) SplitClientArea();
  --splitDepth_;
}

void kTable::resizeEvent(QResizeEvent* e) {
  CustomControl::resizeEvent(e);
  GuardedCall([this] {
    Recalculate();
    Redraw();
  });
}

void kTable::Recalculate() {
  if (recalcGuard_) return;
  recalcGuard_ = true;
  struct Off {
    bool& g;
    ~Off() { g = false; }
  } off{recalcGuard_};

  if (rowHeightVariable_) {
    columnVariableHeightList_.clear();
    for (const auto& c : columnOpenList_)
      if (c->IsHeightVariable()) columnVariableHeightList_.push_back(c);
  }
  SplitClientArea();
  const int oldCount = visibleRowCount_;
  visibleRowCount_ = GetCountOfVisibleRows(firstVisibleRecNo_);

  const int count = ColumnOpenCount();
  const int oldLast = lastVisibleColumn_, oldFirst = firstVisibleColumn_;
  if (count <= freeze_) {
    firstVisibleColumn_ = lastVisibleColumn_ = 0;
  } else {
    if (firstVisibleColumn_ == 0) firstVisibleColumn_ = freeze_ + 1;
    lastVisibleColumn_ = GetLastVisibleColumn(firstVisibleColumn_);
    const int c = GetFirstVisibleColumn(lastVisibleColumn_);
    if (c > 0) {
      if (lastVisibleColumn_ >= oldLast && firstVisibleColumn_ > c && lastVisibleColumn_ == count) {
        // The window grew: columns come back in from the left.
        firstVisibleColumn_ = c;
      } else if (lastVisibleColumn_ < oldLast || !IsColumnVisible(lastVisibleColumn_, false)) {
        const int cur = currentColumn_;
        if (cur > freeze_ && cur >= oldFirst && cur <= oldLast && (cur < firstVisibleColumn_ || cur > lastVisibleColumn_ ||
                                                                   !IsColumnVisible(cur, false))) {
          firstVisibleColumn_ = GetFirstVisibleColumn(cur);
        }
      }
      lastVisibleColumn_ = GetLastVisibleColumn(firstVisibleColumn_);
    }
  }
  const std::int64_t oldFirstRow = firstVisibleRowNo_;
  const std::int64_t oldLastRow = lastVisibleRowNo_;
  lastVisibleRowNo_ = GetLastVisibleRow(firstVisibleRowNo_);

  if (Used() && !rows_.empty()) {
    SequenceScope seq(*this);
    const Array saved = RecordSave();
    const std::int64_t oldTop = firstVisibleRecNo_;
    if (visibleRowCount_ > oldCount) {
      // Never leave blank rows at the bottom while earlier records exist:
      // measure what the records from the top of the window fill.
      link_.GoTo(firstVisibleRecNo_);
      int free = DataHeight();
      while (!link_.EoF() && free > 0) {
        free -= GetRowHeight();
        link_.Skip(1);
      }
      if (link_.EoF() && skipEOF_) free -= rowHeight_;
      if (free > 0) {
        link_.GoTo(firstVisibleRecNo_);
        while (free > 0 && link_.RecNo() != firstRecNo_) {
          link_.Skip(-1);
          if (link_.BoF()) break;
          free -= GetRowHeight();
        }
        if (free < 0) link_.Skip(1);
        if (link_.RecNo() != oldTop) SetWindowFrom(link_.RecNo());
      }
    } else if (visibleRowCount_ < oldCount && currentRow_ > 0 && currentRow_ >= firstVisibleRowNo_ &&
               currentRow_ < oldLastRow && currentRow_ >= lastVisibleRowNo_) {
      // Keep the current row in view, when it was in view: a current row
      // scrolled out of sight stays there (and costs no walk to it).
      link_.GoTo(firstVisibleRecNo_);
      for (std::int64_t k = 0; k < currentRow_ - lastVisibleRowNo_ + 1; ++k) {
        if (link_.RecNo() == lastRecNo_) break;
        link_.Skip(1);
      }
      if (link_.RecNo() != oldTop && !link_.EoF()) SetWindowFrom(link_.RecNo());
    }
    RecordRestore(saved);
    seq.End();
    if (firstVisibleRecNo_ != oldTop || firstVisibleRowNo_ != oldFirstRow) {
      frozenCells_.clear();
      scrollCells_.clear();
      FillBuffer(NIL, NIL, NIL, NIL, false, StableFill());
      RecomputeCurrentRow();
      UpdateVerticalScrollValues(false, true);
    } else if (firstVisibleColumn_ != oldFirst) {
      frozenCells_.clear();
      scrollCells_.clear();
      FillBuffer(NIL, NIL, NIL, NIL, false, StableFill());
      UpdateHorizontalScrollValues(false, true);
    } else {
      const int oldRows = int(rows_.size());
      if (visibleRowCount_ > oldRows)
        FillBuffer(NIL, NIL, Usual(firstVisibleRowNo_ + oldRows), NIL, false, StableFill());
      if (lastVisibleColumn_ > oldLast && firstVisibleColumn_ > 0)
        FillBuffer(Usual(std::max(oldLast + 1, firstVisibleColumn_)), Usual(lastVisibleColumn_), NIL, NIL, false, true);
      const int nScroll = firstVisibleColumn_ > 0 ? lastVisibleColumn_ - firstVisibleColumn_ + 1 : 0;
      ResizeBuffer(Usual(nScroll), Usual(visibleRowCount_));
      if (!ExistRowsWithVariableHeight())
        for (auto& r : rows_) r.height = rowHeight_;
      RecomputeCurrentRow();
    }
  } else if (!Used()) {
    rows_.clear();
    frozenCells_.clear();
    scrollCells_.clear();
  }
  if (InEdit()) EditRecalculate();
}

// ---------------------------------------------------------------------------
// Row heights

bool kTable::ExistRowsWithVariableHeight() const {
  return rowHeightVariable_ && (!columnVariableHeightList_.empty() || !resizedRows_.empty());
}

int kTable::GridExtraHeight(const kGrid* g) const {
  if (!g) return 0;
  return g->Overlapped() ? g->Height() + g->SpaceTop() + g->SpaceBottom()
                         : g->Height() * 2 + g->SpaceTop() + g->SpaceBottom();
}

int kTable::GetRowHeight() {
  if (!ExistRowsWithVariableHeight() || !Used()) return rowHeight_;
  SequenceScope seq(*this);
  const std::int64_t recNo = link_.RecNo();
  const int dataH = DataHeight();
  int result = rowHeight_;
  bool resized = false;
  for (const auto& [rec, h] : resizedRows_)
    if (rec == recNo) {
      result = std::min(dataH, h);
      resized = true;
      break;
    }
  if (!resized) {
    const double limit = rowHeightMax_ == 0 ? std::max(0.0, dataH * 0.8) : double(std::min(std::max(0, dataH), rowHeightMax_));
    for (const auto& c : columnVariableHeightList_) {
      const int extra = GridExtraHeight(GetColumnGrid(ViewArea::Data, c.get()).get());
      const double h = std::min(limit, double(c->CalculateHeightOfValue() + extra));
      result = std::max(result, int(h));
    }
  }
  seq.End();
  return result;
}

void kTable::EnableRowHeightVariable(const Usual& enable) {
  rowHeightVariable_ = Enabled(enable);
  columnVariableHeightList_.clear();
  if (rowHeightVariable_) {
    for (const auto& c : columnOpenList_)
      if (c->IsHeightVariable()) columnVariableHeightList_.push_back(c);
  } else {
    for (auto& r : rows_) r.height = rowHeight_;
    resizedRows_.clear();
  }
}

void kTable::SetResizedRow(std::int64_t recNo, int height) {
  for (auto it = resizedRows_.begin(); it != resizedRows_.end(); ++it)
    if (it->first == recNo) {
      if (height > 0) it->second = height;
      else resizedRows_.erase(it);
      return;
    }
  if (height > 0) resizedRows_.emplace_back(recNo, height);
}

void kTable::CaptionHeight(int h) {
  captionHeight_ = std::max(0, h);
  Recalculate();
}

void kTable::RowHeight(int h) {
  rowHeight_ = std::max(1, h);
  Recalculate();
  if (!ExistRowsWithVariableHeight())
    for (auto& r : rows_) r.height = rowHeight_;
}

void kTable::Freeze(int n) {
  n = std::max(0, n);
  if (n == freeze_) return;
  LockScope lock(eventLock_);
  freeze_ = n;
  const int count = ColumnOpenCount();
  if (count > 0) {
    // No column may hide between the frozen and the scrolling part.
    firstVisibleColumn_ = count > freeze_ ? freeze_ + 1 : 0;
    SplitClientArea();
    lastVisibleColumn_ = firstVisibleColumn_ > 0 ? GetLastVisibleColumn(firstVisibleColumn_) : 0;
    frozenCells_.clear();
    scrollCells_.clear();
    if (Used()) FillBuffer(NIL, NIL, NIL, NIL, false, true);
    if (currentColumn_ > 0 && !IsColumnVisible(currentColumn_)) {
      currentColumn_ = GetNewSelectableColumn(std::max(1, firstVisibleColumn_), kAuto);
      // A simple selection follows the cursor; a multiple one stays.
      SelectionChange(0, currentColumn_, currentRow_, currentRecNo_);
    }
  }
  Recalculate();
  Redraw();
}

// ---------------------------------------------------------------------------
// Visible columns and rows

int kTable::GetLastVisibleColumn(int first) const {
  const int count = ColumnOpenCount();
  if (freeze_ >= count) return 0;
  if (first <= freeze_) first = freeze_ + 1;
  int x = dynamicArea_.left;
  for (int c = first; c <= count; ++c) {
    x += ColumnWidth(c);
    if (x >= dynamicArea_.right) return c;
  }
  return count;
}

int kTable::GetFirstVisibleColumn(int last) const {
  const int count = ColumnOpenCount();
  if (last > count) last = count;
  if (last <= freeze_) return freeze_ < count ? freeze_ + 1 : 0;
  int x = dynamicArea_.right - ColumnWidth(last);
  int c = last;
  while (c - 1 > freeze_ && x - ColumnWidth(c - 1) >= dynamicArea_.left) {
    x -= ColumnWidth(c - 1);
    --c;
  }
  return c;
}

std::vector<ColumnLoop> kTable::GetColumnLoops() const {
  std::vector<ColumnLoop> loops;
  const int frozen = std::min(freeze_, ColumnOpenCount());
  if (frozen > 0) loops.push_back({1, frozen});
  if (firstVisibleColumn_ > 0 && lastVisibleColumn_ >= firstVisibleColumn_)
    loops.push_back({firstVisibleColumn_, lastVisibleColumn_});
  return loops;
}

bool kTable::IsColumnVisible(int column, bool partial) const {
  if (column < 1 || column > ColumnOpenCount()) return false;
  if (column > freeze_ && (firstVisibleColumn_ == 0 || column < firstVisibleColumn_ || column > lastVisibleColumn_))
    return false;
  if (!partial && dataArea_.left + ColumnX(column) + ColumnWidth(column) > dataArea_.right) return false;
  return true;
}

bool kTable::IsRowVisible(std::int64_t row, std::int64_t recNo, bool partial) const {
  int i = 0;
  const std::int64_t byRow = row - firstVisibleRowNo_ + 1;
  if (row > 0 && byRow >= 1 && byRow <= std::int64_t(rows_.size()) && rows_[std::size_t(byRow - 1)].recNo == recNo)
    i = int(byRow);
  else
    i = BufferPos(recNo);
  if (i == 0) return false;
  if (!partial && i == int(rows_.size())) {
    // The last buffered row counts only when it ends inside the data area.
    return RowTop(i) + rows_[std::size_t(i - 1)].height <= DataHeight() && i < visibleRowCount_;
  }
  return true;
}

bool kTable::IsCellVisible(int column, std::int64_t row, std::int64_t recNo, bool partial) const {
  return IsColumnVisible(column, partial) && IsRowVisible(row, recNo, partial);
}

// ---------------------------------------------------------------------------
// Rectangles

int kTable::RowTop(int index) const {
  int y = 0;
  for (int r = 1; r < index && r <= int(rows_.size()); ++r) y += rows_[std::size_t(r - 1)].height;
  return y;
}

int kTable::ColumnX(int column) const {
  if (column <= freeze_) {
    int x = 0;
    for (int c = 1; c < column; ++c) x += ColumnWidth(c);
    return x;
  }
  if (firstVisibleColumn_ > 0 && column >= firstVisibleColumn_) {
    int x = FrozenWidth();
    for (int c = firstVisibleColumn_; c < column; ++c) x += ColumnWidth(c);
    return x;
  }
  // Scrolled out to the left: wholly left of the window.
  int x = 0;
  for (int c = column; c < std::max(firstVisibleColumn_, column + 1); ++c) x -= ColumnWidth(c);
  return x - (ColumnWidth(column) + dataArea_.left);
}

bool kTable::GetRowRect(std::int64_t row, std::int64_t recNo, GridRect& rect) const {
  if (row < 1) return false;
  int i = 0;
  const std::int64_t byRow = row - firstVisibleRowNo_ + 1;
  if (byRow >= 1 && byRow <= std::int64_t(rows_.size()) && rows_[std::size_t(byRow - 1)].recNo == recNo)
    i = int(byRow);
  else
    i = BufferPos(recNo);
  GridRect r;
  r.left = dataArea_.left;
  r.right = dataArea_.right;
  if (i > 0) {
    r.top = dataArea_.top + RowTop(i);
    r.bottom = r.top + rows_[std::size_t(i - 1)].height;
  } else if (row < firstVisibleRowNo_) {
    r.bottom = dataArea_.top;
    r.top = r.bottom - rowHeight_;
  } else {
    r.top = std::max(dataArea_.bottom, dataArea_.top + RowTop(int(rows_.size()) + 1));
    r.bottom = r.top + rowHeight_;
  }
  if (const kGrid* g = dataView_ ? dataView_->Grid().get() : nullptr; g && g->Overlapped()) {
    r.left -= g->Width();
    r.top -= g->Height();
  }
  rect = r;
  return true;
}

bool kTable::GetColumnRect(int column, GridRect& rect) const {
  if (column < 1 || column > ColumnOpenCount()) return false;
  const int x = ColumnX(column);
  rect = {dataArea_.left + x, dataArea_.top, dataArea_.left + x + ColumnWidth(column), dataArea_.bottom};
  return true;
}

bool kTable::GetCellRect(int column, std::int64_t row, std::int64_t recNo, GridRect& rect) const {
  if (column < 1 || column > ColumnOpenCount() || row < 1) return false;
  GridRect rowRect;
  GetRowRect(row, recNo, rowRect);
  if (const kGrid* g = dataView_ ? dataView_->Grid().get() : nullptr; g && g->Overlapped()) {
    // Undo the row's own widening; the column's grid decides below.
    rowRect.top += g->Height();
  }
  const int x = ColumnX(column);
  GridRect r{dataArea_.left + x, rowRect.top, dataArea_.left + x + ColumnWidth(column), rowRect.bottom};
  const Ref<kGrid> g = GetColumnGrid(ViewArea::Data, columnOpenList_[std::size_t(column - 1)].get());
  if (g && g->Overlapped()) {
    r.left -= g->Width();
    r.top -= g->Height();
  }
  rect = r;
  return true;
}

bool kTable::GetCaptionRect(int column, GridRect& rect) const {
  if (column < 1 || column > ColumnOpenCount()) return false;
  int x = captionArea_.left;
  if (freeze_ > 0 && column > 1)
    for (int c = 1; c <= std::min(freeze_, column - 1); ++c) x += ColumnWidth(c);
  if (firstVisibleColumn_ > 0 && firstVisibleColumn_ < column)
    for (int c = firstVisibleColumn_; c < column; ++c) x += ColumnWidth(c);
  rect = {x, captionArea_.top, x + ColumnWidth(column), captionArea_.bottom};
  return true;
}

bool kTable::GetFooterRect(int column, GridRect& rect) const {
  if (!GetCaptionRect(column, rect)) return false;
  rect.left += footerArea_.left - captionArea_.left;
  rect.right += footerArea_.left - captionArea_.left;
  rect.top = footerArea_.top;
  rect.bottom = footerArea_.bottom;
  return true;
}

bool kTable::GetSelectorRect(std::int64_t row, std::int64_t recNo, GridRect& rect) const {
  if (row < 1) return false;
  GridRect r;
  GetRowRect(row, recNo, r);
  if (const kGrid* g = dataView_ ? dataView_->Grid().get() : nullptr; g && g->Overlapped()) r.top += g->Height();
  const int y = r.top - dataArea_.top;
  const int h = r.bottom - r.top;
  rect = {selectorArea_.left + 2, captionArea_.bottom + y + 2, selectorArea_.right - 2, captionArea_.bottom + y + h - 2};
  return true;
}

bool kTable::GetInfoRect(int line, GridRect& rect) const {
  if (line < 1 || line > 3) return false;
  const bool noColumns = ColumnOpenCount() == 0;
  const int y0 = noColumns ? captionArea_.top : dataArea_.top;
  const bool entire = const_cast<kTable*>(this)->PropertyGet(kInfoInEntireArea, Usual(false)).AsLogic() || noColumns;
  int right = dataArea_.right;
  if (!entire) {
    right = selectorArea_.right + FrozenWidth();
    if (firstVisibleColumn_ > 0)
      for (int c = firstVisibleColumn_; c <= lastVisibleColumn_; ++c) right += ColumnWidth(c);
    right = std::min(right, dataArea_.right);
  }
  const Ref<kt::Font> font = GetInfoFont(line);
  const Ref<kGrid> g = GetInfoGrid(line);
  const Usual& text = infoText_[line - 1];
  const std::string s = text.IsString() ? std::string(text.AsStringView()) : std::string();
  const int textHeight = const_cast<kTable*>(this)->MeasureText(s, font.get(), right - selectorArea_.left, true).height;
  const int extra = g ? 2 * g->Height() + g->SpaceTop() + g->SpaceBottom() : 0;
  rect = {selectorArea_.left, y0, right, std::min(dataArea_.bottom, y0 + textHeight + extra)};
  return true;
}

bool kTable::GetEditRect(int column, std::int64_t row, std::int64_t recNo, GridRect& rect) const {
  GridRect r;
  if (!GetCellRect(column, row, recNo, r)) return false;
  kDataColumn* c = columnOpenList_[std::size_t(column - 1)].get();
  if (const Ref<kGrid> g = GetColumnGrid(ViewArea::Data, c)) {
    r.left += g->Width();
    r.top += g->Height();
    r.right -= g->Width();
    r.bottom -= g->Height();
    // The shown view type: a logic column may be a button through ViewLogicAs.
    if (GetColumnViewValueAs(c) == kPushButton) {
      r.left += g->SpaceLeft();
      r.top += g->SpaceTop();
      r.right -= g->SpaceRight();
      r.bottom -= g->SpaceBottom();
    }
  }
  rect = r;
  return true;
}

// ---------------------------------------------------------------------------
// Hit tests

int kTable::GetColumnToPoint(QPoint p) const {
  if (p.y() < captionArea_.top || p.y() > footerArea_.bottom) return 0;
  int x = dataArea_.left;
  for (const ColumnLoop& loop : GetColumnLoops())
    for (int c = loop.first; c <= loop.last; ++c) {
      const int w = ColumnWidth(c);
      if (p.x() >= x && p.x() <= x + w - 1) return c;
      x += w;
    }
  return 0;
}

CellHit kTable::GetCellToPoint(QPoint p) const {
  CellHit hit;
  hit.column = GetColumnToPoint(p);
  if (hit.column == 0 || p.y() < dataArea_.top || p.y() > dataArea_.bottom) return {};
  int y = dataArea_.top;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const int h = rows_[i].height;
    if (p.y() >= y && p.y() <= y + h - 1) {
      hit.row = firstVisibleRowNo_ + std::int64_t(i);
      hit.recNo = rows_[i].recNo;
      return hit;
    }
    y += h;
  }
  return {};
}

std::int64_t kTable::GetSelectorToPoint(QPoint p) const {
  if (!selector_ || p.x() < selectorArea_.left || p.x() >= selectorArea_.right || p.y() < dataArea_.top ||
      p.y() >= selectorArea_.bottom)
    return 0;
  int y = dataArea_.top;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const int h = rows_[i].height;
    if (p.y() >= y && p.y() <= y + h - 1) return firstVisibleRowNo_ + std::int64_t(i);
    y += h;
  }
  return 0;
}

int kTable::GetColumnFrameToMouse() const { return GetColumnFrameToPoint(mapFromGlobal(QCursor::pos())); }

int kTable::GetColumnFrameToPoint(QPoint p) const {
  int x = dataArea_.left;
  const auto loops = GetColumnLoops();
  for (const ColumnLoop& loop : loops)
    for (int c = loop.first; c <= loop.last; ++c) {
      x += ColumnWidth(c);
      if (x - 4 <= p.x() && p.x() <= x + 4) return c;
    }
  if (p.x() >= dataArea_.right - 4) {
    // A column wider than its part of the area has its edge out of sight;
    // the area's edge stands in for it.
    for (const ColumnLoop& loop : loops)
      for (int c = loop.first; c <= loop.last; ++c) {
        const bool frozen = c <= freeze_;
        const GridRect& area = frozen ? frozenArea_ : dynamicArea_;
        if (ColumnWidth(c) > area.right - area.left) return c;
      }
  }
  return 0;
}

std::int64_t kTable::GetRowFrameToMouse() const { return GetRowFrameToPoint(mapFromGlobal(QCursor::pos())); }

std::int64_t kTable::GetRowFrameToPoint(QPoint p) const {
  if (p.y() < dataArea_.top || p.y() > dataArea_.bottom) return 0;
  int y = dataArea_.top;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].height > 0) y += rows_[i].height;
    if (y - 2 <= p.y() && p.y() <= y + 2) return firstVisibleRowNo_ + std::int64_t(i);
  }
  return 0;
}

}  // namespace kt
