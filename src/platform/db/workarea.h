#pragma once
// WorkArea: one open table with its orders, record filter and cursor — the
// layer a table server and the work-area calls navigate. Records hidden by
// the runtime's "deleted" setting or by the filter are passed over by every
// move; the active order (if any) decides the sequence.
//
// Index keys follow the data: the keys a record had before its first change
// are remembered, and when the record is left (any move, Commit, Close) the
// orders are updated to its new keys.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/db/dbf/table.h"
#include "platform/runtime/codeblock.h"
#include "platform/runtime/symbol.h"

namespace kt::ntx {
class NtxOrder;
class NtxCursor;
struct KeySpec;
}  // namespace kt::ntx

namespace kt {

struct OrderCreateOptions {
  std::string forExpr;
  bool unique = false;
  bool descending = false;
  // Called with records done / total; FALSE cancels the build.
  std::function<bool(std::uint64_t, std::uint64_t)> progress;
};

class WorkArea {
 public:
  WorkArea(int number, Symbol alias, std::unique_ptr<dbf::Table> table);
  ~WorkArea();
  WorkArea(const WorkArea&) = delete;
  WorkArea& operator=(const WorkArea&) = delete;

  int Number() const { return number_; }
  Symbol Alias() const { return alias_; }
  dbf::Table& Table() { return *table_; }
  const dbf::Table& Table() const { return *table_; }

  // --- fields (0-based) ----------------------------------------------
  std::size_t FieldCount() const { return table_->FieldCount(); }
  int FieldIndex(std::string_view name) const { return table_->FieldIndex(name); }
  Usual FieldGet(std::size_t field) const;
  // In shared mode the record is locked first (and stays locked until it
  // is left); a record another station holds gives a lock error.
  void FieldPut(std::size_t field, const Usual& value);

  // --- position ------------------------------------------------------
  void GoTop();
  void GoBottom();
  void GoTo(std::int64_t recNo);
  void Skip(std::int64_t records);
  bool Eof() const { return table_->Eof(); }
  bool Bof() const { return bof_; }
  bool Found() const { return found_; }
  std::uint32_t RecNo() const { return table_->RecNo(); }
  std::uint32_t LastRec() { return table_->RecCount(); }
  bool Deleted() const { return table_->Deleted(); }

  // --- changes -------------------------------------------------------
  void Append();
  void Delete();
  void Recall();
  // Writes the record and its keys and forces the files to disk.
  void Commit();
  // Writes the record and its keys (on leaving a record).
  void Flush();
  void Pack(const std::function<void(std::uint32_t, std::uint32_t)>& progress = {});
  void Zap();
  void Close();

  bool RLock(std::uint32_t recNo);
  bool FLock();
  void Unlock(std::uint32_t recNo = 0);  // 0: every lock

  // --- filter --------------------------------------------------------
  void SetFilter(Codeblock block, std::string text);
  void ClearFilter();
  const std::string& FilterText() const { return filterText_; }
  bool HasFilter() const { return bool(filter_); }

  // --- orders (1-based numbers) --------------------------------------
  // Opens an order file and adds it to the list; the first one becomes active.
  void OrderListAdd(const std::string& path);
  void OrderListClear();
  // Builds an order file over all records and makes it the active order.
  // False when the progress callback cancelled.
  bool CreateOrder(const std::string& path, const std::string& keyExpr, const OrderCreateOptions& options = {});
  void SetOrder(int order);  // 0: natural order
  int IndexOrd() const { return active_; }
  int OrderCount() const { return int(orders_.size()); }
  std::string IndexKey(int order) const;
  std::string OrderFor(int order) const;
  bool OrderDescending(int order) const;
  bool OrderUnique(int order) const;
  std::string OrderFile(int order) const;

  // Seeks in the active order; a shorter character key matches as a prefix.
  bool Seek(const Usual& key, bool soft, bool last = false);
  // Position of the current record in the active order (1-based, 0 at end
  // of file); its record number without an order.
  std::uint64_t OrderKeyNo();
  bool OrderKeyGoTo(std::uint64_t keyNo);
  std::uint64_t OrderKeyCount(int order = 0);
  // Key value of the current record in the active order, evaluated now.
  Usual OrderKeyVal();
  // Verifies an order against the table: the file's own structure, and for
  // every record that belongs in it a key at the right place. One line per
  // problem; empty when the order is sound.
  std::vector<std::string> CheckOrder(int order);

 private:
  struct Order;

  bool IsHidden();
  void SkipHidden(bool forward);
  void StepNatural(bool forward);
  void StepOrdered(bool forward);
  void PassStart();
  void SyncCursor();
  Order* Active() const;
  // Evaluates an order's key on the current record; nullopt when the FOR
  // condition excludes it.
  std::optional<std::string> KeyOf(Order& order);
  std::string EncodeValue(const Usual& value, const ntx::KeySpec& spec) const;
  void CaptureKeys();
  void FlushKeys();
  void ReleaseAutoLock();
  // In shared mode, locks the current record before a change (kept until
  // the record is left); fails when another station holds it.
  void LockForChange(const char* operation);
  // Pulls (record, key) pairs of all records in natural order for a build.
  std::function<bool(std::uint32_t&, std::string&)> KeySource(const Codeblock& key, const Codeblock& forCond,
                                                               const ntx::KeySpec& spec, std::uint32_t& next);
  void Rebuild(Order& order);
  Codeblock CompileInArea(const std::string& expr, const char* what, const std::string& file) const;

  int number_;
  Symbol alias_;
  std::unique_ptr<dbf::Table> table_;
  bool bof_ = false;
  bool found_ = false;
  Codeblock filter_;
  std::string filterText_;
  std::vector<std::unique_ptr<Order>> orders_;
  int active_ = 0;
  bool cursorStale_ = true;
  // Keys of the current record before its first change (one per order).
  std::optional<std::vector<std::optional<std::string>>> oldKeys_;
  bool appended_ = false;
  std::uint32_t autoLocked_ = 0;
};

}  // namespace kt
