// A small, fixed-seed pseudo-random source for tests that sweep many values
// (xorshift64): the same sequence on every platform and every run.
#pragma once

#include <cstdint>

namespace jpsbuild {

class TestRandom {
 public:
  explicit TestRandom(uint64_t seed) : state_(seed != 0 ? seed : 1) {}

  uint64_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return state_;
  }
  // Uniform in [low, high).
  double Uniform(double low, double high) {
    return low + (high - low) * static_cast<double>(Next() >> 11) * 0x1p-53;
  }

 private:
  uint64_t state_;
};

}  // namespace jpsbuild
