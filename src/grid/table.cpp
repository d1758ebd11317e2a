// kTable: construction, server binding, the column lists, the property bag
// and the bracket around multi-step server work.
#include <QScrollBar>
#include <exception>
#include <algorithm>

#include "grid/cell_editor.h"
#include "grid/grid_event.h"
#include "grid/event_lock.h"
#include "grid/ktable.h"
#include "grid/selection.h"
#include "grid/window_hooks.h"
#include "platform/db/dbserver.h"
#include "platform/db/workareas.h"
#include "platform/gui/pointer.h"
#include "platform/runtime/runtime.h"

namespace kt {
namespace {

const Symbol kAbsolute("Absolute"), kRelative("Relative"), kAuto("Auto"), kRecCount("RecCount"), kCellSym("Cell"),
    kSimple("Simple"), kMoveToControl("MoveToControl"), kFirstCell("FirstCell"), kFirst("First"), kNext("Next"),
    kPrevious("Previous"), kLast("Last"), kAll("All"), kSelectorSym("Selector"), kFromColumn("FromColumn"),
    kOnlyWhenLastClient("OnlyWhenLastClient"), kViewLogicValues("VIEWLOGICVALUES"), kChildren("Children"),
    kIndexOrd("IndexOrd"), kField("Field"), kStable("Stable");

const Usual& Arg(Args a, std::size_t i) { return i < a.size() ? a[i] : NIL; }

// Restores the grid's event lock when the scope ends.
}  // namespace

kTable::kTable(QWidget* owner, int controlId, const Point* origin, const Dimension* size)
    : CustomControl(owner, controlId), selection_(std::make_unique<SelectionList>()),
      editor_(std::make_unique<CellEditor>()) {
  // View styles, each with its own grid-line style.
  auto dataGrid = New<kGrid>(Usual(1));
  dataView_ = New<kViewStyle>(nullptr, nullptr, 0, nullptr, dataGrid);
  captionView_ = New<kViewStyle>(nullptr, nullptr, 0, nullptr, New<kGrid>(Usual(4)));
  footerView_ = New<kViewStyle>(nullptr, nullptr, 0, nullptr, New<kGrid>(Usual(4)));
  infoView_ = New<kViewStyle>(nullptr, nullptr, 0, nullptr,
                              New<kGrid>(Usual(0), Usual(4), Usual(dataGrid->Height() + dataGrid->SpaceTop()),
                                         Usual(4), Usual(dataGrid->Height() + dataGrid->SpaceBottom())));
  serverState_ = 1;

  const int h = FontHeight(nullptr);
  rowHeight_ = h + (dataGrid->Height() + 1) * 2;
  captionHeight_ = h + 5;
  selectorWidth_ = rowHeight_ - 3;

  rowMode_ = kRelative;
  rowCountMode_ = kAuto;
  currentMode_ = kCellSym;
  selectionMode_ = kSimple;
  tabKeyMode_ = kMoveToControl;

  PropertyPut("ScrollPointer", Usual(New<Pointer>(PointerFourArrow)));
  // Stand-ins until the picture cursors of column moving, resizing and
  // dragging are loaded by those features.
  PropertyPut("ColumnMovePointer", Usual(New<Pointer>(PointerHand)));
  PropertyPut("ColumnResizePointer", Usual(New<Pointer>(PointerSizeWE)));
  PropertyPut("RowResizePointer", Usual(New<Pointer>(PointerSizeNS)));
  // A movable caption keeps the ordinary pointer unless the program gives one.
  PropertyPut("DragSinglePointer", Usual(New<Pointer>(PointerArrow)));
  PropertyPut("DragMultiplePointer", Usual(New<Pointer>(PointerArrow)));
  PropertyPut("ValueViewList", Usual(Array{Usual(Symbol("CHECKBOX"))}));
  PropertyPut("InfoInEntireArea", Usual(false));
  PropertyPut("ScrollThumbDragRefresh", Usual(false));

  InstallAccessibility();
  ResolveOwner();
  InstallEditWindowGuard();
  InitMouse();
  setFocusPolicy(Qt::StrongFocus);
  // Dead keys, compose sequences and CJK input arrive as input-method text.
  setAttribute(Qt::WA_InputMethodEnabled);
  setAttribute(Qt::WA_OpaquePaintEvent);
  if (origin) move(origin->X, origin->Y);
  if (size) resize(size->Width, size->Height);

  hScrollMode_ = kAuto;
  vScrollMode_ = kAuto;
  hScroll_ = new QScrollBar(Qt::Horizontal, this);
  hScroll_->setObjectName("kTableHSCROLL");
  hScroll_->setGeometry(0, 0, 0, 0);
  hScroll_->hide();
  vScroll_ = new QScrollBar(Qt::Vertical, this);
  vScroll_->setObjectName("kTableVSCROLL");
  vScroll_->setGeometry(0, 0, 0, 0);
  vScroll_->hide();
  ConnectScrollBars();

  Recalculate();
}

kTable::~kTable() { Destruct(); }

// Runs again whenever called: a grid bound again after Destruct must still
// unregister before it goes away. Columns may be shared with the caller or
// other grids, so they are only let go.
void kTable::Destruct() {
  // An open editor writes its value, or is dropped when it cannot; its
  // errors must not escape a destructor either. From ~kTable these calls
  // reach only kTable's own hooks, so the editor state must be kTable's own.
  if (InEdit()) {
    bool closed = false;
    GuardedCall([&] { closed = EditClose(); });
    if (!closed) GuardedCall([this] { EditCancel(); });
  }
  hooks::Unregister(this);
  ownerHooked_ = false;
  hookedOwner_ = nullptr;
  autoRefreshTimer_.stop();
  if (link_.Bound()) {
    // Errors of a closing server must not escape a destructor.
    GuardedCall([this] { ReleaseServer(); });
  }
  server_ = NIL;
  link_.Unbind();
  hasOrder_ = hasChildren_ = false;
  sequenceCount_ = 0;
  savedArea_ = 0;
  serverState_ = 1;
  columnList_.clear();
  columnOpenList_.clear();
  columnVariableHeightList_.clear();
  firstVisibleColumn_ = lastVisibleColumn_ = currentColumn_ = 0;
  rows_.clear();
  frozenCells_.clear();
  scrollCells_.clear();
  colorCondition_ = nullptr;
  fontCondition_ = nullptr;
  properties_.Clear();
  for (auto& v : infoViews_) v = nullptr;
  for (auto& t : infoText_) t = NIL;
  for (auto& m : contextMenus_) m = NIL;
  autoEdit_ = NIL;
}

const ClassInfo& kTable::StaticClass() {
  static ClassInfo info("kTable", &CustomControl::StaticClass());
  static const bool registered = [] {
    using T = kTable;
    info.Method<T>("Notify", [](T& t, Args a) { return Usual(t.Notify(int(Arg(a, 0).AsInteger()), Arg(a, 1))); });
    info.Method<T>("Use", [](T& t, Args a) { return Usual(t.Use(Arg(a, 0), Arg(a, 1), Arg(a, 2))); });
    info.Method<T>("Skip", [](T& t, Args a) { return Usual(t.Skip(Arg(a, 0))); });
    info.Method<T>("GoTop", [](T& t, Args) { return Usual(t.GoTop()); });
    info.Method<T>("GoBottom", [](T& t, Args) { return Usual(t.GoBottom()); });
    info.Method<T>("Append", [](T& t, Args) { return Usual(t.Append()); });
    info.Method<T>("Delete", [](T& t, Args) { return Usual(t.Delete()); });
    info.Method<T>("Refresh", [](T& t, Args a) { return Usual(t.Refresh(Arg(a, 0))); });
    info.Method<T>("SuspendNotification", [](T& t, Args) { return Usual(t.SuspendNotification()); });
    info.Method<T>("ResetNotification", [](T& t, Args) { return Usual(t.ResetNotification()); });
    info.Method<T>("PropertyGet", [](T& t, Args a) { return t.PropertyGet(Arg(a, 0).AsSymbol(), Arg(a, 1)); });
    info.Method<T>("PropertyPut", [](T& t, Args a) { return Usual(t.PropertyPut(Arg(a, 0).AsSymbol(), Arg(a, 1))); });
    info.Method<T>("GetColorSpec", [](T& t, Args a) { return Usual(t.GetColorSpec(Arg(a, 0), Arg(a, 1)).ToArray()); });
    info.Method<T>("GetFontSpec", [](T& t, Args a) { return Usual(t.GetFontSpec(Arg(a, 0), Arg(a, 1))); });
    info.Access<T>("Server", [](T& t) { return t.Server(); });
    info.Access<T>("Used", [](T& t) { return Usual(t.Used()); });
    info.Access<T>("CurrentRecNo", [](T& t) { return Usual(t.CurrentRecNo()); });
    info.Access<T>("CurrentRow", [](T& t) { return Usual(t.CurrentRow()); });
    info.Access<T>("CurrentColumn", [](T& t) { return Usual(t.CurrentColumn()); });
    info.Access<T>("FirstVisibleRecNo", [](T& t) { return Usual(t.FirstVisibleRecNo()); });
    info.Access<T>("FirstVisibleRowNo", [](T& t) { return Usual(t.FirstVisibleRowNo()); });
    info.Access<T>("VisibleRowCount", [](T& t) { return Usual(t.VisibleRowCount()); });
    info.Access<T>("ColumnCount", [](T& t) { return Usual(t.ColumnCount()); });
    info.Access<T>("ColumnOpenCount", [](T& t) { return Usual(t.ColumnOpenCount()); });
    info.Access<T>("Freeze", [](T& t) { return Usual(t.Freeze()); });
    info.Assign<T>("Freeze", [](T& t, const Usual& v) { t.Freeze(int(v.AsInteger())); });
    info.Access<T>("RowMode", [](T& t) { return Usual(t.RowMode()); });
    info.Assign<T>("RowMode", [](T& t, const Usual& v) { t.RowMode(v.AsSymbol()); });
    RegisterStyles(info);
    RegisterSelection(info);
    RegisterKeys(info);
    RegisterMouse(info);
    RegisterEditing(info);
    RegisterEditKeys(info);
    RegisterClipboard(info);
    return true;
  }();
  (void)registered;
  return info;
}

// ---------------------------------------------------------------------------
// Property bag

bool kTable::PropertyPut(Symbol name, const Usual& value) {
  for (std::size_t i = 1; i <= properties_.Len(); ++i) {
    Array pair = properties_[i].AsArray();
    if (pair[1].AsSymbol() == name) {
      pair.Put(2, value);
      return true;
    }
  }
  properties_.Add(Usual(Array{Usual(name), value}));
  return true;
}

Usual kTable::PropertyGet(Symbol name, const Usual& uDefault) {
  Usual result = uDefault;
  for (const Usual& p : properties_) {
    const Array pair = p.AsArray();
    if (pair[1].AsSymbol() == name) {
      result = pair[2];
      break;
    }
  }
  if (name == kViewLogicValues && !result.IsArray()) {
    // A fresh table each time, so a caller that changes it changes nothing here.
    const char* yes = Runtime::Settings().german ? "J" : "Y";
    return Usual(Array{Usual(Array{yes, true}), Usual(Array{"N", false})});
  }
  return result;
}

void kTable::PropertyDelete(Symbol name) {
  for (std::size_t i = 1; i <= properties_.Len(); ++i)
    if (properties_[i].AsArray()[1].AsSymbol() == name) {
      properties_.Remove(i);
      return;
    }
}

// ---------------------------------------------------------------------------
// Server bracket

int kTable::SuspendNotification() { return ++suspendCount_; }
int kTable::ResetNotification() {
  if (suspendCount_ > 0) --suspendCount_;
  return suspendCount_;
}

bool kTable::BeginSequence() {
  if (!link_.Bound()) return true;
  if (++sequenceCount_ == 1) {
    if (auto* db = dynamic_cast<DBServer*>(link_.Direct()); db && db->Used())
      savedArea_ = HLDBSetSelect(db->Area());
  }
  link_.Suspend();
  if (hasChildren_) {
    const Usual children = link_.Access(kChildren);
    if (children.IsArray())
      for (const Usual& c : children.AsArray()) kt::Send(c, "SuspendNotification");
  }
  return true;
}

bool kTable::EndSequence() {
  // Without an open sequence there is no suspension of ours to end.
  if (!link_.Bound() || sequenceCount_ == 0) return true;
  const bool outermost = --sequenceCount_ == 0;
  if (outermost) {
    if (dynamic_cast<DBServer*>(link_.Direct()) && savedArea_ != 0) HLDBSetSelect(savedArea_);
  }
  link_.Reset();
  if (hasChildren_) {
    const Usual children = link_.Access(kChildren);
    if (children.IsArray())
      for (const Usual& c : children.AsArray()) kt::Send(c, "ResetNotification");
  }
  if (outermost && cellSelectPending_) {
    cellSelectPending_ = false;
    // The server notifies again, so a move the owner makes now reaches
    // every client. A sequence that ends while an error unwinds tells
    // nothing, and the owner's errors must not escape a scope's end.
    if (std::uncaught_exceptions() == 0) GuardedCall([this] { CellSelect(); });
  }
  return true;
}

Array kTable::RecordSave() {
  Array saved{Usual(link_.RecNo())};
  if (hasChildren_) {
    const Usual children = link_.Access(kChildren);
    if (children.IsArray())
      for (const Usual& c : children.AsArray()) saved.Add(Usual(Array{c, IVarGet(c, "RecNo")}));
  }
  return saved;
}

bool kTable::RecordRestore(const Array& saved) {
  const ServerSuspension quiet(link_);
  // Standing on the record already: a GoTo would only re-read it.
  const std::int64_t recNo = saved[1].AsInteger();
  const bool there = link_.RecNo() == recNo && !link_.EoF() && !link_.BoF();
  const bool ok = there || link_.GoTo(recNo);
  if (ok) {
    for (std::size_t i = 2; i <= saved.Len(); ++i) {
      const Array child = saved[i].AsArray();
      if (IVarGet(child[1], "Used").AsLogic()) {
        ServerLink childLink;
        childLink.Bind(child[1]);
        const ServerSuspension quietChild(childLink);
        childLink.GoTo(child[2].AsInteger());
      }
    }
  }
  return ok;
}

// ---------------------------------------------------------------------------
// Binding

bool kTable::Used() { return link_.Bound() && link_.Used(); }

void kTable::ReleaseServer() {
  // The server must notify its other clients again, and the work area
  // selected before the outermost sequence comes back. A held-back
  // CellSelect is about the server that goes.
  cellSelectPending_ = false;
  while (sequenceCount_ > 0) EndSequence();
  ++binding_;
  if (colorCondition_) colorCondition_->Clear();
  if (fontCondition_) fontCondition_->Clear();
  Object* self = this;
  if (autoClose_.IsLogic() && autoClose_.AsLogic()) {
    const Usual a[] = {Usual(self), Usual(false)};
    link_.Send("UnRegisterClient", a);
    link_.Send("Close");
  } else if (autoClose_.IsSymbol() && autoClose_.AsSymbol() == kOnlyWhenLastClient) {
    const Usual a[] = {Usual(self), Usual(true)};
    link_.Send("UnRegisterClient", a);
  } else {
    const Usual a[] = {Usual(self), Usual(false)};
    link_.Send("UnRegisterClient", a);
  }
}

void kTable::ResetPositions() {
  rows_.clear();
  frozenCells_.clear();
  scrollCells_.clear();
  firstVisibleRowNo_ = lastVisibleRowNo_ = firstVisibleRecNo_ = 0;
  firstRecNo_ = firstRowNo_ = lastRecNo_ = rowCount_ = lastRec_ = 0;
  currentColumn_ = 0;
  currentRow_ = 0;
  currentRecNo_ = 0;
  pendingChanges_ = 0;
  emptyRowsVisible_ = false;
}

void kTable::ReadBounds() {
  hasOrder_ = link_.HasMethod(kIndexOrd) && link_.Send(kIndexOrd).AsInteger() > 0;
  lastRec_ = link_.LastRec();
  rowCount_ = GetRowCount();
  ReadFirstAndLast();
  serverState_ = firstRecNo_ == lastRecNo_ && link_.EoF() ? 3 : 0;
}

bool kTable::ReadFirstAndLast() {
  link_.GoTop();
  firstRecNo_ = link_.RecNo();
  firstRowNo_ = 0;  // GetRowNo of the first record itself
  firstRowNo_ = GetRowNo();
  const bool empty = link_.EoF();
  link_.GoBottom();
  lastRecNo_ = link_.RecNo();
  return empty;
}

bool kTable::Use(const Usual& server, const Usual& columns, const Usual& open) {
  if (InEdit() && !EditClose()) return false;
  // A hidden grid gets its resize events only when shown; the rows that fit
  // must be known now.
  if (QSize(width(), height()) != splitSize_) Recalculate();
  bool redraw = false;
  Symbol redrawArea;

  if (link_.Bound()) {
    ReleaseServer();
    server_ = NIL;
    link_.Unbind();
    hasOrder_ = hasChildren_ = false;
    sequenceCount_ = 0;
    savedArea_ = 0;
  }
  if (!columnList_.empty()) {
    Clear(Usual(false));
    columnList_.clear();
    columnOpenList_.clear();
    columnVariableHeightList_.clear();
    resizedRows_.clear();
    redraw = true;
    redrawArea = kAll;
  }
  ResetPositions();
  SelectionReset();

  if (server.IsNil()) {
    serverState_ = 1;
    Recalculate();
    CellSelect();
    if (redraw) Redraw(Usual(redrawArea));
    else update();
    return true;
  }

  server_ = server;
  link_.Bind(server);
  ++binding_;
  hasChildren_ = link_.HasAccess(kChildren);

  if (!link_.Used()) {
    serverState_ = 2;
    CellSelect();
  } else {
    SequenceScope seq(*this);
    const Array saved = RecordSave();
    ReadBounds();
    const std::int64_t recNo = saved[1].AsInteger();
    link_.GoTo(recNo);
    // Re-reads the position without moving.
    if (link_.EoF()) {
      link_.Skip(1);
    } else {
      link_.Skip(1);
      link_.Skip(-1);
    }
    int n = std::max(0, visibleRowCount_ - 2);
    while (n > 1 && !link_.BoF()) {
      link_.Skip(-1);
      if (!link_.BoF()) --n;
    }
    firstVisibleRecNo_ = link_.RecNo();
    firstVisibleRowNo_ = GetFirstVisibleRow();
    RecordRestore(saved);
    seq.End();
    lastVisibleRowNo_ = GetLastVisibleRow(firstVisibleRowNo_);

    Object* self = this;
    if (columns.IsArray()) {
      for (const Usual& spec : columns.AsArray())
        columnList_.push_back(New<kDataColumn>(static_cast<ColumnOwner*>(this), server, spec, Usual(kField)));
    } else {
      const std::int64_t fields = link_.Access("DBStruct").AsArray().Len();
      for (std::int64_t i = 1; i <= fields; ++i)
        columnList_.push_back(New<kDataColumn>(static_cast<ColumnOwner*>(this), server, Usual(i), Usual(kField)));
    }
    (void)self;
    if (columnList_.empty()) {
      FillBuffer();
    } else if (open.IsNil()) {
      Array all;
      for (auto& c : columnList_) all.Add(Usual(c));
      OpenColumn(Usual(all), NIL, Usual(false));
    } else if (open.IsArray() && !open.AsArray().IsEmpty()) {
      OpenColumn(open, NIL, Usual(false));
    } else {
      FillBuffer();
    }
    currentRecNo_ = link_.RecNo();
    RecomputeCurrentRow();
    SelectionChange(5, currentColumn_, currentRow_, currentRecNo_);
    UpdateVerticalScrollValues(true, true);
    UpdateHorizontalScrollValues(true, true);
    if (selector_) {
      redraw = true;
      if (!redrawArea) redrawArea = kSelectorSym;
    }
    CellSelect();
  }
  Object* self = this;
  const Usual a[] = {Usual(self)};
  link_.Send("RegisterClient", a);
  // A freshly bound server shows new rows everywhere.
  update();
  if (redraw) Redraw(Usual(redrawArea));
  PermanentEdit();
  return true;
}

void kTable::RecomputeCurrentRow() {
  if (link_.EoF() && !skipEOF_) {
    currentRow_ = 0;
    return;
  }
  const int i = BufferPos(currentRecNo_);
  currentRow_ = i > 0 ? firstVisibleRowNo_ + i - 1 : 0;
}

// ---------------------------------------------------------------------------
// Columns

int kTable::ColumnIndex(const std::vector<Ref<kDataColumn>>& list, const Usual& column) const {
  if (column.IsNumeric()) {
    const std::int64_t n = column.AsInteger();
    return n >= 1 && n <= std::int64_t(list.size()) ? int(n) : 0;
  }
  if (column.IsObject()) {
    for (std::size_t i = 0; i < list.size(); ++i)
      if (static_cast<Object*>(list[i].get()) == column.AsObject()) return int(i + 1);
    return 0;
  }
  Symbol name;
  if (column.IsSymbol()) name = column.AsSymbol();
  else if (column.IsString()) name = Symbol(column.AsStringView());
  else return 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const auto label = list[i]->HyperLabel();
    if (label && label->NameSym == name) return int(i + 1);
  }
  return 0;
}

