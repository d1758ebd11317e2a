#include "grid/selection.h"

#include <algorithm>
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
  if (e.IsRun() || e.recNo == 0) rows.emplace_back(e.row, e.rowTo);
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
  runs_ = 0;
}

int SelectionList::FindRecord(std::int64_t recNo) const {
  if (recNo == 0) return -1;
  const auto it = byRecord_.find(recNo);
  if (it == byRecord_.end()) return -1;
  auto e = std::lower_bound(entries_.begin(), entries_.end(), it->second, RowLess);
  for (; e != entries_.end() && e->row == it->second; ++e)
    if (!e->IsRun() && e->recNo == recNo) return int(e - entries_.begin());
  return -1;
}

int SelectionList::FindRow(std::int64_t row) const {
  auto e = std::upper_bound(entries_.begin(), entries_.end(), row, LessRow);
  if (e == entries_.begin()) return -1;
  --e;
  // Entries of one row (a stale one among them) sit side by side; a run
  // among them wins.
  for (auto f = e;; --f) {
    if (f->row != e->row) break;
    if (f->rowTo >= row && f->IsRun()) return int(f - entries_.begin());
    if (f == entries_.begin()) break;
  }
  return e->rowTo >= row ? int(e - entries_.begin()) : -1;
}

// ---------------------------------------------------------------------------
// Storage

void SelectionList::Index(int from) {
  for (std::size_t i = std::size_t(std::max(0, from)); i < entries_.size(); ++i) {
    const SelectionEntry& e = entries_[i];
    if (!e.IsRun() && e.recNo != 0) byRecord_[e.recNo] = e.row;
  }
}

void SelectionList::Count() {
  rowCount_ = 0;
  runs_ = 0;
  for (const SelectionEntry& e : entries_) {
    rowCount_ += e.Rows();
    runs_ += e.IsRun();
  }
}

void SelectionList::Insert(SelectionEntry e) {
  if (e.rowTo < e.row) e.rowTo = e.row;
  if (!e.IsRun()) e.lastRecNo = e.recNo;
  const auto pos = std::upper_bound(entries_.begin(), entries_.end(), e.row, LessRow);
  rowCount_ += e.Rows();
  runs_ += e.IsRun();
  if (!e.IsRun() && e.recNo != 0) byRecord_[e.recNo] = e.row;
  entries_.insert(pos, std::move(e));
}

void SelectionList::Erase(int index, const Stepper& step) {
  const SelectionEntry e = entries_[std::size_t(index)];
  // Entries of record 0 are resolved from their neighbour: before this one
  // goes, its neighbours learn their records from it.
  if (step && !e.IsRun() && e.recNo != 0) {
    if (index > 0) {
      SelectionEntry& prev = entries_[std::size_t(index - 1)];
      if (!prev.IsRun() && prev.recNo == 0 && prev.row == e.row - 1)
        if (const std::int64_t r = step(e.recNo, -1, prev.deleted)) Resolve(index - 1, r);
    }
    if (std::size_t(index + 1) < entries_.size()) {
      SelectionEntry& next = entries_[std::size_t(index + 1)];
      if (!next.IsRun() && next.recNo == 0 && next.row == e.row + 1)
        if (const std::int64_t r = step(e.recNo, 1, next.deleted)) Resolve(index + 1, r);
    }
  }
  if (!e.IsRun() && e.recNo != 0) {
    const auto it = byRecord_.find(e.recNo);
    if (it != byRecord_.end() && it->second == e.row) byRecord_.erase(it);
  }
  rowCount_ -= e.Rows();
  runs_ -= e.IsRun();
  entries_.erase(entries_.begin() + index);
}

void SelectionList::Resolve(int index, std::int64_t recNo) {
  SelectionEntry& e = entries_[std::size_t(index)];
  e.recNo = recNo;
  if (!e.IsRun()) {
    e.lastRecNo = recNo;
    if (recNo != 0) byRecord_[recNo] = e.row;
  }
}

void SelectionList::Rebuild() {
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const SelectionEntry& a, const SelectionEntry& b) { return a.row < b.row; });
  byRecord_.clear();
  Index(0);
  Count();
}

// ---------------------------------------------------------------------------
// One record

bool SelectionList::AddRecord(std::int64_t row, std::int64_t recNo, bool deleted, const ColumnSet& cols,
                              const Stepper& step, Dirty& dirty) {
  int i = FindRecord(recNo);
  if (i < 0) {
    const int j = FindRow(row);
    if (j >= 0 && entries_[std::size_t(j)].IsRun()) {
      if (entries_[std::size_t(j)].columns.Covers(cols)) return false;
      // The record leaves the run as an entry of its own.
      std::vector<Known> known{{row, recNo}};
      SplitBefore(row, known, step);
      SplitBefore(row + 1, known, step);
      i = FindRow(row);
      if (i >= 0) Resolve(i, recNo);
    } else if (j >= 0 && entries_[std::size_t(j)].recNo == 0) {
      // The unresolved entry of this row is this record.
      Resolve(j, recNo);
      i = j;
    }
  }
  if (i < 0) {
    SelectionEntry e;
    e.row = e.rowTo = row;
    e.recNo = e.lastRecNo = recNo;
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
    moved.row = moved.rowTo = row;
    Erase(i, nullptr);
    Insert(std::move(moved));
  }
  return changed;
}

