#include "platform/db/workareas.h"

#include "platform/db/dbserver.h"
#include "platform/runtime/numtext.h"
#include "platform/runtime/text.h"

namespace kt {

WorkAreas& WorkAreas::Instance() {
  static WorkAreas* areas = new WorkAreas;  // lives as long as the process
  // Tests may reset the runtime's hooks; the areas stay the resolver.
  if (Runtime::Resolver() != areas) Runtime::SetResolver(areas);
  return *areas;
}

int WorkAreas::Open(std::unique_ptr<dbf::Table> table, std::string alias) {
  std::size_t slot = 0;
  while (slot < areas_.size() && areas_[slot]) ++slot;
  if (slot >= std::size_t(kMaxAreas)) {
    ErrorRef e = MakeError(gen::Limit, "Open", "No free work area for " + table->Path());
    e->FileName = table->Path();
    throw RuntimeError(e);
  }
  std::string base = text::Upper(alias.empty() ? "AREA" : alias);
  Symbol sym(base);
  for (int n = 2; FindAlias(sym) != 0; ++n) sym = Symbol(base + "_" + ToText(n));
  if (slot == areas_.size()) areas_.emplace_back();
  areas_[slot] = std::make_unique<WorkArea>(int(slot + 1), sym, std::move(table));
  return int(slot + 1);
}

void WorkAreas::Close(int area) {
  if (area < 1 || std::size_t(area) > areas_.size() || !areas_[std::size_t(area - 1)]) return;
  auto closing = std::move(areas_[std::size_t(area - 1)]);
  closing->Close();
}

void WorkAreas::CloseAll() {
  for (int n = 1; n <= int(areas_.size()); ++n) Close(n);
}

WorkArea* WorkAreas::Area(int number) const {
  return number >= 1 && std::size_t(number) <= areas_.size() ? areas_[std::size_t(number - 1)].get() : nullptr;
}

int WorkAreas::FindAlias(Symbol alias) const {
  for (const auto& a : areas_)
    if (a && a->Alias() == alias) return a->Number();
  return 0;
}

int WorkAreas::AreaOf(const Object& server) const {
  const auto* db = dynamic_cast<const DBServer*>(&server);
  return db ? db->Area() : 0;
}

WorkArea* WorkAreas::Resolve(Symbol alias) const { return alias ? Area(FindAlias(alias)) : Selected(); }

Usual WorkAreas::FieldGet(Symbol alias, Symbol field, bool& found) {
  found = false;
  WorkArea* area = Resolve(alias);
  if (!area) return Usual();
  const int index = area->FieldIndex(field.Name());
  if (index < 0) return Usual();
  found = true;
  return area->FieldGet(std::size_t(index));
}

bool WorkAreas::FieldPut(Symbol alias, Symbol field, const Usual& value) {
  WorkArea* area = Resolve(alias);
  if (!area) return false;
  const int index = area->FieldIndex(field.Name());
  if (index < 0) return false;
  area->FieldPut(std::size_t(index), value);
  return true;
}

Usual WorkAreas::AreaFunction(Symbol function) {
  WorkArea* area = Selected();
  if (!area) return Usual();
  const std::string& name = function.Name();
  if (name == "RECNO") return Usual(area->RecNo());
  if (name == "DELETED") return Usual(area->Deleted());
  if (name == "EOF") return Usual(area->Eof());
  if (name == "BOF") return Usual(area->Bof());
  if (name == "LASTREC" || name == "RECCOUNT") return Usual(area->LastRec());
  if (name == "FOUND") return Usual(area->Found());
  if (name == "ALIAS") return Usual(area->Alias().Name());
  return Usual();
}

namespace {

WorkArea* Current() { return WorkAreas::Instance().Selected(); }

}  // namespace

int HLDBSelect(Symbol alias) {
  WorkAreas& areas = WorkAreas::Instance();
  return alias ? areas.FindAlias(alias) : areas.SelectedArea();
}

int HLDBSetSelect(int area) {
  WorkAreas& areas = WorkAreas::Instance();
  const int previous = areas.SelectedArea();
  if (area >= 1 && area <= WorkAreas::kMaxAreas) areas.SelectArea(area);
  return previous;
}

bool HLDBGoTop() {
  WorkArea* a = Current();
  if (a) a->GoTop();
  return a != nullptr;
}

bool HLDBGoBottom() {
  WorkArea* a = Current();
  if (a) a->GoBottom();
  return a != nullptr;
}

bool HLDBGoto(std::int64_t recNo) {
  WorkArea* a = Current();
  if (a) a->GoTo(recNo);
  return a != nullptr;
}

bool HLDBSkip(std::int64_t records) {
  WorkArea* a = Current();
  if (a) a->Skip(records);
  return a != nullptr;
}

bool HLDBSeek(const Usual& key, const Usual& softSeek, bool last) {
  WorkArea* a = Current();
  if (!a) return false;
  return a->Seek(key, softSeek.IsLogic() ? softSeek.AsLogic() : Runtime::Settings().softSeek, last);
}

bool HLDBEof() {
  WorkArea* a = Current();
  return !a || a->Eof();
}

bool HLDBBof() {
  WorkArea* a = Current();
  return !a || a->Bof();
}

std::int64_t HLDBRecno() {
  WorkArea* a = Current();
  return a ? a->RecNo() : 0;
}

std::int64_t HLDBLastRec() {
  WorkArea* a = Current();
  return a ? a->LastRec() : 0;
}

Usual HLDBOrderInfo(int kind, int order) {
  WorkArea* a = Current();
  if (!a) return Usual();
  switch (kind) {
    case 1: return Usual(a->OrderFor(order));
    case 2: return Usual(a->IndexKey(order));
    case 3: return Usual(a->OrderKeyNo());
    case 6: return Usual(a->IndexOrd());
    case 22: return Usual(a->OrderDescending(order));
    case 26: return Usual(a->OrderKeyCount(order));
    case 38: return a->OrderKeyVal();
    case 44: return Usual(a->OrderCount());
    default: return Usual();
  }
}

}  // namespace kt
