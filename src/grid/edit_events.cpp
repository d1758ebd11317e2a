#include "grid/edit_events.h"

#include "platform/gui/controls.h"

namespace kt {

kCellEditEvent::kCellEditEvent(kTable* grid, int mode, Ref<kCell> cell, const Usual& control)
    : GridEvent(grid, 0xF001),
      mode_(mode),
      cell_(std::move(cell)),
      flags_(mode == kStart ? kLoadValue : mode == kClosing ? kWriteBack : 0) {
  EditControl(control);
}

Usual kCellEditEvent::EditControl() const {
  if (widgetControl_) return widget_ ? Usual(widgetControl_) : Usual();
  return control_;
}

void kCellEditEvent::EditControl(const Usual& control) {
  control_ = Usual();
  widget_ = nullptr;
  widgetControl_ = nullptr;
  auto* c = control.IsObject() ? dynamic_cast<kt::Control*>(control.AsObject()) : nullptr;
  if (c && c->Widget()) {
    widget_ = c->Widget();
    widgetControl_ = c;
  } else {
    control_ = control;
  }
}

const ClassInfo& kCellEditEvent::StaticClass() {
  static ClassInfo info("kCellEditEvent", &GridEvent::StaticClass());
  static const bool once = [] {
    using T = kCellEditEvent;
    info.Access<T>("EditMode", [](T& e) { return Usual(e.EditMode()); });
    info.Access<T>("EditCell", [](T& e) { return Usual(e.EditCell()); });
    info.Access<T>("EditControl", [](T& e) { return e.EditControl(); });
    info.Assign<T>("EditControl", [](T& e, const Usual& v) { e.EditControl(v); });
    info.Access<T>("EditFlags", [](T& e) { return Usual(e.EditFlags()); });
    info.Assign<T>("EditFlags", [](T& e, const Usual& v) {
      if (v.IsNumeric()) e.EditFlags(int(v.AsInteger()));
    });
    return true;
  }();
  (void)once;
  return info;
}

kRecordAppendEvent::kRecordAppendEvent(kTable* grid, int mode, const Usual& server)
    : GridEvent(grid, 0xF00B), mode_(mode), server_(server) {}

const ClassInfo& kRecordAppendEvent::StaticClass() {
  static ClassInfo info("kRecordAppendEvent", &GridEvent::StaticClass());
  static const bool once = [] {
    using T = kRecordAppendEvent;
    info.Access<T>("Mode", [](T& e) { return Usual(e.Mode()); });
    info.Access<T>("Server", [](T& e) { return e.Server(); });
    return true;
  }();
  (void)once;
  return info;
}

}  // namespace kt
