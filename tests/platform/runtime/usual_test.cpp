#include <gtest/gtest.h>

#include "platform/runtime/array.h"
#include "platform/runtime/codeblock.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/operators.h"
#include "platform/runtime/runtime.h"

namespace kt {
namespace {

// Errors raised by operators arrive at the error block; tests record them
// and substitute NIL.
struct ErrorRecorder {
  ScopedRuntime runtime;
  std::vector<ErrorRef> errors;
  ErrorRecorder() {
    Runtime::SetErrorBlock([this](const ErrorRef& e) {
      errors.push_back(e);
      return Usual();
    });
  }
};

TEST(Usual, IsTwoWordsAndCarriesEveryType) {
  EXPECT_EQ(sizeof(Usual), 2 * sizeof(void*));
  struct Case {
    Usual value;
    const char* letter;
  } cases[] = {
      {Usual(), "U"},          {Usual(true), "L"},        {Usual(42), "N"},
      {Usual(1.5), "N"},       {Usual(Date::FromYMD(2024, 1, 31)), "D"},
      {Usual("text"), "C"},    {Usual(Symbol("abc")), "#"},
      {Usual(Array{1, 2}), "A"}, {Usual(Codeblock::FromFunction([](Args) { return Usual(); })), "B"},
  };
  for (const auto& c : cases) EXPECT_STREQ(c.value.TypeLetter(), c.letter);
}

TEST(Usual, StringsAndArraysShareStorageOnCopy) {
  const std::string longText(100, 'x');
  Usual a(longText);
  Usual b = a;
  EXPECT_EQ(a.AsStringView().data(), b.AsStringView().data());
  Usual shortText("abcdefgh");  // fits inline
  Usual copy = shortText;
  EXPECT_EQ(copy.AsStringView(), "abcdefgh");

  Array arr{1, 2};
  Usual u(arr);
  u.AsArray().Put(1, "changed");
  EXPECT_EQ(arr.Get(1), Usual("changed"));  // the caller's array sees it
  EXPECT_TRUE(arr.Get(0).IsNil());
  EXPECT_TRUE(arr.Get(3).IsNil());
}

TEST(Usual, MoveLeavesNilAndSelfAssignmentKeepsValue) {
  Usual a(std::string(50, 'y'));
  Usual b = std::move(a);
  EXPECT_TRUE(a.IsNil());  // NOLINT(bugprone-use-after-move)
  b = b;
  EXPECT_EQ(b.AsStringView().size(), 50u);
}

TEST(Usual, ExactAndNonExactEquality) {
  ScopedRuntime rt;
  struct Case {
    Usual a, b;
    bool exactEq;    // ==
    bool eqNonExact; // = with exact off
    bool eqExact;    // = with exact on
  } cases[] = {
      {"abc", "abc", true, true, true},
      {"abc", "ab", false, true, false},
      {"ab", "abc", false, false, false},
      {"abc", "", false, true, false},
      {"abc  ", "abc", false, true, true},
      {1, 1.0, true, true, true},
      {Usual(), Usual(), true, true, true},
      {Usual(), 0, false, false, false},
      {Date::FromYMD(2024, 2, 29), Date::FromYMD(2024, 2, 29), true, true, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.a == c.b, c.exactEq) << AsString(c.a) << " == " << AsString(c.b);
    rt->exact = false;
    EXPECT_EQ(Equals(c.a, c.b), c.eqNonExact) << AsString(c.a) << " = " << AsString(c.b);
    rt->exact = true;
    EXPECT_EQ(Equals(c.a, c.b), c.eqExact) << AsString(c.a) << " = " << AsString(c.b) << " (exact)";
  }
}

TEST(Usual, OrderingWithinOneType) {
  ScopedRuntime rt;
  rt->exact = true;
  EXPECT_TRUE(Less(1, 2));
  EXPECT_TRUE(Less(1, 1.5));
  EXPECT_TRUE(Less(false, true));
  EXPECT_TRUE(Less(Date(), Date::FromYMD(1900, 1, 1)));
  EXPECT_TRUE(Less("Apfel", "Birne"));
  EXPECT_TRUE(Less("ab", "abc"));
  EXPECT_TRUE(GreaterEq("b", "abc"));
}

TEST(Usual, ComparingDifferentTypesRaisesArgumentError) {
  ErrorRecorder rec;
  EXPECT_FALSE(Less("a", 1));
  ASSERT_EQ(rec.errors.size(), 1u);
  EXPECT_EQ(rec.errors[0]->GenCode, gen::Arg);
}

TEST(Usual, Arithmetic) {
  ScopedRuntime rt;
  const Date d = Date::FromYMD(2024, 2, 28);
  struct Case {
    Usual result, expected;
  } cases[] = {
      {Add(2, 3), 5},
      {Sub(2, 3.5), -1.5},
      {Mul(4, 2.5), 10.0},
      {Div(10, 4), 2.5},
      {Div(10, 5), 2},
      {Mod(10, 3), 1},
      {Pow(2, 10), 1024.0},
      {Add(d, 2), Date::FromYMD(2024, 3, 1)},
      {Add(1, d), Date::FromYMD(2024, 2, 29)},
      {Sub(Date::FromYMD(2025, 1, 1), Date::FromYMD(2024, 1, 1)), 366},
      {Sub(d, 28), Date::FromYMD(2024, 1, 31)},
      {Add("ab", "cd"), "abcd"},
      {Sub("ab  ", "cd"), "abcd  "},
      {Neg(5), -5},
      {Add(INT64_MAX, 1), 9223372036854775808.0},
  };
  for (const auto& c : cases) EXPECT_EQ(c.result, c.expected) << AsString(c.result) << " vs " << AsString(c.expected);
}

TEST(Usual, ArithmeticErrorsGoToTheErrorBlockWithSubstitute) {
  ErrorRecorder rec;
  Runtime::SetErrorBlock([&](const ErrorRef& e) {
    rec.errors.push_back(e);
    return Usual(-1);
  });
  EXPECT_EQ(Div(1, 0), Usual(-1));
  EXPECT_EQ(Add("a", 1), Usual(-1));
  EXPECT_EQ(Mod(5, 0), Usual(-1));
  ASSERT_EQ(rec.errors.size(), 3u);
  EXPECT_EQ(rec.errors[0]->GenCode, gen::ZeroDiv);
  EXPECT_EQ(rec.errors[1]->GenCode, gen::Arg);
}

TEST(Usual, InsideATrapErrorsAreThrown) {
  ErrorRecorder rec;
  ErrorTrap trap;
  EXPECT_THROW(Div(1, 0), RuntimeError);
  EXPECT_TRUE(rec.errors.empty());
}

TEST(Usual, Emptiness) {
  struct Case {
    Usual v;
    bool empty;
  } cases[] = {
      {Usual(), true},   {false, true},  {true, false},      {0, true},         {0.0, true},
      {0.01, false},     {"", true},     {" \t\r\n", true},  {" x", false},     {Date(), true},
      {Date::FromYMD(2000, 1, 1), false}, {Array{}, true},   {Array{Usual()}, false},
      {Symbol(), true},  {Symbol("x"), false},
  };
  for (const auto& c : cases) EXPECT_EQ(Empty(c.v), c.empty) << AsString(c.v);
}

TEST(Usual, TextConversions) {
  ScopedRuntime rt;
  rt->dateFormat = "DD.MM.YYYY";
  rt->decimals = 2;
  rt->digits = 10;
  struct Case {
    std::string got, expected;
  } cases[] = {
      {Str(5), "         5"},
      {Str(-12.5), "    -12.50"},  // runtime decimals, width digits + decimals + 1 ... see next
      {Str(3.14159, 6, 2), "  3.14"},
      {Str(2.675, 5, 2), " 2.68"},
      {Str(-2.5, 3, 0), " -3"},
      {Str(12345, 3), "***"},
      {Str(Usual::Float(7.5, 6, 1)), "   7.5"},
      {NTrim(42), "42"},
      {NTrim(1.5), "1.50"},
      {AsString(Usual()), "NIL"},
      {AsString(true), ".T."},
      {AsString(Date::FromYMD(2024, 3, 7)), "07.03.2024"},
      {AsString(Date()), "  .  .    "},
      {AsString(Symbol("Abs")), "ABS"},
      {AsString(Array{1, 2, 3}), "{[3]}"},
  };
  cases[1].expected = std::string(13 - 6, ' ') + "-12.50";
  for (const auto& c : cases) EXPECT_EQ(c.got, c.expected);
}

TEST(Usual, ValReadsLeadingNumbers) {
  EXPECT_EQ(Val("  42abc"), Usual(42));
  EXPECT_EQ(Val("-3.25"), Usual(-3.25));
  EXPECT_EQ(Val("-3.25").Decimals(), 2);
  EXPECT_EQ(Val("x"), Usual(0));
  EXPECT_EQ(Val(""), Usual(0));
  EXPECT_EQ(Val(",5"), Usual(0.5));
  EXPECT_EQ(Val("0." + std::string(400, '0') + "1"), Usual(0.0)) << "below a double's range";
  EXPECT_EQ(Val("123456789012345678901"), Usual(123456789012345678901.0));
}

TEST(Usual, ArrayScanForwardBackwardAndByBlock) {
  ScopedRuntime rt;
  Usual a(Array{"apple", "banana", "apple", 7});
  EXPECT_EQ(AScan(a, "apple"), 1u);
  EXPECT_EQ(AScan(a, "apple", 2), 3u);
  EXPECT_EQ(AScan(a, "apple", NIL, -4), 3u);  // backward from the end
  EXPECT_EQ(AScan(a, "app"), 1u);             // non-exact prefix rule
  EXPECT_EQ(AScanExact(a, "app"), 0u);
  EXPECT_EQ(AScan(a, 7), 4u);
  EXPECT_EQ(AScan(a, "banana", 1, 1), 0u);    // count limits the scan
  auto isNumber = Codeblock::FromFunction([](Args args) { return Usual(args[0].IsNumeric()); }, 1);
  EXPECT_EQ(AScan(a, Usual(isNumber)), 4u);
  EXPECT_EQ(AScan(Usual("not an array"), 1), 0u);
  EXPECT_EQ(AScan(Usual(Array{}), 1), 0u);
}

}  // namespace
}  // namespace kt

