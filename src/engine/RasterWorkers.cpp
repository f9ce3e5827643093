#include "engine/RasterWorkers.h"

#include <chrono>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lumbra {

namespace {

inline void Pause() {
#if defined(__SSE2__)
  _mm_pause();
#else
  std::this_thread::yield();
#endif
}

// How long a helper keeps watching for the next job before it sleeps.
constexpr auto kWatch = std::chrono::microseconds(50);

// Calls ready() until it returns true or kWatch has passed; returns its last answer.
template <class Ready>
bool Watch(Ready ready) {
  const auto until = std::chrono::steady_clock::now() + kWatch;
  for (;;) {
    for (int k = 0; k < 32; ++k) {
      if (ready()) return true;
      Pause();
    }
    if (std::chrono::steady_clock::now() >= until) return ready();
  }
}

}  // namespace

RasterWorkers::RasterWorkers(int count) {
  for (int k = 1; k < count; ++k) {
    try {
      threads_.emplace_back([this, k] { Loop(k); });
    } catch (...) {
      break;  // fewer helpers; the work still gets done
    }
  }
}

RasterWorkers::~RasterWorkers() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_.store(true);
  }
  wake_.notify_all();
  for (auto& t : threads_) t.join();
}

void RasterWorkers::Run(const std::function<void(int)>& job) {
  if (threads_.empty()) {
    job(0);
    return;
  }
  job_.store(&job, std::memory_order_relaxed);
  busy_.store(static_cast<int>(threads_.size()), std::memory_order_relaxed);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    generation_.fetch_add(1, std::memory_order_release);
  }
  wake_.notify_all();
  // The helpers use `job` until they are done: whatever the caller's share throws waits for them.
  std::exception_ptr error;
  try {
    job(0);
  } catch (...) {
    error = std::current_exception();
  }
  if (!Watch([this] { return busy_.load(std::memory_order_acquire) == 0; })) {
    std::unique_lock<std::mutex> lock(mutex_);
    callerWaiting_ = true;
    done_.wait(lock, [this] { return busy_.load(std::memory_order_acquire) == 0; });
    callerWaiting_ = false;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!error) error = helperError_;
    helperError_ = nullptr;
  }
  if (error) std::rethrow_exception(error);
}

void RasterWorkers::Loop(int index) {
  uint64_t seen = 0;
  for (;;) {
    if (!Watch([&] {
          return stop_.load(std::memory_order_relaxed) || generation_.load(std::memory_order_acquire) != seen;
        })) {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [&] { return stop_.load() || generation_.load() != seen; });
    }
    if (stop_.load()) return;
    seen = generation_.load(std::memory_order_acquire);
    try {
      (*job_.load(std::memory_order_relaxed))(index);
    } catch (...) {
      // Thrown again on the caller's thread; an exception may not leave a thread.
      std::lock_guard<std::mutex> lock(mutex_);
      if (!helperError_) helperError_ = std::current_exception();
    }
    if (busy_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
      std::lock_guard<std::mutex> lock(mutex_);
      if (callerWaiting_) done_.notify_one();
    }
  }
}

}  // namespace lumbra
