// Replays the fuzz corpora (seeds and every crash found so far) through the
// code the fuzz targets run, so fixed crashes stay fixed under the ordinary
// sanitizer build.
#include <gtest/gtest.h>

#include <filesystem>

#include "dbf_test_util.h"
#include "platform/db/dbf/check.h"

namespace kt::dbf::test {
namespace {

std::vector<std::filesystem::path> Corpus(const char* name) {
  std::vector<std::filesystem::path> files;
  const std::filesystem::path dir = std::filesystem::path(KTABLE_SOURCE_DIR) / "fuzz" / "corpus" / name;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    if (e.is_regular_file()) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

TEST(DbfCorpus, HeaderInputsNeverCrash) {
  const auto files = Corpus("dbf_header");
  ASSERT_FALSE(files.empty());
  for (const auto& f : files) {
    SCOPED_TRACE(f.filename().string());
    CheckTableImage(ReadFile(f));
  }
}

TEST(DbfCorpus, MemoInputsNeverCrash) {
  const auto files = Corpus("dbf_memo");
  ASSERT_FALSE(files.empty());
  for (const auto& f : files) {
    SCOPED_TRACE(f.filename().string());
    CheckMemoImage(ReadFile(f));
  }
}

}  // namespace
}  // namespace kt::dbf::test
