#pragma once
// kGrid: the grid-line style of an area of the grid and the spaces between
// the lines and the cell contents, with an optional cycle of row
// backgrounds. One kGrid may serve several columns and areas; a change
// shows at the next repaint.
#include "platform/gui/color.h"
#include "support/kitemlist.h"

namespace kt {

class kGrid : public Object {
 public:
  // Line styles.
  static constexpr int StyleNone = 0;
  static constexpr int StyleLines = 1;       // vertical and horizontal lines
  static constexpr int StyleHorizontal = 2;  // horizontal lines only
  static constexpr int StyleVertical = 3;    // vertical lines only
  static constexpr int StyleButton = 4;      // every cell a raised button

  // A non-numeric style means 0, a number outside 0..4 raises an argument
  // error and gives 0. Spaces that are not given (or not numeric) take the
  // style's defaults: 1, 0, 1, 0 for style 4, else 2, 1, 2, 1; a negative
  // space raises an argument error and takes the default too.
  explicit kGrid(const Usual& style = NIL, const Usual& spaceLeft = NIL, const Usual& spaceTop = NIL,
                 const Usual& spaceRight = NIL, const Usual& spaceBottom = NIL);

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  int Style() const { return style_; }
  // Sets the style with its line sizes and flags; a style outside 0..4
  // raises an argument error and changes nothing.
  void Style(int style);
  // Line sizes of the style (read-only).
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Recomputes Width, Height, Overlapped and Flat from Style.
  void CalculateSize();

  int SpaceLeft() const { return space_[0]; }
  int SpaceTop() const { return space_[1]; }
  int SpaceRight() const { return space_[2]; }
  int SpaceBottom() const { return space_[3]; }
  // A negative space raises an argument error and changes nothing.
  void SpaceLeft(int v) { SetSpace(0, v); }
  void SpaceTop(int v) { SetSpace(1, v); }
  void SpaceRight(int v) { SetSpace(2, v); }
  void SpaceBottom(int v) { SetSpace(3, v); }

  bool Overlapped() const { return overlapped_; }
  void Overlapped(bool v) { overlapped_ = v; }
  bool Flat() const { return flat_; }
  void Flat(bool v) { flat_ = v; }

  const Ref<Color>& Foreground() const { return foreground_; }
  void Foreground(Ref<Color> c) { foreground_ = std::move(c); }

  // Brushes cycled by row number; created empty on first access.
  const Ref<kItemList>& BackgroundList();
  // TRUE when a background list exists and holds entries (does not create it).
  bool HasBackgrounds() const { return backgroundList_ && backgroundList_->Count() > 0; }

  // The extra width and height the lines and spaces add to a cell.
  int ExtraWidth() const { return 2 * width_ + space_[0] + space_[2]; }
  int ExtraHeight() const { return 2 * height_ + space_[1] + space_[3]; }

 private:
  void SetSpace(int i, int v);

  int style_ = 0;
  int width_ = 0;
  int height_ = 0;
  int space_[4] = {2, 1, 2, 1};
  bool overlapped_ = false;
  bool flat_ = true;
  Ref<Color> foreground_;
  Ref<kItemList> backgroundList_;
};

}  // namespace kt
