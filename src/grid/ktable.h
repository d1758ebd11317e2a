#pragma once
// kTable: the data grid. It shows the records of one data server as rows
// and a chosen set of kDataColumns as columns. Only the visible rows are
// held (the row buffer); the grid reads the server to fill or re-position
// that buffer and never while it paints or answers geometry questions.
// Every movement of the server reaches the grid as a notification, also the
// ones the grid causes itself, so several clients of one server stay in step.
//
// The class spans several files, one per concern: table.cpp (object,
// binding, columns, property bag, sequences), styles.cpp (view styles,
// colours, info texts, style lookups), buffer.cpp (row buffer and
// positioning), notify.cpp (server notifications and navigation commands),
// geometry.cpp (areas, rectangles, hit tests, row heights), scroll.cpp
// (scroll-bar values), render.cpp (invalidation and painting),
// selection_ops.cpp and selection_walk.cpp (the selection; its store is
// SelectionList), input_keys.cpp (key map, Tab policy, focus), cursor.cpp
// (the column cursor), input_mouse.cpp (clicks, captions, footers,
// pointers), context_menu.cpp, owner_notify.cpp (notifications to the
// owner window), copy_selection.cpp (the clipboard) and accessible.cpp
// (screen readers).
#include <QBasicTimer>
#include <QBrush>
#include <QElapsedTimer>
#include <QPointer>
#include <QColor>
#include <QRect>
#include <QSize>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "columns/column_owner.h"
#include "columns/conditions.h"
#include "columns/kdatacolumn.h"
#include "columns/kviewstyle.h"
#include "grid/kcell.h"
#include "grid/key_command.h"
#include "grid/server_link.h"
#include "platform/gui/geometry.h"
#include "platform/gui/window.h"

class QContextMenuEvent;
class QEvent;
class QFocusEvent;
class QInputMethodEvent;
class QKeyEvent;
class QMouseEvent;
class QPainter;
class QPushButton;
class QScrollBar;

namespace kt {

class Control;
class MenuCommandEvent;
struct CellEditor;
class SelectionList;
class WindowHookEvent;

// Left, top, right, bottom in client pixels; right and bottom exclusive.
struct GridRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  QRect ToQRect() const { return QRect(left, top, right - left, bottom - top); }
  friend bool operator==(const GridRect&, const GridRect&) = default;
};

// One buffered row.
struct RowInfo {
  std::int64_t recNo = 0;   // LastRec + 1 for an empty row
  bool deleted = false;
  bool empty = false;       // beyond the last record
  ColorSpec color;          // the grid's colour spec for the row
  int height = 0;
  Ref<Font> font;
  bool SameAs(const RowInfo& o) const;
};

// One buffered cell.
struct Cell {
  Usual value;
  std::string text;
  bool deleted = false;
  bool hasColor = false;    // empty rows carry no colour unless GridInEmptyArea
  ColorSpec color;
  Ref<Font> font;
  bool SameAs(const Cell& o) const;
};

// A column range on screen, {first, last} positions in the open-column list.
struct ColumnLoop {
  int first = 0;
  int last = 0;
};

// One value to draw (DrawValue): what, where and how. Colours and fonts are
// already resolved by the caller; the flags give the cell's state.
struct ValueDraw {
  Symbol viewAs;                 // empty: decided by the value's type
  Usual value;
  std::string_view text;         // display text of the value
  QRect rect;                    // the value's rectangle (inside lines and spaces)
  const kGrid* grid = nullptr;   // the cell's grid (flat look, push-button frame)
  int alignment = 0;             // horizontal byte | vertical byte << 8
  const kt::Font* font = nullptr;
  QColor foreground;
  int textMode = 0;              // bit 0: several lines, bit 1 with it: word break
  bool enabled = true, selected = false, current = false, readOnly = false;
  kDataColumn* column = nullptr; // null for caption and footer texts of no column
  int columnNo = 0;
  std::int64_t row = 0, recNo = 0;
};

// The cell under a point; zeros where nothing is hit.
struct CellHit {
  int column = 0;
  std::int64_t row = 0;
  std::int64_t recNo = 0;
};

class kTable : public CustomControl, public ColumnOwner {
 public:
  // Identifier of the auto-refresh timer (kept for the owner's sake; Qt
  // numbers its timers itself).
  static constexpr int kAutoRefreshTimerId = 0xFABC;

  // Owner notifications the owner may implement, tested once at construction.
  enum OwnerCallback {
    kCellSelect, kCellDoubleClick, kCellEdit, kColumnMove, kColumnResize, kRowResize, kCaptionClick,
    kCaptionDoubleClick, kFooterClick, kFooterDoubleClick, kDrawValue, kControlFocusChange, kRecordAppend,
    kCellDragDrop, kOwnerCallbackCount
  };

  // owner: the parent window; controlId: identifier that owner notifications
  // carry; origin and size: the placement (null: 0,0 and 0x0).
  explicit kTable(QWidget* owner = nullptr, int controlId = 0, const Point* origin = nullptr,
                  const Dimension* size = nullptr);
  ~kTable() override;

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  // Releases the server and every reference; safe to call again, also after
  // the grid was bound anew.
  void Destruct();

  // --- ColumnOwner -------------------------------------------------------
  Object* OwnerObject() override { return this; }
  kViewStyle* AreaView(ViewArea area) override;
  Symbol ViewLogicAs() override { return viewLogicAs_; }
  bool WordBreakInMemo() override { return wordBreakInMemo_; }
  Usual PropertyGet(Symbol name, const Usual& uDefault = NIL) override;

