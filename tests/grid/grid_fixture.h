#pragma once
// Shared pieces of the grid tests: a server that counts reads and moves, a
// server of any size whose values follow from the record number, an owner
// window, and a check that a grid's buffer matches its server.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "grid/ktable.h"
#include "platform/db/fieldspec.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/text.h"
#include "servers/karrayserver.h"

namespace kt::test {

// {ID N 8, NAME C 10, AGE N 3}
inline Usual SmallStruct() {
  return Usual(Array{Usual(Array{"ID", "N", 8, 0}), Usual(Array{"NAME", "C", 10, 0}), Usual(Array{"AGE", "N", 3, 0})});
}

inline Array SmallData(int n) {
  Array data;
  for (int i = 1; i <= n; ++i) data.Add(Usual(Array{i, "N" + std::to_string(i), (i * 7) % 50}));
  return data;
}

// kArrayServer that counts field reads and moves.
class CountingServer : public kArrayServer {
 public:
  using kArrayServer::kArrayServer;
  int reads = 0;
  int moves = 0;
  void ResetCounts() { reads = moves = 0; }
  Usual FieldGet(const Usual& f) override {
    ++reads;
    return kArrayServer::FieldGet(f);
  }
  bool GoTop() override {
    ++moves;
    return kArrayServer::GoTop();
  }
  bool GoBottom() override {
    ++moves;
    return kArrayServer::GoBottom();
  }
  bool GoTo(std::int64_t r) override {
    ++moves;
    return kArrayServer::GoTo(r);
  }
  bool Skip(std::int64_t n) override {
    ++moves;
    return kArrayServer::Skip(n);
  }
};

// A read-only server of `count` records whose fields follow from the
// record number: ID = recno, NAME = "R" + recno. Holds no data; counts moves.
class FormulaServer : public DataServer {
 public:
  int moves = 0;
  explicit FormulaServer(std::int64_t count) : count_(count) {
    SetFields({New<DataField>(Symbol("ID"), New<kt::FieldSpec>(Symbol("ID"), "N", 10, 0)),
               New<DataField>(Symbol("NAME"), New<kt::FieldSpec>(Symbol("NAME"), "C", 12, 0))});
    recNo_ = count_ > 0 ? 1 : 1;
    eof_ = bof_ = count_ == 0;
  }
  Usual FieldGet(const Usual& f) override {
    if (eof_) return FieldPos(f) == 1 ? Usual(0) : Usual(std::string(12, ' '));
    return FieldPos(f) == 1 ? Usual(recNo_) : Usual(Pad("R" + std::to_string(recNo_)));
  }
  Usual FieldPut(const Usual&, const Usual& v) override { return v; }
  bool GoTop() override {
    ++moves;
    return Place(1, false);
  }
  bool GoBottom() override {
    ++moves;
    return Place(count_, false);
  }
  bool GoTo(std::int64_t r) override {
    ++moves;
    return Place(r, false);
  }
  bool Skip(std::int64_t n) override {
    ++moves;
    if (count_ == 0) return Place(1, false);
    std::int64_t r = (eof_ ? count_ + 1 : recNo_) + n;
    if (r < 1) {
      Place(1, false);
      bof_ = true;
    } else {
      Place(r, false);
    }
    Notify(notify::RecordChange, Usual(n));
    return true;
  }
  std::int64_t RecNo() const override { return recNo_; }
  bool EoF() const override { return eof_; }
  bool BoF() const override { return bof_; }
  std::int64_t LastRec() const override { return count_; }
  bool Used() const override { return true; }
  bool Deleted() const override { return false; }
  bool Append(const Usual& = NIL) override { return false; }
  bool Delete(const Usual& = NIL) override { return false; }
  bool Recall() override { return false; }
  bool Commit() override { return true; }
  bool Close() override { return true; }

