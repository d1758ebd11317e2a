#pragma once
// kIcon: an icon with the size it is drawn in, made from an Icon object, a
// resource name (symbol or text) or a ResourceID.
#include "platform/gui/icon.h"

namespace kt {

class kIcon : public Icon {
 public:
  // A resource that does not exist raises gen::Open naming it and gives an
  // empty icon; NIL gives an empty icon; other values raise an argument
  // error.
  explicit kIcon(const Usual& source = NIL);

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  // The drawing size; the icon's own size until assigned.
  const Ref<Dimension>& Size() const { return size_; }
  // Null restores the icon's own size.
  void Size(Ref<Dimension> size);

 private:
  void LoadResource(const std::string& name);

  Ref<Dimension> size_;
};

}  // namespace kt
