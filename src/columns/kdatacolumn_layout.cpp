// kDataColumn: width, height of values, view styles, colours and fonts.
#include <algorithm>

#include "columns/kdatacolumn.h"
#include "columns/style_args.h"
#include "platform/gui/geometry.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/text.h"

namespace kt {
namespace {

const Symbol kSize("Size");
const Symbol kComboBox("COMBOBOX");
const Symbol kComboEdit("COMBOEDIT");
const Symbol kPushButton("PUSHBUTTON");

// The Size of a picture (bitmap, icon, or any object with a Size access).
const Dimension* PictureSize(const Usual& value, Usual& keep) {
  Object* o = value.AsObject();
  if (!o || !o->HasAccess(kSize)) return nullptr;
  keep = o->Access(kSize);
  return dynamic_cast<const Dimension*>(keep.AsObject());
}

}  // namespace

const Ref<kViewStyle>& kDataColumn::View(ViewArea area) const {
  switch (area) {
    case ViewArea::Caption: return captionView_;
    case ViewArea::Footer: return footerView_;
    default: return dataView_;
  }
}

kViewStyle& kDataColumn::EnsureDataView() {
  if (!dataView_) dataView_ = New<kViewStyle>();
  return *dataView_;
}

namespace {
const kViewStyle* OwnView(const kDataColumn* column, ViewArea area) {
  return column ? column->View(area).get() : nullptr;
}
}  // namespace

Ref<kGrid> ColumnGrid(const kDataColumn* column, ViewArea area, const kViewStyle* gridView) {
  return FirstSet({OwnView(column, area), gridView}, [](const kViewStyle& v) { return v.Grid(); });
}

Ref<kt::Brush> ColumnBackground(const kDataColumn* column, ViewArea area, const kViewStyle* gridView) {
  return FirstSet({OwnView(column, area), gridView}, [](const kViewStyle& v) { return v.Background(); });
}

Ref<kt::Color> ColumnForeground(const kDataColumn* column, ViewArea area, const kViewStyle* gridView) {
  return FirstSet({OwnView(column, area), gridView}, [](const kViewStyle& v) { return v.Foreground(); });
}

Ref<kt::Font> ColumnFont(const kDataColumn* column, ViewArea area, const kViewStyle* gridView) {
  return FirstSet({OwnView(column, area), gridView}, [](const kViewStyle& v) { return v.Font(); });
}

int ColumnAlignment(const kDataColumn* column, ViewArea area, const kViewStyle* gridView) {
  return FirstAlignment({OwnView(column, area), gridView});
}

const kViewStyle* kDataColumn::OwnerView(ViewArea area) const {
  ColumnOwner* owner = Owner();
  return owner ? owner->AreaView(area) : nullptr;
}

// Caption and footer texts without a font of their own are measured in the
// data font, the one they are drawn in.
Ref<kt::Font> kDataColumn::AreaFont(ViewArea area) const {
  if (Ref<kt::Font> font = ColumnFont(this, area, OwnerView(area))) return font;
  return area == ViewArea::Data ? nullptr : AreaFont(ViewArea::Data);
}

Ref<kGrid> kDataColumn::AreaGrid(ViewArea area) const { return ColumnGrid(this, area, OwnerView(area)); }

TextSize kDataColumn::Measure(std::string_view text, const kt::Font* font, int width, bool wordBreak) const {
  if (ColumnOwner* owner = Owner()) return owner->MeasureText(text, font, width, wordBreak);
  return MeasureText(text, font, width, wordBreak);
}

int kDataColumn::ValueWidth(const Usual& value, const kt::Font* font) const {
  if (value.IsString()) return Measure(value.AsStringView(), font).width;
  Usual keep;
  if (const Dimension* size = PictureSize(value, keep)) return std::max(0, size->Width);
  return 0;
}

void kDataColumn::Width(int width) {
  if (width < 0) {
    RaiseError(gen::Arg, "kDataColumn:Width", "A width cannot be negative: " + std::to_string(width));
    return;
  }
  width_ = width;
}

int kDataColumn::CalculateWidth() {
  const Ref<kt::Font> dataFont = AreaFont(ViewArea::Data);
  const std::string type = ValType();
  const int length = std::max(0, Length());
  const int decimals = std::max(0, Decimals());
  std::int64_t data = 0;
  if (type == "D") {
    data = Measure(DToC(Date::Today()), dataFont.get()).width;
  } else if (type == "N") {
    std::string mask;
    if (decimals == 0) {
      mask.assign(std::size_t(length), '9');
    } else {
      mask.assign(std::size_t(std::max(0, length - decimals - 1)), '9');
      mask += '.';
      mask.append(std::size_t(decimals), '9');
    }
    data = Measure(mask, dataFont.get()).width;
  } else {
    data = std::int64_t(Measure("L", dataFont.get()).width) * length;
  }
  ColumnOwner* owner = Owner();
  if (viewValueAs_ == kComboBox || viewValueAs_ == kComboEdit ||
      (type == "L" && owner && owner->ViewLogicAs() == kComboBox))
    data += SystemMetric(Metric::VScrollWidth) + 1;
  if (viewValueAs_ == kPushButton) data += 4;
  if (const Ref<kGrid> g = AreaGrid(ViewArea::Data)) data += g->ExtraWidth();

  std::int64_t caption = ValueWidth(Caption(), AreaFont(ViewArea::Caption).get());
  if (const Ref<kGrid> g = AreaGrid(ViewArea::Caption)) caption += g->ExtraWidth();
  std::int64_t footer = ValueWidth(footer_, AreaFont(ViewArea::Footer).get());
  if (const Ref<kGrid> g = AreaGrid(ViewArea::Footer)) footer += g->ExtraWidth();

  width_ = std::max(0, ClampInt(std::max({data, caption, footer})));
  return width_;
}

bool kDataColumn::IsHeightVariable() const {
  if (heightVariable_ == 1) return true;
  if (heightVariable_ != 0) return false;
  const std::string type = ValType();
  return type == "M" || type == "O" || type == "U";
}

int kDataColumn::CalculateHeightOfValue() {
  const Usual value = Value();
  std::string type = ValType();
  if (type == "U") type = value.TypeLetter();
  const bool isText = type == "C" || type == "M";
  int available = 0;
  Ref<kt::Font> fontRef;
  bool wordBreak = false;
  if (isText) {
    const Ref<kGrid> g = AreaGrid(ViewArea::Data);
    available = std::max(0, width_ - (g ? g->ExtraWidth() : 0));
    fontRef = AreaFont(ViewArea::Data);
    if (ColumnOwner* owner = Owner()) wordBreak = owner->WordBreakInMemo();
  }
  const kt::Font* font = fontRef.get();
  // The height also depends on the width, font and wrapping it was
  // measured with: a resized column measures again.
  if (value.Type() == lastHeightValue_.Type() && value == lastHeightValue_ && available == lastHeightWidth_ &&
      font == lastHeightFont_ && wordBreak == lastHeightWordBreak_)
    return lastHeight_;
  lastHeightValue_ = value;
  lastHeightWidth_ = available;
  lastHeightFont_ = font;
  lastHeightWordBreak_ = wordBreak;
  if (isText) {
    lastHeight_ = Measure(Transform(value), font, available, wordBreak).height;
  } else {
    Usual keep;
    const Dimension* size = PictureSize(value, keep);
    lastHeight_ = size ? std::max(0, size->Height) : 0;
  }
  return lastHeight_;
}

const Ref<kColorConditionList>& kDataColumn::ColorCondition() {
  if (!colorCondition_) colorCondition_ = New<kColorConditionList>();
  return colorCondition_;
}

const Ref<kFontConditionList>& kDataColumn::FontCondition() {
  if (!fontCondition_) fontCondition_ = New<kFontConditionList>();
  return fontCondition_;
}

ColorSpec kDataColumn::GetColorSpec(const Usual& column, const Usual& row) {
  const Ref<Color> foreground = dataView_ ? dataView_->Foreground() : nullptr;
  const Ref<Brush> background = dataView_ ? dataView_->Background() : nullptr;
  if (colorCondition_) return colorCondition_->GetColorSpec(foreground, background, column, row);
  ColorSpec spec;
  spec.foreground = foreground;
  spec.background = background;
  return spec;
}

Ref<kt::Font> kDataColumn::GetFontSpec(const Usual& column, const Usual& row) {
  return fontCondition_ ? fontCondition_->GetFontSpec(column, row) : nullptr;
}

}  // namespace kt
