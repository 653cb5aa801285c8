#include "epoch/measurement_forms.h"

#include <cmath>

#include "epoch/derived_doppler.h"
#include "support/kel_records.h"
#include "context/conversion_context.h"

namespace jps {
namespace {

int SlotCount(int count) { return count < 0 ? 0 : (count > kMaxSlots ? kMaxSlots : count); }

// A relative value means nothing without the C/A range it is relative to:
// such a slot becomes absent rather than a few metres or cycles of noise.
// A value the receiver marked unavailable stays absent; a count of 0 is not.
bool RelativeSlotUsable(const SignalArray& a, const double* caRange, int i) {
  return !SlotAbsent(a, i) && caRange[i] != 0.0;
}

template <typename Convert>
void ConvertRelativePhases(DecoderState& s, SignalArray& a, int count, double frequency,
                           Convert toSeconds) {
  double* caRange = s.CaRange.values;
  count = SlotCount(count);
  for (int i = 0; i < count; ++i) {
    double f = CarrierFrequency(s, s.SatIndices[i], frequency);
    if (f == 0.0) {
      // No carrier for this number: no phase, and the satellite's L1 code goes too.
      a.values[i] = 0.0;
      caRange[i] = 0.0;
    } else {
      a.values[i] =
          RelativeSlotUsable(a, caRange, i) ? f * (toSeconds(a.values[i]) + caRange[i]) : 0.0;
    }
  }
}

// What a signal array held when one of its messages failed can't be trusted
// (it may be another form's raw counts): the epoch keeps none of it.
void DropFailedArray(SignalArray& a) {
  if (a.Form != kFormFailed) return;
  for (double& v : a.values) v = 0.0;
  a.Form = kFormNone;
}

void ConvertPhaseArray(DecoderState& s, SignalArray& a, double frequency,
                       PhaseTrack (&track)[kPhaseTrackSize]) {
  DropFailedArray(a);
  switch (a.Form) {
    case kFormPhaseCounter:
      UnwrapShortPhases(a.values, s.SatIndices, s.SatCount, s.CaRange.values, track);
      break;
    case kFormIntRelativePhase:
      PhaseFromIntRelative(s, a, s.SatCount, frequency);
      break;
    case kFormFloatRelativePhase:
      PhaseFromFloatRelative(s, a, s.SatCount, frequency);
      break;
    default:
      return;
  }
  a.Form = kFormCycles;
}

}  // namespace

void ExpandShortRanges(double* array, int count) {
  count = SlotCount(count);
  for (int i = 0; i < count; ++i) {
    if (array[i] != 0.0) array[i] = array[i] * kShortRangeScale + kShortRangeOffset;
  }
}

void ResolveRelativeRanges(const double* caRange, SignalArray& a, int count) {
  count = SlotCount(count);
  for (int i = 0; i < count; ++i) {
    double& v = a.values[i];
    v = RelativeSlotUsable(a, caRange, i) ? v * kShortRangeScale + kRelativeRangeOffset + caRange[i]
                                          : 0.0;
  }
}

void AddRelativeRanges(const double* caRange, SignalArray& a, int count) {
  count = SlotCount(count);
  for (int i = 0; i < count; ++i) {
    double& v = a.values[i];
    v = RelativeSlotUsable(a, caRange, i) ? caRange[i] + v : 0.0;
  }
}

void UnwrapShortPhases(double* array, const uint8_t* satIndices, int count,
                       const double* caRange, PhaseTrack (&track)[kPhaseTrackSize]) {
  count = SlotCount(count);
  for (int i = 0; i < count; ++i) {
    int sv = satIndices[i];
    if (array[i] == 0.0) continue;
    // A counter of a satellite without a track (number 71 and beyond) can't
    // be unwrapped, and a value outside the counter's range is no reading:
    // neither is passed on as cycles.
    if (sv < 1 || sv >= kPhaseTrackSize || !(array[i] > 0.0 && array[i] < kPhaseCounterPeriod)) {
      array[i] = 0.0;
      continue;
    }
    uint32_t raw = static_cast<uint32_t>(array[i]);
    PhaseTrack& t = track[sv];
    if (t.lastRaw != 0) {
      if (raw < kCounterLowQuarter && t.lastRaw > kCounterHighQuarter) ++t.wrapCount;
      if (raw > kCounterHighQuarter && t.lastRaw < kCounterLowQuarter) --t.wrapCount;
    }
    t.lastRaw = raw;
    double phase = (t.wrapCount * kPhaseCounterPeriod + raw) / kPhaseCounterPerCycle;
    double code = caRange[i] * kSpeedOfLight;
    double dPhase = t.lastPhase - phase;
    double dCode = code - t.lastCode;
    // A code jump together with a phase jump of nearly a counter period: a
    // wrap that the quarter test could not see.
    if (std::fabs(dPhase) > kPhaseJumpCycles && std::fabs(dCode) > kCodeJumpMetres &&
        t.lastCode != 0.0) {
      if (dPhase > 0) {
        ++t.wrapCount;
        phase += kPhaseCounterPeriodCycles;
      } else {
        --t.wrapCount;
        phase -= kPhaseCounterPeriodCycles;
      }
    }
    t.lastPhase = phase;
    t.lastCode = code;
    array[i] = phase;
  }
}

void PhaseFromIntRelative(DecoderState& s, SignalArray& a, int count, double frequency) {
  ConvertRelativePhases(s, a, count, frequency, [](double v) { return v / kRelativePhaseUnit; });
}

void PhaseFromFloatRelative(DecoderState& s, SignalArray& a, int count, double frequency) {
  ConvertRelativePhases(s, a, count, frequency, [](double v) { return v; });
}

double CarrierFrequency(const DecoderState& s, int sv, double gpsFrequency) {
  if (sv < kFirstGlonassNumber || s.Context->switches.gpsOnly) return gpsFrequency;
  return GlonassFrequency(s, sv, gpsFrequency == kGpsL1Frequency ? 0 : 1);
}

void ConvertRangeArrays(DecoderState& s) {
  DropFailedArray(s.CaRange);
  DropFailedArray(s.P2Range);
  if (s.CaRange.Form == kFormShortRange) {
    ExpandShortRanges(s.CaRange.values, s.SatCount);
    s.CaRange.Form = kFormSeconds;
  }
  switch (s.P2Range.Form) {
    case kFormShortRange:
      ExpandShortRanges(s.P2Range.values, s.SatCount);
      break;
    case kFormShortRelativeRange:
      ResolveRelativeRanges(s.CaRange.values, s.P2Range, s.SatCount);
      break;
    case kFormFloatRelativeRange:
      AddRelativeRanges(s.CaRange.values, s.P2Range, s.SatCount);
      break;
    default:
      return;
  }
  s.P2Range.Form = kFormSeconds;
}

void ConvertPhaseArrays(DecoderState& s) {
  ContinuityState& continuity = s.Context->continuity;
  SignalArray& l1 = s.Context->switches.l1PhaseFromP1 ? s.P1Phase : s.CaPhase;
  ConvertPhaseArray(s, l1, kGpsL1Frequency, continuity.L1Track);
  ConvertPhaseArray(s, s.P2Phase, kGpsL2Frequency, continuity.L2Track);
}

}  // namespace jps
