// Internal to the calendar store: watches the store's folders with inotify.
//
// A background thread watches each root folder, its parent (so a root created later is
// seen) and every collection folder in it. After a burst of changes has been quiet for a
// moment (or a second at most), it picks up new collection folders and calls onChange once,
// also for roots that are a user's own folders (changes by vdirsyncer, khal or todoman),
// on its own thread; onChange must be quick and thread-safe (the store only queues a check
// on the main run loop). Destruction stops and joins the thread.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace kestrel::internal {

class FolderWatcher {
 public:
  FolderWatcher(std::vector<std::string> localRoots, std::function<void()> onChange);
  ~FolderWatcher();
  FolderWatcher(const FolderWatcher&) = delete;
  FolderWatcher& operator=(const FolderWatcher&) = delete;

  // False when inotify could not be set up (the reason was logged).
  bool isWatching() const { return thread_.joinable(); }

 private:
  void run();
  void addWatches();
  // Reads (and drops) every pending event; the store rescans rather than track names.
  void drainEvents();
  // Waits up to `timeoutMs` (-1: for ever); 1 = events, 0 = timeout, -1 = stop or error.
  int wait(int timeoutMs);

  const std::vector<std::string> roots_;
  // Problems already logged (touched by the constructor, then only by the thread).
  bool reportedLimit_ = false;
  std::set<std::string> reported_;
  const std::function<void()> onChange_;
  int inotifyFd_ = -1;
  int stopFd_ = -1;
  std::thread thread_;
};

}  // namespace kestrel::internal
