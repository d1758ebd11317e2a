// Compile errors with their position, runtime errors through the error
// block and error traps, and the limits that keep hostile text harmless.
#include "fixtures.h"

namespace kt::testing_support {
namespace {

class CompileErrors : public CompilerTest {};

TEST_F(CompileErrors, NamePositionAndExpectation) {
  struct Case {
    const char* text;
    int genCode;
    const char* description;
  };
  const Case cases[] = {
      {"{|| Upper('a' }", gen::Syntax, "Syntax error at position 15: \")\" expected"},
      {"{|| 1 + }", gen::Syntax, "Syntax error at position 9: expression expected"},
      {"{|| 'Müller' + }", gen::Syntax, "Syntax error at position 16: expression expected"},
      {"{|x| x + (1 * 2 }", gen::Syntax, "Syntax error at position 17: \")\" expected"},
      {"{|| 'abc }", gen::Syntax, "Syntax error at position 5: unterminated string"},
      {"{|| 1 @ 2}", gen::Syntax, "Syntax error at position 7: unexpected character \"@\""},
      {"{|| 1 + 2", gen::Syntax, "Syntax error at position 10: \"}\" expected"},
      {"{|| 1} x", gen::Syntax, "Syntax error at position 8: end of expression expected"},
      {"1 + 2", gen::Syntax, "Syntax error at position 1: \"{\" expected"},
      {"{|a, A| a}", gen::Syntax, "Syntax error at position 6: parameter A given twice"},
      {"{|a b| a}", gen::Syntax, "Syntax error at position 5: \",\" or \"|\" expected"},
      {"{|| x := 1}", gen::Syntax, "Syntax error at position 7: assignments are not allowed in expressions"},
      {"{|| Upper()}", gen::Syntax, "Syntax error at position 5: 1 argument expected for UPPER"},
      {"{|| SubStr('a', 1, 2, 3)}", gen::Syntax, "Syntax error at position 5: 2 to 3 arguments expected for SUBSTR"},
      {"{|| IIF(.T.)}", gen::Syntax, "Syntax error at position 5: 2 or 3 arguments expected for IIF"},
      {"{|| s: }", gen::Syntax, "Syntax error at position 8: name expected after \":\""},
      {"{|| {^2024-02-30}}", gen::Syntax, "Syntax error at position 5: valid date expected"},
      {"{|| 12abc}", gen::Syntax, "Syntax error at position 7: operator expected after number"},
      {"{|| NoSuchFn(1)}", gen::NoFunc, "Unknown function at position 5: NOSUCHFN"},
  };
  for (const Case& c : cases) {
    Codeblock b;
    ErrorRef e = TryCompileCodeblock(c.text, b);
    ASSERT_TRUE(e) << c.text;
    EXPECT_TRUE(b.IsNull());
    EXPECT_EQ(e->GenCode, c.genCode) << c.text;
    EXPECT_EQ(e->Description, c.description) << c.text;
    EXPECT_EQ(e->SubSystem, "MACRO");
    EXPECT_EQ(e->Operation, "MacroCompile");
  }
}

TEST_F(CompileErrors, RaisedToErrorBlockOrTrap) {
  CollectErrors();
  EXPECT_TRUE(CompileCodeblock("{|| (}").IsNull());
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0]->GenCode, gen::Syntax);
  EXPECT_EQ(errors[0]->SubCode, 6);

  ErrorTrap trap;
  try {
    CompileExpression("Server", "Server:NAME +");
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.error()->Description, "Syntax error at position 14: expression expected");
  }
  EXPECT_THROW(CompileExpression("Server,", "1"), RuntimeError);
  EXPECT_EQ(errors.size(), 1u) << "inside a trap the error block is not called";
}

TEST_F(CompileErrors, ParameterListErrorsNameTheList) {
  Codeblock b;
  ErrorRef e = TryCompileExpression("Server, 1", "1", b);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->Description, "Syntax error in parameter list at position 9: parameter name expected");
}

class RuntimeErrors : public CompilerTest {};

