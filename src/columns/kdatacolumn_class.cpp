// kDataColumn: the late-bound interface (accesses, assigns and methods by
// name), for application code and expressions.
#include "columns/kdatacolumn.h"
#include "columns/style_args.h"
#include "platform/runtime/text.h"

namespace kt {
namespace {

using C = kDataColumn;

const Usual& Arg(Args a, std::size_t i) { return i < a.size() ? a[i] : NIL; }

Symbol SymbolArg(const Usual& v, const char* operation) {
  if (v.IsSymbol()) return v.AsSymbol();
  if (v.IsString()) return Symbol(text::Trim(v.AsStringView()));
  if (!v.IsNil()) RaiseError(gen::Arg, operation, std::string("Symbol expected, got ") + v.TypeLetter());
  return Symbol();
}

Symbol NameArg(const Usual& v) { return v.IsString() ? Symbol(text::Trim(v.AsStringView())) : v.AsSymbol(); }

int IntArg(const Usual& v) { return ClampInt(v.AsInteger()); }

void Logic(ClassInfo& info, const char* name, bool (C::*get)() const, void (C::*set)(bool)) {
  info.Access<C>(name, [get](C& c) { return Usual((c.*get)()); });
  info.Assign<C>(name, [set](C& c, const Usual& v) { (c.*set)(v.AsLogic()); });
}

void ViewStyle(ClassInfo& info, const char* name, const Ref<kViewStyle>& (C::*get)() const, void (C::*set)(Ref<kViewStyle>)) {
  info.Access<C>(name, [get](C& c) { return Usual((c.*get)()); });
  info.Assign<C>(name, [get, set, name](C& c, const Usual& v) {
    (c.*set)(ObjectArg<kViewStyle>(v, name, "kViewStyle", (c.*get)()));
  });
}

}  // namespace

const ClassInfo& kDataColumn::StaticClass() {
  static ClassInfo info("kDataColumn", &Object::StaticClass());
  static const bool registered = [] {
    // Shortcuts to DataView: NIL without one.
    info.Access<C>("Alignment", [](C& c) { return c.DataView() ? Usual(c.Alignment()) : Usual(); });
    info.Assign<C>("Alignment", [](C& c, const Usual& v) { c.Alignment(IntArg(v)); });
    info.Access<C>("Background", [](C& c) { return Usual(c.Background()); });
    info.Assign<C>("Background", [](C& c, const Usual& v) { c.Background(BrushArg(v, "kDataColumn:Background", c.Background())); });
    info.Access<C>("Font", [](C& c) { return Usual(c.Font()); });
    info.Assign<C>("Font", [](C& c, const Usual& v) { c.Font(ObjectArg<kt::Font>(v, "kDataColumn:Font", "Font", c.Font())); });
    info.Access<C>("Foreground", [](C& c) { return Usual(c.Foreground()); });
    info.Assign<C>("Foreground", [](C& c, const Usual& v) {
      c.Foreground(ObjectArg<Color>(v, "kDataColumn:Foreground", "Color", c.Foreground()));
    });
    info.Access<C>("Grid", [](C& c) { return Usual(c.Grid()); });
    info.Assign<C>("Grid", [](C& c, const Usual& v) { c.Grid(ObjectArg<kGrid>(v, "kDataColumn:Grid", "kGrid", c.Grid())); });

    ViewStyle(info, "CaptionView", &C::CaptionView, &C::CaptionView);
    ViewStyle(info, "DataView", &C::DataView, &C::DataView);
    ViewStyle(info, "FooterView", &C::FooterView, &C::FooterView);
    info.Access<C>("ColorCondition", [](C& c) { return Usual(c.ColorCondition()); });
    info.Access<C>("FontCondition", [](C& c) { return Usual(c.FontCondition()); });

    info.Access<C>("Caption", [](C& c) { return c.Caption(); });
    info.Assign<C>("Caption", [](C& c, const Usual& v) { c.Caption(v); });
    info.Access<C>("HyperLabel", [](C& c) { return Usual(c.HyperLabel()); });
    info.Assign<C>("HyperLabel", [](C& c, const Usual& v) {
      c.HyperLabel(ObjectArg<kt::HyperLabel>(v, "kDataColumn:HyperLabel", "HyperLabel", c.HyperLabel()));
    });
    info.Access<C>("Footer", [](C& c) { return c.Footer(); });
    info.Assign<C>("Footer", [](C& c, const Usual& v) { c.Footer(v); });
    Logic(info, "CaptionVisible", &C::CaptionVisible, &C::CaptionVisible);
    Logic(info, "FooterVisible", &C::FooterVisible, &C::FooterVisible);
    Logic(info, "Selectable", &C::Selectable, &C::Selectable);
    Logic(info, "Movable", &C::Movable, &C::Movable);
    Logic(info, "Resizable", &C::Resizable, &C::Resizable);
    Logic(info, "Editable", &C::Editable, &C::Editable);
    Logic(info, "SuspendEmptyValues", &C::SuspendEmptyValues, &C::SuspendEmptyValues);

    info.Access<C>("Value", [](C& c) { return c.Value(); });
    info.Assign<C>("Value", [](C& c, const Usual& v) { c.Value(v); });
    info.Access<C>("TextValue", [](C& c) { return Usual(c.TextValue()); });
    info.Assign<C>("TextValue", [](C& c, const Usual& v) {
      if (v.IsString()) c.TextValue(v.AsStringView());
      else RaiseError(gen::Arg, "kDataColumn:TextValue", std::string("Text expected, got ") + v.TypeLetter());
    });
    info.Access<C>("Status", [](C& c) { return Usual(c.Status()); });
    info.Access<C>("Deleted", [](C& c) { return Usual(c.Deleted()); });

    info.Access<C>("ValType", [](C& c) { return Usual(c.ValType()); });
    info.Assign<C>("ValType", [](C& c, const Usual& v) { c.ValType(v.AsStringView()); });
    info.Access<C>("Length", [](C& c) { return Usual(c.Length()); });
    info.Assign<C>("Length", [](C& c, const Usual& v) { c.Length(IntArg(v)); });
    info.Access<C>("Decimals", [](C& c) { return Usual(c.Decimals()); });
    info.Assign<C>("Decimals", [](C& c, const Usual& v) { c.Decimals(IntArg(v)); });
    info.Access<C>("FieldSpec", [](C& c) { return Usual(c.FieldSpec()); });
    info.Assign<C>("FieldSpec", [](C& c, const Usual& v) {
      c.FieldSpec(ObjectArg<kt::FieldSpec>(v, "kDataColumn:FieldSpec", "FieldSpec", c.FieldSpec()));
    });

    info.Access<C>("Owner", [](C& c) {
      ColumnOwner* o = c.Owner();
      return o ? Usual(o->OwnerObject()) : Usual();
    });
    info.Access<C>("Server", [](C& c) { return c.Server(); });
    info.Access<C>("SourceKind", [](C& c) { return Usual(c.SourceKind()); });
    info.Access<C>("Expression", [](C& c) { return c.GetExpression(); });
    info.Access<C>("EvalArguments", [](C& c) { return Usual(c.EvalArguments()); });
    info.Access<C>("FieldName", [](C& c) { return Usual(c.FieldName()); });
    info.Access<C>("FieldNo", [](C& c) { return Usual(c.FieldNo()); });
    info.Access<C>("FieldSym", [](C& c) { return c.FieldSym() ? Usual(c.FieldSym()) : Usual(); });

    info.Access<C>("Width", [](C& c) { return Usual(c.Width()); });
    info.Assign<C>("Width", [](C& c, const Usual& v) { c.Width(IntArg(v)); });
    info.Access<C>("HeightVariable", [](C& c) { return Usual(c.HeightVariable()); });
    info.Assign<C>("HeightVariable", [](C& c, const Usual& v) { c.HeightVariable(IntArg(v)); });
    info.Access<C>("ViewValueAs", [](C& c) { return c.ViewValueAs() ? Usual(c.ViewValueAs()) : Usual(); });
    info.Assign<C>("ViewValueAs", [](C& c, const Usual& v) { c.ViewValueAs(SymbolArg(v, "kDataColumn:ViewValueAs")); });
    info.Access<C>("TextFormat", [](C& c) { return c.TextFormat() ? Usual(c.TextFormat()) : Usual(); });
    info.Assign<C>("TextFormat", [](C& c, const Usual& v) { c.TextFormat(SymbolArg(v, "kDataColumn:TextFormat")); });

    info.Method<C>("CalculateWidth", [](C& c, Args) { return Usual(c.CalculateWidth()); });
    info.Method<C>("CalculateHeightOfValue", [](C& c, Args) { return Usual(c.CalculateHeightOfValue()); });
    info.Method<C>("IsHeightVariable", [](C& c, Args) { return Usual(c.IsHeightVariable()); });
    info.Method<C>("Transform", [](C& c, Args a) { return Usual(c.Transform(Arg(a, 0))); });
    info.Method<C>("GetColorSpec", [](C& c, Args a) { return Usual(c.GetColorSpec(Arg(a, 0), Arg(a, 1)).ToArray()); });
    info.Method<C>("GetFontSpec", [](C& c, Args a) { return Usual(c.GetFontSpec(Arg(a, 0), Arg(a, 1))); });
    info.Method<C>("PropertyPut", [](C& c, Args a) { return c.PropertyPut(NameArg(Arg(a, 0)), Arg(a, 1)); });
    info.Method<C>("PropertyGet", [](C& c, Args a) { return c.PropertyGet(NameArg(Arg(a, 0)), Arg(a, 1)); });
    info.Method<C>("PropertyDelete", [](C& c, Args a) {
      c.PropertyDelete(NameArg(Arg(a, 0)));
      return Usual();
    });
    info.Method<C>("SetContextMenu", [](C& c, Args a) {
      c.SetContextMenu(Arg(a, 0), Arg(a, 1), Arg(a, 2));
      return Usual();
    });
    info.Method<C>("GetContextMenu", [](C& c, Args a) { return c.GetContextMenu(IntArg(Arg(a, 0))); });
    info.Method<C>("Destruct", [](C& c, Args) {
      c.Destruct();
      return Usual();
    });
    return true;
  }();
  (void)registered;
  return info;
}

}  // namespace kt
