#include "grid/selection.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <iterator>

namespace kt {

// ---------------------------------------------------------------------------
// Column sets

ColumnSet ColumnSet::Range(int from, int to) {
  if (from > to) std::swap(from, to);
  if (to < 1) return Whole();
  from = std::max(1, from);
  ColumnSet s;
  s.list.reserve(std::size_t(to - from + 1));
  for (int c = from; c <= to; ++c) s.list.push_back(c);
  return s;
}

bool ColumnSet::Contains(int c) const { return whole || std::binary_search(list.begin(), list.end(), c); }

bool ColumnSet::Covers(const ColumnSet& other) const {
  if (whole) return true;
  if (other.whole) return false;
  return std::includes(list.begin(), list.end(), other.list.begin(), other.list.end());
}

ColumnSet Union(const ColumnSet& a, const ColumnSet& b) {
  if (a.whole || b.whole) return ColumnSet::Whole();
  ColumnSet s;
  std::set_union(a.list.begin(), a.list.end(), b.list.begin(), b.list.end(), std::back_inserter(s.list));
  return s;
}

ColumnSet Minus(const ColumnSet& a, const ColumnSet& b) {
  if (b.None()) return a;
  if (b.whole || a.whole) return ColumnSet{};
  ColumnSet s;
  std::set_difference(a.list.begin(), a.list.end(), b.list.begin(), b.list.end(), std::back_inserter(s.list));
  return s;
}

void SelectionList::Dirty::Add(const SelectionEntry& e, const ColumnSet& cols) {
  if (e.recNo == 0) rows.emplace_back(e.row, e.row);
  else records.push_back(e.recNo);
  columns = Union(columns, cols);
}

// ---------------------------------------------------------------------------
// Lookups

namespace {
bool RowLess(const SelectionEntry& e, std::int64_t row) { return e.row < row; }
bool LessRow(std::int64_t row, const SelectionEntry& e) { return row < e.row; }
}  // namespace

void SelectionList::Clear() {
  entries_.clear();
  byRecord_.clear();
  rowCount_ = 0;
  compact_ = false;
  allLastRec_ = 0;
  allColumns_ = ColumnSet{};
  own_.clear();
}

int SelectionList::FindRecord(std::int64_t recNo) const {
  if (recNo == 0) return -1;
  const auto it = byRecord_.find(recNo);
  if (it == byRecord_.end()) return -1;
  auto e = std::lower_bound(entries_.begin(), entries_.end(), it->second, RowLess);
  for (; e != entries_.end() && e->row == it->second; ++e)
    if (e->recNo == recNo) return int(e - entries_.begin());
  return -1;
}

// ---------------------------------------------------------------------------
// The compact selection of all records

const ColumnSet* SelectionList::CompactColumns(std::int64_t recNo) const {
  if (!compact_ || recNo <= 0) return nullptr;
  if (const auto it = own_.find(recNo); it != own_.end()) return it->second.None() ? nullptr : &it->second;
  return recNo <= allLastRec_ && !allColumns_.None() ? &allColumns_ : nullptr;
}

void SelectionList::SetOwn(std::int64_t recNo, const ColumnSet& cols) {
  const bool plain = recNo <= allLastRec_ ? cols == allColumns_ : cols.None();
  if (plain) own_.erase(recNo);
  else own_[recNo] = cols;
}

void SelectionList::CountCompact() {
  rowCount_ = allColumns_.None() ? 0 : allLastRec_;
  for (const auto& [rec, cols] : own_) {
    const bool inBase = rec <= allLastRec_ && !allColumns_.None();
    if (inBase && cols.None()) --rowCount_;
    else if (!inBase && !cols.None()) ++rowCount_;
  }
}

void SelectionList::SelectAll(std::int64_t lastRec, const ColumnSet& cols, Dirty& dirty) {
  dirty.rows.emplace_back(INT64_MIN, INT64_MAX);
  dirty.columns = ColumnSet::Whole();
  if (cols.None() || lastRec <= 0) return;
  if (!compact_) {
    std::vector<SelectionEntry> entries = std::move(entries_);
    Clear();
    compact_ = true;
    allLastRec_ = lastRec;
    allColumns_ = cols;
    for (const SelectionEntry& e : entries)
      if (e.recNo > 0) SetOwn(e.recNo, Union(e.columns, cols));
    CountCompact();
    return;
  }
  // Records up to the old last one keep what they had and gain `cols`;
  // those appended since have only their own columns and gain `cols`.
  const std::int64_t oldLast = std::min(allLastRec_, lastRec);
  const ColumnSet base = Union(allColumns_, cols);
  std::unordered_map<std::int64_t, ColumnSet> own;
  own.swap(own_);
  const ColumnSet oldBase = allColumns_;
  allColumns_ = base;
  allLastRec_ = std::max(allLastRec_, lastRec);
  for (auto& [rec, c] : own) SetOwn(rec, Union(c, cols));
  if (!(cols == base))
    for (std::int64_t rec = oldLast + 1; rec <= allLastRec_; ++rec)
      if (!own.count(rec)) SetOwn(rec, cols);
  (void)oldBase;
  CountCompact();
}

void SelectionList::RemoveFromAll(const ColumnSet& cols, Dirty& dirty) {
  if (!compact_ || cols.None()) return;
  dirty.rows.emplace_back(INT64_MIN, INT64_MAX);
  dirty.columns = ColumnSet::Whole();
  std::unordered_map<std::int64_t, ColumnSet> own;
  own.swap(own_);
  allColumns_ = Minus(allColumns_, cols);
  for (auto& [rec, c] : own) SetOwn(rec, Minus(c, cols));
  CountCompact();
  if (rowCount_ == 0) Clear();
}

// ---------------------------------------------------------------------------
// Storage

void SelectionList::Insert(SelectionEntry e) {
  const auto pos = std::upper_bound(entries_.begin(), entries_.end(), e.row, LessRow);
  ++rowCount_;
  if (e.recNo != 0) byRecord_[e.recNo] = e.row;
  entries_.insert(pos, std::move(e));
}

void SelectionList::Erase(int index, const Stepper& step, bool removal) {
  const SelectionEntry e = entries_[std::size_t(index)];
  // Entries of record 0 are resolved from their neighbour: before this one
  // goes, its neighbours learn their records from it.
  if (removal && step && e.recNo != 0) {
    if (index > 0) {
      SelectionEntry& prev = entries_[std::size_t(index - 1)];
      if (prev.recNo == 0 && prev.row == e.row - 1)
        if (const std::int64_t r = step(e.recNo, -1, prev.deleted)) Resolve(index - 1, r);
    }
    if (std::size_t(index + 1) < entries_.size()) {
      SelectionEntry& next = entries_[std::size_t(index + 1)];
      if (next.recNo == 0 && next.row == e.row + 1)
        if (const std::int64_t r = step(e.recNo, 1, next.deleted)) Resolve(index + 1, r);
    }
  }
  if (e.recNo != 0) {
    const auto it = byRecord_.find(e.recNo);
    if (it != byRecord_.end() && it->second == e.row) byRecord_.erase(it);
  }
  --rowCount_;
  entries_.erase(entries_.begin() + index);
}

void SelectionList::Resolve(int index, std::int64_t recNo) {
  SelectionEntry& e = entries_[std::size_t(index)];
  e.recNo = recNo;
  if (recNo != 0) byRecord_[recNo] = e.row;
}

void SelectionList::Rebuild() {
  if (compact_) return;
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const SelectionEntry& a, const SelectionEntry& b) { return a.row < b.row; });
  byRecord_.clear();
  std::unordered_map<std::int64_t, std::size_t> at;
  std::vector<SelectionEntry> kept;
  kept.reserve(entries_.size());
  for (SelectionEntry& e : entries_) {
    if (e.recNo != 0) {
      if (const auto it = at.find(e.recNo); it != at.end()) {
        kept[it->second].columns = Union(kept[it->second].columns, e.columns);
        continue;
      }
      at[e.recNo] = kept.size();
      byRecord_[e.recNo] = e.row;
    }
    kept.push_back(std::move(e));
  }
  entries_ = std::move(kept);
  rowCount_ = std::int64_t(entries_.size());
}

