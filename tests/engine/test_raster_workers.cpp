// The rasteriser's thread team: every participant runs the job once, and an exception thrown by
// any of them comes back on the caller's thread instead of ending the process.
#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <stdexcept>

#include "engine/RasterWorkers.h"

namespace lumbra {
namespace {

TEST(RasterWorkers, ExceptionsFromAnyParticipantReachTheCallerAfterAllHaveReturned) {
  RasterWorkers workers(4);
  ASSERT_EQ(workers.Count(), 4);
  for (int thrower = 0; thrower < workers.Count(); ++thrower) {
    std::atomic<int> finished{0};
    const auto job = [&](int k) {
      if (k == thrower) throw std::bad_alloc();
      ++finished;
    };
    EXPECT_THROW(workers.Run(job), std::bad_alloc) << "participant " << thrower;
    // Every other participant had finished before Run returned.
    EXPECT_EQ(finished.load(), workers.Count() - 1) << "participant " << thrower;
  }
  // The team still works afterwards.
  std::atomic<int> ran{0};
  workers.Run([&](int) { ++ran; });
  EXPECT_EQ(ran.load(), 4);
  // Two at once: one of them is thrown.
  EXPECT_THROW(workers.Run([](int k) {
    if (k >= 2) throw std::runtime_error("helper");
  }),
               std::runtime_error);
}

}  // namespace
}  // namespace lumbra
