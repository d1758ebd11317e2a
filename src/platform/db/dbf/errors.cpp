#include "platform/db/dbf/errors.h"

#include <cstring>

#include "platform/runtime/error.h"

namespace kt::dbf {

void Fail(const ErrorContext& ctx, int genCode, std::string_view operation, std::string_view description, int osCode) {
  ErrorRef e = MakeError(genCode, std::string(operation),
                         ctx.fileName.empty() ? std::string(description)
                                              : ctx.fileName + ": " + std::string(description));
  e->SubSystem = ctx.subSystem;
  e->FileName = ctx.fileName;
  e->OsCode = osCode;
  e->CanRetry = genCode == gen::Lock || genCode == gen::Open;
  throw RuntimeError(e);
}

void FailOs(const ErrorContext& ctx, int genCode, std::string_view operation, std::string_view description,
            int osCode) {
  std::string text(description);
  text += " (";
  text += std::strerror(osCode);
  text += ')';
  Fail(ctx, genCode, operation, text, osCode);
}

}  // namespace kt::dbf
