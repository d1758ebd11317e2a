// kTable: scroll requests of the two bars and of the mouse wheel. Lines
// reuse the buffered rows and columns and shift the pixels already on
// screen, so only the uncovered strip is painted; pages and thumb jumps
// refill the buffer. The current record never moves by scrolling.
#include <QScrollBar>
#include <QWheelEvent>

#include "grid/event_lock.h"
#include "grid/ktable.h"
#include "platform/gui/pointer.h"
#include "servers/karrayserver.h"

namespace kt {
namespace {

const Symbol kAbsolute("Absolute"), kVertical("Vertical"), kHorizontal("Horizontal"), kData("Data"),
    kDynamicArea("DynamicArea"), kScrollPointer("ScrollPointer"), kScrollThumbDragRefresh("ScrollThumbDragRefresh"),
    kMouseWheelUnitSize("MouseWheelUnitSize"), kFilter("Filter"), kOrderKeyNo("OrderKeyNo");

// Bar actions as scroll request kinds (-1: not a request).
int KindOf(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: return kTable::kLineForward;
    case QAbstractSlider::SliderSingleStepSub: return kTable::kLineBackward;
    case QAbstractSlider::SliderPageStepAdd: return kTable::kPageForward;
    case QAbstractSlider::SliderPageStepSub: return kTable::kPageBackward;
    case QAbstractSlider::SliderMove:
    case QAbstractSlider::SliderToMinimum:
    case QAbstractSlider::SliderToMaximum: return kTable::kThumb;
    default: return -1;
  }
}

}  // namespace

void kTable::ConnectScrollBars() {
  auto wire = [this](QScrollBar* bar, bool vertical) {
    auto request = [this, vertical](int kind, int thumb) {
      GuardedCall([&] {
        if (vertical) VerticalScroll(kind, thumb);
        else HorizontalScroll(kind, thumb);
      });
    };
    QObject::connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar, request](int action) {
      const int kind = KindOf(action);
      if (kind < 0) return;
      // While dragging, the thumb either scrolls live or, with
      // #ScrollThumbDragRefresh, only where it is let go.
      const bool dragging = action == QAbstractSlider::SliderMove && bar->isSliderDown();
      if (dragging && PropertyGet(kScrollThumbDragRefresh, Usual(false)).AsLogic()) return;
      request(kind, bar->sliderPosition());
      if (!bar->isSliderDown()) request(kScrollEnd, 0);
    });
    QObject::connect(bar, &QAbstractSlider::sliderReleased, this, [this, bar, request] {
      if (PropertyGet(kScrollThumbDragRefresh, Usual(false)).AsLogic()) request(kThumb, bar->sliderPosition());
      request(kScrollEnd, 0);
    });
  };
  wire(vScroll_, true);
  wire(hScroll_, false);
}

// While a scroll request runs, the scroll pointer (a property) is shown.
void kTable::BeginScrolling() {
  if (scrolling_) return;
  scrolling_ = true;
  const Usual pointer = PropertyGet(kScrollPointer);
  if (pointer.IsObject())
    if (auto* ptr = dynamic_cast<Pointer*>(pointer.AsObject())) setCursor(ptr->ToQCursor());
}

// ---------------------------------------------------------------------------
// Vertical

void kTable::VerticalScroll(int kind, int thumb) {
  BeginScrolling();
  if (kind == kScrollEnd) {
    unsetCursor();
    UpdateVerticalScrollValues(false, true);
    scrolling_ = false;
    return;
  }
  if (kind < kPageForward || kind > kPageBackward) return;
  LockScope lock(eventLock_);
  if (Used() && !rows_.empty()) ScrollRows(kind, thumb);
  UpdateVerticalScrollValues(false, true);
  RecalculateOpenEditor();
}