  // --- styles ------------------------------------------------------------
  // The view styles of the areas; any may be none. A new style takes effect
  // at once: the layout is recalculated and the grid redrawn (a new data
  // view also refills the rows, which hold its colours).
  const Ref<kViewStyle>& CaptionView() const { return captionView_; }
  void CaptionView(Ref<kViewStyle> view);
  const Ref<kViewStyle>& DataView() const { return dataView_; }
  void DataView(Ref<kViewStyle> view);
  const Ref<kViewStyle>& FooterView() const { return footerView_; }
  void FooterView(Ref<kViewStyle> view);
  const Ref<kViewStyle>& InfoView() const { return infoView_; }
  void InfoView(Ref<kViewStyle> view);
  Ref<kt::Font> Font() const { return dataView_ ? dataView_->Font() : nullptr; }
  // Makes `font` (null: the system font) the data view's font and derives
  // from it the row height and the caption and footer heights (where those
  // bands are shown and have no font of their own); then recalculates and,
  // unless `redraw` is false, redraws.
  void Font(Ref<kt::Font> font, bool redraw = true);
  // The data view's grid; setting it without a data view creates one that
  // holds only the grid.
  Ref<kGrid> Grid() const { return dataView_ ? dataView_->Grid() : nullptr; }
  void Grid(Ref<kGrid> grid);
  const Ref<kColorConditionList>& ColorCondition();
  const Ref<kFontConditionList>& FontCondition();
  // Info text and style per server state 1..3.
  void SetInfo(int state, const Usual& text);
  Usual GetInfo(int state) const;
  void SetInfoView(int state, Ref<kViewStyle> view);
  Ref<kViewStyle> GetInfoView(int state) const;
  bool IsInfoVisible() const;
  bool GridInEmptyArea() const { return gridInEmptyArea_; }
  void GridInEmptyArea(bool v) { gridInEmptyArea_ = v; }
  // The grid's colour spec of a row: data view colours laid over by the
  // grid's colour conditions.
  ColorSpec GetColorSpec(const Usual& column, const Usual& row);
  Ref<kt::Font> GetFontSpec(const Usual& column, const Usual& row);
  // A column's style in an area (#Caption, #Data, #Footer): from the
  // column's view style for that area where it sets it, else from the
  // grid's view style of the area. Every drawing and geometry question
  // goes through these, and a column sizes itself by the same lookups
  // (ColumnGrid, ColumnFont, ... in columns).
  Ref<kGrid> GetColumnGrid(ViewArea area, const kDataColumn* column) const;
  Ref<Brush> GetColumnBackground(ViewArea area, const kDataColumn* column) const;
  Ref<Color> GetColumnForeground(ViewArea area, const kDataColumn* column) const;
  Ref<kt::Font> GetColumnFont(ViewArea area, const kDataColumn* column) const;
  // The style of the info text of server state `line` (1..3): from its own
  // view style, else InfoView, else DataView. The alignment is taken byte
  // by byte (horizontal, vertical); 0 where none of them sets it. Any
  // other line has no style: none, alignment 0.
  Ref<kGrid> GetInfoGrid(int line) const;
  Ref<Brush> GetInfoBackground(int line) const;
  Ref<Color> GetInfoForeground(int line) const;
  Ref<kt::Font> GetInfoFont(int line) const;
  int GetInfoAlignment(int line) const;

  // --- server binding ----------------------------------------------------
  bool Use(const Usual& server, const Usual& columns = NIL, const Usual& open = NIL);
  const Usual& Server() const { return server_; }
  bool Used();
  int ServerState() const { return serverState_; }
  const Usual& AutoClose() const { return autoClose_; }
  void AutoClose(const Usual& v) { autoClose_ = v; }
  int SuspendNotification();
  int ResetNotification();
  int SuspendCount() const { return suspendCount_; }
  bool BeginSequence();
  bool EndSequence();
  int SequenceCount() const { return sequenceCount_; }
  Array RecordSave();
  bool RecordRestore(const Array& saved);
  std::int64_t FirstRecNo() const { return firstRecNo_; }
  std::int64_t LastRecNo() const { return lastRecNo_; }
  std::int64_t LastRec() const { return lastRec_; }
  std::int64_t RowCount() const { return rowCount_; }
  bool ServerHasOrder() const { return hasOrder_; }

  // --- columns -----------------------------------------------------------
  Ref<kDataColumn> GetColumn(const Usual& column) const;
  Ref<kDataColumn> GetOpenColumn(const Usual& column) const;
  bool AddColumn(const Ref<kDataColumn>& column);
  Ref<kDataColumn> RemoveColumn(const Usual& column, const Usual& redraw = NIL);
  bool OpenColumn(const Usual& column, const Usual& position = NIL, const Usual& redraw = NIL);
  bool CloseColumn(const Usual& column, const Usual& redraw = NIL);
  bool Clear(const Usual& redraw = NIL);
  const std::vector<Ref<kDataColumn>>& ColumnList() const { return columnList_; }
  int ColumnCount() const { return int(columnList_.size()); }
  const std::vector<Ref<kDataColumn>>& ColumnOpenList() const { return columnOpenList_; }
  int ColumnOpenCount() const { return int(columnOpenList_.size()); }
  const std::vector<Ref<kDataColumn>>& ColumnVariableHeightList() const { return columnVariableHeightList_; }
  int ColumnVariableHeightCount() const { return int(columnVariableHeightList_.size()); }
  int FirstVisibleColumn() const { return firstVisibleColumn_; }
  int LastVisibleColumn() const { return lastVisibleColumn_; }
  int CurrentColumn() const { return currentColumn_; }
  // Position of a column in the open list, 0 when not open.
  int OpenPosition(const kDataColumn* column) const;

  // --- property bag ------------------------------------------------------
  bool PropertyPut(Symbol name, const Usual& value);
  void PropertyDelete(Symbol name);
  const Array& Properties() const { return properties_; }

  // --- settings ----------------------------------------------------------
  Symbol RowMode() const { return rowMode_; }
  void RowMode(Symbol mode);
  Symbol RowCountMode() const { return rowCountMode_; }
  void RowCountMode(Symbol mode) { rowCountMode_ = mode; }
  Symbol CurrentMode() const { return currentMode_; }
  void CurrentMode(Symbol v) { currentMode_ = v; }
  Symbol SelectionMode() const { return selectionMode_; }
  Symbol TabKeyMode() const { return tabKeyMode_; }
  Symbol FieldChangeMode() const { return fieldChangeMode_; }
  void FieldChangeMode(Symbol v) { fieldChangeMode_ = v; }
  void ViewLogicAs(Symbol v) { viewLogicAs_ = v; }
  void WordBreakInMemo(bool v) { wordBreakInMemo_ = v; }
  bool Editable() const { return editable_; }
  void Editable(bool v) { editable_ = v; }
  bool AutoAppend() const { return autoAppend_; }
  void AutoAppend(bool v) { autoAppend_ = v; }
  bool AutoSkip() const { return autoSkip_; }
  void AutoSkip(bool v) { autoSkip_ = v; }
  const Usual& AutoEdit() const { return autoEdit_; }
  // Empty (NIL, FALSE): off; TRUE: #Permanent; a symbol: that mode.
  // #Permanent also sets AutoSkip and opens the editor on an editable grid.
  void AutoEdit(const Usual& v);
  int DragDropMode() const { return dragDropMode_; }
  void EnableSkipEOF(const Usual& enable = NIL) { skipEOF_ = Enabled(enable); }
  bool IsSkipEOFEnabled() const { return skipEOF_; }
  void EnableColumnMove(const Usual& enable = NIL) { columnMove_ = Enabled(enable); }
  bool IsColumnMovable() const { return columnMove_; }
  void EnableColumnResize(const Usual& enable = NIL) { columnResize_ = Enabled(enable); }
  bool IsColumnResizable() const { return columnResize_; }
  void EnableCaptionClick(const Usual& enable = NIL) { captionClick_ = Enabled(enable); }
  bool IsCaptionClickable() const { return captionClick_; }
  void EnableRowResize(const Usual& enable = NIL) { rowResize_ = Enabled(enable); }
  bool IsRowResizable() const { return rowResize_; }
  void EnableInactiveSelection(const Usual& enable = NIL) { inactiveSelection_ = Enabled(enable); }
  bool IsInactiveSelectionEnabled() const { return inactiveSelection_; }
  void EnableSelector(const Usual& enable = NIL) { selector_ = Enabled(enable); }
  bool IsSelectorEnabled() const { return selector_; }
  bool OwnerHas(OwnerCallback c) const { return ownerHas_[c]; }
  bool EventLock() const { return eventLock_; }

