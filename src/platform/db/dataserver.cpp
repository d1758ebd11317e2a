#include "platform/db/dataserver.h"

#include <algorithm>
#include <cstring>

#include "platform/runtime/codeblock.h"
#include "platform/runtime/numtext.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/text.h"

namespace kt {
namespace {

const Symbol kNotify("Notify");
const Symbol kError("Error");

// Resets a flag when the scope ends, also by exception.
struct FlagGuard {
  bool& flag;
  explicit FlagGuard(bool& f) : flag(f) { flag = true; }
  ~FlagGuard() { flag = false; }
};

const Usual& Arg(Args a, std::size_t i) { return i < a.size() ? a[i] : NIL; }

}  // namespace

DataServer::DataServer() : hyperLabel_(New<kt::HyperLabel>(Symbol("DataServer"))) {}

DataServer::~DataServer() = default;

const ClassInfo& DataServer::StaticClass() {
  static ClassInfo info("DataServer", &Object::StaticClass());
  static const bool registered = [] {
    using S = DataServer;
    // Names registered here win over field names in Server:NAME, so the
    // table holds only the protocol's own words (no "Name", "Value", ...).
    // State: readable as access and callable as method, as expressions use both.
    auto state = [](const char* name, std::function<Usual(S&)> fn) {
      info.Access<S>(name, fn);
      info.Method<S>(name, [fn](S& s, Args) { return fn(s); });
    };
    state("RecNo", [](S& s) { return Usual(s.RecNo()); });
    state("EOF", [](S& s) { return Usual(s.EoF()); });
    state("BOF", [](S& s) { return Usual(s.BoF()); });
    state("LastRec", [](S& s) { return Usual(s.LastRec()); });
    state("RecCount", [](S& s) { return Usual(s.RecCount()); });
    state("Used", [](S& s) { return Usual(s.Used()); });
    state("Deleted", [](S& s) { return Usual(s.Deleted()); });
    state("FCount", [](S& s) { return Usual(s.FCount()); });
    state("DBStruct", [](S& s) { return Usual(s.DBStruct()); });
    info.Access<S>("Status", [](S& s) { return Usual(s.Status()); });
    info.Assign<S>("Status", [](S& s, const Usual& v) {
      s.Status(Ref<kt::HyperLabel>(dynamic_cast<kt::HyperLabel*>(v.AsObject())));
    });
    info.Access<S>("HyperLabel", [](S& s) { return Usual(s.HyperLabel()); });
    info.Access<S>("ErrInfo", [](S& s) { return Usual(s.ErrInfo()); });
    info.Access<S>("ErrorPending", [](S& s) { return Usual(s.ErrorPending()); });

    info.Method<S>("RegisterClient", [](S& s, Args a) { return Usual(s.RegisterClient(Arg(a, 0).AsObject())); });
    info.Method<S>("UnRegisterClient", [](S& s, Args a) {
      return Usual(s.UnRegisterClient(Arg(a, 0).AsObject(), Arg(a, 1).AsLogic()));
    });
    info.Method<S>("Notify", [](S& s, Args a) { return Usual(s.Notify(int(Arg(a, 0).AsInteger()), Arg(a, 1))); });
    info.Method<S>("SuspendNotification", [](S& s, Args) {
      s.SuspendNotification();
      return Usual(s.SuspendNotificationCount());
    });
    info.Method<S>("ResetNotification", [](S& s, Args) {
      s.ResetNotification();
      return Usual(s.SuspendNotificationCount());
    });
    info.Method<S>("FieldPos", [](S& s, Args a) { return Usual(s.FieldPos(Arg(a, 0))); });
    info.Method<S>("FieldGet", [](S& s, Args a) { return s.FieldGet(Arg(a, 0)); });
    info.Method<S>("FieldPut", [](S& s, Args a) { return s.FieldPut(Arg(a, 0), Arg(a, 1)); });
    info.Method<S>("FieldSpec", [](S& s, Args a) { return s.FieldSpec(Arg(a, 0)); });
    info.Method<S>("FieldSym", [](S& s, Args a) { return s.FieldSym(Arg(a, 0)); });
    info.Method<S>("FieldName", [](S& s, Args a) { return s.FieldName(Arg(a, 0)); });
    info.Method<S>("FieldHyperLabel", [](S& s, Args a) { return s.FieldHyperLabel(Arg(a, 0)); });
    info.Method<S>("FieldValidate", [](S& s, Args a) {
      return Usual(s.FieldValidate(std::size_t(Arg(a, 0).AsInteger()), Arg(a, 1)));
    });
    info.Method<S>("GoTop", [](S& s, Args) { return Usual(s.GoTop()); });
    info.Method<S>("GoBottom", [](S& s, Args) { return Usual(s.GoBottom()); });
    info.Method<S>("GoTo", [](S& s, Args a) { return Usual(s.GoTo(Arg(a, 0).AsInteger())); });
    info.Method<S>("Skip", [](S& s, Args a) { return Usual(s.Skip(Arg(a, 0).IsNil() ? 1 : Arg(a, 0).AsInteger())); });
    info.Method<S>("Append", [](S& s, Args a) { return Usual(s.Append(Arg(a, 0))); });
    info.Method<S>("Delete", [](S& s, Args a) { return Usual(s.Delete(Arg(a, 0))); });
    info.Method<S>("Recall", [](S& s, Args) { return Usual(s.Recall()); });
    info.Method<S>("Commit", [](S& s, Args) { return Usual(s.Commit()); });
    info.Method<S>("Close", [](S& s, Args) { return Usual(s.Close()); });
    info.Method<S>("Error", [](S& s, Args a) {
      s.Error(Arg(a, 0), Arg(a, 1));
      return Usual();
    });
    info.Method<S>("__CreateErrorInfo", [](S& s, Args a) {
      s.CreateErrorInfo(ErrorRef(dynamic_cast<kt::Error*>(Arg(a, 0).AsObject())),
                        std::string(Arg(a, 1).AsStringView()));
      return Usual();
    });
    info.Method<S>("Eval", [](S& s, Args a) { return s.Eval(Arg(a, 0), Arg(a, 1), Arg(a, 2), Arg(a, 3)); });
    return true;
  }();
  (void)registered;
  return info;
}

bool DataServer::RegisterClient(Object* client) {
  if (!client) return false;
  for (Object* c : clients_)
    if (c == client) return true;
  clients_.push_back(client);
  return true;
}

bool DataServer::UnRegisterClient(Object* client, bool lAllowClose) {
  for (auto it = clients_.begin(); it != clients_.end(); ++it) {
    if (*it == client) {
      clients_.erase(it);
      if (lAllowClose && clients_.empty()) Close();
      return true;
    }
  }
  return false;
}

bool DataServer::Notify(int code, const Usual& description) {
  if (suspendCount_ > 0) return true;
  // A client may unregister (or register another) while it is told.
  const std::vector<Object*> clients = clients_;
  const Usual args[] = {Usual(code), description};
  for (Object* client : clients) {
    if (std::find(clients_.begin(), clients_.end(), client) == clients_.end()) continue;
    if (!client->HasMethod(kNotify)) continue;
    const Usual answer = client->Send(kNotify, Args(args, 2));
    if (code == notify::IntentToMove && answer.IsLogic() && !answer.AsLogic()) return false;
  }
  return true;
}

void DataServer::SetFields(std::vector<Ref<DataField>> fields) {
  fields_ = std::move(fields);
  fieldIndex_.clear();
  for (std::size_t i = 0; i < fields_.size(); ++i) fieldIndex_.emplace(fields_[i]->NameSym(), i + 1);
}

std::size_t DataServer::FieldPos(const Usual& field) const {
  if (field.IsNumeric()) {
    const std::int64_t n = field.AsInteger();
    return n >= 1 && std::size_t(n) <= fields_.size() ? std::size_t(n) : 0;
  }
  Symbol name;
  if (field.IsSymbol()) name = field.AsSymbol();
  else if (field.IsString()) name = Symbol(text::Trim(field.AsStringView()));
  else return 0;
  auto it = fieldIndex_.find(name);
  return it == fieldIndex_.end() ? 0 : it->second;
}

Ref<DataField> DataServer::DataFieldAt(std::size_t pos) const {
  return pos >= 1 && pos <= fields_.size() ? fields_[pos - 1] : Ref<DataField>();
}

Usual DataServer::FieldSpec(const Usual& field) const {
  auto f = DataFieldAt(FieldPos(field));
  return f ? Usual(f->Spec()) : Usual();
}

Usual DataServer::FieldSym(const Usual& field) const {
  auto f = DataFieldAt(FieldPos(field));
  return f ? Usual(f->NameSym()) : Usual();
}

Usual DataServer::FieldName(const Usual& field) const {
  auto f = DataFieldAt(FieldPos(field));
  return f ? Usual(f->NameSym().Name()) : Usual();
}

Usual DataServer::FieldHyperLabel(const Usual& field) const {
  auto f = DataFieldAt(FieldPos(field));
  return f ? Usual(f->Label()) : Usual();
}

bool DataServer::FieldValidate(std::size_t pos, const Usual& value) {
  auto f = DataFieldAt(pos);
  if (!f) return false;
  if (f->Spec()->Validate(value)) return true;
  ReportStatus(gen::DataType, Symbol("FieldPut"), f->Spec()->Status()->Description);
  return false;
}

Array DataServer::DBStruct() const {
  Array result;
  for (const auto& f : fields_) {
    const auto& spec = f->Spec();
    Array entry{Usual(f->NameSym().Name()), Usual(spec->ValType()), Usual(spec->Length()), Usual(spec->Decimals())};
    if (f->Label() && f->Label()->Caption != f->NameSym().Name()) entry.Add(Usual(f->Label()->Caption));
    result.Add(Usual(entry));
  }
  return result;
}

void DataServer::Error(const Usual& oError, const Usual& symMethod) {
  if (inError_) return;  // an error while reporting an error is not reported again
  FlagGuard guard(inError_);
  ErrorRef error(dynamic_cast<kt::Error*>(oError.AsObject()));
  if (!error) {
    error = New<kt::Error>(gen::Arg, "Erwartet: Error-Objekt");
    error->Arg = oError;
  }
  error->SubSystem = ClassName();
  error->FuncSym = symMethod.IsSymbol() ? symMethod.AsSymbol() : Symbol("UNKNOWN");
  error->MethodSelf(this);
  if (!clients_.empty() && clients_.front()->HasMethod(kError)) {
    const Usual arg[] = {Usual(error)};
    clients_.front()->Send(kError, Args(arg, 1));
    return;
  }
  Raise(error);
}

void DataServer::CreateErrorInfo(const ErrorRef& error, const std::string& message) {
  errorPending_ = true;
  lastError_ = error;
  if (!error) {
    status_ = New<kt::HyperLabel>(Symbol("UNKNOWN"), "", "Unknown");
    return;
  }
  std::string text = ClassName() + ": ";
  if (error->GenCode != 0) text += "\n- " + std::string(GenCodeText(error->GenCode)) + " (" + ToText(error->GenCode) + ")";
  if (error->OsCode != 0) text += "\n- " + std::string(std::strerror(error->OsCode)) + " (" + ToText(error->OsCode) + ")";
  if (!error->Description.empty()) text += "\n- " + error->Description;
  if (!message.empty()) text += "\n\n" + message;
  status_ = New<kt::HyperLabel>(error->FuncSym ? error->FuncSym : Symbol("UNKNOWN"), "", text);
}

void DataServer::ReportStatus(int genCode, Symbol method, const std::string& description) {
  ErrorRef e = MakeError(genCode, method.Name(), description);
  e->SubSystem = ClassName();
  e->FuncSym = method;
  CreateErrorInfo(e);
}

Usual DataServer::Eval(const Usual& cbBlock, const Usual& cbFor, const Usual& cbWhile, const Usual& uScope) {
  SuspendScope suspended(*this);
  const Usual self(this);
  const Usual arg[] = {self};
  const Args args(arg, 1);
  if (uScope.IsNil() && cbWhile.IsNil()) GoTop();
  std::int64_t remaining = uScope.IsNumeric() ? uScope.AsInteger() : -1;
  while (!EoF() && remaining != 0) {
    if (!cbWhile.IsNil() && !EvalBlock(cbWhile, args).AsLogic()) break;
    if (cbFor.IsNil() || EvalBlock(cbFor, args).AsLogic()) EvalBlock(cbBlock, args);
    if (remaining > 0) --remaining;
    if (!Skip(1)) break;
  }
  return self;
}

bool DataServer::HasDynamicAccess(Symbol name) const { return fieldIndex_.count(name) != 0; }
bool DataServer::HasDynamicAssign(Symbol name) const { return fieldIndex_.count(name) != 0; }

bool DataServer::DynamicAccess(Symbol name, Usual& out) {
  auto it = fieldIndex_.find(name);
  if (it == fieldIndex_.end()) return false;
  out = FieldGet(Usual(it->second));
  return true;
}

bool DataServer::DynamicAssign(Symbol name, const Usual& value) {
  auto it = fieldIndex_.find(name);
  if (it == fieldIndex_.end()) return false;
  FieldPut(Usual(it->second), value);
  return true;
}

}  // namespace kt
