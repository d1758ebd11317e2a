#pragma once
// SelectionList: the grid's selection of cells, whole rows and whole
// columns, keyed by record so that it survives scrolling and refreshing.
//
// Entries are kept sorted by row number (the record's position in the
// server's order). An entry names one record and its selected columns; a
// run is the compact form of many entries on consecutive rows with the same
// columns (select-all, large blocks): only its first and last records are
// known, the records between are found by skipping from them, exactly as
// entries with record number 0 are resolved from their predecessor. Runs
// are only made while row numbers are consecutive positions (the server
// hides no records), so a row inside a run is always one record.
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
  std::int64_t rowTo = 0;       // last row; > row for a run
  std::int64_t recNo = 0;       // record of the first row, 0 when unresolved
  std::int64_t lastRecNo = 0;   // record of the last row
  bool deleted = false;         // deleted records hidden when the entry was made
  bool wholeTable = false;      // a run made from the first to the last record
  ColumnSet columns;
  bool IsRun() const { return rowTo > row; }
  std::int64_t Rows() const { return rowTo - row + 1; }
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

  const std::vector<SelectionEntry>& Entries() const { return entries_; }
  bool Empty() const { return entries_.empty(); }
  std::size_t Size() const { return entries_.size(); }
  // Selected rows; a run counts every one of its rows.
  std::int64_t RowCount() const { return rowCount_; }
  bool HasRuns() const { return runs_ > 0; }
  void Clear();

  // Index of the entry of a record (runs are not searched), -1 when none.
  int FindRecord(std::int64_t recNo) const;
  // Index of the entry or run that covers a row, -1 when none.
  int FindRow(std::int64_t row) const;

  // Adds columns to the record's entry (a new entry when it has none).
  bool AddRecord(std::int64_t row, std::int64_t recNo, bool deleted, const ColumnSet& cols, const Stepper& step,
                 Dirty& dirty);
  // Takes columns from the record's entry; the entry goes when nothing is
  // left.
  bool RemoveRecord(std::int64_t row, std::int64_t recNo, const ColumnSet& cols, const Stepper& step, Dirty& dirty);
  // Drops everything but the record's entry, and of that entry keeps only
  // `keep` (the whole entry when `keep` is whole).
  void KeepOnly(std::int64_t row, std::int64_t recNo, const ColumnSet& keep, const Stepper& step, Dirty& dirty);

  // Row ranges, for consecutive row numbers only. `known` are rows whose
  // records the caller knows; more are taken from the entries themselves.
  void RemoveRange(std::int64_t from, std::int64_t to, const ColumnSet& cols, std::vector<Known> known,
                   const Stepper& step, Dirty& dirty);
  // Adds `cols` to every row of the range; rows without an entry get one
  // (up to `runThreshold` rows one entry per record, more as a run).
  void AddRange(std::int64_t from, std::int64_t to, const ColumnSet& cols, bool deleted, bool fill,
                std::vector<Known> known, const Stepper& step, std::int64_t runThreshold, bool wholeTable, Dirty& dirty);

  // Open columns changed places (see kTable::SelectionMove).
  void MoveColumns(int from, int to, int count);

  // Stores the record resolved for an entry with record number 0.
  void Resolve(int index, std::int64_t recNo);
  // Direct access for renumbering rows; Rebuild() afterwards.
  std::vector<SelectionEntry>& Raw() { return entries_; }
  // Sorts by row again and rebuilds the record index and counts.
  void Rebuild();

 private:
  void Index(int from);
  void Insert(SelectionEntry e);
  void Erase(int index, const Stepper& step);
  // Makes `row` the first row of an entry when a run covers it and starts
  // before it.
  void SplitBefore(std::int64_t row, std::vector<Known>& known, const Stepper& step);
  std::int64_t RecordAt(std::int64_t row, const SelectionEntry& run, const std::vector<Known>& known,
                        const Stepper& step) const;
  void Coalesce(std::int64_t from, std::int64_t to);
  void Count();

  std::vector<SelectionEntry> entries_;
  std::unordered_map<std::int64_t, std::int64_t> byRecord_;  // record -> row of its entry
  std::int64_t rowCount_ = 0;
  int runs_ = 0;
};

}  // namespace kt
