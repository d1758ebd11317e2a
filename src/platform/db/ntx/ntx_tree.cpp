#include "platform/db/ntx/ntx_tree.h"

#include <cstring>

#include "platform/db/ntx/ntx_error.h"
#include "platform/runtime/numtext.h"

namespace kt::ntx {

int NtxTree::CompareKeys(std::string_view a, std::string_view b, std::size_t len) const {
  int c = std::memcmp(a.data(), b.data(), len);
  return Descending() ? -c : c;
}

int NtxTree::CompareEntries(std::string_view ka, std::uint32_t ra, std::string_view kb, std::uint32_t rb) const {
  int c = CompareKeys(ka, kb, std::size_t(KeySize()));
  if (c != 0) return c;
  return ra < rb ? -1 : (ra > rb ? 1 : 0);
}

void NtxTree::Push(Path& path, std::uint32_t page, int idx) {
  if (int(path.size()) >= kMaxDepth)
    Corrupt(store_.FileName(), "tree deeper than " + ToText(kMaxDepth) + " levels (page cycle?)");
  for (const Level& l : path) {
    if (l.page == page) Corrupt(store_.FileName(), "page cycle through page " + ToText(page));
  }
  path.push_back({page, idx});
}

bool NtxTree::Normalize(Path& path) {
  while (!path.empty()) {
    if (path.back().idx < Page(path.back().page).Count()) return true;
    path.pop_back();
  }
  return false;
}

bool NtxTree::NormalizeBack(Path& path) {
  while (!path.empty()) {
    if (path.back().idx >= 0) return true;
    path.pop_back();
    if (!path.empty()) --path.back().idx;
  }
  return false;
}

bool NtxTree::DescendLeft(Path& path, std::uint32_t page) {
  for (;;) {
    Push(path, page, 0);
    const NtxPage& p = Page(page);
    if (p.IsLeaf()) break;
    page = p.child[0];
  }
  return Normalize(path);
}

bool NtxTree::DescendRight(Path& path, std::uint32_t page) {
  for (;;) {
    const NtxPage& p = Page(page);
    if (p.IsLeaf()) {
      Push(path, page, p.Count() - 1);
      break;
    }
    Push(path, page, p.Count());
    page = p.child[std::size_t(p.Count())];
  }
  return NormalizeBack(path);
}

bool NtxTree::First(Path& path) {
  path.clear();
  return DescendLeft(path, store_.Root());
}

bool NtxTree::Last(Path& path) {
  path.clear();
  return DescendRight(path, store_.Root());
}

bool NtxTree::Next(Path& path) {
  Level& l = path.back();
  const NtxPage& p = Page(l.page);
  ++l.idx;
  if (!p.IsLeaf()) return DescendLeft(path, p.child[std::size_t(l.idx)]);
  return Normalize(path);
}

bool NtxTree::Prev(Path& path) {
  Level& l = path.back();
  const NtxPage& p = Page(l.page);
  if (!p.IsLeaf()) return DescendRight(path, p.child[std::size_t(l.idx)]);
  --l.idx;
  return NormalizeBack(path);
}

std::string_view NtxTree::KeyAt(const Path& path) { return Page(path.back().page).Key(path.back().idx, KeySize()); }

std::uint32_t NtxTree::RecAt(const Path& path) { return Page(path.back().page).rec[std::size_t(path.back().idx)]; }

bool NtxTree::Find(std::string_view key, std::uint32_t rec, bool upper, Path& path) {
  path.clear();
  const int ks = KeySize();
  const std::size_t len = std::min<std::size_t>(key.size(), std::size_t(ks));
  std::uint32_t page = store_.Root();
  for (;;) {
    const NtxPage& p = Page(page);
    // First entry that is not below the target (above it with `upper`).
    int lo = 0, hi = p.Count();
    while (lo < hi) {
      int mid = (lo + hi) / 2;
      std::string_view k = p.Key(mid, ks);
      int c = rec != 0 ? CompareEntries(k, p.rec[std::size_t(mid)], key, rec) : CompareKeys(k, key, len);
      bool before = upper ? c <= 0 : c < 0;
      if (before)
        lo = mid + 1;
      else
        hi = mid;
    }
    Push(path, page, lo);
    if (p.IsLeaf()) break;
    page = p.child[std::size_t(lo)];
  }
  return Normalize(path);
}

void NtxTree::InvalidatePath(const Path& path) {
  auto& counts = store_.Counts();
  for (const Level& l : path) counts.erase(l.page);
}

bool NtxTree::Insert(std::string_view key, std::uint32_t rec, bool unique) {
  const int ks = KeySize();
  Path path;
  if (unique && Find(key, 0, false, path) && CompareKeys(KeyAt(path), key, std::size_t(ks)) == 0) return false;
  // Descend to the leaf gap where the entry belongs.
  path.clear();
  std::uint32_t page = store_.Root();
  for (;;) {
    const NtxPage& p = Page(page);
    int lo = 0, hi = p.Count();
    while (lo < hi) {
      int mid = (lo + hi) / 2;
      int c = CompareEntries(p.Key(mid, ks), p.rec[std::size_t(mid)], key, rec);
      if (c == 0) return false;
      if (c < 0)
        lo = mid + 1;
      else
        hi = mid;
    }
    Push(path, page, lo);
    if (p.IsLeaf()) break;
    page = p.child[std::size_t(lo)];
  }
  NtxPage& leaf = store_.Edit(path.back().page);
  leaf.InsertEntry(path.back().idx, key, rec, ks);
  leaf.child.push_back(0);
  InvalidatePath(path);
  SplitUp(path);
  return true;
}

void NtxTree::SplitUp(Path& path) {
  const int ks = KeySize();
  const int max = store_.Geometry().maxItems;
  for (int l = int(path.size()) - 1; l >= 0; --l) {
    NtxPage& p = store_.Edit(path[std::size_t(l)].page);
    const int n = p.Count();
    if (n <= max) return;
    const int mid = n / 2;
    NtxPage& right = store_.NewPage();
    right.rec.assign(p.rec.begin() + mid + 1, p.rec.end());
    right.keys.assign(p.keys, std::size_t(mid + 1) * ks, std::string::npos);
    right.child.assign(p.child.begin() + mid + 1, p.child.end());
    std::string upKey(p.Key(mid, ks));
    std::uint32_t upRec = p.rec[std::size_t(mid)];
    p.rec.resize(std::size_t(mid));
    p.keys.resize(std::size_t(mid) * ks);
    p.child.resize(std::size_t(mid) + 1);
    if (l == 0) {
      NtxPage& root = store_.NewPage();
      root.rec.assign(1, upRec);
      root.keys = upKey;
      root.child = {p.offset, right.offset};
      store_.SetRoot(root.offset);
      return;
    }
    NtxPage& parent = store_.Edit(path[std::size_t(l - 1)].page);
    int ci = path[std::size_t(l - 1)].idx;
    parent.InsertEntry(ci, upKey, upRec, ks);
    parent.child.insert(parent.child.begin() + ci + 1, right.offset);
  }
}

bool NtxTree::Remove(std::string_view key, std::uint32_t rec) {
  const int ks = KeySize();
  Path path;
  bool found = Find(key, rec, false, path) && RecAt(path) == rec &&
               CompareKeys(KeyAt(path), key, std::size_t(ks)) == 0;
  if (!found) {
    // Files from other programs may order equal keys differently: look
    // through the run of equal keys.
    bool ok = Find(key, 0, false, path);
    while (ok && CompareKeys(KeyAt(path), key, std::size_t(ks)) == 0) {
      if (RecAt(path) == rec) {
        found = true;
        break;
      }
      ok = Next(path);
    }
    if (!found) return false;
  }
  InvalidatePath(path);
  Level at = path.back();
  const NtxPage& p0 = Page(at.page);
  if (!p0.IsLeaf()) {
    // Take the predecessor from the bottom of the left subtree.
    std::uint32_t page = p0.child[std::size_t(at.idx)];
    for (;;) {
      const NtxPage& c = Page(page);
      if (c.IsLeaf()) {
        if (c.Count() == 0) Corrupt(store_.FileName(), "empty page " + ToText(page) + " below a key");
        Push(path, page, c.Count() - 1);
        break;
      }
      Push(path, page, c.Count());
      page = c.child[std::size_t(c.Count())];
    }
    InvalidatePath(path);
    NtxPage& leaf = store_.Edit(path.back().page);
    NtxPage& p = store_.Edit(at.page);
    int last = leaf.Count() - 1;
    std::memcpy(p.keys.data() + std::size_t(at.idx) * ks, leaf.keys.data() + std::size_t(last) * ks, std::size_t(ks));
    p.rec[std::size_t(at.idx)] = leaf.rec[std::size_t(last)];
    leaf.EraseEntry(last, ks);
    leaf.child.pop_back();
  } else {
    NtxPage& leaf = store_.Edit(at.page);
    leaf.EraseEntry(at.idx, ks);
    leaf.child.pop_back();
  }
  Rebalance(path);
  return true;
}

void NtxTree::Rebalance(Path& path) {
  const int ks = KeySize();
  const int minKeys = store_.Geometry().maxItems / 2;
  for (int l = int(path.size()) - 1; l >= 1; --l) {
    const std::uint32_t off = path[std::size_t(l)].page;
    if (Page(off).Count() >= minKeys) break;
    NtxPage& parent = store_.Edit(path[std::size_t(l - 1)].page);
    const int ci = path[std::size_t(l - 1)].idx;
    const std::uint32_t leftOff = ci > 0 ? parent.child[std::size_t(ci - 1)] : 0;
    const std::uint32_t rightOff = ci < parent.Count() ? parent.child[std::size_t(ci + 1)] : 0;
    if (leftOff == 0 && rightOff == 0) break;  // a lone child cannot borrow
    auto setEntry = [&](NtxPage& pg, int i, std::string_view k, std::uint32_t r) {
      std::memcpy(pg.keys.data() + std::size_t(i) * ks, k.data(), std::size_t(ks));
      pg.rec[std::size_t(i)] = r;
    };
    if (leftOff != 0 && Page(leftOff).Count() > minKeys) {
      NtxPage& left = store_.Edit(leftOff);
      NtxPage& p = store_.Edit(off);
      p.InsertEntry(0, parent.Key(ci - 1, ks), parent.rec[std::size_t(ci - 1)], ks);
      p.child.insert(p.child.begin(), left.child.back());
      int last = left.Count() - 1;
      setEntry(parent, ci - 1, left.Key(last, ks), left.rec[std::size_t(last)]);
      left.EraseEntry(last, ks);
      left.child.pop_back();
      break;
    }
    if (rightOff != 0 && Page(rightOff).Count() > minKeys) {
      NtxPage& right = store_.Edit(rightOff);
      NtxPage& p = store_.Edit(off);
      p.InsertEntry(p.Count(), parent.Key(ci, ks), parent.rec[std::size_t(ci)], ks);
      p.child.push_back(right.child.front());
      setEntry(parent, ci, right.Key(0, ks), right.rec[0]);
      right.EraseEntry(0, ks);
      right.child.erase(right.child.begin());
      break;
    }
    // Merge with a sibling around their separator.
    const int sep = leftOff != 0 ? ci - 1 : ci;
    NtxPage& a = store_.Edit(parent.child[std::size_t(sep)]);
    const std::uint32_t bOff = parent.child[std::size_t(sep + 1)];
    const NtxPage& b = Page(bOff);
    a.InsertEntry(a.Count(), parent.Key(sep, ks), parent.rec[std::size_t(sep)], ks);
    a.rec.insert(a.rec.end(), b.rec.begin(), b.rec.end());
    a.keys += b.keys;
    a.child.insert(a.child.end(), b.child.begin(), b.child.end());
    parent.EraseEntry(sep, ks);
    parent.child.erase(parent.child.begin() + sep + 1);
    store_.FreePage(bOff);
  }
  const NtxPage& root = Page(store_.Root());
  if (root.Count() == 0 && !root.IsLeaf()) {
    std::uint32_t old = store_.Root();
    store_.SetRoot(root.child[0]);
    store_.FreePage(old);
  }
}

std::uint64_t NtxTree::SubtreeCount(std::uint32_t page, int depth, std::vector<NtxPage>& scratch,
                                    std::vector<bool>& visited) {
  auto& counts = store_.Counts();
  if (auto it = counts.find(page); it != counts.end()) return it->second;
  if (depth >= kMaxDepth)
    Corrupt(store_.FileName(), "tree deeper than " + ToText(kMaxDepth) + " levels (page cycle?)");
  std::size_t slot = page / kPageSize;
  if (slot >= visited.size()) visited.resize(slot + 1);
  if (visited[slot]) Corrupt(store_.FileName(), "page " + ToText(page) + " is reached twice");
  visited[slot] = true;
  if (scratch.size() <= std::size_t(depth)) scratch.resize(std::size_t(depth) + 1);
  const NtxPage& p = store_.Peek(page, scratch[std::size_t(depth)]);
  std::uint64_t total = std::uint64_t(p.Count());
  if (!p.IsLeaf()) {
    // Copy the children: deeper calls may reuse this level's scratch page.
    std::vector<std::uint32_t> children = p.child;
    for (std::uint32_t c : children) total += SubtreeCount(c, depth + 1, scratch, visited);
  }
  counts[page] = total;
  return total;
}

std::uint64_t NtxTree::Count() {
  std::vector<NtxPage> scratch;
  std::vector<bool> visited;
  return SubtreeCount(store_.Root(), 0, scratch, visited);
}

std::uint64_t NtxTree::Position(const Path& path) {
  std::vector<NtxPage> scratch;
  std::vector<bool> visited;
  std::uint64_t before = 0;
  for (std::size_t l = 0; l < path.size(); ++l) {
    const NtxPage& p = Page(path[l].page);
    const int idx = path[l].idx;
    const bool last = l + 1 == path.size();
    if (p.IsLeaf()) {
      before += std::uint64_t(idx);
      continue;
    }
    // Copy before counting: counting may decode pages into the cache.
    std::vector<std::uint32_t> children(p.child.begin(), p.child.begin() + idx + (last ? 1 : 0));
    for (int j = 0; j < int(children.size()); ++j) {
      before += SubtreeCount(children[std::size_t(j)], int(l) + 1, scratch, visited);
      if (j < idx) before += 1;
    }
  }
  return before;
}

void NtxTree::AtPosition(std::uint64_t pos, Path& path) {
  std::vector<NtxPage> scratch;
  std::vector<bool> visited;
  path.clear();
  std::uint32_t page = store_.Root();
  for (;;) {
    const NtxPage& p = Page(page);
    if (p.IsLeaf()) {
      if (pos >= std::uint64_t(p.Count())) Corrupt(store_.FileName(), "key counts do not add up");
      Push(path, page, int(pos));
      return;
    }
    std::vector<std::uint32_t> children = p.child;
    const int n = int(children.size()) - 1;
    bool descended = false;
    for (int j = 0; j <= n; ++j) {
      std::uint64_t c = SubtreeCount(children[std::size_t(j)], int(path.size()) + 1, scratch, visited);
      if (pos < c) {
        Push(path, page, j);
        page = children[std::size_t(j)];
        descended = true;
        break;
      }
      pos -= c;
      if (j < n) {
        if (pos == 0) {
          Push(path, page, j);
          return;
        }
        pos -= 1;
      }
    }
    if (!descended) Corrupt(store_.FileName(), "key counts do not add up");
  }
}

}  // namespace kt::ntx