Ref<kDataColumn> kTable::GetColumn(const Usual& column) const {
  const int i = ColumnIndex(columnList_, column);
  return i ? columnList_[std::size_t(i - 1)] : nullptr;
}

Ref<kDataColumn> kTable::GetOpenColumn(const Usual& column) const {
  const int i = ColumnIndex(columnOpenList_, column);
  return i ? columnOpenList_[std::size_t(i - 1)] : nullptr;
}

int kTable::OpenPosition(const kDataColumn* column) const {
  for (std::size_t i = 0; i < columnOpenList_.size(); ++i)
    if (columnOpenList_[i].get() == column) return int(i + 1);
  return 0;
}

bool kTable::AddColumn(const Ref<kDataColumn>& column) {
  if (!column) return false;
  for (const auto& c : columnList_)
    if (c == column) return false;
  columnList_.push_back(column);
  return true;
}

Ref<kDataColumn> kTable::RemoveColumn(const Usual& column, const Usual& redraw) {
  const int i = ColumnIndex(columnList_, column);
  if (!i) return nullptr;
  Ref<kDataColumn> c = columnList_[std::size_t(i - 1)];
  if (const int open = OpenPosition(c.get())) CloseColumn(Usual(open), redraw);
  columnList_.erase(columnList_.begin() + (i - 1));
  return c;
}

