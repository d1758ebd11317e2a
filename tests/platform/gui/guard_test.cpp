// Event handlers run inside the event guard: nothing they throw reaches Qt,
// and what they evaluate inside a nested event loop (a message box shown by
// the error block) is an evaluation of its own.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include "platform/gui/error_log.h"
#include "platform/gui/guard.h"
#include "platform/gui/window.h"
#include "platform/runtime/compiler/macro.h"

namespace kt {
namespace {

// Evaluates its block on a User event, as a grid evaluates conditions while
// it paints; or throws something that is not a runtime error.
class EvaluatingControl : public CustomControl {
 public:
  Codeblock block;
  Usual result;
  int throwKind = 0;

 protected:
  void customEvent(QEvent*) override {
    if (throwKind == 1) throw 42;
    if (throwKind == 2) throw std::runtime_error("plain failure");
    result = block.Eval();
  }
};

class LimitsScope {
 public:
  LimitsScope() : saved_(CompilerLimits()) {}
  ~LimitsScope() { CompilerLimits() = saved_; }

 private:
  MacroLimits saved_;
};

TEST(EventGuard, EvaluationInANestedEventLoopHasItsOwnBudgetAndDepth) {
  ScopedRuntime rt;
  LimitsScope limits;
  CompilerLimits().evalBudget = 5000;
  EvaluatingControl control;
  control.block = CompileCodeblock("{|| Len('abc') + 1}");
  std::vector<ErrorRef> errors;
  Runtime::SetErrorBlock([&](const ErrorRef& e) {
    errors.push_back(e);
    if (errors.size() == 1) {  // as a modal message box does
      control.result = Usual();
      QCoreApplication::postEvent(&control, new QEvent(QEvent::User));
      QCoreApplication::processEvents();
    }
    return Usual("substitute");
  });
  const Codeblock failing[] = {
      CompileCodeblock("{|| Len(Replicate('x', 100000))}"),   // spends the whole budget
      CompileCodeblock("{|b| Eval(b, b)}"),                  // nests as deep as allowed
  };
  for (const Codeblock& b : failing) {
    errors.clear();
    EXPECT_EQ(b(b), Usual("substitute")) << b.Text();
    EXPECT_EQ(control.result, Usual(4)) << b.Text();
    ASSERT_EQ(errors.size(), 1u) << b.Text();
    EXPECT_EQ(errors[0]->GenCode, gen::Complexity);
  }
}

// An error block that opens a loop for every error (a message box per
// failure), in which the failing work runs again and fails again: each nested
// evaluation still gets a stack allowance of its own, but together they stay
// within the bound counted from the outermost one, and the nesting ends.
TEST(EventGuard, NestedEvaluationsTogetherStayWithinTheStackBound) {
  ScopedRuntime rt;
  LimitsScope limits;
  struct NestedLimitScope {
    std::size_t saved = NestedStackLimit();
    ~NestedLimitScope() { NestedStackLimit() = saved; }
  } nestedLimit;
  CompilerLimits().maxBlockNesting = 1 << 20;  // the stack decides
  CompilerLimits().maxStackBytes = 64 << 10;
  NestedStackLimit() = 512 << 10;
  constexpr int kGiveUp = 40;  // unbounded nesting would otherwise overflow the stack

  const Codeblock self = CompileCodeblock("{|b| Eval(b, b)}");
  EvaluatingControl control;
  control.block = Codeblock::FromFunction([&](Args) { return self(self); });
  const std::uintptr_t top = StackAddress();
  std::uintptr_t lowest = top;
  int levels = 0;
  Runtime::SetErrorBlock([&](const ErrorRef& e) {
    EXPECT_EQ(e->GenCode, gen::Complexity);
    lowest = std::min(lowest, StackAddress());
    if (++levels < kGiveUp) {
      QCoreApplication::postEvent(&control, new QEvent(QEvent::User));
      QCoreApplication::processEvents();
    }
    return Usual("substitute");
  });
  EXPECT_EQ(self(self), Usual("substitute"));
  EXPECT_GE(levels, 4) << "each nested evaluation has an allowance of its own";
  EXPECT_LT(levels, kGiveUp) << "the nesting did not end";
  EXPECT_LT(top - lowest, std::uintptr_t(512 + 64) << 10) << "stack used by all nested evaluations";
}

TEST(EventGuard, CatchesEverythingAndReportsIt) {
  test::ErrorLog log;
  EvaluatingControl control;
  for (int kind : {1, 2}) {
    control.throwKind = kind;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&control, &event);
  }
  ASSERT_EQ(log.errors.size(), 2u);
  for (const ErrorRef& e : log.errors) EXPECT_EQ(e->SubSystem, "GUI");
  EXPECT_EQ(log.errors[1]->Description, "plain failure");
  EXPECT_FALSE(GuardedCall([] { throw 7; }));
  EXPECT_EQ(log.errors.size(), 3u);
}

}  // namespace
}  // namespace kt
