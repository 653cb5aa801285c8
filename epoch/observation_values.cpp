#include "epoch/observation_values.h"

#include <cmath>

#include "support/kel_records.h"

namespace jps {
namespace {

constexpr double kAzimuthUnit = 2.0;   // degrees per [AZ] count
// The filled bits of one slot's values, from its code's.
constexpr uint32_t kSlotValues = (uint32_t{1} << kQuantityCount) - 1;
static_assert(FilledBit(0, Quantity::kCnr) == kQuantityCount - 1, "a slot's values in a row");

// The C/A pseudorange (s) that a relative form is relative to: the short
// forms pair with [rc], the float ones with [RC]; either serves when the
// other did not come. False when neither came.
bool CaRangeFor(const RawSatellite& raw, const ShortRangeForm& shortForm, bool pairsWithShort,
                double* seconds) {
  bool full = (raw.has & kRawCaRange) != 0;
  bool counted = (raw.has & kRawCaShortRange) != 0;
  if (counted && (pairsWithShort || !full)) {
    *seconds = ShortRangeSeconds(shortForm, raw.caShortRange);
    return true;
  }
  if (full) {
    *seconds = raw.caRange;
    return true;
  }
  return false;
}

struct SignalContext {
  const RawSatellite& raw;
  const SatelliteTime& satellite;
  ShortRangeForm shortForm;
};

// Code in metres; false when there is none.
bool Code(const SignalContext& c, const RawValue& v, double* metres) {
  double seconds = 0.0, ca = 0.0;
  switch (v.family) {
    case SatelliteFamily::kRange:
      seconds = v.value;
      break;
    case SatelliteFamily::kShortRange:
      seconds = ShortRangeSeconds(c.shortForm, v.value);
      break;
    case SatelliteFamily::kRelativeRange:
      if (!CaRangeFor(c.raw, c.shortForm, false, &ca)) return false;
      seconds = v.value + ca;
      break;
    case SatelliteFamily::kShortRelativeRange:
      if (!CaRangeFor(c.raw, c.shortForm, true, &ca)) return false;
      seconds = ShortRelativeRangeSeconds(v.value, ca);
      break;
    default:
      return false;
  }
  *metres = seconds * kSpeedOfLight;
  return std::isfinite(*metres);
}

// Phase in cycles; false when there is none.
bool Phase(const SignalContext& c, const RawValue& v, double frequency, PhaseCounterTrack& track,
           double* cycles) {
  double ca = 0.0;
  switch (v.family) {
    case SatelliteFamily::kPhase:
      *cycles = v.value;
      break;
    case SatelliteFamily::kPhaseCounter:
      *cycles = track.Unwrap(static_cast<uint32_t>(v.value));
      break;
    case SatelliteFamily::kRelativePhase:
      if (!CaRangeFor(c.raw, c.shortForm, false, &ca)) return false;
      *cycles = RelativePhaseCycles(v.value, ca, frequency);
      break;
    case SatelliteFamily::kShortRelativePhase:
      if (!CaRangeFor(c.raw, c.shortForm, true, &ca)) return false;
      *cycles = ShortRelativePhaseCycles(v.value, ca, frequency);
      break;
    default:
      return false;
  }
  return std::isfinite(*cycles);
}

// Doppler in Hz; false when there is none.
bool Doppler(const SignalContext& c, const RawValue& v, int slot, double* hz) {
  if (v.family == SatelliteFamily::kDoppler) {
    *hz = DopplerHz(v.value);
  } else if (v.family == SatelliteFamily::kRelativeDoppler && (c.raw.has & kRawCaDoppler) != 0) {
    *hz = RelativeDopplerHz(v.value, c.raw.caDoppler, c.satellite.carriers->toCa[slot]);
  } else {
    return false;
  }
  return std::isfinite(*hz);
}

bool Cnr(const RawValue& v, double* dbHz) {
  *dbHz = v.family == SatelliteFamily::kCnrQuarter ? QuarterCnr(v.value) : v.value;
  return true;
}

const RawValue& Value(const RawSatellite& raw, int slot, Quantity q) {
  return raw.values[slot][static_cast<int>(q)];
}

void ResolveSignal(const SignalContext& c, int slot, bool lockRestarted, PhaseCounterTrack& track,
                   LossOfLock& lossOfLock, SignalValues& out) {
  SignalSlot signalSlot = static_cast<SignalSlot>(slot);
  out = SignalValues{};
  double frequency = c.satellite.carriers->frequency[slot];
  if (frequency == 0.0) return;   // the system has no signal in this slot
  const RawSatellite& raw = c.raw;
  const RawValue& code = Value(raw, slot, Quantity::kCode);
  const RawValue& phase = Value(raw, slot, Quantity::kPhase);
  const RawValue& doppler = Value(raw, slot, Quantity::kDoppler);
  const RawValue& cnr = Value(raw, slot, Quantity::kCnr);
  // The present bits gather in a local, stored once or twice.
  uint8_t present = 0;
  if (raw.Has(slot, Quantity::kCode) && Code(c, code, &out.code)) present |= kHasCode;
  if (raw.Has(slot, Quantity::kDoppler) && Doppler(c, doppler, slot, &out.doppler)) {
    present |= kHasDoppler;
  }
  if (raw.Has(slot, Quantity::kCnr) && Cnr(cnr, &out.cnr)) present |= kHasCnr;
  bool hasLoopFlags = (raw.loopFlagSlots >> slot & 1u) != 0;
  uint16_t loopFlags = hasLoopFlags ? raw.loopFlags[slot] : 0;
  out.hasLoopFlags = hasLoopFlags;
  out.loopFlags = loopFlags;
  out.present = present;
  if (!raw.Has(slot, Quantity::kPhase)) return;
  // A phase counter unwraps along its arc: a new arc starts a new track.
  uint8_t index = c.satellite.index;
  if (!lossOfLock.ArcGoesOn(index, signalSlot)) track.Restart();
  if (!Phase(c, phase, frequency, track, &out.phase)) return;
  out.present = present | kHasPhase;
  out.lli = lossOfLock.PhaseIndicator(index, signalSlot, lockRestarted, hasLoopFlags, loopFlags);
}

}  // namespace

SatelliteCarriers CarriersOf(GnssSystem system, int channel) {
  SatelliteCarriers c{};
  double ca = SignalFrequency(system, SignalSlot::kCa, channel);
  for (int slot = 0; slot < kSignalSlotCount; ++slot) {
    c.frequency[slot] = SignalFrequency(system, static_cast<SignalSlot>(slot), channel);
    c.toCa[slot] = c.frequency[slot] / ca;
  }
  return c;
}

void ResolveSatellite(const RawSatellite& raw, const SatelliteTime& satellite, bool lockRestarted,
                      PhaseCounterTrack (&tracks)[kSignalSlotCount], LossOfLock& lossOfLock,
                      SatelliteValues& out) {
  SignalContext c{raw, satellite, ShortRangeFormOf(satellite.system, satellite.gpsDay)};
  uint8_t slotsPresent = 0;
  for (int slot = 0; slot < kSignalSlotCount; ++slot) {
    // A slot that brought nothing has nothing to resolve.
    if ((raw.filled >> FilledBit(slot, Quantity::kCode) & kSlotValues) == 0 &&
        (raw.loopFlagSlots >> slot & 1u) == 0) {
      out.signals[slot] = SignalValues{};
      continue;
    }
    ResolveSignal(c, slot, lockRestarted, tracks[slot], lossOfLock, out.signals[slot]);
    if (out.signals[slot].present != 0) slotsPresent |= static_cast<uint8_t>(1u << slot);
  }
  out.slotsPresent = slotsPresent;
  out.lockTime = (raw.has & kRawLockTime) != 0 ? raw.lockTime : -1;
  out.hasElevation = (raw.has & kRawElevation) != 0;
  out.elevation = out.hasElevation ? static_cast<int8_t>(raw.elevation) : 0;
  out.hasAzimuth = (raw.has & kRawAzimuth) != 0;
  out.azimuth = out.hasAzimuth ? static_cast<uint16_t>(raw.azimuth * kAzimuthUnit) : 0;
}

}  // namespace jps
