// kTable: invalidating areas for repainting, and the paint cycle with the
// parts around the cells: background, selector, caption and footer bands,
// information block and focus rectangle. Drawing reads only the row buffer
// and the styles, never the server.
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <qdrawutil.h>

#include "grid/event_lock.h"
#include "grid/ktable.h"

namespace kt {
namespace {

const Symbol kAll("All"), kData("Data"), kDynamicArea("DynamicArea"), kCaption("Caption"), kFooter("Footer"),
    kSelector("Selector"), kSelectorState("SelectorState"), kInfo("Info"), kCurrent("Current"), kFromLine("FromLine"),
    kFromColumn("FromColumn"), kCellSym("Cell"), kSelection("Selection"), kFocus("Focus"), kValueViewList("ValueViewList"),
    kRow("Row");

QColor Sys(int index) { return SysQColor(index); }

// The text of a caption or footer value; other values through the column.
std::string BandText(const Usual& v, kDataColumn* column) {
  if (v.IsNil()) return {};
  if (v.IsString()) return std::string(v.AsStringView());
  if (v.IsObject()) return {};
  return column ? column->Transform(v) : std::string();
}

}  // namespace

// ---------------------------------------------------------------------------
// Redraw

void kTable::RedrawRow(std::int64_t row) {
  if (row <= 0) return;
  const std::int64_t i = row - firstVisibleRowNo_ + 1;
  if (i < 1 || i > std::int64_t(rows_.size())) return;
  GridRect r;
  if (GetRowRect(row, rows_[std::size_t(i - 1)].recNo, r)) {
    r.left = std::min(r.left, selectorArea_.left);
    update(r.ToQRect());
  }
}

void kTable::Redraw(const Usual& area, const Usual& arg1, const Usual& arg2) {
  if (!area.IsSymbol() || area.AsSymbol() == kAll) {
    update();
    return;
  }
  const Symbol s = area.AsSymbol();
  GridRect r;
  if (s == kSelection) {
    RedrawSelection();
  } else if (s == kData) {
    r = dataArea_;
    r.left = std::min(r.left, selectorArea_.left);
    update(r.ToQRect());
  } else if (s == kDynamicArea) {
    r = {dynamicArea_.left, captionArea_.top, dynamicArea_.right, footerArea_.bottom};
    update(r.ToQRect());
  } else if (s == kCaption) {
    update(captionArea_.ToQRect());
  } else if (s == kFooter) {
    update(footerArea_.ToQRect());
  } else if (s == kSelector || s == kSelectorState) {
    update(selectorArea_.ToQRect());
  } else if (s == kInfo) {
    if (GetInfoRect(serverState_, r)) update(r.ToQRect());
  } else if (s == kCurrent || s == kFocus) {
    RedrawRow(currentRow_);
  } else if (s == kFromLine) {
    const std::int64_t row = arg2.IsNumeric() ? arg2.AsInteger() : arg1.AsInteger();
    const std::int64_t i = row - firstVisibleRowNo_ + 1;
    r = dataArea_;
    r.left = std::min(r.left, selectorArea_.left);
    if (i >= 1 && i <= std::int64_t(rows_.size())) r.top = dataArea_.top + RowTop(int(i));
    update(r.ToQRect());
  } else if (s == kFromColumn) {
    const int column = int(arg2.IsNumeric() ? arg2.AsInteger() : arg1.AsInteger());
    GridRect c;
    r = {dataArea_.left, captionArea_.top, dataArea_.right, footerArea_.bottom};
    if (GetColumnRect(column, c)) r.left = std::max(r.left, std::min(c.left, r.right));
    update(r.ToQRect());
  } else if (s == kCellSym) {
    const int column = int(arg1.AsInteger());
    const std::int64_t row = arg2.AsInteger();
    const std::int64_t i = row - firstVisibleRowNo_ + 1;
    if (i >= 1 && i <= std::int64_t(rows_.size()) && GetCellRect(column, row, rows_[std::size_t(i - 1)].recNo, r))
      update(r.ToQRect());
  } else {
    update();
  }
}

// ---------------------------------------------------------------------------
// The paint cycle

bool kTable::IsActive() const { return hasFocus(); }

QColor kTable::TextColor() const { return Sys(paintEnabled_ ? syscolor::WindowText : syscolor::GrayText); }

void kTable::paintEvent(QPaintEvent* e) {
  LockScope lock(eventLock_);
  QPainter p(this);
  const QRect r = e->rect();
  paintEnabled_ = isEnabled();
  paintActive_ = IsActive();
  valueViewList_.clear();
  const Usual list = PropertyGet(kValueViewList);
  if (list.IsArray())
    for (const Usual& v : list.AsArray().Items())
      if (v.IsSymbol()) valueViewList_.push_back(v.AsSymbol());
  p.setPen(TextColor());

  DrawBackground(p, r);
  if (selector_) DrawSelector(p, r);
  const bool columns = ColumnOpenCount() > 0;
  if (columns && captionHeight_ > 0 && r.intersects(captionArea_.ToQRect()))
    DrawBand(p, r & captionArea_.ToQRect(), ViewArea::Caption);
  if (IsInfoVisible()) {
    DrawInfo(p, r);
  } else if (columns && r.intersects(dataArea_.ToQRect())) {
    PrepareColumns();
    DrawGrid(p, r);
    DrawData(p, r & dataArea_.ToQRect());
  }
  if (columns && footerHeight_ > 0 && r.intersects(footerArea_.ToQRect()))
    DrawBand(p, r & footerArea_.ToQRect(), ViewArea::Footer);
  if (paintActive_) DrawFocus(p, r);
}

void kTable::DrawBackground(QPainter& p, const QRect& r) {
  QBrush brush = Sys(syscolor::Window);
  if (paintEnabled_ && dataView_ && dataView_->Background()) brush = dataView_->Background()->ToQBrush();
  if (brush.style() == Qt::NoBrush) brush = Sys(syscolor::Window);
  const bool used = serverState_ == 0 && !rows_.empty();
  if (ColumnOpenCount() == 0 || !used || IsInfoVisible()) {
    p.fillRect(r, brush);
    return;
  }
  // The cells paint themselves; only what lies around them is filled here.
  int width = 0;
  for (const ColumnLoop& loop : GetColumnLoops())
    for (int c = loop.first; c <= loop.last; ++c) width += ColumnWidth(c);
  int height = 0;
  for (const RowInfo& row : rows_) {
    if (row.empty && !gridInEmptyArea_) break;
    height += row.height;
  }
  // With grid lines in the empty area the data rows reach the bottom; the
  // space right of the columns is still background.
  if (gridInEmptyArea_) height = std::max(height, DataHeight());
  const int right = std::min(dataArea_.right, dataArea_.left + width);
  QRegion region(r);
  region -= QRect(QPoint(selectorArea_.left, captionArea_.top),
                  QPoint(right - 1, std::min(dataArea_.bottom, dataArea_.top + height) - 1));
  if (footerHeight_ > 0) region -= QRect(QPoint(footerArea_.left, footerArea_.top), QPoint(right - 1, footerArea_.bottom - 1));
  if (selector_) region -= selectorArea_.ToQRect();
  for (const QRect& part : region) p.fillRect(part, brush);
}

// ---------------------------------------------------------------------------
// Selector

void kTable::DrawSelector(QPainter& p, const QRect& r) {
  const QRect area = selectorArea_.ToQRect();
  if (!r.intersects(area)) return;
  p.save();
  p.setClipRect(area & r);
  p.fillRect(area, Sys(syscolor::BtnFace));
  if (captionHeight_ > 0)
    qDrawWinButton(&p, QRect(area.left(), captionArea_.top, area.width(), captionArea_.Height()), palette(), false);
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const RowInfo& row = rows_[i];
    const std::int64_t rowNo = firstVisibleRowNo_ + std::int64_t(i);
    const bool current = rowNo == currentRow_ && row.recNo == currentRecNo_;
    if (row.empty && !current) continue;
    GridRect cell;
    if (!GetSelectorRect(rowNo, row.recNo, cell) || !r.intersects(cell.ToQRect())) continue;
    qDrawWinButton(&p, cell.ToQRect(), palette(), false);
    DrawSelectorState(p, rowNo, row.recNo, current);
  }
  p.restore();
}

