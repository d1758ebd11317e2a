// kTable's selection: walking it row by row and column by column, keeping
// its row numbers in step with the server, and its late-bound names.
#include <algorithm>

#include "grid/selection_ops.h"
#include "platform/runtime/error.h"

namespace kt {
namespace {

const Symbol kSingle("Single"), kBlock("Block"), kAll("All"), kAllWithout("AllWithout");

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
  const auto& entries = list.Entries();
  walkColumn_ = 0;
  if (walkEntry_ >= 0 && std::size_t(walkEntry_) < entries.size()) {
    const SelectionEntry& e = entries[std::size_t(walkEntry_)];
    if (e.IsRun() && walkRecNo_ != 0 && walkRow_ >= e.row && walkRow_ < e.rowTo && walkRecNo_ != e.lastRecNo) {
      // The next row of a run: one record on from the last returned.
      SelectionOps::Walk w(*this);
      const std::int64_t rec = SelectionOps::Stepper(*this)(walkRecNo_, 1, e.deleted);
      w.Restore();
      if (rec != 0) {
        ++walkRow_;
        walkRecNo_ = rec;
        return rec;
      }
    }
  }
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
  const auto& entries = selection_->Entries();
  if (walkEntry_ < 0 || std::size_t(walkEntry_) >= entries.size()) return 0;
  const ColumnSet& columns = entries[std::size_t(walkEntry_)].columns;
  if (columns.whole || std::size_t(walkColumn_) >= columns.list.size()) return 0;
  return columns.list[std::size_t(walkColumn_++)];
}

// ---------------------------------------------------------------------------
// Row numbers that moved

void kTable::SelectionRowsChanged(int code) {
  SelectionList& list = *selection_;
  if (!Used()) return;
  const std::int64_t current = link_.RecNo();
  if (list.Empty()) {
    selectionOrder_ = SelectionOps::OrderSignature(*this);
    return;
  }
  SelectionOps::Walk w(*this);
  const std::string order = SelectionOps::OrderSignature(*this);
  const bool orderChanged = order != selectionOrder_;
  const bool dense = SelectionOps::Dense(*this);
  auto& entries = list.Raw();
  // A look at the ends tells whether rows moved: an insertion or removal
  // before an entry moves the last one, and runs are checked at both ends.
  bool changed = orderChanged || (list.HasRuns() && !dense);
  auto moved = [&](std::int64_t recNo, std::int64_t row) {
    if (recNo == 0) return false;
    const std::int64_t n = SelectionOps::LookupRow(*this, recNo);
    return n != 0 && n != row;
  };
  for (std::size_t i = 0; i < entries.size() && !changed; ++i) {
    const SelectionEntry& e = entries[i];
    const bool end = i == 0 || i + 1 == entries.size();
    if (e.IsRun()) changed = moved(e.recNo, e.row) || moved(e.lastRecNo, e.rowTo);
    else if (end) changed = moved(e.recNo, e.row);
  }
  if (changed) {
    std::vector<SelectionEntry> renumbered;
    renumbered.reserve(entries.size());
    for (SelectionEntry e : entries) {
      if (!e.IsRun()) {
        if (const std::int64_t n = SelectionOps::LookupRow(*this, e.recNo)) e.row = e.rowTo = n;
        renumbered.push_back(std::move(e));
        continue;
      }
      if (!dense) {
        // Rows are no longer consecutive: the run becomes one entry per
        // record, walked from its first record to its last.
        const SelectionOps::DeletedSetting hidden(e.deleted);
        link_.GoTo(e.recNo);
        for (std::int64_t k = 0; !link_.EoF() && k < e.Rows(); ++k) {
          SelectionEntry one = e;
          one.recNo = one.lastRecNo = link_.RecNo();
          one.row = one.rowTo = GetRowNo();
          one.wholeTable = false;
          renumbered.push_back(one);
          if (one.recNo == e.lastRecNo) break;
          link_.Skip(1);
        }
        continue;
      }
      if (e.wholeTable && orderChanged) {
        // All records in the old order are all records in the new one.
        link_.GoTop();
        if (link_.EoF()) continue;
        e.recNo = link_.RecNo();
        e.row = GetRowNo();
        link_.GoBottom();
        e.lastRecNo = link_.RecNo();
        e.rowTo = GetRowNo();
      } else {
        std::int64_t a = SelectionOps::LookupRow(*this, e.recNo), b = SelectionOps::LookupRow(*this, e.lastRecNo);
        if (a == 0 || b == 0) {
          a = a ? a : e.row;
          b = b ? b : e.rowTo;
        }
        if (a > b) {
          std::swap(a, b);
          std::swap(e.recNo, e.lastRecNo);
        }
        e.row = a;
        e.rowTo = b;
      }
      renumbered.push_back(std::move(e));
    }
    entries = std::move(renumbered);
    list.Rebuild();
    for (SelectionCell* c : {&anchor_, &rangeEnd_})
      if (const std::int64_t n = SelectionOps::LookupRow(*this, c->recNo)) c->row = n;
  }
  if (code == notify::Append && list.HasRuns()) {
    // A new record is not part of a run it lands in.
    const std::int64_t row = SelectionOps::LookupRow(*this, current);
    const int i = row > 0 ? list.FindRow(row) : -1;
    if (i >= 0 && list.Entries()[std::size_t(i)].IsRun() && list.FindRecord(current) < 0) {
      SelectionList::Dirty dirty;
      list.RemoveRecord(row, current, ColumnSet::Whole(), SelectionOps::Stepper(*this), dirty);
    }
  }
  selectionOrder_ = order;
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
