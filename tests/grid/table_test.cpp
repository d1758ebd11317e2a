// kTable: construction, binding in every server state, columns, property
// bag and the server bracket.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <stdexcept>

#include <QScrollBar>

#include "grid_fixture.h"
#include "platform/db/dbserver.h"
#include "platform/db/workareas.h"

namespace kt::test {
namespace {

struct GridTest : ::testing::Test {
  ScopedRuntime runtime;
  std::unique_ptr<OwnerWindow> owner = ShownOwner();
  kTable* grid = Shown(new kTable(owner.get(), 7));

  // Data area of `rows` full rows and half a row more.
  void Fit(int rows) { grid->resize(2000, grid->CaptionHeight() + rows * grid->RowHeight() + grid->RowHeight() / 2); }
};

TEST_F(GridTest, ConstructionDefaults) {
  EXPECT_EQ(grid->ServerState(), 1);
  EXPECT_EQ(grid->RowMode(), Symbol("Relative"));
  EXPECT_EQ(grid->RowCountMode(), Symbol("Auto"));
  EXPECT_EQ(grid->CurrentMode(), Symbol("Cell"));
  EXPECT_EQ(grid->SelectionMode(), Symbol("Simple"));
  EXPECT_EQ(grid->TabKeyMode(), Symbol("MoveToControl"));
  EXPECT_TRUE(grid->IsColumnMovable());
  EXPECT_TRUE(grid->IsColumnResizable());
  EXPECT_FALSE(grid->IsCaptionClickable());
  EXPECT_FALSE(grid->IsSelectorEnabled());
  EXPECT_EQ(grid->FooterHeight(), 0);
  EXPECT_EQ(grid->SelectorWidth(), grid->RowHeight() - 3);
  const int h = FontHeight(nullptr);
  EXPECT_EQ(grid->CaptionHeight(), h + 5);
  EXPECT_EQ(grid->RowHeight(), h + (grid->DataView()->Grid()->Height() + 1) * 2);
  EXPECT_EQ(grid->DataView()->Grid()->Style(), 1);
  EXPECT_EQ(grid->CaptionView()->Grid()->Style(), 4);
  EXPECT_EQ(grid->FooterView()->Grid()->Style(), 4);
  EXPECT_EQ(grid->InfoView()->Grid()->Style(), 0);
  EXPECT_TRUE(grid->OwnerHas(kTable::kCellSelect));
  EXPECT_FALSE(grid->OwnerHas(kTable::kRecordAppend));
  EXPECT_EQ(grid->PropertyGet("ValueViewList").AsArray()[1].AsSymbol(), Symbol("CHECKBOX"));
  EXPECT_FALSE(grid->PropertyGet("InfoInEntireArea", Usual(true)).AsLogic());
  EXPECT_TRUE(grid->PropertyGet("ScrollPointer").IsObject());
  ASSERT_NE(grid->VerticalScrollBar(), nullptr);
  EXPECT_TRUE(grid->VerticalScrollBar()->isHidden());
  grid->EnableSelector();
  EXPECT_TRUE(grid->IsSelectorEnabled());
  grid->EnableSelector(Usual(false));
  EXPECT_FALSE(grid->IsSelectorEnabled());
}

TEST_F(GridTest, PropertyBagAndLanguageDependentLogicTexts) {
  runtime->german = true;
  EXPECT_EQ(grid->PropertyGet("VIEWLOGICVALUES").AsArray()[1].AsArray()[1].AsStringView(), "J");
  runtime->german = false;
  const Usual first = grid->PropertyGet("VIEWLOGICVALUES");
  EXPECT_EQ(first.AsArray()[1].AsArray()[1].AsStringView(), "Y");
  EXPECT_FALSE(first.AsArray().SameAs(grid->PropertyGet("VIEWLOGICVALUES").AsArray()));  // fresh each time
  const Array own{Usual(Array{"ja", true})};
  grid->PropertyPut("VIEWLOGICVALUES", Usual(own));
  EXPECT_TRUE(grid->PropertyGet("VIEWLOGICVALUES").AsArray().SameAs(own));
  grid->PropertyPut("Mine", 1);
  grid->PropertyPut("Mine", 2);
  EXPECT_EQ(grid->PropertyGet("Mine").AsInteger(), 2);
  const std::size_t before = grid->Properties().Len();
  grid->PropertyDelete("Mine");
  EXPECT_EQ(grid->Properties().Len(), before - 1);
  EXPECT_EQ(grid->PropertyGet("Mine", Usual(9)).AsInteger(), 9);
}

TEST_F(GridTest, UseInEveryServerState) {
  Fit(5);
  grid->SetInfo(3, "leer");
  // 1: no server.
  EXPECT_TRUE(grid->Use(NIL));
  EXPECT_EQ(grid->ServerState(), 1);
  // 2: a server without data.
  auto unused = New<kArrayServer>();
  ASSERT_FALSE(unused->Used());
  EXPECT_TRUE(grid->Use(Usual(unused)));
  EXPECT_EQ(grid->ServerState(), 2);
  EXPECT_EQ(unused->Clients().size(), 1u);
  EXPECT_FALSE(grid->OpenColumn(Usual(1)));
  // 3: empty.
  auto empty = New<kArrayServer>(SmallStruct(), Usual(Array()));
  EXPECT_TRUE(grid->Use(Usual(empty)));
  EXPECT_EQ(unused->Clients().size(), 0u);
  EXPECT_EQ(grid->ServerState(), 3);
  EXPECT_TRUE(grid->IsInfoVisible());
  EXPECT_EQ(grid->CurrentRow(), 0);
  ASSERT_FALSE(grid->RowBuffer().empty());
  EXPECT_TRUE(grid->RowBuffer()[0].empty);
  // 0: records.
  auto full = New<kArrayServer>(SmallStruct(), Usual(SmallData(20)));
  full->GoTo(3);
  const int selects = owner->cellSelects;
  EXPECT_TRUE(grid->Use(Usual(full)));
  EXPECT_EQ(grid->ServerState(), 0);
  EXPECT_FALSE(grid->IsInfoVisible());
  EXPECT_EQ(grid->ColumnCount(), 3);
  EXPECT_EQ(grid->ColumnOpenCount(), 3);
  EXPECT_EQ(grid->CurrentRecNo(), 3);
  EXPECT_EQ(grid->CurrentColumn(), 1);
  EXPECT_EQ(grid->RowCount(), 20);
  EXPECT_EQ(grid->FirstRecNo(), 1);
  EXPECT_EQ(grid->LastRecNo(), 20);
  EXPECT_GT(owner->cellSelects, selects);
  EXPECT_EQ(full->SuspendNotificationCount(), 0);
  ExpectConsistent(*grid, *full, "after Use");
  // Back to none: both column lists empty.
  EXPECT_TRUE(grid->Use(NIL));
  EXPECT_EQ(grid->ServerState(), 1);
  EXPECT_EQ(grid->ColumnCount(), 0);
  EXPECT_EQ(grid->ColumnOpenCount(), 0);
  EXPECT_TRUE(full->Clients().empty());
}

TEST_F(GridTest, AutoCloseDecidesWhatUnbindingDoes) {
  struct Case {
    Usual autoClose;
    bool otherClient;
    bool closed;
  } cases[] = {{Usual(false), false, false},
               {Usual(true), true, true},
               {Usual(Symbol("OnlyWhenLastClient")), true, false},
               {Usual(Symbol("OnlyWhenLastClient")), false, true}};
  for (const auto& c : cases) {
    auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(3)));
    RecordingClientLite other;
    if (c.otherClient) server->RegisterClient(&other);
    grid->AutoClose(c.autoClose);
    grid->Use(Usual(server));
    grid->Use(NIL);
    EXPECT_EQ(!server->Used(), c.closed);
    if (c.otherClient && server->Used()) server->UnRegisterClient(&other);
  }
}

