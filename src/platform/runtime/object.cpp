#include "platform/runtime/object.h"

#include "platform/runtime/error.h"

namespace kt {

bool ClassInfo::IsA(Symbol className) const {
  for (const ClassInfo* c = this; c; c = c->parent_)
    if (c->sym_ == className) return true;
  return false;
}

const ClassInfo::AccessFn* ClassInfo::FindAccess(Symbol name) const {
  for (const ClassInfo* c = this; c; c = c->parent_) {
    auto it = c->accesses_.find(name);
    if (it != c->accesses_.end()) return &it->second;
  }
  return nullptr;
}

const ClassInfo::AssignFn* ClassInfo::FindAssign(Symbol name) const {
  for (const ClassInfo* c = this; c; c = c->parent_) {
    auto it = c->assigns_.find(name);
    if (it != c->assigns_.end()) return &it->second;
  }
  return nullptr;
}

const ClassInfo::MethodFn* ClassInfo::FindMethod(Symbol name) const {
  for (const ClassInfo* c = this; c; c = c->parent_) {
    auto it = c->methods_.find(name);
    if (it != c->methods_.end()) return &it->second;
  }
  return nullptr;
}

const ClassInfo& Object::StaticClass() {
  static const ClassInfo info("Object", nullptr);
  return info;
}

bool Object::HasMethod(Symbol name) const { return Class().FindMethod(name) || HasDynamicMethod(name); }
bool Object::HasAccess(Symbol name) const { return Class().FindAccess(name) || HasDynamicAccess(name); }
bool Object::HasAssign(Symbol name) const { return Class().FindAssign(name) || HasDynamicAssign(name); }

Usual Object::Send(Symbol name, Args args) {
  if (const auto* fn = Class().FindMethod(name)) return (*fn)(*this, args);
  Usual result;
  if (DynamicSend(name, args, result)) return result;
  return NoMethod(name, args);
}

Usual Object::Access(Symbol name) {
  if (const auto* fn = Class().FindAccess(name)) return (*fn)(*this);
  Usual result;
  if (DynamicAccess(name, result)) return result;
  return NoAccess(name);
}

void Object::Assign(Symbol name, const Usual& value) {
  if (const auto* fn = Class().FindAssign(name)) {
    (*fn)(*this, value);
    return;
  }
  if (DynamicAssign(name, value)) return;
  NoAssign(name, value);
}

Usual Object::NoMethod(Symbol name, Args) {
  auto e = MakeError(gen::NoMethod, "Send", "No exported method: " + ClassName() + ":" + name.Name());
  e->FuncSym = name;
  return Raise(e);
}

Usual Object::NoAccess(Symbol name) {
  auto e = MakeError(gen::NoMethod, "Access", "No exported variable or access: " + ClassName() + ":" + name.Name());
  e->FuncSym = name;
  return Raise(e);
}

void Object::NoAssign(Symbol name, const Usual& value) {
  auto e = MakeError(gen::NoMethod, "Assign", "No exported variable or assign: " + ClassName() + ":" + name.Name());
  e->FuncSym = name;
  e->Arg = value;
  Raise(e);
}

namespace {

Usual NotAnObject(const char* operation, const Usual& target, Symbol name) {
  auto e = MakeError(gen::NoMethod, operation,
                     std::string("Not an object (type ") + target.TypeLetter() + "): " + name.Name());
  e->Arg = target;
  e->FuncSym = name;
  return Raise(e);
}

}  // namespace

bool IsMethod(const Usual& target, Symbol name) {
  const Object* o = target.AsObject();
  return o && o->HasMethod(name);
}
bool IsAccess(const Usual& target, Symbol name) {
  const Object* o = target.AsObject();
  return o && o->HasAccess(name);
}
bool IsAssign(const Usual& target, Symbol name) {
  const Object* o = target.AsObject();
  return o && o->HasAssign(name);
}

Usual Send(const Usual& target, Symbol name, Args args) {
  if (Object* o = target.AsObject()) return o->Send(name, args);
  return NotAnObject("Send", target, name);
}

Usual IVarGet(const Usual& target, Symbol name) {
  if (Object* o = target.AsObject()) return o->Access(name);
  return NotAnObject("Access", target, name);
}

void IVarPut(const Usual& target, Symbol name, const Usual& value) {
  if (Object* o = target.AsObject()) o->Assign(name, value);
  else NotAnObject("Assign", target, name);
}

}  // namespace kt
