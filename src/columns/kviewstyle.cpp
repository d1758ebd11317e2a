#include "columns/kviewstyle.h"

#include "columns/style_args.h"

namespace kt {

void kViewStyle::SetFont(const Usual& v) { font_ = ObjectArg<kt::Font>(v, "kViewStyle:Font", "Font", font_); }
void kViewStyle::SetBackground(const Usual& v) { background_ = BrushArg(v, "kViewStyle:Background", background_); }
void kViewStyle::SetForeground(const Usual& v) {
  foreground_ = ObjectArg<kt::Color>(v, "kViewStyle:Foreground", "Color", foreground_);
}
void kViewStyle::SetGrid(const Usual& v) { grid_ = ObjectArg<kGrid>(v, "kViewStyle:Grid", "kGrid", grid_); }
void kViewStyle::SetAlignment(const Usual& v) {
  if (v.IsNumeric() || v.IsNil()) alignment_ = ClampInt(v.AsInteger());
  else RaiseError(gen::Arg, "kViewStyle:Alignment", std::string("Numeric alignment expected, got ") + v.TypeLetter());
}

const ClassInfo& kViewStyle::StaticClass() {
  static ClassInfo info("kViewStyle", &Object::StaticClass());
  static const bool registered = [] {
    using V = kViewStyle;
    info.Access<V>("Font", [](V& s) { return Usual(s.Font()); });
    info.Assign<V>("Font", [](V& s, const Usual& v) { s.SetFont(v); });
    info.Access<V>("Background", [](V& s) { return Usual(s.Background()); });
    info.Assign<V>("Background", [](V& s, const Usual& v) { s.SetBackground(v); });
    info.Access<V>("Foreground", [](V& s) { return Usual(s.Foreground()); });
    info.Assign<V>("Foreground", [](V& s, const Usual& v) { s.SetForeground(v); });
    info.Access<V>("Alignment", [](V& s) { return Usual(s.Alignment()); });
    info.Assign<V>("Alignment", [](V& s, const Usual& v) { s.SetAlignment(v); });
    info.Access<V>("Grid", [](V& s) { return Usual(s.Grid()); });
    info.Assign<V>("Grid", [](V& s, const Usual& v) { s.SetGrid(v); });
    return true;
  }();
  (void)registered;
  return info;
}

}  // namespace kt