// ---------------------------------------------------------------------------
// One record

bool SelectionList::AddRecord(std::int64_t row, std::int64_t recNo, bool deleted, const ColumnSet& cols,
                              const Stepper&, Dirty& dirty) {
  if (cols.None()) return false;
  if (compact_) {
    if (recNo <= 0) return false;
    const ColumnSet* had = CompactColumns(recNo);
    const ColumnSet u = had ? Union(*had, cols) : cols;
    if (had && u == *had) return false;
    SetOwn(recNo, u);
    CountCompact();
    dirty.records.push_back(recNo);
    dirty.columns = Union(dirty.columns, cols);
    return true;
  }
  int i = FindRecord(recNo);
  if (i < 0) {
    // The unresolved entry of this row is this record.
    const auto e = std::lower_bound(entries_.begin(), entries_.end(), row, RowLess);
    if (e != entries_.end() && e->row == row && e->recNo == 0) {
      i = int(e - entries_.begin());
      Resolve(i, recNo);
    }
  }
  if (i < 0) {
    SelectionEntry e;
    e.row = row;
    e.recNo = recNo;
    e.deleted = deleted;
    e.columns = cols;
    dirty.Add(e, cols);
    Insert(std::move(e));
    return true;
  }
  SelectionEntry& e = entries_[std::size_t(i)];
  const ColumnSet u = Union(e.columns, cols);
  const bool changed = !(u == e.columns);
  e.deleted = deleted;
  e.columns = u;
  if (changed) dirty.Add(e, cols);
  if (row > 0 && e.row != row) {
    // The record has moved in the order since its entry was made.
    SelectionEntry moved = e;
    moved.row = row;
    Erase(i, nullptr, false);
    Insert(std::move(moved));
  }
  return changed;
}

