#pragma once
// Point, Dimension, BoundingBox and Range: the small value objects of the
// GUI classes. They are runtime objects so that they travel in usual values
// (Bitmap:Size, the grid's area accessors) and answer late-bound accesses.
#include "platform/runtime/object.h"

class QPoint;
class QSize;
class QRect;

namespace kt {

class Point : public Object {
 public:
  Point() = default;
  Point(int x, int y) : X(x), Y(y) {}
  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();
  QPoint ToQPoint() const;

  int X = 0;
  int Y = 0;
};

class Dimension : public Object {
 public:
  Dimension() = default;
  Dimension(int width, int height) : Width(width), Height(height) {}
  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();
  QSize ToQSize() const;

  int Width = 0;
  int Height = 0;
};

// A rectangle given by its origin (left, top) and extent (width, height).
class BoundingBox : public Object {
 public:
  BoundingBox() = default;
  BoundingBox(int left, int top, int width, int height) : left_(left), top_(top), width_(width), height_(height) {}
  BoundingBox(const Point& origin, const Dimension& extent)
      : left_(origin.X), top_(origin.Y), width_(extent.Width), height_(extent.Height) {}
  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Exclusive right and bottom edges.
  int Right() const { return left_ + width_; }
  int Bottom() const { return top_ + height_; }
  Ref<Point> Origin() const { return New<Point>(left_, top_); }
  Ref<Dimension> Extent() const { return New<Dimension>(width_, height_); }
  bool PointInside(int x, int y) const { return x >= left_ && x < Right() && y >= top_ && y < Bottom(); }
  QRect ToQRect() const;

 private:
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
};

// A closed range of integers.
class Range : public Object {
 public:
  Range() = default;
  Range(int min, int max) : Min(min), Max(max) {}
  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();
  bool Contains(int v) const { return v >= Min && v <= Max; }

  int Min = 0;
  int Max = 0;
};

}  // namespace kt
