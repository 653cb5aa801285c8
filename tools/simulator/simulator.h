// The receiver simulator: writes the JPS byte stream of a realistic session
// of a GREIS receiver (GPS and GLONASS satellites rising and setting, ranges,
// phases, Dopplers and signal strengths that agree with each other, on C/A
// and P on L1 and L2, on GPS L2C and L5 and GLONASS C/A on L2 where the
// satellite sends them (signal_plan.h); ephemerides, field events and camera
// pulses), deterministic for a seed. The observations of each epoch, the
// truth the stream encodes, are Session::lastEpoch().
//
// The session is cut into five parts; each part uses one receiver output
// set (see MessageSets), so that one session carries every form of every
// measurement family of every slot, and the receiver re-acquires all
// satellites (new locks, new ambiguities, flagged) when the set changes.
// All sets but "counter" send the GLONASS satellites' orbital slots ([NN]),
// 255 during a satellite's first 20 s in view. With rm set, the measurements
// come as [rM] records instead (C/A and L2 P only), alternately with and
// without Doppler.
//
// Consistency of the measurements of each signal, between two epochs of one
// lock and for epochs up to 1 s apart (the noise is clipped at four
// deviations, so these hold for every seed):
//   - phase change minus mean Doppler x interval: within 0.1 cycle;
//   - code change minus phase change x wavelength: within 5 m for C/A on L1
//     and on L2 (GPS L2C), 7 m for P on L1 and L2, 3 m for L5;
//   - P on L1 minus C/A code: within 5 m; L2 and L5 codes minus C/A code (the
//     ionosphere's extra delay, the satellite's group delays and noise):
//     between -6 and 25 m;
//   - phases as tracked: P on L1 a quarter cycle ahead of C/A, C/A on L2 (L2C)
//     a quarter cycle behind P on L2, within 0.02 cycle.
// Encodings add at most 0.002 cycle (phases), 0.0016 m (ranges), 0.6e-4 Hz
// (Dopplers), 0.5 dB-Hz ([Ex]) and 0.125 dB-Hz ([xE]), 0.02 m ([rM] ranges).
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
  // drawn anew for each epoch and for each of its signals' ranges apart.
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
  int missingValues = 0;  // values of signals sent that the receiver does not have
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
