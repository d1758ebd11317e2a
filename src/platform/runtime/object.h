#pragma once
// Object: base of every class that takes part in late binding. A class
// describes its methods, accesses and assigns once in a ClassInfo table
// (linked to its base class's table); lookups by Symbol go through that
// table, then through the Dynamic* hooks that classes with run-time members
// (table fields of a data server) override.
#include <functional>
#include <string>
#include <unordered_map>

#include "platform/runtime/usual.h"

namespace kt {

class Object;

class ClassInfo {
 public:
  using AccessFn = std::function<Usual(Object&)>;
  using AssignFn = std::function<void(Object&, const Usual&)>;
  using MethodFn = std::function<Usual(Object&, Args)>;

  ClassInfo(std::string name, const ClassInfo* parent) : name_(std::move(name)), sym_(name_), parent_(parent) {}
  ClassInfo(const ClassInfo&) = delete;
  ClassInfo& operator=(const ClassInfo&) = delete;

  const std::string& Name() const { return name_; }
  Symbol NameSym() const { return sym_; }
  const ClassInfo* Parent() const { return parent_; }
  bool IsA(Symbol className) const;

  // Typed registration helpers: T is the class the table belongs to.
  template <class T>
  ClassInfo& Access(Symbol name, std::function<Usual(T&)> fn) {
    accesses_[name] = [fn = std::move(fn)](Object& o) { return fn(static_cast<T&>(o)); };
    return *this;
  }
  template <class T>
  ClassInfo& Assign(Symbol name, std::function<void(T&, const Usual&)> fn) {
    assigns_[name] = [fn = std::move(fn)](Object& o, const Usual& v) { fn(static_cast<T&>(o), v); };
    return *this;
  }
  template <class T>
  ClassInfo& Method(Symbol name, std::function<Usual(T&, Args)> fn) {
    methods_[name] = [fn = std::move(fn)](Object& o, Args a) { return fn(static_cast<T&>(o), a); };
    return *this;
  }

  // Lookups walk up the base classes; null when nobody declares the name.
  const AccessFn* FindAccess(Symbol name) const;
  const AssignFn* FindAssign(Symbol name) const;
  const MethodFn* FindMethod(Symbol name) const;

 private:
  std::string name_;
  Symbol sym_;
  const ClassInfo* parent_;
  std::unordered_map<Symbol, AccessFn> accesses_;
  std::unordered_map<Symbol, AssignFn> assigns_;
  std::unordered_map<Symbol, MethodFn> methods_;
};

class Object : public RefCounted {
 public:
  Object() = default;
  ~Object() override = default;

  // The class table; every subclass that registers names overrides this and
  // returns a static table whose parent is the base class's table.
  virtual const ClassInfo& Class() const { return StaticClass(); }
  static const ClassInfo& StaticClass();

  const std::string& ClassName() const { return Class().Name(); }
  bool IsInstanceOf(Symbol className) const { return Class().IsA(className); }

  bool HasMethod(Symbol name) const;
  bool HasAccess(Symbol name) const;
  bool HasAssign(Symbol name) const;

  // Late-bound calls. An unknown name raises a runtime error (no exported
  // method / access / assign) and gives the error block's substitute.
  Usual Send(Symbol name, Args args = {});
  Usual Access(Symbol name);
  void Assign(Symbol name, const Usual& value);

 protected:
  // Members that exist per instance rather than per class.
  virtual bool HasDynamicAccess(Symbol) const { return false; }
  virtual bool HasDynamicAssign(Symbol) const { return false; }
  virtual bool HasDynamicMethod(Symbol) const { return false; }
  virtual bool DynamicAccess(Symbol, Usual&) { return false; }
  virtual bool DynamicAssign(Symbol, const Usual&) { return false; }
  virtual bool DynamicSend(Symbol, Args, Usual&) { return false; }
  // Called when nothing answers the name (the runtime's NoMethod / NoIVarGet
  // hooks); the default raises the runtime error.
  virtual Usual NoMethod(Symbol name, Args args);
  virtual Usual NoAccess(Symbol name);
  virtual void NoAssign(Symbol name, const Usual& value);
};

// Creates an object owned by its references.
template <class T, class... A>
Ref<T> New(A&&... args) {
  return MakeRef<T>(std::forward<A>(args)...);
}

// Late-bound helpers that accept any usual: non-objects answer FALSE / raise.
bool IsMethod(const Usual& target, Symbol name);
bool IsAccess(const Usual& target, Symbol name);
bool IsAssign(const Usual& target, Symbol name);
Usual Send(const Usual& target, Symbol name, Args args = {});
Usual IVarGet(const Usual& target, Symbol name);
void IVarPut(const Usual& target, Symbol name, const Usual& value);

}  // namespace kt
