// KEL epochs as RINEX epochs: the full GPS week, the --from, --to and
// --interval choice, satellite numbers as RINEX names, and the values with
// the signs RINEX uses.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/kel_records.h"
#include "tools/jpsconv/rinex_observation.h"
#include "tools/jpsconv/rinex_session.h"

namespace jpsconv {

// What the epochs taken so far hold.
struct EpochTally {
  int64_t epochs = 0;
  int64_t leftOut = 0;
  int64_t blankValues = 0;
  std::set<std::pair<char, int>> satellites;             // (system, number)
  std::map<std::string, std::string> satellitesLeftOut;  // KEL name -> why
  int32_t firstWeek = -1;
  jps::DateTime first{}, last{};
  double lastTime = 0;                  // GPS seconds of the last epoch taken
  std::map<int64_t, int64_t> spacings;  // ms between epochs taken -> how often
  bool hasPosition = false;
  double latitude = 0, longitude = 0, height = 0;  // of the first epoch taken with one
};

class EpochBuilder {
 public:
  EpochBuilder(RinexSession* session, const RinexOptions& options);
  // The RINEX epoch of a KEL epoch; false when it is left out (a time that is
  // no time of week, outside the bounds, off the grid, or no GPS or GLONASS
  // satellite to write). The tally, when given, counts what was taken.
  bool Build(const jps::KelEpoch& epoch, const std::vector<jps::KelMeasurement>& measurements,
             ObsEpoch* out, EpochTally* tally);

 private:
  bool InTime(double tow, double gpsTime);
  // The satellite's RINEX record; false when it is left out (*why says why).
  bool Satellite(const jps::KelMeasurement& m, double gpsTime, ObsSatellite* out, std::string* name,
                 std::string* why) const;

  RinexSession* session_;
  RinexOptions options_;
  bool started_ = false;
  double from_ = 0, to_ = 0;  // GPS seconds, once the first epoch placed them
};

// The approximate position line's ECEF coordinates (WGS-84) of a latitude,
// longitude (degrees) and ellipsoidal height (m).
void GeodeticToEcef(double latitude, double longitude, double height, double xyz[3]);

// The interval to state: the one asked for, else the most frequent spacing
// of the epochs taken (0 when there is none).
double StatedInterval(const EpochTally& tally, double asked);

}  // namespace jpsconv
