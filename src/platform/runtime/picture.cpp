#include "platform/runtime/picture.h"

#include "platform/runtime/convert.h"
#include "platform/runtime/text.h"

namespace kt {
namespace {

struct Picture {
  bool upper = false;
  bool blankZero = false;
  bool leftAlign = false;
  bool insertLiterals = false;
  std::string_view mask;
};

Picture Parse(std::string_view p) {
  Picture pic;
  if (p.empty() || p[0] != '@') {
    pic.mask = p;
    return pic;
  }
  const std::size_t space = p.find(' ');
  const std::string_view functions = p.substr(1, space == std::string_view::npos ? std::string_view::npos : space - 1);
  for (char c : functions) {
    switch (c) {
      case '!': pic.upper = true; break;
      case 'Z': case 'z': pic.blankZero = true; break;
      case 'B': case 'b': pic.leftAlign = true; break;
      case 'R': case 'r': pic.insertLiterals = true; break;
      default: break;
    }
  }
  pic.mask = space == std::string_view::npos ? std::string_view() : p.substr(space + 1);
  return pic;
}

bool IsDigitSlot(char c) { return c == '9' || c == '#'; }

bool IsCharSlot(char32_t c) {
  return c == '9' || c == '#' || c == 'X' || c == 'x' || c == 'A' || c == 'N' || c == 'L' || c == 'Y' || c == '!';
}

// Leading blanks move to the end.
std::string LeftAligned(const std::string& s) {
  const std::string_view trimmed = text::TrimLeft(s);
  return std::string(trimmed) + std::string(s.size() - trimmed.size(), ' ');
}

std::string Stars(std::string_view mask) { return std::string(text::Length(mask), '*'); }

// `plain`: the number's text without a template; null for its full text.
std::string FormatNumber(const Usual& v, const Picture& pic, const std::string_view* plain) {
  const bool zero = v.AsFloat() == 0.0;
  if (pic.mask.empty()) {
    const std::string s = plain ? std::string(*plain) : NTrim(v);
    if (pic.blankZero && zero) return std::string(text::Length(s), ' ');
    return pic.leftAlign ? LeftAligned(s) : s;
  }
  const std::string_view m = pic.mask;
  if (pic.blankZero && zero) return std::string(text::Length(m), ' ');
  const std::size_t point = m.find('.');
  const std::string_view intMask = m.substr(0, point);
  const std::string_view fracMask = point == std::string_view::npos ? std::string_view() : m.substr(point + 1);
  int fracSlots = 0;
  for (char c : fracMask) fracSlots += IsDigitSlot(c);

  const std::string digits = NumberText(v, fracSlots);
  if (digits.empty()) return Stars(m);
  const bool negative = digits[0] == '-';
  const std::string_view body = std::string_view(digits).substr(negative ? 1 : 0);
  const std::size_t dot = body.find('.');
  const std::string_view intDigits = body.substr(0, dot);
  const std::string_view fracDigits = dot == std::string_view::npos ? std::string_view() : body.substr(dot + 1);

  // Integer part from the right; the sign takes the first free digit or
  // separator position left of the digits.
  std::string intOut(intMask);
  std::size_t k = intDigits.size();
  bool signPlaced = !negative;
  for (std::size_t i = intMask.size(); i-- > 0;) {
    const char c = intMask[i];
    if (!IsDigitSlot(c) && c != ',') continue;  // a literal stays
    if (k > 0) {
      intOut[i] = IsDigitSlot(c) ? intDigits[--k] : ',';
    } else if (!signPlaced) {
      intOut[i] = '-';
      signPlaced = true;
    } else {
      intOut[i] = ' ';
    }
  }
  if (k > 0 || !signPlaced) return Stars(m);
  std::string out = intOut;
  if (point != std::string_view::npos) {
    out += '.';
    std::size_t f = 0;
    for (char c : fracMask) out += IsDigitSlot(c) ? (f < fracDigits.size() ? fracDigits[f++] : '0') : c;
  }
  return pic.leftAlign ? LeftAligned(out) : out;
}

std::string FormatString(std::string_view s, const Picture& pic) {
  const std::string src = pic.upper ? text::Upper(s) : std::string(s);
  if (pic.mask.empty()) return src;
  std::string out;
  std::size_t sp = 0;
  for (std::size_t mp = 0; mp < pic.mask.size();) {
    const char32_t m = text::Decode(pic.mask, mp);
    if (!IsCharSlot(m)) {
      text::AppendUtf8(out, m);
      // Without @R the literal stands where a character of the value was.
      if (!pic.insertLiterals && sp < src.size()) text::Decode(src, sp);
      continue;
    }
    if (sp >= src.size()) {
      out += ' ';
      continue;
    }
    const std::size_t from = sp;
    text::Decode(src, sp);
    const std::string_view ch = std::string_view(src).substr(from, sp - from);
    if (m == '!') out += text::Upper(ch);
    else out.append(ch);
  }
  return out;
}

std::string ApplyPicture(const Usual& value, std::string_view picture, const std::string_view* plain) {
  const Picture pic = Parse(picture);
  switch (value.Type()) {
    case UsualType::Integer:
    case UsualType::Float: return FormatNumber(value, pic, plain);
    case UsualType::String: return FormatString(value.AsStringView(), pic);
    case UsualType::Logic:
      if (!pic.mask.empty() && (pic.mask[0] == 'Y' || pic.mask[0] == 'y')) return value.AsLogic() ? "Y" : "N";
      return AsString(value);
    case UsualType::Nil: return std::string();
    default: return AsString(value);
  }
}

}  // namespace

std::string TransformPicture(const Usual& value, std::string_view picture) {
  return ApplyPicture(value, picture, nullptr);
}

std::string TransformPicture(const Usual& value, std::string_view picture, std::string_view plain) {
  return ApplyPicture(value, picture, &plain);
}

}  // namespace kt
