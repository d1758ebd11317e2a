#pragma once
// Shared test doubles for the expression compiler: a record-like object with
// a class table, one with per-instance members, a fake work-area resolver,
// and helpers that compile and evaluate text.
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "platform/runtime/array.h"
#include "platform/runtime/compiler/macro.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/runtime.h"

namespace kt {

inline void PrintTo(const Usual& v, std::ostream* os) { *os << v.TypeLetter() << ":" << AsString(v); }

namespace testing_support {

// Accesses NAME, ADAT, N1, C1, RECNO, OWNER; method Twice(n); counts the
// data accesses.
class Customer : public Object {
 public:
  std::string name = "Müller";
  Date adat = Date::FromYMD(2024, 1, 31);
  Usual n1 = Usual(7);
  std::string c1 = "x";
  Ref<Customer> owner;
  int recno = 1;
  int accesses = 0;

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass() {
    static ClassInfo info("Customer", &Object::StaticClass());
    static bool once = [] {
      info.Access<Customer>("NAME", [](Customer& c) { ++c.accesses; return Usual(c.name); });
      info.Access<Customer>("ADAT", [](Customer& c) { ++c.accesses; return Usual(c.adat); });
      info.Access<Customer>("N1", [](Customer& c) { ++c.accesses; return c.n1; });
      info.Access<Customer>("C1", [](Customer& c) { ++c.accesses; return Usual(c.c1); });
      info.Access<Customer>("RECNO", [](Customer& c) { return Usual(c.recno); });
      info.Access<Customer>("OWNER", [](Customer& c) { return c.owner ? Usual(c.owner) : Usual(); });
      info.Method<Customer>("TWICE", [](Customer&, Args a) {
        return a.empty() ? Usual() : Usual(a[0].AsInteger() * 2);
      });
      return true;
    }();
    (void)once;
    return info;
  }
};

// A subclass with its own table: the send cache must tell the classes apart.
class Supplier : public Customer {
 public:
  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass() {
    static ClassInfo info("Supplier", &Customer::StaticClass());
    static bool once = [] {
      info.Access<Supplier>("NAME", [](Supplier&) { return Usual("Supplier"); });
      return true;
    }();
    (void)once;
    return info;
  }
};

// Members that exist per instance, as a data server answers its fields.
class Row : public Customer {
 public:
  std::map<std::string, Usual> fields;  // upper-case names

 protected:
  bool HasDynamicAccess(Symbol s) const override { return fields.count(s.Name()) > 0; }
  bool DynamicAccess(Symbol s, Usual& out) override {
    auto it = fields.find(s.Name());
    if (it == fields.end()) return false;
    out = it->second;
    return true;
  }
  bool HasDynamicMethod(Symbol s) const override { return s == Symbol("FIELDGET"); }
  bool DynamicSend(Symbol s, Args a, Usual& out) override {
    if (s != Symbol("FIELDGET") || a.empty()) return false;
    auto it = fields.find(std::string(a[0].AsStringView()));
    out = it == fields.end() ? Usual() : it->second;
    return true;
  }
};

// Work areas: 1 "CUST" (selected by default), 2 "ORDERS".
class FakeResolver : public WorkAreaResolver {
 public:
  std::map<int, std::map<std::string, Usual>> areas{
      {1, {{"KDNR", Usual(42)}, {"NAME", Usual("Schmidt  ")}, {"UMSATZ", Usual::Float(1234.5, 10, 2)}}},
      {2, {{"ORDERNO", Usual(7)}, {"NAME", Usual("Order")}}}};
  std::map<std::string, int> aliases{{"CUST", 1}, {"ORDERS", 2}};
  std::map<std::string, Usual> areaFunctions{{"RECNO", Usual(3)}, {"EOF", Usual(false)}, {"ALIAS", Usual("CUST")}};
  int selected = 1;

  int SelectedArea() const override { return selected; }
  void SelectArea(int area) override { selected = area; }
  int AreaOf(const Object&) const override { return 0; }
  Usual FieldGet(Symbol alias, Symbol field, bool& found) override {
    found = false;
    int area = selected;
    if (alias) {
      auto a = aliases.find(alias.Name());
      if (a == aliases.end()) return Usual();
      area = a->second;
    }
    auto ar = areas.find(area);
    if (ar == areas.end()) return Usual();
    auto f = ar->second.find(field.Name());
    if (f == ar->second.end()) return Usual();
    found = true;
    return f->second;
  }
  bool FieldPut(Symbol, Symbol, const Usual&) override { return false; }
  Usual AreaFunction(Symbol function) override {
    auto it = areaFunctions.find(function.Name());
    return it == areaFunctions.end() ? Usual() : it->second;
  }
};

// Restores the runtime after each test and collects errors handed to the
// error block (which substitutes `substitute`).
class CompilerTest : public ::testing::Test {
 protected:
  void SetUp() override { Runtime::SetErrorBlock(nullptr); }

  void CollectErrors(Usual substitute = Usual()) {
    Runtime::SetErrorBlock([this, substitute](const ErrorRef& e) {
      errors.push_back(e);
      return substitute;
    });
  }

  // Evaluates "{|| text}" (or with the given parameters and arguments).
  Usual Eval(const std::string& text, const std::string& params = "", Args args = {}) {
    Codeblock b = CompileCodeblock("{|" + params + "| " + text + "}");
    EXPECT_FALSE(b.IsNull()) << text;
    return b.Eval(args);
  }

  ScopedRuntime rt;
  std::vector<ErrorRef> errors;
};

}  // namespace testing_support
}  // namespace kt
