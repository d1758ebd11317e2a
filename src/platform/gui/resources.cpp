#include "platform/gui/resources.h"

#include <QFile>
#include <QImage>
#include <unordered_map>

#include "platform/runtime/text.h"

namespace kt {
namespace {

std::unordered_map<std::string, QImage>& Registry() {
  static std::unordered_map<std::string, QImage> registry;
  return registry;
}

}  // namespace

const ClassInfo& ResourceID::StaticClass() {
  static ClassInfo info("ResourceID", &Object::StaticClass());
  static const bool registered = [] {
    info.Access<ResourceID>("Name", [](ResourceID& r) { return Usual(r.Name()); });
    info.Access<ResourceID>("Number", [](ResourceID& r) { return Usual(r.Number()); });
    return true;
  }();
  (void)registered;
  return info;
}

void RegisterImageResource(std::string_view name, const QImage& image) { Registry()[text::Upper(name)] = image; }

void UnregisterImageResource(std::string_view name) { Registry().erase(text::Upper(name)); }

QImage LoadImageResource(std::string_view name) {
  if (name.empty()) return QImage();
  auto it = Registry().find(text::Upper(name));
  if (it != Registry().end()) return it->second;
  const QString base = ":/" + QString::fromUtf8(name.data(), qsizetype(name.size()));
  for (const char* ext : {"", ".png", ".ico", ".bmp"}) {
    const QString path = base + ext;
    if (QFile::exists(path)) {
      QImage image(path);
      if (!image.isNull()) return image;
    }
  }
  return QImage();
}

}  // namespace kt
