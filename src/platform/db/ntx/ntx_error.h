#pragma once
// Raising errors of the NTX driver: every error names the file and carries
// the subsystem "DBFNTX", so the error handler can tell the user which index
// is at fault.
#include <string>
#include <string_view>

namespace kt::ntx {

inline constexpr const char* kSubSystem = "DBFNTX";

// Throws kt::RuntimeError. `osCode` is errno for failed system calls.
[[noreturn]] void Fail(int genCode, std::string_view fileName, std::string_view operation,
                       std::string_view description, int osCode = 0);

// Shorthand for a damaged or foreign file.
[[noreturn]] void Corrupt(std::string_view fileName, std::string_view description);

}  // namespace kt::ntx
