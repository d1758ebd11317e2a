// kTable for screen readers, seen the way an assistive tool sees it:
// through QAccessible::queryAccessibleInterface.
#include <gtest/gtest.h>
#include <dlfcn.h>

#include <QAccessible>
#include <QApplication>
#include <vector>

#include "grid_fixture.h"

namespace kt::test {
namespace {

const Symbol kAll("All"), kMultiple("Multiple");

// Qt delivers accessibility events (also to an update handler) only while
// the platform reports an assistive tool, and the offscreen platform never
// does. Its switch, QPlatformAccessibility::setActive, is Qt's private
// API: it is looked up by its exported name. Answers whether it worked.
bool SetAccessibilityActive(bool on) {
  using IntegrationAccessibility = void* (*)(const void*);
  using SetActive = void (*)(void*, bool);
  auto** integration = static_cast<void**>(dlsym(RTLD_DEFAULT, "_ZN22QGuiApplicationPrivate20platform_integrationE"));
  auto accessibility = reinterpret_cast<IntegrationAccessibility>(dlsym(RTLD_DEFAULT, "_ZNK20QPlatformIntegration13accessibilityEv"));
  auto setActive = reinterpret_cast<SetActive>(dlsym(RTLD_DEFAULT, "_ZN22QPlatformAccessibility9setActiveEb"));
  if (!integration || !*integration || !accessibility || !setActive) return false;
  void* platform = accessibility(*integration);
  if (!platform) return false;
  setActive(platform, on);
  return QAccessible::isActive() == on;
}

struct Seen {
  QObject* object;
  QAccessible::Event type;
  int child;
};
std::vector<Seen>* seen = nullptr;
void Record(QAccessibleEvent* e) {
  if (seen) seen->push_back({e->object(), e->type(), e->child()});
}

// Switches accessibility on and records every event while it lives, also
// when a test ends early.
class Listening {
 public:
  explicit Listening(std::vector<Seen>& events) : on_(SetAccessibilityActive(true)) {
    seen = &events;
    previous_ = QAccessible::installUpdateHandler(Record);
  }
  ~Listening() {
    SetAccessibilityActive(false);
    QAccessible::installUpdateHandler(previous_);
    seen = nullptr;
  }
  Listening(const Listening&) = delete;
  Listening& operator=(const Listening&) = delete;
  bool On() const { return on_; }

 private:
  bool on_;
  QAccessible::UpdateHandler previous_ = nullptr;
};

struct AccessibleTest : ::testing::Test {
  ScopedRuntime runtime;
  std::unique_ptr<OwnerWindow> owner = ShownOwner();
  kTable* grid = Shown(new kTable(owner.get(), 7));
  Ref<kArrayServer> server = New<kArrayServer>(SmallStruct(), Usual(SmallData(20)));

  void SetUp() override {
    // Five full rows and half a row.
    grid->resize(600, grid->CaptionHeight() + 5 * grid->RowHeight() + grid->RowHeight() / 2);
    grid->Use(Usual(server));
  }
  QAccessibleInterface* Table() { return QAccessible::queryAccessibleInterface(grid); }
  QAccessibleTableInterface* Cells() { return Table()->tableInterface(); }
  QString Text(int row, int column) {
    QAccessibleInterface* cell = Cells()->cellAt(row, column);
    return cell ? cell->text(QAccessible::Name) : QString("<none>");
  }
};

TEST_F(AccessibleTest, TableWithHeadersAndTheVisibleRowsCells) {
  grid->ColumnOpenList()[1]->Caption(Usual("Straße"));
  QAccessibleInterface* table = Table();
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->role(), QAccessible::Table);
  ASSERT_NE(Cells(), nullptr);
  EXPECT_EQ(Cells()->rowCount(), 20);
  EXPECT_EQ(Cells()->columnCount(), 3);
  EXPECT_EQ(Cells()->columnDescription(0), "ID");
  EXPECT_EQ(Cells()->columnDescription(1), "Straße");
  EXPECT_EQ(Cells()->columnDescription(2), "AGE");
  const int buffered = int(grid->RowBuffer().size());
  ASSERT_EQ(buffered, 6);

  // Cells of buffered rows, with the display texts and their places.
  EXPECT_EQ(Text(0, 1), "N1");
  EXPECT_EQ(Text(5, 2), "42");
  QAccessibleInterface* cell = Cells()->cellAt(2, 1);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->role(), QAccessible::Cell);
  EXPECT_EQ(cell->parent(), table);
  QAccessibleTableCellInterface* ci = cell->tableCellInterface();
  ASSERT_NE(ci, nullptr);
  EXPECT_EQ(ci->rowIndex(), 2);
  EXPECT_EQ(ci->columnIndex(), 1);
  ASSERT_EQ(ci->columnHeaderCells().size(), 1);
  EXPECT_EQ(ci->columnHeaderCells()[0]->role(), QAccessible::ColumnHeader);
  EXPECT_EQ(ci->columnHeaderCells()[0]->text(QAccessible::Name), "Straße");
  EXPECT_EQ(Cells()->cellAt(2, 1), cell);  // one interface per cell
  EXPECT_TRUE(cell->rect().isValid());

  // Rows outside the buffer have no cells; nothing reads the server.
  EXPECT_EQ(Cells()->cellAt(buffered, 0), nullptr);
  EXPECT_EQ(Cells()->cellAt(19, 0), nullptr);
  EXPECT_EQ(Cells()->cellAt(0, 3), nullptr);

