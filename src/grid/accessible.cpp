// kTable for screen readers. Every answer comes from the row buffer and the
// column list, never from the server: assistive tools ask at any moment,
// also while the grid is in the middle of its own work.
#include "grid/accessible.h"

#include <QApplication>
#include <QWidget>
#include <algorithm>
#include <limits>

#include "grid/ktable.h"
#include "platform/gui/guard.h"

namespace kt {
namespace {

const Symbol kAbsolute("Absolute"), kMultiple("Multiple"), kRowMode("Row");

QString Utf8(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

QRect ToGlobal(const kTable& grid, const GridRect& r) {
  return QRect(grid.mapToGlobal(QPoint(r.left, r.top)), QSize(r.Width(), r.Height()));
}

// The caption as the caption band shows it: its text, or nothing for a
// picture.
QString CaptionText(kDataColumn& column) {
  QString text;
  GuardedCall([&] {
    const Usual caption = column.Caption();
    if (caption.IsNil() || caption.IsObject()) return;
    text = caption.IsString() ? Utf8(caption.AsStringView()) : Utf8(column.Transform(caption));
  });
  return text;
}

// The column of the cursor; the first column where it stands on none.
int CursorColumn(const kTable& grid) {
  const int c = grid.CurrentColumn();
  return c >= 1 && c <= grid.ColumnOpenCount() ? c : 1;
}

class GridHeaderAccessible : public QAccessibleInterface {
 public:
  GridHeaderAccessible(const GridAccessible* table, int column) : table_(table), column_(column) {}
  bool isValid() const override {
    const kTable* g = table_->Grid();
    return g && column_ <= g->ColumnOpenCount();
  }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return table_->window(); }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override { return const_cast<GridAccessible*>(table_); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override {
    return t == QAccessible::Name ? table_->columnDescription(column_ - 1) : QString();
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    const kTable* g = table_->Grid();
    GridRect r;
    if (!g || g->CaptionHeight() <= 0 || !g->GetCaptionRect(column_, r)) return QRect();
    return ToGlobal(*g, r);
  }
  QAccessible::Role role() const override { return QAccessible::ColumnHeader; }
  const GridAccessible* Table() const { return table_; }
  int Column() const { return column_; }
  QAccessible::State state() const override {
    QAccessible::State s;
    const kTable* g = table_->Grid();
    if (!g || g->CaptionHeight() <= 0 || !g->IsColumnVisible(column_)) s.invisible = true;
    return s;
  }

 private:
  const GridAccessible* table_;
  int column_;
};

class GridCellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
 public:
  GridCellAccessible(const GridAccessible* table, std::int64_t recNo, int column)
      : table_(table), recNo_(recNo), column_(column) {}

  bool isValid() const override { return table_->Grid() != nullptr; }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return table_->window(); }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override { return const_cast<GridAccessible*>(table_); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  void setText(QAccessible::Text, const QString&) override {}
  QAccessible::Role role() const override { return QAccessible::Cell; }
  void* interface_cast(QAccessible::InterfaceType t) override {
    return t == QAccessible::TableCellInterface ? static_cast<QAccessibleTableCellInterface*>(this) : nullptr;
  }

  // A cell whose record left the buffer answers empty text until it comes
  // back.
  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Name) return QString();
    const kTable* g = table_->Grid();
    const int pos = Position();
    const Cell* cell = g && pos > 0 ? g->BufferedCell(column_, pos) : nullptr;
    return cell ? Utf8(cell->text) : QString();
  }
  QRect rect() const override {
    const kTable* g = table_->Grid();
    GridRect r;
    if (!g || Position() == 0 || !g->GetCellRect(column_, Row(), recNo_, r)) return QRect();
    return ToGlobal(*g, r);
  }
  QAccessible::State state() const override {
    QAccessible::State s;
    const kTable* g = table_->Grid();
    if (!g) {
      s.invalid = true;
      return s;
    }
    if (Position() == 0 || column_ > g->ColumnOpenCount()) {
      s.invisible = true;
      return s;
    }
    const std::int64_t row = Row();
    s.selectable = s.focusable = g->IsCellSelectable(column_, row, recNo_);
    s.selected = g->IsCellSelected(column_, row, recNo_);
    s.focused = g->hasFocus() && recNo_ == g->CurrentRecNo() && column_ == CursorColumn(*g);
    s.readOnly = !g->Editable();
    if (!g->IsCellVisible(column_, row, recNo_)) s.offscreen = true;
    return s;
  }

