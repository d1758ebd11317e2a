#include "platform/db/fieldspec.h"

#include <algorithm>
#include <cmath>

#include "platform/runtime/convert.h"
#include "platform/runtime/numtext.h"
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

// A number in the field's width and decimals. Str covers every width and
// decimals a structure can declare; a FieldSpec stretched beyond that by hand
// is held to the limits rather than raising on every display.
std::string FieldSpec::FieldStr(const Usual& value) const {
  return Str(value, Usual(std::min(length_, kMaxStrWidth)), Usual(std::min(decimals_, kMaxStrDecimals)));
}

std::string FieldSpec::NumberShown(const Usual& value) const {
  if (type_ == "N" && length_ > 0) return std::string(text::TrimLeft(FieldStr(value)));
  return NTrim(value);
}

std::string FieldSpec::Transform(const Usual& value) const {
  if (!picture_.empty()) {
    // A picture of functions only keeps the number's own text.
    if (value.IsNumeric()) return TransformPicture(value, picture_, NumberShown(value));
    return TransformPicture(value, picture_);
  }
  switch (value.Type()) {
    case UsualType::Integer:
    case UsualType::Float: return NumberShown(value);
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
      if (t == 'N' && length_ > 0 && FieldStr(value).find('*') != std::string::npos)
        return fail("Number does not fit " + ToText(length_) + "," + ToText(decimals_));
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

}  // namespace kt
