#include "epoch/derived_doppler.h"

#include <cmath>

namespace jps {

bool DeriveDoppler(KelMeasurement& record, double code, double time, SatHistory& history,
                   double wavelength) {
  if (history.codeTime == 0.0 || history.code == 0.0) {
    history.codeTime = time;
    history.code = code;
    return false;
  }
  double dt = time - history.codeTime;
  if (std::fabs(dt) > kSecondsPerWeek / 2) dt += kSecondsPerWeek;  // week rollover
  double doppler = -(code - history.code) / dt;
  if (record.satellite < 33) wavelength = kGpsL1Wavelength;
  bool available = wavelength != 0.0;
  doppler = available ? doppler / wavelength : 0.0;
  history.codeTime = time;
  history.code = code;
  record.doppler = doppler;
  return available;
}

}  // namespace jps
