#include "columns/conditions.h"

#include <algorithm>

#include "columns/style_args.h"
#include "platform/gui/guard.h"
#include "platform/runtime/codeblock.h"
#include "platform/runtime/compiler/macro.h"
#include "platform/runtime/convert.h"

namespace kt {
namespace {

const Symbol kEval("Eval");

// Evaluates one list item; a failure is reported and counts as "does not
// hold". Answers whether the item holds.
bool Holds(const Usual& item, const Usual& column, const Usual& row, Usual& result) {
  Object* o = item.AsObject();
  if (!o) return false;
  try {
    ErrorTrap trap;
    if (auto* c = dynamic_cast<kCondition*>(o)) {
      result = c->Eval(column, row);
    } else if (o->HasMethod(kEval)) {
      const Usual args[] = {column, row};
      result = o->Send(kEval, Args(args, 2));
    } else {
      return false;
    }
  } catch (const RuntimeError& e) {
    ReportError(e.error());
    return false;
  }
  return !Empty(result);
}

bool IsColorEntry(int n) { return n % 2 == 1; }

}  // namespace

// --- ColorSpec -----------------------------------------------------------

Usual ColorSpec::Get(int n) const {
  switch (n) {
    case 1: return Usual(foreground);
    case 2: return Usual(background);
    case 3: return Usual(selectedForeground);
    case 4: return Usual(selectedBackground);
    case 5: return Usual(inactiveSelectedForeground);
    case 6: return Usual(inactiveSelectedBackground);
    default: return Usual();
  }
}

bool ColorSpec::Put(int n, const Usual& value) {
  if (n < 1 || n > 6) return false;
  Object* o = value.AsObject();
  if (!o) return false;
  if (IsColorEntry(n)) {
    Ref<Color> c(dynamic_cast<Color*>(o));
    if (!c) {
      if (auto* b = dynamic_cast<Brush*>(o)) c = b->Color();
    }
    if (!c) return false;
    (n == 1 ? foreground : n == 3 ? selectedForeground : inactiveSelectedForeground) = std::move(c);
  } else {
    Ref<Brush> b(dynamic_cast<Brush*>(o));
    if (!b) {
      if (auto* c = dynamic_cast<Color*>(o)) b = New<Brush>(*c);
    }
    if (!b) return false;
    (n == 2 ? background : n == 4 ? selectedBackground : inactiveSelectedBackground) = std::move(b);
  }
  return true;
}

void ColorSpec::Clear(int n) {
  switch (n) {
    case 1: foreground = nullptr; break;
    case 2: background = nullptr; break;
    case 3: selectedForeground = nullptr; break;
    case 4: selectedBackground = nullptr; break;
    case 5: inactiveSelectedForeground = nullptr; break;
    case 6: inactiveSelectedBackground = nullptr; break;
    default: break;
  }
}

void ColorSpec::Overlay(const ColorSpec& over) {
  if (over.foreground) foreground = over.foreground;
  if (over.background) background = over.background;
  if (over.selectedForeground) selectedForeground = over.selectedForeground;
  if (over.selectedBackground) selectedBackground = over.selectedBackground;
  if (over.inactiveSelectedForeground) inactiveSelectedForeground = over.inactiveSelectedForeground;
  if (over.inactiveSelectedBackground) inactiveSelectedBackground = over.inactiveSelectedBackground;
}

Array ColorSpec::ToArray() const {
  Array a(6);
  for (int n = 1; n <= 6; ++n) a.Put(std::size_t(n), Get(n));
  return a;
}

ColorSpec ColorSpec::FromArray(const Array& entries) {
  ColorSpec spec;
  for (int n = 1; n <= 6 && std::size_t(n) <= entries.Len(); ++n) spec.Put(n, entries.Get(std::size_t(n)));
  return spec;
}

// --- kCondition ------------------------------------------------------------

kCondition::kCondition(const Usual& condition, const Usual& owner) : owner_(owner) { Condition(condition); }

void kCondition::Condition(const Usual& condition) {
  condition_ = Usual();
  if (condition.IsString()) {
    // A failed compile raises; with an error block that returns, the
    // condition stays empty and never holds.
    Codeblock block = CompileExpression("Server, Column, Row", condition.AsStringView());
    if (block) condition_ = Usual(block);
  } else if (condition.IsNil() || condition.IsCodeblock() || condition.IsSymbol() ||
             (condition.AsObject() && condition.AsObject()->HasMethod(kEval))) {
    condition_ = condition;
  } else {
    RaiseError(gen::Arg, ClassName() + ":Condition",
               std::string("Condition must be text, a code block, an object with Eval or a method name, got ") +
                   condition.TypeLetter());
  }
}

Usual kCondition::Eval(const Usual& column, const Usual& row) {
  if (condition_.IsSymbol() && IsMethod(owner_, condition_.AsSymbol())) {
    const Usual args[] = {column, row};
    return kt::Send(owner_, condition_.AsSymbol(), Args(args, 2));
  }
  // Anything else is evaluated as a block; a method name the owner lacks
  // thus simply does not hold (the grid asks for every cell on every paint,
  // so an error here would come back without end).
  const Usual args[] = {owner_, column, row};
  return EvalBlock(condition_, Args(args, 3));
}

const ClassInfo& kCondition::StaticClass() {
  static ClassInfo info("kCondition", &Object::StaticClass());
  static const bool registered = [] {
    info.Access<kCondition>("Condition", [](kCondition& c) { return c.Condition(); });
    info.Assign<kCondition>("Condition", [](kCondition& c, const Usual& v) { c.Condition(v); });
    info.Access<kCondition>("Owner", [](kCondition& c) { return c.Owner(); });
    info.Assign<kCondition>("Owner", [](kCondition& c, const Usual& v) { c.Owner(v); });
    info.Method<kCondition>("Eval", [](kCondition& c, Args a) {
      return c.Eval(a.size() > 0 ? a[0] : NIL, a.size() > 1 ? a[1] : NIL);
    });
    return true;
  }();
  (void)registered;
  return info;
}

// --- kColorCondition -------------------------------------------------------

kColorCondition::kColorCondition(const Usual& condition, const Usual& owner, const Usual& foreground,
                                 const Usual& background)
    : kCondition(condition, owner) {
  if (!foreground.IsNil() && !colors_.Put(1, foreground))
    RaiseError(gen::Arg, "kColorCondition", std::string("Foreground must be a Color, got ") + foreground.TypeLetter());
  if (!background.IsNil() && !colors_.Put(2, background))
    RaiseError(gen::Arg, "kColorCondition", std::string("Background must be a Brush, got ") + background.TypeLetter());
}

const ClassInfo& kColorCondition::StaticClass() {
  static ClassInfo info("kColorCondition", &kCondition::StaticClass());
  static const bool registered = [] {
    static const char* const names[6] = {"Foreground",         "Background",
                                         "SelectedForeground", "SelectedBackground",
                                         "InactiveSelectedForeground", "InactiveSelectedBackground"};
    for (int n = 1; n <= 6; ++n) {
      const char* name = names[n - 1];
      info.Access<kColorCondition>(name, [n](kColorCondition& c) { return c.Colors().Get(n); });
      info.Assign<kColorCondition>(name, [n, name](kColorCondition& c, const Usual& v) {
        if (v.IsNil()) {
          c.Colors().Clear(n);
        } else if (!c.Colors().Put(n, v)) {
          RaiseError(gen::Arg, std::string("kColorCondition:") + name,
                     std::string(IsColorEntry(n) ? "Color" : "Brush") + " object expected, got " + v.TypeLetter());
        }
      });
    }
    return true;
  }();
  (void)registered;
  return info;
}

// --- kFontCondition --------------------------------------------------------

kFontCondition::kFontCondition(const Usual& condition, const Usual& owner, const Usual& font)
    : kCondition(condition, owner), font_(ObjectArg<kt::Font>(font, "kFontCondition", "Font")) {}

const ClassInfo& kFontCondition::StaticClass() {
  static ClassInfo info("kFontCondition", &kCondition::StaticClass());
  static const bool registered = [] {
    info.Access<kFontCondition>("Font", [](kFontCondition& c) { return Usual(c.Font()); });
    info.Assign<kFontCondition>("Font", [](kFontCondition& c, const Usual& v) {
      c.Font(ObjectArg<kt::Font>(v, "kFontCondition:Font", "Font", c.Font()));
    });
    return true;
  }();
  (void)registered;
  return info;
}

// --- lists -----------------------------------------------------------------

ColorSpec kColorConditionList::GetColorSpec(const Ref<Color>& foreground, const Ref<Brush>& background,
                                            const Usual& column, const Usual& row) {
  ColorSpec spec;
  spec.foreground = foreground;
  spec.background = background;
  // A copy: a condition may change the list while it runs.
  const std::vector<Usual> items = Items().Items();
  for (const Usual& item : items) {
    Usual result;
    if (!Holds(item, column, row, result)) continue;
    if (auto* c = dynamic_cast<kColorCondition*>(item.AsObject())) spec.Overlay(c->Colors());
    if (result.IsArray()) {
      const Array computed = result.AsArray();
      for (std::size_t n = 1; n <= std::min<std::size_t>(6, computed.Len()); ++n)
        if (!Empty(computed.Get(n))) spec.Put(int(n), computed.Get(n));
    }
    break;
  }
  return spec;
}

const ClassInfo& kColorConditionList::StaticClass() {
  static ClassInfo info("kColorConditionList", &kItemList::StaticClass());
  static const bool registered = [] {
    info.Method<kColorConditionList>("GetColorSpec", [](kColorConditionList& l, Args a) {
      auto arg = [&](std::size_t i) { return i < a.size() ? a[i] : NIL; };
      const ColorSpec spec = l.GetColorSpec(Ref<Color>(dynamic_cast<Color*>(arg(0).AsObject())),
                                            BrushArg(arg(1), "kColorConditionList:GetColorSpec"), arg(2), arg(3));
      return Usual(spec.ToArray());
    });
    return true;
  }();
  (void)registered;
  return info;
}

Ref<kt::Font> kFontConditionList::GetFontSpec(const Usual& column, const Usual& row) {
  const std::vector<Usual> items = Items().Items();
  for (const Usual& item : items) {
    Usual result;
    if (!Holds(item, column, row, result)) continue;
    if (auto* f = dynamic_cast<kt::Font*>(result.AsObject())) return Ref<kt::Font>(f);
    if (auto* c = dynamic_cast<kFontCondition*>(item.AsObject())) return c->Font();
    return nullptr;
  }
  return nullptr;
}

const ClassInfo& kFontConditionList::StaticClass() {
  static ClassInfo info("kFontConditionList", &kItemList::StaticClass());
  static const bool registered = [] {
    info.Method<kFontConditionList>("GetFontSpec", [](kFontConditionList& l, Args a) {
      return Usual(l.GetFontSpec(a.size() > 0 ? a[0] : NIL, a.size() > 1 ? a[1] : NIL));
    });
    return true;
  }();
  (void)registered;
  return info;
}

}  // namespace kt
