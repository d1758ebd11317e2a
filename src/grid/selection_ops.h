#pragma once
// What kTable's selection files share: the algorithms behind the selection
// methods, with access to the grid's state.
#include <optional>

#include "grid/ktable.h"
#include "grid/selection.h"
#include "platform/runtime/runtime.h"

namespace kt {

struct kTable::SelectionOps {
  // The server inside the grid's sequence bracket with its position saved;
  // Restore() puts it back (the destructor does when an error left early).
  // Without a used server it does nothing.
  class Walk {
   public:
    explicit Walk(kTable& t);
    ~Walk();
    Walk(const Walk&) = delete;
    Walk& operator=(const Walk&) = delete;
    bool Used() const { return used_; }
    void Restore();

   private:
    kTable& t_;
    bool used_;
    bool restored_ = false;
    Array saved_;
    std::optional<SequenceScope> seq_;
  };

  // Sets the runtime's deleted-records setting for a scope.
  class DeletedSetting {
   public:
    explicit DeletedSetting(bool hidden) : saved_(Runtime::Settings().deleted) { Runtime::Settings().deleted = hidden; }
    ~DeletedSetting() { Runtime::Settings().deleted = saved_; }
    DeletedSetting(const DeletedSetting&) = delete;
    DeletedSetting& operator=(const DeletedSetting&) = delete;

   private:
    bool saved_;
  };

  // Skips on the server; the caller holds a Walk.
  static SelectionList::Stepper Stepper(kTable& t);
  // A Stepper that opens its Walk on first use (most changes need none).
  struct LazyStepper {
    explicit LazyStepper(kTable& t);
    SelectionList::Stepper step;
    std::optional<Walk> walk;
  };
  // Row numbers are consecutive positions of the records the server shows,
  // so the records of a row range are found by skipping.
  static bool Dense(kTable& t);
  // A selection of all records may be kept compactly: the server shows
  // every record.
  static bool ShowsAll(kTable& t);
  // Row numbers are record numbers (no order); tells the list so.
  static bool Identity(kTable& t);
  // The row number of a record as the selection stores it: from the record
  // number, the buffered rows, or the server.
  static std::int64_t RowOf(const kTable& t, std::int64_t row, std::int64_t recNo);
  static std::int64_t BufferedRow(const kTable& t, int index);
  // GetRowNo of a record (the caller holds a Walk); 0 when the server does
  // not have it.
  static std::int64_t LookupRow(kTable& t, std::int64_t recNo);
  // Selected columns of a record; null when it is not selected.
  static const ColumnSet* ColumnsOf(const kTable& t, std::int64_t recNo);
  static std::string OrderSignature(kTable& t);

  // Columns of one cell; none for a column that is not open.
  static ColumnSet CellColumns(const kTable& t, int column);
  // Columns of a block between two cells, clamped to the open columns.
  static ColumnSet BlockColumns(const kTable& t, int a, int b);
  static bool Block(kTable& t, SelectionCell from, SelectionCell to, const SelectionCell* previousTo, bool wholeTable);
  static bool SelectAll(kTable& t);
  // First and last record with their rows; FALSE for an empty server.
  static bool Bounds(kTable& t, SelectionCell& first, SelectionCell& last);
  static void From(kTable& t, const SelectionCell& cell);

  static void Invalidate(kTable& t, const SelectionList::Dirty& dirty);
  // The visible rows and cells holding a selection.
  static bool VisibleRect(const kTable& t, GridRect& rect);
  static void Update(kTable& t, const GridRect& rect);
};

}  // namespace kt
