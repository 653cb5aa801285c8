// Brings the measurement arrays of an epoch to one form before they become
// KEL records: pseudoranges in seconds, carrier phases in cycles. The
// receiver sends full values, short counts with an implied offset, values
// relative to the C/A pseudorange, and a wrapping 32-bit phase counter.
#pragma once

#include <cstdint>

#include "context/continuity.h"
#include "greis/decoder_state.h"
#include "support/satellite_numbers.h"

namespace jps {

constexpr double kShortRangeScale = 1e-11;        // seconds per count
constexpr double kShortRangeOffset = 0.075;       // seconds
constexpr double kRelativeRangeOffset = 2e-7;     // seconds
constexpr double kRelativePhaseUnit = 1099511627776.0;   // 2^40 counts per second
constexpr double kPhaseCounterPerCycle = 1024.0;
constexpr double kDopplerUnitHz = 0.0001;                 // Hz per Doppler count
constexpr double kPhaseCounterPeriod = 4294967296.0;     // 2^32 counts
constexpr double kPhaseCounterPeriodCycles = 4194304.0;  // 2^32 / 1024 cycles
constexpr uint32_t kCounterLowQuarter = 0x40000000;      // below: just past a wrap
constexpr uint32_t kCounterHighQuarter = 0xC0000000;     // above: just before a wrap
constexpr double kPhaseJumpCycles = 1600000.0;   // with a code jump: a missed wrap
constexpr double kCodeJumpMetres = 150000.0;

// Form 2: count x 1e-11 + 0.075 s. Zero stays zero.
void ExpandShortRanges(double* array, int count);
// The relative forms (3, 6, 7, 8) carry the difference to the C/A range: a
// count of 0 is a measurement like any other, a slot the receiver marked
// unavailable (its Absent bit) or one without a C/A range becomes 0.
// Form 3: count x 1e-11 + 2e-7 s + the C/A range (seconds).
void ResolveRelativeRanges(const double* caRange, SignalArray& array, int count);
// Form 7: seconds relative to the C/A range.
void AddRelativeRanges(const double* caRange, SignalArray& array, int count);
// Form 5: the 1/1024-cycle counter, unwrapped with the satellite's track.
// caRange holds the C/A ranges in seconds.
void UnwrapShortPhases(double* array, const uint8_t* satIndices, int count,
                       const double* caRange, PhaseTrack (&track)[kPhaseTrackSize]);
// Form 6: f x (count / 2^40 + C/A range) cycles.
void PhaseFromIntRelative(DecoderState& state, SignalArray& array, int count, double frequency);
// Form 8: f x (value + C/A range) cycles.
void PhaseFromFloatRelative(DecoderState& state, SignalArray& array, int count, double frequency);

// Carrier frequency of a satellite for a GPS carrier: GLONASS satellites
// (numbers from 38, unless GLONASS is left out) take theirs from the
// ephemeris table; 0 when not known yet.
double CarrierFrequency(const DecoderState& state, int sv, double gpsFrequency);

// The epoch's range arrays to seconds: CaRange first, then P2Range.
void ConvertRangeArrays(DecoderState& state);
// The epoch's L1 phase array (P1Phase or CaPhase) and P2Phase to cycles; after
// ConvertRangeArrays.
void ConvertPhaseArrays(DecoderState& state);

}  // namespace jps
