// kestrel run as a process on the raw test plug-in: a simulated clock that delivers the
// plug-in's wake-up and the host's timers, an end by itself at --for or --until, and a clean
// end on SIGINT and SIGTERM while it runs.
#include <gtest/gtest.h>
#include <signal.h>

#include <string>
#include <vector>

#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/PlistValue.h"
#include "tests/host/HostTestSupport.h"
#include "tests/host/KestrelProcess.h"
#include "tests/support/TempDeviceRoot.h"

namespace kestrel {
namespace {

using test::ProcessRun;

// Real seconds a child may take before it counts as hung.
constexpr double kWatchdog = 60;

class KestrelRunTest : public ::testing::Test {
 protected:
  std::vector<std::string> runArgs(std::vector<std::string> extra) {
    std::vector<std::string> args = {"run", "--plugin", KS_TEST_PLUGIN_PATH, "--root", device, "--tz", "UTC"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  // The lines of `out` that contain `text`.
  static std::vector<std::string> linesWith(const std::string& out, const std::string& text) {
    std::vector<std::string> found;
    size_t at = 0;
    while (at < out.size()) {
      size_t end = out.find('\n', at);
      std::string line = out.substr(at, end == std::string::npos ? std::string::npos : end - at);
      if (line.find(text) != std::string::npos) found.push_back(line);
      if (end == std::string::npos) break;
      at = end + 1;
    }
    return found;
  }

  test::TempDeviceRoot scratch;
  std::string device = scratch.root() + "/device";
};

TEST_F(KestrelRunTest, ASimulatedRunDeliversWakeUpsAndTimersAndEndsByItselfAfterItsDuration) {
  // 20 minutes of clock at 1200 times real speed: a second of real time.
  bool hung = false;
  auto process = test::startKestrel(
      runArgs({"--now", "2026-12-08T14:30:00Z", "--speed", "1200", "--for", "20m", "--timer", "6m", "--option",
               "wakeAfter=90", "--option", "titles=[Alpha,Beta]"}),
      scratch.root());
  ProcessRun run = test::finishKestrel(process, kWatchdog, &hung);
  ASSERT_FALSE(hung) << run.out;
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(linesWith(run.out, "added").size(), 2u) << run.out;
  EXPECT_EQ(linesWith(run.out, "libKSTestPlugin  added  Alpha").size(), 1u) << run.out;
  EXPECT_EQ(linesWith(run.out, "2026-12-08T14:3")[0].rfind("2026-12-08T14:30:00Z  ", 0), 0u) << run.out;
  // The plug-in's own wake-up, on the simulated clock, not before it was due.
  auto wakes = linesWith(run.out, "wake-up  due 2026-12-08T14:31:30Z");
  ASSERT_EQ(wakes.size(), 1u) << run.out;
  EXPECT_GE(wakes[0].substr(0, 20), "2026-12-08T14:31:30Z");
  auto last = linesWith(run.out, "stopped:");
  ASSERT_EQ(last.size(), 1u);
  EXPECT_EQ(last[0], "2026-12-08T14:50:00Z  stopped: reached 2026-12-08T14:50:00Z");
  // The host's timer reached the plug-in every 6 minutes of clock time, up to the end.
  std::string log = files::readText(device + "/var/log/kestrel/system.log").value_or("");
  EXPECT_EQ(linesWith(log, "KS:TestPlugin: Timer notification").size(), 3u);
}

TEST_F(KestrelRunTest, RowsPublishedWhileRunningArePrintedAsAddedAndRemoved) {
  // Five clock minutes at 120 times real speed, the host's timer every clock minute.
  auto process = test::startKestrel(runArgs({"--now", "2026-12-08T14:30:00Z", "--speed", "120", "--for", "5m",
                                             "--timer", "1m", "--option", "titles=[Alpha,Beta]"}),
                                    scratch.root());
  ASSERT_TRUE(test::waitForOutput(process, "added  Beta", kWatchdog)) << test::outputSoFar(process);
  // The options change as the settings would change them; the next timer refresh shows it.
  Device::setRoot(device);
  PlistValue options = PlistValue::dict();
  options.set("titles", PlistValue(PlistValue::Array{PlistValue("Alpha"), PlistValue("Gamma")}));
  test::writeTestPluginOptions(options);
  bool seen = test::waitForOutput(process, "added  Gamma", kWatchdog);
  ProcessRun run = test::finishKestrel(process, kWatchdog);
  ASSERT_TRUE(seen) << run.out;
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(linesWith(run.out, "libKSTestPlugin  removed  Beta").size(), 1u) << run.out;
  // Alpha stayed where it was: nothing is printed for it again.
  EXPECT_EQ(linesWith(run.out, "Alpha").size(), 1u) << run.out;
}

TEST_F(KestrelRunTest, AnUntilThatHasPassedEndsAtOnce) {
  ProcessRun run = test::runKestrel(runArgs({"--now", "2026-12-08T14:30:00Z", "--until", "2026-12-08T14:00:00Z"}),
                                    scratch.root());
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(linesWith(run.out, "stopped: reached 2026-12-08T14:00:00Z").size(), 1u) << run.out;
}

TEST_F(KestrelRunTest, WrongEndsAndSpeedsAreRefusedBeforeAnythingLoads) {
  for (std::vector<std::string> wrong : {std::vector<std::string>{"--for", "10m", "--until", "2026-12-08T15:00:00Z"},
                                         {"--speed", "0"},
                                         {"--speed", "fast"},
                                         {"--for", "-5m"},
                                         {"--for", "20y"},
                                         {"--timer", "0s"}}) {
    ProcessRun run = test::runKestrel(runArgs(wrong), scratch.root());
    EXPECT_EQ(run.status, 2) << wrong[0] << " " << wrong[1];
    EXPECT_EQ(run.out, "");
  }
}

class KestrelRunSignalTest : public KestrelRunTest, public ::testing::WithParamInterface<int> {};

TEST_P(KestrelRunSignalTest, ASignalWhileRunningEndsTheRunCleanly) {
  // Runs on the real clock until told to stop.
  auto process = test::startKestrel(runArgs({"--option", "titles=[Alpha]"}), scratch.root());
  ASSERT_TRUE(test::waitForOutput(process, "added  Alpha", kWatchdog)) << test::outputSoFar(process);
  ASSERT_EQ(kill(process.pid, GetParam()), 0);
  bool hung = false;
  ProcessRun run = test::finishKestrel(process, kWatchdog, &hung);
  ASSERT_FALSE(hung) << run.out;
  EXPECT_EQ(run.status, 0) << run.err;
  const char* why = GetParam() == SIGINT ? "stopped: interrupted (SIGINT)" : "stopped: terminated (SIGTERM)";
  EXPECT_EQ(linesWith(run.out, why).size(), 1u) << run.out;
  // Unloaded as on the device: the controller was destroyed before the program ended.
  std::string log = files::readText(device + "/var/log/kestrel/system.log").value_or("");
  EXPECT_EQ(linesWith(log, "KS:TestPlugin: Destroyed").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Signals, KestrelRunSignalTest, ::testing::Values(SIGINT, SIGTERM));

}  // namespace
}  // namespace kestrel
