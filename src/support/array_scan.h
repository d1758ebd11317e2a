#pragma once
// The library's array scan: the position of the first element equal to a
// value, or for which a codeblock (or an object with Eval) returns TRUE.
#include "platform/runtime/array.h"

namespace kt {

// nStart NIL: 1, or the last element when nCount is negative; a negative
// nCount scans backward. lExact NIL follows the runtime's exactness setting.
// Returns 0 when nothing matches or aArray is not an array.
std::size_t kAScan(const Usual& aArray, const Usual& uValue, const Usual& nStart = NIL, const Usual& nCount = NIL,
                   const Usual& lExact = NIL);

}  // namespace kt
