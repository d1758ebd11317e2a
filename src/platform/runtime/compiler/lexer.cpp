#include "platform/runtime/compiler/lexer.h"

#include <charconv>
#include <cmath>

#include "platform/runtime/error.h"

namespace kt::macro {
namespace {

bool IsIdentStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || IsDigit(c); }

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != b[i]) return false;
  return true;
}

// Names longer than any sensible field or method name are rejected, so
// hostile text cannot fill the symbol table with huge entries.
constexpr std::size_t kMaxIdentifier = 128;
// Decimals a literal keeps for display; digits beyond are not significant.
constexpr int kMaxLiteralDecimals = 30;

// Tokens after which an operand ends, so "[" indexes and "#" compares.
bool EndsOperand(Tok t) {
  switch (t) {
    case Tok::Int: case Tok::Float: case Tok::String: case Tok::Ident: case Tok::SymbolLit:
    case Tok::True: case Tok::False: case Tok::Nil:
    case Tok::RParen: case Tok::RBracket: case Tok::RBrace:
      return true;
    default:
      return false;
  }
}

[[noreturn]] void Fail(std::size_t pos, std::string message) {
  throw CompileFailure{gen::Syntax, pos, std::move(message)};
}

class Lexer {
 public:
  explicit Lexer(std::string_view text) : s_(text) {}

  std::vector<Token> Run() {
    std::vector<Token> out;
    out.reserve(s_.size() / 2 + 2);
    Tok prev = Tok::End;
    for (;;) {
      SkipBlanks();
      Token t;
      t.pos = std::uint32_t(p_);
      if (p_ >= s_.size()) {
        t.kind = Tok::End;
        out.push_back(t);
        return out;
      }
      Scan(t, EndsOperand(prev));
      prev = t.kind;
      out.push_back(t);
    }
  }

 private:
  void SkipBlanks() {
    while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\t' || s_[p_] == '\r' || s_[p_] == '\n')) ++p_;
  }
  char At(std::size_t i) const { return i < s_.size() ? s_[i] : '\0'; }

  void Scan(Token& t, bool afterOperand) {
    const char c = s_[p_];
    if (IsIdentStart(c)) return Identifier(t);
    if (IsDigit(c) || (c == '.' && IsDigit(At(p_ + 1)))) return Number(t);
    switch (c) {
      case '"': case '\'':
        return String(t, c);
      case '[':
        if (!afterOperand) return String(t, ']');
        return Single(t, Tok::LBracket);
      case '#':
        if (!afterOperand) return SymbolLiteral(t);
        return Single(t, Tok::Ne);
      case '.':
        return DotWord(t);
      case '(': return Single(t, Tok::LParen);
      case ')': return Single(t, Tok::RParen);
      case '{': return Single(t, Tok::LBrace);
      case '}': return Single(t, Tok::RBrace);
      case ']': return Single(t, Tok::RBracket);
      case ',': return Single(t, Tok::Comma);
      case '|': return Single(t, Tok::Pipe);
      case '^': return Single(t, Tok::Caret);
      case '+': return Single(t, Tok::Plus);
      case '/': return Single(t, Tok::Slash);
      case '%': return Single(t, Tok::Percent);
      case '$': return Single(t, Tok::Dollar);
      case ':': return At(p_ + 1) == '=' ? Double(t, Tok::Assign) : Single(t, Tok::Colon);
      case '-': return At(p_ + 1) == '>' ? Double(t, Tok::Arrow) : Single(t, Tok::Minus);
      case '*': return At(p_ + 1) == '*' ? Double(t, Tok::Power) : Single(t, Tok::Star);
      case '=': return At(p_ + 1) == '=' ? Double(t, Tok::EqEq) : Single(t, Tok::Eq);
      case '!': return At(p_ + 1) == '=' ? Double(t, Tok::Ne) : Single(t, Tok::Not);
      case '<':
        if (At(p_ + 1) == '=') return Double(t, Tok::Le);
        if (At(p_ + 1) == '>') return Double(t, Tok::Ne);
        return Single(t, Tok::Lt);
      case '>': return At(p_ + 1) == '=' ? Double(t, Tok::Ge) : Single(t, Tok::Gt);
      default:
        break;
    }
    std::string shown;
    if (static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F) {
      shown = std::string("\"") + c + "\"";
    } else {
      static const char hex[] = "0123456789ABCDEF";
      const auto u = static_cast<unsigned char>(c);
      shown = std::string("0x") + hex[u >> 4] + hex[u & 15];
    }
    Fail(p_, "unexpected character " + shown);
  }

  void Single(Token& t, Tok k) { t.kind = k; ++p_; }
  void Double(Token& t, Tok k) { t.kind = k; p_ += 2; }

  std::string_view Word() {
    const std::size_t b = p_;
    while (p_ < s_.size() && IsIdentChar(s_[p_])) ++p_;
    if (p_ - b > kMaxIdentifier) Fail(b, "name longer than 128 characters");
    return s_.substr(b, p_ - b);
  }

