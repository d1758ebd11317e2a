#pragma once
// String helpers of the runtime. Strings are UTF-8; lengths and positions
// count characters (code points), not bytes. Malformed bytes count as one
// character each, so nothing here fails on bad input.
#include <cstddef>
#include <string>
#include <string_view>

namespace kt::text {

std::size_t Length(std::string_view s);  // characters
// Byte offset of character index `chars` (0-based); s.size() when beyond.
std::size_t ByteOffset(std::string_view s, std::size_t chars);
// Characters [start, start+count) with 0-based start; clipped to the string.
std::string_view Sub(std::string_view s, std::size_t start, std::size_t count = std::string_view::npos);
std::string_view Left(std::string_view s, std::size_t count);
std::string_view Right(std::string_view s, std::size_t count);

std::string_view TrimRight(std::string_view s);  // blanks only (RTrim / Trim)
std::string_view TrimLeft(std::string_view s);   // blanks, tabs, CR and LF
std::string_view Trim(std::string_view s);       // both sides (AllTrim)

// ASCII and Latin-1 letters (including umlauts) change case; others stay.
std::string Upper(std::string_view s);
std::string Lower(std::string_view s);

// Pads to `width` characters or cuts to it.
std::string PadRight(std::string_view s, std::size_t width, char32_t fill = U' ');
std::string PadLeft(std::string_view s, std::size_t width, char32_t fill = U' ');
std::string PadCenter(std::string_view s, std::size_t width, char32_t fill = U' ');

// 1-based character position of `needle` in `hay`, 0 when absent (At).
std::size_t At(std::string_view needle, std::string_view hay);
std::string Replace(std::string_view s, std::string_view what, std::string_view with);
std::string Repeat(std::string_view s, std::size_t times);

// ASCII classes and case, whatever the C locale says (names in file
// headers, driver and code page names).
constexpr char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }
constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }
constexpr bool IsAsciiUpper(char c) { return c >= 'A' && c <= 'Z'; }
constexpr bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

void AppendUtf8(std::string& out, char32_t cp);
// Decodes one character at `pos` and advances it; malformed bytes give
// U+FFFD and advance by one.
char32_t Decode(std::string_view s, std::size_t& pos);

}  // namespace kt::text
