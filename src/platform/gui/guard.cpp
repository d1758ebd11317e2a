#include "platform/gui/guard.h"

#include <cstdio>
#include <exception>
#include <string>

#include "platform/runtime/runtime.h"

namespace kt {

void ReportError(const ErrorRef& error) {
  if (!error || CallErrorBlock(error) || !Runtime::GetErrorBlock()) return;
  // The block was not called: nested evaluations have spent the stack they
  // may use. Nothing is left to unwind to, so the error is at least shown here.
  const std::string line = "Error not reported (stack of nested evaluations spent): " + error->Summary() + "\n";
  std::fputs(line.c_str(), stderr);
}

namespace {

// At the edge of an event handler nothing can unwind further, not even an
// error block that answers by throwing.
void ReportHere(const ErrorRef& error) {
  try {
    ReportError(error);
  } catch (...) {
  }
}

void ReportForeign(const char* what) {
  ErrorRef error = MakeError(0, "Event", what);
  error->SubSystem = "GUI";
  error->Severity = 3;
  ReportHere(error);
}

}  // namespace

bool GuardedCall(const std::function<void()>& fn) {
  // A handler may run inside a nested event loop while an evaluation waits
  // outside (a message box of the error block): it evaluates on its own.
  IndependentEvaluation own;
  try {
    fn();
    return true;
  } catch (const RuntimeError& e) {
    ReportHere(e.error());
  } catch (const std::exception& e) {
    ReportForeign(e.what());
  } catch (...) {
    ReportForeign("Unknown exception in an event handler");
  }
  return false;
}

}  // namespace kt
