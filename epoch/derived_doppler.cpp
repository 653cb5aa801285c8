#include "epoch/derived_doppler.h"

#include <cmath>

#include "support/satellite_numbers.h"

namespace jps {

bool DeriveDoppler(KelMeasurement& record, double code, double time, SatHistory& history,
                   double wavelength) {
  // Without this epoch's code there is nothing to difference: the record is
  // kept with Doppler 0 (absent) and the history waits for the next code.
  if (code == 0.0) {
    record.doppler = 0.0;
    return true;
  }
  if (history.codeTime == 0.0 || history.code == 0.0) {
    history.codeTime = time;
    history.code = code;
    return false;
  }
  double dt = time - history.codeTime;
  if (std::fabs(dt) > kSecondsPerWeek / 2) dt += kSecondsPerWeek;  // week rollover
  double doppler = -(code - history.code) / dt;
  if (record.satellite <= kLastGpsNumber) wavelength = kGpsL1Wavelength;
  bool available = wavelength != 0.0;
  doppler = available ? doppler / wavelength : 0.0;
  history.codeTime = time;
  history.code = code;
  record.doppler = std::isfinite(doppler) ? doppler : 0.0;  // dt 0 gives no value
  return available;
}

}  // namespace jps
