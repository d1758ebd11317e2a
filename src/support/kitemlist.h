#pragma once
// kItemList: an ordered list of objects addressed by 1-based position; the
// base of the condition lists and the key-command list.
#include "platform/runtime/array.h"
#include "platform/runtime/object.h"

namespace kt {

class kItemList : public Object {
 public:
  kItemList() = default;

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  void Add(const Usual& item) { items_.Add(item); }
  // The object at nIndex; NIL outside 1..Count.
  Usual Get(std::size_t nIndex) const { return items_.Get(nIndex); }
  // Replaces within 1..Count; other positions change nothing.
  void Put(std::size_t nIndex, const Usual& item) { items_.Put(nIndex, item); }
  // Position of the object (by identity), 0 when absent.
  std::size_t Exist(const Usual& item) const;
  // uItem is a position or an object in the list; anything else is ignored.
  void Delete(const Usual& uItem);
  void Clear() { items_.Clear(); }
  std::size_t Count() const { return items_.Len(); }
  const Array& Items() const { return items_; }
  void Destruct() { Clear(); }

 private:
  Array items_;
};

}  // namespace kt
