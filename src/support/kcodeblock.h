#pragma once
// kCodeblock: expression text compiled on demand into a codeblock with a
// configurable parameter list. It remembers whether and how the text
// compiled and evaluates against its server; for a table server the
// server's work area is selected while the text compiles and runs, so bare
// field names resolve against that table.
#include <string>

#include "platform/runtime/array.h"
#include "platform/runtime/codeblock.h"
#include "platform/runtime/error.h"
#include "platform/runtime/object.h"

namespace kt {

class kCodeblock : public Object {
 public:
  static constexpr int kCompiledOk = 0;
  static constexpr int kEmptyExpression = -1;
  static constexpr int kCompileFailed = -2;

  kCodeblock() : kCodeblock(Usual(), Usual()) {}
  // cExpression: a string or NIL; oServer: an object or NIL.
  kCodeblock(const Usual& cExpression, const Usual& oServer);

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  void Use(const Usual& oServer);

  const std::string& ArgumentList() const { return argumentList_; }
  // A string is kept as it is; an array of names is joined with ","; an
  // empty value means the single parameter "Server".
  void ArgumentList(const Usual& list);

  const Usual& ArgumentValues() const { return argumentValues_; }
  void ArgumentValues(const Usual& values);

  const std::string& Expression() const { return expression_; }
  void Expression(const Usual& text);

  const Codeblock& Block() const { return block_; }
  // NIL once the server is gone: the object does not keep its server alive,
  // so a server whose order key or filter is a kCodeblock of its own is
  // still freed when its last outside reference goes.
  Usual Server() const { return Usual(server_.get()); }
  bool ServerIsDB() const { return serverIsDB_; }
  bool IsCompiled() const { return compiled_; }
  int ErrorNo() const { return errorNo_; }
  // The compile error behind ErrorNo -2, or the last evaluation error.
  const ErrorRef& LastError() const { return lastError_; }

  // Compiles "{|<ArgumentList>| <text>}" with the macro compiler.
  Codeblock CreateCodeblock(std::string_view text) const;
  bool Compile();
  // Evaluates with Server as the only argument, or with the elements of
  // ArgumentValues. An evaluation error is thrown on to the caller's error
  // trap when there is one; otherwise it is handed to the error block and
  // the result is NIL.
  Usual Eval();
  // As Eval, but with the given arguments (used when the object stands in
  // for a codeblock and is evaluated with arguments, e.g. as an order key).
  Usual EvalWith(Args args);
  // Compiled without error and, with lEvaluate, evaluates to a value other
  // than NIL. Never throws: a failed evaluation answers FALSE.
  bool IsValid(bool lEvaluate = false);
  void Destruct();

 private:
  int ServerArea() const;

  std::string expression_;
  Codeblock block_;
  std::string argumentList_ = "Server";
  Usual argumentValues_;
  bool compiled_ = false;
  int errorNo_ = 0;
  WeakRef<Object> server_;
  bool serverIsDB_ = false;
  ErrorRef lastError_;
};

}  // namespace kt
