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

// The KEL file's carrier phases have the opposite sign to the receiver's; an
// absent phase stays +0.0 (never -0.0), and a non-number becomes 0.
inline double InvertedPhase(double cycles) { return cycles == 0.0 ? 0.0 : ZeroIfNotFinite(-cycles); }

}  // namespace jps
