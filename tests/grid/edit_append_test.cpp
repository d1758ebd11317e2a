// Appending a record: the owner's RecordAppend in its three modes, a veto,
// a failed append, and Down on the last record with AutoAppend, on both
// server kinds.
#include "keys_fixture.h"

#include "grid/edit_events.h"
#include "platform/gui/guard.h"

namespace kt::test {
namespace {

// {mode, server} of every RecordAppend the owner heard.
std::vector<int> AppendModes(const RecordingOwner& owner, const Usual& server) {
  std::vector<int> modes;
  for (const auto& c : owner.calls) {
    if (c.name != "RecordAppend") continue;
    auto* e = dynamic_cast<kRecordAppendEvent*>(c.event.AsObject());
    EXPECT_NE(e, nullptr);
    if (!e) continue;
    EXPECT_TRUE(e->Server().IsObject() && e->Server().AsObject() == server.AsObject());
    modes.push_back(e->Mode());
  }
  return modes;
}

class EditAppend : public ::testing::TestWithParam<ServerKind>, public KeysFixture {};

TEST_P(EditAppend, AppendTellsTheOwnerAndStandsOnTheNewRecord) {
  Bind(GetParam(), 20);
  Activate();
  Place(5, 2);
  ASSERT_TRUE(grid->Append());
  EXPECT_EQ(AppendModes(*owner, Usual(server)), (std::vector<int>{1, 2}));
  EXPECT_EQ(server->LastRec(), 21);
  EXPECT_EQ(grid->CurrentRecNo(), 21);
  EXPECT_EQ(grid->CurrentColumn(), 2);
  EXPECT_TRUE(grid->hasFocus());
  ExpectConsistent(*grid, *server, "after the append");
}

TEST_P(EditAppend, OwnerVetoAppendsNothing) {
  Bind(GetParam(), 20);
  Activate();
  Place(5, 1);
  owner->results["RecordAppend"] = Usual(false);
  EXPECT_FALSE(grid->Append());
  EXPECT_EQ(AppendModes(*owner, Usual(server)), (std::vector<int>{1}));
  EXPECT_EQ(server->LastRec(), 20);
  EXPECT_EQ(grid->CurrentRecNo(), 5);
}

TEST_P(EditAppend, AnEditorThatWillNotCloseStopsTheAppend) {
  Bind(GetParam(), 20);
  Activate();
  grid->open = true;
  grid->closeFails = true;
  EXPECT_FALSE(grid->Append());
  EXPECT_EQ(server->LastRec(), 20);
  EXPECT_TRUE(AppendModes(*owner, Usual(server)).empty());
  grid->open = false;
}

// Down on the last record appends only with AutoAppend on an editable grid.
TEST_P(EditAppend, DownOnTheLastRecord) {
  struct Case {
    bool autoAppend, editable, appends;
  } const cases[] = {{true, true, true}, {false, true, false}, {true, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE("AutoAppend " + std::to_string(c.autoAppend) + " Editable " + std::to_string(c.editable));
    KeysFixture f;
    f.Bind(GetParam(), 20);
    f.grid->AutoAppend(c.autoAppend);
    f.grid->Editable(c.editable);
    f.Activate();
    f.Place(20, 2);
    f.Press(Qt::Key_Down);
    const std::int64_t expected = c.appends ? 21 : 20;
    EXPECT_EQ(f.server->LastRec(), expected);
    EXPECT_EQ(f.grid->CurrentRecNo(), expected);
    EXPECT_EQ(f.server->RecNo(), expected);
    EXPECT_EQ(f.grid->CurrentColumn(), 2);
    EXPECT_TRUE(f.grid->hasFocus());
    EXPECT_EQ(AppendModes(*f.owner, Usual(f.server)), c.appends ? (std::vector<int>{1, 2}) : std::vector<int>{});
    ExpectConsistent(*f.grid, *f.server, "after Down");
    // Down on the new, empty record appends the next one.
    if (c.appends) {
      f.Press(Qt::Key_Down);
      EXPECT_EQ(f.server->LastRec(), 22);
      EXPECT_EQ(f.grid->CurrentRecNo(), 22);
    }
  }
}

// With skip-EOF the server steps onto the end of file first.
TEST_P(EditAppend, DownOnTheLastRecordWithSkipEof) {
  Bind(GetParam(), 20);
  grid->EnableSkipEOF(Usual(true));
  grid->AutoAppend(true);
  grid->Editable(true);
  Activate();
  Place(20, 1);
  Press(Qt::Key_Down);
  EXPECT_EQ(server->LastRec(), 21);
  EXPECT_EQ(grid->CurrentRecNo(), 21);
  EXPECT_FALSE(server->EoF());
  ExpectConsistent(*grid, *server, "after Down");
}

TEST_P(EditAppend, PermanentModeReopensTheEditorOnTheNewRecord) {
  Bind(GetParam(), 20);
  grid->Editable(true);
  Activate();
  grid->AutoEdit(Usual(Symbol("Permanent")));
  const int edits = grid->edits;
  grid->editOpens = true;
  ASSERT_TRUE(grid->Append());
  EXPECT_EQ(grid->edits, edits + 1);
}

INSTANTIATE_TEST_SUITE_P(Servers, EditAppend, ::testing::Values(ServerKind::Array, ServerKind::Table), ServerName);

TEST(EditAppendUnbound, WithoutAServerNothingHappens) {
  KeysFixture f;
  EXPECT_FALSE(f.grid->Append());
  EXPECT_TRUE(f.owner->calls.empty());
}

// A table opened read-only refuses the append: the owner hears mode 3 and
// the cursor stays where it was.
TEST(EditAppendFails, ReadOnlyTableGivesModeThreeAndKeepsTheCursor) {
  KeysFixture f;
  {
    auto db = f.MakeServer(ServerKind::Table, 10);
    static_cast<DBServer*>(db.get())->Close();
  }
  WorkAreas::Instance().CloseAll();
  f.server = New<DBServer>((f.dir / "keys.dbf").string(), Usual(false), Usual(true));
  f.grid->RowHeight(20);
  f.grid->setGeometry(0, 0, 310, 224);
  ASSERT_TRUE(f.grid->Use(Usual(f.server)));
  f.grid->AutoAppend(true);
  f.grid->Editable(true);
  f.Activate();
  f.Place(10, 1);
  for (const bool byKey : {false, true}) {
    SCOPED_TRACE(byKey ? "Down" : "Append()");
    f.owner->calls.clear();
    f.log.errors.clear();
    if (byKey) {
      f.Press(Qt::Key_Down);
    } else {
      bool ok = true;
      GuardedCall([&] { ok = f.grid->Append(); });
      EXPECT_FALSE(ok);
    }
    EXPECT_EQ(AppendModes(*f.owner, Usual(f.server)), (std::vector<int>{1, 3}));
    EXPECT_EQ(f.server->LastRec(), 10);
    EXPECT_EQ(f.server->RecNo(), 10);
    EXPECT_EQ(f.grid->CurrentRecNo(), 10);
    EXPECT_EQ(f.grid->CurrentColumn(), 1);
    EXPECT_FALSE(f.log.errors.empty()) << "the refusal is reported";
    ExpectConsistent(*f.grid, *f.server, "after the refused append");
  }
}

}  // namespace
}  // namespace kt::test
