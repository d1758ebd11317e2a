#include <gtest/gtest.h>

#include <functional>

#include "platform/runtime/compiler/macro.h"
#include "server_fixture.h"

namespace kt {
namespace {

using test::Customers;
using test::CustomerStruct;
using test::RecordingClient;

class ArrayServerTest : public ::testing::Test {
 protected:
  ScopedRuntime runtime;
  Array data = Customers({{"Meier", 40}, {"Schulz", 25}, {"Abel", 33}, {"Zander", 51}, {"Krause", 19}});
  Ref<kArrayServer> server = New<kArrayServer>(CustomerStruct(), Usual(data));
  RecordingClient a, b;

  void SetUp() override {
    server->RegisterClient(&a);
    server->RegisterClient(&b);
  }
  void ClearNotes() {
    a.notes.clear();
    b.notes.clear();
  }
  std::string Name() { return std::string(text::TrimRight(server->FieldGet("NAME").AsStringView())); }
};

// Every operation sends its notifications to both clients, in this order.
TEST_F(ArrayServerTest, NotificationSequences) {
  struct Case {
    const char* what;
    std::function<void(kArrayServer&)> action;
    std::vector<int> codes;
  } cases[] = {
      {"GoTop", [](kArrayServer& s) { s.GoTop(); }, {2, 5}},
      {"GoBottom", [](kArrayServer& s) { s.GoBottom(); }, {2, 4}},
      {"GoTo", [](kArrayServer& s) { s.GoTo(3); }, {2, 3}},
      {"Skip", [](kArrayServer& s) { s.Skip(2); }, {2, 3}},
      {"FieldPut", [](kArrayServer& s) { s.FieldPut("AGE", 41); }, {-1}},
      {"RecordPut", [](kArrayServer& s) { s.RecordPut(Usual(Array{"X", "Y"})); }, {-1, -1}},
      {"Refresh after edit", [](kArrayServer& s) { s.FieldPut("AGE", 1); s.Refresh(); }, {-1, 3}},
      {"Append", [](kArrayServer& s) { s.Append(); }, {2, 7}},
      {"Append insert", [](kArrayServer& s) { s.Append(2); }, {2, 7, 10}},
      {"Delete mark", [](kArrayServer& s) { s.Delete(false); }, {6}},
      {"Delete remove", [](kArrayServer& s) { s.Delete(true); }, {10}},
      {"Recall", [](kArrayServer& s) { s.Recall(); }, {3}},
      {"RecallAll", [](kArrayServer& s) { s.RecallAll(); }, {10}},
      {"Pack", [](kArrayServer& s) { s.Pack(); }, {2, 10}},
      {"Zap", [](kArrayServer& s) { s.Zap(); }, {2, 10}},
      {"CreateOrder", [](kArrayServer& s) { s.CreateOrder("Server:NAME"); }, {2, 10}},
      {"SetFilter", [](kArrayServer& s) { s.SetFilter("Server:AGE > 30"); }, {2, 10}},
      {"DeletedScope", [](kArrayServer& s) { s.DeletedScope(2); }, {10}},
      {"Use", [](kArrayServer& s) { s.Use(Usual(Array{})); }, {2, 10}},
      {"Close", [](kArrayServer& s) { s.Close(); }, {0}},
  };
  for (auto& c : cases) {
    server = New<kArrayServer>(CustomerStruct(), Usual(Customers({{"Meier", 40}, {"Schulz", 25}, {"Abel", 33}})));
    server->RegisterClient(&a);
    server->RegisterClient(&b);
    ClearNotes();
    c.action(*server);
    EXPECT_EQ(a.Codes(), c.codes) << c.what;
    EXPECT_EQ(b.Codes(), c.codes) << c.what;
  }
}

TEST_F(ArrayServerTest, NotificationArguments) {
  ClearNotes();
  server->Skip(-1);
  server->FieldPut("city", "Bonn");
  ASSERT_EQ(a.notes.size(), 3u);
  EXPECT_EQ(a.notes[1].second, Usual(-1));  // Skip carries the requested count
  EXPECT_EQ(a.notes[2].second, Usual(Symbol("CITY")));
}

TEST_F(ArrayServerTest, IntentToMoveVetoStopsEveryMove) {
  server->GoTo(2);
  b.vetoMoves = true;
  ClearNotes();
  EXPECT_FALSE(server->Skip(1));
  EXPECT_FALSE(server->GoTop());
  EXPECT_FALSE(server->Append());
  EXPECT_EQ(server->RecNo(), 2);
  EXPECT_EQ(server->LastRec(), 5);
  EXPECT_EQ(a.Codes(), (std::vector<int>{2, 2, 2}));
}

TEST_F(ArrayServerTest, SuspendedNotificationsNest) {
  ClearNotes();
  server->SuspendNotification();
  server->SuspendNotification();
  server->Skip(1);
  server->ResetNotification();
  server->Skip(1);
  server->ResetNotification();
  server->Skip(1);
  EXPECT_EQ(a.Codes(), (std::vector<int>{2, 3}));
}

TEST_F(ArrayServerTest, NavigationBounds) {
  server->GoBottom();
  EXPECT_EQ(server->RecNo(), 5);
  server->Skip(1);
  EXPECT_TRUE(server->EoF());
  EXPECT_EQ(server->RecNo(), 6);
  server->GoTop();
  EXPECT_FALSE(server->Skip(-1));  // could not move
  EXPECT_TRUE(server->BoF());
  EXPECT_EQ(server->RecNo(), 1);
  EXPECT_TRUE(server->Skip(1));
  server->GoTo(0);
  EXPECT_EQ(server->RecNo(), 1);
  EXPECT_TRUE(server->BoF());
  server->GoTo(10);
  EXPECT_EQ(server->RecNo(), 6);
  EXPECT_TRUE(server->EoF());
  EXPECT_TRUE(server->FieldGet("NAME") == Usual(""));  // blank record at end of file
}

TEST_F(ArrayServerTest, EmptyServer) {
  Ref<kArrayServer> empty = New<kArrayServer>(CustomerStruct(), NIL);
  for (auto move : {&kArrayServer::GoTop, &kArrayServer::GoBottom}) {
    ((*empty).*move)();
    EXPECT_EQ(empty->RecNo(), 1);
    EXPECT_TRUE(empty->BoF());
    EXPECT_TRUE(empty->EoF());
  }
  EXPECT_EQ(empty->FieldGet("AGE"), Usual(0));
  EXPECT_EQ(empty->FieldGet("BORN"), Usual(Date()));
  EXPECT_EQ(empty->FieldGet("VIP"), Usual(false));
  EXPECT_TRUE(empty->IsRecordEmpty());
}

TEST_F(ArrayServerTest, DeletedScopeDecidesVisibility) {
  for (int r = 1; r <= 3; ++r) {
    server->GoTo(r);
    server->Delete(false);
  }
  struct Case {
    int scope;
    bool globalHides;
    std::int64_t top;
  } cases[] = {{2, false, 4}, {1, true, 1}, {0, true, 4}, {0, false, 1}};
  for (const auto& c : cases) {
    runtime->deleted = c.globalHides;
    server->DeletedScope(c.scope);
    server->GoTop();
    EXPECT_EQ(server->RecNo(), c.top) << "scope " << c.scope;
  }
  // Hidden records are passed in both directions.
  server->DeletedScope(2);
  server->GoBottom();
  server->Skip(-1);
  EXPECT_EQ(server->RecNo(), 4);
  server->Skip(-1);
  EXPECT_TRUE(server->BoF());
  EXPECT_EQ(server->RecNo(), 4);
}

TEST_F(ArrayServerTest, EditBufferCommitAndRefresh) {
  server->GoTo(2);
  server->FieldPut("AGE", 99);
  EXPECT_EQ(server->FieldGet("AGE"), Usual(99));
  EXPECT_EQ(data.Get(2).AsArray().Get(3), Usual(25));  // not stored yet
  server->Skip(1);
  EXPECT_EQ(data.Get(2).AsArray().Get(3), Usual(99));  // the caller's array sees it
  server->FieldPut("AGE", 1);
  server->Refresh();
  EXPECT_EQ(server->FieldGet("AGE"), Usual(33));
  // Changes at end of file are dropped.
  server->GoBottom();
  server->Skip(1);
  server->FieldPut("NAME", "Ghost");
  server->Commit();
  EXPECT_EQ(server->LastRec(), 5);
}

TEST_F(ArrayServerTest, FieldModeShapesStrings) {
  Ref<kArrayServer> padded = New<kArrayServer>(CustomerStruct(), Usual(Customers({{"Meier", 40}})), NIL, 1);
  padded->FieldPut("CITY", "ab");
  EXPECT_EQ(padded->FieldGet("CITY"), Usual("ab" + std::string(13, ' ')));
  padded->FieldPut("CITY", "a very long city name");
  EXPECT_EQ(padded->FieldGet("CITY"), Usual("a very long cit"));
  server->FieldPut("CITY", "a very long city name");  // mode 0 only cuts
  EXPECT_EQ(server->FieldGet("CITY"), Usual("a very long cit"));
  server->FieldPut("CITY", "ab");
  EXPECT_EQ(server->FieldGet("CITY"), Usual("ab"));
}

TEST_F(ArrayServerTest, BadFieldAccessIsReportedAndChangesNothing) {
  ClearNotes();
  server->FieldPut("NOSUCH", 1);
  EXPECT_TRUE(server->ErrorPending());
  EXPECT_NE(server->Status()->Description.find("NOSUCH"), std::string::npos);
  server->FieldPut("AGE", "forty");
  EXPECT_NE(server->Status()->Description.find("Numeric value expected"), std::string::npos);
  server->FieldPut("AGE", 12345);  // does not fit N 3
  server->FieldPut(Usual(42), 1);
  EXPECT_TRUE(server->FieldGet("NOSUCH").IsNil());
  EXPECT_EQ(server->FieldGet("AGE"), Usual(40));
  EXPECT_TRUE(a.notes.empty());
  server->ReadOnly(true);
  server->FieldPut("AGE", 41);
  EXPECT_EQ(server->FieldGet("AGE"), Usual(40));
  EXPECT_FALSE(server->Delete(false));
}

TEST_F(ArrayServerTest, AppendAtEndAndInsert) {
  server->Append();
  EXPECT_EQ(server->RecNo(), 6);
  EXPECT_EQ(data.Len(), 6u);
  server->GoTo(3);
  ClearNotes();
  server->Append(2);
  EXPECT_EQ(a.Codes(), (std::vector<int>{2, 7, 10}));
  EXPECT_EQ(server->RecNo(), 2);
  EXPECT_TRUE(server->IsRecordEmpty());
  server->GoTo(3);
  EXPECT_EQ(Name(), "Schulz");  // the former record 2
}

TEST_F(ArrayServerTest, DeleteRecallPackZap) {
  server->GoTo(2);
  server->Delete(false);
  EXPECT_TRUE(server->Deleted());
  server->Recall();
  EXPECT_FALSE(server->Deleted());
  server->Delete(false);
  server->GoTo(4);
  server->Delete(false);
  server->GoTo(5);
  server->Pack();
  EXPECT_EQ(server->LastRec(), 3);
  EXPECT_EQ(data.Len(), 3u);
  EXPECT_EQ(Name(), "Krause");  // the current record keeps standing
  server->GoTo(3);
  server->Delete(true);  // physical removal of the last record
  EXPECT_EQ(server->LastRec(), 2);
  EXPECT_TRUE(server->EoF());
  server->Zap();
  EXPECT_EQ(server->LastRec(), 0);
  EXPECT_TRUE(server->BoF() && server->EoF());
  EXPECT_EQ(data.Len(), 0u);
}

TEST_F(ArrayServerTest, LateBoundFieldsAndStateInExpressions) {
  server->GoTo(3);
  Codeblock diff = CompileCodeblock("{|Server| Server:AGE - Server:RecNo}");
  EXPECT_EQ(diff(Usual(server)), Usual(30));
  Codeblock odd = CompileCodeblock("{|Server| Server:RecNo%2>0}");
  EXPECT_EQ(odd(Usual(server)), Usual(true));
  IVarPut(Usual(server), "name", "Abele");
  EXPECT_EQ(Name(), "Abele");
  EXPECT_EQ(IVarGet(Usual(server), "EOF"), Usual(false));
}

TEST_F(ArrayServerTest, DBStructRoundTripAndCaptions) {
  const Array s = server->DBStruct();
  ASSERT_EQ(s.Len(), 5u);
  EXPECT_EQ(s.Get(1).AsArray().Get(5), Usual("Name"));
  EXPECT_EQ(s.Get(3).AsArray().Get(2), Usual("N"));
  EXPECT_EQ(server->FieldPos(Usual(Symbol("born"))), 4u);
  EXPECT_EQ(server->FieldPos("nope"), 0u);
}

TEST_F(ArrayServerTest, EvalWalksWithForWhileAndScope) {
  int sum = 0;
  auto add = Codeblock::FromFunction([&](Args args) {
    sum += int(args[0].AsObject()->Access("AGE").AsInteger());
    return Usual();
  });
  auto over30 = CompileCodeblock("{|s| s:AGE > 30}");
  server->Eval(Usual(add), Usual(over30));
  EXPECT_EQ(sum, 40 + 33 + 51);
  sum = 0;
  server->GoTo(2);
  server->Eval(Usual(add), NIL, NIL, 2);
  EXPECT_EQ(sum, 25 + 33);
}

}  // namespace
}  // namespace kt
