// kTable::EditCreate: the editor class by column type and edit class, and
// the editor's place, font and alignment on its cell.
#include <gtest/gtest.h>

#include <QTest>

#include <memory>
#include <vector>

#include "columns/kviewstyle.h"
#include "grid/cell_editor.h"
#include "grid/kcheckbox.h"
#include "grid/kcombo_edit.h"
#include "grid_fixture.h"
#include "platform/gui/font.h"
#include "platform/runtime/error.h"

#include <QStyle>

namespace kt::test {
namespace {

Control* MakeCustom(QWidget* parent) {
  auto* e = new SingleLineEdit(parent);
  e->setObjectName("custom");
  return e;
}

struct EditCreateTest : ::testing::Test {
  ScopedRuntime runtime;
  std::vector<ErrorRef> errors;
  std::unique_ptr<OwnerWindow> owner = ShownOwner();
  kTable* grid = Shown(new kTable(owner.get()));
  Ref<kArrayServer> server = New<kArrayServer>(
      Usual(Array{Usual(Array{"ID", "N", 8, 0}), Usual(Array{"NAME", "C", 10, 0}), Usual(Array{"OK", "L", 1, 0}),
                  Usual(Array{"BORN", "D", 8, 0}), Usual(Array{"NOTE", "M", 10, 0})}),
      Usual(Array{Usual(Array{1, "Anna", true, Date::FromYMD(2001, 2, 3), "memo"}),
                  Usual(Array{2, "Bert", false, Date(), ""})}));

  EditCreateTest() {
    Runtime::SetErrorBlock([this](const ErrorRef& e) {
      errors.push_back(e);
      return Usual();
    });
    grid->RowHeight(20);
    grid->resize(1200, 300);
    grid->Use(Usual(server), Usual(Array{"ID", "NAME", "OK", "BORN", "NOTE"}));
    for (const auto& c : grid->ColumnList()) c->Width(150);
    grid->Recalculate();
  }
  kDataColumn& Col(int n) { return *grid->ColumnOpenList()[std::size_t(n - 1)]; }
  std::unique_ptr<QWidget> Create(int column) {
    Control* c = grid->EditCreate(column, 1, 1);
    return std::unique_ptr<QWidget>(c ? c->Widget() : nullptr);
  }
};

TEST_F(EditCreateTest, EditorClassByTypeAndEditClass) {
  kTable::RegisterEditClass(Symbol("MyEdit"), &MakeCustom);
  struct Case {
    int column;
    const char* editClass;  // null: none
    const char* viewLogicAs;
    bool rtf;
    const char* expected;
  };
  const Case cases[] = {
      {1, nullptr, nullptr, false, "SingleLineEdit"},     {2, nullptr, nullptr, false, "SingleLineEdit"},
      {4, nullptr, nullptr, false, "SingleLineEdit"},     {5, nullptr, nullptr, false, "MultiLineEdit"},
      {5, nullptr, nullptr, true, "RichEdit"},            {3, nullptr, "CheckBox", false, "CheckBox"},
      {3, nullptr, "ComboBox", false, "ComboBox"},        {3, nullptr, "Text", false, "SingleLineEdit"},
      {1, "CheckBox", nullptr, false, "kCheckBox"},       {3, "CheckBox", nullptr, false, "CheckBox"},
      {3, "ComboBox", nullptr, false, "ComboBox"},        {2, "ComboBox", nullptr, false, "ComboBox"},
      {2, "ComboEdit", nullptr, false, "kComboEdit"},     {2, "PushButton", nullptr, false, "PushButton"},
      {2, "SingleLineEdit", nullptr, false, "SingleLineEdit"}, {5, "SingleLineEdit", nullptr, true, "SingleLineEdit"},
      {2, "MultiLineEdit", nullptr, false, "MultiLineEdit"}, {2, "RichEdit", nullptr, false, "RichEdit"},
      {4, "DateTimePicker", nullptr, false, "DateTimePicker"}, {2, "MyEdit", nullptr, false, "SingleLineEdit"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.expected) + " for column " + std::to_string(k.column));
    kDataColumn& c = Col(k.column);
    if (k.editClass) c.PropertyPut(Symbol("EditClass"), Usual(Symbol(k.editClass)));
    else c.PropertyDelete(Symbol("EditClass"));
    grid->ViewLogicAs(k.viewLogicAs ? Symbol(k.viewLogicAs) : Symbol());
    c.TextFormat(k.rtf ? Symbol("RTF") : Symbol());
    auto w = Create(k.column);
    ASSERT_NE(w, nullptr);
    Control* control = ControlOf(w.get());
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->Class().Name(), k.expected);
    EXPECT_EQ(w->parentWidget(), grid);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(control->FieldSpec(), c.FieldSpec());
    if (k.editClass && std::string(k.editClass) == "MyEdit") {
      EXPECT_EQ(w->objectName(), "custom");
    }
  }
  EXPECT_TRUE(errors.empty());
}

TEST_F(EditCreateTest, NumericCheckBoxHasThreeStatesAndLogicComboTheConfiguredTexts) {
  Col(1).PropertyPut(Symbol("EditClass"), Usual(Symbol("CheckBox")));
  auto box = Create(1);
  ASSERT_TRUE(dynamic_cast<kCheckBox*>(box.get()));
  EXPECT_TRUE(static_cast<kCheckBox*>(box.get())->isTristate());

  grid->PropertyPut(Symbol("VIEWLOGICVALUES"), Usual(Array{Usual(Array{"Ja", true}), Usual(Array{"Nein", false})}));
  grid->ViewLogicAs(Symbol("ComboBox"));
  auto w = Create(3);
  auto* combo = dynamic_cast<ComboBox*>(w.get());
  ASSERT_NE(combo, nullptr);
  ASSERT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->itemText(0), "Ja");
  EXPECT_EQ(combo->itemText(1), "Nein");
  EXPECT_EQ(combo->GetItemValue(1), Usual(true));
  EXPECT_EQ(combo->GetItemValue(2), Usual(false));
  combo->Value(Usual(false));
  EXPECT_EQ(combo->CurrentItemNo(), 2);
  EXPECT_FALSE(combo->isEditable());
}

