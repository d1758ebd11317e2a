#include "columns/kgrid.h"

#include "columns/style_args.h"
#include "platform/runtime/error.h"

namespace kt {
namespace {

struct StyleSize {
  int width, height;
  bool overlapped, flat;
};
constexpr StyleSize kSizes[5] = {
    {0, 0, false, true}, {1, 1, true, true}, {0, 1, true, true}, {1, 0, true, true}, {2, 2, false, false},
};

bool ValidStyle(std::int64_t s) { return s >= 0 && s <= 4; }

void BadStyle(std::int64_t s) {
  RaiseError(gen::Arg, "kGrid:Style", "Grid style must be 0 to 4, not " + std::to_string(s));
}

const char* const kSpaceNames[4] = {"SpaceLeft", "SpaceTop", "SpaceRight", "SpaceBottom"};

void BadSpace(int i, std::int64_t v) {
  RaiseError(gen::Arg, std::string("kGrid:") + kSpaceNames[i], "A space cannot be negative: " + std::to_string(v));
}

}  // namespace

kGrid::kGrid(const Usual& style, const Usual& spaceLeft, const Usual& spaceTop, const Usual& spaceRight,
             const Usual& spaceBottom) {
  if (style.IsNumeric()) {
    if (ValidStyle(style.AsInteger())) style_ = int(style.AsInteger());
    else BadStyle(style.AsInteger());
  }
  CalculateSize();
  const int defaults[4] = {style_ == 4 ? 1 : 2, style_ == 4 ? 0 : 1, style_ == 4 ? 1 : 2, style_ == 4 ? 0 : 1};
  const Usual* given[4] = {&spaceLeft, &spaceTop, &spaceRight, &spaceBottom};
  for (int i = 0; i < 4; ++i) {
    space_[i] = defaults[i];
    if (!given[i]->IsNumeric()) continue;
    if (given[i]->AsInteger() < 0) BadSpace(i, given[i]->AsInteger());
    else space_[i] = ClampInt(given[i]->AsInteger());
  }
}

void kGrid::Style(int style) {
  if (!ValidStyle(style)) {
    BadStyle(style);
    return;
  }
  style_ = style;
  CalculateSize();
}

void kGrid::CalculateSize() {
  const StyleSize& s = kSizes[style_];
  width_ = s.width;
  height_ = s.height;
  overlapped_ = s.overlapped;
  flat_ = s.flat;
}

void kGrid::SetSpace(int i, int v) {
  if (v < 0) BadSpace(i, v);
  else space_[i] = v;
}

const Ref<kItemList>& kGrid::BackgroundList() {
  if (!backgroundList_) backgroundList_ = New<kItemList>();
  return backgroundList_;
}

const ClassInfo& kGrid::StaticClass() {
  static ClassInfo info("kGrid", &Object::StaticClass());
  static const bool registered = [] {
    using G = kGrid;
    info.Access<G>("Style", [](G& g) { return Usual(g.Style()); });
    info.Assign<G>("Style", [](G& g, const Usual& v) { g.Style(v.IsNumeric() ? ClampInt(v.AsInteger()) : 0); });
    info.Access<G>("Width", [](G& g) { return Usual(g.Width()); });
    info.Access<G>("Height", [](G& g) { return Usual(g.Height()); });
    info.Method<G>("CalculateSize", [](G& g, Args) {
      g.CalculateSize();
      return Usual();
    });
    auto space = [](const char* name, int (G::*get)() const, void (G::*set)(int)) {
      info.Access<G>(name, [get](G& g) { return Usual((g.*get)()); });
      info.Assign<G>(name, [set](G& g, const Usual& v) { (g.*set)(ClampInt(v.AsInteger())); });
    };
    space("SpaceLeft", &G::SpaceLeft, &G::SpaceLeft);
    space("SpaceTop", &G::SpaceTop, &G::SpaceTop);
    space("SpaceRight", &G::SpaceRight, &G::SpaceRight);
    space("SpaceBottom", &G::SpaceBottom, &G::SpaceBottom);
    info.Access<G>("Overlapped", [](G& g) { return Usual(g.Overlapped()); });
    info.Assign<G>("Overlapped", [](G& g, const Usual& v) { g.Overlapped(v.AsLogic()); });
    info.Access<G>("Flat", [](G& g) { return Usual(g.Flat()); });
    info.Assign<G>("Flat", [](G& g, const Usual& v) { g.Flat(v.AsLogic()); });
    info.Access<G>("Foreground", [](G& g) { return Usual(g.Foreground()); });
    info.Assign<G>("Foreground", [](G& g, const Usual& v) { g.Foreground(ObjectArg<Color>(v, "kGrid:Foreground", "Color", g.Foreground())); });
    info.Access<G>("BackgroundList", [](G& g) { return Usual(g.BackgroundList()); });
    return true;
  }();
  (void)registered;
  return info;
}

}  // namespace kt
