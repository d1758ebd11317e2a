#pragma once
// What the keyboard tests share: a shown dialog with a line edit before and
// after the grid and a default OK button, the grid inside a recording owner
// window, on an array server or on a database table; a grid that records
// the editor hooks; real key presses to the focused widget.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

#include "grid_fixture.h"
#include "platform/db/dbserver.h"
#include "platform/db/workareas.h"
#include "platform/gui/error_log.h"

namespace kt::test {

// Records the editor hooks: Edit opens an editor only when `editOpens`, the
// texts of the key and input-method events handed to it are kept, and the
// requests to move it along with the grid are counted.
class EditRecordingGrid : public kTable {
 public:
  using kTable::kTable;
  int edits = 0, recalculations = 0;
  bool editOpens = false;
  bool open = false;
  bool closeFails = false;  // the editor holds input it will not give up
  std::vector<QString> forwarded;
  QRegion painted;

  bool InEdit() const override { return open; }
  bool Edit() override {
    ++edits;
    open = editOpens;
    return editOpens;
  }
  bool EditClose() override {
    if (open && closeFails) return false;
    open = false;
    return true;
  }
  void EditForwardEvent(QEvent* e) override {
    if (e->type() == QEvent::KeyPress) forwarded.push_back(static_cast<QKeyEvent*>(e)->text());
    if (e->type() == QEvent::InputMethod) forwarded.push_back(static_cast<QInputMethodEvent*>(e)->commitString());
  }
  void EditRecalculate() override { ++recalculations; }

 protected:
  void paintEvent(QPaintEvent* e) override {
    painted += e->region();
    kTable::paintEvent(e);
  }
};

// An object whose method OnKey records its arguments and answers `result`.
class KeyTarget : public Object {
 public:
  int calls = 0;
  Array lastArgs;
  Usual result;
  std::function<void()> onCall;
  const ClassInfo& Class() const override {
    static ClassInfo info("GridKeyTarget", &Object::StaticClass());
    static bool once = [] {
      info.Method<KeyTarget>("OnKey", [](KeyTarget& t, Args a) {
        ++t.calls;
        t.lastArgs = Array();
        for (const Usual& u : a) t.lastArgs.Add(u);
        if (t.onCall) t.onCall();
        return t.result;
      });
      return true;
    }();
    (void)once;
    return info;
  }
};

enum class ServerKind { Array, Table };

inline std::string ServerName(const ::testing::TestParamInfo<ServerKind>& info) {
  return info.param == ServerKind::Array ? "ArrayServer" : "DBServer";
}

struct KeysFixture {
  ErrorLog log;
  std::unique_ptr<QDialog> dialog = std::make_unique<QDialog>();
  QLineEdit* before = nullptr;
  RecordingOwner* owner = nullptr;
  EditRecordingGrid* grid = nullptr;
  QLineEdit* after = nullptr;
  QPushButton* ok = nullptr;
  Ref<DataServer> server;
  std::filesystem::path dir;

  // Builds the dialog; the focus chain is before, grid, after, OK.
  KeysFixture() {
    dialog->resize(700, 420);
    before = new QLineEdit(dialog.get());
    before->setGeometry(10, 10, 200, 24);
    owner = new RecordingOwner();
    owner->setParent(dialog.get());
    owner->setGeometry(10, 40, 680, 280);
    grid = new EditRecordingGrid(owner);
    after = new QLineEdit(dialog.get());
    after->setGeometry(10, 330, 200, 24);
    ok = new QPushButton("OK", dialog.get());
    ok->setGeometry(10, 370, 80, 30);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog.get(), &QDialog::accept);
  }
  ~KeysFixture() {
    if (grid) grid->Use(NIL);
    dialog.reset();
    if (auto* db = dynamic_cast<DBServer*>(server.get())) db->Close();
    server = nullptr;
    if (!dir.empty()) {
      WorkAreas::Instance().CloseAll();
      std::filesystem::remove_all(dir);
    }
  }
  KeysFixture(const KeysFixture&) = delete;
  KeysFixture& operator=(const KeysFixture&) = delete;

  // `records` records {ID, NAME, AGE} with ID = record number.
  Ref<DataServer> MakeServer(ServerKind kind, int records) {
    if (kind == ServerKind::Array) return New<kArrayServer>(SmallStruct(), Usual(SmallData(records)), Usual(1));
    dir = std::filesystem::temp_directory_path() / ("ktable-keys-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "keys.dbf").string();
    EXPECT_TRUE(DBServer::DBCreate(path, SmallStruct()));
    auto db = New<DBServer>(path, Usual(false));
    for (int i = 1; i <= records; ++i) {
      db->Append();
      db->FieldPut("ID", i);
      db->FieldPut("NAME", "N" + std::to_string(i));
      db->FieldPut("AGE", (i * 7) % 50);
    }
    db->GoTop();
    return db;
  }

  // Rows of 20 px, 10 of them in the data area; columns of 100 px.
  void Bind(ServerKind kind, int records = 50, Array columns = Array{"ID", "NAME", "AGE"}, int width = 310) {
    server = MakeServer(kind, records);
    grid->RowHeight(20);
    grid->CaptionHeight(24);
    grid->VerticalScrollBarMode(Symbol("None"));
    grid->HorizontalScrollBarMode(Symbol("None"));
    grid->setGeometry(0, 0, width, 24 + 200);
    ASSERT_TRUE(grid->Use(Usual(server), Usual(columns)));
    for (const auto& c : grid->ColumnList()) c->Width(100);
    grid->Recalculate();
    grid->Redraw();
  }

  static bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 400 && !done(); ++i) QTest::qWait(5);
    return done();
  }
  // Shows the dialog and gives the grid the focus.
  void Activate() {
    dialog->show();
    dialog->activateWindow();
    QApplication::setActiveWindow(dialog.get());
    ASSERT_TRUE(WaitFor([&] { return dialog->isActiveWindow(); }));
    grid->setFocus();
    ASSERT_TRUE(WaitFor([&] { return grid->hasFocus(); }));
    QApplication::processEvents();
    owner->calls.clear();
  }
  // A real key press and release to whichever widget has the focus.
  static void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr) << "no widget has the focus";
    QTest::keyClick(focus, key, modifiers);
  }
  static void Type(char c, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr) << "no widget has the focus";
    QTest::keyClick(focus, c, modifiers);
  }
  // Puts the cursor on a record and column from code.
  void Place(std::int64_t recNo, int column) {
    server->GoTo(recNo);
    grid->CurrentColumn(column);
    ASSERT_EQ(grid->CurrentRecNo(), recNo);
    ASSERT_EQ(grid->CurrentColumn(), column);
  }
  Usual Send(const char* name, std::initializer_list<Usual> args = {}) {
    const std::vector<Usual> a(args);
    return grid->Send(Symbol(name), Args(a.data(), a.size()));
  }
};

}  // namespace kt::test
