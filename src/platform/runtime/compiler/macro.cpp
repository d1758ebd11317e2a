// Public entry points of the expression compiler.
#include "platform/runtime/compiler/macro.h"

#include <stdexcept>

#include "platform/runtime/compiler/functions.h"
#include "platform/runtime/compiler/lexer.h"
#include "platform/runtime/compiler/parser.h"
#include "platform/runtime/numtext.h"
#include "platform/runtime/text.h"

namespace kt {
namespace {

ErrorRef CompileError(int genCode, std::string description, int position, std::string_view text) {
  ErrorRef e = MakeError(genCode, "MacroCompile", std::move(description));
  e->SubSystem = "MACRO";
  e->SubCode = position;
  // Long texts are cut: the error travels into logs and message boxes.
  e->Arg = Usual(text.size() > 256 ? text.substr(0, text::ByteOffset(text, 200)) : text);
  return e;
}

ErrorRef FromFailure(const macro::CompileFailure& f, std::string_view text, const char* where = "") {
  const std::size_t byte = f.pos < text.size() ? f.pos : text.size();
  const int position = int(text::Length(text.substr(0, byte))) + 1;
  const std::string at = std::string(where) + "at position " + ToText(position) + ": ";
  std::string description;
  switch (f.genCode) {
    case gen::Complexity: description = "Expression too complex " + at + f.message; break;
    case gen::NoFunc: description = "Unknown function " + at + f.message; break;
    default: description = "Syntax error " + at + f.message; break;
  }
  return CompileError(f.genCode, std::move(description), position, text);
}

ErrorRef TooLong(std::string_view text) {
  const std::size_t limit = CompilerLimits().maxTextBytes;
  if (text.size() <= limit) return nullptr;
  return CompileError(gen::Complexity,
                      "Expression too long: " + ToText(text.size()) + " bytes (at most " +
                          ToText(limit) + ")",
                      1, text);
}

Codeblock RaiseOr(ErrorRef error, Codeblock block) {
  if (error) {
    Raise(error);
    return Codeblock();
  }
  return block;
}

}  // namespace

MacroLimits& CompilerLimits() {
  static MacroLimits limits;
  return limits;
}

ErrorRef TryCompileCodeblock(std::string_view text, Codeblock& out) {
  out = Codeblock();
  if (ErrorRef e = TooLong(text)) return e;
  try {
    out = macro::MakeBlock(macro::ParseBlock(text, CompilerLimits().maxDepth), {});
    return nullptr;
  } catch (const macro::CompileFailure& f) {
    return FromFailure(f, text);
  }
}

ErrorRef TryCompileExpression(std::string_view paramList, std::string_view expr, Codeblock& out) {
  out = Codeblock();
  if (ErrorRef e = TooLong(expr)) return e;
  if (ErrorRef e = TooLong(paramList)) return e;
  std::vector<std::string> params;
  try {
    params = macro::ParseParamList(paramList);
  } catch (const macro::CompileFailure& f) {
    return FromFailure(f, paramList, "in parameter list ");
  }
  try {
    auto program = macro::ParseExpression(params, expr, CompilerLimits().maxDepth);
    program->text = "{|" + std::string(paramList) + "| " + std::string(expr) + "}";
    out = macro::MakeBlock(std::move(program), {});
    return nullptr;
  } catch (const macro::CompileFailure& f) {
    return FromFailure(f, expr);
  }
}

Codeblock CompileCodeblock(std::string_view text) {
  Codeblock block;
  ErrorRef e = TryCompileCodeblock(text, block);
  return RaiseOr(std::move(e), std::move(block));
}

Codeblock CompileExpression(std::string_view paramList, std::string_view expr) {
  Codeblock block;
  ErrorRef e = TryCompileExpression(paramList, expr, block);
  return RaiseOr(std::move(e), std::move(block));
}

void RegisterFunction(std::string_view name, std::function<Usual(Args)> fn, int minArgs, int maxArgs) {
  if (!fn) throw std::invalid_argument("RegisterFunction: no function given");
  macro::AddFunction(name, nullptr, std::move(fn), minArgs, maxArgs);
}

bool IsFunction(std::string_view name) { return macro::FindFunction(name) != nullptr; }

}  // namespace kt
