#pragma once
// SelectionList: the grid's selection of cells, whole rows and whole
// columns, keyed by record so that it survives scrolling and refreshing.
//
// Entries are kept sorted by row number (the record's position in the
// server's order); an entry names one record and its selected columns.
//
// A selection of all records is kept compactly instead: every record up to
// the last record number at the time of selecting has the same columns, and
// records that differ (a cell taken out, a column added, a record appended
// later and selected) are kept by record number. Its answers depend on no
// order, filter or key.
//
// The list does not know the server: whatever needs a record it has not
// stored asks a Stepper (skip from a known record).
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

namespace kt {

// Selected columns of a row: ascending open-column numbers, or the whole
// row. "None" (no whole, empty list) only occurs as the result of a removal.
struct ColumnSet {
  bool whole = false;
  std::vector<int> list;

  static ColumnSet Whole() { return ColumnSet{true, {}}; }
  static ColumnSet Range(int from, int to);
  static ColumnSet One(int c) { return c >= 1 ? ColumnSet{false, {c}} : Whole(); }
  bool None() const { return !whole && list.empty(); }
  bool Contains(int c) const;
  // Every column of `other` is here.
  bool Covers(const ColumnSet& other) const;
  friend bool operator==(const ColumnSet&, const ColumnSet&) = default;
};

// Columns of both. A whole row stays whole.
ColumnSet Union(const ColumnSet& a, const ColumnSet& b);
// Columns of `a` without those of `b`. Taking anything from a whole row
// takes the whole row.
ColumnSet Minus(const ColumnSet& a, const ColumnSet& b);

struct SelectionEntry {
  std::int64_t row = 0;
  std::int64_t recNo = 0;  // 0 when unresolved
  bool deleted = false;    // deleted records hidden when the entry was made
  ColumnSet columns;
};

class SelectionList {
 public:
  // The record reached by skipping `steps` records from `recNo` while deleted
  // records are hidden as `deleted` says; 0 when there is none.
  using Stepper = std::function<std::int64_t(std::int64_t recNo, std::int64_t steps, bool deleted)>;
  // A row whose record is known.
  struct Known {
    std::int64_t row = 0, recNo = 0;
  };
  // What an operation changed: rows (ranges) and records, and which columns.
  struct Dirty {
    std::vector<std::pair<std::int64_t, std::int64_t>> rows;
    std::vector<std::int64_t> records;
    ColumnSet columns;
    bool Empty() const { return rows.empty() && records.empty(); }
    void Add(const SelectionEntry& e, const ColumnSet& cols);
  };

  SelectionList() = default;

  // Row numbers are record numbers (no order).
  void Identity(bool on) { identity_ = on; }
  bool Identity() const { return identity_; }

  const std::vector<SelectionEntry>& Entries() const { return entries_; }
  bool Empty() const { return entries_.empty() && !compact_; }
  std::size_t Size() const { return entries_.size(); }
  std::int64_t RowCount() const { return rowCount_; }
  void Clear();

  // The compact selection of all records is in place (no entries then).
  bool Compact() const { return compact_; }
  // Columns of a record in the compact selection; null when not selected.
  const ColumnSet* CompactColumns(std::int64_t recNo) const;
  // Adds `cols` to every record up to `lastRec` (all records there are),
  // and becomes compact. Entries with record number 0 are dropped.
  void SelectAll(std::int64_t lastRec, const ColumnSet& cols, Dirty& dirty);
  // Takes `cols` from every record of the compact selection.
  void RemoveFromAll(const ColumnSet& cols, Dirty& dirty);

  // Index of the entry of a record, -1 when none.
  int FindRecord(std::int64_t recNo) const;

  // Adds columns to the record's entry (a new entry when it has none).
  bool AddRecord(std::int64_t row, std::int64_t recNo, bool deleted, const ColumnSet& cols, const Stepper& step,
                 Dirty& dirty);
  // Takes columns from the record's entry; the entry goes when nothing is
  // left.
  bool RemoveRecord(std::int64_t row, std::int64_t recNo, const ColumnSet& cols, const Stepper& step, Dirty& dirty);
  // Drops everything but the record's entry, and of that entry keeps only
  // `keep` (the whole entry when `keep` is whole).
  void KeepOnly(std::int64_t row, std::int64_t recNo, const ColumnSet& keep, const Stepper& step, Dirty& dirty);

  // Row ranges of entries, for consecutive row numbers only (not for the
  // compact form).
  void RemoveRange(std::int64_t from, std::int64_t to, const ColumnSet& cols, const Stepper& step, Dirty& dirty);
  // Adds `cols` to every row of the range; rows without an entry get one,
  // their records found by skipping from one of `known` (rows whose records
  // the caller knows) or of the entries.
  void AddRange(std::int64_t from, std::int64_t to, const ColumnSet& cols, bool deleted, std::vector<Known> known,
                const Stepper& step, Dirty& dirty);

  // Open columns changed places (see kTable::SelectionMove).
  void MoveColumns(int from, int to, int count);

  // Stores the record resolved for an entry with record number 0.
  void Resolve(int index, std::int64_t recNo);

  // Direct access for renumbering rows; Rebuild() afterwards.
  std::vector<SelectionEntry>& Raw() { return entries_; }
  // Sorts by row again and rebuilds the record index and count; two entries
  // of one record become one.
  void Rebuild();

 private:
  void Insert(SelectionEntry e);
  // The entry's record leaves the selection (neighbours of record 0 resolve
  // from it first).
  void Erase(int index, const Stepper& step, bool removal = true);
  // The compact form: a record's own columns (none: taken out).
  void SetOwn(std::int64_t recNo, const ColumnSet& cols);
  void CountCompact();

  std::vector<SelectionEntry> entries_;
  std::unordered_map<std::int64_t, std::int64_t> byRecord_;  // record -> row of its entry
  std::int64_t rowCount_ = 0;
  bool identity_ = false;

  bool compact_ = false;
  std::int64_t allLastRec_ = 0;
  ColumnSet allColumns_;
  std::unordered_map<std::int64_t, ColumnSet> own_;
};

}  // namespace kt
