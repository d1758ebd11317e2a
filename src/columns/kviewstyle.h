#pragma once
// kViewStyle: how one area of the grid (caption, data, footer, info text)
// looks: text colour, background brush, font, alignment and grid lines.
// Shared by reference; a change shows at the next repaint.
#include <initializer_list>
#include <utility>

#include "columns/kgrid.h"
#include "platform/gui/brush.h"
#include "platform/gui/font.h"

namespace kt {

// Alignment: the horizontal value in the low byte, the vertical one in the
// next byte; 0 in either byte means "not set here" (the next style in line
// decides, by default left and top).
namespace align {
inline constexpr int Left = 1;
inline constexpr int Right = 2;
inline constexpr int Center = 3;
inline constexpr int Top = 0x100;
inline constexpr int Bottom = 0x200;
inline constexpr int VCenter = 0x300;
inline constexpr int Horizontal(int a) { return a & 0xFF; }
inline constexpr int Vertical(int a) { return (a >> 8) & 0xFF; }
}  // namespace align

class kViewStyle : public Object {
 public:
  kViewStyle() = default;
  // Creation in the customary order; each argument optional.
  explicit kViewStyle(Ref<kt::Color> foreground, Ref<kt::Brush> background = nullptr, int alignment = 0,
                      Ref<kt::Font> font = nullptr, Ref<kGrid> grid = nullptr)
      : font_(std::move(font)), background_(std::move(background)), foreground_(std::move(foreground)),
        alignment_(alignment), grid_(std::move(grid)) {}

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  const Ref<kt::Font>& Font() const { return font_; }
  void Font(Ref<kt::Font> f) { font_ = std::move(f); }
  const Ref<kt::Brush>& Background() const { return background_; }
  void Background(Ref<kt::Brush> b) { background_ = std::move(b); }
  const Ref<kt::Color>& Foreground() const { return foreground_; }
  void Foreground(Ref<kt::Color> c) { foreground_ = std::move(c); }
  int Alignment() const { return alignment_; }
  void Alignment(int a) { alignment_ = a; }
  const Ref<kGrid>& Grid() const { return grid_; }
  void Grid(Ref<kGrid> g) { grid_ = std::move(g); }

  // Late-bound forms of the assigns: NIL clears, an object of the wrong
  // class raises an argument error and changes nothing; Background also
  // takes a Color (a solid brush of it).
  void SetFont(const Usual& v);
  void SetBackground(const Usual& v);
  void SetForeground(const Usual& v);
  void SetAlignment(const Usual& v);
  void SetGrid(const Usual& v);

 private:
  Ref<kt::Font> font_;
  Ref<kt::Brush> background_;
  Ref<kt::Color> foreground_;
  int alignment_ = 0;
  Ref<kGrid> grid_;
};

// The first of the styles, in order (any may be null), that sets the
// property `get` reads; empty when none does. Every style lookup of the
// grid and its columns is one of these, so drawing and sizing agree.
template <class Get>
auto FirstSet(std::initializer_list<const kViewStyle*> styles, Get get) {
  for (const kViewStyle* s : styles)
    if (s)
      if (auto v = get(*s)) return v;
  return decltype(get(std::declval<const kViewStyle&>()))();
}

// The alignment the styles give: each byte from the first style that sets
// it, 0 where none does.
inline int FirstAlignment(std::initializer_list<const kViewStyle*> styles) {
  const int h = FirstSet(styles, [](const kViewStyle& v) { return align::Horizontal(v.Alignment()); });
  const int v = FirstSet(styles, [](const kViewStyle& s) { return align::Vertical(s.Alignment()); });
  return h | (v << 8);
}

}  // namespace kt
