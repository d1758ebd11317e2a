#include "platform/db/workarea.h"

#include "platform/db/ntx/ntx_cursor.h"
#include "platform/db/ntx/ntx_key.h"
#include "platform/db/ntx/ntx_order.h"
#include "platform/runtime/compiler/macro.h"
#include "platform/runtime/numtext.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/text.h"

namespace kt {

struct WorkArea::Order {
  std::unique_ptr<ntx::NtxOrder> file;
  std::unique_ptr<ntx::NtxCursor> cursor;
  Codeblock key;
  Codeblock forCond;
};

namespace {

[[noreturn]] void Fail(const dbf::Table& table, int genCode, const std::string& operation, const std::string& what) {
  ErrorRef e = MakeError(genCode, operation, table.Path() + ": " + what);
  e->SubSystem = dbf::FamilyName(table.GetFamily());
  e->FileName = table.Path();
  e->CanSubstitute = false;
  throw RuntimeError(e);
}

}  // namespace

WorkArea::WorkArea(int number, Symbol alias, std::unique_ptr<dbf::Table> table)
    : number_(number), alias_(alias), table_(std::move(table)) {
  table_->GoTo(1);
  bof_ = table_->Eof();
}

WorkArea::~WorkArea() {
  try {
    Close();
  } catch (const RuntimeError&) {
    // A destructor cannot report; Close() reports for callers that want to know.
  }
}

WorkArea::Order* WorkArea::Active() const { return active_ > 0 ? orders_[std::size_t(active_ - 1)].get() : nullptr; }

Codeblock WorkArea::CompileInArea(const std::string& expr, const char* what, const std::string& file) const {
  ScopedWorkArea area(number_);
  Codeblock block;
  if (ErrorRef e = TryCompileCodeblock("{|| " + expr + "}", block)) {
    e->FileName = file;
    e->Description = file + ": " + what + " \"" + expr + "\" does not compile: " + e->Description;
    throw RuntimeError(e);
  }
  return block;
}

// ---------------------------------------------------------------------------
// Fields

Usual WorkArea::FieldGet(std::size_t field) const { return table_->Get(field); }

void WorkArea::FieldPut(std::size_t field, const Usual& value) {
  if (table_->Eof()) return;  // the phantom record at end of file takes no values
  LockForChange("FieldPut");
  CaptureKeys();
  table_->Put(field, value);
}

// ---------------------------------------------------------------------------
// Keys

std::string WorkArea::EncodeValue(const Usual& value, const ntx::KeySpec& spec) const {
  if (spec.type == 'C' && value.IsString()) {
    // Character keys are stored in the table's code page.
    return ntx::EncodeKey(Usual(table_->Codec().FromUtf8(value.AsStringView())), spec);
  }
  return ntx::EncodeKey(value, spec);
}

std::optional<std::string> WorkArea::KeyOf(Order& order) {
  ScopedWorkArea area(number_);
  if (order.forCond && !order.forCond.Eval().AsLogic()) return std::nullopt;
  return EncodeValue(order.key.Eval(), order.file->Spec());
}

void WorkArea::CaptureKeys() {
  if (oldKeys_ || appended_ || orders_.empty()) return;
  std::vector<std::optional<std::string>> keys;
  for (auto& order : orders_) keys.push_back(KeyOf(*order));
  oldKeys_ = std::move(keys);
}

void WorkArea::FlushKeys() {
  if (!oldKeys_ && !appended_) return;
  const std::uint32_t rec = table_->RecNo();
  auto old = std::move(oldKeys_);
  oldKeys_.reset();
  const bool inserted = appended_;
  appended_ = false;
  if (table_->Eof()) return;
  for (std::size_t i = 0; i < orders_.size(); ++i) {
    Order& order = *orders_[i];
    const std::optional<std::string> now = KeyOf(order);
    const std::optional<std::string> before = inserted || !old ? std::nullopt : (*old)[i];
    if (before && now) {
      if (*before != *now) order.file->Update(*before, *now, rec);
    } else if (before) {
      order.file->Delete(*before, rec);
    } else if (now) {
      order.file->Insert(*now, rec);
    }
  }
  cursorStale_ = true;
}

void WorkArea::ReleaseAutoLock() {
  if (autoLocked_ == 0) return;
  const std::uint32_t rec = autoLocked_;
  autoLocked_ = 0;
  table_->Unlock(rec);
}

void WorkArea::Flush() {
  FlushKeys();
  table_->Flush();
  ReleaseAutoLock();
}

// ---------------------------------------------------------------------------
// Position

bool WorkArea::IsHidden() {
  if (table_->Eof()) return false;
  if (Runtime::Settings().deleted && table_->Deleted()) return true;
  if (!filter_) return false;
  ScopedWorkArea area(number_);
  return !filter_.Eval().AsLogic();
}

void WorkArea::SyncCursor() {
  Order* order = Active();
  if (!order || !cursorStale_) return;
  if (table_->Eof()) {
    order->cursor->GoBottom();
    order->cursor->Skip(1);
  } else if (auto key = KeyOf(*order)) {
    order->cursor->GoToKey(*key, table_->RecNo());
  } else {
    order->cursor->GoTop();  // the record is not in the order: walk from its start
  }
  cursorStale_ = false;
}

void WorkArea::StepNatural(bool forward) {
  const std::uint32_t rec = table_->RecNo();
  if (forward) {
    table_->GoTo(rec + 1);
  } else if (rec <= 1) {
    PassStart();
  } else {
    table_->GoTo(rec - 1);
  }
}

void WorkArea::StepOrdered(bool forward) {
  Order* order = Active();
  SyncCursor();
  if (!forward && table_->Eof()) {
    // From the end of file a step back lands on the last key.
    if (!order->cursor->GoBottom()) {
      PassStart();
      return;
    }
  } else {
    order->cursor->Skip(forward ? 1 : -1);
    if (!forward && order->cursor->Bof()) {
      PassStart();
      return;
    }
  }
  table_->GoTo(order->cursor->Eof() ? table_->RecCount() + 1 : order->cursor->RecNo());
}

// Moving before the first record: stand on the first visible one with BOF.
void WorkArea::PassStart() {
  GoTop();
  bof_ = true;
}

void WorkArea::SkipHidden(bool forward) {
  while (!table_->Eof() && !bof_ && IsHidden()) {
    if (Active()) StepOrdered(forward);
    else StepNatural(forward);
  }
  if (bof_ && !table_->Eof() && IsHidden()) {
    // Every record before was hidden: the first visible one is ahead.
    bof_ = false;
    SkipHidden(true);
    bof_ = true;
  }
}

void WorkArea::GoTop() {
  Flush();
  bof_ = false;
  found_ = false;
  if (Order* order = Active()) {
    if (order->cursor->GoTop()) table_->GoTo(order->cursor->RecNo());
    else table_->GoTo(table_->RecCount() + 1);
    cursorStale_ = false;
  } else {
    table_->GoTo(1);
  }
  SkipHidden(true);
  if (table_->Eof()) bof_ = true;
}

void WorkArea::GoBottom() {
  Flush();
  bof_ = false;
  found_ = false;
  if (Order* order = Active()) {
    if (order->cursor->GoBottom()) table_->GoTo(order->cursor->RecNo());
    else table_->GoTo(table_->RecCount() + 1);
    cursorStale_ = false;
  } else {
    table_->Refresh();
    table_->GoTo(table_->RecCount());
  }
  if (table_->Eof()) {
    bof_ = true;
    return;
  }
  SkipHidden(false);
}

void WorkArea::GoTo(std::int64_t recNo) {
  Flush();
  bof_ = false;
  found_ = false;
  const auto target = recNo < 1 || recNo > std::int64_t(UINT32_MAX) ? 0u : std::uint32_t(recNo);
  table_->GoTo(target);
  cursorStale_ = true;
}

void WorkArea::Skip(std::int64_t records) {
  Flush();
  found_ = false;
  if (records == 0) {
    table_->GoTo(table_->RecNo());  // re-read the record
    return;
  }
  const bool forward = records > 0;
  bof_ = false;
  for (std::int64_t i = 0; i < (forward ? records : -records); ++i) {
    if (forward && table_->Eof()) break;
    if (Active()) StepOrdered(forward);
    else StepNatural(forward);
    if (bof_) break;
    SkipHidden(forward);
    if (bof_) break;
  }
  if (forward && table_->Eof()) bof_ = table_->RecCount() == 0;
}

// ---------------------------------------------------------------------------
// Changes

void WorkArea::Append() {
  Flush();
  table_->Append();
  // The new record arrives locked in shared mode; it is released when left.
  if (table_->Shared()) autoLocked_ = table_->RecNo();
  appended_ = true;
  bof_ = false;
  cursorStale_ = true;
}

void WorkArea::LockForChange(const char* operation) {
  const std::uint32_t rec = table_->RecNo();
  if (!table_->Shared() || table_->IsLocked(rec)) return;
  if (!table_->RLock(rec)) Fail(*table_, gen::Lock, operation, "record " + ToText(rec) + " is locked by another station");
  autoLocked_ = rec;
  table_->GoTo(rec);  // read what another station may have written meanwhile
}

void WorkArea::Delete() {
  if (table_->Eof()) return;
  LockForChange("Delete");
  table_->Delete();
}

void WorkArea::Recall() {
  if (table_->Eof()) return;
  LockForChange("Recall");
  table_->Recall();
}

void WorkArea::Commit() {
  FlushKeys();
  table_->Commit();
  for (auto& order : orders_) order->file->Commit();
  ReleaseAutoLock();
}

void WorkArea::Pack(const std::function<void(std::uint32_t, std::uint32_t)>& progress) {
  Flush();
  table_->Pack(progress);
  for (auto& order : orders_) Rebuild(*order);
  GoTop();
}

void WorkArea::Zap() {
  Flush();
  table_->Zap();
  for (auto& order : orders_) order->file->Zap();
  GoTop();
}

void WorkArea::Close() {
  if (!table_ || !table_->IsOpen()) return;
  Flush();
  orders_.clear();
  active_ = 0;
  table_->Close();
}

bool WorkArea::RLock(std::uint32_t recNo) {
  if (!table_->RLock(recNo)) return false;
  if (recNo == table_->RecNo() && !table_->Dirty()) table_->GoTo(recNo);  // see the latest values
  return true;
}

bool WorkArea::FLock() { return table_->FLock(); }

void WorkArea::Unlock(std::uint32_t recNo) {
  FlushKeys();
  if (recNo == 0) {
    table_->UnlockAll();
    autoLocked_ = 0;
  } else {
    table_->Unlock(recNo);
    if (autoLocked_ == recNo) autoLocked_ = 0;
  }
}

// ---------------------------------------------------------------------------
// Filter

void WorkArea::SetFilter(Codeblock block, std::string text) {
  filter_ = std::move(block);
  filterText_ = std::move(text);
}

void WorkArea::ClearFilter() {
  filter_ = Codeblock();
  filterText_.clear();
}

// ---------------------------------------------------------------------------
// Orders

namespace {

char KeyTypeOf(const Usual& v) {
  if (v.IsString()) return 'C';
  if (v.IsNumeric()) return 'N';
  if (v.IsDate()) return 'D';
  if (v.IsLogic()) return 'L';
  return 0;
}

}  // namespace

void WorkArea::OrderListAdd(const std::string& path) {
  Flush();
  ntx::NtxOpenOptions options;
  options.shared = table_->Shared();
  options.readOnly = table_->ReadOnly();
  auto order = std::make_unique<Order>();
  order->file = ntx::NtxOrder::Open(path, options);
  order->key = CompileInArea(order->file->KeyExpr(), "key expression", path);
  if (order->file->HasFor()) order->forCond = CompileInArea(order->file->ForExpr(), "FOR condition", path);
  // The file does not say what type its keys are: the expression does.
  Usual sample;
  {
    ScopedWorkArea area(number_);
    sample = order->key.Eval();
  }
  const char type = KeyTypeOf(sample);
  if (type == 0) Fail(*table_, gen::DataType, "SetIndex", path + ": key expression gives no character, number, date or logic value");
  order->file->SetKeyType(type);
  order->cursor = std::make_unique<ntx::NtxCursor>(*order->file);
  orders_.push_back(std::move(order));
  if (active_ == 0) active_ = 1;
  cursorStale_ = true;
}

void WorkArea::OrderListClear() {
  Flush();
  orders_.clear();
  active_ = 0;
}

bool WorkArea::CreateOrder(const std::string& path, const std::string& keyExpr, const OrderCreateOptions& options) {
  Flush();
  Codeblock key = CompileInArea(keyExpr, "key expression", path);
  Codeblock forCond;
  if (!text::Trim(options.forExpr).empty()) forCond = CompileInArea(options.forExpr, "FOR condition", path);

  const std::uint32_t saved = table_->RecNo();
  struct Restore {
    dbf::Table& t;
    std::uint32_t rec;
    ~Restore() {
      try {
        t.GoTo(rec);
      } catch (const RuntimeError&) {
      }
    }
  } restore{*table_, saved};

  // The key's type and size come from its value on the first record (or
  // on the blank record of an empty table).
  table_->GoTo(1);
  Usual sample;
  {
    ScopedWorkArea area(number_);
    sample = key.Eval();
  }
  ntx::NtxCreateSpec spec;
  spec.keyExpr = keyExpr;
  spec.forExpr = options.forExpr;
  spec.unique = options.unique;
  spec.descending = options.descending;
  spec.key = ntx::KeySpecFor(sample.IsString() ? Usual(table_->Codec().FromUtf8(sample.AsStringView())) : sample);

  const std::uint32_t total = table_->RecCount();
  std::uint32_t next = 1;
  ntx::NtxKeySource source = KeySource(key, forCond, spec.key, next);
  ntx::NtxProgressFn progress;
  if (options.progress)
    progress = [&](const ntx::NtxBuildProgress& p) {
      return p.phase != ntx::NtxBuildProgress::Phase::Reading || options.progress(p.done, total);
    };
  ntx::NtxOpenOptions openOptions;
  openOptions.shared = table_->Shared();
  openOptions.keyType = spec.key.type;
  auto file = ntx::NtxOrder::Create(path, spec, source, progress, openOptions);
  if (!file) return false;
  auto order = std::make_unique<Order>();
  order->file = std::move(file);
  order->file->SetKeyType(spec.key.type);
  order->key = key;
  order->forCond = forCond;
  order->cursor = std::make_unique<ntx::NtxCursor>(*order->file);
  orders_.push_back(std::move(order));
  active_ = int(orders_.size());
  cursorStale_ = true;
  return true;
}

std::function<bool(std::uint32_t&, std::string&)> WorkArea::KeySource(const Codeblock& key, const Codeblock& forCond,
                                                                       const ntx::KeySpec& spec, std::uint32_t& next) {
  return [this, key, forCond, spec, &next](std::uint32_t& recNo, std::string& keyBytes) {
    ScopedWorkArea area(number_);
    const std::uint32_t total = table_->RecCount();
    while (next <= total) {
      table_->GoTo(next);
      recNo = next++;
      if (forCond && !forCond.Eval().AsLogic()) continue;
      keyBytes = EncodeValue(key.Eval(), spec);
      return true;
    }
    return false;
  };
}

void WorkArea::Rebuild(Order& order) {
  const ntx::NtxCreateSpec spec{order.file->KeyExpr(), order.file->ForExpr(), order.file->TagName(),
                                order.file->Unique(), order.file->Descending(), order.file->Spec()};
  const std::string path = order.file->FileName();
  const bool shared = order.file->Shared();
  order.cursor.reset();
  order.file.reset();
  std::uint32_t next = 1;
  ntx::NtxKeySource source = KeySource(order.key, order.forCond, spec.key, next);
  ntx::NtxOpenOptions openOptions;
  openOptions.shared = shared;
  openOptions.keyType = spec.key.type;
  order.file = ntx::NtxOrder::Create(path, spec, source, {}, openOptions);
  order.file->SetKeyType(spec.key.type);
  order.cursor = std::make_unique<ntx::NtxCursor>(*order.file);
  cursorStale_ = true;
}

void WorkArea::SetOrder(int order) {
  if (order < 0 || order > OrderCount())
    Fail(*table_, gen::NoOrder, "SetOrder", "order " + ToText(order) + " does not exist");
  Flush();
  active_ = order;
  cursorStale_ = true;
}

std::string WorkArea::IndexKey(int order) const {
  if (order == 0) order = active_;
  return order >= 1 && order <= OrderCount() ? orders_[std::size_t(order - 1)]->file->KeyExpr() : std::string();
}

std::string WorkArea::OrderFor(int order) const {
  if (order == 0) order = active_;
  return order >= 1 && order <= OrderCount() ? orders_[std::size_t(order - 1)]->file->ForExpr() : std::string();
}

bool WorkArea::OrderDescending(int order) const {
  if (order == 0) order = active_;
  return order >= 1 && order <= OrderCount() && orders_[std::size_t(order - 1)]->file->Descending();
}

bool WorkArea::OrderUnique(int order) const {
  if (order == 0) order = active_;
  return order >= 1 && order <= OrderCount() && orders_[std::size_t(order - 1)]->file->Unique();
}

std::string WorkArea::OrderFile(int order) const {
  if (order == 0) order = active_;
  return order >= 1 && order <= OrderCount() ? orders_[std::size_t(order - 1)]->file->FileName() : std::string();
}

bool WorkArea::Seek(const Usual& key, bool soft, bool last) {
  Flush();
  bof_ = false;
  Order* order = Active();
  if (!order) Fail(*table_, gen::NoOrder, "Seek", "seek needs an active order");
  const ntx::KeySpec spec = order->file->Spec();
  std::string bytes;
  if (spec.type == 'C' && key.IsString()) {
    // A shorter text seeks as a prefix of the key.
    bytes = table_->Codec().FromUtf8(key.AsStringView(), std::size_t(spec.size));
  } else {
    bytes = EncodeValue(key, spec);
  }
  found_ = order->cursor->Seek(bytes, soft, last);
  cursorStale_ = false;
  table_->GoTo(order->cursor->Eof() ? table_->RecCount() + 1 : order->cursor->RecNo());
  if (IsHidden()) {
    SkipHidden(true);
    if (found_) {
      SyncCursor();
      found_ = !table_->Eof() && order->cursor->Key().substr(0, bytes.size()) == bytes;
      if (!found_ && !soft) table_->GoTo(table_->RecCount() + 1);
    }
  }
  return found_;
}

std::uint64_t WorkArea::OrderKeyNo() {
  Order* order = Active();
  if (!order) return table_->Eof() ? 0 : table_->RecNo();
  if (table_->Eof()) return 0;
  FlushKeys();
  SyncCursor();
  return order->cursor->KeyNo();
}

bool WorkArea::OrderKeyGoTo(std::uint64_t keyNo) {
  Flush();
  Order* order = Active();
  if (!order) {
    GoTo(std::int64_t(keyNo));
    return !table_->Eof();
  }
  bof_ = false;
  if (!order->cursor->GoToKeyNo(keyNo)) {
    table_->GoTo(table_->RecCount() + 1);
    cursorStale_ = true;
    return false;
  }
  cursorStale_ = false;
  table_->GoTo(order->cursor->RecNo());
  return true;
}

std::uint64_t WorkArea::OrderKeyCount(int order) {
  if (order == 0) order = active_;
  if (order < 1 || order > OrderCount()) return table_->RecCount();
  FlushKeys();
  return orders_[std::size_t(order - 1)]->file->KeyCount();
}

Usual WorkArea::OrderKeyVal() {
  Order* order = Active();
  if (!order || table_->Eof()) return Usual();
  ScopedWorkArea area(number_);
  return order->key.Eval();
}

std::vector<std::string> WorkArea::CheckOrder(int number) {
  std::vector<std::string> problems;
  if (number < 1 || number > OrderCount()) {
    problems.push_back(table_->Path() + ": order " + ToText(number) + " does not exist");
    return problems;
  }
  Flush();
  Order& order = *orders_[std::size_t(number - 1)];
  const std::string& file = order.file->FileName();
  std::uint64_t keys = 0;
  try {
    keys = order.file->Check().keys;
  } catch (const RuntimeError& e) {
    problems.push_back(e.error()->Description);
    return problems;
  }
  // Every record that passes the FOR condition has its key at its place.
  ntx::NtxCursor probe(*order.file);
  std::uint64_t expected = 0;
  const std::uint32_t saved = table_->RecNo();
  const std::uint32_t total = table_->RecCount();
  for (std::uint32_t rec = 1; rec <= total && problems.size() < 100; ++rec) {
    table_->GoTo(rec);
    const std::optional<std::string> key = KeyOf(order);
    if (!key) continue;
    ++expected;
    if (!probe.GoToKey(*key, rec)) problems.push_back(file + ": record " + ToText(rec) + " has no key or a wrong one");
  }
  if (!order.file->Unique() && keys != expected)
    problems.push_back(file + ": " + ToText(keys) + " keys for " + ToText(expected) + " records");
  table_->GoTo(saved);
  cursorStale_ = true;
  return problems;
}

}  // namespace kt
