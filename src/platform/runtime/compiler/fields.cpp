// Bare field names and ALIAS->FIELD, read through the work-area resolver
// that the database layer installs.
#include "platform/runtime/compiler/evalstate.h"
#include "platform/runtime/compiler/functions.h"
#include "platform/runtime/compiler/nodes.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/text.h"

namespace kt::macro {
namespace {

// Alias names computed at run time are interned as symbols; anything longer
// than a name can be is no alias.
constexpr std::size_t kMaxAlias = 128;

Usual NoVariable(Symbol alias, Symbol field) {
  const std::string name = alias ? alias.Name() + "->" + field.Name() : field.Name();
  return Fail(gen::NoVar, name.c_str(), "Variable does not exist: " + name);
}

Usual Read(Symbol alias, Symbol field) {
  if (WorkAreaResolver* r = Runtime::Resolver()) {
    bool found = false;
    Usual v = r->FieldGet(alias, field, found);
    if (found) return v;
  }
  return NoVariable(alias, field);
}

}  // namespace

Usual FieldNode::Eval(const Frame&) const { return Read(alias_, field_); }

Usual AliasExprNode::Eval(const Frame& f) const {
  const Usual a = alias_->Eval(f);
  if (a.IsNumeric()) {
    WorkAreaResolver* r = Runtime::Resolver();
    if (!r) return NoVariable(Symbol(), field_);
    ScopedWorkArea area(int(ClampInt(a, 0, 1 << 20)));
    return Read(Symbol(), field_);
  }
  if (a.IsSymbol()) return Read(a.AsSymbol(), field_);
  if (a.IsString()) {
    const std::string_view name = text::Trim(a.AsStringView());
    if (name.size() > kMaxAlias) return Fail(gen::NoAlias, "->", "Alias does not exist: " + std::string(name.substr(0, 32)) + "...");
    return Read(name.empty() ? Symbol() : Symbol(name), field_);
  }
  return ArgError("->", 1, a, "alias name or work-area number");
}

}  // namespace kt::macro
