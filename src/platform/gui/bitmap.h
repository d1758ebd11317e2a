#pragma once
// Bitmap: a picture held in memory, loaded from a file or from device-
// independent bitmap data (the BMP layout, with or without its 14-byte file
// header, as pictures are stored in memo fields).
#include <memory>
#include <string>
#include <string_view>

#include "platform/gui/geometry.h"

class QImage;

namespace kt {

class Bitmap : public Object {
 public:
  Bitmap();
  explicit Bitmap(const QImage& image);
  ~Bitmap() override;

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  // Loads any image format Qt reads. A missing or unreadable file raises an
  // error (gen::Open / gen::Corruption, naming the file) and gives null.
  static Ref<Bitmap> FromFile(const std::string& path);
  // Reads DIB data: a BITMAPINFOHEADER (or BITMAPCOREHEADER) followed by the
  // colour table and the pixels, optionally preceded by the "BM" file
  // header. The data is untrusted: sizes are checked against the buffer
  // before anything is decoded. Bad data raises gen::Corruption and gives
  // null.
  static Ref<Bitmap> FromDIB(std::string_view data);

  bool IsNull() const;
  Ref<Dimension> Size() const;
  int Width() const;
  int Height() const;
  const QImage& ToQImage() const;

 private:
  std::unique_ptr<QImage> image_;
};

}  // namespace kt
