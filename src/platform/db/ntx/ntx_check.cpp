#include "platform/db/ntx/ntx_check.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/db/ntx/ntx_error.h"
#include "platform/db/ntx/ntx_order.h"
#include "platform/db/ntx/ntx_page.h"
#include "platform/db/ntx/ntx_tree.h"
#include "platform/runtime/numtext.h"

namespace kt::ntx {

namespace {

class Checker {
 public:
  Checker(const NtxFile& file, const NtxHeader& h, std::string_view name)
      : file_(file), h_(h), name_(name), size_(file.GetStamp().size), raw_(kPageSize) {
    geo_ = {h.keySize, h.itemSize, h.maxItems};
    seen_.assign(std::size_t(size_ / kPageSize) + 1, false);
  }

  NtxCheckReport Run() {
    Walk(h_.root, 0);
    report_.depth = leafDepth_ + 1;
    std::uint32_t f = h_.freeHead;
    while (f != 0) {
      Mark(f, "free page");
      ++report_.freePages;
      std::uint8_t head[4];
      file_.ReadAt(f, head, 4);
      f = Get32(head);
    }
    return report_;
  }

 private:
  [[noreturn]] void Bad(std::uint32_t page, const std::string& what) {
    Corrupt(name_, "page at " + ToText(page) + ": " + what);
  }

  void Mark(std::uint32_t page, const char* what) {
    if (page < kPageSize || page % kPageSize != 0 || std::uint64_t(page) + kPageSize > size_)
      Bad(page, std::string(what) + " outside the file");
    std::size_t slot = page / kPageSize;
    if (seen_[slot]) Bad(page, std::string(what) + " reached twice");
    seen_[slot] = true;
  }

  void CheckSlots(std::uint32_t page) {
    const int slots = h_.maxItems + 1;
    const int first = 2 + 2 * slots;
    std::vector<bool> used(std::size_t(slots), false);
    for (int i = 0; i < slots; ++i) {
      int off = Get16(raw_.data() + 2 + 2 * i);
      int k = (off - first) / h_.itemSize;
      if (off < first || (off - first) % h_.itemSize != 0 || k >= slots || used[std::size_t(k)])
        Bad(page, "offset table is not a permutation of the item slots");
      used[std::size_t(k)] = true;
    }
  }

  void Emit(std::uint32_t page, std::string_view key, std::uint32_t rec) {
    if (report_.keys > 0) {
      int c = std::memcmp(prevKey_.data(), key.data(), key.size());
      if (h_.descending) c = -c;
      if (c > 0 || (c == 0 && (h_.unique || prevRec_ >= rec))) Bad(page, "keys out of order");
    }
    prevKey_.assign(key);
    prevRec_ = rec;
    ++report_.keys;
  }

  void Walk(std::uint32_t page, int depth) {
    if (depth >= kMaxDepth) Bad(page, "tree too deep");
    Mark(page, "tree page");
    ++report_.pages;
    file_.ReadAt(page, raw_.data(), kPageSize);
    CheckSlots(page);
    NtxPage p;
    DecodePage(raw_.data(), page, geo_, size_, name_, p);
    if (page != h_.root && p.Count() < h_.maxItems / 2)
      Bad(page, ToText(p.Count()) + " keys, fewer than half a page");
    if (p.IsLeaf()) {
      if (leafDepth_ < 0) leafDepth_ = depth;
      if (leafDepth_ != depth) Bad(page, "leaves at different depths");
      for (int i = 0; i < p.Count(); ++i) Emit(page, p.Key(i, h_.keySize), p.rec[std::size_t(i)]);
      return;
    }
    if (p.Count() == 0) Bad(page, "branch page without keys");
    for (int i = 0; i <= p.Count(); ++i) {
      Walk(p.child[std::size_t(i)], depth + 1);
      if (i < p.Count()) Emit(page, p.Key(i, h_.keySize), p.rec[std::size_t(i)]);
    }
  }

  const NtxFile& file_;
  const NtxHeader& h_;
  std::string name_;
  std::uint64_t size_;
  std::vector<std::uint8_t> raw_;
  PageGeometry geo_;
  std::vector<bool> seen_;
  NtxCheckReport report_;
  int leafDepth_ = -1;
  std::string prevKey_;
  std::uint32_t prevRec_ = 0;
};

}  // namespace

NtxCheckReport CheckNtx(const NtxFile& file, const NtxHeader& header, std::string_view fileName) {
  return Checker(file, header, fileName).Run();
}

}  // namespace kt::ntx