  // --- row buffer and positions -----------------------------------------
  bool ResizeBuffer(const Usual& columns = NIL, const Usual& rows = NIL);
  bool FillBuffer(const Usual& columnFrom = NIL, const Usual& columnTo = NIL, const Usual& rowFrom = NIL,
                  const Usual& rowTo = NIL, bool currentOnly = false, bool fromBuffer = false);
  std::int64_t GetRowNo();
  std::int64_t GetRowCount();
  std::int64_t GetFirstVisibleRow();
  std::int64_t GetLastVisibleRow(std::int64_t first) const;
  int GetCountOfVisibleRows(std::int64_t firstRecNo);
  bool StabilizeServer(std::int64_t& moved, bool forward = false);
  bool StabilizeServer() {
    std::int64_t moved = 0;
    return StabilizeServer(moved);
  }
  // NIL (1), a number, or #LineBackwards, #LineForwards, #PageBackwards,
  // #PageForwards.
  bool Skip(const Usual& rows = NIL);
  // NIL/FALSE, TRUE (= #RetainCurrentRow), #RetainCurrentRow, #RefreshBuffer.
  bool Refresh(const Usual& mode = NIL);
  void AutoRefresh();
  int AutoRefreshTime() const { return autoRefreshTime_; }
  void AutoRefreshTime(int ms);
  bool UpdateVisibleRows(const Range& oldRange, const Range& newRange);
  std::int64_t FirstVisibleRecNo() const { return firstVisibleRecNo_; }
  void FirstVisibleRecNo(std::int64_t recNo);
  std::int64_t LastVisibleRecNo() const { return rows_.empty() ? 0 : rows_.back().recNo; }
  std::int64_t FirstVisibleRowNo() const { return firstVisibleRowNo_; }
  std::int64_t LastVisibleRowNo() const { return lastVisibleRowNo_; }
  int VisibleRowCount() const { return visibleRowCount_; }
  std::int64_t CurrentRecNo() const { return currentRecNo_; }
  std::int64_t CurrentRow() const { return currentRow_; }
  bool EmptyRowsVisible() const { return emptyRowsVisible_; }
  const std::vector<RowInfo>& RowBuffer() const { return rows_; }
  // Cell of open column c (frozen or visible scrolling) in buffered row i
  // (1-based); null when that column is not buffered.
  const Cell* BufferedCell(int column, int row) const;
  // Position (1-based) of a record among the buffered rows, 0 when absent.
  int BufferPos(std::int64_t recNo) const;
  int PendingChanges() const { return pendingChanges_; }

  // --- notifications and navigation --------------------------------------
  bool Notify(int code, const Usual& description = NIL);
  bool GoTop();
  bool GoBottom();
  bool Append();
  bool Delete();
  bool SetDeleted(bool hide);
  // Deleted records are hidden from the grid's view of the server.
  bool DeletedHidden();
  // TRUE when the server may hide records (a filter of any kind, or hidden
  // deletions): row numbers then need not match the records shown.
  bool ServerHidesRecords();

  // --- layout geometry ---------------------------------------------------
  void SplitClientArea();
  void Recalculate();
  const GridRect& CaptionRect() const { return captionArea_; }
  const GridRect& DataRect() const { return dataArea_; }
  const GridRect& FrozenDataRect() const { return frozenArea_; }
  const GridRect& DynamicDataRect() const { return dynamicArea_; }
  const GridRect& FooterRect() const { return footerArea_; }
  const GridRect& SelectorRect() const { return selectorArea_; }
  Ref<BoundingBox> CaptionArea() const { return Box(captionArea_); }
  Ref<BoundingBox> DataArea() const { return Box(dataArea_); }
  Ref<BoundingBox> SelectorArea() const { return Box(selectorArea_); }
  Ref<BoundingBox> FooterArea() const { return Box(footerArea_); }
  Ref<BoundingBox> DynamicDataArea() const { return Box(dynamicArea_); }
  bool GetRowRect(std::int64_t row, std::int64_t recNo, GridRect& rect) const;
  bool GetColumnRect(int column, GridRect& rect) const;
  bool GetCellRect(int column, std::int64_t row, std::int64_t recNo, GridRect& rect) const;
  bool GetCaptionRect(int column, GridRect& rect) const;
  bool GetFooterRect(int column, GridRect& rect) const;
  bool GetSelectorRect(std::int64_t row, std::int64_t recNo, GridRect& rect) const;
  bool GetInfoRect(int line, GridRect& rect) const;
  bool GetEditRect(int column, std::int64_t row, std::int64_t recNo, GridRect& rect) const;
  CellHit GetCellToPoint(QPoint p) const;
  int GetColumnToPoint(QPoint p) const;
  std::int64_t GetSelectorToPoint(QPoint p) const;
  // These two take the point explicitly as well, so that callers with a
  // mouse event (and tests) need not go through the cursor position.
  int GetColumnFrameToMouse() const;
  int GetColumnFrameToPoint(QPoint p) const;
  std::int64_t GetRowFrameToMouse() const;
  std::int64_t GetRowFrameToPoint(QPoint p) const;
  bool IsColumnVisible(int column, bool partial = true) const;
  bool IsRowVisible(std::int64_t row, std::int64_t recNo, bool partial = true) const;
  bool IsCellVisible(int column, std::int64_t row, std::int64_t recNo, bool partial = true) const;
  int GetFirstVisibleColumn(int last) const;
  int GetLastVisibleColumn(int first = 0) const;
  std::vector<ColumnLoop> GetColumnLoops() const;
  int GetRowHeight();
  void EnableRowHeightVariable(const Usual& enable = NIL);
  bool IsRowHeightVariable() const { return rowHeightVariable_; }
  bool ExistRowsWithVariableHeight() const;
  // Sets (height > 0) or forgets (0) the user's height of a record's row.
  void SetResizedRow(std::int64_t recNo, int height);
  int Freeze() const { return freeze_; }
  void Freeze(int n);
  int CaptionHeight() const { return captionHeight_; }
  void CaptionHeight(int h);
  int FooterHeight() const { return footerHeight_; }
  void FooterHeight(int h) { footerHeight_ = std::max(0, h); }
  int RowHeight() const { return rowHeight_; }
  void RowHeight(int h);
  int RowHeightMax() const { return rowHeightMax_; }
  void RowHeightMax(int h) { rowHeightMax_ = std::max(0, h); }
  int SelectorWidth() const { return selectorWidth_; }
  void SelectorWidth(int w) { selectorWidth_ = std::max(0, w); }

