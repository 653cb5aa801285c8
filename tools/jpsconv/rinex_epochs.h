// KEL epochs as epochs of observations for the RINEX writer: the full GPS
// week, the --from, --to and --interval choice, satellite numbers as RINEX
// names (GLONASS by slot), and the values with the signs RINEX uses: C/A
// code, phase and Doppler on L1 and P code and phase on L2, the KEL file's
// five values.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "epoch/observation_epoch.h"
#include "support/kel_records.h"
#include "tools/jpsconv/rinex_session.h"

namespace jpsconv {

// What the epochs read so far left out.
struct EpochTally {
  int64_t leftOut = 0;
  std::map<std::string, std::string> satellitesLeftOut;  // KEL name -> why
};

class EpochBuilder {
 public:
  EpochBuilder(RinexSession* session, const RinexOptions& options);
  // The epoch of observations of a KEL epoch; false when it is left out (a
  // time that is no time of week, outside the bounds, off the grid, or no
  // GPS or GLONASS satellite to write), counted in the tally.
  bool Build(const jps::KelEpoch& epoch, const std::vector<jps::KelMeasurement>& measurements,
             jps::ObservationEpoch* out, EpochTally* tally);

 private:
  // The satellite's values; false when it is left out (*why says why).
  bool Satellite(const jps::KelMeasurement& m, double gpsTime, jps::SatelliteValues* out,
                 std::string* name, std::string* why) const;

  RinexSession* session_;
  jpsrinex::EpochWindow window_;
};

// The approximate position line's ECEF coordinates (WGS-84) of a latitude,
// longitude (degrees) and ellipsoidal height (m).
void GeodeticToEcef(double latitude, double longitude, double height, double xyz[3]);

}  // namespace jpsconv
