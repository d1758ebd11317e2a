#include "servers/karrayserver.h"

#include <algorithm>
#include <exception>
#include <limits>

#include "platform/runtime/codeblock.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/text.h"

namespace kt {
namespace {

// Type letters a field description may give: the table types, the numeric
// variants the field validation knows, and object/undefined for fields that
// hold any value.
constexpr std::string_view kFieldTypes = "CMNDLFIYBOU";

// A number with the field's length and decimals as its display format; an
// integer of a field without decimals stays an integer.
Usual WithFieldFormat(const Usual& value, int length, int decimals) {
  if (decimals == 0 && value.IsInteger()) return Usual::Integer(value.AsInteger(), length);
  return Usual::Float(value.AsFloat(), length, decimals);
}

// Mode numbers: 0 and 1 have a meaning, every other value means the same as
// any other, so a value beyond int stays "other" instead of wrapping onto 0
// or 1.
int ModeNumber(std::int64_t v) {
  return int(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

kArrayServer::kArrayServer(const Usual& aStruct, const Usual& aData, const Usual& nDeletedScope,
                           const Usual& nFieldMode) {
  deletedScope_ = nDeletedScope.IsInteger() ? ModeNumber(nDeletedScope.AsInteger()) : 0;
  fieldMode_ = nFieldMode.IsInteger() ? ModeNumber(nFieldMode.AsInteger()) : 0;
  HyperLabel(New<kt::HyperLabel>(Symbol(ClassName())));
  // Data is bound only to a structure that was taken.
  if (!aStruct.IsNil() && DBStruct(aStruct)) Use(aData);
}

kArrayServer::~kArrayServer() = default;

// ---------------------------------------------------------------------------
// Structure and data

bool kArrayServer::DBStruct(const Usual& aStruct) {
  // Every record holds one value per field in field order, so a description
  // that cannot become a field must stop the whole structure: leaving it out
  // would make every later field read its neighbour's value.
  // A refused structure leaves a server without fields or data, so the
  // caller hears of it through the error protocol, not only in Status.
  const auto refuse = [this](const std::string& why) {
    ReportStatus(gen::Arg, Symbol("DBStruct"), why);
    Error(Usual(ErrInfo()), Usual(Symbol("DBStruct")));
    return false;
  };
  if (!aStruct.IsArray()) return refuse("The structure is not an array of field descriptions: " + AsString(aStruct));
  std::vector<Ref<DataField>> fields;
  std::vector<Symbol> names;
  std::size_t n = 0;
  for (const Usual& entry : aStruct.AsArray()) {
    const std::string which = "Field description " + std::to_string(++n);
    if (!entry.IsArray()) return refuse(which + " is not an array: " + AsString(entry));
    const Array e = entry.AsArray();
    const Usual& name = e.Get(1);
    const std::string_view nameText =
        name.IsSymbol() ? std::string_view(name.AsSymbol().Name()) : text::Trim(name.AsStringView());
    if (nameText.empty()) return refuse(which + " has no name: " + AsString(entry));
    const Symbol sym(nameText);
    if (std::find(names.begin(), names.end(), sym) != names.end())
      return refuse(which + ": the name " + sym.Name() + " is used twice");
    const std::string_view type = text::Trim(e.Get(2).AsStringView());
    if (type.empty() || kFieldTypes.find(text::Upper(type.substr(0, 1))[0]) == std::string_view::npos)
      return refuse(which + " (" + sym.Name() + "): unknown type " + AsString(e.Get(2)));
    const Usual& length = e.Get(3);
    if (!length.IsNumeric() || length.AsInteger() < 0 || length.AsInteger() > kMaxFieldLength)
      return refuse(which + " (" + sym.Name() + "): the length must be a number from 0 to " +
                    std::to_string(kMaxFieldLength) + ", got " + AsString(length));
    const Usual& decimals = e.Get(4);
    if (!decimals.IsNil() &&
        (!decimals.IsNumeric() || decimals.AsInteger() < 0 || decimals.AsInteger() > length.AsInteger()))
      return refuse(which + " (" + sym.Name() + "): the decimals must be a number from 0 to the length, got " +
                    AsString(decimals));
    auto spec = New<kt::FieldSpec>(sym, std::string(type), int(length.AsInteger()), int(decimals.AsInteger()));
    auto field = New<DataField>(sym, spec);
    if (e.Get(5).IsString() && !text::Trim(e.Get(5).AsStringView()).empty())
      field->Label()->Caption = std::string(e.Get(5).AsStringView());
    fields.push_back(field);
    names.push_back(sym);
  }
  SetFields(std::move(fields));
  blankRecord_.clear();
  for (std::size_t i = 1; i <= FCount(); ++i) blankRecord_.push_back(DefaultValue(Usual(i)));
  editBuffer_.clear();
  bufferChanged_ = false;
  Changed();
  return true;
}

Usual kArrayServer::DefaultValue(const Usual& field) const {
  const auto f = DataFieldAt(FieldPos(field));
  if (!f) return Usual();
  const std::string& type = f->Spec()->ValType();
  if (type == "C" || type == "M") return Usual("");
  if (type == "N") return Usual(0);
  if (type == "D") return Usual(Date());
  if (type == "L") return Usual(false);
  return Usual();
}

bool kArrayServer::Use(const Usual& aData) {
  if (!Notify(notify::IntentToMove)) return false;
  Commit();
  records_ = std::make_unique<Array>(aData.IsArray() ? aData.AsArray() : Array());
  recordCount_ = std::int64_t(records_->Len());
  deletedFlags_.assign(std::size_t(recordCount_), false);
  bof_ = eof_ = true;
  recNo_ = 0;
  {
    SuspendScope suspended(*this);
    // Orders describe the old data: all of them go, not only the active one.
    orders_.clear();
    cursorOrder_ = nullptr;
    currentOrder_ = 0;
    keyPos_ = 0;
    DoGoTop();
  }
  Changed();
  Notify(notify::FileChange);
  return true;
}

void kArrayServer::DeletedScope(std::int64_t value) {
  const int scope = ModeNumber(value);
  if (scope == deletedScope_) return;
  deletedScope_ = scope;
  Changed();
  Notify(notify::FileChange);
}

bool kArrayServer::IsDeletedInScope() const {
  if (deletedScope_ == 0) return !Runtime::Settings().deleted;
  return deletedScope_ == 1;
}

bool kArrayServer::Deleted() const {
  return recNo_ >= 1 && recNo_ <= recordCount_ && deletedFlags_[std::size_t(recNo_ - 1)];
}

// ---------------------------------------------------------------------------
// Hidden records and single steps

bool kArrayServer::IsHidden(std::int64_t recNo) {
  if (recNo < 1 || recNo > recordCount_) return false;
  if (deletedFlags_[std::size_t(recNo - 1)] && !IsDeletedInScope()) return true;
  if (filterBlock_.IsNil()) return false;
  // The filter reads the record through this server, so the server stands on
  // it for the call: inside the data (also when it sits at end of file), with
  // the stored values (a pending edit belongs to the current record only).
  struct Stand {
    kArrayServer& s;
    const std::int64_t recNo;
    const bool eof, bof, changed;
    Stand(kArrayServer& server, std::int64_t on)
        : s(server), recNo(server.recNo_), eof(server.eof_), bof(server.bof_), changed(server.bufferChanged_) {
      if (on != recNo) s.bufferChanged_ = false;
      s.recNo_ = on;
      s.eof_ = s.bof_ = false;
    }
    ~Stand() {
      s.recNo_ = recNo;
      s.eof_ = eof;
      s.bof_ = bof;
      s.bufferChanged_ = changed;
    }
  } stand(*this, recNo);
  const Usual args[] = {Usual(this), filterArgs_[0], filterArgs_[1], filterArgs_[2], filterArgs_[3], filterArgs_[4]};
  return !EvalBlock(filterBlock_, Args(args, 6)).AsLogic();
}

OrderTree::RecNo kArrayServer::RecordAtKey(std::size_t pos) {
  Order* order = ActiveOrder();
  OrderTree::RecNo rec = 0;
  if (cursorOrder_ == order && cursorVersion_ == order->version && cursorPos_ != 0) {
    if (pos == cursorPos_ + 1) rec = order->keys.Next(cursorRec_);
    else if (pos + 1 == cursorPos_) rec = order->keys.Prev(cursorRec_);
    else if (pos == cursorPos_) rec = cursorRec_;
    else rec = order->keys.RecordAt(pos);
  } else {
    rec = order->keys.RecordAt(pos);
  }
  cursorOrder_ = order;
  cursorVersion_ = order->version;
  cursorPos_ = rec ? pos : 0;
  cursorRec_ = rec;
  return rec;
}

void kArrayServer::DoGoTop() {
  Order* order = ActiveOrder();
  bof_ = eof_ = false;
  if (!order) {
    recNo_ = 1;
    if (recordCount_ == 0) {
      bof_ = eof_ = true;
      return;
    }
  } else {
    if (order->keys.Count() == 0) {
      keyPos_ = 1;
      recNo_ = recordCount_ + 1;
      bof_ = eof_ = true;
      return;
    }
    keyPos_ = 1;
    recNo_ = RecordAtKey(1);
  }
  if (IsHidden(recNo_)) DoSkip(1);
}

void kArrayServer::DoGoBottom() {
  Order* order = ActiveOrder();
  bof_ = eof_ = false;
  if (!order) {
    if (recordCount_ == 0) {
      recNo_ = 1;
      bof_ = eof_ = true;
      return;
    }
    recNo_ = recordCount_;
  } else {
    const std::size_t count = order->keys.Count();
    if (count == 0) {
      keyPos_ = 1;
      recNo_ = recordCount_ + 1;
      bof_ = eof_ = true;
      return;
    }
    keyPos_ = count;
    recNo_ = RecordAtKey(count);
  }
  if (IsHidden(recNo_)) DoSkip(-1);
}

void kArrayServer::DoGoTo(std::int64_t recNo) {
  bof_ = eof_ = false;
  if (Order* order = ActiveOrder()) {
    const std::size_t pos = recNo >= 1 && recNo <= recordCount_ ? order->keys.PositionOf(OrderTree::RecNo(recNo)) : 0;
    if (pos == 0) {
      keyPos_ = order->keys.Count() + 1;
      recNo_ = recordCount_ + 1;
      eof_ = true;
      bof_ = order->keys.Count() == 0;
    } else {
      keyPos_ = pos;
      recNo_ = recNo;
      cursorOrder_ = order;
      cursorVersion_ = order->version;
      cursorPos_ = pos;
      cursorRec_ = OrderTree::RecNo(recNo);
    }
    return;
  }
  if (recNo < 1) {
    recNo_ = 1;
    bof_ = true;
    eof_ = recordCount_ == 0;
  } else if (recNo > recordCount_) {
    recNo_ = recordCount_ + 1;
    eof_ = true;
    bof_ = recordCount_ == 0;
  } else {
    recNo_ = recNo;
  }
}

void kArrayServer::StepForward() {
  if (Order* order = ActiveOrder()) {
    const std::size_t count = order->keys.Count();
    // A record without a key sits in front of the key at keyPos_: that key
    // is the next one, not the one after it.
    if (OffOrder(*order) && keyPos_ > 0) --keyPos_;
    do {
      ++keyPos_;
      recNo_ = keyPos_ <= count ? RecordAtKey(keyPos_) : 0;
    } while (keyPos_ <= count && IsHidden(recNo_));
    if (keyPos_ > count) {
      keyPos_ = count + 1;
      recNo_ = recordCount_ + 1;
      eof_ = true;
      bof_ = count == 0;
    }
    return;
  }
  do {
    ++recNo_;
  } while (recNo_ <= recordCount_ && IsHidden(recNo_));
  if (recNo_ > recordCount_) {
    recNo_ = recordCount_ + 1;
    eof_ = true;
    bof_ = recordCount_ == 0;
  }
}

void kArrayServer::StepBackward() {
  bool passedStart;
  if (Order* order = ActiveOrder()) {
    do {
      if (keyPos_ == 0) break;
      --keyPos_;
      recNo_ = keyPos_ >= 1 ? RecordAtKey(keyPos_) : 0;
    } while (keyPos_ >= 1 && IsHidden(recNo_));
    passedStart = keyPos_ < 1 || order->keys.Count() == 0;
  } else {
    do {
      --recNo_;
    } while (recNo_ >= 1 && IsHidden(recNo_));
    passedStart = recNo_ < 1;
  }
  if (passedStart) {
    DoGoTop();
    bof_ = true;
  }
}

void kArrayServer::DoSkip(std::int64_t records) {
  if (records == 0) {
    // Re-reads the position: the end of file stays the end of file (and an
    // empty server keeps both flags); a record that became hidden is left.
    if (recNo_ < 1 || recNo_ > recordCount_) {
      const Order* order = ActiveOrder();
      if (order) keyPos_ = order->keys.Count() + 1;
      recNo_ = recordCount_ + 1;
      eof_ = true;
      bof_ = order ? order->keys.Count() == 0 : recordCount_ == 0;
      return;
    }
    bof_ = eof_ = false;
    if (IsHidden(recNo_)) DoSkip(1);
    return;
  }
  bof_ = eof_ = false;
  if (!ActiveOrder() && !HidesRecords()) {
    // Nothing hidden: natural order moves by arithmetic. The position lies
    // in 0..RecCount + 1, so comparing the count with the room left in its
    // direction cannot overflow, whatever the count.
    if (records < 0 && records < 1 - recNo_) {
      DoGoTop();
      bof_ = true;
    } else if (records > 0 && records > recordCount_ - recNo_) {
      recNo_ = recordCount_ + 1;
      eof_ = true;
      bof_ = recordCount_ == 0;
    } else {
      recNo_ += records;
    }
    return;
  }
  // The walk ends at either end long before a huge count runs out; the
  // count's magnitude is taken unsigned, as -INT64_MIN has no signed value.
  const std::uint64_t steps = records < 0 ? 0 - std::uint64_t(records) : std::uint64_t(records);
  if (records < 0) {
    for (std::uint64_t i = 0; i < steps && !bof_; ++i) StepBackward();
  } else {
    for (std::uint64_t i = 0; i < steps && !eof_; ++i) StepForward();
  }
}

// ---------------------------------------------------------------------------
// Navigation with prologue and notification

bool kArrayServer::GoTop() {
  if (!Notify(notify::IntentToMove)) return false;
  Commit();
  ClearError();
  Trapped("GoTop", [this] { DoGoTop(); });
  Notify(notify::GoTop);
  return true;
}

bool kArrayServer::GoBottom() {
  if (!Notify(notify::IntentToMove)) return false;
  Commit();
  ClearError();
  Trapped("GoBottom", [this] { DoGoBottom(); });
  Notify(notify::GoBottom);
  return true;
}

bool kArrayServer::GoTo(std::int64_t recNo) {
  if (!Notify(notify::IntentToMove)) return false;
  Commit();
  ClearError();
  Trapped("GoTo", [this, recNo] { DoGoTo(recNo); });
  Notify(notify::RecordChange);
  return true;
}

bool kArrayServer::Skip(std::int64_t records) {
  if (!Notify(notify::IntentToMove)) return false;
  Commit();
  ClearError();
  const std::int64_t before = recNo_;
  const bool wasEof = eof_;
  Trapped("Skip", [this, records] { DoSkip(records); });
  Notify(notify::RecordChange, Usual(records));
  // Could not move: already at the end in the direction asked.
  if (records > 0 && wasEof && eof_ && before == recNo_) return false;
  if (records < 0 && bof_ && before == recNo_) return false;  // stayed on the first record
  return true;
}

// ---------------------------------------------------------------------------
// Fields and records

bool kArrayServer::AtEnd() const { return eof_ || recNo_ < 1 || recNo_ > recordCount_; }

Array kArrayServer::RecordArray(std::int64_t recNo) const {
  return records_ ? records_->Get(std::size_t(recNo)).AsArray() : Array();
}

const Usual& kArrayServer::StoredValue(std::int64_t recNo, std::size_t pos) const {
  if (!records_) return NIL;
  const Usual& record = records_->Get(std::size_t(recNo));
  if (!record.IsArray()) return NIL;
  return record.AsArray().Rep()->items.size() >= pos ? record.AsArray().Rep()->items[pos - 1] : NIL;
}

Usual kArrayServer::FieldGet(const Usual& field) {
  const std::size_t pos = FieldPos(field);
  if (pos == 0) {
    ReportStatus(gen::NoVar, Symbol("FieldGet"), "Unknown field: " + AsString(field));
    return Usual();
  }
  return Shaped(pos, bufferChanged_ ? editBuffer_[pos - 1]
                     : AtEnd()      ? blankRecord_[pos - 1]
                                    : StoredValue(recNo_, pos));
}

Usual kArrayServer::Shaped(std::size_t pos, Usual value) const {
  if (fieldMode_ == 1) {
    const auto& spec = DataFieldAt(pos)->Spec();
    if (spec->ValType() == "C" && value.IsString() && int(text::Length(value.AsStringView())) < spec->Length())
      value = Usual(text::PadRight(value.AsStringView(), std::size_t(spec->Length())));
    else if (spec->ValType() == "N" && value.IsNumeric())
      value = WithFieldFormat(value, spec->Length(), spec->Decimals());
  }
  return value;
}

Usual kArrayServer::FitValue(std::size_t pos, const Usual& value) const {
  const auto& spec = DataFieldAt(pos)->Spec();
  if (spec->ValType() == "C" && value.IsString() && spec->Length() > 0) {
    const auto length = std::size_t(spec->Length());
    if (fieldMode_ == 1) return Usual(text::PadRight(value.AsStringView(), length));
    if (text::Length(value.AsStringView()) > length) return Usual(text::Left(value.AsStringView(), length));
  }
  if (spec->ValType() == "N" && value.IsNumeric() && fieldMode_ == 1)
    return WithFieldFormat(value, spec->Length(), spec->Decimals());
  return value;
}

void kArrayServer::EnsureBuffer() {
  if (!editBuffer_.empty()) return;
  if (AtEnd()) {
    editBuffer_ = blankRecord_;
    return;
  }
  editBuffer_.resize(FCount());
  for (std::size_t i = 1; i <= FCount(); ++i) editBuffer_[i - 1] = StoredValue(recNo_, i);
}

Usual kArrayServer::FieldPut(const Usual& field, const Usual& value) {
  if (readOnly_) {
    ReportStatus(gen::ReadOnly, Symbol("FieldPut"), "The server is read-only");
    return value;
  }
  const std::size_t pos = FieldPos(field);
  if (pos == 0) {
    ReportStatus(gen::NoVar, Symbol("FieldPut"), "Unknown field: " + AsString(field));
    return value;
  }
  const Usual fitted = FitValue(pos, value);
  if (!FieldValidate(pos, fitted)) return value;
  EnsureBuffer();
  editBuffer_[pos - 1] = fitted;
  bufferChanged_ = true;
  // The buffer holds the value even when its key raises past the server, so
  // the clients hear of it before the error goes on.
  const std::exception_ptr raised = Caught([this] { RekeyCurrent(); });
  EditedCurrent();
  {
    Announcing announcing(*this);
    Notify(notify::FieldChange, Usual(DataFieldAt(pos)->NameSym()));
  }
  if (raised) std::rethrow_exception(raised);
  return value;
}

std::string kArrayServer::FieldGetFormatted(const Usual& field) {
  const auto f = DataFieldAt(FieldPos(field));
  return f ? f->Spec()->Transform(FieldGet(field)) : std::string();
}

Usual kArrayServer::FieldInfo(int kind, const Usual& field, const Usual&) {
  const auto f = DataFieldAt(FieldPos(field));
  if (!f) return Usual();
  switch (kind) {
    case 1: return Usual(f->NameSym().Name());  // name
    case 2: return Usual(f->Spec()->ValType());  // type
    case 3: return Usual(f->Spec()->Length());   // length
    case 4: return Usual(f->Spec()->Decimals()); // decimals
    default: return Usual();
  }
}

Array kArrayServer::RecordGet() {
  Array values;
  for (std::size_t i = 1; i <= FCount(); ++i)
    values.Add(bufferChanged_ ? editBuffer_[i - 1] : AtEnd() ? blankRecord_[i - 1] : StoredValue(recNo_, i));
  return values;
}

bool kArrayServer::RecordPut(const Usual& values) {
  if (readOnly_ || AtEnd() || !values.IsArray()) return false;
  const Array a = values.AsArray();
  EnsureBuffer();
  const std::size_t n = std::min(FCount(), a.Len());
  for (std::size_t i = 1; i <= n; ++i) editBuffer_[i - 1] = a.Get(i);
  bufferChanged_ = true;
  // Keys follow the new values, so orders stay sorted after the commit.
  const std::exception_ptr raised = Caught([this] { RekeyCurrent(); });
  EditedCurrent();
  {
    Announcing announcing(*this);
    for (std::size_t i = 1; i <= n; ++i) Notify(notify::FieldChange, Usual(DataFieldAt(i)->NameSym()));
  }
  if (raised) std::rethrow_exception(raised);
  return true;
}

bool kArrayServer::IsRecordEmpty() {
  if (AtEnd() && !bufferChanged_) return true;
  for (std::size_t i = 1; i <= FCount(); ++i) {
    const Usual& v = bufferChanged_ ? editBuffer_[i - 1] : StoredValue(recNo_, i);
    if (!(v == blankRecord_[i - 1])) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Changes

bool kArrayServer::Commit() {
  // A client that commits (or moves on) while the edit is still being
  // announced leaves the later clients to hear of it when the server no
  // longer stands on the edited record: for them it is a change like any
  // other.
  if (bufferChanged_ && announcingEdit_ > 0) Changed();
  if (!AtEnd() && bufferChanged_ && records_) {
    Usual& slot = records_->Items()[std::size_t(recNo_ - 1)];
    if (!slot.IsArray()) slot = Usual(Array(FCount()));
    Array record = slot.AsArray();
    if (record.Len() < FCount()) record.Resize(FCount());
    // Views already read the buffer as this record's values: storing it
    // changes nothing they show.
    for (std::size_t i = 1; i <= FCount(); ++i) record.Put(i, editBuffer_[i - 1]);
  }
  editBuffer_.clear();
  bufferChanged_ = false;
  return true;
}

bool kArrayServer::Refresh() {
  if (bufferChanged_) {
    editBuffer_.clear();
    bufferChanged_ = false;
    const std::exception_ptr raised = Caught([this] { RekeyCurrent(); });
    Changed();
    Notify(notify::RecordChange);
    if (raised) std::rethrow_exception(raised);
  }
  return true;
}

bool kArrayServer::Append(const Usual& position) {
  if (!Notify(notify::IntentToMove) || recordCount_ >= kMaxRecords) return false;
  Commit();
  if (!records_) records_ = std::make_unique<Array>();
  const bool insert = position.IsNumeric() && position.AsInteger() >= 1 && position.AsInteger() <= recordCount_;
  Array record;
  record.Items() = blankRecord_;
  if (insert) {
    const std::int64_t at = position.AsInteger();
    records_->Insert(std::size_t(at), Usual(record));
    deletedFlags_.insert(deletedFlags_.begin() + (at - 1), false);
    ++recordCount_;
    recNo_ = at;
  } else {
    records_->Add(Usual(record));
    deletedFlags_.push_back(false);
    ++recordCount_;
    recNo_ = recordCount_;
  }
  bof_ = eof_ = false;
  // The records after an insert move up in every order before any key is
  // evaluated: a key that raises past the server must not leave an order
  // naming them by their old numbers.
  if (insert) {
    for (auto& order : orders_) {
      RenumberFrom(*order, recNo_);
      ++order->version;
    }
  }
  // A key or FOR condition that fails on the new record leaves it out of
  // that order only; the other orders still get their keys, and the error
  // goes on once the server is in step with its data.
  std::exception_ptr raised;
  for (std::size_t i = 1; i <= orders_.size(); ++i) {
    const std::exception_ptr failed =
        Caught([&] { Trapped("Append", [&] { AddKey(*orders_[i - 1], EvalKey(*orders_[i - 1]), recNo_); }); });
    if (!raised) raised = failed;
  }
  if (Order* order = ActiveOrder()) {
    const std::size_t pos = order->keys.PositionOf(OrderTree::RecNo(recNo_));
    keyPos_ = pos ? pos : order->keys.Count() + 1;
  }
  Changed();
  Notify(notify::Append);
  if (insert) Notify(notify::FileChange);
  if (raised) std::rethrow_exception(raised);
  return true;
}

bool kArrayServer::Delete(const Usual& remove) {
  if (readOnly_ || AtEnd()) return false;
  const bool physically = remove.IsNil() ? (deletedScope_ == 0 || deletedScope_ == 1) : remove.AsLogic();
  if (!physically) {
    deletedFlags_[std::size_t(recNo_ - 1)] = true;
    Changed();
    Notify(notify::Delete);
    return true;
  }
  const std::size_t remembered = keyPos_;
  const std::int64_t gone = recNo_;
  for (auto& order : orders_) RemoveKey(*order, gone, true);
  records_->Remove(std::size_t(gone));
  deletedFlags_.erase(deletedFlags_.begin() + (gone - 1));
  --recordCount_;
  editBuffer_.clear();
  bufferChanged_ = false;
  if (Order* order = ActiveOrder()) {
    SuspendScope suspended(*this);
    const std::size_t count = order->keys.Count();
    const std::size_t pos = std::min(remembered, count);
    if (pos >= 1) DoGoTo(RecordAtKey(pos));
    else DoGoTo(recordCount_ + 1);
  } else if (recNo_ > recordCount_) {
    // The last record went: stand at the end of file.
    recNo_ = recordCount_ + 1;
    eof_ = true;
    bof_ = recordCount_ == 0;
  }
  Changed();
  Notify(notify::FileChange);
  return true;
}

bool kArrayServer::Recall() {
  if (readOnly_ || AtEnd()) return false;
  deletedFlags_[std::size_t(recNo_ - 1)] = false;
  Changed();
  Notify(notify::RecordChange);
  return true;
}

bool kArrayServer::RecallAll() {
  if (readOnly_) return false;
  std::fill(deletedFlags_.begin(), deletedFlags_.end(), false);
  Changed();
  Notify(notify::FileChange);
  return true;
}

bool kArrayServer::Pack() {
  if (readOnly_ || !Notify(notify::IntentToMove)) return false;
  Commit();
  // Where the current record stands in the active order, counted in the keys
  // that survive: its own key, or the gap it sits in without one.
  Order* active = ActiveOrder();
  const bool wasAtEnd = AtEnd();
  std::size_t keptBefore = 0;
  if (active && !wasAtEnd) {
    const auto cur = OrderTree::RecNo(recNo_);
    const std::size_t place = active->keys.Contains(cur) ? active->keys.PositionOf(cur) : keyPos_;
    std::size_t pos = 1;
    for (OrderTree::RecNo r = active->keys.RecordAt(1); r != 0 && pos < place; r = active->keys.Next(r), ++pos)
      if (!deletedFlags_[r - 1]) ++keptBefore;
  }
  std::vector<OrderTree::RecNo> newNumber(std::size_t(recordCount_) + 1, 0);
  std::vector<Usual> kept;
  kept.reserve(std::size_t(recordCount_));
  for (std::int64_t i = 1; i <= recordCount_; ++i) {
    if (deletedFlags_[std::size_t(i - 1)]) continue;
    kept.push_back(records_->Get(std::size_t(i)));
    newNumber[std::size_t(i)] = OrderTree::RecNo(kept.size());
  }
  for (auto& order : orders_) {
    order->keys.Remap([&](OrderTree::RecNo r) { return r < newNumber.size() ? newNumber[r] : 0; });
    ++order->version;
  }
  // The caller's array shrinks in place.
  records_->Items() = std::move(kept);
  const std::int64_t current = recNo_ >= 1 && recNo_ <= recordCount_ ? newNumber[std::size_t(recNo_)] : 0;
  recordCount_ = std::int64_t(records_->Len());
  deletedFlags_.assign(std::size_t(recordCount_), false);
  if (active) {
    const std::size_t count = active->keys.Count();
    if (wasAtEnd) {
      DoGoTo(recordCount_ + 1);
    } else if (current > 0) {
      recNo_ = current;
      bof_ = eof_ = false;
      const std::size_t pos = active->keys.PositionOf(OrderTree::RecNo(current));
      keyPos_ = pos ? pos : keptBefore + 1;
    } else {
      // The current record went: the key that followed it takes its place,
      // as after a physical Delete.
      const std::size_t pos = std::min(keptBefore + 1, count);
      DoGoTo(pos >= 1 ? std::int64_t(active->keys.RecordAt(pos)) : recordCount_ + 1);
    }
  } else {
    recNo_ = current > 0 ? current : std::min<std::int64_t>(std::max<std::int64_t>(recNo_, 1), recordCount_ + 1);
    bof_ = eof_ = recordCount_ == 0;
    if (recNo_ > recordCount_) eof_ = true;
  }
  Changed();
  Notify(notify::FileChange);
  return true;
}

bool kArrayServer::Zap() {
  if (!Notify(notify::IntentToMove)) return false;
  Commit();
  if (records_) records_->Clear();
  deletedFlags_.clear();
  recordCount_ = 0;
  recNo_ = 0;
  bof_ = eof_ = true;
  for (auto& order : orders_) {
    order->keys.Clear();
    ++order->version;
  }
  keyPos_ = 0;
  {
    SuspendScope suspended(*this);
    DoGoTop();
  }
  Changed();
  Notify(notify::FileChange);
  return true;
}

bool kArrayServer::Close() {
  Commit();
  Notify(notify::Close);
  Changed();
  records_.reset();
  deletedFlags_.clear();
  orders_.clear();
  cursorOrder_ = nullptr;
  currentOrder_ = 0;
  keyPos_ = 0;
  recordCount_ = 0;
  recNo_ = 1;
  bof_ = eof_ = true;
  return true;
}

Usual kArrayServer::Eval(const Usual& cbBlock, const Usual& cbFor, const Usual& cbWhile, const Usual& uScope) {
  // The walk runs with notifications suspended; without asking first it
  // would move past a client's veto, and without telling afterwards the
  // clients would still show the old record as current.
  if (!Notify(notify::IntentToMove)) return Usual();
  Commit();
  Usual result;
  try {
    result = DataServer::Eval(cbBlock, cbFor, cbWhile, uScope);
  } catch (...) {
    // A failing block has moved the server too. Told here rather than from a
    // destructor: a client that raises while being told must not meet an
    // exception already unwinding.
    Notify(notify::RecordChange);
    throw;
  }
  Notify(notify::RecordChange);
  return result;
}

// ---------------------------------------------------------------------------
// Reading for another view

bool kArrayServer::HidesRecords() const { return !IsDeletedInScope() || !filterBlock_.IsNil(); }

std::size_t kArrayServer::RowCount() const {
  if (const Order* order = ActiveOrder()) return order->keys.Count();
  return std::size_t(recordCount_);
}

std::int64_t kArrayServer::RowRecord(std::size_t row) const {
  if (const Order* order = ActiveOrder()) return order->keys.RecordAt(row);
  return row >= 1 && row <= std::size_t(recordCount_) ? std::int64_t(row) : 0;
}

bool kArrayServer::ShowsRecord(std::int64_t recNo) {
  if (recNo < 1 || recNo > recordCount_) return false;
  if (const Order* order = ActiveOrder(); order && !order->keys.Contains(OrderTree::RecNo(recNo))) return false;
  bool hidden = true;
  Trapped("ShowsRecord", [&] { hidden = IsHidden(recNo); });
  return !hidden;
}

std::vector<std::int64_t> kArrayServer::VisibleRecords() {
  std::vector<std::int64_t> records;
  Trapped("VisibleRecords", [&] {
    if (const Order* order = ActiveOrder()) {
      for (OrderTree::RecNo r = order->keys.RecordAt(1); r != 0; r = order->keys.Next(r))
        if (!IsHidden(r)) records.push_back(r);
    } else {
      for (std::int64_t r = 1; r <= recordCount_; ++r)
        if (!IsHidden(r)) records.push_back(r);
    }
  });
  return records;
}

Usual kArrayServer::FieldGetAt(std::int64_t recNo, std::size_t pos) {
  if (pos < 1 || pos > FCount()) return Usual();
  if (recNo == recNo_ && !AtEnd()) return FieldGet(Usual(pos));
  if (recNo < 1 || recNo > recordCount_) return Shaped(pos, blankRecord_[pos - 1]);
  return Shaped(pos, StoredValue(recNo, pos));
}

}  // namespace kt
