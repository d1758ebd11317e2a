#pragma once
// B-tree operations over the pages of a PageStore: descending to a key,
// stepping between neighbouring entries, inserting and removing with page
// splits, rotations and merges, and key positions from subtree counts.
//
// Entries are ordered by key (reversed for descending orders), equal keys by
// record number ascending.
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/db/ntx/ntx_store.h"

namespace kt::ntx {

// Deeper trees cannot come from a file below 4 GB; a deeper walk means a cycle.
inline constexpr int kMaxDepth = 48;

struct Level {
  std::uint32_t page = 0;
  // Branch levels above the current one: the child descended into. The last
  // level: the entry the path stands on (or a gap while being normalised).
  int idx = 0;
};
using Path = std::vector<Level>;

class NtxTree {
 public:
  explicit NtxTree(PageStore& store) : store_(store) {}

  int KeySize() const { return store_.Geometry().keySize; }
  bool Descending() const { return store_.Header().descending; }

  // Key comparison in order direction over the first `len` bytes.
  int CompareKeys(std::string_view a, std::string_view b, std::size_t len) const;
  int CompareEntries(std::string_view ka, std::uint32_t ra, std::string_view kb, std::uint32_t rb) const;

  // Positions on the first entry whose key prefix (the length of `key`)
  // is >= key (or > key with `upper`); with `rec` != 0 full keys and record
  // numbers are compared. False at end (path empty).
  bool Find(std::string_view key, std::uint32_t rec, bool upper, Path& path);
  bool First(Path& path);
  bool Last(Path& path);
  bool Next(Path& path);
  bool Prev(Path& path);
  // Entry under a positioned path.
  std::string_view KeyAt(const Path& path);
  std::uint32_t RecAt(const Path& path);

  // False when the exact entry is present already, or (unique) any entry
  // with the key.
  bool Insert(std::string_view key, std::uint32_t rec, bool unique);
  // False when the entry is not in the tree.
  bool Remove(std::string_view key, std::uint32_t rec);

  std::uint64_t Count();
  // Number of entries before the one the path stands on.
  std::uint64_t Position(const Path& path);
  // Path to the entry with 0-based position `pos` (< Count()).
  void AtPosition(std::uint64_t pos, Path& path);

 private:
  const NtxPage& Page(std::uint32_t off) { return store_.Page(off); }
  void Push(Path& path, std::uint32_t page, int idx);
  bool Normalize(Path& path);
  bool NormalizeBack(Path& path);
  bool DescendLeft(Path& path, std::uint32_t page);
  bool DescendRight(Path& path, std::uint32_t page);
  void SplitUp(Path& path);
  void Rebalance(Path& path);
  void InvalidatePath(const Path& path);
  std::uint64_t SubtreeCount(std::uint32_t page, int depth, std::vector<NtxPage>& scratch,
                             std::vector<bool>& visited);

  PageStore& store_;
};

}  // namespace kt::ntx
