#pragma once
// kDataColumn: one column of a grid. It knows where its value comes from (a
// field of the server, an access or access/assign pair of the server, or an
// expression evaluated against the server), its type and width, how a value
// becomes display text and how edited text is written back, and it carries
// the column's caption, footer, view styles, condition lists, flags,
// property bag and context menus. It reads the server's current record and
// never moves the server.
#include <string>
#include <string_view>

#include "columns/column_owner.h"
#include "columns/conditions.h"
#include "columns/kviewstyle.h"
#include "platform/db/fieldspec.h"
#include "platform/runtime/array.h"

namespace kt {

class DataServer;

class kDataColumn : public Object {
 public:
  // Source kinds.
  static const Symbol KindField;         // #Field
  static const Symbol KindAccess;        // #Access
  static const Symbol KindAccessAssign;  // #AccessAssign
  static const Symbol KindExpression;    // #Expression

  // Init(oOwner, oServer, uField, symKind, uArg2 ... uArg5). uField is a field
  // name (string or symbol), a field number, a FieldSpec, or for
  // #Expression a text, a code block or an object with Eval. A NIL kind is
  // deduced: a name the server declares as an access gives #Access (or
  // #AccessAssign when it declares an assign too), anything else #Field.
  // An expression text that does not compile raises the compile error.
  kDataColumn(ColumnOwner* owner, const Usual& server, const Usual& field, const Usual& kind = NIL,
              const Usual& arg2 = NIL, const Usual& arg3 = NIL, const Usual& arg4 = NIL, const Usual& arg5 = NIL);
  ~kDataColumn() override;

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  // --- source ------------------------------------------------------------
  // Null without an owner or after the owner went away.
  ColumnOwner* Owner() const { return owner_ ? *owner_ : nullptr; }
  const Usual& Server() const { return server_; }
  Symbol SourceKind() const { return sourceKind_; }
  std::size_t FieldNo() const { return fieldNo_; }
  Symbol FieldSym() const { return fieldSym_; }
  std::string FieldName() const { return fieldSym_ ? fieldSym_.Name() : std::string(); }
  bool HasAccess() const { return hasAccess_; }
  bool HasAssign() const { return hasAssign_; }
  const Usual& GetExpression() const { return expression_; }
  const Array& EvalArguments() const { return evalArguments_; }

  // --- value -------------------------------------------------------------
  // The value of the server's current record (NIL without server or field).
  // Errors of the server or of the expression propagate.
  Usual Value();
  // Writes back by kind while the server is used; answers the value given.
  Usual Value(const Usual& value);
  std::string TextValue() { return Transform(Value()); }
  // Parses the text by ValType and writes it. Text that does not parse
  // writes nothing, answers FALSE and leaves the reason in Status.
  bool TextValue(std::string_view text);
  // The reason the last TextValue assign failed; null after a success.
  const Ref<kt::HyperLabel>& Status() const { return status_; }
  // The display text of any value of this column.
  std::string Transform(const Usual& value);
  // The server's Deleted for the current record; FALSE without server.
  bool Deleted();

  // --- type --------------------------------------------------------------
  std::string ValType() const;
  void ValType(std::string_view type);
  int Length() const;
  void Length(int length);
  int Decimals() const;
  void Decimals(int decimals);
  const Ref<kt::FieldSpec>& FieldSpec() const { return fieldSpec_; }
  void FieldSpec(Ref<kt::FieldSpec> spec) { fieldSpec_ = std::move(spec); }

  // --- caption and footer ------------------------------------------------
  // The caption to show: own text, own object, the label's caption, or the
  // caption of the field's label.
  Usual Caption() const;
  void Caption(const Usual& caption);
  // The explicit label, else the field's label.
  Ref<kt::HyperLabel> HyperLabel() const;
  void HyperLabel(Ref<kt::HyperLabel> label) { hyperLabel_ = std::move(label); }
  bool CaptionVisible() const { return captionVisible_; }
  void CaptionVisible(bool v) { captionVisible_ = v; }
  const Usual& Footer() const { return footer_; }
  void Footer(const Usual& footer) { footer_ = footer; }
  bool FooterVisible() const { return footerVisible_; }
  void FooterVisible(bool v) { footerVisible_ = v; }

