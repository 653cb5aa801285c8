// KEL epochs as epochs of observations for the RINEX writer: the full GPS
// week, the --from, --to and --interval choice, satellite numbers as RINEX
// names (GLONASS by slot), and the values with the signs RINEX uses: C/A
// code, phase and Doppler on L1 and P code and phase on L2, the KEL file's
// five values.
#pragma once

#include <cstdint>
#include <map>
#include <set>
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
  std::vector<std::string> timeRuns;  // each run of epochs not after the last written
};

// Where a KEL file's phases lose their lock: the epochs (KEL satellite
// number, milliseconds of the week) at which a satellite's arc of continuous
// phase begins, at a cycle slip or otherwise, by the rule of the quality
// report (slip_detector.h), not by the lock count alone.
using LossOfLock = std::set<std::pair<int, int64_t>>;
// "" with the epochs filled, or why the file could not be read.
std::string LossOfLockOfKelFile(const std::string& kel, LossOfLock* out);

class EpochBuilder {
 public:
  EpochBuilder(RinexSession* session, const RinexOptions& options, const LossOfLock& lossOfLock);
  // The epoch of observations of a KEL epoch; false when it is left out (a
  // time that is no time of week, outside the bounds, off the grid, or no
  // GPS or GLONASS satellite to write), counted in the tally; out then holds
  // the satellites of a dated epoch all the same, for their losses of lock.
  bool Build(const jps::KelEpoch& epoch, const std::vector<jps::KelMeasurement>& measurements,
             jps::ObservationEpoch* out, EpochTally* tally);

 private:
  // The satellite's values; false when it is left out (*why says why).
  bool Satellite(const jps::KelMeasurement& m, double gpsTime, jps::SatelliteValues* out,
                 std::string* name, std::string* why) const;

  RinexSession* session_;
  jpsrinex::EpochWindow window_;
  const LossOfLock& lossOfLock_;
};

// The approximate position line's ECEF coordinates (WGS-84) of a latitude,
// longitude (degrees) and ellipsoidal height (m).
void GeodeticToEcef(double latitude, double longitude, double height, double xyz[3]);

}  // namespace jpsconv
