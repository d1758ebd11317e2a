// String functions. Lengths and positions count UTF-8 characters; every
// result size is checked before anything is built.
#include <string>

#include "platform/runtime/array.h"
#include "platform/runtime/compiler/evalstate.h"
#include "platform/runtime/compiler/functions.h"
#include "platform/runtime/compiler/macro.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/numtext.h"
#include "platform/runtime/picture.h"
#include "platform/runtime/text.h"

namespace kt::macro {
namespace {

constexpr std::int64_t kBig = std::int64_t(1) << 40;  // beyond any string we may build

// Character count of the bytes before `byteOffset`, plus one.
std::size_t CharPos(std::string_view s, std::size_t byteOffset) { return text::Length(s.substr(0, byteOffset)) + 1; }

Usual Upper(Args a) {
  if (!a[0].IsString()) return ArgError("UPPER", 1, a[0], "string");
  Usual sub;
  if (!ReserveString(a[0].AsStringView().size(), "UPPER", sub)) return sub;
  return Usual(text::Upper(a[0].AsStringView()));
}

Usual Lower(Args a) {
  if (!a[0].IsString()) return ArgError("LOWER", 1, a[0], "string");
  Usual sub;
  if (!ReserveString(a[0].AsStringView().size(), "LOWER", sub)) return sub;
  return Usual(text::Lower(a[0].AsStringView()));
}

template <std::string_view (*Trim)(std::string_view)>
Usual TrimWith(Args a, const char* name) {
  if (!a[0].IsString()) return ArgError(name, 1, a[0], "string");
  const std::string_view r = Trim(a[0].AsStringView());
  if (r.size() == a[0].AsStringView().size()) return a[0];
  Charge(std::int64_t(r.size() / 4));
  return Usual(r);
}
Usual RTrim(Args a) { return TrimWith<text::TrimRight>(a, "RTRIM"); }
Usual TrimFn(Args a) { return TrimWith<text::TrimRight>(a, "TRIM"); }
Usual LTrim(Args a) { return TrimWith<text::TrimLeft>(a, "LTRIM"); }
Usual AllTrim(Args a) { return TrimWith<text::Trim>(a, "ALLTRIM"); }

Usual SubStr(Args a) {
  if (!a[0].IsString()) return ArgError("SUBSTR", 1, a[0], "string");
  if (!a[1].IsNumeric()) return ArgError("SUBSTR", 2, a[1], "numeric");
  const Usual& len = Arg(a, 2);
  if (!len.IsNil() && !len.IsNumeric()) return ArgError("SUBSTR", 3, len, "numeric");
  const std::string_view s = a[0].AsStringView();
  std::int64_t start = ClampInt(a[1], -kBig, kBig);
  std::size_t from = 0;
  if (start > 0) {
    from = std::size_t(start - 1);
  } else if (start < 0) {
    // Negative starts count from the end.
    const std::int64_t chars = std::int64_t(text::Length(s));
    from = std::size_t(chars + start < 0 ? 0 : chars + start);
  }
  std::size_t count = std::string_view::npos;
  if (!len.IsNil()) {
    const std::int64_t n = ClampInt(len, 0, kBig);
    count = std::size_t(n);
  }
  const std::string_view r = text::Sub(s, from, count);
  Charge(std::int64_t(r.size() / 4));
  return Usual(r);
}

Usual Left(Args a) {
  if (!a[0].IsString()) return ArgError("LEFT", 1, a[0], "string");
  if (!a[1].IsNumeric()) return ArgError("LEFT", 2, a[1], "numeric");
  const std::string_view r = text::Left(a[0].AsStringView(), std::size_t(ClampInt(a[1], 0, kBig)));
  Charge(std::int64_t(r.size() / 4));
  return Usual(r);
}

Usual Right(Args a) {
  if (!a[0].IsString()) return ArgError("RIGHT", 1, a[0], "string");
  if (!a[1].IsNumeric()) return ArgError("RIGHT", 2, a[1], "numeric");
  const std::string_view r = text::Right(a[0].AsStringView(), std::size_t(ClampInt(a[1], 0, kBig)));
  Charge(std::int64_t(r.size() / 4));
  return Usual(r);
}

// Fill character of the Pad functions: the first character of a string.
bool FillChar(const Usual& v, const char* name, char32_t& fill, std::size_t& bytes, Usual& err) {
  fill = U' ';
  bytes = 1;
  if (v.IsNil()) return true;
  if (!v.IsString()) {
    err = ArgError(name, 3, v, "string");
    return false;
  }
  const std::string_view s = v.AsStringView();
  if (s.empty()) return true;
  std::size_t pos = 0;
  fill = text::Decode(s, pos);
  bytes = pos;
  return true;
}

std::string PadSource(const Usual& v) { return v.IsString() ? std::string(v.AsStringView()) : AsString(v); }

template <std::string (*Pad)(std::string_view, std::size_t, char32_t)>
Usual PadWith(Args a, const char* name) {
  if (!a[1].IsNumeric()) return ArgError(name, 2, a[1], "numeric");
  char32_t fill;
  std::size_t fillBytes;
  Usual err;
  if (!FillChar(Arg(a, 2), name, fill, fillBytes, err)) return err;
  const std::int64_t width = ClampInt(a[1], 0, kBig);
  const std::string s = PadSource(a[0]);
  Usual sub;
  if (!ReserveString(std::size_t(width) * fillBytes + s.size(), name, sub)) return sub;
  return Usual(Pad(s, std::size_t(width), fill));
}
Usual PadL(Args a) { return PadWith<text::PadLeft>(a, "PADL"); }
Usual PadR(Args a) { return PadWith<text::PadRight>(a, "PADR"); }
Usual PadC(Args a) { return PadWith<text::PadCenter>(a, "PADC"); }

Usual Space(Args a) {
  if (!a[0].IsNumeric()) return ArgError("SPACE", 1, a[0], "numeric");
  const std::int64_t n = ClampInt(a[0], 0, kBig);
  Usual sub;
  if (!ReserveString(std::size_t(n), "SPACE", sub)) return sub;
  return Usual(std::string(std::size_t(n), ' '));
}

Usual Replicate(Args a) {
  if (!a[0].IsString()) return ArgError("REPLICATE", 1, a[0], "string");
  if (!a[1].IsNumeric()) return ArgError("REPLICATE", 2, a[1], "numeric");
  const std::string_view s = a[0].AsStringView();
  const std::int64_t n = ClampInt(a[1], 0, kBig);
  if (s.empty() || n == 0) return Usual("");
  // Compare by division: the product itself may overflow.
  const std::size_t limit = CompilerLimits().maxStringBytes;
  Usual sub;
  const std::size_t total = std::size_t(n) > limit / s.size() ? limit + 1 : std::size_t(n) * s.size();
  if (!ReserveString(total, "REPLICATE", sub)) return sub;
  return Usual(text::Repeat(s, std::size_t(n)));
}

Usual At(Args a) {
  if (!a[0].IsString()) return ArgError("AT", 1, a[0], "string");
  if (!a[1].IsString()) return ArgError("AT", 2, a[1], "string");
  const std::string_view hay = a[1].AsStringView();
  const std::size_t off = FindBytes(hay, a[0].AsStringView());
  return Usual(static_cast<long long>(off == std::string_view::npos ? 0 : CharPos(hay, off)));
}

Usual RAt(Args a) {
  if (!a[0].IsString()) return ArgError("RAT", 1, a[0], "string");
  if (!a[1].IsString()) return ArgError("RAT", 2, a[1], "string");
  const std::string_view hay = a[1].AsStringView();
  Charge(std::int64_t(hay.size() / 4));  // the search copies the text
  const std::size_t off = FindLastBytes(hay, a[0].AsStringView());
  return Usual(static_cast<long long>(off == std::string_view::npos ? 0 : CharPos(hay, off)));
}

// StrTran(text, search, [replace], [first occurrence], [count])
Usual StrTran(Args a) {
  if (!a[0].IsString()) return ArgError("STRTRAN", 1, a[0], "string");
  if (!a[1].IsString()) return ArgError("STRTRAN", 2, a[1], "string");
  const Usual& with = Arg(a, 2);
  if (!with.IsNil() && !with.IsString()) return ArgError("STRTRAN", 3, with, "string");
  const Usual& startArg = Arg(a, 3);
  const Usual& countArg = Arg(a, 4);
  if (!startArg.IsNil() && !startArg.IsNumeric()) return ArgError("STRTRAN", 4, startArg, "numeric");
  if (!countArg.IsNil() && !countArg.IsNumeric()) return ArgError("STRTRAN", 5, countArg, "numeric");
  const std::string_view s = a[0].AsStringView();
  const std::string_view what = a[1].AsStringView();
  const std::string_view repl = with.IsNil() ? std::string_view() : with.AsStringView();
  const std::int64_t first = startArg.IsNil() ? 1 : ClampInt(startArg, 1, kBig);
  const std::int64_t count = countArg.IsNil() ? kBig : ClampInt(countArg, 0, kBig);
  if (what.empty() || count == 0) return a[0];

  // First pass: where the replacements go, so the size is known up front.
  std::size_t replaced = 0;
  std::int64_t seen = 0;
  Charge(std::int64_t(s.size() / 4));
  for (std::size_t p = FindBytes(s, what); p != std::string_view::npos; p = FindBytes(s, what, p + what.size())) {
    ++seen;
    if (seen < first) continue;
    ++replaced;
    if (std::int64_t(replaced) == count) break;
  }
  if (replaced == 0) return a[0];
  const std::size_t size = s.size() - replaced * what.size() + replaced * repl.size();
  Usual sub;
  if (!ReserveString(size, "STRTRAN", sub)) return sub;

  std::string out;
  out.reserve(size);
  std::size_t done = 0, last = 0;
  seen = 0;
  for (std::size_t p = FindBytes(s, what); p != std::string_view::npos && done < replaced;
       p = FindBytes(s, what, p + what.size())) {
    ++seen;
    if (seen < first) continue;
    out.append(s.substr(last, p - last));
    out.append(repl);
    last = p + what.size();
    ++done;
  }
  out.append(s.substr(last));
  return Usual(out);
}

// Stuff(text, start, delete count, insert)
Usual Stuff(Args a) {
  if (!a[0].IsString()) return ArgError("STUFF", 1, a[0], "string");
  if (!a[1].IsNumeric()) return ArgError("STUFF", 2, a[1], "numeric");
  if (!a[2].IsNumeric()) return ArgError("STUFF", 3, a[2], "numeric");
  if (!a[3].IsString()) return ArgError("STUFF", 4, a[3], "string");
  const std::string_view s = a[0].AsStringView();
  const std::string_view ins = a[3].AsStringView();
  const std::size_t start = std::size_t(ClampInt(a[1], 1, kBig) - 1);
  const std::size_t del = std::size_t(ClampInt(a[2], 0, kBig));
  const std::size_t b1 = text::ByteOffset(s, start);
  const std::size_t b2 = b1 + text::ByteOffset(s.substr(b1), del);
  Usual sub;
  if (!ReserveString(b1 + ins.size() + (s.size() - b2), "STUFF", sub)) return sub;
  std::string out;
  out.reserve(b1 + ins.size() + (s.size() - b2));
  out.append(s.substr(0, b1)).append(ins).append(s.substr(b2));
  return Usual(out);
}

Usual Len(Args a) {
  if (a[0].IsString()) return Usual(static_cast<long long>(text::Length(a[0].AsStringView())));
  if (a[0].IsArray()) return Usual(static_cast<long long>(a[0].AsArray().Len()));
  return ArgError("LEN", 1, a[0], "string or array");
}

Usual Chr(Args a) {
  if (!a[0].IsNumeric()) return ArgError("CHR", 1, a[0], "numeric");
  const std::int64_t cp = ClampInt(a[0], -1, 0x110000);
  if (cp < 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
    return Fail(gen::Arg, "CHR", "Argument 1: character code " + ToText(cp) + " out of range");
  std::string out;
  text::AppendUtf8(out, char32_t(cp));
  return Usual(out);
}

char32_t FirstChar(std::string_view s) {
  std::size_t pos = 0;
  return s.empty() ? 0 : text::Decode(s, pos);
}

Usual Asc(Args a) {
  if (!a[0].IsString()) return ArgError("ASC", 1, a[0], "string");
  return Usual(static_cast<long long>(FirstChar(a[0].AsStringView())));
}

bool IsLetter(char32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7);
}
bool IsUpperLetter(char32_t c) { return (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7); }
bool IsLowerLetter(char32_t c) { return IsLetter(c) && !IsUpperLetter(c); }

template <bool (*Test)(char32_t)>
Usual CharTest(Args a, const char* name) {
  if (!a[0].IsString()) return ArgError(name, 1, a[0], "string");
  const std::string_view s = a[0].AsStringView();
  return Usual(!s.empty() && Test(FirstChar(s)));
}
bool IsDigitChar(char32_t c) { return c >= '0' && c <= '9'; }
Usual IsDigit(Args a) { return CharTest<IsDigitChar>(a, "ISDIGIT"); }
Usual IsAlpha(Args a) { return CharTest<IsLetter>(a, "ISALPHA"); }
Usual IsUpper(Args a) { return CharTest<IsUpperLetter>(a, "ISUPPER"); }
Usual IsLower(Args a) { return CharTest<IsLowerLetter>(a, "ISLOWER"); }

Usual ValFn(Args a) {
  if (!a[0].IsString()) return ArgError("VAL", 1, a[0], "string");
  return Val(a[0].AsStringView());
}

Usual StrFn(Args a) {
  if (!a[0].IsNumeric()) return ArgError("STR", 1, a[0], "numeric");
  const Usual& len = Arg(a, 1);
  const Usual& dec = Arg(a, 2);
  if (!len.IsNil() && !len.IsNumeric()) return ArgError("STR", 2, len, "numeric");
  if (!dec.IsNil() && !dec.IsNumeric()) return ArgError("STR", 3, dec, "numeric");
  Usual l, d;
  if (!len.IsNil()) {
    const std::int64_t n = ClampInt(len, -1, kBig);
    if (n < 0) return Fail(gen::Arg, "STR", "Argument 2: length must not be negative");
    Usual sub;
    if (!ReserveString(std::size_t(n), "STR", sub)) return sub;
    if (n > kMaxStrWidth)
      return Fail(gen::Arg, "STR", "Argument 2: length " + ToText(n) + " exceeds the limit of " + ToText(kMaxStrWidth));
    l = Usual(static_cast<long long>(n));
  }
  if (!dec.IsNil()) {
    const std::int64_t n = ClampInt(dec, -1, kBig);
    if (n < 0) return Fail(gen::Arg, "STR", "Argument 3: decimals must not be negative");
    if (n > kMaxStrDecimals)
      return Fail(gen::Arg, "STR",
                  "Argument 3: decimals " + ToText(n) + " exceed the limit of " + ToText(kMaxStrDecimals));
    d = Usual(static_cast<long long>(n));
  }
  return Usual(Str(a[0], l, d));
}

Usual NTrimFn(Args a) {
  if (!a[0].IsNumeric()) return ArgError("NTRIM", 1, a[0], "numeric");
  return Usual(NTrim(a[0]));
}

Usual AsStringFn(Args a) {
  if (a[0].IsString()) return a[0];
  return Usual(AsString(a[0]));
}

Usual Transform(Args a) {
  const Usual& v = a[0];
  const Usual& p = a[1];
  if (!p.IsNil() && !p.IsString()) return ArgError("TRANSFORM", 2, p, "string");
  const std::string_view picture = p.IsString() ? p.AsStringView() : std::string_view();
  // Results are at most a few bytes per picture character plus the value's text.
  Usual sub;
  const std::size_t valueBytes = v.IsString() ? v.AsStringView().size() : 64;
  if (!ReserveString(picture.size() * 4 + valueBytes, "TRANSFORM", sub)) return sub;
  if (v.IsNumeric() && picture.size() > 1024)
    return Fail(gen::Arg, "TRANSFORM", "Argument 2: picture too long for a number");
  return Usual(TransformPicture(v, picture));
}

}  // namespace

void RegisterStringFunctions() {
  AddFunction("UPPER", Upper, nullptr, 1, 1);
  AddFunction("LOWER", Lower, nullptr, 1, 1);
  AddFunction("TRIM", TrimFn, nullptr, 1, 1);
  AddFunction("RTRIM", RTrim, nullptr, 1, 1);
  AddFunction("LTRIM", LTrim, nullptr, 1, 1);
  AddFunction("ALLTRIM", AllTrim, nullptr, 1, 1);
  AddFunction("SUBSTR", SubStr, nullptr, 2, 3);
  AddFunction("LEFT", Left, nullptr, 2, 2);
  AddFunction("RIGHT", Right, nullptr, 2, 2);
  AddFunction("PADL", PadL, nullptr, 2, 3);
  AddFunction("PADR", PadR, nullptr, 2, 3);
  AddFunction("PAD", PadR, nullptr, 2, 3);
  AddFunction("PADC", PadC, nullptr, 2, 3);
  AddFunction("SPACE", Space, nullptr, 1, 1);
  AddFunction("REPLICATE", Replicate, nullptr, 2, 2);
  AddFunction("AT", At, nullptr, 2, 2);
  AddFunction("RAT", RAt, nullptr, 2, 2);
  AddFunction("STRTRAN", StrTran, nullptr, 2, 5);
  AddFunction("STUFF", Stuff, nullptr, 4, 4);
  AddFunction("LEN", Len, nullptr, 1, 1);
  AddFunction("CHR", Chr, nullptr, 1, 1);
  AddFunction("ASC", Asc, nullptr, 1, 1);
  AddFunction("ISDIGIT", IsDigit, nullptr, 1, 1);
  AddFunction("ISALPHA", IsAlpha, nullptr, 1, 1);
  AddFunction("ISUPPER", IsUpper, nullptr, 1, 1);
  AddFunction("ISLOWER", IsLower, nullptr, 1, 1);
  AddFunction("VAL", ValFn, nullptr, 1, 1);
  AddFunction("STR", StrFn, nullptr, 1, 3);
  AddFunction("NTRIM", NTrimFn, nullptr, 1, 1);
  AddFunction("ASSTRING", AsStringFn, nullptr, 1, 1);
  AddFunction("TRANSFORM", Transform, nullptr, 2, 2);
}

}  // namespace kt::macro
