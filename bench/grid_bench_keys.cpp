// A key press Down with the cursor on the last full row of a 1280x800 grid
// over 1,000,000 records: from the key event to the repainted strip (the
// row that scrolled in and the cursor's old row above it, rendered into a
// reused image, since the offscreen platform may skip real paints).
#include <benchmark/benchmark.h>

#include <QImage>
#include <QKeyEvent>
#include <QRegion>

#include "grid_bench_fixture.h"

namespace kt {
namespace {

using namespace gridbench;

void BM_KeyDownAtBottom(benchmark::State& state, bool dbf) {
  Fixture f(Server(dbf));
  kTable* grid = f.grid;
  auto toBottom = [grid] {
    grid->GoTop();
    grid->Skip(Usual(grid->VisibleRowCount() - 2));
  };
  toBottom();
  QApplication::processEvents();
  QImage image(grid->size(), QImage::Format_RGB32);
  const std::int64_t first = grid->FirstVisibleRecNo();
  for (auto _ : state) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(grid, &press);
    GridRect row;
    grid->GetRowRect(grid->CurrentRow(), grid->CurrentRecNo(), row);
    const QRect strip(0, row.top - row.Height(), grid->width(), 2 * row.Height());
    grid->render(&image, strip.topLeft(), QRegion(strip));
    benchmark::DoNotOptimize(image.constBits());
    state.PauseTiming();
    QApplication::processEvents();
    if (grid->CurrentRecNo() > kRecords - 100) toBottom();
    state.ResumeTiming();
  }
  state.counters["scrolled"] = double(grid->FirstVisibleRecNo() - first);
}

BENCHMARK_CAPTURE(BM_KeyDownAtBottom, array, false)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_KeyDownAtBottom, dbf, true)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kt
