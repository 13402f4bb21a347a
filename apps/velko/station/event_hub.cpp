#include "event_hub.hpp"

namespace velko::station {

void EventHub::BeginRun() {
  std::lock_guard lock(mutex_);
  events_.clear();
}

void EventHub::Publish(std::string json) {
  {
    std::lock_guard lock(mutex_);
    events_.push_back({next_++, std::move(json)});
  }
  changed_.notify_all();
}

std::vector<NumberedEvent> EventHub::After(std::uint64_t after, std::chrono::milliseconds wait) {
  std::unique_lock lock(mutex_);
  const auto newer = [&] { return !events_.empty() && events_.back().number > after; };
  changed_.wait_for(lock, wait, [&] { return closed_ || newer(); });
  std::vector<NumberedEvent> found;
  if (closed_) return found;
  for (const NumberedEvent& event : events_) {
    if (event.number > after) found.push_back(event);
  }
  return found;
}

void EventHub::Close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
}

bool EventHub::Closed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

}  // namespace velko::station
