// kTable's notifications to its owner window.
#include "grid/grid_event.h"
#include "grid/ktable.h"
#include "grid/window_hooks.h"

namespace kt {
namespace {

const Symbol kCellSelectSym("CellSelect"), kCellDoubleClickSym("CellDoubleClick"), kCaptionClickSym("CaptionClick"),
    kCaptionDoubleClickSym("CaptionDoubleClick"), kFooterClickSym("FooterClick"),
    kFooterDoubleClickSym("FooterDoubleClick"), kDispatch("Dispatch"), kOwnerEventHandler("OwnerEventHandler");

const char* const kCallbackNames[kTable::kOwnerCallbackCount] = {
    "CellSelect",         "CellDoubleClick", "CellEdit",   "ColumnMove",         "ColumnResize",
    "RowResize",          "CaptionClick",    "CaptionDoubleClick", "FooterClick", "FooterDoubleClick",
    "DrawValue",          "ControlFocusChange", "RecordAppend", "CellDragDrop"};

constexpr int kCodeCellSelect = 0xF001, kCodeCellDoubleClick = 0xF002, kCodeCaptionClick = 0xF006,
              kCodeCaptionDoubleClick = 0xF009, kCodeRefresh = 0xF00A, kCodeFooterClick = 0xF00C,
              kCodeFooterDoubleClick = 0xF00D;

}  // namespace

Object* kTable::NotifyOwner() const { return OwnerWindow(); }

void kTable::ResolveOwner() {
  Window* owner = OwnerWindow();
  for (int i = 0; i < kOwnerCallbackCount; ++i) ownerHas_[i] = owner && owner->HasMethod(Symbol(kCallbackNames[i]));
  if (ownerHooked_ && hookedOwner_ == owner) return;
  // A window that went away took its hooks with it.
  if (ownerHooked_ && hookedOwner_) hooks::Unregister(this, hookedOwner_);
  ownerHooked_ = false;
  hookedOwner_ = nullptr;
  if (owner && hooks::Register(owner, this, kOwnerEventHandler)) {
    ownerHooked_ = true;
    hookedOwner_ = owner;
  }
}

bool kTable::TellOwner(OwnerCallback which, Symbol name, const Ref<Object>& event, bool fallback, Usual* answer) {
  Object* owner = NotifyOwner();
  if (!owner) return false;
  const Usual a[] = {Usual(event)};
  if (which != kOwnerCallbackCount && ownerHas_[which]) {
    ++ownerNotifications_;
    const Usual r = owner->Send(name, a);
    if (answer) *answer = r;
    return true;
  }
  // The generic command path of a window that has no method for it.
  if (!fallback || !owner->HasMethod(kDispatch)) return false;
  ++ownerNotifications_;
  owner->Send(kDispatch, a);
  return true;
}

bool kTable::CellSelect() {
  if (sequenceCount_ > 0) {
    cellSelectPending_ = true;
    return true;
  }
  cellSelectPending_ = false;
  return TellOwner(kCellSelect, kCellSelectSym, New<GridEvent>(this, kCodeCellSelect), true);
}

bool kTable::CellDoubleClick() {
  return TellOwner(kCellDoubleClick, kCellDoubleClickSym, New<GridEvent>(this, kCodeCellDoubleClick), true);
}

bool kTable::CaptionClick(kDataColumn* column) {
  if (!column) return false;
  Usual answer;
  if (!TellOwner(kCaptionClick, kCaptionClickSym, New<kColumnEvent>(this, kCodeCaptionClick, Ref<kDataColumn>(column)),
                 false, &answer))
    return false;
  return answer.IsLogic() && answer.AsLogic();
}

bool kTable::CaptionDoubleClick(kDataColumn* column) {
  if (!column) return false;
  return TellOwner(kCaptionDoubleClick, kCaptionDoubleClickSym,
                   New<kColumnEvent>(this, kCodeCaptionDoubleClick, Ref<kDataColumn>(column)), false);
}

bool kTable::FooterClick(kDataColumn* column) {
  if (!column) return false;
  return TellOwner(kFooterClick, kFooterClickSym, New<kColumnEvent>(this, kCodeFooterClick, Ref<kDataColumn>(column)),
                   false);
}

bool kTable::FooterDoubleClick(kDataColumn* column) {
  if (!column) return false;
  return TellOwner(kFooterDoubleClick, kFooterDoubleClickSym,
                   New<kColumnEvent>(this, kCodeFooterDoubleClick, Ref<kDataColumn>(column)), false);
}

bool kTable::RefreshNotify() {
  // No method has this notification's name: it is only a command.
  return TellOwner(kOwnerCallbackCount, Symbol(), New<GridEvent>(this, kCodeRefresh), true);
}

}  // namespace kt