bool kTable::OpenColumn(const Usual& column, const Usual& position, const Usual& redraw) {
  if (!Used()) return false;
  LockScope lock(eventLock_);
  const int count = ColumnOpenCount();
  int pos = position.IsNumeric() ? int(position.AsInteger()) : 0;
  if (pos <= 0 || pos > count) pos = count + 1;

  std::vector<Ref<kDataColumn>> added;
  auto collect = [&](const Usual& u) {
    Ref<kDataColumn> c = GetColumn(u);
    if (!c || OpenPosition(c.get())) return;
    for (const auto& a : added)
      if (a == c) return;
    added.push_back(c);
  };
  if (column.IsArray()) {
    for (const Usual& u : column.AsArray()) collect(u);
  } else {
    collect(column);
  }
  if (added.empty()) return true;

  columnOpenList_.insert(columnOpenList_.begin() + (pos - 1), added.begin(), added.end());
  SelectionMove(0, pos, int(added.size()));
  bool rowsChanged = false;
  if (rowHeightVariable_)
    for (const auto& c : added)
      if (c->IsHeightVariable()) {
        if (std::find(columnVariableHeightList_.begin(), columnVariableHeightList_.end(), c) ==
            columnVariableHeightList_.end())
          columnVariableHeightList_.push_back(c);
        rowsChanged = true;
      }

  const int oldCurrent = currentColumn_;
  const int n = int(added.size());
  if (currentColumn_ == 0 || currentColumn_ > ColumnOpenCount() - n) {
    currentColumn_ = GetNewSelectableColumn(0, kFirst);
  } else if (currentMode_ == kFirstCell && pos <= currentColumn_) {
    const int first = GetNewSelectableColumn(0, kFirst);
    currentColumn_ = first > currentColumn_ ? first : currentColumn_ + n;
  } else if (currentColumn_ >= pos) {
    currentColumn_ += n;
  }
  if (currentColumn_ > 0 && !IsCellSelectable(currentColumn_, currentRow_, currentRecNo_))
    currentColumn_ = GetNewSelectableColumn(currentColumn_, kNext);

  AfterColumnsChanged(rowsChanged, pos, redraw, oldCurrent);
  return true;
}

