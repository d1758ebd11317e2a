// kTable styles: the view styles and colours by name, the grid's font and
// the heights it implies, and the one lookup per style property.
#include <gtest/gtest.h>

#include <QImage>
#include <memory>

#include "grid_fixture.h"
#include "platform/gui/brush.h"
#include "platform/gui/error_log.h"
#include "platform/gui/font.h"

namespace kt::test {
namespace {

// A grid whose focus the test decides.
class FocusGrid : public kTable {
 public:
  using kTable::kTable;
  bool active = false;
  bool IsActive() const override { return active; }
};

struct StyleTest : ::testing::Test {
  ErrorLog log;
  std::unique_ptr<OwnerWindow> owner = ShownOwner();
  FocusGrid* grid = new FocusGrid(owner.get());
  Ref<kArrayServer> server = New<kArrayServer>(SmallStruct(), Usual(SmallData(50)));

  void Bind() {
    grid->show();
    grid->VerticalScrollBarMode(Symbol("None"));
    grid->HorizontalScrollBarMode(Symbol("None"));
    grid->resize(400, 300);
    ASSERT_TRUE(grid->Use(Usual(server), Usual(Array{"ID", "NAME", "AGE"})));
  }
  Usual Send(const char* name, std::initializer_list<Usual> args) {
    const std::vector<Usual> a(args);
    return grid->Send(Symbol(name), Args(a.data(), a.size()));
  }
  QImage Paint() {
    QImage image(grid->size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    grid->render(&image);
    return image;
  }
};

// What a program configures by name: the four view styles, the data grid,
// the colour overrides and the flags of the drawing.
TEST_F(StyleTest, StylesAndColoursByName) {
  Bind();
  for (const char* name : {"CaptionView", "DataView", "FooterView", "InfoView"}) {
    SCOPED_TRACE(name);
    const Ref<kViewStyle> style = New<kViewStyle>(New<Color>(ColorRed));
    grid->Assign(Symbol(name), Usual(style));
    EXPECT_EQ(grid->Access(Symbol(name)).AsObject(), style.get());
    grid->Assign(Symbol(name), Usual(New<Color>(ColorBlue)));
    EXPECT_EQ(grid->Access(Symbol(name)).AsObject(), style.get()) << "a wrong object changes nothing";
  }
  EXPECT_EQ(log.errors.size(), 4u);
  EXPECT_EQ(log.GenCode(), gen::Arg);
  log.errors.clear();

  // Grid reads and sets the data view's grid; without a data view it gets
  // one holding only that grid.
  const Ref<kGrid> lines = New<kGrid>(Usual(2));
  grid->Assign("Grid", Usual(lines));
  EXPECT_EQ(grid->DataView()->Grid(), lines);
  EXPECT_EQ(grid->Access("Grid").AsObject(), lines.get());
  grid->Assign("DataView", NIL);
  EXPECT_FALSE(grid->DataView());
  EXPECT_TRUE(grid->Access("Grid").IsNil());
  EXPECT_TRUE(grid->Access("Font").IsNil());
  EXPECT_EQ(Paint().pixelColor(150, grid->DataRect().top + grid->RowHeight() * 3 + 4), SysQColor(syscolor::Window))
      << "no data view: plain cells";
  grid->Assign("Grid", Usual(lines));
  ASSERT_TRUE(grid->DataView());
  EXPECT_EQ(grid->DataView()->Grid(), lines);
  EXPECT_FALSE(grid->DataView()->Font());
  EXPECT_FALSE(grid->DataView()->Background());

  const char* colours[] = {"CurrentForeground",          "CurrentBackground",         "SelectedForeground",
                           "SelectedBackground",         "InactiveSelectedForeground", "InactiveSelectedBackground",
                           "DeletedForeground"};
  for (const char* name : colours) {
    SCOPED_TRACE(name);
    const Ref<Color> c = New<Color>(10, 20, 30);
    grid->Assign(Symbol(name), Usual(c));
    EXPECT_EQ(grid->Access(Symbol(name)).AsObject(), c.get());
    grid->Assign(Symbol(name), NIL);
    EXPECT_TRUE(grid->Access(Symbol(name)).IsNil());
  }
  grid->Assign("SelectedBackground", Usual(New<Color>(0, 0, 255)));
  ASSERT_TRUE(grid->SelectedBackground());
  EXPECT_EQ(grid->SelectedBackground()->RGB(), Color(0, 0, 255).RGB());
  grid->Assign("GridInEmptyArea", Usual(true));
  EXPECT_TRUE(grid->GridInEmptyArea());
  grid->Assign("ViewLogicAs", Usual(Symbol("CheckBox")));
  EXPECT_EQ(grid->Access("ViewLogicAs"), Usual(Symbol("CheckBox")));
  grid->Assign("WordBreakInMemo", Usual(true));
  EXPECT_EQ(grid->Access("WordBreakInMemo"), Usual(true));
  EXPECT_TRUE(grid->Access("ColorCondition").IsObject());
  EXPECT_TRUE(grid->Access("FontCondition").IsObject());
  EXPECT_TRUE(log.errors.empty());
}

// A new data view shows at once, also where the old one had colours the
// buffered rows were filled with.
TEST_F(StyleTest, AnAssignedDataViewShowsAtOnce) {
  Bind();
  grid->Assign("DataView", Usual(New<kViewStyle>(nullptr, New<Brush>(Color(255, 255, 0)), 0, nullptr, New<kGrid>(Usual(1)))));
  const QPoint cell(150, grid->DataRect().top + grid->RowHeight() * 3 + 4);
  EXPECT_EQ(Paint().pixelColor(cell), QColor(255, 255, 0));
  grid->Assign("DataView", Usual(New<kViewStyle>(nullptr, New<Brush>(Color(0, 200, 0)), 0, nullptr, New<kGrid>(Usual(1)))));
  EXPECT_EQ(Paint().pixelColor(cell), QColor(0, 200, 0));
  EXPECT_TRUE(log.errors.empty());
}

// Font sets the data view's font and derives the heights from it; bands
// with a font of their own and hidden bands keep theirs.
TEST_F(StyleTest, FontRecomputesTheHeights) {
  Bind();
  const Ref<Font> big = New<Font>("DejaVu Sans", 20);
  const int h = FontHeight(big.get());
  ASSERT_GT(h, FontHeight(nullptr));
  grid->FooterHeight(22);
  const int rowsBefore = grid->VisibleRowCount();
  Send("Font", {Usual(big)});
  EXPECT_EQ(grid->Access("Font").AsObject(), big.get());
  EXPECT_EQ(grid->DataView()->Font(), big);
  EXPECT_EQ(grid->CaptionHeight(), h + 5);
  EXPECT_EQ(grid->FooterHeight(), h + 5);
  EXPECT_EQ(grid->RowHeight(), h + (1 + 1) * 2) << "data grid of line height 1";
  EXPECT_LT(grid->VisibleRowCount(), rowsBefore) << "recalculated";
  for (const RowInfo& row : grid->RowBuffer()) EXPECT_EQ(row.height, grid->RowHeight());
  ExpectConsistent(*grid, *server, "after Font");

  // A caption with its own font, no footer, no data grid.
  const Ref<Font> small = New<Font>("DejaVu Sans", 7);
  const int hs = FontHeight(small.get());
  grid->CaptionView()->Font(New<Font>("DejaVu Sans", 12));
  grid->FooterHeight(0);
  grid->DataView()->Grid(nullptr);
  Send("Font", {Usual(small), Usual(false)});
  EXPECT_EQ(grid->CaptionHeight(), h + 5);
  EXPECT_EQ(grid->FooterHeight(), 0);
  EXPECT_EQ(grid->RowHeight(), hs + 2);

  // NIL: the system font again; anything else is refused.
  Send("Font", {NIL});
  EXPECT_FALSE(grid->DataView()->Font());
  EXPECT_EQ(grid->RowHeight(), FontHeight(nullptr) + 2);
  EXPECT_TRUE(log.errors.empty());
  Send("Font", {Usual("Arial")});
  EXPECT_EQ(log.errors.size(), 1u);
  EXPECT_EQ(log.GenCode(), gen::Arg);
  EXPECT_EQ(grid->RowHeight(), FontHeight(nullptr) + 2);
}

// Caption and footer texts without a font of their own are drawn in the
// data font: the one their widths and the heights Font sets are made for.
TEST_F(StyleTest, BandsWithoutAFontOfTheirOwnUseTheDataFont) {
  Bind();
  grid->FooterHeight(20);
  grid->GetColumn("NAME")->Footer(Usual("Names"));
  grid->Font(New<Font>("DejaVu Sans", 20));
  // Height of the dark pixels in a band, over the NAME column.
  auto inkHeight = [&](const QImage& image, const GridRect& band) {
    GridRect name;
    EXPECT_TRUE(grid->GetCaptionRect(2, name));
    int top = band.bottom, bottom = band.top;
    for (int y = band.top + 2; y < band.bottom - 2; ++y)
      for (int x = name.left + 2; x < name.right - 2; ++x)
        if (image.pixelColor(x, y).lightness() < 100) {
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
    return bottom - top + 1;
  };
  const QImage image = Paint();
  const int small = FontHeight(nullptr);
  EXPECT_GT(inkHeight(image, grid->CaptionRect()), small) << "caption";
  EXPECT_GT(inkHeight(image, grid->FooterRect()), small) << "footer";
  grid->CaptionView()->Font(New<Font>("DejaVu Sans", 7));
  EXPECT_LT(inkHeight(Paint(), grid->CaptionRect()), small) << "the caption's own font";
}

// One lookup per style property. Columns: their own view for the area,
// else the grid's view of that area. Info lines: their own view, else
// InfoView, else DataView.
TEST_F(StyleTest, LookupsOfColumnAndInfoStyles) {
  Bind();
  const Ref<kDataColumn> name = grid->GetColumn("NAME");
  const Ref<Color> red = New<Color>(ColorRed), blue = New<Color>(ColorBlue);
  const Ref<Font> f1 = New<Font>("DejaVu Sans", 8), f2 = New<Font>("DejaVu Sans", 11);
  grid->FooterView()->Foreground(red);
  grid->FooterView()->Font(f1);
  name->FooterView(New<kViewStyle>(blue, nullptr, 0, f2));
  const Usual footer(Symbol("Footer")), data(Symbol("Data")), id(Usual(grid->GetColumn("ID")));
  EXPECT_EQ(Send("GetColumnForeground", {footer, id}).AsObject(), red.get());
  EXPECT_EQ(Send("GetColumnForeground", {footer, Usual(name)}).AsObject(), blue.get());
  EXPECT_EQ(Send("GetColumnFont", {footer, id}).AsObject(), f1.get());
  EXPECT_EQ(Send("GetColumnFont", {footer, Usual(name)}).AsObject(), f2.get());
  EXPECT_TRUE(Send("GetColumnFont", {data, Usual(name)}).IsNil());

  // Info line 3: own view, InfoView, DataView in turn.
  const Ref<kGrid> infoGrid = grid->InfoView()->Grid();
  const Ref<kGrid> own = New<kGrid>(Usual(3));
  grid->DataView()->Alignment(align::Right);
  grid->DataView()->Font(f1);
  struct Case {
    const char* method;
    Object* expected;
  };
  for (const Case& c : {Case{"GetInfoGrid", infoGrid.get()}, Case{"GetInfoFont", f1.get()}})
    EXPECT_EQ(Send(c.method, {Usual(3)}).AsObject(), c.expected) << c.method;
  EXPECT_EQ(Send("GetInfoAlignment", {Usual(3)}), Usual(align::Right));
  grid->InfoView()->Grid(nullptr);
  EXPECT_EQ(Send("GetInfoGrid", {Usual(3)}).AsObject(), grid->DataView()->Grid().get());
  grid->SetInfoView(3, New<kViewStyle>(red, New<Brush>(Color(ColorYellow)), align::Center, f2, own));
  EXPECT_EQ(Send("GetInfoGrid", {Usual(3)}).AsObject(), own.get());
  EXPECT_EQ(Send("GetInfoFont", {Usual(3)}).AsObject(), f2.get());
  EXPECT_EQ(Send("GetInfoForeground", {Usual(3)}).AsObject(), red.get());
  EXPECT_TRUE(Send("GetInfoBackground", {Usual(3)}).IsObject());
  EXPECT_EQ(Send("GetInfoAlignment", {Usual(3)}), Usual(align::Center));
  EXPECT_TRUE(Send("GetInfoForeground", {Usual(2)}).IsNil());
  EXPECT_TRUE(log.errors.empty());
}

// A lookup of something the grid does not have answers NIL, not the value
// of a style further down the line; an argument of the wrong kind is an
// argument error.
TEST_F(StyleTest, LookupsOfUnknownTargets) {
  Bind();
  const Ref<Font> font = New<Font>("DejaVu Sans", 9);
  const Ref<kGrid> lines = New<kGrid>(Usual(1));
  for (const Ref<kViewStyle>& v : {grid->CaptionView(), grid->DataView(), grid->FooterView(), grid->InfoView()}) {
    v->Font(font);
    v->Grid(lines);
    v->Foreground(New<Color>(ColorRed));
    v->Background(New<Brush>(Color(ColorYellow)));
    v->Alignment(align::Right);
  }
  Ref<kDataColumn> stranger = New<kDataColumn>(nullptr, Usual(server), Usual("NAME"));
  const Usual caption(Symbol("Caption"));
  struct Case {
    const char* what;
    std::vector<Usual> args;
    bool argError;
  };
  const Case cases[] = {
      {"column number 0", {caption, Usual(0)}, false},
      {"column number beyond the last", {caption, Usual(4)}, false},
      {"unknown column name", {caption, Usual("NOSUCH")}, false},
      {"no column", {caption, NIL}, false},
      {"column of no grid", {caption, Usual(stranger)}, false},
      {"not a column", {caption, Usual(font)}, false},
      {"area #Info", {Usual(Symbol("Info")), Usual(1)}, true},
      {"area as text", {Usual("Caption"), Usual(1)}, true},
      {"no area", {NIL, Usual(1)}, true},
      {"unknown area, unknown column", {Usual(Symbol("Header")), Usual(9)}, true},
  };
  for (const char* method :
       {"GetColumnGrid", "GetColumnBackground", "GetColumnForeground", "GetColumnFont", "GetColumnAlignment"})
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(method) + ": " + c.what);
      log.errors.clear();
      EXPECT_TRUE(grid->Send(Symbol(method), Args(c.args.data(), c.args.size())).IsNil());
      EXPECT_EQ(log.errors.size(), c.argError ? 1u : 0u);
      if (c.argError) {
        EXPECT_EQ(log.GenCode(), gen::Arg);
      }
    }

