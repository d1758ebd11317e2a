#include "grid/kcell.h"

namespace kt {
namespace {
const Usual& Arg(Args a, std::size_t i) { return i < a.size() ? a[i] : NIL; }
}  // namespace

void kCell::Init(const Usual& column, const Usual& row, const Usual& recNo) {
  if (!column.IsNil()) column_ = int(column.AsInteger());
  if (!row.IsNil()) row_ = row.AsInteger();
  if (!recNo.IsNil()) recNo_ = recNo.AsInteger();
}

const ClassInfo& kCell::StaticClass() {
  static ClassInfo info("kCell", &Object::StaticClass());
  static const bool registered = [] {
    using T = kCell;
    info.Method<T>("Init", [](T& c, Args a) {
      c.Init(Arg(a, 0), Arg(a, 1), Arg(a, 2));
      return Usual(&c);
    });
    info.Access<T>("Column", [](T& c) { return Usual(c.Column()); });
    info.Assign<T>("Column", [](T& c, const Usual& v) { c.Column(int(v.AsInteger())); });
    info.Access<T>("Row", [](T& c) { return Usual(c.Row()); });
    info.Assign<T>("Row", [](T& c, const Usual& v) { c.Row(v.AsInteger()); });
    info.Access<T>("RecNo", [](T& c) { return Usual(c.RecNo()); });
    info.Assign<T>("RecNo", [](T& c, const Usual& v) { c.RecNo(v.AsInteger()); });
    return true;
  }();
  (void)registered;
  return info;
}

}  // namespace kt
