// The pseudo-random generator of the placement walk: a linear congruential generator
// with the classic C library constants, one object per render (no global state).
#pragma once

#include <cstdint>

namespace lumbra {

class Random {
 public:
  static constexpr int kMax = 0x7FFF;

  explicit Random(uint32_t seed = 1) : state_(seed) {}

  void Seed(uint32_t seed) { state_ = seed; }
  uint32_t State() const { return state_; }

  // The next value, 0 to 32767.
  int Next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7FFF);
  }

  // A seed from the clock: the current time in seconds.
  static uint32_t ClockSeed();

 private:
  uint32_t state_;
};

}  // namespace lumbra
