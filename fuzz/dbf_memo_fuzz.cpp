// Memo files from untrusted bytes (DBT III, DBT IV, FPT): every memo of a
// small table is read and one is rewritten.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/db/dbf/check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kt::dbf::CheckMemoImage(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
