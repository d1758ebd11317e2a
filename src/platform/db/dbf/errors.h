#pragma once
// How the table layer reports failures: every problem becomes an Error
// (subsystem, file, generic code, errno) thrown as RuntimeError, which the
// server layer above catches and routes through its error protocol.
#include <string>
#include <string_view>

namespace kt::dbf {

// OsCode used for "the file is in use elsewhere"; the value callers of the
// original runtime know as a sharing violation.
inline constexpr int kSharingViolation = 32;

struct ErrorContext {
  std::string subSystem = "DBF";  // "DBFNTX", "DBFCDX", "DBFMDX" or "DBF"
  std::string fileName;
};

// Throws kt::RuntimeError. The description is prefixed with the file name
// so a message is useful on its own.
[[noreturn]] void Fail(const ErrorContext& ctx, int genCode, std::string_view operation, std::string_view description,
                       int osCode = 0);

// Same, with strerror(osCode) appended to the description.
[[noreturn]] void FailOs(const ErrorContext& ctx, int genCode, std::string_view operation, std::string_view description,
                         int osCode);

}  // namespace kt::dbf
