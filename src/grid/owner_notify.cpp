// kTable's notifications to its owner window.
#include "grid/grid_event.h"
#include "grid/ktable.h"

namespace kt {
namespace {

const Symbol kCellSelectSym("CellSelect"), kCellDoubleClickSym("CellDoubleClick"), kCaptionClickSym("CaptionClick"),
    kCaptionDoubleClickSym("CaptionDoubleClick"), kFooterClickSym("FooterClick"),
    kFooterDoubleClickSym("FooterDoubleClick"), kDispatch("Dispatch");

constexpr int kCodeCellSelect = 0xF001, kCodeCellDoubleClick = 0xF002, kCodeCaptionClick = 0xF006,
              kCodeCaptionDoubleClick = 0xF009, kCodeRefresh = 0xF00A, kCodeFooterClick = 0xF00C,
              kCodeFooterDoubleClick = 0xF00D;

}  // namespace

Object* kTable::NotifyOwner() const { return dynamic_cast<Object*>(parentWidget()); }

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

bool kTable::CellSelect() { return TellOwner(kCellSelect, kCellSelectSym, New<GridEvent>(this, kCodeCellSelect), true); }

bool kTable::CellDoubleClick() {
  return TellOwner(kCellDoubleClick, kCellDoubleClickSym, New<GridEvent>(this, kCodeCellDoubleClick), true);
}

bool kTable::CaptionClick(kDataColumn* column) {
  Usual answer;
  if (!TellOwner(kCaptionClick, kCaptionClickSym, New<kColumnEvent>(this, kCodeCaptionClick, Ref<kDataColumn>(column)),
                 false, &answer))
    return false;
  return answer.IsLogic() && answer.AsLogic();
}

bool kTable::CaptionDoubleClick(kDataColumn* column) {
  return TellOwner(kCaptionDoubleClick, kCaptionDoubleClickSym,
                   New<kColumnEvent>(this, kCodeCaptionDoubleClick, Ref<kDataColumn>(column)), false);
}

bool kTable::FooterClick(kDataColumn* column) {
  return TellOwner(kFooterClick, kFooterClickSym, New<kColumnEvent>(this, kCodeFooterClick, Ref<kDataColumn>(column)),
                   false);
}

bool kTable::FooterDoubleClick(kDataColumn* column) {
  return TellOwner(kFooterDoubleClick, kFooterDoubleClickSym,
                   New<kColumnEvent>(this, kCodeFooterDoubleClick, Ref<kDataColumn>(column)), false);
}

bool kTable::RefreshNotify() {
  // No method has this notification's name: it is only a command.
  return TellOwner(kOwnerCallbackCount, Symbol(), New<GridEvent>(this, kCodeRefresh), true);
}

}  // namespace kt
