// Literals, operators and their precedence, short-circuit evaluation.
#include "fixtures.h"

#include "platform/runtime/operators.h"

namespace kt::testing_support {
namespace {

struct Case {
  const char* text;
  Usual expected;
};

// Numbers compare by value (integer or float); everything else by type and
// exact equality.
void ExpectValue(const Usual& actual, const Usual& expected, const std::string& text) {
  if (expected.IsNumeric()) {
    ASSERT_TRUE(actual.IsNumeric()) << text << " gave " << ::testing::PrintToString(actual);
    EXPECT_DOUBLE_EQ(actual.AsFloat(), expected.AsFloat()) << text;
    return;
  }
  EXPECT_EQ(actual.Type(), expected.Type()) << text << " gave " << ::testing::PrintToString(actual);
  EXPECT_TRUE(actual == expected) << text << " gave " << ::testing::PrintToString(actual);
}

class Syntax : public CompilerTest {};

TEST_F(Syntax, LiteralsAndOperators) {
  const Case cases[] = {
      {"42", Usual(42)},
      {"'abc'", Usual("abc")},
      {"\"a'b\"", Usual("a'b")},
      {"[a\"b']", Usual("a\"b'")},
      {"Upper([x])", Usual("X")},
      {".T.", Usual(true)},
      {".f.", Usual(false)},
      {".y.", Usual(true)},
      {".N.", Usual(false)},
      {"NIL", Usual()},
      {"nil", Usual()},
      {"{^2024-01-31}", Usual(Date::FromYMD(2024, 1, 31))},
      {"#CustName", Usual(Symbol("CUSTNAME"))},
      {"ALen({1, 2, 3})", Usual(3)},
      {"ALen({})", Usual(0)},
      {"{1, , 3}[2]", Usual()},
      {"{{1, 2}, {3, 4}}[2, 1]", Usual(3)},
      {"{'a', 'b'}[2]", Usual("b")},
      {"Eval({|x| x + 1}, 2)", Usual(3)},
      {"Eval({|| })", Usual()},
      {"(1, 2, 3)", Usual(3)},
      // precedence and associativity
      {"1 + 2 * 3", Usual(7)},
      {"(1 + 2) * 3", Usual(9)},
      {"10 - 4 - 3", Usual(3)},
      {"7 % 4", Usual(3)},
      {"2 ^ 10", Usual(1024)},
      {"2 ** 3 ** 2", Usual(64)},
      {"-2 ** 2", Usual(4)},
      {"- -3", Usual(3)},
      {"2 * -3", Usual(-6)},
      {"+5", Usual(5)},
      {"1.5 * 2", Usual(3.0)},
      {".5 + 1", Usual(1.5)},
      {"007", Usual(7)},
      {"2 + 3 > 4 .AND. 1 = 1", Usual(true)},
      {".T. .OR. .F. .AND. .F.", Usual(true)},
      {"(.T. .OR. .F.) .AND. .F.", Usual(false)},
      {"!.T. .OR. .T.", Usual(true)},
      {".NOT. 1 = 2", Usual(true)},
      {"! 1 > 2 .AND. .T.", Usual(true)},
      {"!!.T.", Usual(true)},
      {".t..and..f.", Usual(false)},
      // relational operators
      {"1 <> 2", Usual(true)},
      {"1 # 2", Usual(true)},
      {"1 != 1", Usual(false)},
      {"2 >= 2 .AND. 2 <= 2 .AND. 1 < 2 .AND. 3 > 2", Usual(true)},
      {"'ab' $ 'xabc'", Usual(true)},
      {"'abd' $ 'xabc'", Usual(false)},
      {"'' $ 'abc'", Usual(false)},
      {"'abc' == 'abc'", Usual(true)},
      {"'abc' == 'ab'", Usual(false)},
      {"1 == 1.0", Usual(true)},
      {"1 == '1'", Usual(false)},
      {"{^2024-01-31} < {^2024-02-01}", Usual(true)},
      // strings and dates
      {"'a' + 'b' + 'c'", Usual("abc")},
      {"'ab  ' - 'cd'", Usual("abcd  ")},
      {"{^2024-01-31} + 1", Usual(Date::FromYMD(2024, 2, 1))},
      {"{^2024-03-01} - {^2024-02-01}", Usual(29)},
      // IIF evaluates one branch
      {"IIF(.T., 'a', 'b')", Usual("a")},
      {"if(1 > 2, 'a', 'b')", Usual("b")},
      {"IIF(.F., 1)", Usual()},
      // case-insensitive names
      {"uPpEr('a') + UPPER('b') + upper('c')", Usual("ABC")},
  };
  for (const Case& c : cases) ExpectValue(Eval(c.text), c.expected, c.text);
}

TEST_F(Syntax, DecimalLiteralKeepsItsDecimals) {
  const Usual v = Eval("1.50");
  ASSERT_TRUE(v.IsFloat());
  EXPECT_EQ(v.Decimals(), 2);
  EXPECT_EQ(Eval("-0.125").Decimals(), 3);
  EXPECT_TRUE(Eval("99999999999999999999").IsFloat());  // beyond int64
}

TEST_F(Syntax, ShortCircuitSkipsUnresolvableOperands) {
  // NOSUCHFIELD raises when evaluated; these forms must not evaluate it.
  CollectErrors();
  const Case cases[] = {
      {".F. .AND. NoSuchField", Usual(false)},
      {".T. .OR. NoSuchField", Usual(true)},
      {".F. .AND. .T. .AND. NoSuchField", Usual(false)},
      {"IIF(.T., 1, NoSuchField)", Usual(1)},
      {"IIF(.F., NoSuchField, 2)", Usual(2)},
  };
  for (const Case& c : cases) ExpectValue(Eval(c.text), c.expected, c.text);
  EXPECT_TRUE(errors.empty());
  CollectErrors(Usual(true));
  EXPECT_EQ(Eval(".T. .AND. NoSuchField"), Usual(true));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0]->GenCode, gen::NoVar);
}

