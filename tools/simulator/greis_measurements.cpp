#include "tools/simulator/greis_measurements.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace jpssim {
namespace {

using jpsbuild::Body;
using jpsbuild::Bytes;
using jps::SignalSlot;

// The receiver's marks for a value it does not have.
constexpr uint64_t kMissingF8 = 0x7FF8000000000000ull;
constexpr uint32_t kMissingF4 = 0x7FC00000u;
constexpr uint32_t kMissingI4 = 0x7FFFFFFFu;
constexpr uint32_t kMissingU4 = 0xFFFFFFFFu;
constexpr uint32_t kMissingI2 = 0x7FFFu;
constexpr uint32_t kMissingU1 = 0xFFu;
constexpr uint32_t kUnknownGlonassSlot = 0xFFu;

// Scales of the short forms.
constexpr double kShortRangeUnit = 1e-11;                     // s
constexpr double kShortRangeOffset = 0.075;                   // s
constexpr double kRelativeRangeOffset = 2e-7;                 // s, of the i2 relative forms
constexpr double kRelativePhaseUnit = 1.0 / 1099511627776.0;  // 2^-40 s
constexpr double kCounterUnitsPerCycle = 1024.0;
constexpr double kDopplerUnit = 1e-4;  // Hz
constexpr double kSnrQuarters = 4.0;
constexpr double kLargestSnrCount = 254.0;

constexpr uint16_t kFlagPhaseLocked = 0x01;   // the phase-locked loop is locked
constexpr uint16_t kFlagCodeAndPhaseGood = 0x10;
constexpr uint16_t kFlagSlip = 0x20;
constexpr uint16_t kFlagStatus = 0x40;
constexpr uint32_t kMaxLockSeconds = 0xFFFE;

constexpr SignalSlot kSlotsSent[] = {SignalSlot::kCa, SignalSlot::kP1, SignalSlot::kP2,
                                     SignalSlot::kCa2, SignalSlot::kL5};

bool FitsI32(double v) {
  return v > std::numeric_limits<int32_t>::min() && v < std::numeric_limits<int32_t>::max();
}
bool FitsI16(double v) { return v >= INT16_MIN && v < INT16_MAX; }

// The i4 short range, or the mark; 0 would read as absent, so it becomes 1.
uint32_t ShortRange(double seconds) {
  double count = std::nearbyint((seconds - kShortRangeOffset) / kShortRangeUnit);
  if (!FitsI32(count)) return kMissingI4;
  int32_t c = static_cast<int32_t>(count);
  return static_cast<uint32_t>(c == 0 ? 1 : c);
}

// A value relative to the C/A range as f4, or the mark when there is none
// (0, which would read as nothing, is sent as the mark too).
void PutF4Relative(Body& body, bool has, double seconds) {
  float value = static_cast<float>(seconds);
  if (has && value != 0.0f) {
    body.F4(value);
  } else {
    body.F4Bits(kMissingF4);
  }
}

// The i4 Doppler count of a signal ([DC] [D1] ...), or the mark.
uint32_t DopplerCount(const SignalTruth& s) {
  if (!s.hasDoppler) return kMissingI4;
  return static_cast<uint32_t>(static_cast<int32_t>(std::lround(s.doppler / kDopplerUnit)));
}

// What the C/A values that relative forms refer to read as.
struct CaReference {
  double range;      // s, 0 when absent
  uint32_t doppler;  // the [DC] count, or its mark
};

void PutRange(Body& body, RangeForm form, const SignalTruth& s, const CaReference& ca) {
  double seconds = s.range / kLightSpeed;
  bool has = s.hasRange;
  switch (form) {
    case RangeForm::kDouble:
      has ? body.F8(seconds) : body.F8Bits(kMissingF8);
      break;
    case RangeForm::kInteger:
      body.U4(has ? ShortRange(seconds) : kMissingI4);
      break;
    case RangeForm::kIntRelative: {
      double count = std::nearbyint((seconds - ca.range - kRelativeRangeOffset) / kShortRangeUnit);
      if (!has || ca.range == 0 || !FitsI16(count)) {
        body.U2(kMissingI2);
      } else {
        body.I2(count == 0 ? 1 : static_cast<int32_t>(count));
      }
      break;
    }
    case RangeForm::kFloatRelative:
      PutF4Relative(body, has && ca.range != 0, seconds - ca.range);
      break;
    case RangeForm::kNone:
      break;
  }
}

void PutPhase(Body& body, PhaseForm form, const SignalTruth& s, const CaReference& ca) {
  bool has = s.hasPhase;
  double cycles = s.phase;
  // Without its C/A range the receiver has no relative phase either.
  bool relative = has && ca.range != 0;
  double seconds = relative ? cycles / s.frequency - ca.range : 0.0;
  switch (form) {
    case PhaseForm::kDouble:
      has ? body.F8(cycles) : body.F8Bits(kMissingF8);
      break;
    case PhaseForm::kCounter: {
      // The phase modulo 2^32 counts of 1/1024 cycle; 0 reads as absent.
      uint64_t counts = static_cast<uint64_t>(std::llround(cycles * kCounterUnitsPerCycle));
      uint32_t raw = static_cast<uint32_t>(counts & 0xFFFFFFFFu);
      if (raw == 0) raw = 1;
      if (raw == kMissingU4) raw = kMissingU4 - 1;
      body.U4(has ? raw : kMissingU4);
      break;
    }
    case PhaseForm::kIntRelative: {
      double count = std::nearbyint(seconds / kRelativePhaseUnit);
      if (!relative || !FitsI32(count)) {
        body.U4(kMissingI4);
      } else {
        body.I4(count == 0 ? 1 : static_cast<int32_t>(count));
      }
      break;
    }
    case PhaseForm::kFloatRelative:
      PutF4Relative(body, relative, seconds);
      break;
    case PhaseForm::kNone:
      break;
  }
}

// Dopplers have the receiver's sign (that of the phase rate); the relative
// form is scaled to the C/A carrier and taken against the [DC] count.
void PutDoppler(Body& body, DopplerForm form, const SignalTruth& s, const CaReference& ca,
                double caFrequency) {
  if (form == DopplerForm::kAbsolute) {
    body.U4(DopplerCount(s));
  } else if (form == DopplerForm::kRelative) {
    double count = std::nearbyint(s.doppler * (caFrequency / s.frequency) / kDopplerUnit -
                                  static_cast<int32_t>(ca.doppler));
    bool fits = s.hasDoppler && ca.doppler != kMissingI4 && FitsI16(count);
    body.U2(fits ? static_cast<uint32_t>(static_cast<int32_t>(count)) : kMissingI2);
  }
}

void PutSnr(Body& body, SnrForm form, const SignalTruth& s) {
  if (form == SnrForm::kNone) return;
  double scale = form == SnrForm::kQuarters ? kSnrQuarters : 1.0;
  double count = std::min(kLargestSnrCount, std::nearbyint(std::max(0.0, s.snr * scale)));
  body.U1(s.hasSnr ? static_cast<uint32_t>(count) : kMissingU1);
}

void AppendMessage(Bytes& out, std::vector<std::string>* ids, const std::string& id,
                   const Body& body) {
  jpsbuild::AppendMessage(out, id, body);
  if (ids != nullptr) ids->push_back(id);
}

// The range, phase, Doppler and strength messages of one slot.
void AppendSlot(Bytes& out, std::vector<std::string>* ids, const ReceiverEpoch& epoch,
                const MessageSet& set, SignalSlot slot) {
  const SlotForms& forms = set.slots[static_cast<size_t>(slot)];
  const SlotIds& slotIds = set.ids[static_cast<size_t>(slot)];
  RangeForm caForm = set.slots[static_cast<size_t>(SignalSlot::kCa)].range;
  Body range, phase, doppler, snr;
  for (const SatObservation& o : epoch.satellites) {
    SignalTruth s = o.InSlot(slot);
    CaReference ca{DecodedCaRange(caForm, o), DopplerCount(o.InSlot(SignalSlot::kCa))};
    PutRange(range, forms.range, s, ca);
    PutPhase(phase, forms.phase, s, ca);
    PutDoppler(doppler, forms.doppler, s, ca, o.l1Frequency);
    PutSnr(snr, forms.snr, s);
  }
  if (!slotIds.range.empty()) AppendMessage(out, ids, slotIds.range, range);
  if (!slotIds.phase.empty()) AppendMessage(out, ids, slotIds.phase, phase);
  if (!slotIds.doppler.empty()) AppendMessage(out, ids, slotIds.doppler, doppler);
  if (!slotIds.snr.empty()) AppendMessage(out, ids, slotIds.snr, snr);
}

}  // namespace