TEST_F(GridTest, ColumnsOpenCloseRemove) {
  Fit(5);
  auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(10)));
  grid->Use(Usual(server), NIL, Usual(Array()));
  EXPECT_EQ(grid->ColumnCount(), 3);
  EXPECT_EQ(grid->ColumnOpenCount(), 0);
  EXPECT_EQ(grid->CurrentColumn(), 0);
  // Unknown names and duplicates: each known column once, in array order.
  EXPECT_TRUE(grid->OpenColumn(Usual(Array{"AGE", "NOPE", Usual(Symbol("ID")), "AGE", 2})));
  ASSERT_EQ(grid->ColumnOpenCount(), 3);
  EXPECT_EQ(grid->ColumnOpenList()[0]->FieldSym(), Symbol("AGE"));
  EXPECT_EQ(grid->ColumnOpenList()[1]->FieldSym(), Symbol("ID"));
  EXPECT_EQ(grid->ColumnOpenList()[2]->FieldSym(), Symbol("NAME"));
  EXPECT_EQ(grid->GetOpenColumn("ID"), grid->GetColumn(Usual(1)));
  EXPECT_EQ(grid->BufferedCell(2, 1)->value.AsInteger(), 1);
  ExpectConsistent(*grid, *server, "opened");
  // Closing the current column moves the cursor to a remaining one.
  EXPECT_EQ(grid->CurrentColumn(), 1);
  grid->ColumnOpenList()[1]->Selectable(false);
  EXPECT_TRUE(grid->CloseColumn(Usual(1)));
  EXPECT_EQ(grid->ColumnOpenCount(), 2);
  EXPECT_EQ(grid->CurrentColumn(), 2);
  EXPECT_FALSE(grid->CloseColumn("AGE"));  // not open any more
  // Inserting before the cursor shifts it right.
  EXPECT_TRUE(grid->OpenColumn("AGE", Usual(1)));
  EXPECT_EQ(grid->CurrentColumn(), 3);
  ExpectConsistent(*grid, *server, "reopened");
  // Removing an open column closes it first; an unknown one gives none.
  EXPECT_NE(grid->RemoveColumn("ID").get(), nullptr);
  EXPECT_EQ(grid->ColumnCount(), 2);
  EXPECT_EQ(grid->RemoveColumn("ID").get(), nullptr);
  EXPECT_FALSE(grid->AddColumn(grid->GetColumn(Usual(1))));
  grid->CloseColumn(Usual(1));
  grid->CloseColumn(Usual(1));
  EXPECT_EQ(grid->ColumnOpenCount(), 0);
  EXPECT_EQ(grid->FirstVisibleColumn(), 0);
  EXPECT_EQ(grid->LastVisibleColumn(), 0);
}

