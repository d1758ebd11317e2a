#pragma once
// CellEditor: the state of the grid's cell editor. kTable owns one and its
// editing methods (Edit, EditClose, EditCancel, ...) work on it: the open
// control, the cell it edits, the record the server stood on when it
// opened, the edit flags exchanged with the owner, and whether Edit is
// still building the editor.
#include <QPointer>
#include <cstdint>

#include "columns/kdatacolumn.h"
#include "grid/kcell.h"
#include "platform/gui/controls.h"

namespace kt {

struct CellEditor {
  // The open editor's widget; it may be destroyed behind the grid's back
  // (QPointer then answers null).
  QPointer<QWidget> widget;
  // Its control object (valid while `widget` is).
  Control* control = nullptr;
  // The editor as the owner sees it (kCellEditEvent:EditControl).
  Usual controlValue;
  // Column, row and record being edited.
  Ref<kCell> cell = New<kCell>();
  std::int64_t startRecNo = 0;
  int flags = 0;
  bool creating = false;
  // The control came from the owner (CellEdit mode 1), not from EditCreate.
  bool ownControl = false;
  // The column being edited, held so that a change of the open columns
  // while the editor is open cannot redirect the write.
  Ref<kDataColumn> column;
  // EditClose/EditCancel are under way: writing, or taking the editor down.
  enum class Phase { Idle, Writing, Removing } phase = Phase::Idle;

  bool Open() const { return control != nullptr && !widget.isNull(); }
  Control* Current() const { return widget.isNull() ? nullptr : control; }
  void Clear() {
    widget = nullptr;
    control = nullptr;
    controlValue = Usual();
    cell = New<kCell>();
    startRecNo = 0;
    flags = 0;
    creating = false;
    ownControl = false;
    column = nullptr;
    phase = Phase::Idle;
  }
};

}  // namespace kt
