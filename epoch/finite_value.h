// The receiver's and the arithmetic's non-numbers: a double whose exponent
// bits are all ones (infinity or NaN) never reaches a KEL record.
#pragma once

#include <cstdint>

#include "support/little_endian.h"

namespace jps {

constexpr uint64_t kDoubleExponentBits = 0x7FF0000000000000ULL;

inline bool IsNotFinite(double value) {
  return (DoubleBits(value) & kDoubleExponentBits) == kDoubleExponentBits;
}

// 0.0 in place of infinity or NaN.
inline double ZeroIfNotFinite(double value) { return IsNotFinite(value) ? 0.0 : value; }

}  // namespace jps
