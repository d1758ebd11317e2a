// Expression compiler and evaluator: evaluating compiled codeblocks against
// an in-memory record (the grid does this per visible cell) and compiling
// short expressions (column and condition texts).
#include <benchmark/benchmark.h>

#include "platform/runtime/compiler/macro.h"
#include "platform/runtime/runtime.h"

namespace {

using namespace kt;

class Record : public Object {
 public:
  std::string name = "Müller-Lüdenscheidt";
  Date adat = Date::FromYMD(2024, 1, 31);
  std::int64_t n1 = 7;
  std::string c1 = "x";

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass() {
    static ClassInfo info("Record", &Object::StaticClass());
    static bool once = [] {
      info.Access<Record>("NAME", [](Record& r) { return Usual(r.name); });
      info.Access<Record>("ADAT", [](Record& r) { return Usual(r.adat); });
      info.Access<Record>("N1", [](Record& r) { return Usual(static_cast<long long>(r.n1)); });
      info.Access<Record>("C1", [](Record& r) { return Usual(r.c1); });
      return true;
    }();
    (void)once;
    return info;
  }
};

void BM_EvalConcat(benchmark::State& state) {
  Ref<Record> record = New<Record>();
  const Usual server(record);
  const Codeblock block = CompileCodeblock("{|Server| Upper(Server:NAME) + DToS(Server:ADAT)}");
  for (auto _ : state) benchmark::DoNotOptimize(block.Eval(Args(&server, 1)));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvalConcat);

void BM_EvalLogic(benchmark::State& state) {
  Ref<Record> record = New<Record>();
  const Usual server(record);
  const Codeblock block = CompileCodeblock("{|s| s:N1 * 2 + 1 > 10 .AND. !Empty(s:C1)}");
  for (auto _ : state) benchmark::DoNotOptimize(block.Eval(Args(&server, 1)));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvalLogic);

void BM_Compile(benchmark::State& state) {
  const char* texts[] = {
      "{|Server| Upper(Server:NAME) + DToS(Server:ADAT)}",
      "{|s| s:N1 * 2 + 1 > 10 .AND. !Empty(s:C1)}",
      "{|Server, Column, Row| Server:ADAT < CToD('01.01.91')}",
      "{|Server| Server:RecNo % 2 > 0}",
      "{|Server| IIF(Server:WEIBLICH, 'Frau', 'Herr') + ' ' + Trim(Server:NAME)}",
  };
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(CompileCodeblock(texts[i]));
    i = (i + 1) % (sizeof texts / sizeof texts[0]);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Compile);

}  // namespace