  // --- view styles and conditions ------------------------------------------
  const Ref<kViewStyle>& CaptionView() const { return captionView_; }
  void CaptionView(Ref<kViewStyle> v) { captionView_ = std::move(v); }
  const Ref<kViewStyle>& DataView() const { return dataView_; }
  void DataView(Ref<kViewStyle> v) { dataView_ = std::move(v); }
  const Ref<kViewStyle>& FooterView() const { return footerView_; }
  void FooterView(Ref<kViewStyle> v) { footerView_ = std::move(v); }
  const Ref<kViewStyle>& View(ViewArea area) const;

  // Shortcuts to DataView: reads give empty values without a DataView,
  // writes create one first.
  int Alignment() const { return dataView_ ? dataView_->Alignment() : 0; }
  void Alignment(int a) { EnsureDataView().Alignment(a); }
  Ref<Brush> Background() const { return dataView_ ? dataView_->Background() : nullptr; }
  void Background(Ref<Brush> b) { EnsureDataView().Background(std::move(b)); }
  Ref<kt::Font> Font() const { return dataView_ ? dataView_->Font() : nullptr; }
  void Font(Ref<kt::Font> f) { EnsureDataView().Font(std::move(f)); }
  Ref<Color> Foreground() const { return dataView_ ? dataView_->Foreground() : nullptr; }
  void Foreground(Ref<Color> c) { EnsureDataView().Foreground(std::move(c)); }
  Ref<kGrid> Grid() const { return dataView_ ? dataView_->Grid() : nullptr; }
  void Grid(Ref<kGrid> g) { EnsureDataView().Grid(std::move(g)); }

  // Created empty on first read.
  const Ref<kColorConditionList>& ColorCondition();
  const Ref<kFontConditionList>& FontCondition();
  bool HasColorCondition() const { return bool(colorCondition_); }
  bool HasFontCondition() const { return bool(fontCondition_); }

  // DataView's colours as defaults, laid over by the colour conditions.
  ColorSpec GetColorSpec(const Usual& column, const Usual& row);
  // The font of the first font condition that holds; null otherwise.
  Ref<kt::Font> GetFontSpec(const Usual& column, const Usual& row);

  // --- layout ------------------------------------------------------------
  int Width() const { return width_; }
  // A negative width raises an argument error and changes nothing.
  void Width(int width);
  // Recomputes Width from type, fonts, view type, grid lines, caption and
  // footer; answers it.
  int CalculateWidth();
  int HeightVariable() const { return heightVariable_; }
  void HeightVariable(int v) { heightVariable_ = v; }
  bool IsHeightVariable() const;
  // Pixel height the current value needs; remembered for the last value.
  int CalculateHeightOfValue();

  Symbol ViewValueAs() const { return viewValueAs_; }
  void ViewValueAs(Symbol v) { viewValueAs_ = v; }
  Symbol TextFormat() const { return textFormat_; }
  void TextFormat(Symbol v) { textFormat_ = v; }

  // --- behaviour ---------------------------------------------------------
  bool Selectable() const { return selectable_; }
  void Selectable(bool v) { selectable_ = v; }
  bool Movable() const { return movable_; }
  void Movable(bool v) { movable_ = v; }
  bool Resizable() const { return resizable_; }
  void Resizable(bool v) { resizable_ = v; }
  bool Editable() const { return editable_; }
  void Editable(bool v) { editable_ = v; }
  bool SuspendEmptyValues() const { return suspendEmptyValues_; }
  void SuspendEmptyValues(bool v) { suspendEmptyValues_ = v; }

