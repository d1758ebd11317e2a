// Opening an editor on a cell of a 1280x800 grid over 1,000,000 records,
// typing a new value and closing it with a write, per iteration.
#include <benchmark/benchmark.h>

#include <QLineEdit>

#include "grid_bench_fixture.h"
#include "platform/gui/controls.h"

namespace kt {
namespace {

using namespace gridbench;

void BM_EditOpenClose(benchmark::State& state, bool dbf) {
  Fixture f(Server(dbf));
  kTable* grid = f.grid;
  grid->Editable(true);
  for (const auto& c : grid->ColumnList()) c->Editable(true);
  grid->setFocus();
  grid->GoTop();
  grid->Skip(Usual(5));
  grid->CurrentColumn(2);  // NAME
  QApplication::processEvents();
  const QString texts[] = {QStringLiteral("Edited A"), QStringLiteral("Edited B")};
  std::int64_t n = 0, failed = 0;
  for (auto _ : state) {
    if (!grid->Edit()) {
      ++failed;
      continue;
    }
    auto* edit = qobject_cast<QLineEdit*>(grid->EditControlObject()->Widget());
    if (edit) edit->setText(texts[n++ % 2]);
    if (!grid->EditClose()) {
      ++failed;
      grid->EditCancel();
    }
  }
  state.counters["failed"] = double(failed);
  // The array server is shared by every benchmark: the record gets its name back.
  grid->Edit();
  if (auto* c = grid->EditControlObject())
    if (auto* edit = qobject_cast<QLineEdit*>(c->Widget())) edit->setText("Name 6");
  grid->EditClose();
}

BENCHMARK_CAPTURE(BM_EditOpenClose, array, false)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EditOpenClose, dbf, true)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kt
