// A small fixed team of threads that the rasteriser wakes for big shapes.
//
// Shapes come one after another, each needing the team for well under a millisecond, so a helper
// that has just finished keeps watching for the next job for a short while before it goes to
// sleep; handing out a job then costs a few hundred nanoseconds instead of a thread wake-up.
#pragma once

#include <atomic>
#include <condition_variable>
#include <exception>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace lumbra {

class RasterWorkers {
 public:
  // `count` participants in all: the calling thread and count - 1 threads started here.
  explicit RasterWorkers(int count);
  ~RasterWorkers();
  RasterWorkers(const RasterWorkers&) = delete;
  RasterWorkers& operator=(const RasterWorkers&) = delete;

  int Count() const { return static_cast<int>(threads_.size()) + 1; }

  // Calls job(k) once on every participant k (0 is the caller) and returns when all calls have
  // returned. The job shares out its work itself. One Run at a time. An exception thrown by any
  // participant is thrown from here once all have returned.
  void Run(const std::function<void(int)>& job);

 private:
  void Loop(int index);

  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  std::atomic<const std::function<void(int)>*> job_{nullptr};
  std::atomic<uint64_t> generation_{0};
  std::atomic<int> busy_{0};
  std::atomic<bool> stop_{false};
  bool callerWaiting_ = false;  // guarded by mutex_
  std::exception_ptr helperError_;  // the first exception a helper's share threw; guarded by mutex_
};

}  // namespace lumbra