void kTable::DrawSelectorState(QPainter& p, std::int64_t row, std::int64_t recNo, bool current) {
  GridRect cell;
  if (!GetSelectorRect(row, recNo, cell)) return;
  // Inside the button frame.
  const QRect inner = cell.ToQRect().adjusted(2, 2, -2, -2);
  if (inner.width() <= 0 || inner.height() <= 0) return;
  p.fillRect(inner, Sys(syscolor::BtnFace));
  if (!current) return;
  const kGrid* g = dataView_ ? dataView_->Grid().get() : nullptr;
  const int top = inner.top() + (g ? g->SpaceTop() : 0);
  const int bottom = inner.bottom() - (g ? g->SpaceBottom() : 0);
  int h = std::min({bottom - top + 1, inner.width() * 2 - 1, 9});
  if (h % 2 == 0) --h;
  if (h < 1) return;
  const int w = (h + 1) / 2;
  const int vertical = align::Vertical(dataView_ ? dataView_->Alignment() : 0);
  int y = top;
  if (vertical == 3) y = top + (bottom - top + 1 - h) / 2;
  else if (vertical == 2) y = bottom - h + 1;
  const int x = inner.left() + (inner.width() - w) / 2;
  const QColor ink = Sys(paintEnabled_ ? syscolor::WindowText : syscolor::GrayText);
  const RowInfo* info = nullptr;
  if (const int i = BufferPos(recNo); i > 0) info = &rows_[std::size_t(i - 1)];
  if (info && info->empty) {
    // The row beyond the last record: a square instead of the arrow.
    p.fillRect(QRect(inner.left() + (inner.width() - h) / 2, y, h, h), ink);
    return;
  }
  // An arrow pointing right: vertical lines getting shorter.
  for (int k = 0; k < w; ++k) p.fillRect(QRect(x + k, y + k, 1, h - 2 * k), ink);
}

