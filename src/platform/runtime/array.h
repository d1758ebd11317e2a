#pragma once
// Array: a growable list of usual values with reference semantics (copies
// share one storage) and the runtime's 1-based positions.
#include <cstddef>
#include <initializer_list>
#include <vector>

#include "platform/runtime/usual.h"

namespace kt {

struct ArrayRep final : RefCounted {
  std::vector<Usual> items;
};

class Array {
 public:
  Array() : rep_(MakeRef<ArrayRep>()) {}
  explicit Array(std::size_t length) : Array() { rep_->items.resize(length); }
  Array(std::initializer_list<Usual> values) : Array() { rep_->items.assign(values); }
  explicit Array(Ref<ArrayRep> rep) : rep_(rep ? std::move(rep) : MakeRef<ArrayRep>()) {}

  std::size_t Len() const noexcept { return rep_->items.size(); }
  bool IsEmpty() const noexcept { return rep_->items.empty(); }
  // 1-based; positions outside 1..Len() read NIL.
  const Usual& Get(std::size_t pos) const noexcept;
  // 1-based; positions outside 1..Len() are ignored.
  void Put(std::size_t pos, Usual value);
  const Usual& operator[](std::size_t pos) const noexcept { return Get(pos); }

  void Add(Usual value) { rep_->items.push_back(std::move(value)); }
  // Inserts before pos (1..Len()+1); other positions append.
  void Insert(std::size_t pos, Usual value);
  // Removes the element and shrinks the array; positions outside are ignored.
  void Remove(std::size_t pos);
  void Resize(std::size_t length) { rep_->items.resize(length); }
  void Clear() { rep_->items.clear(); }
  // A new array with the same elements (one level).
  Array Clone() const;

  std::vector<Usual>& Items() noexcept { return rep_->items; }
  const std::vector<Usual>& Items() const noexcept { return rep_->items; }
  ArrayRep* Rep() const noexcept { return rep_.get(); }
  bool SameAs(const Array& other) const noexcept { return rep_ == other.rep_; }

  auto begin() const { return rep_->items.begin(); }
  auto end() const { return rep_->items.end(); }

 private:
  Ref<ArrayRep> rep_;
};

// Position of the first element equal to `value` (or, when `value` is a
// codeblock or an object with Eval, for which it returns TRUE), scanning
// from `start` over `count` elements; a negative count scans backward.
// Values compare by the runtime's exactness setting unless `exact` says
// otherwise. Returns 0 when nothing matches or `array` is not an array.
std::size_t AScan(const Usual& array, const Usual& value, const Usual& start = NIL, const Usual& count = NIL);
std::size_t AScanExact(const Usual& array, const Usual& value, const Usual& start = NIL, const Usual& count = NIL);
std::size_t AScanWith(const Usual& array, const Usual& value, const Usual& start, const Usual& count, bool exact);

}  // namespace kt
