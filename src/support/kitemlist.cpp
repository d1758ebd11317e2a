#include "support/kitemlist.h"

namespace kt {

const ClassInfo& kItemList::StaticClass() {
  static ClassInfo info("kItemList", &Object::StaticClass());
  static const bool registered = [] {
    info.Method<kItemList>("Add", [](kItemList& l, Args a) {
      l.Add(a.empty() ? Usual() : a[0]);
      return Usual();
    });
    info.Method<kItemList>("Get", [](kItemList& l, Args a) { return l.Get(a.empty() ? 0 : std::size_t(a[0].AsInteger())); });
    info.Method<kItemList>("Put", [](kItemList& l, Args a) {
      if (a.size() >= 2) l.Put(std::size_t(a[0].AsInteger()), a[1]);
      return Usual();
    });
    info.Method<kItemList>("Exist", [](kItemList& l, Args a) { return Usual(a.empty() ? 0 : l.Exist(a[0])); });
    info.Method<kItemList>("Delete", [](kItemList& l, Args a) {
      if (!a.empty()) l.Delete(a[0]);
      return Usual();
    });
    info.Method<kItemList>("Clear", [](kItemList& l, Args) {
      l.Clear();
      return Usual();
    });
    info.Access<kItemList>("Count", [](kItemList& l) { return Usual(l.Count()); });
    return true;
  }();
  (void)registered;
  return info;
}

std::size_t kItemList::Exist(const Usual& item) const {
  if (!item.IsObject()) return 0;
  for (std::size_t i = 1; i <= items_.Len(); ++i)
    if (items_.Get(i).AsObject() == item.AsObject()) return i;
  return 0;
}

void kItemList::Delete(const Usual& uItem) {
  const std::size_t pos = uItem.IsNumeric() ? std::size_t(uItem.AsInteger() < 0 ? 0 : uItem.AsInteger()) : Exist(uItem);
  items_.Remove(pos);
}

}  // namespace kt
