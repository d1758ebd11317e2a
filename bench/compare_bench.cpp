// kTable against the platform's own table view (QTableView over BrowseModel)
// on the same 1,000,000-record array server in a 1280x800 window. Every
// figure includes painting: with the offscreen platform a repaint request
// may paint nothing, so both views are rendered into one reused QImage.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QTableView>
#include <memory>

#include "grid/browse_model.h"
#include "grid/ktable.h"
#include "servers/karrayserver.h"

namespace kt {
namespace {

constexpr int kRecords = 1000000;
constexpr int kWidth = 1280, kHeight = 800;

QApplication& App() {
  static int argc = 1;
  static char name[] = "compare_bench";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
  return app;
}

Ref<kArrayServer> Server() {
  static Ref<kArrayServer> server = [] {
    App();
    Array data;
    data.Items().reserve(kRecords);
    for (int i = 1; i <= kRecords; ++i)
      data.Add(Usual(Array{i, "Name " + std::to_string(i), "Berlin", i % 90, i % 3 == 0}));
    return New<kArrayServer>(Usual(Array{Usual(Array{"ID", "N", 8, 0}), Usual(Array{"NAME", "C", 20, 0}),
                                         Usual(Array{"CITY", "C", 15, 0}), Usual(Array{"AGE", "N", 3, 0}),
                                         Usual(Array{"ACTIVE", "L", 1, 0})}),
                             Usual(data));
  }();
  return server;
}

QImage& Canvas() {
  static QImage image(kWidth, kHeight, QImage::Format_RGB32);
  return image;
}

// One view over the server, shown in its own window.
class View {
 public:
  virtual ~View() = default;
  virtual QWidget* Widget() = 0;
  virtual void LineDown() = 0;
  virtual void PageDown() = 0;
  virtual void ThumbToEnd() = 0;
  virtual void Top() = 0;
  void Paint() {
    Widget()->render(&Canvas());
    benchmark::DoNotOptimize(Canvas().constBits());
  }
};

class GridView : public View {
 public:
  GridView() {
    grid_ = std::make_unique<kTable>();
    grid_->resize(kWidth, kHeight);
    Server()->GoTop();
    grid_->Use(Usual(Server()));
    grid_->show();
  }
  QWidget* Widget() override { return grid_.get(); }
  void LineDown() override {
    grid_->VerticalScroll(kTable::kLineForward);
    grid_->VerticalScroll(kTable::kScrollEnd);
  }
  void PageDown() override {
    grid_->VerticalScroll(kTable::kPageForward);
    grid_->VerticalScroll(kTable::kScrollEnd);
  }
  void ThumbToEnd() override {
    grid_->VerticalScroll(kTable::kThumb, grid_->VerticalScrollBar()->maximum());
    grid_->VerticalScroll(kTable::kScrollEnd);
  }
  void Top() override {
    grid_->VerticalScroll(kTable::kThumb, grid_->VerticalScrollBar()->minimum());
    grid_->VerticalScroll(kTable::kScrollEnd);
  }
  std::size_t BufferedRows() const { return grid_->RowBuffer().size(); }

 private:
  std::unique_ptr<kTable> grid_;
};

class TableView : public View {
 public:
  TableView() {
    view_ = std::make_unique<QTableView>();
    view_->resize(kWidth, kHeight);
    model_ = std::make_unique<BrowseModel>(Server());
    view_->setModel(model_.get());
    view_->show();
  }
  QWidget* Widget() override { return view_.get(); }
  void LineDown() override { view_->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd); }
  void PageDown() override { view_->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd); }
  void ThumbToEnd() override { view_->verticalScrollBar()->setValue(view_->verticalScrollBar()->maximum()); }
  void Top() override { view_->verticalScrollBar()->setValue(0); }

 private:
  std::unique_ptr<BrowseModel> model_;
  std::unique_ptr<QTableView> view_;
};

std::unique_ptr<View> Make(bool grid) {
  if (grid) return std::make_unique<GridView>();
  return std::make_unique<TableView>();
}

void BM_Bind(benchmark::State& state, bool grid) {
  Server();
  for (auto _ : state) {
    auto view = Make(grid);
    view->Paint();
    state.PauseTiming();
    view.reset();
    state.ResumeTiming();
  }
}

void BM_Repaint(benchmark::State& state, bool grid) {
  auto view = Make(grid);
  view->Paint();
  for (auto _ : state) view->Paint();
}

void BM_LineDown100(benchmark::State& state, bool grid) {
  auto view = Make(grid);
  view->Paint();
  for (auto _ : state)
    for (int i = 0; i < 100; ++i) {
      view->LineDown();
      view->Paint();
    }
}

void BM_PageDown20(benchmark::State& state, bool grid) {
  auto view = Make(grid);
  view->Paint();
  for (auto _ : state) {
    for (int i = 0; i < 20; ++i) {
      view->PageDown();
      view->Paint();
    }
    state.PauseTiming();
    view->Top();
    state.ResumeTiming();
  }
}

void BM_ThumbToEnd(benchmark::State& state, bool grid) {
  auto view = Make(grid);
  view->Paint();
  for (auto _ : state) {
    view->ThumbToEnd();
    view->Paint();
    state.PauseTiming();
    view->Top();
    view->Paint();
    state.ResumeTiming();
  }
  if (grid) state.counters["buffered_rows"] = double(static_cast<GridView*>(view.get())->BufferedRows());
}

template <typename F>
void Register(const char* name, F f) {
  for (bool grid : {true, false})
    benchmark::RegisterBenchmark((std::string(name) + (grid ? "/kTable" : "/QTableView")).c_str(),
                                 [f, grid](benchmark::State& s) { f(s, grid); })
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
}

const bool registered = [] {
  Register("BM_Bind", BM_Bind);
  Register("BM_Repaint", BM_Repaint);
  Register("BM_LineDown100", BM_LineDown100);
  Register("BM_PageDown20", BM_PageDown20);
  Register("BM_ThumbToEnd", BM_ThumbToEnd);
  return true;
}();

}  // namespace
}  // namespace kt
