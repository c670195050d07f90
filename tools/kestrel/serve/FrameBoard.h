// FrameBoard: where the host's main loop leaves the latest screen and the page's events
// (sounds, vibrations, messages) for the web server's threads to send.
//
// Only the latest frame is kept: a viewer that reads slowly skips the frames it missed
// and gets the newest one, never a backlog. Events are numbered and the last
// kKeptEvents are kept, so a viewer that falls behind loses the oldest ones, not the
// host's time. waitNewer() blocks a viewer's thread until there is something it has not
// seen, the board closes, or the timeout passes.
//
// Thread-safe: publish() and post() come from the main thread, the rest from any thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::tool::serve {

struct Frame {
  uint64_t number = 0;  // from 1
  std::shared_ptr<const std::string> png;
  std::string meta;  // JSON object the page reads: kind, size, title, texts
};

struct BoardEvent {
  uint64_t number = 0;  // from 1
  std::string json;
};

class FrameBoard {
 public:
  static constexpr size_t kKeptEvents = 32;

  // Answers the new frame's number.
  uint64_t publish(std::shared_ptr<const std::string> png, std::string meta);
  void post(std::string eventJson);

  std::optional<Frame> latest() const;
  uint64_t latestEventNumber() const;

  struct Update {
    std::optional<Frame> frame;     // set when newer than the one seen
    std::vector<BoardEvent> events;  // newer than the one seen, oldest first
    bool closed = false;
  };
  Update waitNewer(uint64_t seenFrame, uint64_t seenEvent, std::chrono::milliseconds timeout) const;

  // Wakes every waiting viewer for good.
  void close();
  bool isClosed() const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::optional<Frame> frame_;     // GUARDED_BY(mutex_)
  std::deque<BoardEvent> events_;  // GUARDED_BY(mutex_)
  uint64_t nextEvent_ = 1;         // GUARDED_BY(mutex_)
  bool closed_ = false;            // GUARDED_BY(mutex_)
};

}  // namespace kestrel::tool::serve
