#include "servers/order_tree.h"

#include <algorithm>
#include <numeric>

namespace kt {
namespace {

int TypeRank(const Usual& v) {
  switch (v.Type()) {
    case UsualType::Nil: return 0;
    case UsualType::Logic: return 1;
    case UsualType::Integer:
    case UsualType::Float: return 2;
    case UsualType::Date: return 3;
    case UsualType::String: return 4;
    case UsualType::Symbol: return 5;
    default: return 6;
  }
}

}  // namespace

int OrderTree::CompareKeys(const Usual& a, const Usual& b) {
  const int ra = TypeRank(a), rb = TypeRank(b);
  if (ra != rb) return ra < rb ? -1 : 1;
  switch (ra) {
    case 1: return int(a.AsLogic()) - int(b.AsLogic());
    case 2:
      if (a.IsInteger() && b.IsInteger())
        return a.AsInteger() < b.AsInteger() ? -1 : a.AsInteger() > b.AsInteger() ? 1 : 0;
      return a.AsFloat() < b.AsFloat() ? -1 : a.AsFloat() > b.AsFloat() ? 1 : 0;
    case 3: {
      const auto x = a.AsDate().Julian(), y = b.AsDate().Julian();
      return x < y ? -1 : x > y ? 1 : 0;
    }
    case 4: {
      const int c = a.AsStringView().compare(b.AsStringView());
      return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    case 5: {
      const int c = a.AsSymbol().Name().compare(b.AsSymbol().Name());
      return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    default: return 0;
  }
}

void OrderTree::Clear() {
  nodes_.clear();
  free_.clear();
  byRec_.clear();
  root_ = kNone;
}

bool OrderTree::Before(const Node& a, const Node& b) const {
  const int c = Direction(a.key, b.key);
  if (c != 0) return c < 0;
  return a.seq < b.seq;
}

std::uint32_t OrderTree::Random() {
  rng_ ^= rng_ << 13;
  rng_ ^= rng_ >> 17;
  rng_ ^= rng_ << 5;
  return rng_;
}

void OrderTree::Update(std::int32_t n) {
  Node& node = nodes_[std::size_t(n)];
  node.size = 1 + Size(node.left) + Size(node.right);
  if (node.left != kNone) nodes_[std::size_t(node.left)].parent = n;
  if (node.right != kNone) nodes_[std::size_t(node.right)].parent = n;
}

void OrderTree::SetRoot(std::int32_t r) {
  root_ = r;
  if (r != kNone) nodes_[std::size_t(r)].parent = kNone;
}

std::int32_t OrderTree::Merge(std::int32_t a, std::int32_t b) {
  if (a == kNone) return b;
  if (b == kNone) return a;
  if (nodes_[std::size_t(a)].prio > nodes_[std::size_t(b)].prio) {
    nodes_[std::size_t(a)].right = Merge(nodes_[std::size_t(a)].right, b);
    Update(a);
    return a;
  }
  nodes_[std::size_t(b)].left = Merge(a, nodes_[std::size_t(b)].left);
  Update(b);
  return b;
}

void OrderTree::Split(std::int32_t t, const Node& pivot, std::int32_t& l, std::int32_t& r) {
  if (t == kNone) {
    l = r = kNone;
    return;
  }
  if (Before(nodes_[std::size_t(t)], pivot)) {
    Split(nodes_[std::size_t(t)].right, pivot, nodes_[std::size_t(t)].right, r);
    l = t;
  } else {
    Split(nodes_[std::size_t(t)].left, pivot, l, nodes_[std::size_t(t)].left);
    r = t;
  }
  Update(t);
}

std::int32_t OrderTree::InsertNode(std::int32_t t, std::int32_t n) {
  if (t == kNone) return n;
  Node& node = nodes_[std::size_t(n)];
  if (node.prio > nodes_[std::size_t(t)].prio) {
    std::int32_t l, r;
    Split(t, node, l, r);
    nodes_[std::size_t(n)].left = l;
    nodes_[std::size_t(n)].right = r;
    Update(n);
    return n;
  }
  if (Before(node, nodes_[std::size_t(t)])) nodes_[std::size_t(t)].left = InsertNode(nodes_[std::size_t(t)].left, n);
  else nodes_[std::size_t(t)].right = InsertNode(nodes_[std::size_t(t)].right, n);
  Update(t);
  return t;
}

std::int32_t OrderTree::EraseNode(std::int32_t t, std::int32_t n) {
  if (t == kNone) return kNone;
  if (t == n) return Merge(nodes_[std::size_t(t)].left, nodes_[std::size_t(t)].right);
  if (Before(nodes_[std::size_t(n)], nodes_[std::size_t(t)])) nodes_[std::size_t(t)].left = EraseNode(nodes_[std::size_t(t)].left, n);
  else nodes_[std::size_t(t)].right = EraseNode(nodes_[std::size_t(t)].right, n);
  Update(t);
  return t;
}

std::int32_t OrderTree::Allocate(RecNo recNo, Usual key) {
  std::int32_t n;
  if (!free_.empty()) {
    n = free_.back();
    free_.pop_back();
  } else {
    n = std::int32_t(nodes_.size());
    nodes_.emplace_back();
  }
  Node& node = nodes_[std::size_t(n)];
  node = Node();
  node.key = std::move(key);
  node.seq = nextSeq_++;
  node.recNo = recNo;
  node.prio = Random();
  if (byRec_.size() <= recNo) byRec_.resize(std::size_t(recNo) + 1, kNone);
  byRec_[recNo] = n;
  return n;
}

void OrderTree::Insert(RecNo recNo, Usual key) {
  if (Contains(recNo)) Remove(recNo);
  const std::int32_t n = Allocate(recNo, std::move(key));
  SetRoot(InsertNode(root_, n));
}

bool OrderTree::Remove(RecNo recNo) {
  const std::int32_t n = NodeOf(recNo);
  if (n == kNone) return false;
  SetRoot(EraseNode(root_, n));
  byRec_[recNo] = kNone;
  nodes_[std::size_t(n)].key = Usual();
  free_.push_back(n);
  return true;
}

const Usual* OrderTree::KeyOf(RecNo recNo) const {
  const std::int32_t n = NodeOf(recNo);
  return n == kNone ? nullptr : &nodes_[std::size_t(n)].key;
}

std::size_t OrderTree::PositionOf(RecNo recNo) const {
  std::int32_t n = NodeOf(recNo);
  if (n == kNone) return 0;
  std::size_t pos = Size(nodes_[std::size_t(n)].left) + 1;
  for (std::int32_t p = nodes_[std::size_t(n)].parent; p != kNone; n = p, p = nodes_[std::size_t(p)].parent)
    if (nodes_[std::size_t(p)].right == n) pos += Size(nodes_[std::size_t(p)].left) + 1;
  return pos;
}

OrderTree::RecNo OrderTree::RecordAt(std::size_t pos) const {
  if (pos < 1 || pos > Count()) return 0;
  std::int32_t t = root_;
  while (t != kNone) {
    const std::size_t left = Size(nodes_[std::size_t(t)].left);
    if (pos <= left) {
      t = nodes_[std::size_t(t)].left;
    } else if (pos == left + 1) {
      return nodes_[std::size_t(t)].recNo;
    } else {
      pos -= left + 1;
      t = nodes_[std::size_t(t)].right;
    }
  }
  return 0;
}

const Usual& OrderTree::KeyAt(std::size_t pos) const {
  const RecNo rec = RecordAt(pos);
  const Usual* key = rec ? KeyOf(rec) : nullptr;
  return key ? *key : NIL;
}

std::size_t OrderTree::LowerBound(const Usual& key) const {
  std::size_t before = 0;
  std::int32_t t = root_;
  while (t != kNone) {
    if (Direction(nodes_[std::size_t(t)].key, key) < 0) {
      before += Size(nodes_[std::size_t(t)].left) + 1;
      t = nodes_[std::size_t(t)].right;
    } else {
      t = nodes_[std::size_t(t)].left;
    }
  }
  return before + 1;
}

OrderTree::RecNo OrderTree::Next(RecNo recNo) const {
  std::int32_t n = NodeOf(recNo);
  if (n == kNone) return 0;
  if (nodes_[std::size_t(n)].right != kNone) {
    n = nodes_[std::size_t(n)].right;
    while (nodes_[std::size_t(n)].left != kNone) n = nodes_[std::size_t(n)].left;
    return nodes_[std::size_t(n)].recNo;
  }
  for (std::int32_t p = nodes_[std::size_t(n)].parent; p != kNone; n = p, p = nodes_[std::size_t(p)].parent)
    if (nodes_[std::size_t(p)].left == n) return nodes_[std::size_t(p)].recNo;
  return 0;
}

OrderTree::RecNo OrderTree::Prev(RecNo recNo) const {
  std::int32_t n = NodeOf(recNo);
  if (n == kNone) return 0;
  if (nodes_[std::size_t(n)].left != kNone) {
    n = nodes_[std::size_t(n)].left;
    while (nodes_[std::size_t(n)].right != kNone) n = nodes_[std::size_t(n)].right;
    return nodes_[std::size_t(n)].recNo;
  }
  for (std::int32_t p = nodes_[std::size_t(n)].parent; p != kNone; n = p, p = nodes_[std::size_t(p)].parent)
    if (nodes_[std::size_t(p)].right == n) return nodes_[std::size_t(p)].recNo;
  return 0;
}

std::int32_t OrderTree::BuildFromSorted(const std::vector<std::int32_t>& order) {
  // Cartesian tree over the sorted sequence: O(n) with a stack of the right spine.
  std::vector<std::int32_t> spine;
  for (std::int32_t n : order) {
    std::int32_t last = kNone;
    while (!spine.empty() && nodes_[std::size_t(spine.back())].prio < nodes_[std::size_t(n)].prio) {
      last = spine.back();
      spine.pop_back();
    }
    nodes_[std::size_t(n)].left = last;
    if (!spine.empty()) nodes_[std::size_t(spine.back())].right = n;
    spine.push_back(n);
  }
  if (spine.empty()) return kNone;
  // Sizes and parents bottom-up: in post-order without recursion.
  std::vector<std::pair<std::int32_t, bool>> stack{{spine.front(), false}};
  while (!stack.empty()) {
    auto [n, visited] = stack.back();
    stack.pop_back();
    if (visited) {
      Update(n);
      continue;
    }
    stack.push_back({n, true});
    if (nodes_[std::size_t(n)].left != kNone) stack.push_back({nodes_[std::size_t(n)].left, false});
    if (nodes_[std::size_t(n)].right != kNone) stack.push_back({nodes_[std::size_t(n)].right, false});
  }
  return spine.front();
}

void OrderTree::Build(std::vector<std::pair<RecNo, Usual>> entries) {
  Clear();
  nodes_.reserve(entries.size());
  std::vector<std::int32_t> order;
  order.reserve(entries.size());
  for (auto& [rec, key] : entries) order.push_back(Allocate(rec, std::move(key)));
  // Allocation gave increasing sequence numbers in record order, so a
  // stable sort by key keeps equal keys in that order.
  std::stable_sort(order.begin(), order.end(), [this](std::int32_t a, std::int32_t b) {
    return Direction(nodes_[std::size_t(a)].key, nodes_[std::size_t(b)].key) < 0;
  });
  for (std::size_t i = 0; i < order.size(); ++i) nodes_[std::size_t(order[i])].seq = i + 1;
  nextSeq_ = order.size() + 1;
  SetRoot(BuildFromSorted(order));
}

void OrderTree::ForEach(const std::function<void(RecNo, const Usual&)>& fn) const {
  std::vector<std::int32_t> stack;
  std::int32_t t = root_;
  while (t != kNone || !stack.empty()) {
    while (t != kNone) {
      stack.push_back(t);
      t = nodes_[std::size_t(t)].left;
    }
    t = stack.back();
    stack.pop_back();
    fn(nodes_[std::size_t(t)].recNo, nodes_[std::size_t(t)].key);
    t = nodes_[std::size_t(t)].right;
  }
}

void OrderTree::Remap(const std::function<RecNo(RecNo)>& map) {
  // Keep the current sequence, drop and renumber, rebuild in O(n).
  std::vector<std::pair<RecNo, Usual>> kept;
  kept.reserve(Count());
  ForEach([&](RecNo rec, const Usual& key) {
    const RecNo mapped = map(rec);
    if (mapped != 0) kept.emplace_back(mapped, key);
  });
  Clear();
  std::vector<std::int32_t> order;
  order.reserve(kept.size());
  for (auto& [rec, key] : kept) order.push_back(Allocate(rec, std::move(key)));
  SetRoot(BuildFromSorted(order));
}

}  // namespace kt
