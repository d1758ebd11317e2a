// Window hooks: objects see a window's events first and may take them; the
// grid hooks its owner window for its lifetime, and closes or cancels an
// open editor when it is destroyed.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <stdexcept>

#include "grid/window_hooks.h"
#include "mouse_fixture.h"

namespace kt::test {
namespace {

const QEvent::Type kProbe = QEvent::Type(QEvent::registerEventType());

// A window that counts the probe events it gets.
class ProbeWindow : public QWidget {
 public:
  int probes = 0;
  bool event(QEvent* e) override {
    if (e->type() == kProbe) ++probes;
    return QWidget::event(e);
  }
};

// A hook object: records the probes it is offered and answers `answer`;
// `onHook` runs inside the hook.
class Hooker : public Object {
 public:
  std::string name;
  Usual answer;
  std::vector<std::string>* log = nullptr;
  std::function<void()> onHook;
  const ClassInfo& Class() const override {
    static ClassInfo info("GridTestHooker", &Object::StaticClass());
    static bool once = [] {
      info.Method<Hooker>("Hook", [](Hooker& h, Args a) {
        auto* e = a.empty() ? nullptr : dynamic_cast<WindowHookEvent*>(a[0].AsObject());
        if (!e || e->Message() != int(kProbe)) return Usual();
        if (h.log) h.log->push_back(h.name);
        if (h.onHook) h.onHook();
        return h.answer;
      });
      return true;
    }();
    (void)once;
    return info;
  }
};

void Probe(QWidget* w) {
  QEvent e(kProbe);
  QCoreApplication::sendEvent(w, &e);
}

TEST(WindowHooksTest, HooksSeeEventsFirstAndMayTakeThem) {
  ProbeWindow window;
  std::vector<std::string> log;
  Hooker a, b;
  a.name = "a";
  b.name = "b";
  a.log = b.log = &log;
  ASSERT_TRUE(hooks::Register(&window, &a, Symbol("Hook")));
  ASSERT_TRUE(hooks::Register(&window, &b, Symbol("Hook")));
  ASSERT_TRUE(hooks::Register(&window, &a, Symbol("Hook")));  // once only
  EXPECT_EQ(hooks::Count(&window), 2);
  Probe(&window);
  EXPECT_EQ(log, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(window.probes, 1) << "NIL answers leave the event to the window";
  // A non-NIL answer takes it: later hooks and the window never see it.
  a.answer = Usual(0);
  Probe(&window);
  EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "a"}));
  EXPECT_EQ(window.probes, 1);
  hooks::Unregister(&a);
  Probe(&window);
  EXPECT_EQ(log.back(), "b");
  EXPECT_EQ(window.probes, 2);
  hooks::Unregister(&b);
  EXPECT_EQ(hooks::Count(&window), 0);
  Probe(&window);
  EXPECT_EQ(window.probes, 3);
  EXPECT_FALSE(hooks::Register(nullptr, &a, Symbol("Hook")));
}

TEST(WindowHooksTest, UnregisteringRemovesEveryHookOfTheObjectAlsoFromInsideAHook) {
  ProbeWindow one, two;
  Hooker a, b;
  hooks::Register(&one, &a, Symbol("Hook"));
  hooks::Register(&two, &a, Symbol("Hook"));
  hooks::Register(&one, &b, Symbol("Hook"));
  EXPECT_EQ(hooks::CountOf(&a), 2);
  std::vector<std::string> log;
  a.name = "a";
  b.name = "b";
  a.log = b.log = &log;
  // a drops all its hooks and b's while it runs: b is not offered the event.
  a.onHook = [&] {
    hooks::Unregister(&a);
    hooks::Unregister(&b);
  };
  Probe(&one);
  EXPECT_EQ(log, std::vector<std::string>{"a"});
  EXPECT_EQ(one.probes, 1);
  EXPECT_EQ(hooks::CountOf(&a), 0);
  Probe(&two);
  EXPECT_EQ(two.probes, 1);
}

