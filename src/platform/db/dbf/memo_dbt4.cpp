#include <algorithm>
#include <cstring>
#include <string>

#include "platform/db/dbf/memo_formats.h"
#include "platform/runtime/error.h"
#include "platform/runtime/numtext.h"
#include "platform/runtime/text.h"

namespace kt::dbf {

Dbt4Memo::Dbt4Memo(File file, std::uint32_t blockSize, const LockScheme& locks, bool shared)
    : MemoFile(MemoKind::Dbt4, std::move(file), blockSize, locks, shared) {
  firstBlock_ = Ceil(std::max<std::uint32_t>(512, blockSize_));
}

std::uint32_t Dbt4Memo::BlockSizeOf(const std::uint8_t* header) {
  const std::uint32_t v = Le16(header + 20);
  return v == 0 ? 512 : v;
}

void Dbt4Memo::WriteHeader(File& file, std::uint32_t blockSize, std::string_view baseName) {
  std::string h(std::max<std::uint32_t>(512, blockSize), '\0');
  auto* b = reinterpret_cast<std::uint8_t*>(h.data());
  PutLe32(b, (std::max<std::uint32_t>(512, blockSize) + blockSize - 1) / blockSize);
  for (std::size_t i = 0; i < 8 && i < baseName.size(); ++i)
    b[8 + i] = std::uint8_t(text::AsciiUpper(baseName[i]));
  PutLe16(b + 20, std::uint16_t(blockSize));
  file.Write(0, h.data(), h.size());
}

std::uint32_t Dbt4Memo::NextFree() const {
  std::uint8_t b[4];
  file_.ReadExact(0, b, 4, "memo header");
  return Le32(b);
}

void Dbt4Memo::SetNextFree(std::uint32_t block) {
  std::uint8_t b[4];
  PutLe32(b, block);
  file_.Write(0, b, 4);
}

MemoExtent Dbt4Memo::Locate(std::uint32_t block) const {
  CheckBlock(block);
  MemoExtent e;
  const std::uint64_t at = std::uint64_t(block) * blockSize_;
  std::uint8_t h[8] = {};
  const std::size_t got = file_.ReadSome(at, h, sizeof h);
  if (got < 8 || h[0] != 0xFF || h[1] != 0xFF) {
    // No block header: text written the dBASE III way.
    e.dataOffset = at;
    e.length = ScanText(at, block);
    e.blocks = Ceil(e.length + 1);
    return e;
  }
  const std::uint64_t stored = Le32(h + 4);
  const std::uint64_t avail = file_.Size() - at;
  // Most writers count the 8-byte header in the length, some do not.
  if (stored >= 8 && stored <= avail) e.length = stored - 8;
  else if (stored + 8 <= avail) e.length = stored;
  else Corrupt(block, "length " + ToText(stored) + " runs past the end of the memo file");
  if (e.length > kMaxMemoSize) Corrupt(block, "length " + ToText(stored) + " is implausible");
  e.dataOffset = at + 8;
  e.blocks = Ceil(8 + e.length);
  return e;
}

std::uint32_t Dbt4Memo::BlocksFor(std::uint64_t length) const { return Ceil(8 + length); }

void Dbt4Memo::Store(std::uint32_t block, std::string_view data, std::uint32_t) {
  std::string buf(std::size_t(BlocksFor(data.size())) * blockSize_, '\0');
  auto* b = reinterpret_cast<std::uint8_t*>(buf.data());
  b[0] = 0xFF;
  b[1] = 0xFF;
  b[2] = 0x08;
  b[3] = 0x00;
  PutLe32(b + 4, std::uint32_t(data.size() + 8));
  std::memcpy(b + 8, data.data(), data.size());
  file_.Write(std::uint64_t(block) * blockSize_, buf.data(), buf.size());
}

}  // namespace kt::dbf
