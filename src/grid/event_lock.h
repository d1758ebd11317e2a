#pragma once
// Sets the grid's event lock for a scope and restores its previous state, so
// nested reactions keep the lock until the outermost one ends.

namespace kt {

struct LockScope {
  bool& lock;
  bool saved;
  explicit LockScope(bool& l) : lock(l), saved(l) { lock = true; }
  ~LockScope() { lock = saved; }
  LockScope(const LockScope&) = delete;
  LockScope& operator=(const LockScope&) = delete;
};

}  // namespace kt