namespace kt {
namespace {

TEST(Usual, NonFiniteResultsAndExtremeScanCountsAreSafe) {
  ScopedRuntime rt;
  std::vector<ErrorRef> errors;
  Runtime::SetErrorBlock([&](const ErrorRef& e) {
    errors.push_back(e);
    return Usual();
  });
  EXPECT_TRUE(Pow(10, 400).IsNil());
  EXPECT_TRUE(Pow(-8, 0.5).IsNil());
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0]->GenCode, gen::NumOverflow);
  const Usual a(Array{1, 2, 3});
  EXPECT_EQ(AScan(a, 1, NIL, Usual(INT64_MIN)), 1u);
  EXPECT_EQ(AScan(a, 3, 1, Usual(INT64_MAX)), 3u);
}

}  // namespace
}  // namespace kt

namespace kt {
namespace {

// NTrim is the full text of a number: no width applies, so no stars.
TEST(Usual, NTrimGivesTheWholeNumber) {
  ScopedRuntime rt;
  rt->digits = 10;
  rt->decimals = 2;
  struct Case {
    Usual value;
    const char* expected;
  } cases[] = {
      {Usual(-1234567890), "-1234567890"},
      {Usual(12345678901), "12345678901"},
      {Usual(INT64_MIN), "-9223372036854775808"},
      {Val("12345678901.5"), "12345678901.5"},
      {Usual::Float(-98765432109.25, Usual::kDefaultFormat, 2), "-98765432109.25"},
      {Usual(1e15), "1000000000000000.00"},
      {Usual(0.125), "0.13"},
  };
  for (const auto& c : cases) EXPECT_EQ(NTrim(c.value), c.expected) << c.expected;
  // A width that is asked for still gives stars when the number does not fit;
  // without one, a number wider than the digits setting shows in full.
  EXPECT_EQ(Str(12345678901, 10), "**********");
  struct Wide {
    std::string got, expected;
  } wide[] = {
      {Str(Usual(12345678901)), "12345678901"},
      {Str(Usual(INT64_MIN)), "-9223372036854775808"},
      {Str(Val("12345678901.5")), "12345678901.5"},
      {Str(Usual(1e15)), "1000000000000000.00"},
      {Str(Val("12345678901.5"), NIL, 2), "12345678901.50"},  // decimals asked, no width
      {Str(Usual(-123456789)), "-123456789"},                 // exactly the digits setting
  };
  for (const auto& w : wide) EXPECT_EQ(w.got, w.expected);
}

TEST(Usual, StrGivesTheAskedWidthUpToALimit) {
  ErrorRecorder rec;
  EXPECT_EQ(Str(5, 100), std::string(99, ' ') + "5");
  EXPECT_EQ(Str(1.5, 80, 1), std::string(77, ' ') + "1.5");
  EXPECT_EQ(Str(12345678901234567, 30, 2), std::string(10, ' ') + "12345678901234567.00");  // exact
  // Without a width of their own, computed and read numbers take the digits setting.
  EXPECT_EQ(Str(Val("3.25")), std::string(9, ' ') + "3.25");
  EXPECT_EQ(Str(Add(Val("1.5"), Val("2.25"))), std::string(9, ' ') + "3.75");
  EXPECT_TRUE(rec.errors.empty());
  EXPECT_EQ(Str(5, 65535), std::string(65534, ' ') + "5") << "the widest field";
  EXPECT_EQ(Str(1.5, 255, 100), std::string(153, ' ') + "1.5" + std::string(99, '0'));
  EXPECT_TRUE(rec.errors.empty());
  EXPECT_EQ(Str(5, 100000), "");
  EXPECT_EQ(Str(5, 10, 100000), "");
  ASSERT_EQ(rec.errors.size(), 2u);
  EXPECT_EQ(rec.errors[0]->GenCode, gen::Arg);
  EXPECT_NE(rec.errors[0]->Description.find("100000"), std::string::npos);
}

// Date arithmetic stays within 0001-01-01 .. 9999-12-31 or raises.
TEST(Usual, DateArithmeticOutOfRangeRaises) {
  ErrorRecorder rec;
  const Date first = Date::FromYMD(1, 1, 1), last = Date::FromYMD(9999, 12, 31), d = Date::FromYMD(2024, 1, 31);
  EXPECT_EQ(Add(d, 1), Usual(Date::FromYMD(2024, 2, 1)));
  EXPECT_EQ(Sub(last, 1), Usual(Date::FromYMD(9999, 12, 30)));
  EXPECT_EQ(Add(first, 0), Usual(first));
  EXPECT_TRUE(rec.errors.empty());
  const Usual bad[] = {Add(d, 2147483000), Add(2147483000, d), Add(last, 1), Sub(first, 1), Sub(d, 3000000),
                       Add(d, 1e300), Sub(d, INT64_MIN)};
  for (const Usual& r : bad) EXPECT_TRUE(r.IsNil());
  ASSERT_EQ(rec.errors.size(), std::size(bad));
  for (const ErrorRef& e : rec.errors) EXPECT_EQ(e->GenCode, gen::NumOverflow) << e->Description;
  // No date past the calendar's range exists, so none prints with a cut year.
  EXPECT_TRUE(Date::FromJulian(last.Julian() + 1).IsEmpty());
  EXPECT_TRUE(Date::FromJulian(first.Julian() - 1).IsEmpty());
  EXPECT_EQ(last.ToDtos(), "99991231");
  // The empty date stays empty.
  EXPECT_TRUE(Add(Date(), 5).AsDate().IsEmpty());
}

}  // namespace
}  // namespace kt
