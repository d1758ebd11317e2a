// Fuzz target for NTX order files: the input is written to a file that is
// opened, walked both ways, counted, sought and changed. Every fault must
// come back as a RuntimeError; anything else (crash, hang, sanitizer report)
// is a finding.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/db/ntx/ntx_cursor.h"
#include "platform/db/ntx/ntx_order.h"
#include "platform/runtime/error.h"

namespace {

void Exercise(const std::string& path) {
  using namespace kt::ntx;
  NtxOpenOptions o;
  o.cachePages = 64;
  auto order = NtxOrder::Open(path, o);
  const int ks = order->KeySize();
  NtxCursor c(*order);
  int steps = 0;
  for (bool ok = c.GoTop(); ok && !c.Eof() && steps < 5000; ok = c.Skip(1) == 1) ++steps;
  for (bool ok = c.GoBottom(); ok && !c.Bof() && steps < 10000; ok = c.Skip(-1) == -1) ++steps;
  std::uint64_t count = order->KeyCount();
  std::string key(std::size_t(ks), 'K');
  c.Seek(key.substr(0, 1), true);
  c.KeyNo();
  c.Seek(key, false, true);
  c.GoToKeyNo(count / 2 + 1);
  c.KeyNo();
  c.KeyVal();
  for (std::uint32_t i = 0; i < 12; ++i) {
    key[0] = char('A' + i);
    order->Insert(key, 1000 + i);
  }
  c.Skip(3);
  for (std::uint32_t i = 0; i < 12; i += 2) {
    key[0] = char('A' + i);
    order->Delete(key, 1000 + i);
  }
  order->Check();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/ntx-fuzz-" + std::to_string(::getpid()) + ".ntx";
  if (size > 1 << 20) return 0;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  try {
    Exercise(path);
  } catch (const kt::RuntimeError&) {
  }
  return 0;
}