void kTable::AfterColumnsChanged(bool rowsChanged, int position, Usual redraw, int oldCurrent) {
  const int count = ColumnOpenCount();
  if (firstVisibleColumn_ > count) firstVisibleColumn_ = 0;
  if (firstVisibleColumn_ == 0 && count > freeze_) firstVisibleColumn_ = freeze_ + 1;
  if (firstVisibleColumn_ > freeze_) lastVisibleColumn_ = GetLastVisibleColumn(firstVisibleColumn_);
  if (count <= freeze_) firstVisibleColumn_ = lastVisibleColumn_ = 0;
  // The frozen part may have changed width.
  SplitClientArea();
  // Any change of columns may leave the count of rows behind the heights.
  const int rows = GetCountOfVisibleRows(firstVisibleRecNo_);
  rowsChanged = rowsChanged || rows != visibleRowCount_;
  if (rowsChanged) {
    visibleRowCount_ = rows;
    if (currentRow_ < firstVisibleRowNo_ || currentRow_ > firstVisibleRowNo_ + visibleRowCount_ - 1) {
      SequenceScope seq(*this);
      firstVisibleRecNo_ = link_.RecNo();
      firstVisibleRowNo_ = GetFirstVisibleRow();
      seq.End();
    }
    lastVisibleRowNo_ = GetLastVisibleRow(firstVisibleRowNo_);
  }
  // Cells of every on-screen column are rebuilt: the columns moved places.
  frozenCells_.clear();
  scrollCells_.clear();
  FillBuffer(NIL, NIL, NIL, NIL, false, StableFill());
  RecomputeCurrentRow();
  UpdateHorizontalScrollValues(true, true);
  UpdateVerticalScrollValues(true, true);
  // Flag word 0: in #Simple mode the current cell, a multiple selection stays.
  SelectionChange(0, currentColumn_, currentRow_, currentRecNo_);
  if (rowsChanged) Redraw();
  else Redraw(Usual(kFromColumn), NIL, Usual(position));
  if (currentColumn_ != oldCurrent && Enabled(redraw)) CellSelect();
  PermanentEdit();
}

