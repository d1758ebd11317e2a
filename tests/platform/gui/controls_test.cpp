// The edit controls' value protocol: typed text read by the value's type,
// validation, and the controls' own values.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QAbstractItemView>
#include <QCalendarWidget>
#include <functional>
#include <memory>

#include "platform/gui/controls.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/runtime.h"

namespace kt::test {
namespace {

// Key and mouse events as the window system delivers them (this test
// binary does not link Qt's test library).
void KeyClick(QWidget* w, int key, const QString& text = QString()) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &press);
  QApplication::sendEvent(w, &release);
}
void KeyClicks(QWidget* w, const QString& text) {
  for (const QChar c : text) KeyClick(w, c.toUpper().unicode(), QString(c));
}
void MouseClick(QWidget* w, QPoint p) {
  const QPointF local(p), global(w->mapToGlobal(p));
  QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
  QApplication::sendEvent(w, &release);
}

struct ControlsTest : ::testing::Test {
  ScopedRuntime runtime;
  std::unique_ptr<QWidget> top = std::make_unique<QWidget>();
  ControlsTest() {
    Runtime::Settings().dateFormat = "DD.MM.YYYY";
    top->resize(400, 300);
    top->show();
  }
};

// Typed text through Update into Value, by the type of the assigned value.
TEST_F(ControlsTest, TypedTextRoundTrips) {
  struct Case {
    Usual start;
    const char* typed;
    Usual expected;  // NIL: unreadable
  };
  const Case cases[] = {
      {Usual("abc       "), "xyz", Usual("xyz")},
      {Usual(5), " 42 ", Usual(42)},
      {Usual(5), "-1.5", Usual(-1.5)},
      {Usual(5), "", Usual(0)},
      {Usual(5), "12a", Usual()},
      {Usual(5), "1.2.3", Usual()},
      {Usual(Date::FromYMD(2020, 1, 2)), "03.04.2021", Usual(Date::FromYMD(2021, 4, 3))},
      {Usual(Date::FromYMD(2020, 1, 2)), "", Usual(Date())},
      {Usual(Date::FromYMD(2020, 1, 2)), "  .  .    ", Usual(Date())},
      {Usual(Date::FromYMD(2020, 1, 2)), "31.02.2021", Usual()},
      {Usual(Date::FromYMD(2020, 1, 2)), "heute", Usual()},
      {Usual(true), "N", Usual(false)},
      {Usual(false), "j", Usual(true)},
      {Usual(false), "vielleicht", Usual()},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string("typed '") + k.typed + "' over " + AsString(k.start));
    for (const bool multi : {false, true}) {
      std::unique_ptr<QWidget> w;
      if (multi) w = std::make_unique<MultiLineEdit>(top.get());
      else w = std::make_unique<SingleLineEdit>(top.get());
      Control* c = ControlOf(w.get());
      c->Value(k.start);
      EXPECT_FALSE(c->Modified());
      c->TextValue(k.typed);
      if (k.expected.IsNil()) {
        EXPECT_FALSE(c->PerformValidations());
        EXPECT_FALSE(c->Status());
        EXPECT_EQ(c->Value(), k.start);  // the old value stays
      } else {
        EXPECT_TRUE(c->PerformValidations());
        EXPECT_EQ(c->Value().Type(), k.expected.Type());
        EXPECT_EQ(c->Value(), k.expected);
      }
    }
  }
}

TEST_F(ControlsTest, KeysTypedIntoAnEditAndTheFieldSpecsRules) {
  SingleLineEdit edit(top.get());
  edit.show();
  auto spec = New<FieldSpec>(Symbol("AGE"), "N", 3, 0);
  edit.FieldSpec(spec);
  edit.Value(Usual());  // no value: the FieldSpec's type decides
  edit.setFocus();
  KeyClicks(&edit, "1234");
  EXPECT_TRUE(edit.Modified());
  edit.Update();
  EXPECT_EQ(edit.Value(), Usual(1234));
  // Read, but too wide for the field: the FieldSpec says why.
  EXPECT_FALSE(edit.PerformValidations());
  ASSERT_TRUE(edit.Status());
  EXPECT_EQ(edit.Status(), spec->Status());
  edit.TextValue("12");
  EXPECT_TRUE(edit.PerformValidations());
  EXPECT_FALSE(edit.Status());
}

