// An output of a conversion. The driver decodes the stream once and hands
// what it finds to each attached sink in stream order: the KEL epochs that
// the epoch assembly built, the epochs of observations of every system and
// signal, the broadcast ephemerides, the station-mark lines, and the end.
// The KEL, EPP and STA files are one sink; RINEX and the quality report are
// others. No sink reaches into the decoder's state.
#pragma once

#include <cstdint>

#include "context/conversion_context.h"
#include "epoch/observation_epoch.h"
#include "support/kel_records.h"
#include "support/output_files.h"
#include "support/sta_lines.h"

namespace jps {

// A broadcast message as received: [GE] [QE] [EN] [CN] (GpsEphemerisView),
// [NE] (GlonassEphemerisView) or [WE] (SbasEphemerisView). The body is valid
// during the call only.
// Whether a two-character message identifier is name ("GE").
inline bool IdIs(const char* id, const char* name) { return id[0] == name[0] && id[1] == name[1]; }

struct EphemerisMessage {
  bool Is(const char* name) const { return IdIs(id, name); }
  char id[2];
  const uint8_t* body;  // checksum byte last
  int length;
  double timeOfWeek;    // the receiver's GPS time of week when it arrived, s
};

// What is known once the input has ended.
struct ConversionEnd {
  int leapSeconds;       // GPS - UTC from [UO]; 0 when none arrived
  int64_t messagesFound; // whole messages met
  bool aborted;
};

class ConversionSink {
 public:
  virtual ~ConversionSink() = default;

  // True when the sink takes epochs of observations and the ephemerides of
  // the systems beyond GPS and GLONASS (collecting them costs time; without a
  // sink that wants them they are not made, and those ephemerides are
  // skipped).
  virtual bool WantsObservations() const { return false; }

  // Creates the outputs, each under the temporary name that files gives for
  // it (the driver puts them in place when every output is complete); false
  // (with the reason told to the host) when one cannot be created.
  virtual bool Open(ConversionContext& context, OutputFiles& files) = 0;

  virtual void OnKelEpoch(const KelEpoch& epoch, const KelMeasurement* measurements) {
    (void)epoch;
    (void)measurements;
  }
  virtual void OnObservationEpoch(const ObservationEpoch& epoch) { (void)epoch; }
  virtual void OnEphemeris(const EphemerisMessage& message) { (void)message; }
  virtual void OnStationLine(const StaLine& line) { (void)line; }

  // Writes what closes the outputs and closes them; false (with the reason
  // told to the host) when one could not be written. The driver then leaves
  // every output of the conversion out.
  virtual bool Close(ConversionContext& context, const ConversionEnd& end) = 0;
};

}  // namespace jps