bool kTable::CloseColumn(const Usual& column, const Usual& redraw) {
  const int pos = ColumnIndex(columnOpenList_, column);
  if (!pos) return false;
  LockScope lock(eventLock_);
  Ref<kDataColumn> c = columnOpenList_[std::size_t(pos - 1)];
  SelectionMove(pos, 0);
  columnOpenList_.erase(columnOpenList_.begin() + (pos - 1));
  std::erase(columnVariableHeightList_, c);
  const bool rowsChanged = rowHeightVariable_ && c->IsHeightVariable();
  const int oldCurrent = currentColumn_;
  const int count = ColumnOpenCount();
  if (currentColumn_ > pos) {
    --currentColumn_;
  } else if (currentColumn_ == pos) {
    currentColumn_ = 0;
    if (count > 0) {
      const int from = std::min(pos, count);
      // The column that took its place, else the nearest one to the left.
      currentColumn_ = IsCellSelectable(from, currentRow_, currentRecNo_) ? from : GetNewSelectableColumn(from, kNext);
      if (!currentColumn_) currentColumn_ = GetNewSelectableColumn(from, kPrevious);
    }
  }
  if (firstVisibleColumn_ > count) firstVisibleColumn_ = count > freeze_ ? count : 0;
  if (!Used()) {
    frozenCells_.clear();
    scrollCells_.clear();
    if (count <= freeze_) firstVisibleColumn_ = lastVisibleColumn_ = 0;
    else lastVisibleColumn_ = GetLastVisibleColumn(firstVisibleColumn_);
    Redraw();
    return true;
  }
  AfterColumnsChanged(rowsChanged, pos, redraw, oldCurrent);
  return true;
}

