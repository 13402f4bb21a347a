// The station's engine thread. The library's objects are apartment-threaded: every one of them is
// made, used and released on this thread, which runs the jobs that the HTTP threads hand it, one
// at a time, in the order they came.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace velko::station {

class Engine {
 public:
  // `enter` runs first on the new thread (it makes what the thread owns), `leave` last, after the
  // final job (it releases it).
  explicit Engine(std::function<void()> enter = {}, std::function<void()> leave = {});
  // Runs the jobs still queued, then ends the thread.
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Queues a job and returns at once.
  void Post(std::function<void()> job);

  // Runs `job` on the engine thread and waits for its result; an exception of the job is thrown
  // here. Never called on the engine thread itself (it would wait for itself).
  template <class Job>
  auto Call(Job job) -> decltype(job()) {
    using Result = decltype(job());
    auto task = std::make_shared<std::packaged_task<Result()>>(std::move(job));
    std::future<Result> result = task->get_future();
    Post([task] { (*task)(); });
    return result.get();
  }

  // On the engine thread, while it waits for something that a job brings (an answer from a
  // browser): runs queued jobs until `done` holds or the engine stops. False when it stopped.
  bool RunJobsUntil(const std::function<bool()>& done);
  // On the engine thread: runs the jobs queued now, without waiting for more.
  void RunPendingJobs();
  bool Stopping() const;

 private:
  void Loop(const std::function<void()>& enter, const std::function<void()>& leave);
  std::function<void()> Take(bool wait);

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace velko::station
