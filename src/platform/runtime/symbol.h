#pragma once
// Interned, case-insensitive names (#Absolute, #FIELDNAME). A Symbol is one
// pointer; equal names (ignoring ASCII case) share one entry, so comparison
// is a pointer compare.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace kt {

class Symbol {
 public:
  // The empty symbol (no name). Compares unequal to every named symbol.
  constexpr Symbol() = default;
  explicit Symbol(std::string_view name);
  Symbol(const char* name) : Symbol(std::string_view(name)) {}  // NOLINT: #Name literals

  // Upper-case spelling as stored.
  const std::string& Name() const;
  bool IsEmpty() const { return entry_ == nullptr; }
  explicit operator bool() const { return entry_ != nullptr; }

  friend bool operator==(Symbol a, Symbol b) { return a.entry_ == b.entry_; }
  friend bool operator!=(Symbol a, Symbol b) { return a.entry_ != b.entry_; }
  // Orders by address: stable within one process, use only for containers.
  friend bool operator<(Symbol a, Symbol b) { return std::less<const void*>()(a.entry_, b.entry_); }

  const void* Id() const { return entry_; }
  static Symbol FromId(const void* id) { Symbol s; s.entry_ = static_cast<const std::string*>(id); return s; }

 private:
  const std::string* entry_ = nullptr;
};

}  // namespace kt

template <>
struct std::hash<kt::Symbol> {
  std::size_t operator()(kt::Symbol s) const noexcept { return std::hash<const void*>()(s.Id()); }
};
