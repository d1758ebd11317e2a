#include "platform/runtime/usual.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/runtime/array.h"
#include "platform/runtime/codeblock.h"
#include "platform/runtime/object.h"

namespace kt {

// Heap storage of strings longer than the inline buffer; immutable once built.
struct StringRep {
  int refs;
  std::uint32_t size;
  char data[1];
};

namespace {

constexpr std::uint8_t kHeapString = 0xFF;
constexpr std::size_t kInline = 8;

StringRep* NewStringRep(std::string_view s) {
  void* mem = std::malloc(offsetof(StringRep, data) + s.size() + 1);
  if (!mem) throw std::bad_alloc();
  auto* rep = static_cast<StringRep*>(mem);
  rep->refs = 1;
  rep->size = static_cast<std::uint32_t>(s.size());
  std::memcpy(rep->data, s.data(), s.size());
  rep->data[s.size()] = '\0';
  return rep;
}

}  // namespace

const Usual NIL;

Usual::Usual(std::string_view s) : type_(UsualType::String) {
  bits_ = 0;
  if (s.size() <= kInline) {
    std::memcpy(inline_, s.data(), s.size());
    a1_ = static_cast<std::uint8_t>(s.size());
  } else {
    s_ = NewStringRep(s);
    a1_ = kHeapString;
  }
}

Usual::Usual(const Array& a) noexcept : type_(UsualType::Array) {
  p_ = a.Rep();
  a.Rep()->AddRef();
}

Usual::Usual(const Codeblock& b) noexcept {
  if (!b.Impl()) {
    bits_ = 0;
    return;
  }
  type_ = UsualType::Codeblock;
  p_ = b.Impl();
  b.Impl()->AddRef();
}

Usual::Usual(Object* o) noexcept {
  if (!o) {
    bits_ = 0;
    return;  // a null object is NIL
  }
  type_ = UsualType::Object;
  p_ = o;
  o->AddRef();
}

namespace {

// Widths and decimals fit a byte; kDefaultFormat passes through unchanged.
std::uint8_t FormatByte(int n) {
  if (n == Usual::kDefaultFormat) return Usual::kDefaultFormat;
  return static_cast<std::uint8_t>(n < 0 ? 0 : n > 254 ? 254 : n);
}

}  // namespace

Usual Usual::Float(double v, int digits, int decimals) noexcept {
  Usual u(v);
  u.a1_ = FormatByte(digits);
  u.a2_ = FormatByte(decimals);
  return u;
}

Usual Usual::Integer(std::int64_t v, int digits) noexcept {
  Usual u(static_cast<long long>(v));
  const std::uint8_t d = FormatByte(digits);
  u.a1_ = d == kDefaultFormat ? 0 : d;
  return u;
}

void Usual::Retain() const noexcept {
  if (type_ == UsualType::String) {
    if (a1_ == kHeapString) ++s_->refs;
  } else if (type_ == UsualType::Array) static_cast<const ArrayRep*>(p_)->AddRef();
  else if (type_ == UsualType::Object) static_cast<const Object*>(p_)->AddRef();
  else if (type_ == UsualType::Codeblock) static_cast<const CodeblockImpl*>(p_)->AddRef();
}

void Usual::ReleaseShared() noexcept {
  switch (type_) {
    case UsualType::String:
      if (a1_ == kHeapString && --s_->refs == 0) std::free(s_);
      break;
    case UsualType::Array:
      static_cast<const ArrayRep*>(p_)->Release();
      break;
    case UsualType::Object:
      static_cast<const Object*>(p_)->Release();
      break;
    case UsualType::Codeblock:
      static_cast<const CodeblockImpl*>(p_)->Release();
      break;
    default:
      break;
  }
}

Usual& Usual::operator=(const Usual& o) noexcept {
  if (this != &o) {
    o.Retain();
    if (type_ >= UsualType::String) ReleaseShared();
    bits_ = o.bits_;
    type_ = o.type_;
    a1_ = o.a1_;
    a2_ = o.a2_;
  }
  return *this;
}

Usual& Usual::operator=(Usual&& o) noexcept {
  if (this != &o) {
    if (type_ >= UsualType::String) ReleaseShared();
    bits_ = o.bits_;
    type_ = o.type_;
    a1_ = o.a1_;
    a2_ = o.a2_;
    o.type_ = UsualType::Nil;
  }
  return *this;
}

const char* Usual::TypeLetter() const noexcept {
  switch (type_) {
    case UsualType::Nil: return "U";
    case UsualType::Logic: return "L";
    case UsualType::Integer:
    case UsualType::Float: return "N";
    case UsualType::Date: return "D";
    case UsualType::String: return "C";
    case UsualType::Symbol: return "#";
    case UsualType::Array: return "A";
    case UsualType::Object: return "O";
    case UsualType::Codeblock: return "B";
  }
  return "U";
}

std::int64_t Usual::AsInteger() const noexcept {
  if (type_ == UsualType::Integer) return i_;
  if (type_ == UsualType::Float) {
    if (!(f_ == f_)) return 0;  // NaN
    if (f_ >= 9.2e18) return INT64_MAX;
    if (f_ <= -9.2e18) return INT64_MIN;
    return static_cast<std::int64_t>(f_);
  }
  return 0;
}

double Usual::AsFloat() const noexcept {
  if (type_ == UsualType::Float) return f_;
  if (type_ == UsualType::Integer) return static_cast<double>(i_);
  return 0.0;
}

std::string_view Usual::AsStringView() const noexcept {
  if (type_ != UsualType::String) return {};
  if (a1_ == kHeapString) return std::string_view(s_->data, s_->size);
  return std::string_view(inline_, a1_);
}

Array Usual::AsArray() const {
  if (type_ != UsualType::Array) return Array();
  return Array(Ref<ArrayRep>(const_cast<ArrayRep*>(static_cast<const ArrayRep*>(p_))));
}

Object* Usual::AsObject() const noexcept {
  return type_ == UsualType::Object ? const_cast<Object*>(static_cast<const Object*>(p_)) : nullptr;
}

Codeblock Usual::AsCodeblock() const noexcept {
  if (type_ != UsualType::Codeblock) return Codeblock();
  return Codeblock(Ref<CodeblockImpl>(const_cast<CodeblockImpl*>(static_cast<const CodeblockImpl*>(p_))));
}

bool operator==(const Usual& a, const Usual& b) noexcept {
  if (a.IsNumeric() && b.IsNumeric()) {
    if (a.type_ == UsualType::Integer && b.type_ == UsualType::Integer) return a.i_ == b.i_;
    return a.AsFloat() == b.AsFloat();
  }
  if (a.type_ != b.type_) return false;
  switch (a.type_) {
    case UsualType::Nil: return true;
    case UsualType::Logic: return a.l_ == b.l_;
    case UsualType::Date: return a.d_ == b.d_;
    case UsualType::String: return a.AsStringView() == b.AsStringView();
    default: return a.p_ == b.p_;
  }
}

}  // namespace kt
