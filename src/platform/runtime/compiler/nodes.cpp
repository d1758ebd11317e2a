// Evaluation of operators, control forms, calls and literals.
#include <vector>

#include "platform/runtime/array.h"
#include "platform/runtime/compiler/evalstate.h"
#include "platform/runtime/compiler/functions.h"
#include "platform/runtime/compiler/nodes.h"
#include "platform/runtime/numtext.h"
#include "platform/runtime/operators.h"

namespace kt::macro {
namespace {

// Arguments of calls live here; more than this many take the heap.
constexpr std::size_t kInlineArgs = 8;

const char* OpName(BinaryOp op) {
  switch (op) {
    case BinaryOp::Add: return "+";
    case BinaryOp::Sub: return "-";
    case BinaryOp::Mul: return "*";
    case BinaryOp::Div: return "/";
    case BinaryOp::Mod: return "%";
    case BinaryOp::Pow: return "**";
    case BinaryOp::Eq: return "=";
    case BinaryOp::ExactEq: return "==";
    case BinaryOp::Ne: return "!=";
    case BinaryOp::Lt: return "<";
    case BinaryOp::Le: return "<=";
    case BinaryOp::Gt: return ">";
    case BinaryOp::Ge: return ">=";
    case BinaryOp::Contains: return "$";
  }
  return "?";
}

// Work of scanning string operands, charged at one unit per 16 bytes so that
// loops over huge strings (through AScan or Eval) hit the budget.
void ChargeScan(const Usual* values, std::size_t n) {
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < n; ++i)
    if (values[i].IsString()) bytes += values[i].AsStringView().size();
  if (bytes >= 16) Charge(std::int64_t(bytes / 16));
}

Usual Apply(BinaryOp op, const Usual& a, const Usual& b) {
  if (a.IsString() && b.IsString()) {
    const std::size_t bytes = a.AsStringView().size() + b.AsStringView().size();
    if (bytes >= 16) Charge(std::int64_t(bytes / 16));
  }
  switch (op) {
    case BinaryOp::Add:
    case BinaryOp::Sub:
      if (a.IsString() && b.IsString()) {
        Usual substitute;
        if (!ReserveString(a.AsStringView().size() + b.AsStringView().size(), OpName(op), substitute))
          return substitute;
      }
      return op == BinaryOp::Add ? kt::Add(a, b) : kt::Sub(a, b);
    case BinaryOp::Mul: return kt::Mul(a, b);
    case BinaryOp::Div: return kt::Div(a, b);
    case BinaryOp::Mod: return kt::Mod(a, b);
    case BinaryOp::Pow: return kt::Pow(a, b);
    case BinaryOp::Eq: return Usual(kt::Equals(a, b));
    case BinaryOp::ExactEq: return Usual(a == b);
    case BinaryOp::Ne: return Usual(!kt::Equals(a, b));
    case BinaryOp::Lt: return Usual(kt::Less(a, b));
    case BinaryOp::Le: return Usual(kt::LessEq(a, b));
    case BinaryOp::Gt: return Usual(kt::Greater(a, b));
    case BinaryOp::Ge: return Usual(kt::GreaterEq(a, b));
    case BinaryOp::Contains:
      if (a.IsString() && b.IsString()) {
        // An empty left side is contained nowhere, as in the classic runtimes.
        const std::string_view needle = a.AsStringView();
        return Usual(!needle.empty() && FindBytes(b.AsStringView(), needle) != std::string_view::npos);
      }
      return Usual(kt::Contains(a, b));
  }
  return Usual();
}

// Evaluates argument nodes into `out` (sized by the caller).
void EvalArgs(const NodeList& nodes, const Frame& f, Usual* out) {
  for (std::size_t i = 0; i < nodes.size(); ++i) out[i] = nodes[i]->Eval(f);
}

}  // namespace

Usual UnaryNode::Eval(const Frame& f) const {
  Usual v = operand_->Eval(f);
  switch (op_) {
    case UnaryOp::Neg:
      return kt::Neg(v);
    case UnaryOp::Plus:
      if (v.IsNumeric()) return v;
      return ArgError("+", 1, v, "numeric");
    case UnaryOp::Not:
      if (v.IsLogic()) return Usual(!v.AsLogic());
      return ArgError(".NOT.", 1, v, "logic");
  }
  return Usual();
}

Usual ChainNode::Eval(const Frame& f) const {
  Usual acc = first_->Eval(f);
  for (const auto& [op, node] : rest_) {
    const Usual rhs = node->Eval(f);
    acc = Apply(op, acc, rhs);
  }
  return acc;
}

