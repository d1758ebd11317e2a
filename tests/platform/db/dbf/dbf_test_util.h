#pragma once
// Shared helpers of the DBF driver tests: a temporary folder per test, raw
// table images for damaged-file cases, and error expectations.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/db/dbf/table.h"
#include "platform/runtime/error.h"

namespace kt::dbf::test {

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/ktable-dbf-test-XXXXXX";
    path_ = ::mkdtemp(tmpl);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

// A raw table image built byte by byte, for files no sound writer produces.
struct RawField {
  std::string name;
  char type;
  std::uint8_t length;
  std::uint8_t decimals = 0;
};

inline std::string RawTable(std::uint8_t version, const std::vector<RawField>& fields,
                            const std::vector<std::string>& records, std::uint8_t ldid = 0) {
  std::string h(32, '\0');
  std::uint16_t recLen = 1;
  // C fields count the decimals byte as the high byte of their length.
  for (const RawField& f : fields) recLen = std::uint16_t(recLen + f.length + (f.type == 'C' ? f.decimals * 256 : 0));
  const std::uint16_t headerLen = std::uint16_t(32 + 32 * fields.size() + 1);
  h[0] = char(version);
  h[1] = 124;
  h[2] = 1;
  h[3] = 2;
  const auto n = std::uint32_t(records.size());
  for (int i = 0; i < 4; ++i) h[std::size_t(4 + i)] = char(n >> (8 * i));
  h[8] = char(headerLen & 0xFF);
  h[9] = char(headerLen >> 8);
  h[10] = char(recLen & 0xFF);
  h[11] = char(recLen >> 8);
  h[29] = char(ldid);
  for (const RawField& f : fields) {
    std::string d(32, '\0');
    d.replace(0, f.name.size(), f.name);
    d[11] = f.type;
    d[16] = char(f.length);
    d[17] = char(f.decimals);
    h += d;
  }
  h += '\x0D';
  for (const std::string& r : records) h += r;
  h += '\x1A';
  return h;
}

// Runs fn and expects a RuntimeError with the generic code; returns the
// error for further checks.
inline ErrorRef ExpectError(const std::function<void()>& fn, int genCode) {
  try {
    fn();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.error()->GenCode, genCode) << e.what();
    return e.error();
  }
  ADD_FAILURE() << "expected an error with GenCode " << genCode;
  return New<Error>();
}

inline OpenOptions Exclusive() {
  OpenOptions o;
  o.shared = false;
  return o;
}

}  // namespace kt::dbf::test
