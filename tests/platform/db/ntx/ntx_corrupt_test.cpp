#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "ntx_test_util.h"
#include "platform/db/ntx/ntx_header.h"

namespace kt::ntx::test {
namespace {

std::uint32_t Get32At(const std::string& b, std::size_t off) {
  return std::uint32_t(std::uint8_t(b[off])) | std::uint32_t(std::uint8_t(b[off + 1])) << 8 |
         std::uint32_t(std::uint8_t(b[off + 2])) << 16 | std::uint32_t(std::uint8_t(b[off + 3])) << 24;
}
void Put32At(std::string& b, std::size_t off, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[off + std::size_t(i)] = char(v >> (8 * i));
}
void Put16At(std::string& b, std::size_t off, std::uint16_t v) {
  b[off] = char(v);
  b[off + 1] = char(v >> 8);
}
std::size_t ItemAt(const std::string& b, std::uint32_t page, int i) {
  std::size_t slot = std::uint8_t(b[page + 2 + 2 * i]) | std::uint8_t(b[page + 3 + 2 * i]) << 8;
  return page + slot;
}
std::uint32_t Root(const std::string& b) { return Get32At(b, 4); }
std::uint32_t Child(const std::string& b, std::uint32_t page, int i) { return Get32At(b, ItemAt(b, page, i)); }

// Everything a reader does with an order; any fault must come back as an
// error, never as a crash or a hang.
void Exercise(const std::string& path) {
  auto order = NtxOrder::Open(path);
  NtxCursor c(*order);
  std::uint64_t steps = 0;
  for (bool ok = c.GoTop(); ok && !c.Eof() && steps < 100000; ok = c.Skip(1) == 1) ++steps;
  for (bool ok = c.GoBottom(); ok && !c.Bof() && steps < 200000; ok = c.Skip(-1) == -1) ++steps;
  order->KeyCount();
  c.Seek(NumKey(250, order->KeySize()), true);
  c.KeyNo();
  c.Seek(NumKey(250, order->KeySize()), false, true);
  order->Insert(NumKey(999, order->KeySize()), 99999);
  order->Delete(NumKey(3, order->KeySize()), 4);
  order->Check();
}

class NtxCorruptTest : public TempDir {
 protected:
  // 400 keys of 100 bytes, 8 per page: three levels.
  std::string Base() {
    Entries e;
    for (std::uint32_t i = 0; i < 400; ++i) e.emplace_back(NumKey(i, 100), i + 1);
    std::string path = Path("base.ntx");
    NtxOrder::Create(path, CharSpec(100), SourceOf(e));
    return ReadFile(path);
  }
};

TEST_F(NtxCorruptTest, DamagedFilesGiveAnErrorNamingTheFile) {
  struct Case {
    const char* what;
    std::function<void(std::string&)> damage;
  };
  const Case cases[] = {
      {"signature", [](std::string& b) { Put16At(b, 0, 0x1234); }},
      {"key size 0", [](std::string& b) { Put16At(b, 14, 0); }},
      {"key size 300", [](std::string& b) { Put16At(b, 14, 300); Put16At(b, 12, 308); }},
      {"item size", [](std::string& b) { Put16At(b, 12, 50); }},
      {"keys per page too many", [](std::string& b) { Put16At(b, 18, 60); }},
      {"keys per page 0", [](std::string& b) { Put16At(b, 18, 0); }},
      {"root beyond the end", [](std::string& b) { Put32At(b, 4, 1 << 30); }},
      {"root not on a page", [](std::string& b) { Put32At(b, 4, Root(b) + 7); }},
      {"root is the header", [](std::string& b) { Put32At(b, 4, 0); }},
      {"free list outside", [](std::string& b) { Put32At(b, 8, 0xFFFFFC00u); }},
      {"truncated inside a page", [](std::string& b) { b.resize(b.size() - 700); }},
      {"truncated to the header", [](std::string& b) { b.resize(1024); }},
      {"empty file", [](std::string& b) { b.clear(); }},
      {"empty key expression", [](std::string& b) { b[22] = 0; }},
      {"key count beyond page", [](std::string& b) { Put16At(b, Root(b), 500); }},
      {"offset table outside the page", [](std::string& b) { Put16At(b, Root(b) + 2, 1020); }},
      {"offset table into the counter", [](std::string& b) { Put16At(b, Root(b) + 2, 0); }},
      {"child is its own page", [](std::string& b) { Put32At(b, ItemAt(b, Root(b), 0), Root(b)); }},
      {"child beyond the end", [](std::string& b) { Put32At(b, ItemAt(b, Root(b), 1), 0x7FFFFC00u); }},
      {"child not on a page", [](std::string& b) { Put32At(b, ItemAt(b, Root(b), 1), 1030); }},
      {"cycle back to the root",
       [](std::string& b) { Put32At(b, ItemAt(b, Child(b, Root(b), 0), 0), Root(b)); }},
      {"all children share one page",
       [](std::string& b) {
         std::uint32_t r = Root(b), c0 = Child(b, r, 0);
         for (int i = 0; i <= std::uint8_t(b[r]); ++i) Put32At(b, ItemAt(b, r, i), c0);
       }},
      {"leaf and branch mixed", [](std::string& b) { Put32At(b, ItemAt(b, Root(b), 1), 0); }},
      {"keys out of order",
       [](std::string& b) {
         std::uint32_t leaf = Child(b, Child(b, Root(b), 0), 0);
         b[ItemAt(b, leaf, 0) + 8 + 1] = '9';
       }},
      {"free list points at the root", [](std::string& b) { Put32At(b, 8, Root(b)); }},
  };
  const std::string base = Base();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bytes = base;
    c.damage(bytes);
    std::string path = Path("bad.ntx");
    WriteFile(path, bytes);
    ErrorRef e = ErrorOf([&] { Exercise(path); });
    ASSERT_TRUE(e) << "no error raised";
    EXPECT_EQ(e->GenCode, gen::Corruption) << e->Description;
    EXPECT_EQ(e->SubSystem, "DBFNTX");
    EXPECT_EQ(e->FileName, path);
    EXPECT_NE(e->Description.find(path), std::string::npos) << e->Description;
    EXPECT_TRUE(ReadFile(path) == bytes) << "a damaged file must not be written to";
  }
}

// Every legal key size gives a page layout that fits and that reads back.
TEST_F(NtxCorruptTest, HeaderRoundTripOfEveryLegalKeySize) {
  for (int ks = 1; ks <= kMaxKeySize; ks += 17) {
    NtxHeader h;
    h.keySize = std::uint16_t(ks);
    h.itemSize = std::uint16_t(ks + 8);
    h.maxItems = std::uint16_t(MaxItemsFor(ks));
    h.halfPage = h.maxItems / 2;
    h.root = kPageSize;
    h.keyExpr = "K";
    auto page = h.Encode();
    NtxHeader back = DecodeHeader(page.data(), 2 * kPageSize, "x.ntx");
    EXPECT_EQ(back.maxItems, h.maxItems);
    EXPECT_GE(back.maxItems, 2) << ks;
    EXPECT_LE(2 + (back.maxItems + 1) * (2 + back.itemSize), int(kPageSize)) << ks;
  }
}

// Seeds of the fuzz target: each is opened and walked like the fuzzer does.
TEST_F(NtxCorruptTest, FuzzCorpusReplays) {
  std::filesystem::path corpus = std::filesystem::path(KTABLE_SOURCE_DIR) / "fuzz" / "corpus" / "ntx";
  ASSERT_TRUE(std::filesystem::is_directory(corpus)) << corpus;
  int files = 0;
  for (const auto& f : std::filesystem::directory_iterator(corpus)) {
    SCOPED_TRACE(f.path().filename().string());
    std::string path = Path("case.ntx");
    WriteFile(path, ReadFile(f.path().string()));
    ErrorRef e = ErrorOf([&] { Exercise(path); });
    if (e) {
      EXPECT_EQ(e->FileName, path);
    }
    ++files;
  }
  EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace kt::ntx::test
