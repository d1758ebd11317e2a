#pragma once
// The table of functions expressions may call, and helpers shared by the
// built-in function groups.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/runtime/usual.h"

namespace kt::macro {

using NativeFn = Usual (*)(Args);

struct FunctionEntry {
  std::string name;  // upper case
  int minArgs = 0;
  int maxArgs = 0;   // < 0: no limit
  NativeFn native = nullptr;
  std::function<Usual(Args)> fn;

  Usual Call(Args a) const { return native ? native(a) : fn(a); }
};

// Null when no function of that name (any case) exists.
std::shared_ptr<const FunctionEntry> FindFunction(std::string_view name);
void AddFunction(std::string_view name, NativeFn native, std::function<Usual(Args)> fn, int minArgs, int maxArgs);

// Built-in groups, installed when the table is first used.
void RegisterStringFunctions();
void RegisterDateFunctions();
void RegisterNumericFunctions();
void RegisterMiscFunctions();

// Optional argument i (0-based): NIL when not passed.
inline const Usual& Arg(Args a, std::size_t i) {
  static const Usual nil;
  return i < a.size() ? a[i] : nil;
}
// Byte search in linear time (hostile texts must not make it quadratic);
// npos when absent. An empty needle is never found.
std::size_t FindBytes(std::string_view hay, std::string_view needle, std::size_t from = 0);
std::size_t FindLastBytes(std::string_view hay, std::string_view needle);

// A number as an integer clamped to [lo, hi] (NaN gives 0, floats truncate).
std::int64_t ClampInt(const Usual& v, std::int64_t lo, std::int64_t hi);

}  // namespace kt::macro
