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
// characters (default: the runtime's digits, plus decimals and the point),
// stars when the number does not fit. A NIL length/decimals takes the
// value's own format or the runtime's default.
std::string Str(const Usual& n, const Usual& length = Usual(), const Usual& decimals = Usual());
// Str without leading and trailing blanks.
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
