#include "platform/runtime/codeblock.h"

#include "platform/runtime/object.h"

namespace kt {
namespace {

class NativeCodeblock final : public CodeblockImpl {
 public:
  NativeCodeblock(std::function<Usual(Args)> fn, int params) : fn_(std::move(fn)), params_(params) {}
  Usual Eval(Args args) const override { return fn_(args); }
  int ParamCount() const override { return params_; }

 private:
  std::function<Usual(Args)> fn_;
  int params_;
};

}  // namespace

Codeblock Codeblock::FromFunction(std::function<Usual(Args)> fn, int paramCount) {
  return Codeblock(MakeRef<NativeCodeblock>(std::move(fn), paramCount));
}

Usual EvalBlock(const Usual& block, Args args) {
  if (block.IsCodeblock()) return block.AsCodeblock().Eval(args);
  if (Object* o = block.AsObject()) {
    static const Symbol eval("EVAL");
    if (o->HasMethod(eval)) return o->Send(eval, args);
  }
  return Usual();
}

}  // namespace kt
