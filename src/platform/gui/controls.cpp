// The value protocol shared by every control, and the plain controls.
#include "platform/gui/controls.h"

#include "platform/gui/brush.h"
#include "platform/gui/color.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/text.h"

namespace kt {

const ClassInfo& Control::StaticClass() {
  static ClassInfo info("Control", &Object::StaticClass());
  return info;
}

bool Control::PerformValidations() {
  SetStatus(nullptr);
  if (unreadable_) return false;
  if (fieldSpec_ && !fieldSpec_->Validate(Value())) {
    SetStatus(fieldSpec_->Status());
    return false;
  }
  return true;
}

void Control::TextColor(Ref<Color> c) {
  textColor_ = std::move(c);
  ApplyColours();
}

void Control::Background(Ref<Brush> b) {
  background_ = std::move(b);
  ApplyColours();
}

void Control::ApplyColours() {}

bool Control::Owns(const QWidget* w) const {
  for (const QWidget* p = w; p; p = p->parentWidget())
    if (p == Widget()) return true;
  return false;
}

Control* ControlOf(QWidget* widget) { return dynamic_cast<Control*>(widget); }

// ---------------------------------------------------------------------------
// SingleLineEdit

SingleLineEdit::SingleLineEdit(QWidget* parent) : QLineEdit(parent) {}

const ClassInfo& SingleLineEdit::StaticClass() {
  static ClassInfo info("SingleLineEdit", &Control::StaticClass());
  return info;
}

void SingleLineEdit::Value(const Usual& value) {
  value_ = value;
  unreadable_ = false;
  std::string text;
  if (value.IsString()) text = std::string(text::TrimRight(value.AsStringView()));
  else if (value.IsDate()) text = DToC(value.AsDate());
  else if (!value.IsNil()) text = AsString(value);
  setText(QString::fromStdString(text));
  setModified(false);
}

std::string SingleLineEdit::TextValue() { return text().toStdString(); }

void SingleLineEdit::TextValue(std::string_view t) {
  setText(QString::fromUtf8(t.data(), qsizetype(t.size())));
  Update();
}

void SingleLineEdit::Update() {
  const std::string t = TextValue();
  unreadable_ = false;
  if (value_.IsDate()) {
    bool ok = true;
    const Date d = CToD(t, &ok);
    if (!ok) unreadable_ = true;
    else value_ = Usual(d);
  } else if (value_.IsNumeric()) {
    value_ = Val(t);
  } else {
    value_ = Usual(t);
  }
}

// ---------------------------------------------------------------------------
// The other controls: to be completed.

MultiLineEdit::MultiLineEdit(QWidget* parent) : QPlainTextEdit(parent) {}
const ClassInfo& MultiLineEdit::StaticClass() {
  static ClassInfo info("MultiLineEdit", &Control::StaticClass());
  return info;
}
void MultiLineEdit::Value(const Usual& value) { value_ = value; }
std::string MultiLineEdit::TextValue() { return toPlainText().toStdString(); }
void MultiLineEdit::TextValue(std::string_view) {}
void MultiLineEdit::Update() { value_ = Usual(TextValue()); }
bool MultiLineEdit::Modified() const { return false; }
void MultiLineEdit::Modified(bool) {}
void MultiLineEdit::WantTab(bool v) { wantTab_ = v; }

RichEdit::RichEdit(QWidget* parent) : QTextEdit(parent) {}
const ClassInfo& RichEdit::StaticClass() {
  static ClassInfo info("RichEdit", &Control::StaticClass());
  return info;
}
Usual RichEdit::Value() { return value_; }
void RichEdit::Value(const Usual& value) { value_ = value; }
std::string RichEdit::TextValue() { return toPlainText().toStdString(); }
void RichEdit::TextValue(std::string_view) {}
void RichEdit::Update() {}
bool RichEdit::Modified() const { return false; }
void RichEdit::Modified(bool) {}

CheckBox::CheckBox(QWidget* parent) : QCheckBox(parent) {}
const ClassInfo& CheckBox::StaticClass() {
  static ClassInfo info("CheckBox", &Control::StaticClass());
  return info;
}
Usual CheckBox::Value() { return Usual(isChecked()); }
void CheckBox::Value(const Usual& value) { setChecked(value.IsLogic() && value.AsLogic()); }
std::string CheckBox::TextValue() { return isChecked() ? ".T." : ".F."; }

ComboBox::ComboBox(QWidget* parent) : QComboBox(parent) {}
const ClassInfo& ComboBox::StaticClass() {
  static ClassInfo info("ComboBox", &Control::StaticClass());
  return info;
}
void ComboBox::FillUsing(const Array&) {}
int ComboBox::CurrentItemNo() const { return currentIndex() + 1; }
void ComboBox::CurrentItemNo(int n) { setCurrentIndex(n - 1); }
Usual ComboBox::GetItemValue(int) const { return Usual(); }
std::string ComboBox::CurrentText() const { return currentText().toStdString(); }
bool ComboBox::IsDroppedDown() const { return false; }
void ComboBox::ShowDropDown(bool) {}
Usual ComboBox::Value() { return value_; }
void ComboBox::Value(const Usual& value) { value_ = value; }
void ComboBox::TextValue(std::string_view) {}

PushButton::PushButton(QWidget* parent) : QPushButton(parent) {}
const ClassInfo& PushButton::StaticClass() {
  static ClassInfo info("PushButton", &Control::StaticClass());
  return info;
}
Usual PushButton::Value() { return Usual(TextValue()); }
void PushButton::Value(const Usual& value) { TextValue(AsString(value)); }
std::string PushButton::TextValue() { return text().toStdString(); }
void PushButton::TextValue(std::string_view t) { setText(QString::fromUtf8(t.data(), qsizetype(t.size()))); }

DateTimePicker::DateTimePicker(QWidget* parent) : QDateEdit(parent) {}
const ClassInfo& DateTimePicker::StaticClass() {
  static ClassInfo info("DateTimePicker", &Control::StaticClass());
  return info;
}
Usual DateTimePicker::SelectedDate() const { return Usual(); }
void DateTimePicker::SelectedDate(const Usual&) {}
std::string DateTimePicker::SelectedTime() const { return std::string(); }
void DateTimePicker::ShowsTime(bool v) { showsTime_ = v; }
QWidget* DateTimePicker::MonthCalendar() const { return nullptr; }
std::string DateTimePicker::TextValue() { return text().toStdString(); }
bool DateTimePicker::Owns(const QWidget* w) const { return Control::Owns(w); }

}  // namespace kt
