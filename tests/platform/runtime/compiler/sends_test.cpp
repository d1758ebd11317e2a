// Late-bound sends against objects, the per-node class cache, per-instance
// members, and field names through the work-area resolver.
#include "fixtures.h"

namespace kt::testing_support {
namespace {

class Sends : public CompilerTest {
 protected:
  Ref<Customer> customer = New<Customer>();
};

TEST_F(Sends, AccessesMethodsAndChains) {
  customer->owner = New<Customer>();
  customer->owner->name = "Chef";
  const Usual server(customer);
  struct Case {
    const char* text;
    Usual expected;
  };
  const Case cases[] = {
      {"Upper(Server:NAME) + DToS(Server:ADAT)", Usual("MÜLLER20240131")},
      {"Server:name", Usual("Müller")},
      {"Server:Owner:Name", Usual("Chef")},
      {"(Server:Owner):Name", Usual("Chef")},
      {"Server:Twice(21)", Usual(42)},
      {"Server : Twice ( Server:N1 )", Usual(14)},
      {"Server:N1 * 2 + 1 > 10 .AND. !Empty(Server:C1)", Usual(true)},
      {"Server:RecNo%2>0", Usual(true)},
  };
  for (const Case& c : cases) EXPECT_EQ(Eval(c.text, "Server", {&server, 1}), c.expected) << c.text;
}

TEST_F(Sends, CacheFollowsTheClassOfEachTarget) {
  Codeblock b = CompileCodeblock("{|s| s:NAME}");
  Ref<Supplier> supplier = New<Supplier>();
  Ref<Row> row = New<Row>();
  row->name = "Row";
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(b(customer), Usual("Müller"));
    EXPECT_EQ(b(supplier), Usual("Supplier"));  // subclass overrides NAME
    EXPECT_EQ(b(row), Usual("Row"));            // inherits NAME
  }
  customer->name = "Neu";
  EXPECT_EQ(b(customer), Usual("Neu")) << "the cache holds the access, never its value";
}

TEST_F(Sends, PerInstanceMembers) {
  Ref<Row> a = New<Row>();
  Ref<Row> b = New<Row>();
  a->fields["CITY"] = Usual("Berlin");
  b->fields["CITY"] = Usual("Wien");
  Codeblock city = CompileCodeblock("{|s| s:City}");
  EXPECT_EQ(city(a), Usual("Berlin"));
  EXPECT_EQ(city(b), Usual("Wien"));
  a->fields["CITY"] = Usual("Hamburg");
  EXPECT_EQ(city(a), Usual("Hamburg"));
  EXPECT_EQ(CompileCodeblock("{|s| s:FieldGet('CITY')}")(b), Usual("Wien"));

  CollectErrors(Usual("?"));
  EXPECT_EQ(city(customer), Usual("?"));  // same node, a class without CITY
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0]->GenCode, gen::NoMethod);
  EXPECT_EQ(city(a), Usual("Hamburg"));
}

TEST_F(Sends, UnknownNamesAndNonObjects) {
  CollectErrors(Usual("sub"));
  const Usual server(customer);
  EXPECT_EQ(Eval("Server:Missing", "Server", {&server, 1}), Usual("sub"));
  EXPECT_EQ(Eval("Server:Missing(1)", "Server", {&server, 1}), Usual("sub"));
  EXPECT_EQ(Eval("(1):Name"), Usual("sub"));
  EXPECT_EQ(Eval("Server:Name", "Server"), Usual("sub"));  // NIL target
  ASSERT_EQ(errors.size(), 4u);
  for (const auto& e : errors) EXPECT_EQ(e->GenCode, gen::NoMethod) << e->Description;
}

class Fields : public CompilerTest {
 protected:
  void SetUp() override {
    CompilerTest::SetUp();
    Runtime::SetResolver(&resolver);
  }
  FakeResolver resolver;
};

TEST_F(Fields, BareNamesAndAliases) {
  struct Case {
    const char* text;
    Usual expected;
  };
  const Case cases[] = {
      {"KDNR", Usual(42)},
      {"kdnr + 1", Usual(43)},
      {"Trim(NAME) + '!'", Usual("Schmidt!")},
      {"CUST->NAME", Usual("Schmidt  ")},
      {"orders->name", Usual("Order")},
      {"FIELD->KDNR", Usual(42)},
      {"_field->kdnr", Usual(42)},
      {"(2)->ORDERNO", Usual(7)},
      {"('orders')->ORDERNO", Usual(7)},
      {"(#ORDERS)->ORDERNO", Usual(7)},
  };
  for (const Case& c : cases) EXPECT_EQ(Eval(c.text), c.expected) << c.text;
  EXPECT_EQ(resolver.selected, 1) << "(n)->FIELD restores the selected area";
}

TEST_F(Fields, ParametersShadowFields) {
  const Usual five(5);
  EXPECT_EQ(Eval("kdnr", "KDNR", {&five, 1}), Usual(5));
  EXPECT_EQ(Eval("CUST->KDNR", "KDNR", {&five, 1}), Usual(42));
}

TEST_F(Fields, UnknownNamesRaiseNoVar) {
  CollectErrors(Usual(-1));
  EXPECT_EQ(Eval("NOPE"), Usual(-1));
  EXPECT_EQ(Eval("NOALIAS->KDNR"), Usual(-1));
  EXPECT_EQ(Eval("(9)->KDNR"), Usual(-1));
  EXPECT_EQ(resolver.selected, 1);
  Runtime::SetResolver(nullptr);
  EXPECT_EQ(Eval("KDNR"), Usual(-1));
  ASSERT_EQ(errors.size(), 4u);
  for (const auto& e : errors) EXPECT_EQ(e->GenCode, gen::NoVar);
  EXPECT_EQ(errors[0]->Description, "Variable does not exist: NOPE");
  EXPECT_EQ(errors[1]->Description, "Variable does not exist: NOALIAS->KDNR");
}

}  // namespace
}  // namespace kt::testing_support
