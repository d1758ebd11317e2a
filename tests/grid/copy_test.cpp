// kTable::CopySelection: the selection on the clipboard as tab-separated
// text and as an HTML table, in the order the columns stand on screen.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "grid_fixture.h"
#include "platform/db/dbserver.h"
#include "platform/db/workareas.h"

namespace kt::test {
namespace {

namespace fs = std::filesystem;

const Symbol kAll("All"), kMultiple("Multiple"), kRow("Row");

std::string ClipText() {
  const QMimeData* m = QGuiApplication::clipboard()->mimeData();
  return m ? m->text().toStdString() : std::string();
}
std::string ClipHtml() {
  const QMimeData* m = QGuiApplication::clipboard()->mimeData();
  return m && m->hasHtml() ? m->html().toStdString() : std::string();
}

// The HTML the copy gives for rows of fields.
std::string Html(const std::vector<std::vector<std::string>>& rows) {
  std::string s = "<meta charset=\"utf-8\"><table>";
  for (const auto& r : rows) {
    s += "<tr>";
    for (const auto& f : r) s += "<td>" + f + "</td>";
    s += "</tr>";
  }
  return s + "</table>";
}

struct CopyTest : ::testing::Test {
  ScopedRuntime runtime;
  std::unique_ptr<OwnerWindow> owner = ShownOwner();
  kTable* grid = Shown(new kTable(owner.get(), 7));

  void SetUp() override { QGuiApplication::clipboard()->setText("before"); }
  void Fit(int rows) { grid->resize(2000, grid->CaptionHeight() + rows * grid->RowHeight() + grid->RowHeight() / 2); }
  // Clears the selection and selects the block between two cells.
  void Block(int c1, std::int64_t r1, int c2, std::int64_t r2) {
    grid->SelectionChange(0x20, c1, r1, r1);
    grid->SelectionChange(0x08, c2, r2, r2);
  }
};

TEST_F(CopyTest, CurrentCellWhenNothingElseIsSelected) {
  Fit(5);
  EXPECT_FALSE(grid->CopySelection());  // no server: the clipboard stays
  EXPECT_EQ(ClipText(), "before");
  auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(20)));
  grid->Use(Usual(server));
  grid->Skip(Usual(2));
  grid->SelectionRemove(kAll);
  ASSERT_EQ(grid->CurrentRecNo(), 3);
  ASSERT_EQ(grid->CurrentColumn(), 1);
  // Through the late-bound name, as owners and codeblocks call it.
  EXPECT_TRUE(Send(Usual(grid), "CopySelection").AsLogic());
  EXPECT_EQ(ClipText(), "3");
  EXPECT_EQ(ClipHtml(), Html({{"3"}}));
  // In #Row mode the current cell is the whole row.
  grid->CurrentMode(kRow);
  grid->SelectionRemove(kAll);
  EXPECT_TRUE(grid->CopySelection());
  EXPECT_EQ(ClipText(), "3\tN3\t21");
  EXPECT_EQ(ClipHtml(), Html({{"3", "N3", "21"}}));
  // An empty server has no current record to copy.
  grid->CurrentMode(Symbol("Cell"));
  QGuiApplication::clipboard()->setText("before");
  auto empty = New<kArrayServer>(SmallStruct(), Usual(Array()));
  grid->Use(Usual(empty));
  EXPECT_FALSE(grid->CopySelection());
  EXPECT_EQ(ClipText(), "before");
}

TEST_F(CopyTest, BlocksRowsAndColumnsAsTheSelectionSays) {
  Fit(5);
  auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(12)));
  grid->Use(Usual(server));
  grid->SelectionMode(kMultiple);

  // A block of rows 2..4, columns 1..2.
  Block(1, 2, 2, 4);
  ASSERT_TRUE(grid->CopySelection());
  EXPECT_EQ(ClipText(), "2\tN2\n3\tN3\n4\tN4");
  EXPECT_EQ(ClipHtml(), Html({{"2", "N2"}, {"3", "N3"}, {"4", "N4"}}));

  // A cell of another column below it widens the block to the bounding
  // columns; cells not selected inside give empty fields.
  grid->SelectionChange(0x04, 3, 9, 9);
  ASSERT_TRUE(grid->CopySelection());
  EXPECT_EQ(ClipText(), "2\tN2\t\n3\tN3\t\n4\tN4\t\n\t\t13");
  EXPECT_EQ(ClipHtml(), Html({{"2", "N2", ""}, {"3", "N3", ""}, {"4", "N4", ""}, {"", "", "13"}}));

  // Whole rows give every open column, also for rows outside the window.
  grid->SelectionChange(0x201, 0, 2, 2);
  grid->SelectionChange(0x200, 0, 11, 11);
  ASSERT_TRUE(grid->CopySelection());
  EXPECT_EQ(ClipText(), "2\tN2\t14\n11\tN11\t27");

  // A whole column: that column of every record.
  grid->SelectionChange(0x81, 2, 5, 5);
  ASSERT_TRUE(grid->CopySelection());
  std::string expected;
  for (int i = 1; i <= 12; ++i) expected += (i > 1 ? "\nN" : "N") + std::to_string(i);
  EXPECT_EQ(ClipText(), expected);

  // The copy leaves the server and the window where they were.
  EXPECT_EQ(server->RecNo(), grid->CurrentRecNo());
  ExpectConsistent(*grid, *server, "after copy");
}

