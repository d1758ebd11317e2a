#pragma once
// One tree page decoded into arrays, and its byte form. Pages are always
// written with the plain slot layout (offset[i] = first slot + i * itemSize),
// which every reader accepts because they go through the offset table.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kt::ntx {

struct NtxPage {
  std::uint32_t offset = 0;
  std::vector<std::uint32_t> child;  // n + 1 entries; all 0 in a leaf
  std::vector<std::uint32_t> rec;    // n entries
  std::string keys;                  // n * keySize bytes

  int Count() const { return int(rec.size()); }
  bool IsLeaf() const { return child.empty() || child[0] == 0; }
  std::string_view Key(int i, int keySize) const {
    return std::string_view(keys).substr(std::size_t(i) * keySize, keySize);
  }

  // Editing helpers keep child/rec/keys in step.
  void InsertEntry(int i, std::string_view key, std::uint32_t recNo, int keySize);
  void EraseEntry(int i, int keySize);
};

struct PageGeometry {
  int keySize = 0;
  int itemSize = 0;
  int maxItems = 0;
};

// Decodes a page read from `offset`. Throws a corruption error naming the
// file when the key count, the offset table or the child pointers cannot be
// right; `fileSize` bounds child pointers.
void DecodePage(const std::uint8_t* bytes, std::uint32_t offset, const PageGeometry& g, std::uint64_t fileSize,
                std::string_view fileName, NtxPage& out);

// Writes `page` (at most maxItems keys) as 1024 bytes.
void EncodePage(const NtxPage& page, const PageGeometry& g, std::uint8_t* out);

}  // namespace kt::ntx
