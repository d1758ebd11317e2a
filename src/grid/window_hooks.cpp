#include "grid/window_hooks.h"

#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QWidget>
#include <algorithm>
#include <vector>

#include "platform/gui/guard.h"
#include "platform/gui/window.h"

namespace kt {
namespace {

struct Hook {
  WeakRef<Object> object;
  const Object* key;  // identity, also once the object is gone
  Symbol method;
};

// The event filter of one window; a child of the window, so it goes with it.
class HookFilter : public QObject {
 public:
  explicit HookFilter(QWidget* window);
  ~HookFilter() override;

  QWidget* Window() const { return window_; }
  std::vector<Hook> hooks;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* window_;
};

std::vector<HookFilter*>& Filters() {
  static std::vector<HookFilter*> filters;
  return filters;
}

HookFilter* FilterOf(const QWidget* window) {
  for (HookFilter* f : Filters())
    if (f->Window() == window) return f;
  return nullptr;
}

HookFilter::HookFilter(QWidget* window) : QObject(window), window_(window) {
  Filters().push_back(this);
  window->installEventFilter(this);
}

HookFilter::~HookFilter() { std::erase(Filters(), this); }

bool HookFilter::eventFilter(QObject* watched, QEvent* event) {
  if (hooks.empty()) return false;
  // A hook may register or unregister hooks while it runs.
  const std::vector<Hook> snapshot = hooks;
  const QPointer<HookFilter> alive(this);
  Ref<WindowHookEvent> wrapped;
  for (const Hook& h : snapshot) {
    if (!alive) break;
    const bool still = std::any_of(hooks.begin(), hooks.end(),
                                   [&](const Hook& o) { return o.key == h.key && o.method == h.method; });
    if (!still) continue;
    Ref<Object> target = h.object.Lock();
    if (!target) continue;
    if (!wrapped) wrapped = New<WindowHookEvent>(watched, event);
    Usual answer;
    GuardedCall([&] {
      const Usual a[] = {Usual(wrapped)};
      answer = target->Send(h.method, a);
    });
    if (!answer.IsNil()) {
      wrapped->Detach();
      return true;
    }
  }
  if (wrapped) wrapped->Detach();
  return false;
}

bool RegisterOne(QWidget* window, Object* object, Symbol method) {
  HookFilter* f = FilterOf(window);
  if (!f) f = new HookFilter(window);
  for (const Hook& h : f->hooks)
    if (h.key == object && h.method == method) return true;
  f->hooks.push_back({WeakRef<Object>(object), object, method});
  return true;
}

}  // namespace

int WindowHookEvent::Message() const { return event_ ? int(event_->type()) : 0; }

const ClassInfo& WindowHookEvent::StaticClass() {
  static ClassInfo info("WindowHookEvent", &Object::StaticClass());
  static const bool registered = [] {
    using E = WindowHookEvent;
    info.Access<E>("Message", [](E& e) { return Usual(e.Message()); });
    info.Access<E>("Window", [](E& e) { return Usual(static_cast<Object*>(dynamic_cast<kt::Window*>(e.Target()))); });
    return true;
  }();
  (void)registered;
  return info;
}

namespace hooks {

bool Register(QWidget* window, Object* object, Symbol method) {
  if (!window || !object) return false;
  // Refused here, or every event of the window would report it again.
  if (!method || !object->HasMethod(method)) {
    RaiseError(gen::Arg, "WindowHook:Register",
               "The hook object has no method " + std::string(method ? method.Name() : "(none)"));
    return false;
  }
  RegisterOne(window, object, method);
  // Keys typed into an editable combo box reach its edit line, not the box.
  if (auto* combo = qobject_cast<QComboBox*>(window); combo && combo->lineEdit())
    RegisterOne(combo->lineEdit(), object, method);
  return true;
}

void Unregister(const Object* object, const QWidget* window) {
  if (!object) return;
  const std::vector<HookFilter*> filters = Filters();
  for (HookFilter* f : filters) {
    if (window && f->Window() != window) continue;
    std::erase_if(f->hooks, [&](const Hook& h) { return h.key == object; });
    if (f->hooks.empty()) {
      f->Window()->removeEventFilter(f);
      std::erase(Filters(), f);
      // It may be the filter running right now.
      f->deleteLater();
    }
  }
}

int Count(const QWidget* window) {
  const HookFilter* f = FilterOf(window);
  return f ? int(f->hooks.size()) : 0;
}

int CountOf(const Object* object) {
  int n = 0;
  for (const HookFilter* f : Filters())
    n += int(std::count_if(f->hooks.begin(), f->hooks.end(), [&](const Hook& h) { return h.key == object; }));
  return n;
}

}  // namespace hooks
}  // namespace kt