  // --- scrolling ---------------------------------------------------------
  // Scroll request kinds of either bar.
  enum ScrollKind { kScrollEnd = 0, kPageForward = 1, kLineForward = 2, kThumb = 3, kLineBackward = 4, kPageBackward = 5 };
  // One scroll request; `thumb` is the bar value for kThumb.
  void VerticalScroll(int kind, int thumb = 0);
  void HorizontalScroll(int kind, int thumb = 0);
  bool UpdateVisibleColumns(const Range& oldRange, const Range& newRange);
  void SetFirstRow(std::int64_t row);
  void SetFirstColumn(int column);
  void SetLastColumn(int column);
  // Wheel notches: < 0 down, > 0 up; with `page` by pages.
  void WheelScroll(int notches, bool page);
  void UpdateVerticalScrollValues(bool range, bool position);
  void UpdateHorizontalScrollValues(bool range, bool position);
  void ScrollData(Symbol direction, int pixels);
  Symbol HorizontalScrollBarMode() const { return hScrollMode_; }
  void HorizontalScrollBarMode(Symbol mode);
  Symbol VerticalScrollBarMode() const { return vScrollMode_; }
  void VerticalScrollBarMode(Symbol mode);
  QScrollBar* HorizontalScrollBar() const { return hScroll_; }
  QScrollBar* VerticalScrollBar() const { return vScroll_; }
  int VerticalScale() const { return vScale_; }
  bool IsMultipleColorInGrid() const;

  // --- drawing -----------------------------------------------------------
  // Colour overrides (null: none).
  const Ref<Color>& CurrentForeground() const { return currentForeground_; }
  void CurrentForeground(Ref<Color> c) { currentForeground_ = std::move(c); }
  const Ref<Color>& CurrentBackground() const { return currentBackground_; }
  void CurrentBackground(Ref<Color> c) { currentBackground_ = std::move(c); }
  const Ref<Color>& SelectedForeground() const { return selectedForeground_; }
  void SelectedForeground(Ref<Color> c) { selectedForeground_ = std::move(c); }
  const Ref<Color>& SelectedBackground() const { return selectedBackground_; }
  void SelectedBackground(Ref<Color> c) { selectedBackground_ = std::move(c); }
  const Ref<Color>& InactiveSelectedForeground() const { return inactiveSelectedForeground_; }
  void InactiveSelectedForeground(Ref<Color> c) { inactiveSelectedForeground_ = std::move(c); }
  const Ref<Color>& InactiveSelectedBackground() const { return inactiveSelectedBackground_; }
  void InactiveSelectedBackground(Ref<Color> c) { inactiveSelectedBackground_ = std::move(c); }
  const Ref<Color>& DeletedForeground() const { return deletedForeground_; }
  void DeletedForeground(Ref<Color> c) { deletedForeground_ = std::move(c); }
  // How a column's values are shown: its own view type, for logic columns
  // ViewLogicAs, else #Text; empty for types "O" and "U" (the value decides).
  Symbol GetColumnViewValueAs(const kDataColumn* column) const;
  // Horizontal byte | vertical byte << 8 of a column in an area.
  int GetColumnAlignment(ViewArea area, const kDataColumn* column) const;
  // Draws one value by its view type.
  void DrawValue(QPainter& painter, const ValueDraw& v);
  // The grid has the keyboard focus (colours of current and selected cells).
  virtual bool IsActive() const;
  // Compound and owner-drawn values; both answer whether they drew.
  virtual bool DrawCompoundValue(QPainter& painter, const ValueDraw& v);
  virtual bool DrawAbstractValue(QPainter& painter, const ValueDraw& v);
  // Invalidates the area: NIL (all), #All, #Data, #DynamicArea, #Caption,
  // #Footer, #Selector, #Info, #Current, #FromLine (row), #FromColumn
  // (column), #Cell (column, row), #Selection, #SelectorState, #Focus.
  void Redraw(const Usual& area = NIL, const Usual& arg1 = NIL, const Usual& arg2 = NIL);

  // --- selection (selection_ops.cpp; the stored list is SelectionList) ---
  // The flag word of a user action (see SelectionChange).
  int SelectionFlags(bool shift, bool ctrl, bool space) const;
  // Applies a flag word to one cell; the row number is recomputed from the
  // record when a server is in use.
  void SelectionChange(int flags, int column, std::int64_t row, std::int64_t recNo);
  // #Single (column, row, record) or #All.
  bool SelectionSet(Symbol kind, int column = 0, std::int64_t row = 0, std::int64_t recNo = 0);
  // #Block: from..to, changing only the difference to from..previousTo.
  bool SelectionSetBlock(const kCell& from, const kCell& to, const kCell* previousTo = nullptr);
  // #Single, #All or #AllWithout.
  void SelectionRemove(Symbol kind, int column = 0, std::int64_t row = 0, std::int64_t recNo = 0);
  // Open columns changed places: `count` columns inserted at `to` (from 0),
  // the column at `from` closed (to 0), or one column moved from `from` to
  // `to`.
  void SelectionMove(int from, int to, int count = 1);
  bool IsCellSelected(int column, std::int64_t row, std::int64_t recNo) const;
  bool IsRowSelected(std::int64_t row, std::int64_t recNo) const;
  std::int64_t SelectionRowCount() const;
  std::int64_t SelectionFirstRow();
  std::int64_t SelectionNextRow();
  int SelectionFirstColumn();
  int SelectionNextColumn();
  // Stores the mode and reduces the selection to the current cell.
  void SelectionMode(Symbol mode);

  // --- keyboard and the column cursor (input_keys.cpp, cursor.cpp) -------
  // Moves the cursor to another column of the current row (with autoSkip
  // on into the previous or next row); direction #First, #Last, #Previous,
  // #Next; mode #Selectable, #Editable; flags go to SelectionChange. TRUE
  // when the cursor moved.
  bool SkipToCell(Symbol direction, Symbol mode, int flags = 5, bool autoSkip = false, bool scroll = true);
  virtual bool IsCellSelectable(int column, std::int64_t row, std::int64_t recNo) const;
  // The column a move from `from` reaches (#First, #Last, #Previous, #Next;
  // any other direction: `from` itself, else the nearest right, else the
  // nearest left); 0 when there is none.
  int GetNewSelectableColumn(int from, Symbol direction) const;
  int GetNewEditableColumn(int from, Symbol direction) const;
  // Makes `column` the cursor column (0: none) and scrolls it into view;
  // FALSE, changing nothing, for a column the cursor may not stand in.
  bool SetCurrentColumn(int column);
  // The CurrentColumn assign: SetCurrentColumn, then select and tell.
  void CurrentColumn(int column);
  void SetCurrentRow(std::int64_t row, bool scrolled = false);
  // #MoveToSelectableCell, #MoveToEditableCell; any other symbol moves the
  // focus to the next control (#MoveToControl).
  void TabKeyMode(Symbol mode) { tabKeyMode_ = mode; }
  // User key bindings, consulted before the grid's own key map; the list is
  // created empty on first use. Key codes are Qt::Key values.
  const Ref<kKeyCommandList>& KeyCommand();
  void KeyCommand(Ref<kKeyCommandList> list) { keyCommand_ = std::move(list); }
  // Remembered Tab exits: the grid gave the focus away with Shift+Tab at its
  // first or Tab at its last cell, moving to selectable or editable cells.
  enum TabExit { kTabExitBackSelectable = 1, kTabExitForwardSelectable = 2, kTabExitBackEditable = 4,
                 kTabExitForwardEditable = 8 };
  int TabExitFlags() const { return tabExit_; }

