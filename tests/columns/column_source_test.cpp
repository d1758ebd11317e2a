// kDataColumn: where values come from, how they are written back, and
// edited text.
#include <gtest/gtest.h>

#include "column_fixture.h"
#include "columns/kdatacolumn.h"
#include "platform/runtime/codeblock.h"
#include "platform/runtime/convert.h"
#include "support/kcodeblock.h"

namespace kt {
namespace {

using test::AllTypesServer;
using test::DeclaringServer;
using test::ErrorLog;
using test::FakeGrid;

using ColumnSource = test::ColumnTest;

TEST_F(ColumnSource, EveryFieldTypeReadsItsFieldAndTakesTheFieldSpec) {
  struct Case {
    Usual field;
    std::size_t fieldNo;
    const char* type;
    int length, decimals;
    bool heightVariable;
  } cases[] = {
      {"NAME", 1, "C", 20, 0, false}, {"note", 2, "M", 10, 0, true},  {Symbol("AGE"), 3, "N", 3, 0, false},
      {4, 4, "N", 8, 2, false},       {" BORN ", 5, "D", 8, 0, false}, {6, 6, "L", 1, 0, false},
  };
  for (const auto& c : cases) {
    Ref<kDataColumn> col = Column(c.field);
    SCOPED_TRACE(col->FieldName());
    EXPECT_EQ(col->SourceKind(), kDataColumn::KindField);
    EXPECT_EQ(col->FieldNo(), c.fieldNo);
    EXPECT_EQ(col->FieldSym(), server->FieldSym(Usual(c.fieldNo)).AsSymbol());
    ASSERT_TRUE(col->FieldSpec());
    EXPECT_EQ(col->ValType(), c.type);
    EXPECT_EQ(col->Length(), c.length);
    EXPECT_EQ(col->Decimals(), c.decimals);
    EXPECT_EQ(col->IsHeightVariable(), c.heightVariable);
    EXPECT_TRUE(col->Editable());
    EXPECT_EQ(col->Value(), server->FieldGet(Usual(c.fieldNo)));
  }
  server->ReadOnly(true);
  EXPECT_FALSE(Column("NAME")->Editable()) << "a read-only server makes field columns read-only";
}

TEST_F(ColumnSource, KindDeduction) {
  Ref<DeclaringServer> s = New<DeclaringServer>(test::AllTypesStruct(), test::AllTypesData());
  s->GoTop();
  struct Case {
    Usual field;
    Symbol kind;
    bool hasAccess, hasAssign;
    std::size_t fieldNo;
  } cases[] = {
      // A numeric field whose name the server declares as an access.
      {1, kDataColumn::KindAccess, true, false, 1},
      {3, kDataColumn::KindAccessAssign, true, true, 3},
      {"GREETING", kDataColumn::KindAccess, true, false, 0},
      {"title", kDataColumn::KindAccessAssign, true, true, 0},
      // Field names a server answers by name are fields, not accesses.
      {"PRICE", kDataColumn::KindField, false, false, 4},
      // Accesses of the protocol itself.
      {"RecNo", kDataColumn::KindAccess, true, false, 0},
      {"NOSUCH", kDataColumn::KindField, false, false, 0},
  };
  for (const auto& c : cases) {
    Ref<kDataColumn> col = New<kDataColumn>(&grid, Usual(s), c.field);
    SCOPED_TRACE(AsString(c.field));
    EXPECT_EQ(col->SourceKind(), c.kind);
    EXPECT_EQ(col->HasAccess(), c.hasAccess);
    EXPECT_EQ(col->HasAssign(), c.hasAssign);
    EXPECT_EQ(col->FieldNo(), c.fieldNo);
  }
  EXPECT_EQ(New<kDataColumn>(&grid, Usual(s), 1)->Value(), Usual("via access: Meier"));
  EXPECT_EQ(New<kDataColumn>(&grid, Usual(s), "RecNo")->Value(), Usual(1));
  EXPECT_EQ(New<kDataColumn>(&grid, Usual(s), "GREETING")->ValType(), "C") << "typed from its first value";
  EXPECT_EQ(New<kDataColumn>(&grid, Usual(s), "1 + 1", Usual("#Expression"))->SourceKind(), kDataColumn::KindExpression);
  // An unknown kind is a field column.
  EXPECT_EQ(New<kDataColumn>(&grid, Usual(s), "NAME", Usual(Symbol("Whatever")))->SourceKind(), kDataColumn::KindField);
  EXPECT_TRUE(log.errors.empty());
}

TEST_F(ColumnSource, WriteBackByKind) {
  Ref<DeclaringServer> s = New<DeclaringServer>(test::AllTypesStruct(), test::AllTypesData());
  s->GoTop();
  const Usual server(s);

  // #Access: never written back, and so not editable.
  Ref<kDataColumn> access = New<kDataColumn>(&grid, server, "NAME", Usual(kDataColumn::KindAccess));
  EXPECT_FALSE(access->Editable());
  EXPECT_EQ(access->Value(Usual("Neu")), Usual("Neu"));
  EXPECT_EQ(text::TrimRight(s->FieldGet(Usual(1)).AsStringView()), "Meier");

  // #AccessAssign without an assign but with a field of the name: FieldPut.
  Ref<kDataColumn> viaField = New<kDataColumn>(&grid, server, "NAME", Usual(kDataColumn::KindAccessAssign));
  EXPECT_FALSE(viaField->HasAssign());
  EXPECT_TRUE(viaField->Editable());
  viaField->Value(Usual("Neu"));
  EXPECT_EQ(text::TrimRight(s->FieldGet(Usual(1)).AsStringView()), "Neu");
  EXPECT_EQ(viaField->Value(), Usual("via access: Neu")) << "reads through the access";

  // #AccessAssign with an assign: the assign.
  Ref<kDataColumn> viaAssign = New<kDataColumn>(&grid, server, 3);
  viaAssign->Value(Usual(50));
  EXPECT_EQ(s->ageAssigns, 1);
  EXPECT_EQ(s->FieldGet(Usual(3)), Usual(50));
  Ref<kDataColumn> title = New<kDataColumn>(&grid, server, "TITLE");
  EXPECT_TRUE(title->Editable());
  title->Value(Usual("Prof."));
  EXPECT_EQ(s->title, "Prof.");

  // Nothing is written while the server is not used.
  s->Close();
  viaAssign->Value(Usual(60));
  EXPECT_EQ(s->ageAssigns, 1);
}

TEST_F(ColumnSource, FieldTheServerDoesNotHaveYieldsNilAndWritesNothing) {
  for (const Usual& field : {Usual("NOSUCH"), Usual(99), Usual(0), Usual(-3)}) {
    Ref<kDataColumn> col = Column(field);
    SCOPED_TRACE(AsString(field));
    EXPECT_EQ(col->FieldNo(), 0u);
    EXPECT_TRUE(col->Value().IsNil());
    EXPECT_FALSE(col->Editable()) << "an edit would have nowhere to go";
    const Array before = server->RecordGet();
    col->Value(Usual("x"));
    const Array after = server->RecordGet();
    for (std::size_t i = 1; i <= before.Len(); ++i) EXPECT_EQ(after.Get(i), before.Get(i)) << i;
    EXPECT_EQ(col->TextValue(), "");
  }
  // No server at all.
  Ref<kDataColumn> lonely = New<kDataColumn>(&grid, NIL, "NAME");
  EXPECT_TRUE(lonely->Value().IsNil());
  EXPECT_FALSE(lonely->Deleted());
  EXPECT_FALSE(lonely->Editable());
  lonely->Value(Usual("x"));
  EXPECT_TRUE(log.errors.empty());
}

TEST_F(ColumnSource, ExpressionColumnsTakeTheTypeOfTheirFirstValue) {
  struct Case {
    const char* expression;
    const char* type;
    int length, decimals;
  } cases[] = {
      {"'abcdefghij'", "C", 255, 0},          // 255 is a floor, not a cap
      {"Replicate('x', 300)", "C", 300, 0},
      {"Server:AGE + 1", "N", 10, 0},         // integer: the digits setting
      {"Server:AGE / 4", "N", 13, 2},          // digits + decimals + 1
      {"Server:BORN", "D", 10, 0},             // length of "DD.MM.YYYY"
      {"Server:VIP", "L", 1, 0},
      {"NIL", "U", 0, 0},
  };
  for (const auto& c : cases) {
    Ref<kDataColumn> col = Column(c.expression, Usual(kDataColumn::KindExpression));
    SCOPED_TRACE(c.expression);
    EXPECT_EQ(col->SourceKind(), kDataColumn::KindExpression);
    EXPECT_EQ(col->ValType(), c.type);
    EXPECT_EQ(col->Length(), c.length);
    EXPECT_EQ(col->Decimals(), c.decimals);
    EXPECT_FALSE(col->Editable());
    EXPECT_FALSE(col->FieldSpec());
  }
  EXPECT_EQ(Column("Server:AGE + 1", Usual(kDataColumn::KindExpression))->Value(), Usual(43));
  EXPECT_TRUE(log.errors.empty());
}

TEST_F(ColumnSource, ExpressionArgumentsAndBlockKinds) {
  Ref<kDataColumn> args = New<kDataColumn>(&grid, Usual(server), "Arg2 + Arg3 * Server:AGE",
                                           Usual(kDataColumn::KindExpression), Usual(1), Usual(2));
  EXPECT_EQ(args->Value(), Usual(85));
  ASSERT_EQ(args->EvalArguments().Len(), 5u);
  EXPECT_EQ(args->EvalArguments()[1].AsObject(), server.get());

  const Codeblock block = Codeblock::FromFunction([](Args a) { return Usual(a.size() == 5 && a[4].IsNil() ? "five" : "?"); }, 5);
  EXPECT_EQ(Column(Usual(block), Usual(kDataColumn::KindExpression))->Value(), Usual("five"));

  Ref<kCodeblock> kb = New<kCodeblock>("Upper(Server:NAME)", Usual(server));
  ASSERT_TRUE(kb->Compile());
  Ref<kDataColumn> viaObject = Column(Usual(kb), Usual(kDataColumn::KindExpression));
  EXPECT_EQ(text::TrimRight(viaObject->Value().AsStringView()), "MEIER");

  // Expression columns never write.
  Ref<kDataColumn> expr = Column("Server:NAME", Usual(kDataColumn::KindExpression));
  expr->Value(Usual("Neu"));
  EXPECT_EQ(text::TrimRight(server->FieldGet(Usual(1)).AsStringView()), "Meier");
}

TEST_F(ColumnSource, ExpressionThatDoesNotCompileRaisesAtConstruction) {
  Ref<kDataColumn> col = Column("Server:AGE +* 2", Usual(kDataColumn::KindExpression));
  ASSERT_EQ(log.errors.size(), 1u);
  const ErrorRef& e = log.errors[0];
  EXPECT_EQ(e->GenCode, gen::Syntax);
  EXPECT_EQ(e->Arg, Usual("Server:AGE +* 2")) << "the column's text, not the wrapped block";
  EXPECT_EQ(e->SubCode, 13) << "position within the text";
  EXPECT_TRUE(col->Value().IsNil());

  ScopedRuntime noBlock;
  Runtime::SetErrorBlock(nullptr);
  EXPECT_THROW(Column("Upper(", Usual(kDataColumn::KindExpression)), RuntimeError);
}

TEST_F(ColumnSource, EvaluationErrorsPropagateToTheCaller) {
  Ref<kDataColumn> col = Column("1 / (Server:AGE - 42)", Usual(kDataColumn::KindExpression));
  ASSERT_EQ(log.errors.size(), 1u) << "the first value is fetched at construction";
  EXPECT_EQ(log.GenCode(), gen::ZeroDiv);
  ErrorTrap trap;
  EXPECT_THROW(col->Value(), RuntimeError);
}

TEST_F(ColumnSource, TextValueParsesByType) {
  struct Case {
    const char* field;
    const char* text;
    bool ok;
    Usual stored;  // the field afterwards
  } cases[] = {
      {"NAME", "Schmidt", true, Usual("Schmidt")},
      {"NOTE", "eine Notiz", true, Usual("eine Notiz")},
      {"AGE", " 51 ", true, Usual(51)},
      {"AGE", "", true, Usual(0)},
      {"AGE", "abc", false, Usual(42)},
      {"AGE", "12x", false, Usual(42)},
      {"PRICE", "-3,25", true, Usual(-3.25)},
      {"BORN", "24.12.2023", true, Usual(Date::FromYMD(2023, 12, 24))},
      {"BORN", "31.02.2024", false, Usual(Date::FromYMD(1980, 5, 17))},
      {"BORN", "", true, Usual(Date())},
      {"VIP", "x", true, Usual(false)},
      {"VIP", "ja", true, Usual(true)},
      {"VIP", " T ", true, Usual(true)},
      {"VIP", ".t.", true, Usual(true)},
      {"VIP", "nein", true, Usual(false)},
  };
  for (const auto& c : cases) {
    Ref<kArrayServer> s = AllTypesServer();
    s->GoTop();
    Ref<kDataColumn> col = New<kDataColumn>(&grid, Usual(s), c.field);
    SCOPED_TRACE(std::string(c.field) + " <- '" + c.text + "'");
    EXPECT_EQ(col->TextValue(c.text), c.ok);
    EXPECT_EQ(bool(col->Status()), !c.ok);
    const Usual now = s->FieldGet(Usual(c.field));
    if (c.stored.IsFloat()) EXPECT_DOUBLE_EQ(now.AsFloat(), c.stored.AsFloat());
    else if (c.stored.IsString()) EXPECT_EQ(text::TrimRight(now.AsStringView()), c.stored.AsStringView());
    else EXPECT_EQ(now, c.stored);
  }
  Ref<kDataColumn> born = Column("BORN");
  EXPECT_FALSE(born->TextValue("31.02.2024"));
  EXPECT_NE(born->Status()->Description.find("31.02.2024"), std::string::npos);

  // A type that has no text form reports instead of writing.
  Ref<kDataColumn> object = Column("Server", Usual(kDataColumn::KindExpression));
  EXPECT_EQ(object->ValType(), "O");
  EXPECT_FALSE(object->TextValue("x"));
  EXPECT_TRUE(log.errors.empty());
}

TEST_F(ColumnSource, DeletedFollowsTheServer) {
  Ref<kDataColumn> col = Column("NAME");
  EXPECT_FALSE(col->Deleted());
  server->Delete(Usual(false));  // mark only
  EXPECT_TRUE(col->Deleted());
}

}  // namespace
}  // namespace kt
