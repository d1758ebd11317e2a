#pragma once
// Codeblock: a callable value. Compiled expressions and native functions
// both implement CodeblockImpl.
#include <functional>
#include <string>

#include "platform/runtime/usual.h"

namespace kt {

class CodeblockImpl : public RefCounted {
 public:
  virtual Usual Eval(Args args) const = 0;
  virtual int ParamCount() const { return 0; }
  // Source text when compiled from text, else "{|| ... }".
  virtual std::string Text() const { return "{|| ... }"; }
};

class Codeblock {
 public:
  Codeblock() = default;
  explicit Codeblock(Ref<CodeblockImpl> impl) : impl_(std::move(impl)) {}
  // Wraps a native function.
  static Codeblock FromFunction(std::function<Usual(Args)> fn, int paramCount = 0);

  bool IsNull() const noexcept { return !impl_; }
  explicit operator bool() const noexcept { return bool(impl_); }
  // Evaluating a null codeblock gives NIL.
  Usual Eval(Args args = {}) const { return impl_ ? impl_->Eval(args) : Usual(); }
  template <class... A>
  Usual operator()(const A&... args) const {
    const Usual list[] = {Usual(args)..., Usual()};
    return Eval(Args(list, sizeof...(A)));
  }
  int ParamCount() const { return impl_ ? impl_->ParamCount() : 0; }
  std::string Text() const { return impl_ ? impl_->Text() : std::string(); }
  CodeblockImpl* Impl() const noexcept { return impl_.get(); }
  friend bool operator==(const Codeblock& a, const Codeblock& b) { return a.impl_ == b.impl_; }

 private:
  Ref<CodeblockImpl> impl_;
};

// Evaluates a codeblock, or sends Eval to an object that has it; anything
// else gives NIL.
Usual EvalBlock(const Usual& block, Args args = {});

}  // namespace kt
