#pragma once
// Named picture resources (icons, cursor images) and the ResourceID that
// names one. The library and the application register their pictures at
// start-up; a name that is not registered is looked up in the Qt resource
// system (":/NAME", ":/NAME.png", ":/NAME.ico", ":/NAME.bmp").
#include <string>
#include <string_view>

#include "platform/runtime/numtext.h"
#include "platform/runtime/object.h"

class QImage;

namespace kt {

class ResourceID : public Object {
 public:
  ResourceID() = default;
  explicit ResourceID(std::string name) : name_(std::move(name)) {}
  explicit ResourceID(int number) : number_(number) {}

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  // "#<number>" for a numbered resource.
  std::string Name() const { return name_.empty() ? "#" + ToText(number_) : name_; }
  int Number() const { return number_; }

 private:
  std::string name_;
  int number_ = 0;
};

// Names compare without regard to case. Registering a name again replaces it.
void RegisterImageResource(std::string_view name, const QImage& image);
void UnregisterImageResource(std::string_view name);
// A null image when the resource does not exist.
QImage LoadImageResource(std::string_view name);

}  // namespace kt
