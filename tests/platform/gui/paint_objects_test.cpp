#include <gtest/gtest.h>

#include <QBrush>
#include <QCursor>
#include <QImage>
#include <set>

#include "platform/gui/bitmap.h"
#include "platform/gui/brush.h"
#include "platform/gui/color.h"
#include "platform/gui/geometry.h"
#include "platform/gui/icon.h"
#include "platform/gui/pointer.h"
#include "platform/gui/resources.h"
#include "platform/gui/error_log.h"

namespace kt {
namespace {

TEST(Color, ConstantsAreDistinctAndBadInputIsReported) {
  std::set<std::uint32_t> seen;
  for (int n = ColorBlack; n <= ColorLightGray; ++n) seen.insert(Color(n).RGB());
  EXPECT_EQ(seen.size(), 16u);
  EXPECT_EQ(Color(ColorRed).ToQColor(), QColor(0xC0, 0, 0));

  test::ErrorLog log;
  EXPECT_EQ(Color(16).RGB(), 0u);
  Color clamped(300, -1, 7);
  EXPECT_EQ(clamped.Red(), 255);
  EXPECT_EQ(clamped.Green(), 0);
  EXPECT_EQ(clamped.Blue(), 7);
  ASSERT_EQ(log.errors.size(), 3u);
  for (const auto& e : log.errors) EXPECT_EQ(e->GenCode, gen::Arg);
}

TEST(Brush, HandlesBelongToTheirBrushUnlessTheyAreSystemBrushes) {
  BrushHandle h = 0;
  {
    Ref<Brush> b = New<Brush>(Color(ColorBlue), BrushHatchCross);
    h = b->Handle();
    ASSERT_TRUE(IsBrushHandle(h));
    EXPECT_EQ(b->ToQBrush().style(), Qt::CrossPattern);
    EXPECT_EQ(b->Color()->RGB(), Color(ColorBlue).RGB());
    b->Destroy();
    EXPECT_EQ(b->Handle(), 0u);
    EXPECT_FALSE(IsBrushHandle(h));
  }
  {
    Ref<Brush> b = New<Brush>(Color(ColorGreen));
    h = b->Handle();
  }
  EXPECT_FALSE(IsBrushHandle(h)) << "a dropped brush deletes its handle";

  const BrushHandle window = SysColorBrush(syscolor::Window);
  EXPECT_EQ(SysColorBrush(syscolor::Window), window) << "shared";
  EXPECT_TRUE(IsSystemBrushHandle(window));
  EXPECT_FALSE(DeleteBrushHandle(window));
  EXPECT_TRUE(IsBrushHandle(window));
  EXPECT_EQ(BrushFromHandle(window).color(), SysQColor(syscolor::Window));
  EXPECT_EQ(BrushFromHandle(0).style(), Qt::NoBrush);
  EXPECT_EQ(Brush().ToQBrush().style(), Qt::NoBrush);
}

// A packed DIB: 40-byte info header, colour table, bottom-up rows.
std::string Dib(int width, int height, int bits, const std::string& palette, const std::string& pixels,
                std::uint32_t colorsUsed = 0) {
  std::string d;
  auto u32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) d += char((v >> (8 * i)) & 0xFF);
  };
  auto u16 = [&](std::uint16_t v) {
    d += char(v & 0xFF);
    d += char(v >> 8);
  };
  u32(40);
  u32(std::uint32_t(width));
  u32(std::uint32_t(height));
  u16(1);
  u16(std::uint16_t(bits));
  u32(0);
  u32(std::uint32_t(pixels.size()));
  u32(2835);
  u32(2835);
  u32(colorsUsed);
  u32(0);
  return d + palette + pixels;
}

// 2 x 2, 24 bits: bottom row blue, red; top row green, white (rows padded to 4 bytes).
std::string Dib24() {
  const std::string bottom = std::string("\xFF\x00\x00\x00\x00\xFF", 6) + std::string(2, '\0');
  const std::string top = std::string("\x00\xFF\x00\xFF\xFF\xFF", 6) + std::string(2, '\0');
  return Dib(2, 2, 24, "", bottom + top);
}

TEST(Bitmap, FromDIBData) {
  for (bool withFileHeader : {false, true}) {
    std::string data = Dib24();
    if (withFileHeader) data = "BM" + std::string(12, '\x7F') + data;  // a lying file header is ignored
    Ref<Bitmap> b = Bitmap::FromDIB(data);
    ASSERT_TRUE(b) << withFileHeader;
    EXPECT_EQ(b->Size()->Width, 2);
    EXPECT_EQ(b->Size()->Height, 2);
    const QImage& img = b->ToQImage();
    EXPECT_EQ(QColor(img.pixel(0, 1)), QColor(Qt::blue));
    EXPECT_EQ(QColor(img.pixel(1, 1)), QColor(Qt::red));
    EXPECT_EQ(QColor(img.pixel(0, 0)), QColor(Qt::green));
    EXPECT_EQ(QColor(img.pixel(1, 0)), QColor(Qt::white));
  }
  // 8 bits with a two-colour table.
  const std::string palette("\x00\x00\x00\x00\x00\x00\xFF\x00", 8);
  Ref<Bitmap> p = Bitmap::FromDIB(Dib(3, 1, 8, palette, std::string("\x01\x00\x01\x00", 4), 2));
  ASSERT_TRUE(p);
  EXPECT_EQ(QColor(p->ToQImage().pixel(0, 0)), QColor(Qt::red));
  EXPECT_EQ(QColor(p->ToQImage().pixel(1, 0)), QColor(Qt::black));
}

