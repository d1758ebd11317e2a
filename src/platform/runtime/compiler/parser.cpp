#include "platform/runtime/compiler/parser.h"

#include <algorithm>
#include <optional>

#include "platform/runtime/compiler/functions.h"
#include "platform/runtime/compiler/lexer.h"
#include "platform/runtime/error.h"
#include "platform/runtime/numtext.h"

namespace kt::macro {
namespace {

constexpr std::size_t kMaxParams = 64;
constexpr std::size_t kMaxArgs = 255;

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  return true;
}

std::string UpperName(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = UpperAscii(c);
  return out;
}

[[noreturn]] void Fail(std::size_t pos, std::string message, int genCode = gen::Syntax) {
  throw CompileFailure{genCode, pos, std::move(message)};
}

// Names visible inside one block: its parameters, then values it captures
// from enclosing blocks (added on first use).
struct Scope {
  std::vector<std::string_view> params;
  std::vector<std::string_view> captureNames;
  std::vector<CaptureSource> captureSources;
  std::int64_t nodes = 0;
};

struct Resolved {
  bool isCapture;
  std::size_t index;
};

class Parser {
 public:
  Parser(std::string_view text, int maxDepth) : text_(text), toks_(Tokenize(text)), maxDepth_(maxDepth) {}

  std::shared_ptr<Program> WholeBlock() {
    const std::size_t start = Cur().pos;
    Expect(Tok::LBrace);
    auto prog = BlockRest(start);
    scopes_.pop_back();
    prog->text = std::string(text_);
    if (Cur().kind != Tok::End) Fail(Cur().pos, "end of expression expected");
    return prog;
  }

  std::shared_ptr<Program> WholeExpression(const std::vector<std::string>& params) {
    scopes_.emplace_back();
    for (const auto& p : params) scopes_.back().params.push_back(p);
    auto prog = std::make_shared<Program>();
    prog->paramCount = int(params.size());
    prog->body = ExprList();
    if (Cur().kind != Tok::End) Fail(Cur().pos, Cur().kind == Tok::Assign ? kNoAssign : "end of expression expected");
    prog->nodeCount = scopes_.back().nodes;
    scopes_.pop_back();
    return prog;
  }

  std::vector<std::string> ParamsOnly() {
    std::vector<std::string> names;
    if (Cur().kind == Tok::End) return names;
    for (;;) {
      const Token& t = Cur();
      if (t.kind != Tok::Ident) Fail(t.pos, "parameter name expected");
      for (const auto& n : names)
        if (SameName(n, t.text)) Fail(t.pos, "parameter " + UpperName(t.text) + " given twice");
      names.emplace_back(t.text);
      if (names.size() > kMaxParams) Fail(t.pos, "more than 64 parameters", gen::Complexity);
      Next();
      if (Cur().kind == Tok::End) return names;
      Expect(Tok::Comma);
    }
  }

 private:
  static constexpr const char* kNoAssign = "assignments are not allowed in expressions";

  // Bounds the parser's own recursion; the tree depth is checked per node.
  class DepthGuard {
   public:
    explicit DepthGuard(Parser& p) : p_(p) {
      if (++p_.nesting_ > p_.maxDepth_)
        Fail(p_.Cur().pos, "nesting deeper than " + ToText(p_.maxDepth_) + " levels", gen::Complexity);
    }
    ~DepthGuard() { --p_.nesting_; }

   private:
    Parser& p_;
  };

  const Token& Cur() const { return toks_[i_]; }
  const Token& Peek(std::size_t k = 1) const { return toks_[std::min(i_ + k, toks_.size() - 1)]; }
  void Next() {
    if (i_ + 1 < toks_.size()) ++i_;
  }
  bool Accept(Tok k) {
    if (Cur().kind != k) return false;
    Next();
    return true;
  }
  void Expect(Tok k) {
    if (Cur().kind != k) Fail(Cur().pos, std::string(TokName(k)) + " expected");
    Next();
  }

  // Counts the node for the block's work budget and checks the tree depth.
  template <class T>
  NodePtr Make(std::size_t pos, int childDepth, std::unique_ptr<T> node) {
    node->depth = childDepth + 1;
    if (node->depth > maxDepth_)
      Fail(pos, "nesting deeper than " + ToText(maxDepth_) + " levels", gen::Complexity);
    ++scopes_.back().nodes;
    return node;
  }
  static int MaxDepth(const NodeList& l) {
    int d = 0;
    for (const auto& n : l) d = std::max(d, n->depth);
    return d;
  }

