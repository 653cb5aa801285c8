// The pieces the number fields are made of (rinex_numbers.cpp and the
// observation field's short way, observation_field.cpp): a double taken
// apart into sign, mantissa and power of two, the powers of ten, and the
// exact rounding of the values whose scaled mantissa fits in 64 bits.
#pragma once

#include <cstdint>
#include <cstring>

namespace jpsrinex {

constexpr int kMantissaBits = 52;
constexpr int kExponentBias = 1075;  // value = mantissa x 2^(biased exponent - 1075)
constexpr int kExponentAll = 0x7FF;  // infinity or NaN
constexpr int kMaxDigits = 20;       // of a uint64_t
constexpr uint64_t kPow10[kMaxDigits] = {1u,
                                         10u,
                                         100u,
                                         1000u,
                                         10000u,
                                         100000u,
                                         1000000u,
                                         10000000u,
                                         100000000u,
                                         1000000000u,
                                         10000000000u,
                                         100000000000u,
                                         1000000000000u,
                                         10000000000000u,
                                         100000000000000u,
                                         1000000000000000u,
                                         10000000000000000u,
                                         100000000000000000u,
                                         1000000000000000000u,
                                         10000000000000000000u};

// "00" to "99", two characters each.
struct DigitPairs {
  char text[200];
  constexpr DigitPairs() : text() {
    for (int i = 0; i < 100; ++i) {
      text[2 * i] = static_cast<char>('0' + i / 10);
      text[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
  }
};
inline constexpr DigitPairs kDigitPairs;

// A double as sign, mantissa and power of two.
struct Binary {
  bool negative;
  uint64_t mantissa;
  int exponent;
};

// False for infinity and NaN.
inline bool Decompose(double value, Binary* b) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  b->negative = (bits >> 63) != 0;
  int biased = static_cast<int>((bits >> kMantissaBits) & kExponentAll);
  uint64_t fraction = bits & ((uint64_t{1} << kMantissaBits) - 1);
  if (biased == kExponentAll) return false;
  if (biased == 0) {  // zero and the subnormals
    b->mantissa = fraction;
    b->exponent = 1 - kExponentBias;
  } else {
    b->mantissa = fraction | (uint64_t{1} << kMantissaBits);
    b->exponent = biased - kExponentBias;
  }
  return true;
}

// round-half-even(m x 2^-k x 10^d) for k > 0 and the decimals whose
// m x 10^d stays below 2^63 (m below 2^53): one product and one shift.
constexpr int kShortDecimals = 3;
inline uint64_t ShortScaledRound(uint64_t m, int k, int d) {
  uint64_t p = m * kPow10[d];
  if (k >= 64) return 0;  // p x 2^-k below one half
  // Adding one less than the half rounds up what is above it; adding the
  // quotient's lowest bit as well rounds a half up to an even quotient.
  // Without a branch: the rounding goes either way as often.
  return (p + (uint64_t{1} << (k - 1)) - 1 + (p >> k & 1)) >> k;
}

}  // namespace jpsrinex
