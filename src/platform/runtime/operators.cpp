#include "platform/runtime/operators.h"

#include <cmath>
#include <cstring>
#include <string>

#include "platform/runtime/error.h"
#include "platform/runtime/numtext.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/text.h"

namespace kt {
namespace {

constexpr std::uint8_t kDefault = Usual::kDefaultFormat;

std::string NumberShown(const Usual& n) { return n.IsInteger() ? ToText(n.AsInteger()) : ToText(n.AsFloat()); }

Usual TypeError(const char* op, const Usual& a, const Usual& b) {
  auto e = MakeError(gen::Arg, op,
                     std::string("Incompatible argument types: ") + a.TypeLetter() + " " + op + " " + b.TypeLetter());
  e->Arg = a;
  e->ArgType = int(a.Type());
  e->ArgNum = 1;
  return Raise(e);
}

int CombineDecimals(const Usual& a, const Usual& b) {
  const int da = a.IsFloat() ? a.Decimals() : 0;
  const int db = b.IsFloat() ? b.Decimals() : 0;
  if (da == kDefault || db == kDefault) return kDefault;
  return da > db ? da : db;
}

Usual FloatResult(double v, int decimals) {
  if (decimals == kDefault) return Usual(v);
  return Usual::Float(v, kDefault, decimals);
}

Usual Overflow(const char* op) { return RaiseError(gen::StrOverflow, op, "String too long"); }

// date + days. The empty date stays empty; a result outside the calendar's
// years 1 to 9999 raises instead of wrapping or printing a cut year.
Usual DateAdd(Date d, std::int64_t days, const char* op) {
  if (d.IsEmpty()) return Usual(Date());
  std::int64_t jd = 0;
  if (__builtin_add_overflow(std::int64_t(d.Julian()), days, &jd) || jd < Date::kMinJulian || jd > Date::kMaxJulian) {
    auto e = MakeError(gen::NumOverflow, op,
                       "Date " + d.ToDtos() + " moved by " + ToText(days) + " days falls outside the years 1 to 9999");
    e->Arg = Usual(static_cast<long long>(days));
    e->ArgNum = 2;
    return Raise(e);
  }
  return Usual(Date::FromJulian(std::int32_t(jd)));
}

std::int64_t NegatedDays(const Usual& n) {
  const std::int64_t v = n.AsInteger();
  return v == INT64_MIN ? INT64_MAX : -v;
}

}  // namespace

Usual Add(const Usual& a, const Usual& b) {
  if (a.IsInteger() && b.IsInteger()) {
    std::int64_t r;
    if (!__builtin_add_overflow(a.AsInteger(), b.AsInteger(), &r)) return Usual(r);
    return Usual(a.AsFloat() + b.AsFloat());
  }
  if (a.IsNumeric() && b.IsNumeric()) return FloatResult(a.AsFloat() + b.AsFloat(), CombineDecimals(a, b));
  if (a.IsString() && b.IsString()) {
    const auto x = a.AsStringView(), y = b.AsStringView();
    if (x.size() + y.size() > kMaxStringLength) return Overflow("+");
    std::string s;
    s.reserve(x.size() + y.size());
    s.append(x).append(y);
    return Usual(s);
  }
  if (a.IsDate() && b.IsNumeric()) return DateAdd(a.AsDate(), b.AsInteger(), "+");
  if (a.IsNumeric() && b.IsDate()) return DateAdd(b.AsDate(), a.AsInteger(), "+");
  return TypeError("+", a, b);
}

Usual Sub(const Usual& a, const Usual& b) {
  if (a.IsInteger() && b.IsInteger()) {
    std::int64_t r;
    if (!__builtin_sub_overflow(a.AsInteger(), b.AsInteger(), &r)) return Usual(r);
    return Usual(a.AsFloat() - b.AsFloat());
  }
  if (a.IsNumeric() && b.IsNumeric()) return FloatResult(a.AsFloat() - b.AsFloat(), CombineDecimals(a, b));
  if (a.IsDate() && b.IsDate()) return Usual(std::int64_t(a.AsDate().Julian()) - b.AsDate().Julian());
  if (a.IsDate() && b.IsNumeric()) return DateAdd(a.AsDate(), NegatedDays(b), "-");
  if (a.IsString() && b.IsString()) {
    // The blanks that end the left string move behind the right one.
    const auto x = a.AsStringView(), y = b.AsStringView();
    if (x.size() + y.size() > kMaxStringLength) return Overflow("-");
    const auto trimmed = text::TrimRight(x);
    std::string s(trimmed);
    s.append(y);
    s.append(x.size() - trimmed.size(), ' ');
    return Usual(s);
  }
  return TypeError("-", a, b);
}

Usual Mul(const Usual& a, const Usual& b) {
  if (a.IsInteger() && b.IsInteger()) {
    std::int64_t r;
    if (!__builtin_mul_overflow(a.AsInteger(), b.AsInteger(), &r)) return Usual(r);
    return Usual(a.AsFloat() * b.AsFloat());
  }
  if (a.IsNumeric() && b.IsNumeric()) {
    const int da = a.IsFloat() ? a.Decimals() : 0;
    const int db = b.IsFloat() ? b.Decimals() : 0;
    const int d = (da == kDefault || db == kDefault) ? kDefault : (da + db > 9 ? 9 : da + db);
    return FloatResult(a.AsFloat() * b.AsFloat(), d);
  }
  return TypeError("*", a, b);
}

Usual Div(const Usual& a, const Usual& b) {
  if (!a.IsNumeric() || !b.IsNumeric()) return TypeError("/", a, b);
  if (b.AsFloat() == 0.0) {
    auto e = MakeError(gen::ZeroDiv, "/", "Division by zero");
    e->Arg = b;
    e->ArgNum = 2;
    e->CanRetry = true;
    return Raise(e);
  }
  if (a.IsInteger() && b.IsInteger() && b.AsInteger() != -1 && a.AsInteger() % b.AsInteger() == 0)
    return Usual(a.AsInteger() / b.AsInteger());
  return Usual(a.AsFloat() / b.AsFloat());
}

Usual Mod(const Usual& a, const Usual& b) {
  if (!a.IsNumeric() || !b.IsNumeric()) return TypeError("%", a, b);
  if (b.AsFloat() == 0.0) {
    auto e = MakeError(gen::ZeroDiv, "%", "Division by zero");
    e->Arg = b;
    e->ArgNum = 2;
    return Raise(e);
  }
  if (a.IsInteger() && b.IsInteger()) {
    if (b.AsInteger() == -1) return Usual(0);
    return Usual(a.AsInteger() % b.AsInteger());
  }
  double r = std::fmod(a.AsFloat(), b.AsFloat());
  if (r == 0) r = 0.0;  // no negative zero
  return FloatResult(r, CombineDecimals(a, b));
}

Usual Pow(const Usual& a, const Usual& b) {
  if (!a.IsNumeric() || !b.IsNumeric()) return TypeError("**", a, b);
  const double r = std::pow(a.AsFloat(), b.AsFloat());
  if (!std::isfinite(r)) {
    auto e = MakeError(gen::NumOverflow, "**",
                       "Result of " + NumberShown(a) + " ** " + NumberShown(b) + " is not a finite number");
    e->Arg = a;
    return Raise(e);
  }
  return Usual(r);
}

Usual Neg(const Usual& a) {
  if (a.IsInteger()) {
    if (a.AsInteger() == INT64_MIN) return Usual(-a.AsFloat());
    return Usual(-a.AsInteger());
  }
  if (a.IsFloat()) return Usual::Float(-a.AsFloat(), a.Digits(), a.Decimals());
  auto e = MakeError(gen::Arg, "-", std::string("Argument of unary minus is not numeric: ") + a.TypeLetter());
  e->Arg = a;
  return Raise(e);
}

namespace {

int CompareStrings(std::string_view x, std::string_view y, bool exact) {
  if (exact) {
    x = text::TrimRight(x);
    y = text::TrimRight(y);
  } else if (x.size() > y.size()) {
    // Non-exact: the right operand's length decides how much counts.
    x = x.substr(0, y.size());
  }
  const int c = x.compare(y);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

bool CompareSameKind(const Usual& a, const Usual& b, bool exact, int& result) {
  if (a.IsNumeric() && b.IsNumeric()) {
    if (a.IsInteger() && b.IsInteger())
      result = a.AsInteger() < b.AsInteger() ? -1 : a.AsInteger() > b.AsInteger() ? 1 : 0;
    else
      result = a.AsFloat() < b.AsFloat() ? -1 : a.AsFloat() > b.AsFloat() ? 1 : 0;
    return true;
  }
  if (a.Type() != b.Type()) return false;
  switch (a.Type()) {
    case UsualType::Nil: result = 0; return true;
    case UsualType::Logic: result = int(a.AsLogic()) - int(b.AsLogic()); return true;
    case UsualType::Date: {
      const auto x = a.AsDate().Julian(), y = b.AsDate().Julian();
      result = x < y ? -1 : x > y ? 1 : 0;
      return true;
    }
    case UsualType::String: result = CompareStrings(a.AsStringView(), b.AsStringView(), exact); return true;
    case UsualType::Symbol: {
      const int c = a.AsSymbol().Name().compare(b.AsSymbol().Name());
      result = c < 0 ? -1 : c > 0 ? 1 : 0;
      return true;
    }
    default: return false;
  }
}

}  // namespace

bool EqualsWith(const Usual& a, const Usual& b, bool exact) {
  if (a.IsString() && b.IsString()) return CompareStrings(a.AsStringView(), b.AsStringView(), exact) == 0;
  return a == b;
}

bool Equals(const Usual& a, const Usual& b) { return EqualsWith(a, b, SetExact()); }

int Compare(const Usual& a, const Usual& b) {
  int result = 0;
  if (CompareSameKind(a, b, SetExact(), result)) return result;
  TypeError("<", a, b);
  return 0;
}

bool Less(const Usual& a, const Usual& b) { return Compare(a, b) < 0; }
bool LessEq(const Usual& a, const Usual& b) { return Compare(a, b) <= 0; }
bool Greater(const Usual& a, const Usual& b) { return Compare(a, b) > 0; }
bool GreaterEq(const Usual& a, const Usual& b) { return Compare(a, b) >= 0; }

bool Contains(const Usual& a, const Usual& b) {
  if (!a.IsString() || !b.IsString()) {
    TypeError("$", a, b);
    return false;
  }
  return b.AsStringView().find(a.AsStringView()) != std::string_view::npos;
}

}  // namespace kt
