// kTable: the look of the grid. Its view styles, font and colour
// overrides, the info texts, the colour and font conditions of the rows,
// the lookups that resolve a column's or an info line's style, and their
// names for late binding.
#include <utility>

#include "grid/ktable.h"
#include "platform/runtime/error.h"

namespace kt {
namespace {

const Usual& Arg(Args a, std::size_t i) { return i < a.size() ? a[i] : NIL; }

// A late-bound object argument: NIL or an object of class C. Anything else
// raises an argument error and answers FALSE, so the caller changes nothing.
template <class C>
bool TakeObject(const Usual& v, const std::string& operation, const char* expected, Ref<C>& out) {
  if (v.IsNil()) {
    out = nullptr;
    return true;
  }
  if (C* c = dynamic_cast<C*>(v.AsObject())) {
    out = Ref<C>(c);
    return true;
  }
  RaiseError(gen::Arg, operation, std::string(expected) + " object expected, got " + v.TypeLetter());
  return false;
}

bool TakeLogic(const Usual& v, const std::string& operation, bool& out) {
  if (v.IsLogic()) {
    out = v.AsLogic();
    return true;
  }
  RaiseError(gen::Arg, operation, std::string("Logic value expected, got ") + v.TypeLetter());
  return false;
}

// #Caption, #Data or #Footer; anything else raises an argument error.
bool TakeArea(const Usual& v, const std::string& operation, ViewArea& out) {
  static const Symbol caption("Caption"), data("Data"), footer("Footer");
  const Symbol s = v.IsSymbol() ? v.AsSymbol() : Symbol();
  if (s == caption) out = ViewArea::Caption;
  else if (s == data) out = ViewArea::Data;
  else if (s == footer) out = ViewArea::Footer;
  else {
    RaiseError(gen::Arg, operation, "Area must be #Caption, #Data or #Footer");
    return false;
  }
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// Styles

kViewStyle* kTable::AreaView(ViewArea area) { return const_cast<kViewStyle*>(AreaStyle(area)); }

const Ref<kColorConditionList>& kTable::ColorCondition() {
  if (!colorCondition_) colorCondition_ = New<kColorConditionList>();
  return colorCondition_;
}

const Ref<kFontConditionList>& kTable::FontCondition() {
  if (!fontCondition_) fontCondition_ = New<kFontConditionList>();
  return fontCondition_;
}

bool kTable::IsInfoLine(int line) { return line >= 1 && line <= 3; }

void kTable::SetInfo(int state, const Usual& text) {
  if (state >= 1 && state <= 3) infoText_[state - 1] = text;
}
Usual kTable::GetInfo(int state) const { return state >= 1 && state <= 3 ? infoText_[state - 1] : NIL; }
void kTable::SetInfoView(int state, Ref<kViewStyle> view) {
  if (state >= 1 && state <= 3) infoViews_[state - 1] = std::move(view);
}
Ref<kViewStyle> kTable::GetInfoView(int state) const {
  return state >= 1 && state <= 3 ? infoViews_[state - 1] : nullptr;
}
bool kTable::IsInfoVisible() const {
  if (serverState_ < 1 || serverState_ > 3) return false;
  const Usual& t = infoText_[serverState_ - 1];
  return t.IsString() ? !t.AsStringView().empty() : !t.IsNil();
}

ColorSpec kTable::GetColorSpec(const Usual& column, const Usual& row) {
  Ref<Color> fg = dataView_ ? dataView_->Foreground() : nullptr;
  Ref<Brush> bg = dataView_ ? dataView_->Background() : nullptr;
  if (!colorCondition_) {
    ColorSpec spec;
    spec.foreground = fg;
    spec.background = bg;
    return spec;
  }
  return colorCondition_->GetColorSpec(fg, bg, column, row);
}

Ref<kt::Font> kTable::GetFontSpec(const Usual& column, const Usual& row) {
  return fontCondition_ ? fontCondition_->GetFontSpec(column, row) : nullptr;
}

void kTable::ViewChanged(bool rowColours) {
  Recalculate();
  if (rowColours && Used() && !rows_.empty()) FillBuffer(NIL, NIL, NIL, NIL, false, StableFill());
  Redraw();
}

void kTable::CaptionView(Ref<kViewStyle> view) {
  captionView_ = std::move(view);
  ViewChanged(false);
}

void kTable::DataView(Ref<kViewStyle> view) {
  dataView_ = std::move(view);
  ViewChanged(true);
}

void kTable::FooterView(Ref<kViewStyle> view) {
  footerView_ = std::move(view);
  ViewChanged(false);
}

void kTable::InfoView(Ref<kViewStyle> view) {
  infoView_ = std::move(view);
  ViewChanged(false);
}

void kTable::Grid(Ref<kGrid> grid) {
  if (!dataView_) dataView_ = New<kViewStyle>();
  dataView_->Grid(std::move(grid));
  ViewChanged(false);
}

void kTable::Font(Ref<kt::Font> font, bool redraw) {
  if (!dataView_) dataView_ = New<kViewStyle>();
  dataView_->Font(font);
  const int h = FontHeight(font.get());
  if (captionHeight_ > 0 && !(captionView_ && captionView_->Font())) captionHeight_ = h + 5;
  if (footerHeight_ > 0 && !(footerView_ && footerView_->Font())) footerHeight_ = h + 5;
  const Ref<kGrid>& g = dataView_->Grid();
  rowHeight_ = std::max(1, g ? h + (g->Height() + 1) * 2 : h + 2);
  Recalculate();
  if (!ExistRowsWithVariableHeight())
    for (auto& r : rows_) r.height = rowHeight_;
  if (redraw) Redraw();
}

// ---------------------------------------------------------------------------
// Lookups

const kViewStyle* kTable::AreaStyle(ViewArea area) const {
  switch (area) {
    case ViewArea::Caption: return captionView_.get();
    case ViewArea::Footer: return footerView_.get();
    default: return dataView_.get();
  }
}

Ref<kGrid> kTable::GetColumnGrid(ViewArea area, const kDataColumn* column) const {
  return ColumnGrid(column, area, AreaStyle(area));
}

Ref<Brush> kTable::GetColumnBackground(ViewArea area, const kDataColumn* column) const {
  return ColumnBackground(column, area, AreaStyle(area));
}

Ref<Color> kTable::GetColumnForeground(ViewArea area, const kDataColumn* column) const {
  return ColumnForeground(column, area, AreaStyle(area));
}

Ref<kt::Font> kTable::GetColumnFont(ViewArea area, const kDataColumn* column) const {
  return ColumnFont(column, area, AreaStyle(area));
}

const kViewStyle* kTable::InfoLineView(int line) const {
  return IsInfoLine(line) ? infoViews_[line - 1].get() : nullptr;
}

// A line that does not exist has no style: it does not borrow InfoView's.
Ref<kGrid> kTable::GetInfoGrid(int line) const {
  if (!IsInfoLine(line)) return nullptr;
  return FirstSet({InfoLineView(line), infoView_.get(), dataView_.get()}, [](const kViewStyle& v) { return v.Grid(); });
}

Ref<Brush> kTable::GetInfoBackground(int line) const {
  if (!IsInfoLine(line)) return nullptr;
  return FirstSet({InfoLineView(line), infoView_.get(), dataView_.get()},
                  [](const kViewStyle& v) { return v.Background(); });
}

Ref<Color> kTable::GetInfoForeground(int line) const {
  if (!IsInfoLine(line)) return nullptr;
  return FirstSet({InfoLineView(line), infoView_.get(), dataView_.get()},
                  [](const kViewStyle& v) { return v.Foreground(); });
}

Ref<kt::Font> kTable::GetInfoFont(int line) const {
  if (!IsInfoLine(line)) return nullptr;
  return FirstSet({InfoLineView(line), infoView_.get(), dataView_.get()}, [](const kViewStyle& v) { return v.Font(); });
}

int kTable::GetInfoAlignment(int line) const {
  if (!IsInfoLine(line)) return 0;
  return FirstAlignment({InfoLineView(line), infoView_.get(), dataView_.get()});
}

// ---------------------------------------------------------------------------
// Names for late binding

void kTable::RegisterStyles(ClassInfo& info) {
  using T = kTable;
  // An object property by name: the assign takes only an object of its class.
  auto property = [&info]<class V>(const char* name, const char* className, const Ref<V>& (T::*get)() const,
                                   void (T::*set)(Ref<V>)) {
    info.Access<T>(name, [get](T& t) { return Usual((t.*get)()); });
    info.Assign<T>(name, [name, className, set](T& t, const Usual& v) {
      Ref<V> object;
      if (TakeObject(v, std::string("kTable:") + name, className, object)) (t.*set)(std::move(object));
    });
  };
  using ViewGet = const Ref<kViewStyle>& (T::*)() const;
  using ViewSet = void (T::*)(Ref<kViewStyle>);
  auto view = [&property](const char* name, ViewGet get, ViewSet set) { property(name, "kViewStyle", get, set); };
  view("CaptionView", &T::CaptionView, &T::CaptionView);
  view("DataView", &T::DataView, &T::DataView);
  view("FooterView", &T::FooterView, &T::FooterView);
  view("InfoView", &T::InfoView, &T::InfoView);
  info.Access<T>("Grid", [](T& t) { return Usual(t.Grid()); });
  info.Assign<T>("Grid", [](T& t, const Usual& v) {
    Ref<kGrid> grid;
    if (TakeObject(v, "kTable:Grid", "kGrid", grid)) t.Grid(std::move(grid));
  });
  info.Access<T>("Font", [](T& t) { return Usual(t.Font()); });
  info.Method<T>("Font", [](T& t, Args a) {
    Ref<kt::Font> font;
    if (!TakeObject(Arg(a, 0), "kTable:Font", "Font", font)) return Usual();
    const Usual& redraw = Arg(a, 1);
    t.Font(font, !(redraw.IsLogic() && !redraw.AsLogic()));
    return Usual(font);
  });

  using ColorGet = const Ref<Color>& (T::*)() const;
  using ColorSet = void (T::*)(Ref<Color>);
  auto colour = [&property](const char* name, ColorGet get, ColorSet set) { property(name, "Color", get, set); };
  colour("CurrentForeground", &T::CurrentForeground, &T::CurrentForeground);
  colour("CurrentBackground", &T::CurrentBackground, &T::CurrentBackground);
  colour("SelectedForeground", &T::SelectedForeground, &T::SelectedForeground);
  colour("SelectedBackground", &T::SelectedBackground, &T::SelectedBackground);
  colour("InactiveSelectedForeground", &T::InactiveSelectedForeground, &T::InactiveSelectedForeground);
  colour("InactiveSelectedBackground", &T::InactiveSelectedBackground, &T::InactiveSelectedBackground);
  colour("DeletedForeground", &T::DeletedForeground, &T::DeletedForeground);

  info.Access<T>("ColorCondition", [](T& t) { return Usual(t.ColorCondition()); });
  info.Access<T>("FontCondition", [](T& t) { return Usual(t.FontCondition()); });
  info.Access<T>("GridInEmptyArea", [](T& t) { return Usual(t.GridInEmptyArea()); });
  info.Assign<T>("GridInEmptyArea", [](T& t, const Usual& v) {
    bool on = false;
    if (TakeLogic(v, "kTable:GridInEmptyArea", on)) t.GridInEmptyArea(on);
  });
  info.Access<T>("WordBreakInMemo", [](T& t) { return Usual(t.WordBreakInMemo()); });
  info.Assign<T>("WordBreakInMemo", [](T& t, const Usual& v) {
    bool on = false;
    if (TakeLogic(v, "kTable:WordBreakInMemo", on)) t.WordBreakInMemo(on);
  });
  info.Access<T>("ViewLogicAs", [](T& t) { return t.ViewLogicAs() ? Usual(t.ViewLogicAs()) : Usual(); });
  info.Assign<T>("ViewLogicAs", [](T& t, const Usual& v) {
    if (v.IsNil() || v.IsSymbol()) t.ViewLogicAs(v.IsSymbol() ? v.AsSymbol() : Symbol());
    else RaiseError(gen::Arg, "kTable:ViewLogicAs", std::string("Symbol expected, got ") + v.TypeLetter());
  });

  // Lookups: (area, column) for columns, (line) for the info text. An area
  // that is none of the three, or a line that is no number, is an argument
  // error; a column or line the grid does not have answers NIL.
  auto byColumn = [&info](const char* name, auto lookup) {
    info.Method<T>(name, [name, lookup](T& t, Args a) {
      ViewArea area = ViewArea::Data;
      if (!TakeArea(Arg(a, 0), std::string("kTable:") + name, area)) return Usual();
      const Ref<kDataColumn> column = t.GetColumn(Arg(a, 1));
      return column ? Usual(lookup(t, area, column.get())) : Usual();
    });
  };
  byColumn("GetColumnGrid", [](T& t, ViewArea a, const kDataColumn* c) { return t.GetColumnGrid(a, c); });
  byColumn("GetColumnBackground", [](T& t, ViewArea a, const kDataColumn* c) { return t.GetColumnBackground(a, c); });
  byColumn("GetColumnForeground", [](T& t, ViewArea a, const kDataColumn* c) { return t.GetColumnForeground(a, c); });
  byColumn("GetColumnFont", [](T& t, ViewArea a, const kDataColumn* c) { return t.GetColumnFont(a, c); });
  byColumn("GetColumnAlignment", [](T& t, ViewArea a, const kDataColumn* c) { return t.GetColumnAlignment(a, c); });
  auto byLine = [&info](const char* name, auto lookup) {
    info.Method<T>(name, [name, lookup](T& t, Args a) {
      const Usual& n = Arg(a, 0);
      if (!n.IsNumeric()) {
        RaiseError(gen::Arg, std::string("kTable:") + name,
                   std::string("Info line number expected, got ") + n.TypeLetter());
        return Usual();
      }
      // Range first: a huge number must not wrap into 1 ... 3.
      const std::int64_t line = n.AsInteger();
      if (line < 1 || line > 3) return Usual();
      return Usual(lookup(t, int(line)));
    });
  };
  byLine("GetInfoGrid", [](T& t, int n) { return t.GetInfoGrid(n); });
  byLine("GetInfoBackground", [](T& t, int n) { return t.GetInfoBackground(n); });
  byLine("GetInfoForeground", [](T& t, int n) { return t.GetInfoForeground(n); });
  byLine("GetInfoFont", [](T& t, int n) { return t.GetInfoFont(n); });
  byLine("GetInfoAlignment", [](T& t, int n) { return t.GetInfoAlignment(n); });
}

}  // namespace kt
