// kTable: the timed refresh only runs between the grid's own operations,
// even when a nested event loop (a modal box in the error block) gives the
// timer a chance in the middle of one.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <memory>
#include <vector>

#include "columns/kdatacolumn.h"
#include "grid_fixture.h"
#include "platform/runtime/compiler/macro.h"

namespace kt::test {
namespace {

class LimitsScope {
 public:
  LimitsScope() : saved_(CompilerLimits()) {}
  ~LimitsScope() { CompilerLimits() = saved_; }

 private:
  MacroLimits saved_;
};

struct TimedRefreshTest : ::testing::Test {
  ScopedRuntime runtime;
  LimitsScope limits;
  std::unique_ptr<OwnerWindow> owner = ShownOwner();
  kTable* grid = Shown(new kTable(owner.get()));
  Ref<kArrayServer> server = New<kArrayServer>(SmallStruct(), Usual(SmallData(30)));
  std::vector<ErrorRef> errors;
  int nestedRuns = 0;

  // The first error runs a nested event loop for 150 ms in which the grid's
  // timer fires every 5 ms.
  void InstallModalErrorBlock() {
    Runtime::SetErrorBlock([this](const ErrorRef& e) {
      errors.push_back(e);
      if (errors.size() == 1) {
        ++nestedRuns;
        grid->AutoRefreshTime(5);
        QEventLoop loop;
        QTimer::singleShot(150, &loop, &QEventLoop::quit);
        loop.exec();
        grid->AutoRefreshTime(0);
      }
      return Usual("substitute");
    });
  }
};

TEST_F(TimedRefreshTest, ATickDuringTheGridsOwnFillWaitsAndLeavesTheCursorAlone) {
  CompilerLimits().evalBudget = 5000;
  grid->resize(500, 300);
  ASSERT_TRUE(grid->Use(Usual(server), Usual(Array{"ID", "NAME", "AGE"})));
  // Fails for record 3 only, in the middle of a fill.
  Ref<kDataColumn> bad = New<kDataColumn>(grid, Usual(server), "IIF(Server:ID == 3, Len(Replicate('x', 100000)), 0)",
                                          Usual("#Expression"));
  ASSERT_TRUE(grid->AddColumn(bad));
  InstallModalErrorBlock();
  ASSERT_TRUE(grid->OpenColumn(Usual(bad)));
  grid->Refresh(Usual(Symbol("RefreshBuffer")));
  EXPECT_EQ(nestedRuns, 1);
  ASSERT_GE(errors.size(), 1u);
  for (const ErrorRef& e : errors) EXPECT_EQ(e->GenCode, gen::Complexity) << e->Description;
  EXPECT_EQ(server->RecNo(), 1);
  EXPECT_EQ(grid->CurrentRecNo(), 1) << "the grid's cursor left the server's record";
  ExpectConsistent(*grid, *server, "after the nested loop");
  grid->Skip(Usual(1));
  EXPECT_EQ(server->RecNo(), 2);
  EXPECT_EQ(grid->CurrentRecNo(), 2);
  ExpectConsistent(*grid, *server, "after a skip");
  // Between operations the timer refreshes as before.
  server->SuspendNotification();
  server->GoTo(2);
  server->FieldPut("NAME", "changed");
  server->ResetNotification();
  grid->AutoRefreshTime(5);
  QEventLoop loop;
  QTimer::singleShot(100, &loop, &QEventLoop::quit);
  loop.exec();
  grid->AutoRefreshTime(0);
  EXPECT_EQ(grid->BufferedCell(2, 2)->text, "changed");
}

}  // namespace
}  // namespace kt::test
