#pragma once
// Recursive-descent parser from tokens to the node tree. Failures throw
// CompileFailure (see lexer.h).
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/compiler/nodes.h"

namespace kt::macro {

// "{|a, b| expr, expr}" as the whole text.
std::shared_ptr<Program> ParseBlock(std::string_view text, int maxDepth);

// A bare expression list with its parameter names given apart.
std::shared_ptr<Program> ParseExpression(const std::vector<std::string>& params, std::string_view expr,
                                         int maxDepth);

// "Server, Column" -> {"Server", "Column"}; throws CompileFailure.
std::vector<std::string> ParseParamList(std::string_view list);

}  // namespace kt::macro