void kTable::ScrollRows(int kind, int thumb) {
  const Range window{int(firstVisibleRowNo_), int(lastVisibleRowNo_)};
  switch (kind) {
    case kLineBackward: {
      if (firstVisibleRecNo_ == firstRecNo_) return;
      const int oldCount = visibleRowCount_;
      if (!UpdateVisibleRows(window, Range(window.Min - 1, window.Max - 1))) return;
      if (IsMultipleColorInGrid() || visibleRowCount_ != oldCount) Redraw(Usual(kData));
      else ScrollData(kVertical, rows_.front().height);
      return;
    }
    case kLineForward: {
      if (emptyRowsVisible_) return;
      if (rowMode_ != kAbsolute && firstVisibleRowNo_ + visibleRowCount_ - 2 >= rowCount_) return;
      const int left = rows_.front().height;
      if (!UpdateVisibleRows(window, Range(window.Min + 1, window.Max + 1))) return;
      if (IsMultipleColorInGrid()) Redraw(Usual(kData));
      else ScrollData(kVertical, -left);
      return;
    }
    case kPageBackward:
      PageWindow(false);
      return;
    case kPageForward:
      PageWindow(true);
      return;
    case kThumb:
      ThumbRows(thumb);
      return;
    default:
      return;
  }
}

// The window at the end of the data: the last record in the last but one
// row (the server stands on the new first record).
void kTable::PlaceAtEnd() {
  link_.GoBottom();
  const int back = visibleRowCount_ - (rowMode_ == kAbsolute && skipEOF_ ? 3 : 2);
  if (back > 0) link_.Skip(-back);
}

bool kTable::ServerHidesRecords() {
  if (DeletedHidden()) return true;
  if (auto* array = dynamic_cast<kArrayServer*>(link_.Direct())) return array->HidesRecords();
  const Usual filter = link_.HasAccess(kFilter) ? link_.Access(kFilter) : NIL;
  return filter.IsString() ? !filter.AsStringView().empty() : !filter.IsNil();
}

void kTable::ThumbRows(std::int64_t thumb) {
  const std::int64_t barMin = vScroll_ ? vScroll_->minimum() : 1;
  const std::int64_t barMax = vScroll_ ? vScroll_->maximum() : 1;
  // The bar counts rows from 1 (divided by the scale); its top is row 1.
  const std::int64_t target = thumb <= barMin ? 1 : thumb * vScale_;
  SequenceScope seq(*this);
  const Array saved = RecordSave();
  bool moved = true;
  if (rowMode_ == kAbsolute) {
    // Record numbers say nothing about the place in the order: the thumb
    // moves the window by its distance, top and bottom are exact.
    if (thumb <= barMin) {
      link_.GoTop();
    } else if (thumb >= barMax) {
      PlaceAtEnd();
    } else {
      link_.GoTo(firstVisibleRecNo_);
      link_.Skip((thumb - (vScroll_ ? vScroll_->value() : 0)) * vScale_);
      if (link_.EoF()) PlaceAtEnd();
      else if (link_.BoF()) link_.GoTop();
    }
  } else if (target == firstVisibleRowNo_) {
    moved = false;
  } else {
    const bool filtered = ServerHidesRecords();
    const bool uniform = !ExistRowsWithVariableHeight();
    const std::int64_t last = uniform ? rowCount_ - visibleRowCount_ + 2 : rowCount_;
    if (filtered) {
      if (!hasOrder_) {
        // Row numbers are not reliable under a filter: the record of that
        // number, or the next one the filter lets through.
        link_.GoTo(std::min(target, lastRec_));
      } else {
        // Row numbers are key positions, and the order counts the records
        // the server hides: the window starts at the key of the target row,
        // moved onto a record the view has.
        ThumbToKey(target + std::max<std::int64_t>(1, firstRowNo_) - 1);
      }
      link_.Skip(1);
      link_.Skip(-1);
      if (link_.EoF()) {
        PlaceAtEnd();
      } else if (uniform && visibleRowCount_ > 2) {
        // The last page stays full.
        const std::int64_t candidate = link_.RecNo();
        link_.Skip(visibleRowCount_ - 2);
        if (link_.EoF()) PlaceAtEnd();
        else link_.GoTo(candidate);
      }
    } else if (uniform && target >= last) {
      PlaceAtEnd();
    } else {
      link_.GoTo(firstVisibleRecNo_);
      link_.Skip(std::min(target, std::max<std::int64_t>(1, last)) - firstVisibleRowNo_);
      if (link_.EoF()) PlaceAtEnd();
      else if (link_.BoF()) link_.GoTop();
    }
  }
  const std::int64_t newFirst = link_.RecNo();
  const bool changed = moved && newFirst != firstVisibleRecNo_;
  if (changed) SetWindowFrom(newFirst);
  RecordRestore(saved);
  seq.End();
  if (changed) {
    FillBuffer(NIL, NIL, NIL, NIL, false, StableFill());
    Redraw(Usual(kData));
  }
}

