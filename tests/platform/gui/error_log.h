#pragma once
// Collects the errors handed to the error block while it lives; the error
// block answers NIL, so the failing operation goes on with its substitute.
#include <vector>

#include "platform/runtime/runtime.h"

namespace kt::test {

class ErrorLog {
 public:
  ErrorLog() {
    Runtime::SetErrorBlock([this](const ErrorRef& e) {
      errors.push_back(e);
      return Usual();
    });
  }
  int GenCode(std::size_t i = 0) const { return i < errors.size() ? errors[i]->GenCode : -1; }

  ScopedRuntime runtime;
  std::vector<ErrorRef> errors;
};

}  // namespace kt::test
