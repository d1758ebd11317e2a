#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/db/dbserver.h"
#include "platform/db/workareas.h"
#include "platform/runtime/compiler/macro.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/numtext.h"
#include "platform/runtime/text.h"
#include "support/kcodeblock.h"

namespace kt {
namespace {

namespace fs = std::filesystem;

class Recorder : public Object {
 public:
  std::vector<int> codes;
  std::vector<ErrorRef> errors;
  const ClassInfo& Class() const override {
    static ClassInfo info("DbRecorder", &Object::StaticClass());
    static bool once = [] {
      info.Method<Recorder>("Notify", [](Recorder& r, Args a) {
        r.codes.push_back(int(a[0].AsInteger()));
        return Usual(true);
      });
      info.Method<Recorder>("Error", [](Recorder& r, Args a) {
        r.errors.emplace_back(dynamic_cast<Error*>(a[0].AsObject()));
        return Usual();
      });
      return true;
    }();
    (void)once;
    return info;
  }
};

class DBServerTest : public ::testing::Test {
 protected:
  ScopedRuntime runtime;
  fs::path dir;

  void SetUp() override {
    dir = fs::temp_directory_path() / ("ktable-db-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    Runtime::SetErrorBlock([](const ErrorRef& e) -> Usual { throw RuntimeError(e); });
  }
  void TearDown() override {
    WorkAreas::Instance().CloseAll();
    fs::remove_all(dir);
  }
  std::string Path(const char* name) const { return (dir / name).string(); }

  // CUSTOMER: NAME C 20, CITY C 15, AGE N 3, BORN D, VIP L, NOTE M
  std::string MakeCustomers(std::initializer_list<std::tuple<const char*, const char*, int>> rows,
                            const char* driver = "DBFNTX") {
    const std::string path = Path("customer.dbf");
    const Usual structure(Array{Usual(Array{"NAME", "C", 20, 0}), Usual(Array{"CITY", "C", 15, 0}),
                                Usual(Array{"AGE", "N", 3, 0}), Usual(Array{"BORN", "D", 8, 0}),
                                Usual(Array{"VIP", "L", 1, 0}), Usual(Array{"NOTE", "M", 10, 0})});
    EXPECT_TRUE(DBServer::DBCreate(path, structure, driver));
    Ref<DBServer> db = New<DBServer>(path, false, false, driver);
    for (const auto& [name, city, age] : rows) {
      db->Append();
      db->FieldPut("NAME", name);
      db->FieldPut("CITY", city);
      db->FieldPut("AGE", age);
      db->FieldPut("BORN", Date::FromYMD(1950 + age, 1, 2));
      db->FieldPut("VIP", age > 40);
    }
    db->Close();
    return path;
  }

  static std::string Name(DBServer& db) { return std::string(text::TrimRight(db.FieldGet("NAME").AsStringView())); }
  static std::vector<std::string> Walk(DBServer& db) {
    std::vector<std::string> names;
    for (db.GoTop(); !db.EoF(); db.Skip(1)) names.push_back(Name(db));
    return names;
  }
};

TEST_F(DBServerTest, CreateOpenReadAndFieldsOfEveryType) {
  const std::string path = MakeCustomers({{"Müller", "Köln", 41}, {"Abel", "Bonn", 30}});
  Ref<DBServer> db = New<DBServer>(path);
  ASSERT_TRUE(db->Used());
  EXPECT_EQ(db->AliasSym(), Symbol("CUSTOMER"));
  EXPECT_EQ(db->FCount(), 6u);
  EXPECT_EQ(db->LastRec(), 2);
  db->GoTop();
  EXPECT_EQ(db->FieldGet("NAME"), Usual(text::PadRight("Müller", 20)));  // stored padded, umlaut kept
  EXPECT_EQ(db->FieldGet("AGE"), Usual(41));
  EXPECT_EQ(db->FieldGet("BORN"), Usual(Date::FromYMD(1991, 1, 2)));
  EXPECT_EQ(db->FieldGet("VIP"), Usual(true));
  const Array s = db->DBStruct();
  EXPECT_EQ(s.Get(6).AsArray().Get(2), Usual("M"));
  db->FieldPut("NOTE", std::string(2000, 'x'));  // longer than a memo block
  db->Commit();
  db->Skip(1);
  db->Skip(-1);
  EXPECT_EQ(db->FieldGet("NOTE").AsStringView().size(), 2000u);
}

TEST_F(DBServerTest, NavigationRulesAndNotifications) {
  const std::string path = MakeCustomers({{"A", "x", 1}, {"B", "x", 2}, {"C", "x", 3}});
  Ref<DBServer> db = New<DBServer>(path);
  Recorder r;
  db->RegisterClient(&r);
  db->GoBottom();
  db->Skip(1);
  EXPECT_TRUE(db->EoF());
  EXPECT_EQ(db->RecNo(), 4);
  db->GoTop();
  db->Skip(-1);
  EXPECT_TRUE(db->BoF());
  EXPECT_EQ(db->RecNo(), 1);
  db->GoTo(2);
  db->FieldPut("AGE", 5);
  db->Delete();
  db->Recall();
  db->Append();
  EXPECT_EQ(r.codes, (std::vector<int>{2, 4, 2, 3, 2, 5, 2, 3, 2, 3, -1, 6, 3, 2, 7}));
  db->Close();
  EXPECT_EQ(r.codes.back(), 0);
  EXPECT_FALSE(db->Used());
}

TEST_F(DBServerTest, EmptyTableSitsAtOneWithBofAndEof) {
  const std::string path = MakeCustomers({});
  Ref<DBServer> db = New<DBServer>(path);
  db->GoTop();
  EXPECT_EQ(db->RecNo(), 1);
  EXPECT_TRUE(db->BoF() && db->EoF());
  EXPECT_EQ(db->FieldGet("AGE"), Usual(0));
}

TEST_F(DBServerTest, DeletedRecordsHiddenBySettingAndFilterByExpression) {
  const std::string path = MakeCustomers({{"A", "Bonn", 1}, {"B", "Köln", 2}, {"C", "Bonn", 3}, {"D", "Bonn", 4}});
  Ref<DBServer> db = New<DBServer>(path);
  db->GoTo(1);
  db->Delete();
  runtime->deleted = true;
  EXPECT_EQ(Walk(*db), (std::vector<std::string>{"B", "C", "D"}));
  ASSERT_TRUE(db->SetFilter("Trim(CITY) == 'Bonn' .AND. AGE > 2"));  // bare field names
  EXPECT_EQ(db->Filter(), "Trim(CITY) == 'Bonn' .AND. AGE > 2");
  EXPECT_EQ(Walk(*db), (std::vector<std::string>{"C", "D"}));
  db->GoBottom();
  db->Skip(-1);
  db->Skip(-1);
  EXPECT_TRUE(db->BoF());
  EXPECT_EQ(Name(*db), "C");
  db->ClearFilter();
  runtime->deleted = false;
  EXPECT_EQ(Walk(*db).size(), 4u);
}

TEST_F(DBServerTest, ExpressionsReachFieldsByAliasAndThroughTheServer) {
  const std::string path = MakeCustomers({{"Abel", "Bonn", 33}});
  Ref<DBServer> db = New<DBServer>(path);
  db->GoTop();
  Codeblock byAlias = CompileCodeblock("{|| Trim(CUSTOMER->NAME) + '/' + NTrim(CUSTOMER->AGE)}");
  EXPECT_EQ(byAlias(), Usual("Abel/33"));
  Codeblock bySend = CompileCodeblock("{|Server| Server:AGE * 2}");
  EXPECT_EQ(bySend(Usual(db)), Usual(66));
  // kCodeblock selects the server's area, so bare names work whatever is selected.
  HLDBSetSelect(77);
  Ref<kCodeblock> block = New<kCodeblock>("Trim(CITY)", Usual(db));
  EXPECT_TRUE(block->ServerIsDB());
  ASSERT_TRUE(block->Compile());
  EXPECT_EQ(block->Eval(), Usual("Bonn"));
  EXPECT_EQ(HLDBSelect(), 77);
}

TEST_F(DBServerTest, NtxOrderCreateSeekKeyNoAndMaintenance) {
  const std::string path =
      MakeCustomers({{"Meier", "x", 40}, {"Abel", "x", 33}, {"Zander", "x", 51}, {"Becker", "x", 22}});
  Ref<DBServer> db = New<DBServer>(path);
  ASSERT_TRUE(db->CreateOrder(Path("byname"), "UPPER(NAME)"));
  EXPECT_TRUE(fs::exists(Path("byname.ntx")));
  EXPECT_EQ(db->IndexOrd(), 1);
  EXPECT_EQ(db->IndexKey(), "UPPER(NAME)");
  EXPECT_EQ(Walk(*db), (std::vector<std::string>{"Abel", "Becker", "Meier", "Zander"}));
  EXPECT_TRUE(db->Seek("MEI"));
  EXPECT_EQ(Name(*db), "Meier");
  EXPECT_EQ(db->OrderKeyNo(), Usual(3));
  EXPECT_EQ(db->OrderKeyCount(), 4u);
  EXPECT_FALSE(db->Seek("N", false));
  EXPECT_TRUE(db->EoF());
  EXPECT_FALSE(db->Seek("N", true));
  EXPECT_EQ(Name(*db), "Zander");
  // An edit moves the record in the order, appends are added.
  db->Seek("ABEL");
  db->FieldPut("NAME", "Zuse");
  db->Append();
  db->FieldPut("NAME", "Adam");
  db->Commit();
  EXPECT_EQ(Walk(*db), (std::vector<std::string>{"Adam", "Becker", "Meier", "Zander", "Zuse"}));
  db->Close();

  // Reopened: the file order is the same, and numeric keys sort numerically.
  db = New<DBServer>(path);
  ASSERT_TRUE(db->SetIndex(Path("byname.ntx")));
  EXPECT_EQ(Walk(*db).front(), "Adam");
  ASSERT_TRUE(db->CreateOrder(Path("byage"), "AGE", NIL, NIL, true));
  EXPECT_EQ(db->IndexOrd(), 2);
  EXPECT_EQ(Walk(*db), (std::vector<std::string>{"Zander", "Meier", "Zuse", "Becker", "Adam"}));
  db->SetOrder(0);
  EXPECT_EQ(Walk(*db).front(), "Meier");
}

TEST_F(DBServerTest, PackRebuildsOrdersAndZapEmpties) {
  const std::string path = MakeCustomers({{"C", "x", 3}, {"A", "x", 1}, {"B", "x", 2}});
  Ref<DBServer> db = New<DBServer>(path, false);
  db->CreateOrder(Path("n"), "NAME");
  db->Seek("A");
  db->Delete();
  ASSERT_TRUE(db->Pack());
  EXPECT_EQ(db->LastRec(), 2);
  EXPECT_EQ(Walk(*db), (std::vector<std::string>{"B", "C"}));
  ASSERT_TRUE(db->Zap());
  EXPECT_EQ(db->LastRec(), 0);
  EXPECT_EQ(db->OrderKeyCount(), 0u);
}

TEST_F(DBServerTest, BadInputIsReportedAndChangesNothing) {
  const std::string path = MakeCustomers({{"A", "x", 1}});
  Ref<DBServer> db = New<DBServer>(path);
  Recorder r;
  db->RegisterClient(&r);
  db->GoTop();
  db->FieldPut("AGE", "old");
  EXPECT_TRUE(db->ErrorPending());
  db->FieldPut("AGE", 12345);  // wider than N 3
  db->FieldPut("NOPE", 1);
  EXPECT_EQ(db->FieldGet("AGE"), Usual(1));
  EXPECT_FALSE(db->SetFilter("AGE >"));
  ASSERT_FALSE(r.errors.empty());
  EXPECT_EQ(r.errors.back()->GenCode, gen::Syntax);
  EXPECT_FALSE(db->SetIndex(Path("missing.ntx")));
  EXPECT_EQ(r.errors.back()->GenCode, gen::Open);
  EXPECT_FALSE(db->SetOrder(3));

  // A table that cannot be opened: the error block hears of it, the server stays unused.
  std::vector<ErrorRef> raised;
  Runtime::SetErrorBlock([&](const ErrorRef& e) {
    raised.push_back(e);
    return Usual();
  });
  Ref<DBServer> missing = New<DBServer>(Path("nothere.dbf"));
  EXPECT_FALSE(missing->Used());
  ASSERT_EQ(raised.size(), 1u);
  EXPECT_EQ(raised[0]->GenCode, gen::Open);
  EXPECT_NE(raised[0]->Description.find("nothere.dbf"), std::string::npos);
  Ref<DBServer> badDriver = New<DBServer>(path, NIL, NIL, "DBFXYZ");
  EXPECT_FALSE(badDriver->Used());
}

TEST_F(DBServerTest, TwoProcessesNeverLoseAnUpdate) {
  const std::string path = MakeCustomers({{"A", "x", 0}});
  // Each process adds 1 to AGE fifty times under its record lock.
  auto work = [&] {
    Runtime::SetErrorBlock([](const ErrorRef&) { return Usual(); });
    Ref<DBServer> db = New<DBServer>(path, true);
    for (int i = 0; i < 50; ++i) {
      while (!db->RLock(1)) ::usleep(100);
      db->GoTo(1);
      db->FieldPut("AGE", db->FieldGet("AGE").AsInteger() + 1);
      db->Commit();
      db->Unlock(1);
    }
    db->Close();
  };
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    work();
    ::_exit(0);
  }
  work();
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  Ref<DBServer> db = New<DBServer>(path, true);
  db->GoTop();
  EXPECT_EQ(db->FieldGet("AGE"), Usual(100));
}

TEST_F(DBServerTest, SharedReaderSeesAnotherStationsAppend) {
  const std::string path = MakeCustomers({{"A", "x", 1}});
  Ref<DBServer> reader = New<DBServer>(path, true);
  Ref<DBServer> writer = New<DBServer>(path, true);
  writer->Append();
  writer->FieldPut("NAME", "B");
  writer->Commit();
  writer->Unlock();
  reader->GoBottom();
  EXPECT_EQ(reader->LastRec(), 2);
  EXPECT_EQ(Name(*reader), "B");
}

TEST_F(DBServerTest, JumpingReadsSeeEveryWrite) {
  // An order whose keys jump through the table: records are read through
  // the block cache, written in between, appended to, and must read back.
  const std::string path = Path("jump.dbf");
  ASSERT_TRUE(DBServer::DBCreate(path, Usual(Array{Usual(Array{"K", "N", 6, 0}), Usual(Array{"V", "N", 8, 0})})));
  Ref<DBServer> db = New<DBServer>(path, false);
  for (int i = 1; i <= 3000; ++i) {
    db->Append();
    db->FieldPut("K", i % 97);
    db->FieldPut("V", i);
  }
  db->CreateOrder(Path("k"), "K");
  int seen = 0;
  for (db->GoTop(); !db->EoF(); db->Skip(1), ++seen) {
    ASSERT_EQ(db->FieldGet("V"), Usual(db->RecNo())) << seen;
    db->FieldPut("V", db->RecNo() * 10);
  }
  EXPECT_EQ(seen, 3000);
  db->Append();
  db->FieldPut("K", 0);
  db->FieldPut("V", 30010);
  db->SetOrder(0);
  std::int64_t sum = 0;
  for (db->GoTop(); !db->EoF(); db->Skip(1)) sum += db->FieldGet("V").AsInteger();
  EXPECT_EQ(sum, 10 * (3000LL * 3001 / 2) + 30010);
}

TEST_F(DBServerTest, WorkAreaCalls) {
  const std::string path = MakeCustomers({{"A", "x", 1}, {"B", "x", 2}});
  Ref<DBServer> db = New<DBServer>(path);
  db->CreateOrder(Path("age"), "AGE", NIL, NIL, true);
  const int previous = HLDBSetSelect(db->Area());
  EXPECT_EQ(HLDBSelect(Symbol("customer")), db->Area());
  EXPECT_TRUE(HLDBGoTop());
  EXPECT_EQ(HLDBRecno(), 2);
  EXPECT_EQ(HLDBOrderInfo(6), Usual(1));
  EXPECT_EQ(HLDBOrderInfo(22), Usual(true));
  EXPECT_EQ(HLDBOrderInfo(38), Usual(2));
  EXPECT_TRUE(HLDBSeek(1));
  EXPECT_EQ(HLDBRecno(), 1);
  HLDBSkip(1);
  EXPECT_TRUE(HLDBEof());
  EXPECT_EQ(HLDBLastRec(), 2);
  HLDBSetSelect(previous);
}


// Every numeric field a structure may declare (kArrayServer up to 65535
// wide, a table header up to N(255,255)) formats and validates its numbers
// without raising; only a number that does not fit is refused.
TEST(FieldSpecs, NumbersOfEveryDeclarableWidth) {
  ScopedRuntime rt;
  std::vector<ErrorRef> errors;
  Runtime::SetErrorBlock([&](const ErrorRef& e) {
    errors.push_back(e);
    return Usual();
  });
  const std::string hundredDecimals = "1.5" + std::string(99, '0');
  struct Case {
    int length, decimals;
    Usual value;
    std::string text;
    bool valid;
  } cases[] = {
      {2000, 0, Usual(5), "5", true},
      {2000, 0, Usual(-12345678901), "-12345678901", true},
      {255, 100, Usual(1.5), hundredDecimals, true},
      {200, 100, Usual(1.5), hundredDecimals, true},
      {65535, 0, Usual(7), "7", true},
      {300, 299, Usual(0), std::string(300, '*'), false},  // "0." and 299 decimals do not fit
      {102, 100, Usual(1.5), hundredDecimals, true},
      {101, 100, Usual(12.5), std::string(101, '*'), false},
      {3, 0, Usual(12345), "***", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToText(c.length) + "," + ToText(c.decimals));
    FieldSpec spec(Symbol("N"), "N", c.length, c.decimals);
    EXPECT_EQ(spec.Transform(c.value), c.text);
    EXPECT_EQ(spec.Validate(c.value), c.valid);
  }
  for (const ErrorRef& e : errors) ADD_FAILURE() << e->Operation << ": " << e->Description;
}
}  // namespace
}  // namespace kt