 protected:
  // Keys (with the Tab policy) and the keys the grid keeps from shortcuts.
  bool event(QEvent* e) override;
  // An input method places its candidate window at the current cell.
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  // The key map; TRUE when the key was consumed.
  virtual bool KeyDown(QKeyEvent* e);
  // A typed character; TRUE when it was consumed (it opened the editor).
  virtual bool KeyChar(QKeyEvent* e);
  // Tab and Shift+Tab by TabKeyMode; FALSE leaves the key to Qt's focus
  // chain.
  bool TabKey(QKeyEvent* e);
  // Tells the owner (ControlFocusChange) that the grid gained or lost the focus.
  void FocusChange(QFocusEvent* e, bool gotFocus);

 public:

  // --- owner notifications (owner_notify.cpp) ------------------------------
  // Each tells the owner window through its method of the same name, with
  // an event that carries the notification code (GridEvent; kColumnEvent
  // with the column for captions and footers). Without the method,
  // CellSelect and CellDoubleClick go to the owner's Dispatch, the others
  // are not sent. They answer whether the owner was told.
  // Codes: CellSelect 0xF001, CellDoubleClick 0xF002, CaptionClick 0xF006,
  // CaptionDoubleClick 0xF009, FooterClick 0xF00C, FooterDoubleClick 0xF00D.
  // Inside a sequence the server tells no client of a move, also of one the
  // owner makes in its CellSelect: CellSelect is then held back (once, how
  // often it was raised) until the outermost sequence ended.
  bool CellSelect();
  bool CellDoubleClick();
  // TRUE only when the owner's method answered the logic TRUE (it took
  // the click); a FALSE answer lets a #Multiple grid select the column.
  bool CaptionClick(kDataColumn* column);
  bool CaptionDoubleClick(kDataColumn* column);
  bool FooterClick(kDataColumn* column);
  bool FooterDoubleClick(kDataColumn* column);
  // The timed refresh changed what the grid shows: 0xF00A to the owner's
  // Dispatch.
  bool RefreshNotify();
  // Counts of owner notifications sent (for the owner and tests).
  int OwnerNotifications() const { return ownerNotifications_; }

  // Mouse activation forgets the first remembered Tab exit.
  void ClearFirstTabExitFlag();

  // --- mouse and context menus (input_mouse.cpp, context_menu.cpp) ---------
  // Hand-offs of the gestures to column and row sizing, column moving and
  // drag and drop, called with the event lock set; each answers whether it
  // took the gesture. By default none does.
  // A press held for 100 ms on a resizable column's right edge in the caption.
  virtual bool ResizeColumn(int column, QPoint at);
  // A double click on that edge: fit the width to the contents.
  virtual bool ResizeColumnAuto(int column);
  // A press held for 400 ms on a movable caption right of the frozen columns.
  virtual bool MoveColumn(int column, QPoint at);
  // A press on a row's bottom edge (inside the selector when it is shown).
  virtual bool ResizeRow(std::int64_t row, std::int64_t recNo, QPoint at);
  // The mouse moved with the left button held after a press on the data,
  // with DragDropMode set and a selection.
  virtual bool Drag(QMouseEvent* event);
  // The column whose caption is drawn pressed while the button is held (0: none).
  int PressedCaption() const { return pressedCaption_; }
  // Whether a press on the data may start a drag (0: no drag and drop).
  void DragDropMode(int mode) { dragDropMode_ = mode; }

  // Context menus of the areas #Caption, #Data, #Footer and #Selector; a
  // menu is a Menu (NIL: none). An unknown area is an argument error and
  // changes nothing.
  bool SetContextMenu(const Usual& menu, Symbol area);
  Usual GetContextMenu(Symbol area) const;
  // The menu for a column's area: for #Caption and #Footer the column's
  // own, else the grid's, else the #Data menu; for #Data the column's,
  // else the grid's, else the grid's own ContextMenu; for #Selector the
  // grid's, else the #Data menu. `column` may be null.
  Usual GetColumnContextMenu(kDataColumn* column, Symbol area) const;
  // Shows the menu of the area under the screen point, or with none (the
  // keyboard) the current column's data menu at the current cell. Answers
  // whether a menu was shown.
  bool ContextMenuShow(const QPoint* global);
  // A choice of one of the grid's context menus: the command names a grid
  // method (called), else a registered window class (a window of it is
  // opened with the owner as parent). Answers whether it was taken.
  bool MenuCommand(const Ref<MenuCommandEvent>& event);
  bool IsContextMenuActive() const { return contextMenuActive_; }
  const Usual& ActiveContextMenu() const { return activeContextMenu_; }
  // Offered every event of the owner window (window hook). Takes the
  // commands of the grid's own context menus; NIL lets the owner have the
  // event.
  virtual Usual OwnerEventHandler(WindowHookEvent& event);

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void changeEvent(QEvent* e) override;
  // The host's event methods for the data area; each answers whether it
  // consumed the event.
  virtual bool MouseButtonDown(QMouseEvent* e);
  virtual bool MouseButtonUp(QMouseEvent* e);
  virtual bool MouseButtonDoubleClick(QMouseEvent* e);
  virtual bool MouseDrag(QMouseEvent* e);

 public:

  // --- cell editing (cell_editor.cpp, edit_create.cpp, edit_keys.cpp,
  // edit_append.cpp; the editor's state is CellEditor) ----------------------
  // TRUE while an editor is open (EditControl is set).
  virtual bool InEdit() const;
  // Opens the editor on the current cell; FALSE when none opened (not
  // editable, a deleted record, an owner veto, ...).
  virtual bool Edit();
  // Validates and writes the editor's value, then removes the editor;
  // FALSE keeps it open (invalid input, a refused write, an owner veto).
  virtual bool EditClose();
  // Removes the editor without writing; FALSE when the owner vetoed.
  virtual bool EditCancel();
  // Puts the cell's current value back into the open editor.
  void EditUndo();
  // The open editor as the owner sees it (a Control), NIL when closed.
  Usual EditControl() const;
  // The open editor's control object; null when closed.
  Control* EditControlObject() const;
  // The cell being edited (column, row, record); zeros when closed.
  const Ref<kCell>& EditCell() const;
  // The record the server stood on when the editor opened.
  std::int64_t EditStartRecNo() const;
  // Builds the editor for a cell (placed, font and colours set, not
  // filled and not shown); null when the column's edit class cannot be
  // made.
  virtual Control* EditCreate(int column, std::int64_t row, std::int64_t recNo);
  // The rectangle the editor of a cell takes: GetEditRect less the column's
  // data grid lines. FALSE when the cell is not on screen.
  bool GetEditorRect(int column, std::int64_t row, std::int64_t recNo, GridRect& rect) const;
  // Moves and resizes the open editor onto its cell (after scrolling,
  // resizing, row changes).
  virtual void EditRecalculate();
  // The editor's window hook (every event of the editor's widget):
  // non-NIL when the grid took the event.
  virtual Usual EditEventHandler(WindowHookEvent& event);
  // Hands a key, input-method or mouse event that opened the editor on to
  // it, so a typed character or the click's caret position reaches the
  // editor.
  virtual void EditForwardEvent(QEvent* event);
  // Tells the owner (CellEdit method, kCellEditEvent) about step `mode`
  // and, for mode 3, validates the input itself when the owner did not
  // answer; FALSE vetoes the step.
  virtual bool CellEdit(int mode);
  // Tells the owner (RecordAppend method, kRecordAppendEvent): mode 1
  // before, 2 after, 3 after a failed append; FALSE (mode 1) vetoes.
  virtual bool RecordAppend(int mode);
  // Editor classes an #EditClass property may name, beyond the built-in
  // #CheckBox, #ComboBox, #ComboEdit, #PushButton, #SingleLineEdit,
  // #MultiLineEdit, #RichEdit and #DateTimePicker. The factory builds the
  // control as a child of `parent`.
  using EditorFactory = Control* (*)(QWidget* parent);
  static void RegisterEditClass(Symbol name, EditorFactory factory);

  // --- screen readers (accessible.cpp) -------------------------------------
  // Tells assistive tools that the current cell moved.
  void AccessibleCursorMoved();
  // Makes screen readers see every kTable (once per program).
  static void InstallAccessibility();

  // --- clipboard (copy_selection.cpp) ---------------------------------------
  // Puts the selection (the current cell when nothing is selected) on the
  // clipboard as tab-separated text and as an HTML table.
  bool CopySelection();

 private:
  static void RegisterClipboard(ClassInfo& info);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void timerEvent(QTimerEvent* e) override;

 private:
  friend class kTableTestAccess;
  static bool Enabled(const Usual& v) { return v.IsNil() || (v.IsLogic() && v.AsLogic()); }
  // Late-bound names of the class table, one function per concern file.
  static void RegisterStyles(ClassInfo& info);
  static void RegisterSelection(ClassInfo& info);
  static void RegisterKeys(ClassInfo& info);
  static void RegisterMouse(ClassInfo& info);
  static void RegisterEditing(ClassInfo& info);   // cell_editor.cpp
  static void RegisterEditKeys(ClassInfo& info);  // edit_keys.cpp
  static Ref<BoundingBox> Box(const GridRect& r) {
    return New<BoundingBox>(r.left, r.top, std::max(0, r.right - r.left), std::max(0, r.bottom - r.top));
  }
  // BeginSequence for a scope, EndSequence when it ends (also by an
  // exception) or at End(). When the grid was bound anew meanwhile (an owner
  // may call Use from a callback), the release has already ended it.
  class SequenceScope {
   public:
    explicit SequenceScope(kTable& grid) : grid_(grid), binding_(grid.binding_) { grid_.BeginSequence(); }
    ~SequenceScope() { End(); }
    SequenceScope(const SequenceScope&) = delete;
    SequenceScope& operator=(const SequenceScope&) = delete;
    void End() {
      if (!open_) return;
      open_ = false;
      if (grid_.binding_ == binding_) grid_.EndSequence();
    }

   private:
    kTable& grid_;
    std::uint64_t binding_;
    bool open_ = true;
  };
  // Ends the sequences still open on the bound server, then lets it go.
  void ReleaseServer();
  void ResetPositions();
  // After a view style changed: recalculate, refill the rows when their
  // colours come from the changed style, redraw.
  void ViewChanged(bool rowColours);
  const kViewStyle* AreaStyle(ViewArea area) const;
  static bool IsInfoLine(int line);
  const kViewStyle* InfoLineView(int line) const;
  // Re-reads order flag, LastRec, row count, first and last record and
  // server state (inside a sequence; moves the server).
  void ReadBounds();
  // GoTop and GoBottom: the first and last record and the first row number;
  // TRUE when the server has no visible record.
  bool ReadFirstAndLast();
  void SetWindowFrom(std::int64_t recNo);
  // StabilizeServer's repair: where it left the server, seen from the record
  // it stood on: 0 still there (sound), 1 after it, -1 before it.
  int RepairPosition(bool forward);
  // Moves the server back from the current record so that it ends as the
  // last fully visible row; the server stands on the new first record.
  void StackBackward();
  int ColumnIndex(const std::vector<Ref<kDataColumn>>& list, const Usual& column) const;
  void FillCell(Cell& cell, kDataColumn& column, int c, std::int64_t row);
  void FillEmptyCell(Cell& cell, kDataColumn& column);
  void FillRowInfo(RowInfo& info, std::int64_t row);
  void EmptyRowInfo(RowInfo& info);
  void RemoveBufferRow(int index);
  void ShiftRows(std::ptrdiff_t k);
  bool PageWindow(bool forward);
  void UpdateEmptyRowsFlag();
  void RecomputeCurrentRow();
  bool StableFill() const;
  void AfterColumnsChanged(bool rowsChanged, int position, Usual redraw, int oldCurrent);
  void NotifyRecordChange(int code, const Usual& delta);
  void NotifyGoTop(int code, const Usual& description);
  void NotifyGoBottom(int code, const Usual& description);
  void NotifyDelete(int code, const Usual& description);
  void NotifyAppend(int code, const Usual& description);
  void NotifyFieldChange(int code, const Usual& field);
  // A move with no selection flags of the grid's own input (another client
  // moved the server, or a program did): in #Simple mode the selection
  // follows it, a multiple selection stays.
  int SelectionAction() const { return pendingSelection_ != 0 ? pendingSelection_ : 0; }
  void AutoEditCheck();
  int DataHeight() const { return std::max(0, dataArea_.bottom - dataArea_.top); }
  int RowTop(int index) const;  // offset from data top of buffered row index (1-based)
  int ColumnX(int column) const;
  int FrozenWidth() const;
  int ColumnWidth(int column) const;
  int GridExtraHeight(const kGrid* g) const;
  int PageRowsBackward();
  void RedrawRow(std::int64_t row);
  void StartTimer();
  // drawing (render*.cpp)
  void DrawBackground(QPainter& p, const QRect& r);
  void DrawSelector(QPainter& p, const QRect& r);
  void DrawSelectorState(QPainter& p, std::int64_t row, std::int64_t recNo, bool current);
  void DrawBand(QPainter& p, const QRect& r, ViewArea area);
  void DrawFramedCell(QPainter& p, const kGrid* grid, const Brush* brush, const QRect& r, bool haveBrush);
  void DrawGrid(QPainter& p, const QRect& r);
  void DrawData(QPainter& p, const QRect& r);
  // Per paint, per open column: what DrawCell needs of the column.
  struct ColumnPaint {
    Ref<kGrid> grid;
    Symbol viewAs;
    bool viewInEveryRow = false;
    int alignment = 0;
    int textMode = 0;
    const kt::Font* font = nullptr;
  };
  void PrepareColumns();
  void DrawRow(QPainter& p, int index, int top, const QRect& clip);
  void DrawCell(QPainter& p, int column, int index, int x, int top, const QRect& clip);
  void DrawInfo(QPainter& p, const QRect& r);
  void DrawFocus(QPainter& p, const QRect& r);
  QColor ValueForeground(const ColorSpec& spec, bool deleted, bool selected, bool current) const;
  QBrush ValueBackground(const ColorSpec& spec, bool selected, bool current, std::int64_t row, bool emptyArea,
                         const kGrid* grid) const;
  QColor TextColor() const;
  // scrolling (scroll*.cpp)
  void ConnectScrollBars();
  void ScrollRows(int kind, int thumb);
  void ThumbRows(std::int64_t target);
  void ThumbToKey(std::int64_t key);
  void PlaceAtEnd();
  bool MoveColumns(int first);

