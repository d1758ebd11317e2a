#include "platform/gui/bitmap.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <cstdint>
#include <cstring>

#include "platform/runtime/error.h"
#include "platform/runtime/numtext.h"

namespace kt {
namespace {

std::uint32_t U32(std::string_view d, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | std::uint8_t(d[at + std::size_t(i)]);
  return v;
}
std::uint16_t U16(std::string_view d, std::size_t at) {
  return std::uint16_t(std::uint8_t(d[at]) | std::uint8_t(d[at + 1]) << 8);
}
void PutU32(std::string& s, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s += char((v >> (8 * i)) & 0xFF);
}

Ref<Bitmap> Fail(const std::string& description) {
  ErrorRef e = MakeError(gen::Corruption, "Bitmap", description);
  e->SubSystem = "GUI";
  Raise(e);
  return nullptr;
}

// Largest picture accepted from untrusted data (pixels); guards memory.
constexpr std::uint64_t kMaxPixels = 64ull * 1024 * 1024;
constexpr std::size_t kMaxBytes = std::size_t(1) << 30;

}  // namespace

Bitmap::Bitmap() : image_(std::make_unique<QImage>()) {}
Bitmap::Bitmap(const QImage& image) : image_(std::make_unique<QImage>(image)) {}
Bitmap::~Bitmap() = default;

bool Bitmap::IsNull() const { return image_->isNull(); }
int Bitmap::Width() const { return image_->width(); }
int Bitmap::Height() const { return image_->height(); }
Ref<Dimension> Bitmap::Size() const { return New<Dimension>(Width(), Height()); }
const QImage& Bitmap::ToQImage() const { return *image_; }

Ref<Bitmap> Bitmap::FromFile(const std::string& path) {
  const QString file = QString::fromStdString(path);
  if (!QFileInfo(file).isFile()) {
    ErrorRef e = MakeError(gen::Open, "Bitmap", "Picture file not found: " + path);
    e->SubSystem = "GUI";
    e->FileName = path;
    Raise(e);
    return nullptr;
  }
  QImageReader reader(file);
  QImage image = reader.read();
  if (image.isNull()) {
    ErrorRef e = MakeError(gen::Corruption, "Bitmap",
                           "Cannot read picture " + path + ": " + reader.errorString().toStdString());
    e->SubSystem = "GUI";
    e->FileName = path;
    Raise(e);
    return nullptr;
  }
  return New<Bitmap>(image);
}

Ref<Bitmap> Bitmap::FromDIB(std::string_view data) {
  // A stored file keeps its "BM" header; a packed DIB starts at the info
  // header. Either way the header is rebuilt from the info header, so a
  // lying file header cannot point outside the data.
  if (data.size() >= 14 && data[0] == 'B' && data[1] == 'M') data.remove_prefix(14);
  if (data.size() > kMaxBytes) return Fail("Bitmap data too large: " + ToText(data.size()) + " bytes");
  if (data.size() < 12) return Fail("Bitmap data too short: " + ToText(data.size()) + " bytes");
  const std::uint32_t headerSize = U32(data, 0);
  if (headerSize != 12 && (headerSize < 40 || headerSize > 124))
    return Fail("Unknown bitmap header size " + ToText(headerSize));
  if (headerSize > data.size()) return Fail("Bitmap header beyond the data");

  std::int64_t width = 0;
  std::int64_t height = 0;
  std::uint32_t bitCount = 0;
  std::uint32_t compression = 0;
  std::uint32_t colorsUsed = 0;
  std::uint32_t paletteEntry = 4;
  if (headerSize == 12) {
    width = U16(data, 4);
    height = U16(data, 6);
    bitCount = U16(data, 10);
    paletteEntry = 3;
  } else {
    width = std::int32_t(U32(data, 4));
    height = std::int32_t(U32(data, 8));
    bitCount = U16(data, 14);
    compression = U32(data, 16);
    colorsUsed = U32(data, 32);
  }
  if (U16(data, headerSize == 12 ? 8 : 12) != 1) return Fail("Bitmap with more than one plane");
  if (height < 0) height = -height;  // top-down rows
  if (width <= 0 || height <= 0) return Fail("Bitmap without pixels");
  if (std::uint64_t(width) * std::uint64_t(height) > kMaxPixels)
    return Fail("Bitmap too large: " + ToText(width) + " x " + ToText(height));
  switch (bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return Fail("Unsupported bits per pixel: " + ToText(bitCount));
  }
  std::uint64_t paletteSize = 0;
  if (bitCount <= 8) {
    const std::uint64_t maxColors = 1ull << bitCount;
    const std::uint64_t colors = colorsUsed == 0 ? maxColors : colorsUsed;
    if (colors > maxColors) return Fail("Bitmap colour table too long");
    paletteSize = colors * paletteEntry;
  } else if (headerSize == 40 && (compression == 3 || compression == 6)) {
    paletteSize = compression == 3 ? 12 : 16;  // colour masks follow the header
  }
  const std::uint64_t offBits = 14 + std::uint64_t(headerSize) + paletteSize;
  if (offBits - 14 > data.size()) return Fail("Bitmap colour table beyond the data");
  if (compression == 0 || compression == 3 || compression == 6) {
    const std::uint64_t stride = ((std::uint64_t(width) * bitCount + 31) / 32) * 4;
    if (stride * std::uint64_t(height) > data.size() - (offBits - 14))
      return Fail("Bitmap pixel data shorter than " + ToText(width) + " x " + ToText(height));
  }

  std::string file;
  file.reserve(data.size() + 14);
  file += "BM";
  PutU32(file, std::uint32_t(data.size() + 14));
  PutU32(file, 0);
  PutU32(file, std::uint32_t(offBits));
  file.append(data.data(), data.size());
  QImage image;
  if (!image.loadFromData(reinterpret_cast<const uchar*>(file.data()), int(file.size()), "BMP") || image.isNull())
    return Fail("Bitmap data cannot be decoded");
  return New<Bitmap>(image);
}

const ClassInfo& Bitmap::StaticClass() {
  static ClassInfo info("Bitmap", &Object::StaticClass());
  static const bool registered = [] {
    info.Access<Bitmap>("Size", [](Bitmap& b) { return Usual(b.Size()); });
    return true;
  }();
  (void)registered;
  return info;
}

}  // namespace kt
