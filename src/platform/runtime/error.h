#pragma once
// The runtime's error object and the way errors are raised.
//
// Raise(error) hands the error to the error block, whose answer is the value
// that replaces the failed operation. Inside an ErrorTrap the error instead
// travels as a RuntimeError exception to the trap's catch (the per-method
// error traps of the servers and of kCodeblock).
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "platform/runtime/object.h"

namespace kt {

// Generic error codes (GenCode).
namespace gen {
inline constexpr int Arg = 1;          // argument error (wrong type or value)
inline constexpr int Bound = 2;        // array or range bound
inline constexpr int StrOverflow = 3;  // string too long
inline constexpr int NumOverflow = 4;  // numeric overflow
inline constexpr int Syntax = 7;       // expression does not compile
inline constexpr int Complexity = 8;   // expression too long or too deep
inline constexpr int NoFunc = 12;      // unknown function
inline constexpr int NoMethod = 13;    // object has no such method / access / assign
inline constexpr int ZeroDiv = 14;     // division by zero
inline constexpr int NoVar = 15;       // unknown variable or field name
inline constexpr int NoAlias = 16;     // unknown alias
inline constexpr int Create = 20;
inline constexpr int Open = 21;
inline constexpr int Close = 22;
inline constexpr int Read = 23;
inline constexpr int Write = 24;
inline constexpr int Unsupported = 30;
inline constexpr int Limit = 31;
inline constexpr int Corruption = 32;
inline constexpr int DataType = 33;
inline constexpr int DataWidth = 34;
inline constexpr int NoTable = 35;
inline constexpr int NoOrder = 36;
inline constexpr int Shared = 37;
inline constexpr int Unlocked = 38;
inline constexpr int ReadOnly = 39;
inline constexpr int Lock = 40;  // lock or append-lock failure
}  // namespace gen

// Text of a generic code ("argument error", "zero divide", ...).
const char* GenCodeText(int genCode);

class Error : public Object {
 public:
  Error() = default;
  Error(int genCode, std::string description) : GenCode(genCode), Description(std::move(description)) {}

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  std::string SubSystem = "BASE";
  int SubCode = 0;
  int GenCode = 0;
  int OsCode = 0;
  int Severity = 2;  // 1 warning, 2 error, 3 catastrophic
  bool CanDefault = false;
  bool CanRetry = false;
  bool CanSubstitute = false;
  std::string Operation;
  std::string Description;
  std::string FileName;
  int Tries = 0;
  std::int64_t FileHandle = 0;
  std::string SubCodeText;
  Usual Arg;
  int ArgType = 0;      // UsualType of the offending argument
  int ArgTypeReq = 0;   // UsualType the operation wanted
  int ArgNum = 0;
  std::int64_t FuncPtr = 0;
  Symbol FuncSym;
  int MaxSize = 0;
  int SubstituteType = 0;  // UsualType of a substitute value
  Symbol CallFuncSym;

  // The object whose method failed; held weakly, because that object often
  // keeps its last error.
  Usual MethodSelf() const;
  void MethodSelf(Object* self) { methodSelf_ = self; }

  // One line for logs and messages: "<SubSystem>/<GenCode> <Operation>: <Description>".
  std::string Summary() const;

 private:
  WeakRef<Object> methodSelf_;
};

using ErrorRef = Ref<Error>;

// The C++ carrier of an error inside an error trap.
class RuntimeError : public std::exception {
 public:
  explicit RuntimeError(ErrorRef e) : error_(std::move(e)), what_(error_->Summary()) {}
  const ErrorRef& error() const noexcept { return error_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  ErrorRef error_;
  std::string what_;
};

// While at least one trap is alive, Raise throws RuntimeError instead of
// calling the error block.
class ErrorTrap {
 public:
  ErrorTrap();
  ~ErrorTrap();
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
  static bool Active();

 private:
  int saved_;
};

// Hands the error to the error block (or throws inside a trap) and returns
// the value to substitute. Without an error block the error is thrown.
Usual Raise(ErrorRef error);

// Hands the error to the error block, which runs as an independent
// evaluation (see below); false when no block is installed, or when the
// stack that nested evaluations may use together is spent: an error block
// called there might open yet another loop that fails again, so the error
// travels to the caller as a RuntimeError instead. `answer`, when given,
// receives the block's substitute.
bool CallErrorBlock(const ErrorRef& error, Usual* answer = nullptr);

// The expression evaluator's state on this thread: how deep compiled blocks
// are nested, how much work the outermost evaluation has left, where its
// stack began, and the lowest stack address that it and every evaluation
// nested inside it (through error blocks and nested event loops) may reach.
struct EvalContext {
  int depth = 0;
  std::int64_t budget = 0;
  std::uintptr_t stackBase = 0;
  std::uintptr_t stackFloor = 0;  // 0: not fixed (nothing is evaluating or nested)
};
EvalContext& CurrentEvalContext();

// Native stack that an evaluation and everything nested in it may use
// together, counted from the outermost of them. Process-wide; tests may
// tighten it.
std::size_t& NestedStackLimit();
// The floor NestedStackLimit() below `from`.
std::uintptr_t NestedStackFloor(std::uintptr_t from);
// Address of the caller's frame (the stack grows downwards).
inline std::uintptr_t StackAddress() noexcept {
  return reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
}

// What runs inside (the error block showing a message box, an event handled
// by a nested event loop) evaluates on its own: it neither shares the budget
// and depth of an evaluation it interrupted nor throws into that
// evaluation's error traps. The interrupted state returns on leaving. The
// stack floor is shared, though: each nesting starts deeper, and together
// they must not exhaust the thread's stack.
class IndependentEvaluation {
 public:
  IndependentEvaluation();
  ~IndependentEvaluation();
  IndependentEvaluation(const IndependentEvaluation&) = delete;
  IndependentEvaluation& operator=(const IndependentEvaluation&) = delete;

 private:
  EvalContext saved_;
  int savedTraps_;
};

// Shorthand: builds an error with generic code, operation and description.
ErrorRef MakeError(int genCode, std::string operation, std::string description);
Usual RaiseError(int genCode, std::string operation, std::string description);

}  // namespace kt
