#include "platform/gui/window.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QPointer>

#include "platform/gui/menu.h"

namespace kt {

Window::Window(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {
  // A reference of the window itself: no Ref ever adopts or deletes it.
  AddRef();
}

Window::~Window() = default;

bool Window::event(QEvent* e) {
  if (e->type() == MenuCommandQEvent::EventType()) {
    const Ref<MenuCommandEvent> command = static_cast<MenuCommandQEvent*>(e)->Command();
    GuardedCall([&] {
      if (!HasMethod(Symbol("MenuCommand"))) return;
      const Usual a[] = {Usual(command)};
      Send(Symbol("MenuCommand"), a);
    });
    return true;
  }
  bool handled = false;
  if (!GuardedCall([&] { handled = QWidget::event(e); })) return true;
  return handled;
}

std::string Window::Caption() const { return windowTitle().toStdString(); }
void Window::Caption(std::string_view caption) {
  setWindowTitle(QString::fromUtf8(caption.data(), qsizetype(caption.size())));
}

Ref<Point> Window::Origin() const { return New<Point>(x(), y()); }
void Window::Origin(const Point& origin) { move(origin.X, origin.Y); }
Ref<Dimension> Window::Size() const { return New<Dimension>(width(), height()); }
void Window::Size(const Dimension& size) { resize(size.Width < 0 ? 0 : size.Width, size.Height < 0 ? 0 : size.Height); }

Usual Window::Dispatch(const Ref<Object>&) { return NIL; }

Window* Window::OwnerWindow() const {
  for (QWidget* p = parentWidget(); p; p = p->parentWidget())
    if (auto* w = dynamic_cast<Window*>(p)) return w;
  return nullptr;
}

const ClassInfo& Window::StaticClass() {
  static ClassInfo info("Window", &Object::StaticClass());
  static const bool registered = [] {
    info.Access<Window>("Caption", [](Window& w) { return Usual(w.Caption()); });
    info.Assign<Window>("Caption", [](Window& w, const Usual& v) { w.Caption(v.AsStringView()); });
    info.Access<Window>("Origin", [](Window& w) { return Usual(w.Origin()); });
    info.Access<Window>("Size", [](Window& w) { return Usual(w.Size()); });
    info.Access<Window>("Owner", [](Window& w) { return Usual(static_cast<Object*>(w.OwnerWindow())); });
    info.Method<Window>("Show", [](Window& w, Args) {
      w.show();
      return Usual();
    });
    info.Method<Window>("Hide", [](Window& w, Args) {
      w.hide();
      return Usual();
    });
    info.Method<Window>("Dispatch", [](Window& w, Args a) {
      Ref<Object> event(a.empty() || !a[0].IsObject() ? nullptr : a[0].AsObject());
      return w.Dispatch(event);
    });
    info.Access<Window>("ContextMenu", [](Window& w) { return w.ContextMenu(); });
    info.Assign<Window>("ContextMenu", [](Window& w, const Usual& v) { w.ContextMenu(v); });
    return true;
  }();
  (void)registered;
  return info;
}

CustomControl::CustomControl(QWidget* owner, int controlId) : Window(owner), controlId_(controlId) {}
CustomControl::~CustomControl() = default;

const ClassInfo& CustomControl::StaticClass() {
  static ClassInfo info("CustomControl", &Window::StaticClass());
  static const bool registered = [] {
    info.Access<CustomControl>("ControlID", [](CustomControl& c) { return Usual(c.ControlID()); });
    return true;
  }();
  (void)registered;
  return info;
}

DataWindow::DataWindow(QWidget* parent) : Window(parent) {}
DataWindow::~DataWindow() = default;

const ClassInfo& DataWindow::StaticClass() {
  static ClassInfo info("DataWindow", &Window::StaticClass());
  static const bool registered = [] {
    info.Access<DataWindow>("Server", [](DataWindow& w) { return w.Server(); });
    info.Method<DataWindow>("Use", [](DataWindow& w, Args a) {
      w.Use(a.empty() ? NIL : a[0]);
      return Usual();
    });
    return true;
  }();
  (void)registered;
  return info;
}

DialogWindow::DialogWindow(QWidget* parent) : Window(parent, Qt::Dialog) {}

DialogWindow::~DialogWindow() {
  if (loop_) loop_->exit(0);
}

int DialogWindow::ShowModal() {
  if (loop_) return 0;  // already running
  result_ = 0;
  setWindowModality(Qt::ApplicationModal);
  show();
  QEventLoop loop;
  loop_ = &loop;
  const QPointer<QWidget> alive(this);
  const int rc = loop.exec(QEventLoop::DialogExec);
  if (!alive) return rc;  // destroyed while it ran
  loop_ = nullptr;
  hide();
  return result_;
}

void DialogWindow::EndDialog(int result) {
  result_ = result;
  if (loop_) loop_->exit(result);
  else hide();
}

void DialogWindow::closeEvent(QCloseEvent* e) {
  if (loop_) loop_->exit(result_);
  QWidget::closeEvent(e);
}

const ClassInfo& DialogWindow::StaticClass() {
  static ClassInfo info("DialogWindow", &Window::StaticClass());
  static const bool registered = [] {
    info.Method<DialogWindow>("EndDialog", [](DialogWindow& d, Args a) {
      d.EndDialog(a.empty() ? 0 : int(a[0].AsInteger()));
      return Usual();
    });
    info.Access<DialogWindow>("Result", [](DialogWindow& d) { return Usual(d.Result()); });
    return true;
  }();
  (void)registered;
  return info;
}

}  // namespace kt