  void Identifier(Token& t) {
    t.text = Word();
    t.kind = EqualsNoCase(t.text, "NIL") ? Tok::Nil : Tok::Ident;
  }

  void SymbolLiteral(Token& t) {
    ++p_;
    if (!IsIdentStart(At(p_))) Fail(p_, "name expected after \"#\"");
    t.text = Word();
    t.kind = Tok::SymbolLit;
  }

  void String(Token& t, char close) {
    const std::size_t start = p_++;
    const std::size_t end = s_.find(close, p_);
    if (end == std::string_view::npos) Fail(start, "unterminated string");
    t.kind = Tok::String;
    t.text = s_.substr(p_, end - p_);
    p_ = end + 1;
  }

  // .T. .F. .Y. .N. .AND. .OR. .NOT.
  void DotWord(Token& t) {
    const std::size_t start = p_;
    std::size_t q = p_ + 1;
    while (q < s_.size() && IsIdentStart(s_[q]) && q - p_ < 8) ++q;
    if (At(q) == '.') {
      const std::string_view w = s_.substr(p_ + 1, q - p_ - 1);
      Tok k = Tok::End;
      if (EqualsNoCase(w, "T") || EqualsNoCase(w, "Y")) k = Tok::True;
      else if (EqualsNoCase(w, "F") || EqualsNoCase(w, "N")) k = Tok::False;
      else if (EqualsNoCase(w, "AND")) k = Tok::And;
      else if (EqualsNoCase(w, "OR")) k = Tok::Or;
      else if (EqualsNoCase(w, "NOT")) k = Tok::Not;
      if (k != Tok::End) {
        t.kind = k;
        p_ = q + 1;
        return;
      }
    }
    Fail(start, "unexpected character \".\"");
  }

  void Number(Token& t) {
    const std::size_t b = p_;
    while (IsDigit(At(p_))) ++p_;
    const std::size_t intEnd = p_;
    if (At(p_) == '.' && IsDigit(At(p_ + 1))) {
      ++p_;
      while (IsDigit(At(p_))) ++p_;
      const int decimals = int(p_ - intEnd - 1);
      double v = 0;
      const auto r = std::from_chars(s_.data() + b, s_.data() + p_, v);
      if (r.ec != std::errc() || !std::isfinite(v)) Fail(b, "number out of range");
      t.kind = Tok::Float;
      t.f = v;
      t.decimals = decimals > kMaxLiteralDecimals ? kMaxLiteralDecimals : decimals;
    } else {
      std::int64_t v = 0;
      const auto r = std::from_chars(s_.data() + b, s_.data() + intEnd, v);
      if (r.ec == std::errc()) {
        t.kind = Tok::Int;
        t.i = v;
      } else {
        // Too large for an integer: keep it as a float without decimals.
        double d = 0;
        const auto rd = std::from_chars(s_.data() + b, s_.data() + intEnd, d);
        if (rd.ec != std::errc() || !std::isfinite(d)) Fail(b, "number out of range");
        t.kind = Tok::Float;
        t.f = d;
        t.decimals = 0;
      }
    }
    if (IsIdentStart(At(p_))) Fail(p_, "operator expected after number");
  }

  std::string_view s_;
  std::size_t p_ = 0;
};

}  // namespace

std::vector<Token> Tokenize(std::string_view text) { return Lexer(text).Run(); }

const char* TokName(Tok t) {
  switch (t) {
    case Tok::End: return "end of expression";
    case Tok::Int: case Tok::Float: return "number";
    case Tok::String: return "string";
    case Tok::Ident: return "name";
    case Tok::SymbolLit: return "symbol";
    case Tok::True: return ".T.";
    case Tok::False: return ".F.";
    case Tok::Nil: return "NIL";
    case Tok::And: return ".AND.";
    case Tok::Or: return ".OR.";
    case Tok::Not: return ".NOT.";
    case Tok::LParen: return "\"(\"";
    case Tok::RParen: return "\")\"";
    case Tok::LBrace: return "\"{\"";
    case Tok::RBrace: return "\"}\"";
    case Tok::LBracket: return "\"[\"";
    case Tok::RBracket: return "\"]\"";
    case Tok::Comma: return "\",\"";
    case Tok::Pipe: return "\"|\"";
    case Tok::Colon: return "\":\"";
    case Tok::Arrow: return "\"->\"";
    case Tok::Caret: return "\"^\"";
    case Tok::Plus: return "\"+\"";
    case Tok::Minus: return "\"-\"";
    case Tok::Star: return "\"*\"";
    case Tok::Slash: return "\"/\"";
    case Tok::Percent: return "\"%\"";
    case Tok::Power: return "\"**\"";
    case Tok::Eq: return "\"=\"";
    case Tok::EqEq: return "\"==\"";
    case Tok::Ne: return "\"!=\"";
    case Tok::Lt: return "\"<\"";
    case Tok::Le: return "\"<=\"";
    case Tok::Gt: return "\">\"";
    case Tok::Ge: return "\">=\"";
    case Tok::Dollar: return "\"$\"";
    case Tok::Assign: return "\":=\"";
  }
  return "token";
}

}  // namespace kt::macro
