#include "platform/db/ntx/ntx_page.h"

#include <cstring>

#include "platform/db/ntx/ntx_error.h"
#include "platform/db/ntx/ntx_header.h"
#include "platform/runtime/numtext.h"

namespace kt::ntx {

void NtxPage::InsertEntry(int i, std::string_view key, std::uint32_t recNo, int keySize) {
  rec.insert(rec.begin() + i, recNo);
  keys.insert(std::size_t(i) * keySize, key.data(), std::size_t(keySize));
}

void NtxPage::EraseEntry(int i, int keySize) {
  rec.erase(rec.begin() + i);
  keys.erase(std::size_t(i) * keySize, std::size_t(keySize));
}

void DecodePage(const std::uint8_t* bytes, std::uint32_t offset, const PageGeometry& g, std::uint64_t fileSize,
                std::string_view fileName, NtxPage& out) {
  auto where = [&] { return "page at " + ToText(offset) + ": "; };
  int n = Get16(bytes);
  if (n > g.maxItems)
    Corrupt(fileName, where() + "key count " + ToText(n) + " exceeds " + ToText(g.maxItems));
  const int firstSlot = 2 + 2 * (g.maxItems + 1);
  out.offset = offset;
  out.child.resize(std::size_t(n) + 1);
  out.rec.resize(std::size_t(n));
  out.keys.resize(std::size_t(n) * g.keySize);
  int children = 0;
  for (int i = 0; i <= n; ++i) {
    int slot = Get16(bytes + 2 + 2 * i);
    // Slot n only carries its child pointer.
    int need = i < n ? g.itemSize : 4;
    if (slot < firstSlot || slot + need > int(kPageSize))
      Corrupt(fileName, where() + "item offset " + ToText(slot) + " outside the page");
    const std::uint8_t* item = bytes + slot;
    std::uint32_t c = Get32(item);
    if (c != 0) {
      if (c % kPageSize != 0 || c < kPageSize || std::uint64_t(c) + kPageSize > fileSize)
        Corrupt(fileName, where() + "child page offset " + ToText(c) + " invalid");
      if (c == offset) Corrupt(fileName, where() + "page points to itself");
      ++children;
    }
    out.child[i] = c;
    if (i < n) {
      out.rec[i] = Get32(item + 4);
      std::memcpy(out.keys.data() + std::size_t(i) * g.keySize, item + 8, std::size_t(g.keySize));
    }
  }
  if (children != 0 && children != n + 1)
    Corrupt(fileName, where() + "mix of leaf and branch entries");
}

void EncodePage(const NtxPage& page, const PageGeometry& g, std::uint8_t* out) {
  std::memset(out, 0, kPageSize);
  const int n = page.Count();
  const int firstSlot = 2 + 2 * (g.maxItems + 1);
  Put16(out, std::uint16_t(n));
  for (int i = 0; i <= g.maxItems; ++i) Put16(out + 2 + 2 * i, std::uint16_t(firstSlot + i * g.itemSize));
  for (int i = 0; i <= n; ++i) {
    std::uint8_t* item = out + firstSlot + i * g.itemSize;
    Put32(item, page.child.empty() ? 0 : page.child[i]);
    if (i < n) {
      Put32(item + 4, page.rec[i]);
      std::memcpy(item + 8, page.keys.data() + std::size_t(i) * g.keySize, std::size_t(g.keySize));
    }
  }
}

}  // namespace kt::ntx
