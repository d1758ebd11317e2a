#include "support/kcodeblock.h"

#include "platform/runtime/compiler/macro.h"
#include "platform/runtime/runtime.h"

namespace kt {
namespace {

const Symbol kDBServer("DBServer");

}  // namespace

kCodeblock::kCodeblock(const Usual& cExpression, const Usual& oServer) {
  if (cExpression.IsString()) expression_ = std::string(cExpression.AsStringView());
  Use(oServer);
}

const ClassInfo& kCodeblock::StaticClass() {
  static ClassInfo info("kCodeblock", &Object::StaticClass());
  static const bool registered = [] {
    // Evaluated like a codeblock with arguments when it is given some and has
    // no argument values of its own.
    info.Method<kCodeblock>("Eval", [](kCodeblock& b, Args a) {
      return a.empty() || b.ArgumentValues().IsArray() ? b.Eval() : b.EvalWith(a);
    });
    info.Method<kCodeblock>("Compile", [](kCodeblock& b, Args) { return Usual(b.Compile()); });
    info.Method<kCodeblock>("IsValid", [](kCodeblock& b, Args a) { return Usual(b.IsValid(!a.empty() && a[0].AsLogic())); });
    info.Method<kCodeblock>("IsCompiled", [](kCodeblock& b, Args) { return Usual(b.IsCompiled()); });
    info.Method<kCodeblock>("Use", [](kCodeblock& b, Args a) {
      b.Use(a.empty() ? Usual() : a[0]);
      return Usual();
    });
    info.Access<kCodeblock>("Expression", [](kCodeblock& b) { return Usual(b.Expression()); });
    info.Assign<kCodeblock>("Expression", [](kCodeblock& b, const Usual& v) { b.Expression(v); });
    info.Access<kCodeblock>("ArgumentList", [](kCodeblock& b) { return Usual(b.ArgumentList()); });
    info.Assign<kCodeblock>("ArgumentList", [](kCodeblock& b, const Usual& v) { b.ArgumentList(v); });
    info.Access<kCodeblock>("ArgumentValues", [](kCodeblock& b) { return b.ArgumentValues(); });
    info.Assign<kCodeblock>("ArgumentValues", [](kCodeblock& b, const Usual& v) { b.ArgumentValues(v); });
    info.Access<kCodeblock>("Block", [](kCodeblock& b) { return Usual(b.Block()); });
    info.Access<kCodeblock>("ErrorNo", [](kCodeblock& b) { return Usual(b.ErrorNo()); });
    info.Access<kCodeblock>("Server", [](kCodeblock& b) { return b.Server(); });
    return true;
  }();
  (void)registered;
  return info;
}

void kCodeblock::Use(const Usual& oServer) {
  if (Object* o = oServer.AsObject()) {
    server_ = WeakRef<Object>(o);
    serverIsDB_ = o->IsInstanceOf(kDBServer);
  }
}

void kCodeblock::ArgumentList(const Usual& list) {
  if (list.IsString()) {
    argumentList_ = std::string(list.AsStringView());
  } else if (list.IsArray()) {
    std::string joined;
    for (const Usual& name : list.AsArray()) {
      if (!joined.empty()) joined += ',';
      joined += name.IsSymbol() ? name.AsSymbol().Name() : std::string(name.AsStringView());
    }
    argumentList_ = joined;
  } else {
    argumentList_.clear();
  }
  if (argumentList_.empty()) argumentList_ = "Server";
  compiled_ = false;
}

void kCodeblock::ArgumentValues(const Usual& values) {
  argumentValues_ = values;
  compiled_ = false;
  errorNo_ = 0;
}

void kCodeblock::Expression(const Usual& text) {
  expression_ = text.IsString() ? std::string(text.AsStringView()) : std::string();
  compiled_ = false;
}

Codeblock kCodeblock::CreateCodeblock(std::string_view text) const {
  std::string source = "{|" + argumentList_ + "| ";
  source.append(text);
  source += "}";
  return CompileCodeblock(source);
}

int kCodeblock::ServerArea() const {
  if (!serverIsDB_) return 0;
  WorkAreaResolver* resolver = Runtime::Resolver();
  const Object* o = server_.get();
  return resolver && o ? resolver->AreaOf(*o) : 0;
}

bool kCodeblock::Compile() {
  errorNo_ = kCompiledOk;
  compiled_ = true;
  lastError_ = nullptr;
  if (expression_.find_first_not_of(" \t\r\n") == std::string::npos) {
    errorNo_ = kEmptyExpression;
    block_ = Codeblock();
    return false;
  }
  ScopedWorkArea area(ServerArea());
  try {
    ErrorTrap trap;
    block_ = CreateCodeblock(expression_);
  } catch (const RuntimeError& e) {
    lastError_ = e.error();
    block_ = Codeblock();
    errorNo_ = kCompileFailed;
  }
  return errorNo_ == kCompiledOk;
}

Usual kCodeblock::Eval() {
  if (!argumentValues_.IsArray()) {
    const Usual arg[] = {Server()};
    return EvalWith(Args(arg, 1));
  }
  const Array values = argumentValues_.AsArray();
  return EvalWith(Args(values.Items().data(), values.Len()));
}

Usual kCodeblock::EvalWith(Args args) {
  ScopedWorkArea area(ServerArea());
  // A caller with a trap of its own (a server method, a condition list)
  // handles the failure itself.
  const bool callerTraps = ErrorTrap::Active();
  try {
    ErrorTrap trap;
    return block_.Eval(args);
  } catch (const RuntimeError& e) {
    lastError_ = e.error();
    if (callerTraps) throw;
  }
  CallErrorBlock(lastError_);
  return Usual();
}

bool kCodeblock::IsValid(bool lEvaluate) {
  if (!compiled_ || errorNo_ != kCompiledOk) return false;
  if (!lEvaluate) return true;
  // A question, not an evaluation on the caller's behalf: a failure under the
  // caller's trap is an answer too (the error stays in LastError).
  try {
    return !Eval().IsNil();
  } catch (const RuntimeError&) {
    return false;
  }
}

void kCodeblock::Destruct() {
  block_ = Codeblock();
  server_ = WeakRef<Object>();
  argumentValues_ = Usual();
  lastError_ = nullptr;
}

}  // namespace kt