TEST_F(ControlsTest, PictureText) {
  SingleLineEdit edit(top.get());
  auto spec = New<FieldSpec>(Symbol("PRICE"), "N", 9, 2);
  spec->Picture("9,999.99");
  edit.FieldSpec(spec);
  edit.Value(Usual(1234.5));
  EXPECT_EQ(edit.TextValue(), TransformPicture(Usual(1234.5), "9,999.99"));
  edit.Update();  // the shown thousands separator reads back
  EXPECT_EQ(AsString(edit.Value()), AsString(Usual(1234.5)));
}

TEST_F(ControlsTest, MultiLineKeysAndLineEnds) {
  MultiLineEdit edit(top.get());
  edit.show();
  edit.setFocus();
  edit.Value(Usual("a\r\nb"));
  EXPECT_EQ(edit.toPlainText(), "a\nb");
  edit.Update();
  EXPECT_EQ(edit.Value(), Usual("a\r\nb"));
  edit.moveCursor(QTextCursor::End);
  KeyClick(&edit, Qt::Key_Tab, "\t");
  EXPECT_EQ(edit.toPlainText(), "a\nb");  // Tab is not typed without WantTab
  edit.WantTab(true);
  KeyClick(&edit, Qt::Key_Tab, "\t");
  EXPECT_EQ(edit.toPlainText(), "a\nb\t");
  edit.WantReturn(false);
  KeyClick(&edit, Qt::Key_Return, "\r");
  EXPECT_EQ(edit.toPlainText(), "a\nb\t");
  edit.WantReturn(true);
  KeyClick(&edit, Qt::Key_Return, "\r");
  EXPECT_EQ(edit.toPlainText(), "a\nb\t\n");
  EXPECT_TRUE(edit.Modified());
}

TEST_F(ControlsTest, RichEditKeepsAnUntouchedValueAndStoresTypingAsHtml) {
  RichEdit edit(top.get());
  edit.show();
  edit.Value(Usual("plain text"));
  EXPECT_EQ(edit.toPlainText(), "plain text");
  edit.Update();
  EXPECT_EQ(edit.Value(), Usual("plain text"));
  edit.Value(Usual("<b>bold</b>"));
  EXPECT_EQ(edit.toPlainText(), "bold");
  edit.setFocus();
  edit.moveCursor(QTextCursor::End);
  KeyClicks(&edit, "er");
  edit.Update();
  const std::string html(edit.Value().AsStringView());
  EXPECT_EQ(html.rfind('<', 0), 0u);
  RichEdit back(top.get());
  back.Value(Usual(html));
  EXPECT_EQ(back.toPlainText(), "bolder");
  EXPECT_TRUE(back.document()->toHtml().contains("font-weight"));
}

