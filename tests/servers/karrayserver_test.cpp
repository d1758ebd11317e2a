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
  // A scope beyond the integer range is "any other value": hidden.
  runtime->deleted = false;
  IVarPut(Usual(server), "DeletedScope", Usual(std::int64_t(4294967297)));
  server->GoTop();
  EXPECT_EQ(server->RecNo(), 4);
  Ref<kArrayServer> wide = New<kArrayServer>(CustomerStruct(), Usual(data), Usual(std::int64_t(4294967297)));
  EXPECT_FALSE(wide->IsDeletedInScope());
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

// A block that raises ends the walk where it failed; the clients, asked
// before the walk, are told where the server now stands before the error
// goes on.
TEST_F(ArrayServerTest, EvalThatRaisesStillTellsWhereItStands) {
  server->GoTo(1);
  ClearNotes();
  const Usual raising(CompileCodeblock("{|Server| iif(Server:RecNo == 3, 1/\"x\", nil)}"));
  EXPECT_THROW(server->Eval(raising), RuntimeError);
  EXPECT_EQ(server->RecNo(), 3);
  EXPECT_EQ(a.Codes(), (std::vector<int>{2, 3}));
  EXPECT_EQ(b.Codes(), (std::vector<int>{2, 3}));
  EXPECT_EQ(server->SuspendNotificationCount(), 0);
}

}  // namespace
}  // namespace kt