TEST_F(CopyTest, ColumnsInTheOrderOnScreen) {
  Fit(5);
  auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(3)));
  grid->Use(Usual(server), NIL, Usual(Array{"ID", "NAME"}));
  ASSERT_TRUE(grid->OpenColumn("AGE", Usual(1)));
  grid->SelectionSet(kAll);
  ASSERT_TRUE(grid->CopySelection());
  EXPECT_EQ(ClipText(), "7\t1\tN1\n14\t2\tN2\n21\t3\tN3");
  EXPECT_EQ(ClipHtml(), Html({{"7", "1", "N1"}, {"14", "2", "N2"}, {"21", "3", "N3"}}));
}

TEST_F(CopyTest, TextsAreQuotedAndEscapedWhereTheirFormatNeedsIt) {
  Fit(5);
  struct Case {
    const char* name;   // stored value
    const char* text;   // the field in the tab-separated text
    const char* html;   // the HTML cell
  } cases[] = {
      {"Müller", "Müller", "Müller"},
      {"a<&>\"b", "a<&>\"b", "a&lt;&amp;&gt;&quot;b"},
      {"\"q\"", "\"\"\"q\"\"\"", "&quot;q&quot;"},
      {"x\ty", "\"x\ty\"", "x\ty"},
      {"l1\r\nl2", "\"l1\r\nl2\"", "l1<br>l2"},
  };
  const Usual wide(Array{Usual(Array{"ID", "N", 8, 0}), Usual(Array{"NAME", "C", 20, 0})});
  Array data;
  for (const Case& c : cases) data.Add(Usual(Array{1, c.name}));
  auto server = New<kArrayServer>(wide, Usual(data));
  grid->Use(Usual(server), NIL, Usual(Array{"NAME"}));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].name);
    grid->SelectionRemove(kAll);
    server->GoTo(std::int64_t(i + 1));
    ASSERT_EQ(grid->CurrentRecNo(), std::int64_t(i + 1));
    ASSERT_TRUE(grid->CopySelection());
    EXPECT_EQ(ClipText(), cases[i].text);
    EXPECT_EQ(ClipHtml(), Html({{cases[i].html}}));
  }
}

// On a table with an order the rows come in the order's sequence, and the
// records outside the window are read from the server.
TEST_F(CopyTest, DatabaseServerInItsOrder) {
  Fit(4);
  const fs::path dir = fs::temp_directory_path() / ("ktable-grid-copy-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string path = (dir / "t.dbf").string();
  ASSERT_TRUE(DBServer::DBCreate(path, SmallStruct()));
  {
    auto db = New<DBServer>(path, Usual(false));
    for (int i = 1; i <= 20; ++i) {
      db->Append();
      db->FieldPut("ID", i);
      db->FieldPut("NAME", "N" + std::to_string(i));
      db->FieldPut("AGE", (i * 7) % 50);
    }
    db->CreateOrder((dir / "age").string(), "AGE");
    db->GoTop();
    grid->Use(Usual(db));
    // The current cell alone first: the youngest record comes first.
    ASSERT_TRUE(grid->CopySelection());
    EXPECT_EQ(ClipText(), "15");
    grid->SelectionMode(kMultiple);
    grid->SelectionChange(0x81, 2, grid->CurrentRow(), grid->CurrentRecNo());
    std::vector<std::pair<int, int>> byAge;
    for (int i = 1; i <= 20; ++i) byAge.push_back({(i * 7) % 50, i});
    std::sort(byAge.begin(), byAge.end());
    std::string expected;
    for (const auto& [age, i] : byAge) expected += (expected.empty() ? "N" : "\nN") + std::to_string(i);
    ASSERT_TRUE(grid->CopySelection());
    EXPECT_EQ(ClipText(), expected);
    ExpectConsistent(*grid, *db, "after copy");
    grid->Use(NIL);
    db->Close();
  }
  WorkAreas::Instance().CloseAll();
  fs::remove_all(dir);
}

// Counts the jumps among the moves.
class JumpCountingServer : public CountingServer {
 public:
  using CountingServer::CountingServer;
  int jumps = 0;
  bool GoTo(std::int64_t r) override {
    ++jumps;
    return CountingServer::GoTo(r);
  }
};

// The rows in the window come from the buffer; the others cost one server
// step and one read per cell each.
TEST_F(CopyTest, ConsecutiveRecordsAreReadWithOneStepEach) {
  Fit(5);
  auto server = New<JumpCountingServer>(SmallStruct(), Usual(SmallData(1000)));
  grid->Use(Usual(server));
  const int buffered = int(grid->RowBuffer().size());
  grid->SelectionSet(kAll);
  server->ResetCounts();
  server->jumps = 0;
  ASSERT_TRUE(grid->CopySelection());
  EXPECT_LE(server->moves, 1000 - buffered + 2);
  EXPECT_LE(server->jumps, 2);
  EXPECT_EQ(server->reads, 3 * (1000 - buffered));
  const std::string text = ClipText();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 999);
  EXPECT_EQ(text.substr(text.rfind('\n') + 1), "1000\tN1000\t0");
}

}  // namespace
}  // namespace kt::test
