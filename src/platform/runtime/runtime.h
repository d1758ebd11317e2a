#pragma once
// Process-wide settings of the runtime and the hooks other layers plug in
// (error block, work-area resolver).
#include <functional>
#include <string>

#include "platform/runtime/error.h"

namespace kt {

class WorkAreaResolver;

struct RuntimeSettings {
  bool deleted = false;     // TRUE: deleted records are hidden (SetDeleted)
  bool exact = false;       // exact string comparison for "="
  bool softSeek = false;    // Seek stops at the next greater key
  bool exclusive = false;   // tables open exclusive by default
  std::string dateFormat = "DD.MM.YYYY";
  int epoch = 1930;         // first year of the hundred for two-digit years
  int decimals = 2;         // display decimals of computed floats
  int digits = 10;          // display width of numbers
  bool netErr = false;      // last open or lock failed for a network reason
  bool beep = false;        // default error handler beeps
  bool errorLog = true;     // default error handler appends to its log
  bool german = true;       // language of the user (e.g. shown logic values)
};

class Runtime {
 public:
  using ErrorBlock = std::function<Usual(const ErrorRef&)>;

  static RuntimeSettings& Settings();
  static ErrorBlock& GetErrorBlock();
  // Installs a new error block and returns the previous one.
  static ErrorBlock SetErrorBlock(ErrorBlock block);

  // The database layer installs its work-area resolver here; null means no
  // tables: field names in expressions are unknown variables.
  static WorkAreaResolver* Resolver();
  static void SetResolver(WorkAreaResolver* resolver);
};

// Shorthands used throughout.
inline bool SetExact() { return Runtime::Settings().exact; }
inline bool NetErr() { return Runtime::Settings().netErr; }
inline void NetErr(bool v) { Runtime::Settings().netErr = v; }

// Restores every setting and the error block when it goes out of scope, so a
// test may change them freely.
class ScopedRuntime {
 public:
  ScopedRuntime();
  ~ScopedRuntime();
  ScopedRuntime(const ScopedRuntime&) = delete;
  ScopedRuntime& operator=(const ScopedRuntime&) = delete;
  RuntimeSettings* operator->() { return &Runtime::Settings(); }

 private:
  RuntimeSettings saved_;
  Runtime::ErrorBlock savedBlock_;
  WorkAreaResolver* savedResolver_;
};

// What the expression evaluator needs from the database layer: bare field
// names and ALIAS->FIELD read the tables of the work areas, and area
// functions (RecNo(), Deleted(), ...) ask the selected area.
class WorkAreaResolver {
 public:
  virtual ~WorkAreaResolver() = default;
  virtual int SelectedArea() const = 0;
  virtual void SelectArea(int area) = 0;
  // Work area of a table server, 0 for any other object.
  virtual int AreaOf(const Object& server) const = 0;
  // Reads a field; `alias` empty means the selected area. Sets `found` to
  // false when there is no such alias or field (the caller raises the error).
  virtual Usual FieldGet(Symbol alias, Symbol field, bool& found) = 0;
  virtual bool FieldPut(Symbol alias, Symbol field, const Usual& value) = 0;
  // RECNO, DELETED, EOF, BOF, LASTREC, RECCOUNT, FOUND, ALIAS of the selected
  // area; NIL when no table is open there.
  virtual Usual AreaFunction(Symbol function) = 0;
};

// Selects a work area for its lifetime and restores the previous one.
class ScopedWorkArea {
 public:
  explicit ScopedWorkArea(int area);
  ~ScopedWorkArea();
  ScopedWorkArea(const ScopedWorkArea&) = delete;
  ScopedWorkArea& operator=(const ScopedWorkArea&) = delete;

 private:
  int saved_ = 0;
  bool switched_ = false;
};

}  // namespace kt
