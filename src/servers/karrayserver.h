#pragma once
// kArrayServer: a data server over records held in memory (an array of
// arrays shared with the caller). It offers the navigation, field access,
// notification and error protocol of a table server, plus deleted flags,
// an edit buffer for the current record, sorted orders, seek, locate and a
// record filter.
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/dataserver.h"
#include "servers/order_tree.h"

namespace kt {

class kArrayServer : public DataServer {
 public:
  // Largest number of records; Append beyond it does nothing.
  static constexpr std::int64_t kMaxRecords = 268435455;

  // aStruct: {{name, type, length, decimals[, caption]}, ...}; aData: an
  // array of records (arrays of field values), used in place.
  explicit kArrayServer(const Usual& aStruct = NIL, const Usual& aData = NIL, const Usual& nDeletedScope = NIL,
                        const Usual& nFieldMode = NIL);
  ~kArrayServer() override;

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  // Largest field length; longer descriptions are refused.
  static constexpr std::int64_t kMaxFieldLength = 65535;

  // --- structure and data --------------------------------------------
  // Takes the whole structure or, when any description is unusable
  // (unnamed, duplicate name, unknown type, bad length or decimals), none of
  // it: FALSE with the reason in Status, reported through Error; the fields
  // stay as they were.
  bool DBStruct(const Usual& aStruct);
  Array DBStruct() const override { return DataServer::DBStruct(); }
  bool Use(const Usual& aData);
  Usual Data() const { return records_ ? Usual(*records_) : Usual(); }
  bool ReadOnly() const { return readOnly_; }
  void ReadOnly(bool v) { readOnly_ = v; }
  int FieldMode() const { return fieldMode_; }
  bool IsAnsi() const { return true; }
  int DeletedScope() const { return deletedScope_; }
  void DeletedScope(std::int64_t scope);
  bool IsDeletedInScope() const;

  // --- position ------------------------------------------------------
  bool GoTop() override;
  bool GoBottom() override;
  bool GoTo(std::int64_t recNo) override;
  bool Skip(std::int64_t records = 1) override;
  std::int64_t RecNo() const override { return recNo_; }
  bool EoF() const override { return eof_; }
  bool BoF() const override { return bof_; }
  std::int64_t LastRec() const override { return recordCount_; }
  bool Used() const override { return bool(records_); }
  bool Deleted() const override;
  bool Found() const { return found_; }

  // --- fields and records --------------------------------------------
  Usual FieldGet(const Usual& field) override;
  Usual FieldPut(const Usual& field, const Usual& value) override;
  std::string FieldGetFormatted(const Usual& field);
  Usual FieldInfo(int kind, const Usual& field, const Usual& newValue = NIL);
  Array RecordGet();
  bool RecordPut(const Usual& values);
  bool IsRecordEmpty();
  Usual DefaultValue(const Usual& field) const;

  // --- changes -------------------------------------------------------
  bool Append(const Usual& position = NIL) override;
  bool Delete(const Usual& remove = NIL) override;
  bool Recall() override;
  bool RecallAll();
  bool Pack();
  bool Zap();
  bool Commit() override;
  bool Refresh();
  bool Close() override;
  // Asks the clients first and tells them where the walk left the server.
  Usual Eval(const Usual& cbBlock, const Usual& cbFor = NIL, const Usual& cbWhile = NIL,
             const Usual& uScope = NIL) override;

