// Record and file locks in shared mode. The locks are byte-range locks at
// the family's conventional offsets (see lock.h); without sharing every
// lock request succeeds without touching the file.
#include "platform/db/dbf/table.h"
#include "platform/runtime/error.h"

namespace kt::dbf {

bool Table::RLock(std::uint32_t recNo) {
  if (!file_.IsOpen()) Fail(ctx_, gen::NoTable, "lock", "table is closed");
  if (!shared_ || fileLocked_ || locked_.count(recNo)) return true;
  if (recNo < 1 || recNo > hdr_.recCount) Refresh();
  if (recNo < 1 || recNo > hdr_.recCount || recNo > locks_.MaxRecord()) return false;
  if (!file_.Lock(locks_.Record(recNo), 1)) return false;
  locked_.insert(recNo);
  // What was read before the lock may already be outdated.
  if (recNo == recNo_ && !eof_ && !dirty_) ReadRecord(recNo, rec_.data(), true);
  return true;
}

bool Table::FLock() {
  if (!file_.IsOpen()) Fail(ctx_, gen::NoTable, "lock", "table is closed");
  if (!shared_ || fileLocked_) return true;
  if (!file_.Lock(locks_.fileStart, locks_.fileLength)) return false;
  // The file lock covers the record bytes we held; they are now part of it.
  locked_.clear();
  fileLocked_ = true;
  // From now on nobody else writes: the read-ahead window may be used, but
  // nothing read before the lock.
  InvalidateCache();
  if (!eof_ && !dirty_) ReadRecord(recNo_, rec_.data(), true);
  return true;
}

void Table::Unlock(std::uint32_t recNo) {
  if (!file_.IsOpen()) return;
  if (recNo == recNo_) FlushRecord();
  if (locked_.erase(recNo)) file_.Unlock(locks_.Record(recNo), 1);
}

void Table::UnlockAll() {
  if (!file_.IsOpen()) return;
  FlushRecord();
  for (std::uint32_t r : locked_) file_.Unlock(locks_.Record(r), 1);
  locked_.clear();
  if (fileLocked_) {
    file_.Unlock(locks_.fileStart, locks_.fileLength);
    InvalidateCache();
  }
  fileLocked_ = false;
}

bool Table::IsLocked(std::uint32_t recNo) const { return !shared_ || fileLocked_ || locked_.count(recNo) > 0; }

}  // namespace kt::dbf
