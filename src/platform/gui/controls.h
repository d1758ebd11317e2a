#pragma once
// The edit controls a window places on itself: single-line, multi-line and
// rich-text edits, check box, combo box, push button and date picker. Each
// is a Qt widget that also takes part in late binding and speaks one value
// protocol (Control): the value it holds, its text, the commit of typed text
// into the value (Update), and the validation of that value against the
// control's FieldSpec (PerformValidations, with the reason in Status).
//
// Like every window, a control belongs to its Qt parent: usual values and
// references that hold it do not keep it alive.
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/fieldspec.h"
#include "platform/db/hyperlabel.h"
#include "platform/gui/brush.h"
#include "platform/gui/color.h"
#include "platform/runtime/array.h"
#include "platform/runtime/object.h"

namespace kt {

class Control : public Object {
 public:
  // What a control is, for the rules that differ by kind (which keys it
  // keeps, how its value is written back).
  enum class Kind { Edit, MultiLineEdit, RichEdit, CheckBox, ComboBox, PushButton, DateTimePicker, Other };

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  virtual QWidget* Widget() = 0;
  const QWidget* Widget() const { return const_cast<Control*>(this)->Widget(); }
  virtual Kind ControlKind() const { return Kind::Other; }
  // Edit-type controls: their text can be selected and a caret placed.
  bool IsEditKind() const { return ControlKind() == Kind::Edit || ControlKind() == Kind::MultiLineEdit ||
                                   ControlKind() == Kind::RichEdit; }
  // Check boxes and push buttons: arrow keys leave them.
  bool IsButtonKind() const { return ControlKind() == Kind::CheckBox || ControlKind() == Kind::PushButton; }

  // The value the control holds (after the last Update for edits).
  virtual Usual Value() { return value_; }
  // Shows `value`; its type becomes the type typed text is read as.
  virtual void Value(const Usual& value) { value_ = value; }
  // The text as shown.
  virtual std::string TextValue() { return std::string(); }
  virtual void TextValue(std::string_view /*text*/) {}
  // Commits the typed text into Value (text read by the value's type, or
  // by the FieldSpec's). Text that cannot be read leaves Value as it was
  // and marks the control invalid until the next Update or Value assign.
  virtual void Update() {}
  // TRUE when the typed value can be taken: it could be read, and it
  // passes the FieldSpec's rules. Otherwise Status tells why (it stays null
  // when the text could not be read at all).
  virtual bool PerformValidations();
  const Ref<HyperLabel>& Status() const { return status_; }
  // Typed into since the last Value assign.
  virtual bool Modified() const { return false; }
  virtual void Modified(bool /*modified*/) {}
  // Type, length and picture the typed text is read and checked by.
  const Ref<kt::FieldSpec>& FieldSpec() const { return fieldSpec_; }
  void FieldSpec(Ref<kt::FieldSpec> spec) { fieldSpec_ = std::move(spec); }
  // The picture (template) of the FieldSpec; empty without one.
  std::string Picture() const { return fieldSpec_ ? fieldSpec_->Picture() : std::string(); }
  // Colours for the control's palette (null: the style's).
  const Ref<Color>& TextColor() const { return textColor_; }
  void TextColor(Ref<Color> c);
  const Ref<Brush>& Background() const { return background_; }
  void Background(Ref<Brush> b);
  // Is `w` part of this control: the widget itself, a child, or a pop-up
  // it opened (a combo box's list, a date picker's calendar, a choice
  // window owned by the control)?
  virtual bool Owns(const QWidget* w) const;

 protected:
  // Sets Status (null clears it).
  void SetStatus(Ref<HyperLabel> status) { status_ = std::move(status); }
  // Applies TextColor and Background to the widget's palette.
  void ApplyColours();
  // The type typed text is read as: that of the last assigned value, else
  // the FieldSpec's, else "C".
  std::string ReadType() const;
  // Reads `text` by ReadType into `out`; FALSE (out unchanged) when the
  // text is not a value of that type.
  bool ReadText(std::string_view text, Usual& out) const;
  Usual value_;
  bool unreadable_ = false;  // the last Update could not read the text