  // --- orders (the active order drives navigation) -------------------
  // uKey/uFor/uWhile: text (compiled with the parameter Server), codeblock,
  // kCodeblock or any object with Eval. cbEval runs every nEvery qualifying
  // records while building; FALSE cancels.
  bool CreateOrder(const Usual& uKey, const Usual& uFor = NIL, const Usual& uWhile = NIL,
                   const Usual& lDescending = NIL, const Usual& cbEval = NIL, const Usual& nEvery = NIL);
  bool SetOrder(const Usual& nOrder);
  bool ClearOrder(const Usual& nOrder = NIL);
  Usual OrderInfo(int kind, const Usual& oFSIndexFile = NIL, const Usual& uOrder = NIL, const Usual& uOrdSpec = NIL);
  // Position in the active order (the record number in natural order).
  Usual OrderKeyNo() const;
  bool OrderKeyNo(const Usual& position);
  std::size_t OrderKeyCount(const Usual& uOrder = NIL) const;
  Usual OrderKeyVal();
  std::string IndexKey(const Usual& uOrder = NIL) const;
  int IndexOrd() const { return currentOrder_; }
  std::size_t OrderCount() const { return orders_.size(); }
  // Record numbers outside 1..LastRec are refused (FALSE, reason in Status),
  // and so is renumbering: it belongs to a record Append has just inserted
  // at recNo, and Append does it itself.
  bool OrderKeyAdd(std::size_t nOrder, const Usual& key, std::int64_t recNo, bool renumber = false);
  bool OrderKeyDel(std::size_t nOrder, std::int64_t recNo, bool renumber = false);
  std::size_t OrderKeyNoToRecord(std::size_t nOrder, std::int64_t recNo) const;

  bool Seek(const Usual& uKey, const Usual& lSoftSeek = NIL);
  bool Locate(const Usual& uFor = NIL, const Usual& uWhile = NIL, const Usual& uScope = NIL);

  // --- filter --------------------------------------------------------
  bool SetFilter(const Usual& uFilter, const Usual& uFilterText = NIL, const Usual& a1 = NIL, const Usual& a2 = NIL,
                 const Usual& a3 = NIL, const Usual& a4 = NIL, const Usual& a5 = NIL);
  bool ClearFilter();
  const std::string& Filter() const { return filterText_; }

  // --- reading for another view -------------------------------------
  // A view that shows this server's rows beside its clients reads them here
  // without moving the server, committing or dropping a pending edit, or
  // telling anyone. Rows are the records navigation walks now: the active
  // order, hidden records left out.
  // Changes with every change of data, keys, order, filter or deleted scope
  // (not with moves), except an edit of the current record that the clients
  // are told of by the field-change notification (nor its commit): a view
  // re-reads its rows when it differs, and on a field change re-reads the
  // current record's row alone. A commit while the edit is still being
  // announced (a client told earlier moved the server) counts, so that a
  // view told later does not take another record for the edited one.
  std::uint64_t ChangeCount() const { return changes_; }
  // TRUE when deleted records or a filter may hide records: the rows are
  // then VisibleRecords(); otherwise row n is RowRecord(n) of RowCount().
  bool HidesRecords() const;
  std::size_t RowCount() const;
  std::int64_t RowRecord(std::size_t row) const;  // 1-based; 0 outside
  // The records of all rows in order; a failing filter is reported and ends
  // the list.
  std::vector<std::int64_t> VisibleRecords();
  // TRUE when record recNo is one of the rows now (in the data, keyed in the
  // active order, not hidden); a failing filter is reported and hides it.
  bool ShowsRecord(std::int64_t recNo);
  // What FieldGet reads on record recNo (the pending edit on the current
  // record, blanks outside the data); pos is the field number.
  Usual FieldGetAt(std::int64_t recNo, std::size_t pos);

  // Protocol compatibility: always succeed.
  bool FLock() { return true; }
  bool RLock(const Usual& = NIL) { return true; }
  bool Unlock(const Usual& = NIL) { return true; }

 private:
  struct Order {
    std::string keyText;
    Usual keyBlock;
    std::string forText;
    Usual forBlock;
    bool descending = false;
    OrderTree keys;
    std::uint64_t version = 0;  // changes with every change of the keys
    explicit Order(bool desc) : descending(desc), keys(desc) {}
  };