 private:
  static std::string Pad(std::string s) {
    s.resize(12, ' ');
    return s;
  }
  bool Place(std::int64_t r, bool) {
    bof_ = false;
    if (count_ == 0 || r > count_ || r < 1) {
      recNo_ = count_ + 1;
      eof_ = true;
      bof_ = count_ == 0;
    } else {
      recNo_ = r;
      eof_ = false;
    }
    return true;
  }
  std::int64_t count_;
  std::int64_t recNo_ = 1;
  bool eof_ = false, bof_ = false;
};

// A client that is not a grid: counts notifications.
class RecordingClientLite : public Object {
 public:
  int notes = 0;
  const ClassInfo& Class() const override {
    static ClassInfo info("GridTestClient", &Object::StaticClass());
    static bool once = [] {
      info.Method<RecordingClientLite>("Notify", [](RecordingClientLite& c, Args) {
        ++c.notes;
        return Usual(true);
      });
      return true;
    }();
    (void)once;
    return info;
  }
};

// An owner window with a CellSelect method that counts its calls and runs
// onCellSelect when set.
class OwnerWindow : public Window {
 public:
  int cellSelects = 0;
  std::function<void()> onCellSelect;
  const ClassInfo& Class() const override {
    static ClassInfo info("GridOwnerWindow", &Window::StaticClass());
    static bool once = [] {
      info.Method<OwnerWindow>("CellSelect", [](OwnerWindow& w, Args) {
        ++w.cellSelects;
        if (w.onCellSelect) w.onCellSelect();
        return Usual(true);
      });
      return true;
    }();
    (void)once;
    return info;
  }
};

// An owner window with every notification method of the grid. Each call is
// recorded as {name, notification code of its event (0 when the event has
// none)}; `results` gives a method's answer by name (default NIL), and
// `onCall` runs on every call.
class RecordingOwner : public Window {
 public:
  struct Call {
    std::string name;
    int code = 0;
    Usual event;
  };
  std::vector<Call> calls;
  std::map<std::string, Usual> results;
  std::function<void(const std::string&, const Usual&)> onCall;

  static constexpr const char* kMethods[] = {
      "CellSelect",   "CellDoubleClick",   "CellEdit",    "ColumnMove",        "ColumnResize",
      "RowResize",    "CaptionClick",      "CaptionDoubleClick", "FooterClick", "FooterDoubleClick",
      "DrawValue",    "ControlFocusChange", "RecordAppend", "CellDragDrop",     "Dispatch"};

  int Count(const std::string& name) const {
    int n = 0;
    for (const Call& c : calls) n += c.name == name;
    return n;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> v;
    for (const Call& c : calls) v.push_back(c.name);
    return v;
  }
  const ClassInfo& Class() const override {
    static ClassInfo info("GridRecordingOwner", &Window::StaticClass());
    static bool once = [] {
      for (const char* m : kMethods) {
        const std::string name = m;
        info.Method<RecordingOwner>(m, [name](RecordingOwner& w, Args a) {
          Call call{name, 0, a.empty() ? Usual() : a[0]};
          if (!a.empty() && a[0].IsObject() && a[0].AsObject()->HasAccess(Symbol("NotifyCode")))
            call.code = int(a[0].AsObject()->Access(Symbol("NotifyCode")).AsInteger());
          w.calls.push_back(call);
          if (w.onCall) w.onCall(name, call.event);
          auto it = w.results.find(name);
          return it == w.results.end() ? Usual() : it->second;
        });
      }
      return true;
    }();
    (void)once;
    return info;
  }
};

// Shown windows get their resize events at once (offscreen).
inline std::unique_ptr<OwnerWindow> ShownOwner() {
  auto w = std::make_unique<OwnerWindow>();
  w->resize(2400, 1200);
  w->show();
  return w;
}
inline kTable* Shown(kTable* grid) {
  grid->show();
  return grid;
}

// The grid shows what its server holds: walking the server from the first
// visible record gives the buffered records and values in order, and the
// current record sits at CurrentRow. Leaves the server where it was.
inline void ExpectConsistent(kTable& grid, DataServer& server, const char* where) {
  SCOPED_TRACE(where);
  if (!grid.Used()) return;
  const std::int64_t saved = server.RecNo();
  const bool savedEof = server.EoF();
  server.SuspendNotification();
  const auto& rows = grid.RowBuffer();
  ASSERT_EQ(int(rows.size()), grid.VisibleRowCount());
  server.GoTo(grid.FirstVisibleRecNo());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i + 1));
    if (server.EoF()) {
      EXPECT_TRUE(rows[i].empty);
      EXPECT_EQ(rows[i].recNo, server.LastRec() + 1);
      continue;
    }
    EXPECT_FALSE(rows[i].empty);
    EXPECT_EQ(rows[i].recNo, server.RecNo());
    EXPECT_EQ(rows[i].deleted, server.Deleted());
    for (int c = 1; c <= grid.ColumnOpenCount(); ++c) {
      const Cell* cell = grid.BufferedCell(c, int(i + 1));
      if (!cell) continue;
      EXPECT_EQ(cell->value, grid.ColumnOpenList()[std::size_t(c - 1)]->Value()) << "column " << c;
    }
    server.Skip(1);
  }
  server.GoTo(saved);
  if (savedEof) server.GoTo(server.LastRec() + 1);
  server.ResetNotification();
  if (!savedEof) {
    EXPECT_EQ(grid.CurrentRecNo(), saved);
    const int pos = grid.BufferPos(saved);
    if (pos > 0) {
      EXPECT_EQ(grid.CurrentRow(), grid.FirstVisibleRowNo() + pos - 1);
    }
  }
}

}  // namespace kt::test
