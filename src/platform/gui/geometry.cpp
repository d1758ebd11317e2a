#include "platform/gui/geometry.h"

#include <QPoint>
#include <QRect>
#include <QSize>

namespace kt {
namespace {

int Int(const Usual& v) { return int(v.AsInteger()); }

}  // namespace

QPoint Point::ToQPoint() const { return QPoint(X, Y); }
QSize Dimension::ToQSize() const { return QSize(Width, Height); }
QRect BoundingBox::ToQRect() const { return QRect(left_, top_, width_, height_); }

const ClassInfo& Point::StaticClass() {
  static ClassInfo info("Point", &Object::StaticClass());
  static const bool registered = [] {
    info.Access<Point>("X", [](Point& p) { return Usual(p.X); });
    info.Access<Point>("Y", [](Point& p) { return Usual(p.Y); });
    info.Assign<Point>("X", [](Point& p, const Usual& v) { p.X = Int(v); });
    info.Assign<Point>("Y", [](Point& p, const Usual& v) { p.Y = Int(v); });
    return true;
  }();
  (void)registered;
  return info;
}

const ClassInfo& Dimension::StaticClass() {
  static ClassInfo info("Dimension", &Object::StaticClass());
  static const bool registered = [] {
    info.Access<Dimension>("Width", [](Dimension& d) { return Usual(d.Width); });
    info.Access<Dimension>("Height", [](Dimension& d) { return Usual(d.Height); });
    info.Assign<Dimension>("Width", [](Dimension& d, const Usual& v) { d.Width = Int(v); });
    info.Assign<Dimension>("Height", [](Dimension& d, const Usual& v) { d.Height = Int(v); });
    return true;
  }();
  (void)registered;
  return info;
}

const ClassInfo& BoundingBox::StaticClass() {
  static ClassInfo info("BoundingBox", &Object::StaticClass());
  static const bool registered = [] {
    using B = BoundingBox;
    info.Access<B>("Left", [](B& b) { return Usual(b.Left()); });
    info.Access<B>("Top", [](B& b) { return Usual(b.Top()); });
    info.Access<B>("Right", [](B& b) { return Usual(b.Right()); });
    info.Access<B>("Bottom", [](B& b) { return Usual(b.Bottom()); });
    info.Access<B>("Width", [](B& b) { return Usual(b.Width()); });
    info.Access<B>("Height", [](B& b) { return Usual(b.Height()); });
    info.Access<B>("Origin", [](B& b) { return Usual(b.Origin()); });
    info.Access<B>("Extent", [](B& b) { return Usual(b.Extent()); });
    info.Access<B>("Size", [](B& b) { return Usual(b.Extent()); });
    return true;
  }();
  (void)registered;
  return info;
}

const ClassInfo& Range::StaticClass() {
  static ClassInfo info("Range", &Object::StaticClass());
  static const bool registered = [] {
    info.Access<Range>("Min", [](Range& r) { return Usual(r.Min); });
    info.Access<Range>("Max", [](Range& r) { return Usual(r.Max); });
    info.Assign<Range>("Min", [](Range& r, const Usual& v) { r.Min = Int(v); });
    info.Assign<Range>("Max", [](Range& r, const Usual& v) { r.Max = Int(v); });
    return true;
  }();
  (void)registered;
  return info;
}

}  // namespace kt
