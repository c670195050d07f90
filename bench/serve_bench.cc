// kestrel serve, measured in one process over loopback: a click's way to the viewer (from
// the touch's end leaving the client to the last byte of the new screen's PNG) against one
// `kestrel render` of the same screen (drawSession: draw, encode, write), the bytes a
// changed screen costs (its event plus its PNG), and the host's CPU while 20 idle tabs
// watch against one. The click opens or closes the tasks plug-in's tool bar with the
// status row's menu button, so every click changes the screen.
#include <benchmark/benchmark.h>
#include <httplib.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include <nlohmann/json.hpp>

#include "bench/RatioReporter.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/Screen.h"
#include "tools/kestrel/Commands.h"
#include "tools/kestrel/PluginSession.h"
#include "tools/kestrel/RunReporter.h"
#include "tools/kestrel/SessionPicture.h"
#include "tools/kestrel/serve/FrameBoard.h"
#include "tools/kestrel/serve/LiveScreen.h"
#include "tools/kestrel/serve/WebServer.h"

namespace {

using namespace kestrel;
using namespace std::chrono_literals;
using nlohmann::json;
namespace fs = std::filesystem;

constexpr const char* kNow = "2026-12-08T14:30:00Z";

// Runs `work` on a thread while this (the main) thread pumps the run loop.
void onClient(const std::function<void()>& work) {
  std::atomic<bool> done{false};
  std::thread worker([&] {
    work();
    done.store(true);
    RunLoop::main().deferredInvoke([] {});
  });
  auto deadline = std::chrono::steady_clock::now() + 60s;
  while (!done.load() && std::chrono::steady_clock::now() < deadline) RunLoop::main().runFor(0.005);
  while (!done.load()) RunLoop::main().runFor(0.005);
  worker.join();
}

// One tab's event stream: the frames it was told of, as they arrive.
class Viewer {
 public:
  Viewer(int port, std::string cookie) : client_("127.0.0.1", port) {
    client_.set_default_headers({{"Cookie", std::move(cookie)}});
    client_.set_read_timeout(60, 0);
    thread_ = std::thread([this] {
      std::string buffer;
      client_.Get("/events", [&](const char* data, size_t length) {
        buffer.append(data, length);
        for (size_t end; (end = buffer.find("\n\n")) != std::string::npos; buffer.erase(0, end + 2)) {
          std::string event = buffer.substr(0, end);
          if (event.rfind("event: frame\ndata: ", 0) != 0) continue;
          auto frame = json::parse(event.substr(19), nullptr, false);
          std::lock_guard lock(mutex_);
          frames_.push_back({frame.value("frame", uint64_t(0)), frame.dump().find("[[[toolbar]]]") != std::string::npos,
                             event.size() + 2});
          arrived_.notify_all();
        }
        return !stopping_.load();
      });
    });
  }
  ~Viewer() {
    stopping_.store(true);
    client_.stop();
    thread_.join();
  }
  struct Seen {
    uint64_t frame = 0;
    bool toolbar = false;
    size_t bytes = 0;
  };
  // The next frame newer than `after` that matches; none after the timeout.
  std::optional<Seen> next(uint64_t after, std::function<bool(const Seen&)> wanted, std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    std::optional<Seen> found;
    arrived_.wait_for(lock, wait, [&] {
      for (const auto& seen : frames_)
        if (seen.frame > after && (!wanted || wanted(seen))) found = seen;
      return found.has_value();
    });
    return found;
  }

 private:
  httplib::Client client_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<Seen> frames_;
};

class ServedBench {
 public:
  static ServedBench& shared() {
    if (!instance()) instance().reset(new ServedBench());
    return *instance();
  }
  static void tearDown() { instance().reset(); }
  bool ok() const { return server_ != nullptr; }

