#include "platform/db/ntx/ntx_key.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/runtime/error.h"
#include "platform/runtime/numtext.h"

namespace kt::ntx {

namespace {

[[noreturn]] void TypeError(const std::string& what) {
  ErrorRef e = MakeError(gen::DataType, "key", what);
  e->SubSystem = "DBFNTX";
  throw RuntimeError(std::move(e));
}

// Decimal text of a magnitude split into integer digits and fraction digits,
// rounded half away from zero at `decimals`.
struct Decimal {
  bool negative = false;
  std::string intDigits;   // no leading zeros, "0" for zero
  std::string fracDigits;  // exactly `decimals` digits
};

Decimal RoundText(std::string_view text, int decimals) {
  Decimal d;
  if (!text.empty() && text[0] == '-') {
    d.negative = true;
    text.remove_prefix(1);
  }
  std::size_t dot = text.find('.');
  std::string ip(text.substr(0, dot));
  std::string fp(dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1));
  bool roundUp = fp.size() > std::size_t(decimals) && fp[std::size_t(decimals)] >= '5';
  fp.resize(std::size_t(decimals), '0');
  if (roundUp) {
    std::string all = ip + fp;
    int i = int(all.size()) - 1;
    while (i >= 0 && all[std::size_t(i)] == '9') all[std::size_t(i--)] = '0';
    if (i < 0) {
      all.insert(all.begin(), '1');
      ip.insert(ip.begin(), '0');  // one more integer digit
    } else {
      ++all[std::size_t(i)];
    }
    ip = all.substr(0, ip.size());
    fp = all.substr(ip.size());
  }
  std::size_t nz = ip.find_first_not_of('0');
  ip = nz == std::string::npos ? "0" : ip.substr(nz);
  d.intDigits = ip;
  d.fracDigits = fp;
  if (ip == "0" && fp.find_first_not_of('0') == std::string::npos) d.negative = false;  // no "-0"
  return d;
}

// Right-aligned text like Str(); empty when it does not fit.
std::string Layout(const Decimal& d, int size, int decimals) {
  std::string body = d.negative ? "-" : "";
  body += d.intDigits;
  if (decimals > 0) body += "." + d.fracDigits;
  if (int(body.size()) > size) return {};
  return std::string(std::size_t(size) - body.size(), ' ') + body;
}

// Largest magnitude the width holds, as text (e.g. "999.99", "-99.99").
std::string Extreme(bool negative, int size, int decimals) {
  int intWidth = size - (decimals > 0 ? decimals + 1 : 0) - (negative ? 1 : 0);
  if (intWidth < 0) intWidth = 0;
  std::string s = negative ? "-" : "";
  s += intWidth > 0 ? std::string(std::size_t(intWidth), '9') : "";
  if (decimals > 0) s += "." + std::string(std::size_t(decimals), '9');
  if (int(s.size()) < size) s.insert(0, std::size_t(size) - s.size(), ' ');
  return s.substr(0, std::size_t(size));
}

// Makes Str()-like text sort byte-wise in numeric order.
std::string Sortable(std::string s) {
  bool negative = s.find('-') != std::string::npos;
  for (char& c : s) {
    if (c == ' ' || c == '-') c = '0';
  }
  if (negative) {
    for (char& c : s) {
      if (c >= '0' && c <= '9') c = char(0x2C - (c - '0'));
    }
  }
  return s;
}

std::string EncodeText(std::string_view text, int size, int decimals) {
  Decimal d = RoundText(text, decimals);
  std::string laid = Layout(d, size, decimals);
  if (laid.empty()) laid = Extreme(d.negative, size, decimals);
  return Sortable(std::move(laid));
}

}  // namespace

std::string EncodeNumber(double v, int size, int decimals) {
  if (std::isnan(v)) v = 0;
  if (std::isinf(v)) return Sortable(Extreme(v < 0, size, decimals));
  // Shortest text that reads back as v, so 1.005 rounds like the user wrote it.
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
  if (r.ec != std::errc()) return Sortable(Extreme(v < 0, size, decimals));
  return EncodeText(std::string_view(buf, std::size_t(r.ptr - buf)), size, decimals);
}