TEST(WindowHooksTest, HooksGoWithTheirWindowAndSkipObjectsThatAreGone) {
  auto a = New<Hooker>();
  {
    ProbeWindow window;
    hooks::Register(&window, a.get(), Symbol("Hook"));
    EXPECT_EQ(hooks::CountOf(a.get()), 1);
  }
  EXPECT_EQ(hooks::CountOf(a.get()), 0);
  ProbeWindow window;
  {
    auto gone = New<Hooker>();
    gone->answer = Usual(true);
    hooks::Register(&window, gone.get(), Symbol("Hook"));
  }
  Probe(&window);
  EXPECT_EQ(window.probes, 1);
}

TEST(WindowHooksTest, AnEditableComboBoxIsHookedWithItsEditLine) {
  QComboBox combo;
  combo.setEditable(true);
  Hooker a;
  std::vector<std::string> log;
  a.name = "a";
  a.log = &log;
  hooks::Register(&combo, &a, Symbol("Hook"));
  Probe(combo.lineEdit());
  EXPECT_EQ(log.size(), 1u);
  hooks::Unregister(&a);
  EXPECT_EQ(hooks::Count(combo.lineEdit()), 0);
}

// A hook naming a method its object does not have is refused when it is
// registered, not reported again on every event of the window.
TEST(WindowHooksTest, AHookWithoutItsMethodIsRefused) {
  ScopedRuntime runtime;
  std::vector<ErrorRef> errors;
  Runtime::SetErrorBlock([&](const ErrorRef& e) {
    errors.push_back(e);
    return Usual();
  });
  ProbeWindow window;
  Hooker h;
  EXPECT_FALSE(hooks::Register(&window, &h, Symbol("NoSuchMethod")));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0]->GenCode, gen::Arg);
  EXPECT_EQ(hooks::Count(&window), 0);
  for (int i = 0; i < 5; ++i) Probe(&window);
  EXPECT_EQ(window.probes, 5);
  EXPECT_EQ(errors.size(), 1u);
  // Its real method is taken.
  EXPECT_TRUE(hooks::Register(&window, &h, Symbol("Hook")));
  EXPECT_EQ(hooks::Count(&window), 1);
  hooks::Unregister(&h);
  Runtime::SetErrorBlock(nullptr);
}

using GridHooksTest = MouseFixture;

TEST_F(GridHooksTest, TheGridHooksItsOwnerForItsLifetime) {
  EXPECT_EQ(hooks::CountOf(grid), 1);
  EXPECT_EQ(hooks::Count(owner.get()), 1);
  auto* second = new kTable(owner.get());
  EXPECT_EQ(hooks::Count(owner.get()), 2);
  delete second;
  EXPECT_EQ(hooks::Count(owner.get()), 1);
  // Without an owner object there is nothing to hook.
  QWidget plain;
  auto* orphan = new kTable(&plain);
  EXPECT_EQ(hooks::CountOf(orphan), 0);
  delete orphan;
}

TEST_F(GridHooksTest, DestructionClosesAnOpenEditorOrCancelsIt) {
  Bind();
  grid->inEdit = true;
  grid->Destruct();
  EXPECT_EQ(grid->closes, 1);
  EXPECT_EQ(grid->cancels, 0);
  EXPECT_EQ(hooks::CountOf(grid), 0);
  Bind();
  grid->inEdit = true;
  grid->closeOk = false;
  grid->Destruct();
  EXPECT_EQ(grid->closes, 2);
  EXPECT_EQ(grid->cancels, 1);
  EXPECT_FALSE(grid->inEdit);
  grid->Destruct();  // no editor: neither
  EXPECT_EQ(grid->closes, 2);
  // A failing close is reported, never thrown out of the destruction.
  std::vector<ErrorRef> errors;
  Runtime::SetErrorBlock([&](const ErrorRef& e) {
    errors.push_back(e);
    return Usual();
  });
  Bind();
  grid->inEdit = true;
  grid->closeOk = true;
  grid->onClose = [] { throw std::runtime_error("cannot write"); };
  grid->Destruct();
  EXPECT_EQ(grid->cancels, 2);
  EXPECT_EQ(errors.size(), 1u);
  EXPECT_EQ(hooks::CountOf(grid), 0);
}

}  // namespace
}  // namespace kt::test
