#include "platform/db/fieldspec.h"

#include <cmath>

#include "platform/runtime/convert.h"
#include "platform/runtime/text.h"

namespace kt {

FieldSpec::FieldSpec(Symbol name, std::string type, int length, int decimals)
    : label_(New<HyperLabel>(name)), type_(std::move(type)), length_(length < 0 ? 0 : length),
      decimals_(decimals < 0 ? 0 : decimals) {
  if (type_.empty()) type_ = "C";
  type_ = text::Upper(type_.substr(0, 1));
}

const ClassInfo& FieldSpec::StaticClass() {
  static ClassInfo info("FieldSpec", &Object::StaticClass());
  static const bool registered = [] {
    info.Access<FieldSpec>("NameSym", [](FieldSpec& f) { return Usual(f.NameSym()); });
    info.Access<FieldSpec>("HyperLabel", [](FieldSpec& f) { return Usual(f.Label()); });
    info.Access<FieldSpec>("ValType", [](FieldSpec& f) { return Usual(f.ValType()); });
    info.Access<FieldSpec>("UsualType", [](FieldSpec& f) { return Usual(f.ValType()); });
    info.Access<FieldSpec>("Length", [](FieldSpec& f) { return Usual(f.Length()); });
    info.Access<FieldSpec>("Decimals", [](FieldSpec& f) { return Usual(f.Decimals()); });
    info.Access<FieldSpec>("Picture", [](FieldSpec& f) { return Usual(f.Picture()); });
    info.Assign<FieldSpec>("Picture", [](FieldSpec& f, const Usual& v) { f.Picture(std::string(v.AsStringView())); });
    info.Access<FieldSpec>("Status", [](FieldSpec& f) { return Usual(f.Status()); });
    info.Method<FieldSpec>("Transform", [](FieldSpec& f, Args a) { return Usual(f.Transform(a.empty() ? NIL : a[0])); });
    info.Method<FieldSpec>("Validate", [](FieldSpec& f, Args a) { return Usual(f.Validate(a.empty() ? NIL : a[0])); });
    info.Method<FieldSpec>("SetType", [](FieldSpec& f, Args a) {
      if (!a.empty() && a[0].IsString()) f.SetType(std::string(a[0].AsStringView()));
      return Usual();
    });
    info.Method<FieldSpec>("SetLength", [](FieldSpec& f, Args a) {
      if (!a.empty()) f.SetLength(int(a[0].AsInteger()), a.size() > 1 && a[1].IsNumeric() ? int(a[1].AsInteger()) : -1);
      return Usual();
    });
    return true;
  }();
  (void)registered;
  return info;
}

void FieldSpec::SetLength(int length, int decimals) {
  length_ = length < 0 ? 0 : length;
  if (decimals >= 0) decimals_ = decimals;
}

std::string FieldSpec::Transform(const Usual& value) const {
  if (!picture_.empty()) return TransformPicture(value, picture_);
  switch (value.Type()) {
    case UsualType::Integer:
    case UsualType::Float:
      if (type_ == "N" && length_ > 0) return std::string(text::TrimLeft(Str(value, length_, decimals_)));
      return NTrim(value);
    case UsualType::String: return std::string(text::TrimRight(value.AsStringView()));
    case UsualType::Nil: return std::string();
    default: return AsString(value);
  }
}

bool FieldSpec::Validate(const Usual& value) {
  status_ = nullptr;
  auto fail = [this](std::string why) {
    status_ = New<HyperLabel>(Symbol("FIELDSPEC"), "", NameSym().Name() + ": " + why);
    return false;
  };
  if (Required && Empty(value)) return fail("Value required");
  if (value.IsNil()) return true;  // NIL stands for "no value" and is not typed
  const char t = type_[0];
  switch (t) {
    case 'C':
    case 'M':
      if (!value.IsString()) return fail(std::string("Character value expected, got ") + value.TypeLetter());
      break;
    case 'N':
    case 'F':
    case 'I':
    case 'Y':
    case 'B':
      if (!value.IsNumeric()) return fail(std::string("Numeric value expected, got ") + value.TypeLetter());
      if (!std::isfinite(value.AsFloat())) return fail("Number is not finite");
      if (t == 'N' && length_ > 0 && Str(value, length_, decimals_).find('*') != std::string::npos)
        return fail("Number does not fit " + std::to_string(length_) + "," + std::to_string(decimals_));
      break;
    case 'D':
      if (!value.IsDate()) return fail(std::string("Date value expected, got ") + value.TypeLetter());
      break;
    case 'L':
      if (!value.IsLogic()) return fail(std::string("Logical value expected, got ") + value.TypeLetter());
      break;
    default:
      break;
  }
  return true;
}

namespace {

std::string TransformNumber(const Usual& value, std::string_view templ, bool blankZero, bool leftAlign) {
  const double v = value.AsFloat();
  if (blankZero && v == 0.0) return std::string(templ.empty() ? std::size_t(10) : templ.size(), ' ');
  if (templ.empty()) {
    const std::string s = Str(value);
    return leftAlign ? std::string(text::TrimLeft(s)) + std::string(s.size() - text::TrimLeft(s).size(), ' ') : s;
  }
  // Digits go into the 9/# positions; separators stay where a digit precedes them.
  const std::size_t point = templ.find('.');
  int decimals = 0;
  int intSlots = 0;
  for (std::size_t i = 0; i < templ.size(); ++i) {
    if (templ[i] != '9' && templ[i] != '#') continue;
    if (point != std::string_view::npos && i > point) ++decimals;
    else ++intSlots;
  }
  std::string digits = Str(Usual(std::fabs(v)), Usual(64), Usual(decimals));
  digits = std::string(text::TrimLeft(digits));
  const std::size_t dot = digits.find('.');
  std::string intPart = digits.substr(0, dot);
  std::string fracPart = dot == std::string::npos ? std::string() : digits.substr(dot + 1);
  if (v < 0) intPart = "-" + intPart;
  if (int(intPart.size()) > intSlots) return std::string(templ.size(), '*');
  std::string out(templ);
  // Integer part, right to left.
  const std::size_t intEnd = point == std::string_view::npos ? templ.size() : point;
  int k = int(intPart.size()) - 1;
  for (std::size_t i = intEnd; i-- > 0;) {
    const char c = templ[i];
    if (c == '9' || c == '#') {
      out[i] = k >= 0 ? intPart[std::size_t(k--)] : ' ';
    } else if (c == ',') {
      out[i] = k >= 0 ? ',' : ' ';
    }
  }
  std::size_t f = 0;
  for (std::size_t i = intEnd + 1; i < templ.size() && point != std::string_view::npos; ++i)
    if (templ[i] == '9' || templ[i] == '#') out[i] = f < fracPart.size() ? fracPart[f++] : '0';
  if (leftAlign) {
    const auto trimmed = text::TrimLeft(out);
    out = std::string(trimmed) + std::string(out.size() - trimmed.size(), ' ');
  }
  return out;
}

// Template literals are inserted between the characters (as with @R).
std::string TransformString(std::string_view s, std::string_view templ, bool upper) {
  std::string src = upper ? text::Upper(s) : std::string(s);
  if (templ.empty()) return src;
  std::string out;
  std::size_t pos = 0;
  for (char c : templ) {
    const bool slot = c == '9' || c == '#' || c == 'A' || c == 'N' || c == 'X' || c == '!' || c == 'L' || c == 'Y';
    if (!slot) {
      out += c;
      continue;
    }
    if (pos >= src.size()) {
      out += ' ';
      continue;
    }
    const std::size_t start = pos;
    text::Decode(src, pos);
    std::string ch = src.substr(start, pos - start);
    if (c == '!') ch = text::Upper(ch);
    out += ch;
  }
  return out;
}

}  // namespace

std::string TransformPicture(const Usual& value, std::string_view picture) {
  bool upper = false, blankZero = false, leftAlign = false;
  std::string_view templ = picture;
  if (!picture.empty() && picture[0] == '@') {
    const std::size_t space = picture.find(' ');
    const std::string_view functions = picture.substr(1, space == std::string_view::npos ? picture.npos : space - 1);
    templ = space == std::string_view::npos ? std::string_view() : picture.substr(space + 1);
    for (char c : functions) {
      switch (c) {
        case '!': upper = true; break;
        case 'Z': case 'z': blankZero = true; break;
        case 'B': case 'b': leftAlign = true; break;
        default: break;
      }
    }
  }
  switch (value.Type()) {
    case UsualType::Integer:
    case UsualType::Float: return TransformNumber(value, templ, blankZero, leftAlign);
    case UsualType::String: return TransformString(value.AsStringView(), templ, upper);
    case UsualType::Nil: return std::string();
    default: return AsString(value);
  }
}

}  // namespace kt