double DecodedCaRange(RangeForm form, const SatObservation& o) {
  if (!o.hasCaRange) return 0.0;
  double seconds = o.caRange / kLightSpeed;
  if (form == RangeForm::kDouble) return seconds;
  uint32_t raw = ShortRange(seconds);
  if (raw == kMissingI4) return 0.0;
  return static_cast<int32_t>(raw) * kShortRangeUnit + kShortRangeOffset;
}

uint16_t LoopFlags(const SatObservation& o) {
  return static_cast<uint16_t>(kFlagStatus | kFlagCodeAndPhaseGood |
                               (o.lockStarted ? kFlagSlip : 0));
}

void AppendMeasurementMessages(Bytes& out, const ReceiverEpoch& epoch, const MessageSet& set,
                               std::vector<std::string>* ids) {
  Body si, nn, el, az, fc, tc;
  for (const SatObservation& o : epoch.satellites) {
    si.U1(o.index);
    if (o.glonass) nn.U1(o.slotKnown ? static_cast<uint32_t>(o.glonassSlot) : kUnknownGlonassSlot);
    el.I1(static_cast<int32_t>(std::lround(o.elevation)));
    az.U1(static_cast<uint32_t>(std::lround(o.azimuth / 2.0)) % 180);
    // The phase-locked loop is locked on every satellite tracked.
    fc.I2(LoopFlags(o) | kFlagPhaseLocked);
    tc.U2(std::min(kMaxLockSeconds, static_cast<uint32_t>(o.lockTime)));
  }
  AppendMessage(out, ids, "SI", si);
  if (set.glonassSlots) AppendMessage(out, ids, "NN", nn);
  AppendMessage(out, ids, "EL", el);
  AppendMessage(out, ids, "AZ", az);
  AppendMessage(out, ids, "FC", fc);
  AppendMessage(out, ids, "TC", tc);
  for (SignalSlot slot : kSlotsSent) AppendSlot(out, ids, epoch, set, slot);
}

}  // namespace jpssim
