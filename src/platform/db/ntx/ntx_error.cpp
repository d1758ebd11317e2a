#include "platform/db/ntx/ntx_error.h"

#include <cstring>

#include "platform/runtime/error.h"

namespace kt::ntx {

void Fail(int genCode, std::string_view fileName, std::string_view operation, std::string_view description,
          int osCode) {
  std::string text(fileName);
  text += ": ";
  text += description;
  if (osCode != 0) {
    text += " (";
    text += std::strerror(osCode);
    text += ")";
  }
  ErrorRef e = MakeError(genCode, std::string(operation), std::move(text));
  e->SubSystem = kSubSystem;
  e->FileName = std::string(fileName);
  e->OsCode = osCode;
  throw RuntimeError(std::move(e));
}

void Corrupt(std::string_view fileName, std::string_view description) {
  Fail(gen::Corruption, fileName, "read", std::string("corrupt index file: ") + std::string(description));
}

}  // namespace kt::ntx
