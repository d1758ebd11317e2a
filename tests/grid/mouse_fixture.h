#pragma once
// Shared pieces of the mouse, context-menu and notification tests: a grid
// that records the hand-offs of its gestures and plays an editor, shown in a
// RecordingOwner, and helpers that send real mouse events to it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "grid_fixture.h"

namespace kt::test {

// A grid whose sizing, moving and dragging hand-offs are recorded ("MoveColumn
// 2"), and whose editing hooks act as a simple editor: Edit opens it when
// `editOpens`, EditClose succeeds when `closeOk` (running `onClose` first).
class HookGrid : public kTable {
 public:
  using kTable::kTable;
  std::vector<std::string> handoffs;
  bool inEdit = false, closeOk = true, editOpens = true;
  int edits = 0, closes = 0, cancels = 0, forwards = 0;
  std::function<void()> onClose;

  bool ResizeColumn(int column, QPoint) override { return Note("ResizeColumn", column); }
  bool ResizeColumnAuto(int column) override { return Note("ResizeColumnAuto", column); }
  bool MoveColumn(int column, QPoint) override { return Note("MoveColumn", column); }
  bool ResizeRow(std::int64_t row, std::int64_t recNo, QPoint) override {
    return Note("ResizeRow", row) && Note("ResizeRowRecord", recNo);
  }
  bool Drag(QMouseEvent*) override { return Note("Drag", 0); }

  bool InEdit() const override { return inEdit; }
  bool EditClose() override {
    ++closes;
    if (!closeOk) return false;
    if (onClose) onClose();
    inEdit = false;
    return true;
  }
  bool Edit() override {
    ++edits;
    inEdit = editOpens;
    return editOpens;
  }
  bool EditCancel() override {
    ++cancels;
    inEdit = false;
    return true;
  }
  void EditForwardEvent(QEvent*) override { ++forwards; }

  bool Handed(const std::string& what) const {
    for (const std::string& h : handoffs)
      if (h == what) return true;
    return false;
  }

 private:
  bool Note(const char* what, std::int64_t n) {
    handoffs.push_back(std::string(what) + " " + std::to_string(n));
    return true;
  }
};

// A grid of columns ID, NAME, AGE, 100 px each, rows of 20 px under a 24 px
// caption, in a shown RecordingOwner; no scroll bars.
struct MouseFixture : ::testing::Test {
  static constexpr int kCaption = 24, kRow = 20, kWidth = 100;

  ScopedRuntime runtime;
  std::unique_ptr<RecordingOwner> owner = MakeOwner();
  HookGrid* grid = new HookGrid(owner.get(), 7);
  Ref<kArrayServer> server;

  static std::unique_ptr<RecordingOwner> MakeOwner() {
    auto w = std::make_unique<RecordingOwner>();
    w->resize(900, 600);
    w->show();
    return w;
  }

  // Binds `records` records; `rows` rows fit (the last one partly).
  void Bind(int records = 30, int rows = 10, int footer = 0) {
    server = New<kArrayServer>(SmallStruct(), Usual(SmallData(records)));
    BindTo(Usual(server), rows, footer);
  }
  void BindTo(const Usual& s, int rows = 10, int footer = 0) {
    grid->show();
    grid->RowHeight(kRow);
    grid->CaptionHeight(kCaption);
    grid->FooterHeight(footer);
    grid->VerticalScrollBarMode(Symbol("None"));
    grid->HorizontalScrollBarMode(Symbol("None"));
    grid->resize(3 * kWidth + 40, kCaption + rows * kRow - kRow / 2 + footer);
    ASSERT_TRUE(grid->Use(s, Usual(Array{"ID", "NAME", "AGE"})));
    for (const auto& c : grid->ColumnList()) c->Width(kWidth);
    grid->Recalculate();
    owner->calls.clear();
  }
  // The notification code of the owner's first call of `name` (-1: none).
  int CodeOf(const std::string& name) const {
    for (const auto& c : owner->calls)
      if (c.name == name) return c.code;
    return -1;
  }
  void Focus() {
    owner->activateWindow();
    QApplication::setActiveWindow(owner.get());
    grid->setFocus();
  }

  int Left() const { return grid->DataRect().left; }
  // The middle of a cell (row on screen, 1-based), clear of the texts'
  // edges.
  QPoint Cell(int column, int row) const { return {Left() + (column - 1) * kWidth + 70, kCaption + (row - 1) * kRow + 10}; }
  QPoint Caption(int column) const { return {Left() + (column - 1) * kWidth + 70, kCaption / 2}; }
  // The right edge of a column in the caption.
  QPoint Edge(int column) const { return {Left() + column * kWidth - 1, kCaption / 2}; }
  QPoint Footer(int column) const { return {Left() + (column - 1) * kWidth + 70, grid->FooterRect().top + 5}; }
  QPoint Selector(int row) const { return {grid->SelectorRect().left + 3, kCaption + (row - 1) * kRow + 10}; }
  // On the bottom edge of a row.
  QPoint RowEdge(int row, int x) const { return {x, kCaption + row * kRow - 1}; }

  void Click(QPoint p, Qt::KeyboardModifiers m = {}, Qt::MouseButton b = Qt::LeftButton) {
    QTest::mouseClick(grid, b, m, p);
  }
  // The second click of a double click: Qt sends it as one event.
  void DoubleClick(QPoint p) {
    QTest::mouseClick(grid, Qt::LeftButton, {}, p);
    QTest::mouseDClick(grid, Qt::LeftButton, {}, p);
  }
  void Move(QPoint p) {
    QMouseEvent e(QEvent::MouseMove, p, grid->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(grid, &e);
  }
  QImage Paint() {
    QImage image(grid->size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    grid->render(&image);
    return image;
  }
};

}  // namespace kt::test
