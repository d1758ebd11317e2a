// Replays the fuzz corpus: every file compiles or fails cleanly, and
// evaluating what compiles never crashes.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fixtures.h"

namespace kt::testing_support {
namespace {

TEST(Corpus, EveryFileCompilesAndEvaluatesSafely) {
  ScopedRuntime rt;
  Runtime::SetErrorBlock([](const ErrorRef&) { return Usual(); });
  const std::filesystem::path dir = std::filesystem::path(KTABLE_SOURCE_DIR) / "fuzz" / "corpus" / "expression";
  ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
  Ref<Customer> server = New<Customer>();
  server->owner = New<Customer>();
  int files = 0, compiled = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream buf;
    buf << in.rdbuf();
    const std::string text = buf.str();
    ++files;
    for (const std::string& source : {text, "{|Server| " + text + "}"}) {
      Codeblock block;
      if (TryCompileCodeblock(source, block)) continue;
      ++compiled;
      for (bool trapped : {false, true}) {
        try {
          if (trapped) {
            ErrorTrap trap;
            block(server);
          } else {
            block(server);
          }
        } catch (const RuntimeError&) {
          EXPECT_TRUE(trapped) << entry.path() << ": an error escaped the error block";
        }
      }
    }
  }
  EXPECT_GE(files, 30);
  EXPECT_GT(compiled, files / 2) << "most seeds should be valid expressions";
}

}  // namespace
}  // namespace kt::testing_support
