// The clipboard copy and the accessible table against code that runs while
// they work: column values with side effects, whole rows with columns that
// cannot be selected, and records another client appends.
#include <dlfcn.h>

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <cstdlib>

#include "grid/kcell.h"
#include "keys_fixture.h"

namespace kt::test {
namespace {

const Symbol kMultiple("Multiple"), kAll("All"), kRowMode("Row");

// The offscreen platform keeps its accessibility switched off; this turns
// it on so that focus events are sent.
bool SetAccessibilityActive(bool on) {
  using IntegrationAccessibility = void* (*)(const void*);
  using SetActive = void (*)(void*, bool);
  auto** integration = static_cast<void**>(dlsym(RTLD_DEFAULT, "_ZN22QGuiApplicationPrivate20platform_integrationE"));
  auto accessibility =
      reinterpret_cast<IntegrationAccessibility>(dlsym(RTLD_DEFAULT, "_ZNK20QPlatformIntegration13accessibilityEv"));
  auto setActive = reinterpret_cast<SetActive>(dlsym(RTLD_DEFAULT, "_ZN22QPlatformAccessibility9setActiveEb"));
  if (!integration || !*integration || !accessibility || !setActive) return false;
  void* platform = accessibility(*integration);
  if (!platform) return false;
  setActive(platform, on);
  return QAccessible::isActive() == on;
}

struct FocusEvent {
  QObject* object;
  int child;
};
std::vector<FocusEvent>* focusEvents = nullptr;
void RecordFocus(QAccessibleEvent* e) {
  if (focusEvents && e->type() == QAccessible::Focus) focusEvents->push_back({e->object(), e->child()});
}

struct GuardTest : KeysFixture, ::testing::Test {
  // A fourth column whose value runs `effect` on the given call.
  void AddSideEffectColumn(int& calls, int on, std::function<void()> effect) {
    const Codeblock block = Codeblock::FromFunction(
        [&calls, on, effect](Args) {
          if (++calls == on) effect();
          return Usual("x");
        },
        5);
    auto column = New<kDataColumn>(grid, Usual(server), Usual(block), Usual(kDataColumn::KindExpression));
    ASSERT_TRUE(grid->AddColumn(column));
    ASSERT_TRUE(grid->OpenColumn(Usual(4)));
    ASSERT_EQ(grid->ColumnOpenCount(), 4);
  }
  QAccessibleInterface* Table() { return QAccessible::queryAccessibleInterface(grid); }
};

// The copy reads records outside the window through the columns; a value
// that closes a column or drops the server stops it, the clipboard as it was.
TEST_F(GuardTest, CopyStopsWhenAColumnValueChangesTheGrid) {
  struct Case {
    const char* what;
    std::function<void(kTable*)> effect;
    std::function<bool(kTable*)> after;
  } cases[] = {
      {"closes a column", [](kTable* g) { g->CloseColumn(Usual(1)); }, [](kTable* g) { return g->ColumnOpenCount() == 3; }},
      {"drops the server", [](kTable* g) { g->Use(NIL); }, [](kTable* g) { return g->Server().IsNil(); }},
  };
  Bind(ServerKind::Array, 60);
  int calls = 0;
  kTable* g = grid;
  const Case* current = nullptr;
  AddSideEffectColumn(calls, 40, [g, &current] { current->effect(g); });
  grid->SelectionMode(kMultiple);
  grid->SelectionSet(kAll);
  // Each case runs in a child process: a crash there fails this test, not
  // the program, and the grid here stays as it was for the next case.
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    current = &c;
    calls = 0;
    EXPECT_EXIT(
        {
          auto* mime = new QMimeData;
          mime->setText("before");
          QGuiApplication::clipboard()->setMimeData(mime);
          const bool copied = g->CopySelection();
          const bool ok = !copied && calls >= 40 && c.after(g) && QGuiApplication::clipboard()->text() == "before";
          std::_Exit(ok ? 0 : 3);  // no exit handlers: the leak check would judge Qt
        },
        ::testing::ExitedWithCode(0), "");
  }
}

// In #Row mode a selected row is a whole row, also when one of its columns
// cannot be selected.
TEST_F(GuardTest, AWholeRowWithAColumnThatCannotBeSelectedIsASelectedRow) {
  Bind(ServerKind::Array, 20);
  grid->ColumnOpenList()[2]->Selectable(false);
  grid->CurrentMode(kRowMode);
  grid->SelectionMode(kMultiple);
  grid->SelectionChange(0x201, 0, 0, 3);
  ASSERT_TRUE(grid->IsRowSelected(0, 3));
  QAccessibleTableInterface* cells = Table()->tableInterface();
  ASSERT_NE(cells, nullptr);
  EXPECT_TRUE(cells->isRowSelected(2));
  EXPECT_FALSE(cells->isRowSelected(1));
  EXPECT_EQ(cells->selectedRows(), QList<int>{2});
}

// Another client appends: the cursor moves to the new record, screen
// readers hear of it, and a multiple selection stays as with other moves
// by another client.
TEST_F(GuardTest, AnAppendByAnotherClientMovesTheFocusAndKeepsTheSelection) {
  Bind(ServerKind::Array, 30);
  grid->SelectionMode(kMultiple);
  grid->SelectionChange(5, 1, 0, 3);
  grid->SelectionChange(0x10, 2, 0, 5);
  grid->SelectionChange(0x10, 3, 0, 8);
  ASSERT_EQ(grid->SelectionRowCount(), 3);
  Activate();
  const bool on = SetAccessibilityActive(true);
  std::vector<FocusEvent> seen;
  focusEvents = &seen;
  const QAccessible::UpdateHandler previous = QAccessible::installUpdateHandler(RecordFocus);
  server->Append();
  server->Commit();
  QApplication::processEvents();
  QAccessible::installUpdateHandler(previous);
  focusEvents = nullptr;
  EXPECT_EQ(grid->CurrentRecNo(), 31);
  EXPECT_EQ(grid->SelectionRowCount(), 3);
  EXPECT_TRUE(grid->IsCellSelected(2, 0, 5));
  if (on) {
    ASSERT_FALSE(seen.empty()) << "no focus event";
    EXPECT_EQ(seen.back().object, grid);
    ASSERT_GE(seen.back().child, 0);
    EXPECT_EQ(Table()->child(seen.back().child), Table()->focusChild());
  }
  SetAccessibilityActive(false);
}

}  // namespace
}  // namespace kt::test
