#include "platform/runtime/error.h"

#include <type_traits>
#include <utility>

#include "platform/runtime/numtext.h"
#include "platform/runtime/runtime.h"

namespace kt {
namespace {

int& TrapDepth() {
  static int depth = 0;
  return depth;
}

template <class T>
void Property(ClassInfo& info, const char* name, T Error::*member) {
  info.Access<Error>(Symbol(name), [member](Error& e) { return Usual(e.*member); });
  info.Assign<Error>(Symbol(name), [member](Error& e, const Usual& v) {
    if constexpr (std::is_same_v<T, std::string>) e.*member = std::string(v.AsStringView());
    else if constexpr (std::is_same_v<T, bool>) e.*member = v.AsLogic();
    else if constexpr (std::is_same_v<T, Symbol>) e.*member = v.AsSymbol();
    else if constexpr (std::is_same_v<T, Usual>) e.*member = v;
    else e.*member = static_cast<T>(v.AsInteger());
  });
}

}  // namespace

const char* GenCodeText(int genCode) {
  switch (genCode) {
    case 0: return "no error";
    case gen::Arg: return "argument error";
    case gen::Bound: return "bound error";
    case gen::StrOverflow: return "string overflow";
    case gen::NumOverflow: return "numeric overflow";
    case gen::Syntax: return "syntax error";
    case gen::Complexity: return "expression too complex";
    case gen::NoFunc: return "undefined function";
    case gen::NoMethod: return "no exported method";
    case gen::ZeroDiv: return "zero divide";
    case gen::NoVar: return "variable does not exist";
    case gen::NoAlias: return "alias does not exist";
    case gen::Create: return "create error";
    case gen::Open: return "open error";
    case gen::Close: return "close error";
    case gen::Read: return "read error";
    case gen::Write: return "write error";
    case gen::Unsupported: return "unsupported operation";
    case gen::Limit: return "limit exceeded";
    case gen::Corruption: return "corruption detected";
    case gen::DataType: return "data type error";
    case gen::DataWidth: return "data width error";
    case gen::NoTable: return "work area not in use";
    case gen::NoOrder: return "order not found";
    case gen::Shared: return "shared access required";
    case gen::Unlocked: return "lock required";
    case gen::ReadOnly: return "write not allowed";
    case gen::Lock: return "lock failure";
    default: return "unknown error";
  }
}

const ClassInfo& Error::StaticClass() {
  static const ClassInfo& info = [] () -> const ClassInfo& {
    static ClassInfo c("Error", &Object::StaticClass());
    Property(c, "SubSystem", &Error::SubSystem);
    Property(c, "SubCode", &Error::SubCode);
    Property(c, "GenCode", &Error::GenCode);
    Property(c, "OsCode", &Error::OsCode);
    Property(c, "Severity", &Error::Severity);
    Property(c, "CanDefault", &Error::CanDefault);
    Property(c, "CanRetry", &Error::CanRetry);
    Property(c, "CanSubstitute", &Error::CanSubstitute);
    Property(c, "Operation", &Error::Operation);
    Property(c, "Description", &Error::Description);
    Property(c, "FileName", &Error::FileName);
    Property(c, "Tries", &Error::Tries);
    Property(c, "FileHandle", &Error::FileHandle);
    Property(c, "SubCodeText", &Error::SubCodeText);
    Property(c, "Arg", &Error::Arg);
    Property(c, "ArgType", &Error::ArgType);
    Property(c, "ArgTypeReq", &Error::ArgTypeReq);
    Property(c, "ArgNum", &Error::ArgNum);
    Property(c, "FuncPtr", &Error::FuncPtr);
    Property(c, "FuncSym", &Error::FuncSym);
    Property(c, "MaxSize", &Error::MaxSize);
    Property(c, "SubstituteType", &Error::SubstituteType);
    Property(c, "CallFuncSym", &Error::CallFuncSym);
    c.Access<Error>(Symbol("MethodSelf"), [](Error& e) { return e.MethodSelf(); });
    c.Assign<Error>(Symbol("MethodSelf"), [](Error& e, const Usual& v) { e.MethodSelf(v.AsObject()); });
    return c;
  }();
  return info;
}

Usual Error::MethodSelf() const {
  Object* self = methodSelf_.get();
  return self ? Usual(self) : Usual();
}

std::string Error::Summary() const {
  std::string s = SubSystem + "/" + ToText(GenCode);
  if (!Operation.empty()) s += " " + Operation;
  s += ": ";
  s += Description.empty() ? GenCodeText(GenCode) : Description;
  if (!FileName.empty() && Description.find(FileName) == std::string::npos) s += " (" + FileName + ")";
  return s;
}

ErrorTrap::ErrorTrap() : saved_(TrapDepth()) { ++TrapDepth(); }
ErrorTrap::~ErrorTrap() { TrapDepth() = saved_; }
bool ErrorTrap::Active() { return TrapDepth() > 0; }

EvalContext& CurrentEvalContext() {
  thread_local EvalContext context;
  return context;
}

std::size_t& NestedStackLimit() {
  // Well inside the 8 MiB main-thread stack, with room left for what an
  // error block at the floor still needs (a message box).
  static std::size_t limit = std::size_t(4) << 20;
  return limit;
}

std::uintptr_t NestedStackFloor(std::uintptr_t from) {
  const std::size_t limit = NestedStackLimit();
  return from > limit ? from - limit : 1;
}

IndependentEvaluation::IndependentEvaluation()
    : saved_(std::exchange(CurrentEvalContext(), EvalContext{})), savedTraps_(std::exchange(TrapDepth(), 0)) {
  // Counted from the outermost nesting, whether or not an evaluation was
  // running when this one began (a handler may report after unwinding).
  CurrentEvalContext().stackFloor = saved_.stackFloor ? saved_.stackFloor : NestedStackFloor(StackAddress());
}

IndependentEvaluation::~IndependentEvaluation() {
  CurrentEvalContext() = saved_;
  TrapDepth() = savedTraps_;
}

bool CallErrorBlock(const ErrorRef& error, Usual* answer) {
  // A copy: the block may install another one while it runs.
  const Runtime::ErrorBlock block = Runtime::GetErrorBlock();
  if (!block) return false;
  const std::uintptr_t floor = CurrentEvalContext().stackFloor;
  if (floor && StackAddress() < floor) return false;
  IndependentEvaluation own;
  Usual substitute = block(error);
  if (answer) *answer = std::move(substitute);
  return true;
}

Usual Raise(ErrorRef error) {
  if (ErrorTrap::Active()) throw RuntimeError(std::move(error));
  Usual substitute;
  if (!CallErrorBlock(error, &substitute)) throw RuntimeError(std::move(error));
  return substitute;
}

ErrorRef MakeError(int genCode, std::string operation, std::string description) {
  ErrorRef e = New<Error>(genCode, std::move(description));
  e->Operation = std::move(operation);
  e->CanSubstitute = true;
  return e;
}

Usual RaiseError(int genCode, std::string operation, std::string description) {
  return Raise(MakeError(genCode, std::move(operation), std::move(description)));
}

}  // namespace kt
