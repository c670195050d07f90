#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/foundation/LogStore.h"
#include "runtime/FWConsole.h"
#include "runtime/FWLogging.h"
#include "runtime/XYLog.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

// Captures what the stamped loggers print.
class CapturedConsole {
 public:
  CapturedConsole() : file_(std::tmpfile()) { XYSetLogOutput(file_); }
  ~CapturedConsole() {
    XYSetLogOutput(nullptr);
    std::fclose(file_);
  }
  std::string text() const {
    std::rewind(file_);
    std::string out;
    char buffer[256];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, file_)) out.append(buffer, n);
    return out;
  }

 private:
  std::FILE* file_;
};

std::string pid() { return std::to_string(::getpid()); }

TEST(FWLogging, TaggedLinesGoToTheSystemLog) {
  kestrel::test::TempDeviceRoot root;
  EXPECT_EQ(FWLogPrefix("TWTask"), "KS:TWTask: ");
  FWLogWithTag(kFWLogTagTWPlugin, "Found %@ at %d", "Taskwell", 3);
  FWLogWithTag("%@%d", "tag is not a format");
  auto entries = kestrel::LogStore::query();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].message, "KS:TWPlugin: Found Taskwell at 3");
  EXPECT_EQ(entries[1].message, "KS:%@%d: tag is not a format");
}

TEST(XYLog, ClockStampInTheZoneOfTheFirstCall) {
  kestrel::test::TempDeviceRoot root;
  CapturedConsole console;
  Clock::advance(0.25);
  XYLog("Started %@ \u00E9", "list");
  TimeZone::setSystemTimeZone("Europe/Berlin");  // read once: later lines keep UTC
  XYTimeLog(nullptr, "again");
  TimeZone::setSystemTimeZone("UTC");
  EXPECT_EQ(console.text(), "[14:30:00.250|" + pid() + "] Started list \u00E9\n[14:30:00.250|" + pid() + "] again\n");
}

TEST(XYLog, TimeLogPrintsEachStepAndRestartsTheClock) {
  kestrel::test::TempDeviceRoot root;
  CapturedConsole console;
  Date start = Clock::now();
  Clock::advance(1.234567);
  XYTimeLog(&start, "step %d", 1);
  EXPECT_EQ(start, Clock::now());
  Clock::advance(0.5);
  XYTimeLog(&start, "step %d", 2);
  EXPECT_EQ(console.text(), "[001.234_567|" + pid() + "] step 1\n[000.500_000|" + pid() + "] step 2\n");
}

TEST(FWConsole, MessageViewListsEveryMessageInOrder) {
  kestrel::test::TempDeviceRoot root;
  EXPECT_TRUE(FWMessageViewConsole().empty());
  root.writeFile(kestrel::LogStore::kDevicePath, "10.000\t1\tKS:TWTask: other process\n12.000\t1\t\n");
  kestrel::logLine("KS:TWEvent: mine");
  EXPECT_EQ(FWMessageViewConsole(), (std::vector<std::string>{"KS:TWTask: other process", "KS:TWEvent: mine"}));
}

TEST(FWConsole, DebugViewShowsThisProcessesRecentLinesWithSeparators) {
  kestrel::test::TempDeviceRoot root;
  Date now = Clock::now();
  root.writeFile(kestrel::LogStore::kDevicePath,
                 KSFormat("%.3f\t%d\tKS:TWTask: other process\n", now.timeIntervalSinceReferenceDate() - 60, ::getpid() + 1));
  Date end = now.addingTimeInterval(21);  // when the console is read
  Clock::fix(end.addingTimeInterval(-60.0 * SECONDS_IN_HOUR - 1));
  kestrel::logLine("too old");
  Clock::fix(end.addingTimeInterval(-60.0 * SECONDS_IN_HOUR));
  kestrel::logLine("oldest shown");
  Clock::fix(now);
  kestrel::logLine("first");
  Clock::advance(10);
  kestrel::logLine("ten seconds later");
  Clock::advance(11);
  kestrel::logLine("eleven seconds later");
  EXPECT_EQ(FWDebugViewConsole(), (std::vector<std::string>{
                                      "2:30:21\u202FAM oldest shown",
                                      kFWConsoleSeparator,
                                      "2:30:00\u202FPM first",
                                      "2:30:10\u202FPM ten seconds later",
                                      kFWConsoleSeparator,
                                      "2:30:21\u202FPM eleven seconds later",
                                  }));
  EXPECT_EQ(std::string(kFWConsoleSeparator), std::string(44, '#'));
}

}  // namespace
