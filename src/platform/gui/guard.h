#pragma once
// Keeping runtime errors out of Qt: code that runs inside an event handler
// (or anywhere an error must not unwind further) reports errors to the
// error block instead of letting them escape.
#include <functional>

#include "platform/runtime/error.h"

namespace kt {

// Hands an error to the error block, if one is installed.
void ReportError(const ErrorRef& error);
// Runs fn as an independent evaluation; a runtime error or anything else it
// throws is reported instead of escaping. Answers FALSE when fn failed.
bool GuardedCall(const std::function<void()>& fn);

}  // namespace kt
