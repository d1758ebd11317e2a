#pragma once
// GridEvent: what the grid hands to its owner's notification methods: the
// command message with the grid's control identifier and the notification
// code, and the grid itself. kColumnEvent adds the column a notification is
// about (caption and footer clicks; the base of the column move and resize
// events).
#include "columns/kdatacolumn.h"
#include "platform/runtime/object.h"

namespace kt {

class kTable;

class GridEvent : public Object {
 public:
  static constexpr int kCommand = 0x111;

  GridEvent(kTable* grid, int controlId, int code) : grid_(grid), controlId_(controlId), code_(code) {}
  // The grid's control identifier is taken from the grid.
  GridEvent(kTable* grid, int code);

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  int Message() const { return kCommand; }
  // Control identifier in the low word, notification code in the high word.
  std::int64_t WParam() const { return (std::int64_t(code_) << 16) | (controlId_ & 0xFFFF); }
  int ControlID() const { return controlId_; }
  int NotifyCode() const { return code_; }
  kTable* Control() const { return grid_; }

 private:
  kTable* grid_;
  int controlId_;
  int code_;
};

class kColumnEvent : public GridEvent {
 public:
  kColumnEvent(kTable* grid, int code, Ref<kDataColumn> column) : GridEvent(grid, code), column_(std::move(column)) {}

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  const Ref<kDataColumn>& Column() const { return column_; }

 private:
  Ref<kDataColumn> column_;
};

}  // namespace kt
