#include "columns/kicon.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include "columns/style_args.h"
#include "platform/gui/resources.h"

namespace kt {

kIcon::kIcon(const Usual& source) {
  if (auto* icon = dynamic_cast<Icon*>(source.AsObject())) {
    SetIcon(icon->ToQIcon());
  } else if (auto* id = dynamic_cast<ResourceID*>(source.AsObject())) {
    LoadResource(id->Name());
  } else if (source.IsSymbol()) {
    LoadResource(source.AsSymbol().Name());
  } else if (source.IsString()) {
    LoadResource(std::string(source.AsStringView()));
  } else if (!source.IsNil()) {
    RaiseError(gen::Arg, "kIcon", std::string("Icon, resource name or ResourceID expected, got ") + source.TypeLetter());
  }
  size_ = NaturalSize();
}

void kIcon::LoadResource(const std::string& name) {
  const QImage image = LoadImageResource(name);
  if (image.isNull()) {
    ErrorRef e = MakeError(gen::Open, "kIcon", "Icon resource not found: " + name);
    e->SubSystem = "GUI";
    Raise(e);
    return;
  }
  SetIcon(QIcon(QPixmap::fromImage(image)));
}

void kIcon::Size(Ref<Dimension> size) { size_ = size ? std::move(size) : NaturalSize(); }

const ClassInfo& kIcon::StaticClass() {
  static ClassInfo info("kIcon", &Icon::StaticClass());
  static const bool registered = [] {
    info.Access<kIcon>("Size", [](kIcon& i) { return Usual(i.Size()); });
    info.Assign<kIcon>("Size", [](kIcon& i, const Usual& v) {
      i.Size(ObjectArg<Dimension>(v, "kIcon:Size", "Dimension", i.Size()));
    });
    return true;
  }();
  (void)registered;
  return info;
}

}  // namespace kt
