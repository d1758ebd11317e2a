#pragma once
// OrderTree: the keys of one order of an in-memory server — {record, key}
// pairs kept sorted by key, equal keys in the order they were added. A
// randomised balanced tree with subtree sizes gives O(log n) insert, remove,
// "position of record n" and "record at position p", and parent links give
// O(1) steps to the neighbouring key while walking.
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "platform/runtime/usual.h"

namespace kt {

class OrderTree {
 public:
  using RecNo = std::uint32_t;
  static constexpr std::int32_t kNone = -1;

  explicit OrderTree(bool descending = false) : descending_(descending) {}

  bool Descending() const { return descending_; }
  std::size_t Count() const { return root_ == kNone ? 0 : nodes_[std::size_t(root_)].size; }
  void Clear();

  // Builds from pairs in record order; equal keys keep that order. O(n log n).
  void Build(std::vector<std::pair<RecNo, Usual>> entries);
  // Adds the key behind every equal key. A record already present is moved.
  void Insert(RecNo recNo, Usual key);
  bool Remove(RecNo recNo);
  bool Contains(RecNo recNo) const { return NodeOf(recNo) != kNone; }
  const Usual* KeyOf(RecNo recNo) const;

  // 1-based position of the record's key; 0 when the record has no key.
  std::size_t PositionOf(RecNo recNo) const;
  // Record at a 1-based position; 0 outside 1..Count().
  RecNo RecordAt(std::size_t pos) const;
  const Usual& KeyAt(std::size_t pos) const;
  // The first position whose key does not come before `key` in this
  // order's direction; Count() + 1 when every key does.
  std::size_t LowerBound(const Usual& key) const;

  // Neighbours in order; 0 at either end or for a record without key.
  RecNo Next(RecNo recNo) const;
  RecNo Prev(RecNo recNo) const;

  // Renumbers records after rows were inserted into or removed from the
  // data: `map(old)` gives the new number, 0 drops the key. O(n).
  void Remap(const std::function<RecNo(RecNo)>& map);

  // Total order on key values: by type (NIL, logic, number, date, string,
  // symbol, others), FALSE before TRUE, strings byte by byte.
  static int CompareKeys(const Usual& a, const Usual& b);

  // Walks every pair in order (for tests and diagnostics).
  void ForEach(const std::function<void(RecNo, const Usual&)>& fn) const;

 private:
  struct Node {
    Usual key;
    std::uint64_t seq = 0;  // insertion sequence: breaks ties between equal keys
    RecNo recNo = 0;
    std::uint32_t prio = 0;
    std::int32_t left = kNone, right = kNone, parent = kNone;
    std::uint32_t size = 1;
  };

  std::int32_t NodeOf(RecNo recNo) const {
    return recNo < byRec_.size() ? byRec_[recNo] : kNone;
  }
  bool Before(const Node& a, const Node& b) const;
  int Direction(const Usual& a, const Usual& b) const {
    const int c = CompareKeys(a, b);
    return descending_ ? -c : c;
  }
  std::uint32_t Size(std::int32_t n) const { return n == kNone ? 0 : nodes_[std::size_t(n)].size; }
  void Update(std::int32_t n);
  std::int32_t Merge(std::int32_t a, std::int32_t b);
  // Splits t into nodes before `pivot` and the rest.
  void Split(std::int32_t t, const Node& pivot, std::int32_t& l, std::int32_t& r);
  std::int32_t InsertNode(std::int32_t t, std::int32_t n);
  std::int32_t EraseNode(std::int32_t t, std::int32_t n);
  std::int32_t Allocate(RecNo recNo, Usual key);
  void SetRoot(std::int32_t r);
  std::uint32_t Random();
  std::int32_t BuildFromSorted(const std::vector<std::int32_t>& order);

  bool descending_;
  std::vector<Node> nodes_;
  std::vector<std::int32_t> free_;
  std::vector<std::int32_t> byRec_;  // record number -> node
  std::int32_t root_ = kNone;
  std::uint64_t nextSeq_ = 1;
  std::uint32_t rng_ = 0x9E3779B9u;
};

}  // namespace kt
