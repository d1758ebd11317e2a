#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "ntx_test_util.h"
#include "platform/db/ntx/ntx_header.h"
#include "platform/db/ntx/ntx_key.h"
#include "platform/runtime/runtime.h"

namespace kt::ntx::test {
namespace {

class NtxOrderTest : public TempDir {};

// Expected order: keys ascending (descending when asked), equal keys by record.
Entries Sorted(Entries e, bool descending, bool unique = false) {
  std::stable_sort(e.begin(), e.end(), [&](const Entry& a, const Entry& b) {
    if (a.first != b.first) return descending ? a.first > b.first : a.first < b.first;
    return a.second < b.second;
  });
  if (unique) {
    Entries u;
    for (auto& x : e) {
      if (u.empty() || u.back().first != x.first) u.push_back(x);
    }
    return u;
  }
  return e;
}

Entries RandomEntries(std::size_t n, int keySize, std::uint32_t seed, int distinct) {
  std::mt19937 rng(seed);
  Entries e;
  for (std::size_t i = 0; i < n; ++i) e.emplace_back(NumKey(rng() % std::uint32_t(distinct), keySize), i + 1);
  return e;
}

TEST_F(NtxOrderTest, BuildReopenAndWalkBothWays) {
  struct Case {
    std::size_t n;
    int keySize;
    bool descending;
  };
  // Sizes around one page (keySize 20 holds 32 keys per page) and large
  // enough for three levels with big keys.
  const Case cases[] = {{0, 10, false}, {1, 10, false}, {32, 20, false}, {33, 20, true},
                        {1000, 20, false}, {1000, 20, true}, {20000, 120, false}, {3000, 256, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE("n=" + std::to_string(c.n) + " keySize=" + std::to_string(c.keySize));
    Entries input = RandomEntries(c.n, c.keySize, std::uint32_t(c.n), int(c.n / 3 + 1));
    std::string path = Path("walk.ntx");
    auto spec = CharSpec(c.keySize, false, c.descending);
    ASSERT_NE(NtxOrder::Create(path, spec, SourceOf(input)), nullptr);
    auto order = NtxOrder::Open(path);
    EXPECT_EQ(order->KeySize(), c.keySize);
    EXPECT_EQ(order->Descending(), c.descending);
    Entries expect = Sorted(input, c.descending);
    EXPECT_EQ(WalkForward(*order), expect);
    Entries back = WalkBackward(*order);
    std::reverse(back.begin(), back.end());
    EXPECT_EQ(back, expect);
    EXPECT_EQ(order->KeyCount(), c.n);
    NtxCheckReport r = order->Check();
    EXPECT_EQ(r.keys, c.n);

    // Key positions both ways: every position of small trees, a sample of big ones.
    NtxCursor cur(*order);
    std::size_t step = std::max<std::size_t>(1, c.n / 200);
    for (std::size_t i = 0; i < c.n; i += step) {
      ASSERT_TRUE(cur.GoToKeyNo(i + 1));
      EXPECT_EQ(cur.RecNo(), expect[i].second);
      EXPECT_EQ(cur.KeyNo(), i + 1);
    }
    EXPECT_FALSE(cur.GoToKeyNo(c.n + 1));
    EXPECT_FALSE(cur.GoToKeyNo(0));
  }
}

TEST_F(NtxOrderTest, HeaderOfNewFile) {
  struct Case {
    const char* keyExpr;
    const char* forExpr;
    int size;
    int decimals;
    char type;
    bool unique;
    bool descending;
    std::uint16_t signature;
    std::uint16_t maxItems;
  };
  const Case cases[] = {
      {"UPPER(NAME)", "", 20, 0, 'C', false, false, 0x0006, 32},
      {"AMOUNT", "AMOUNT > 0", 10, 2, 'N', true, false, 0x0007, 50},
      {"DTOS(BORN)", "", 8, 0, 'D', false, true, 0x0006, 54},
      {"PAID", "!DELETED()", 1, 0, 'L', true, true, 0x0007, 90},
      {"NAME", "", 256, 0, 'C', false, false, 0x0006, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keyExpr);
    NtxCreateSpec spec;
    spec.keyExpr = c.keyExpr;
    spec.forExpr = c.forExpr;
    spec.key = {c.type, c.size, c.decimals};
    spec.unique = c.unique;
    spec.descending = c.descending;
    std::string path = Path("people.ntx");
    ASSERT_NE(NtxOrder::Create(path, spec, {}), nullptr);
    std::string b = ReadFile(path);
    ASSERT_EQ(b.size(), 2 * kPageSize);
    auto u16 = [&](int off) { return std::uint16_t(std::uint8_t(b[off]) | std::uint8_t(b[off + 1]) << 8); };
    EXPECT_EQ(u16(0), c.signature);
    EXPECT_EQ(u16(4), kPageSize);  // root: the first page after the header
    EXPECT_EQ(u16(8), 0);          // no free pages
    EXPECT_EQ(u16(12), c.size + 8);
    EXPECT_EQ(u16(14), c.size);
    EXPECT_EQ(u16(16), c.decimals);
    EXPECT_EQ(u16(18), c.maxItems);
    EXPECT_EQ(u16(20), c.maxItems / 2);
    EXPECT_EQ(std::string(b.data() + 22), c.keyExpr);
    EXPECT_EQ(b[278], c.unique ? 1 : 0);
    EXPECT_EQ(b[280], c.descending ? 1 : 0);
    EXPECT_EQ(std::string(b.data() + 282), c.forExpr);
    EXPECT_EQ(std::string(b.data() + 538), "PEOPLE");
    EXPECT_EQ(b.substr(551, kPageSize - 551).find_first_not_of('\0'), std::string::npos) << "unused bytes must be zero";

    auto order = NtxOrder::Open(path);
    EXPECT_EQ(order->KeyExpr(), c.keyExpr);
    EXPECT_EQ(order->ForExpr(), c.forExpr);
    EXPECT_EQ(order->HasFor(), *c.forExpr != 0);
    EXPECT_EQ(order->Unique(), c.unique);
    EXPECT_EQ(order->Descending(), c.descending);
    EXPECT_EQ(order->KeyDecimals(), c.decimals);
    EXPECT_EQ(order->KeyCount(), 0u);
  }
}

TEST_F(NtxOrderTest, SeekFoundSoftLastAndPartial) {
  const Entries input = {{"BAKER ", 1}, {"ADAMS ", 2}, {"BAKER ", 3}, {"CLARK ", 4}, {"BALL  ", 5}, {"BAKER ", 6}};
  struct Case {
    const char* key;
    bool soft;
    bool last;
    bool found;
    std::uint32_t rec;  // 0: EOF
  };
  const Case asc[] = {
      {"BAKER ", false, false, true, 1}, {"BAKER ", false, true, true, 6}, {"BA", false, false, true, 1},
      {"BA", false, true, true, 5},      {"B", false, true, true, 5},     {"BAL", false, false, true, 5},
      {"BB", false, false, false, 0},    {"BB", true, false, false, 4},   {"BB", true, true, false, 4},
      {"A", false, false, true, 2},      {"AAA", true, false, false, 2},  {"ZZ", true, false, false, 0},
      {"ZZ", false, true, false, 0},     {"", false, false, true, 2},     {"CLARK  TOO LONG", false, false, true, 4},
  };
  const Case desc[] = {
      {"BAKER ", false, false, true, 1}, {"BAKER ", false, true, true, 6}, {"BA", false, false, true, 5},
      {"BB", true, false, false, 5},     {"ZZ", true, false, false, 4},   {"A", false, false, true, 2},
      {"AAA", true, false, false, 0},    {"AAA", false, false, false, 0},
  };
  for (bool descending : {false, true}) {
    std::string path = Path("seek.ntx");
    auto order = NtxOrder::Create(path, CharSpec(6, false, descending), SourceOf(input));
    NtxCursor cur(*order);
    for (const Case& c : descending ? std::span<const Case>(desc) : std::span<const Case>(asc)) {
      SCOPED_TRACE(std::string(descending ? "desc " : "asc ") + "'" + c.key + "' soft=" + std::to_string(c.soft) +
                   " last=" + std::to_string(c.last));
      EXPECT_EQ(cur.Seek(c.key, c.soft, c.last), c.found);
      EXPECT_EQ(cur.Found(), c.found);
      EXPECT_EQ(cur.Eof(), c.rec == 0);
      EXPECT_EQ(cur.RecNo(), c.rec);
    }
  }
}

TEST_F(NtxOrderTest, SkipAtTheEdges) {
  Entries input = {{"A", 1}, {"B", 2}, {"C", 3}};
  auto order = NtxOrder::Create(Path("e.ntx"), CharSpec(1), SourceOf(input));
  NtxCursor c(*order);
  ASSERT_TRUE(c.GoTop());
  EXPECT_EQ(c.Skip(-1), 0);
  EXPECT_TRUE(c.Bof());
  EXPECT_EQ(c.RecNo(), 1u);
  EXPECT_EQ(c.Skip(5), 2);  // onto the last key; EOF is no entry
  EXPECT_TRUE(c.Eof());
  EXPECT_EQ(c.KeyNo(), 0u);
  EXPECT_EQ(c.Skip(-1), -1);  // from EOF onto the last key
  EXPECT_EQ(c.RecNo(), 3u);
  EXPECT_EQ(c.Skip(-7), -2);
  EXPECT_TRUE(c.Bof());
  EXPECT_EQ(c.RecNo(), 1u);
  EXPECT_EQ(c.Skip(2), 2);
  EXPECT_EQ(c.KeyNo(), 3u);
  EXPECT_EQ(std::string(c.Key()), "C");

  auto empty = NtxOrder::Create(Path("empty.ntx"), CharSpec(1), {});
  NtxCursor e(*empty);
  EXPECT_FALSE(e.GoTop());
  EXPECT_TRUE(e.Eof());
  EXPECT_TRUE(e.Bof());
  EXPECT_EQ(e.Skip(1), 0);
  EXPECT_EQ(e.Skip(-1), 0);
  EXPECT_FALSE(e.Seek("A", true));
  EXPECT_TRUE(e.Eof());
}

// Inserts and deletes in random order with small pages (8 keys each) so the
// tree splits, borrows and merges at every level; the file is checked on
// disk after every batch and compared with a model.
TEST_F(NtxOrderTest, RandomMaintenanceKeepsAValidTree) {
  for (bool descending : {false, true}) {
    SCOPED_TRACE(descending ? "descending" : "ascending");
    const int ks = 100;  // 8 keys per page
    std::string path = Path("m.ntx");
    auto order = NtxOrder::Create(path, CharSpec(ks, false, descending), {});
    std::set<Entry> model;
    std::mt19937 rng(descending ? 11 : 5);
    std::uint32_t nextRec = 1;
    auto check = [&]() -> NtxCheckReport {
      NtxCheckReport r = order->Check();
      EXPECT_EQ(r.keys, model.size());
      Entries expect = Sorted(Entries(model.begin(), model.end()), descending);
      EXPECT_EQ(WalkForward(*order), expect);
      EXPECT_EQ(order->KeyCount(), model.size());
      if (!expect.empty()) {
        NtxCursor c(*order);
        std::size_t i = rng() % expect.size();
        EXPECT_TRUE(c.GoToKey(expect[i].first, expect[i].second));
        EXPECT_EQ(c.KeyNo(), i + 1);
      }
      return r;
    };
    int maxDepth = 0;
    for (int round = 0; round < 6; ++round) {
      for (int i = 0; i < 700; ++i) {
        std::string key = NumKey(rng() % 400, ks);
        ASSERT_TRUE(order->Insert(key, nextRec));
        model.insert({key, nextRec++});
      }
      maxDepth = std::max(maxDepth, check().depth);
      // Delete about half, including entries that sit in branch pages.
      std::vector<Entry> all(model.begin(), model.end());
      std::shuffle(all.begin(), all.end(), rng);
      for (std::size_t i = 0; i < all.size() / 2; ++i) {
        ASSERT_TRUE(order->Delete(all[i].first, all[i].second));
        model.erase(all[i]);
      }
      check();
    }
    EXPECT_GE(maxDepth, 4) << "the root should have split at least three times";
    // Delete everything: the tree shrinks back to one empty root page.
    for (const Entry& e : std::vector<Entry>(model.begin(), model.end())) ASSERT_TRUE(order->Delete(e.first, e.second));
    model.clear();
    EXPECT_EQ(check().depth, 1);
    EXPECT_FALSE(order->Delete(NumKey(1, ks), 1));
    // Freed pages are reused before the file grows.
    auto size = std::filesystem::file_size(path);
    for (std::uint32_t i = 0; i < 500; ++i) {
      ASSERT_TRUE(order->Insert(NumKey(i, ks), i + 1));
      model.insert({NumKey(i, ks), i + 1});
    }
    check();
    EXPECT_EQ(std::filesystem::file_size(path), size);
    // A reopened file shows the same.
    order.reset();
    order = NtxOrder::Open(path);
    check();
  }
}

TEST_F(NtxOrderTest, UniqueKeepsTheFirstRecord) {
  Entries input = {{"B", 1}, {"A", 2}, {"B", 3}, {"A", 4}, {"C", 5}};
  auto order = NtxOrder::Create(Path("u.ntx"), CharSpec(1, true), SourceOf(input));
  EXPECT_EQ(WalkForward(*order), (Entries{{"A", 2}, {"B", 1}, {"C", 5}}));
  EXPECT_FALSE(order->Insert("B", 9));
  EXPECT_TRUE(order->Insert("D", 9));
  EXPECT_FALSE(order->Update("D", "A", 9)) << "A belongs to record 2";
  EXPECT_TRUE(order->Update("C", "E", 5));
  EXPECT_EQ(WalkForward(*order), (Entries{{"A", 2}, {"B", 1}, {"E", 5}}));
  order->Check();
}

TEST_F(NtxOrderTest, NumericDateAndLogicKeysInValueOrder) {
  ScopedRuntime rt;
  struct Case {
    KeySpec spec;
    std::vector<Usual> values;  // in expected ascending order
  };
  const Case cases[] = {
      {{'N', 8, 2}, {Usual(-9999.99), Usual(-100), Usual(-12.5), Usual(-5), Usual(-0.01), Usual(0), Usual(0.01),
                     Usual(5), Usual(12.5), Usual(100), Usual(99999.99)}},
      {{'N', 5, 0}, {Usual(-9999), Usual(-10), Usual(-9), Usual(-1), Usual(0), Usual(1), Usual(9), Usual(10)}},
      {{'D', 8, 0}, {Usual(Date()), Usual(Date::FromYMD(1899, 12, 31)), Usual(Date::FromYMD(1999, 1, 1)),
                     Usual(Date::FromYMD(2024, 2, 29))}},
      {{'L', 1, 0}, {Usual(false), Usual(true)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(1, c.spec.type));
    // Hand the values over in reverse so the build has to sort them.
    Entries input;
    for (std::size_t i = c.values.size(); i-- > 0;) input.emplace_back(EncodeKey(c.values[i], c.spec), i + 1);
    NtxCreateSpec spec;
    spec.keyExpr = "X";
    spec.key = c.spec;
    auto order = NtxOrder::Create(Path("v.ntx"), spec, SourceOf(input));
    EXPECT_EQ(order->KeyType(), c.spec.type);
    NtxCursor cur(*order);
    std::size_t i = 0;
    for (bool ok = cur.GoTop(); ok && !cur.Eof(); ok = cur.Skip(1) == 1, ++i) {
      ASSERT_LT(i, c.values.size());
      EXPECT_EQ(cur.RecNo(), i + 1);
      Usual shown = cur.KeyVal();
      if (c.spec.type == 'N')
        EXPECT_DOUBLE_EQ(shown.AsFloat(), c.values[i].AsFloat());
      else
        EXPECT_EQ(shown, c.values[i]);
    }
    EXPECT_EQ(i, c.values.size());
  }
}

// A cursor stays on its record while the tree changes under it.
TEST_F(NtxOrderTest, CursorFollowsChanges) {
  Entries input;
  for (std::uint32_t i = 1; i <= 300; ++i) input.emplace_back(NumKey(i * 10, 12), i);
  auto order = NtxOrder::Create(Path("c.ntx"), CharSpec(12), SourceOf(input));
  NtxCursor cur(*order);
  ASSERT_TRUE(cur.Seek(NumKey(1500, 12)));
  ASSERT_EQ(cur.RecNo(), 150u);
  // Many inserts before it split pages; the cursor keeps its entry.
  for (std::uint32_t i = 0; i < 200; ++i) ASSERT_TRUE(order->Insert(NumKey(i * 10 + 5, 12), 1000 + i));
  EXPECT_EQ(cur.RecNo(), 150u);
  EXPECT_EQ(cur.KeyNo(), 150u + 150u);
  EXPECT_EQ(cur.Skip(1), 1);
  EXPECT_EQ(cur.RecNo(), 1150u);  // key 1505
  // The record's key changes: it moves, and the next Skip follows the new order.
  ASSERT_TRUE(order->Update(NumKey(1505, 12), NumKey(1, 12), 1150));
  ASSERT_TRUE(cur.GoToKey(NumKey(1, 12), 1150));
  EXPECT_EQ(cur.KeyNo(), 1u);
  EXPECT_EQ(cur.Skip(1), 1);
  EXPECT_EQ(cur.RecNo(), 1000u);  // key 5
  // The current entry is deleted: forward goes to its successor, backward
  // to its predecessor.
  ASSERT_TRUE(cur.Seek(NumKey(2000, 12)));
  ASSERT_TRUE(order->Delete(NumKey(2000, 12), 200));
  EXPECT_EQ(cur.Skip(1), 1);
  EXPECT_EQ(std::string(cur.Key()), NumKey(2010, 12));
  ASSERT_TRUE(cur.Seek(NumKey(2010, 12)));
  ASSERT_TRUE(order->Delete(NumKey(2010, 12), 201));
  EXPECT_EQ(cur.Skip(-1), -1);
  EXPECT_EQ(std::string(cur.Key()), NumKey(1995, 12));
  order->Check();
}

TEST_F(NtxOrderTest, ProgressCancelKeepsTheOldFile) {
  std::string path = Path("p.ntx");
  Entries small = {{"A", 1}};
  ASSERT_NE(NtxOrder::Create(path, CharSpec(1), SourceOf(small)), nullptr);
  std::string before = ReadFile(path);
  Entries big = RandomEntries(200000, 10, 3, 1000);
  std::vector<NtxBuildProgress::Phase> phases;
  auto cancelWhileWriting = [&](const NtxBuildProgress& p) {
    if (phases.empty() || phases.back() != p.phase) phases.push_back(p.phase);
    return p.phase != NtxBuildProgress::Phase::Writing;
  };
  EXPECT_EQ(NtxOrder::Create(path, CharSpec(10), SourceOf(big), cancelWhileWriting), nullptr);
  EXPECT_EQ(phases, (std::vector<NtxBuildProgress::Phase>{NtxBuildProgress::Phase::Reading,
                                                          NtxBuildProgress::Phase::Sorting,
                                                          NtxBuildProgress::Phase::Writing}));
  EXPECT_EQ(ReadFile(path), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1) << "no temporary file left";
}

TEST_F(NtxOrderTest, ArgumentErrors) {
  std::string path = Path("a.ntx");
  auto order = NtxOrder::Create(path, CharSpec(4), {});
  struct Case {
    const char* what;
    std::function<void()> call;
    int gen;
  };
  NtxCreateSpec longExpr = CharSpec(4);
  longExpr.keyExpr = std::string(300, 'X');
  NtxCreateSpec badType = CharSpec(4);
  badType.key.type = 'X';
  NtxCreateSpec tooBig = CharSpec(4);
  tooBig.key.size = 257;
  Entries wrongSize = {{"ABCDE", 1}};
  const Case cases[] = {
      {"short key", [&] { order->Insert("AB", 1); }, gen::DataWidth},
      {"record 0", [&] { order->Insert("ABCD", 0); }, gen::Arg},
      {"long expression", [&] { NtxOrder::Create(path, longExpr, {}); }, gen::Arg},
      {"key type", [&] { NtxOrder::Create(path, badType, {}); }, gen::Arg},
      {"key size", [&] { NtxOrder::Create(path, tooBig, {}); }, gen::Arg},
      {"source key size", [&] { NtxOrder::Create(path, CharSpec(4), SourceOf(wrongSize)); }, gen::Arg},
      {"missing file", [&] { NtxOrder::Open(Path("none.ntx")); }, gen::Open},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ErrorRef e = ErrorOf(c.call);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->GenCode, c.gen);
    EXPECT_EQ(e->SubSystem, "DBFNTX");
  }
  order.reset();
  NtxOpenOptions ro;
  ro.readOnly = true;
  auto r = NtxOrder::Open(path, ro);
  ErrorRef e = ErrorOf([&] { r->Insert("ABCD", 1); });
  ASSERT_TRUE(e);
  EXPECT_EQ(e->GenCode, gen::ReadOnly);
}

TEST_F(NtxOrderTest, ZapEmptiesTheOrder) {
  Entries input = RandomEntries(500, 10, 1, 100);
  std::string path = Path("z.ntx");
  auto order = NtxOrder::Create(path, CharSpec(10), SourceOf(input));
  order->Zap();
  EXPECT_EQ(order->KeyCount(), 0u);
  EXPECT_EQ(std::filesystem::file_size(path), 2 * kPageSize);
  EXPECT_TRUE(order->Insert(NumKey(1, 10), 1));
  EXPECT_EQ(WalkForward(*order).size(), 1u);
}

}  // namespace
}  // namespace kt::ntx::test
