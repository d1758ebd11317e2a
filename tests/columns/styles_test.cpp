// View styles, grid-line styles, colour and font conditions, kBrush, kIcon.
#include <gtest/gtest.h>

#include <QBrush>
#include <QImage>

#include "column_fixture.h"
#include "columns/conditions.h"
#include "columns/kbrush.h"
#include "columns/kgrid.h"
#include "columns/kicon.h"
#include "columns/kviewstyle.h"
#include "platform/gui/resources.h"
#include "platform/runtime/codeblock.h"
#include "support/kcodeblock.h"

namespace kt {
namespace {

using test::ErrorLog;

TEST(kGrid, StylesSizesFlagsAndDefaultSpaces) {
  struct Case {
    Usual style;
    int width, height;
    bool overlapped, flat;
    int spaces[4];
  } cases[] = {
      {NIL, 0, 0, false, true, {2, 1, 2, 1}},       {Usual(0), 0, 0, false, true, {2, 1, 2, 1}},
      {Usual(1), 1, 1, true, true, {2, 1, 2, 1}},   {Usual(2), 0, 1, true, true, {2, 1, 2, 1}},
      {Usual(3), 1, 0, true, true, {2, 1, 2, 1}},   {Usual(4), 2, 2, false, false, {1, 0, 1, 0}},
      {Usual("4"), 0, 0, false, true, {2, 1, 2, 1}},  // not numeric: style 0
  };
  for (const auto& c : cases) {
    Ref<kGrid> g = New<kGrid>(c.style);
    SCOPED_TRACE(g->Style());
    EXPECT_EQ(g->Width(), c.width);
    EXPECT_EQ(g->Height(), c.height);
    EXPECT_EQ(g->Overlapped(), c.overlapped);
    EXPECT_EQ(g->Flat(), c.flat);
    EXPECT_EQ(g->SpaceLeft(), c.spaces[0]);
    EXPECT_EQ(g->SpaceTop(), c.spaces[1]);
    EXPECT_EQ(g->SpaceRight(), c.spaces[2]);
    EXPECT_EQ(g->SpaceBottom(), c.spaces[3]);
  }
  // Given spaces win; the ones not given default by style.
  Ref<kGrid> partly = New<kGrid>(4, 3, NIL, 5);
  EXPECT_EQ(partly->SpaceLeft(), 3);
  EXPECT_EQ(partly->SpaceTop(), 0);
  EXPECT_EQ(partly->SpaceRight(), 5);
  EXPECT_EQ(partly->SpaceBottom(), 0);
}

TEST(kGrid, StyleChangesRecomputeSizesAndFlagsOnly) {
  Ref<kGrid> g = New<kGrid>(1);
  g->Style(4);
  EXPECT_FALSE(g->Overlapped());
  EXPECT_FALSE(g->Flat());
  EXPECT_EQ(g->Width(), 2);
  EXPECT_EQ(g->Height(), 2);
  EXPECT_EQ(g->SpaceLeft(), 2) << "spaces stay";
  g->Overlapped(true);
  g->Flat(true);
  EXPECT_TRUE(g->Overlapped());
  EXPECT_TRUE(g->Flat());
  g->Assign("Style", Usual(2));
  EXPECT_EQ(g->Access("Width"), Usual(0));
  EXPECT_EQ(g->Access("Height"), Usual(1));
  EXPECT_TRUE(g->Overlapped());
  EXPECT_FALSE(g->HasBackgrounds());
  EXPECT_EQ(g->BackgroundList()->Count(), 0u);
  EXPECT_EQ(g->BackgroundList(), g->BackgroundList()) << "created once";
}

TEST(kGrid, BadStylesAndSpacesAreReported) {
  ErrorLog log;
  EXPECT_EQ(New<kGrid>(7)->Style(), 0);
  Ref<kGrid> g = New<kGrid>(3, -1);
  EXPECT_EQ(g->SpaceLeft(), 2);
  g->Style(-2);
  EXPECT_EQ(g->Style(), 3);
  g->SpaceBottom(-5);
  EXPECT_EQ(g->SpaceBottom(), 1);
  EXPECT_EQ(log.errors.size(), 4u);
  for (const auto& e : log.errors) EXPECT_EQ(e->GenCode, gen::Arg);
}

TEST(kViewStyle, CreationOrderAndCheckedAssigns) {
  Ref<Color> fg = New<Color>(ColorRed);
  Ref<Brush> bg = New<Brush>(Color(ColorWhite));
  Ref<Font> font = New<Font>("DejaVu Sans", 8);
  Ref<kGrid> grid = New<kGrid>(1);
  Ref<kViewStyle> v = New<kViewStyle>(fg, bg, align::Right | align::VCenter, font, grid);
  EXPECT_EQ(v->Foreground(), fg);
  EXPECT_EQ(v->Background(), bg);
  EXPECT_EQ(align::Horizontal(v->Alignment()), align::Right);
  EXPECT_EQ(align::Vertical(v->Alignment()), 3);
  EXPECT_EQ(v->Font(), font);
  EXPECT_EQ(v->Grid(), grid);

  ErrorLog log;
  v->Assign("Font", Usual(fg));
  v->Assign("Grid", Usual(5));
  EXPECT_EQ(v->Font(), font) << "a wrong object changes nothing";
  EXPECT_EQ(v->Grid(), grid);
  EXPECT_EQ(log.errors.size(), 2u);
  v->Assign("Background", Usual(New<Color>(ColorBlue)));
  ASSERT_TRUE(v->Background());
  EXPECT_EQ(v->Background()->Color()->RGB(), Color(ColorBlue).RGB()) << "a colour is a solid brush";
  v->Assign("Grid", NIL);
  EXPECT_FALSE(v->Grid());
  EXPECT_EQ(log.errors.size(), 2u);
}

class Conditions : public ::testing::Test {
 protected:
  void SetUp() override { server->GoTop(); }
  ErrorLog log;
  Ref<kArrayServer> server = test::AllTypesServer();
  Ref<Color> red = New<Color>(ColorRed);
  Ref<Color> green = New<Color>(ColorGreen);
  Ref<Brush> yellow = New<Brush>(Color(ColorYellow));
  Ref<Color> black = New<Color>(ColorBlack);
  Ref<Brush> white = New<Brush>(Color(ColorWhite));
};

TEST_F(Conditions, FirstConditionThatHoldsWins) {
  Ref<kColorConditionList> list = New<kColorConditionList>();
  int evaluated = 0;
  const Codeblock counting = Codeblock::FromFunction([&](Args) {
    ++evaluated;
    return Usual(true);
  });
  list->Add(Usual(New<kColorCondition>("Server:AGE < 18", Usual(server), Usual(green))));  // does not hold
  list->Add(Usual(New<kColorCondition>("Server:VIP", Usual(server), Usual(red), Usual(yellow))));
  list->Add(Usual(New<kColorCondition>(Usual(counting), Usual(server), Usual(green))));
  const ColorSpec spec = list->GetColorSpec(black, white, Usual(1), Usual(1));
  EXPECT_EQ(spec.foreground, red);
  EXPECT_EQ(spec.background, yellow);
  EXPECT_FALSE(spec.selectedForeground);
  EXPECT_EQ(evaluated, 0) << "later conditions are not evaluated";

  server->Skip(1);  // VIP false, AGE 0
  const ColorSpec next = list->GetColorSpec(black, white, Usual(1), Usual(2));
  EXPECT_EQ(next.foreground, green);
  EXPECT_EQ(next.background, white);
  EXPECT_EQ(evaluated, 0) << "AGE < 18 holds now";

  // Selected colours and their late-bound names.
  Ref<kColorCondition> sel = New<kColorCondition>("Row == 3", Usual(server));
  sel->Assign("SelectedForeground", Usual(red));
  sel->Assign("InactiveSelectedBackground", Usual(New<Color>(ColorGray)));
  Ref<kColorConditionList> only = New<kColorConditionList>();
  only->Add(Usual(sel));
  const ColorSpec s3 = only->GetColorSpec(black, white, NIL, Usual(3));
  EXPECT_EQ(s3.foreground, black);
  EXPECT_EQ(s3.selectedForeground, red);
  ASSERT_TRUE(s3.inactiveSelectedBackground);
  EXPECT_EQ(s3.inactiveSelectedBackground->Color()->RGB(), Color(ColorGray).RGB());
  EXPECT_TRUE(log.errors.empty());
}

TEST_F(Conditions, ComputedColoursFromAnArrayResult) {
  Ref<kColorConditionList> list = New<kColorConditionList>();
  const Codeblock onlyBackground = Codeblock::FromFunction([this](Args) { return Usual(Array{NIL, Usual(yellow)}); });
  list->Add(Usual(New<kColorCondition>(Usual(onlyBackground), Usual(server), Usual(green))));
  const ColorSpec spec = list->GetColorSpec(black, white, NIL, NIL);
  EXPECT_EQ(spec.foreground, green) << "the condition's own colour";
  EXPECT_EQ(spec.background, yellow) << "then the set elements of the result";

  const Codeblock six = Codeblock::FromFunction([this](Args) {
    return Usual(Array{NIL, NIL, Usual(red), Usual(New<Color>(ColorBlue)), Usual(""), Usual(yellow), Usual(red)});
  });
  Ref<kColorConditionList> other = New<kColorConditionList>();
  other->Add(Usual(New<kColorCondition>(Usual(six))));
  const ColorSpec computed = other->GetColorSpec(black, white, NIL, NIL);
  EXPECT_EQ(computed.foreground, black);
  EXPECT_EQ(computed.selectedForeground, red);
  ASSERT_TRUE(computed.selectedBackground) << "a colour becomes a brush";
  EXPECT_EQ(computed.selectedBackground->Color()->RGB(), Color(ColorBlue).RGB());
  EXPECT_FALSE(computed.inactiveSelectedForeground);
  EXPECT_EQ(computed.inactiveSelectedBackground, yellow);
}

// An owner with a condition method.
class Painter : public Object {
 public:
  std::vector<std::pair<Usual, Usual>> calls;
  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass() {
    static ClassInfo info("Painter", &Object::StaticClass());
    static const bool once = [] {
      info.Method<Painter>("EvenRow", [](Painter& p, Args a) {
        p.calls.emplace_back(a[0], a[1]);
        return Usual(a[1].AsInteger() % 2 == 0);
      });
      return true;
    }();
    (void)once;
    return info;
  }
};

TEST_F(Conditions, SymbolConditionsCallTheOwner) {
  Ref<Painter> painter = New<Painter>();
  Ref<kColorConditionList> list = New<kColorConditionList>();
  list->Add(Usual(New<kColorCondition>(Usual(Symbol("EvenRow")), Usual(painter), Usual(red))));
  EXPECT_EQ(list->GetColorSpec(black, white, Usual(2), Usual(4)).foreground, red);
  EXPECT_EQ(list->GetColorSpec(black, white, Usual(2), Usual(5)).foreground, black);
  ASSERT_EQ(painter->calls.size(), 2u);
  EXPECT_EQ(painter->calls[0].first, Usual(2));
  EXPECT_EQ(painter->calls[0].second, Usual(4));
}

// A method name the owner does not have is evaluated as the block it is
// instead: it holds nothing and reports nothing, however often the grid
// repaints. An owner that gains the method later is asked.
TEST_F(Conditions, SymbolConditionsWithoutTheOwnersMethodDoNotHold) {
  Ref<kColorConditionList> list = New<kColorConditionList>();
  const Ref<kColorCondition> missing = New<kColorCondition>(Usual(Symbol("EvenRow")), Usual(server), Usual(green));
  list->Add(Usual(missing));
  list->Add(Usual(New<kColorCondition>("Column == 1", Usual(server), Usual(red))));
  for (int paint = 0; paint < 3; ++paint) EXPECT_EQ(list->GetColorSpec(black, white, Usual(1), Usual(2)).foreground, red);
  EXPECT_TRUE(missing->Eval(Usual(1), Usual(2)).IsNil());
  Ref<kFontConditionList> fonts = New<kFontConditionList>();
  fonts->Add(Usual(New<kFontCondition>(Usual(Symbol("EvenRow")), NIL, Usual(New<Font>("DejaVu Sans", 9)))));
  EXPECT_FALSE(fonts->GetFontSpec(Usual(1), Usual(2))) << "no owner at all";
  EXPECT_TRUE(log.errors.empty());
  missing->Owner(Usual(New<Painter>()));
  EXPECT_EQ(list->GetColorSpec(black, white, Usual(1), Usual(2)).foreground, green);
}

TEST_F(Conditions, FailuresAreReportedAndDoNotHold) {
  Ref<kColorConditionList> list = New<kColorConditionList>();
  list->Add(Usual(New<kColorCondition>("1 / (Server:AGE - 42) > 0", Usual(server), Usual(green))));
  list->Add(Usual(New<kColorCondition>("Server:NOSUCHFIELD", Usual(server), Usual(green))));
  list->Add(Usual(New<kColorCondition>("Column == 1", Usual(server), Usual(red))));
  const ColorSpec spec = list->GetColorSpec(black, white, Usual(1), Usual(1));
  EXPECT_EQ(spec.foreground, red) << "the next condition is evaluated";
  ASSERT_EQ(log.errors.size(), 2u);
  EXPECT_EQ(log.GenCode(0), gen::ZeroDiv);

  // A condition text that does not compile: reported at creation, never holds.
  log.errors.clear();
  Ref<kColorCondition> broken = New<kColorCondition>("Server:AGE >", Usual(server), Usual(green));
  ASSERT_EQ(log.errors.size(), 1u);
  EXPECT_EQ(log.GenCode(), gen::Syntax);
  EXPECT_TRUE(broken->Condition().IsNil());
  Ref<kColorConditionList> one = New<kColorConditionList>();
  one->Add(Usual(broken));
  EXPECT_EQ(one->GetColorSpec(black, white, NIL, NIL).foreground, black);

  // Wrong argument types.
  log.errors.clear();
  Ref<kColorCondition> wrong = New<kColorCondition>(Usual(42), Usual(server), Usual("red"), Usual(3));
  EXPECT_EQ(log.errors.size(), 3u);
  EXPECT_TRUE(wrong->Condition().IsNil());
  EXPECT_FALSE(wrong->Foreground());
}

TEST_F(Conditions, ConditionTextsSeeServerColumnAndRow) {
  Ref<kColorCondition> c = New<kColorCondition>("Server:AGE == 42 .AND. Column == 3 .AND. Row == 7", Usual(server));
  EXPECT_EQ(c->Condition().AsCodeblock().Text(), "{|Server, Column, Row| Server:AGE == 42 .AND. Column == 3 .AND. Row == 7}");
  EXPECT_EQ(c->Eval(Usual(3), Usual(7)), Usual(true));
  EXPECT_EQ(c->Eval(Usual(3), Usual(8)), Usual(false));
  // An object with Eval serves as a condition.
  Ref<kCodeblock> kb = New<kCodeblock>("Server:VIP", Usual(server));
  ASSERT_TRUE(kb->Compile());
  Ref<kColorConditionList> list = New<kColorConditionList>();
  list->Add(Usual(New<kColorCondition>(Usual(kb), Usual(server), Usual(red))));
  EXPECT_EQ(list->GetColorSpec(black, white, NIL, NIL).foreground, red);
}

TEST_F(Conditions, FontConditions) {
  Ref<Font> bold = New<Font>("DejaVu Sans", 9);
  bold->Bold(true);
  Ref<Font> computed = New<Font>("DejaVu Sans", 14);
  Ref<kFontConditionList> list = New<kFontConditionList>();
  EXPECT_FALSE(list->GetFontSpec(NIL, NIL));
  list->Add(Usual(New<kFontCondition>("Row == 1", Usual(server), Usual(bold))));
  list->Add(Usual(New<kFontCondition>(Usual(Codeblock::FromFunction([computed](Args a) {
                                        return a[2] == Usual(2) ? Usual(computed) : Usual(a[2] == Usual(3));
                                      })),
                                      Usual(server))));
  EXPECT_EQ(list->GetFontSpec(NIL, Usual(1)), bold);
  EXPECT_EQ(list->GetFontSpec(NIL, Usual(2)), computed) << "a Font result wins";
  EXPECT_FALSE(list->GetFontSpec(NIL, Usual(3))) << "holds, but has no font";
  EXPECT_FALSE(list->GetFontSpec(NIL, Usual(4)));
  const Usual args[] = {NIL, Usual(1)};
  EXPECT_EQ(list->Send("GetFontSpec", Args(args, 2)).AsObject(), bold.get());
}

TEST(ColorSpec, OverlayAndArrayForm) {
  Ref<Color> red = New<Color>(ColorRed);
  Ref<Brush> yellow = New<Brush>(Color(ColorYellow));
  ColorSpec row;
  row.foreground = New<Color>(ColorBlack);
  row.background = New<Brush>(Color(ColorWhite));
  ColorSpec column;
  column.background = yellow;
  column.selectedForeground = red;
  row.Overlay(column);
  EXPECT_EQ(row.background, yellow);
  EXPECT_EQ(row.selectedForeground, red);
  EXPECT_TRUE(row.foreground);

  const Array a = row.ToArray();
  ASSERT_EQ(a.Len(), 6u);
  EXPECT_EQ(a[2].AsObject(), yellow.get());
  EXPECT_TRUE(a[4].IsNil());
  const ColorSpec back = ColorSpec::FromArray(a);
  EXPECT_EQ(back.background, yellow);
  EXPECT_EQ(back.selectedForeground, red);
  EXPECT_FALSE(ColorSpec().Put(1, Usual("red")));
  EXPECT_FALSE(ColorSpec().Put(7, Usual(red)));
}

TEST(kBrush, SystemBrushesSurviveTheirWrappers) {
  const BrushHandle system = SysColorBrush(syscolor::BtnFace);
  {
    Ref<kBrush> wrapper = kBrush::System(syscolor::BtnFace);
    EXPECT_TRUE(wrapper->IsSystem());
    EXPECT_EQ(wrapper->Handle(), system);
    wrapper->Destroy();
    EXPECT_EQ(wrapper->Handle(), 0u);
    Ref<kBrush> dropped = New<kBrush>(system, true);
  }
  EXPECT_TRUE(IsBrushHandle(system));
  EXPECT_EQ(BrushFromHandle(system).color(), SysQColor(syscolor::BtnFace));

  // A handle wrapped without the flag belongs to the kBrush.
  const BrushHandle own = CreateBrushHandle(QBrush(Qt::red));
  Ref<kBrush> owner = New<kBrush>(own, false);
  owner->Destroy();
  EXPECT_FALSE(IsBrushHandle(own));
  Ref<kBrush> made = New<kBrush>(Color(ColorGreen));
  EXPECT_EQ(made->Color()->RGB(), Color(ColorGreen).RGB());
}

TEST(kIcon, FromIconsResourcesAndIds) {
  QImage image(20, 10, QImage::Format_ARGB32);
  image.fill(Qt::red);
  RegisterImageResource("KICOAPPLICATION", image);
  ErrorLog log;
  for (const Usual& source : {Usual(Symbol("kIcoApplication")), Usual("KICOAPPLICATION"),
                              Usual(New<ResourceID>("KICOAPPLICATION")), Usual(New<Icon>(image))}) {
    Ref<kIcon> icon = New<kIcon>(source);
    EXPECT_FALSE(icon->IsNull());
    EXPECT_EQ(icon->Size()->Width, 20);
    EXPECT_EQ(icon->Size()->Height, 10);
  }
  EXPECT_TRUE(log.errors.empty());

  Ref<kIcon> icon = New<kIcon>(Usual("KICOAPPLICATION"));
  icon->Assign("Size", Usual(New<Dimension>(16, 16)));
  EXPECT_EQ(icon->Size()->Width, 16);
  icon->Size(nullptr);
  EXPECT_EQ(icon->Size()->Width, 20);

  Ref<kIcon> missing = New<kIcon>(Usual("NOSUCHICON"));
  EXPECT_TRUE(missing->IsNull());
  ASSERT_EQ(log.errors.size(), 1u);
  EXPECT_EQ(log.GenCode(), gen::Open);
  EXPECT_NE(log.errors[0]->Description.find("NOSUCHICON"), std::string::npos);
  UnregisterImageResource("KICOAPPLICATION");
}

}  // namespace
}  // namespace kt
