#pragma once
// Usual: the dynamically typed value of the runtime. Two machine words: an
// 8-byte payload and a type tag with two bytes of detail (display digits and
// decimals of a float, or the length of a short string kept inline). Strings,
// arrays, objects and codeblocks share their storage, so copying is cheap.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/runtime/date.h"
#include "platform/runtime/refcounted.h"
#include "platform/runtime/symbol.h"

namespace kt {

class Object;
class Array;
class Codeblock;
struct ArrayRep;
class CodeblockImpl;
struct StringRep;

enum class UsualType : std::uint8_t { Nil, Logic, Integer, Float, Date, String, Symbol, Array, Object, Codeblock };

class Usual;
using Args = std::span<const Usual>;

class Usual {
 public:
  // Display digits/decimals of a float not given explicitly: the runtime's
  // settings apply when the value is shown.
  static constexpr std::uint8_t kDefaultFormat = 0xFF;

  Usual() noexcept { bits_ = 0; }
  Usual(bool v) noexcept : type_(UsualType::Logic) { bits_ = 0; l_ = v; }  // NOLINT
  Usual(int v) noexcept : type_(UsualType::Integer) { i_ = v; }               // NOLINT
  Usual(long v) noexcept : type_(UsualType::Integer) { i_ = v; }              // NOLINT
  Usual(long long v) noexcept : type_(UsualType::Integer) { i_ = v; }         // NOLINT
  Usual(unsigned v) noexcept : type_(UsualType::Integer) { i_ = v; }          // NOLINT
  Usual(unsigned long v) noexcept : type_(UsualType::Integer) { i_ = std::int64_t(v); }  // NOLINT
  Usual(double v) noexcept : type_(UsualType::Float), a1_(kDefaultFormat), a2_(kDefaultFormat) { f_ = v; }  // NOLINT
  Usual(Date v) noexcept : type_(UsualType::Date) { bits_ = 0; d_ = v.Julian(); }  // NOLINT
  Usual(Symbol v) noexcept : type_(UsualType::Symbol) { bits_ = 0; p_ = v.Id(); }  // NOLINT
  Usual(std::string_view s);                                                 // NOLINT
  Usual(const char* s) : Usual(std::string_view(s)) {}                       // NOLINT
  Usual(const std::string& s) : Usual(std::string_view(s)) {}                // NOLINT
  Usual(const Array& a) noexcept;                                            // NOLINT
  Usual(const Codeblock& b) noexcept;                                        // NOLINT
  Usual(Object* o) noexcept;                                                 // NOLINT
  template <class T>
  Usual(const Ref<T>& o) noexcept : Usual(static_cast<Object*>(o.get())) {}  // NOLINT

  // A float with its display width and decimals (as a numeric field gives);
  // kDefaultFormat for either leaves it to the runtime's settings.
  static Usual Float(double v, int digits, int decimals) noexcept;
  // An integer with its display width (a numeric field without decimals).
  static Usual Integer(std::int64_t v, int digits) noexcept;

  Usual(const Usual& o) noexcept : bits_(o.bits_), type_(o.type_), a1_(o.a1_), a2_(o.a2_) { Retain(); }
  Usual(Usual&& o) noexcept : bits_(o.bits_), type_(o.type_), a1_(o.a1_), a2_(o.a2_) {
    o.type_ = UsualType::Nil;
  }
  Usual& operator=(const Usual& o) noexcept;
  Usual& operator=(Usual&& o) noexcept;
  ~Usual() {
    if (type_ >= UsualType::String) ReleaseShared();
  }

  UsualType Type() const noexcept { return type_; }
  bool IsNil() const noexcept { return type_ == UsualType::Nil; }
  bool IsLogic() const noexcept { return type_ == UsualType::Logic; }
  bool IsInteger() const noexcept { return type_ == UsualType::Integer; }
  bool IsFloat() const noexcept { return type_ == UsualType::Float; }
  bool IsNumeric() const noexcept { return type_ == UsualType::Integer || type_ == UsualType::Float; }
  bool IsDate() const noexcept { return type_ == UsualType::Date; }
  bool IsString() const noexcept { return type_ == UsualType::String; }
  bool IsSymbol() const noexcept { return type_ == UsualType::Symbol; }
  bool IsArray() const noexcept { return type_ == UsualType::Array; }
  bool IsObject() const noexcept { return type_ == UsualType::Object; }
  bool IsCodeblock() const noexcept { return type_ == UsualType::Codeblock; }

  // "C", "N", "D", "L", "O", "U", "A", "B", "#" (symbol).
  const char* TypeLetter() const noexcept;

  // Typed reads. A value of another type gives the type's empty value
  // (FALSE, 0, empty date, "", empty symbol, a new empty array, null).
  bool AsLogic() const noexcept { return type_ == UsualType::Logic && l_; }
  std::int64_t AsInteger() const noexcept;  // floats are truncated
  double AsFloat() const noexcept;
  Date AsDate() const noexcept { return type_ == UsualType::Date ? Date::FromJulian(d_) : Date(); }
  Symbol AsSymbol() const noexcept { return type_ == UsualType::Symbol ? Symbol::FromId(p_) : Symbol(); }
  std::string_view AsStringView() const noexcept;
  Array AsArray() const;
  Object* AsObject() const noexcept;
  Codeblock AsCodeblock() const noexcept;

  // Display width of a number and decimals of a float (kDefaultFormat when
  // not given; an integer has no decimals).
  int Digits() const noexcept {
    if (type_ == UsualType::Float) return a1_;
    if (type_ == UsualType::Integer) return a1_ ? a1_ : kDefaultFormat;
    return 0;
  }
  int Decimals() const noexcept { return type_ == UsualType::Float ? a2_ : 0; }

  // Exact equality (the == operator of the language): same type and value,
  // strings byte for byte, integers and floats by numeric value, arrays,
  // objects and codeblocks by identity.
  friend bool operator==(const Usual& a, const Usual& b) noexcept;
  friend bool operator!=(const Usual& a, const Usual& b) noexcept { return !(a == b); }

 private:
  void Retain() const noexcept;
  void ReleaseShared() noexcept;

  union {
    std::uint64_t bits_;
    std::int64_t i_;
    double f_;
    bool l_;
    std::int32_t d_;
    const void* p_;
    StringRep* s_;
    char inline_[8];
  };
  UsualType type_ = UsualType::Nil;
  // Float: display digits. Integer: display digits, 0 when not given.
  // String: inline length, or 0xFF when on the heap.
  std::uint8_t a1_ = 0;
  // Float: display decimals.
  std::uint8_t a2_ = 0;
};

static_assert(sizeof(Usual) == 2 * sizeof(void*), "Usual must stay two machine words");

extern const Usual NIL;

}  // namespace kt
