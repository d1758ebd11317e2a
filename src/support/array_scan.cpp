#include "support/array_scan.h"

#include "platform/runtime/runtime.h"

namespace kt {

std::size_t kAScan(const Usual& aArray, const Usual& uValue, const Usual& nStart, const Usual& nCount,
                   const Usual& lExact) {
  const bool exact = lExact.IsLogic() ? lExact.AsLogic() : SetExact();
  return AScanWith(aArray, uValue, nStart, nCount, exact);
}

}  // namespace kt
