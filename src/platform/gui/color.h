#pragma once
// Color: an RGB colour value the way the GUI classes pass it around (a
// runtime object, so it fits into usual values, colour specifications and
// view styles), with the host's numbered colour constants and the system
// colours of the current palette.
#include <cstdint>

#include "platform/runtime/object.h"

class QColor;

namespace kt {

// Colour constants for Color(n): sixteen clearly distinct colours.
inline constexpr int ColorBlack = 0;
inline constexpr int ColorBlue = 1;
inline constexpr int ColorGreen = 2;
inline constexpr int ColorCyan = 3;
inline constexpr int ColorRed = 4;
inline constexpr int ColorMagenta = 5;
inline constexpr int ColorYellow = 6;
inline constexpr int ColorWhite = 7;
inline constexpr int ColorGray = 8;
inline constexpr int ColorLightBlue = 9;
inline constexpr int ColorLightGreen = 10;
inline constexpr int ColorLightCyan = 11;
inline constexpr int ColorLightRed = 12;
inline constexpr int ColorLightMagenta = 13;
inline constexpr int ColorBrown = 14;
inline constexpr int ColorLightGray = 15;

// System colour indexes (the numbers the drawing code is written against).
namespace syscolor {
inline constexpr int Window = 5;
inline constexpr int WindowText = 8;
inline constexpr int Highlight = 13;
inline constexpr int HighlightText = 14;
inline constexpr int BtnFace = 15;
inline constexpr int BtnShadow = 16;
inline constexpr int GrayText = 17;
inline constexpr int BtnText = 18;
inline constexpr int BtnHighlight = 20;
}  // namespace syscolor

class Color : public Object {
 public:
  Color() = default;  // black
  // One of the sixteen colour constants; any other number raises an
  // argument error and gives black.
  explicit Color(int constant);
  // Components outside 0..255 raise an argument error and are clamped.
  Color(int red, int green, int blue);
  // 0xRRGGBB.
  static Ref<Color> FromRGB(std::uint32_t rgb);
  static Ref<Color> FromQColor(const QColor& color);

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  int Red() const { return int((rgb_ >> 16) & 0xFF); }
  int Green() const { return int((rgb_ >> 8) & 0xFF); }
  int Blue() const { return int(rgb_ & 0xFF); }
  std::uint32_t RGB() const { return rgb_; }
  QColor ToQColor() const;

  friend bool operator==(const Color& a, const Color& b) { return a.rgb_ == b.rgb_; }

 private:
  std::uint32_t rgb_ = 0;
};

// The colour of a system colour index in the application's palette (black
// for an unknown index).
Ref<Color> GetSysColor(int index);
QColor SysQColor(int index);

}  // namespace kt
