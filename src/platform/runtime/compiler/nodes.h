#pragma once
// The compiled form of an expression: a tree of nodes, each evaluating
// itself against a frame (the block's arguments and captured values).
// Evaluation never allocates unless a value it builds needs storage
// (strings, arrays, blocks): arguments go to a fixed buffer on the stack.
#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/runtime/codeblock.h"
#include "platform/runtime/object.h"
#include "platform/runtime/usual.h"

namespace kt::macro {

struct FunctionEntry;

struct Frame {
  const Usual* args;
  std::size_t argc;
  const Usual* captures;
};

class Node {
 public:
  virtual ~Node() = default;
  virtual Usual Eval(const Frame& f) const = 0;
  int depth = 1;  // levels of the tree below and including this node
};
using NodePtr = std::unique_ptr<Node>;
using NodeList = std::vector<NodePtr>;

// One compiled block body; shared by every closure made from a block literal.
struct Program {
  NodeList body;          // expression list; the last value is the result
  std::string text;       // source text as written
  int paramCount = 0;
  std::int64_t nodeCount = 0;  // work charged per evaluation
};

class ConstNode final : public Node {
 public:
  explicit ConstNode(Usual v) : value_(std::move(v)) {}
  Usual Eval(const Frame&) const override { return value_; }
  const Usual& Value() const { return value_; }

 private:
  Usual value_;
};

class ParamNode final : public Node {
 public:
  explicit ParamNode(std::size_t index) : index_(index) {}
  Usual Eval(const Frame& f) const override { return index_ < f.argc ? f.args[index_] : Usual(); }

 private:
  std::size_t index_;
};

class CaptureNode final : public Node {
 public:
  explicit CaptureNode(std::size_t index) : index_(index) {}
  Usual Eval(const Frame& f) const override { return f.captures[index_]; }

 private:
  std::size_t index_;
};

// Field of the selected work area, or ALIAS->FIELD.
class FieldNode final : public Node {
 public:
  FieldNode(Symbol alias, Symbol field) : alias_(alias), field_(field) {}
  Usual Eval(const Frame& f) const override;

 private:
  Symbol alias_, field_;
};

// (expr)->FIELD: the alias is a name or a work-area number computed at run time.
class AliasExprNode final : public Node {
 public:
  AliasExprNode(NodePtr alias, Symbol field) : alias_(std::move(alias)), field_(field) {}
  Usual Eval(const Frame& f) const override;

 private:
  NodePtr alias_;
  Symbol field_;
};

enum class UnaryOp { Neg, Plus, Not };
class UnaryNode final : public Node {
 public:
  UnaryNode(UnaryOp op, NodePtr operand) : op_(op), operand_(std::move(operand)) {}
  Usual Eval(const Frame& f) const override;

 private:
  UnaryOp op_;
  NodePtr operand_;
};

enum class BinaryOp { Add, Sub, Mul, Div, Mod, Pow, Eq, ExactEq, Ne, Lt, Le, Gt, Ge, Contains };
// A left-associative run of operators of one precedence level
// ("a + b - c"), kept flat so long chains do not deepen the tree.
class ChainNode final : public Node {
 public:
  explicit ChainNode(NodePtr first) : first_(std::move(first)) {}
  void Add(BinaryOp op, NodePtr operand) { rest_.emplace_back(op, std::move(operand)); }
  Usual Eval(const Frame& f) const override;

 private:
  NodePtr first_;
  std::vector<std::pair<BinaryOp, NodePtr>> rest_;
};

// .AND. / .OR. over a flat list of operands, short-circuit.
class LogicNode final : public Node {
 public:
  LogicNode(bool isAnd, NodeList operands) : isAnd_(isAnd), operands_(std::move(operands)) {}
  Usual Eval(const Frame& f) const override;

 private:
  bool isAnd_;
  NodeList operands_;
};

// IIF(c, a, b): only the chosen branch runs.
class IifNode final : public Node {
 public:
  IifNode(NodePtr c, NodePtr a, NodePtr b) : cond_(std::move(c)), then_(std::move(a)), else_(std::move(b)) {}
  Usual Eval(const Frame& f) const override;

 private:
  NodePtr cond_, then_, else_;  // else_ may be null (NIL)
};

// (a, b, c): all run, the last one gives the value.
class ListNode final : public Node {
 public:
  explicit ListNode(NodeList items) : items_(std::move(items)) {}
  Usual Eval(const Frame& f) const override;

 private:
  NodeList items_;
};

class CallNode final : public Node {
 public:
  CallNode(std::shared_ptr<const FunctionEntry> fn, NodeList args) : fn_(std::move(fn)), args_(std::move(args)) {}
  Usual Eval(const Frame& f) const override;

 private:
  std::shared_ptr<const FunctionEntry> fn_;
  NodeList args_;
};

// obj:Name. Remembers the access function resolved for the last class seen,
// so repeated evaluation against objects of one class skips the lookups.
class AccessNode final : public Node {
 public:
  AccessNode(NodePtr target, Symbol name) : target_(std::move(target)), name_(name) {}
  Usual Eval(const Frame& f) const override;

 private:
  NodePtr target_;
  Symbol name_;
  mutable const ClassInfo* cachedClass_ = nullptr;
  mutable const ClassInfo::AccessFn* cachedFn_ = nullptr;
};

// obj:Name(args), with the same kind of cache for the method.
class MethodNode final : public Node {
 public:
  MethodNode(NodePtr target, Symbol name, NodeList args)
      : target_(std::move(target)), name_(name), args_(std::move(args)) {}
  Usual Eval(const Frame& f) const override;

 private:
  NodePtr target_;
  Symbol name_;
  NodeList args_;
  mutable const ClassInfo* cachedClass_ = nullptr;
  mutable const ClassInfo::MethodFn* cachedFn_ = nullptr;
};

// a[i] or a[i, j]: 1-based element reads.
class IndexNode final : public Node {
 public:
  IndexNode(NodePtr target, NodeList indices) : target_(std::move(target)), indices_(std::move(indices)) {}
  Usual Eval(const Frame& f) const override;

 private:
  NodePtr target_;
  NodeList indices_;
};

class ArrayNode final : public Node {
 public:
  explicit ArrayNode(NodeList items) : items_(std::move(items)) {}
  Usual Eval(const Frame& f) const override;

 private:
  NodeList items_;
};

// Where a nested block finds a value it captures from the enclosing block.
struct CaptureSource {
  bool fromCapture;  // false: argument of the enclosing block
  std::size_t index;
};

// {|x| ...} inside an expression: makes a closure over the enclosing
// block's values (captured by value when the literal is evaluated).
class BlockNode final : public Node {
 public:
  BlockNode(std::shared_ptr<const Program> program, std::vector<CaptureSource> captures)
      : program_(std::move(program)), captures_(std::move(captures)) {}
  Usual Eval(const Frame& f) const override;

 private:
  std::shared_ptr<const Program> program_;
  std::vector<CaptureSource> captures_;
};

// Makes the codeblock value of a compiled program.
Codeblock MakeBlock(std::shared_ptr<const Program> program, std::vector<Usual> captures);

}  // namespace kt::macro