// ---------------------------------------------------------------------------
// Caption, footer and information block

void kTable::DrawFramedCell(QPainter& p, const kGrid* grid, const Brush* brush, const QRect& r, bool haveBrush) {
  const int style = grid ? grid->Style() : 0;
  QBrush fill = haveBrush && brush ? brush->ToQBrush() : QBrush();
  if (fill.style() == Qt::NoBrush) fill = Sys(syscolor::Window);
  const QColor ink = grid && grid->Foreground() ? grid->Foreground()->ToQColor() : QColor(Qt::black);
  const int left = r.left(), top = r.top(), right = r.left() + r.width(), bottom = r.top() + r.height();
  auto hline = [&](int x0, int x1, int y) { p.fillRect(QRect(x0, y, x1 - x0, 1), ink); };
  auto vline = [&](int x, int y0, int y1) { p.fillRect(QRect(x, y0, 1, y1 - y0), ink); };
  switch (style) {
    case kGrid::StyleLines:
      p.fillRect(r, fill);
      hline(left - 1, right, top);
      hline(left - 1, right, bottom - 1);
      vline(left - 1, top, bottom);
      vline(right - 1, top, bottom);
      break;
    case kGrid::StyleHorizontal:
      p.fillRect(r, fill);
      hline(left, right, top);
      hline(left, right, bottom - 1);
      break;
    case kGrid::StyleVertical:
      p.fillRect(r, fill);
      vline(left - 1, top, bottom);
      vline(right - 1, top, bottom);
      break;
    case kGrid::StyleButton:
      {
        const QBrush face(Sys(syscolor::BtnFace));
        qDrawWinButton(&p, r, palette(), false, &face);
      }
      if (haveBrush && brush) p.fillRect(r.adjusted(2, 2, -2, -2), fill);
      break;
    default:
      p.fillRect(r, fill);
      break;
  }
}