namespace kt {
namespace {

using test::Customers;
using test::CustomerStruct;
using test::RecordingClient;

// TRUE when walking the active order meets its keys in sorted order, i.e.
// every key still matches the data it was taken from.
bool OrderMatchesData(kArrayServer& s) {
  if (s.IndexOrd() == 0) return true;
  Usual previous;
  bool first = true;
  for (s.GoTop(); !s.EoF(); s.Skip(1)) {
    const Usual key = s.OrderKeyVal();
    if (!first && OrderTree::CompareKeys(previous, key) > 0) return false;
    previous = key;
    first = false;
  }
  return true;
}

// Every operation that repositions the server asks its clients first (a
// veto leaves position and pending edit alone) and then stores the pending
// edit in the record it was made on, never in the record it moves to.
TEST(ArrayServerRepositioning, AsksFirstAndCommitsTheEditWhereItWasMade) {
  ScopedRuntime runtime;
  using Op = std::function<bool(kArrayServer&)>;
  auto none = [](kArrayServer&) { return true; };
  struct Case {
    const char* what;
    Op prepare;
    Op action;
  } cases[] = {
      {"ClearFilter", [](kArrayServer& s) { return s.SetFilter("Server:AGE < 30"); },
       [](kArrayServer& s) { return s.ClearFilter(); }},
      {"ClearFilter with an order",
       [](kArrayServer& s) { return s.CreateOrder("Server:AGE") && s.SetFilter("Server:AGE < 30"); },
       [](kArrayServer& s) { return s.ClearFilter(); }},
      {"SetFilter", none, [](kArrayServer& s) { return s.SetFilter("Server:AGE > 30"); }},
      {"CreateOrder", none, [](kArrayServer& s) { return s.CreateOrder("Server:AGE"); }},
      {"SetOrder", [](kArrayServer& s) { return s.CreateOrder("Server:NAME") && s.SetOrder(0); },
       [](kArrayServer& s) { return s.SetOrder(1); }},
      {"ClearOrder", [](kArrayServer& s) { return s.CreateOrder("Server:AGE"); },
       [](kArrayServer& s) { return s.ClearOrder(1); }},
      {"Seek", [](kArrayServer& s) { return s.CreateOrder("Server:AGE"); },
       [](kArrayServer& s) { return s.Seek(33); }},
      {"Locate", none, [](kArrayServer& s) { return s.Locate("Server:AGE > 50"); }},
      {"Eval", none,
       [](kArrayServer& s) { return !s.Eval(Usual(Codeblock::FromFunction([](Args) { return Usual(); }))).IsNil(); }},
      {"GoTop", none, [](kArrayServer& s) { return s.GoTop(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Array data = Customers({{"Meier", 40}, {"Schulz", 25}, {"Abel", 33}, {"Zander", 51}, {"Krause", 19}});
    auto s = New<kArrayServer>(CustomerStruct(), Usual(data));
    RecordingClient editor;
    s->RegisterClient(&editor);
    ASSERT_TRUE(c.prepare(*s));
    ASSERT_TRUE(s->GoTo(5));
    s->FieldPut("AGE", 60);

    editor.vetoMoves = true;
    EXPECT_FALSE(c.action(*s)) << "the veto is asked and respected";
    EXPECT_EQ(s->RecNo(), 5);
    EXPECT_EQ(s->FieldGet("AGE"), Usual(60)) << "the edit is still pending";
    EXPECT_EQ(data.Get(5).AsArray().Get(3), Usual(19));

    editor.vetoMoves = false;
    editor.notes.clear();
    EXPECT_TRUE(c.action(*s));
    const std::vector<int> codes = editor.Codes();
    EXPECT_TRUE(!codes.empty() && codes.front() == 2) << "asked before moving";
    EXPECT_EQ(data.Get(5).AsArray().Get(3), Usual(60));
    EXPECT_EQ(data.Get(1).AsArray().Get(3), Usual(40));
    EXPECT_EQ(data.Get(1).AsArray().Get(1), Usual("Meier"));
    EXPECT_TRUE(OrderMatchesData(*s));
  }
}

// An empty server stands at record 1 with BOF and EOF after every operation,
// without an order, with one and under a filter.
TEST(ArrayServerEmpty, StaysAtRecordOneWithBothFlags) {
  ScopedRuntime runtime;
  using Op = std::function<void(kArrayServer&)>;
  const std::pair<const char*, Op> ops[] = {
      {"GoTop", [](kArrayServer& s) { s.GoTop(); }},
      {"GoBottom", [](kArrayServer& s) { s.GoBottom(); }},
      {"GoTo(0)", [](kArrayServer& s) { s.GoTo(0); }},
      {"GoTo(1)", [](kArrayServer& s) { s.GoTo(1); }},
      {"GoTo(7)", [](kArrayServer& s) { s.GoTo(7); }},
      {"Skip(0)", [](kArrayServer& s) { s.Skip(0); }},
      {"Skip(1)", [](kArrayServer& s) { s.Skip(1); }},
      {"Skip(-1)", [](kArrayServer& s) { s.Skip(-1); }},
      {"Skip(5)", [](kArrayServer& s) { s.Skip(5); }},
      {"Skip(-5)", [](kArrayServer& s) { s.Skip(-5); }},
      {"OrderKeyNo", [](kArrayServer& s) { s.OrderKeyNo(Usual(1)); }},
      {"Seek", [](kArrayServer& s) { s.Seek(Usual(1), Usual(true)); }},
      {"Locate", [](kArrayServer& s) { s.Locate("Server:AGE > 1"); }},
      {"Locate next", [](kArrayServer& s) { s.Locate("Server:AGE > 1", NIL, Usual(true)); }},
      {"SetFilter", [](kArrayServer& s) { s.SetFilter("Server:AGE > 1"); }},
      {"ClearFilter", [](kArrayServer& s) { s.ClearFilter(); }},
      {"CreateOrder", [](kArrayServer& s) { s.CreateOrder("Server:NAME"); }},
      {"SetOrder(0)", [](kArrayServer& s) { s.SetOrder(Usual(0)); }},
      {"SetOrder(1)", [](kArrayServer& s) { s.SetOrder(Usual(1)); }},
      {"ClearOrder", [](kArrayServer& s) { s.ClearOrder(); }},
      {"ClearOrder(1)", [](kArrayServer& s) { s.ClearOrder(Usual(1)); }},
      {"Append and remove", [](kArrayServer& s) { s.Append(), s.Delete(Usual(true)); }},
      {"Delete", [](kArrayServer& s) { s.Delete(Usual(false)); }},
      {"Recall", [](kArrayServer& s) { s.Recall(); }},
      {"RecallAll", [](kArrayServer& s) { s.RecallAll(); }},
      {"Pack", [](kArrayServer& s) { s.Pack(); }},
      {"Zap", [](kArrayServer& s) { s.Zap(); }},
      {"FieldPut and Commit", [](kArrayServer& s) { s.FieldPut("AGE", 3), s.Commit(); }},
      {"FieldPut and Refresh", [](kArrayServer& s) { s.FieldPut("AGE", 3), s.Refresh(); }},
      {"RecordPut", [](kArrayServer& s) { s.RecordPut(Usual(Array{"X"})); }},
      {"DeletedScope", [](kArrayServer& s) { s.DeletedScope(2); }},
      {"Eval", [](kArrayServer& s) { s.Eval(Usual(Codeblock::FromFunction([](Args) { return Usual(); }))); }},
      {"Use", [](kArrayServer& s) { s.Use(Usual(Array())); }},
  };
  const std::pair<const char*, Op> setups[] = {
      {"plain", [](kArrayServer&) {}},
      {"ordered", [](kArrayServer& s) { s.CreateOrder("Server:AGE"); }},
      {"filtered", [](kArrayServer& s) { s.SetFilter("Server:AGE > 0"); }},
  };
  for (const auto& [setupName, setup] : setups) {
    for (const auto& [opName, op] : ops) {
      SCOPED_TRACE(std::string(setupName) + " / " + opName);
      auto s = New<kArrayServer>(CustomerStruct(), Usual(Array()));
      setup(*s);
      op(*s);
      EXPECT_EQ(s->LastRec(), 0);
      EXPECT_EQ(s->RecNo(), 1);
      EXPECT_TRUE(s->BoF());
      EXPECT_TRUE(s->EoF());
    }
  }
}

// Skip(0) re-reads the position: it does not leave the end of file, and on a
// record it stays (or moves on when that record became hidden).
TEST(ArrayServerSkipZero, KeepsTheEndOfFileAndRevalidates) {
  ScopedRuntime runtime;
  for (bool ordered : {false, true}) {
    SCOPED_TRACE(ordered ? "ordered" : "natural");
    Array data = Customers({{"Meier", 40}, {"Schulz", 25}, {"Abel", 33}, {"Zander", 51}, {"Krause", 19}});
    auto s = New<kArrayServer>(CustomerStruct(), Usual(data), Usual(2));
    if (ordered) s->CreateOrder("Server:RecNo");
    s->GoBottom();
    s->Skip(1);
    ASSERT_TRUE(s->EoF());
    s->Skip(0);
    EXPECT_TRUE(s->EoF());
    EXPECT_FALSE(s->BoF());
    EXPECT_EQ(s->RecNo(), 6);
    EXPECT_FALSE(s->Skip(1)) << "still at the end";
    s->GoTo(3);
    s->Skip(0);
    EXPECT_EQ(s->RecNo(), 3);
    EXPECT_FALSE(s->EoF() || s->BoF());
    s->Delete(Usual(false));  // hidden now (scope 2)
    s->Skip(0);
    EXPECT_EQ(s->RecNo(), 4);
  }
}

// A structure is taken whole or not at all: a rejected one leaves the fields
// as they were, so every field keeps reading its own value.
TEST(ArrayServerStructure, RejectsBadDescriptionsAndKeepsTheFields) {
  ScopedRuntime runtime;
  auto with = [](std::size_t at, Usual entry) {
    Array s = CustomerStruct().AsArray().Clone();
    if (at <= s.Len()) s.Put(at, entry);
    else s.Add(entry);
    return Usual(s);
  };
  struct Case {
    const char* what;
    Usual structure;
  } cases[] = {
      {"unnamed entry", with(2, Usual(Array{"", "C", 15, 0}))},
      {"blank name", with(2, Usual(Array{"   ", "C", 15, 0}))},
      {"name not text", with(2, Usual(Array{42, "C", 15, 0}))},
      {"entry not an array", with(2, Usual("CITY"))},
      {"duplicate name", with(6, Usual(Array{"age", "N", 3, 0}))},
      {"unknown type", with(2, Usual(Array{"CITY", "Q", 15, 0}))},
      {"missing type", with(2, Usual(Array{"CITY", NIL, 15, 0}))},
      {"negative length", with(2, Usual(Array{"CITY", "C", -1, 0}))},
      {"length not a number", with(2, Usual(Array{"CITY", "C", "15", 0}))},
      {"huge length", with(2, Usual(Array{"CITY", "C", std::int64_t(4000000000), 0}))},
      {"negative decimals", with(3, Usual(Array{"AGE", "N", 3, -2}))},
      {"decimals beyond length", with(3, Usual(Array{"AGE", "N", 3, 5}))},
      {"structure not an array", Usual("NAME,CITY")},
  };
  std::vector<ErrorRef> raised;
  Runtime::SetErrorBlock([&](const ErrorRef& e) {
    raised.push_back(e);
    return Usual();
  });
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    raised.clear();
    Array data = Customers({{"Meier", 40}});
    auto s = New<kArrayServer>(CustomerStruct(), Usual(data));
    RecordingClient client;
    s->RegisterClient(&client);
    EXPECT_FALSE(s->DBStruct(c.structure));
    EXPECT_TRUE(s->ErrorPending());
    ASSERT_EQ(client.errors.size(), 1u) << "reported to the client that handles errors";
    EXPECT_EQ(client.errors[0]->GenCode, gen::Arg);
    EXPECT_EQ(client.errors[0]->FuncSym, Symbol("DBStruct"));
    EXPECT_EQ(client.errors[0]->Description, s->ErrInfo()->Description);
    EXPECT_EQ(s->FCount(), 5u);
    EXPECT_EQ(s->FieldGet("AGE"), Usual(40));
    EXPECT_EQ(s->FieldGet("VIP"), Usual(true));
    s->UnRegisterClient(&client);

    auto fresh = New<kArrayServer>(c.structure, Usual(data));
    EXPECT_FALSE(fresh->Used()) << "no data is bound to a structure that was refused";
    EXPECT_TRUE(fresh->ErrorPending());
    ASSERT_EQ(raised.size(), 1u) << "without clients the error block hears of it";
    EXPECT_EQ(raised[0]->FuncSym, Symbol("DBStruct"));
    EXPECT_EQ(raised[0]->SubSystem, "kArrayServer");
    EXPECT_EQ(data.Len(), 1u);
  }
  // Optional parts may be left out: decimals, caption.
  raised.clear();
  auto s = New<kArrayServer>(Usual(Array{Usual(Array{"A", "C", 5}), Usual(Array{"B", "l", 1, NIL, "Flag"})}),
                             Usual(Array{Usual(Array{"x", true})}));
  EXPECT_TRUE(s->Used());
  EXPECT_FALSE(s->ErrorPending());
  EXPECT_EQ(s->FieldGet("B"), Usual(true));
  EXPECT_TRUE(raised.empty());
}

}  // namespace
}  // namespace kt