  // styles and conditions
  Ref<kViewStyle> captionView_, dataView_, footerView_, infoView_;
  Usual infoText_[3];
  Ref<kViewStyle> infoViews_[3];
  Ref<kColorConditionList> colorCondition_;
  Ref<kFontConditionList> fontCondition_;
  bool gridInEmptyArea_ = false;

  // geometry
  int captionHeight_ = 0, footerHeight_ = 0, rowHeight_ = 0, rowHeightMax_ = 0, selectorWidth_ = 0;
  GridRect captionArea_, dataArea_, frozenArea_, dynamicArea_, footerArea_, selectorArea_;
  bool selector_ = false;
  bool rowHeightVariable_ = false;
  std::vector<std::pair<std::int64_t, int>> resizedRows_;
  bool recalcGuard_ = false;
  int splitDepth_ = 0;
  QSize splitSize_;

  // scroll bars
  QScrollBar* hScroll_ = nullptr;
  QScrollBar* vScroll_ = nullptr;
  Symbol hScrollMode_, vScrollMode_;
  int hScale_ = 1, vScale_ = 1;

  // server
  Usual server_;
  ServerLink link_;
  int serverState_ = 1;
  Usual autoClose_ = Usual(false);
  bool hasOrder_ = false;
  bool hasChildren_ = false;
  int suspendCount_ = 0;
  int sequenceCount_ = 0;
  int savedArea_ = 0;
  std::uint64_t binding_ = 0;  // changes whenever a server is bound or let go
  std::int64_t firstRecNo_ = 0, lastRecNo_ = 0, firstRowNo_ = 0, lastRec_ = 0, rowCount_ = 0;
  Symbol rowMode_, rowCountMode_;
  bool skipEOF_ = false;

  // row buffer
  std::vector<RowInfo> rows_;
  std::vector<std::vector<Cell>> frozenCells_;   // [column][row]
  std::vector<std::vector<Cell>> scrollCells_;   // [column - FirstVisibleColumn][row]
  std::int64_t firstVisibleRecNo_ = 0, firstVisibleRowNo_ = 0, lastVisibleRowNo_ = 0;
  int visibleRowCount_ = 0;
  std::int64_t currentRecNo_ = 0, currentRow_ = 0;
  bool emptyRowsVisible_ = false;
  int autoRefreshTime_ = 0;
  QBasicTimer autoRefreshTimer_;
  bool autoRefreshGuard_ = false;
  int pendingChanges_ = 0;
  // Records whose key changed while #Stable keeps their rows (valid while
  // pendingChanges_ != 0).
  std::vector<std::int64_t> pendingRecNos_;
  bool PendingRecord(std::int64_t recNo) const;
  int pendingSelection_ = 0;

  // columns
  std::vector<Ref<kDataColumn>> columnList_, columnOpenList_, columnVariableHeightList_;
  int freeze_ = 0, firstVisibleColumn_ = 0, lastVisibleColumn_ = 0, currentColumn_ = 0;

  // settings
  Symbol viewLogicAs_, currentMode_, selectionMode_, tabKeyMode_, fieldChangeMode_;
  bool autoSkip_ = false, autoAppend_ = false, editable_ = false, wordBreakInMemo_ = false;
  Usual autoEdit_;
  int dragDropMode_ = 0;
  bool columnMove_ = true, columnResize_ = true, captionClick_ = false, rowResize_ = false;
  bool inactiveSelection_ = false;
  Usual contextMenus_[4];
  bool ownerHas_[kOwnerCallbackCount] = {};
  Array properties_;
  bool eventLock_ = false;
  int ownerNotifications_ = 0;

  // drawing
  Ref<Color> currentForeground_, currentBackground_, selectedForeground_, selectedBackground_,
      inactiveSelectedForeground_, inactiveSelectedBackground_, deletedForeground_;
  bool scrolling_ = false;
  void BeginScrolling();
  // Taken once per paint: view types drawn in every row, focus, enabled.
  std::vector<Symbol> valueViewList_;
  std::vector<ColumnPaint> paintColumns_;
  bool paintActive_ = false, paintEnabled_ = true;

  // selection
  std::unique_ptr<SelectionList> selection_;
  struct SelectionCell {
    int column = 0;
    std::int64_t row = 0, recNo = 0;
  };
  // The start of a Shift range, and the end of the last range drawn from it.
  SelectionCell anchor_, rangeEnd_;
  bool hasAnchor_ = false, hasRangeEnd_ = false;
  // SelectionFirstRow/NextRow/NextColumn: last returned record and its row,
  // entry index, column index.
  std::int64_t walkRecNo_ = 0, walkRow_ = 0;
  int walkEntry_ = -1, walkColumn_ = 0;
  // The numbering the stored rows were taken in (row mode and order), and
  // the server's LastRec then (records after it are new).
  std::string selectionOrder_;
  struct SelectionOps;  // the algorithms, selection_ops.cpp
  friend struct SelectionOps;
  // The selection, anchor and range end go (a new server, no columns).
  void SelectionReset();
  // After a notification that may renumber rows (order change, insertion,
  // an edit of a key): stored rows follow their records again.
  void SelectionRowsChanged(int code);
  // Redraw(#Selection): the visible rows and cells that hold a selection.
  void RedrawSelection();