Usual LogicNode::Eval(const Frame& f) const {
  for (std::size_t i = 0; i < operands_.size(); ++i) {
    Usual v = operands_[i]->Eval(f);
    if (!v.IsLogic()) {
      v = ArgError(isAnd_ ? ".AND." : ".OR.", int(i + 1), v, "logic");
      if (!v.IsLogic()) return v;
    }
    if (v.AsLogic() != isAnd_) return v;
  }
  return Usual(isAnd_);
}

Usual IifNode::Eval(const Frame& f) const {
  Usual c = cond_->Eval(f);
  if (!c.IsLogic()) {
    c = ArgError("IIF", 1, c, "logic");
    if (!c.IsLogic()) return c;
  }
  if (c.AsLogic()) return then_->Eval(f);
  return else_ ? else_->Eval(f) : Usual();
}

Usual ListNode::Eval(const Frame& f) const {
  for (std::size_t i = 0; i + 1 < items_.size(); ++i) items_[i]->Eval(f);
  return items_.back()->Eval(f);
}

Usual CallNode::Eval(const Frame& f) const {
  const std::size_t n = args_.size();
  if (n <= kInlineArgs) {
    Usual buf[kInlineArgs];
    EvalArgs(args_, f, buf);
    ChargeScan(buf, n);
    return fn_->Call(Args(buf, n));
  }
  std::vector<Usual> buf(n);
  EvalArgs(args_, f, buf.data());
  ChargeScan(buf.data(), n);
  return fn_->Call(Args(buf.data(), n));
}

Usual MethodNode::Eval(const Frame& f) const {
  const Usual target = target_->Eval(f);
  const std::size_t n = args_.size();
  Usual inlineBuf[kInlineArgs];
  std::vector<Usual> heapBuf;
  Usual* buf = inlineBuf;
  if (n > kInlineArgs) {
    heapBuf.resize(n);
    buf = heapBuf.data();
  }
  EvalArgs(args_, f, buf);
  const Args args(buf, n);
  Object* o = target.IsObject() ? target.AsObject() : nullptr;
  if (!o) return kt::Send(target, name_, args);
  const ClassInfo& cls = o->Class();
  if (&cls != cachedClass_) {
    cachedFn_ = cls.FindMethod(name_);
    cachedClass_ = &cls;
  }
  if (cachedFn_) return (*cachedFn_)(*o, args);
  return o->Send(name_, args);  // per-instance methods and the NoMethod hook
}

Usual AccessNode::Eval(const Frame& f) const {
  const Usual target = target_->Eval(f);
  Object* o = target.IsObject() ? target.AsObject() : nullptr;
  if (!o) return kt::IVarGet(target, name_);
  const ClassInfo& cls = o->Class();
  if (&cls != cachedClass_) {
    cachedFn_ = cls.FindAccess(name_);
    cachedClass_ = &cls;
  }
  if (cachedFn_) return (*cachedFn_)(*o);
  return o->Access(name_);  // per-instance fields and the NoAccess hook
}

Usual IndexNode::Eval(const Frame& f) const {
  Usual v = target_->Eval(f);
  for (const auto& node : indices_) {
    const Usual idx = node->Eval(f);
    if (!v.IsArray()) return ArgError("array access", 1, v, "array");
    if (!idx.IsNumeric()) return ArgError("array access", 2, idx, "numeric");
    const Array a = v.AsArray();
    const std::int64_t i = ClampInt(idx, INT64_MIN, INT64_MAX);
    if (i < 1 || std::size_t(i) > a.Len())
      return Fail(gen::Bound, "array access",
                  "index " + ToText(i) + " outside 1.." + ToText(a.Len()));
    v = a.Get(std::size_t(i));
  }
  return v;
}

Usual ArrayNode::Eval(const Frame& f) const {
  Array a;
  a.Items().reserve(items_.size());
  for (const auto& node : items_) a.Add(node->Eval(f));
  return Usual(a);
}

Usual BlockNode::Eval(const Frame& f) const {
  std::vector<Usual> values;
  values.reserve(captures_.size());
  for (const CaptureSource& c : captures_) {
    if (c.fromCapture) values.push_back(f.captures[c.index]);
    else values.push_back(c.index < f.argc ? f.args[c.index] : Usual());
  }
  return Usual(MakeBlock(program_, std::move(values)));
}

}  // namespace kt::macro
