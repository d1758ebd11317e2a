// Orders, seek, locate and the record filter of kArrayServer.
#include <algorithm>

#include "platform/runtime/codeblock.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/compiler/macro.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/text.h"
#include "servers/karrayserver.h"

namespace kt {
namespace {

const Symbol kExpression("Expression");
const Symbol kEval("Eval");

bool IsBlock(const Usual& v) { return v.IsCodeblock() || (v.IsObject() && v.AsObject()->HasMethod(kEval)); }

}  // namespace

Usual kArrayServer::ToBlock(const Usual& arg, std::string* text) {
  if (arg.IsString()) {
    const std::string source(text::Trim(arg.AsStringView()));
    if (text) *text = source;
    if (source.empty()) return Usual();
    Codeblock block = CompileCodeblock("{|Server| " + source + "}");
    return block ? Usual(block) : Usual();
  }
  if (IsBlock(arg)) {
    if (text && arg.IsObject() && arg.AsObject()->HasAccess(kExpression))
      *text = std::string(arg.AsObject()->Access(kExpression).AsStringView());
    return arg;
  }
  return Usual();
}

Usual kArrayServer::EvalKey(const Order& order) {
  const Usual arg[] = {Usual(this)};
  return EvalBlock(order.keyBlock, Args(arg, 1));
}

bool kArrayServer::PassesFor(const Order& order) {
  if (order.forBlock.IsNil()) return true;
  const Usual arg[] = {Usual(this)};
  return EvalBlock(order.forBlock, Args(arg, 1)).AsLogic();
}

void kArrayServer::RekeyCurrent() {
  if (orders_.empty() || AtEnd()) return;  // a record at end of file has no keys
  // All keys are evaluated before any order changes, so a failing key block
  // leaves every order as it was.
  std::vector<std::pair<Usual, bool>> keys;
  const bool ok = Trapped("OrderKeyAdd", [&] {
    for (const auto& order : orders_) keys.emplace_back(EvalKey(*order), PassesFor(*order));
  });
  if (!ok) return;
  const auto rec = OrderTree::RecNo(recNo_);
  for (std::size_t i = 0; i < orders_.size(); ++i) {
    Order& order = *orders_[i];
    order.keys.Remove(rec);
    if (keys[i].second) order.keys.Insert(rec, keys[i].first);
    ++order.version;
  }
  // The cursor follows the edited record to its new place in the order. A
  // record that left the order keeps its position: the gap where the key
  // that followed it now stands.
  if (Order* order = ActiveOrder()) {
    const std::size_t pos = order->keys.PositionOf(rec);
    if (pos) keyPos_ = pos;
  }
}

std::size_t kArrayServer::OrderNumber(const Usual& uOrder) const {
  if (uOrder.IsNil()) return std::size_t(currentOrder_);
  if (uOrder.IsNumeric()) {
    const std::int64_t n = uOrder.AsInteger();
    return n >= 1 && std::size_t(n) <= orders_.size() ? std::size_t(n) : 0;
  }
  return 0;
}

bool kArrayServer::CreateOrder(const Usual& uKey, const Usual& uFor, const Usual& uWhile, const Usual& lDescending,
                               const Usual& cbEval, const Usual& nEvery) {
  auto order = std::make_unique<Order>(lDescending.AsLogic());
  Usual whileBlock;
  if (!Trapped("CreateOrder", [&] {
        order->keyBlock = ToBlock(uKey, &order->keyText);
        order->forBlock = ToBlock(uFor, &order->forText);
        whileBlock = ToBlock(uWhile, nullptr);
      }))
    return false;
  if (order->keyBlock.IsNil()) {
    ReportStatus(gen::Arg, Symbol("CreateOrder"), "No key expression");
    return false;
  }
  if (!Notify(notify::IntentToMove)) return false;
  Commit();

  const std::int64_t savedRecNo = recNo_;
  const bool savedEof = eof_, savedBof = bof_;
  const std::int64_t every = nEvery.IsNumeric() ? nEvery.AsInteger() : 0;
  std::vector<std::pair<OrderTree::RecNo, Usual>> entries;
  bool built;
  bool cancelled = false;
  {
    SuspendScope suspended(*this);
    const Usual self(this);
    const Usual arg[] = {self};
    const Args args(arg, 1);
    built = Trapped("CreateOrder", [&] {
      eof_ = bof_ = false;
      entries.reserve(std::size_t(recordCount_));
      for (std::int64_t i = 1; i <= recordCount_; ++i) {
        recNo_ = i;
        if (!whileBlock.IsNil() && !EvalBlock(whileBlock, args).AsLogic()) break;
        if (!order->forBlock.IsNil() && !EvalBlock(order->forBlock, args).AsLogic()) continue;
        if (every > 0 && i % every == 0 && !cbEval.IsNil()) {
          const Usual go = EvalBlock(cbEval, args);
          if (go.IsLogic() && !go.AsLogic()) {
            cancelled = true;
            break;
          }
        }
        entries.emplace_back(OrderTree::RecNo(i), EvalBlock(order->keyBlock, args));
      }
    });
    recNo_ = savedRecNo;
    eof_ = savedEof;
    bof_ = savedBof;
    // A cancelled build installs nothing: the previous order and position stay.
    if (!built || cancelled) return false;
    order->keys.Build(std::move(entries));
    const bool first = orders_.empty();
    orders_.push_back(std::move(order));
    if (first) {
      currentOrder_ = 1;
      const std::size_t pos = recNo_ >= 1 && recNo_ <= recordCount_
                                  ? orders_[0]->keys.PositionOf(OrderTree::RecNo(recNo_))
                                  : 0;
      if (pos) keyPos_ = pos;
      else Trapped("CreateOrder", [this] { DoGoTop(); });
    }
  }
  Changed();
  Notify(notify::FileChange);
  return true;
}

bool kArrayServer::SetOrder(const Usual& nOrder) {
  if (!nOrder.IsNumeric() || nOrder.AsInteger() < 0 || std::size_t(nOrder.AsInteger()) > orders_.size()) {
    ReportStatus(gen::NoOrder, Symbol("SetOrder"), "Order number out of range: " + AsString(nOrder));
    return false;
  }
  if (!Notify(notify::IntentToMove)) return false;
  Commit();
  currentOrder_ = int(nOrder.AsInteger());
  if (Order* order = ActiveOrder()) {
    const std::size_t pos = AtEnd() ? 0 : order->keys.PositionOf(OrderTree::RecNo(recNo_));
    if (pos) {
      keyPos_ = pos;
    } else {
      SuspendScope suspended(*this);
      Trapped("SetOrder", [this] { DoGoTop(); });
    }
  }
  Changed();
  Notify(notify::FileChange);
  return true;
}

bool kArrayServer::ClearOrder(const Usual& nOrder) {
  if (orders_.empty()) return false;
  std::size_t n = 0;
  if (nOrder.IsNumeric()) {
    const std::int64_t v = nOrder.AsInteger();
    if (v < 0 || std::size_t(v) > orders_.size()) {
      ReportStatus(gen::NoOrder, Symbol("ClearOrder"), "Order number out of range: " + AsString(nOrder));
      return false;
    }
    n = v == 0 ? std::size_t(currentOrder_) : std::size_t(v);
    if (n == 0) return false;  // 0 asks for the active order, and there is none
  }
  if (!Notify(notify::IntentToMove)) return false;
  Commit();
  if (n > 0) {
    orders_.erase(orders_.begin() + std::ptrdiff_t(n - 1));
    cursorOrder_ = nullptr;
    bool top = true;
    if (!orders_.empty()) {
      currentOrder_ = 1;
      const std::size_t pos = AtEnd() ? 0 : orders_[0]->keys.PositionOf(OrderTree::RecNo(recNo_));
      if (pos) {
        keyPos_ = pos;
        top = false;
      }
    } else {
      currentOrder_ = 0;
    }
    if (top) {
      SuspendScope suspended(*this);
      Trapped("ClearOrder", [this] { DoGoTop(); });
    }
  } else {
    orders_.clear();
    cursorOrder_ = nullptr;
    currentOrder_ = 0;
  }
  Changed();
  Notify(notify::FileChange);
  return true;
}

Usual kArrayServer::OrderInfo(int kind, const Usual&, const Usual& uOrder, const Usual& uOrdSpec) {
  if (kind == 6) return Usual(currentOrder_);
  if (kind == 44) return Usual(orders_.size());
  const std::size_t n = OrderNumber(uOrder);
  Order* order = OrderAt(n);
  if (!order) {
    if (!uOrder.IsNil()) ReportStatus(gen::NoOrder, Symbol("OrderInfo"), "Order number out of range: " + AsString(uOrder));
    return Usual();
  }
  Usual result;
  switch (kind) {
    case 1: return Usual(order->forText);                              // condition
    case 2: return Usual(order->keyText);                              // key expression
    case 3: {                                                          // key position
      result = n == std::size_t(currentOrder_) ? OrderKeyNo() : Usual(OrderKeyNoToRecord(n, recNo_));
      if (uOrdSpec.IsNumeric() && n == std::size_t(currentOrder_)) OrderKeyNo(uOrdSpec);
      return result;
    }
    case 4: return Usual("ORDER" + std::to_string(n));                 // order name
    case 22: return Usual(order->descending);
    case 23: return Usual(!order->forBlock.IsNil());
    case 26: return Usual(order->keys.Count());
    case 28: return Usual(false);                                      // unique: keys are never unique here
    case 24:
    case 25:
    case 38:
      Trapped("OrderInfo", [&] { result = EvalKey(*order); });
      if (kind == 24) return Usual(result.TypeLetter());
      if (kind == 25) return Usual(result.IsString() ? text::Length(result.AsStringView()) : 0);
      return result;
    default: return Usual();
  }
}

Usual kArrayServer::OrderKeyNo() const {
  if (const Order* order = ActiveOrder()) return Usual(AtEnd() ? order->keys.Count() + 1 : keyPos_);
  return Usual(recNo_);
}

bool kArrayServer::OrderKeyNo(const Usual& position) {
  if (!position.IsNumeric()) return false;
  const std::int64_t pos = position.AsInteger();
  if (Order* order = ActiveOrder()) {
    const OrderTree::RecNo rec = pos >= 1 && std::size_t(pos) <= order->keys.Count() ? RecordAtKey(std::size_t(pos)) : 0;
    return GoTo(rec ? std::int64_t(rec) : recordCount_ + 1);
  }
  return GoTo(pos);
}

std::size_t kArrayServer::OrderKeyCount(const Usual& uOrder) const {
  const Order* order = OrderAt(OrderNumber(uOrder));
  return order ? order->keys.Count() : 0;
}

Usual kArrayServer::OrderKeyVal() {
  Order* order = ActiveOrder();
  if (!order || AtEnd()) return Usual();
  Usual key;
  Trapped("OrderKeyVal", [&] { key = EvalKey(*order); });
  return key;
}

std::string kArrayServer::IndexKey(const Usual& uOrder) const {
  const Order* order = OrderAt(OrderNumber(uOrder));
  return order ? order->keyText : std::string();
}

bool kArrayServer::RecordNumberInData(const char* method, std::int64_t recNo) {
  if (recNo >= 1 && recNo <= recordCount_) return true;
  ReportStatus(gen::Arg, Symbol(method),
               "Record number " + std::to_string(recNo) + " is outside the data (1 to " + std::to_string(recordCount_) +
                   ")");
  return false;
}

bool kArrayServer::OrderKeyAdd(std::size_t nOrder, const Usual& key, std::int64_t recNo, bool renumber) {
  Order* order = OrderAt(nOrder);
  if (!order) {
    ReportStatus(gen::NoOrder, Symbol("OrderKeyAdd"), "Order number out of range: " + std::to_string(nOrder));
    return false;
  }
  // Keys live in a table indexed by record number: an unchecked number could
  // size it far beyond the data or, cut to its width, name another record.
  if (!RecordNumberInData("OrderKeyAdd", recNo)) return false;
  // Renumbering follows a record the server has just inserted at recNo, and
  // its insert does that itself. From outside no record was inserted: the
  // shift would make the keys name their neighbours.
  if (renumber) {
    ReportStatus(gen::Arg, Symbol("OrderKeyAdd"),
                 "Renumbering from record " + std::to_string(recNo) +
                     " belongs to a record inserted by Append; the keys would name other records");
    return false;
  }
  AddKey(*order, key, recNo);
  return true;
}

void kArrayServer::AddKey(Order& order, const Usual& key, std::int64_t recNo) {
  // The FOR condition first: when it fails to evaluate, nothing has changed.
  if (PassesFor(order)) order.keys.Insert(OrderTree::RecNo(recNo), key);
  ++order.version;
  Changed();
}

void kArrayServer::RenumberFrom(Order& order, std::int64_t recNo) {
  const auto from = OrderTree::RecNo(recNo);
  order.keys.Remap([from](OrderTree::RecNo r) { return r >= from ? r + 1 : r; });
}

bool kArrayServer::OrderKeyDel(std::size_t nOrder, std::int64_t recNo, bool renumber) {
  Order* order = OrderAt(nOrder);
  if (!order) {
    ReportStatus(gen::NoOrder, Symbol("OrderKeyDel"), "Order number out of range: " + std::to_string(nOrder));
    return false;
  }
  if (!RecordNumberInData("OrderKeyDel", recNo)) return false;
  // Renumbering follows a record the server removes itself; from outside the
  // record stays, and the shift would make the keys name their neighbours.
  if (renumber) {
    ReportStatus(gen::Arg, Symbol("OrderKeyDel"),
                 "Renumbering from record " + std::to_string(recNo) +
                     " belongs to a record removed by Delete; the keys would name other records");
    return false;
  }
  RemoveKey(*order, recNo, false);
  return true;
}

void kArrayServer::RemoveKey(Order& order, std::int64_t recNo, bool renumber) {
  const auto gone = OrderTree::RecNo(recNo);
  order.keys.Remove(gone);
  if (renumber) order.keys.Remap([gone](OrderTree::RecNo r) { return r > gone ? r - 1 : r; });
  ++order.version;
  Changed();
}

std::size_t kArrayServer::OrderKeyNoToRecord(std::size_t nOrder, std::int64_t recNo) const {
  const Order* order = OrderAt(nOrder);
  return order && recNo >= 1 && recNo <= recordCount_ ? order->keys.PositionOf(OrderTree::RecNo(recNo)) : 0;
}

bool kArrayServer::Seek(const Usual& uKey, const Usual& lSoftSeek) {
  Order* order = ActiveOrder();
  if (!order) {
    ReportStatus(gen::NoOrder, Symbol("Seek"), "Seek needs an active order");
    return false;
  }
  const bool soft = lSoftSeek.IsLogic() ? lSoftSeek.AsLogic() : Runtime::Settings().softSeek;
  if (!Notify(notify::IntentToMove)) return false;
  Commit();
  ClearError();
  bool found = false;
  std::int64_t target = recordCount_ + 1;
  Trapped("Seek", [&] {
    const std::size_t count = order->keys.Count();
    // The first candidate by binary search, then past hidden records.
    for (std::size_t pos = order->keys.LowerBound(uKey); pos <= count; ++pos) {
      const OrderTree::RecNo rec = RecordAtKey(pos);
      if (IsHidden(rec)) continue;
      const Usual* key = order->keys.KeyOf(rec);
      if (key && *key == uKey) {
        found = true;
        target = rec;
      } else if (soft) {
        target = rec;
      }
      break;
    }
  });
  {
    SuspendScope suspended(*this);
    DoGoTo(target);
  }
  found_ = found;
  Notify(notify::RecordChange);
  return found;
}

bool kArrayServer::Locate(const Usual& uFor, const Usual& uWhile, const Usual& uScope) {
  if (!Notify(notify::IntentToMove)) return false;
  Commit();
  Usual forBlock, whileBlock;
  if (!Trapped("Locate", [&] {
        forBlock = ToBlock(uFor, nullptr);
        whileBlock = ToBlock(uWhile, nullptr);
      }))
    return false;
  const bool fromNext = (uScope.IsLogic() && uScope.AsLogic()) || !whileBlock.IsNil();
  std::int64_t remaining = uScope.IsNumeric() ? uScope.AsInteger() : -1;
  bool found = false;
  {
    SuspendScope suspended(*this);
    const Usual arg[] = {Usual(this)};
    const Args args(arg, 1);
    Trapped("Locate", [&] {
      if (fromNext) DoSkip(1);
      else if (uScope.IsNil()) DoGoTop();
      while (!eof_ && remaining != 0) {
        if (!whileBlock.IsNil() && !EvalBlock(whileBlock, args).AsLogic()) break;
        if (forBlock.IsNil() || EvalBlock(forBlock, args).AsLogic()) {
          found = true;
          break;
        }
        if (remaining > 0) --remaining;
        DoSkip(1);
      }
    });
  }
  found_ = found;
  Notify(notify::RecordChange);
  return found;
}

bool kArrayServer::SetFilter(const Usual& uFilter, const Usual& uFilterText, const Usual& a1, const Usual& a2,
                             const Usual& a3, const Usual& a4, const Usual& a5) {
  if (!Notify(notify::IntentToMove)) return false;
  Commit();
  ClearError();
  filterText_.clear();
  filterBlock_ = Usual();
  for (auto& a : filterArgs_) a = Usual();
  std::string text;
  Usual block;
  const bool ok = Trapped("SetFilter", [&] {
    for (const Usual* arg : {&uFilter, &uFilterText}) {
      if (arg->IsString()) {
        text = std::string(text::Trim(arg->AsStringView()));
      } else if (IsBlock(*arg)) {
        block = *arg;
        if (arg->IsObject() && arg->AsObject()->HasAccess(kExpression))
          text = std::string(arg->AsObject()->Access(kExpression).AsStringView());
      }
    }
    if (block.IsNil() && !text.empty()) block = ToBlock(Usual(text), nullptr);
  });
  if (ok) {
    filterText_ = text;
    filterBlock_ = block;
    const Usual args[] = {a1, a2, a3, a4, a5};
    std::copy(std::begin(args), std::end(args), std::begin(filterArgs_));
  }
  {
    SuspendScope suspended(*this);
    Trapped("SetFilter", [this] { DoGoTop(); });
  }
  Changed();
  Notify(notify::FileChange);
  return ok;
}

bool kArrayServer::ClearFilter() {
  if (filterBlock_.IsNil()) return false;
  // Moves like every navigation: a client may veto, and a pending edit goes
  // into its own record before the server leaves it.
  if (!Notify(notify::IntentToMove)) return false;
  Commit();
  ClearError();
  filterText_.clear();
  filterBlock_ = Usual();
  for (auto& a : filterArgs_) a = Usual();
  {
    SuspendScope suspended(*this);
    Trapped("ClearFilter", [this] { DoGoTop(); });
  }
  Changed();
  Notify(notify::FileChange);
  return true;
}

}  // namespace kt
