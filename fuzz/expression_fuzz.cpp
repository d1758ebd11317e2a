// Fuzz target for the expression compiler and evaluator: every input is
// compiled as a whole codeblock, wrapped as "{|Server| ...}", and as a bare
// expression, then evaluated against a small record object, once with an
// error block that substitutes NIL and once inside an error trap.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/runtime/compiler/macro.h"
#include "platform/runtime/runtime.h"

namespace {

using namespace kt;

class FuzzRecord : public Object {
 public:
  Ref<FuzzRecord> owner;

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass() {
    static ClassInfo info("FuzzRecord", &Object::StaticClass());
    static bool once = [] {
      info.Access<FuzzRecord>("NAME", [](FuzzRecord&) { return Usual("Müller"); });
      info.Access<FuzzRecord>("ADAT", [](FuzzRecord&) { return Usual(Date::FromYMD(2024, 1, 31)); });
      info.Access<FuzzRecord>("N1", [](FuzzRecord&) { return Usual(7); });
      info.Access<FuzzRecord>("C1", [](FuzzRecord&) { return Usual("x"); });
      info.Access<FuzzRecord>("RECNO", [](FuzzRecord&) { return Usual(3); });
      info.Access<FuzzRecord>("OWNER", [](FuzzRecord& r) { return r.owner ? Usual(r.owner) : Usual(); });
      info.Method<FuzzRecord>("TWICE", [](FuzzRecord&, Args a) {
        return a.empty() || !a[0].IsNumeric() ? Usual() : Usual(a[0].AsFloat() * 2);
      });
      return true;
    }();
    (void)once;
    return info;
  }

 protected:
  bool HasDynamicAccess(Symbol s) const override { return s == Symbol("CITY"); }
  bool DynamicAccess(Symbol s, Usual& out) override {
    if (s != Symbol("CITY")) return false;
    out = "Berlin";
    return true;
  }
};

// One table in area 1 with alias CUST and two fields.
class FuzzResolver : public WorkAreaResolver {
 public:
  int selected = 1;
  int SelectedArea() const override { return selected; }
  void SelectArea(int area) override { selected = area; }
  int AreaOf(const Object&) const override { return 0; }
  Usual FieldGet(Symbol alias, Symbol field, bool& found) override {
    found = false;
    if (alias ? alias != Symbol("CUST") : selected != 1) return Usual();
    if (field == Symbol("KDNR")) return found = true, Usual(42);
    if (field == Symbol("NAME")) return found = true, Usual("Schmidt  ");
    return Usual();
  }
  bool FieldPut(Symbol, Symbol, const Usual&) override { return false; }
  Usual AreaFunction(Symbol) override { return Usual(); }
};

struct Setup {
  Ref<FuzzRecord> record = New<FuzzRecord>();
  FuzzResolver resolver;
  Setup() {
    record->owner = New<FuzzRecord>();
    // Tighter bounds keep each run fast; the code paths are the same.
    CompilerLimits().evalBudget = 1 << 18;
    CompilerLimits().maxStringBytes = 1 << 20;
    Runtime::SetErrorBlock([](const ErrorRef&) { return Usual(); });
    Runtime::SetResolver(&resolver);
  }
};

void Run(const Codeblock& block, const Usual& server) {
  if (block.IsNull()) return;
  block(server);
  try {
    ErrorTrap trap;
    block(server, Usual(1), Usual("a"));
  } catch (const RuntimeError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Setup setup;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const Usual server(setup.record);
  Codeblock block;
  TryCompileCodeblock(text, block);
  Run(block, server);
  TryCompileCodeblock("{|Server| " + std::string(text) + "}", block);
  Run(block, server);
  TryCompileExpression("Server, Arg2", text, block);
  Run(block, server);
  return 0;
}