  // Children: headers first, then the buffered cells, then the child
  // widgets; every index leads back to its child.
  EXPECT_GE(table->childCount(), 3 + buffered * 3);
  EXPECT_EQ(table->child(0)->role(), QAccessible::ColumnHeader);
  EXPECT_EQ(table->indexOfChild(cell), 3 + 2 * 3 + 1);
  for (int i = 0; i < table->childCount(); ++i) {
    QAccessibleInterface* child = table->child(i);
    ASSERT_NE(child, nullptr) << i;
    EXPECT_EQ(table->indexOfChild(child), i);
  }

  // Scrolled: the cell keeps its record and answers empty text while the
  // record is out of view.
  grid->Skip(Usual(10));
  const int first = int(grid->FirstVisibleRecNo());
  ASSERT_GT(first, 3);
  EXPECT_EQ(cell->text(QAccessible::Name), "");
  EXPECT_TRUE(cell->state().invisible);
  EXPECT_EQ(Cells()->cellAt(2, 1), nullptr);
  EXPECT_EQ(Text(first - 1, 1), QString::fromStdString("N" + std::to_string(first)));
  ASSERT_NE(Cells()->cellAt(first - 1, 1), nullptr);
  EXPECT_EQ(Cells()->cellAt(first - 1, 1)->tableCellInterface()->rowIndex(), first - 1);
  grid->GoTop();
  EXPECT_EQ(cell->text(QAccessible::Name), "N3");

  // An unbound grid is an empty table.
  grid->Use(NIL);
  EXPECT_EQ(Cells()->rowCount(), 0);
  EXPECT_EQ(Cells()->columnCount(), 0);
  EXPECT_EQ(Cells()->cellAt(0, 0), nullptr);
}

TEST_F(AccessibleTest, SelectionStateAndTheCursorAsFocus) {
  // The current cell is selected (the selection follows the cursor).
  grid->Skip(Usual(1));
  QAccessibleInterface* focus = Table()->focusChild();
  ASSERT_NE(focus, nullptr);
  EXPECT_EQ(focus->tableCellInterface()->rowIndex(), 1);
  EXPECT_EQ(focus->tableCellInterface()->columnIndex(), 0);
  EXPECT_TRUE(focus->state().selected);
  EXPECT_TRUE(focus->tableCellInterface()->isSelected());
  EXPECT_FALSE(Cells()->cellAt(0, 0)->state().selected);
  EXPECT_EQ(Cells()->selectedCellCount(), 1);

  grid->Skip(Usual(1));
  EXPECT_EQ(Table()->focusChild()->tableCellInterface()->rowIndex(), 2);
  ASSERT_TRUE(grid->SetCurrentColumn(3));
  EXPECT_EQ(Table()->focusChild()->tableCellInterface()->columnIndex(), 2);
  EXPECT_EQ(Table()->focusChild()->text(QAccessible::Name), "21");

  grid->SelectionMode(kMultiple);
  // A whole row and a cell of another row.
  grid->SelectionChange(0x201, 0, 4, 4);
  grid->SelectionChange(0x04, 2, 2, 2);
  EXPECT_TRUE(Cells()->isRowSelected(3));
  EXPECT_FALSE(Cells()->isRowSelected(1));
  EXPECT_EQ(Cells()->selectedRows(), QList<int>{3});
  EXPECT_TRUE(Cells()->cellAt(3, 2)->state().selected);
  EXPECT_TRUE(Cells()->cellAt(1, 1)->state().selected);
  EXPECT_FALSE(Cells()->cellAt(1, 0)->state().selected);
  EXPECT_EQ(Cells()->selectedCellCount(), 4);
  grid->SelectionChange(0x81, 3, 1, 1);
  EXPECT_EQ(Cells()->selectedColumns(), QList<int>{2});
}

TEST_F(AccessibleTest, EveryCursorMoveIsAnEvent) {
  std::vector<Seen> events;
  Listening listening(events);
  if (!listening.On()) GTEST_SKIP() << "accessibility cannot be switched on here";
  auto cursorEvents = [&] {
    std::vector<Seen> v;
    for (const Seen& s : events)
      if (s.object == grid && (s.type == QAccessible::Focus || s.type == QAccessible::ActiveDescendantChanged))
        v.push_back(s);
    return v;
  };
  QAccessibleInterface* table = Table();

  // Without the focus the grid's active cell changes.
  grid->Skip(Usual(1));
  auto moves = cursorEvents();
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].type, QAccessible::ActiveDescendantChanged);
  EXPECT_EQ(moves[0].child, table->indexOfChild(table->focusChild()));
  EXPECT_EQ(table->child(moves[0].child)->text(QAccessible::Name), "2");

  // With the focus it is the focus that moves.
  owner->activateWindow();
  QApplication::setActiveWindow(owner.get());
  grid->setFocus();
  for (int i = 0; i < 50 && !grid->hasFocus(); ++i) QApplication::processEvents();
  EXPECT_TRUE(grid->hasFocus());
  if (grid->hasFocus()) {
    events.clear();
    grid->Skip(Usual(1));
    moves = cursorEvents();
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].type, QAccessible::Focus);
    EXPECT_EQ(table->child(moves[0].child)->text(QAccessible::Name), "3");
    EXPECT_TRUE(table->child(moves[0].child)->state().focused);
  }
  events.clear();
  if (grid->SetCurrentColumn(2)) {
    moves = cursorEvents();
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(table->child(moves[0].child)->tableCellInterface()->columnIndex(), 1);
  }

  // Without an assistive tool nothing is sent.
  ASSERT_TRUE(SetAccessibilityActive(false));
  events.clear();
  grid->Skip(Usual(1));
  EXPECT_TRUE(cursorEvents().empty());
}

}  // namespace
}  // namespace kt::test