TEST_F(GridTest, UseFromAnOwnerCallbackReleasesTheOldServer) {
  Fit(5);
  auto a = New<kArrayServer>(SmallStruct(), Usual(SmallData(20)));
  auto b = New<kArrayServer>(SmallStruct(), Usual(SmallData(5)));
  RecordingClientLite other;
  a->RegisterClient(&other);
  grid->Use(Usual(a));
  bool switched = false;
  owner->onCellSelect = [&] {
    if (switched) return;
    switched = true;
    grid->Use(Usual(b));
  };
  // The grid's reaction to the move tells the owner inside its sequence.
  a->GoTo(3);
  ASSERT_TRUE(switched);
  owner->onCellSelect = nullptr;
  EXPECT_EQ(grid->Server(), Usual(b));
  EXPECT_EQ(a->SuspendNotificationCount(), 0);
  EXPECT_EQ(b->SuspendNotificationCount(), 0);
  EXPECT_EQ(grid->SequenceCount(), 0);
  EXPECT_EQ(a->Clients().size(), 1u);
  const int notes = other.notes;
  a->GoTo(5);
  EXPECT_GT(other.notes, notes) << "the old server tells its clients again";
  b->GoTo(4);
  EXPECT_EQ(grid->CurrentRecNo(), 4);
  ExpectConsistent(*grid, *b, "on the new server");
  a->UnRegisterClient(&other);
}

// kArrayServer whose field reads fail while `fail` is set.
class FailingServer : public kArrayServer {
 public:
  using kArrayServer::kArrayServer;
  bool fail = false;
  Usual FieldGet(const Usual& f) override {
    if (fail) throw std::runtime_error("read failed");
    return kArrayServer::FieldGet(f);
  }
};

