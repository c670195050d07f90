#include "platform/calendarstore/internal/FolderWatcher.h"

#include <dirent.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace kestrel::internal {
namespace {

constexpr uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_FROM | IN_MOVED_TO |
                                IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;
// A burst ends after this much quiet, and is reported after at most kBurstLimit.
constexpr int kQuietMs = 50;
constexpr auto kBurstLimit = std::chrono::milliseconds(1000);

}  // namespace

FolderWatcher::FolderWatcher(std::vector<std::string> localRoots, std::function<void()> onChange)
    : roots_(std::move(localRoots)), onChange_(std::move(onChange)) {
  inotifyFd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  stopFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (inotifyFd_ < 0 || stopFd_ < 0) {
    KSLog("KS:CalendarStore: Cannot watch for changes: %s", std::strerror(errno));
    return;
  }
  addWatches();
  thread_ = std::thread([this] { run(); });
}

FolderWatcher::~FolderWatcher() {
  if (thread_.joinable()) {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(stopFd_, &one, sizeof one);
    thread_.join();
  }
  if (inotifyFd_ >= 0) ::close(inotifyFd_);
  if (stopFd_ >= 0) ::close(stopFd_);
}

void FolderWatcher::addWatches() {
  auto watch = [this](const std::string& path) {
    // Watching a folder twice answers the same watch, so this is safe to repeat.
    if (::inotify_add_watch(inotifyFd_, path.c_str(), kWatchMask | IN_ONLYDIR) >= 0) return;
    // Folders that cannot be read at all are the store's to report.
    if (errno == ENOENT || errno == ENOTDIR || errno == ELOOP || errno == EACCES) return;
    if (errno == ENOSPC) {
      if (!reportedLimit_)
        KSLog("KS:CalendarStore: Cannot watch %@ and further folders: the system's limit of inotify watches is "
              "reached (fs.inotify.max_user_watches); their changes show at the next query",
              path);
      reportedLimit_ = true;
      return;
    }
    if (reported_.insert(path).second) KSLog("KS:CalendarStore: Cannot watch %@: %s", path, std::strerror(errno));
  };
  for (const auto& root : roots_) {
    watch(files::deletingLastPathComponent(root));
    watch(root);
    DIR* dir = ::opendir(root.c_str());
    if (!dir) continue;
    while (struct dirent* e = ::readdir(dir)) {
      if (e->d_name[0] == '.') continue;
      std::string path = root + "/" + e->d_name;
      if (files::isDirectory(path)) watch(path);
    }
    ::closedir(dir);
  }
}

int FolderWatcher::wait(int timeoutMs) {
  struct pollfd fds[2] = {{inotifyFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
  for (;;) {
    int n = ::poll(fds, 2, timeoutMs);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || (fds[1].revents & POLLIN)) return -1;
    return n == 0 ? 0 : 1;
  }
}

void FolderWatcher::drainEvents() {
  alignas(struct inotify_event) char buffer[16384];
  for (;;) {
    ssize_t n = ::read(inotifyFd_, buffer, sizeof buffer);
    if (n > 0) {
      // Every notice leads to a full check anyway; an overflow only says some were lost.
      for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(struct inotify_event)) <= n;) {
        const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
        if (event->mask & IN_Q_OVERFLOW)
          KSLog("KS:CalendarStore: Change notices were lost (the queue overflowed); checking every calendar");
        at += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
      }
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    return;  // EAGAIN: nothing more for now
  }
}

void FolderWatcher::run() {
  for (;;) {
    if (wait(-1) < 0) return;
    drainEvents();
    auto limit = std::chrono::steady_clock::now() + kBurstLimit;
    for (;;) {
      int got = wait(kQuietMs);
      if (got < 0) return;
      if (got == 0) break;
      drainEvents();
      if (std::chrono::steady_clock::now() >= limit) break;
    }
    addWatches();
    onChange_();
  }
}

}  // namespace kestrel::internal
