#include "engine.hpp"

namespace velko::station {

Engine::Engine(std::function<void()> enter, std::function<void()> leave)
    : thread_([this, enter = std::move(enter), leave = std::move(leave)] { Loop(enter, leave); }) {}

Engine::~Engine() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void Engine::Post(std::function<void()> job) {
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  wake_.notify_all();
}

bool Engine::Stopping() const {
  std::lock_guard lock(mutex_);
  return stopping_;
}

// The next job; none when the queue is empty and either `wait` is false or the engine stops.
std::function<void()> Engine::Take(bool wait) {
  std::unique_lock lock(mutex_);
  if (wait) wake_.wait(lock, [this] { return !jobs_.empty() || stopping_; });
  if (jobs_.empty()) return {};
  std::function<void()> job = std::move(jobs_.front());
  jobs_.pop_front();
  return job;
}

void Engine::Loop(const std::function<void()>& enter, const std::function<void()>& leave) {
  if (enter) enter();
  while (std::function<void()> job = Take(true))
    job();
  if (leave) leave();
}

bool Engine::RunJobsUntil(const std::function<bool()>& done) {
  while (!done()) {
    std::function<void()> job = Take(true);
    if (!job) return false;
    job();
  }
  return true;
}

void Engine::RunPendingJobs() {
  while (std::function<void()> job = Take(false))
    job();
}

}  // namespace velko::station
