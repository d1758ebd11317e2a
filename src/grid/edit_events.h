#pragma once
// The events of cell editing that the grid hands its owner: kCellEditEvent
// (code 0xF001) for every step of an edit, kRecordAppendEvent (0xF00B)
// around an append at the end of the table.
#include <QPointer>

#include "grid/grid_event.h"
#include "grid/kcell.h"
#include "platform/runtime/usual.h"

namespace kt {

class kCellEditEvent : public GridEvent {
 public:
  // Steps (EditMode).
  enum Mode { kStart = 1, kCreated = 2, kClosing = 3, kCancelling = 4, kShowing = 5, kRemoving = 6, kWritten = 7 };
  // Edit flags.
  static constexpr int kWriteBack = 0x1;  // write the value back when closing
  static constexpr int kLoadValue = 0x2;  // fill the editor with the cell's value

  // EditFlags start as 2 for mode 1, 1 for mode 3, else 0.
  kCellEditEvent(kTable* grid, int mode, Ref<kCell> cell, const Usual& control);

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  int EditMode() const { return mode_; }
  const Ref<kCell>& EditCell() const { return cell_; }
  // A control that is a widget is held weakly (NIL once it is gone): an
  // owner may keep the event longer than the editor lives.
  Usual EditControl() const;
  void EditControl(const Usual& control);
  int EditFlags() const { return flags_; }
  void EditFlags(int flags) { flags_ = flags; }

 private:
  int mode_;
  Ref<kCell> cell_;
  Usual control_;             // a control that is no widget
  QPointer<QObject> widget_;  // the widget of a control that is one
  Object* widgetControl_ = nullptr;
  int flags_;
};

class kRecordAppendEvent : public GridEvent {
 public:
  // Mode: 1 before appending, 2 appended, 3 the append failed.
  kRecordAppendEvent(kTable* grid, int mode, const Usual& server);

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  int Mode() const { return mode_; }
  const Usual& Server() const { return server_; }

 private:
  int mode_;
  Usual server_;
};

}  // namespace kt
