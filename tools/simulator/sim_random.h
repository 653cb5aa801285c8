// A small deterministic random source: the same seed gives the same numbers
// on every run of the same build (splitmix64; no library distributions,
// whose results differ between standard libraries).
#pragma once

#include <cmath>
#include <cstdint>

namespace jpssim {

// A range of plausible values.
struct Spread {
  double low;
  double high;
};

class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}

  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
  // Uniform integer in [low, high].
  int Between(int low, int high) {
    return low + static_cast<int>(Next() % static_cast<uint64_t>(high - low + 1));
  }
  bool Chance(double probability) { return Uniform() < probability; }
  // Uniform within a spread.
  double In(Spread s) { return s.low + (s.high - s.low) * Uniform(); }
  // Gaussian noise with deviation sigma, clipped to four deviations so that
  // the documented tolerances hold for every seed.
  double Noise(double sigma) {
    double u1 = 1.0 - Uniform();
    double u2 = Uniform();
    return Clipped(std::sqrt(-2.0 * std::log(u1)) * std::cos(kTwoPi * u2)) * sigma;
  }
  // Two independent values at the cost of one (both outputs of the
  // transform), with deviations sigmaA and sigmaB.
  void NoisePair(double sigmaA, double sigmaB, double* a, double* b) {
    double u1 = 1.0 - Uniform();
    double u2 = Uniform();
    double r = std::sqrt(-2.0 * std::log(u1));
    *a = Clipped(r * std::cos(kTwoPi * u2)) * sigmaA;
    *b = Clipped(r * std::sin(kTwoPi * u2)) * sigmaB;
  }

 private:
  static constexpr double kTwoPi = 6.283185307179586;
  static double Clipped(double n) {
    constexpr double kClip = 4.0;
    if (n > kClip) return kClip;
    if (n < -kClip) return -kClip;
    return n;
  }

  uint64_t state_;
};

// A seed for an independent stream: mixes the session seed with a label.
inline uint64_t StreamSeed(uint64_t seed, uint64_t label) {
  Random r(seed * 0x2545F4914F6CDD1Dull + label);
  return r.Next();
}

}  // namespace jpssim