  // --- property bag and context menus --------------------------------------
  Usual PropertyPut(Symbol name, const Usual& value);
  Usual PropertyGet(Symbol name, const Usual& uDefault = NIL) const;
  void PropertyDelete(Symbol name);
  const Array& Properties() const { return properties_; }
  // Each argument that is an object goes into its slot; others leave the
  // slot as it is.
  void SetContextMenu(const Usual& menu1, const Usual& menu2 = NIL, const Usual& menu3 = NIL);
  // Slot 1..3; NIL for other numbers.
  Usual GetContextMenu(int n) const;

  // Drops every reference; the column must not be used afterwards.
  void Destruct();

 private:
  void InitExpression(const Usual& field, const Usual& arg2, const Usual& arg3, const Usual& arg4,
                      const Usual& arg5);
  void InitAccess(const Usual& field);
  void InitField(const Usual& field);
  void TypeFromValue(const Usual& value);
  bool Writable() const;
  kViewStyle& EnsureDataView();
  const kViewStyle* OwnerView(ViewArea area) const;
  Ref<kt::Font> AreaFont(ViewArea area) const;
  Ref<kGrid> AreaGrid(ViewArea area) const;
  TextSize Measure(std::string_view text, const kt::Font* font, int width = -1, bool wordBreak = false) const;
  int ValueWidth(const Usual& value, const kt::Font* font) const;
  Usual ServerCall(Symbol method, const Usual& arg) const;
  bool ServerUsed() const;
  bool Fail(const std::string& why);

  std::shared_ptr<ColumnOwner*> owner_;
  Ref<kt::HyperLabel> hyperLabel_;
  Usual caption_;
  bool captionVisible_ = true;
  Ref<kViewStyle> captionView_;
  Ref<kViewStyle> dataView_;
  Ref<kViewStyle> footerView_;
  Ref<kFontConditionList> fontCondition_;
  Ref<kColorConditionList> colorCondition_;
  int width_ = 0;
  Usual server_;
  DataServer* dataServer_ = nullptr;  // the server when it is a DataServer: direct calls
  Symbol sourceKind_;
  std::size_t fieldNo_ = 0;
  Symbol fieldSym_;
  bool hasAccess_ = false;
  bool hasAssign_ = false;
  Usual expression_;
  Array evalArguments_;
  Symbol viewValueAs_;
  Symbol textFormat_;
  Ref<kt::FieldSpec> fieldSpec_;
  std::string valType_ = "U";
  int length_ = 0;
  int decimals_ = 0;
  bool selectable_ = true;
  bool movable_ = true;
  bool resizable_ = true;
  bool editable_ = false;
  bool suspendEmptyValues_ = false;
  int heightVariable_ = 0;
  // One-entry cache of CalculateHeightOfValue: the value, and what else the
  // height depends on (available width, font, word break).
  Usual lastHeightValue_;
  int lastHeight_ = 0;
  int lastHeightWidth_ = -1;
  const void* lastHeightFont_ = nullptr;
  bool lastHeightWordBreak_ = false;
  Usual footer_;
  bool footerVisible_ = true;
  Usual contextMenus_[3];
  Array properties_;
  Ref<kt::HyperLabel> status_;
};

// How a column looks in an area: each property from the column's own view
// for the area, else from the grid's view of the same area (gridView);
// either may be missing, the column too. The grid draws a column by these
// and the column measures its width by them.
Ref<kGrid> ColumnGrid(const kDataColumn* column, ViewArea area, const kViewStyle* gridView);
Ref<kt::Brush> ColumnBackground(const kDataColumn* column, ViewArea area, const kViewStyle* gridView);
Ref<kt::Color> ColumnForeground(const kDataColumn* column, ViewArea area, const kViewStyle* gridView);
Ref<kt::Font> ColumnFont(const kDataColumn* column, ViewArea area, const kViewStyle* gridView);
// The alignment bytes set there; 0 in a byte neither style sets.
int ColumnAlignment(const kDataColumn* column, ViewArea area, const kViewStyle* gridView);

}  // namespace kt