std::string EncodeInteger(long long v, int size, int decimals) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return EncodeText(std::string_view(buf, std::size_t(r.ptr - buf)), size, decimals);
}

bool DecodeNumber(std::string_view bytes, double& out) {
  if (bytes.empty()) return false;
  bool negative = false;
  for (char c : bytes) {
    if (c != '.' && c >= 0x23 && c <= 0x2C) negative = true;
  }
  std::string text;
  text.reserve(bytes.size() + 1);
  if (negative) text += '-';
  for (char c : bytes) {
    if (c == '.') {
      text += c;
    } else if (negative && c >= 0x23 && c <= 0x2C) {
      text += char('0' + (0x2C - c));
    } else if (!negative && c >= '0' && c <= '9') {
      text += c;
    } else {
      return false;
    }
  }
  return ParseDouble(text, out);
}

KeySpec KeySpecFor(const Usual& v) {
  KeySpec s;
  switch (v.Type()) {
    case UsualType::String:
      s.type = 'C';
      s.size = int(v.AsStringView().size());
      break;
    case UsualType::Date:
      s.type = 'D';
      s.size = 8;
      break;
    case UsualType::Logic:
      s.type = 'L';
      s.size = 1;
      break;
    case UsualType::Integer:
      // A field's integer carries the field's width; a computed one has 10 digits.
      s.type = 'N';
      s.size = v.Digits() != Usual::kDefaultFormat && v.Digits() > 0 ? v.Digits() : 10;
      break;
    case UsualType::Float:
      s.type = 'N';
      if (v.Digits() != Usual::kDefaultFormat && v.Digits() > 0) {
        s.size = v.Digits();
        s.decimals = v.Decimals() == Usual::kDefaultFormat ? 0 : v.Decimals();
      } else {
        s.decimals = v.Decimals() == Usual::kDefaultFormat ? 2 : v.Decimals();
        s.size = 10 + (s.decimals > 0 ? s.decimals + 1 : 0);
      }
      break;
    default:
      TypeError(std::string("a value of type ") + v.TypeLetter() + " cannot be an index key");
  }
  if (s.size < 1 || s.size > 256) {
    ErrorRef e = MakeError(gen::DataWidth, "key", "key length " + ToText(s.size) + " outside 1..256");
    e->SubSystem = "DBFNTX";
    throw RuntimeError(std::move(e));
  }
  return s;
}

std::string EncodeKey(const Usual& v, const KeySpec& spec) {
  const std::size_t size = std::size_t(spec.size);
  switch (spec.type) {
    case 'C': {
      if (!v.IsString()) break;
      std::string_view s = v.AsStringView();
      std::string key(s.substr(0, size));
      key.resize(size, ' ');
      return key;
    }
    case 'N':
      if (v.IsInteger()) return EncodeInteger(v.AsInteger(), spec.size, spec.decimals);
      if (v.IsFloat()) return EncodeNumber(v.AsFloat(), spec.size, spec.decimals);
      break;
    case 'D': {
      if (!v.IsDate()) break;
      std::string key = v.AsDate().ToDtos();
      key.resize(size, ' ');
      return key;
    }
    case 'L': {
      if (!v.IsLogic()) break;
      std::string key(1, v.AsLogic() ? 'T' : 'F');
      key.resize(size, ' ');
      return key;
    }
    default:
      TypeError(std::string("unknown key type '") + spec.type + "'");
  }
  TypeError(std::string("key value of type ") + v.TypeLetter() + " for an order of type " + spec.type);
}

Usual DecodeKey(std::string_view bytes, const KeySpec& spec) {
  switch (spec.type) {
    case 'N': {
      double d = 0;
      if (!DecodeNumber(bytes, d)) d = 0;
      return Usual::Float(d, spec.size, spec.decimals);
    }
    case 'D':
      return Usual(Date::FromDtos(bytes.substr(0, 8)));
    case 'L':
      return Usual(!bytes.empty() && (bytes[0] == 'T' || bytes[0] == 't' || bytes[0] == 'Y' || bytes[0] == 'y'));
    default:
      return Usual(bytes);
  }
}

}  // namespace kt::ntx
