// kTable: the data area. Grid lines first, then every buffered cell with its
// merged colours, background and value. The line positions follow the
// overlapped cell rectangles: a cell's right and bottom lines are the next
// cell's left and top ones.
#include <QPainter>
#include <qdrawutil.h>

#include "grid/ktable.h"

namespace kt {
namespace {

const Symbol kRow("Row"), kText("Text");

QColor Sys(int index) { return SysQColor(index); }

QBrush ListBrush(const Usual& entry) {
  if (!entry.IsObject()) return QBrush();
  if (auto* b = dynamic_cast<Brush*>(entry.AsObject())) return b->ToQBrush();
  if (auto* c = dynamic_cast<Color*>(entry.AsObject())) return QBrush(c->ToQColor());
  return QBrush();
}

}  // namespace

// ---------------------------------------------------------------------------
// Colours

QColor kTable::ValueForeground(const ColorSpec& spec, bool deleted, bool selected, bool current) const {
  if (!paintEnabled_) return Sys(syscolor::GrayText);
  if (deleted) return deletedForeground_ ? deletedForeground_->ToQColor() : Sys(syscolor::GrayText);
  const bool currentMark = paintActive_ && current && currentForeground_;
  if (selected && (!inactiveSelection_ || paintActive_)) {
    if (currentMark) return currentForeground_->ToQColor();
    if (spec.selectedForeground) return spec.selectedForeground->ToQColor();
    if (selectedForeground_) return selectedForeground_->ToQColor();
    return Sys(syscolor::HighlightText);
  }
  if (selected) {
    if (spec.inactiveSelectedForeground) return spec.inactiveSelectedForeground->ToQColor();
    if (inactiveSelectedForeground_) return inactiveSelectedForeground_->ToQColor();
    return Sys(syscolor::WindowText);
  }
  if (currentMark) return currentForeground_->ToQColor();
  if (spec.foreground) return spec.foreground->ToQColor();
  return TextColor();
}

QBrush kTable::ValueBackground(const ColorSpec& spec, bool selected, bool current, std::int64_t row, bool emptyArea,
                               const kGrid* grid) const {
  auto brush = [](const Ref<Brush>& b) { return b ? b->ToQBrush() : QBrush(); };
  if (selected && (!inactiveSelection_ || paintActive_)) {
    if (current && currentBackground_) return currentBackground_->ToQColor();
    if (QBrush b = brush(spec.selectedBackground); b.style() != Qt::NoBrush) return b;
    if (selectedBackground_) return selectedBackground_->ToQColor();
    return Sys(syscolor::Highlight);
  }
  if (selected) {
    if (QBrush b = brush(spec.inactiveSelectedBackground); b.style() != Qt::NoBrush) return b;
    if (inactiveSelectedBackground_) return inactiveSelectedBackground_->ToQColor();
    return Sys(syscolor::BtnFace);
  }
  if (!paintEnabled_) return Sys(syscolor::Window);
  if (QBrush b = brush(spec.background); b.style() != Qt::NoBrush) return b;
  if (!emptyArea || gridInEmptyArea_) {
    if (grid && grid->HasBackgrounds()) {
      const Ref<kItemList>& list = const_cast<kGrid*>(grid)->BackgroundList();
      const std::int64_t count = std::int64_t(list->Count());
      std::int64_t n = row % count;
      if (n <= 0) n += count;
      if (QBrush b = ListBrush(list->Get(std::size_t(n))); b.style() != Qt::NoBrush) return b;
    }
    if (grid && grid->Style() == kGrid::StyleButton) return Sys(syscolor::BtnFace);
  }
  if (dataView_)
    if (QBrush b = brush(dataView_->Background()); b.style() != Qt::NoBrush) return b;
  return Sys(syscolor::Window);
}

// ---------------------------------------------------------------------------
// Grid lines

void kTable::PrepareColumns() {
  paintColumns_.assign(columnOpenList_.size(), ColumnPaint());
  for (const ColumnLoop& loop : GetColumnLoops())
    for (int c = loop.first; c <= loop.last; ++c) {
      kDataColumn* column = columnOpenList_[std::size_t(c - 1)].get();
      ColumnPaint& cp = paintColumns_[std::size_t(c - 1)];
      cp.grid = GetColumnGrid(ViewArea::Data, column);
      cp.viewAs = GetColumnViewValueAs(column);
      cp.viewInEveryRow = !cp.viewAs || cp.viewAs == kText ||
                          std::find(valueViewList_.begin(), valueViewList_.end(), cp.viewAs) != valueViewList_.end();
      cp.alignment = GetColumnAlignment(ViewArea::Data, column);
      cp.textMode = column->ValType() == "M" ? (wordBreakInMemo_ ? 3 : 1) : 0;
      cp.font = GetColumnFont(ViewArea::Data, column).get();
    }
}

void kTable::DrawGrid(QPainter& p, const QRect& r) {
  const QRect area = dataArea_.ToQRect();
  const QRect clip = r & area;
  if (clip.isEmpty()) return;
  p.save();
  p.setClipRect(clip);
  // Rows that get lines: the records, and with GridInEmptyArea the rest of
  // the area in rows of the standard height.
  std::vector<std::pair<int, int>> bands;  // top, height
  int y = dataArea_.top;
  for (const RowInfo& row : rows_) {
    if (y >= dataArea_.bottom || (row.empty && !gridInEmptyArea_)) break;
    bands.emplace_back(y, row.height);
    y += row.height;
  }
  if (gridInEmptyArea_)
    for (; y < dataArea_.bottom; y += std::max(1, rowHeight_)) bands.emplace_back(y, std::max(1, rowHeight_));
  const int end = bands.empty() ? dataArea_.top : std::min(dataArea_.bottom, bands.back().first + bands.back().second);

  for (const ColumnLoop& loop : GetColumnLoops()) {
    int x0 = dataArea_.left + ColumnX(loop.first);
    for (int c = loop.first; c <= loop.last; x0 += ColumnWidth(c), ++c) {
      const int x1 = x0 + ColumnWidth(c);
      if (x1 <= clip.left() || x0 > clip.right()) continue;
      const kGrid* g = paintColumns_.size() >= std::size_t(c) ? paintColumns_[std::size_t(c - 1)].grid.get() : nullptr;
      const int style = g ? g->Style() : 0;
      if (style == kGrid::StyleNone) continue;
      // Each cell's rectangle as DrawCell takes it: widened left and up by
      // overlapped lines, whose left and top edges are then the
      // neighbours' right and bottom ones; otherwise the cell has all four.
      const int lw = g->Width(), lh = g->Height();
      const bool shared = g->Overlapped();
      const int left = shared ? x0 - lw : x0;
      if (style == kGrid::StyleButton) {
        for (const auto& [top, h] : bands) {
          const QRect cell(QPoint(left, shared ? top - lh : top), QPoint(x1 - 1, top + h - 1));
          if (cell.intersects(clip)) qDrawWinButton(&p, cell, palette(), false);
        }
        continue;
      }
      const QColor ink = g->Foreground() ? g->Foreground()->ToQColor() : QColor(Qt::black);
      if (lw > 0) {
        p.fillRect(QRect(x1 - lw, dataArea_.top, lw, end - dataArea_.top), ink);
        if (!shared) p.fillRect(QRect(x0, dataArea_.top, lw, end - dataArea_.top), ink);
      }
      if (lh > 0)
        for (const auto& [top, h] : bands) {
          p.fillRect(QRect(left, top + h - lh, x1 - left, lh), ink);
          if (!shared) p.fillRect(QRect(left, top, x1 - left, lh), ink);
        }
    }
  }
  p.restore();
}

// ---------------------------------------------------------------------------
// Cells

void kTable::DrawData(QPainter& p, const QRect& r) {
  if (r.isEmpty()) return;
  if (paintColumns_.size() != columnOpenList_.size()) PrepareColumns();
  p.save();
  p.setClipRect(r);
  int y = dataArea_.top;
  for (int i = 1; i <= int(rows_.size()); ++i) {
    const RowInfo& row = rows_[std::size_t(i - 1)];
    if (y > r.bottom() || (row.empty && !gridInEmptyArea_)) break;
    if (y + row.height > r.top()) DrawRow(p, i, y, r);
    y += row.height;
  }
  p.restore();
}

void kTable::DrawRow(QPainter& p, int index, int top, const QRect& clip) {
  for (const ColumnLoop& loop : GetColumnLoops()) {
    int x = dataArea_.left + ColumnX(loop.first);
    for (int c = loop.first; c <= loop.last; x += ColumnWidth(c), ++c) {
      if (x > clip.right()) break;
      if (x + ColumnWidth(c) > clip.left()) DrawCell(p, c, index, x, top, clip);
    }
  }
}

void kTable::DrawCell(QPainter& p, int column, int index, int x, int top, const QRect& clip) {
  const RowInfo& row = rows_[std::size_t(index - 1)];
  const Cell* cell = BufferedCell(column, index);
  const ColumnPaint& cp = paintColumns_[std::size_t(column - 1)];
  const kGrid* g = cp.grid.get();
  // The cell's rectangle, widened for overlapped lines, and what lies
  // inside its lines.
  QRect rect(x, top, ColumnWidth(column), row.height);
  if (g && g->Overlapped()) rect.adjust(-g->Width(), -g->Height(), 0, 0);
  QRect inner = g ? rect.adjusted(g->Width(), g->Height(), -g->Width(), -g->Height()) : rect;
  if (inner.isEmpty() || !inner.intersects(clip)) return;

  const std::int64_t rowNo = firstVisibleRowNo_ + index - 1;
  const bool current = rowNo == currentRow_ && row.recNo == currentRecNo_ &&
                       (column == currentColumn_ || currentMode_ == kRow);
  const bool selected = !row.empty && IsCellSelected(column, rowNo, row.recNo);
  ColorSpec spec = row.color;
  if (cell && cell->hasColor) spec.Overlay(cell->color);
  const QBrush background = ValueBackground(spec, selected, current, rowNo, row.empty, g);
  p.fillRect(inner, background);
  if (row.empty || !cell) return;

  ValueDraw v;
  v.viewAs = cp.viewAs;
  if (!cp.viewInEveryRow && !(rowNo == currentRow_ && row.recNo == currentRecNo_)) v.viewAs = kText;
  v.value = cell->value;
  v.text = cell->text;
  v.rect = g ? inner.adjusted(g->SpaceLeft(), g->SpaceTop(), -g->SpaceRight(), -g->SpaceBottom()) : inner;
  v.grid = g;
  v.alignment = cp.alignment;
  v.font = cell->font ? cell->font.get() : row.font ? row.font.get() : cp.font;
  v.foreground = ValueForeground(spec, row.deleted, selected, current);
  v.textMode = cp.textMode;
  v.enabled = paintEnabled_;
  v.selected = selected;
  v.current = current;
  v.column = columnOpenList_[std::size_t(column - 1)].get();
  v.columnNo = column;
  v.row = rowNo;
  v.recNo = row.recNo;
  v.readOnly = !editable_ || !v.column->Editable();
  DrawValue(p, v);
}

}  // namespace kt
