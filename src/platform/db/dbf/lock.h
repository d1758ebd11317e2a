#pragma once
// Where each driver family places its locks. Programs sharing a table must
// lock the same bytes or they cannot see each other's locks, so these follow
// the conventions of the programs that write each family. The bytes lie far
// beyond the data, so a locked record can still be read by everyone.
#include <cstdint>

#include "platform/db/dbf/file.h"
#include "platform/db/dbf/header.h"

namespace kt::dbf {

struct LockScheme {
  std::uint64_t header = 0;     // header / append lock, one byte
  std::uint64_t recordBase = 0;
  bool descending = false;      // record n at recordBase - n instead of + n
  std::uint64_t fileStart = 0;  // whole-file lock covering every record byte
  std::uint64_t fileLength = 0;

  std::uint64_t Record(std::uint32_t recNo) const { return descending ? recordBase - recNo : recordBase + recNo; }
  // Highest record number the scheme can lock.
  std::uint32_t MaxRecord() const;

  static LockScheme For(Family family);
};

// One byte, outside every family's range, that each opener of a table locks:
// shared openers take a read lock there, an exclusive opener a write lock
// over the whole file, so the two exclude each other.
inline constexpr std::uint64_t kOpenLockOffset = 0x7FFF000000000000ull;

// Tries a lock for up to `millis` milliseconds: locks that others hold only
// for a moment (append, memo allocation) are worth a short wait, but never an
// unbounded one.
bool LockWait(File& file, std::uint64_t offset, std::uint64_t length, int millis);

}  // namespace kt::dbf