  struct LineCase {
    const char* what;
    Usual line;
    bool argError;
  };
  const LineCase lines3[] = {
      {"line 0", Usual(0), false},
      {"line 4", Usual(4), false},
      {"line -1", Usual(-1), false},
      {"line 2^32 + 1", Usual(std::int64_t(4294967297)), false},
      {"line as text", Usual("3"), true},
      {"no line", NIL, true},
  };
  for (const char* method : {"GetInfoGrid", "GetInfoBackground", "GetInfoForeground", "GetInfoFont", "GetInfoAlignment"})
    for (const LineCase& c : lines3) {
      SCOPED_TRACE(std::string(method) + ": " + c.what);
      log.errors.clear();
      EXPECT_TRUE(Send(method, {c.line}).IsNil());
      EXPECT_EQ(log.errors.size(), c.argError ? 1u : 0u);
      if (c.argError) {
        EXPECT_EQ(log.GenCode(), gen::Arg);
      }
    }

  // Known targets still answer, a float line number is cut like any other.
  log.errors.clear();
  EXPECT_EQ(Send("GetColumnFont", {caption, Usual("NAME")}).AsObject(), font.get());
  EXPECT_EQ(Send("GetColumnGrid", {caption, Usual(grid->GetColumn("AGE"))}).AsObject(), lines.get());
  EXPECT_EQ(Send("GetColumnAlignment", {caption, Usual(1)}), Usual(align::Right));
  EXPECT_EQ(Send("GetInfoFont", {Usual(2.5)}).AsObject(), font.get());
  EXPECT_EQ(Send("GetInfoAlignment", {Usual(1)}), Usual(align::Right));
  EXPECT_TRUE(log.errors.empty());
}

// The info block and its focus rectangle take the same styles: with the
// info view's grid and alignment unset, the data view's apply to both.
TEST_F(StyleTest, InfoBlockAndFocusFallBackToTheDataView) {
  server = New<kArrayServer>(SmallStruct(), Usual(Array()));
  Bind();
  ASSERT_EQ(grid->ServerState(), 3);
  for (const auto& c : grid->ColumnList()) c->Width(100);
  grid->Recalculate();
  grid->SetInfo(3, Usual("Empty"));
  grid->InfoView()->Grid(nullptr);
  grid->DataView()->Grid(New<kGrid>(Usual(4)));
  grid->DataView()->Alignment(align::Right);
  grid->active = true;
  GridRect info;
  ASSERT_TRUE(grid->GetInfoRect(3, info));
  const QImage image = Paint();
  // The focus frame runs inside the button's 2-pixel edge.
  EXPECT_EQ(image.pixelColor(info.left + 2, info.top + 2), SysQColor(syscolor::WindowText));
  // The text sits at the right end of the block.
  auto inkIn = [&](int x0, int x1) {
    int dark = 0;
    for (int y = info.top + 3; y < info.bottom - 3; ++y)
      for (int x = x0; x < x1; ++x) dark += image.pixelColor(x, y).lightness() < 100;
    return dark;
  };
  EXPECT_GT(inkIn(info.right - 60, info.right - 3), 0);
  EXPECT_EQ(inkIn(info.left + 3, info.left + 60), 0);
}

}  // namespace
}  // namespace kt::test
