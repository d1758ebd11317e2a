#pragma once
// The evaluator's state (EvalContext: nesting and the work the outermost
// evaluation has left) and the helpers that raise runtime errors from
// expression code.
#include <cstdint>
#include <string>

#include "platform/runtime/error.h"
#include "platform/runtime/usual.h"

namespace kt::macro {

using EvalState = EvalContext;
inline EvalState& State() { return CurrentEvalContext(); }

// Unwinds to the outermost compiled-block evaluation, which returns `value`.
// Used when going on would only repeat the failure (limits reached).
struct EvalAbort {
  Usual value;
};

// Raises the error; when the error block answers, the whole evaluation is
// abandoned with that answer (never returns).
[[noreturn]] void RaiseAndAbort(ErrorRef error);

// Takes work units from the budget of the running evaluation.
void ChargeSlow(std::int64_t units);
inline void Charge(std::int64_t units) {
  EvalState& s = State();
  if (s.depth == 0) return;  // called outside an evaluation: nothing to bound
  s.budget -= units;
  if (s.budget < 0) ChargeSlow(units);
}
// A string of `bytes` bytes is about to be built: checks the size limit
// (false after raising; `substitute` then holds the error block's answer)
// and charges the work.
bool ReserveString(std::size_t bytes, const char* operation, Usual& substitute);

// Argument error of a function or operator; returns the substitute.
Usual ArgError(const char* operation, int argNum, const Usual& arg, const char* expected);
// Any other runtime error with a generic code; returns the substitute.
Usual Fail(int genCode, const char* operation, std::string description);

}  // namespace kt::macro
