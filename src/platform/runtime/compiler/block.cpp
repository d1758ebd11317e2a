// Compiled codeblocks and the bounds every evaluation runs under.
#include <string>
#include <vector>

#include "platform/runtime/compiler/evalstate.h"
#include "platform/runtime/compiler/macro.h"
#include "platform/runtime/compiler/nodes.h"
#include "platform/runtime/numtext.h"

namespace kt::macro {
namespace {

const char* TypeName(const Usual& v) {
  switch (v.Type()) {
    case UsualType::Nil: return "NIL";
    case UsualType::Logic: return "logic";
    case UsualType::Integer:
    case UsualType::Float: return "numeric";
    case UsualType::Date: return "date";
    case UsualType::String: return "string";
    case UsualType::Symbol: return "symbol";
    case UsualType::Array: return "array";
    case UsualType::Object: return "object";
    case UsualType::Codeblock: return "codeblock";
  }
  return "unknown";
}

class CompiledBlock final : public CodeblockImpl {
 public:
  CompiledBlock(std::shared_ptr<const Program> program, std::vector<Usual> captures)
      : program_(std::move(program)), captures_(std::move(captures)) {}

  int ParamCount() const override { return program_->paramCount; }
  std::string Text() const override { return program_->text; }

  Usual Eval(Args args) const override {
    EvalState& s = State();
    const bool outermost = s.depth == 0;
    // The first evaluation of a nesting fixes the floor for all that nests in it.
    const bool fixesFloor = outermost && s.stackFloor == 0;
    if (outermost) {
      s.budget = CompilerLimits().evalBudget;
      s.stackBase = StackAddress();
      if (fixesFloor) s.stackFloor = NestedStackFloor(s.stackBase);
    }
    ++s.depth;
    struct Leave {
      EvalState& s;
      bool fixesFloor;
      ~Leave() {
        --s.depth;
        if (fixesFloor) s.stackFloor = 0;
      }
    } leave{s, fixesFloor};
    try {
      CheckNesting(s);
      Charge(program_->nodeCount + 1);
      const Frame f{args.data(), args.size(), captures_.data()};
      const NodeList& body = program_->body;
      for (std::size_t i = 0; i + 1 < body.size(); ++i) body[i]->Eval(f);
      return body.back()->Eval(f);
    } catch (EvalAbort& abort) {
      if (outermost) return std::move(abort.value);
      throw;
    }
  }

 private:
  // Each evaluation has its own depth and stack allowance; an evaluation
  // nested in another through an error block or an event loop also starts
  // deeper, so all of them together are held above the shared floor.
  static void CheckNesting(const EvalState& s) {
    const MacroLimits& lim = CompilerLimits();
    const std::uintptr_t sp = StackAddress();
    const std::uintptr_t used = s.stackBase > sp ? s.stackBase - sp : 0;
    if (s.depth > lim.maxBlockNesting || used > lim.maxStackBytes) {
      RaiseAndAbort(MakeError(gen::Complexity, "EVAL",
                              "Codeblocks nested too deeply (at most " + ToText(lim.maxBlockNesting) +
                                  " levels)"));
    }
    if (sp < s.stackFloor) {
      RaiseAndAbort(MakeError(gen::Complexity, "EVAL",
                              "Evaluations nested in error blocks and event loops use more than " +
                                  ToText(NestedStackLimit()) + " bytes of stack together"));
    }
  }

  std::shared_ptr<const Program> program_;
  std::vector<Usual> captures_;
};

}  // namespace

void RaiseAndAbort(ErrorRef error) {
  Usual substitute = Raise(error);
  if (State().depth == 0) throw RuntimeError(std::move(error));
  throw EvalAbort{std::move(substitute)};
}

void ChargeSlow(std::int64_t) {
  EvalState& s = State();
  s.budget = 0;  // stays exhausted while the abort unwinds
  RaiseAndAbort(MakeError(gen::Complexity, "EVAL", "Expression evaluation exceeds its work limit"));
}

bool ReserveString(std::size_t bytes, const char* operation, Usual& substitute) {
  const std::size_t limit = CompilerLimits().maxStringBytes;
  if (bytes > limit) {
    ErrorRef e = MakeError(gen::StrOverflow, operation,
                           "String of " + ToText(bytes) + " bytes exceeds the limit of " +
                               ToText(limit) + " bytes");
    e->CanSubstitute = true;
    substitute = Raise(e);
    return false;
  }
  Charge(std::int64_t(bytes / 4));
  return true;
}

Usual ArgError(const char* operation, int argNum, const Usual& arg, const char* expected) {
  ErrorRef e = MakeError(gen::Arg, operation,
                         "Argument " + ToText(argNum) + ": " + expected + " expected, got " + TypeName(arg));
  e->ArgNum = argNum;
  e->Arg = arg;
  e->ArgType = int(arg.Type());
  e->CanSubstitute = true;
  return Raise(e);
}

Usual Fail(int genCode, const char* operation, std::string description) {
  ErrorRef e = MakeError(genCode, operation, std::move(description));
  e->CanSubstitute = true;
  return Raise(e);
}

Codeblock MakeBlock(std::shared_ptr<const Program> program, std::vector<Usual> captures) {
  return Codeblock(MakeRef<CompiledBlock>(std::move(program), std::move(captures)));
}

}  // namespace kt::macro
