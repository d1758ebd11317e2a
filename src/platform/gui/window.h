#pragma once
// Window: the base of every window of the library, a QWidget that also takes
// part in late binding (the grid calls its owner's notification methods by
// name). CustomControl is the base of controls that live in an owner window
// (kTable); DataWindow and DialogWindow are the bases of the application's
// data windows and modal dialogs.
//
// Handlers that can fail run their work through GuardedCall; event() guards
// every event as a last safety net, so no runtime error ever unwinds into
// Qt's event loop.
//
// Widgets belong to their Qt parent (or to whoever created a top-level one),
// never to references: a window put into a usual value or a Ref is not
// deleted by it, and references must not outlive the window.
#include <string>
#include <string_view>

#include <QWidget>

#include "platform/gui/geometry.h"
#include "platform/gui/guard.h"
#include "platform/runtime/error.h"

class QEventLoop;

namespace kt {

class Window : public QWidget, public Object {
 public:
  explicit Window(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
  ~Window() override;

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  std::string Caption() const;
  void Caption(std::string_view caption);
  Ref<Point> Origin() const;
  void Origin(const Point& origin);
  Ref<Dimension> Size() const;
  void Size(const Dimension& size);
  // The nearest parent that is a Window; null for a top-level window.
  Window* OwnerWindow() const;

  // Generic processing of a command event that no named method took (the
  // grid's notifications fall back to it); answers NIL by default.
  virtual Usual Dispatch(const Ref<Object>& event);
  // The window's own context menu (a Menu or NIL).
  const Usual& ContextMenu() const { return contextMenu_; }
  void ContextMenu(const Usual& menu) { contextMenu_ = menu; }

 protected:
  // Event handlers run guarded: see GuardedCall. A menu choice
  // (MenuCommandQEvent) goes to the late-bound MenuCommand method.
  bool event(QEvent* e) override;

 private:
  Usual contextMenu_;
};

class CustomControl : public Window {
 public:
  // A control of `owner` with the control identifier that notifications
  // to the owner carry.
  explicit CustomControl(QWidget* owner = nullptr, int controlId = 0);
  ~CustomControl() override;

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  int ControlID() const { return controlId_; }
  // The owner as a runtime object (the parent Window); null without one.
  Object* Owner() const { return OwnerWindow(); }

 private:
  int controlId_ = 0;
};

// A window that shows the data of a server.
class DataWindow : public Window {
 public:
  explicit DataWindow(QWidget* parent = nullptr);
  ~DataWindow() override;

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  const Usual& Server() const { return server_; }
  // Keeps a reference to the server; NIL releases it.
  virtual void Use(const Usual& server) { server_ = server; }

 private:
  Usual server_;
};

// A dialog: ShowModal runs a local event loop until EndDialog.
class DialogWindow : public Window {
 public:
  explicit DialogWindow(QWidget* parent = nullptr);
  ~DialogWindow() override;

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  // Shows the dialog application-modal and returns the EndDialog result
  // (0 when the dialog is closed otherwise).
  int ShowModal();
  void EndDialog(int result);
  int Result() const { return result_; }
  bool IsRunning() const { return loop_ != nullptr; }

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  int result_ = 0;
  QEventLoop* loop_ = nullptr;
};

}  // namespace kt
