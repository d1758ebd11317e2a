#pragma once
// Font: a logical font description (face, point size, weight and style,
// rotation) from which the Qt font is created on demand. Every change marks
// the font for re-creation, so a font can be shared by several view styles
// and each user sees the current state at its next paint.
//
// Escapement and Orientation are angles in tenths of a degree,
// counter-clockwise, kept as 16-bit values; text drawn in a font with an
// escapement is rotated by that angle (see DrawText).
#include <cstdint>
#include <memory>
#include <string>

#include "platform/runtime/object.h"

class QFont;

namespace kt {

class Font : public Object {
 public:
  // The system's variable-pitch font.
  Font();
  // A face (empty: the system face) in a point size (<= 0: the system size).
  Font(std::string faceName, int pointSize);
  explicit Font(const QFont& font);
  Font(const Font& other);
  ~Font() override;

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  // A new font with the description of the system's variable-pitch font.
  static Ref<Font> SystemVariable();

  const std::string& FaceName() const { return face_; }
  void FaceName(std::string face);
  int PointSize() const { return pointSize_; }
  void PointSize(int size);
  bool Bold() const { return bold_; }
  void Bold(bool on);
  bool Italic() const { return italic_; }
  void Italic(bool on);
  bool Underline() const { return underline_; }
  void Underline(bool on);
  bool StrikeOut() const { return strikeOut_; }
  void StrikeOut(bool on);

  int Escapement() const { return escapement_; }
  void Escapement(int tenths);
  int Orientation() const { return orientation_; }
  void Orientation(int tenths);
  // Sets escapement and orientation; reads the orientation.
  int Rotation() const { return orientation_; }
  void Rotation(int tenths);

  // TRUE after a change until the Qt font is created again.
  bool NeedsCreate() const { return dirty_; }
  // The Qt font for this description (re-created when marked).
  const QFont& Handle() const;

 private:
  void Touch() { dirty_ = true; }

  std::string face_;
  int pointSize_ = 0;
  bool bold_ = false;
  bool italic_ = false;
  bool underline_ = false;
  bool strikeOut_ = false;
  std::int16_t escapement_ = 0;
  std::int16_t orientation_ = 0;
  mutable bool dirty_ = true;
  mutable std::unique_ptr<QFont> font_;
};

}  // namespace kt
