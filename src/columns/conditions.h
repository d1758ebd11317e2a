#pragma once
// Conditional colours and fonts. A condition is a code block (or text
// compiled into one with the parameters Server, Column, Row), an object
// that understands Eval, or a symbol naming a method of the condition's
// owner. Lists are evaluated in order; the first condition whose result is
// not empty wins.
#include "platform/gui/brush.h"
#include "platform/gui/font.h"
#include "platform/runtime/array.h"
#include "support/kitemlist.h"

namespace kt {

// The six colours of a cell or row: foreground, background, selected
// foreground, selected background, inactive selected foreground, inactive
// selected background. Any entry may be empty.
struct ColorSpec {
  Ref<Color> foreground;
  Ref<Brush> background;
  Ref<Color> selectedForeground;
  Ref<Brush> selectedBackground;
  Ref<Color> inactiveSelectedForeground;
  Ref<Brush> inactiveSelectedBackground;

  // Entry n (1..6) as a usual; NIL when empty or out of range.
  Usual Get(int n) const;
  // Sets entry n from a usual: colours at 1, 3, 5 and brushes at 2, 4, 6. A
  // Color given for a brush entry becomes a solid brush of it, a Brush given
  // for a colour entry gives its colour. Empty and other values change
  // nothing and answer FALSE.
  bool Put(int n, const Usual& value);
  void Clear(int n);
  // Entries that are set in `over` replace these.
  void Overlay(const ColorSpec& over);
  // The array of six entries of the late-bound interface, and back.
  Array ToArray() const;
  static ColorSpec FromArray(const Array& entries);
};

// Shared part of both condition kinds.
class kCondition : public Object {
 public:
  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  const Usual& Condition() const { return condition_; }
  // Text is compiled as "{|Server, Column, Row| <text>}"; a text that does
  // not compile raises the compile error and leaves the condition empty.
  void Condition(const Usual& condition);
  const Usual& Owner() const { return owner_; }
  void Owner(const Usual& owner) { owner_ = owner; }

  // A symbol condition is sent to the owner when it has a method of that
  // name; otherwise the condition is evaluated as a block with the owner,
  // column and row (a symbol then gives NIL: it does not hold). Errors
  // propagate.
  Usual Eval(const Usual& column, const Usual& row);

 protected:
  kCondition(const Usual& condition, const Usual& owner);

 private:
  Usual condition_;
  Usual owner_;
};

class kColorCondition : public kCondition {
 public:
  kColorCondition(const Usual& condition = NIL, const Usual& owner = NIL, const Usual& foreground = NIL,
                  const Usual& background = NIL);

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  // The colours used when the condition holds (entries of a ColorSpec).
  const ColorSpec& Colors() const { return colors_; }
  ColorSpec& Colors() { return colors_; }

  const Ref<Color>& Foreground() const { return colors_.foreground; }
  void Foreground(Ref<Color> c) { colors_.foreground = std::move(c); }
  const Ref<Brush>& Background() const { return colors_.background; }
  void Background(Ref<Brush> b) { colors_.background = std::move(b); }
  const Ref<Color>& SelectedForeground() const { return colors_.selectedForeground; }
  void SelectedForeground(Ref<Color> c) { colors_.selectedForeground = std::move(c); }
  const Ref<Brush>& SelectedBackground() const { return colors_.selectedBackground; }
  void SelectedBackground(Ref<Brush> b) { colors_.selectedBackground = std::move(b); }
  const Ref<Color>& InactiveSelectedForeground() const { return colors_.inactiveSelectedForeground; }
  void InactiveSelectedForeground(Ref<Color> c) { colors_.inactiveSelectedForeground = std::move(c); }
  const Ref<Brush>& InactiveSelectedBackground() const { return colors_.inactiveSelectedBackground; }
  void InactiveSelectedBackground(Ref<Brush> b) { colors_.inactiveSelectedBackground = std::move(b); }

 private:
  ColorSpec colors_;
};

class kFontCondition : public kCondition {
 public:
  kFontCondition(const Usual& condition = NIL, const Usual& owner = NIL, const Usual& font = NIL);

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  const Ref<kt::Font>& Font() const { return font_; }
  void Font(Ref<kt::Font> f) { font_ = std::move(f); }

 private:
  Ref<kt::Font> font_;
};

class kColorConditionList : public kItemList {
 public:
  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  // Starts from {foreground, background, four empty entries}; the first
  // condition that holds lays its colours over it, and when its result is
  // an array, the non-empty elements among its first six lay over that.
  // A condition that fails to evaluate is reported to the error block and
  // does not hold.
  ColorSpec GetColorSpec(const Ref<Color>& foreground, const Ref<Brush>& background, const Usual& column,
                         const Usual& row);
};

class kFontConditionList : public kItemList {
 public:
  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  // The first condition that holds gives its result when that is a Font,
  // else its own Font; null when none holds (or the one that holds has no
  // font). Evaluation errors as in kColorConditionList.
  Ref<kt::Font> GetFontSpec(const Usual& column, const Usual& row);
};

}  // namespace kt
