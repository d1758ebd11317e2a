#pragma once
// Numbers as text and text as numbers without the C library's locale: a Qt
// program runs under the user's locale, and a decimal comma must never reach
// expressions, stored fields, index keys or messages.
#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>

namespace kt {

std::string IntegerText(std::int64_t v);
std::string UnsignedText(std::uint64_t v);

// Decimal text of any integer (what std::to_string gives, locale-free).
template <std::integral T>
std::string ToText(T v) {
  if constexpr (std::is_signed_v<T>) return IntegerText(std::int64_t(v));
  else return UnsignedText(std::uint64_t(v));
}
// Shortest text that reads back as the same double ("1.5", "1e+300");
// "inf", "-inf" and "nan" for the values that are no numbers.
std::string ToText(double v);

// v with exactly `decimals` digits after the point ("%.*f"). Rounds the
// binary value to nearest; callers that want decimal rounding round first.
std::string FixedText(double v, int decimals);

// `v` with leading zeros to at least `width` digits ("%0*d").
std::string ZeroPadded(std::int64_t v, int width);
// Upper-case hexadecimal with leading zeros to `width` digits ("%0*X").
std::string HexText(std::uint64_t v, int width);

// The whole text must be the number (an optional '-' and digits; for
// doubles also a point and an exponent); false otherwise or when it does not
// fit the type.
bool ParseInteger(std::string_view text, std::int64_t& out);
bool ParseDouble(std::string_view text, double& out);

}  // namespace kt