bool SelectionList::RemoveRecord(std::int64_t, std::int64_t recNo, const ColumnSet& cols, const Stepper& step,
                                 Dirty& dirty) {
  if (compact_) {
    const ColumnSet* had = CompactColumns(recNo);
    if (!had) return false;
    const ColumnSet m = Minus(*had, cols);
    if (m == *had) return false;
    dirty.records.push_back(recNo);
    dirty.columns = Union(dirty.columns, m.None() ? *had : cols);
    SetOwn(recNo, m);
    CountCompact();
    if (rowCount_ == 0) Clear();
    return true;
  }
  const int i = FindRecord(recNo);
  if (i < 0) return false;
  SelectionEntry& e = entries_[std::size_t(i)];
  const ColumnSet m = Minus(e.columns, cols);
  if (m == e.columns) return false;
  dirty.Add(e, m.None() ? e.columns : cols);
  if (m.None()) Erase(i, step);
  else e.columns = m;
  return true;
}

void SelectionList::KeepOnly(std::int64_t row, std::int64_t recNo, const ColumnSet& keep, const Stepper&,
                             Dirty& dirty) {
  SelectionEntry kept;
  bool found = false;
  if (compact_) {
    if (const ColumnSet* c = CompactColumns(recNo)) {
      kept.row = row;
      kept.recNo = recNo;
      kept.columns = *c;
      found = true;
    }
    dirty.rows.emplace_back(INT64_MIN, INT64_MAX);
    dirty.columns = ColumnSet::Whole();
  } else if (const int i = FindRecord(recNo); i >= 0) {
    kept = entries_[std::size_t(i)];
    found = true;
  }
  for (const SelectionEntry& e : entries_) dirty.Add(e, e.columns);
  Clear();
  if (!found) return;
  if (!keep.whole) kept.columns = kept.columns.Covers(keep) ? keep : ColumnSet{};
  if (!kept.columns.None()) Insert(std::move(kept));
}

// ---------------------------------------------------------------------------
// Row ranges

void SelectionList::RemoveRange(std::int64_t from, std::int64_t to, const ColumnSet& cols, const Stepper& step,
                                Dirty& dirty) {
  if (from > to || entries_.empty() || compact_) return;
  auto first = std::lower_bound(entries_.begin(), entries_.end(), from, RowLess);
  std::vector<int> gone;
  for (auto e = first; e != entries_.end() && e->row <= to; ++e) {
    const ColumnSet m = Minus(e->columns, cols);
    if (m == e->columns) continue;
    dirty.Add(*e, m.None() ? e->columns : cols);
    if (m.None()) gone.push_back(int(e - entries_.begin()));
    else e->columns = m;
  }
  for (auto g = gone.rbegin(); g != gone.rend(); ++g) Erase(*g, step);
}

