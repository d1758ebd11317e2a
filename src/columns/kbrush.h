#pragma once
// kBrush: a Brush that can wrap an existing handle. A handle marked as a
// system brush is forgotten, never deleted, when the kBrush is destroyed,
// so shared system brushes survive every grid that used them.
#include "platform/gui/brush.h"

namespace kt {

class kBrush : public Brush {
 public:
  // Wraps `handle`; without the system flag the kBrush owns it.
  kBrush(BrushHandle handle, bool system) : Brush(handle, !system), system_(system) {}
  // Creates a brush as Brush does.
  explicit kBrush(const kt::Color& color, int style = BrushSolid) : Brush(color, style) {}
  explicit kBrush(const Bitmap& pattern) : Brush(pattern) {}
  ~kBrush() override;

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  // The shared brush of a system colour, wrapped and marked as system.
  static Ref<kBrush> System(int sysColor);

  bool IsSystem() const { return system_; }
  void Destroy() override;

 private:
  bool system_ = false;
};

}  // namespace kt