namespace kt {
namespace {

// Numbers read from fields carry the field's width, so Str() of a field and
// key expressions built from it have the width xBase gives them.
TEST_F(DBServerTest, NumbersFromFieldsKeepTheFieldWidth) {
  const std::string path = Path("accounts.dbf");
  const Usual structure(Array{Usual(Array{"CUSTNO", "N", 12, 0}), Usual(Array{"NAME", "C", 10, 0}),
                              Usual(Array{"AGE", "N", 3, 0}), Usual(Array{"AMOUNT", "N", 10, 2})});
  ASSERT_TRUE(DBServer::DBCreate(path, structure, "DBFNTX"));
  Ref<DBServer> db = New<DBServer>(path, false, false, "DBFNTX");
  struct Row {
    std::int64_t no;
    const char* name;
    int age;
  } rows[] = {{123456789012, "Abel", 41}, {987654321, "Zorn", 7}, {123456789013, "Bach", 0}};
  for (const Row& r : rows) {
    db->Append();
    db->FieldPut("CUSTNO", Usual(r.no));
    db->FieldPut("NAME", r.name);
    if (r.age) db->FieldPut("AGE", r.age);
    db->FieldPut("AMOUNT", 12.5);
  }
  db->Commit();
  db->GoTop();
  Codeblock text =
      CompileCodeblock("{|| Str(ACCOUNTS->AGE) + '|' + Str(ACCOUNTS->CUSTNO) + '|' + Str(ACCOUNTS->AMOUNT)}");
  EXPECT_EQ(text(), Usual(" 41|123456789012|     12.50"));
  db->GoBottom();
  EXPECT_EQ(text(), Usual("  0|123456789013|     12.50")) << "a blank field has its width too";
  EXPECT_EQ(Str(db->FieldGet("AGE")), "  0");

  ASSERT_TRUE(db->CreateOrder(Path("bycust"), "STR(CUSTNO)+NAME"));
  EXPECT_EQ(Walk(*db), (std::vector<std::string>{"Zorn", "Abel", "Bach"}));
  EXPECT_TRUE(db->Seek("123456789013"));
  EXPECT_EQ(Name(*db), "Bach");
  EXPECT_TRUE(db->Seek("   987654321Zorn"));

  // A numeric key of a wide field has the field's width: no two numbers share a key.
  ASSERT_TRUE(db->CreateOrder(Path("byno"), "CUSTNO"));
  EXPECT_TRUE(db->Seek(Usual(123456789013)));
  EXPECT_EQ(Name(*db), "Bach");
  EXPECT_TRUE(db->Seek(Usual(123456789012)));
  EXPECT_EQ(Name(*db), "Abel");
}

// Field pictures and Transform() are one engine.
TEST(Pictures, FieldPicturesAndTransformAgree) {
  ScopedRuntime rt;
  rt->decimals = 2;
  struct Case {
    Usual value;
    const char* picture;
    const char* expected;
  } cases[] = {
      {"12345", "99-999", "12-45 "},        {"12345", "@R 99-999", "12-345"},
      {"abc", "@!", "ABC"},                 {"abc", "!XX", "Abc"},
      {"ab", "@R (XX)", "(ab)"},            {Usual(12.5), "@B 9999.99", "12.50  "},
      {Usual(1234.5), "9,999.99", "1,234.50"}, {Usual(34.5), "9,999.99", "   34.50"},
      {Usual(0), "@Z 999", "   "},          {Usual(-5), "999", " -5"},
      {Usual(12345), "999", "***"},         {Usual(true), "Y", "Y"},
      {Usual(false), "Y", "N"},
      // Without a template a number shows in full, whatever the digits setting.
      {Usual(12345678901), "", "12345678901"}, {Usual(12345678901), "@B", "12345678901"},
      {Usual(-1234567890), "@Z", "-1234567890"}, {Usual(0), "@Z", " "},
      {Usual(5), "@B", "5"},
  };
  const Codeblock transform = CompileCodeblock("{|v, p| Transform(v, p)}");
  for (const Case& c : cases) {
    FieldSpec spec(Symbol("X"), "C", 10, 0);
    spec.Picture(c.picture);
    EXPECT_EQ(spec.Transform(c.value), c.expected) << c.picture;
    EXPECT_EQ(transform(c.value, Usual(c.picture)), Usual(c.expected)) << c.picture;
  }

  // A numeric field's picture of functions only keeps the field's own text.
  struct FieldCase {
    const char* picture;
    Usual value;
    const char* expected;
  } fieldCases[] = {
      {"@B", Usual(12345678901), "12345678901.00"}, {"@Z", Usual(12345678901), "12345678901.00"},
      {"@Z", Usual(0), "    "},                     {"@B", Usual(1.5), "1.50"},
      {"@B", Usual(1e20), "***************"},       // as without a picture: too wide for the field
  };
  for (const FieldCase& c : fieldCases) {
    FieldSpec spec(Symbol("AMOUNT"), "N", 15, 2);
    spec.Picture(c.picture);
    EXPECT_EQ(spec.Transform(c.value), c.expected) << c.picture << " " << AsString(c.value);
  }
}

}  // namespace
}  // namespace kt
