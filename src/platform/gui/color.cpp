#include "platform/gui/color.h"

#include <QColor>
#include <QGuiApplication>
#include <QPalette>

#include "platform/runtime/error.h"
#include "platform/runtime/numtext.h"

namespace kt {
namespace {

constexpr std::uint32_t kConstants[16] = {
    0x000000, 0x0000C0, 0x008000, 0x008080, 0xC00000, 0x800080, 0xFFFF80, 0xFFFFFF,
    0x808080, 0x8080FF, 0x80FF80, 0x80FFFF, 0xFF8080, 0xFF80FF, 0x804000, 0xC0C0C0,
};

int Component(int v, const char* name) {
  if (v >= 0 && v <= 255) return v;
  RaiseError(gen::Arg, "Color", std::string(name) + " component out of range 0..255: " + ToText(v));
  return v < 0 ? 0 : 255;
}

}  // namespace

Color::Color(int constant) {
  if (constant >= 0 && constant < 16) {
    rgb_ = kConstants[constant];
    return;
  }
  RaiseError(gen::Arg, "Color", "Unknown colour constant: " + ToText(constant));
}

Color::Color(int red, int green, int blue)
    : rgb_(std::uint32_t(Component(red, "Red")) << 16 | std::uint32_t(Component(green, "Green")) << 8 |
           std::uint32_t(Component(blue, "Blue"))) {}

Ref<Color> Color::FromRGB(std::uint32_t rgb) {
  Ref<Color> c = New<Color>();
  c->rgb_ = rgb & 0xFFFFFF;
  return c;
}

Ref<Color> Color::FromQColor(const QColor& color) { return FromRGB(color.rgb() & 0xFFFFFF); }

QColor Color::ToQColor() const { return QColor(Red(), Green(), Blue()); }

const ClassInfo& Color::StaticClass() {
  static ClassInfo info("Color", &Object::StaticClass());
  static const bool registered = [] {
    info.Access<Color>("Red", [](Color& c) { return Usual(c.Red()); });
    info.Access<Color>("Green", [](Color& c) { return Usual(c.Green()); });
    info.Access<Color>("Blue", [](Color& c) { return Usual(c.Blue()); });
    info.Access<Color>("RGB", [](Color& c) { return Usual(long(c.RGB())); });
    return true;
  }();
  (void)registered;
  return info;
}

QColor SysQColor(int index) {
  // Without a GUI application there is no palette; a light default keeps
  // headless callers working.
  const QPalette pal = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::palette()
                                                                                     : QPalette(QColor(0xEFEFEF));
  switch (index) {
    case syscolor::Window: return pal.color(QPalette::Active, QPalette::Base);
    case syscolor::WindowText: return pal.color(QPalette::Active, QPalette::Text);
    case syscolor::Highlight: return pal.color(QPalette::Active, QPalette::Highlight);
    case syscolor::HighlightText: return pal.color(QPalette::Active, QPalette::HighlightedText);
    case syscolor::BtnFace: return pal.color(QPalette::Active, QPalette::Button);
    case syscolor::BtnShadow: return pal.color(QPalette::Active, QPalette::Dark);
    case syscolor::GrayText: return pal.color(QPalette::Disabled, QPalette::Text);
    case syscolor::BtnText: return pal.color(QPalette::Active, QPalette::ButtonText);
    case syscolor::BtnHighlight: return pal.color(QPalette::Active, QPalette::Light);
    default: return QColor(Qt::black);
  }
}

Ref<Color> GetSysColor(int index) { return Color::FromQColor(SysQColor(index)); }

}  // namespace kt
