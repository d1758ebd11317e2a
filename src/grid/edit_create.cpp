// kTable: building the cell editor for a column (EditCreate), its place on
// the cell, and keeping it there (EditRecalculate).
#include <QFontMetrics>
#include <QStyle>
#include <unordered_map>

#include "columns/kdatacolumn.h"
#include "columns/kgrid.h"
#include "columns/kviewstyle.h"
#include "grid/cell_editor.h"
#include "grid/kcheckbox.h"
#include "grid/kcombo_edit.h"
#include "grid/ktable.h"
#include "platform/gui/font.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/error.h"
#include "platform/runtime/text.h"

namespace kt {

namespace {

const Symbol kEditClass("EditClass"), kCheckBoxSym("CheckBox"), kComboBoxSym("ComboBox"),
    kComboEditSym("ComboEdit"), kPushButtonSym("PushButton"), kSingleLineEditSym("SingleLineEdit"),
    kMultiLineEditSym("MultiLineEdit"), kRichEditSym("RichEdit"), kDateTimePickerSym("DateTimePicker"),
    kRTF("RTF"), kViewLogicValuesSym("VIEWLOGICVALUES");

std::unordered_map<Symbol, kTable::EditorFactory>& EditClasses() {
  static std::unordered_map<Symbol, kTable::EditorFactory> classes;
  return classes;
}

// The editors that show one line of text: they keep their own height.
bool IsSingleLine(Control* c) {
  return c->ControlKind() == Control::Kind::Edit || c->ControlKind() == Control::Kind::DateTimePicker;
}

}  // namespace

void kTable::RegisterEditClass(Symbol name, EditorFactory factory) {
  if (!name) return;
  if (factory) EditClasses()[name] = factory;
  else EditClasses().erase(name);
}

Control* kTable::EditCreate(int column, std::int64_t row, std::int64_t recNo) {
  if (column < 1 || column > ColumnOpenCount()) return nullptr;
  kDataColumn* c = columnOpenList_[std::size_t(column - 1)].get();
  const std::string type = c->ValType();
  Usual cls = c->PropertyGet(kEditClass);
  if (cls.IsString()) cls = text::Trim(cls.AsStringView()).empty() ? Usual() : Usual(Symbol(text::Trim(cls.AsStringView())));
  if (!cls.IsNil() && !cls.IsSymbol()) {
    RaiseError(gen::Arg, "EditCreate", "The edit class of column " + std::to_string(column) + " is not a class name");
    return nullptr;
  }
  const Symbol editClass = cls.IsSymbol() ? cls.AsSymbol() : Symbol();

  auto logicCombo = [this] {
    auto* combo = new ComboBox(this);
    const Usual pairs = PropertyGet(kViewLogicValuesSym);
    if (pairs.IsArray()) combo->FillUsing(pairs.AsArray());
    return combo;
  };

  Control* control = nullptr;
  if (editClass) {
    if (editClass == kCheckBoxSym) {
      if (type == "N") {
        auto* box = new kCheckBox(this);
        box->setTristate(true);
        control = box;
      } else {
        control = new CheckBox(this);
      }
    } else if (editClass == kComboBoxSym) {
      if (type == "L") {
        control = logicCombo();
      } else {
        auto* combo = new ComboBox(this);
        combo->setEditable(true);
        control = combo;
      }
    } else if (editClass == kComboEditSym) {
      control = new kComboEdit(this);
    } else if (editClass == kPushButtonSym) {
      control = new PushButton(this);
    } else if (editClass == kSingleLineEditSym) {
      control = new SingleLineEdit(this);
    } else if (editClass == kMultiLineEditSym) {
      control = new MultiLineEdit(this);
    } else if (editClass == kRichEditSym) {
      control = new RichEdit(this);
    } else if (editClass == kDateTimePickerSym) {
      control = new DateTimePicker(this);
    } else if (const auto it = EditClasses().find(editClass); it != EditClasses().end()) {
      control = it->second(this);
      if (!control) return nullptr;
      if (control->Widget() && control->Widget()->parentWidget() != this) control->Widget()->setParent(this);
    } else {
      RaiseError(gen::Arg, "EditCreate", "Unknown edit class: " + editClass.Name());
      return nullptr;
    }
  } else if (type == "L") {
    const Symbol as = ViewLogicAs();
    if (as == kCheckBoxSym) control = new CheckBox(this);
    else if (as == kComboBoxSym) control = logicCombo();
    else control = new SingleLineEdit(this);
  } else if (type == "M") {
    if (c->TextFormat() == kRTF) control = new RichEdit(this);
    else control = new MultiLineEdit(this);
  } else {
    control = new SingleLineEdit(this);
  }

  QWidget* w = control->Widget();
  if (!w) return control;
  w->hide();
  control->FieldSpec(c->FieldSpec());
  StyleEditor(control, column);
  PlaceEditor(control, column, row, recNo);
  return control;
}

void kTable::StyleEditor(Control* control, int column) {
  kDataColumn* c = columnOpenList_[std::size_t(column - 1)].get();
  QWidget* w = control->Widget();
  if (const Ref<kt::Font> f = GetColumnFont(ViewArea::Data, c)) w->setFont(f->Handle());
  if (const Ref<Color> fg = GetColumnForeground(ViewArea::Data, c)) control->TextColor(fg);
  if (const Ref<Brush> bg = GetColumnBackground(ViewArea::Data, c)) control->Background(bg);
  const int h = align::Horizontal(GetColumnAlignment(ViewArea::Data, c));
  const Qt::Alignment horizontal = h == 2 ? Qt::AlignRight : h == 3 ? Qt::AlignHCenter : Qt::AlignLeft;
  if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setAlignment(horizontal | Qt::AlignVCenter);
  else if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) spin->setAlignment(horizontal | Qt::AlignVCenter);
}

