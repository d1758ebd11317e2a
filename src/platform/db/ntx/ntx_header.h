#pragma once
// The header page of an NTX file (page 0): layout, validation and the few
// fields that change while the order is maintained.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kt::ntx {

inline constexpr std::uint32_t kPageSize = 1024;
inline constexpr int kMaxKeySize = 256;
inline constexpr int kExprSize = 256;
// The byte other stations lock while they search or update the index.
inline constexpr std::int64_t kLockOffset = 1000000000;

// Signature values and flags at offset 0.
inline constexpr std::uint16_t kSigOld = 0x0003;
inline constexpr std::uint16_t kSigNormal = 0x0006;
inline constexpr std::uint16_t kFlagFor = 0x0001;
inline constexpr std::uint16_t kFlagPartial = 0x0008;

struct NtxHeader {
  std::uint16_t signature = kSigNormal;
  std::uint16_t version = 0;  // update counter, wraps
  std::uint32_t root = 0;
  std::uint32_t freeHead = 0;
  std::uint16_t itemSize = 0;
  std::uint16_t keySize = 0;
  std::uint16_t keyDecimals = 0;
  std::uint16_t maxItems = 0;
  std::uint16_t halfPage = 0;
  std::string keyExpr;
  std::string forExpr;
  std::string tagName;
  bool unique = false;
  bool descending = false;

  bool HasFor() const { return signature != kSigOld && (signature & kFlagFor) != 0; }

  // The whole page as written for a new file; unused bytes are zero.
  std::array<std::uint8_t, kPageSize> Encode() const;
};

// Keys per page for a key size: as many (slot + offset entry) pairs as fit
// beside the key counter, minus the slot that only carries the right-most
// child, lowered to an even number so half a page is exact.
int MaxItemsFor(int keySize);

// Decodes and checks page 0. `fileSize` bounds the page offsets. Throws a
// corruption error naming `fileName` when the page is not a usable header.
NtxHeader DecodeHeader(const std::uint8_t* page, std::uint64_t fileSize, std::string_view fileName);

// Rewrites the changing fields (update counter, root, free list head) in a
// header page read from disk, leaving every other byte as another program
// wrote it.
void PatchHeader(std::uint8_t* page, const NtxHeader& h);

// Little-endian helpers shared by the codecs.
inline std::uint16_t Get16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
inline std::uint32_t Get32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}
inline void Put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
}
inline void Put32(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
  p[2] = std::uint8_t(v >> 16);
  p[3] = std::uint8_t(v >> 24);
}

}  // namespace kt::ntx
