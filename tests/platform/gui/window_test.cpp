#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTimer>

#include "platform/gui/dialogs.h"
#include "platform/gui/error_log.h"
#include "platform/gui/window.h"

namespace kt {
namespace {

TEST(Window, PropertiesAndOwner) {
  DataWindow shell;
  shell.Caption("Kunden");
  shell.Size(Dimension(400, 300));
  EXPECT_EQ(shell.Caption(), "Kunden");
  EXPECT_EQ(shell.Size()->Width, 400);
  EXPECT_EQ(shell.Access("Caption"), Usual("Kunden"));

  auto* control = new CustomControl(&shell, 17);  // owned by the window
  EXPECT_EQ(control->ControlID(), 17);
  EXPECT_EQ(control->Owner(), static_cast<Object*>(&shell));
  control->Origin(Point(5, 6));
  EXPECT_EQ(control->Origin()->X, 5);
  EXPECT_EQ(control->OwnerWindow(), &shell);
  EXPECT_EQ(shell.OwnerWindow(), nullptr);
}

TEST(Window, ReferencesNeverDeleteAWidget) {
  DataWindow shell;
  auto* control = new CustomControl(&shell, 1);
  {
    Ref<CustomControl> ref(control);
    Usual u(static_cast<Object*>(control));
    Ref<Object> another(static_cast<Object*>(control));
  }
  // Still alive and owned by its parent; the parent deletes it.
  EXPECT_EQ(control->parentWidget(), &shell);
  EXPECT_EQ(control->ControlID(), 1);
}

// A control whose mouse handler fails with a runtime error.
class FailingControl : public CustomControl {
 protected:
  void mousePressEvent(QMouseEvent*) override { RaiseError(gen::Arg, "MouseDown", "failed in a handler"); }
};

TEST(Window, ErrorsInEventHandlersGoToTheErrorBlock) {
  FailingControl control;
  ScopedRuntime rt;
  Runtime::SetErrorBlock(nullptr);  // Raise throws: the handler must not let it escape
  std::vector<ErrorRef> reported;
  {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&control, &press);  // no error block: reported nowhere, but no crash
  }
  Runtime::SetErrorBlock([&](const ErrorRef& e) {
    reported.push_back(e);
    return Usual();
  });
  ErrorTrap trap;  // inside a trap Raise throws even with an error block
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(&control, &press);
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0]->Description, "failed in a handler");
}

TEST(DialogWindow, ShowModalReturnsTheEndDialogResult) {
  DialogWindow dialog;
  QTimer::singleShot(0, &dialog, [&] { dialog.EndDialog(7); });
  EXPECT_EQ(dialog.ShowModal(), 7);
  EXPECT_FALSE(dialog.IsRunning());
  EXPECT_FALSE(dialog.isVisible());
  QTimer::singleShot(0, &dialog, [&] { dialog.close(); });
  EXPECT_EQ(dialog.ShowModal(), 0) << "closed without EndDialog";
}

class ScriptedDialogs : public Dialogs {
 public:
  explicit ScriptedDialogs(std::vector<std::string>* log) : log_(log) {}
  void InfoBox(QWidget*, const std::string& caption, const std::string& text) override {
    log_->push_back("info " + caption + ": " + text);
  }
  void ErrorBox(QWidget*, const std::string& caption, const std::string& text) override {
    log_->push_back("error " + caption + ": " + text);
  }
  int TextBox(QWidget*, const std::string& caption, const std::string&, int type) override {
    log_->push_back("text " + caption + " " + std::to_string(type));
    return reply::No;
  }
  std::string OpenFile(QWidget*, const OpenFileRequest& r) override {
    log_->push_back("open " + r.filters.at(0).second);
    return "/data/TEST.DBF";
  }

 private:
  std::vector<std::string>* log_;
};

TEST(Dialogs, ReplacedServiceAnswersAndTheOldOneReturns) {
  Dialogs* before = &Dialogs::Current();
  std::vector<std::string> log;
  {
    ScopedDialogs scoped(std::make_unique<ScriptedDialogs>(&log));
    Dialogs& d = Dialogs::Current();
    d.InfoBox(nullptr, "Open database", "not found");
    EXPECT_EQ(d.MessageBox(nullptr, "Sure?", "Delete", box::YesNo | box::IconQuestion), reply::No);
    EXPECT_EQ(d.OpenFile(nullptr, {"Open", {{"Tables", "*.dbf"}}, "", ""}), "/data/TEST.DBF");
    {
      std::vector<std::string> inner;
      ScopedDialogs nested(std::make_unique<ScriptedDialogs>(&inner));
      Dialogs::Current().ErrorBox(nullptr, "E", "x");
      EXPECT_EQ(inner.size(), 1u);
    }
    Dialogs::Current().ErrorBox(nullptr, "Eingabefehler", "ungültig");
  }
  EXPECT_EQ(&Dialogs::Current(), before);
  EXPECT_NE(dynamic_cast<QtDialogs*>(&Dialogs::Current()), nullptr);
  const std::vector<std::string> expected = {"info Open database: not found", "text Delete 36", "open *.dbf",
                                             "error Eingabefehler: ungültig"};
  EXPECT_EQ(log, expected);
}

}  // namespace
}  // namespace kt