TEST_F(Syntax, NonExactEqualsFollowsSetting) {
  struct ExactCase {
    const char* text;
    bool nonExact, exact;
  };
  const ExactCase cases[] = {
      {"'abc' = 'ab'", true, false},
      {"'ab' = 'abc'", false, false},
      {"'abc' = ''", true, false},
      {"'abc' != 'ab'", false, true},
      {"'abc' == 'ab'", false, false},
      {"'abc' = 'abc'", true, true},
  };
  for (bool exact : {false, true}) {
    rt->exact = exact;
    for (const ExactCase& c : cases)
      EXPECT_EQ(Eval(c.text), Usual(exact ? c.exact : c.nonExact)) << c.text << " exact=" << exact;
  }
}

TEST_F(Syntax, ParametersAndBlockShape) {
  Codeblock b = CompileCodeblock("  {|a, B| IsNil(b), a}  ");
  ASSERT_FALSE(b.IsNull());
  EXPECT_EQ(b.ParamCount(), 2);
  EXPECT_EQ(b.Text(), "  {|a, B| IsNil(b), a}  ");
  EXPECT_EQ(b(1), Usual(1));         // missing parameters are NIL
  EXPECT_EQ(b(1, 2, 3), Usual(1));   // extra arguments are ignored
  EXPECT_EQ(CompileCodeblock("{|x| IsNil(x)}")(), Usual(true));
  EXPECT_EQ(CompileCodeblock("{||}").Eval(), Usual());
}

TEST_F(Syntax, NestedBlocksCaptureEnclosingParameters) {
  Codeblock outer = CompileCodeblock("{|x| {|y| x * 10 + y}}");
  const Usual inner3 = outer(3);
  const Usual inner4 = outer(4);
  EXPECT_EQ(EvalBlock(inner3, std::vector<Usual>{Usual(1)}), Usual(31));
  EXPECT_EQ(EvalBlock(inner4, std::vector<Usual>{Usual(2)}), Usual(42));
  EXPECT_EQ(inner3.AsCodeblock().Text(), "{|y| x * 10 + y}");
  EXPECT_EQ(Eval("Eval({|a| Eval({|b| a + b}, 2)}, 1)"), Usual(3));
}

TEST_F(Syntax, CompileExpressionTakesParameterListApart) {
  Codeblock b = CompileExpression("Server, Column", "Column * 2, Server + Column");
  ASSERT_FALSE(b.IsNull());
  EXPECT_EQ(b.ParamCount(), 2);
  EXPECT_EQ(b.Text(), "{|Server, Column| Column * 2, Server + Column}");
  EXPECT_EQ(b(1, 2), Usual(3));
  EXPECT_EQ(CompileExpression("", "6 * 7")(), Usual(42));
}

TEST_F(Syntax, LongOperatorChainsStayFlat) {
  std::string sum = "1";
  for (int i = 0; i < 5000; ++i) sum += "+1";
  EXPECT_EQ(Eval(sum), Usual(5001));
  std::string ors = ".F.";
  for (int i = 0; i < 2000; ++i) ors += " .OR. .F.";
  EXPECT_EQ(Eval(ors + " .OR. .T."), Usual(true));
}

}  // namespace
}  // namespace kt::testing_support
