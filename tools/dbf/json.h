#pragma once
// Minimal JSON output for the dbf tool: strings (always valid UTF-8) and
// base64 for binary values.
#include <ostream>
#include <string>
#include <string_view>

namespace dbftool {

// Writes s as a JSON string; bytes that are not valid UTF-8 become U+FFFD.
void WriteJsonString(std::ostream& out, std::string_view s);
std::string Base64(std::string_view bytes);

}  // namespace dbftool
