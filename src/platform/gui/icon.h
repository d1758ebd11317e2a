#pragma once
// Icon: a small picture for captions, cells and windows.
#include <memory>
#include <string>

#include "platform/gui/geometry.h"

class QIcon;
class QImage;

namespace kt {

class Icon : public Object {
 public:
  Icon();
  explicit Icon(const QIcon& icon);
  explicit Icon(const QImage& image);
  Icon(const Icon& other);
  ~Icon() override;

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  // Loads a picture file; a missing or unreadable file raises gen::Open and
  // gives null.
  static Ref<Icon> FromFile(const std::string& path);

  bool IsNull() const;
  // The size the icon was made for (its largest picture), or the system
  // icon size when it has none.
  Ref<Dimension> NaturalSize() const;
  const QIcon& ToQIcon() const;

 protected:
  void SetIcon(const QIcon& icon);

 private:
  std::unique_ptr<QIcon> icon_;
};

}  // namespace kt