  // Navigation helpers (no prologue, no notification).
  void DoGoTop();
  void DoGoBottom();
  void DoGoTo(std::int64_t recNo);
  void DoSkip(std::int64_t records);
  void StepForward();
  void StepBackward();
  // Record at a key position of the active order; steps of one from the
  // last answer use the neighbour links instead of a search.
  OrderTree::RecNo RecordAtKey(std::size_t pos);
  bool AtEnd() const;
  // The current record is in the data but has no key in the order (it left
  // a FOR condition, or was appended failing it); it then sits in front of
  // the key at keyPos_.
  bool OffOrder(const Order& order) const {
    return recNo_ >= 1 && recNo_ <= recordCount_ && !order.keys.Contains(OrderTree::RecNo(recNo_));
  }
  bool IsHidden(std::int64_t recNo);
  Order* ActiveOrder() { return currentOrder_ > 0 ? orders_[std::size_t(currentOrder_ - 1)].get() : nullptr; }
  const Order* ActiveOrder() const { return currentOrder_ > 0 ? orders_[std::size_t(currentOrder_ - 1)].get() : nullptr; }
  Order* OrderAt(std::size_t n) { return n >= 1 && n <= orders_.size() ? orders_[n - 1].get() : nullptr; }
  const Order* OrderAt(std::size_t n) const { return n >= 1 && n <= orders_.size() ? orders_[n - 1].get() : nullptr; }
  std::size_t OrderNumber(const Usual& uOrder) const;  // NIL: active order; 0 when out of range

  // Evaluates the key / FOR block of an order on the current record.
  Usual EvalKey(const Order& order);
  bool PassesFor(const Order& order);
  // Re-keys the current record in every order.
  void RekeyCurrent();
  // Moves the keys of records recNo and later up by one (a record was
  // inserted at recNo).
  static void RenumberFrom(Order& order, std::int64_t recNo);
  // Keys the current record, numbered recNo, in one order when it passes the
  // order's FOR condition.
  void AddKey(Order& order, const Usual& key, std::int64_t recNo);
  void RemoveKey(Order& order, std::int64_t recNo, bool renumber);
  // Runs body; what it throws is handed back instead, so that the caller can
  // finish its work before the error goes on.
  template <class F>
  static std::exception_ptr Caught(F&& body) {
    try {
      body();
      return {};
    } catch (...) {
      return std::current_exception();
    }
  }

  Array RecordArray(std::int64_t recNo) const;
  const Usual& StoredValue(std::int64_t recNo, std::size_t pos) const;
  Usual FitValue(std::size_t pos, const Usual& value) const;
  // FieldMode 1 display shape of a value read from field pos.
  Usual Shaped(std::size_t pos, Usual value) const;
  bool RecordNumberInData(const char* method, std::int64_t recNo);
  void Changed() { ++changes_; }
  // An edit of the current record: views hear of it by the field-change
  // notification, unless notifications are suspended.
  void EditedCurrent() {
    if (SuspendNotificationCount() > 0) Changed();
  }
  // Marks the field-change notification of an edit while it runs.
  struct Announcing {
    kArrayServer& s;
    explicit Announcing(kArrayServer& server) : s(server) { ++s.announcingEdit_; }
    ~Announcing() { --s.announcingEdit_; }
    Announcing(const Announcing&) = delete;
    Announcing& operator=(const Announcing&) = delete;
  };
  void EnsureBuffer();
  // Converts a string/codeblock/object argument into a block; text into the
  // expression text.
  Usual ToBlock(const Usual& arg, std::string* text);


  std::unique_ptr<Array> records_;
  std::vector<bool> deletedFlags_;
  std::vector<Usual> blankRecord_;
  std::vector<Usual> editBuffer_;
  bool bufferChanged_ = false;
  std::int64_t recNo_ = 1;
  std::int64_t recordCount_ = 0;
  bool eof_ = true;
  bool bof_ = true;
  bool found_ = false;
  bool readOnly_ = false;
  int deletedScope_ = 0;
  int fieldMode_ = 0;
  int currentOrder_ = 0;
  std::size_t keyPos_ = 0;  // position in the active order; count + 1 past the end
  const Order* cursorOrder_ = nullptr;
  std::uint64_t cursorVersion_ = 0;
  std::size_t cursorPos_ = 0;
  OrderTree::RecNo cursorRec_ = 0;
  std::vector<std::unique_ptr<Order>> orders_;
  std::string filterText_;
  Usual filterBlock_;
  Usual filterArgs_[5];
  std::uint64_t changes_ = 0;
  int announcingEdit_ = 0;
};

}  // namespace kt
