// kTable: invalidating areas for repainting, and the paint handler. Drawing
// reads only the row buffer.
#include <QPaintEvent>
#include <QPainter>

#include "grid/ktable.h"

namespace kt {
namespace {

const Symbol kAll("All"), kData("Data"), kDynamicArea("DynamicArea"), kCaption("Caption"), kFooter("Footer"),
    kSelector("Selector"), kSelectorState("SelectorState"), kInfo("Info"), kCurrent("Current"), kFromLine("FromLine"),
    kFromColumn("FromColumn"), kCell("Cell"), kSelection("Selection"), kFocus("Focus");

}  // namespace

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
  if (s == kData || s == kSelection) {
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
  } else if (s == kCell) {
    const int column = int(arg1.AsInteger());
    const std::int64_t row = arg2.AsInteger();
    const std::int64_t i = row - firstVisibleRowNo_ + 1;
    if (i >= 1 && i <= std::int64_t(rows_.size()) && GetCellRect(column, row, rows_[std::size_t(i - 1)].recNo, r))
      update(r.ToQRect());
  } else {
    update();
  }
}

void kTable::paintEvent(QPaintEvent* e) {
  // The full drawing of caption, cells and grid lines comes with rendering;
  // until then the grid paints its background so that it is usable.
  QPainter painter(this);
  painter.fillRect(e->rect(), palette().base());
}

}  // namespace kt
