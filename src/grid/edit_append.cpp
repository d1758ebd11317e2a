// kTable: appending a record at the end of the table (Append, RecordAppend).
#include "grid/edit_events.h"
#include "grid/ktable.h"

namespace kt {

bool kTable::Append() {
  if (!Used()) return false;
  if (InEdit() && !EditClose()) return false;
  if (!RecordAppend(1)) return false;
  const bool ok = link_.Send("Append").AsLogic();
  RecordAppend(ok ? 2 : 3);
  return ok;
}

bool kTable::RecordAppend(int mode) {
  if (!ownerHas_[kRecordAppend]) return true;
  Object* owner = NotifyOwner();
  if (!owner) return true;
  ++ownerNotifications_;
  const Usual a[] = {Usual(New<kRecordAppendEvent>(this, mode, server_))};
  const Usual r = owner->Send("RecordAppend", a);
  return !(r.IsLogic() && !r.AsLogic());
}

}  // namespace kt