  // ---- block literal: "{" already consumed ----
  std::shared_ptr<Program> BlockRest(std::size_t start) {
    Expect(Tok::Pipe);
    scopes_.emplace_back();
    Scope& scope = scopes_.back();
    if (Cur().kind != Tok::Pipe) {
      for (;;) {
        const Token& t = Cur();
        if (t.kind != Tok::Ident) Fail(t.pos, "parameter name expected");
        for (auto n : scope.params)
          if (SameName(n, t.text)) Fail(t.pos, "parameter " + UpperName(t.text) + " given twice");
        scope.params.push_back(t.text);
        if (scope.params.size() > kMaxParams) Fail(t.pos, "more than 64 parameters", gen::Complexity);
        Next();
        if (Cur().kind == Tok::Pipe) break;
        if (Cur().kind != Tok::Comma) Fail(Cur().pos, "\",\" or \"|\" expected");
        Next();
      }
    }
    Expect(Tok::Pipe);
    auto prog = std::make_shared<Program>();
    prog->paramCount = int(scope.params.size());
    if (Cur().kind == Tok::RBrace) {
      prog->body.push_back(Make(Cur().pos, 0, std::make_unique<ConstNode>(Usual())));
    } else {
      prog->body = ExprList();
    }
    if (Cur().kind == Tok::Assign) Fail(Cur().pos, kNoAssign);
    const std::size_t endPos = Cur().pos;
    Expect(Tok::RBrace);
    prog->text = std::string(text_.substr(start, endPos + 1 - start));
    prog->nodeCount = scopes_.back().nodes;
    return prog;  // the caller pops the scope after reading its captures
  }

  NodeList ExprList() {
    NodeList list;
    list.push_back(Expr());
    while (Accept(Tok::Comma)) list.push_back(Expr());
    return list;
  }

  NodePtr Expr() {
    DepthGuard guard(*this);
    return OrExpr();
  }

  NodePtr OrExpr() { return LogicRun(true); }

  NodePtr LogicRun(bool isOr) {
    const std::size_t pos = Cur().pos;
    NodePtr first = isOr ? LogicRun(false) : NotExpr();
    if (Cur().kind != (isOr ? Tok::Or : Tok::And)) return first;
    NodeList ops;
    ops.push_back(std::move(first));
    while (Accept(isOr ? Tok::Or : Tok::And)) ops.push_back(isOr ? LogicRun(false) : NotExpr());
    const int d = MaxDepth(ops);
    return Make(pos, d, std::make_unique<LogicNode>(!isOr, std::move(ops)));
  }

  NodePtr NotExpr() {
    if (Cur().kind == Tok::Not) {
      const std::size_t pos = Cur().pos;
      Next();
      DepthGuard guard(*this);
      NodePtr operand = NotExpr();
      const int d = operand->depth;
      return Make(pos, d, std::make_unique<UnaryNode>(UnaryOp::Not, std::move(operand)));
    }
    return Relational();
  }

  static std::optional<BinaryOp> RelOp(Tok t) {
    switch (t) {
      case Tok::Eq: return BinaryOp::Eq;
      case Tok::EqEq: return BinaryOp::ExactEq;
      case Tok::Ne: return BinaryOp::Ne;
      case Tok::Lt: return BinaryOp::Lt;
      case Tok::Le: return BinaryOp::Le;
      case Tok::Gt: return BinaryOp::Gt;
      case Tok::Ge: return BinaryOp::Ge;
      case Tok::Dollar: return BinaryOp::Contains;
      default: return std::nullopt;
    }
  }
  static std::optional<BinaryOp> AddOp(Tok t) {
    if (t == Tok::Plus) return BinaryOp::Add;
    if (t == Tok::Minus) return BinaryOp::Sub;
    return std::nullopt;
  }
  static std::optional<BinaryOp> MulOp(Tok t) {
    if (t == Tok::Star) return BinaryOp::Mul;
    if (t == Tok::Slash) return BinaryOp::Div;
    if (t == Tok::Percent) return BinaryOp::Mod;
    return std::nullopt;
  }
  static std::optional<BinaryOp> PowOp(Tok t) {
    if (t == Tok::Power || t == Tok::Caret) return BinaryOp::Pow;
    return std::nullopt;
  }