  // QAccessibleTableCellInterface
  bool isSelected() const override {
    const kTable* g = table_->Grid();
    return g && Position() > 0 && g->IsCellSelected(column_, Row(), recNo_);
  }
  QList<QAccessibleInterface*> columnHeaderCells() const override {
    QList<QAccessibleInterface*> list;
    if (QAccessibleInterface* h = table_->Header(column_)) list.append(h);
    return list;
  }
  QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
  int columnIndex() const override { return column_ - 1; }
  int rowIndex() const override { return Position() > 0 ? int(Row() - 1) : -1; }
  int columnExtent() const override { return 1; }
  int rowExtent() const override { return 1; }
  QAccessibleInterface* table() const override { return parent(); }

  const GridAccessible* Table() const { return table_; }
  std::int64_t RecNo() const { return recNo_; }
  int Column() const { return column_; }
  // Buffer position of the record, 0 when it is not buffered.
  int Position() const {
    const kTable* g = table_->Grid();
    if (!g) return 0;
    const int pos = g->BufferPos(recNo_);
    return pos > 0 && pos <= table_->BufferedRecords() ? pos : 0;
  }
  std::int64_t Row() const {
    const kTable* g = table_->Grid();
    return g ? g->FirstVisibleRowNo() + Position() - 1 : 0;
  }

 private:
  const GridAccessible* table_;
  std::int64_t recNo_;
  int column_;
};