  // keyboard
  // (input_keys.cpp, cursor.cpp)
  Ref<kKeyCommandList> keyCommand_;
  int tabExit_ = 0;
  // AutoEdit as a mode symbol (TRUE is #Permanent); none when off.
  Symbol AutoEditMode() const;
  bool KeyPress(QKeyEvent* e);
  // Would the key map take this key (so no shortcut may)?
  bool TakesKey(const QKeyEvent* e);
  // The default push button of the grid's window, if it has a usable one.
  QPushButton* DefaultButton() const;
  // Escape: the dialog the grid lives in is cancelled.
  void CancelParent();
  // After the grid scrolled: an open editor moves with its cell.
  void RecalculateOpenEditor();
  // Tab in the modes that walk the cells: the move, or the focus passed on.
  void TabMove(bool back, Symbol mode);
  // A typed character or an input method's text: opens the editor in
  // #Sensitive and #Excel grids and hands it `e`.
  bool TypedText(const QString& text, QEvent* e);
  bool InputMethodText(QInputMethodEvent* e);
  // The menu key and Shift+F10 show the context menu, and some platforms
  // make a context-menu event of the same key as well (before or after it):
  // how the last keyboard menu was shown, and when.
  enum class KeyboardMenu { None, ByKey, ByEvent };
  KeyboardMenu keyboardMenu_ = KeyboardMenu::None;
  QElapsedTimer keyboardMenuTime_;
  // Was the menu of this stroke already shown the `other` way? Forgets it.
  bool SameKeyboardMenu(KeyboardMenu other);
  void NoteKeyboardMenu(KeyboardMenu how);
  // Focus in and out: the parts whose look depends on the focus.
  void RedrawFocusParts();

  // mouse, menus, notifications
  // (input_mouse.cpp, context_menu.cpp, owner_notify.cpp)
  // A press that waits for the release: on a column edge (resize after
  // 100 ms) or on a caption (click, or move after 400 ms); a press on the
  // data (drag).
  enum class Press { None, ColumnEdge, Caption, Data };
  Press press_ = Press::None;
  int pressColumn_ = 0;
  Ref<kDataColumn> pressColumnObject_;
  QPoint pressPoint_;
  QBasicTimer pressTimer_;
  int pressedCaption_ = 0;
  bool pointerSet_ = false;
  Usual activeContextMenu_;
  bool contextMenuActive_ = false;
  bool ownerHooked_ = false;
  QPointer<QWidget> hookedOwner_;
  bool cellSelectPending_ = false;
  // Follows the mouse (construction).
  void InitMouse();
  // The owner is the nearest Window the grid lives in (also through plain
  // containers a layout puts it in): which notification methods it has,
  // and the hook on it, are taken anew whenever the grid is moved.
  void ResolveOwner();
  // The owner window as a runtime object; null without one.
  Object* NotifyOwner() const;
  // Calls the owner's method `name` with `event` when the owner has it
  // (`which`), else, with `fallback`, the owner's Dispatch.
  bool TellOwner(OwnerCallback which, Symbol name, const Ref<Object>& event, bool fallback, Usual* answer = nullptr);
  kDataColumn* OpenColumnAt(int column) const;
  bool InCaptionArea(QPoint p) const;
  bool InFooterArea(QPoint p) const;
  void UpdatePointer(QPoint p);
  void CaptionButtonDown(QPoint p);
  void CaptionButtonUp(Qt::KeyboardModifiers modifiers);
  void FooterButtonDown(QPoint p);
  void CaptionDoubleClickAt(QPoint p);
  void FooterDoubleClickAt(QPoint p);
  void StartPress(Press kind, int column, QPoint at, int wait);
  void EndPress();
  void PressTimeout();
  void ShowCaptionPressed(int column);
  // Moves the server to a clicked record and lets every client follow;
  // the grid applies `flags` to the selection when its row changes.
  // `asked`: the clients already agreed to the move.
  bool GoToClicked(std::int64_t recNo, int flags, bool asked = false);
  // The conditions of Enter for opening the editor on the current cell.
  bool CanEditCurrentCell();
  int ContextArea(Symbol area) const;

  // cell editing (cell_editor.cpp, edit_create.cpp, edit_keys.cpp,
  // edit_append.cpp)
  std::unique_ptr<CellEditor> editor_;
  // --- cell_editor.cpp private helpers go here ---
  // Puts the edit column's value into the open editor and selects it.
  void LoadEditor();
  // Writes the editor's value by the rules of its kind; FALSE with the
  // server's reason when the write was refused.
  bool WriteEditor(std::string& reason);
  // Runs one write to the edit column; FALSE with the reason when the server
  // refused it, else tells the owner (CellEdit 7).
  template <class F>
  bool WriteCell(std::string& reason, F&& write);
  // Hides, unhooks and destroys the editor and clears the editing state.
  void RemoveEditor();
  // After a veto or a refusal: the editor gets the focus back.
  void RefocusEditor();
  // "Eingabefehler: " and the edit column's caption (or its number).
  std::string EditErrorCaption() const;
  // --- edit_create.cpp private helpers go here ---
  // Puts a control on a cell: its rectangle by its kind and the column's
  // data alignment; FALSE (control left as it is) when the cell has none.
  bool PlaceEditor(Control* control, int column, std::int64_t row, std::int64_t recNo);
  // The data font, colours and alignment of a column on its editor.
  void StyleEditor(Control* control, int column);
  // --- edit_keys.cpp private helpers go here ---
  // A key pressed in the editor: TRUE when the grid takes it (the editor
  // never sees it).
  bool EditorKeyPress(QKeyEvent* e);
  // The editor gained or lost the focus.
  void EditorFocus(QFocusEvent* e, bool gotFocus);
  // The focus moved anywhere while the editor had let it go to a pop-up or
  // another window: the editor closes once the focus lands elsewhere.
  void EditorFocusChanged(QWidget* old, QWidget* now);
  // A row move from the editor (Up, Down, PgUp, PgDn, Ctrl+PgUp/PgDn).
  void EditorRowMove(int key, bool shift, bool ctrl);
  // A push-button editor was clicked: it closes.
  void EditorButtonClicked();
  // Connects a push-button editor's click (once per editor).
  void WatchEditorButton();
  // The editor should be open now: #Permanent, editable, not open, not
  // being built, and (unless `anyFocus`) the grid has the focus.
  bool PermanentEditDue(bool anyFocus = false) const;
  // Opens the editor when PermanentEditDue.
  void PermanentEdit(bool anyFocus = false);
  // Clicks a push-button editor (after Enter, as the button's own click).
  void ClickButtonEditor();
  // The editor let the focus go to a pop-up or another window.
  bool editorAway_ = false;
  bool watchingFocus_ = false;
  QPointer<QWidget> watchedButton_;
  // --- edit_append.cpp private helpers go here ---
  // After a failed append: the cursor back on `recNo`, the owner told.
  void AppendFailed(std::int64_t recNo);
  // After an append: the focus kept, the current cell redrawn, and in
  // #Permanent mode the editor open on the new record.
  void AfterAppend(bool focused);
  // Closing the grid's window or the program asks the open editor first
  // (edit_window_guard.cpp).
  void InstallEditWindowGuard();

  // screen readers and clipboard
  // (accessible.cpp, copy_selection.cpp)
  // A column's value on the server's current record and its display text:
  // what the row buffer holds for a cell, and what a copy of a record
  // outside the buffer shows.
  static void ReadCell(kDataColumn& column, Usual& value, std::string& text);
};

}  // namespace kt
