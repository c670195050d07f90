#include "tools/kestrel/serve/FrameBoard.h"

namespace kestrel::tool::serve {

uint64_t FrameBoard::publish(std::shared_ptr<const std::string> png, std::string meta) {
  std::lock_guard lock(mutex_);
  const uint64_t number = frame_ ? frame_->number + 1 : 1;
  frame_ = Frame{number, std::move(png), std::move(meta)};
  changed_.notify_all();
  return number;
}

void FrameBoard::post(std::string eventJson) {
  std::lock_guard lock(mutex_);
  events_.push_back({nextEvent_++, std::move(eventJson)});
  while (events_.size() > kKeptEvents) events_.pop_front();
  changed_.notify_all();
}

std::optional<Frame> FrameBoard::latest() const {
  std::lock_guard lock(mutex_);
  return frame_;
}

uint64_t FrameBoard::latestEventNumber() const {
  std::lock_guard lock(mutex_);
  return nextEvent_ - 1;
}

FrameBoard::Update FrameBoard::waitNewer(uint64_t seenFrame, uint64_t seenEvent,
                                         std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  auto fresh = [&] {
    return closed_ || (frame_ && frame_->number > seenFrame) || nextEvent_ - 1 > seenEvent;
  };
  changed_.wait_for(lock, timeout, fresh);
  Update update;
  update.closed = closed_;
  if (frame_ && frame_->number > seenFrame) update.frame = frame_;
  for (const auto& event : events_)
    if (event.number > seenEvent) update.events.push_back(event);
  return update;
}

void FrameBoard::close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  changed_.notify_all();
}

bool FrameBoard::isClosed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

}  // namespace kestrel::tool::serve
