// Numeric functions. Results stay finite: what would overflow or has no
// real value raises instead of handing infinities or NaN on.
#include <cfloat>
#include <cmath>

#include "platform/runtime/compiler/evalstate.h"
#include "platform/runtime/compiler/functions.h"
#include "platform/runtime/operators.h"

namespace kt::macro {
namespace {

// A float result with the runtime's default display format.
Usual FloatResult(double v, const char* name) {
  if (!std::isfinite(v)) return Fail(gen::NumOverflow, name, "Numeric overflow");
  return Usual(v);
}

Usual Abs(Args a) {
  const Usual& v = a[0];
  if (v.IsInteger()) {
    const std::int64_t i = v.AsInteger();
    if (i == INT64_MIN) return Usual(-double(i));
    return Usual(static_cast<long long>(i < 0 ? -i : i));
  }
  if (v.IsFloat()) return Usual::Float(std::fabs(v.AsFloat()), v.Digits(), v.Decimals());
  return ArgError("ABS", 1, v, "numeric");
}

// Doubles in this range convert to int64 exactly and safely.
bool FitsInt64(double d) { return d > -9.2e18 && d < 9.2e18; }

Usual Int(Args a) {
  const Usual& v = a[0];
  if (v.IsInteger()) return v;
  if (!v.IsFloat()) return ArgError("INT", 1, v, "numeric");
  const double t = std::trunc(v.AsFloat());
  if (FitsInt64(t)) return Usual(static_cast<long long>(t));
  return Usual::Float(t, v.Digits(), 0);
}

Usual Round(Args a) {
  const Usual& v = a[0];
  const Usual& decArg = Arg(a, 1);
  if (!v.IsNumeric()) return ArgError("ROUND", 1, v, "numeric");
  if (!decArg.IsNil() && !decArg.IsNumeric()) return ArgError("ROUND", 2, decArg, "numeric");
  const int dec = int(ClampInt(decArg, -30, 30));
  if (v.IsInteger()) {
    if (dec >= 0) return v;
    if (dec < -18) return Usual(0);
    std::int64_t p = 1;
    for (int i = 0; i < -dec; ++i) p *= 10;
    const std::int64_t x = v.AsInteger();
    std::int64_t q = x / p;
    const std::int64_t rem = x % p;
    if (rem >= p - rem) ++q;        // rem >= p / 2 without overflow
    else if (-rem >= p + rem) --q;  // the same below zero
    std::int64_t r = 0;
    if (__builtin_mul_overflow(q, p, &r)) return Usual(double(q) * double(p));
    return Usual(static_cast<long long>(r));
  }
  const double d = v.AsFloat();
  const double p = std::pow(10.0, dec);
  const double x = d * p;
  if (!std::isfinite(x) || !std::isfinite(d)) return v;
  // Decimal fractions are rarely exact in binary (2.675 is 2.67499...):
  // nudge by a few units in the last place before rounding half away from zero.
  const double r = std::round(x * (1.0 + 4 * DBL_EPSILON)) / p;
  if (dec <= 0 && FitsInt64(r)) return Usual(static_cast<long long>(r));
  return Usual::Float(r, v.Digits(), dec > 0 ? dec : 0);
}

Usual MaxMin(Args a, bool max, const char* name) {
  const Usual& x = a[0];
  const Usual& y = a[1];
  const bool same = (x.IsNumeric() && y.IsNumeric()) || (x.Type() == y.Type() && (x.IsDate() || x.IsString() || x.IsLogic()));
  if (!x.IsNumeric() && !x.IsDate() && !x.IsString() && !x.IsLogic()) return ArgError(name, 1, x, "numeric, date, string or logic");
  if (!same) return ArgError(name, 2, y, "a value of the first argument's type");
  const int c = Compare(x, y);
  return (max ? c >= 0 : c <= 0) ? x : y;
}
Usual Max(Args a) { return MaxMin(a, true, "MAX"); }
Usual Min(Args a) { return MaxMin(a, false, "MIN"); }

Usual Sqrt(Args a) {
  if (!a[0].IsNumeric()) return ArgError("SQRT", 1, a[0], "numeric");
  const double d = a[0].AsFloat();
  if (d < 0) return Fail(gen::Arg, "SQRT", "Argument 1: square root of a negative number");
  return FloatResult(std::sqrt(d), "SQRT");
}

Usual Log(Args a) {
  if (!a[0].IsNumeric()) return ArgError("LOG", 1, a[0], "numeric");
  const double d = a[0].AsFloat();
  if (!(d > 0)) return Fail(gen::Arg, "LOG", "Argument 1: logarithm of a number not greater than zero");
  return FloatResult(std::log(d), "LOG");
}

Usual Exp(Args a) {
  if (!a[0].IsNumeric()) return ArgError("EXP", 1, a[0], "numeric");
  return FloatResult(std::exp(a[0].AsFloat()), "EXP");
}

// Unlike the % operator, the remainder takes the sign of the divisor:
// Mod(-7, 3) is 2.
Usual ModFn(Args a) {
  const Usual& x = a[0];
  const Usual& y = a[1];
  if (!x.IsNumeric()) return ArgError("MOD", 1, x, "numeric");
  if (!y.IsNumeric()) return ArgError("MOD", 2, y, "numeric");
  if (y.AsFloat() == 0.0) {
    ErrorRef e = MakeError(gen::ZeroDiv, "MOD", "Division by zero");
    e->Arg = y;
    e->ArgNum = 2;
    return Raise(e);
  }
  if (x.IsInteger() && y.IsInteger()) {
    const std::int64_t b = y.AsInteger();
    if (b == -1) return Usual(0);  // INT64_MIN % -1 would trap
    std::int64_t r = x.AsInteger() % b;
    if (r != 0 && (r < 0) != (b < 0)) r += b;
    return Usual(static_cast<long long>(r));
  }
  const double b = y.AsFloat();
  double r = std::fmod(x.AsFloat(), b);
  if (!std::isfinite(r)) return Fail(gen::NumOverflow, "MOD", "Result is not a finite number");
  if (r != 0 && (r < 0) != (b < 0)) r += b;
  if (r == 0) r = 0.0;  // no negative zero
  const int dx = x.IsFloat() ? x.Decimals() : 0;
  const int dy = y.IsFloat() ? y.Decimals() : 0;
  if (dx == Usual::kDefaultFormat || dy == Usual::kDefaultFormat) return Usual(r);
  return Usual::Float(r, Usual::kDefaultFormat, dx > dy ? dx : dy);
}

}  // namespace

void RegisterNumericFunctions() {
  AddFunction("ABS", Abs, nullptr, 1, 1);
  AddFunction("INT", Int, nullptr, 1, 1);
  AddFunction("ROUND", Round, nullptr, 1, 2);
  AddFunction("MAX", Max, nullptr, 2, 2);
  AddFunction("MIN", Min, nullptr, 2, 2);
  AddFunction("SQRT", Sqrt, nullptr, 1, 1);
  AddFunction("LOG", Log, nullptr, 1, 1);
  AddFunction("EXP", Exp, nullptr, 1, 1);
  AddFunction("MOD", ModFn, nullptr, 2, 2);
}

}  // namespace kt::macro
