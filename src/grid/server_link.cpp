#include "grid/server_link.h"

namespace kt {
namespace {
const Symbol kGoTop("GoTop"), kGoBottom("GoBottom"), kGoTo("GoTo"), kSkip("Skip"), kRecNo("RecNo"), kEOF("EOF"),
    kBOF("BOF"), kLastRec("LastRec"), kRecCount("RecCount"), kUsed("Used"), kDeleted("Deleted"),
    kSuspend("SuspendNotification"), kReset("ResetNotification"), kNotify("Notify");

bool Logic(const Usual& v) { return v.IsLogic() && v.AsLogic(); }
}  // namespace

void ServerLink::Bind(const Usual& server) {
  server_ = server;
  direct_ = server.IsObject() ? dynamic_cast<DataServer*>(server.AsObject()) : nullptr;
}

bool ServerLink::IsA(Symbol className) const {
  return server_.IsObject() && server_.AsObject()->IsInstanceOf(className);
}

bool ServerLink::GoTop() { return direct_ ? direct_->GoTop() : Logic(Send(kGoTop)); }
bool ServerLink::GoBottom() { return direct_ ? direct_->GoBottom() : Logic(Send(kGoBottom)); }
bool ServerLink::GoTo(std::int64_t recNo) {
  if (direct_) return direct_->GoTo(recNo);
  const Usual a[] = {Usual(recNo)};
  return Logic(Send(kGoTo, a));
}
bool ServerLink::Skip(std::int64_t rows) {
  if (direct_) return direct_->Skip(rows);
  const Usual a[] = {Usual(rows)};
  return Logic(Send(kSkip, a));
}
std::int64_t ServerLink::RecNo() { return direct_ ? direct_->RecNo() : Access(kRecNo).AsInteger(); }
bool ServerLink::EoF() { return direct_ ? direct_->EoF() : Logic(Access(kEOF)); }
bool ServerLink::BoF() { return direct_ ? direct_->BoF() : Logic(Access(kBOF)); }
std::int64_t ServerLink::LastRec() { return direct_ ? direct_->LastRec() : Access(kLastRec).AsInteger(); }
std::int64_t ServerLink::RecCount() { return direct_ ? direct_->RecCount() : Access(kRecCount).AsInteger(); }
bool ServerLink::Used() {
  if (direct_) return direct_->Used();
  return Bound() && Logic(Access(kUsed));
}
bool ServerLink::Deleted() { return direct_ ? direct_->Deleted() : Logic(Access(kDeleted)); }
void ServerLink::Suspend() {
  if (direct_) direct_->SuspendNotification();
  else if (Bound()) Send(kSuspend);
}
void ServerLink::Reset() {
  if (direct_) direct_->ResetNotification();
  else if (Bound()) Send(kReset);
}
bool ServerLink::Notify(int code, const Usual& description) {
  if (direct_) return direct_->Notify(code, description);
  const Usual a[] = {Usual(code), description};
  const Usual r = Send(kNotify, a);
  return !r.IsLogic() || r.AsLogic();
}

}  // namespace kt