 private:
  Ref<kt::FieldSpec> fieldSpec_;
  Ref<HyperLabel> status_;
  Ref<Color> textColor_;
  Ref<Brush> background_;
};

// A one-line edit.
class SingleLineEdit : public QLineEdit, public Control {
 public:
  explicit SingleLineEdit(QWidget* parent = nullptr);
  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();
  QWidget* Widget() override { return this; }
  Kind ControlKind() const override { return Kind::Edit; }
  void Value(const Usual& value) override;
  using Control::Value;
  std::string TextValue() override;
  void TextValue(std::string_view text) override;
  void Update() override;
  bool Modified() const override { return isModified(); }
  void Modified(bool modified) override { setModified(modified); }
};

// A multi-line edit (plain text). WantReturn: Enter makes a new line;
// WantTab: Tab is typed.
class MultiLineEdit : public QPlainTextEdit, public Control {
 public:
  explicit MultiLineEdit(QWidget* parent = nullptr);
  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();
  QWidget* Widget() override { return this; }
  Kind ControlKind() const override { return Kind::MultiLineEdit; }
  void Value(const Usual& value) override;
  using Control::Value;
  std::string TextValue() override;
  void TextValue(std::string_view text) override;
  void Update() override;
  bool Modified() const override;
  void Modified(bool modified) override;
  bool WantReturn() const { return wantReturn_; }
  void WantReturn(bool v) { wantReturn_ = v; }
  bool WantTab() const { return wantTab_; }
  void WantTab(bool v);

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  bool wantReturn_ = true;
  bool wantTab_ = false;
  bool crlf_ = false;  // the value's lines end in CR LF
};

// Rich text. The value is the column's text: a value starting with "<" is
// loaded as rich text (Qt's HTML), any other as plain text; once typed into,
// the value is the document as Qt HTML (Qt reads no RTF, and HTML keeps the
// formatting through a round trip). Untouched, the value stays as assigned.
class RichEdit : public QTextEdit, public Control {
 public:
  explicit RichEdit(QWidget* parent = nullptr);
  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();
  QWidget* Widget() override { return this; }
  Kind ControlKind() const override { return Kind::RichEdit; }
  Usual Value() override;
  void Value(const Usual& value) override;
  std::string TextValue() override;
  void TextValue(std::string_view text) override;
  void Update() override;
  bool Modified() const override;
  void Modified(bool modified) override;
};

// A check box: a logic value (TRUE checked). A number assigned checks it
// when not zero.
class CheckBox : public QCheckBox, public Control {
 public:
  explicit CheckBox(QWidget* parent = nullptr);
  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();
  QWidget* Widget() override { return this; }
  Kind ControlKind() const override { return Kind::CheckBox; }
  Usual Value() override;
  void Value(const Usual& value) override;
  std::string TextValue() override;
  bool Modified() const override { return modified_; }
  void Modified(bool modified) override { modified_ = modified; }

 protected:
  bool modified_ = false;
};

// A combo box: a list of {text, value} items, or an editable text.
class ComboBox : public QComboBox, public Control {
 public:
  explicit ComboBox(QWidget* parent = nullptr);
  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();
  QWidget* Widget() override { return this; }
  Kind ControlKind() const override { return Kind::ComboBox; }
  // Items from an array: each element a {text, value} pair, or a value
  // that is its own text.
  void FillUsing(const Array& items);
  // 1-based; 0 when no item is selected.
  int CurrentItemNo() const;
  void CurrentItemNo(int n);
  Usual GetItemValue(int n) const;
  std::string CurrentText() const;
  bool IsDroppedDown() const;
  void ShowDropDown(bool show);
  // The selected item's value; the text when no item is selected.
  Usual Value() override;
  // Selects the item holding `value` (or shows its text).
  void Value(const Usual& value) override;
  std::string TextValue() override { return CurrentText(); }
  void TextValue(std::string_view text) override;
  bool Modified() const override { return modified_; }
  void Modified(bool modified) override { modified_ = modified; }
  bool Owns(const QWidget* w) const override;

 private:
  bool modified_ = false;
  bool assigning_ = false;
  std::vector<Usual> itemValues_;  // parallel to the items
};

// A push button; its text is the value.
class PushButton : public QPushButton, public Control {
 public:
  explicit PushButton(QWidget* parent = nullptr);
  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();
  QWidget* Widget() override { return this; }
  Kind ControlKind() const override { return Kind::PushButton; }
  Usual Value() override;
  void Value(const Usual& value) override;
  std::string TextValue() override;
  void TextValue(std::string_view text) override;
};

// A date (and optionally time) with a drop-down calendar.
class DateTimePicker : public QDateEdit, public Control {
 public:
  explicit DateTimePicker(QWidget* parent = nullptr);
  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();
  QWidget* Widget() override { return this; }
  Kind ControlKind() const override { return Kind::DateTimePicker; }
  Usual SelectedDate() const;
  void SelectedDate(const Usual& date);
  // The time as "hh:mm:ss".
  std::string SelectedTime() const;
  bool ShowsTime() const { return showsTime_; }
  void ShowsTime(bool v);
  // The open calendar pop-up, null when closed.
  QWidget* MonthCalendar() const;
  Usual Value() override { return SelectedDate(); }
  void Value(const Usual& value) override { SelectedDate(value); }
  std::string TextValue() override;
  bool Modified() const override { return modified_; }
  void Modified(bool modified) override { modified_ = modified; }
  bool Owns(const QWidget* w) const override;

 private:
  bool showsTime_ = false;
  bool modified_ = false;
  bool assigning_ = false;
};

// The control object of a widget: the widget itself when it is a Control,
// else null.
Control* ControlOf(QWidget* widget);

}  // namespace kt
