#pragma once
// Measuring and drawing text the way the grid lays out its cells: the width
// and height of a text in a font, on one line per line break or wrapped at
// word boundaries into a given width, and drawing it into a rectangle with
// alignment flags and the font's rotation.
//
// A null font means the system's variable-pitch font. Everything here needs
// a QGuiApplication; without one the measures are 0.
#include <string_view>

class QPainter;
class QRect;

namespace kt {

class Font;

struct TextSize {
  int width = 0;
  int height = 0;
  friend bool operator==(const TextSize&, const TextSize&) = default;
};

// Lines end at LF, CR LF or CR; tabs expand to eight average characters.
// Without word break (or with a negative width) every line is measured as it
// is; with word break the lines wrap at word boundaries to fit `width`, and
// a word longer than the width is broken. The height is the number of lines
// times the font's line height; the empty text measures 0 x 0. Extents are
// those of the unrotated text.
TextSize MeasureText(std::string_view text, const Font* font, int width = -1, bool wordBreak = false);
inline int TextWidth(std::string_view text, const Font* font) { return MeasureText(text, font).width; }
// Height of one line of text in the font (the letter "J" on its own).
int FontHeight(const Font* font);

// The bounding box of a text of this size drawn rotated by `tenths` tenths
// of a degree.
TextSize RotatedExtent(TextSize size, int tenths);

enum class Metric { VScrollWidth, HScrollHeight, IconSize };
// Sizes of system elements in pixels, from the application's style.
int SystemMetric(Metric metric);

// Text drawing flags (the customary DT_ values).
namespace dt {
inline constexpr int Top = 0x0;
inline constexpr int Center = 0x1;
inline constexpr int Right = 0x2;
inline constexpr int VCenter = 0x4;
inline constexpr int Bottom = 0x8;
inline constexpr int WordBreak = 0x10;
inline constexpr int SingleLine = 0x20;
inline constexpr int ExpandTabs = 0x40;
inline constexpr int NoClip = 0x100;
inline constexpr int NoPrefix = 0x800;
inline constexpr int EditControl = 0x2000;
}  // namespace dt

// Draws the text into the rectangle with the painter's pen. VCenter and
// Bottom apply to single-line text. Without NoClip the text is clipped to
// the rectangle. A font with an escapement draws one line, placed as the
// unrotated line would be and then turned counter-clockwise about that
// line's top-left corner (with Bottom: rect bottom minus the line height).
void DrawText(QPainter& painter, const QRect& rect, std::string_view text, const Font* font, int flags);

}  // namespace kt
