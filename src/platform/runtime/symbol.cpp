#include "platform/runtime/symbol.h"

#include <memory>
#include <unordered_map>

namespace kt {
namespace {

std::string ToUpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

struct CaselessHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const noexcept {
    std::size_t h = 1469598103934665603ull;
    for (char c : s) h = (h ^ static_cast<unsigned char>(Upper(c))) * 1099511628211ull;
    return h;
  }
};
struct CaselessEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
      if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
  }
};

struct SymbolTable {
  // Node-based map: entries never move, so Symbol can point at the key.
  std::unordered_map<std::string, int, CaselessHash, CaselessEqual> names;
};

SymbolTable& Table() {
  static SymbolTable* table = new SymbolTable;  // lives for the whole process
  return *table;
}

const std::string& EmptyName() {
  static const std::string empty;
  return empty;
}

}  // namespace

Symbol::Symbol(std::string_view name) {
  if (name.empty()) return;
  auto& names = Table().names;
  auto it = names.find(name);
  if (it == names.end()) it = names.emplace(ToUpperAscii(name), 0).first;
  entry_ = &it->first;
}

const std::string& Symbol::Name() const { return entry_ ? *entry_ : EmptyName(); }

}  // namespace kt
