// kTable's selection: walking it row by row and column by column, keeping
// its row numbers in step with the server, and its late-bound names.
#include <algorithm>

#include "grid/selection_ops.h"
#include "platform/runtime/error.h"

namespace kt {
namespace {

const Symbol kSingle("Single"), kBlock("Block"), kAll("All");

const Usual& Arg(Args a, std::size_t i) { return i < a.size() ? a[i] : NIL; }

// A numeric argument; NIL is 0. Anything else is an argument error.
bool TakeNumber(const Usual& v, const char* operation, std::int64_t& out) {
  if (v.IsNil()) {
    out = 0;
    return true;
  }
  if (v.IsNumeric()) {
    out = v.AsInteger();
    return true;
  }
  RaiseError(gen::Arg, std::string("kTable:") + operation, std::string("Numeric value expected, got ") + v.TypeLetter());
  return false;
}

bool TakeCell(const Usual& v, const char* operation, const kCell*& out, bool optional) {
  out = nullptr;
  if (v.IsNil() && optional) return true;
  if (v.IsObject())
    if (const auto* c = dynamic_cast<const kCell*>(v.AsObject())) {
      out = c;
      return true;
    }
  RaiseError(gen::Arg, std::string("kTable:") + operation, std::string("kCell object expected, got ") + v.TypeLetter());
  return false;
}

bool TakeLogic(const Usual& v, const char* operation, bool& out) {
  if (v.IsNil() || v.IsLogic()) {
    out = v.IsLogic() && v.AsLogic();
    return true;
  }
  RaiseError(gen::Arg, std::string("kTable:") + operation, std::string("Logic value expected, got ") + v.TypeLetter());
  return false;
}

}  // namespace

// ---------------------------------------------------------------------------
// Walking

std::int64_t kTable::SelectionFirstRow() {
  walkEntry_ = -1;
  walkRecNo_ = walkRow_ = 0;
  walkColumn_ = 0;
  return SelectionNextRow();
}

std::int64_t kTable::SelectionNextRow() {
  SelectionList& list = *selection_;
  walkColumn_ = 0;
  if (list.Compact()) {
    // The records of the current order, those of the selection among them.
    if (walkEntry_ < -1 || !Used()) return 0;
    if (!hasOrder_ && !ServerHidesRecords()) {
      // The order is the record numbers: no need to move the server.
      const std::int64_t lastRec = link_.LastRec();
      std::int64_t rec = walkEntry_ == -1 ? 1 : walkRecNo_ + 1;
      while (rec <= lastRec && !list.CompactColumns(rec)) ++rec;
      const std::int64_t found = rec <= lastRec ? rec : 0;
      walkEntry_ = found ? 0 : -2;
      walkRecNo_ = found;
      if (found) ++walkRow_;
      return found;
    }
    SelectionOps::Walk w(*this);
    bool going = true;
    if (walkEntry_ == -1) {
      link_.GoTop();
    } else {
      link_.GoTo(walkRecNo_);
      going = !link_.EoF() && link_.RecNo() == walkRecNo_;
      if (going) link_.Skip(1);
    }
    std::int64_t found = 0;
    while (going && !link_.EoF()) {
      const std::int64_t rec = link_.RecNo();
      if (list.CompactColumns(rec)) {
        found = rec;
        break;
      }
      link_.Skip(1);
      if (link_.RecNo() == rec && !link_.EoF()) break;  // the server does not advance
    }
    w.Restore();
    walkEntry_ = found ? 0 : -2;
    walkRecNo_ = found;
    if (found) ++walkRow_;
    return found;
  }
  const auto& entries = list.Entries();
  while (std::size_t(walkEntry_ + 1) < entries.size()) {
    ++walkEntry_;
    const SelectionEntry& e = entries[std::size_t(walkEntry_)];
    std::int64_t rec = e.recNo;
    if (rec == 0 && Used()) {
      // Unresolved: as many records on from the last returned one as the
      // rows differ, with the deleted records hidden as they were then.
      SelectionOps::Walk w(*this);
      const SelectionOps::DeletedSetting hidden(e.deleted);
      if (walkRecNo_ != 0) {
        rec = SelectionOps::Stepper(*this)(walkRecNo_, e.row - walkRow_, e.deleted);
      } else {
        link_.GoTop();
        const std::int64_t first = link_.EoF() ? 0 : link_.RecNo();
        rec = first ? SelectionOps::Stepper(*this)(first, e.row - GetRowNo(), e.deleted) : 0;
      }
      w.Restore();
      if (rec != 0) list.Resolve(walkEntry_, rec);
    }
    if (rec == 0) continue;  // a record the server no longer has
    walkRow_ = e.row;
    walkRecNo_ = rec;
    return rec;
  }
  walkEntry_ = int(entries.size());
  return 0;
}

int kTable::SelectionFirstColumn() {
  walkColumn_ = 0;
  return SelectionNextColumn();
}

int kTable::SelectionNextColumn() {
  const SelectionList& list = *selection_;
  const ColumnSet* columns = nullptr;
  if (list.Compact()) {
    if (walkEntry_ == 0) columns = list.CompactColumns(walkRecNo_);
  } else if (walkEntry_ >= 0 && std::size_t(walkEntry_) < list.Entries().size()) {
    columns = &list.Entries()[std::size_t(walkEntry_)].columns;
  }
  if (!columns || columns->whole || std::size_t(walkColumn_) >= columns->list.size()) return 0;
  return columns->list[std::size_t(walkColumn_++)];
}

// ---------------------------------------------------------------------------
// Row numbers that moved

void kTable::SelectionRowsChanged(int) {
  SelectionList& list = *selection_;
  if (!Used()) return;
  SelectionOps::Walk w(*this);
  const std::string order = SelectionOps::OrderSignature(*this);
  const bool orderChanged = order != selectionOrder_;
  selectionOrder_ = order;
  if (list.Empty()) {
    w.Restore();
    return;
  }
  SelectionOps::Identity(*this);
  auto moved = [&](std::int64_t recNo, std::int64_t row) {
    if (recNo == 0) return false;
    const std::int64_t n = SelectionOps::LookupRow(*this, recNo);
    return n != 0 && n != row;
  };
  // The compact form holds no rows; entries do. A look at the ends tells
  // whether rows moved: an insertion or removal before an entry moves the
  // last one; the record the notification is about may have a new key.
  if (list.Compact()) {
    for (SelectionCell* c : {&anchor_, &rangeEnd_})
      if (const std::int64_t n = SelectionOps::LookupRow(*this, c->recNo)) c->row = n;
    w.Restore();
    return;
  }
  bool changed = orderChanged;
  auto& entries = list.Raw();
  if (const int i = list.FindRecord(link_.RecNo()); i >= 0 && !changed)
    changed = moved(entries[std::size_t(i)].recNo, entries[std::size_t(i)].row);
  if (!changed && !entries.empty())
    changed = moved(entries.front().recNo, entries.front().row) || moved(entries.back().recNo, entries.back().row);
  if (changed) {
    for (SelectionEntry& e : entries)
      if (const std::int64_t n = SelectionOps::LookupRow(*this, e.recNo)) e.row = n;
    list.Rebuild();
    for (SelectionCell* c : {&anchor_, &rangeEnd_})
      if (const std::int64_t n = SelectionOps::LookupRow(*this, c->recNo)) c->row = n;
  }
  w.Restore();
}

// ---------------------------------------------------------------------------
// Late-bound names

void kTable::RegisterSelection(ClassInfo& info) {
  using T = kTable;
  info.Method<T>("SelectionFlags", [](T& t, Args a) {
    bool shift = false, ctrl = false, space = false;
    if (!TakeLogic(Arg(a, 0), "SelectionFlags", shift) || !TakeLogic(Arg(a, 1), "SelectionFlags", ctrl) ||
        !TakeLogic(Arg(a, 2), "SelectionFlags", space))
      return Usual();
    return Usual(t.SelectionFlags(shift, ctrl, space));
  });
  // (flags or kind, column, row, record) as numbers.
  auto cell = [](const char* name, Args a, std::int64_t (&n)[4], std::size_t first) {
    for (std::size_t i = first; i < 4; ++i)
      if (!TakeNumber(Arg(a, i), name, n[i])) return false;
    return true;
  };
  info.Method<T>("SelectionChange", [cell](T& t, Args a) {
    std::int64_t n[4] = {};
    if (!cell("SelectionChange", a, n, 0)) return Usual();
    t.SelectionChange(int(n[0]), int(n[1]), n[2], n[3]);
    return Usual();
  });
  info.Method<T>("SelectionSet", [cell](T& t, Args a) {
    const Usual& kind = Arg(a, 0);
    if (!kind.IsSymbol()) {
      RaiseError(gen::Arg, "kTable:SelectionSet", std::string("Symbol expected, got ") + kind.TypeLetter());
      return Usual();
    }
    if (kind.AsSymbol() == kBlock) {
      const kCell *from = nullptr, *to = nullptr, *previous = nullptr;
      if (!TakeCell(Arg(a, 1), "SelectionSet", from, false) || !TakeCell(Arg(a, 2), "SelectionSet", to, false) ||
          !TakeCell(Arg(a, 3), "SelectionSet", previous, true))
        return Usual();
      return Usual(t.SelectionSetBlock(*from, *to, previous));
    }
    if (kind.AsSymbol() != kSingle) return Usual(kind.AsSymbol() == kAll ? t.SelectionSet(kAll) : false);
    std::int64_t n[4] = {};
    if (!cell("SelectionSet", a, n, 1)) return Usual();
    return Usual(t.SelectionSet(kSingle, int(n[1]), n[2], n[3]));
  });
  info.Method<T>("SelectionRemove", [cell](T& t, Args a) {
    const Usual& kind = Arg(a, 0);
    if (!kind.IsSymbol()) {
      RaiseError(gen::Arg, "kTable:SelectionRemove", std::string("Symbol expected, got ") + kind.TypeLetter());
      return Usual();
    }
    std::int64_t n[4] = {};
    if (!cell("SelectionRemove", a, n, 1)) return Usual();
    t.SelectionRemove(kind.AsSymbol(), int(n[1]), n[2], n[3]);
    return Usual();
  });
  info.Method<T>("IsCellSelected", [](T& t, Args a) {
    std::int64_t column = 0, row = 0, recNo = 0;
    if (!TakeNumber(Arg(a, 0), "IsCellSelected", column) || !TakeNumber(Arg(a, 1), "IsCellSelected", row) ||
        !TakeNumber(Arg(a, 2), "IsCellSelected", recNo))
      return Usual();
    return Usual(t.IsCellSelected(int(column), row, recNo));
  });
  info.Method<T>("IsRowSelected", [](T& t, Args a) {
    std::int64_t row = 0, recNo = 0;
    if (!TakeNumber(Arg(a, 0), "IsRowSelected", row) || !TakeNumber(Arg(a, 1), "IsRowSelected", recNo)) return Usual();
    return Usual(t.IsRowSelected(row, recNo));
  });
  info.Access<T>("SelectionRowCount", [](T& t) { return Usual(t.SelectionRowCount()); });
  info.Method<T>("SelectionFirstRow", [](T& t, Args) { return Usual(t.SelectionFirstRow()); });
  info.Method<T>("SelectionNextRow", [](T& t, Args) { return Usual(t.SelectionNextRow()); });
  info.Method<T>("SelectionFirstColumn", [](T& t, Args) { return Usual(t.SelectionFirstColumn()); });
  info.Method<T>("SelectionNextColumn", [](T& t, Args) { return Usual(t.SelectionNextColumn()); });
  info.Access<T>("SelectionMode", [](T& t) { return Usual(t.SelectionMode()); });
  info.Assign<T>("SelectionMode", [](T& t, const Usual& v) {
    if (v.IsSymbol()) t.SelectionMode(v.AsSymbol());
    else RaiseError(gen::Arg, "kTable:SelectionMode", std::string("Symbol expected, got ") + v.TypeLetter());
  });
  info.Method<T>("EnableInactiveSelection", [](T& t, Args a) {
    t.EnableInactiveSelection(Arg(a, 0));
    return Usual(t.IsInactiveSelectionEnabled());
  });
  info.Method<T>("IsInactiveSelectionEnabled", [](T& t, Args) { return Usual(t.IsInactiveSelectionEnabled()); });
}

}  // namespace kt
