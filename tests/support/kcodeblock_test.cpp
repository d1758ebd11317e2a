#include <gtest/gtest.h>

#include "platform/runtime/runtime.h"
#include "support/array_scan.h"
#include "support/kcodeblock.h"
#include "support/kitemlist.h"

namespace kt {
namespace {

class Customer : public Object {
 public:
  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass() {
    static ClassInfo info("Customer", &Object::StaticClass());
    static bool once = [] {
      info.Access<Customer>("NAME", [](Customer&) { return Usual("Meier"); });
      info.Access<Customer>("AGE", [](Customer&) { return Usual(41); });
      return true;
    }();
    (void)once;
    return info;
  }
};

TEST(kCodeblock, CompilesWithServerAsSingleDefaultParameter) {
  Ref<Customer> c = New<Customer>();
  Ref<kCodeblock> b = New<kCodeblock>("Server:NAME + '!'", Usual(c));
  EXPECT_EQ(b->ArgumentList(), "Server");
  EXPECT_FALSE(b->IsValid());  // never compiled
  ASSERT_TRUE(b->Compile());
  EXPECT_EQ(b->ErrorNo(), 0);
  EXPECT_EQ(b->Block().ParamCount(), 1);
  EXPECT_TRUE(b->IsValid(true));
  EXPECT_EQ(b->Eval(), Usual("Meier!"));
  EXPECT_FALSE(b->ServerIsDB());
}

TEST(kCodeblock, ErrorNumbers) {
  struct Case {
    const char* text;
    int errorNo;
  } cases[] = {{"", -1}, {"   ", -1}, {"1 +", -2}, {"Upper(", -2}, {"1 + 2", 0}};
  for (const auto& c : cases) {
    Ref<kCodeblock> b = New<kCodeblock>(c.text, NIL);
    EXPECT_EQ(b->Compile(), c.errorNo == 0) << c.text;
    EXPECT_EQ(b->ErrorNo(), c.errorNo) << c.text;
    EXPECT_EQ(b->IsValid(), c.errorNo == 0) << c.text;
    if (c.errorNo == -2) {
      ASSERT_TRUE(b->LastError());
      EXPECT_FALSE(b->LastError()->Description.empty());
    }
  }
}

TEST(kCodeblock, ArgumentListAndValues) {
  Ref<kCodeblock> b = New<kCodeblock>("a * 10 + b", NIL);
  b->ArgumentList(Usual(Array{"a", "b"}));
  EXPECT_EQ(b->ArgumentList(), "a,b");
  b->ArgumentValues(Usual(Array{4, 2}));
  ASSERT_TRUE(b->Compile());
  EXPECT_EQ(b->Eval(), Usual(42));
  b->ArgumentValues(Usual(Array{1, 1}));
  EXPECT_FALSE(b->IsValid());  // invalid until compiled again
  EXPECT_EQ(b->Eval(), Usual(11));
  b->Compile();
  EXPECT_TRUE(b->IsValid());
  b->ArgumentList(NIL);
  EXPECT_EQ(b->ArgumentList(), "Server");
}

TEST(kCodeblock, EvaluationErrorGoesToErrorBlockAndGivesNil) {
  ScopedRuntime rt;
  std::vector<ErrorRef> errors;
  Runtime::SetErrorBlock([&](const ErrorRef& e) {
    errors.push_back(e);
    return Usual(99);
  });
  Ref<kCodeblock> b = New<kCodeblock>("1 / 0", NIL);
  ASSERT_TRUE(b->Compile());
  EXPECT_TRUE(b->Eval().IsNil());
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0]->GenCode, gen::ZeroDiv);
  EXPECT_FALSE(b->IsValid(true));
}

