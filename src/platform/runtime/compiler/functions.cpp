// The function table. Built-ins are installed on first use so that linking
// the static library cannot drop them.
#include "platform/runtime/compiler/functions.h"

#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string.h>  // memmem
#include <unordered_map>

namespace kt::macro {
namespace {

std::string UpperName(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return out;
}

bool ValidName(std::string_view s) {
  if (s.empty() || s.size() > 128) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    if (!letter && !(i > 0 && c >= '0' && c <= '9')) return false;
  }
  return true;
}

using Table = std::unordered_map<std::string, std::shared_ptr<const FunctionEntry>>;

Table& RawTable() {
  static Table table;
  return table;
}

Table& Functions() {
  static const bool installed = [] {
    RegisterStringFunctions();
    RegisterDateFunctions();
    RegisterNumericFunctions();
    RegisterMiscFunctions();
    return true;
  }();
  (void)installed;
  return RawTable();
}

}  // namespace

std::shared_ptr<const FunctionEntry> FindFunction(std::string_view name) {
  if (name.size() > 128) return nullptr;
  const Table& t = Functions();
  auto it = t.find(UpperName(name));
  return it == t.end() ? nullptr : it->second;
}

void AddFunction(std::string_view name, NativeFn native, std::function<Usual(Args)> fn, int minArgs, int maxArgs) {
  if (!ValidName(name)) throw std::invalid_argument("function name must be an identifier: " + std::string(name));
  if (minArgs < 0 || (maxArgs >= 0 && maxArgs < minArgs) || minArgs > 255)
    throw std::invalid_argument("bad argument counts for function " + std::string(name));
  auto e = std::make_shared<FunctionEntry>();
  e->name = UpperName(name);
  e->minArgs = minArgs;
  e->maxArgs = maxArgs;
  e->native = native;
  e->fn = std::move(fn);
  // Built-ins register into the raw table while Functions() is initialising.
  Table& t = native ? RawTable() : Functions();
  t[e->name] = std::move(e);
}

std::int64_t ClampInt(const Usual& v, std::int64_t lo, std::int64_t hi) {
  if (v.IsInteger()) {
    const std::int64_t i = v.AsInteger();
    return i < lo ? lo : i > hi ? hi : i;
  }
  if (v.IsFloat()) {
    const double d = v.AsFloat();
    if (std::isnan(d)) return lo > 0 ? lo : hi < 0 ? hi : 0;
    if (d <= double(lo)) return lo;
    if (d >= double(hi)) return hi;
    return std::int64_t(d);
  }
  return lo > 0 ? lo : hi < 0 ? hi : 0;
}

std::size_t FindBytes(std::string_view hay, std::string_view needle, std::size_t from) {
  if (needle.empty() || from > hay.size() || hay.size() - from < needle.size()) return std::string_view::npos;
  // glibc's memmem is linear in the worst case (two-way matching), unlike
  // the naive search behind string_view::find.
  const void* p = ::memmem(hay.data() + from, hay.size() - from, needle.data(), needle.size());
  return p ? std::size_t(static_cast<const char*>(p) - hay.data()) : std::string_view::npos;
}

std::size_t FindLastBytes(std::string_view hay, std::string_view needle) {
  if (needle.empty() || hay.size() < needle.size()) return std::string_view::npos;
  // Search the reversed texts once rather than repeating forward searches.
  const std::string rh(hay.rbegin(), hay.rend());
  const std::string rn(needle.rbegin(), needle.rend());
  const std::size_t r = FindBytes(rh, rn);
  if (r == std::string_view::npos) return r;
  return hay.size() - r - needle.size();
}

}  // namespace kt::macro
