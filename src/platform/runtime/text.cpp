#include "platform/runtime/text.h"

namespace kt::text {

char32_t Decode(std::string_view s, std::size_t& pos) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  if (b0 < 0x80) {
    ++pos;
    return b0;
  }
  const int extra = (b0 >= 0xC2 && b0 <= 0xDF) ? 1 : (b0 >= 0xE0 && b0 <= 0xEF) ? 2 : (b0 >= 0xF0 && b0 <= 0xF4) ? 3 : -1;
  if (extra < 0 || pos + std::size_t(extra) >= s.size()) {
    ++pos;
    return 0xFFFD;
  }
  char32_t cp = b0 & (0x3F >> extra);
  for (int i = 1; i <= extra; ++i) {
    const auto b = static_cast<unsigned char>(s[pos + std::size_t(i)]);
    if ((b & 0xC0) != 0x80) {
      ++pos;
      return 0xFFFD;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  pos += std::size_t(extra) + 1;
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

namespace {

bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::size_t Length(std::string_view s) {
  std::size_t n = 0;
  for (std::size_t pos = 0; pos < s.size(); ++n) Decode(s, pos);
  return n;
}

std::size_t ByteOffset(std::string_view s, std::size_t chars) {
  if (IsAscii(s)) return chars < s.size() ? chars : s.size();
  std::size_t pos = 0;
  for (std::size_t i = 0; i < chars && pos < s.size(); ++i) Decode(s, pos);
  return pos;
}

std::string_view Sub(std::string_view s, std::size_t start, std::size_t count) {
  const std::size_t from = ByteOffset(s, start);
  if (count == std::string_view::npos) return s.substr(from);
  const std::size_t to = from + ByteOffset(s.substr(from), count);
  return s.substr(from, to - from);
}

std::string_view Left(std::string_view s, std::size_t count) { return s.substr(0, ByteOffset(s, count)); }

std::string_view Right(std::string_view s, std::size_t count) {
  const std::size_t len = Length(s);
  return count >= len ? s : Sub(s, len - count);
}

std::string_view TrimRight(std::string_view s) {
  std::size_t end = s.size();
  while (end > 0 && s[end - 1] == ' ') --end;
  return s.substr(0, end);
}

std::string_view TrimLeft(std::string_view s) {
  std::size_t begin = 0;
  while (begin < s.size() && IsBlank(s[begin])) ++begin;
  return s.substr(begin);
}

std::string_view Trim(std::string_view s) {
  s = TrimLeft(s);
  std::size_t end = s.size();
  while (end > 0 && IsBlank(s[end - 1])) --end;
  return s.substr(0, end);
}

namespace {

template <bool ToUpper>
std::string ChangeCase(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t pos = 0; pos < s.size();) {
    const auto b = static_cast<unsigned char>(s[pos]);
    if (b < 0x80) {
      char c = char(b);
      if (ToUpper && c >= 'a' && c <= 'z') c = char(c - 32);
      if (!ToUpper && c >= 'A' && c <= 'Z') c = char(c + 32);
      out += c;
      ++pos;
      continue;
    }
    const std::size_t start = pos;
    char32_t cp = Decode(s, pos);
    if (cp == 0xFFFD) {  // keep malformed bytes as they are
      out.append(s.substr(start, pos - start));
      continue;
    }
    // Latin-1 letters: a-grave .. thorn map by 0x20, except the division and
    // multiplication signs; y-diaeresis and sharp s have no single-letter pair here.
    if (ToUpper && cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) cp -= 0x20;
    else if (!ToUpper && cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) cp += 0x20;
    AppendUtf8(out, cp);
  }
  return out;
}

std::size_t Width(std::string_view s) { return Length(s); }

}  // namespace

std::string Upper(std::string_view s) { return ChangeCase<true>(s); }
std::string Lower(std::string_view s) { return ChangeCase<false>(s); }

std::string PadRight(std::string_view s, std::size_t width, char32_t fill) {
  const std::size_t len = Width(s);
  if (len >= width) return std::string(Left(s, width));
  std::string out(s);
  for (std::size_t i = len; i < width; ++i) AppendUtf8(out, fill);
  return out;
}

std::string PadLeft(std::string_view s, std::size_t width, char32_t fill) {
  const std::size_t len = Width(s);
  if (len >= width) return std::string(Left(s, width));
  std::string out;
  for (std::size_t i = len; i < width; ++i) AppendUtf8(out, fill);
  out.append(s);
  return out;
}

std::string PadCenter(std::string_view s, std::size_t width, char32_t fill) {
  const std::size_t len = Width(s);
  if (len >= width) return std::string(Left(s, width));
  const std::size_t left = (width - len) / 2;
  std::string out;
  for (std::size_t i = 0; i < left; ++i) AppendUtf8(out, fill);
  out.append(s);
  for (std::size_t i = left + len; i < width; ++i) AppendUtf8(out, fill);
  return out;
}

std::size_t At(std::string_view needle, std::string_view hay) {
  if (needle.empty()) return 0;
  const std::size_t byte = hay.find(needle);
  if (byte == std::string_view::npos) return 0;
  return Length(hay.substr(0, byte)) + 1;
}

std::string Replace(std::string_view s, std::string_view what, std::string_view with) {
  if (what.empty()) return std::string(s);
  std::string out;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t hit = s.find(what, pos);
    if (hit == std::string_view::npos) break;
    out.append(s.substr(pos, hit - pos));
    out.append(with);
    pos = hit + what.size();
  }
  out.append(s.substr(pos));
  return out;
}

std::string Repeat(std::string_view s, std::size_t times) {
  std::string out;
  out.reserve(s.size() * times);
  for (std::size_t i = 0; i < times; ++i) out.append(s);
  return out;
}

}  // namespace kt::text
