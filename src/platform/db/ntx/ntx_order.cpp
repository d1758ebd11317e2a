#include "platform/db/ntx/ntx_order.h"

#include "platform/db/ntx/ntx_check.h"
#include "platform/db/ntx/ntx_error.h"
#include "platform/runtime/error.h"
#include "platform/runtime/numtext.h"

namespace kt::ntx {

NtxOrder::NtxOrder(const NtxOpenOptions& options)
    : options_(options), store_(file_, options.cachePages), tree_(store_) {}

NtxOrder::~NtxOrder() = default;

void NtxOrder::Init(const std::string& path) {
  file_.Open(path, options_.readOnly ? NtxFile::Mode::ReadOnly : NtxFile::Mode::ReadWrite);
  if (options_.shared) {
    file_.Lock(false, options_.lockTimeoutMs);
    try {
      store_.Load();
    } catch (...) {
      file_.Unlock();
      throw;
    }
    file_.Unlock();
  } else {
    store_.Load();
  }
  keyType_ = options_.keyType != 0 ? options_.keyType : (store_.Header().keyDecimals > 0 ? 'N' : 'C');
}

std::unique_ptr<NtxOrder> NtxOrder::Open(const std::string& path, const NtxOpenOptions& options) {
  std::unique_ptr<NtxOrder> order(new NtxOrder(options));
  order->Init(path);
  return order;
}

std::unique_ptr<NtxOrder> NtxOrder::Create(const std::string& path, const NtxCreateSpec& spec,
                                           const NtxKeySource& source, const NtxProgressFn& progress,
                                           const NtxOpenOptions& options) {
  if (!BuildNtxFile(path, spec, source, progress)) return nullptr;
  NtxOpenOptions o = options;
  o.keyType = spec.key.type;
  return Open(path, o);
}

NtxOrder::Session::Session(NtxOrder& order, bool write) : order_(order) {
  if (write && !order.file_.Writable())
    Fail(gen::ReadOnly, order.FileName(), "write", "index file is open read-only");
  if (order.sessionDepth_++ > 0) return;
  outer_ = true;
  try {
    if (order.options_.shared) {
      order.file_.Lock(write, order.options_.lockTimeoutMs);
      locked_ = true;
      if (order.file_.Replaced()) {
        // Rebuilt elsewhere: follow the path to the new file.
        order.file_.Unlock();
        locked_ = false;
        order.file_.Reopen();
        order.file_.Lock(write, order.options_.lockTimeoutMs);
        locked_ = true;
        order.store_.Load();
      } else {
        order.store_.CheckExternal();
      }
    }
    order.store_.Trim();
  } catch (...) {
    if (locked_) order.file_.Unlock();
    --order.sessionDepth_;
    throw;
  }
}

NtxOrder::Session::~Session() {
  --order_.sessionDepth_;
  if (locked_) order_.file_.Unlock();
}

template <class F>
auto NtxOrder::Change(F&& f) {
  Session s(*this, true);
  store_.Begin();
  try {
    auto result = f();
    store_.Commit();
    return result;
  } catch (...) {
    store_.Rollback();
    throw;
  }
}

void NtxOrder::CheckKey(std::string_view key, const char* what) const {
  if (int(key.size()) != KeySize())
    Fail(gen::DataWidth, FileName(), what,
         "key of " + ToText(key.size()) + " bytes for a key size of " + ToText(KeySize()));
}

bool NtxOrder::Insert(std::string_view key, std::uint32_t recNo) {
  CheckKey(key, "insert");
  if (recNo == 0) Fail(gen::Arg, FileName(), "insert", "record number 0");
  return Change([&] { return tree_.Insert(key, recNo, Unique()); });
}

bool NtxOrder::Delete(std::string_view key, std::uint32_t recNo) {
  CheckKey(key, "delete");
  return Change([&] { return tree_.Remove(key, recNo); });
}

bool NtxOrder::Update(std::string_view oldKey, std::string_view newKey, std::uint32_t recNo) {
  CheckKey(oldKey, "update");
  CheckKey(newKey, "update");
  if (recNo == 0) Fail(gen::Arg, FileName(), "update", "record number 0");
  if (oldKey == newKey) {
    Session s(*this, false);
    Path p;
    return tree_.Find(newKey, recNo, false, p) && tree_.RecAt(p) == recNo && tree_.KeyAt(p) == newKey;
  }
  return Change([&] {
    tree_.Remove(oldKey, recNo);
    return tree_.Insert(newKey, recNo, Unique());
  });
}

void NtxOrder::Zap() {
  Session s(*this, true);
  store_.Reset();
}

std::uint64_t NtxOrder::KeyCount() {
  Session s(*this, false);
  return tree_.Count();
}

void NtxOrder::Commit() {
  if (file_.Writable()) file_.Sync();
}

NtxCheckReport NtxOrder::Check() {
  Session s(*this, false);
  return CheckNtx(file_, store_.Header(), FileName());
}

}  // namespace kt::ntx
