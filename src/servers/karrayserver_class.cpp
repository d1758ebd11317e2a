// The late-binding table of kArrayServer: every operation by name, as
// grids, columns and expressions reach a server.
#include "servers/karrayserver.h"

namespace kt {
namespace {

const Usual& Arg(Args a, std::size_t i) { return i < a.size() ? a[i] : NIL; }

}  // namespace

const ClassInfo& kArrayServer::StaticClass() {
  static ClassInfo info("kArrayServer", &DataServer::StaticClass());
  static const bool registered = [] {
    using S = kArrayServer;
    auto method = [](const char* name, std::function<Usual(S&, Args)> fn) { info.Method<S>(name, std::move(fn)); };
    auto access = [](const char* name, std::function<Usual(S&)> fn) { info.Access<S>(name, std::move(fn)); };

    access("Data", [](S& s) { return s.Data(); });
    access("ReadOnly", [](S& s) { return Usual(s.ReadOnly()); });
    info.Assign<S>("ReadOnly", [](S& s, const Usual& v) { s.ReadOnly(v.AsLogic()); });
    access("IsAnsi", [](S& s) { return Usual(s.IsAnsi()); });
    access("FieldMode", [](S& s) { return Usual(s.FieldMode()); });
    access("DeletedScope", [](S& s) { return Usual(s.DeletedScope()); });
    info.Assign<S>("DeletedScope", [](S& s, const Usual& v) { s.DeletedScope(v.AsInteger()); });
    access("SuspendNotificationCount", [](S& s) { return Usual(s.SuspendNotificationCount()); });
    access("Filter", [](S& s) { return Usual(s.Filter()); });
    info.Assign<S>("Filter", [](S& s, const Usual& v) { s.SetFilter(v); });
    access("Found", [](S& s) { return Usual(s.Found()); });
    access("IndexOrd", [](S& s) { return Usual(s.IndexOrd()); });
    method("IndexOrd", [](S& s, Args) { return Usual(s.IndexOrd()); });
    access("OrderKeyNo", [](S& s) { return s.OrderKeyNo(); });
    info.Assign<S>("OrderKeyNo", [](S& s, const Usual& v) { s.OrderKeyNo(v); });
    access("OrderKeyVal", [](S& s) { return s.OrderKeyVal(); });
    access("OrderCount", [](S& s) { return Usual(s.OrderCount()); });
    info.Assign<S>("DBStruct", [](S& s, const Usual& v) { s.DBStruct(v); });

    method("Use", [](S& s, Args a) { return Usual(s.Use(Arg(a, 0))); });
    method("FieldGetFormatted", [](S& s, Args a) { return Usual(s.FieldGetFormatted(Arg(a, 0))); });
    method("FieldInfo", [](S& s, Args a) { return s.FieldInfo(int(Arg(a, 0).AsInteger()), Arg(a, 1), Arg(a, 2)); });
    method("RecordGet", [](S& s, Args) { return Usual(s.RecordGet()); });
    method("RecordPut", [](S& s, Args a) { return Usual(s.RecordPut(Arg(a, 0))); });
    method("IsRecordEmpty", [](S& s, Args) { return Usual(s.IsRecordEmpty()); });
    method("DefaultValue", [](S& s, Args a) { return s.DefaultValue(Arg(a, 0)); });
    method("IsDeletedInScope", [](S& s, Args) { return Usual(s.IsDeletedInScope()); });
    method("RecallAll", [](S& s, Args) { return Usual(s.RecallAll()); });
    method("Pack", [](S& s, Args) { return Usual(s.Pack()); });
    method("Zap", [](S& s, Args) { return Usual(s.Zap()); });
    method("Refresh", [](S& s, Args) { return Usual(s.Refresh()); });
    method("CreateOrder", [](S& s, Args a) {
      return Usual(s.CreateOrder(Arg(a, 0), Arg(a, 1), Arg(a, 2), Arg(a, 3), Arg(a, 4), Arg(a, 5)));
    });
    method("SetOrder", [](S& s, Args a) { return Usual(s.SetOrder(Arg(a, 0))); });
    method("ClearOrder", [](S& s, Args a) { return Usual(s.ClearOrder(Arg(a, 0))); });
    method("OrderInfo", [](S& s, Args a) { return s.OrderInfo(int(Arg(a, 0).AsInteger()), Arg(a, 1), Arg(a, 2), Arg(a, 3)); });
    method("OrderKeyCount", [](S& s, Args a) { return Usual(s.OrderKeyCount(Arg(a, 0))); });
    method("IndexKey", [](S& s, Args a) { return Usual(s.IndexKey(Arg(a, 0))); });
    method("OrderKeyAdd", [](S& s, Args a) {
      return Usual(
          s.OrderKeyAdd(std::size_t(Arg(a, 0).AsInteger()), Arg(a, 1), Arg(a, 2).AsInteger(), Arg(a, 3).AsLogic()));
    });
    method("OrderKeyDel", [](S& s, Args a) {
      return Usual(s.OrderKeyDel(std::size_t(Arg(a, 0).AsInteger()), Arg(a, 1).AsInteger(), Arg(a, 2).AsLogic()));
    });
    method("OrderKeyNoToRecord", [](S& s, Args a) {
      return Usual(s.OrderKeyNoToRecord(std::size_t(Arg(a, 0).AsInteger()), Arg(a, 1).AsInteger()));
    });
    method("Seek", [](S& s, Args a) { return Usual(s.Seek(Arg(a, 0), Arg(a, 1))); });
    method("Locate", [](S& s, Args a) { return Usual(s.Locate(Arg(a, 0), Arg(a, 1), Arg(a, 2))); });
    method("SetFilter", [](S& s, Args a) {
      return Usual(s.SetFilter(Arg(a, 0), Arg(a, 1), Arg(a, 2), Arg(a, 3), Arg(a, 4), Arg(a, 5), Arg(a, 6)));
    });
    method("ClearFilter", [](S& s, Args) { return Usual(s.ClearFilter()); });
    method("FLock", [](S& s, Args) { return Usual(s.FLock()); });
    method("RLock", [](S& s, Args a) { return Usual(s.RLock(Arg(a, 0))); });
    method("RLockVerify", [](S& s, Args a) { return Usual(s.RLock(Arg(a, 0))); });
    method("Unlock", [](S& s, Args a) { return Usual(s.Unlock(Arg(a, 0))); });
    return true;
  }();
  (void)registered;
  return info;
}

}  // namespace kt
