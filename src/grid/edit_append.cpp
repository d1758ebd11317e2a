// kTable: appending a record at the end of the table (Append, RecordAppend).
#include <QApplication>

#include "grid/edit_events.h"
#include "grid/ktable.h"

namespace kt {
namespace {

const Symbol kAppendSym("Append"), kPermanentMode("Permanent");

}  // namespace

bool kTable::Append() {
  if (!Used()) return false;
  if (InEdit() && !EditClose()) return false;
  if (!RecordAppend(1)) return false;
  // An editor that just closed handed the focus back to the grid.
  const QWidget* focus = QApplication::focusWidget();
  const bool focused = focus && (focus == this || isAncestorOf(focus));
  const std::int64_t before = link_.RecNo();
  const std::int64_t records = link_.LastRec();
  bool ok = false;
  try {
    ok = link_.Send(kAppendSym).AsLogic();
  } catch (...) {
    // A server may raise after it has added the record (a key that cannot
    // be evaluated): the record is there, and the grid showed it.
    if (link_.LastRec() > records) {
      RecordAppend(2);
      AfterAppend(focused);
    } else {
      AppendFailed(before);
    }
    throw;
  }
  if (!ok) {
    AppendFailed(before);
    return false;
  }
  RecordAppend(2);
  AfterAppend(focused);
  return true;
}

void kTable::AppendFailed(std::int64_t recNo) {
  // The owner hears of the failure only once the cursor is back.
  if (link_.Used() && link_.RecNo() != recNo && recNo > 0) link_.GoTo(recNo);
  RecordAppend(3);
}

void kTable::AfterAppend(bool focused) {
  if (focused && !hasFocus()) setFocus();
  GridRect r;
  if (currentColumn_ > 0 && GetCellRect(currentColumn_, currentRow_, currentRecNo_, r)) update(r.ToQRect());
  if (editable_ && AutoEditMode() == kPermanentMode && !InEdit()) Edit();
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
