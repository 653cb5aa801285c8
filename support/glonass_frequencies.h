// GLONASS carrier frequencies: each satellite transmits on its frequency
// channel k, at 1602 MHz + k x 562.5 kHz on L1 and 1246 MHz + k x 437.5 kHz
// on L2.
#pragma once

namespace jps {

constexpr double kGlonassL1Base = 1602000000.0;  // Hz
constexpr double kGlonassL1Step = 562500.0;
constexpr double kGlonassL2Base = 1246000000.0;
constexpr double kGlonassL2Step = 437500.0;

inline double GlonassL1Frequency(int channel) { return channel * kGlonassL1Step + kGlonassL1Base; }
inline double GlonassL2Frequency(int channel) { return channel * kGlonassL2Step + kGlonassL2Base; }

}  // namespace jps