TEST_F(RuntimeErrors, SubstituteReplacesTheFailedOperation) {
  struct Case {
    const char* text;
    Usual substitute;
    Usual result;
    int genCode;
    const char* operation;
  };
  const Case cases[] = {
      {"(1 / 0) + 1", Usual(5), Usual(6), gen::ZeroDiv, nullptr},
      {"Upper(1) + '!'", Usual("X"), Usual("X!"), gen::Arg, "UPPER"},
      {"Len(1)", Usual(0), Usual(0), gen::Arg, "LEN"},
      {"1 + 'a'", Usual(3), Usual(3), gen::Arg, nullptr},
      {".T. .AND. 1", Usual(false), Usual(false), gen::Arg, ".AND."},
      {"IIF(1, 'a', 'b')", Usual(true), Usual("a"), gen::Arg, "IIF"},
      {"!'x'", Usual(true), Usual(true), gen::Arg, ".NOT."},
      {"{1, 2}[3]", Usual(9), Usual(9), gen::Bound, nullptr},
      {"Sqrt(-1)", Usual(0), Usual(0), gen::Arg, "SQRT"},
      {"Exp(1000)", Usual(0), Usual(0), gen::NumOverflow, "EXP"},
      {"Chr(-1)", Usual(""), Usual(""), gen::Arg, "CHR"},
      {"Year('x')", Usual(1), Usual(1), gen::Arg, "YEAR"},
      {"Eval(5)", Usual(2), Usual(2), gen::Arg, "EVAL"},
  };
  for (const Case& c : cases) {
    errors.clear();
    CollectErrors(c.substitute);
    EXPECT_EQ(Eval(c.text), c.result) << c.text;
    ASSERT_EQ(errors.size(), 1u) << c.text;
    EXPECT_EQ(errors[0]->GenCode, c.genCode) << c.text << ": " << errors[0]->Description;
    if (c.operation) {
      EXPECT_EQ(errors[0]->Operation, c.operation) << c.text;
    }
  }
}

TEST_F(RuntimeErrors, ArgumentErrorsDescribeTheArgument) {
  CollectErrors();
  Eval("SubStr('abc', 'x')");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0]->ArgNum, 2);
  EXPECT_EQ(errors[0]->Arg, Usual("x"));
  EXPECT_EQ(errors[0]->Description, "Argument 2: numeric expected, got string");
}

TEST_F(RuntimeErrors, TrapTurnsErrorsIntoExceptions) {
  CollectErrors();
  Codeblock b = CompileCodeblock("{|x| 10 / x}");
  ErrorTrap trap;
  try {
    b(0);
    FAIL() << "no exception";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.error()->GenCode, gen::ZeroDiv);
  }
  EXPECT_EQ(b(5), Usual(2)) << "the block stays usable after a trapped error";
  EXPECT_TRUE(errors.empty());
}

class Limits : public CompilerTest {
 protected:
  void SetUp() override {
    CompilerTest::SetUp();
    saved = CompilerLimits();
  }
  void TearDown() override { CompilerLimits() = saved; }

  ErrorRef CompileFails(const std::string& text) {
    Codeblock b;
    ErrorRef e = TryCompileCodeblock(text, b);
    EXPECT_EQ(b.IsNull(), bool(e));
    return e;
  }
  MacroLimits saved;
};

TEST_F(Limits, NestingAndLength) {
  auto nested = [](const std::string& open, const std::string& close, int n) {
    std::string s = "{|| ";
    for (int i = 0; i < n; ++i) s += open;
    s += "1";
    for (int i = 0; i < n; ++i) s += close;
    return s + "}";
  };
  EXPECT_FALSE(CompileFails(nested("(", ")", 150)));
  EXPECT_FALSE(CompileFails(nested("Abs(", ")", 150)));
  EXPECT_FALSE(CompileFails(nested("{", "}", 150)));
  EXPECT_FALSE(CompileFails(nested("{|| ", "}", 150)));
  for (const std::string& deep :
       {nested("(", ")", 10000), nested("Abs(", ")", 300), nested("{", "}", 300), nested("-", "", 300),
        nested("!", "", 300), nested("{|| ", "}", 300)}) {
    ErrorRef e = CompileFails(deep);
    ASSERT_TRUE(e) << deep.substr(0, 20);
    EXPECT_EQ(e->GenCode, gen::Complexity) << deep.substr(0, 20);
  }
  std::string chain = "{|| Server";
  for (int i = 0; i < 300; ++i) chain += ":Owner";
  ErrorRef e = CompileFails(chain + "}");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->GenCode, gen::Complexity);
  EXPECT_NE(e->Description.find("nesting deeper than 200 levels"), std::string::npos);

  e = CompileFails("{|| '" + std::string(70000, 'x') + "'}");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->GenCode, gen::Complexity);
  EXPECT_EQ(e->Description.rfind("Expression too long", 0), 0u);
  EXPECT_LT(e->Arg.AsStringView().size(), 1000u) << "the error carries only the start of the text";
}

