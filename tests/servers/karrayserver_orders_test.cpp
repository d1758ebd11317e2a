#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/runtime/compiler/macro.h"
#include "server_fixture.h"
#include "servers/order_tree.h"
#include "support/kcodeblock.h"

namespace kt {
namespace {

using test::CustomerStruct;
using test::RecordingClient;

// Walks the server from the top and lists the record numbers.
std::vector<std::int64_t> Walk(kArrayServer& s) {
  std::vector<std::int64_t> recs;
  for (s.GoTop(); !s.EoF(); s.Skip(1)) recs.push_back(s.RecNo());
  return recs;
}

std::vector<std::int64_t> WalkBack(kArrayServer& s) {
  std::vector<std::int64_t> recs;
  s.GoBottom();
  while (!s.BoF() && !s.EoF()) {
    recs.push_back(s.RecNo());
    s.Skip(-1);
  }
  return recs;
}

Ref<kArrayServer> KeyServer(std::vector<Usual> keys, const char* type = "N") {
  Array data;
  for (const Usual& k : keys) data.Add(Usual(Array{k}));
  return New<kArrayServer>(Usual(Array{Usual(Array{"K", type, 10, 0})}), Usual(data));
}

TEST(ArrayServerOrders, EqualKeysStayInRecordOrder) {
  auto s = KeyServer({3, 1, 2, 1});
  ASSERT_TRUE(s->CreateOrder("Server:K"));
  EXPECT_EQ(Walk(*s), (std::vector<std::int64_t>{2, 4, 3, 1}));
  EXPECT_EQ(WalkBack(*s), (std::vector<std::int64_t>{1, 3, 4, 2}));
  EXPECT_EQ(s->OrderKeyCount(), 4u);
  s->GoTo(3);
  EXPECT_EQ(s->OrderKeyNo(), Usual(3));
}

TEST(ArrayServerOrders, DescendingLogicListsTrueFirst) {
  auto s = KeyServer({false, true, false, true}, "L");
  s->CreateOrder("Server:K", NIL, NIL, true);
  EXPECT_EQ(Walk(*s), (std::vector<std::int64_t>{2, 4, 1, 3}));
  auto asc = KeyServer({true, false}, "L");
  asc->CreateOrder("Server:K");
  EXPECT_EQ(Walk(*asc), (std::vector<std::int64_t>{2, 1}));
}

TEST(ArrayServerOrders, ForConditionWhileAndProgress) {
  auto s = KeyServer({5, 1, 4, 2, 3});
  int calls = 0;
  auto progress = Codeblock::FromFunction([&](Args) {
    ++calls;
    return Usual(true);
  });
  s->CreateOrder("Server:K", "Server:K > 1", NIL, NIL, Usual(progress), 2);
  EXPECT_EQ(Walk(*s), (std::vector<std::int64_t>{4, 5, 3, 1}));
  EXPECT_EQ(calls, 1);  // record 4 is the only qualifying multiple of 2... and record 2 fails FOR
  EXPECT_EQ(s->OrderInfo(1), Usual("Server:K > 1"));
  EXPECT_EQ(s->OrderInfo(23), Usual(true));
  auto bounded = KeyServer({1, 2, 3, 4});
  bounded->CreateOrder("Server:K", NIL, "Server:K < 3");
  EXPECT_EQ(bounded->OrderKeyCount(), 2u);
}

// FALSE from the progress block cancels the build: no order is installed and
// the previous order and position stay.
TEST(ArrayServerOrders, CancelledBuildInstallsNothing) {
  auto stop = Usual(Codeblock::FromFunction([](Args) { return Usual(false); }));
  auto s = KeyServer({4, 3, 2, 1});
  RecordingClient client;
  s->RegisterClient(&client);
  ASSERT_TRUE(s->CreateOrder("Server:K"));
  s->GoTo(2);
  client.notes.clear();
  EXPECT_FALSE(s->CreateOrder("-Server:K", NIL, NIL, NIL, stop, 3));
  EXPECT_EQ(s->OrderCount(), 1u);
  EXPECT_EQ(s->IndexOrd(), 1);
  EXPECT_EQ(s->RecNo(), 2);
  EXPECT_EQ(s->OrderKeyNo(), Usual(3));
  EXPECT_EQ(client.Codes(), std::vector<int>{2}) << "nothing changed that clients must reload";
  EXPECT_EQ(Walk(*s), (std::vector<std::int64_t>{4, 3, 2, 1}));

  auto plain = KeyServer({4, 3, 2, 1});
  plain->GoTo(3);
  EXPECT_FALSE(plain->CreateOrder("Server:K", NIL, NIL, NIL, stop, 1));
  EXPECT_EQ(plain->OrderCount(), 0u);
  EXPECT_EQ(plain->IndexOrd(), 0);
  EXPECT_EQ(plain->RecNo(), 3);
  EXPECT_FALSE(plain->EoF());
}

// Key maintenance takes only record numbers of the data; anything else is
// reported and changes nothing (no huge allocation, no alias of another
// record through a cut-off number).
TEST(ArrayServerOrders, KeyMaintenanceRejectsRecordNumbersOutsideTheData) {
  auto s = KeyServer({30, 10, 20});
  ASSERT_TRUE(s->CreateOrder("Server:K"));
  const std::vector<std::int64_t> walk{2, 3, 1};
  const std::int64_t aliasOf2 = (std::int64_t(1) << 32) + 2;
  struct Case {
    const char* what;
    std::function<void(kArrayServer&)> op;
  } cases[] = {
      {"add 4e9", [](kArrayServer& k) { k.OrderKeyAdd(1, Usual(5), 4000000000); }},
      {"add 2^32+2", [&](kArrayServer& k) { k.OrderKeyAdd(1, Usual(5), aliasOf2); }},
      {"add past the end", [](kArrayServer& k) { k.OrderKeyAdd(1, Usual(5), 4); }},
      {"add 0", [](kArrayServer& k) { k.OrderKeyAdd(1, Usual(5), 0); }},
      {"add -1 renumbering", [](kArrayServer& k) { k.OrderKeyAdd(1, Usual(5), -1, true); }},
      // Renumbering without a record inserted would push the last key past
      // the data.
      {"renumbering add at the last record", [](kArrayServer& k) { k.OrderKeyAdd(1, Usual(5), 3, true); }},
      {"renumbering add at the first record", [](kArrayServer& k) { k.OrderKeyAdd(1, Usual(5), 1, true); }},
      {"del 2^32+2", [&](kArrayServer& k) { k.OrderKeyDel(1, aliasOf2); }},
      {"del 2^32+2 renumbering", [&](kArrayServer& k) { k.OrderKeyDel(1, aliasOf2, true); }},
      {"del 0", [](kArrayServer& k) { k.OrderKeyDel(1, 0); }},
      {"late-bound add 4e9",
       [](kArrayServer& k) {
         const Usual a[] = {Usual(1), Usual(5), Usual(std::int64_t(4000000000))};
         k.Send(Symbol("OrderKeyAdd"), Args(a, 3));
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    s->GoTop();
    c.op(*s);
    EXPECT_TRUE(s->ErrorPending());
    EXPECT_EQ(s->OrderKeyCount(), 3u);
    EXPECT_EQ(Walk(*s), walk);
  }
  EXPECT_EQ(s->OrderKeyNoToRecord(1, (std::int64_t(1) << 32) + 1), 0u) << "not the position of record 1";
  EXPECT_EQ(s->OrderKeyNoToRecord(1, 1), 3u);
}

// Renumbering belongs to a record the server itself has just inserted; asked
// for from outside it is refused, also when the last record has no key to
// give it away (it fails the FOR condition).
TEST(ArrayServerOrders, RenumberingKeyAddIsRefusedFromOutside) {
  auto s = KeyServer({30, 20, 10});
  ASSERT_TRUE(s->CreateOrder("Server:K", "Server:K > 15"));
  ASSERT_EQ(Walk(*s), (std::vector<std::int64_t>{2, 1}));
  for (std::int64_t rec : {1, 2, 3}) {
    SCOPED_TRACE(rec);
    s->ClearError();
    EXPECT_FALSE(s->OrderKeyAdd(1, Usual(5), rec, true));
    EXPECT_TRUE(s->ErrorPending());
    EXPECT_EQ(Walk(*s), (std::vector<std::int64_t>{2, 1}));
    // Likewise a renumbering delete: the record stays, so the shift would
    // make the following keys name their neighbours.
    s->ClearError();
    EXPECT_FALSE(s->OrderKeyDel(1, rec, true));
    EXPECT_TRUE(s->ErrorPending());
    EXPECT_EQ(Walk(*s), (std::vector<std::int64_t>{2, 1}));
  }
  // A physical delete still renumbers every order itself.
  s->GoTo(1);
  ASSERT_TRUE(s->Delete(Usual(true)));
  EXPECT_EQ(Walk(*s), (std::vector<std::int64_t>{1}));  // K 20, now record 1
}

// Hidden records are judged on their own values, also when the search starts
// at the end of file.
TEST(ArrayServerOrders, SeekFromEndOfFileUnderAFilter) {
  ScopedRuntime rt;
  auto s = KeyServer({30, 10, 20});
  s->CreateOrder("Server:K");
  s->SetFilter("Server:K > 15");
  s->GoBottom();
  s->Skip(1);
  ASSERT_TRUE(s->EoF());
  EXPECT_TRUE(s->Seek(20));
  EXPECT_EQ(s->RecNo(), 3);
  s->GoBottom();
  s->Skip(1);
  EXPECT_FALSE(s->Seek(10)) << "record 2 is hidden by the filter";
}

TEST(ArrayServerOrders, EditingTheKeyMovesTheRecord) {
  auto s = KeyServer({10, 20, 30, 40});
  s->CreateOrder("Server:K");
  s->GoTo(2);
  s->FieldPut("K", 35);
  EXPECT_EQ(s->OrderKeyNo(), Usual(3));
  s->Skip(1);
  EXPECT_EQ(s->RecNo(), 4);  // the next key after the new place
  EXPECT_EQ(Walk(*s), (std::vector<std::int64_t>{1, 3, 2, 4}));
  s->GoTo(3);
  s->FieldPut("K", 0);
  s->Refresh();  // back to the stored value and its key
  EXPECT_EQ(Walk(*s), (std::vector<std::int64_t>{1, 3, 2, 4}));
}

// How an order is set up for the walk tests below; a fresh server over the
// same data and set up the same way gives the walk to compare with.
struct OrderSetup {
  const char* forText = nullptr;
  bool descending = false;
  const char* filter = nullptr;
};

void Prepare(kArrayServer& s, const OrderSetup& o) {
  s.CreateOrder("Server:K", o.forText ? Usual(o.forText) : NIL, NIL, o.descending);
  if (o.filter) s.SetFilter(o.filter);
}

std::vector<std::int64_t> FreshWalk(kArrayServer& s, const OrderSetup& o) {
  auto fresh = New<kArrayServer>(Usual(Array{Usual(Array{"K", "N", 10, 0})}), s.Data());
  Prepare(*fresh, o);
  return Walk(*fresh);
}

// Skips from where the server stands until it cannot move; the records met.
std::vector<std::int64_t> SkipAll(kArrayServer& s, int direction) {
  std::vector<std::int64_t> recs;
  for (;;) {
    s.Skip(direction);
    if (direction > 0 ? s.EoF() : s.BoF()) break;
    recs.push_back(s.RecNo());
  }
  return recs;
}

// From the position `make` leaves, Skip(1) must meet `next` first (0: end of
// file) and Skip(-1) `prev` (0: beginning of file), and the two walks must
// split a fresh walk of the same order exactly there.
void ExpectWalksFromHere(const std::function<Ref<kArrayServer>()>& make, const OrderSetup& o, std::int64_t next,
                         std::int64_t prev) {
  auto s = make();
  const std::int64_t here = s->RecNo();
  const bool atEnd = s->EoF();
  const auto forward = SkipAll(*s, 1);
  const auto backward = SkipAll(*make(), -1);
  EXPECT_EQ(forward.empty() ? 0 : forward.front(), next) << "Skip(1)";
  EXPECT_EQ(backward.empty() ? 0 : backward.front(), prev) << "Skip(-1)";
  const auto fresh = FreshWalk(*s, o);
  std::vector<std::int64_t> joined(backward.rbegin(), backward.rend());
  if (!atEnd && std::find(fresh.begin(), fresh.end(), here) != fresh.end()) joined.push_back(here);
  joined.insert(joined.end(), forward.begin(), forward.end());
  EXPECT_EQ(joined, fresh) << "both walks together against a fresh walk";
}

// Keys 50 10 40 20 30: ascending 2 4 5 3 1; with FOR K > 15 only 4 5 3 1.
TEST(ArrayServerOrders, SkipAfterKeyEditsReachesTheNeighboursInTheOrder) {
  ScopedRuntime rt;
  const OrderSetup over15{"Server:K > 15"};
  struct Case {
    const char* what;
    OrderSetup order;
    std::int64_t start;  // 0: a new record appended at the end
    std::vector<int> puts;
    std::int64_t next, prev;
  } cases[] = {
      {"drops out of a FOR order", over15, 5, {0}, 3, 4},
      {"drops out as the first key", over15, 4, {0}, 5, 0},
      {"drops out as the last key", over15, 1, {5}, 0, 3},
      {"drops out of a descending FOR order", {"Server:K > 15", true}, 3, {0}, 5, 1},
      {"drops out under a filter", {"Server:K > 15", false, "Server:K <> 20"}, 5, {0}, 3, 0},
      {"drops out and comes back elsewhere", over15, 5, {0, 45}, 1, 3},
      {"moves inside a FOR order", over15, 4, {45}, 1, 3},
      {"an appended record enters a FOR order", over15, 0, {35}, 3, 5},
      {"moves inside a descending order", {nullptr, true}, 2, {35}, 5, 3},
      {"moves under a filter", {nullptr, false, "Server:K <> 30"}, 4, {35}, 3, 2},
      {"moves and becomes hidden by the filter", {nullptr, false, "Server:K < 45"}, 4, {47}, 0, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectWalksFromHere(
        [&] {
          auto s = KeyServer({50, 10, 40, 20, 30});
          Prepare(*s, c.order);
          if (c.start) s->GoTo(c.start);
          else s->Append();
          for (int k : c.puts) s->FieldPut("K", k);
          return s;
        },
        c.order, c.next, c.prev);
  }
}

// Pack renumbers the records; the position, every order and Skip both ways
// must then agree with orders built afresh on the packed data.
TEST(ArrayServerOrders, PackKeepsPositionAndOrdersInStep) {
  ScopedRuntime rt;
  const OrderSetup over15{"Server:K > 15"};
  struct Case {
    const char* what;
    OrderSetup order;
    std::vector<std::int64_t> deleted;  // marked before the pack
    std::int64_t start;                 // 0: end of file
    std::vector<int> puts;              // on the start record
    std::int64_t after;                 // current record after the pack; 0: end of file
    std::int64_t next, prev;
  } cases[] = {
      {"current record kept in a FOR order", over15, {2}, 5, {}, 4, 2, 3},
      {"current record dropped out of a FOR order", over15, {2}, 5, {0}, 4, 2, 3},
      {"current record deleted: the next key follows", {}, {5}, 5, {}, 3, 1, 4},
      {"current last key deleted in a FOR order", over15, {1}, 1, {}, 2, 0, 4},
      {"a record before the current one deleted, descending", {nullptr, true}, {3}, 4, {}, 3, 2, 4},
      {"current record deleted, the next key is hidden", {nullptr, false, "Server:K <> 40"}, {4, 5}, 5, {}, 3, 1, 2},
      {"end of file stays", over15, {2, 3}, 0, {}, 0, 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto make = [&] {
      auto s = KeyServer({50, 10, 40, 20, 30});
      for (std::int64_t r : c.deleted) {
        s->GoTo(r);
        s->Delete(false);
      }
      s->CreateOrder("-Server:K");  // a second order kept current beside the active one
      Prepare(*s, c.order);
      s->SetOrder(2);
      if (c.start) s->GoTo(c.start);
      else s->GoTo(99);
      for (int k : c.puts) s->FieldPut("K", k);
      s->Pack();
      return s;
    };
    auto s = make();
    EXPECT_EQ(s->EoF() ? 0 : s->RecNo(), c.after);
    auto fresh = New<kArrayServer>(Usual(Array{Usual(Array{"K", "N", 10, 0})}), s->Data());
    fresh->CreateOrder("-Server:K");
    Prepare(*fresh, c.order);
    fresh->SetOrder(2);
    // A record outside the order stands where the key that follows it is.
    const std::int64_t keyed = c.puts.empty() ? c.after : c.next;
    fresh->GoTo(keyed ? keyed : fresh->LastRec() + 1);
    EXPECT_EQ(s->OrderKeyNo().AsInteger(), fresh->OrderKeyNo().AsInteger());
    ExpectWalksFromHere(make, c.order, c.next, c.prev);
    for (int n : {1, 2}) {
      s->SetOrder(n);
      fresh->SetOrder(n);
      EXPECT_EQ(Walk(*s), Walk(*fresh)) << "order " << n;
      EXPECT_EQ(WalkBack(*s), WalkBack(*fresh)) << "order " << n;
    }
  }
}

TEST(ArrayServerOrders, SeekFoundSoftAndEnd) {
  ScopedRuntime rt;
  auto s = KeyServer({30, 10, 20, 10});
  s->CreateOrder("Server:K");
  struct Case {
    Usual key;
    Usual soft;
    bool found;
    std::int64_t recNo;  // 5 = end of file
  } cases[] = {
      {10, NIL, true, 2},      {20, false, true, 3},  {15, false, false, 5}, {15, true, false, 3},
      {99, false, false, 5},   {99, true, false, 5},  {0, true, false, 2},   {"x", true, false, 5},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(s->Seek(c.key, c.soft), c.found) << AsString(c.key);
    EXPECT_EQ(s->RecNo(), c.recNo) << AsString(c.key);
    EXPECT_EQ(s->Found(), c.found);
  }
  rt->softSeek = true;
  EXPECT_FALSE(s->Seek(15));
  EXPECT_EQ(s->RecNo(), 3);
}

TEST(ArrayServerOrders, SeekPassesHiddenRecords) {
  ScopedRuntime rt;
  auto s = KeyServer({10, 10, 20});
  s->CreateOrder("Server:K");
  s->DeletedScope(2);
  s->GoTo(1);
  s->Delete(false);
  EXPECT_TRUE(s->Seek(10));
  EXPECT_EQ(s->RecNo(), 2);
  s->Delete(false);
  EXPECT_FALSE(s->Seek(10, true));
  EXPECT_EQ(s->RecNo(), 3);
}

TEST(ArrayServerOrders, SetOrderClearOrderAndInfo) {
  auto s = KeyServer({3, 1, 2});
  s->CreateOrder("Server:K");
  s->CreateOrder("-Server:K");
  EXPECT_EQ(s->IndexOrd(), 1);  // the first order stays active
  s->GoTo(2);
  EXPECT_TRUE(s->SetOrder(2));
  EXPECT_EQ(s->RecNo(), 2);
  EXPECT_EQ(Walk(*s), (std::vector<std::int64_t>{1, 3, 2}));
  s->GoTo(3);
  EXPECT_TRUE(s->SetOrder(0));
  EXPECT_EQ(s->RecNo(), 3);
  EXPECT_EQ(Walk(*s), (std::vector<std::int64_t>{1, 2, 3}));
  EXPECT_FALSE(s->SetOrder(7));
  EXPECT_TRUE(s->ErrorPending());
  EXPECT_EQ(s->OrderInfo(2, NIL, 2), Usual("-Server:K"));
  EXPECT_EQ(s->OrderInfo(44), Usual(2));
  EXPECT_EQ(s->OrderInfo(26, NIL, 1), Usual(3));
  s->SetOrder(1);
  s->GoTo(1);
  EXPECT_EQ(s->OrderInfo(38), Usual(3));
  EXPECT_EQ(s->OrderInfo(24), Usual("N"));
  EXPECT_EQ(s->IndexKey(), "Server:K");
  EXPECT_TRUE(s->ClearOrder(1));
  EXPECT_EQ(s->IndexOrd(), 1);  // the remaining order becomes active
  EXPECT_EQ(s->IndexKey(), "-Server:K");
  EXPECT_TRUE(s->ClearOrder());
  EXPECT_EQ(s->IndexOrd(), 0);
}

TEST(ArrayServerOrders, OrdersFollowAppendDeleteAndPack) {
  auto s = KeyServer({30, 10, 20});
  s->CreateOrder("Server:K");
  s->GoTo(1);
  s->Append(2);  // insert: later records move up
  s->FieldPut("K", 15);
  s->Commit();
  EXPECT_EQ(Walk(*s), (std::vector<std::int64_t>{3, 2, 4, 1}));
  s->GoTo(3);  // key 10
  s->Delete(true);
  EXPECT_EQ(Walk(*s), (std::vector<std::int64_t>{2, 3, 1}));
  s->GoTo(2);
  s->Delete(false);
  s->Pack();
  EXPECT_EQ(Walk(*s), (std::vector<std::int64_t>{2, 1}));
  s->Zap();
  EXPECT_EQ(s->OrderKeyCount(), 0u);
  EXPECT_TRUE(s->EoF());
}

// A key that fails on the inserted blank record leaves that record out of
// the order; the later records are still renumbered, so every key keeps
// naming its own record.
TEST(ArrayServerOrders, InsertWhoseKeyFailsStillRenumbers) {
  ScopedRuntime rt;
  auto s = KeyServer({1, 2, 5});
  RecordingClient client;
  s->RegisterClient(&client);
  ASSERT_TRUE(s->CreateOrder("10 / Server:K"));  // keys 10, 5, 2: walk 3, 2, 1
  ASSERT_TRUE(s->CreateOrder("Server:K"));
  s->GoTo(1);
  EXPECT_TRUE(s->Append(2));  // K of the blank record is 0
  EXPECT_FALSE(client.errors.empty());
  EXPECT_EQ(s->LastRec(), 4);
  s->SetOrder(1);
  EXPECT_EQ(Walk(*s), (std::vector<std::int64_t>{4, 3, 1}));
  s->SetOrder(2);
  EXPECT_EQ(Walk(*s), (std::vector<std::int64_t>{2, 1, 3, 4}));
}

// The same failure with nobody handling the error reaches the runtime's
// error block; by then the new record is in step with every order: all
// renumbered, the other orders keyed, the position set.
TEST(ArrayServerOrders, AppendWhoseKeyRaisesKeepsEveryOrderInStep) {
  ScopedRuntime rt;
  const auto keysInWalk = [](kArrayServer& s) {
    std::vector<std::int64_t> ks;
    for (auto rec : Walk(s)) s.GoTo(rec), ks.push_back(s.FieldGet("K").AsInteger());
    return ks;
  };
  for (bool failingFirst : {true, false}) {
    for (std::int64_t at : {2, 0}) {  // 0 appends at the end
      for (std::size_t active : {1u, 2u}) {
        SCOPED_TRACE(testing::Message() << "failing first " << failingFirst << " at " << at << " active " << active);
        auto s = KeyServer({30, 10, 20, 40});
        const std::size_t failingNo = failingFirst ? 1 : 2, plainNo = 3 - failingNo;
        for (std::size_t o : {1u, 2u}) ASSERT_TRUE(s->CreateOrder(o == failingNo ? "100 / Server:K" : "Server:K"));
        s->SetOrder(Usual(active));
        s->GoTo(3);
        EXPECT_ANY_THROW(s->Append(at ? Usual(at) : NIL));  // K of the blank record is 0
        const std::int64_t rec = at ? at : 5;
        EXPECT_EQ(s->LastRec(), 5);
        EXPECT_EQ(s->RecNo(), rec);
        EXPECT_FALSE(s->EoF());
        EXPECT_EQ(s->OrderKeyCount(Usual(plainNo)), 5u);
        EXPECT_EQ(s->OrderKeyCount(Usual(failingNo)), 4u);
        if (active == plainNo) {
          EXPECT_EQ(s->OrderKeyNo(), Usual(1));  // key 0 comes first
        }
        // Every key still names its own record: the walks read sorted keys.
        s->FieldPut("K", 15);
        s->Commit();
        s->SetOrder(Usual(plainNo));
        EXPECT_EQ(keysInWalk(*s), (std::vector<std::int64_t>{10, 15, 20, 30, 40}));
        s->SetOrder(Usual(failingNo));
        EXPECT_EQ(keysInWalk(*s), (std::vector<std::int64_t>{40, 30, 20, 15, 10}));
      }
    }
  }
}

// An edit whose key raises past the server is still in the buffer: the
// clients are told of it before the error
// goes on, and the orders keep the keys they had.
TEST(ArrayServerOrders, EditWhoseKeyRaisesIsStillAnnounced) {
  ScopedRuntime rt;
  auto s = KeyServer({30, 10, 20});
  ASSERT_TRUE(s->CreateOrder("100 / Server:K"));
  ASSERT_TRUE(s->CreateOrder("Server:K"));
  RecordingClient client;
  client.handlesErrors = false;
  s->RegisterClient(&client);
  s->GoTo(1);
  client.notes.clear();
  EXPECT_ANY_THROW(s->FieldPut("K", 0));
  EXPECT_EQ(client.Codes(), (std::vector<int>{notify::FieldChange}));
  EXPECT_EQ(s->FieldGet("K"), Usual(0));
  EXPECT_EQ(s->OrderKeyCount(Usual(1)), 3u);
  EXPECT_EQ(s->OrderKeyCount(Usual(2)), 3u);
  s->UnRegisterClient(&client);
}

// Counts far beyond the data end at the ends, in every kind of walk, and so
// do record and key numbers far outside it.
TEST(ArrayServerSkip, LargestCountsEndAtTheEnds) {
  ScopedRuntime rt;
  const std::pair<const char*, OrderSetup> setups[] = {
      {"natural", {}},
      {"filtered", {nullptr, false, "Server:K > 0"}},
  };
  for (bool ordered : {false, true}) {
    for (const auto& [name, setup] : setups) {
      SCOPED_TRACE(std::string(name) + (ordered ? " ordered" : ""));
      const auto make = [&] {
        auto s = KeyServer({1, 2, 3});
        if (ordered) s->CreateOrder("Server:K");
        if (setup.filter) s->SetFilter(setup.filter);
        s->GoTo(2);
        return s;
      };
      for (std::int64_t n : {INT64_MAX, INT64_MAX - 1, std::int64_t(4000000000)}) {
        auto s = make();
        s->Skip(n);
        EXPECT_TRUE(s->EoF()) << n;
        EXPECT_EQ(s->RecNo(), 4) << n;
      }
      for (std::int64_t n : {INT64_MIN, INT64_MIN + 1, std::int64_t(-4000000000)}) {
        auto s = make();
        s->Skip(n);
        EXPECT_TRUE(s->BoF()) << n;
        EXPECT_FALSE(s->EoF()) << n;
        EXPECT_EQ(s->RecNo(), 1) << n;
        s->GoBottom();
        s->Skip(1);
        s->Skip(n);  // from the end of file
        EXPECT_TRUE(s->BoF()) << n;
        EXPECT_EQ(s->RecNo(), 1) << n;
      }
      auto s = make();
      const Usual huge[] = {Usual(1e300)};
      s->Send(Symbol("Skip"), Args(huge, 1));
      EXPECT_TRUE(s->EoF());
      for (std::int64_t n : {INT64_MAX, INT64_MIN}) {
        s->GoTo(n);
        EXPECT_EQ(s->RecNo(), n > 0 || ordered ? 4 : 1) << n;
        s->OrderKeyNo(Usual(n));
        EXPECT_EQ(s->RecNo(), n > 0 || ordered ? 4 : 1) << n;
      }
    }
  }
}

TEST(ArrayServerOrders, KCodeblockKeysKeepTheirText) {
  auto s = KeyServer({2, 1});
  Ref<kCodeblock> key = New<kCodeblock>("Server:K * 10", NIL);
  key->Compile();
  s->CreateOrder(Usual(key));
  EXPECT_EQ(s->IndexKey(), "Server:K * 10");
  EXPECT_EQ(Walk(*s), (std::vector<std::int64_t>{2, 1}));
}

TEST(ArrayServerFilter, FilterTextUsesServerParameterAndArguments) {
  ScopedRuntime rt;
  Array data = test::Customers({{"Meier", 40}, {"Schulz", 25}, {"Abel", 33}, {"Zander", 51}});
  auto s = New<kArrayServer>(CustomerStruct(), Usual(data));
  ASSERT_TRUE(s->SetFilter("Server:AGE > 30"));
  EXPECT_EQ(s->Filter(), "Server:AGE > 30");
  EXPECT_EQ(Walk(*s), (std::vector<std::int64_t>{1, 3, 4}));
  auto between = CompileCodeblock("{|s, lo, hi| s:AGE >= lo .AND. s:AGE <= hi}");
  s->SetFilter(Usual(between), NIL, 30, 45);
  EXPECT_EQ(Walk(*s), (std::vector<std::int64_t>{1, 3}));
  s->CreateOrder("Server:NAME");
  EXPECT_EQ(Walk(*s), (std::vector<std::int64_t>{3, 1}));
  EXPECT_TRUE(s->ClearFilter());
  EXPECT_EQ(Walk(*s), (std::vector<std::int64_t>{3, 1, 2, 4}));
  EXPECT_FALSE(s->ClearFilter());
}

TEST(ArrayServerFilter, LocateWithScopeAndWhile) {
  auto s = KeyServer({1, 5, 2, 6, 3});
  EXPECT_TRUE(s->Locate("Server:K > 4"));
  EXPECT_EQ(s->RecNo(), 2);
  EXPECT_TRUE(s->Locate("Server:K > 4", NIL, true));  // continue from the next record
  EXPECT_EQ(s->RecNo(), 4);
  EXPECT_FALSE(s->Locate("Server:K > 4", NIL, true));
  EXPECT_TRUE(s->EoF());
  s->GoTop();
  EXPECT_FALSE(s->Locate("Server:K > 4", "Server:K < 5"));  // WHILE stops at record 2
  EXPECT_EQ(s->RecNo(), 2);
}

TEST(ArrayServerErrors, FailingBlocksGoThroughTheErrorProtocol) {
  ScopedRuntime rt;
  auto s = KeyServer({1, 2});
  RecordingClient client;
  s->RegisterClient(&client);
  EXPECT_FALSE(s->SetFilter("Server:K +"));  // does not compile
  ASSERT_EQ(client.errors.size(), 1u);
  EXPECT_EQ(client.errors[0]->GenCode, gen::Syntax);
  EXPECT_EQ(client.errors[0]->FuncSym, Symbol("SetFilter"));
  EXPECT_EQ(client.errors[0]->SubSystem, "kArrayServer");
  EXPECT_TRUE(s->Filter().empty());
  EXPECT_FALSE(s->CreateOrder("Server:K / 0"));
  EXPECT_EQ(client.errors.size(), 2u);
  EXPECT_EQ(s->OrderCount(), 0u);
  EXPECT_TRUE(s->ErrorPending());
  EXPECT_NE(s->Status()->Description.find("zero divide"), std::string::npos);
  EXPECT_EQ(s->FieldGet("K"), Usual(1));  // data untouched

  // Without a client that handles errors the runtime's error block gets it.
  client.handlesErrors = false;
  std::vector<ErrorRef> raised;
  Runtime::SetErrorBlock([&](const ErrorRef& e) {
    raised.push_back(e);
    return Usual();
  });
  s->CreateOrder("Server:NOPE");
  ASSERT_EQ(raised.size(), 1u);
  EXPECT_EQ(raised[0]->GenCode, gen::NoMethod);
}

TEST(ArrayServerErrors, ErrorWrapsNonErrorValues) {
  ScopedRuntime rt;
  auto s = KeyServer({1});
  RecordingClient client;
  s->RegisterClient(&client);
  s->Error(Usual("oops"), NIL);
  ASSERT_EQ(client.errors.size(), 1u);
  EXPECT_EQ(client.errors[0]->Description, "Erwartet: Error-Objekt");
  EXPECT_EQ(client.errors[0]->FuncSym, Symbol("UNKNOWN"));
  // The error names the server it came from, readable by name too, without
  // keeping the server alive.
  EXPECT_EQ(client.errors[0]->MethodSelf().AsObject(), s.get());
  EXPECT_EQ(client.errors[0]->Access(Symbol("MethodSelf")).AsObject(), s.get());
}

TEST(OrderTree, RandomOperationsMatchASortedModel) {
  OrderTree tree;
  std::vector<std::pair<int, std::uint32_t>> model;  // key, rec in order
  std::uint32_t seed = 12345;
  auto rnd = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
  for (int step = 0; step < 3000; ++step) {
    const std::uint32_t rec = rnd() % 200 + 1;
    if (rnd() % 3 == 0) {
      tree.Remove(rec);
      std::erase_if(model, [&](auto& e) { return e.second == rec; });
    } else {
      const int key = int(rnd() % 20);
      tree.Insert(rec, Usual(key));
      std::erase_if(model, [&](auto& e) { return e.second == rec; });
      auto it = std::upper_bound(model.begin(), model.end(), key, [](int k, auto& e) { return k < e.first; });
      model.insert(it, {key, rec});
    }
  }
  ASSERT_EQ(tree.Count(), model.size());
  for (std::size_t i = 0; i < model.size(); ++i) {
    ASSERT_EQ(tree.RecordAt(i + 1), model[i].second);
    ASSERT_EQ(tree.PositionOf(model[i].second), i + 1);
    if (i + 1 < model.size()) {
      ASSERT_EQ(tree.Next(model[i].second), model[i + 1].second);
    }
    if (i > 0) {
      ASSERT_EQ(tree.Prev(model[i].second), model[i - 1].second);
    }
  }
  EXPECT_EQ(tree.LowerBound(Usual(10)),
            std::size_t(std::lower_bound(model.begin(), model.end(), 10, [](auto& e, int k) { return e.first < k; }) -
                        model.begin()) + 1);
}

}  // namespace
}  // namespace kt
