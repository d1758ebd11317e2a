#include "platform/gui/pointer.h"

#include <QCursor>
#include <QImage>
#include <QPixmap>

#include "platform/runtime/error.h"
#include "platform/runtime/numtext.h"

namespace kt {
namespace {

Qt::CursorShape QtShape(int shape) {
  switch (shape) {
    case PointerArrow: return Qt::ArrowCursor;
    case PointerCrosshair: return Qt::CrossCursor;
    case PointerIBeam: return Qt::IBeamCursor;
    case PointerHourglass: return Qt::WaitCursor;
    case PointerSizeNWSE: return Qt::SizeFDiagCursor;
    case PointerSizeNESW: return Qt::SizeBDiagCursor;
    case PointerSizeWE: return Qt::SizeHorCursor;
    case PointerFourArrow: return Qt::SizeAllCursor;
    case PointerSizeNS: return Qt::SizeVerCursor;
    case PointerUpArrow: return Qt::UpArrowCursor;
    case PointerForbidden: return Qt::ForbiddenCursor;
    case PointerHand: return Qt::PointingHandCursor;
    default: return Qt::BitmapCursor;
  }
}

}  // namespace

Pointer::Pointer(int shape) : shape_(shape) {
  Qt::CursorShape q = QtShape(shape);
  if (q == Qt::BitmapCursor) {
    shape_ = PointerArrow;
    q = Qt::ArrowCursor;
    RaiseError(gen::Arg, "Pointer", "Unknown pointer shape: " + ToText(shape));
  }
  cursor_ = std::make_unique<QCursor>(q);
}

Pointer::Pointer(const QImage& image, int hotX, int hotY)
    : shape_(-1), cursor_(std::make_unique<QCursor>(QPixmap::fromImage(image), hotX, hotY)) {}

Pointer::~Pointer() = default;

const QCursor& Pointer::ToQCursor() const { return *cursor_; }

const ClassInfo& Pointer::StaticClass() {
  static ClassInfo info("Pointer", &Object::StaticClass());
  static const bool registered = [] {
    info.Access<Pointer>("Shape", [](Pointer& p) { return Usual(p.Shape()); });
    return true;
  }();
  (void)registered;
  return info;
}

}  // namespace kt
