// The conversion's RINEX output: a sink that the driver feeds with the
// epochs of observations, the broadcast ephemerides and the station lines of
// the stream, and that writes a RINEX observation file and navigation files
// (3.04: FILE.obs and the mixed FILE.nav; 2.11: FILE.obs, the GPS FILE.nav
// and the GLONASS FILE.gnav). The files are written under the temporary
// names the conversion gives them; it puts them in place with its other
// outputs when every one is complete, and removes them otherwise, so that
// files already there stay untouched.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "plugin/conversion_sink.h"
#include "tools/rinex/navigation_file.h"
#include "tools/rinex/observation_file.h"
#include "tools/rinex/rinex_time.h"
#include "tools/rinex/time_order.h"

namespace jpsrinex {

struct RinexSinkOptions {
  std::string obsPath;
  std::string navPath;         // 3.04: every system; 2.11: GPS
  std::string glonassNavPath;  // 2.11 only: GLONASS
  RinexVersion version = RinexVersion::k304;
  TimeBound from, to;          // the epochs outside are left out
  double interval = 0;         // s; 0 = every epoch, else those on a grid of it
  std::string program;         // PGM / RUN BY / DATE: "jpsconv 1.0"
  std::string runBy;
  int64_t runTime = 0;         // seconds since 1970 (UTC) of the run date
  std::string markerName;      // when no site was saved
  std::string receiverType;    // REC # / TYPE / VERS
};

// What was written and left out, for the summary.
struct RinexCounts {
  int64_t epochsWritten = 0;
  int64_t epochsNotAfter = 0;   // time not after the last epoch written
  int64_t epochsOutside = 0;    // outside --from, --to or off the --interval grid
  int64_t epochsEmpty = 0;      // no satellite that the file can hold
  int satellites[jps::kGnssSystemCount] = {};  // distinct satellites written
  int records[jps::kGnssSystemCount] = {};     // navigation records written
  int64_t recordsRepeated = 0;  // the same ephemeris again: not written
  int64_t recordsUnusable = 0;  // incomplete, or a satellite RINEX cannot name
  int64_t recordsNoPlace = 0;   // 2.11: systems without a navigation file here
  int64_t valuesOutOfRange = 0; // too large for their field: written blank
  int64_t blankValues = 0;
  int64_t satellitesLeftOut = 0;  // satellite records of epochs not written
  int32_t firstWeek = -1;
};

class RinexSink : public jps::ConversionSink {
 public:
  explicit RinexSink(RinexSinkOptions options);
  ~RinexSink() override;

  bool WantsObservations() const override { return true; }
  bool Open(jps::ConversionContext& context, jps::OutputFiles& files) override;
  void OnObservationEpoch(const jps::ObservationEpoch& epoch) override;
  void OnEphemeris(const jps::EphemerisMessage& message) override;
  void OnStationLine(const jps::StaLine& line) override;
  bool Close(jps::ConversionContext& context, const jps::ConversionEnd& end) override;

  const RinexCounts& counts() const { return counts_; }
  // Why Open or Close failed, or why no file was written ("" when they were).
  const std::string& error() const { return error_; }
  // True when the conversion held no epoch to write: no files, no failure.
  bool empty() const { return empty_; }

 private:
  struct Received {  // an ephemeris kept for the end, when its week is known
    char id[2];
    std::vector<uint8_t> body;
    double timeOfWeek;
    double gpsTime;  // NaN until an epoch places it
  };
  // Tells the host of a run of epochs left out for their time.
  void Tell(const std::string& run);
  bool Fail(jps::ConversionContext& context, const std::string& why);
  std::string TemporaryName(const std::string& path, std::string* why);
  bool Repeated(const jps::EphemerisMessage& message);
  void AddRecords(int leapSeconds);
  void AddRecord(const Received& r, int leapSeconds);

  RinexSinkOptions options_;
  jps::ConversionContext* context_ = nullptr;
  jps::OutputFiles* files_ = nullptr;   // where the files' temporary names come from
  ObservationFile obs_;
  std::vector<std::unique_ptr<NavigationFile>> navFiles_;
  std::vector<std::string> navPaths_;
  EpochWindow window_;
  TimeOrder timeOrder_;
  double lastSeenGps_ = 0;
  bool seenEpoch_ = false;
  std::vector<Received> received_;
  std::set<std::array<int64_t, 6>> ephemerisKeys_;
  // The first site saved.
  bool hasSite_ = false;
  std::string siteName_, siteAntenna_;
  double siteHeight_ = 0;
  bool slantHeight_ = false;
  RinexCounts counts_;
  std::string error_;
  bool empty_ = false;
};

}  // namespace jpsrinex
