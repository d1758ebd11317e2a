#pragma once
// Argument checks shared by the style classes: object arguments of a
// given class, brushes given as a colour, integers of any size.
#include <climits>
#include <cstdint>
#include <string>

#include "platform/gui/brush.h"
#include "platform/runtime/error.h"

namespace kt {

inline int ClampInt(std::int64_t v) { return v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : int(v); }

// NIL gives null; an object of class T gives it; anything else raises an
// argument error and gives `fallback` (the value to keep).
template <class T>
Ref<T> ObjectArg(const Usual& v, const char* operation, const char* expected, Ref<T> fallback = nullptr) {
  if (v.IsNil()) return nullptr;
  if (T* t = dynamic_cast<T*>(v.AsObject())) return Ref<T>(t);
  RaiseError(gen::Arg, operation, std::string(expected) + " object expected, got " + v.TypeLetter());
  return fallback;
}

// As ObjectArg for brushes; a Color is taken as a solid brush of it.
inline Ref<Brush> BrushArg(const Usual& v, const char* operation, Ref<Brush> fallback = nullptr) {
  if (auto* c = dynamic_cast<Color*>(v.AsObject())) return New<Brush>(*c);
  return ObjectArg<Brush>(v, operation, "Brush", std::move(fallback));
}

}  // namespace kt
