// The receiver simulator: writes the JPS byte stream of a realistic session
// of a GREIS receiver (GPS and GLONASS satellites rising and setting, ranges,
// phases and Dopplers that agree with each other, ephemerides, field events
// and camera pulses), deterministic for a seed.
//
// The session is cut into five parts; each part uses one receiver output
// set (see MessageSets), so that one session carries every encoding the
// converter reads, and the receiver re-acquires all satellites (new locks,
// new ambiguities, flagged) when the set changes. With rm set, the
// measurements come as [rM] records instead, alternately with and without
// Doppler.
//
// Consistency of the measurements, between two epochs of one lock and for
// epochs up to 1 s apart (the noise is clipped at four deviations, so these
// hold for every seed):
//   - L1 phase change minus mean Doppler x interval: within 0.1 cycle;
//   - L1 code change minus L1 phase change x wavelength: within 5 m;
//   - L2 code change minus L2 phase change x wavelength: within 7 m;
//   - L2 minus L1 code (the ionosphere's extra L2 delay, the satellite's
//     group delay and noise): between -6 and 25 m.
// Encodings add at most 0.002 cycle (phases) and 0.02 m ([rM] ranges).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tools/builder/message_builder.h"
#include "tools/simulator/receiver_model.h"

namespace jpssim {

// Epochs that the receiver does not record: count epochs from epoch first
// (the session's epochs count from 0). The satellites go on being tracked;
// texts typed and camera pulses during a gap come with the first epoch after it.
struct EpochGap {
  int first = 0;
  int count = 0;
};

struct SimulatorOptions {
  double minutes = 10.0;
  double interval = 1.0;  // s between epochs, a whole number of milliseconds
  uint64_t seed = 1;
  bool rm = false;  // measurements as [rM] records
  // Gaps, in epoch order, not overlapping, inside the session: its first and
  // last epochs are always recorded.
  std::vector<EpochGap> gaps;
  // An extra code error on one satellite (its GREIS index; 0: none): noise of
  // this deviation in metres (clipped at four deviations, like all noise),
  // drawn anew for each epoch and for the C/A and the L2 P range apart.
  int codeErrorSatellite = 0;
  double codeErrorRms = 0.0;
};

// What the stream holds, as written.
struct SessionStats {
  int epochs = 0;  // written; gaps left out
  int gpsEphemerides = 0;
  int glonassEphemerides = 0;
  int sitesSaved = 0;   // sites typed and saved by the operator
  int modeChanges = 0;  // switches between static and dynamic
  int cameraPulses = 0;
  int lockStarts = 0;  // satellite locks begun (rise, slip, new output set)
  int slips = 0;
  int missingValues = 0;  // values sent with the receiver's "not available" mark
  uint64_t bytes = 0;
  std::map<std::string, int> messages;  // messages written, by identifier
};

// "" when the options are usable, else the reason.
std::string CheckSimulatorOptions(const SimulatorOptions& options);

// One session, epoch by epoch.
class Session {
 public:
  explicit Session(const SimulatorOptions& options);
  ~Session();
  int epochCount() const;  // planned, gaps included
  // Appends the next recorded epoch and whatever precedes it; false after the last.
  bool Next(jpsbuild::Bytes* out);
  // The observations of the epoch that Next wrote last.
  const ReceiverEpoch& lastEpoch() const;
  const SessionStats& stats() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Writes a whole session through sink (in pieces); false when sink refused.
using ByteSink = std::function<bool(const uint8_t* data, size_t size)>;
bool SimulateSession(const SimulatorOptions& options, const ByteSink& sink, SessionStats* stats);
jpsbuild::Bytes SimulateSessionBytes(const SimulatorOptions& options,
                                     SessionStats* stats = nullptr);

}  // namespace jpssim
