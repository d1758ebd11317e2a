#include "platform/runtime/array.h"

#include "platform/runtime/codeblock.h"
#include "platform/runtime/object.h"
#include "platform/runtime/operators.h"
#include "platform/runtime/runtime.h"

namespace kt {

const Usual& Array::Get(std::size_t pos) const noexcept {
  if (pos < 1 || pos > rep_->items.size()) return NIL;
  return rep_->items[pos - 1];
}

void Array::Put(std::size_t pos, Usual value) {
  if (pos < 1 || pos > rep_->items.size()) return;
  rep_->items[pos - 1] = std::move(value);
}

void Array::Insert(std::size_t pos, Usual value) {
  auto& items = rep_->items;
  if (pos < 1 || pos > items.size()) items.push_back(std::move(value));
  else items.insert(items.begin() + std::ptrdiff_t(pos - 1), std::move(value));
}

void Array::Remove(std::size_t pos) {
  auto& items = rep_->items;
  if (pos < 1 || pos > items.size()) return;
  items.erase(items.begin() + std::ptrdiff_t(pos - 1));
}

Array Array::Clone() const {
  Array copy;
  copy.rep_->items = rep_->items;
  return copy;
}

namespace {

std::size_t Scan(const Usual& array, const Usual& value, const Usual& start, const Usual& count, bool exact) {
  if (!array.IsArray()) return 0;
  const Array a = array.AsArray();
  const std::int64_t len = static_cast<std::int64_t>(a.Len());
  if (len == 0) return 0;
  std::int64_t n = count.IsNumeric() ? count.AsInteger() : len;
  const bool backward = n < 0;
  std::int64_t from = start.IsNumeric() ? start.AsInteger() : (backward ? len : 1);
  if (from < 1 || from > len) return 0;
  // More than the array holds changes nothing; clamping also keeps -n defined.
  n = backward ? (n < -len ? len : -n) : (n > len ? len : n);
  const bool isBlock = value.IsCodeblock() || (value.IsObject() && value.AsObject()->HasMethod(Symbol("EVAL")));
  for (std::int64_t i = 0; i < n; ++i) {
    const std::int64_t pos = backward ? from - i : from + i;
    if (pos < 1 || pos > len) break;
    const Usual& element = a.Get(std::size_t(pos));
    bool hit;
    if (isBlock) {
      const Usual arg[] = {element, Usual(pos)};
      hit = EvalBlock(value, Args(arg, 2)).AsLogic();
    } else {
      hit = EqualsWith(element, value, exact);
    }
    if (hit) return std::size_t(pos);
  }
  return 0;
}

}  // namespace

std::size_t AScan(const Usual& array, const Usual& value, const Usual& start, const Usual& count) {
  return Scan(array, value, start, count, SetExact());
}

std::size_t AScanExact(const Usual& array, const Usual& value, const Usual& start, const Usual& count) {
  return Scan(array, value, start, count, true);
}

std::size_t AScanWith(const Usual& array, const Usual& value, const Usual& start, const Usual& count, bool exact) {
  return Scan(array, value, start, count, exact);
}

}  // namespace kt
