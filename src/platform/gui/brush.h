#pragma once
// Brush: a fill pattern behind a handle. Handles are entries of a process-
// wide table so that a brush can be shared and wrapped by other objects
// (kBrush) the way the drawing code expects; the system-colour brushes live
// in that table for the whole process and can never be deleted.
#include <cstdint>

#include "platform/gui/color.h"

class QBrush;

namespace kt {

class Bitmap;

using BrushHandle = std::uintptr_t;  // 0: no brush

// Brush styles.
inline constexpr int BrushSolid = 0;
inline constexpr int BrushClear = 1;  // hollow: nothing is painted
inline constexpr int BrushHatchHorizontal = 2;
inline constexpr int BrushHatchVertical = 3;
inline constexpr int BrushHatchCross = 4;
inline constexpr int BrushHatchDiagonal = 5;      // rising to the right
inline constexpr int BrushHatchBackDiagonal = 6;  // falling to the right
inline constexpr int BrushHatchDiagonalCross = 7;

// The handle table. Deleting 0, an unknown or a system handle does nothing
// and answers FALSE.
BrushHandle CreateBrushHandle(const QBrush& brush);
bool DeleteBrushHandle(BrushHandle handle);
bool IsBrushHandle(BrushHandle handle);
bool IsSystemBrushHandle(BrushHandle handle);
// The brush behind a handle; Qt::NoBrush for 0 or an unknown handle.
QBrush BrushFromHandle(BrushHandle handle);
// The shared brush of a system colour index (created on first use).
BrushHandle SysColorBrush(int sysColor);

class Brush : public Object {
 public:
  Brush() = default;  // no handle: paints nothing
  // A brush of a colour in one of the styles above; an unknown style raises
  // an argument error and gives a solid brush.
  explicit Brush(const kt::Color& color, int style = BrushSolid);
  explicit Brush(const Bitmap& pattern);
  ~Brush() override;

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  BrushHandle Handle() const { return handle_; }
  // The colour of a solid or hatched brush; null for a pattern or no brush.
  Ref<kt::Color> Color() const;
  QBrush ToQBrush() const;
  // Deletes the handle this brush owns and forgets it.
  virtual void Destroy();

 protected:
  // Takes a handle; `owned` says whether Destroy deletes it.
  Brush(BrushHandle handle, bool owned) : handle_(handle), owned_(owned) {}
  void Forget() { handle_ = 0; owned_ = false; }

 private:
  void ReleaseHandle();

  BrushHandle handle_ = 0;
  bool owned_ = false;
};

}  // namespace kt
