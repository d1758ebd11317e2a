#include "platform/runtime/numtext.h"

#include <charconv>
#include <cmath>

namespace kt {

std::string IntegerText(std::int64_t v) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string UnsignedText(std::uint64_t v) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string ToText(double v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string FixedText(double v, int decimals) {
  if (!std::isfinite(v)) return ToText(v);
  if (decimals < 0) decimals = 0;
  // The largest double has 309 integer digits.
  std::string buf(std::size_t(decimals) + 330, '\0');
  const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::fixed, decimals);
  buf.resize(r.ec == std::errc() ? std::size_t(r.ptr - buf.data()) : 0);
  return buf;
}

std::string ZeroPadded(std::int64_t v, int width) {
  std::string digits = UnsignedText(v < 0 ? std::uint64_t(0) - std::uint64_t(v) : std::uint64_t(v));
  if (int(digits.size()) < width) digits.insert(0, std::size_t(width) - digits.size(), '0');
  return v < 0 ? "-" + digits : digits;
}

std::string HexText(std::uint64_t v, int width) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, 16);
  std::string s(buf, r.ptr);
  for (char& c : s)
    if (c >= 'a' && c <= 'f') c = char(c - 'a' + 'A');
  if (int(s.size()) < width) s.insert(0, std::size_t(width) - s.size(), '0');
  return s;
}

bool ParseInteger(std::string_view text, std::int64_t& out) {
  if (text.empty()) return false;
  std::int64_t v = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return false;
  out = v;
  return true;
}

bool ParseDouble(std::string_view text, double& out) {
  if (text.empty()) return false;
  double v = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return false;
  out = v;
  return true;
}

}  // namespace kt