void kTable::DrawBand(QPainter& p, const QRect& r, ViewArea area) {
  const bool caption = area == ViewArea::Caption;
  p.save();
  p.setClipRect(r);
  for (const ColumnLoop& loop : GetColumnLoops())
    for (int c = loop.first; c <= loop.last; ++c) {
      GridRect cr;
      if (!(caption ? GetCaptionRect(c, cr) : GetFooterRect(c, cr))) continue;
      const QRect q = cr.ToQRect();
      if (!q.intersects(r)) continue;
      kDataColumn* column = columnOpenList_[std::size_t(c - 1)].get();
      if (!(caption ? column->CaptionVisible() : column->FooterVisible())) {
        p.fillRect(q, Sys(syscolor::BtnFace));
        continue;
      }
      const Ref<kGrid> grid = GetColumnGrid(area, column);
      const Ref<Brush> brush = GetColumnBackground(area, column);
      DrawFramedCell(p, grid.get(), brush.get(), q, bool(brush) || !grid || grid->Style() != kGrid::StyleButton);
      ValueDraw v;
      v.value = caption ? column->Caption() : column->Footer();
      const std::string text = BandText(v.value, column);
      v.text = text;
      if (v.value.IsString()) v.viewAs = Symbol("Text");
      const int gw = grid ? grid->Width() : 0, gh = grid ? grid->Height() : 0;
      v.rect = q.adjusted(gw + (grid ? grid->SpaceLeft() : 0), gh + (grid ? grid->SpaceTop() : 0),
                          -(gw + (grid ? grid->SpaceRight() : 0)), -(gh + (grid ? grid->SpaceBottom() : 0)));
      v.grid = grid.get();
      v.alignment = GetColumnAlignment(area, column);
      // Without a band font the text keeps the paint's font, the data
      // view's: the one the column's width and the band's height are for.
      Ref<kt::Font> font = GetColumnFont(area, column);
      if (!font) font = Font();
      v.font = font.get();
      const Ref<Color> fg = GetColumnForeground(area, column);
      v.foreground = !paintEnabled_ ? Sys(syscolor::GrayText) : fg ? fg->ToQColor() : Sys(syscolor::BtnText);
      v.enabled = paintEnabled_;
      v.column = column;
      v.columnNo = c;
      DrawValue(p, v);
    }
  p.restore();
}

void kTable::DrawInfo(QPainter& p, const QRect& r) {
  GridRect ir;
  if (!GetInfoRect(serverState_, ir)) return;
  const QRect q = ir.ToQRect();
  if (!q.intersects(r)) return;
  const Ref<kGrid> grid = GetInfoGrid(serverState_);
  const Ref<Brush> brush = GetInfoBackground(serverState_);
  const Ref<kt::Font> font = GetInfoFont(serverState_);
  const Ref<Color> fg = GetInfoForeground(serverState_);
  p.save();
  p.setClipRect(r);
  DrawFramedCell(p, grid.get(), brush.get(), q, true);
  ValueDraw v;
  v.viewAs = Symbol("Text");
  v.value = infoText_[serverState_ - 1];
  const std::string text = BandText(v.value, nullptr);
  v.text = text;
  const int gw = grid ? grid->Width() : 0, gh = grid ? grid->Height() : 0;
  v.rect = q.adjusted(gw + (grid ? grid->SpaceLeft() : 0), gh + (grid ? grid->SpaceTop() : 0),
                      -(gw + (grid ? grid->SpaceRight() : 0)), -(gh + (grid ? grid->SpaceBottom() : 0)));
  v.grid = grid.get();
  v.alignment = GetInfoAlignment(serverState_);
  v.font = font.get();
  v.foreground = !paintEnabled_ ? Sys(syscolor::GrayText) : fg ? fg->ToQColor() : TextColor();
  v.textMode = 3;
  v.enabled = paintEnabled_;
  DrawValue(p, v);
  p.restore();
}

// ---------------------------------------------------------------------------
// Focus

void kTable::DrawFocus(QPainter& p, const QRect& r) {
  QRect q;
  if (IsInfoVisible()) {
    GridRect ir;
    if (!GetInfoRect(serverState_, ir)) return;
    const Ref<kGrid> g = GetInfoGrid(serverState_);
    q = ir.ToQRect();
    if (g) q.adjust(g->Width(), g->Height(), -g->Width(), -g->Height());
  } else {
    if (currentColumn_ < 1 || currentColumn_ > ColumnOpenCount() || !IsColumnVisible(currentColumn_)) return;
    const std::int64_t i = currentRow_ - firstVisibleRowNo_ + 1;
    if (currentRow_ <= 0 || i < 1 || i > std::int64_t(rows_.size()) || rows_[std::size_t(i - 1)].recNo != currentRecNo_)
      return;
    GridRect cr;
    if (!GetCellRect(currentColumn_, currentRow_, currentRecNo_, cr)) return;
    q = cr.ToQRect();
    if (const Ref<kGrid> g = GetColumnGrid(ViewArea::Data, columnOpenList_[std::size_t(currentColumn_ - 1)].get()))
      q.adjust(g->Width(), g->Height(), -g->Width(), -g->Height());
  }
  if (q.width() <= 0 || q.height() <= 0 || !q.intersects(r)) return;
  p.save();
  p.setClipRect(r & dataArea_.ToQRect());
  QPen pen(TextColor());
  pen.setStyle(Qt::DotLine);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  p.drawRect(q.adjusted(0, 0, -1, -1));
  p.restore();
}

}  // namespace kt
