#include <gtest/gtest.h>

#include <filesystem>

#include "ntx_test_util.h"

namespace kt::ntx::test {
namespace {

#ifndef KTABLE_SOURCE_DIR
#define KTABLE_SOURCE_DIR "."
#endif

class NtxFixtureTest : public TempDir {
 protected:
  // A private copy: the tests write to it.
  std::string Fixture() {
    std::filesystem::path src = std::filesystem::path(KTABLE_SOURCE_DIR) / "tests/data/ntx/people.ntx";
    std::string path = Path("people.ntx");
    std::filesystem::copy_file(src, path);
    return path;
  }
};

const Entries kPeople = {{"ALPHA ", 3}, {"BRAVO ", 1}, {"BRAVO ", 4},
                         {"CHARLI", 5}, {"DELTA ", 2}, {"ECHO  ", 6}};

// A file written from the byte layout by an independent script: offset
// tables out of slot order, stale unused slots, a free page, 4 keys per page.
TEST_F(NtxFixtureTest, ReadsAFileWrittenElsewhere) {
  auto order = NtxOrder::Open(Fixture());
  EXPECT_EQ(order->KeyExpr(), "UPPER(NAME)");
  EXPECT_EQ(order->TagName(), "PEOPLE");
  EXPECT_EQ(order->KeySize(), 6);
  EXPECT_FALSE(order->Unique());
  EXPECT_EQ(WalkForward(*order), kPeople);
  EXPECT_EQ(order->KeyCount(), 6u);
  NtxCursor c(*order);
  EXPECT_TRUE(c.Seek("BR", false, true));
  EXPECT_EQ(c.RecNo(), 4u);
  EXPECT_EQ(c.KeyNo(), 3u);
  EXPECT_TRUE(c.Seek("CHARLI"));
  EXPECT_EQ(c.KeyNo(), 4u);
  EXPECT_FALSE(c.Seek("CA", true));
  EXPECT_EQ(c.RecNo(), 5u);
  NtxCheckReport r = order->Check();
  EXPECT_EQ(r.freePages, 1u);
  EXPECT_EQ(r.depth, 2);
}

// Updating it honours its header: pages split at 4 keys, the free page is
// used first, the update counter moves on and other bytes stay.
TEST_F(NtxFixtureTest, UpdatesAFileWrittenElsewhere) {
  std::string path = Fixture();
  std::string before = ReadFile(path);
  auto order = NtxOrder::Open(path);
  Entries expect = kPeople;
  for (std::uint32_t i = 0; i < 10; ++i) {
    std::string key = "F" + std::to_string(i) + "    ";
    key.resize(6);
    ASSERT_TRUE(order->Insert(key, 10 + i));
    expect.emplace_back(key, 10 + i);
  }
  ASSERT_TRUE(order->Delete("BRAVO ", 1));
  expect.erase(expect.begin() + 1);
  EXPECT_EQ(WalkForward(*order), expect);
  NtxCheckReport r = order->Check();
  EXPECT_EQ(r.keys, expect.size());
  EXPECT_EQ(r.freePages, 0u);
  std::string after = ReadFile(path);
  EXPECT_EQ(after[2], char(5 + 11)) << "one update counter step per change";
  EXPECT_TRUE(after.compare(12, 1012, before, 12, 1012) == 0) << "header bytes beyond the changing fields stay";
}

}  // namespace
}  // namespace kt::ntx::test
