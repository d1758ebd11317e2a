// kDataColumn: construction, the value and its text, type, caption, property
// bag and context menus.
#include "columns/kdatacolumn.h"

#include <algorithm>

#include "columns/style_args.h"
#include "platform/db/dataserver.h"
#include "platform/runtime/codeblock.h"
#include "platform/runtime/compiler/macro.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/text.h"

namespace kt {

const Symbol kDataColumn::KindField("Field");
const Symbol kDataColumn::KindAccess("Access");
const Symbol kDataColumn::KindAccessAssign("AccessAssign");
const Symbol kDataColumn::KindExpression("Expression");

namespace {

const Symbol kFieldPos("FieldPos");
const Symbol kFieldSym("FieldSym");
const Symbol kFieldSpec("FieldSpec");
const Symbol kFieldGet("FieldGet");
const Symbol kFieldPut("FieldPut");
const Symbol kFieldHyperLabel("FieldHyperLabel");
const Symbol kUsed("Used");
const Symbol kReadOnly("ReadOnly");
const Symbol kDeleted("Deleted");
const Symbol kViewLogicValues("VIEWLOGICVALUES");

// Accesses and assigns a server's class declares. Field names that a data
// server answers by name are fields, not accesses: only declared members
// make a column an access column.
bool DeclaresAccess(const Object* o, Symbol name) { return o && o->Class().FindAccess(name) != nullptr; }
bool DeclaresAssign(const Object* o, Symbol name) { return o && o->Class().FindAssign(name) != nullptr; }

Usual NameOf(const Usual& field) {
  if (field.IsString()) return Usual(Symbol(text::Trim(field.AsStringView())));
  return field;
}

int DateFormatLength() { return int(text::Length(Runtime::Settings().dateFormat)); }

// The texts a logic column accepts as TRUE.
bool IsTrueText(std::string_view text) {
  const std::string t = text::Upper(text::Trim(text));
  for (const char* yes : {"T", ".T.", "TRUE", "Y", "YES", "J", "JA"})
    if (t == yes) return true;
  return false;
}

// A number as typed: optional sign, digits with at most one decimal point
// (or comma); blanks around it are allowed.
bool IsNumberText(std::string_view text) {
  const std::string_view t = text::Trim(text);
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  bool digits = false;
  bool point = false;
  for (; i < t.size(); ++i) {
    const char c = t[i];
    if (c >= '0' && c <= '9') digits = true;
    else if ((c == '.' || c == ',') && !point) point = true;
    else return false;
  }
  return digits;
}

}  // namespace

kDataColumn::kDataColumn(ColumnOwner* owner, const Usual& server, const Usual& field, const Usual& kind,
                         const Usual& arg2, const Usual& arg3, const Usual& arg4, const Usual& arg5) {
  if (owner) owner_ = owner->Link();
  Object* srv = server.AsObject();
  Usual uField = field;
  Symbol symKind = kind.IsSymbol() ? kind.AsSymbol() : Symbol();
  if (kind.IsString()) {
    // "#Expression" or "Expression" written as text.
    std::string_view name = text::Trim(kind.AsStringView());
    if (!name.empty() && name.front() == '#') name.remove_prefix(1);
    symKind = Symbol(name);
  }
  if (kind.IsNil() || (kind.IsString() && !symKind)) {
    if (uField.IsString()) uField = NameOf(uField);
    else if (uField.IsNumeric() && srv && srv->HasMethod(kFieldSym)) uField = srv->Send(kFieldSym, Args(&field, 1));
    const Symbol name = uField.AsSymbol();
    if (name && DeclaresAccess(srv, name)) symKind = DeclaresAssign(srv, name) ? KindAccessAssign : KindAccess;
    else symKind = KindField;
  }
  server_ = server;
  dataServer_ = dynamic_cast<DataServer*>(srv);
  if (symKind == KindExpression) {
    InitExpression(uField, arg2, arg3, arg4, arg5);
  } else if (symKind == KindAccess || symKind == KindAccessAssign) {
    sourceKind_ = symKind;
    InitAccess(uField);
  } else {
    sourceKind_ = KindField;
    InitField(uField);
  }
  CalculateWidth();
}

kDataColumn::~kDataColumn() = default;

void kDataColumn::InitExpression(const Usual& field, const Usual& arg2, const Usual& arg3, const Usual& arg4,
                                 const Usual& arg5) {
  sourceKind_ = KindExpression;
  if (field.IsString()) {
    // Raises the compile error (with the text and the position in it);
    // when the error block returns, the column has no expression.
    Codeblock block = CompileExpression("Server, Arg2, Arg3, Arg4, Arg5", field.AsStringView());
    if (block) expression_ = Usual(block);
  } else {
    expression_ = field;
  }
  evalArguments_ = Array{server_, arg2, arg3, arg4, arg5};
  TypeFromValue(Value());
  editable_ = false;
}

void kDataColumn::InitAccess(const Usual& field) {
  Object* srv = server_.AsObject();
  const Usual name = NameOf(field);
  fieldSym_ = name.AsSymbol();
  if (fieldSym_ && srv) {
    fieldNo_ = std::size_t(std::max<std::int64_t>(0, ServerCall(kFieldPos, Usual(fieldSym_)).AsInteger()));
    hasAccess_ = DeclaresAccess(srv, fieldSym_);
    if (sourceKind_ == KindAccessAssign) hasAssign_ = DeclaresAssign(srv, fieldSym_);
  }
  if (fieldNo_ > 0) fieldSpec_ = Ref<kt::FieldSpec>(dynamic_cast<kt::FieldSpec*>(ServerCall(kFieldSpec, Usual(fieldNo_)).AsObject()));
  if (!fieldSpec_) TypeFromValue(Value());
  // An #Access column never writes back, so it is not editable either.
  if (Writable()) editable_ = !(srv && srv->HasAccess(kReadOnly) && srv->Access(kReadOnly).AsLogic());
}

void kDataColumn::InitField(const Usual& field) {
  Object* srv = server_.AsObject();
  if (field.IsNumeric()) {
    fieldNo_ = std::size_t(std::max<std::int64_t>(0, field.AsInteger()));
    fieldSym_ = ServerCall(kFieldSym, field).AsSymbol();
  } else if (auto* spec = dynamic_cast<kt::FieldSpec*>(field.AsObject())) {
    fieldSpec_ = Ref<kt::FieldSpec>(spec);
    fieldSym_ = spec->NameSym();
    fieldNo_ = std::size_t(std::max<std::int64_t>(0, ServerCall(kFieldPos, Usual(fieldSym_)).AsInteger()));
  } else {
    fieldSym_ = NameOf(field).AsSymbol();
    if (fieldSym_) fieldNo_ = std::size_t(std::max<std::int64_t>(0, ServerCall(kFieldPos, Usual(fieldSym_)).AsInteger()));
  }
  // A number beyond the server's fields is no field.
  if (fieldNo_ > 0 && !fieldSym_ && srv) fieldNo_ = 0;
  if (!fieldSpec_ && fieldNo_ > 0)
    fieldSpec_ = Ref<kt::FieldSpec>(dynamic_cast<kt::FieldSpec*>(ServerCall(kFieldSpec, Usual(fieldNo_)).AsObject()));
  // Nothing to write to: not editable, so no edit is ever lost.
  if (Writable()) editable_ = !(srv->HasAccess(kReadOnly) && srv->Access(kReadOnly).AsLogic());
}

bool kDataColumn::Writable() const {
  if (!server_.AsObject()) return false;
  if (sourceKind_ == KindField) return fieldNo_ > 0;
  if (sourceKind_ == KindAccessAssign) return hasAssign_ || fieldNo_ > 0;
  return false;
}

void kDataColumn::TypeFromValue(const Usual& value) {
  valType_ = value.TypeLetter();
  const RuntimeSettings& settings = Runtime::Settings();
  switch (valType_[0]) {
    case 'C': length_ = std::max(255, ClampInt(std::int64_t(text::Length(value.AsStringView())))); break;
    case 'M': length_ = 10; break;
    case 'L': length_ = 1; break;
    case 'D': length_ = DateFormatLength(); break;
    case 'N':
      if (value.IsInteger()) {
        length_ = settings.digits;
      } else {
        length_ = settings.digits + settings.decimals + 1;
        decimals_ = settings.decimals;
      }
      break;
    default: break;
  }
}

Usual kDataColumn::ServerCall(Symbol method, const Usual& arg) const {
  Object* srv = server_.AsObject();
  if (!srv) return Usual();
  if (dataServer_) {
    if (method == kFieldPos) return Usual(dataServer_->FieldPos(arg));
    if (method == kFieldGet) return dataServer_->FieldGet(arg);
    if (method == kFieldSpec) return dataServer_->FieldSpec(arg);
    if (method == kFieldSym) return dataServer_->FieldSym(arg);
    if (method == kFieldHyperLabel) return dataServer_->FieldHyperLabel(arg);
  }
  if (!srv->HasMethod(method)) return Usual();
  return srv->Send(method, Args(&arg, 1));
}

bool kDataColumn::ServerUsed() const {
  if (dataServer_) return dataServer_->Used();
  Object* srv = server_.AsObject();
  if (!srv) return false;
  if (srv->HasAccess(kUsed)) return srv->Access(kUsed).AsLogic();
  return srv->HasMethod(kUsed) && srv->Send(kUsed).AsLogic();
}

// --- value -----------------------------------------------------------------

Usual kDataColumn::Value() {
  if (sourceKind_ == KindExpression) {
    if (Empty(expression_)) return Usual();
    return EvalBlock(expression_, Args(evalArguments_.Items().data(), evalArguments_.Len()));
  }
  Object* srv = server_.AsObject();
  if (!srv) return Usual();
  if (sourceKind_ != KindField && hasAccess_) return srv->Access(fieldSym_);
  if (fieldNo_ > 0) return ServerCall(kFieldGet, Usual(fieldNo_));
  return Usual();
}

Usual kDataColumn::Value(const Usual& value) {
  Object* srv = server_.AsObject();
  if (!srv || !ServerUsed()) return value;
  const bool viaAssign = sourceKind_ == KindAccessAssign && hasAssign_;
  const bool viaField = (sourceKind_ == KindField || sourceKind_ == KindAccessAssign) && fieldNo_ > 0;
  if (viaAssign) {
    srv->Assign(fieldSym_, value);
  } else if (viaField) {
    if (dataServer_) {
      dataServer_->FieldPut(Usual(fieldNo_), value);
    } else if (srv->HasMethod(kFieldPut)) {
      const Usual args[] = {Usual(fieldNo_), value};
      srv->Send(kFieldPut, Args(args, 2));
    }
  }
  return value;
}

bool kDataColumn::Fail(const std::string& why) {
  status_ = New<kt::HyperLabel>(fieldSym_ ? fieldSym_ : Symbol("TEXTVALUE"), "", why);
  return false;
}

bool kDataColumn::TextValue(std::string_view text) {
  status_ = nullptr;
  const std::string type = ValType();
  const char t = type.empty() ? 'U' : type[0];
  switch (t) {
    case 'C':
    case 'M': Value(Usual(text)); return true;
    case 'L': Value(Usual(IsTrueText(text))); return true;
    case 'D': {
      bool ok = true;
      const Date d = CToD(text, &ok);
      if (!ok) return Fail("Not a valid date (" + Runtime::Settings().dateFormat + "): " + std::string(text));
      Value(Usual(d));
      return true;
    }
    case 'N': {
      if (text::Trim(text).empty()) {
        Value(Usual(0));
        return true;
      }
      if (!IsNumberText(text)) return Fail("Not a number: " + std::string(text));
      Value(Val(text::Trim(text)));
      return true;
    }
    default: return Fail("Values of type " + type + " cannot be entered as text");
  }
}

std::string kDataColumn::Transform(const Usual& value) {
  if (suspendEmptyValues_ && Empty(value)) return std::string();
  if (textFormat_ && value.IsString()) return Empty(value) ? std::string() : std::string("<Memo>");
  if (value.IsLogic()) {
    if (ColumnOwner* owner = Owner()) {
      const Usual pairs = owner->PropertyGet(kViewLogicValues);
      if (pairs.IsArray()) {
        for (const Usual& p : pairs.AsArray()) {
          if (!p.IsArray()) continue;
          const Array pair = p.AsArray();
          if (pair.Get(2).IsLogic() && pair.Get(2) == value) return AsString(pair.Get(1));
          // Pairs written the other way round ({logic, text}) are read too.
          if (pair.Get(1).IsLogic() && pair.Get(2).IsString() && pair.Get(1) == value) return AsString(pair.Get(2));
        }
      }
    }
  }
  if (fieldSpec_) return fieldSpec_->Transform(value);
  switch (value.Type()) {
    case UsualType::Nil: return std::string();
    case UsualType::String: return std::string(text::TrimRight(value.AsStringView()));
    case UsualType::Integer:
    case UsualType::Float: return NTrim(value);
    case UsualType::Logic: return value.AsLogic() ? "J" : "N";
    default: return AsString(value);
  }
}

bool kDataColumn::Deleted() {
  if (dataServer_) return dataServer_->Deleted();
  Object* srv = server_.AsObject();
  if (!srv) return false;
  if (srv->HasAccess(kDeleted)) return srv->Access(kDeleted).AsLogic();
  return srv->HasMethod(kDeleted) && srv->Send(kDeleted).AsLogic();
}

// --- type ------------------------------------------------------------------

std::string kDataColumn::ValType() const { return fieldSpec_ ? fieldSpec_->ValType() : valType_; }

void kDataColumn::ValType(std::string_view type) {
  const std::string t = text::Upper(text::Trim(type));
  if (t.empty()) {
    RaiseError(gen::Arg, "kDataColumn:ValType", "A type letter is required");
    return;
  }
  if (fieldSpec_) {
    fieldSpec_->SetType(t);
    return;
  }
  valType_ = t;
  switch (t[0]) {
    case 'C': decimals_ = 0; break;
    case 'M': length_ = 10; decimals_ = 0; break;
    case 'D': length_ = DateFormatLength(); decimals_ = 0; break;
    case 'L': length_ = 1; decimals_ = 0; break;
    default: break;
  }
}

int kDataColumn::Length() const { return fieldSpec_ ? fieldSpec_->Length() : length_; }

void kDataColumn::Length(int length) {
  const std::string t = ValType();
  if (t != "C" && t != "N") return;
  if (length < 0) {
    RaiseError(gen::Arg, "kDataColumn:Length", "A length cannot be negative: " + std::to_string(length));
    return;
  }
  if (fieldSpec_) fieldSpec_->SetLength(length);
  else length_ = length;
}

int kDataColumn::Decimals() const { return fieldSpec_ ? fieldSpec_->Decimals() : decimals_; }

void kDataColumn::Decimals(int decimals) {
  const std::string t = ValType();
  if (t != "C" && t != "N") return;
  if (decimals < 0) {
    RaiseError(gen::Arg, "kDataColumn:Decimals", "Decimals cannot be negative: " + std::to_string(decimals));
    return;
  }
  if (fieldSpec_) fieldSpec_->SetLength(fieldSpec_->Length(), decimals);
  else decimals_ = decimals;
}

// --- caption ---------------------------------------------------------------

Usual kDataColumn::Caption() const {
  if (!Empty(caption_)) return caption_;
  if (hyperLabel_) return Usual(hyperLabel_->Caption);
  if (fieldNo_ > 0) {
    if (auto* label = dynamic_cast<kt::HyperLabel*>(ServerCall(kFieldHyperLabel, Usual(fieldNo_)).AsObject()))
      return Usual(label->Caption);
  }
  return caption_;
}

void kDataColumn::Caption(const Usual& caption) {
  caption_ = caption;
  if (caption.IsString() && hyperLabel_) hyperLabel_->Caption = std::string(caption.AsStringView());
}

Ref<kt::HyperLabel> kDataColumn::HyperLabel() const {
  if (hyperLabel_) return hyperLabel_;
  if (fieldNo_ > 0)
    return Ref<kt::HyperLabel>(dynamic_cast<kt::HyperLabel*>(ServerCall(kFieldHyperLabel, Usual(fieldNo_)).AsObject()));
  return nullptr;
}

// --- property bag and context menus ------------------------------------------

Usual kDataColumn::PropertyPut(Symbol name, const Usual& value) {
  for (const Usual& p : properties_) {
    Array pair = p.AsArray();
    if (pair.Get(1).AsSymbol() == name) {
      pair.Put(2, value);
      return value;
    }
  }
  properties_.Add(Usual(Array{Usual(name), value}));
  return value;
}

Usual kDataColumn::PropertyGet(Symbol name, const Usual& uDefault) const {
  for (const Usual& p : properties_) {
    const Array pair = p.AsArray();
    if (pair.Get(1).AsSymbol() == name) return pair.Get(2);
  }
  return uDefault;
}

void kDataColumn::PropertyDelete(Symbol name) {
  for (std::size_t i = 1; i <= properties_.Len(); ++i) {
    if (properties_.Get(i).AsArray().Get(1).AsSymbol() == name) {
      properties_.Remove(i);
      return;
    }
  }
}

void kDataColumn::SetContextMenu(const Usual& menu1, const Usual& menu2, const Usual& menu3) {
  const Usual* menus[3] = {&menu1, &menu2, &menu3};
  for (int i = 0; i < 3; ++i)
    if (menus[i]->IsObject()) contextMenus_[i] = *menus[i];
}

Usual kDataColumn::GetContextMenu(int n) const { return n >= 1 && n <= 3 ? contextMenus_[n - 1] : Usual(); }

void kDataColumn::Destruct() {
  owner_.reset();
  hyperLabel_ = nullptr;
  caption_ = Usual();
  captionView_ = dataView_ = footerView_ = nullptr;
  fontCondition_ = nullptr;
  colorCondition_ = nullptr;
  server_ = Usual();
  dataServer_ = nullptr;
  expression_ = Usual();
  evalArguments_ = Array();
  fieldSpec_ = nullptr;
  lastHeightValue_ = Usual();
  lastHeightWidth_ = -1;
  footer_ = Usual();
  for (Usual& m : contextMenus_) m = Usual();
  properties_ = Array();
  status_ = nullptr;
}

}  // namespace kt