TEST_F(Limits, HugeStringsFailBeforeAllocating) {
  CollectErrors(Usual("?"));
  EXPECT_EQ(Eval("Replicate('x', 20000000)"), Usual("?"));  // over the default 16 MiB
  CompilerLimits().maxStringBytes = 1 << 20;                  // keeps the test quick
  const char* texts[] = {
      "Replicate('abc', 1000000000000000)",
      "Space(1000000000000)",
      "PadL('a', 9223372036854775807)",
      "PadR('a', 600000, 'ü')",
      "Str(1, 10000000000)",
      "Replicate('ab', 524288) + 'a'",
      "StrTran(Replicate('a', 100000), 'a', Replicate('b', 100))",
      "Transform(Replicate('a', 1048570), '@! ' + Replicate('X', 10))",
  };
  for (const char* t : texts) {
    errors.clear();
    EXPECT_EQ(Eval(t), Usual("?")) << t;
    ASSERT_EQ(errors.size(), 1u) << t;
    EXPECT_EQ(errors[0]->GenCode, gen::StrOverflow) << t;
  }
  EXPECT_EQ(Eval("Len(Replicate('ab', 524288))"), Usual(1 << 20)) << "the limit itself is allowed";
}

TEST_F(Limits, RecursiveBlocksStop) {
  CollectErrors(Usual("stop"));
  Codeblock self = CompileCodeblock("{|b| Eval(b, b)}");
  EXPECT_EQ(self(self), Usual("stop"));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0]->GenCode, gen::Complexity);

  // Each level calls itself twice: without unwinding the whole evaluation
  // at the limit, this would run 2^64 times.
  errors.clear();
  Codeblock fork = CompileCodeblock("{|b| Eval(b, b) + Eval(b, b)}");
  EXPECT_EQ(fork(fork), Usual("stop"));
  EXPECT_EQ(errors.size(), 1u);

  ErrorTrap trap;
  EXPECT_THROW(self(self), RuntimeError);
}

TEST_F(Limits, WorkBudgetEndsRunawayEvaluation) {
  CollectErrors(Usual("budget"));
  std::string hundred = "{";
  for (int i = 0; i < 100; ++i) hundred += (i ? ",1" : "1");
  hundred += "}";
  const std::string text = "AScan(" + hundred + ", {|x| AScan(" + hundred + ", {|y| .F.}) > 0})";
  EXPECT_EQ(Eval(text), Usual(0)) << "10,000 inner evaluations are within the default budget";
  EXPECT_TRUE(errors.empty());
  CompilerLimits().evalBudget = 5000;
  EXPECT_EQ(Eval(text), Usual("budget"));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0]->GenCode, gen::Complexity);
  EXPECT_EQ(Eval("1 + 1"), Usual(2)) << "each outermost evaluation starts with a fresh budget";

  // Few nodes, but each one scans a long string: that work counts too.
  errors.clear();
  CompilerLimits().evalBudget = 10000;
  const Usual big(std::string(100000, 'x'));
  EXPECT_EQ(Eval("AScan(" + hundred + ", {|x| Len(s) < 0})", "s", {&big, 1}), Usual("budget"));
  EXPECT_EQ(Eval("AScan(" + hundred + ", {|x| 'y' $ s})", "s", {&big, 1}), Usual("budget"));
  EXPECT_EQ(Eval("AScan({s, s, s, s, s, s, s, s, s, s}, 'y')", "s", {&big, 1}), Usual("budget"));
  EXPECT_EQ(errors.size(), 3u);
}

// An error block that evaluates (a repaint inside a message box does) runs
// evaluations of their own: they neither inherit the spent budget or depth
// of the failing one nor unwind it.
TEST_F(Limits, ErrorBlockEvaluationsAreIndependent) {
  CompilerLimits().evalBudget = 5000;
  const Codeblock inner = CompileCodeblock("{|| Len('abc') + 1}");
  std::vector<Usual> innerResults;
  Runtime::SetErrorBlock([&](const ErrorRef& e) {
    errors.push_back(e);
    if (errors.size() == 1) innerResults.push_back(inner.Eval());
    return Usual("outer");
  });
  const Codeblock failing[] = {CompileCodeblock("{|| Len(Replicate('x', 100000))}"),
                               CompileCodeblock("{|b| Eval(b, b)}")};
  for (const Codeblock& b : failing) {
    errors.clear();
    innerResults.clear();
    EXPECT_EQ(b(b), Usual("outer")) << b.Text();
    ASSERT_EQ(errors.size(), 1u) << b.Text();
    EXPECT_EQ(errors[0]->GenCode, gen::Complexity);
    EXPECT_EQ(innerResults, std::vector<Usual>{Usual(4)}) << b.Text();
  }
}

}  // namespace
}  // namespace kt::testing_support