TEST_F(EditCreateTest, UnknownOrBadEditClassIsAnArgumentError) {
  for (const Usual& cls : {Usual(Symbol("NoSuchEditor")), Usual(42)}) {
    errors.clear();
    Col(2).PropertyPut(Symbol("EditClass"), cls);
    EXPECT_EQ(grid->EditCreate(2, 1, 1), nullptr);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0]->GenCode, gen::Arg);
  }
}

TEST_F(EditCreateTest, PlaceFontAndAlignment) {
  grid->RowHeight(60);
  grid->Recalculate();
  auto f = New<kt::Font>("Sans", 14);
  Col(1).Font(f);
  Col(1).Alignment(align::Bottom);  // horizontal from the type: numbers right
  GridRect r;
  ASSERT_TRUE(grid->GetEditorRect(1, 1, 1, r));
  GridRect edit;
  ASSERT_TRUE(grid->GetEditRect(1, 1, 1, edit));
  const Ref<kGrid> lines = grid->GetColumnGrid(ViewArea::Data, &Col(1));
  ASSERT_TRUE(lines);
  EXPECT_EQ(r.left, edit.left + lines->Width());
  EXPECT_EQ(r.bottom, edit.bottom - lines->Height());

  auto w = Create(1);
  auto* line = qobject_cast<QLineEdit*>(w.get());
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->font().pointSize(), 14);
  EXPECT_TRUE(line->alignment() & Qt::AlignRight);
  EXPECT_LT(w->height(), r.Height());  // one line, not the whole tall cell
  EXPECT_EQ(w->geometry().bottom() + 1, r.bottom);
  EXPECT_EQ(w->x(), r.left);
  EXPECT_EQ(w->width(), r.Width());

  for (auto [vertical, top] : {std::pair{align::Top, r.top}, {align::VCenter, r.top + (r.Height() - w->height()) / 2}}) {
    Col(1).Alignment(align::Left | vertical);
    auto e = Create(1);
    EXPECT_EQ(e->y(), top) << vertical;
    EXPECT_TRUE(qobject_cast<QLineEdit*>(e.get())->alignment() & Qt::AlignLeft);
  }

  // Multi-line editors and check boxes take the whole rectangle.
  grid->ViewLogicAs(Symbol("CheckBox"));
  for (int column : {3, 5}) {
    ASSERT_TRUE(grid->GetEditorRect(column, 1, 1, r));
    auto e = Create(column);
    EXPECT_EQ(e->geometry(), r.ToQRect()) << column;
  }
}

TEST_F(EditCreateTest, CheckBoxStatesAsNumbersOrLogic) {
  kCheckBox box(owner.get());
  box.setTristate(true);
  for (auto [n, state] : {std::pair{0, Qt::Unchecked}, {1, Qt::Checked}, {2, Qt::PartiallyChecked}}) {
    box.Modified(false);
    box.Value(Usual(n));
    EXPECT_EQ(box.checkState(), state) << n;
    EXPECT_EQ(box.Value(), Usual(n));
    EXPECT_TRUE(box.Modified());
  }
  box.Value(Usual(7));  // no such state: an error, the box unchanged
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(box.Value(), Usual(2));
  box.Value(Usual(true));
  EXPECT_EQ(box.Value(), Usual(1));
  box.setTristate(false);
  EXPECT_EQ(box.Value(), Usual(true));
}

// A choice that offers one value.
struct PickChoice : kComboEditChoice {
  using kComboEditChoice::kComboEditChoice;
};

TEST_F(EditCreateTest, ComboEditButtonOpensTheChoiceAndTakesItsValue) {
  auto* edit = new kComboEdit(owner.get());
  edit->setGeometry(10, 10, 200, 28);
  edit->show();
  edit->Value(Usual("old"));
  auto* choice = new PickChoice();
  edit->Choice(choice);
  EXPECT_EQ(choice->Owner(), edit);
  const QRect button = edit->GetButtonArea();
  EXPECT_EQ(button.width(), edit->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, edit));
  EXPECT_EQ(button.right(), edit->width() - 1 - (edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0));
  EXPECT_GE(edit->textMargins().right(), button.width());

  QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(5, 14));  // in the text: nothing opens
  EXPECT_FALSE(choice->isVisible());
  QTest::mouseClick(edit, Qt::LeftButton, {}, button.center());
  ASSERT_TRUE(choice->isVisible());
  EXPECT_EQ(choice->pos(), edit->mapToGlobal(QPoint(0, edit->height())));
  EXPECT_TRUE(edit->Owns(choice));
  QWidget stranger;
  EXPECT_FALSE(edit->Owns(&stranger));

  choice->Value(Usual("picked"));
  choice->DoClose(true);
  EXPECT_FALSE(choice->isVisible());
  EXPECT_EQ(edit->text(), "picked");
  EXPECT_TRUE(edit->Modified());
  EXPECT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }, 1000));

  // Escape in the choice closes it without its value.
  QTest::mouseClick(edit, Qt::LeftButton, {}, button.center());
  ASSERT_TRUE(choice->isVisible());
  choice->Value(Usual("other"));
  QTest::keyClick(choice, Qt::Key_Escape);
  EXPECT_FALSE(choice->isVisible());
  EXPECT_EQ(edit->text(), "picked");
  delete edit;  // the choice goes with it
}

}  // namespace
}  // namespace kt::test
