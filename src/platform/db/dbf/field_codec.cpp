#include "platform/db/dbf/field_codec.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/runtime/error.h"
#include "platform/runtime/numtext.h"

namespace kt::dbf {

namespace {

std::string_view Bytes(const Field& f, const std::uint8_t* rec) {
  return {reinterpret_cast<const char*>(rec + f.offset), f.length};
}

bool IsBlankByte(char c) { return c == ' ' || c == '\0'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlank(std::string_view s) {
  while (!s.empty() && IsBlankByte(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlankByte(s.back())) s.remove_suffix(1);
  return s;
}

std::int32_t LeI32(const std::uint8_t* p) { return std::int32_t(Le32(p)); }
std::int64_t LeI64(const std::uint8_t* p) {
  return std::int64_t(std::uint64_t(Le32(p)) | (std::uint64_t(Le32(p + 4)) << 32));
}
void PutLeI64(std::uint8_t* p, std::int64_t v) {
  PutLe32(p, std::uint32_t(std::uint64_t(v)));
  PutLe32(p + 4, std::uint32_t(std::uint64_t(v) >> 32));
}

Usual DecodeNumeric(const Field& f, std::string_view raw) {
  std::string_view s = TrimBlank(raw);
  const int width = f.length;
  if (s.empty()) return f.decimals ? Usual::Float(0.0, width, f.decimals) : Usual::Integer(0, width);
  std::string_view body = s;
  if (body.front() == '+') body.remove_prefix(1);  // from_chars accepts '-' only
  const std::size_t dot = body.find('.');
  if (f.decimals == 0 && dot == std::string_view::npos) {
    std::int64_t i = 0;
    auto [p, ec] = std::from_chars(body.data(), body.data() + body.size(), i);
    if (ec == std::errc()) return Usual::Integer(i, width);
    if (ec != std::errc::result_out_of_range) return Usual(0);
  }
  double d = 0;
  auto [p, ec] = std::from_chars(body.data(), body.data() + body.size(), d, std::chars_format::fixed);
  if (ec != std::errc() && ec != std::errc::result_out_of_range) d = 0;
  int decimals = f.decimals;
  if (decimals == 0 && dot != std::string_view::npos) {
    // A writer put decimals into a field declared without: keep them.
    std::size_t n = 0;
    while (dot + 1 + n < body.size() && IsDigit(body[dot + 1 + n])) ++n;
    decimals = int(n);
  }
  return Usual::Float(d, width, decimals);
}

std::string TwoDigits(int v) { return ZeroPadded(v % 100, 2); }

std::string DateTimeText(std::int32_t jd, std::int32_t ms) {
  if (jd == 0 && ms == 0) return {};
  const Date d = Date::FromJulian(jd);
  std::string s = d.IsEmpty() ? std::string("0000-00-00") : d.Format("YYYY-MM-DD");
  if (ms < 0 || ms >= 86400000) ms = 0;
  const int sec = ms / 1000;
  s += ' ' + TwoDigits(sec / 3600) + ':' + TwoDigits(sec / 60 % 60) + ':' + TwoDigits(sec % 60);
  if (ms % 1000) s += '.' + ZeroPadded(ms % 1000, 3);
  return s;
}

// "YYYY-MM-DD[ T]HH:MM[:SS[.mmm]]" or "YYYYMMDD[HHMMSS]".
bool ParseDateTime(std::string_view s, std::int32_t& jd, std::int32_t& ms) {
  std::string digits;
  for (char c : s)
    if (IsDigit(c)) digits += c;
    else if (c != '-' && c != ':' && c != ' ' && c != 'T' && c != '.') return false;
  if (digits.size() < 8) return false;
  auto num = [&](std::size_t at, std::size_t n) {
    int v = 0;
    for (char c : digits.substr(at, n)) v = v * 10 + (c - '0');
    return v;
  };
  const Date d = Date::FromYMD(num(0, 4), num(4, 2), num(6, 2));
  if (d.IsEmpty()) return false;
  int h = 0, mi = 0, se = 0, milli = 0;
  if (digits.size() >= 12) { h = num(8, 2); mi = num(10, 2); }
  if (digits.size() >= 14) se = num(12, 2);
  if (digits.size() >= 17) milli = num(14, 3);
  if (h > 23 || mi > 59 || se > 59) return false;
  jd = d.Julian();
  ms = ((h * 60 + mi) * 60 + se) * 1000 + milli;
  return true;
}

[[noreturn]] void TypeError(const Field& f, const Usual& v, const ErrorContext& ctx, const char* want) {
  Fail(ctx, gen::DataType, "field put",
       "field " + f.name + " (type " + std::string(1, f.type) + ") takes " + want + ", not a value of type " +
           v.TypeLetter());
}

[[noreturn]] void WidthError(const Field& f, const std::string& what, const ErrorContext& ctx) {
  Fail(ctx, gen::DataWidth, "field put",
       "value " + what + " does not fit field " + f.name + " (" + std::string(1, f.type) + " " +
           ToText(f.length) + (f.decimals ? "," + ToText(f.decimals) : std::string()) + ")");
}

// Rounds an unsigned decimal digit string "123.4567" to `decimals` places,
// half away from zero.
std::string RoundDecimal(std::string_view s, int decimals) {
  const std::size_t dot = s.find('.');
  std::string intPart(s.substr(0, dot));
  std::string frac = dot == std::string_view::npos ? std::string() : std::string(s.substr(dot + 1));
  bool up = false;
  if (frac.size() > std::size_t(decimals)) {
    up = frac[std::size_t(decimals)] >= '5';
    frac.resize(std::size_t(decimals));
  }
  frac.append(std::size_t(decimals) - frac.size(), '0');
  std::string digits = intPart + frac;
  if (up) {
    std::size_t i = digits.size();
    while (i > 0) {
      --i;
      if (digits[i] == '9') {
        digits[i] = '0';
      } else {
        ++digits[i];
        break;
      }
      if (i == 0) digits.insert(digits.begin(), '1');
    }
  }
  const std::size_t intLen = digits.size() - std::size_t(decimals);
  std::string out = intLen ? digits.substr(0, intLen) : std::string("0");
  if (decimals) out += '.' + digits.substr(intLen);
  return out;
}

bool Place(std::string text, bool negative, int width, std::string& out) {
  bool zero = text.find_first_not_of("0.") == std::string::npos;
  if (negative && !zero) text.insert(text.begin(), '-');
  if (int(text.size()) > width) {
    // "0.5" in a two-byte field: other programs write ".5".
    if (text.rfind("0.", 0) == 0) text.erase(0, 1);
    else if (text.rfind("-0.", 0) == 0) text.erase(1, 1);
    if (int(text.size()) > width) return false;
  }
  out.assign(std::size_t(width) - text.size(), ' ');
  out += text;
  return true;
}

}  // namespace

bool FormatInteger(std::int64_t v, int width, int decimals, std::string& out) {
  char buf[32];
  const std::uint64_t mag = v < 0 ? std::uint64_t(0) - std::uint64_t(v) : std::uint64_t(v);
  auto [p, ec] = std::to_chars(buf, buf + sizeof buf, mag);
  std::string text(buf, p);
  if (decimals > 0) text += '.' + std::string(std::size_t(decimals), '0');
  return Place(std::move(text), v < 0, width, out);
}

bool FormatNumber(double v, int width, int decimals, std::string& out) {
  if (!std::isfinite(v)) return false;
  const double mag = std::fabs(v);
  if (mag >= std::pow(10.0, width)) return false;
  // The shortest text that reads back as v, then rounded as written: 2.675
  // becomes 2.68 as the user expects, not 2.67 from its binary value.
  char buf[1200];
  auto [p, ec] = std::to_chars(buf, buf + sizeof buf, mag, std::chars_format::fixed);
  if (ec != std::errc()) return false;
  return Place(RoundDecimal(std::string_view(buf, std::size_t(p - buf)), decimals), v < 0, width, out);
}

Usual DecodeField(const Field& f, const std::uint8_t* rec, const CodePage& cp) {
  const std::uint8_t* b = rec + f.offset;
  switch (f.type) {
    case 'C': {
      const std::string_view raw = Bytes(f, rec);
      return f.Binary() ? Usual(raw) : Usual(cp.ToUtf8(raw));
    }
    case 'N':
    case 'F': return DecodeNumeric(f, Bytes(f, rec));
    case 'D': return Usual(Date::FromDtos(Bytes(f, rec)));
    case 'L': {
      const char c = char(b[0]);
      return Usual(c == 'T' || c == 't' || c == 'Y' || c == 'y');
    }
    case 'I': return Usual(std::int64_t(LeI32(b)));
    case 'B': {
      double d;
      std::uint64_t bits = std::uint64_t(Le32(b)) | (std::uint64_t(Le32(b + 4)) << 32);
      std::memcpy(&d, &bits, sizeof d);
      return Usual::Float(d, 20, f.decimals);
    }
    case 'Y': return Usual::Float(double(LeI64(b)) / 10000.0, 20, 4);
    case 'T': return Usual(DateTimeText(LeI32(b), LeI32(b + 4)));
    default: return Usual();
  }
}

void EncodeField(const Field& f, const Usual& v, std::uint8_t* rec, const CodePage& cp, const ErrorContext& ctx) {
  std::uint8_t* b = rec + f.offset;
  switch (f.type) {
    case 'C': {
      if (!v.IsString()) TypeError(f, v, ctx, "a string");
      const std::string_view s = v.AsStringView();
      std::string bytes = f.Binary() ? std::string(s.substr(0, f.length)) : cp.FromUtf8(s, f.length);
      bytes.resize(f.length, ' ');
      std::memcpy(b, bytes.data(), f.length);
      return;
    }
    case 'N':
    case 'F': {
      std::string text;
      bool ok = false;
      if (v.IsInteger()) ok = FormatInteger(v.AsInteger(), f.length, f.decimals, text);
      else if (v.IsFloat()) ok = FormatNumber(v.AsFloat(), f.length, f.decimals, text);
      else TypeError(f, v, ctx, "a number");
      if (!ok) WidthError(f, v.IsInteger() ? ToText(v.AsInteger()) : ToText(v.AsFloat()), ctx);
      std::memcpy(b, text.data(), f.length);
      return;
    }
    case 'D': {
      if (!v.IsDate()) TypeError(f, v, ctx, "a date");
      const std::string s = v.AsDate().ToDtos();
      std::memcpy(b, s.data(), 8);
      return;
    }
    case 'L':
      if (!v.IsLogic()) TypeError(f, v, ctx, "a logical value");
      b[0] = v.AsLogic() ? 'T' : 'F';
      return;
    case 'I': {
      std::int64_t i = 0;
      if (v.IsInteger()) i = v.AsInteger();
      else if (v.IsFloat() && std::isfinite(v.AsFloat()) && std::fabs(v.AsFloat()) < 9.3e18) i = std::llround(v.AsFloat());
      else if (v.IsFloat()) WidthError(f, ToText(v.AsFloat()), ctx);
      else TypeError(f, v, ctx, "a number");
      if (i < std::numeric_limits<std::int32_t>::min() || i > std::numeric_limits<std::int32_t>::max())
        WidthError(f, ToText(i), ctx);
      PutLe32(b, std::uint32_t(std::int32_t(i)));
      return;
    }
    case 'B': {
      if (!v.IsNumeric()) TypeError(f, v, ctx, "a number");
      const double d = v.AsFloat();
      std::uint64_t bits;
      std::memcpy(&bits, &d, sizeof d);
      PutLe32(b, std::uint32_t(bits));
      PutLe32(b + 4, std::uint32_t(bits >> 32));
      return;
    }
    case 'Y': {
      if (!v.IsNumeric()) TypeError(f, v, ctx, "a number");
      std::int64_t scaled = 0;
      if (v.IsInteger()) {
        const std::int64_t i = v.AsInteger();
        if (i > std::numeric_limits<std::int64_t>::max() / 10000 || i < std::numeric_limits<std::int64_t>::min() / 10000)
          WidthError(f, ToText(i), ctx);
        scaled = i * 10000;
      } else {
        const double d = v.AsFloat() * 10000.0;
        if (!std::isfinite(d) || std::fabs(d) >= 9.2e18) WidthError(f, ToText(v.AsFloat()), ctx);
        scaled = std::llround(d);
      }
      PutLeI64(b, scaled);
      return;
    }
    case 'T': {
      std::int32_t jd = 0, ms = 0;
      if (v.IsDate()) {
        jd = v.AsDate().Julian();
      } else if (v.IsString()) {
        const std::string_view s = TrimBlank(v.AsStringView());
        if (!s.empty() && !ParseDateTime(s, jd, ms))
          Fail(ctx, gen::DataType, "field put",
               "field " + f.name + " (type T) takes a date or \"YYYY-MM-DD HH:MM:SS\", not \"" + std::string(s) + "\"");
      } else {
        TypeError(f, v, ctx, "a date or date-time text");
      }
      PutLe32(b, std::uint32_t(jd));
      PutLe32(b + 4, std::uint32_t(ms));
      return;
    }
    default:
      Fail(ctx, gen::Unsupported, "field put",
           "field " + f.name + " of type '" + std::string(1, f.type) + "' cannot be written");
  }
}

void BlankField(const Field& f, std::uint8_t* rec) {
  std::uint8_t* b = rec + f.offset;
  const bool binaryRef = f.IsMemo() && f.length == 4;
  const bool binary = f.type == 'I' || f.type == 'Y' || f.type == 'T' || (f.type == 'B' && !f.IsMemo()) ||
                      f.type == '0' || binaryRef;
  std::memset(b, binary ? 0 : ' ', f.length);
}

std::uint32_t DecodeMemoRef(const Field& f, const std::uint8_t* rec, const ErrorContext& ctx) {
  const std::uint8_t* b = rec + f.offset;
  if (f.length == 4) return Le32(b);
  const std::string_view s = TrimBlank(Bytes(f, rec));
  if (s.empty()) return 0;
  std::uint64_t n = 0;
  for (char c : s) {
    if (!IsDigit(c) || n > 0xFFFFFFFFull)
      Fail(ctx, gen::Corruption, "memo read",
           "field " + f.name + " holds \"" + std::string(s) + "\", which is not a memo block number");
    n = n * 10 + std::uint64_t(c - '0');
  }
  if (n > 0xFFFFFFFFull)
    Fail(ctx, gen::Corruption, "memo read", "field " + f.name + " holds memo block " + std::string(s) + ", beyond any memo file");
  return std::uint32_t(n);
}

void EncodeMemoRef(const Field& f, std::uint32_t block, std::uint8_t* rec) {
  std::uint8_t* b = rec + f.offset;
  if (f.length == 4) {
    PutLe32(b, block);
    return;
  }
  std::memset(b, ' ', f.length);
  if (block == 0) return;
  const std::string s = ToText(block);
  if (s.size() <= f.length) std::memcpy(b + f.length - s.size(), s.data(), s.size());
}

std::string FieldProblem(const Field& f, const std::uint8_t* rec) {
  const std::string_view raw = Bytes(f, rec);
  const std::string_view s = TrimBlank(raw);
  switch (f.type) {
    case 'N':
    case 'F': {
      if (s.empty()) return {};
      std::size_t i = 0;
      if (s[0] == '-' || s[0] == '+') ++i;
      bool digits = false, dot = false;
      for (; i < s.size(); ++i) {
        if (IsDigit(s[i])) digits = true;
        else if (s[i] == '.' && !dot) dot = true;
        else return "holds \"" + std::string(s) + "\", which is not a number";
      }
      if (!digits) return "holds \"" + std::string(s) + "\", which is not a number";
      return {};
    }
    case 'D':
      if (s.empty()) return {};
      if (Date::FromDtos(raw).IsEmpty()) return "holds \"" + std::string(raw) + "\", which is not a date";
      return {};
    case 'L':
      if (std::string_view("TtYyFfNn? ").find(raw[0]) == std::string_view::npos && raw[0] != '\0')
        return "holds \"" + std::string(raw) + "\", which is not a logical value";
      return {};
    default: return {};
  }
}

}  // namespace kt::dbf
