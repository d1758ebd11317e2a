#pragma once
// kTable for screen readers: the grid as an accessible table whose cells
// are the buffered rows' cells. Rows outside the buffer are counted but
// have no cells, so an assistive tool never makes the grid read the server
// and a table of a million records costs no more than the rows on screen.
//
// Children, in this order: one header per open column, the cells of the
// buffered records row by row, then the grid's own child widgets (scroll
// bars, an editor). Cells are kept per record and column, so a cell keeps
// its identity while its record scrolls inside the window.
#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace kt {

class kTable;

class GridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
 public:
  explicit GridAccessible(kTable* grid);
  ~GridAccessible() override;

  kTable* Grid() const;
  // The cell of a buffered record in open column `column` (1-based), or
  // null when the record is not buffered or the column is not open.
  QAccessibleInterface* Cell(std::int64_t recNo, int column) const;
  // The header of open column `column` (1-based), or null.
  QAccessibleInterface* Header(int column) const;
  // Child index of a cell, -1 when it is no child now.
  int CellIndex(std::int64_t recNo, int column) const;
  // Count of leading buffered rows that hold a record.
  int BufferedRecords() const;

  // QAccessibleInterface
  QAccessible::Role role() const override { return QAccessible::Table; }
  int childCount() const override;
  QAccessibleInterface* child(int index) const override;
  int indexOfChild(const QAccessibleInterface* child) const override;
  QAccessibleInterface* childAt(int x, int y) const override;
  QAccessibleInterface* focusChild() const override;
  void* interface_cast(QAccessible::InterfaceType type) override;

  // QAccessibleTableInterface; rows and columns from 0.
  QAccessibleInterface* caption() const override { return nullptr; }
  QAccessibleInterface* summary() const override { return nullptr; }
  QAccessibleInterface* cellAt(int row, int column) const override;
  int selectedCellCount() const override;
  QList<QAccessibleInterface*> selectedCells() const override;
  QString columnDescription(int column) const override;
  QString rowDescription(int) const override { return QString(); }
  int selectedColumnCount() const override { return int(selectedColumns().size()); }
  int selectedRowCount() const override { return int(selectedRows().size()); }
  int columnCount() const override;
  int rowCount() const override;
  QList<int> selectedColumns() const override;
  QList<int> selectedRows() const override;
  bool isColumnSelected(int column) const override;
  bool isRowSelected(int row) const override;
  // The selection is the grid's, made by keyboard and mouse.
  bool selectRow(int) override { return false; }
  bool selectColumn(int) override { return false; }
  bool unselectRow(int) override { return false; }
  bool unselectColumn(int) override { return false; }
  void modelChange(QAccessibleTableModelChangeEvent*) override {}

 private:
  // Drops the cells whose record left the buffer when the cache grew.
  void Prune() const;
  // Buffer position (1-based) of a 0-based row index, 0 when not buffered.
  int PositionOfRow(int row) const;
  bool IsBufferedCellSelected(int column, int pos) const;

  mutable std::map<std::pair<std::int64_t, int>, QAccessible::Id> cells_;
  mutable std::vector<QAccessible::Id> headers_;
};

}  // namespace kt
