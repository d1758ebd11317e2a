// Table files from untrusted bytes: open, read every record and field, and
// try a few writes, through the same checks the dbf tool runs.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/db/dbf/check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kt::dbf::CheckTableImage(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