// Under a caller's error trap (a server method, a condition list) the
// failure belongs to that trap, not to the error block.
TEST(kCodeblock, EvaluationErrorGoesToTheCallersTrap) {
  ScopedRuntime rt;
  std::vector<ErrorRef> reported;
  Runtime::SetErrorBlock([&](const ErrorRef& e) {
    reported.push_back(e);
    return Usual();
  });
  Ref<kCodeblock> b = New<kCodeblock>("1 / 0", NIL);
  ASSERT_TRUE(b->Compile());
  try {
    ErrorTrap trap;
    b->Eval();
    ADD_FAILURE() << "the trap did not see the error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.error()->GenCode, gen::ZeroDiv);
  }
  EXPECT_TRUE(reported.empty());
  ASSERT_TRUE(b->LastError());
  EXPECT_EQ(b->LastError()->GenCode, gen::ZeroDiv);
  // Compile errors are the object's own business, trap or not.
  Ref<kCodeblock> broken = New<kCodeblock>("1 +", NIL);
  ErrorTrap trap;
  EXPECT_FALSE(broken->Compile());
  EXPECT_EQ(broken->ErrorNo(), kCodeblock::kCompileFailed);
}

// IsValid answers a question: an evaluation that fails makes it FALSE, under
// a caller's trap as well, and neither the trap nor the error block hears of it.
TEST(kCodeblock, IsValidAnswersUnderACallersTrap) {
  ScopedRuntime rt;
  std::vector<ErrorRef> reported;
  Runtime::SetErrorBlock([&](const ErrorRef& e) {
    reported.push_back(e);
    return Usual();
  });
  Ref<kCodeblock> b = New<kCodeblock>("1 / 0", NIL);
  ASSERT_TRUE(b->Compile());
  bool answered = false, valid = true;
  try {
    ErrorTrap trap;
    valid = b->IsValid(true);
    answered = true;
    EXPECT_TRUE(b->IsValid(false)) << "without evaluating, a compiled text is valid";
  } catch (const RuntimeError& e) {
    ADD_FAILURE() << "IsValid threw: " << e.what();
  }
  EXPECT_TRUE(answered);
  EXPECT_FALSE(valid);
  EXPECT_TRUE(reported.empty());
  ASSERT_TRUE(b->LastError());
  EXPECT_EQ(b->LastError()->GenCode, gen::ZeroDiv);
}

TEST(kCodeblock, IsAcceptedWhereverACodeblockIs) {
  Ref<Customer> customer = New<Customer>();  // the codeblock does not keep its server alive
  Ref<kCodeblock> b = New<kCodeblock>("Server:AGE > 40", Usual(customer));
  b->Compile();
  EXPECT_EQ(EvalBlock(Usual(b)), Usual(true));
}

TEST(kItemList, PositionsAndIdentity) {
  Ref<kItemList> list = New<kItemList>();
  Ref<Customer> a = New<Customer>(), b = New<Customer>(), stranger = New<Customer>();
  list->Add(Usual(a));
  list->Add(Usual(b));
  EXPECT_EQ(list->Count(), 2u);
  EXPECT_EQ(list->Exist(Usual(b)), 2u);
  EXPECT_EQ(list->Exist(Usual(stranger)), 0u);
  EXPECT_TRUE(list->Get(0).IsNil());
  EXPECT_TRUE(list->Get(3).IsNil());
  list->Put(5, Usual(stranger));  // outside: nothing happens
  EXPECT_EQ(list->Count(), 2u);
  list->Delete(Usual(stranger));  // not in the list: nothing happens
  EXPECT_EQ(list->Count(), 2u);
  list->Delete(Usual(1));
  EXPECT_EQ(list->Count(), 1u);
  EXPECT_EQ(list->Get(1).AsObject(), b.get());
  list->Clear();
  EXPECT_EQ(list->Count(), 0u);
}

TEST(ArrayScan, ExactnessOfTheCall) {
  ScopedRuntime rt;
  rt->exact = true;
  const Usual a(Array{"Bergmann", "Berg"});
  EXPECT_EQ(kAScan(a, "Berg"), 2u);                       // runtime exact
  EXPECT_EQ(kAScan(a, "Berg", NIL, NIL, false), 1u);      // the call says non-exact
  EXPECT_EQ(kAScan(a, "Ber", NIL, NIL, true), 0u);
}

}  // namespace
}  // namespace kt