bool kTable::GetEditorRect(int column, std::int64_t row, std::int64_t recNo, GridRect& rect) const {
  GridRect r;
  if (!GetEditRect(column, row, recNo, r)) return false;
  // Inside the column's own grid lines, so that the editor does not paint
  // over them.
  if (const Ref<kGrid> g = GetColumnGrid(ViewArea::Data, columnOpenList_[std::size_t(column - 1)].get())) {
    r.left += g->Width();
    r.top += g->Height();
    r.right -= g->Width();
    r.bottom -= g->Height();
  }
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  rect = r;
  return true;
}

bool kTable::PlaceEditor(Control* control, int column, std::int64_t row, std::int64_t recNo) {
  GridRect r;
  if (!control || !GetEditorRect(column, row, recNo, r)) return false;
  QWidget* w = control->Widget();
  QRect place = r.ToQRect();
  if (IsSingleLine(control)) {
    // One text line high, where the column's data alignment puts its text.
    const int line = std::min(place.height(), std::max(w->sizeHint().height(), QFontMetrics(w->font()).height()));
    const int v = align::Vertical(GetColumnAlignment(ViewArea::Data, columnOpenList_[std::size_t(column - 1)].get()));
    int top = place.top();
    if (v == 2) top = place.bottom() + 1 - line;
    else if (v == 3) top = place.top() + (place.height() - line) / 2;
    place = QRect(place.left(), top, place.width(), line);
  }
  w->setGeometry(place);
  return true;
}

void kTable::EditRecalculate() {
  if (!editor_ || !editor_->Open()) return;
  QWidget* w = editor_->widget;
  const Ref<kCell>& cell = editor_->cell;
  // The record may stand on another row after scrolling.
  std::int64_t row = 0;
  for (std::size_t i = 0; i < rows_.size() && i < std::size_t(std::max(visibleRowCount_, 0)); ++i)
    if (!rows_[i].empty && rows_[i].recNo == cell->RecNo()) {
      row = std::int64_t(i) + 1;
      break;
    }
  bool onScreen = row > 0 && cell->Column() >= 1 && cell->Column() <= ColumnOpenCount();
  if (onScreen) {
    cell->Row(row);
    GridRect r;
    onScreen = GetEditorRect(cell->Column(), row, cell->RecNo(), r);
    // A scrolled column is off screen when it left the columns shown.
    const bool frozen = cell->Column() <= freeze_;
    const GridRect& area = frozen ? frozenArea_ : dynamicArea_.Width() > 0 ? dynamicArea_ : dataArea_;
    onScreen = onScreen && r.right > area.left && r.left < area.right && r.bottom > dataArea_.top &&
               r.top < dataArea_.bottom;
  }
  if (!onScreen) {
    if (w->isVisible()) w->hide();
    return;
  }
  StyleEditor(editor_->control, cell->Column());
  PlaceEditor(editor_->control, cell->Column(), row, cell->RecNo());
  // Shown again once it is back, unless Edit is still building it.
  if (!w->isVisible() && !editor_->creating) w->show();
}

}  // namespace kt
