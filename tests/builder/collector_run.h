// The decoder over a JPS file with an observation collector on its tap, as
// the conversion driver runs it: the epochs the collector delivers, and the
// texts that reached the host.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "epoch/observation_collector.h"
#include "greis/bulk_decode.h"
#include "greis/jps_input.h"
#include "support/gnss_signals.h"
#include "tests/builder/test_decoder.h"

namespace jpstest {

struct CollectedEpoch {
  int32_t week;
  double timeOfWeek;
  bool hasClockOffset, hasPosition;
  double clockOffset;
  double position[3];
  std::vector<jps::SatelliteValues> satellites;

  // The satellite of that system and RINEX number; null when not written.
  const jps::SatelliteValues* Find(jps::GnssSystem system, int number) const {
    for (const jps::SatelliteValues& s : satellites) {
      if (s.system == system && s.number == number) return &s;
    }
    return nullptr;
  }
};

class EpochList : public jps::ObservationReceiver {
 public:
  void OnObservationEpoch(const jps::ObservationEpoch& e) override {
    CollectedEpoch c{e.week, e.timeOfWeek, e.hasClockOffset, e.hasPosition, e.clockOffset,
                     {e.position[0], e.position[1], e.position[2]}, {}};
    c.satellites.assign(e.satellites, e.satellites + e.satelliteCount);
    epochs.push_back(std::move(c));
  }
  std::vector<CollectedEpoch> epochs;
};

struct CollectorRun {
  std::unique_ptr<TestDecoder> decoder = std::make_unique<TestDecoder>();
  EpochList received;
  std::vector<jps::DecoderEvent> events;   // every event but 0 and the end
  bool opened = false;
};

// Decodes the file to its end; a KEL epoch is taken as the driver takes it
// (its counters cleared), and the collector is told the input ended.
inline std::unique_ptr<CollectorRun> RunCollector(const std::string& path) {
  auto run = std::make_unique<CollectorRun>();
  jps::JpsInput input;
  run->opened = input.Open(path.c_str());
  if (!run->opened) return run;
  jps::DecoderState& state = run->decoder->state;
  jps::ObservationCollector collector(run->decoder->context, run->received);
  collector.Reset();
  state.JpsStream = &input;
  state.Tap = &collector;
  for (;;) {
    jps::DecoderEvent event = jps::DecodeUntilEvent(&state);
    if (event == jps::kEventEnd) break;
    if (event == jps::kEventEpoch) jps::ClearEpochCounters(&state);
    if (event != jps::kEventNone) run->events.push_back(event);
  }
  collector.Stop();   // the end of input as a stop: the epoch still open is not delivered
  state.Tap = nullptr;
  state.JpsStream = nullptr;
  return run;
}

}  // namespace jpstest
