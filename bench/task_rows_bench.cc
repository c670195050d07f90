// Fills, lays out and renders a lock-screen section of 20 task rows (TWTaskView, the row
// the tasks plug-in shows) at 2x, per row, against a plain cairo fill of the same area in
// the same run: the "x_fill" counter is the ratio of process CPU times.
// BM_RenderFilledTaskRows leaves the fill out, to show how the time divides between
// filling the rows and drawing them.
#include <benchmark/benchmark.h>

#include <ctime>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/PlainCairoFill.h"
#include "model/TWTask.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Device.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/Theme.h"
#include "runtime/FWApplication.h"
#include "runtime/FWImages.h"
#include "tasks/TWTaskView.h"
#include "tools/fixture/FixtureAssets.h"

namespace {

using namespace kestrel;

constexpr int kRows = 20;
constexpr double kWidth = 320;
constexpr double kScale = 2;
constexpr const char* kApplicationPath = "/var/mobile/Applications/TW/Taskwell.app";

// A device root with Taskwell's icons, the plug-in bundle and 20 varied tasks.
struct Section {
  Section() {
    root = std::filesystem::temp_directory_path() / ("kestrel-task-rows-" + std::to_string(::getpid()));
    Device::setRoot(root.string());
    Clock::fix(Date(818433000));  // 2026-12-08T14:30:00Z
    std::string error;
    if (!fixture::writeApplicationAssets(Device::path(kApplicationPath), &error))
      std::fprintf(stderr, "task_rows_bench: %s\n", error.c_str());
    bundle = Bundle::bundleAtPath(KESTREL_RESOURCES_DIR "/TWPlugin.bundle");
    FWSetImageBundle(bundle);
    app->setApplicationPath(kApplicationPath);
    app->setPluginBundle(bundle);
    const Date now = Clock::now();
    const char* titles[] = {"Pay the electricity bill 💡", "Call Anna about \"the party\"", "Quarterly report",
                            "Zahnarzttermin vereinbaren – Dr. Müller", "日本語のタスク 📋", "Back up the laptop"};
    for (int i = 0; i < kRows; ++i) {
      TWTaskInit init;
      init.key = std::to_string(i + 1);
      init.title = titles[i % 6];
      init.dueDate = now.addingTimeInterval((i - 6) * 43200.0);
      if (i % 3 == 0) init.startDate = init.dueDate.addingTimeInterval(-86400.0 * (i % 4));
      init.hasStartTime = i % 2 == 0;
      init.allDay = i % 5 == 0;
      init.calendar = i % 2 ? "Work" : "Home";
      init.calendarColor = Color(0.2, 0.5, 0.9, 1);
      auto t = TWTask::twTaskWithKey(init);
      t->setImportance(i % 4 == 0 ? 1 : i % 4 == 1 ? 5 : 0);
      t->setPriority(i % 3 == 0 ? "A1" : "");
      t->setProject(i % 3 == 1 ? "Trip to Lisbon" : "");
      t->setFlagged(i % 4 == 2);
      t->setAction(i % 7);
      t->setParent(i % 6 == 0);
      t->setContextClassification(i % 2);
      tasks.push_back(t);
    }
    list = std::make_shared<ui::View>(ui::Rect{0, 0, kWidth, 0});
    list->setBackgroundColor(Color::white(0, 0.6));
    for (int i = 0; i < kRows; ++i) {
      auto row = std::make_shared<TWTaskView>(ui::Rect{0, 0, kWidth, 0}, theme, app);
      rows.push_back(row);
      list->addSubview(row);
    }
    fill();
  }
  ~Section() {
    rows.clear();
    list.reset();
    FWSetImageBundle(nullptr);
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }

  // Fills every row and stacks them at their heights, as the host does.
  void fill() {
    double y = 0;
    const double height = TWTaskView::heightOfSummaryRowWithFont(*theme->summaryStyle.font, false, true) +
                          FWListView::heightOfDetailRowWithFont(*theme->detailStyle.font) + 3;
    for (int i = 0; i < kRows; ++i) {
      rows[i]->setViewForTask(tasks[i], theme, app, TWTaskViewSettings{.sourceIcon = 3});
      rows[i]->setFrame({0, y, kWidth, height});
      y += height;
    }
    list->setFrame({0, 0, kWidth, y});
  }

  std::filesystem::path root;
  std::shared_ptr<Bundle> bundle;
  Ref<FWApplication> app = std::make_shared<FWApplication>();
  std::shared_ptr<const KSTheme> theme = std::make_shared<const KSTheme>(ui::defaultLockScreenTheme(kScale));
  std::vector<Ref<TWTask>> tasks;
  std::vector<std::shared_ptr<TWTaskView>> rows;
  std::shared_ptr<ui::View> list;
};

Section& section() {
  static Section s;
  return s;
}

// The reference: a new surface of the section's pixel size, filled once with cairo.
void plainFill() {
  const ui::Rect frame = section().list->frame();
  kestrel::bench::plainCairoFill(frame.width(), frame.height(), kScale);
}

// Process CPU time: the ratio stays meaningful on a machine busy with other work.
double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double secondsPerCall(void (*f)(), int calls) {
  const double start = cpuSeconds();
  for (int i = 0; i < calls; ++i) f();
  return (cpuSeconds() - start) / calls;
}

void perRow(benchmark::State& state) {
  state.counters["per_row"] = benchmark::Counter(
      double(kRows), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

template <bool Fill>
void layOutAndRender(benchmark::State& state) {
  Section& s = section();
  const double reference = secondsPerCall(plainFill, 50);
  const double start = cpuSeconds();
  for (auto _ : state) {
    if (Fill)
      s.fill();
    else
      for (const auto& row : s.rows) row->setNeedsLayout();
    ui::Bitmap picture = ui::renderViewToImage(*s.list, kScale);
    benchmark::DoNotOptimize(picture.data());
  }
  const double perSection = (cpuSeconds() - start) / double(state.iterations());
  perRow(state);
  state.counters["x_fill"] = perSection / reference;
}

void BM_PlainCairoFill(benchmark::State& state) {
  section();
  for (auto _ : state) plainFill();
  perRow(state);
}
BENCHMARK(BM_PlainCairoFill)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

void BM_FillLayOutAndRenderTaskRows(benchmark::State& state) { layOutAndRender<true>(state); }
BENCHMARK(BM_FillLayOutAndRenderTaskRows)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

void BM_RenderFilledTaskRows(benchmark::State& state) { layOutAndRender<false>(state); }
BENCHMARK(BM_RenderFilledTaskRows)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
