// RunReporter: what `kestrel run` prints while the host runs on, one time-stamped line per
// event, as it happens:
//
//   TIME  SECTION  added|removed|changed  ROW-ID  TEXTS   a row the plug-in published
//   TIME  SECTION  popup  TEXT                             a popup over the section
//   TIME  sound  play FILE (WHY) | vibrate (WHY)           a system sound or vibration
//   TIME  wake-up  due DUE                                 a timer a plug-in scheduled
//   TIME  repeat  NAME                                     a repeating notification posted
//
// TIME is the clock's ISO-8601 UTC time. A row's TEXTS are what its view draws (summary,
// then highlight and detail after " | "), else its id; "changed" means the drawn texts or
// the place in the section changed, so a row re-sent as it was prints nothing. start()
// prints the sections as they stand (every row "added") and installs the observers;
// publishes are collected and reported once the main run loop is done with the call that
// made them, so one refresh prints its rows together. With a picture path the sections are
// drawn there (SessionPicture.h) at start and after every report that changed a row.
//
// Lines go out whole and flushed, from any thread (sounds play on the plug-ins' threads).
// start(), stop() and the reports run on the main thread; stop() (or destruction) removes
// every observer. The session must outlive the reporter.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tools/kestrel/PluginSession.h"

namespace kestrel::tool {

class RunReporter {
 public:
  RunReporter(PluginSession& session, std::FILE* out, std::optional<std::string> picturePath);
  ~RunReporter();
  RunReporter(const RunReporter&) = delete;
  RunReporter& operator=(const RunReporter&) = delete;

  void start();
  void stop();
  // Prints one line "TIME  WHAT" (for the command's own notes, such as its end).
  void note(const std::string& what);
  // Reports the sections' changes now (also what start() and the observers use).
  void reportChanges();
  // Called on the main thread at the end of every report, so another view of the host (the
  // web screen) follows the same changes. The row views are asked for again by each report,
  // so whoever holds them must take the new ones then.
  void setAfterReport(std::function<void()> afterReport) { afterReport_ = std::move(afterReport); }

 private:
  struct ShownRow {
    int64_t sortOrder = 0;
    std::string texts;
  };
  using Snapshot = std::map<std::string, ShownRow>;

  Snapshot snapshot(HostEngine& engine);
  void line(const std::string& text);
  void drawPicture();

  PluginSession& session_;
  std::FILE* out_;
  std::optional<std::string> picturePath_;
  std::mutex printMutex_;
  std::vector<Snapshot> shown_;         // main thread: per section
  std::vector<size_t> popupsShown_;     // main thread: per section
  uint64_t soundObserver_ = 0;
  bool started_ = false;
  std::function<void()> afterReport_;  // main thread
  // Set while a report is queued on the run loop, so a burst of publishes makes one report.
  std::shared_ptr<std::atomic<bool>> reportQueued_ = std::make_shared<std::atomic<bool>>(false);
  std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
};

}  // namespace kestrel::tool