// Puts the server on the record at key position `key` of its order, or the
// nearest one the server lets it reach.
void kTable::ThumbToKey(std::int64_t key) {
  if (key <= 1) {
    link_.GoTop();
    return;
  }
  if (link_.HasAssign(kOrderKeyNo)) {
    link_.Assign(kOrderKeyNo, Usual(key));
    return;
  }
  // Step by step from the nearer end, until the key position is reached.
  auto keyNo = [this] {
    const Usual n = link_.Access(kOrderKeyNo);
    return n.IsNumeric() ? n.AsInteger() : std::int64_t(-1);
  };
  if (key < 7) {
    link_.GoTop();
    for (std::int64_t n = keyNo(); n >= 0 && n < key && !link_.EoF(); n = keyNo()) link_.Skip(1);
  } else {
    link_.GoBottom();
    for (std::int64_t n = keyNo(); n > key && !link_.BoF(); n = keyNo()) link_.Skip(-1);
  }
}

void kTable::SetFirstRow(std::int64_t row) {
  if (row <= 0 || !Used()) return;
  const Range window{int(firstVisibleRowNo_), int(lastVisibleRowNo_)};
  if (UpdateVisibleRows(window, Range(int(row), int(row) + visibleRowCount_ - 1))) Redraw(Usual(kData));
  UpdateVerticalScrollValues(false, true);
}

// ---------------------------------------------------------------------------
// Horizontal

void kTable::HorizontalScroll(int kind, int thumb) {
  BeginScrolling();
  if (kind == kScrollEnd) {
    unsetCursor();
    UpdateHorizontalScrollValues(false, true);
    scrolling_ = false;
    return;
  }
  if (kind < kPageForward || kind > kPageBackward) return;
  const int count = ColumnOpenCount();
  if (firstVisibleColumn_ < 1 || count <= freeze_) return;
  LockScope lock(eventLock_);
  const int first = firstVisibleColumn_, last = lastVisibleColumn_;
  const bool lastPartial = !IsColumnVisible(last, false);
  const bool canRight = last < count || (lastPartial && last > first);
  switch (kind) {
    case kLineBackward:
      if (first > freeze_ + 1) MoveColumns(first - 1);
      break;
    case kPageBackward: {
      if (first <= freeze_ + 1) break;
      int c = first, sum = 0;
      while (c - 1 > freeze_ && sum + ColumnWidth(c - 1) <= dynamicArea_.Width()) sum += ColumnWidth(--c);
      MoveColumns(c == first ? first - 1 : c);
      break;
    }
    case kLineForward:
      if (canRight && first < count) MoveColumns(first + 1);
      break;
    case kPageForward: {
      if (!canRight) break;
      int target;
      if (!lastPartial || last == first) target = last + 1;
      else target = std::min(last, std::max(first + 1, GetFirstVisibleColumn(count)));
      if (target <= count) MoveColumns(target);
      break;
    }
    case kThumb: {
      const std::int64_t pixel = std::int64_t(thumb) * hScale_;
      std::int64_t x = 0;
      int target = count;
      for (int c = freeze_ + 1; c <= count; ++c) {
        if (x >= pixel) {
          target = c;
          break;
        }
        x += ColumnWidth(c);
      }
      MoveColumns(target);
      break;
    }
    default:
      break;
  }
  UpdateHorizontalScrollValues(false, true);
  RecalculateOpenEditor();
}

// Makes `first` the first scrolling column, shifting what stays visible.
bool kTable::MoveColumns(int first) {
  const int count = ColumnOpenCount();
  first = std::clamp(first, freeze_ + 1, count);
  const int oldFirst = firstVisibleColumn_, oldLast = lastVisibleColumn_;
  if (first == oldFirst) return false;
  // Pixels the columns move: positive to the right.
  int shift = 0;
  for (int c = std::min(first, oldFirst); c < std::max(first, oldFirst); ++c) shift += ColumnWidth(c);
  if (first > oldFirst) shift = -shift;
  const int oldLastLeft = dataArea_.left + ColumnX(oldLast);
  const bool oldLastPartial = !IsColumnVisible(oldLast, false);
  UpdateVisibleColumns(Range(oldFirst, oldLast), Range(first, GetLastVisibleColumn(first)));
  const GridRect band{dynamicArea_.left, captionArea_.top, dynamicArea_.right, footerArea_.bottom};
  if (IsInfoVisible() || std::abs(shift) >= dynamicArea_.Width()) {
    Redraw(Usual(kDynamicArea));
    return true;
  }
  ScrollData(kHorizontal, shift);
  if (shift < 0 && oldLastPartial) {
    // The column that was cut off at the right shows its hidden part now.
    const int from = std::max(band.left, std::min(oldLastLeft + shift, band.right + shift));
    update(QRect(QPoint(from, band.top), QPoint(band.right - 1, band.bottom - 1)));
  }
  return true;
}

