#pragma once
// GridEvent: what the grid hands to its owner's notification methods: the
// command message with the grid's control identifier and the notification
// code, and the grid itself.
#include "platform/runtime/object.h"

namespace kt {

class kTable;

class GridEvent : public Object {
 public:
  static constexpr int kCommand = 0x111;

  GridEvent(kTable* grid, int controlId, int code) : grid_(grid), controlId_(controlId), code_(code) {}

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

}  // namespace kt
