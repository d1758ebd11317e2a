// kTable::CopySelection: the whole of a 100,000-record, 8-column array
// server to the clipboard (text and HTML), on a shown 1280x800 grid.
#include <benchmark/benchmark.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <string>

#include "grid_bench_fixture.h"

namespace kt {
namespace {

using namespace gridbench;

Ref<DataServer> EightColumns(int records) {
  const Usual structure(Array{Usual(Array{"ID", "N", 8, 0}), Usual(Array{"NAME", "C", 20, 0}),
                              Usual(Array{"CITY", "C", 15, 0}), Usual(Array{"AGE", "N", 3, 0}),
                              Usual(Array{"STREET", "C", 25, 0}), Usual(Array{"ZIP", "C", 5, 0}),
                              Usual(Array{"SALARY", "N", 10, 2}), Usual(Array{"ACTIVE", "L", 1, 0})});
  Array data;
  data.Items().reserve(std::size_t(records));
  for (int i = 1; i <= records; ++i)
    data.Add(Usual(Array{i, "Name " + std::to_string(i), "Berlin", i % 90, "Hauptstraße " + std::to_string(i % 300),
                         std::to_string(10000 + i % 90000), double(i) * 1.25, i % 2 == 0}));
  return New<kArrayServer>(structure, Usual(data));
}

void BM_CopySelection(benchmark::State& state) {
  const int records = int(state.range(0));
  auto server = EightColumns(records);
  Fixture f(server);
  f.grid->SelectionSet(Symbol("All"));
  if (f.grid->SelectionRowCount() != records) {
    state.SkipWithError("select-all does not select every record");
    return;
  }
  for (auto _ : state) {
    if (!f.grid->CopySelection()) {
      state.SkipWithError("nothing copied");
      break;
    }
  }
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  state.counters["text_kb"] = mime ? double(mime->text().size()) / 1024 : 0;
  state.counters["columns"] = f.grid->ColumnOpenCount();
}

BENCHMARK(BM_CopySelection)->Arg(100000)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kt
