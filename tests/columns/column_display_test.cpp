// kDataColumn: display text, captions, width, height of values, colours and
// fonts, property bag, context menus and lifetime.
#include <gtest/gtest.h>

#include <QImage>

#include "column_fixture.h"
#include "columns/kdatacolumn.h"
#include "platform/gui/bitmap.h"
#include "platform/gui/textmetrics.h"
#include "platform/runtime/codeblock.h"
#include "platform/runtime/convert.h"

namespace kt {
namespace {

using test::AllTypesServer;
using test::ErrorLog;
using test::FakeGrid;

using ColumnDisplay = test::ColumnTest;

TEST_F(ColumnDisplay, TransformRules) {
  Ref<kDataColumn> name = Column("NAME");
  Ref<kDataColumn> age = Column("AGE");
  Ref<kDataColumn> born = Column("BORN");
  Ref<kDataColumn> vip = Column("VIP");
  Ref<kDataColumn> plain = Expr("Server:NAME");  // no FieldSpec

  EXPECT_EQ(name->TextValue(), "Meier");
  EXPECT_EQ(age->TextValue(), "42");
  EXPECT_EQ(born->TextValue(), "17.05.1980");
  EXPECT_EQ(vip->TextValue(), "J") << "the grid's #VIEWLOGICVALUES";

  // Rule 1: suspended empty values.
  for (const auto& col : {age, born, name}) col->SuspendEmptyValues(true);
  EXPECT_EQ(age->Transform(Usual(0)), "");
  EXPECT_EQ(born->Transform(Usual(Date())), "");
  EXPECT_EQ(name->Transform(Usual("   ")), "");
  EXPECT_EQ(age->Transform(Usual(7)), "7");

  // Rule 2: any text format hides strings behind "<Memo>".
  plain->TextFormat(Symbol("RTF"));
  EXPECT_EQ(plain->Transform(Usual("{\\rtf1 x}")), "<Memo>");
  EXPECT_EQ(plain->Transform(Usual("")), "");
  EXPECT_EQ(plain->Transform(Usual(5)), "5") << "only strings";

  // Rule 3: logic texts from the grid, in either pair order; no match goes on.
  struct LogicCase {
    Usual pairs;
    const char* forTrue;
    const char* forFalse;
  } logic[] = {
      {Usual(Array{Usual(Array{"Yes", true}), Usual(Array{"No", false})}), "Yes", "No"},
      {Usual(Array{Usual(Array{true, "Ja"}), Usual(Array{false, "Nein"})}), "Ja", "Nein"},
      {Usual(Array{Usual(Array{"only true", true})}), "only true", ".F."},  // FieldSpec's text for the rest
      {Usual("not an array"), ".T.", ".F."},
  };
  for (const auto& c : logic) {
    FakeGrid g;
    g.PropertyPut(Symbol("VIEWLOGICVALUES"), c.pairs);
    Ref<kDataColumn> col = New<kDataColumn>(&g, Usual(server), "VIP");
    EXPECT_EQ(col->Transform(Usual(true)), c.forTrue);
    EXPECT_EQ(col->Transform(Usual(false)), c.forFalse);
  }

  // Rule 4: the field's picture.
  age->FieldSpec()->Picture("@R 9-9");
  EXPECT_EQ(age->TextValue(), "4-2");

  // Rule 5 without a FieldSpec or owner.
  Ref<kDataColumn> bare = New<kDataColumn>(nullptr, Usual(server), "Server:VIP", Usual(kDataColumn::KindExpression));
  struct Case {
    Usual value;
    const char* text;
  } plainCases[] = {{Usual("abc  "), "abc"}, {Usual(3.50), "3.50"}, {Usual(-7), "-7"}, {Usual(true), "J"},
                    {Usual(false), "N"},     {NIL, ""},             {Usual(Date::FromYMD(2024, 2, 29)), "29.02.2024"},
                    // numbers show in full, whatever the runtime's digits setting
                    {Usual(-1234567890), "-1234567890"}, {Usual(12345678901), "12345678901"},
                    {Val("12345678901.5"), "12345678901.5"}};
  for (const auto& c : plainCases) EXPECT_EQ(bare->Transform(c.value), c.text) << AsString(c.value);
}

TEST_F(ColumnDisplay, CaptionAndHyperLabel) {
  Ref<kDataColumn> name = Column("NAME");
  EXPECT_EQ(name->Caption(), Usual("Kundenname")) << "the field's label";
  EXPECT_EQ(name->HyperLabel().get(), server->FieldHyperLabel(Usual(1)).AsObject());
  EXPECT_EQ(Column("AGE")->Caption(), Usual("AGE"));
  EXPECT_TRUE(Expr("1")->Caption().IsNil());
  EXPECT_FALSE(Expr("1")->HyperLabel());

  Ref<HyperLabel> label = New<HyperLabel>(Symbol("X"), "Eigene");
  name->HyperLabel(label);
  EXPECT_EQ(name->Caption(), Usual("Eigene"));
  name->Caption(Usual("Text"));
  EXPECT_EQ(name->Caption(), Usual("Text"));
  EXPECT_EQ(label->Caption, "Text") << "a string caption goes to the label too";
  name->Caption(Usual(""));
  EXPECT_EQ(name->Caption(), Usual("")) << "an empty caption falls back to the label, which is empty now";

  Ref<Bitmap> picture = New<Bitmap>(QImage(30, 12, QImage::Format_RGB32));
  Ref<kDataColumn> age = Column("AGE");
  age->Caption(Usual(picture));
  EXPECT_EQ(age->Caption().AsObject(), picture.get());
}

TEST_F(ColumnDisplay, CalculateWidth) {
  // FakeGrid: 10 px per character without a font, the point size with one.
  struct Case {
    const char* field;
    int width;
  } cases[] = {
      {"NAME", 200},   // "L" x 20
      {"NOTE", 100},   // "L" x 10
      {"AGE", 30},     // "999"
      {"PRICE", 80},   // "99999.99"
      {"BORN", 100},   // today as "DD.MM.YYYY"
      {"VIP", 30},     // caption "VIP" is wider than "L"
  };
  for (const auto& c : cases) EXPECT_EQ(Column(c.field)->Width(), c.width) << c.field;

  Ref<kDataColumn> vip = Column("VIP");
  vip->Caption(Usual(""));
  vip->HyperLabel(New<HyperLabel>(Symbol("V"), "V"));
  EXPECT_EQ(vip->CalculateWidth(), 10);
  const int combo = SystemMetric(Metric::VScrollWidth) + 1;
  grid.viewLogicAs = Symbol("ComboBox");
  EXPECT_EQ(vip->CalculateWidth(), 10 + combo);
  grid.viewLogicAs = Symbol("CheckBox");
  EXPECT_EQ(vip->CalculateWidth(), 10);

  Ref<kDataColumn> age = Column("AGE");
  age->ViewValueAs(Symbol("COMBOEDIT"));
  EXPECT_EQ(age->CalculateWidth(), 30 + combo);
  age->ViewValueAs(Symbol("PushButton"));
  EXPECT_EQ(age->CalculateWidth(), 34);

  // Grid lines: the column's own data grid, else the grid's data view.
  age->ViewValueAs(Symbol());
  grid.dataView = New<kViewStyle>(nullptr, nullptr, 0, nullptr, New<kGrid>(1));  // 2*1 + 2 + 2
  EXPECT_EQ(age->CalculateWidth(), 36);
  age->Grid(New<kGrid>(4, 5, 0, 7));  // 2*2 + 5 + 7
  EXPECT_EQ(age->CalculateWidth(), 46);

  // Fonts: the grid's data font; caption and footer fall back to it.
  grid.dataView->Font(New<Font>("DejaVu Sans", 20));
  Ref<kDataColumn> wide = Column("AGE");
  EXPECT_EQ(wide->Width(), 3 * 20 + 6);
  wide->Caption(Usual("A long caption"));  // 14 characters in the data font
  EXPECT_EQ(wide->CalculateWidth(), 14 * 20) << "no data grid falls back into the caption";
  grid.captionView = New<kViewStyle>(nullptr, nullptr, 0, New<Font>("DejaVu Sans", 11), New<kGrid>(2));
  EXPECT_EQ(wide->CalculateWidth(), 14 * 11 + 4);
  wide->CaptionView(New<kViewStyle>(nullptr, nullptr, 0, New<Font>("DejaVu Sans", 12)));
  EXPECT_EQ(wide->CalculateWidth(), 14 * 12 + 4) << "own font, the grid's caption grid";
  wide->Footer(Usual("An even longer footer text"));
  EXPECT_EQ(wide->CalculateWidth(), 26 * 20);

  // Pictures measure by their size.
  Ref<kDataColumn> pic = Column("AGE");
  pic->Caption(Usual(New<Bitmap>(QImage(300, 10, QImage::Format_RGB32))));
  EXPECT_EQ(pic->CalculateWidth(), 300 + 4);
}

TEST_F(ColumnDisplay, HeightOfValues) {
  struct VariableCase {
    const char* field;
    int setting;
    bool variable;
  } variable[] = {{"NOTE", 0, true}, {"NAME", 0, false}, {"AGE", 0, false}, {"NAME", 1, true},
                  {"NOTE", 2, false}, {"NOTE", -1, false}};
  for (const auto& c : variable) {
    Ref<kDataColumn> col = Column(c.field);
    col->HeightVariable(c.setting);
    EXPECT_EQ(col->IsHeightVariable(), c.variable) << c.field << " " << c.setting;
  }
  EXPECT_TRUE(Expr("Server")->IsHeightVariable()) << "O";
  EXPECT_TRUE(Expr("NIL")->IsHeightVariable()) << "U";

  // "first line\nsecond line": two lines of 15 px.
  Ref<kDataColumn> note = Column("NOTE");
  note->Width(100);
  EXPECT_EQ(note->CalculateHeightOfValue(), 30);
  const int measured = grid.measured;
  EXPECT_EQ(note->CalculateHeightOfValue(), 30);
  EXPECT_EQ(grid.measured, measured) << "the same value is not measured again";

  // Word break in 40 px: 4 characters a line.
  grid.wordBreak = true;
  note->Width(40);
  EXPECT_EQ(note->CalculateHeightOfValue(), (3 + 3) * 15);
  // The grid lines narrow the room: 40 - (2*1 + 2 + 2) = 34, 3 characters.
  note->Grid(New<kGrid>(1));
  EXPECT_EQ(note->CalculateHeightOfValue(), (4 + 4) * 15);
  note->Width(1000);
  EXPECT_EQ(note->CalculateHeightOfValue(), 30) << "a resized column is measured again";

  server->Skip(1);  // the empty memo
  EXPECT_EQ(note->CalculateHeightOfValue(), 0);

  // Pictures by their size; other values need no height.
  Ref<Bitmap> picture = New<Bitmap>(QImage(20, 48, QImage::Format_RGB32));
  Ref<kDataColumn> pic = New<kDataColumn>(&grid, Usual(server), Usual(Codeblock::FromFunction([picture](Args) { return Usual(picture); })),
                                          Usual(kDataColumn::KindExpression));
  EXPECT_EQ(pic->ValType(), "O");
  EXPECT_EQ(pic->CalculateHeightOfValue(), 48);
  EXPECT_EQ(Column("AGE")->CalculateHeightOfValue(), 0);
}

TEST_F(ColumnDisplay, ColorAndFontSpecs) {
  Ref<kDataColumn> col = Column("AGE");
  ColorSpec plain = col->GetColorSpec(Usual(1), Usual(1));
  EXPECT_FALSE(plain.foreground);
  EXPECT_FALSE(plain.background);
  EXPECT_FALSE(col->GetFontSpec(Usual(1), Usual(1)));
  EXPECT_FALSE(col->HasColorCondition());

  Ref<Color> blue = New<Color>(ColorBlue);
  Ref<Brush> yellow = New<Brush>(Color(ColorYellow));
  col->Foreground(blue);
  col->Background(yellow);
  ColorSpec defaults = col->GetColorSpec(Usual(1), Usual(1));
  EXPECT_EQ(defaults.foreground, blue);
  EXPECT_EQ(defaults.background, yellow);
  EXPECT_FALSE(defaults.selectedForeground);
  EXPECT_EQ(defaults.ToArray().Len(), 6u);

  Ref<Color> red = New<Color>(ColorRed);
  col->ColorCondition()->Add(Usual(New<kColorCondition>("Server:AGE > 40", Usual(server), Usual(red))));
  ColorSpec hit = col->GetColorSpec(Usual(1), Usual(1));
  EXPECT_EQ(hit.foreground, red);
  EXPECT_EQ(hit.background, yellow) << "unset colours keep the defaults";
  server->Skip(1);  // AGE 0
  EXPECT_EQ(col->GetColorSpec(Usual(1), Usual(2)).foreground, blue);

  Ref<Font> bold = New<Font>("DejaVu Sans", 9);
  col->FontCondition()->Add(Usual(New<kFontCondition>("Row == 2", Usual(server), Usual(bold))));
  EXPECT_EQ(col->GetFontSpec(Usual(1), Usual(2)), bold);
  EXPECT_FALSE(col->GetFontSpec(Usual(1), Usual(3)));
}

TEST_F(ColumnDisplay, PropertyBagAndContextMenus) {
  Ref<kDataColumn> col = Column("NAME");
  const Symbol a("EditClass"), b("Other");
  EXPECT_EQ(col->PropertyGet(a, Usual(7)), Usual(7));
  EXPECT_EQ(col->PropertyPut(a, Usual("x")), Usual("x"));
  col->PropertyPut(b, Usual(2));
  col->PropertyPut(Symbol("EDITCLASS"), Usual("y"));  // symbols ignore case: replaced
  EXPECT_EQ(col->Properties().Len(), 2u);
  EXPECT_EQ(col->PropertyGet(a), Usual("y"));
  col->PropertyDelete(a);
  EXPECT_EQ(col->Properties().Len(), 1u);
  EXPECT_TRUE(col->PropertyGet(a).IsNil());
  col->PropertyDelete(Symbol("Missing"));
  EXPECT_EQ(col->Properties().Len(), 1u);

  Ref<HyperLabel> m1 = New<HyperLabel>(), m2 = New<HyperLabel>(), m3 = New<HyperLabel>();
  col->SetContextMenu(Usual(m1), Usual(m2), Usual(m3));
  col->SetContextMenu(NIL, Usual(5), Usual(m1));  // only objects replace
  struct Case {
    int n;
    Object* menu;
  } cases[] = {{0, nullptr}, {1, m1.get()}, {2, m2.get()}, {3, m1.get()}, {4, nullptr}, {-1, nullptr}};
  for (const auto& c : cases) EXPECT_EQ(col->GetContextMenu(c.n).AsObject(), c.menu) << c.n;
}

TEST_F(ColumnDisplay, ColumnOutlivingItsGridAndDestruct) {
  Ref<kDataColumn> col;
  {
    FakeGrid shortLived;
    col = New<kDataColumn>(&shortLived, Usual(server), "VIP");
    EXPECT_EQ(col->Owner(), &shortLived);
  }
  EXPECT_EQ(col->Owner(), nullptr);
  EXPECT_EQ(col->TextValue(), ".T.") << "no grid texts any more; the field's own";
  EXPECT_GT(col->CalculateWidth(), 0);

  const int refs = server->RefCount();
  col->Destruct();
  EXPECT_EQ(server->RefCount(), refs - 1) << "the server reference is released";
  EXPECT_TRUE(col->Value().IsNil());
}

TEST_F(ColumnDisplay, LateBoundInterface) {
  Ref<kDataColumn> col = Column("AGE");
  Object& o = *col;
  EXPECT_EQ(o.Access("Value"), Usual(42));
  o.Assign("TextValue", Usual("43"));
  EXPECT_EQ(server->FieldGet(Usual("AGE")), Usual(43));
  EXPECT_EQ(o.Access("TextValue"), Usual("43"));
  EXPECT_TRUE(o.Access("Alignment").IsNil()) << "no DataView";
  o.Assign("Alignment", Usual(2));
  EXPECT_TRUE(col->DataView()) << "the assign creates the DataView";
  EXPECT_EQ(o.Access("Alignment"), Usual(2));
  EXPECT_EQ(o.Access("FieldName"), Usual("AGE"));
  EXPECT_EQ(o.Access("Owner").AsObject(), static_cast<Object*>(&grid));
  EXPECT_TRUE(o.Access("ColorCondition").AsObject()) << "created on first read";
  const Usual put[] = {Usual(Symbol("K")), Usual(1)};
  o.Send("PropertyPut", Args(put, 2));
  const Usual get[] = {Usual("k")};
  EXPECT_EQ(o.Send("PropertyGet", Args(get, 1)), Usual(1));
  const Usual menu[] = {Usual(0)};
  EXPECT_TRUE(o.Send("GetContextMenu", Args(menu, 1)).IsNil());
  EXPECT_TRUE(log.errors.empty());

  o.Assign("Font", Usual("Arial"));  // not a Font
  ASSERT_EQ(log.errors.size(), 1u);
  EXPECT_EQ(log.GenCode(), gen::Arg);
  EXPECT_FALSE(col->Font());
}

}  // namespace
}  // namespace kt
