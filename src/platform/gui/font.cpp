#include "platform/gui/font.h"

#include <QFont>
#include <QGuiApplication>

namespace kt {
namespace {

// Angles beyond a full turn wrap, so every value fits 16 bits and still
// points the same way.
std::int16_t Angle(int tenths) { return std::int16_t(tenths % 3600); }

QFont SystemFont() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return QGuiApplication::font();
  return QFont();
}

}  // namespace

Font::Font() : Font(SystemFont()) {}

Font::Font(std::string faceName, int pointSize) : face_(std::move(faceName)), pointSize_(pointSize) {
  const QFont sys = SystemFont();
  if (face_.empty()) face_ = sys.family().toStdString();
  if (pointSize_ <= 0) pointSize_ = sys.pointSize() > 0 ? sys.pointSize() : 9;
}

Font::Font(const QFont& font)
    : face_(font.family().toStdString()), pointSize_(font.pointSize() > 0 ? font.pointSize() : 9),
      bold_(font.bold()), italic_(font.italic()), underline_(font.underline()), strikeOut_(font.strikeOut()) {}

Font::Font(const Font& other)
    : Object(other), face_(other.face_), pointSize_(other.pointSize_), bold_(other.bold_), italic_(other.italic_),
      underline_(other.underline_), strikeOut_(other.strikeOut_), escapement_(other.escapement_),
      orientation_(other.orientation_) {}

Font::~Font() = default;

Ref<Font> Font::SystemVariable() { return New<Font>(); }

void Font::FaceName(std::string face) {
  face_ = std::move(face);
  Touch();
}
void Font::PointSize(int size) {
  pointSize_ = size > 0 ? size : pointSize_;
  Touch();
}
void Font::Bold(bool on) {
  bold_ = on;
  Touch();
}
void Font::Italic(bool on) {
  italic_ = on;
  Touch();
}
void Font::Underline(bool on) {
  underline_ = on;
  Touch();
}
void Font::StrikeOut(bool on) {
  strikeOut_ = on;
  Touch();
}
void Font::Escapement(int tenths) {
  escapement_ = Angle(tenths);
  Touch();
}
void Font::Orientation(int tenths) {
  orientation_ = Angle(tenths);
  Touch();
}
void Font::Rotation(int tenths) {
  escapement_ = orientation_ = Angle(tenths);
  Touch();
}

const QFont& Font::Handle() const {
  if (dirty_ || !font_) {
    auto f = std::make_unique<QFont>(QString::fromStdString(face_), pointSize_);
    f->setBold(bold_);
    f->setItalic(italic_);
    f->setUnderline(underline_);
    f->setStrikeOut(strikeOut_);
    font_ = std::move(f);
    dirty_ = false;
  }
  return *font_;
}

const ClassInfo& Font::StaticClass() {
  static ClassInfo info("Font", &Object::StaticClass());
  static const bool registered = [] {
    auto logic = [](const char* name, bool (Font::*get)() const, void (Font::*set)(bool)) {
      info.Access<Font>(name, [get](Font& f) { return Usual((f.*get)()); });
      info.Assign<Font>(name, [set](Font& f, const Usual& v) { (f.*set)(v.AsLogic()); });
    };
    auto number = [](const char* name, int (Font::*get)() const, void (Font::*set)(int)) {
      info.Access<Font>(name, [get](Font& f) { return Usual((f.*get)()); });
      info.Assign<Font>(name, [set](Font& f, const Usual& v) { (f.*set)(int(v.AsInteger())); });
    };
    logic("Bold", &Font::Bold, &Font::Bold);
    logic("Italic", &Font::Italic, &Font::Italic);
    logic("Underline", &Font::Underline, &Font::Underline);
    logic("StrikeOut", &Font::StrikeOut, &Font::StrikeOut);
    number("PointSize", &Font::PointSize, &Font::PointSize);
    number("Escapement", &Font::Escapement, &Font::Escapement);
    number("Orientation", &Font::Orientation, &Font::Orientation);
    number("Rotation", &Font::Rotation, &Font::Rotation);
    info.Access<Font>("FaceName", [](Font& f) { return Usual(f.FaceName()); });
    info.Assign<Font>("FaceName", [](Font& f, const Usual& v) { f.FaceName(std::string(v.AsStringView())); });
    return true;
  }();
  (void)registered;
  return info;
}

}  // namespace kt

