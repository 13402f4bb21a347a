// The run's events for every browser tab: each event is kept from the start of the current run,
// so that a tab that opens late replays them and shows the same state as the others. Published on
// the engine thread, read by the HTTP threads that serve the event streams.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace velko::station {

struct NumberedEvent {
  std::uint64_t number = 0;  // grows through the life of the station, across runs
  std::string json;
};

class EventHub {
 public:
  // A new run: the events of the one before are no longer replayed.
  void BeginRun();
  // Adds an event (a JSON object as text) and wakes every waiting reader.
  void Publish(std::string json);
  // The events of the current run after `after` (0: all of them), waiting up to `wait` for one
  // when there is none yet; none when the wait ran out or the hub closed.
  std::vector<NumberedEvent> After(std::uint64_t after, std::chrono::milliseconds wait);
  // Ends every wait; readers get nothing from now on.
  void Close();
  bool Closed() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<NumberedEvent> events_;  // of the current run
  std::uint64_t next_ = 1;
  bool closed_ = false;
};

}  // namespace velko::station
