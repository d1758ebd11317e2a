// kTable: the values of the two scroll bars (range, page, thumb position,
// visibility) and shifting pixels of the data area. Scroll requests from the
// bars themselves are handled with scrolling.
#include <QScrollBar>

#include "grid/ktable.h"

namespace kt {
namespace {

const Symbol kNone("None"), kAlways("Always"), kAuto("Auto"), kAbsolute("Absolute"), kVertical("Vertical"),
    kHorizontal("Horizontal");

// Values above 16 bits are scaled down, as the thumb position is.
void Scale(std::int64_t n, int& scale, std::int64_t& maximum) {
  if (n < 0x10000) {
    scale = 1;
    maximum = std::max<std::int64_t>(0, n);
    return;
  }
  scale = int((n - 1) / 0xFFFF + ((n - 1) % 0xFFFF ? 1 : 0));
  maximum = n / scale;
}

// Applies the bar's mode; answers whether its visibility changed.
bool ApplyMode(QScrollBar* bar, Symbol mode, std::int64_t page, std::int64_t maximum) {
  const bool wasVisible = !bar->isHidden();
  bool visible = wasVisible;
  if (mode == kNone) visible = false;
  else if (mode == kAlways) visible = true;
  else if (page < maximum) visible = true;
  else if (maximum < page) visible = false;
  if (visible != wasVisible) bar->setVisible(visible);
  return visible != wasVisible;
}

}  // namespace

void kTable::UpdateVerticalScrollValues(bool range, bool position) {
  if (!vScroll_) return;
  bool changed = false;
  if (range) {
    std::int64_t maximum = 0;
    Scale(rowCount_, vScale_, maximum);
    const std::int64_t page =
        ExistRowsWithVariableHeight() ? 1 : std::max(0, (DataHeight() / std::max(1, rowHeight_)) / vScale_);
    vScroll_->setRange(1, int(std::max<std::int64_t>(1, maximum - page + 1)));
    vScroll_->setPageStep(int(std::max<std::int64_t>(1, page)));
    changed = ApplyMode(vScroll_, vScrollMode_, page, maximum);
  }
  if (position) {
    std::int64_t pos = 0;
    if (!rows_.empty()) {
      const bool firstShown = rows_.front().recNo == firstRecNo_;
      if (rowMode_ == kAbsolute) {
        // Record numbers say nothing about the place in the order: top,
        // middle or bottom only.
        const std::int64_t half = std::max<std::int64_t>(1, rowCount_ / 2);
        const bool currentInLast = !rows_.empty() && rows_.back().recNo == currentRecNo_;
        if (firstShown && !emptyRowsVisible_) pos = 1;
        else if (firstShown) pos = currentRecNo_ == firstRecNo_ ? 1 : (currentRecNo_ == lastRecNo_ || currentInLast) ? rowCount_ : half;
        else pos = emptyRowsVisible_ ? rowCount_ : half;
      } else if (!emptyRowsVisible_) {
        pos = firstVisibleRowNo_;
      } else {
        pos = rowCount_;
        if (firstVisibleRowNo_ == 1) {
          const int i = BufferPos(currentRecNo_);
          const bool nearEnd = i > 0 && (rows_[std::size_t(i - 1)].empty || (std::size_t(i) < rows_.size() && rows_[std::size_t(i)].empty));
          if (!(currentRow_ > 1 && nearEnd)) pos = 1;
        }
      }
      if (pos > 1) pos /= vScale_;
    }
    const QSignalBlocker block(vScroll_);
    vScroll_->setValue(int(std::min<std::int64_t>(pos, 0x7FFFFFFF)));
  }
  if (changed) Recalculate();
}

void kTable::UpdateHorizontalScrollValues(bool range, bool position) {
  if (!hScroll_) return;
  bool changed = false;
  if (range) {
    std::int64_t total = 0;
    for (int c = freeze_ + 1; c <= ColumnOpenCount(); ++c) total += ColumnWidth(c);
    std::int64_t maximum = 0;
    Scale(total, hScale_, maximum);
    const std::int64_t page = std::max(0, dynamicArea_.Width()) / hScale_;
    hScroll_->setRange(0, int(std::max<std::int64_t>(0, maximum - page)));
    hScroll_->setPageStep(int(std::max<std::int64_t>(1, page)));
    changed = ApplyMode(hScroll_, hScrollMode_, page, maximum);
  }
  if (position) {
    std::int64_t x = 0;
    for (int c = freeze_ + 1; c < firstVisibleColumn_; ++c) x += ColumnWidth(c);
    const QSignalBlocker block(hScroll_);
    hScroll_->setValue(int(x / hScale_));
  }
  if (changed) {
    Recalculate();
    Redraw();
  }
}

void kTable::VerticalScrollBarMode(Symbol mode) {
  vScrollMode_ = mode;
  UpdateVerticalScrollValues(true, true);
}

void kTable::HorizontalScrollBarMode(Symbol mode) {
  hScrollMode_ = mode;
  UpdateHorizontalScrollValues(true, true);
}

void kTable::ScrollData(Symbol direction, int pixels) {
  if (pixels == 0) return;
  GridRect r;
  if (direction == kVertical) {
    r = dataArea_;
    if (selector_) r.left = selectorArea_.left;
    scroll(0, pixels, r.ToQRect());
  } else if (direction == kHorizontal) {
    r = {dynamicArea_.left, captionArea_.top, dynamicArea_.right, footerArea_.bottom};
    scroll(pixels, 0, r.ToQRect());
  }
}

bool kTable::IsMultipleColorInGrid() const {
  if (const kGrid* g = dataView_ ? dataView_->Grid().get() : nullptr; g && g->HasBackgrounds()) return true;
  for (const ColumnLoop& loop : GetColumnLoops())
    for (int c = loop.first; c <= loop.last; ++c) {
      const Ref<kGrid> g = columnOpenList_[std::size_t(c - 1)]->Grid();
      if (g && g->HasBackgrounds()) return true;
    }
  return false;
}

}  // namespace kt