TEST_F(ControlsTest, CheckBoxAndComboBox) {
  CheckBox box(top.get());
  box.show();
  box.Value(Usual(true));
  EXPECT_EQ(box.Value(), Usual(true));
  EXPECT_FALSE(box.Modified());
  MouseClick(&box, QPoint(5, box.height() / 2));
  EXPECT_EQ(box.Value(), Usual(false));
  EXPECT_TRUE(box.Modified());

  ComboBox combo(top.get());
  combo.show();
  combo.FillUsing(Array{Usual(Array{"One", 1}), Usual(Array{true, "Yes"}), Usual("Plain")});
  ASSERT_EQ(combo.count(), 3);
  EXPECT_EQ(combo.itemText(1), "Yes");
  EXPECT_EQ(combo.CurrentItemNo(), 0);
  EXPECT_EQ(combo.GetItemValue(1), Usual(1));
  EXPECT_EQ(combo.GetItemValue(2), Usual(true));
  EXPECT_EQ(combo.GetItemValue(3), Usual("Plain"));
  EXPECT_TRUE(combo.GetItemValue(4).IsNil());
  combo.Value(Usual("Plain  "));
  EXPECT_EQ(combo.CurrentItemNo(), 3);
  EXPECT_FALSE(combo.Modified());
  combo.CurrentItemNo(1);
  EXPECT_EQ(combo.Value(), Usual(1));
  EXPECT_EQ(combo.CurrentText(), "One");
  EXPECT_TRUE(combo.Modified());
  EXPECT_EQ(ControlOf(&combo)->Access(Symbol("CurrentItemNo")), Usual(1));
  combo.ShowDropDown(true);
  ASSERT_TRUE(combo.IsDroppedDown());
  EXPECT_TRUE(combo.Owns(combo.view()));
  combo.ShowDropDown(false);
  EXPECT_FALSE(combo.IsDroppedDown());

  // Editable: text that is no item's is the value, and no item is selected.
  combo.setEditable(true);
  combo.setFocus();
  combo.lineEdit()->selectAll();
  KeyClicks(combo.lineEdit(), "Other");
  EXPECT_EQ(combo.CurrentItemNo(), 0);
  EXPECT_EQ(combo.Value(), Usual("Other"));
}

TEST_F(ControlsTest, DatePicker) {
  DateTimePicker picker(top.get());
  picker.show();
  EXPECT_EQ(picker.SelectedDate(), Usual(Date()));
  EXPECT_EQ(picker.text().trimmed(), "");
  picker.SelectedDate(Usual(Date::FromYMD(2024, 2, 29)));
  EXPECT_EQ(picker.Value(), Usual(Date::FromYMD(2024, 2, 29)));
  EXPECT_EQ(picker.TextValue(), "29.02.2024");
  EXPECT_FALSE(picker.Modified());
  EXPECT_EQ(picker.SelectedTime(), "00:00:00");
  picker.setFocus();
  picker.setCurrentSection(QDateTimeEdit::DaySection);
  KeyClick(&picker, Qt::Key_Down);  // the day steps back
  EXPECT_EQ(picker.SelectedDate(), Usual(Date::FromYMD(2024, 2, 28)));
  EXPECT_TRUE(picker.Modified());
  picker.Value(Usual());
  EXPECT_EQ(picker.SelectedDate(), Usual(Date()));
  EXPECT_EQ(ControlOf(&picker)->Access(Symbol("SelectedDate")), Usual(Date()));
  EXPECT_EQ(picker.MonthCalendar(), nullptr);
  EXPECT_TRUE(picker.Owns(picker.calendarWidget()));
  QWidget stranger;
  EXPECT_FALSE(picker.Owns(&stranger));
}

TEST_F(ControlsTest, ColoursGoToThePalette) {
  SingleLineEdit edit(top.get());
  edit.TextColor(New<Color>(255, 0, 0));
  edit.Background(New<Brush>(Color(0, 0, 255)));
  EXPECT_EQ(edit.palette().color(QPalette::Text), QColor(255, 0, 0));
  EXPECT_EQ(edit.palette().color(QPalette::Base), QColor(0, 0, 255));
  edit.TextColor(nullptr);
  EXPECT_EQ(edit.palette().color(QPalette::Text), QApplication::palette(&edit).color(QPalette::Text));
}

TEST_F(ControlsTest, LateBoundValueProtocol) {
  SingleLineEdit edit(top.get());
  Object& o = edit;
  o.Assign(Symbol("Value"), Usual(7));
  EXPECT_EQ(o.Access(Symbol("TextValue")), Usual("7"));
  o.Assign(Symbol("TextValue"), Usual("x"));
  EXPECT_EQ(o.Access(Symbol("Value")), Usual(7));  // unreadable: kept
  EXPECT_TRUE(o.Access(Symbol("Status")).IsNil() || !o.Access(Symbol("Status")).AsObject());
  EXPECT_EQ(o.Access(Symbol("Modified")), Usual(false));
}

}  // namespace
}  // namespace kt::test
