#include "platform/db/dbf/lock.h"

#include <chrono>
#include <thread>

namespace kt::dbf {

std::uint32_t LockScheme::MaxRecord() const {
  return std::uint32_t(fileLength);
}

LockScheme LockScheme::For(Family family) {
  LockScheme s;
  switch (family) {
    case Family::Cdx:
      // FoxPro: the header is "record 0" at 0x7FFFFFFE, records count down.
      s.header = 0x7FFFFFFEull;
      s.recordBase = 0x7FFFFFFEull;
      s.descending = true;
      s.fileLength = 0x07FFFFFFull;
      s.fileStart = s.recordBase - s.fileLength;
      break;
    case Family::Ntx:
    case Family::Mdx:
      // Clipper: header byte at 1e9, record n at 1e9 + n. No public offsets
      // exist for dBASE IV programs, so the MDX family uses the same.
      s.header = 1000000000ull;
      s.recordBase = 1000000000ull;
      s.fileStart = 1000000001ull;
      s.fileLength = 1000000000ull;
      break;
  }
  return s;
}

bool LockWait(File& file, std::uint64_t offset, std::uint64_t length, int millis) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(millis);
  for (;;) {
    if (file.Lock(offset, length)) return true;
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

}  // namespace kt::dbf
