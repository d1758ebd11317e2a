#include "platform/gui/guard.h"

#include <exception>

#include "platform/runtime/runtime.h"

namespace kt {

void ReportError(const ErrorRef& error) {
  if (!error) return;
  if (auto& block = Runtime::GetErrorBlock()) block(error);
}

bool GuardedCall(const std::function<void()>& fn) {
  try {
    fn();
    return true;
  } catch (const RuntimeError& e) {
    ReportError(e.error());
  } catch (const std::exception& e) {
    ErrorRef error = MakeError(0, "Event", e.what());
    error->SubSystem = "GUI";
    error->Severity = 3;
    ReportError(error);
  }
  return false;
}

}  // namespace kt
