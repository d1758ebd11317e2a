// kTable's notifications to its owner window: each with its code and event,
// the answer of CaptionClick, the generic command path for an owner without
// the method, and the timed refresh's notification.
#include <gtest/gtest.h>

#include <QTest>

#include "grid/grid_event.h"
#include "mouse_fixture.h"

namespace kt::test {
namespace {

struct OwnerNotifyTest : MouseFixture {
  // Waits for the owner's Dispatch to have been called `n` times.
  bool Dispatched(int n) {
    return QTest::qWaitFor([&] { return owner->Count("Dispatch") >= n; }, 2000) && owner->Count("Dispatch") == n;
  }
};

// An owner with no notification method: everything it hears comes through
// its Dispatch.
class DispatchOwner : public Window {
 public:
  std::vector<int> codes;
  Usual Dispatch(const Ref<Object>& event) override {
    codes.push_back(event && event->HasAccess(Symbol("NotifyCode"))
                        ? int(event->Access(Symbol("NotifyCode")).AsInteger())
                        : -1);
    return NIL;
  }
  int Count(int code) const { return int(std::count(codes.begin(), codes.end(), code)); }
};

TEST_F(OwnerNotifyTest, EachNotificationCarriesItsCodeAndEvent) {
  Bind();
  const Usual column(grid->ColumnOpenList()[2]);
  struct Case {
    const char* name;
    bool withColumn;
    int code;
  };
  const Case cases[] = {{"CellSelect", false, 0xF001},        {"CellDoubleClick", false, 0xF002},
                        {"CaptionClick", true, 0xF006},       {"CaptionDoubleClick", true, 0xF009},
                        {"FooterClick", true, 0xF00C},        {"FooterDoubleClick", true, 0xF00D}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    owner->calls.clear();
    const Usual a[] = {column};
    grid->Send(Symbol(c.name), c.withColumn ? Args(a) : Args());
    ASSERT_EQ(owner->Names(), std::vector<std::string>{c.name});
    Object* event = owner->calls[0].event.AsObject();
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->Access(Symbol("Message")).AsInteger(), 0x111);
    EXPECT_EQ(event->Access(Symbol("NotifyCode")).AsInteger(), c.code);
    EXPECT_EQ(event->Access(Symbol("wParam")).AsInteger(), (std::int64_t(c.code) << 16) | 7);
    EXPECT_EQ(event->Access(Symbol("Control")).AsObject(), static_cast<Object*>(grid));
    if (c.withColumn) {
      EXPECT_EQ(event->Access(Symbol("Column")).AsObject(), column.AsObject());
    }
  }
}

TEST_F(OwnerNotifyTest, CaptionClickIsTakenOnlyByALogicTrue) {
  Bind();
  kDataColumn* column = grid->ColumnOpenList()[0].get();
  struct Case {
    Usual answer;
    bool taken;
  };
  const Case cases[] = {{Usual(true), true}, {Usual(false), false}, {Usual(1), false}, {NIL, false}, {Usual("yes"), false}};
  for (const Case& c : cases) {
    owner->results["CaptionClick"] = c.answer;
    EXPECT_EQ(grid->CaptionClick(column), c.taken);
  }
}

TEST_F(OwnerNotifyTest, WithoutTheMethodsOnlyCellNotificationsTakeTheCommandPath) {
  auto plain = std::make_unique<DispatchOwner>();
  plain->resize(600, 400);
  plain->show();
  kTable* g = new kTable(plain.get(), 3);
  g->show();
  g->resize(400, 200);
  auto s = New<kArrayServer>(SmallStruct(), Usual(SmallData(10)));
  ASSERT_TRUE(g->Use(Usual(s)));
  EXPECT_GE(plain->Count(0xF001), 1) << "Use tells of the current cell";
  plain->codes.clear();
  s->GoTo(4);
  EXPECT_EQ(plain->codes, std::vector<int>{0xF001});
  kDataColumn* column = g->ColumnOpenList()[0].get();
  EXPECT_TRUE(g->CellDoubleClick());
  EXPECT_FALSE(g->CaptionClick(column));
  EXPECT_FALSE(g->CaptionDoubleClick(column));
  EXPECT_FALSE(g->FooterClick(column));
  EXPECT_FALSE(g->FooterDoubleClick(column));
  EXPECT_EQ(plain->codes, (std::vector<int>{0xF001, 0xF002}));
}

TEST_F(OwnerNotifyTest, TheTimedRefreshTellsTheOwnerThroughItsCommandPath) {
  Bind(10);
  auto change = [&](const char* name) {
    server->SuspendNotification();
    server->GoTo(2);
    server->FieldPut("NAME", name);
    server->GoTo(1);
    server->ResetNotification();
  };
  change("changed");
  grid->AutoRefreshTime(5);
  EXPECT_TRUE(Dispatched(1));
  EXPECT_EQ(CodeOf("Dispatch"), 0xF00A);
  EXPECT_EQ(grid->BufferedCell(2, 2)->text, "changed");
  // Nothing changed: nothing to tell.
  QTest::qWait(50);
  EXPECT_EQ(owner->Count("Dispatch"), 1);
  // Hidden, the grid waits unless told otherwise.
  grid->hide();
  change("hidden");
  QTest::qWait(50);
  EXPECT_EQ(owner->Count("Dispatch"), 1);
  grid->PropertyPut(Symbol("AutoRefreshWhenHidden"), Usual(true));
  EXPECT_TRUE(Dispatched(2));
  // Nor while a cell is edited.
  grid->inEdit = true;
  change("edited");
  QTest::qWait(50);
  EXPECT_EQ(owner->Count("Dispatch"), 2);
  grid->inEdit = false;
  EXPECT_TRUE(Dispatched(3));
  grid->AutoRefreshTime(0);
  EXPECT_FALSE(grid->EventLock());
}

TEST_F(OwnerNotifyTest, TheTimedRefreshRunsUnderTheEventLock) {
  Bind(10);
  bool locked = false;
  owner->onCall = [&](const std::string& name, const Usual&) {
    if (name == "Dispatch") locked = grid->EventLock();
  };
  server->SuspendNotification();
  server->Append();
  server->GoTo(1);
  server->ResetNotification();
  grid->AutoRefreshTime(5);
  EXPECT_TRUE(Dispatched(1));
  grid->AutoRefreshTime(0);
  EXPECT_TRUE(locked);
  EXPECT_EQ(grid->LastRec(), 11);
}

}  // namespace
}  // namespace kt::test
