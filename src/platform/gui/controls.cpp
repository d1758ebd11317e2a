// The value protocol shared by every control, and the plain controls.
#include "platform/gui/controls.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QPalette>

#include "platform/gui/brush.h"
#include "platform/gui/color.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/text.h"

namespace kt {

namespace {

QString ToQ(std::string_view t) { return QString::fromUtf8(t.data(), qsizetype(t.size())); }

// A number as typed: optional sign, digits with at most one decimal point.
// Thousands separators are dropped when the picture shows them.
bool ReadNumber(std::string_view text, bool thousands, Usual& out) {
  std::string t(text::Trim(text));
  if (thousands) std::erase(t, ',');
  if (t.empty()) {
    out = Usual(0);
    return true;
  }
  std::size_t i = 0;
  if (t[i] == '+' || t[i] == '-') ++i;
  bool digits = false, point = false;
  for (; i < t.size(); ++i) {
    const char c = t[i];
    if (c >= '0' && c <= '9') digits = true;
    else if ((c == '.' || c == ',') && !point) {
      point = true;
      t[i] = '.';
    } else return false;
  }
  if (!digits) return false;
  out = Val(t);
  return true;
}

// Blanks and the date format's separators only: the empty date.
bool IsBlankDate(std::string_view text) {
  for (const char c : text)
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return false;
  return true;
}

bool ReadLogic(std::string_view text, Usual& out) {
  const std::string t = text::Upper(text::Trim(text));
  for (const char* yes : {"T", ".T.", "TRUE", "Y", "YES", "J", "JA"})
    if (t == yes) {
      out = Usual(true);
      return true;
    }
  for (const char* no : {"", "F", ".F.", "FALSE", "N", "NO", "NEIN"})
    if (t == no) {
      out = Usual(false);
      return true;
    }
  return false;
}

// The text an edit shows for a value.
std::string ShownText(const Usual& value, const std::string& picture) {
  if (value.IsNil()) return std::string();
  if (!picture.empty()) return TransformPicture(value, picture);
  if (value.IsString()) return std::string(text::TrimRight(value.AsStringView()));
  if (value.IsDate()) return DToC(value.AsDate());
  return AsString(value);
}

}  // namespace

const ClassInfo& Control::StaticClass() {
  static ClassInfo info("Control", &Object::StaticClass());
  static const bool registered = [] {
    info.Access<Control>("Value", [](Control& c) { return c.Value(); });
    info.Assign<Control>("Value", [](Control& c, const Usual& v) { c.Value(v); });
    info.Access<Control>("TextValue", [](Control& c) { return Usual(c.TextValue()); });
    info.Assign<Control>("TextValue", [](Control& c, const Usual& v) { c.TextValue(AsString(v)); });
    info.Access<Control>("Modified", [](Control& c) { return Usual(c.Modified()); });
    info.Assign<Control>("Modified", [](Control& c, const Usual& v) { c.Modified(v.IsLogic() && v.AsLogic()); });
    info.Access<Control>("Status", [](Control& c) { return Usual(c.Status()); });
    return true;
  }();
  (void)registered;
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

std::string Control::ReadType() const {
  switch (value_.Type()) {
    case UsualType::String: return "C";
    case UsualType::Integer:
    case UsualType::Float: return "N";
    case UsualType::Date: return "D";
    case UsualType::Logic: return "L";
    default: break;
  }
  if (fieldSpec_ && !fieldSpec_->ValType().empty()) return fieldSpec_->ValType();
  return "C";
}

bool Control::ReadText(std::string_view text, Usual& out) const {
  const std::string type = ReadType();
  switch (type[0]) {
    case 'N': return ReadNumber(text, Picture().find(',') != std::string::npos, out);
    case 'D': {
      if (IsBlankDate(text)) {
        out = Usual(Date());
        return true;
      }
      bool ok = true;
      const Date d = CToD(text, &ok);
      if (!ok || d.IsEmpty()) return false;
      out = Usual(d);
      return true;
    }
    case 'L': return ReadLogic(text, out);
    default: out = Usual(text); return true;
  }
}

void Control::TextColor(Ref<Color> c) {
  textColor_ = std::move(c);
  ApplyColours();
}

void Control::Background(Ref<Brush> b) {
  background_ = std::move(b);
  ApplyColours();
}

void Control::ApplyColours() {
  QWidget* w = Widget();
  if (!w) return;
  // Start from the style's palette so that a colour taken away goes back.
  QPalette pal = QApplication::palette(w);
  if (textColor_) {
    const QColor c = textColor_->ToQColor();
    for (const auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) pal.setColor(role, c);
  }
  bool fill = false;
  if (background_ && background_->Handle()) {
    const QBrush b = background_->ToQBrush();
    for (const auto role : {QPalette::Base, QPalette::Window, QPalette::Button}) pal.setBrush(role, b);
    fill = true;
  }
  w->setPalette(pal);
  w->setAutoFillBackground(fill);
}

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
  setText(ToQ(ShownText(value, Picture())));
  setModified(false);
}

std::string SingleLineEdit::TextValue() { return text().toStdString(); }

void SingleLineEdit::TextValue(std::string_view t) {
  setText(ToQ(t));
  Update();
}

void SingleLineEdit::Update() {
  Usual v;
  unreadable_ = !ReadText(TextValue(), v);
  if (!unreadable_) value_ = v;
}

// ---------------------------------------------------------------------------
// MultiLineEdit

MultiLineEdit::MultiLineEdit(QWidget* parent) : QPlainTextEdit(parent) { setTabChangesFocus(true); }

const ClassInfo& MultiLineEdit::StaticClass() {
  static ClassInfo info("MultiLineEdit", &Control::StaticClass());
  return info;
}

void MultiLineEdit::Value(const Usual& value) {
  value_ = value;
  unreadable_ = false;
  std::string t = ShownText(value, std::string());
  // Memo text from files often ends its lines in CR LF; the editor shows
  // plain line feeds and Update gives the value its line ends back.
  crlf_ = t.find("\r\n") != std::string::npos;
  if (crlf_) {
    std::string lf;
    for (std::size_t i = 0; i < t.size(); ++i)
      if (!(t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n')) lf += t[i];
    t = std::move(lf);
  }
  setPlainText(ToQ(t));
  document()->setModified(false);
}

std::string MultiLineEdit::TextValue() {
  std::string t = toPlainText().toStdString();
  if (!crlf_) return t;
  std::string out;
  for (const char c : t) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

void MultiLineEdit::TextValue(std::string_view t) {
  setPlainText(ToQ(t));
  Update();
}

void MultiLineEdit::Update() {
  Usual v;
  unreadable_ = !ReadText(TextValue(), v);
  if (!unreadable_) value_ = v;
}

bool MultiLineEdit::Modified() const { return document()->isModified(); }
void MultiLineEdit::Modified(bool modified) { document()->setModified(modified); }

void MultiLineEdit::WantTab(bool v) {
  wantTab_ = v;
  setTabChangesFocus(!v);
}

void MultiLineEdit::keyPressEvent(QKeyEvent* e) {
  const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
  const bool tab = e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab;
  if ((enter && !wantReturn_) || (tab && !wantTab_)) {
    e->ignore();  // left to the window around the edit
    return;
  }
  QPlainTextEdit::keyPressEvent(e);
}

// ---------------------------------------------------------------------------
// RichEdit

RichEdit::RichEdit(QWidget* parent) : QTextEdit(parent) { setTabChangesFocus(true); }

const ClassInfo& RichEdit::StaticClass() {
  static ClassInfo info("RichEdit", &Control::StaticClass());
  return info;
}

Usual RichEdit::Value() { return value_; }

void RichEdit::Value(const Usual& value) {
  value_ = value;
  unreadable_ = false;
  const std::string t = value.IsString() ? std::string(value.AsStringView()) : ShownText(value, std::string());
  if (!text::TrimLeft(t).empty() && text::TrimLeft(t)[0] == '<') setHtml(ToQ(t));
  else setPlainText(ToQ(text::TrimRight(t)));
  document()->setModified(false);
}

std::string RichEdit::TextValue() { return toPlainText().toStdString(); }

void RichEdit::TextValue(std::string_view t) {
  setPlainText(ToQ(t));
  Update();
}

void RichEdit::Update() {
  // An untouched document keeps the value as it came, so that opening and
  // closing the editor writes nothing.
  if (document()->isModified()) value_ = Usual(toHtml().toStdString());
}

bool RichEdit::Modified() const { return document()->isModified(); }
void RichEdit::Modified(bool modified) { document()->setModified(modified); }

// ---------------------------------------------------------------------------
// CheckBox

CheckBox::CheckBox(QWidget* parent) : QCheckBox(parent) {
  QObject::connect(this, &QAbstractButton::clicked, this, [this] { modified_ = true; });
}

const ClassInfo& CheckBox::StaticClass() {
  static ClassInfo info("CheckBox", &Control::StaticClass());
  return info;
}

Usual CheckBox::Value() { return Usual(isChecked()); }

void CheckBox::Value(const Usual& value) {
  bool on = false;
  if (value.IsLogic()) on = value.AsLogic();
  else if (value.IsNumeric()) on = value.AsFloat() != 0;
  setChecked(on);
  modified_ = false;
}

std::string CheckBox::TextValue() { return isChecked() ? ".T." : ".F."; }

// ---------------------------------------------------------------------------
// ComboBox

ComboBox::ComboBox(QWidget* parent) : QComboBox(parent) {
  QObject::connect(this, &QComboBox::currentIndexChanged, this, [this] {
    if (!assigning_) modified_ = true;
  });
  QObject::connect(this, &QComboBox::editTextChanged, this, [this] {
    if (!assigning_) modified_ = true;
  });
}

const ClassInfo& ComboBox::StaticClass() {
  static ClassInfo info("ComboBox", &Control::StaticClass());
  static const bool registered = [] {
    info.Access<ComboBox>("CurrentText", [](ComboBox& c) { return Usual(c.CurrentText()); });
    info.Access<ComboBox>("CurrentItemNo", [](ComboBox& c) { return Usual(c.CurrentItemNo()); });
    info.Assign<ComboBox>("CurrentItemNo", [](ComboBox& c, const Usual& v) {
      c.CurrentItemNo(v.IsNumeric() ? int(v.AsInteger()) : 0);
    });
    return true;
  }();
  (void)registered;
  return info;
}

void ComboBox::FillUsing(const Array& items) {
  assigning_ = true;
  clear();
  itemValues_.clear();
  for (const Usual& item : items) {
    Usual text = item, value = item;
    if (item.IsArray()) {
      const Array pair = item.AsArray();
      text = pair.Get(1);
      value = pair.Len() >= 2 ? pair.Get(2) : pair.Get(1);
      // {value, text} pairs (a logic value first) are read too.
      if (!text.IsString() && value.IsString()) std::swap(text, value);
    }
    const std::string shown = text.IsString() ? std::string(text::TrimRight(text.AsStringView())) : AsString(text);
    addItem(ToQ(shown));
    itemValues_.push_back(value);
  }
  setCurrentIndex(-1);
  assigning_ = false;
}

int ComboBox::CurrentItemNo() const {
  const int i = currentIndex();
  if (i < 0) return 0;
  // Text typed into an editable box that is not the item's: no item.
  if (isEditable() && itemText(i) != currentText()) return 0;
  return i + 1;
}

void ComboBox::CurrentItemNo(int n) { setCurrentIndex(n >= 1 && n <= count() ? n - 1 : -1); }

Usual ComboBox::GetItemValue(int n) const {
  if (n < 1 || std::size_t(n) > itemValues_.size()) return Usual();
  return itemValues_[std::size_t(n - 1)];
}

std::string ComboBox::CurrentText() const { return currentText().toStdString(); }

bool ComboBox::IsDroppedDown() const { return view() && view()->isVisible(); }

void ComboBox::ShowDropDown(bool show) {
  if (show) showPopup();
  else hidePopup();
}

Usual ComboBox::Value() {
  const int n = CurrentItemNo();
  return n > 0 ? GetItemValue(n) : Usual(CurrentText());
}

void ComboBox::Value(const Usual& value) {
  assigning_ = true;
  int found = -1;
  const bool str = value.IsString();
  for (std::size_t i = 0; i < itemValues_.size() && found < 0; ++i) {
    const Usual& v = itemValues_[i];
    if (str && v.IsString() ? text::TrimRight(v.AsStringView()) == text::TrimRight(value.AsStringView())
                            : v.Type() == value.Type() && v == value)
      found = int(i);
  }
  setCurrentIndex(found);
  if (found < 0 && isEditable()) setEditText(ToQ(ShownText(value, std::string())));
  modified_ = false;
  assigning_ = false;
}

void ComboBox::TextValue(std::string_view t) {
  const int i = findText(ToQ(text::TrimRight(t)));
  if (i >= 0) setCurrentIndex(i);
  else if (isEditable()) setEditText(ToQ(t));
  else setCurrentIndex(-1);
}

bool ComboBox::Owns(const QWidget* w) const {
  if (Control::Owns(w)) return true;
  // The drop-down list lives in a pop-up window of its own.
  const QWidget* popup = view() ? view()->window() : nullptr;
  for (const QWidget* p = w; p && popup; p = p->parentWidget())
    if (p == popup) return true;
  return false;
}

// ---------------------------------------------------------------------------
// PushButton

PushButton::PushButton(QWidget* parent) : QPushButton(parent) {}
const ClassInfo& PushButton::StaticClass() {
  static ClassInfo info("PushButton", &Control::StaticClass());
  return info;
}
Usual PushButton::Value() { return Usual(TextValue()); }
void PushButton::Value(const Usual& value) { TextValue(value.IsNil() ? std::string() : ShownText(value, std::string())); }
std::string PushButton::TextValue() { return text().toStdString(); }
void PushButton::TextValue(std::string_view t) { setText(ToQ(t)); }

// ---------------------------------------------------------------------------
// DateTimePicker

namespace {

// The runtime's date picture ("DD.MM.YYYY") as a Qt display format.
QString QtDateFormat() {
  QString f;
  for (const char c : Runtime::Settings().dateFormat) {
    const char u = text::AsciiUpper(c);
    f += u == 'D' ? QChar('d') : u == 'M' ? QChar('M') : u == 'Y' ? QChar('y') : QChar(c);
  }
  return f;
}

// The picker's lowest date stands for the empty date and shows blank.
const QDate kEmptyDate(1752, 9, 14);

}  // namespace

DateTimePicker::DateTimePicker(QWidget* parent) : QDateEdit(parent) {
  setCalendarPopup(true);
  setMinimumDate(kEmptyDate);
  setSpecialValueText(QStringLiteral(" "));
  setDisplayFormat(QtDateFormat());
  setDate(kEmptyDate);
  QObject::connect(this, &QDateTimeEdit::dateTimeChanged, this, [this] {
    if (!assigning_) modified_ = true;
  });
}

const ClassInfo& DateTimePicker::StaticClass() {
  static ClassInfo info("DateTimePicker", &Control::StaticClass());
  static const bool registered = [] {
    info.Access<DateTimePicker>("SelectedDate", [](DateTimePicker& c) { return c.SelectedDate(); });
    info.Assign<DateTimePicker>("SelectedDate", [](DateTimePicker& c, const Usual& v) { c.SelectedDate(v); });
    return true;
  }();
  (void)registered;
  return info;
}

Usual DateTimePicker::SelectedDate() const {
  const QDate d = date();
  if (!d.isValid() || d == minimumDate()) return Usual(Date());
  return Usual(Date::FromYMD(d.year(), d.month(), d.day()));
}

void DateTimePicker::SelectedDate(const Usual& value) {
  assigning_ = true;
  Date d;
  if (value.IsDate()) d = value.AsDate();
  else if (value.IsString()) d = CToD(value.AsStringView());
  setDate(d.IsEmpty() ? minimumDate() : QDate(d.Year(), d.Month(), d.Day()));
  value_ = Usual(d);
  modified_ = false;
  assigning_ = false;
}

std::string DateTimePicker::SelectedTime() const { return time().toString(QStringLiteral("HH:mm:ss")).toStdString(); }

void DateTimePicker::ShowsTime(bool v) { showsTime_ = v; }

QWidget* DateTimePicker::MonthCalendar() const {
  QCalendarWidget* cal = calendarWidget();
  return cal && cal->isVisible() ? cal : nullptr;
}

std::string DateTimePicker::TextValue() { return text().toStdString(); }

bool DateTimePicker::Owns(const QWidget* w) const {
  if (Control::Owns(w)) return true;
  const QCalendarWidget* cal = calendarWidget();
  const QWidget* popup = cal ? cal->window() : nullptr;
  for (const QWidget* p = w; p && popup && popup != window(); p = p->parentWidget())
    if (p == popup) return true;
  return false;
}

}  // namespace kt