  ServedBench() {
    root_ = (fs::temp_directory_path() / ("kestrel-serve-bench-" + std::to_string(::getpid()))).string();
    std::vector<std::string> fixture{"--root", root_, "--now", kNow, "--tz", "Europe/Berlin"};
    // The generator's report line would land in the benchmark's table.
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    const int status = tool::runFixture(fixture);
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    ::close(null);
    if (status != 0) return;
    ui::Screen::setScale(2);
    ui::Screen::setSize({320, 480});
    tool::CommandLine line("bench", "", "", tool::sessionOptions());
    auto parsed = line.parse(std::vector<std::string>{"--plugin", TW_PLUGIN_PATH, "--root", root_, "--now", kNow,
                                                      "--tz", "Europe/Berlin"});
    tool::PluginSession::Failure failure;
    if (parsed) session_ = tool::PluginSession::open(*parsed, &failure);
    if (!session_) return;
    screen_ = std::make_unique<tool::serve::LiveScreen>(*session_, board_, tool::serve::ScreenSize{320, 480, 2});
    server_ = std::make_unique<tool::serve::WebServer>(board_, *screen_, nullptr);
    std::string error;
    if (!server_->start("127.0.0.1", 0, &error)) {
      server_.reset();
      return;
    }
    screen_->redraw();
    devNull_ = std::fopen("/dev/null", "w");
    reporter_ = std::make_unique<tool::RunReporter>(*session_, devNull_, std::nullopt);
    reporter_->setAfterReport([this] { screen_->scheduleRedraw(); });
    reporter_->start();
  }
  ~ServedBench() {
    if (reporter_) reporter_->stop();
    reporter_.reset();
    if (server_) server_->stop();
    if (screen_) screen_->release();
    server_.reset();
    screen_.reset();
    session_.reset();
    if (devNull_) std::fclose(devNull_);
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  std::string cookie() const { return "kestrel-" + std::to_string(server_->port()) + "=" + server_->token(); }
  int port() const { return server_->port(); }
  tool::PluginSession& session() { return *session_; }
  tool::serve::FrameBoard& board() { return board_; }
  const std::string& root() const { return root_; }

 private:
  static std::unique_ptr<ServedBench>& instance() {
    static std::unique_ptr<ServedBench> bench;
    return bench;
  }

  std::string root_;
  std::unique_ptr<tool::PluginSession> session_;
  tool::serve::FrameBoard board_;
  std::unique_ptr<tool::serve::LiveScreen> screen_;
  std::unique_ptr<tool::serve::WebServer> server_;
  std::FILE* devNull_ = nullptr;
  std::unique_ptr<tool::RunReporter> reporter_;
};

std::string touchBody(uint64_t frame, const char* phase, double x, double y) {
  return json{{"frame", frame}, {"phase", phase}, {"x", x}, {"y", y}}.dump();
}

void BM_RenderOnce(benchmark::State& state) {
  auto& bench = ServedBench::shared();
  if (!bench.ok()) return state.SkipWithError("the served device could not be set up");
  const std::string out = bench.root() + "/render.png";
  for (auto _ : state) {
    tool::DrawnPicture drawn = tool::drawSession(bench.session(), out, 320, 2);
    if (!drawn.ok) return state.SkipWithError(drawn.error.c_str());
  }
}
BENCHMARK(BM_RenderOnce)->Unit(benchmark::kMillisecond)->Iterations(30);

// The drawing and encoding alone, without the file render writes (and flushes).
void BM_DrawAndEncodeOnce(benchmark::State& state) {
  auto& bench = ServedBench::shared();
  if (!bench.ok()) return state.SkipWithError("the served device could not be set up");
  for (auto _ : state) {
    tool::SessionScreen screen = tool::drawSessionScreen(bench.session(), 320, 2);
    auto png = screen.image.encodePNG();
    tool::releaseSessionScreen(bench.session(), screen);
    benchmark::DoNotOptimize(png);
  }
}
BENCHMARK(BM_DrawAndEncodeOnce)->Unit(benchmark::kMillisecond)->Iterations(30);

void BM_ClickToLastByte(benchmark::State& state) {
  auto& bench = ServedBench::shared();
  if (!bench.ok()) return state.SkipWithError("the served device could not be set up");
  Viewer viewer(bench.port(), bench.cookie());
  httplib::Client client("127.0.0.1", bench.port());
  client.set_default_headers({{"Cookie", bench.cookie()}});
  size_t bytes = 0, screens = 0;
  for (auto _ : state) {
    auto latest = bench.board().latest();
    const uint64_t shown = latest->number;
    const bool open = latest->meta.find("[[[toolbar]]]") != std::string::npos;
    double seconds = 0;
    bool failed = false;
    onClient([&] {
      // The status row's menu button, as the page finds it.
      json meta = json::parse(latest->meta);
      double x = 0, y = 0;
      for (const auto& target : meta["targets"])
        if (target["name"] == "toggleMenuClicked:") {
          x = target["x"].get<double>() + target["width"].get<double>() / 2;
          y = target["y"].get<double>() + target["height"].get<double>() / 2;
          break;
        }
      client.Post("/touch", touchBody(shown, "begin", x, y), "application/json");
      // The lit button's frame comes before the click's end, as a finger rests a moment.
      auto lit = viewer.next(shown, nullptr, 500ms);
      const auto start = std::chrono::steady_clock::now();
      client.Post("/touch", touchBody(shown, "end", x, y), "application/json");
      auto changed = viewer.next(lit ? lit->frame : shown, [&](const Viewer::Seen& s) { return s.toolbar != open; }, 10s);
      if (!changed) {
        failed = true;
        return;
      }
      auto picture = client.Get("/screen.png");
      seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if (!picture || picture->status != 200) {
        failed = true;
        return;
      }
      bytes += changed->bytes + picture->body.size();
      ++screens;
    });
    if (failed) return state.SkipWithError("the click's screen did not arrive");
    state.SetIterationTime(seconds);
  }
  state.counters["bytes_per_screen"] = screens ? double(bytes) / double(screens) : 0;
}
BENCHMARK(BM_ClickToLastByte)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(30);

double processCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The host's CPU per second of real time while `tabs` viewers watch an unchanging screen.
void BM_IdleTabs(benchmark::State& state) {
  auto& bench = ServedBench::shared();
  if (!bench.ok()) return state.SkipWithError("the served device could not be set up");
  std::vector<std::unique_ptr<Viewer>> viewers;
  for (int i = 0; i < state.range(0); ++i) viewers.push_back(std::make_unique<Viewer>(bench.port(), bench.cookie()));
  for (auto& viewer : viewers) viewer->next(0, nullptr, 10s);
  RunLoop::main().runFor(1.5);  // the first ticks after connecting
  double cpu = 0, wall = 0;
  for (auto _ : state) {
    const double cpu0 = processCpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    RunLoop::main().runFor(5.0);
    cpu += processCpuSeconds() - cpu0;
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    state.SetIterationTime(processCpuSeconds() - cpu0);
  }
  state.counters["cpu_ms_per_s"] = wall > 0 ? 1000 * cpu / wall : 0;
  onClient([&] { viewers.clear(); });
}
BENCHMARK(BM_IdleTabs)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
  RunLoop::setMainThread();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  kestrel::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatio("click to the new screen's last byte against one render", "BM_ClickToLastByte",
                      "BM_RenderOnce");
  reporter.printRatio("click to the new screen's last byte against drawing and encoding it", "BM_ClickToLastByte",
                      "BM_DrawAndEncodeOnce");
  ServedBench::tearDown();
  benchmark::Shutdown();
  return 0;
}
