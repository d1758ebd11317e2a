#pragma once
// Operators of the language on usual values. Type mismatches raise a runtime
// error (argument error, with the operation named) and return the error
// block's substitute.
#include "platform/runtime/usual.h"

namespace kt {

// number + number, date + number, number + date, string + string
Usual Add(const Usual& a, const Usual& b);
// number - number, date - number, date - date (days), string - string
// (trailing blanks of the left string move to the end of the result)
Usual Sub(const Usual& a, const Usual& b);
Usual Mul(const Usual& a, const Usual& b);
Usual Div(const Usual& a, const Usual& b);  // division by zero raises gen::ZeroDiv
// The % operator: the remainder has the sign of a (the Mod() function of
// expressions takes the sign of b).
Usual Mod(const Usual& a, const Usual& b);
Usual Pow(const Usual& a, const Usual& b);
Usual Neg(const Usual& a);

// "=": strings by the runtime's exactness setting (non-exact: the left string
// starts with the right one; exact: equal after trailing blanks are
// removed); other types as ==. Values of different types are unequal, except
// NIL compared with NIL.
bool Equals(const Usual& a, const Usual& b);
bool EqualsWith(const Usual& a, const Usual& b, bool exact);

// Ordering for values of one type (numbers mix); strings byte by byte
// (UTF-8 byte order is code point order), FALSE before TRUE, empty dates
// first. Returns <0, 0, >0; values of different types raise an argument
// error and compare as equal.
int Compare(const Usual& a, const Usual& b);
bool Less(const Usual& a, const Usual& b);
bool LessEq(const Usual& a, const Usual& b);  // Less or Equals
bool Greater(const Usual& a, const Usual& b);
bool GreaterEq(const Usual& a, const Usual& b);

// Substring test of the $ operator: a is contained in b.
bool Contains(const Usual& a, const Usual& b);

}  // namespace kt

namespace kt {
// Longest string an operator or string function may build; beyond it a
// string-overflow error is raised before anything is allocated.
inline constexpr std::size_t kMaxStringLength = 16u << 20;
}  // namespace kt