  // One precedence level of left-associative operators, as a flat chain.
  template <class Sub, class Pick>
  NodePtr Chain(Sub sub, Pick pick) {
    const std::size_t pos = Cur().pos;
    NodePtr first = (this->*sub)();
    auto op = pick(Cur().kind);
    if (!op) return first;
    int d = first->depth;
    auto chain = std::make_unique<ChainNode>(std::move(first));
    while (op) {
      Next();
      NodePtr rhs = (this->*sub)();
      d = std::max(d, rhs->depth);
      chain->Add(*op, std::move(rhs));
      op = pick(Cur().kind);
    }
    return Make(pos, d, std::move(chain));
  }

  NodePtr Relational() { return Chain(&Parser::Additive, RelOp); }
  NodePtr Additive() { return Chain(&Parser::Multiplicative, AddOp); }
  NodePtr Multiplicative() { return Chain(&Parser::Power, MulOp); }
  NodePtr Power() { return Chain(&Parser::Unary, PowOp); }

  NodePtr Unary() {
    const Token& t = Cur();
    if (t.kind == Tok::Minus || t.kind == Tok::Plus) {
      const std::size_t pos = t.pos;
      const bool neg = t.kind == Tok::Minus;
      Next();
      DepthGuard guard(*this);
      NodePtr operand = Unary();
      if (auto* c = dynamic_cast<ConstNode*>(operand.get()); c && neg) {
        // Fold negative literals; the minimum integer has no positive twin.
        const Usual& v = c->Value();
        if (v.IsInteger() && v.AsInteger() != INT64_MIN) return Make(pos, 0, std::make_unique<ConstNode>(-v.AsInteger()));
        if (v.IsFloat()) return Make(pos, 0, std::make_unique<ConstNode>(Usual::Float(-v.AsFloat(), v.Digits(), v.Decimals())));
      }
      const int d = operand->depth;
      return Make(pos, d, std::make_unique<UnaryNode>(neg ? UnaryOp::Neg : UnaryOp::Plus, std::move(operand)));
    }
    if (t.kind == Tok::Not) return NotExpr();
    return Postfix();
  }

  NodeList ArgList(Tok close) {
    NodeList args;
    if (Cur().kind == close) {
      Next();
      return args;
    }
    for (;;) {
      if (Cur().kind == Tok::Comma || Cur().kind == close) {
        args.push_back(Make(Cur().pos, 0, std::make_unique<ConstNode>(Usual())));  // skipped argument
      } else {
        args.push_back(Expr());
      }
      if (args.size() > kMaxArgs) Fail(Cur().pos, "more than 255 arguments", gen::Complexity);
      if (Accept(Tok::Comma)) continue;
      if (Cur().kind == Tok::Assign) Fail(Cur().pos, kNoAssign);
      Expect(close);
      return args;
    }
  }

  NodePtr Postfix() {
    NodePtr node = Primary();
    for (;;) {
      const Token& t = Cur();
      if (t.kind == Tok::Colon) {
        const std::size_t pos = t.pos;
        Next();
        if (Cur().kind != Tok::Ident) Fail(Cur().pos, "name expected after \":\"");
        const Symbol name(Cur().text);
        Next();
        if (Accept(Tok::LParen)) {
          NodeList args = ArgList(Tok::RParen);
          const int d = std::max(node->depth, MaxDepth(args));
          node = Make(pos, d, std::make_unique<MethodNode>(std::move(node), name, std::move(args)));
        } else {
          const int d = node->depth;
          node = Make(pos, d, std::make_unique<AccessNode>(std::move(node), name));
        }
      } else if (t.kind == Tok::LBracket) {
        const std::size_t pos = t.pos;
        Next();
        if (Cur().kind == Tok::RBracket) Fail(Cur().pos, "index expected");
        NodeList idx;
        idx.push_back(Expr());
        while (Accept(Tok::Comma)) idx.push_back(Expr());
        Expect(Tok::RBracket);
        const int d = std::max(node->depth, MaxDepth(idx));
        node = Make(pos, d, std::make_unique<IndexNode>(std::move(node), std::move(idx)));
      } else {
        return node;
      }
    }
  }

