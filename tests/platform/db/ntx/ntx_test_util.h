#pragma once
// Shared helpers of the NTX tests: a temporary directory per test, building
// orders from in-memory key lists, and walking an order into a list.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/db/ntx/ntx_cursor.h"
#include "platform/db/ntx/ntx_order.h"
#include "platform/runtime/error.h"

namespace kt::ntx::test {

using Entry = std::pair<std::string, std::uint32_t>;  // key, record
using Entries = std::vector<Entry>;

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "ntx-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  std::filesystem::path dir_;
};

inline NtxCreateSpec CharSpec(int size, bool unique = false, bool descending = false) {
  NtxCreateSpec s;
  s.keyExpr = "NAME";
  s.key = {'C', size, 0};
  s.unique = unique;
  s.descending = descending;
  return s;
}

// Keys handed to the build in the order of the vector (natural order).
inline NtxKeySource SourceOf(const Entries& entries) {
  auto i = std::make_shared<std::size_t>(0);
  return [&entries, i](std::uint32_t& rec, std::string& key) {
    if (*i >= entries.size()) return false;
    key = entries[*i].first;
    rec = entries[*i].second;
    ++*i;
    return true;
  };
}

inline Entries WalkForward(NtxOrder& order) {
  Entries out;
  NtxCursor c(order);
  for (bool ok = c.GoTop(); ok && !c.Eof(); ok = c.Skip(1) == 1) out.emplace_back(std::string(c.Key()), c.RecNo());
  return out;
}

inline Entries WalkBackward(NtxOrder& order) {
  Entries out;
  NtxCursor c(order);
  for (bool ok = c.GoBottom(); ok && !c.Bof(); ok = c.Skip(-1) == -1) out.emplace_back(std::string(c.Key()), c.RecNo());
  return out;
}

// Fixed-width key from a number: "K0000042" padded to `size`.
inline std::string NumKey(std::uint32_t v, int size) {
  std::string s = std::to_string(v);
  s.insert(0, std::size_t(std::max(0, 8 - int(s.size()))), '0');
  s.insert(0, "K");
  s.resize(std::size_t(size), ' ');
  return s;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

// The error a call raised, or null when it raised none.
template <class F>
ErrorRef ErrorOf(F&& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.error();
  }
  return nullptr;
}

}  // namespace kt::ntx::test
