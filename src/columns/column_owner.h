#pragma once
// ColumnOwner: what a column needs from the grid that shows it. The grid
// implements it; tests give columns a small fake. A column keeps a link
// that the owner clears when it goes away, so a column that outlives its
// grid simply has no owner.
#include <memory>
#include <string_view>

#include "platform/gui/textmetrics.h"
#include "platform/runtime/usual.h"

namespace kt {

class Object;
class kViewStyle;
class Font;

// The grid areas that have view styles of their own in both grid and column.
enum class ViewArea { Caption, Data, Footer };

class ColumnOwner {
 public:
  ColumnOwner() : link_(std::make_shared<ColumnOwner*>(this)) {}
  virtual ~ColumnOwner() { *link_ = nullptr; }
  ColumnOwner(const ColumnOwner&) = delete;
  ColumnOwner& operator=(const ColumnOwner&) = delete;

  // The owner as a runtime object (the column's Owner access).
  virtual Object* OwnerObject() = 0;
  // The grid's own view style of an area; null when it has none.
  virtual kViewStyle* AreaView(ViewArea area) = 0;
  // How logic values are shown (#CHECKBOX, #COMBOBOX, ...; empty: text).
  virtual Symbol ViewLogicAs() = 0;
  // Memo text wraps at word boundaries.
  virtual bool WordBreakInMemo() = 0;
  // The grid's property bag (with its defaults, e.g. #VIEWLOGICVALUES).
  virtual Usual PropertyGet(Symbol name, const Usual& uDefault = NIL) = 0;
  // The grid's text measuring; see MeasureText.
  virtual TextSize MeasureText(std::string_view text, const Font* font, int width, bool wordBreak) {
    return kt::MeasureText(text, font, width, wordBreak);
  }

  // The link columns hold: it points to the owner while the owner lives.
  const std::shared_ptr<ColumnOwner*>& Link() const { return link_; }

 private:
  std::shared_ptr<ColumnOwner*> link_;
};

}  // namespace kt