  Symbol FieldAfterArrow() {
    Expect(Tok::Arrow);
    if (Cur().kind != Tok::Ident) Fail(Cur().pos, "field name expected after \"->\"");
    Symbol field(Cur().text);
    Next();
    return field;
  }

  NodePtr Primary() {
    const Token& t = Cur();
    const std::size_t pos = t.pos;
    switch (t.kind) {
      case Tok::Int: {
        const std::int64_t v = t.i;
        Next();
        return Make(pos, 0, std::make_unique<ConstNode>(Usual(static_cast<long long>(v))));
      }
      case Tok::Float: {
        const Usual v = Usual::Float(t.f, Usual::kDefaultFormat, t.decimals);
        Next();
        return Make(pos, 0, std::make_unique<ConstNode>(v));
      }
      case Tok::String: {
        const Usual v(t.text);
        Next();
        return Make(pos, 0, std::make_unique<ConstNode>(v));
      }
      case Tok::SymbolLit: {
        const Usual v{Symbol(t.text)};
        Next();
        return Make(pos, 0, std::make_unique<ConstNode>(v));
      }
      case Tok::True: case Tok::False: {
        const bool v = t.kind == Tok::True;
        Next();
        return Make(pos, 0, std::make_unique<ConstNode>(Usual(v)));
      }
      case Tok::Nil:
        Next();
        return Make(pos, 0, std::make_unique<ConstNode>(Usual()));
      case Tok::Ident:
        return Name();
      case Tok::LParen: {
        Next();
        NodeList items = ExprList();
        if (Cur().kind == Tok::Assign) Fail(Cur().pos, kNoAssign);
        Expect(Tok::RParen);
        NodePtr inner;
        if (items.size() == 1) {
          inner = std::move(items.front());
        } else {
          const int d = MaxDepth(items);
          inner = Make(pos, d, std::make_unique<ListNode>(std::move(items)));
        }
        if (Cur().kind == Tok::Arrow) {
          const Symbol field = FieldAfterArrow();
          const int d = inner->depth;
          return Make(pos, d, std::make_unique<AliasExprNode>(std::move(inner), field));
        }
        return inner;
      }
      case Tok::LBrace:
        return Brace();
      case Tok::End:
        Fail(pos, "expression expected");
      case Tok::Assign:
        Fail(pos, kNoAssign);
      default:
        Fail(pos, "expression expected");
    }
  }

  NodePtr Name() {
    const Token& t = Cur();
    const std::size_t pos = t.pos;
    const std::string_view name = t.text;
    Next();
    if (Cur().kind == Tok::LParen) {
      Next();
      return Call(name, pos);
    }
    if (Cur().kind == Tok::Arrow) {
      const Symbol field = FieldAfterArrow();
      // FIELD->NAME and _FIELD->NAME mean the selected work area.
      const bool current = SameName(name, "FIELD") || SameName(name, "_FIELD");
      return Make(pos, 0, std::make_unique<FieldNode>(current ? Symbol() : Symbol(name), field));
    }
    if (auto r = Lookup(scopes_.size() - 1, name)) {
      if (r->isCapture) return Make(pos, 0, std::make_unique<CaptureNode>(r->index));
      return Make(pos, 0, std::make_unique<ParamNode>(r->index));
    }
    return Make(pos, 0, std::make_unique<FieldNode>(Symbol(), Symbol(name)));
  }

  std::optional<Resolved> Lookup(std::size_t level, std::string_view name) {
    Scope& s = scopes_[level];
    for (std::size_t i = 0; i < s.params.size(); ++i)
      if (SameName(s.params[i], name)) return Resolved{false, i};
    for (std::size_t i = 0; i < s.captureNames.size(); ++i)
      if (SameName(s.captureNames[i], name)) return Resolved{true, i};
    if (level == 0) return std::nullopt;
    auto outer = Lookup(level - 1, name);
    if (!outer) return std::nullopt;
    Scope& again = scopes_[level];  // the recursion above may not grow scopes_, but stay safe
    again.captureNames.push_back(name);
    again.captureSources.push_back(CaptureSource{outer->isCapture, outer->index});
    return Resolved{true, again.captureNames.size() - 1};
  }

