#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "platform/gui/font.h"
#include "platform/gui/textmetrics.h"
#include "platform/gui/window.h"

namespace kt {
namespace {

TEST(MeasureText, LinesAndWordBreak) {
  Ref<Font> font = New<Font>("DejaVu Sans", 10);
  const int h = FontHeight(font.get());
  ASSERT_GT(h, 0);

  EXPECT_EQ(MeasureText("", font.get()), (TextSize{0, 0}));
  EXPECT_EQ(MeasureText("J", font.get()).height, h);
  for (const char* twoLines : {"ab\ncd", "ab\r\ncd", "ab\rcd"}) EXPECT_EQ(MeasureText(twoLines, font.get()).height, 2 * h) << twoLines;
  EXPECT_EQ(MeasureText("ab\n\ncd", font.get()).height, 3 * h);  // an empty line counts
  EXPECT_EQ(MeasureText("ab\ncdef", font.get()).width, MeasureText("cdef", font.get()).width);
  EXPECT_GT(MeasureText("a\tb", font.get()).width, MeasureText("a b", font.get()).width);

  const std::string text = "the quick brown fox jumps over the lazy dog";
  const TextSize line = MeasureText(text, font.get());
  EXPECT_EQ(line.height, h);
  // Without word break the width does not matter.
  EXPECT_EQ(MeasureText(text, font.get(), 60, false), line);
  const TextSize wrapped = MeasureText(text, font.get(), 60, true);
  EXPECT_GT(wrapped.height, 2 * h);
  EXPECT_LE(wrapped.width, 60);
  // A word longer than the width is broken rather than overflowing.
  const TextSize longWord = MeasureText("Donaudampfschifffahrtsgesellschaft", font.get(), 40, true);
  EXPECT_LE(longWord.width, 40);
  EXPECT_GT(longWord.height, h);
}

TEST(MeasureText, NullFontIsTheSystemVariableFont) {
  Ref<Font> system = Font::SystemVariable();
  EXPECT_EQ(MeasureText("Sample text", nullptr), MeasureText("Sample text", system.get()));
  EXPECT_EQ(FontHeight(nullptr), FontHeight(system.get()));
}

TEST(MeasureText, RotatedExtent) {
  struct Case {
    int tenths;
    TextSize expected;
  } cases[] = {{0, {100, 20}}, {900, {20, 100}}, {1800, {100, 20}}, {2700, {20, 100}}, {-900, {20, 100}}, {450, {85, 85}}};
  for (const auto& c : cases) EXPECT_EQ(RotatedExtent({100, 20}, c.tenths), c.expected) << c.tenths;
}

TEST(Font, RotationAndRecreation) {
  Ref<Font> f = New<Font>("DejaVu Sans", 12);
  f->Rotation(900);
  EXPECT_EQ(f->Escapement(), 900);
  EXPECT_EQ(f->Orientation(), 900);
  EXPECT_EQ(f->Rotation(), 900);
  f->Escapement(450);
  EXPECT_EQ(f->Escapement(), 450);
  EXPECT_EQ(f->Rotation(), 900) << "Rotation reads the orientation";
  // Angles beyond a full turn keep their direction and fit 16 bits.
  struct Case {
    int in, out;
  } cases[] = {{3600, 0}, {3700, 100}, {-900, -900}, {36000 + 450, 450}, {-4500, -900}};
  for (const auto& c : cases) {
    f->Rotation(c.in);
    EXPECT_EQ(f->Orientation(), c.out) << c.in;
  }

  (void)f->Handle();
  EXPECT_FALSE(f->NeedsCreate());
  f->Bold(true);
  EXPECT_TRUE(f->NeedsCreate());
  EXPECT_TRUE(f->Handle().bold());
  f->Orientation(100);
  EXPECT_TRUE(f->NeedsCreate()) << "every assign marks the font";

  // Late-bound names.
  f->Assign("Rotation", Usual(450));
  EXPECT_EQ(f->Access("Escapement"), Usual(450));
}

// Bounding box of the dark pixels of an image.
QRect Ink(const QImage& image) {
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qGray(image.pixel(x, y)) < 128) box = box.united(QRect(x, y, 1, 1));
  return box;
}

QImage Draw(const Font& font, const QRect& rect, int flags) {
  QImage image(300, 300, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setPen(Qt::black);
  DrawText(p, rect, "MMMMMMMM", &font, flags);
  return image;
}

TEST(DrawText, RotatedCaptionFont) {
  Ref<Font> font = New<Font>("DejaVu Sans", 14);
  font->Bold(true);
  const TextSize size = MeasureText("MMMMMMMM", font.get());
  ASSERT_GT(size.width, 3 * size.height);
  const QRect rect(40, 20, 200, 260);
  const int flags = dt::SingleLine | dt::Bottom | dt::NoClip;

  const QRect flat = Ink(Draw(*font, rect, flags));
  ASSERT_FALSE(flat.isNull());
  EXPECT_GT(flat.width(), flat.height());

  // 90 degrees: the line rises from the top-left corner of where it would
  // stand unrotated, (left, bottom - height), to the right of that point.
  font->Rotation(900);
  const QRect up = Ink(Draw(*font, rect, flags));
  ASSERT_FALSE(up.isNull());
  EXPECT_GT(up.height(), 3 * up.width());
  const int anchorY = rect.y() + rect.height() - size.height;
  EXPECT_GE(up.left(), rect.left() - 1);
  EXPECT_LE(up.right(), rect.left() + size.height + 1);
  EXPECT_LE(up.bottom(), anchorY + 1);
  EXPECT_GE(up.top(), anchorY - size.width - 1);

  // 45 degrees: up and to the right.
  font->Rotation(450);
  const QRect diagonal = Ink(Draw(*font, rect, flags));
  EXPECT_NEAR(diagonal.width(), diagonal.height(), size.height);
  EXPECT_LT(diagonal.top(), anchorY - size.width / 2);

  // Clipped to the rectangle without NoClip.
  font->Rotation(900);
  const QRect clipped = Ink(Draw(*font, QRect(40, 200, 200, 80), dt::SingleLine | dt::Bottom));
  EXPECT_GE(clipped.top(), 200);
}

// A control drawing its caption in a rotated font, as a grid's caption does.
class CaptionControl : public CustomControl {
 public:
  explicit CaptionControl(Font& f) : font_(f) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(Qt::black);
    DrawText(p, QRect(10, 0, width() - 20, height()), "Caption", &font_, dt::SingleLine | dt::Bottom | dt::NoClip);
  }

 private:
  Font& font_;
};

TEST(DrawText, RotatedCaptionInAWidgetOffscreen) {
  Ref<Font> font = New<Font>("DejaVu Sans", 12);
  font->Rotation(900);
  CaptionControl control(*font);
  control.resize(120, 140);
  const QRect ink = Ink(control.grab().toImage());
  ASSERT_FALSE(ink.isNull());
  EXPECT_GT(ink.height(), 2 * ink.width());
  EXPECT_LT(ink.bottom(), 140 - FontHeight(font.get()) + 2);
}

}  // namespace
}  // namespace kt
