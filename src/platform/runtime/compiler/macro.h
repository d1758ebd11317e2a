#pragma once
// The expression ("macro") compiler: turns xBase expression text into
// codeblocks. Expressions often come from table and index files, so the
// compiler and the evaluator treat every text as untrusted: sizes, nesting
// and the work one evaluation may do are bounded (see MacroLimits).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "platform/runtime/codeblock.h"
#include "platform/runtime/error.h"
#include "platform/runtime/operators.h"

namespace kt {

// Compiles "{|p1, p2| expr1, expr2}"; the block returns the last expression.
// A text that does not compile raises an error (SubSystem "MACRO",
// Operation "MacroCompile", GenCode gen::Syntax, gen::Complexity or
// gen::NoFunc, SubCode and Description naming the 1-based character
// position); when the error block returns, the result is a null codeblock.
Codeblock CompileCodeblock(std::string_view text);

// The same for a bare expression list with a parameter list given apart
// ("Server, Column"). Error positions count within `expr`.
Codeblock CompileExpression(std::string_view paramList, std::string_view expr);

// Never raise: return the compile error (null on success).
ErrorRef TryCompileCodeblock(std::string_view text, Codeblock& out);
ErrorRef TryCompileExpression(std::string_view paramList, std::string_view expr, Codeblock& out);

// Adds or replaces a function that expressions may call (names are
// case-insensitive). Calls with fewer than minArgs or more than maxArgs
// arguments do not compile; maxArgs < 0 means no upper limit. Blocks compiled
// earlier keep the function they were compiled with.
void RegisterFunction(std::string_view name, std::function<Usual(Args)> fn, int minArgs, int maxArgs);
bool IsFunction(std::string_view name);

// Bounds applied to untrusted expressions. Process-wide; tests and the fuzz
// target may tighten them.
struct MacroLimits {
  std::size_t maxTextBytes = 64 * 1024;      // longer texts: gen::Complexity
  int maxDepth = 200;                        // nesting of the expression tree
  std::size_t maxStringBytes = kMaxStringLength;    // any string an expression builds: gen::StrOverflow
  int maxBlockNesting = 64;                  // codeblocks evaluating codeblocks
  std::size_t maxStackBytes = 1u << 20;      // native stack one evaluation may use (nested
                                             // ones together: NestedStackLimit())
  // Work units of one outermost evaluation: one per expression node
  // evaluated, one per 4 bytes of string built. Guards against expressions
  // that would run for minutes or fill memory.
  std::int64_t evalBudget = 64 << 20;
};
MacroLimits& CompilerLimits();

}  // namespace kt
