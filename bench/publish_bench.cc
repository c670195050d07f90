// Publishing a 999-row display list against the previously published one (every tenth row
// has a new version, every fiftieth pair has swapped places), per row, next to a reference
// measured in the same run: the same comparison done with a plain std::unordered_map of the
// previous keys. The program ends with the ratio publish / reference.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "bench/RatioReporter.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Device.h"
#include "runtime/FWPlugin.h"

namespace {

constexpr int kRows = 999;

// A host that only counts the rows it is sent.
class CountingHost : public KSPlugin {
 public:
  PlistValue preferences() const override { return PlistValue::dict(); }
  bool enabled() const override { return true; }
  std::shared_ptr<const kestrel::KSTheme> theme() const override { return nullptr; }
  void setDataController(kestrel::KSDataController*) override {}
  void publishData(const std::vector<Ref<KSData>>& rows) override { published += rows.size(); }
  void removeData(const std::vector<Ref<KSData>>& rows) override { removed += rows.size(); }
  void updateSectionInfo(const Ref<KSSectionInfo>&, bool) override {}
  void showPreview(const std::shared_ptr<kestrel::ui::View>&) override {}
  void dismissPreview() override {}
  void showKeyboard(const std::shared_ptr<kestrel::ui::TextField>&) override {}
  void dismissKeyboard() override {}
  bool respondsToLaunchURL() const override { return true; }
  void launchURL(const std::string&) override {}
  void launchApplicationWithIdentifier(const std::string&) override {}
  void registerRepeatNotification(const std::string&, double, double, bool, const PlistValue&) override {}
  void cancelRepeatNotification(const std::string&) override {}
  bool isRepeatNotificationRegistered(const std::string&) const override { return false; }
  void setCacheDataHeights(bool) override {}

  size_t published = 0;
  size_t removed = 0;
};

struct Lists {
  FWDisplayList before;
  FWDisplayList after;
};

Lists makeLists() {
  Lists lists;
  for (int i = 0; i < kRows; ++i)
    lists.before.push_back(std::make_shared<FWDisplayObject>(std::to_string(1000 + i * 7), 1));
  lists.after = lists.before;
  for (int i = 0; i < kRows; i += 10)
    lists.after[i] = std::make_shared<FWDisplayObject>(lists.before[i]->key(), 2);
  for (int i = 5; i + 1 < kRows; i += 50) std::swap(lists.after[i], lists.after[i + 1]);
  return lists;
}

// A device root of its own, so the controller's few start-up log lines land nowhere that matters.
struct BenchDevice {
  BenchDevice() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kestrel-bench-XXXXXX").string();
    if (::mkdtemp(tmpl.data())) root = tmpl;
    kestrel::Device::setRoot(root);
    kestrel::RunLoop::setMainThread();
    Clock::fix(Date(818433000));
  }
  ~BenchDevice() {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
  std::string root;
};

void BM_PublishList(benchmark::State& state) {
  BenchDevice device;
  auto host = std::make_shared<CountingHost>();
  auto controller = FWPlugin::create<FWPlugin>(host);
  Lists lists = makeLists();
  controller->postUpdatedList(lists.before);
  host->published = 0;
  bool forward = true;
  for (auto _ : state) {
    controller->postUpdatedList(forward ? lists.after : lists.before);
    forward = !forward;
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  state.counters["rowsSent"] = benchmark::Counter(static_cast<double>(host->published) / state.iterations());
}
BENCHMARK(BM_PublishList)->Unit(benchmark::kMicrosecond);

// The same comparison with nothing but a hash map: the floor a publisher could reach.
void BM_ReferenceMapDiff(benchmark::State& state) {
  Lists lists = makeLists();
  const FWDisplayList* previous = &lists.before;
  bool forward = true;
  size_t sent = 0;
  for (auto _ : state) {
    const FWDisplayList& next = forward ? lists.after : lists.before;
    std::unordered_map<std::string, std::pair<size_t, int32_t>> index;
    index.reserve(previous->size());
    for (size_t i = 0; i < previous->size(); ++i)
      index.emplace((*previous)[i]->key(), std::make_pair(i, (*previous)[i]->objectVersion()));
    std::vector<std::string> changed;
    for (size_t i = 0; i < next.size(); ++i) {
      auto it = index.find(next[i]->key());
      if (it == index.end() || it->second.first != i || it->second.second != next[i]->objectVersion())
        changed.push_back(next[i]->key());
      if (it != index.end()) index.erase(it);
    }
    std::vector<std::string> removed;
    for (const auto& entry : index) removed.push_back(entry.first);
    benchmark::DoNotOptimize(changed.data());
    benchmark::DoNotOptimize(removed.data());
    sent += changed.size();
    previous = &next;
    forward = !forward;
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  state.counters["rowsSent"] = benchmark::Counter(static_cast<double>(sent) / state.iterations());
}
BENCHMARK(BM_ReferenceMapDiff)->Unit(benchmark::kMicrosecond);


}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  kestrel::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double publish = reporter.time("BM_PublishList"), reference = reporter.time("BM_ReferenceMapDiff");
  if (publish >= 0 && reference > 0) {
    std::printf("publish time per row: %.3f us; ratio publish / reference map diff = %.2f\n", publish / kRows,
                publish / reference);
  }
  benchmark::Shutdown();
  return 0;
}
