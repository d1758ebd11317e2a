// kTable's notifications to its owner window.
#include "grid/grid_event.h"
#include "grid/ktable.h"

namespace kt {

bool kTable::CellSelect() {
  if (!ownerHas_[kCellSelect]) return false;
  Object* owner = dynamic_cast<Object*>(parentWidget());
  if (!owner) return false;
  ++ownerNotifications_;
  auto event = New<GridEvent>(this, ControlID(), 0xF001);
  const Usual a[] = {Usual(event)};
  owner->Send("CellSelect", a);
  return true;
}

bool kTable::CellDoubleClick() { return false; }

}  // namespace kt