TEST(Bitmap, BadDIBDataIsReportedNotDecoded) {
  std::string badHeader = Dib24();
  badHeader[0] = 99;
  std::string twoPlanes = Dib24();
  twoPlanes[12] = 2;
  struct Case {
    const char* what;
    std::string data;
  } cases[] = {
      {"empty", ""},
      {"too short", std::string(11, '\0')},
      {"unknown header size", badHeader},
      {"two planes", twoPlanes},
      {"pixels cut off", Dib24().substr(0, Dib24().size() - 3)},
      {"no pixels", Dib(0, 2, 24, "", "")},
      {"huge", Dib(100000, 100000, 24, "", "")},
      {"odd bit count", Dib(2, 2, 7, "", std::string(8, '\0'))},
      {"palette beyond data", Dib(2, 2, 8, "", "", 200)},
      {"palette longer than allowed", Dib(2, 2, 1, std::string(16, '\0'), std::string(8, '\0'), 4)},
  };
  for (const auto& c : cases) {
    test::ErrorLog log;
    EXPECT_FALSE(Bitmap::FromDIB(c.data)) << c.what;
    ASSERT_EQ(log.errors.size(), 1u) << c.what;
    EXPECT_EQ(log.GenCode(), gen::Corruption) << c.what;
  }
}

TEST(Bitmap, FromFile) {
  test::ErrorLog log;
  EXPECT_FALSE(Bitmap::FromFile("/nonexistent/picture.bmp"));
  EXPECT_EQ(log.GenCode(), gen::Open);
  EXPECT_EQ(log.errors[0]->FileName, "/nonexistent/picture.bmp");

  const std::string path = testing::TempDir() + "ktable_bitmap_test.png";
  QImage image(7, 5, QImage::Format_RGB32);
  image.fill(Qt::red);
  ASSERT_TRUE(image.save(QString::fromStdString(path)));
  Ref<Bitmap> b = Bitmap::FromFile(path);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->Width(), 7);
  // Late-bound Size:Width as the column reads it.
  EXPECT_EQ(b->Access("Size").AsObject()->Access("Width"), Usual(7));
  std::remove(path.c_str());
}

TEST(Icon, ResourcesAndSizes) {
  QImage image(24, 16, QImage::Format_ARGB32);
  image.fill(Qt::blue);
  RegisterImageResource("kIcoTest", image);
  EXPECT_FALSE(LoadImageResource("KICOTEST").isNull()) << "names ignore case";
  EXPECT_TRUE(LoadImageResource("NoSuchResource").isNull());
  Icon icon(LoadImageResource("kicotest"));
  EXPECT_EQ(icon.NaturalSize()->Width, 24);
  EXPECT_EQ(icon.NaturalSize()->Height, 16);
  EXPECT_GT(Icon().NaturalSize()->Width, 0) << "an empty icon has the system icon size";
  UnregisterImageResource("KICOTEST");
  EXPECT_TRUE(LoadImageResource("kIcoTest").isNull());
  EXPECT_EQ(ResourceID(7).Name(), "#7");
}

TEST(Pointer, ShapesAndPictures) {
  EXPECT_EQ(Pointer(PointerFourArrow).ToQCursor().shape(), Qt::SizeAllCursor);
  EXPECT_EQ(Pointer(PointerSizeWE).ToQCursor().shape(), Qt::SizeHorCursor);
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(Qt::black);
  Pointer picture(image, 3, 4);
  EXPECT_EQ(picture.Shape(), -1);
  EXPECT_EQ(picture.ToQCursor().hotSpot(), QPoint(3, 4));

  test::ErrorLog log;
  EXPECT_EQ(Pointer(99).Shape(), PointerArrow);
  EXPECT_EQ(log.GenCode(), gen::Arg);
}

TEST(Geometry, BoundingBoxFromPointAndDimension) {
  BoundingBox box(Point(10, 20), Dimension(30, 40));
  EXPECT_EQ(box.Right(), 40);
  EXPECT_EQ(box.Bottom(), 60);
  EXPECT_TRUE(box.PointInside(39, 59));
  EXPECT_FALSE(box.PointInside(40, 59));
  EXPECT_EQ(box.ToQRect(), QRect(10, 20, 30, 40));
  EXPECT_EQ(box.Access("Origin").AsObject()->Access("Y"), Usual(20));
  EXPECT_TRUE(Range(1, 3).Contains(3));
  EXPECT_FALSE(Range(1, 3).Contains(4));
}

}  // namespace
}  // namespace kt
