#pragma once
// ServerLink: how the grid calls its server. Any object that speaks the
// data-server protocol by name will do; when the server is a DataServer the
// calls go straight to its virtual functions instead of through the
// late-binding tables, with the same results.
#include <cstdint>

#include "platform/db/dataserver.h"

namespace kt {

class ServerLink {
 public:
  void Bind(const Usual& server);
  void Unbind() { Bind(NIL); }
  bool Bound() const { return !server_.IsNil(); }
  const Usual& Server() const { return server_; }
  DataServer* Direct() const { return direct_; }

  bool GoTop();
  bool GoBottom();
  bool GoTo(std::int64_t recNo);
  bool Skip(std::int64_t rows);
  std::int64_t RecNo();
  bool EoF();
  bool BoF();
  std::int64_t LastRec();
  std::int64_t RecCount();
  bool Used();
  bool Deleted();
  void Suspend();
  void Reset();
  bool Notify(int code, const Usual& description = NIL);

  // Optional parts of the protocol.
  bool HasMethod(Symbol name) const { return IsMethod(server_, name); }
  bool HasAccess(Symbol name) const { return IsAccess(server_, name); }
  bool HasAssign(Symbol name) const { return IsAssign(server_, name); }
  void Assign(Symbol name, const Usual& value) { IVarPut(server_, name, value); }
  Usual Send(Symbol name, Args args = {}) { return kt::Send(server_, name, args); }
  Usual Access(Symbol name) { return IVarGet(server_, name); }
  bool IsA(Symbol className) const;

 private:
  Usual server_;
  DataServer* direct_ = nullptr;
};

// Suspends a server's notifications for a scope (also one left by an
// exception); resets the server it suspended even if the link it was given
// is bound to another one by then.
class ServerSuspension {
 public:
  explicit ServerSuspension(const ServerLink& link) : link_(link) { link_.Suspend(); }
  ~ServerSuspension() { link_.Reset(); }
  ServerSuspension(const ServerSuspension&) = delete;
  ServerSuspension& operator=(const ServerSuspension&) = delete;

 private:
  ServerLink link_;
};

}  // namespace kt