bool kTable::Clear(const Usual& redraw) {
  SelectionReset();
  columnOpenList_.clear();
  // Only open columns decide row heights.
  columnVariableHeightList_.clear();
  if (!ExistRowsWithVariableHeight())
    for (auto& r : rows_) r.height = rowHeight_;
  firstVisibleColumn_ = lastVisibleColumn_ = currentColumn_ = 0;
  frozenCells_.clear();
  scrollCells_.clear();
  // Rows that were tall made room for fewer of them.
  const int rows = GetCountOfVisibleRows(firstVisibleRecNo_);
  if (rows != visibleRowCount_) {
    visibleRowCount_ = rows;
    lastVisibleRowNo_ = GetLastVisibleRow(firstVisibleRowNo_);
    if (Used()) FillBuffer(NIL, NIL, NIL, NIL, false, StableFill());
    else ResizeBuffer(Usual(0), Usual(visibleRowCount_));
  }
  UpdateVerticalScrollValues(true, true);
  UpdateHorizontalScrollValues(true, true);
  if (Enabled(redraw)) Redraw();
  return true;
}

// ---------------------------------------------------------------------------
// Settings

void kTable::RowMode(Symbol mode) {
  rowMode_ = mode;
  rowCountMode_ = mode == kAbsolute ? kRecCount : kAuto;
  UpdateVerticalScrollValues(true, true);
}

}  // namespace kt
