// Lays out and renders a lock-screen list of 20 rows of labels, per row, against a plain
// cairo fill of the same area measured in the same run; the "x_fill" counter is the ratio.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

#include "bench/PlainCairoFill.h"
#include "platform/ui/Label.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/Theme.h"
#include "platform/ui/View.h"

namespace {

using namespace kestrel;
using namespace kestrel::ui;

constexpr int kRows = 20;
constexpr double kRowHeight = 36;
constexpr double kWidth = 320;
constexpr double kScale = 2;

// A summary line with a detail line under it; the detail takes what the date leaves.
class RowView : public View {
 public:
  RowView(const Rect& frame, const KSTheme& theme, int index) : View(frame) {
    summary_ = std::make_shared<Label>();
    summary_->setFont(theme.summaryStyle.font);
    summary_->setTextColor(theme.summaryStyle.textColor);
    summary_->setShadowColor(theme.summaryStyle.shadowColor);
    summary_->setText("Task number " + std::to_string(index) + ": call the plumber about the kitchen tap");
    date_ = std::make_shared<Label>();
    date_->setFont(theme.detailStyle.font);
    date_->setTextColor(theme.detailStyle.textColor);
    date_->setText("8 Dec 2026 14:30");
    detail_ = std::make_shared<Label>();
    detail_->setFont(theme.detailStyle.font);
    detail_->setTextColor(theme.detailStyle.textColor);
    detail_->setText("Home — bring the spare washers from the garage shelf");
    for (auto& label : {summary_, date_, detail_}) addSubview(label);
    setAutoresizingMask(ViewAutoresizingFlexibleWidth);
  }

  void layoutSubviews() override {
    const double w = bounds().width();
    summary_->setFrame({24, 1, w - 30, summary_->font()->leading()});
    Size date = sizeWithFont(date_->text(), *date_->font());
    date_->setFrame({24, 18, date.width, date.height});
    detail_->setFrame({24 + date.width + 6, 18, w - date.width - 36, date.height});
  }

 private:
  std::shared_ptr<Label> summary_, date_, detail_;
};

std::shared_ptr<View> makeList() {
  static const KSTheme theme = defaultLockScreenTheme(kScale);
  auto list = std::make_shared<View>(Rect{0, 0, kWidth, kRows * kRowHeight});
  list->setBackgroundColor(Color::white(0, 0.6));
  for (int i = 0; i < kRows; ++i) {
    list->addSubview(std::make_shared<RowView>(Rect{0, i * kRowHeight, kWidth, kRowHeight}, theme, i));
  }
  return list;
}

// The reference: a new surface of the list's pixel size, filled once with cairo.
void plainFill() {
  kestrel::bench::plainCairoFill(kWidth, kRows * kRowHeight, kScale);
}

double secondsPerCall(void (*f)(), int calls) {
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < calls; ++i) f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / calls;
}

void rowsPerSecond(benchmark::State& state, int64_t rowsPerIteration) {
  state.counters["per_row"] =
      benchmark::Counter(double(rowsPerIteration), benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

void BM_PlainCairoFill(benchmark::State& state) {
  for (auto _ : state) plainFill();
  rowsPerSecond(state, kRows);
}
BENCHMARK(BM_PlainCairoFill)->Unit(benchmark::kMicrosecond);

void BM_LayoutAndRenderList(benchmark::State& state) {
  auto list = makeList();
  const double reference = secondsPerCall(plainFill, 50);
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    for (const auto& row : list->subviews()) row->setNeedsLayout();
    Bitmap picture = renderViewToImage(*list, kScale);
    benchmark::DoNotOptimize(picture.data());
  }
  const double perList = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
                         double(state.iterations());
  rowsPerSecond(state, kRows);
  state.counters["x_fill"] = perList / reference;
}
BENCHMARK(BM_LayoutAndRenderList)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