TEST_F(GridTest, AFailureInsideASequenceLeavesNothingSuspended) {
  Fit(5);
  auto server = New<FailingServer>(SmallStruct(), Usual(SmallData(20)));
  grid->Use(Usual(server));
  server->fail = true;
  EXPECT_ANY_THROW(grid->Refresh());
  EXPECT_ANY_THROW(grid->FirstVisibleRecNo(4));
  server->fail = false;
  EXPECT_EQ(server->SuspendNotificationCount(), 0);
  EXPECT_EQ(grid->SequenceCount(), 0);
  EXPECT_FALSE(grid->EventLock());
  server->GoTo(3);
  EXPECT_EQ(grid->CurrentRecNo(), 3) << "the grid hears its server again";
}

TEST_F(GridTest, DestructDropsReferencesAndLeavesNoClientBehind) {
  Fit(5);
  auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(10)));
  grid->Use(Usual(server));
  // A column the caller holds and another grid shows.
  const Ref<kDataColumn> held = grid->GetColumn("NAME");
  auto* second = Shown(new kTable(owner.get()));
  second->resize(grid->size());
  second->Use(Usual(server), NIL, Usual(Array()));
  ASSERT_TRUE(second->AddColumn(held));
  ASSERT_TRUE(second->OpenColumn(Usual(held)));

  grid->Destruct();
  EXPECT_EQ(grid->ColumnCount(), 0);
  EXPECT_EQ(server->Clients().size(), 1u);
  EXPECT_NE(held->HyperLabel().get(), nullptr) << "the column is shared, not destroyed";
  server->GoTo(2);
  EXPECT_EQ(held->Value(), server->FieldGet("NAME"));
  EXPECT_EQ(second->BufferedCell(1, 2)->text, "N2");

  // Bound again after Destruct: going away still unregisters it.
  grid->Use(Usual(server));
  ASSERT_EQ(server->Clients().size(), 2u);
  delete grid;
  grid = nullptr;
  ASSERT_EQ(server->Clients().size(), 1u);
  server->GoTo(3);
  EXPECT_EQ(second->CurrentRecNo(), 3);
}

TEST_F(GridTest, DestructForgetsTheVisibleColumns) {
  Fit(5);
  auto server = New<kArrayServer>(SmallStruct(), Usual(SmallData(20)));
  const Array names{"ID", "NAME", "AGE", "ID", "NAME"};
  grid->Use(Usual(server), Usual(names));
  for (const auto& c : grid->ColumnList()) c->Width(250);
  grid->resize(600, grid->height());
  grid->Recalculate();
  grid->SetFirstColumn(3);
  ASSERT_EQ(grid->FirstVisibleColumn(), 3);
  grid->Destruct();
  EXPECT_EQ(grid->ColumnOpenCount(), 0);
  EXPECT_EQ(grid->FirstVisibleColumn(), 0) << "no visible column without open columns";
  EXPECT_EQ(grid->LastVisibleColumn(), 0);
  EXPECT_FALSE(grid->grab().isNull());  // paints
  grid->Use(Usual(server), Usual(names));
  EXPECT_EQ(grid->FirstVisibleColumn(), 1);
  EXPECT_EQ(grid->CurrentColumn(), 1);
}

TEST_F(GridTest, SequencesNestOnDatabaseServer) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("ktable-grid-seq-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string path = (dir / "t.dbf").string();
  ASSERT_TRUE(DBServer::DBCreate(path, SmallStruct()));
  {
    auto db = New<DBServer>(path);
    db->Append();
    auto other = New<kArrayServer>(SmallStruct(), Usual(SmallData(2)));
    grid->Use(Usual(db));
    const int before = HLDBSetSelect(0);
    HLDBSetSelect(before);
    grid->BeginSequence();
    grid->BeginSequence();
    grid->EndSequence();
    EXPECT_EQ(HLDBSelect(), db->Area());
    EXPECT_EQ(db->SuspendNotificationCount(), 1);
    grid->EndSequence();
    EXPECT_EQ(db->SuspendNotificationCount(), 0);
    EXPECT_EQ(HLDBSelect(), before);
    // The grid's own suspend count: notifications are acknowledged and ignored.
    grid->SuspendNotification();
    EXPECT_TRUE(grid->Notify(notify::RecordChange));
    EXPECT_EQ(grid->ResetNotification(), 0);
    grid->Use(NIL);
    db->Close();
  }
  WorkAreas::Instance().CloseAll();
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kt::test
