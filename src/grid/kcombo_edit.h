#pragma once
// kComboEdit: a single-line edit with a drop-down button at its right edge
// (the width of a vertical scroll bar). Pressing the button opens its
// Choice, a kComboEditChoice window; when the choice closes with OK the
// edit takes the choice's Value, and the focus comes back to the edit.
#include <QPointer>

#include "platform/gui/controls.h"
#include "platform/gui/window.h"

namespace kt {

class kComboEditChoice;

class kComboEdit : public SingleLineEdit {
 public:
  explicit kComboEdit(QWidget* parent = nullptr);
  ~kComboEdit() override;
  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  // The window opened by the button (null: the button opens nothing).
  kComboEditChoice* Choice() const { return choice_; }
  void Choice(kComboEditChoice* choice);
  // Opens the choice below the edit.
  void OnChoiceOpen();
  // The choice ended: the focus returns to the edit, which takes the
  // choice's Value when `ok`.
  void OnChoiceClose(bool ok);
  // The button's rectangle in the edit's coordinates.
  QRect GetButtonArea() const;
  // The button's width: that of a vertical scroll bar.
  int ButtonWidth() const;
  bool Owns(const QWidget* w) const override;

 protected:
  void DoDrawButton(QPainter& painter);
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  QPointer<kComboEditChoice> choice_;
  bool buttonDown_ = false;  // drawn pressed while the choice is open
};

// The drop-down of a kComboEdit: a dialog whose controls pick a Value.
// DoClose(TRUE) hands the value to the owner edit and closes; losing the
// activation closes it without a value (Deactivate). Enter and Escape in
// the window close it with and without the value; the window's own
// controls close it through DoClose.
class kComboEditChoice : public DialogWindow {
 public:
  explicit kComboEditChoice(QWidget* parent = nullptr);
  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  kComboEdit* Owner() const { return owner_; }
  void Owner(kComboEdit* owner) { owner_ = owner; }
  const Usual& Value() const { return value_; }
  void Value(const Usual& value) { value_ = value; }
  virtual void DoClose(bool ok);
  virtual void Deactivate();

 protected:
  bool event(QEvent* e) override;

 private:
  QPointer<kComboEdit> owner_;
  Usual value_;
  bool closing_ = false;
};

}  // namespace kt