bool SelectionList::RemoveRecord(std::int64_t row, std::int64_t recNo, const ColumnSet& cols, const Stepper& step,
                                 Dirty& dirty) {
  int i = FindRecord(recNo);
  if (i < 0 && runs_ > 0) {
    const int j = FindRow(row);
    if (j < 0 || !entries_[std::size_t(j)].IsRun()) return false;
    if (Minus(entries_[std::size_t(j)].columns, cols) == entries_[std::size_t(j)].columns) return false;
    std::vector<Known> known{{row, recNo}};
    SplitBefore(row, known, step);
    SplitBefore(row + 1, known, step);
    i = FindRow(row);
    if (i < 0) return false;
    Resolve(i, recNo);
  }
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
  if (const int i = FindRecord(recNo); i >= 0) {
    kept = entries_[std::size_t(i)];
    found = true;
  } else if (const int j = runs_ > 0 ? FindRow(row) : -1; j >= 0 && entries_[std::size_t(j)].IsRun()) {
    kept = entries_[std::size_t(j)];
    kept.row = kept.rowTo = row;
    kept.recNo = kept.lastRecNo = recNo;
    kept.wholeTable = false;
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

std::int64_t SelectionList::RecordAt(std::int64_t row, const SelectionEntry& run, const std::vector<Known>& known,
                                     const Stepper& step) const {
  std::int64_t bestRow = 0, bestRec = 0, bestDistance = -1;
  auto consider = [&](std::int64_t r, std::int64_t rec) {
    if (rec == 0) return;
    const std::int64_t d = std::llabs(row - r);
    if (bestDistance < 0 || d < bestDistance) bestDistance = d, bestRow = r, bestRec = rec;
  };
  consider(run.row, run.recNo);
  consider(run.rowTo, run.lastRecNo);
  for (const Known& k : known)
    if (k.row >= run.row && k.row <= run.rowTo) consider(k.row, k.recNo);
  if (bestDistance < 0) return 0;
  if (bestDistance == 0) return bestRec;
  return step ? step(bestRec, row - bestRow, run.deleted) : 0;
}

void SelectionList::SplitBefore(std::int64_t row, std::vector<Known>& known, const Stepper& step) {
  const int i = FindRow(row);
  if (i < 0) return;
  SelectionEntry& e = entries_[std::size_t(i)];
  if (!e.IsRun() || e.row >= row) return;
  const std::int64_t before = RecordAt(row - 1, e, known, step);
  std::int64_t at = 0;
  for (const Known& k : known)
    if (k.row == row) at = k.recNo;
  if (at == 0) at = before != 0 && step ? step(before, 1, e.deleted) : RecordAt(row, e, known, step);
  SelectionEntry tail = e;
  e.rowTo = row - 1;
  e.lastRecNo = e.IsRun() ? before : e.recNo;
  e.wholeTable = false;
  tail.row = row;
  tail.recNo = at;
  if (!tail.IsRun()) tail.lastRecNo = at;
  tail.wholeTable = false;
  known.push_back({row - 1, before});
  known.push_back({row, at});
  // The run counted once before; its two parts count the same rows.
  runs_ += int(e.IsRun()) + int(tail.IsRun()) - 1;
  if (!e.IsRun() && e.recNo != 0) byRecord_[e.recNo] = e.row;
  if (!tail.IsRun() && tail.recNo != 0) byRecord_[tail.recNo] = tail.row;
  entries_.insert(entries_.begin() + i + 1, std::move(tail));
}

void SelectionList::Coalesce(std::int64_t from, std::int64_t to) {
  int i = FindRow(from);
  if (i < 0) {
    const auto e = std::lower_bound(entries_.begin(), entries_.end(), from, RowLess);
    i = int(e - entries_.begin());
  }
  while (std::size_t(i + 1) < entries_.size() && entries_[std::size_t(i + 1)].row <= to) {
    SelectionEntry& a = entries_[std::size_t(i)];
    const SelectionEntry& b = entries_[std::size_t(i + 1)];
    if ((a.IsRun() || b.IsRun()) && a.rowTo + 1 == b.row && a.columns == b.columns && a.deleted == b.deleted &&
        a.recNo != 0 && a.lastRecNo != 0 && b.recNo != 0 && b.lastRecNo != 0) {
      auto drop = [this](const SelectionEntry& s) {
        if (s.IsRun()) return;
        const auto it = byRecord_.find(s.recNo);
        if (it != byRecord_.end() && it->second == s.row) byRecord_.erase(it);
      };
      drop(a);
      drop(b);
      runs_ -= int(a.IsRun()) + int(b.IsRun()) - 1;
      a.rowTo = b.rowTo;
      a.lastRecNo = b.lastRecNo;
      a.wholeTable = false;
      entries_.erase(entries_.begin() + i + 1);
    } else {
      ++i;
    }
  }
}

void SelectionList::RemoveRange(std::int64_t from, std::int64_t to, const ColumnSet& cols, std::vector<Known> known,
                                const Stepper& step, Dirty& dirty) {
  if (from > to || entries_.empty()) return;
  SplitBefore(from, known, step);
  SplitBefore(to + 1, known, step);
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
  Coalesce(from - 1, to + 1);
}

void SelectionList::AddRange(std::int64_t from, std::int64_t to, const ColumnSet& cols, bool deleted, bool fill,
                             std::vector<Known> known, const Stepper& step, std::int64_t runThreshold,
                             bool wholeTable, Dirty& dirty) {
  if (from > to || cols.None()) return;
  SplitBefore(from, known, step);
  SplitBefore(to + 1, known, step);
  // Rows that have entries get the columns; the rows between them are the
  // gaps to fill.
  std::vector<std::pair<std::int64_t, std::int64_t>> gaps;
  std::int64_t cursor = from;
  auto first = std::lower_bound(entries_.begin(), entries_.end(), from, RowLess);
  if (first != entries_.begin()) {
    const SelectionEntry& before = *std::prev(first);
    if (before.lastRecNo != 0) known.push_back({before.rowTo, before.lastRecNo});
  }
  for (auto e = first; e != entries_.end() && e->row <= to; ++e) {
    if (e->row > cursor) gaps.emplace_back(cursor, e->row - 1);
    cursor = std::max(cursor, e->rowTo + 1);
    if (e->recNo != 0) known.push_back({e->row, e->recNo});
    if (e->lastRecNo != 0) known.push_back({e->rowTo, e->lastRecNo});
    const ColumnSet u = Union(e->columns, cols);
    if (u == e->columns) continue;
    dirty.Add(*e, cols);
    e->columns = u;
  }
  if (cursor <= to) gaps.emplace_back(cursor, to);
  if (const int after = FindRow(to + 1); after >= 0 && entries_[std::size_t(after)].recNo != 0)
    known.push_back({to + 1, entries_[std::size_t(after)].recNo});
  if (!fill) gaps.clear();

  auto recordOf = [&](std::int64_t row) -> std::int64_t {
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
  for (const auto& [g1, g2] : gaps) {
    const std::int64_t rec1 = recordOf(g1);
    if (rec1 == 0) continue;
    std::vector<SelectionEntry> batch;
    if (g2 - g1 + 1 <= runThreshold) {
      // Few rows: one entry per record, visited by skipping.
      std::int64_t rec = rec1;
      for (std::int64_t g = g1; g <= g2 && rec != 0; ++g) {
        SelectionEntry e;
        e.row = e.rowTo = g;
        e.recNo = e.lastRecNo = rec;
        e.deleted = deleted;
        e.columns = cols;
        batch.push_back(std::move(e));
        rec = g < g2 && step ? step(rec, 1, deleted) : 0;
      }
    } else {
      const std::int64_t rec2 = recordOf(g2);
      if (rec2 == 0) continue;
      SelectionEntry e;
      e.row = g1;
      e.rowTo = g2;
      e.recNo = rec1;
      e.lastRecNo = rec2;
      e.deleted = deleted;
      e.columns = cols;
      batch.push_back(std::move(e));
    }
    dirty.rows.emplace_back(g1, g2);
    dirty.columns = Union(dirty.columns, cols);
    const auto pos = std::upper_bound(entries_.begin(), entries_.end(), g1, LessRow);
    const int at = int(pos - entries_.begin());
    for (const SelectionEntry& e : batch) {
      rowCount_ += e.Rows();
      runs_ += e.IsRun();
    }
    entries_.insert(pos, batch.begin(), batch.end());
    for (std::size_t k = std::size_t(at); k < std::size_t(at) + batch.size(); ++k) {
      const SelectionEntry& e = entries_[k];
      if (!e.IsRun() && e.recNo != 0) byRecord_[e.recNo] = e.row;
    }
  }
  Coalesce(from - 1, to + 1);
  if (wholeTable)
    if (const int i = FindRow(from); i >= 0) {
      SelectionEntry& e = entries_[std::size_t(i)];
      if (e.IsRun() && e.row <= from && e.rowTo >= to) e.wholeTable = true;
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
  std::vector<int> gone;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    ColumnSet& s = entries_[i].columns;
    if (s.whole) continue;
    std::vector<int> list;
    list.reserve(s.list.size());
    for (int c : s.list)
      if (const int n = renumber(c); n >= 1) list.push_back(n);
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
    s.list = std::move(list);
    if (s.list.empty()) gone.push_back(int(i));
  }
  for (auto g = gone.rbegin(); g != gone.rend(); ++g) Erase(*g, nullptr);
}

}  // namespace kt
