// kTable: one value in a rectangle by its view type: text, check box, push
// button, combo box, icon, bitmap, and the hooks for compound and
// owner-drawn values. Also the view type and alignment of a column.
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

#include "columns/kicon.h"
#include "grid/ktable.h"
#include "platform/gui/bitmap.h"
#include "platform/gui/icon.h"

namespace kt {
namespace {

const Symbol kText("Text"), kCheckBox("CheckBox"), kPushButton("PushButton"), kComboBox("ComboBox"),
    kComboEdit("ComboEdit"), kIconView("Icon"), kBitmap("Bitmap"), kCompoundValue("CompoundValue"), kAbstract("Abstract");

// Places a picture of `size` in `r` by the alignment bytes.
QPoint Place(const QRect& r, QSize size, int alignment) {
  const int h = align::Horizontal(alignment), v = align::Vertical(alignment);
  int x = r.left(), y = r.top();
  if (h == 2) x = r.left() + r.width() - size.width();
  else if (h == 3) x = r.left() + (r.width() - size.width()) / 2;
  if (v == 2) y = r.top() + r.height() - size.height();
  else if (v == 3) y = r.top() + (r.height() - size.height()) / 2;
  return {x, y};
}

Symbol ViewOfValue(const Usual& value) {
  if (!value.IsObject()) return kText;
  const Object* o = value.AsObject();
  if (!o) return kText;
  if (dynamic_cast<const Icon*>(o)) return kIconView;
  if (dynamic_cast<const Bitmap*>(o)) return kBitmap;
  if (o->Class().IsA(Symbol("kCompoundValue"))) return kCompoundValue;
  return kAbstract;
}

}  // namespace

Symbol kTable::GetColumnViewValueAs(const kDataColumn* column) const {
  if (!column) return kText;
  if (column->ViewValueAs()) return column->ViewValueAs();
  const std::string type = column->ValType();
  if (type == "L") return viewLogicAs_ ? viewLogicAs_ : kText;
  if (type == "O" || type == "U") return Symbol();
  return kText;
}

int kTable::GetColumnAlignment(ViewArea area, const kDataColumn* column) const {
  const int styled = ColumnAlignment(column, area, AreaStyle(area));
  int h = align::Horizontal(styled);
  if (h == 0 && column) {
    const Symbol view = GetColumnViewValueAs(column);
    const std::string type = column->ValType();
    if (view == kPushButton) h = 3;
    else if (type == "N") h = 2;
    else if (area == ViewArea::Data && type == "L" && view == kCheckBox) h = 3;
    else h = 1;
  }
  if (h == 0) h = 1;
  return h | (align::Vertical(styled) << 8);
}

bool kTable::DrawCompoundValue(QPainter&, const ValueDraw&) { return false; }
bool kTable::DrawAbstractValue(QPainter&, const ValueDraw&) { return false; }

void kTable::DrawValue(QPainter& p, const ValueDraw& v) {
  if (v.rect.width() <= 0 || v.rect.height() <= 0) return;
  const Symbol view = v.viewAs ? v.viewAs : ViewOfValue(v.value);
  QStyle* st = style();

  if (view == kCheckBox) {
    // TRUE or 1 checked, 2 undetermined, anything else clear.
    int state = 0;
    if (v.value.IsLogic()) state = v.value.AsLogic() ? 1 : 0;
    else if (v.value.IsNumeric()) state = v.value.AsInteger() == 1 ? 1 : v.value.AsInteger() == 2 ? 2 : 0;
    QStyleOptionButton opt;
    opt.initFrom(this);
    const int side = std::min({st->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this), v.rect.width(), v.rect.height()});
    opt.rect = QRect(Place(v.rect, QSize(side, side), v.alignment), QSize(side, side));
    opt.state = QStyle::State_None;
    // Greyed in a disabled window only; read-only cells look like the rest.
    if (v.enabled) opt.state |= QStyle::State_Enabled;
    opt.state |= state == 1 ? QStyle::State_On : state == 2 ? QStyle::State_NoChange : QStyle::State_Off;
    if (v.grid && !v.grid->Flat()) opt.state |= QStyle::State_Raised;
    st->drawPrimitive(QStyle::PE_IndicatorCheckBox, &opt, &p, this);
    return;
  }
  if (view == kIconView || view == kBitmap) {
    if (!v.value.IsObject()) return;
    const Object* o = v.value.AsObject();
    p.save();
    p.setClipRect(v.rect, Qt::IntersectClip);
    if (const auto* bitmap = dynamic_cast<const Bitmap*>(o)) {
      const QImage& image = bitmap->ToQImage();
      p.drawImage(Place(v.rect, image.size(), v.alignment), image);
    } else if (const auto* icon = dynamic_cast<const Icon*>(o)) {
      const Ref<Dimension> natural = icon->NaturalSize();
      QSize size = natural ? QSize(natural->Width, natural->Height) : QSize(16, 16);
      if (const auto* k = dynamic_cast<const kIcon*>(o); k && k->Size()) size = QSize(k->Size()->Width, k->Size()->Height);
      if (size.isEmpty()) size = QSize(16, 16);
      const QPixmap pm = icon->ToQIcon().pixmap(size, v.enabled ? QIcon::Normal : QIcon::Disabled);
      p.drawPixmap(QRect(Place(v.rect, size, v.alignment), size), pm);
    }
    p.restore();
    return;
  }
  if (view == kCompoundValue) {
    DrawCompoundValue(p, v);
    return;
  }
  if (view == kAbstract) {
    DrawAbstractValue(p, v);
    return;
  }

