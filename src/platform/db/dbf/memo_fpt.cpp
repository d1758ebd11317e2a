#include <algorithm>
#include <cstring>
#include <string>

#include "platform/db/dbf/memo_formats.h"
#include "platform/runtime/error.h"
#include "platform/runtime/numtext.h"

namespace kt::dbf {

namespace {
constexpr std::uint32_t kFptHeader = 512;
}

FptMemo::FptMemo(File file, std::uint32_t blockSize, const LockScheme& locks, bool shared)
    : MemoFile(MemoKind::Fpt, std::move(file), blockSize, locks, shared) {
  firstBlock_ = Ceil(kFptHeader);
}

std::uint32_t FptMemo::BlockSizeOf(const std::uint8_t* header) {
  const std::uint32_t v = (std::uint32_t(header[6]) << 8) | header[7];
  return v == 0 ? 1 : v;  // 0 stands for one-byte blocks
}

void FptMemo::WriteHeader(File& file, std::uint32_t blockSize) {
  std::string h(std::max(kFptHeader, blockSize), '\0');
  auto* b = reinterpret_cast<std::uint8_t*>(h.data());
  PutBe32(b, (kFptHeader + blockSize - 1) / blockSize);
  b[6] = std::uint8_t(blockSize >> 8);
  b[7] = std::uint8_t(blockSize);
  file.Write(0, h.data(), h.size());
}

std::uint32_t FptMemo::NextFree() const {
  std::uint8_t b[4];
  file_.ReadExact(0, b, 4, "memo header");
  return Be32(b);
}

void FptMemo::SetNextFree(std::uint32_t block) {
  std::uint8_t b[4];
  PutBe32(b, block);
  file_.Write(0, b, 4);
}

MemoExtent FptMemo::Locate(std::uint32_t block) const {
  if (std::uint64_t(block) * blockSize_ < kFptHeader) Corrupt(block, "lies inside the memo file header");
  CheckBlock(block);
  const std::uint64_t at = std::uint64_t(block) * blockSize_;
  std::uint8_t h[8];
  file_.ReadExact(at, h, sizeof h, "memo block header");
  MemoExtent e;
  e.type = Be32(h);
  e.length = Be32(h + 4);
  if (e.length > kMaxMemoSize) Corrupt(block, "length " + ToText(e.length) + " is implausible");
  if (at + 8 + e.length > file_.Size())
    Corrupt(block, "length " + ToText(e.length) + " runs past the end of the memo file");
  e.dataOffset = at + 8;
  e.blocks = Ceil(8 + e.length);
  return e;
}

std::uint32_t FptMemo::BlocksFor(std::uint64_t length) const { return Ceil(8 + length); }

void FptMemo::Store(std::uint32_t block, std::string_view data, std::uint32_t type) {
  std::string buf(std::size_t(BlocksFor(data.size())) * blockSize_, '\0');
  auto* b = reinterpret_cast<std::uint8_t*>(buf.data());
  PutBe32(b, type);
  PutBe32(b + 4, std::uint32_t(data.size()));
  std::memcpy(b + 8, data.data(), data.size());
  file_.Write(std::uint64_t(block) * blockSize_, buf.data(), buf.size());
}

}  // namespace kt::dbf
