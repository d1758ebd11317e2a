#include "platform/db/dbserver.h"

#include <filesystem>

#include "platform/db/workareas.h"
#include "platform/runtime/codeblock.h"
#include "platform/runtime/compiler/macro.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/text.h"

namespace kt {
namespace {

namespace fs = std::filesystem;

const Usual& Arg(Args a, std::size_t i) { return i < a.size() ? a[i] : NIL; }

// ".dbf" is added to a name without extension; an existing file wins over
// its other-case spelling.
std::string TablePath(std::string path, const char* ext) {
  if (fs::path(path).has_extension()) return path;
  const std::string lower = path + "." + text::Lower(ext);
  const std::string upper = path + "." + text::Upper(ext);
  if (!fs::exists(lower) && fs::exists(upper)) return upper;
  return lower;
}

std::string FieldTypeLetter(char type) {
  switch (type) {
    case 'F': case 'I': case 'Y': case 'B': case 'N': return "N";
    case 'G': case 'P': case 'W': case 'M': return "M";
    default: return std::string(1, type);
  }
}

}  // namespace

DBServer::DBServer(const Usual& cFile, const Usual& lShared, const Usual& lReadOnly, const Usual& cDriver) {
  if (cDriver.IsString() && !text::Trim(cDriver.AsStringView()).empty())
    driver_ = text::Upper(text::Trim(cDriver.AsStringView()));
  fileName_ = TablePath(std::string(text::Trim(cFile.AsStringView())), "dbf");
  HyperLabel(New<kt::HyperLabel>(Symbol(fs::path(fileName_).stem().string())));
  Trapped("Init", [&] {
    const auto family = dbf::FamilyFromName(driver_);
    if (!family) {
      ErrorRef e = MakeError(gen::Arg, "Init", "Unknown database driver \"" + driver_ + "\"");
      e->FileName = fileName_;
      throw RuntimeError(e);
    }
    dbf::OpenOptions options;
    options.shared = lShared.IsLogic() ? lShared.AsLogic() : !Runtime::Settings().exclusive;
    options.readOnly = lReadOnly.AsLogic();
    options.family = family;
    auto table = dbf::Table::Open(fileName_, options);
    area_ = WorkAreas::Instance().Open(std::move(table), text::Upper(fs::path(fileName_).stem().string()));
    BuildFields();
  });
}

DBServer::~DBServer() {
  if (area_ != 0) {
    try {
      ErrorTrap trap;
      WorkAreas::Instance().Close(area_);
    } catch (const RuntimeError&) {
    }
    area_ = 0;
  }
}

bool DBServer::DBCreate(const std::string& path, const Usual& aStruct, const Usual& cDriver, const std::string& codePage) {
  const std::string driver = cDriver.IsString() ? text::Upper(cDriver.AsStringView()) : std::string("DBFNTX");
  const auto family = dbf::FamilyFromName(driver);
  try {
    ErrorTrap trap;
    if (!family) throw RuntimeError(MakeError(gen::Arg, "DBCreate", "Unknown database driver \"" + driver + "\""));
    dbf::Structure structure;
    for (const Usual& entry : aStruct.AsArray()) {
      const Array e = entry.AsArray();
      dbf::FieldSpec f;
      f.name = text::Upper(text::Trim(e.Get(1).AsStringView()));
      const auto type = e.Get(2).AsStringView();
      f.type = type.empty() ? 'C' : text::Upper(type.substr(0, 1))[0];
      f.length = int(e.Get(3).AsInteger());
      f.decimals = int(e.Get(4).AsInteger());
      structure.push_back(f);
    }
    dbf::CreateOptions options;
    options.family = *family;
    options.codePage = codePage;
    dbf::Table::Create(TablePath(path, "dbf"), structure, options)->Close();
    return true;
  } catch (const RuntimeError& e) {
    Raise(e.error());
    return false;
  }
}

void DBServer::BuildFields() {
  std::vector<Ref<DataField>> fields;
  const dbf::Table& table = Table()->Table();
  for (std::size_t i = 0; i < table.FieldCount(); ++i) {
    const dbf::Field& f = table.FieldAt(i);
    const Symbol name(f.name);
    auto spec = New<kt::FieldSpec>(name, FieldTypeLetter(f.type), f.length, f.decimals);
    fields.push_back(New<DataField>(name, spec));
  }
  SetFields(std::move(fields));
}

WorkArea* DBServer::Table() const { return area_ ? WorkAreas::Instance().Area(area_) : nullptr; }

Symbol DBServer::AliasSym() const { return Table() ? Table()->Alias() : Symbol(); }
bool DBServer::Shared() const { return Table() && Table()->Table().Shared(); }
bool DBServer::ReadOnly() const { return Table() && Table()->Table().ReadOnly(); }

// ---------------------------------------------------------------------------
// Fields

Usual DBServer::FieldGet(const Usual& field) {
  const std::size_t pos = FieldPos(field);
  if (pos == 0 || !Table()) {
    ReportStatus(gen::NoVar, Symbol("FieldGet"), "Unknown field: " + AsString(field));
    return Usual();
  }
  Usual value;
  Trapped("FieldGet", [&] { value = Table()->FieldGet(pos - 1); });
  return value;
}

Usual DBServer::FieldPut(const Usual& field, const Usual& value) {
  const std::size_t pos = FieldPos(field);
  if (pos == 0 || !Table()) {
    ReportStatus(gen::NoVar, Symbol("FieldPut"), "Unknown field: " + AsString(field));
    return value;
  }
  if (ReadOnly()) {
    ReportStatus(gen::ReadOnly, Symbol("FieldPut"), "The table is open read-only");
    return value;
  }
  if (!FieldValidate(pos, value)) return value;
  if (Trapped("FieldPut", [&] { Table()->FieldPut(pos - 1, value); }))
    Notify(notify::FieldChange, Usual(DataFieldAt(pos)->NameSym()));
  return value;
}

// ---------------------------------------------------------------------------
// Position

bool DBServer::GoTop() {
  if (!Table() || !Notify(notify::IntentToMove)) return false;
  ClearError();
  const bool ok = Trapped("GoTop", [this] { Table()->GoTop(); });
  Notify(notify::GoTop);
  return ok;
}

bool DBServer::GoBottom() {
  if (!Table() || !Notify(notify::IntentToMove)) return false;
  ClearError();
  const bool ok = Trapped("GoBottom", [this] { Table()->GoBottom(); });
  Notify(notify::GoBottom);
  return ok;
}

bool DBServer::GoTo(std::int64_t recNo) {
  if (!Table() || !Notify(notify::IntentToMove)) return false;
  ClearError();
  const bool ok = Trapped("GoTo", [this, recNo] { Table()->GoTo(recNo); });
  Notify(notify::RecordChange);
  return ok;
}

bool DBServer::Skip(std::int64_t records) {
  if (!Table() || !Notify(notify::IntentToMove)) return false;
  ClearError();
  const std::int64_t before = RecNo();
  const bool wasEof = EoF();
  const bool ok = Trapped("Skip", [this, records] { Table()->Skip(records); });
  Notify(notify::RecordChange, Usual(records));
  if (records > 0 && wasEof && EoF() && before == RecNo()) return false;
  if (records < 0 && BoF() && before == RecNo()) return false;  // stayed on the first record
  return ok;
}

std::int64_t DBServer::RecNo() const { return Table() ? Table()->RecNo() : 0; }
bool DBServer::EoF() const { return !Table() || Table()->Eof(); }
bool DBServer::BoF() const { return !Table() || Table()->Bof(); }
std::int64_t DBServer::LastRec() const { return Table() ? Table()->LastRec() : 0; }
bool DBServer::Deleted() const { return Table() && Table()->Deleted(); }
bool DBServer::Found() const { return Table() && Table()->Found(); }

// ---------------------------------------------------------------------------
// Changes

bool DBServer::Append(const Usual&) {
  if (!Table() || !Notify(notify::IntentToMove)) return false;
  if (!Trapped("Append", [this] { Table()->Append(); })) return false;
  Notify(notify::Append);
  return true;
}

bool DBServer::Delete(const Usual&) {
  if (!Table() || EoF()) return false;
  if (!Trapped("Delete", [this] { Table()->Delete(); })) return false;
  Notify(notify::Delete);
  return true;
}

bool DBServer::Recall() {
  if (!Table() || EoF()) return false;
  if (!Trapped("Recall", [this] { Table()->Recall(); })) return false;
  Notify(notify::RecordChange);
  return true;
}

bool DBServer::Commit() {
  if (!Table()) return false;
  return Trapped("Commit", [this] { Table()->Commit(); });
}

bool DBServer::Close() {
  if (!Table()) return false;
  Commit();
  Notify(notify::Close);
  const int area = area_;
  area_ = 0;
  return Trapped("Close", [area] { WorkAreas::Instance().Close(area); });
}

bool DBServer::Pack() {
  if (!Table() || !Notify(notify::IntentToMove)) return false;
  const bool ok = Trapped("Pack", [this] { Table()->Pack(); });
  Notify(notify::FileChange);
  return ok;
}

bool DBServer::Zap() {
  if (!Table() || !Notify(notify::IntentToMove)) return false;
  const bool ok = Trapped("Zap", [this] { Table()->Zap(); });
  Notify(notify::FileChange);
  return ok;
}

// ---------------------------------------------------------------------------
// Sharing

bool DBServer::RLock(const Usual& recNo) {
  if (!Table()) return false;
  bool ok = false;
  Trapped("RLock", [&] { ok = Table()->RLock(std::uint32_t(recNo.IsNumeric() ? recNo.AsInteger() : RecNo())); });
  NetErr(!ok);
  return ok;
}

bool DBServer::FLock() {
  if (!Table()) return false;
  bool ok = false;
  Trapped("FLock", [&] { ok = Table()->FLock(); });
  NetErr(!ok);
  return ok;
}

bool DBServer::Unlock(const Usual& recNo) {
  if (!Table()) return false;
  return Trapped("Unlock", [&] { Table()->Unlock(recNo.IsNumeric() ? std::uint32_t(recNo.AsInteger()) : 0); });
}

// ---------------------------------------------------------------------------
// Filter

bool DBServer::SetFilter(const Usual& uFilter, const Usual& cFilterText) {
  if (!Table() || !Notify(notify::IntentToMove)) return false;
  ClearError();
  const bool ok = Trapped("SetFilter", [&] {
    std::string text = cFilterText.IsString() ? std::string(cFilterText.AsStringView()) : std::string();
    Codeblock block;
    if (uFilter.IsString()) {
      if (text.empty()) text = std::string(text::Trim(uFilter.AsStringView()));
      ScopedWorkArea area(area_);
      block = CompileCodeblock("{|| " + std::string(uFilter.AsStringView()) + "}");
    } else if (uFilter.IsCodeblock()) {
      block = uFilter.AsCodeblock();
    } else if (uFilter.IsObject()) {
      const Usual object = uFilter;
      block = Codeblock::FromFunction([object](Args args) { return EvalBlock(object, args); });
    }
    if (!block) throw RuntimeError(MakeError(gen::Arg, "SetFilter", "No filter expression"));
    Table()->SetFilter(block, text);
    Table()->GoTop();
  });
  Notify(notify::FileChange);
  return ok;
}

bool DBServer::ClearFilter() {
  if (!Table() || !Table()->HasFilter() || !Notify(notify::IntentToMove)) return false;
  Table()->ClearFilter();
  Notify(notify::FileChange);
  return true;
}

std::string DBServer::Filter() const { return Table() ? Table()->FilterText() : std::string(); }

// ---------------------------------------------------------------------------
// Orders

bool DBServer::SetIndex(const Usual& cIndexFile) {
  if (!Table() || !Notify(notify::IntentToMove)) return false;
  const bool ok = Trapped("SetIndex", [&] {
    if (!cIndexFile.IsString() || text::Trim(cIndexFile.AsStringView()).empty()) {
      Table()->OrderListClear();
      return;
    }
    const std::string path = TablePath(std::string(text::Trim(cIndexFile.AsStringView())), "ntx");
    if (text::Lower(fs::path(path).extension().string()) != ".ntx")
      throw RuntimeError(MakeError(gen::Unsupported, "SetIndex", path + ": only NTX order files can be opened so far"));
    Table()->OrderListAdd(path);
    Table()->GoTop();
  });
  Notify(notify::FileChange);
  return ok;
}

bool DBServer::ClearIndex() {
  if (!Table() || !Notify(notify::IntentToMove)) return false;
  const bool ok = Trapped("ClearIndex", [this] { Table()->OrderListClear(); });
  Notify(notify::FileChange);
  return ok;
}

bool DBServer::CreateOrder(const Usual& cOrderFile, const Usual& cKey, const Usual& cFor, const Usual& lUnique,
                           const Usual& lDescending, const Usual& cbProgress) {
  if (!Table() || !Notify(notify::IntentToMove)) return false;
  bool built = false;
  Trapped("CreateOrder", [&] {
    if (!cKey.IsString() || text::Trim(cKey.AsStringView()).empty())
      throw RuntimeError(MakeError(gen::Arg, "CreateOrder", "No key expression"));
    const std::string path = TablePath(std::string(text::Trim(cOrderFile.AsStringView())), "ntx");
    OrderCreateOptions options;
    options.forExpr = cFor.IsString() ? std::string(cFor.AsStringView()) : std::string();
    options.unique = lUnique.AsLogic();
    options.descending = lDescending.AsLogic();
    if (!cbProgress.IsNil())
      options.progress = [&](std::uint64_t done, std::uint64_t total) {
        const Usual args[] = {Usual(std::int64_t(done)), Usual(std::int64_t(total))};
        const Usual go = EvalBlock(cbProgress, Args(args, 2));
        return !(go.IsLogic() && !go.AsLogic());
      };
    built = Table()->CreateOrder(path, std::string(cKey.AsStringView()), options);
    Table()->GoTop();
  });
  Notify(notify::FileChange);
  return built;
}

bool DBServer::SetOrder(const Usual& nOrder) {
  if (!Table()) return false;
  if (!nOrder.IsNumeric() || nOrder.AsInteger() < 0 || nOrder.AsInteger() > Table()->OrderCount()) {
    ReportStatus(gen::NoOrder, Symbol("SetOrder"), "Order number out of range: " + AsString(nOrder));
    return false;
  }
  if (!Notify(notify::IntentToMove)) return false;
  const bool ok = Trapped("SetOrder", [&] { Table()->SetOrder(int(nOrder.AsInteger())); });
  Notify(notify::FileChange);
  return ok;
}

int DBServer::IndexOrd() const { return Table() ? Table()->IndexOrd() : 0; }

std::string DBServer::IndexKey(const Usual& nOrder) const {
  return Table() ? Table()->IndexKey(nOrder.IsNumeric() ? int(nOrder.AsInteger()) : 0) : std::string();
}

bool DBServer::Seek(const Usual& uKey, const Usual& lSoftSeek, const Usual& lLast) {
  if (!Table() || !Notify(notify::IntentToMove)) return false;
  ClearError();
  bool found = false;
  Trapped("Seek", [&] {
    found = Table()->Seek(uKey, lSoftSeek.IsLogic() ? lSoftSeek.AsLogic() : Runtime::Settings().softSeek,
                          lLast.AsLogic());
  });
  Notify(notify::RecordChange);
  return found;
}

Usual DBServer::OrderKeyNo() {
  if (!Table()) return Usual();
  Usual pos;
  Trapped("OrderKeyNo", [&] { pos = Usual(std::int64_t(Table()->OrderKeyNo())); });
  return pos;
}

bool DBServer::OrderKeyNo(const Usual& position) {
  if (!Table() || !position.IsNumeric() || !Notify(notify::IntentToMove)) return false;
  bool ok = false;
  Trapped("OrderKeyNo", [&] { ok = Table()->OrderKeyGoTo(std::uint64_t(std::max<std::int64_t>(0, position.AsInteger()))); });
  Notify(notify::RecordChange);
  return ok;
}

std::uint64_t DBServer::OrderKeyCount(const Usual& nOrder) {
  if (!Table()) return 0;
  std::uint64_t count = 0;
  Trapped("OrderKeyCount", [&] { count = Table()->OrderKeyCount(nOrder.IsNumeric() ? int(nOrder.AsInteger()) : 0); });
  return count;
}

Usual DBServer::OrderKeyVal() {
  if (!Table()) return Usual();
  Usual key;
  Trapped("OrderKeyVal", [&] { key = Table()->OrderKeyVal(); });
  return key;
}

Usual DBServer::OrderInfo(int kind, const Usual&, const Usual& uOrder, const Usual& uOrdSpec) {
  if (!Table()) return Usual();
  const int order = uOrder.IsNumeric() ? int(uOrder.AsInteger()) : 0;
  switch (kind) {
    case 1: return Usual(Table()->OrderFor(order));
    case 2: return Usual(Table()->IndexKey(order));
    case 3: {
      Usual pos = OrderKeyNo();
      if (uOrdSpec.IsNumeric()) OrderKeyNo(uOrdSpec);
      return pos;
    }
    case 4: return Usual(fs::path(Table()->OrderFile(order)).stem().string());
    case 6: return Usual(IndexOrd());
    case 22: return Usual(Table()->OrderDescending(order));
    case 23: return Usual(!Table()->OrderFor(order).empty());
    case 26: return Usual(std::int64_t(OrderKeyCount(uOrder)));
    case 28: return Usual(Table()->OrderUnique(order));
    case 38: return OrderKeyVal();
    case 44: return Usual(Table()->OrderCount());
    default: return Usual();
  }
}

// ---------------------------------------------------------------------------
// Late binding

const ClassInfo& DBServer::StaticClass() {
  static ClassInfo info("DBServer", &DataServer::StaticClass());
  static const bool registered = [] {
    using S = DBServer;
    auto method = [](const char* name, std::function<Usual(S&, Args)> fn) { info.Method<S>(name, std::move(fn)); };
    auto access = [](const char* name, std::function<Usual(S&)> fn) { info.Access<S>(name, std::move(fn)); };
    access("AliasSym", [](S& s) { return Usual(s.AliasSym()); });
    access("Alias", [](S& s) { return Usual(s.AliasSym().Name()); });
    access("Driver", [](S& s) { return Usual(s.Driver()); });
    access("FileSpec", [](S& s) { return Usual(s.FileSpec()); });
    access("Shared", [](S& s) { return Usual(s.Shared()); });
    access("ReadOnly", [](S& s) { return Usual(s.ReadOnly()); });
    access("Found", [](S& s) { return Usual(s.Found()); });
    access("Filter", [](S& s) { return Usual(s.Filter()); });
    info.Assign<S>("Filter", [](S& s, const Usual& v) { s.SetFilter(v); });
    access("IndexOrd", [](S& s) { return Usual(s.IndexOrd()); });
    access("OrderKeyNo", [](S& s) { return s.OrderKeyNo(); });
    info.Assign<S>("OrderKeyNo", [](S& s, const Usual& v) { s.OrderKeyNo(v); });
    access("OrderKeyVal", [](S& s) { return s.OrderKeyVal(); });
    method("IndexOrd", [](S& s, Args) { return Usual(s.IndexOrd()); });
    method("Pack", [](S& s, Args) { return Usual(s.Pack()); });
    method("Zap", [](S& s, Args) { return Usual(s.Zap()); });
    method("RLock", [](S& s, Args a) { return Usual(s.RLock(Arg(a, 0))); });
    method("FLock", [](S& s, Args) { return Usual(s.FLock()); });
    method("Unlock", [](S& s, Args a) { return Usual(s.Unlock(Arg(a, 0))); });
    method("SetFilter", [](S& s, Args a) { return Usual(s.SetFilter(Arg(a, 0), Arg(a, 1))); });
    method("ClearFilter", [](S& s, Args) { return Usual(s.ClearFilter()); });
    method("SetIndex", [](S& s, Args a) { return Usual(s.SetIndex(Arg(a, 0))); });
    method("ClearIndex", [](S& s, Args) { return Usual(s.ClearIndex()); });
    method("CreateOrder", [](S& s, Args a) {
      return Usual(s.CreateOrder(Arg(a, 0), Arg(a, 1), Arg(a, 2), Arg(a, 3), Arg(a, 4), Arg(a, 5)));
    });
    method("SetOrder", [](S& s, Args a) { return Usual(s.SetOrder(Arg(a, 0))); });
    method("IndexKey", [](S& s, Args a) { return Usual(s.IndexKey(Arg(a, 0))); });
    method("Seek", [](S& s, Args a) { return Usual(s.Seek(Arg(a, 0), Arg(a, 1), Arg(a, 2))); });
    method("OrderKeyCount", [](S& s, Args a) { return Usual(std::int64_t(s.OrderKeyCount(Arg(a, 0)))); });
    method("OrderInfo", [](S& s, Args a) { return s.OrderInfo(int(Arg(a, 0).AsInteger()), Arg(a, 1), Arg(a, 2), Arg(a, 3)); });
    return true;
  }();
  (void)registered;
  return info;
}

}  // namespace kt
