#include <gtest/gtest.h>

#include "platform/runtime/error.h"
#include "platform/runtime/runtime.h"

namespace kt {
namespace {

class Person : public Object {
 public:
  std::string name = "Anna";
  int calls = 0;

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass() {
    static ClassInfo info("Person", &Object::StaticClass());
    static bool once = [] {
      info.Access<Person>("Name", [](Person& p) { return Usual(p.name); });
      info.Assign<Person>("Name", [](Person& p, const Usual& v) { p.name = std::string(v.AsStringView()); });
      info.Method<Person>("Greet", [](Person& p, Args args) {
        ++p.calls;
        return Usual("Hallo " + std::string(args.empty() ? p.name : args[0].AsStringView()));
      });
      return true;
    }();
    (void)once;
    return info;
  }
};

// Members that exist per instance, as a data server's fields do.
class Record : public Person {
 protected:
  bool HasDynamicAccess(Symbol s) const override { return s == Symbol("City"); }
  bool DynamicAccess(Symbol s, Usual& out) override {
    if (s != Symbol("City")) return false;
    out = "Berlin";
    return true;
  }
};

TEST(Object, LateBindingByName) {
  Ref<Person> p = New<Person>();
  Usual u(p);
  EXPECT_TRUE(IsAccess(u, "NAME"));
  EXPECT_TRUE(IsAssign(u, "name"));
  EXPECT_TRUE(IsMethod(u, "greet"));
  EXPECT_FALSE(IsMethod(u, "Name"));
  EXPECT_EQ(IVarGet(u, "Name"), Usual("Anna"));
  IVarPut(u, "Name", "Bert");
  EXPECT_EQ(p->name, "Bert");
  const Usual arg[] = {"Carl"};
  EXPECT_EQ(Send(u, "Greet", arg), Usual("Hallo Carl"));
  EXPECT_TRUE(p->IsInstanceOf("person"));
  EXPECT_TRUE(p->IsInstanceOf("Object"));
  EXPECT_FALSE(p->IsInstanceOf("Error"));
}

TEST(Object, DynamicMembersAndInheritedTable) {
  Ref<Record> r = New<Record>();
  EXPECT_TRUE(r->HasAccess("city"));
  EXPECT_EQ(r->Access("CITY"), Usual("Berlin"));
  EXPECT_EQ(r->Access("Name"), Usual("Anna"));
}

TEST(Object, UnknownNamesRaiseNoMethod) {
  ScopedRuntime rt;
  std::vector<ErrorRef> errors;
  Runtime::SetErrorBlock([&](const ErrorRef& e) {
    errors.push_back(e);
    return Usual("substitute");
  });
  Ref<Person> p = New<Person>();
  EXPECT_EQ(p->Access("Missing"), Usual("substitute"));
  EXPECT_EQ(Send(Usual(42), "Greet"), Usual("substitute"));
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0]->GenCode, gen::NoMethod);
  EXPECT_NE(errors[0]->Description.find("MISSING"), std::string::npos);
}

TEST(Object, ReferencesOwnTheObject) {
  struct Probe : Object {
    bool* alive;
    explicit Probe(bool* a) : alive(a) { *alive = true; }
    ~Probe() override { *alive = false; }
  };
  bool alive = false;
  {
    Usual u(New<Probe>(&alive));
    Usual copy = u;
    EXPECT_TRUE(alive);
  }
  EXPECT_FALSE(alive);
}

TEST(Error, PropertiesAreReadableByName) {
  ErrorRef e = MakeError(gen::Open, "Open", "cannot open");
  e->OsCode = 32;
  e->FileName = "TEST.DBF";
  for (const char* name : {"SubSystem", "SubCode", "GenCode", "OsCode", "Severity", "CanDefault", "CanRetry",
                           "CanSubstitute", "Operation", "Description", "FileName", "Tries", "FileHandle",
                           "SubCodeText", "Arg", "ArgType", "ArgTypeReq", "ArgNum", "FuncPtr", "FuncSym",
                           "MaxSize", "SubstituteType", "CallFuncSym"})
    EXPECT_TRUE(e->HasAccess(name)) << name;
  EXPECT_EQ(e->Access("OsCode"), Usual(32));
  e->Assign("Severity", 3);
  EXPECT_EQ(e->Severity, 3);
  EXPECT_NE(e->Summary().find("TEST.DBF"), std::string::npos);
}

TEST(Error, RaiseWithoutErrorBlockThrows) {
  ScopedRuntime rt;
  Runtime::SetErrorBlock(nullptr);
  EXPECT_THROW(RaiseError(gen::Arg, "x", "y"), RuntimeError);
}

}  // namespace
}  // namespace kt

namespace kt {
namespace {

// Only New hands an object to its references; a reference to anything else
// (a local, a member, a widget owned by its parent) never deletes it.
TEST(Object, RawPointersNeverHandOverOwnership) {
  struct Probe : Object {
    bool* alive;
    explicit Probe(bool* a) : alive(a) { *alive = true; }
    ~Probe() override { *alive = false; }
  };
  bool alive = false;
  {
    Probe local(&alive);
    { Ref<Probe> r(&local); }
    { Usual u(&local); }
    { Ref<Object> r = static_cast<Object*>(&local); }
    EXPECT_TRUE(alive);
    EXPECT_EQ(local.RefCount(), 0);
  }
  EXPECT_FALSE(alive);
}

TEST(Object, WeakReferencesFollowTheLifetime) {
  WeakRef<Person> weak, copy;
  {
    Ref<Person> p = New<Person>();
    weak = WeakRef<Person>(p.get());
    copy = weak;
    EXPECT_EQ(weak.get(), p.get());
    EXPECT_EQ(p->RefCount(), 1) << "a weak reference does not count";
    EXPECT_EQ(copy.Lock()->name, "Anna");
  }
  EXPECT_FALSE(weak.Alive());
  EXPECT_EQ(copy.get(), nullptr);
  EXPECT_FALSE(copy.Lock());
  {
    Person local;  // not owned by references, gone at the end of its scope
    weak = WeakRef<Person>(&local);
    EXPECT_TRUE(weak.Alive());
  }
  EXPECT_EQ(weak.get(), nullptr);
}

}  // namespace
}  // namespace kt
