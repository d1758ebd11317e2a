#pragma once
// Pointer: a mouse cursor, either one of the standard shapes or a picture
// with its hot spot.
#include <memory>

#include "platform/runtime/object.h"

class QCursor;
class QImage;

namespace kt {

// Standard shapes.
inline constexpr int PointerArrow = 0;
inline constexpr int PointerCrosshair = 1;
inline constexpr int PointerIBeam = 2;
inline constexpr int PointerHourglass = 3;
inline constexpr int PointerSizeNWSE = 4;
inline constexpr int PointerSizeNESW = 5;
inline constexpr int PointerSizeWE = 6;
inline constexpr int PointerFourArrow = 7;  // moving in every direction
inline constexpr int PointerSizeNS = 8;
inline constexpr int PointerUpArrow = 9;
inline constexpr int PointerForbidden = 10;
inline constexpr int PointerHand = 11;

class Pointer : public Object {
 public:
  // An unknown shape raises an argument error and gives the arrow.
  explicit Pointer(int shape = PointerArrow);
  Pointer(const QImage& image, int hotX, int hotY);
  ~Pointer() override;

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  // The standard shape, or -1 for a picture.
  int Shape() const { return shape_; }
  const QCursor& ToQCursor() const;

 private:
  int shape_ = PointerArrow;
  std::unique_ptr<QCursor> cursor_;
};

}  // namespace kt
