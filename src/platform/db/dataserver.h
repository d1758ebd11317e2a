#pragma once
// DataServer: the base of every data server (a cursor over records). It
// keeps the registered clients and broadcasts notifications to them, owns
// the field descriptions, reports errors through its Error protocol and
// answers late-bound accesses for its fields (Server:NAME) and its state
// (Server:RecNo, Server:EOF, ...), so expressions run against any server.
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/db/datafield.h"
#include "platform/runtime/array.h"
#include "platform/runtime/error.h"

namespace kt {

// Notification codes sent to clients.
namespace notify {
inline constexpr int FieldChange = -1;
inline constexpr int Close = 0;
inline constexpr int Completed = 1;
inline constexpr int IntentToMove = 2;
inline constexpr int RecordChange = 3;
inline constexpr int GoBottom = 4;
inline constexpr int GoTop = 5;
inline constexpr int Delete = 6;
inline constexpr int Append = 7;
inline constexpr int FileChange = 10;
}  // namespace notify

class DataServer : public Object {
 public:
  DataServer();
  ~DataServer() override;

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  // --- clients and notifications -------------------------------------
  // Clients are not owned: a client unregisters before it goes away.
  virtual bool RegisterClient(Object* client);
  // With lAllowClose the server closes itself when no client remains.
  virtual bool UnRegisterClient(Object* client, bool lAllowClose = false);
  const std::vector<Object*>& Clients() const { return clients_; }
  // Code 2 asks every client in turn; the first FALSE answer vetoes and
  // the result is FALSE. Other codes go to all clients. While suspended,
  // nothing is sent and the result is TRUE.
  virtual bool Notify(int code, const Usual& description = NIL);
  void SuspendNotification() { ++suspendCount_; }
  void ResetNotification() {
    if (suspendCount_ > 0) --suspendCount_;
  }
  int SuspendNotificationCount() const { return suspendCount_; }
  // Suspends notifications for a scope (also when it is left by an exception).
  class SuspendScope {
   public:
    explicit SuspendScope(DataServer& server) : server_(server) { server_.SuspendNotification(); }
    ~SuspendScope() { server_.ResetNotification(); }
    SuspendScope(const SuspendScope&) = delete;
    SuspendScope& operator=(const SuspendScope&) = delete;

   private:
    DataServer& server_;
  };

  // --- fields --------------------------------------------------------
  std::size_t FCount() const { return fields_.size(); }
  // A name (string or symbol, case-insensitive) or a 1-based number; 0 when
  // the server has no such field.
  std::size_t FieldPos(const Usual& field) const;
  Ref<DataField> DataFieldAt(std::size_t pos) const;
  Usual FieldSpec(const Usual& field) const;
  Usual FieldSym(const Usual& field) const;
  Usual FieldHyperLabel(const Usual& field) const;
  Usual FieldName(const Usual& field) const;
  // The field's FieldSpec rules; a failure is recorded in Status.
  virtual bool FieldValidate(std::size_t pos, const Usual& value);
  // {name, type, length, decimals, caption} per field.
  virtual Array DBStruct() const;

  virtual Usual FieldGet(const Usual& field) = 0;
  virtual Usual FieldPut(const Usual& field, const Usual& value) = 0;

  // --- position ------------------------------------------------------
  virtual bool GoTop() = 0;
  virtual bool GoBottom() = 0;
  virtual bool GoTo(std::int64_t recNo) = 0;
  virtual bool Skip(std::int64_t records = 1) = 0;
  virtual std::int64_t RecNo() const = 0;
  virtual bool EoF() const = 0;
  virtual bool BoF() const = 0;
  virtual std::int64_t LastRec() const = 0;
  virtual std::int64_t RecCount() const { return LastRec(); }
  virtual bool Used() const = 0;
  virtual bool Deleted() const = 0;

  // --- changes -------------------------------------------------------
  virtual bool Append(const Usual& position = NIL) = 0;
  virtual bool Delete(const Usual& remove = NIL) = 0;
  virtual bool Recall() = 0;
  virtual bool Commit() = 0;
  virtual bool Close() = 0;

  // --- errors --------------------------------------------------------
  const Ref<kt::HyperLabel>& HyperLabel() const { return hyperLabel_; }
  void HyperLabel(Ref<kt::HyperLabel> label) { hyperLabel_ = std::move(label); }
  const Ref<kt::HyperLabel>& Status() const { return status_; }
  void Status(Ref<kt::HyperLabel> status) { status_ = std::move(status); }
  bool ErrorPending() const { return errorPending_; }
  const ErrorRef& ErrInfo() const { return lastError_; }
  // Hands the error to the first client with an Error method, else to the
  // runtime's error handling. A non-error value is wrapped first.
  virtual void Error(const Usual& oError, const Usual& symMethod = NIL);
  // Records the error as pending, and Status as a HyperLabel describing it.
  void CreateErrorInfo(const ErrorRef& error, const std::string& message = {});
  // Records a failure that is not a runtime error (unknown field, bad
  // argument) in Status, without the Error protocol's escalation.
  void ReportStatus(int genCode, Symbol method, const std::string& description);
  void ClearError() { errorPending_ = false; }

  // Runs cbBlock for every record that passes cbFor, while cbWhile holds,
  // over uScope records (a number), the rest of the file (TRUE), or all
  // records from the top (NIL, with no WHILE). Notifications are suspended
  // during the walk. Returns the server.
  virtual Usual Eval(const Usual& cbBlock, const Usual& cbFor = NIL, const Usual& cbWhile = NIL,
                     const Usual& uScope = NIL);

 protected:
  void SetFields(std::vector<Ref<DataField>> fields);
  const std::vector<Ref<DataField>>& Fields() const { return fields_; }

  // Runs body under an error trap; a runtime error is recorded in Status and
  // handed to the Error protocol with the method's name. FALSE on error.
  template <class F>
  bool Trapped(const char* method, F&& body);

  bool HasDynamicAccess(Symbol name) const override;
  bool HasDynamicAssign(Symbol name) const override;
  bool DynamicAccess(Symbol name, Usual& out) override;
  bool DynamicAssign(Symbol name, const Usual& value) override;

 private:
  std::vector<Object*> clients_;
  int suspendCount_ = 0;
  std::vector<Ref<DataField>> fields_;
  std::unordered_map<Symbol, std::size_t> fieldIndex_;
  Ref<kt::HyperLabel> hyperLabel_;
  Ref<kt::HyperLabel> status_;
  bool errorPending_ = false;
  ErrorRef lastError_;
  bool inError_ = false;
};

template <class F>
bool DataServer::Trapped(const char* method, F&& body) {
  try {
    ErrorTrap trap;
    body();
    return true;
  } catch (const RuntimeError& e) {
    CreateErrorInfo(e.error());
    Error(Usual(e.error()), Usual(Symbol(method)));
    return false;
  }
}

}  // namespace kt
