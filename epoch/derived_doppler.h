// Doppler derived from successive C/A pseudoranges, for epochs without one.
#pragma once

#include "context/continuity.h"
#include "support/gps_time.h"
#include "support/satellite_numbers.h"
#include "support/kel_records.h"

namespace jps {

// Fills record.doppler (Hz) from the change of code (metres) since the
// satellite's last one in history, and remembers this code and time. False
// when no value is available (first code of the satellite, or no wavelength).
// A code of 0 (absent) leaves the history alone and gives Doppler 0; a value
// that is not finite (two codes at the same time) is stored as 0.
// GPS satellites (numbers up to 32) always use the L1 wavelength.
bool DeriveDoppler(KelMeasurement& record, double code, double time, SatHistory& history,
                   double wavelength);

}  // namespace jps
