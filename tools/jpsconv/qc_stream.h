// The data-quality report straight from the receiver's stream: a conversion
// sink that takes the epochs of observations of every system and signal,
// the ephemerides and the station lines as the converter decodes them, in
// the same pass as any other output, and works out the report's figures as
// they come (nothing is kept per epoch: the figures are sums per satellite,
// per signal and per bin of the pictures).
//
// Satellites are the report's rows as for a KEL file (GPS by PRN, GLONASS by
// the slot the stream gives, the other systems by their RINEX names); the
// slips and multipath come from the C/A phase and code on L1 and the P phase
// and code on L2, as in the KEL file, with a lock restart wherever the
// receiver's C/A lock time [TC] began after the satellite's previous epoch
// (where it sends none: wherever the receiver flagged a loss of lock on
// either phase). Elevation and azimuth are the
// receiver's [EL] and [AZ] where it sent them, else worked out from the
// ephemerides (qc_sky.h) every kSkyRefreshSeconds per satellite and held
// in between; a satellite's bins from before its first ephemeris are placed
// once it arrives.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "plugin/conversion_sink.h"
#include "tools/jpsconv/qc_figures.h"
#include "tools/jpsconv/qc_sky.h"

namespace jpsconv {

constexpr double kSkyRefreshSeconds = 10.0;

class QcStreamSink : public jps::ConversionSink {
 public:
  explicit QcStreamSink(const std::string& input) : input_(input) {}

  bool WantsObservations() const override { return true; }
  bool Open(jps::ConversionContext& context, jps::OutputFiles& files) override;
  void OnKelEpoch(const jps::KelEpoch& epoch, const jps::KelMeasurement* measurements) override;
  void OnObservationEpoch(const jps::ObservationEpoch& epoch) override;
  void OnEphemeris(const jps::EphemerisMessage& message) override;
  void OnStationLine(const jps::StaLine& line) override;
  bool Close(jps::ConversionContext& context, const jps::ConversionEnd& end) override;

  long epochs() const { return epochs_; }
  // The report of what the conversion handed over (once).
  void Finish(QcReport* report);

 private:
  static constexpr int kNumbers = 256;  // RINEX numbers (GLONASS: slots) a system may use
  // What is kept of a satellite: the time of its last epoch, and its place
  // worked out from its ephemeris, held for a while.
  struct Satellite {
    bool seen = false;
    double lastTime = 0;  // of week
    bool valid = false;
    double time = 0;  // of week, when worked out
    LookAngles angles;
    bool unplaced = false;  // it had epochs without a place: its bins wait for one
  };

  // The satellite's observation as the report takes it, into *out.
  void Observation(const jps::SatelliteValues& sv, double tow, QcObservation* out);
  Satellite* StateOf(const jps::SatelliteValues& sv);
  // The receiver's angles, else those worked out (and held) for time of week tow.
  void PlaceInSky(const jps::SatelliteValues& sv, double tow, const QcObservation& o,
                  QcStreamValues* values);
  bool Compute(jps::GnssSystem system, int number, double tow, LookAngles* angles);
  void NoteUnhealthy(const std::string& name, int health, double tow);

  std::string input_;
  QcAccumulator figures_;
  BroadcastOrbits orbits_;
  std::vector<QcObservation> observations_;  // of the running epoch, reused
  Satellite satellites_[jps::kGnssSystemCount][kNumbers];
  bool kinematic_ = false;
  bool hasWeek_ = false;
  int32_t week_ = 0;
  bool hasPosition_ = false;
  double position_[3] = {0, 0, 0};
  long epochs_ = 0;
  bool aborted_ = false;
  std::map<std::string, QcUnhealthy> unhealthy_;
};

}  // namespace jpsconv
