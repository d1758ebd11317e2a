#pragma once
// Conversions of usual values to text and emptiness.
#include <string>
#include <string_view>

#include "platform/runtime/usual.h"

namespace kt {

// NIL, FALSE, 0, empty date, blank string, empty array, empty symbol, null
// object are empty. Codeblocks never are.
bool Empty(const Usual& v);

// Text form: strings as they are, numbers trimmed with their decimals,
// dates in the runtime's date format, logic ".T."/".F.", NIL "NIL",
// symbols by name, arrays "{[n]}", objects "{ClassName}", codeblocks
// "{|| ... }".
std::string AsString(const Usual& v);

// Str(n, length, decimals) of the runtime: right-aligned in `length`
// characters, stars when the number does not fit. Without a length the
// value's own width applies (a field's), else the runtime's digits plus
// decimals and the point; a number wider than that default shows in full,
// since no width was asked of it. A NIL decimals takes the value's own or the
// runtime's default (0 when a length is given). The limits cover every field
// a structure may declare (65535 wide, decimals up to the width); a length
// or decimals beyond them raise an argument error and give "".
inline constexpr int kMaxStrWidth = 65535;
inline constexpr int kMaxStrDecimals = kMaxStrWidth;
std::string Str(const Usual& n, const Usual& length = Usual(), const Usual& decimals = Usual());
// The whole number with exactly `decimals` decimals, rounded half away from
// zero; "" for infinities, NaN and values that are not numbers.
std::string NumberText(const Usual& n, int decimals);
// The whole number as text with its decimals (the value's own or the
// runtime's): no width applies, so it never gives stars.
std::string NTrim(const Usual& n);

// Val(text): the number at the start of the text (blanks skipped); an
// integer when it has no decimal point, else a float with as many decimals
// as written. Text that is not a number gives 0.
Usual Val(std::string_view text);

// Text of a date in the runtime's date format (blank for the empty date),
// and the reverse with the format and epoch.
std::string DToC(Date d);
Date CToD(std::string_view text, bool* ok = nullptr);

}  // namespace kt