  QRect textRect = v.rect;
  if (view == kPushButton) {
    QStyleOptionButton opt;
    opt.initFrom(this);
    opt.rect = v.rect;
    opt.state = v.enabled ? QStyle::State_Enabled | QStyle::State_Raised : QStyle::State_Raised;
    st->drawPrimitive(QStyle::PE_PanelButtonCommand, &opt, &p, this);
  } else if (view == kComboBox || view == kComboEdit) {
    // The drop-down button at the right edge, as wide as a scroll bar.
    const int w = std::min(v.rect.width(), SystemMetric(Metric::VScrollWidth));
    const QRect button(v.rect.right() - w + 1, v.rect.top(), w, v.rect.height());
    QStyleOptionButton opt;
    opt.initFrom(this);
    opt.rect = button;
    opt.state = v.enabled ? QStyle::State_Enabled | QStyle::State_Raised : QStyle::State_Raised;
    st->drawPrimitive(QStyle::PE_PanelButtonCommand, &opt, &p, this);
    opt.rect = button.adjusted(3, 3, -3, -3);
    opt.palette.setColor(QPalette::ButtonText, SysQColor(v.enabled ? syscolor::BtnText : syscolor::GrayText));
    st->drawPrimitive(QStyle::PE_IndicatorArrowDown, &opt, &p, this);
    textRect.setRight(button.left() - 1);
  }
  if (v.text.empty()) return;

  // The text flags, by the customary rules.
  int flags = dt::ExpandTabs | dt::NoPrefix;
  if (!(v.textMode & 1)) flags |= dt::SingleLine;
  if ((v.textMode & 3) == 3) flags |= dt::WordBreak | dt::NoClip | dt::EditControl;
  const int escapement = v.font ? v.font->Escapement() : 0;
  const int h = align::Horizontal(v.alignment), vert = align::Vertical(v.alignment);
  if (escapement > 0) {
    flags |= dt::SingleLine | dt::Bottom;
    if (escapement == 900 || escapement == 2700) textRect.setBottom(textRect.bottom() + kt::MeasureText(v.text, v.font).height);
  } else {
    if (h == 2) flags |= dt::Right;
    else if (h == 3) flags |= dt::Center;
    if (flags & dt::SingleLine) {
      if (vert == 2) flags |= dt::Bottom;
      else if (vert == 3) flags |= dt::VCenter;
    }
  }
  p.setPen(v.foreground);

  // Most cells hold one short line: drawn directly, clipped only when the
  // text does not fit.
  if ((flags & dt::SingleLine) && escapement == 0 && v.text.find_first_of("\t\r\n") == std::string_view::npos) {
    const QString s = QString::fromUtf8(v.text.data(), qsizetype(v.text.size()));
    const QFont& f = v.font ? v.font->Handle() : QGuiApplication::font();
    if (p.font() != f) p.setFont(f);
    const QFontMetrics fm = p.fontMetrics();
    const int w = fm.horizontalAdvance(s);
    int x = textRect.left();
    if (flags & dt::Right) x = textRect.left() + textRect.width() - w;
    else if (flags & dt::Center) x = textRect.left() + (textRect.width() - w) / 2;
    int y = textRect.top();
    if (flags & dt::Bottom) y = textRect.top() + textRect.height() - fm.height();
    else if (flags & dt::VCenter) y = textRect.top() + (textRect.height() - fm.height()) / 2;
    const bool fits = x >= textRect.left() && x + w <= textRect.left() + textRect.width() &&
                      y >= textRect.top() && y + fm.height() <= textRect.top() + textRect.height();
    if (!fits) {
      p.save();
      p.setClipRect(textRect, Qt::IntersectClip);
    }
    p.drawText(QPoint(x, y + fm.ascent()), s);
    if (!fits) p.restore();
    return;
  }
  if (flags & dt::NoClip) {
    // Wrapped text stays inside its cell.
    p.save();
    p.setClipRect(v.rect, Qt::IntersectClip);
    DrawText(p, textRect, v.text, v.font, flags);
    p.restore();
  } else {
    DrawText(p, textRect, v.text, v.font, flags);
  }
}

}  // namespace kt
