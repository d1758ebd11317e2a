#pragma once
// Splits expression text into tokens. Whether "[" opens a string and "#"
// starts a symbol depends on whether an operand may follow; the lexer
// decides that from the token before, as xBase compilers always have.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kt::macro {

enum class Tok : std::uint8_t {
  End, Int, Float, String, Ident, SymbolLit,
  True, False, Nil,
  And, Or, Not,
  LParen, RParen, LBrace, RBrace, LBracket, RBracket, Comma, Pipe, Colon, Arrow, Caret,
  Plus, Minus, Star, Slash, Percent, Power,
  Eq, EqEq, Ne, Lt, Le, Gt, Ge, Dollar, Assign,
};

struct Token {
  Tok kind = Tok::End;
  std::uint32_t pos = 0;      // byte offset in the text
  std::string_view text;      // identifier name, string contents, symbol name
  std::int64_t i = 0;
  double f = 0;
  int decimals = 0;
};

// Thrown by the lexer and the parser; the compiler turns it into an Error.
struct CompileFailure {
  int genCode;
  std::size_t pos;  // byte offset
  std::string message;
};

// Tokenizes the whole text; the list always ends with Tok::End.
std::vector<Token> Tokenize(std::string_view text);

// Readable form of a token kind for "... expected" messages.
const char* TokName(Tok t);

}  // namespace kt::macro
