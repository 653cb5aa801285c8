// The signals of the simulated satellites in the receiver's signal slots
// (jps::SignalSlot) and how the receiver hears each: which satellites send
// it, its code noise, its signal strength against the C/A code's, how often
// a value of it goes missing, and the small code delays of each satellite.
//
// Every satellite sends C/A and P on L1 and L2. GPS L2C (slot 3) comes from
// 24 of the 30 simulated satellites, L5 (slot 5) from 17 of them, as in the
// constellation of 2024; every GLONASS satellite sends C/A on L2 (slot 3),
// none sends L3. Nobody sends L1C.
#pragma once

#include <cstdint>

#include "support/gnss_signals.h"

namespace jpssim {

using jps::SignalSlot;

// Whether the satellite (its GREIS index) sends a signal in the slot.
bool SendsSignal(uint8_t index, SignalSlot slot);

// How the receiver hears one slot's signal of one system.
struct SlotTraits {
  double codeNoiseFactor;   // times the C/A code noise
  double phaseNoiseFactor;  // times the C/A phase noise
  double snrOffset;         // dB-Hz against the C/A code's signal strength at the zenith
  double snrHorizonLoss;    // dB-Hz lost more at the horizon, fading with the elevation's sine
  double snrNoise;          // dB-Hz, one deviation
  double phaseOffset;       // cycles against the carrier's other code, as tracked
  double missing;           // chance that one value is missing, above 15 degrees
  double missingLow;        // and below
};
const SlotTraits& TraitsOf(bool glonass, SignalSlot slot);

// Extra code delay of a satellite's signal in a slot against its C/A code
// (s), beyond the part that follows from the L2 delay: fixed per satellite.
double InterSignalDelay(uint8_t index, SignalSlot slot);

}  // namespace jpssim
