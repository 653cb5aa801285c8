// The receiver's forms of an observation brought to RINEX's units: code in
// metres, phase in cycles, Doppler in Hz with RINEX's sign (positive while
// the satellite approaches), C/N0 in dB-Hz. Counts arrive as read from the
// messages (satellite_values.h); ranges in seconds.
#pragma once

#include <cstdint>

#include "support/gnss_signals.h"

namespace jps {

// A short pseudorange is count x scale + offset seconds; both depend on the system.
struct ShortRangeForm {
  double scale;   // s per count
  double offset;  // s
};
// gpsDay (days since 1980-01-06) tells Galileo's offset: receivers changed
// it in April 2011, so a day before then was recorded with the older one.
ShortRangeForm ShortRangeFormOf(GnssSystem system, int32_t gpsDay);

inline double ShortRangeSeconds(const ShortRangeForm& form, double count) {
  return count * form.scale + form.offset;
}
// [1r] [2r] ...: count x 1e-11 + 2e-7 s after the C/A pseudorange.
double ShortRelativeRangeSeconds(double count, double caRangeSeconds);
// [CP] [1P] ...: (value + C/A pseudorange) x f.
double RelativePhaseCycles(double seconds, double caRangeSeconds, double frequency);
// [cp] [1p] ...: (count x 2^-40 + C/A pseudorange) x f.
double ShortRelativePhaseCycles(double count, double caRangeSeconds, double frequency);
// [DC] [D1] ...: counts of 1e-4 Hz with the receiver's sign, the opposite of RINEX's.
double DopplerHz(double count);
// [1d] [2d] ...: counts relative to [DC], scaled to the C/A carrier; ratio is
// the signal's carrier over the C/A carrier.
double RelativeDopplerHz(double count, double caCount, double ratio);
// [CE] [1E] ...: quarters of a dB-Hz.
double QuarterCnr(double count);

// The 1/1024-cycle phase counter of one signal of one satellite, a 32-bit
// counter that rolls over: unwrapped from one reading to the next by the
// shorter way round (steps below half the counter's span, 2^31 counts,
// about two million cycles). A new track starts at the counter's reading.
class PhaseCounterTrack {
 public:
  void Restart() { started_ = false; }
  // Cycles of the reading, unwrapped with the track's previous readings.
  double Unwrap(uint32_t counter);

 private:
  bool started_ = false;
  uint32_t last_ = 0;
  int64_t counts_ = 0;   // the unwrapped reading
};

}  // namespace jps
