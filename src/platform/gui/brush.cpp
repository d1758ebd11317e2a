#include "platform/gui/brush.h"

#include <QBrush>
#include <QImage>
#include <QPixmap>
#include <unordered_map>

#include "platform/gui/bitmap.h"
#include "platform/runtime/error.h"
#include "platform/runtime/numtext.h"

namespace kt {
namespace {

struct Entry {
  QBrush brush;
  bool system = false;
};

struct HandleTable {
  std::unordered_map<BrushHandle, Entry> entries;
  BrushHandle next = 1;
  std::unordered_map<int, BrushHandle> system;
};

HandleTable& Table() {
  static HandleTable table;
  return table;
}

Qt::BrushStyle QtStyle(int style) {
  switch (style) {
    case BrushSolid: return Qt::SolidPattern;
    case BrushClear: return Qt::NoBrush;
    case BrushHatchHorizontal: return Qt::HorPattern;
    case BrushHatchVertical: return Qt::VerPattern;
    case BrushHatchCross: return Qt::CrossPattern;
    case BrushHatchDiagonal: return Qt::BDiagPattern;
    case BrushHatchBackDiagonal: return Qt::FDiagPattern;
    case BrushHatchDiagonalCross: return Qt::DiagCrossPattern;
    default:
      RaiseError(gen::Arg, "Brush", "Unknown brush style: " + ToText(style));
      return Qt::SolidPattern;
  }
}

}  // namespace

BrushHandle CreateBrushHandle(const QBrush& brush) {
  HandleTable& t = Table();
  const BrushHandle h = t.next++;
  t.entries.emplace(h, Entry{brush, false});
  return h;
}

bool DeleteBrushHandle(BrushHandle handle) {
  HandleTable& t = Table();
  auto it = t.entries.find(handle);
  if (it == t.entries.end() || it->second.system) return false;
  t.entries.erase(it);
  return true;
}

bool IsBrushHandle(BrushHandle handle) { return Table().entries.count(handle) != 0; }

bool IsSystemBrushHandle(BrushHandle handle) {
  auto& entries = Table().entries;
  auto it = entries.find(handle);
  return it != entries.end() && it->second.system;
}

QBrush BrushFromHandle(BrushHandle handle) {
  auto& entries = Table().entries;
  auto it = entries.find(handle);
  return it == entries.end() ? QBrush() : it->second.brush;
}

BrushHandle SysColorBrush(int sysColor) {
  HandleTable& t = Table();
  auto it = t.system.find(sysColor);
  if (it != t.system.end()) return it->second;
  const BrushHandle h = t.next++;
  t.entries.emplace(h, Entry{QBrush(SysQColor(sysColor)), true});
  t.system.emplace(sysColor, h);
  return h;
}

Brush::Brush(const kt::Color& color, int style) : handle_(CreateBrushHandle(QBrush(color.ToQColor(), QtStyle(style)))), owned_(true) {}

Brush::Brush(const Bitmap& pattern) : handle_(CreateBrushHandle(QBrush(pattern.ToQImage()))), owned_(true) {}

Brush::~Brush() { ReleaseHandle(); }

void Brush::ReleaseHandle() {
  if (owned_ && handle_) DeleteBrushHandle(handle_);
  handle_ = 0;
  owned_ = false;
}

void Brush::Destroy() { ReleaseHandle(); }

Ref<kt::Color> Brush::Color() const {
  const QBrush b = BrushFromHandle(handle_);
  if (b.style() == Qt::NoBrush || b.style() == Qt::TexturePattern) return nullptr;
  return kt::Color::FromQColor(b.color());
}

QBrush Brush::ToQBrush() const { return BrushFromHandle(handle_); }

const ClassInfo& Brush::StaticClass() {
  static ClassInfo info("Brush", &Object::StaticClass());
  static const bool registered = [] {
    info.Access<Brush>("Handle", [](Brush& b) { return Usual(b.Handle()); });
    info.Access<Brush>("Color", [](Brush& b) { return Usual(b.Color()); });
    info.Method<Brush>("Destroy", [](Brush& b, Args) {
      b.Destroy();
      return Usual();
    });
    return true;
  }();
  (void)registered;
  return info;
}

}  // namespace kt