  NodePtr Call(std::string_view name, std::size_t pos) {
    // "(" consumed
    if (SameName(name, "IIF") || SameName(name, "IF")) {
      NodeList args = ArgList(Tok::RParen);
      if (args.size() < 2 || args.size() > 3) Fail(pos, "2 or 3 arguments expected for " + UpperName(name));
      const int d = MaxDepth(args);
      NodePtr elseNode = args.size() == 3 ? std::move(args[2]) : nullptr;
      return Make(pos, d, std::make_unique<IifNode>(std::move(args[0]), std::move(args[1]), std::move(elseNode)));
    }
    auto fn = FindFunction(name);
    if (!fn) Fail(pos, UpperName(name), gen::NoFunc);
    NodeList args = ArgList(Tok::RParen);
    const int n = int(args.size());
    if (n < fn->minArgs || (fn->maxArgs >= 0 && n > fn->maxArgs)) {
      std::string want;
      if (fn->maxArgs < 0) want = "at least " + ToText(fn->minArgs);
      else if (fn->minArgs == fn->maxArgs) want = ToText(fn->minArgs);
      else want = ToText(fn->minArgs) + " to " + ToText(fn->maxArgs);
      Fail(pos, want + (want == "1" ? " argument" : " arguments") + " expected for " + fn->name);
    }
    const int d = MaxDepth(args);
    return Make(pos, d, std::make_unique<CallNode>(std::move(fn), std::move(args)));
  }

  NodePtr Brace() {
    const std::size_t pos = Cur().pos;
    Next();  // "{"
    if (Cur().kind == Tok::Pipe) {
      auto prog = BlockRest(pos);
      std::vector<CaptureSource> captures = std::move(scopes_.back().captureSources);
      scopes_.pop_back();
      // The nested body's depth counts toward the enclosing tree's, so
      // evaluating blocks inside blocks stays within the same bound.
      const int d = MaxDepth(prog->body);
      return Make(pos, d, std::make_unique<BlockNode>(std::move(prog), std::move(captures)));
    }
    if (Cur().kind == Tok::Caret) return DateLiteral(pos);
    // Array literal; empty elements are NIL.
    NodeList items;
    if (Cur().kind != Tok::RBrace) {
      for (;;) {
        if (Cur().kind == Tok::Comma || Cur().kind == Tok::RBrace)
          items.push_back(Make(Cur().pos, 0, std::make_unique<ConstNode>(Usual())));
        else
          items.push_back(Expr());
        if (!Accept(Tok::Comma)) break;
      }
    }
    if (Cur().kind == Tok::Assign) Fail(Cur().pos, kNoAssign);
    Expect(Tok::RBrace);
    const int d = MaxDepth(items);
    return Make(pos, d, std::make_unique<ArrayNode>(std::move(items)));
  }

  // {^YYYY-MM-DD}
  NodePtr DateLiteral(std::size_t pos) {
    Next();  // "^"
    int parts[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
      if (i > 0) Expect(Tok::Minus);
      if (Cur().kind != Tok::Int || Cur().i > 9999) Fail(Cur().pos, "date YYYY-MM-DD expected");
      parts[i] = int(Cur().i);
      Next();
    }
    const Date d = Date::FromYMD(parts[0], parts[1], parts[2]);
    if (d.IsEmpty()) Fail(pos, "valid date expected");
    Expect(Tok::RBrace);
    return Make(pos, 0, std::make_unique<ConstNode>(Usual(d)));
  }

  std::string_view text_;
  std::vector<Token> toks_;
  std::size_t i_ = 0;
  int maxDepth_;
  int nesting_ = 0;
  std::vector<Scope> scopes_;

  friend class DepthGuard;
};

}  // namespace

std::shared_ptr<Program> ParseBlock(std::string_view text, int maxDepth) {
  Parser p(text, maxDepth);
  return p.WholeBlock();
}

std::shared_ptr<Program> ParseExpression(const std::vector<std::string>& params, std::string_view expr,
                                         int maxDepth) {
  Parser p(expr, maxDepth);
  return p.WholeExpression(params);
}

std::vector<std::string> ParseParamList(std::string_view list) {
  Parser p(list, 1);
  return p.ParamsOnly();
}

}  // namespace kt::macro
