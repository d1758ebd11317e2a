#pragma once
// Key values <-> the fixed-length key bytes stored in an NTX file.
//
// Character keys are taken as bytes (the caller has converted them to the
// table's code page), blank padded or cut. Numbers are stored as their
// decimal text made sortable byte-wise, dates as YYYYMMDD and logic values as
// one byte "T"/"F".
#include <string>
#include <string_view>

#include "platform/runtime/usual.h"

namespace kt::ntx {

struct KeySpec {
  char type = 'C';   // 'C', 'N', 'D' or 'L'
  int size = 0;      // bytes per key
  int decimals = 0;  // numeric keys only
};

// Key size and decimals for a value of the key expression: string length,
// 8 for dates, 1 for logic values; for numbers the value's display width
// and decimals (a field's width; 10 digits for other integers, 10 + 1 + 2
// for floats without a format). Throws a data-type error for values that cannot be keys.
KeySpec KeySpecFor(const Usual& sample);

// Encodes `v` as `spec.size` bytes. A value of another type than `spec.type`
// raises a data-type error; numbers too wide for the key are clamped to the
// largest (or smallest) value the width holds, so they still sort at the
// right end.
std::string EncodeKey(const Usual& v, const KeySpec& spec);

// The sortable text of a number in `size` bytes with `decimals` decimals.
std::string EncodeNumber(double v, int size, int decimals);
std::string EncodeInteger(long long v, int size, int decimals);

// The value a stored key shows (OrderKeyVal): character keys as their bytes,
// numbers as a float with the key's width and decimals, dates, logic values.
Usual DecodeKey(std::string_view bytes, const KeySpec& spec);

// Reverses EncodeNumber; false when the bytes are no numeric key.
bool DecodeNumber(std::string_view bytes, double& out);

}  // namespace kt::ntx
