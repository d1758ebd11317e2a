#include "platform/gui/icon.h"

#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QPixmap>

#include "platform/gui/textmetrics.h"
#include "platform/runtime/error.h"

namespace kt {

Icon::Icon() : icon_(std::make_unique<QIcon>()) {}
Icon::Icon(const QIcon& icon) : icon_(std::make_unique<QIcon>(icon)) {}
Icon::Icon(const QImage& image) : icon_(std::make_unique<QIcon>(QPixmap::fromImage(image))) {}
Icon::Icon(const Icon& other) : Object(other), icon_(std::make_unique<QIcon>(*other.icon_)) {}
Icon::~Icon() = default;

Ref<Icon> Icon::FromFile(const std::string& path) {
  const QString file = QString::fromStdString(path);
  QImage image;
  if (QFileInfo(file).isFile()) image.load(file);
  if (image.isNull()) {
    ErrorRef e = MakeError(gen::Open, "Icon", "Cannot read icon file: " + path);
    e->SubSystem = "GUI";
    e->FileName = path;
    Raise(e);
    return nullptr;
  }
  return New<Icon>(image);
}

bool Icon::IsNull() const { return icon_->isNull(); }

Ref<Dimension> Icon::NaturalSize() const {
  QSize best;
  for (const QSize& s : icon_->availableSizes())
    if (s.width() * s.height() > best.width() * best.height()) best = s;
  if (best.isEmpty()) {
    const int side = SystemMetric(Metric::IconSize);
    return New<Dimension>(side, side);
  }
  return New<Dimension>(best.width(), best.height());
}

const QIcon& Icon::ToQIcon() const { return *icon_; }

void Icon::SetIcon(const QIcon& icon) { *icon_ = icon; }

const ClassInfo& Icon::StaticClass() {
  static ClassInfo info("Icon", &Object::StaticClass());
  static const bool registered = [] {
    info.Access<Icon>("Size", [](Icon& i) { return Usual(i.NaturalSize()); });
    return true;
  }();
  (void)registered;
  return info;
}

}  // namespace kt
