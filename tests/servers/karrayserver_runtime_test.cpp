// Where the array server meets the runtime: the lifetime of kCodeblocks
// that refer to it, and the display format of its numbers.
#include <gtest/gtest.h>

#include "server_fixture.h"
#include "support/kcodeblock.h"

namespace kt {
namespace {

class CountedServer : public kArrayServer {
 public:
  CountedServer(const Usual& structure, const Usual& data, int* destroyed)
      : kArrayServer(structure, data), destroyed_(destroyed) {}
  ~CountedServer() override { ++*destroyed_; }

 private:
  int* destroyed_;
};

TEST(ArrayServerLifetime, DroppedWithoutCloseWhileItsKCodeblocksReferToIt) {
  ScopedRuntime rt;
  int destroyed = 0;
  Ref<kCodeblock> key = New<kCodeblock>("Server:NAME", NIL);
  {
    Array data = test::Customers({{"Meier", 40}, {"Abel", 33}});
    Ref<CountedServer> s = New<CountedServer>(test::CustomerStruct(), Usual(data), &destroyed);
    key->Use(Usual(s));
    ASSERT_TRUE(key->Compile());
    Ref<kCodeblock> filter = New<kCodeblock>("Server:AGE > 30", Usual(s));
    ASSERT_TRUE(filter->Compile());
    ASSERT_TRUE(s->CreateOrder(Usual(key)));
    ASSERT_TRUE(s->SetFilter(Usual(filter)));
    EXPECT_EQ(key->Server().AsObject(), s.get());
    EXPECT_EQ(key->Eval(), Usual("Abel"));
  }
  EXPECT_EQ(destroyed, 1);
  EXPECT_TRUE(key->Server().IsNil()) << "a codeblock does not keep its server alive";
  EXPECT_TRUE(key->Eval().IsNil());
}

// A kCodeblock that fails inside a server method reaches the method's own
// trap, which reports through the server's Error to its client.
TEST(ArrayServerTraps, KCodeblockFailuresReachTheServersTrap) {
  ScopedRuntime rt;
  int handed = 0;
  Runtime::SetErrorBlock([&](const ErrorRef&) {
    ++handed;
    return Usual();
  });
  Array data = test::Customers({{"Meier", 40}, {"Abel", 33}});
  Ref<kArrayServer> s = New<kArrayServer>(test::CustomerStruct(), Usual(data));
  Ref<test::RecordingClient> client = New<test::RecordingClient>();
  s->RegisterClient(client.get());
  Ref<kCodeblock> filter = New<kCodeblock>("Server:AGE / 0 > 1", Usual(s));
  ASSERT_TRUE(filter->Compile());
  s->SetFilter(Usual(filter));  // the first record is evaluated while going to the top
  ASSERT_EQ(client->errors.size(), 1u);
  EXPECT_EQ(client->errors[0]->GenCode, gen::ZeroDiv);
  EXPECT_EQ(handed, 0) << "the error block is not asked as well";
  s->UnRegisterClient(client.get());
}

// With FieldMode 1 numbers carry the field's length (and decimals), so Str()
// of a field has the field's width.
TEST(ArrayServerFieldMode, NumbersCarryTheFieldsWidth) {
  ScopedRuntime rt;
  Ref<kArrayServer> s = New<kArrayServer>(
      Usual(Array{Usual(Array{"AGE", "N", 3, 0}), Usual(Array{"PRICE", "N", 8, 2})}), Usual(Array{Usual(Array{41, 2.5})}),
      NIL, 1);
  EXPECT_EQ(Str(s->FieldGet("AGE")), " 41");
  EXPECT_EQ(Str(s->FieldGet("PRICE")), "    2.50");
  s->FieldPut("AGE", 7);
  EXPECT_EQ(Str(s->FieldGet("AGE")), "  7");
  EXPECT_TRUE(s->FieldGet("AGE").IsInteger());
}

// Fields as wide as a structure may declare them format and validate their
// numbers without raising, in both field modes.
TEST(ArrayServerFieldMode, WideNumericFieldsFormatWithoutErrors) {
  ScopedRuntime rt;
  std::vector<ErrorRef> errors;
  Runtime::SetErrorBlock([&](const ErrorRef& e) {
    errors.push_back(e);
    return Usual();
  });
  for (int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    Ref<kArrayServer> s = New<kArrayServer>(
        Usual(Array{Usual(Array{"BIG", "N", 2000, 0}), Usual(Array{"FINE", "N", 65535, 200})}),
        Usual(Array{Usual(Array{1, 0.5})}), NIL, mode);
    Ref<test::RecordingClient> client = New<test::RecordingClient>();
    s->RegisterClient(client.get());
    s->FieldPut("BIG", 5);
    EXPECT_EQ(s->FieldGet("BIG"), Usual(5));
    EXPECT_EQ(s->FieldGetFormatted("BIG"), "5");
    s->FieldPut("FINE", 1.5);
    EXPECT_EQ(s->FieldGet("FINE"), Usual(1.5));
    EXPECT_EQ(s->FieldGetFormatted("FINE"), "1." + std::string(1, '5') + std::string(199, '0'));
    for (const ErrorRef& e : errors) ADD_FAILURE() << "error block: " << e->Operation << " " << e->Description;
    for (const ErrorRef& e : client->errors) ADD_FAILURE() << "client: " << e->Operation << " " << e->Description;
    errors.clear();
    s->UnRegisterClient(client.get());
  }
}

}  // namespace
}  // namespace kt
