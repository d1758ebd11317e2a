#include <cstring>
#include <string>

#include "platform/db/dbf/memo_formats.h"
#include "platform/runtime/error.h"

namespace kt::dbf {

Dbt3Memo::Dbt3Memo(File file, const LockScheme& locks, bool shared)
    : MemoFile(MemoKind::Dbt3, std::move(file), 512, locks, shared) {}

void Dbt3Memo::WriteHeader(File& file) {
  std::uint8_t h[512] = {};
  PutLe32(h, 1);
  h[16] = 0x03;
  file.Write(0, h, sizeof h);
}

std::uint32_t Dbt3Memo::NextFree() const {
  std::uint8_t b[4];
  file_.ReadExact(0, b, 4, "memo header");
  return Le32(b);
}

void Dbt3Memo::SetNextFree(std::uint32_t block) {
  std::uint8_t b[4];
  PutLe32(b, block);
  file_.Write(0, b, 4);
}

MemoExtent Dbt3Memo::Locate(std::uint32_t block) const {
  CheckBlock(block);
  MemoExtent e;
  e.dataOffset = std::uint64_t(block) * blockSize_;
  e.length = ScanText(e.dataOffset, block);
  // Count only the bytes every writer uses (text and one 0x1A), so reusing
  // these blocks can never reach into the next memo.
  e.blocks = Ceil(e.length + 1);
  return e;
}

std::uint32_t Dbt3Memo::BlocksFor(std::uint64_t length) const { return Ceil(length + 2); }

void Dbt3Memo::CheckData(std::string_view data) const {
  if (data.find('\x1A') != std::string_view::npos)
    Fail(file_.Context(), gen::DataType, "memo write",
         "the data holds the byte 0x1A, which ends a memo in a dBASE III memo file");
}

void Dbt3Memo::Store(std::uint32_t block, std::string_view data, std::uint32_t) {
  std::string buf(std::size_t(BlocksFor(data.size())) * blockSize_, '\0');
  std::memcpy(buf.data(), data.data(), data.size());
  buf[data.size()] = '\x1A';
  buf[data.size() + 1] = '\x1A';
  file_.Write(std::uint64_t(block) * blockSize_, buf.data(), buf.size());
}

}  // namespace kt::dbf
