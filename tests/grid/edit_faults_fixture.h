#pragma once
// What the refused-write tests share: a real grid (its own editor) in a
// shown dialog, message boxes recorded instead of shown, a table opened
// shared or read-only, and another process that holds a record lock.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "grid_fixture.h"
#include "platform/db/dbserver.h"
#include "platform/db/workareas.h"
#include "platform/gui/controls.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/error_log.h"
#include "platform/runtime/convert.h"

namespace kt::test {

struct ShownBox {
  std::string text, caption;
  int type = 0;
};

// Records every box; answers OK.
class BoxRecorder : public Dialogs {
 public:
  explicit BoxRecorder(std::vector<ShownBox>* boxes) : boxes_(boxes) {}
  void InfoBox(QWidget*, const std::string& caption, const std::string& text) override {
    boxes_->push_back({text, caption, 0});
  }
  void ErrorBox(QWidget*, const std::string& caption, const std::string& text) override {
    boxes_->push_back({text, caption, 0});
  }
  int TextBox(QWidget*, const std::string& caption, const std::string& text, int type) override {
    boxes_->push_back({text, caption, type});
    return 1;
  }
  std::string OpenFile(QWidget*, const OpenFileRequest&) override { return {}; }

 private:
  std::vector<ShownBox>* boxes_;
};

// Another process that opens the table shared and locks one record until
// it is let go (or 30 s have passed).
class LockHolder {
 public:
  LockHolder(const std::string& path, std::int64_t recNo) {
    int up[2], down[2];
    if (::pipe(up) != 0 || ::pipe(down) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::alarm(30);
      ::close(up[0]);
      ::close(down[1]);
      char ok = 'n';
      try {
        auto db = New<DBServer>(path, Usual(true));
        if (db->RLock(Usual(recNo))) ok = 'y';
      } catch (...) {
      }
      (void)!::write(up[1], &ok, 1);
      char c;
      (void)!::read(down[0], &c, 1);
      ::_exit(0);
    }
    ::close(up[1]);
    ::close(down[0]);
    release_ = down[1];
    char ok = 'n';
    if (pid_ > 0 && ::read(up[0], &ok, 1) == 1) locked_ = ok == 'y';
    ::close(up[0]);
  }
  ~LockHolder() {
    if (release_ >= 0) {
      (void)!::write(release_, "x", 1);
      ::close(release_);
    }
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  }
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;
  bool Locked() const { return locked_; }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool locked_ = false;
};

enum class TableMode { Exclusive, Shared, ReadOnly };

struct FaultsFixture {
  ErrorLog log;
  std::vector<ShownBox> boxes;
  ScopedDialogs scopedDialogs{std::make_unique<BoxRecorder>(&boxes)};
  std::unique_ptr<QDialog> dialog = std::make_unique<QDialog>();
  RecordingOwner* owner = nullptr;
  kTable* grid = nullptr;
  Ref<DataServer> server;
  std::filesystem::path dir;
  std::string path;

  FaultsFixture() {
    dialog->resize(700, 420);
    owner = new RecordingOwner();
    owner->setParent(dialog.get());
    owner->setGeometry(10, 10, 680, 400);
    grid = new kTable(owner);
  }
  ~FaultsFixture() {
    if (grid) grid->Use(NIL);
    dialog.reset();
    if (auto* db = dynamic_cast<DBServer*>(server.get())) db->Close();
    server = nullptr;
    if (!dir.empty()) {
      WorkAreas::Instance().CloseAll();
      std::filesystem::remove_all(dir);
    }
  }
  FaultsFixture(const FaultsFixture&) = delete;
  FaultsFixture& operator=(const FaultsFixture&) = delete;

  // {ID N 8, NAME C 10, AGE N 3}, ID = record number, NAME = "N" + ID.
  Ref<DataServer> MakeTable(int records, TableMode mode) {
    dir = std::filesystem::temp_directory_path() / ("ktable-faults-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    path = (dir / "faults.dbf").string();
    EXPECT_TRUE(DBServer::DBCreate(path, SmallStruct()));
    {
      auto db = New<DBServer>(path, Usual(false));
      for (int i = 1; i <= records; ++i) {
        db->Append();
        db->FieldPut("ID", i);
        db->FieldPut("NAME", "N" + std::to_string(i));
        db->FieldPut("AGE", (i * 7) % 50);
      }
      db->Close();
    }
    WorkAreas::Instance().CloseAll();
    auto db = New<DBServer>(path, Usual(mode == TableMode::Shared), Usual(mode == TableMode::ReadOnly));
    db->GoTop();
    return db;
  }
  Ref<DataServer> MakeArray(int records) {
    return New<kArrayServer>(SmallStruct(), Usual(SmallData(records)), Usual(1));
  }

  // Columns ID, NAME, AGE of 100 px, all editable; the dialog shown and the
  // grid focused.
  void Bind(const Ref<DataServer>& s) {
    server = s;
    grid->RowHeight(20);
    grid->CaptionHeight(24);
    grid->setGeometry(0, 0, 400, 300);
    ASSERT_TRUE(grid->Use(Usual(server), Usual(Array{"ID", "NAME", "AGE"})));
    grid->Editable(true);
    for (const auto& c : grid->ColumnList()) {
      c->Width(100);
      c->Editable(true);
    }
    dialog->show();
    dialog->activateWindow();
    QApplication::setActiveWindow(dialog.get());
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->isActiveWindow(); }, 2000));
    grid->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return grid->hasFocus(); }, 2000));
    owner->calls.clear();
  }

  // Opens the editor on a cell with Enter and types `text` over the
  // selected old value.
  void TypeInto(std::int64_t recNo, int column, const std::string& text) {
    server->GoTo(recNo);
    grid->CurrentColumn(column);
    ASSERT_EQ(grid->CurrentRecNo(), recNo);
    QTest::keyClick(grid, Qt::Key_Return);
    ASSERT_TRUE(grid->InEdit()) << "Enter opened no editor";
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClicks(focus, QString::fromStdString(text));
  }
  static void Press(Qt::Key key) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr) << "no widget has the focus";
    QTest::keyClick(focus, key);
    // The editor finishes a key after the event, as the event loop does.
    QCoreApplication::processEvents();
  }
  // The open editor's text (empty when none is open or it is no line edit).
  QString EditorText() const {
    Control* c = grid->EditControlObject();
    auto* edit = c ? qobject_cast<QLineEdit*>(c->Widget()) : nullptr;
    return edit ? edit->text() : QString();
  }
  std::string Field(std::int64_t recNo, const char* name) {
    const std::int64_t saved = server->RecNo();
    server->SuspendNotification();
    server->GoTo(recNo);
    const Usual v = server->FieldGet(name);
    server->GoTo(saved);
    server->ResetNotification();
    return AsString(v);
  }
};

}  // namespace kt::test