bool kTable::UpdateVisibleColumns(const Range& oldRange, const Range& newRange) {
  const bool changed = oldRange.Min != newRange.Min || oldRange.Max != newRange.Max;
  firstVisibleColumn_ = newRange.Min;
  lastVisibleColumn_ = newRange.Max;
  if (newRange.Min < 1 || newRange.Max < newRange.Min) {
    scrollCells_.clear();
    return changed;
  }
  const int n = newRange.Max - newRange.Min + 1;
  const bool used = Used() && !rows_.empty();
  auto fill = [&](int from, int to) {
    if (used && from <= to) FillBuffer(Usual(from), Usual(to), NIL, NIL, false, true);
  };
  if (scrollCells_.empty() || oldRange.Min < 1) {
    ResizeBuffer(Usual(n), NIL);
    fill(newRange.Min, newRange.Max);
  } else if (newRange.Min >= oldRange.Min && newRange.Min <= oldRange.Max) {
    const std::size_t k = std::min(scrollCells_.size(), std::size_t(newRange.Min - oldRange.Min));
    scrollCells_.erase(scrollCells_.begin(), scrollCells_.begin() + std::ptrdiff_t(k));
    ResizeBuffer(Usual(n), NIL);
    fill(std::max(oldRange.Max + 1, newRange.Min), newRange.Max);
  } else if (newRange.Min < oldRange.Min && newRange.Max >= oldRange.Min) {
    const std::size_t k = std::size_t(oldRange.Min - newRange.Min);
    scrollCells_.insert(scrollCells_.begin(), k, std::vector<Cell>());
    ResizeBuffer(Usual(n), NIL);
    fill(newRange.Min, oldRange.Min - 1);
    fill(oldRange.Max + 1, newRange.Max);
  } else {
    scrollCells_.clear();
    ResizeBuffer(Usual(n), NIL);
    fill(newRange.Min, newRange.Max);
  }
  return changed;
}

void kTable::SetFirstColumn(int column) {
  if (column < 1 || column > ColumnOpenCount()) return;
  if (column <= freeze_) column = freeze_ + 1;
  if (column > ColumnOpenCount()) return;
  const int last = GetLastVisibleColumn(column);
  if (column != firstVisibleColumn_ || last != lastVisibleColumn_) {
    UpdateVisibleColumns(Range(firstVisibleColumn_, lastVisibleColumn_), Range(column, last));
    Redraw(Usual(kDynamicArea));
  }
  UpdateHorizontalScrollValues(false, true);
}

void kTable::SetLastColumn(int column) {
  if (column < 1 || column > ColumnOpenCount()) return;
  SetFirstColumn(GetFirstVisibleColumn(column));
}

// ---------------------------------------------------------------------------
// Mouse wheel

void kTable::WheelScroll(int notches, bool page) {
  if (notches == 0) return;
  const int kind = notches < 0 ? (page ? kPageForward : kLineForward) : (page ? kPageBackward : kLineBackward);
  const Usual unit = PropertyGet(kMouseWheelUnitSize, Usual(1));
  const int steps = page ? 1 : std::clamp(int(unit.IsNumeric() ? unit.AsInteger() : 1), 0, 1000);
  for (int i = 0; i < steps; ++i) VerticalScroll(kind);
  VerticalScroll(kScrollEnd);
}

void kTable::wheelEvent(QWheelEvent* e) {
  // One step per message, whatever the size of the delta.
  int delta = e->angleDelta().y();
  const bool shift = e->modifiers() & Qt::ShiftModifier;
  if (delta == 0 && shift) delta = e->angleDelta().x();  // some systems turn Shift+wheel sideways
  e->accept();
  if (delta == 0 || eventLock_) return;
  GuardedCall([&] { WheelScroll(delta < 0 ? -1 : 1, shift); });
}

}  // namespace kt
