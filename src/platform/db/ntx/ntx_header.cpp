#include "platform/db/ntx/ntx_header.h"

#include <algorithm>
#include <cstring>

#include "platform/db/ntx/ntx_error.h"
#include "platform/runtime/numtext.h"

namespace kt::ntx {

namespace {

constexpr int kOffSignature = 0;
constexpr int kOffVersion = 2;
constexpr int kOffRoot = 4;
constexpr int kOffFree = 8;
constexpr int kOffItemSize = 12;
constexpr int kOffKeySize = 14;
constexpr int kOffDecimals = 16;
constexpr int kOffMaxItems = 18;
constexpr int kOffHalfPage = 20;
constexpr int kOffKeyExpr = 22;
constexpr int kOffUnique = 278;
constexpr int kOffDescending = 280;
constexpr int kOffForExpr = 282;
constexpr int kOffTagName = 538;
constexpr int kTagNameSize = 12;

// Text up to the first NUL, at most `size` bytes (a field without NUL is
// taken whole rather than read past).
std::string ReadText(const std::uint8_t* p, int size) {
  const void* nul = std::memchr(p, 0, size);
  std::size_t len = nul ? std::size_t(static_cast<const std::uint8_t*>(nul) - p) : std::size_t(size);
  return std::string(reinterpret_cast<const char*>(p), len);
}

void WriteText(std::uint8_t* p, int size, const std::string& text) {
  std::size_t len = std::min<std::size_t>(text.size(), std::size_t(size - 1));
  std::memcpy(p, text.data(), len);
}

bool KnownSignature(std::uint16_t sig) {
  if (sig == kSigOld) return true;
  return (sig & ~(kFlagFor | kFlagPartial)) == kSigNormal;
}

}  // namespace

int MaxItemsFor(int keySize) {
  int slots = int(kPageSize - 2) / (keySize + 10);
  int max = slots - 1;
  if (max % 2 != 0) --max;
  return max;
}

std::array<std::uint8_t, kPageSize> NtxHeader::Encode() const {
  std::array<std::uint8_t, kPageSize> page{};
  std::uint8_t* p = page.data();
  Put16(p + kOffSignature, signature);
  Put16(p + kOffVersion, version);
  Put32(p + kOffRoot, root);
  Put32(p + kOffFree, freeHead);
  Put16(p + kOffItemSize, itemSize);
  Put16(p + kOffKeySize, keySize);
  Put16(p + kOffDecimals, keyDecimals);
  Put16(p + kOffMaxItems, maxItems);
  Put16(p + kOffHalfPage, halfPage);
  WriteText(p + kOffKeyExpr, kExprSize, keyExpr);
  p[kOffUnique] = unique ? 1 : 0;
  p[kOffDescending] = descending ? 1 : 0;
  WriteText(p + kOffForExpr, kExprSize, forExpr);
  WriteText(p + kOffTagName, kTagNameSize, tagName);
  return page;
}

void PatchHeader(std::uint8_t* page, const NtxHeader& h) {
  Put16(page + kOffVersion, h.version);
  Put32(page + kOffRoot, h.root);
  Put32(page + kOffFree, h.freeHead);
}

NtxHeader DecodeHeader(const std::uint8_t* p, std::uint64_t fileSize, std::string_view fileName) {
  NtxHeader h;
  h.signature = Get16(p + kOffSignature);
  h.version = Get16(p + kOffVersion);
  h.root = Get32(p + kOffRoot);
  h.freeHead = Get32(p + kOffFree);
  h.itemSize = Get16(p + kOffItemSize);
  h.keySize = Get16(p + kOffKeySize);
  h.keyDecimals = Get16(p + kOffDecimals);
  h.maxItems = Get16(p + kOffMaxItems);
  h.halfPage = Get16(p + kOffHalfPage);

  if (!KnownSignature(h.signature))
    Corrupt(fileName, "unknown signature 0x" + HexText(h.signature, 4) + " (not an NTX index)");
  if (h.keySize < 1 || h.keySize > kMaxKeySize)
    Corrupt(fileName, "key size " + ToText(h.keySize) + " out of range 1.." + ToText(kMaxKeySize));
  if (h.itemSize != h.keySize + 8)
    Corrupt(fileName, "item size " + ToText(h.itemSize) + " does not match key size " +
                          ToText(h.keySize));
  if (h.keyDecimals >= h.keySize && h.keyDecimals != 0)
    Corrupt(fileName, "key decimals " + ToText(h.keyDecimals) + " do not fit key size " +
                          ToText(h.keySize));
  // Counter, offset table of max+1 entries and max+1 slots must fit a page.
  std::uint64_t need = 2 + std::uint64_t(h.maxItems + 1) * (2 + h.itemSize);
  if (h.maxItems < 2 || need > kPageSize)
    Corrupt(fileName, "keys per page " + ToText(h.maxItems) + " impossible for key size " +
                          ToText(h.keySize));
  if (h.halfPage > h.maxItems)
    Corrupt(fileName, "half page " + ToText(h.halfPage) + " exceeds keys per page");
  if (fileSize < 2 * kPageSize) Corrupt(fileName, "file too short for a header and a root page");
  auto validPage = [&](std::uint32_t off) {
    return off >= kPageSize && off % kPageSize == 0 && std::uint64_t(off) + kPageSize <= fileSize;
  };
  if (!validPage(h.root)) Corrupt(fileName, "root page offset " + ToText(h.root) + " invalid");
  if (h.freeHead != 0 && (!validPage(h.freeHead) || h.freeHead == h.root))
    Corrupt(fileName, "free page offset " + ToText(h.freeHead) + " invalid");

  h.keyExpr = ReadText(p + kOffKeyExpr, kExprSize);
  h.forExpr = ReadText(p + kOffForExpr, kExprSize);
  h.tagName = ReadText(p + kOffTagName, kTagNameSize);
  h.unique = p[kOffUnique] != 0;
  h.descending = p[kOffDescending] != 0;
  if (!h.HasFor()) h.forExpr.clear();
  if (h.keyExpr.empty()) Corrupt(fileName, "empty key expression");
  return h;
}

}  // namespace kt::ntx
