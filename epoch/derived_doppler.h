// Doppler derived from successive C/A pseudoranges, for epochs without one.
#pragma once

#include "epoch/continuity.h"
#include "epoch/kel_records.h"

namespace jps {

constexpr double kGpsL1Wavelength = 0.190293672798;   // metres
constexpr double kGpsL2Wavelength = 0.24421021342456825;
constexpr double kGpsL1Frequency = 1575420000.0;      // Hz
constexpr double kGpsL2Frequency = 1227600000.0;
constexpr double kSecondsPerWeek = 604800.0;

// Fills record.doppler (Hz) from the change of code (metres) since the
// satellite's last one in history, and remembers this code and time. False
// when no value is available (first code of the satellite, or no wavelength).
// A code of 0 (absent) leaves the history alone and gives Doppler 0; a value
// that is not finite (two codes at the same time) is stored as 0.
// GPS satellites (numbers up to 32) always use the L1 wavelength.
bool DeriveDoppler(KelMeasurement& record, double code, double time, SatHistory& history,
                   double wavelength);

}  // namespace jps
