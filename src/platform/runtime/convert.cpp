#include "platform/runtime/convert.h"

#include <cmath>
#include <cstdio>

#include "platform/runtime/array.h"
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
  if (std::fabs(scaled) > 9.0e15) return v;  // beyond double precision: nothing to round
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

}  // namespace

std::string Str(const Usual& n, const Usual& length, const Usual& decimals) {
  if (!n.IsNumeric()) return std::string();
  int dec;
  if (decimals.IsNumeric()) dec = int(decimals.AsInteger());
  else if (length.IsNumeric()) dec = 0;
  else dec = ValueDecimals(n);
  if (dec < 0) dec = 0;
  if (dec > 30) dec = 30;

  int width;
  if (length.IsNumeric()) {
    width = int(length.AsInteger());
  } else if (n.IsFloat() && n.Digits() != Usual::kDefaultFormat && n.Digits() > 0) {
    width = n.Digits();
  } else {
    width = Runtime::Settings().digits + (dec > 0 ? dec + 1 : 0);
  }
  if (width < 1) width = 1;
  if (width > 64) width = 64;

  char buf[400];
  int len;
  if (n.IsInteger() && dec == 0) {
    len = std::snprintf(buf, sizeof buf, "%*lld", width, static_cast<long long>(n.AsInteger()));
  } else {
    const double v = n.AsFloat();
    if (!std::isfinite(v) || std::fabs(v) >= 1e300) return std::string(std::size_t(width), '*');
    len = std::snprintf(buf, sizeof buf, "%*.*f", width, dec, RoundHalfAway(v, dec));
  }
  if (len < 0 || len > width) return std::string(std::size_t(width), '*');
  return std::string(buf, std::size_t(len));
}

std::string NTrim(const Usual& n) { return std::string(text::Trim(Str(n))); }

Usual Val(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
    negative = s[i] == '-';
    ++i;
  }
  std::string digits;
  int decimals = -1;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c >= '0' && c <= '9') {
      digits += c;
      if (decimals >= 0) ++decimals;
    } else if ((c == '.' || c == ',') && decimals < 0) {
      decimals = 0;
      digits += '.';
    } else {
      break;
    }
  }
  if (digits.empty() || digits == ".") return Usual(0);
  if (decimals < 0 && digits.size() <= 18) {
    const long long v = std::stoll(digits);
    return Usual(negative ? -v : v);
  }
  const double v = std::strtod(digits.c_str(), nullptr);
  return Usual::Float(negative ? -v : v, Usual::kDefaultFormat, decimals < 0 ? 0 : decimals);
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
    case UsualType::Integer: return std::to_string(v.AsInteger());
    case UsualType::Float: return NTrim(v);
    case UsualType::Date: return DToC(v.AsDate());
    case UsualType::String: return std::string(v.AsStringView());
    case UsualType::Symbol: return v.AsSymbol().Name();
    case UsualType::Array: return "{[" + std::to_string(v.AsArray().Len()) + "]}";
    case UsualType::Object: return "{" + v.AsObject()->ClassName() + "}";
    case UsualType::Codeblock: return "{|| ... }";
  }
  return std::string();
}

}  // namespace kt