void SelectionList::AddRange(std::int64_t from, std::int64_t to, const ColumnSet& cols, bool deleted,
                             std::vector<Known> known, const Stepper& step, Dirty& dirty) {
  if (from > to || cols.None() || compact_) return;
  // Rows that have entries get the columns; the rows between them are the
  // gaps to fill.
  std::vector<std::pair<std::int64_t, std::int64_t>> gaps;
  std::int64_t cursor = from;
  auto first = std::lower_bound(entries_.begin(), entries_.end(), from, RowLess);
  if (first != entries_.begin()) {
    const SelectionEntry& before = *std::prev(first);
    if (before.recNo != 0) known.push_back({before.row, before.recNo});
  }
  for (auto e = first; e != entries_.end() && e->row <= to; ++e) {
    if (e->row > cursor) gaps.emplace_back(cursor, e->row - 1);
    cursor = std::max(cursor, e->row + 1);
    if (e->recNo != 0) known.push_back({e->row, e->recNo});
    const ColumnSet u = Union(e->columns, cols);
    if (u == e->columns) continue;
    dirty.Add(*e, cols);
    e->columns = u;
  }
  if (cursor <= to) gaps.emplace_back(cursor, to);
  {
    const auto after = std::lower_bound(entries_.begin(), entries_.end(), to + 1, RowLess);
    if (after != entries_.end() && after->row == to + 1 && after->recNo != 0) known.push_back({to + 1, after->recNo});
  }

  auto recordOf = [&](std::int64_t row) -> std::int64_t {
    if (identity_) return row;
    std::int64_t bestRow = 0, bestRec = 0, bestDistance = -1;
    for (const Known& k : known) {
      if (k.recNo == 0) continue;
      const std::int64_t d = std::llabs(row - k.row);
      if (bestDistance < 0 || d < bestDistance) bestDistance = d, bestRow = k.row, bestRec = k.recNo;
    }
    if (bestDistance < 0) return 0;
    if (bestDistance == 0) return bestRec;
    return step ? step(bestRec, row - bestRow, deleted) : 0;
  };
  std::vector<std::int64_t> stray;  // records of the gaps that have an entry elsewhere
  for (const auto& [g1, g2] : gaps) {
    std::int64_t rec = recordOf(g1);
    if (rec == 0) continue;
    std::vector<SelectionEntry> batch;
    // One entry per record, visited by skipping.
    for (std::int64_t g = g1; g <= g2 && rec != 0; ++g) {
      if (byRecord_.count(rec)) {
        stray.push_back(rec);
      } else {
        SelectionEntry e;
        e.row = g;
        e.recNo = rec;
        e.deleted = deleted;
        e.columns = cols;
        batch.push_back(std::move(e));
      }
      rec = g >= g2 ? 0 : identity_ ? g + 1 : step ? step(rec, 1, deleted) : 0;
    }
    dirty.rows.emplace_back(g1, g2);
    dirty.columns = Union(dirty.columns, cols);
    const auto pos = std::upper_bound(entries_.begin(), entries_.end(), g1, LessRow);
    rowCount_ += std::int64_t(batch.size());
    for (const SelectionEntry& e : batch) byRecord_[e.recNo] = e.row;
    entries_.insert(pos, batch.begin(), batch.end());
  }
  for (std::int64_t rec : stray)
    if (const int i = FindRecord(rec); i >= 0) {
      SelectionEntry& e = entries_[std::size_t(i)];
      e.columns = Union(e.columns, cols);
      dirty.records.push_back(rec);
    }
}

// ---------------------------------------------------------------------------
// Columns

void SelectionList::MoveColumns(int from, int to, int count) {
  auto renumber = [&](int c) -> int {
    if (from == 0) return to >= 1 && c >= to ? c + count : c;  // inserted at `to`
    if (to == 0) return c == from ? 0 : c > from ? c - 1 : c;    // `from` closed
    if (c == from) return to;
    if (from < to && c > from && c <= to) return c - 1;
    if (from > to && c >= to && c < from) return c + 1;
    return c;
  };
  auto move = [&](ColumnSet& s) {
    if (s.whole) return;
    std::vector<int> list;
    list.reserve(s.list.size());
    for (int c : s.list)
      if (const int n = renumber(c); n >= 1) list.push_back(n);
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
    s.list = std::move(list);
  };
  if (compact_) {
    std::unordered_map<std::int64_t, ColumnSet> own;
    own.swap(own_);
    move(allColumns_);
    for (auto& [rec, c] : own) {
      move(c);
      SetOwn(rec, c);
    }
    CountCompact();
    if (rowCount_ == 0) Clear();
    return;
  }
  std::vector<int> gone;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    move(entries_[i].columns);
    if (entries_[i].columns.None()) gone.push_back(int(i));
  }
  for (auto g = gone.rbegin(); g != gone.rend(); ++g) Erase(*g, nullptr);
}

}  // namespace kt