QAccessibleInterface* GridFactory(const QString&, QObject* object) {
  if (auto* grid = dynamic_cast<kTable*>(object)) return new GridAccessible(grid);
  return nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------
// The table

GridAccessible::GridAccessible(kTable* grid) : QAccessibleWidget(grid, QAccessible::Table) {}

GridAccessible::~GridAccessible() {
  for (const auto& entry : cells_) QAccessible::deleteAccessibleInterface(entry.second);
  for (const QAccessible::Id id : headers_)
    if (id != 0) QAccessible::deleteAccessibleInterface(id);
}

kTable* GridAccessible::Grid() const { return static_cast<kTable*>(object()); }

int GridAccessible::BufferedRecords() const {
  const kTable* g = Grid();
  if (!g) return 0;
  const auto& rows = g->RowBuffer();
  int n = 0;
  while (std::size_t(n) < rows.size() && !rows[std::size_t(n)].empty && rows[std::size_t(n)].recNo > 0) ++n;
  return n;
}

QAccessibleInterface* GridAccessible::Header(int column) const {
  const kTable* g = Grid();
  if (!g || column < 1 || column > g->ColumnOpenCount()) return nullptr;
  if (headers_.size() < std::size_t(column)) headers_.resize(std::size_t(column), 0);
  QAccessible::Id& id = headers_[std::size_t(column - 1)];
  if (QAccessibleInterface* existing = id != 0 ? QAccessible::accessibleInterface(id) : nullptr) return existing;
  auto* header = new GridHeaderAccessible(this, column);
  id = QAccessible::registerAccessibleInterface(header);
  return header;
}

QAccessibleInterface* GridAccessible::Cell(std::int64_t recNo, int column) const {
  const kTable* g = Grid();
  if (!g || column < 1 || column > g->ColumnOpenCount()) return nullptr;
  const int pos = g->BufferPos(recNo);
  if (pos < 1 || pos > BufferedRecords()) return nullptr;
  const auto key = std::make_pair(recNo, column);
  if (auto it = cells_.find(key); it != cells_.end()) {
    if (QAccessibleInterface* existing = QAccessible::accessibleInterface(it->second)) return existing;
    cells_.erase(it);
  }
  Prune();
  auto* cell = new GridCellAccessible(this, recNo, column);
  cells_.emplace(key, QAccessible::registerAccessibleInterface(cell));
  return cell;
}

void GridAccessible::Prune() const {
  const kTable* g = Grid();
  if (!g) return;
  const std::size_t onScreen = std::size_t(BufferedRecords()) * std::size_t(g->ColumnOpenCount());
  if (cells_.size() < 2 * onScreen + 64) return;
  const int buffered = BufferedRecords();
  for (auto it = cells_.begin(); it != cells_.end();) {
    const int pos = g->BufferPos(it->first.first);
    if (pos >= 1 && pos <= buffered && it->first.second <= g->ColumnOpenCount()) {
      ++it;
      continue;
    }
    QAccessible::deleteAccessibleInterface(it->second);
    it = cells_.erase(it);
  }
}

int GridAccessible::CellIndex(std::int64_t recNo, int column) const {
  const kTable* g = Grid();
  if (!g) return -1;
  const int columns = g->ColumnOpenCount();
  const int pos = g->BufferPos(recNo);
  if (column < 1 || column > columns || pos < 1 || pos > BufferedRecords()) return -1;
  return columns + (pos - 1) * columns + (column - 1);
}

int GridAccessible::PositionOfRow(int row) const {
  const kTable* g = Grid();
  if (!g) return 0;
  const std::int64_t pos = std::int64_t(row) + 1 - g->FirstVisibleRowNo() + 1;
  return pos >= 1 && pos <= BufferedRecords() ? int(pos) : 0;
}

int GridAccessible::childCount() const {
  const kTable* g = Grid();
  if (!g) return 0;
  const int columns = g->ColumnOpenCount();
  return columns + BufferedRecords() * columns + QAccessibleWidget::childCount();
}

QAccessibleInterface* GridAccessible::child(int index) const {
  const kTable* g = Grid();
  if (!g || index < 0) return nullptr;
  const int columns = g->ColumnOpenCount();
  if (index < columns) return Header(index + 1);
  const int cells = BufferedRecords() * columns;
  if (index < columns + cells) {
    const int i = index - columns;
    return Cell(g->RowBuffer()[std::size_t(i / columns)].recNo, i % columns + 1);
  }
  return QAccessibleWidget::child(index - columns - cells);
}

int GridAccessible::indexOfChild(const QAccessibleInterface* child) const {
  const kTable* g = Grid();
  if (!g || !child) return -1;
  const int columns = g->ColumnOpenCount();
  if (const auto* header = dynamic_cast<const GridHeaderAccessible*>(child))
    return header->Table() == this && header->Column() <= columns ? header->Column() - 1 : -1;
  if (const auto* cell = dynamic_cast<const GridCellAccessible*>(child))
    return cell->Table() == this ? CellIndex(cell->RecNo(), cell->Column()) : -1;
  const int k = QAccessibleWidget::indexOfChild(child);
  return k < 0 ? -1 : columns + BufferedRecords() * columns + k;
}

QAccessibleInterface* GridAccessible::childAt(int x, int y) const {
  const kTable* g = Grid();
  if (!g) return nullptr;
  const QPoint p = g->mapFromGlobal(QPoint(x, y));
  const GridRect& caption = g->CaptionRect();
  if (p.y() >= caption.top && p.y() < caption.bottom && caption.Height() > 0)
    if (const int c = g->GetColumnToPoint(p)) return Header(c);
  const CellHit hit = g->GetCellToPoint(p);
  if (hit.column > 0 && hit.recNo > 0)
    if (QAccessibleInterface* cell = Cell(hit.recNo, hit.column)) return cell;
  for (QWidget* w : g->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
    if (w->isVisible() && w->geometry().contains(p)) return QAccessible::queryAccessibleInterface(w);
  return nullptr;
}

QAccessibleInterface* GridAccessible::focusChild() const {
  const kTable* g = Grid();
  if (!g) return nullptr;
  // An editor or another child widget with the focus speaks for itself.
  if (QWidget* fw = QApplication::focusWidget(); fw && fw != g && g->isAncestorOf(fw))
    return QAccessible::queryAccessibleInterface(fw);
  return Cell(g->CurrentRecNo(), CursorColumn(*g));
}

void* GridAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
  return QAccessibleWidget::interface_cast(type);
}

QAccessibleInterface* GridAccessible::cellAt(int row, int column) const {
  const kTable* g = Grid();
  const int pos = PositionOfRow(row);
  if (!g || pos == 0) return nullptr;
  return Cell(g->RowBuffer()[std::size_t(pos - 1)].recNo, column + 1);
}

QString GridAccessible::columnDescription(int column) const {
  const kTable* g = Grid();
  if (!g || column < 0 || column >= g->ColumnOpenCount()) return QString();
  return CaptionText(*g->ColumnOpenList()[std::size_t(column)]);
}

int GridAccessible::columnCount() const {
  const kTable* g = Grid();
  return g ? g->ColumnOpenCount() : 0;
}

// Row numbers are record numbers in #Absolute mode, so the count of rows
// reaches the last record there.
int GridAccessible::rowCount() const {
  const kTable* g = Grid();
  if (!g || g->Server().IsNil()) return 0;
  std::int64_t n = g->RowMode() == kAbsolute ? g->LastRec() : g->RowCount();
  if (const int buffered = BufferedRecords(); buffered > 0) n = std::max(n, g->FirstVisibleRowNo() + buffered - 1);
  return int(std::clamp<std::int64_t>(n, 0, std::numeric_limits<int>::max()));
}

bool GridAccessible::IsBufferedCellSelected(int column, int pos) const {
  const kTable* g = Grid();
  return g->IsCellSelected(column, g->FirstVisibleRowNo() + pos - 1, g->RowBuffer()[std::size_t(pos - 1)].recNo);
}

// The selection answers below cover the rows on screen: rows outside the
// buffer have no cells here.
int GridAccessible::selectedCellCount() const { return int(selectedCells().size()); }

QList<QAccessibleInterface*> GridAccessible::selectedCells() const {
  QList<QAccessibleInterface*> list;
  const kTable* g = Grid();
  if (!g) return list;
  const int buffered = BufferedRecords();
  for (int pos = 1; pos <= buffered; ++pos)
    for (int c = 1; c <= g->ColumnOpenCount(); ++c)
      if (IsBufferedCellSelected(c, pos))
        if (QAccessibleInterface* cell = Cell(g->RowBuffer()[std::size_t(pos - 1)].recNo, c)) list.append(cell);
  return list;
}

bool GridAccessible::isRowSelected(int row) const {
  const kTable* g = Grid();
  const int pos = PositionOfRow(row);
  if (!g || pos == 0 || g->ColumnOpenCount() == 0) return false;
  const std::int64_t gridRow = g->FirstVisibleRowNo() + pos - 1;
  const std::int64_t recNo = g->RowBuffer()[std::size_t(pos - 1)].recNo;
  if (!g->IsRowSelected(gridRow, recNo)) return false;
  // A whole row (and every selected row in #Row mode) is a selected row,
  // also when some of its columns cannot be selected.
  if (g->CurrentMode() == kRowMode || g->IsCellSelected(0, gridRow, recNo)) return true;
  for (int c = 1; c <= g->ColumnOpenCount(); ++c)
    if (!IsBufferedCellSelected(c, pos)) return false;
  return true;
}

bool GridAccessible::isColumnSelected(int column) const {
  const kTable* g = Grid();
  const int buffered = BufferedRecords();
  if (!g || column < 0 || column >= g->ColumnOpenCount() || buffered == 0) return false;
  for (int pos = 1; pos <= buffered; ++pos)
    if (!IsBufferedCellSelected(column + 1, pos)) return false;
  return true;
}

QList<int> GridAccessible::selectedRows() const {
  QList<int> list;
  const kTable* g = Grid();
  if (!g) return list;
  const int buffered = BufferedRecords();
  for (int pos = 1; pos <= buffered; ++pos) {
    const int row = int(g->FirstVisibleRowNo() + pos - 2);
    if (isRowSelected(row)) list.append(row);
  }
  return list;
}

QList<int> GridAccessible::selectedColumns() const {
  QList<int> list;
  const kTable* g = Grid();
  if (!g) return list;
  for (int c = 0; c < g->ColumnOpenCount(); ++c)
    if (isColumnSelected(c)) list.append(c);
  return list;
}

// ---------------------------------------------------------------------------
// kTable's side

void kTable::AccessibleCursorMoved() {
  // Nothing listens unless an assistive tool is active.
  if (!QAccessible::isActive()) return;
  auto* table = dynamic_cast<GridAccessible*>(QAccessible::queryAccessibleInterface(this));
  if (!table) return;
  const int child = table->CellIndex(currentRecNo_, CursorColumn(*this));
  // The focus moves within a focused grid; otherwise only the grid's
  // current cell changed.
  if (hasFocus()) {
    QAccessibleEvent event(this, QAccessible::Focus);
    event.setChild(child);
    QAccessible::updateAccessibility(&event);
  } else if (child >= 0) {
    QAccessibleEvent event(this, QAccessible::ActiveDescendantChanged);
    event.setChild(child);
    QAccessible::updateAccessibility(&event);
  }
}

void kTable::InstallAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(GridFactory);
    return true;
  }();
  (void)installed;
}

}  // namespace kt
