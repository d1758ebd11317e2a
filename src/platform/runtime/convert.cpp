#include "platform/runtime/convert.h"

#include <cmath>

#include "platform/runtime/array.h"
#include "platform/runtime/numtext.h"
#include "platform/runtime/object.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/text.h"

namespace kt {

bool Empty(const Usual& v) {
  switch (v.Type()) {
    case UsualType::Nil: return true;
    case UsualType::Logic: return !v.AsLogic();
    case UsualType::Integer: return v.AsInteger() == 0;
    case UsualType::Float: return v.AsFloat() == 0.0;
    case UsualType::Date: return v.AsDate().IsEmpty();
    case UsualType::String:
      for (char c : v.AsStringView())
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
      return true;
    case UsualType::Symbol: return v.AsSymbol().IsEmpty();
    case UsualType::Array: return v.AsArray().IsEmpty();
    case UsualType::Object: return v.AsObject() == nullptr;
    case UsualType::Codeblock: return false;
  }
  return true;
}

namespace {

// Rounds half away from zero, as shown numbers do.
double RoundHalfAway(double v, int decimals) {
  const double scale = std::pow(10.0, decimals);
  const double scaled = v * scale;
  if (!std::isfinite(scaled) || std::fabs(scaled) > 9.0e15) return v;  // beyond double precision: nothing to round
  // A tiny nudge keeps 2.675 (stored as 2.67499999...) rounding like it reads.
  const double nudge = std::nextafter(std::fabs(scaled), INFINITY);
  return std::copysign(std::floor(nudge + 0.5), v) / scale;
}

int ValueDecimals(const Usual& n) {
  if (n.IsFloat()) {
    const int d = n.Decimals();
    return d == Usual::kDefaultFormat ? Runtime::Settings().decimals : d;
  }
  return 0;
}

std::string OutOfRange(const char* what, std::int64_t asked, int limit) {
  RaiseError(gen::Arg, "STR",
             std::string("Argument ") + what + " " + ToText(asked) + " outside 0.." + ToText(limit));
  return std::string();
}

}  // namespace

std::string NumberText(const Usual& n, int decimals) {
  if (decimals < 0) decimals = 0;
  if (n.IsInteger()) {
    std::string s = ToText(n.AsInteger());
    if (decimals > 0) s.append(1, '.').append(std::size_t(decimals), '0');  // exact, whatever the magnitude
    return s;
  }
  const double v = n.AsFloat();
  if (!n.IsFloat() || !std::isfinite(v)) return std::string();
  return FixedText(RoundHalfAway(v, decimals), decimals);
}

std::string Str(const Usual& n, const Usual& length, const Usual& decimals) {
  if (!n.IsNumeric()) return std::string();
  int dec;
  if (decimals.IsNumeric()) {
    const std::int64_t d = decimals.AsInteger();
    if (d > kMaxStrDecimals) return OutOfRange("decimals", d, kMaxStrDecimals);
    dec = d < 0 ? 0 : int(d);
  } else if (length.IsNumeric()) {
    dec = 0;
  } else {
    dec = ValueDecimals(n);
  }

  std::int64_t width;
  bool asked = true;  // a width the caller or the value itself gives
  if (length.IsNumeric()) {
    width = length.AsInteger();
    if (width > kMaxStrWidth) return OutOfRange("length", width, kMaxStrWidth);
  } else if (n.Digits() != Usual::kDefaultFormat && n.Digits() > 0) {
    width = n.Digits();
  } else {
    width = std::int64_t(Runtime::Settings().digits) + (dec > 0 ? dec + 1 : 0);
    asked = false;
  }
  if (width < 1) width = 1;
  if (width > kMaxStrWidth) width = kMaxStrWidth;  // only a huge digits setting gets here

  const std::string text = NumberText(n, dec);
  if (text.empty()) return std::string(std::size_t(width), '*');  // infinities and NaN have no digits
  if (std::int64_t(text.size()) > width) return asked ? std::string(std::size_t(width), '*') : text;
  return std::string(std::size_t(width) - text.size(), ' ') + text;
}

std::string NTrim(const Usual& n) {
  if (!n.IsNumeric()) return std::string();
  const std::string text = NumberText(n, ValueDecimals(n));
  return text.empty() ? std::string(text::Trim(Str(n))) : text;
}

Usual Val(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
    negative = s[i] == '-';
    ++i;
  }
  std::string digits = negative ? "-0" : "0";  // "0" keeps ".5" readable
  int decimals = -1;
  bool any = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c >= '0' && c <= '9') {
      digits += c;
      any = true;
      if (decimals >= 0) ++decimals;
    } else if ((c == '.' || c == ',') && decimals < 0) {
      decimals = 0;
      digits += '.';
    } else {
      break;
    }
  }
  if (!any) return Usual(0);
  if (decimals < 0) {
    std::int64_t v = 0;
    if (ParseInteger(digits, v)) return Usual(v);
  }
  double v = 0;
  if (!ParseDouble(digits, v)) {
    // Beyond a double's range: too big to hold, or so small it is 0.
    const bool big = digits.find_first_of("123456789") < digits.find('.');
    v = big ? (negative ? -HUGE_VAL : HUGE_VAL) : 0.0;
  }
  return Usual::Float(v, Usual::kDefaultFormat, decimals < 0 ? 0 : decimals);
}

std::string DToC(Date d) { return d.Format(Runtime::Settings().dateFormat); }

Date CToD(std::string_view s, bool* ok) {
  const auto& settings = Runtime::Settings();
  return Date::Parse(s, settings.dateFormat, settings.epoch, ok);
}

std::string AsString(const Usual& v) {
  switch (v.Type()) {
    case UsualType::Nil: return "NIL";
    case UsualType::Logic: return v.AsLogic() ? ".T." : ".F.";
    case UsualType::Integer: return ToText(v.AsInteger());
    case UsualType::Float: return NTrim(v);
    case UsualType::Date: return DToC(v.AsDate());
    case UsualType::String: return std::string(v.AsStringView());
    case UsualType::Symbol: return v.AsSymbol().Name();
    case UsualType::Array: return "{[" + ToText(v.AsArray().Len()) + "]}";
    case UsualType::Object: return "{" + v.AsObject()->ClassName() + "}";
    case UsualType::Codeblock: return "{|| ... }";
  }
  return std::string();
}

}  // namespace kt
