// The function library: strings counted in UTF-8 characters, numbers,
// dates under the runtime's format and epoch, arrays, area functions.
#include "fixtures.h"

namespace kt::testing_support {
namespace {

struct Case {
  const char* text;
  Usual expected;
};

class Functions : public CompilerTest {
 protected:
  // Numbers compare by value (integer or float), the rest exactly.
  void Check(std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
      const Usual v = Eval(c.text);
      if (c.expected.IsNumeric()) {
        ASSERT_TRUE(v.IsNumeric()) << c.text << " gave " << ::testing::PrintToString(v);
        EXPECT_DOUBLE_EQ(v.AsFloat(), c.expected.AsFloat()) << c.text;
      } else {
        EXPECT_TRUE(v == c.expected) << c.text << " gave " << ::testing::PrintToString(v) << ", expected "
                                     << ::testing::PrintToString(c.expected);
      }
    }
  }
};

TEST_F(Functions, StringsCountCharacters) {
  Check({
      {"Len('Müller')", Usual(6)},
      {"Len('')", Usual(0)},
      {"SubStr('Müller', 2, 3)", Usual("üll")},
      {"SubStr('Müller', 2)", Usual("üller")},
      {"SubStr('Müller', -2)", Usual("er")},
      {"SubStr('Müller', 0, 2)", Usual("Mü")},
      {"SubStr('Müller', 10)", Usual("")},
      {"SubStr('Müller', 2, -1)", Usual("")},
      {"Left('Müller', 2)", Usual("Mü")},
      {"Right('Müller', 5)", Usual("üller")},
      {"Left('abc', -1)", Usual("")},
      {"Upper('Müller')", Usual("MÜLLER")},
      {"Lower('MÜLLER')", Usual("müller")},
      {"Trim('ab  ') + RTrim('c ') + LTrim('  d') + AllTrim('  e  ')", Usual("abcde")},
      {"At('l', 'Müller')", Usual(3)},
      {"At('x', 'Müller')", Usual(0)},
      {"At('', 'abc')", Usual(0)},
      {"RAt('l', 'Müller')", Usual(4)},
      {"PadL('Mü', 4, '*')", Usual("**Mü")},
      {"PadR('Mü', 4)", Usual("Mü  ")},
      {"PadC('ü', 3, 'ä')", Usual("äüä")},
      {"PadR('Müller', 2)", Usual("Mü")},
      {"PadL(42, 4)", Usual("  42")},
      {"Space(3)", Usual("   ")},
      {"Replicate('ü', 3)", Usual("üüü")},
      {"Replicate('ab', 0)", Usual("")},
      {"StrTran('Müller', 'l', 'L')", Usual("MüLLer")},
      {"StrTran('aaaa', 'a', 'b', 2, 2)", Usual("abba")},
      {"StrTran('a-b-c', '-')", Usual("abc")},
      {"StrTran('aaa', 'aa', 'x')", Usual("xa")},
      {"Stuff('Müller', 2, 1, 'o')", Usual("Moller")},
      {"Stuff('abc', 4, 0, 'd')", Usual("abcd")},
      {"Chr(65) + Chr(252)", Usual("Aü")},
      {"Asc('ü')", Usual(252)},
      {"Asc('')", Usual(0)},
      {"IsDigit('7a') .AND. IsAlpha('Ä') .AND. !IsAlpha('1') .AND. IsUpper('Ü') .AND. IsLower('ß')", Usual(true)},
      {"Val('12.50') + Val(' 3')", Usual(15.5)},
      {"Val('abc')", Usual(0)},
      {"Str(12.5, 6, 2)", Usual(" 12.50")},
      {"Str(123, 2)", Usual("**")},
      {"NTrim(42)", Usual("42")},
      {"AsString(42) + AsString('x')", Usual("42x")},
  });
}

TEST_F(Functions, Transform) {
  Check({
      {"Transform('abc', '@!')", Usual("ABC")},
      {"Transform('12345', '99-999')", Usual("12-45 ")},  // literals take the place of characters
      {"Transform('12345', '@R 99-999')", Usual("12-345")},  // @R inserts them
      {"Transform('0301234567', '@R (9999) 999999')", Usual("(0301) 234567")},
      {"Transform('abc', '@R !-!')", Usual("A-B")},
      {"Transform('abc', '@!R X-X')", Usual("A-B")},
      {"Transform(12.5, '@B 9999.99')", Usual("12.50  ")},
      {"Transform(-12.5, '@B 9999.99')", Usual("-12.50 ")},
      {"Transform(1234567, '@R 999-9999')", Usual("123-4567")},
      {"Transform('ab', '!X')", Usual("Ab")},
      {"Transform(1234.5, '9,999.99')", Usual("1,234.50")},
      {"Transform(34.5, '9,999.99')", Usual("   34.50")},
      {"Transform(-5, '999')", Usual(" -5")},
      {"Transform(12345, '999')", Usual("***")},
      {"Transform(0, '@Z 999')", Usual("   ")},
      {"Transform(.T., 'Y')", Usual("Y")},
      {"Transform(.F., 'Y')", Usual("N")},
      // No template: the number in full, then the functions.
      {"Transform(12345678901, '')", Usual("12345678901")},
      {"Transform(-1234567890, '@B')", Usual("-1234567890")},
      {"Transform(12345678901, '@Z')", Usual("12345678901")},
      {"Transform(0, '@Z')", Usual(" ")},
      {"Transform(42, NIL)", Usual("42")},
  });
}

TEST_F(Functions, Numbers) {
  Check({
      {"Abs(-3) + Abs(2.5)", Usual(5.5)},
      {"Int(3.7)", Usual(3)},
      {"Int(-3.7)", Usual(-3)},
      {"Round(2.675, 2)", Usual(2.68)},
      {"Round(-2.5, 0)", Usual(-3)},
      {"Round(1234, -2)", Usual(1200)},
      {"Round(-1250, -2)", Usual(-1300)},
      {"Max(1, 2.5)", Usual(2.5)},
      {"Min(3, -1)", Usual(-1)},
      {"Sqrt(16)", Usual(4)},
      {"Exp(0) + Log(1)", Usual(1)},
      {"Mod(7, 3)", Usual(1)},
  });
  EXPECT_TRUE(Eval("Abs(-9223372036854775807 - 1)").IsFloat());  // no integer holds the result
  EXPECT_EQ(Eval("Round(3.14159, 2)").Decimals(), 2);
  EXPECT_EQ(Eval("Min('b', 'a')"), Usual("a"));
  EXPECT_EQ(Eval("Max({^2024-01-01}, {^2023-01-01})"), Usual(Date::FromYMD(2024, 1, 1)));
}

// Mod takes the divisor's sign; the % operator keeps the dividend's.
TEST_F(Functions, ModFollowsTheDivisor) {
  Check({
      {"Mod(-7, 3)", Usual(2)},
      {"Mod(7, -3)", Usual(-2)},
      {"Mod(-7, -3)", Usual(-1)},
      {"Mod(-6, 3)", Usual(0)},
      {"-7 % 3", Usual(-1)},
      {"7 % -3", Usual(1)},
      {"Mod(-7.5, 2)", Usual(0.5)},
      {"Mod(7.5, -2)", Usual(-0.5)},
      {"Mod(5.5, 1.5)", Usual(1.0)},
      {"Mod(-9223372036854775807 - 1, -1)", Usual(0)},
      {"Mod(-9223372036854775807 - 1, 10)", Usual(2)},
  });
  EXPECT_EQ(Eval("NTrim(Mod(-6.5, 0.5))"), Usual("0.0")) << "no negative zero";
  EXPECT_EQ(Eval("NTrim(-6.5 % 0.5)"), Usual("0.0"));
  CollectErrors(Usual("zero"));
  EXPECT_EQ(Eval("Mod(5, 0)"), Usual("zero"));
  EXPECT_EQ(Eval("Mod(-5.5, 0.0)"), Usual("zero"));
  ASSERT_EQ(errors.size(), 2u);
  for (const ErrorRef& e : errors) {
    EXPECT_EQ(e->GenCode, gen::ZeroDiv);
    EXPECT_EQ(e->Operation, "MOD");
  }
}

TEST_F(Functions, StrWidthAndDateRange) {
  Check({
      {"Len(Str(5, 100))", Usual(100)},
      {"Len(Str(1.5))", Usual(12)},  // digits setting + point + the literal's decimal
      {"Len(Str(1.5 + 2.25))", Usual(13)},
      {"Right(Str(-2.5, 70, 3), 7)", Usual(" -2.500")},
      {"Len(NTrim(12345678901))", Usual(11)},
      {"AllTrim(Str(12345678901))", Usual("12345678901")},  // no width asked: never stars
      {"Len(Str(5, 65535))", Usual(65535)},                 // as wide as a field may be
      {"Str(5, 10, 200)", Usual("**********")},
      {"Year(SToD('99991230') + 1)", Usual(9999)},
  });
  CollectErrors(Usual("bad"));
  for (const char* text : {"Str(5, 65536)", "Str(5, 10, 65536)", "Date() + 2147483000", "SToD('99991231') + 1",
                           "SToD('00010101') - 1", "Date() - 9223372036854775807"}) {
    errors.clear();
    EXPECT_EQ(Eval(text), Usual("bad")) << text;
    ASSERT_EQ(errors.size(), 1u) << text;
    EXPECT_FALSE(errors[0]->Description.empty()) << text;
  }
}

TEST_F(Functions, DatesFollowFormatAndEpoch) {
  struct DateCase {
    const char* format;
    int epoch;
    const char* text;
    Date expected;
  };
  const DateCase cases[] = {
      {"DD.MM.YYYY", 1930, "31.01.2024", Date::FromYMD(2024, 1, 31)},
      {"MM/DD/YY", 1930, "01/31/29", Date::FromYMD(2029, 1, 31)},
      {"MM/DD/YY", 1930, "01/31/30", Date::FromYMD(1930, 1, 31)},
      {"MM/DD/YY", 1950, "01/31/49", Date::FromYMD(2049, 1, 31)},
      {"YYYY-MM-DD", 1930, "2024-02-29", Date::FromYMD(2024, 2, 29)},
      {"DD.MM.YYYY", 1930, "31.02.2024", Date()},
      {"DD.MM.YYYY", 1930, "", Date()},
  };
  for (const DateCase& c : cases) {
    rt->dateFormat = c.format;
    rt->epoch = c.epoch;
    const Usual v = Eval(std::string("CToD('") + c.text + "')");
    EXPECT_EQ(v, Usual(c.expected)) << c.format << " " << c.text;
    if (!c.expected.IsEmpty()) {
      EXPECT_EQ(Eval(std::string("DToC(CToD('") + c.text + "'))"), Usual(c.text));
    }
  }
  rt->dateFormat = "DD.MM.YYYY";
  Check({
      {"DToS({^2024-01-31})", Usual("20240131")},
      {"SToD('20240131')", Usual(Date::FromYMD(2024, 1, 31))},
      {"Empty(SToD(''))", Usual(true)},
      {"Year({^2024-01-31}) * 10000 + Month({^2024-01-31}) * 100 + Day({^2024-01-31})", Usual(20240131)},
      {"DoW({^2024-01-31})", Usual(4)},  // a Wednesday
      {"Year(CToD(''))", Usual(0)},
      {"Date() == Today()", Usual(true)},
      {"Len(Time())", Usual(8)},
  });
  rt->german = true;
  EXPECT_EQ(Eval("CDoW({^2024-01-31}) + ' ' + CMonth({^2024-03-01})"), Usual("Mittwoch März"));
  rt->german = false;
  EXPECT_EQ(Eval("CDoW({^2024-01-31}) + ' ' + CMonth({^2024-03-01})"), Usual("Wednesday March"));
}

TEST_F(Functions, TypesArraysAndBlocks) {
  Check({
      {"ValType(1) + ValType('a') + ValType(.T.) + ValType({^2024-01-01}) + ValType(NIL) + ValType({}) + "
       "ValType({|| 1}) + ValType(#A)",
       Usual("NCLDUAB#")},
      {"Empty('  ') .AND. Empty(0) .AND. Empty({}) .AND. Empty(NIL) .AND. !Empty({|| 1})", Usual(true)},
      {"IsNil(NIL) .AND. !IsNil(0)", Usual(true)},
      {"UsualType(1.5) == UsualType(1.25)", Usual(true)},
      {"AScan({1, 2, 3}, 2)", Usual(2)},
      {"AScan({1, 2, 3}, {|x| x > 1})", Usual(2)},
      {"AScan({1, 2, 3, 2}, 2, 3)", Usual(4)},
      {"AScan({}, 1)", Usual(0)},
      {"ALen({1, {2, 3}})", Usual(2)},
      {"ATail({1, 2, 3})", Usual(3)},
      {"ATail({})", Usual()},
      {"Eval({|a, b| a * b}, 6, 7)", Usual(42)},
      {"EvalBlock({|| 'x'})", Usual("x")},
  });
}

TEST_F(Functions, AreaFunctionsAskTheResolver) {
  // Without tables they answer the empty value of their type.
  Check({{"RecNo()", Usual(0)}, {"Eof()", Usual(false)}, {"Alias()", Usual("")}, {"LastRec()", Usual(0)}});
  FakeResolver resolver;
  Runtime::SetResolver(&resolver);
  Check({{"RecNo()", Usual(3)}, {"Alias()", Usual("CUST")}, {"Deleted()", Usual(false)}, {"Found()", Usual(false)}});
}

TEST_F(Functions, RegisteredFunctionsAreCaseInsensitive) {
  int calls = 0;
  RegisterFunction("Test_Sum", [&calls](Args a) {
    ++calls;
    std::int64_t s = 0;
    for (const Usual& u : a) s += u.AsInteger();
    return Usual(static_cast<long long>(s));
  }, 1, -1);
  EXPECT_TRUE(IsFunction("TEST_SUM"));
  EXPECT_EQ(Eval("test_sum(1, 2, 3) + TEST_SUM(4)"), Usual(10));
  EXPECT_EQ(calls, 2);
  Codeblock old = CompileCodeblock("{|| Test_Sum(1)}");
  RegisterFunction("TEST_SUM", [](Args) { return Usual("new"); }, 0, 1);
  EXPECT_EQ(old(), Usual(1)) << "compiled blocks keep the function they were compiled with";
  EXPECT_EQ(Eval("Test_Sum()"), Usual("new"));
  EXPECT_THROW(RegisterFunction("no spaces", [](Args) { return Usual(); }, 0, 0), std::invalid_argument);
}

}  // namespace
}  // namespace kt::testing_support
