#include "tools/simulator/greis_measurements.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace jpssim {
namespace {

using jpsbuild::Body;
using jpsbuild::Bytes;

// The receiver's marks for a value it does not have.
constexpr uint64_t kMissingF8 = 0x7FF8000000000000ull;
constexpr uint32_t kMissingF4 = 0x7FC00000u;
constexpr uint32_t kMissingI4 = 0x7FFFFFFFu;
constexpr uint32_t kMissingU4 = 0xFFFFFFFFu;
constexpr uint32_t kMissingI2 = 0x7FFFu;

// Scales of the short forms.
constexpr double kShortRangeUnit = 1e-11;                     // s
constexpr double kShortRangeOffset = 0.075;                   // s
constexpr double kRelativeL2Offset = 2e-7;                    // s, of the [2r] form
constexpr double kRelativePhaseUnit = 1.0 / 1099511627776.0;  // 2^-40 s
constexpr double kCounterUnitsPerCycle = 1024.0;
constexpr double kDopplerUnit = 1e-4;  // Hz

constexpr uint16_t kFlagCodeAndPhaseGood = 0x10;
constexpr uint16_t kFlagSlip = 0x20;
constexpr uint16_t kFlagStatus = 0x40;
constexpr uint32_t kMaxLockSeconds = 0xFFFE;

const std::vector<MessageSet> kSets = {
    {"double", RangeForm::kDouble, PhaseForm::kDouble, PhaseForm::kDouble,
     L2RangeForm::kFloatRelative, PhaseForm::kDouble},
    {"compact", RangeForm::kInteger, PhaseForm::kIntRelative, PhaseForm::kIntRelative,
     L2RangeForm::kIntRelative, PhaseForm::kIntRelative},
    {"counter", RangeForm::kInteger, PhaseForm::kCounter, PhaseForm::kCounter,
     L2RangeForm::kInteger, PhaseForm::kCounter},
    {"float-relative", RangeForm::kDouble, PhaseForm::kFloatRelative, PhaseForm::kNone,
     L2RangeForm::kFloatRelative, PhaseForm::kFloatRelative},
    {"mixed", RangeForm::kInteger, PhaseForm::kDouble, PhaseForm::kNone, L2RangeForm::kDouble,
     PhaseForm::kDouble},
};

enum class Signal { kCa, kP1, kP2 };

// Identifier of a phase message by signal and form.
const char* PhaseId(Signal signal, PhaseForm form) {
  static const char* const kIds[3][5] = {
      {nullptr, "PC", "pc", "cp", "CP"},
      {nullptr, "P1", "p1", "1p", nullptr},
      {nullptr, "P2", "p2", "2p", "2P"},
  };
  return kIds[static_cast<int>(signal)][static_cast<int>(form)];
}

bool FitsI32(double v) {
  return v > std::numeric_limits<int32_t>::min() && v < std::numeric_limits<int32_t>::max();
}

// The i4 short range, or the mark; 0 would read as absent, so it becomes 1.
uint32_t ShortRange(double seconds) {
  double count = std::nearbyint((seconds - kShortRangeOffset) / kShortRangeUnit);
  if (!FitsI32(count)) return kMissingI4;
  int32_t c = static_cast<int32_t>(count);
  return static_cast<uint32_t>(c == 0 ? 1 : c);
}

void AppendMessage(Bytes& out, std::vector<std::string>* ids, const char* id, const Body& body) {
  jpsbuild::Append(out, jpsbuild::Message(id, body));
  if (ids != nullptr) ids->push_back(id);
}

double PhaseOf(const SatObservation& o, Signal signal) {
  return signal == Signal::kP2 ? o.l2Phase : o.l1Phase;
}
bool HasPhase(const SatObservation& o, Signal signal) {
  return signal == Signal::kP2 ? o.hasL2Phase : o.hasL1Phase;
}
double FrequencyOf(const SatObservation& o, Signal signal) {
  return signal == Signal::kP2 ? o.l2Frequency : o.l1Frequency;
}

void AppendPhase(Bytes& out, std::vector<std::string>* ids, const ReceiverEpoch& epoch,
                 Signal signal, PhaseForm form, RangeForm caForm) {
  const char* id = PhaseId(signal, form);
  if (id == nullptr) return;
  Body body;
  for (const SatObservation& o : epoch.satellites) {
    bool has = HasPhase(o, signal);
    double cycles = PhaseOf(o, signal);
    double ca = DecodedCaRange(caForm, o);
    double relative = cycles / FrequencyOf(o, signal) - ca;
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
        double count = std::nearbyint(relative / kRelativePhaseUnit);
        // Without its C/A range the receiver has no relative phase either.
        if (!has || ca == 0 || !FitsI32(count)) {
          body.U4(kMissingI4);
        } else {
          body.I4(count == 0 ? 1 : static_cast<int32_t>(count));
        }
        break;
      }
      case PhaseForm::kFloatRelative: {
        float value = static_cast<float>(relative);
        if (!has || ca == 0 || value == 0.0f) {
          body.F4Bits(kMissingF4);
        } else {
          body.F4(value);
        }
        break;
      }
      case PhaseForm::kNone:
        break;
    }
  }
  AppendMessage(out, ids, id, body);
}

void AppendCaRange(Bytes& out, std::vector<std::string>* ids, const ReceiverEpoch& epoch,
                   RangeForm form) {
  Body body;
  for (const SatObservation& o : epoch.satellites) {
    double seconds = o.caRange / kLightSpeed;
    if (form == RangeForm::kDouble) {
      o.hasCaRange ? body.F8(seconds) : body.F8Bits(kMissingF8);
    } else {
      body.U4(o.hasCaRange ? ShortRange(seconds) : kMissingI4);
    }
  }
  AppendMessage(out, ids, form == RangeForm::kDouble ? "RC" : "rc", body);
}

void AppendP2Range(Bytes& out, std::vector<std::string>* ids, const ReceiverEpoch& epoch,
                   const MessageSet& set) {
  static const char* const kIds[] = {"R2", "r2", "2r", "2R"};
  Body body;
  for (const SatObservation& o : epoch.satellites) {
    double seconds = o.p2Range / kLightSpeed;
    double ca = DecodedCaRange(set.caRange, o);
    bool has = o.hasP2Range;
    switch (set.p2Range) {
      case L2RangeForm::kDouble:
        has ? body.F8(seconds) : body.F8Bits(kMissingF8);
        break;
      case L2RangeForm::kInteger:
        body.U4(has ? ShortRange(seconds) : kMissingI4);
        break;
      case L2RangeForm::kIntRelative: {
        double count = std::nearbyint((seconds - ca - kRelativeL2Offset) / kShortRangeUnit);
        if (!has || ca == 0 || count < INT16_MIN || count >= INT16_MAX) {
          body.U2(kMissingI2);
        } else {
          body.I2(count == 0 ? 1 : static_cast<int32_t>(count));
        }
        break;
      }
      case L2RangeForm::kFloatRelative: {
        float value = static_cast<float>(seconds - ca);
        if (!has || ca == 0 || value == 0.0f) {
          body.F4Bits(kMissingF4);
        } else {
          body.F4(value);
        }
        break;
      }
    }
  }
  AppendMessage(out, ids, kIds[static_cast<int>(set.p2Range)], body);
}

}  // namespace

const std::vector<MessageSet>& MessageSets() { return kSets; }

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
  Body si, el, az, ec, fc, dc, tc;
  for (const SatObservation& o : epoch.satellites) {
    si.U1(o.index);
    el.I1(static_cast<int32_t>(std::lround(o.elevation)));
    az.U1(static_cast<uint32_t>(std::lround(o.azimuth / 2.0)) % 180);
    ec.U1(static_cast<uint32_t>(std::lround(std::max(0.0, o.snr))));
    fc.I2(LoopFlags(o));
    dc.U4(o.hasDoppler
              ? static_cast<uint32_t>(static_cast<int32_t>(std::lround(o.doppler / kDopplerUnit)))
              : kMissingI4);
    tc.U2(std::min(kMaxLockSeconds, static_cast<uint32_t>(o.lockTime)));
  }
  AppendMessage(out, ids, "SI", si);
  AppendMessage(out, ids, "EL", el);
  AppendMessage(out, ids, "AZ", az);
  AppendMessage(out, ids, "EC", ec);
  AppendMessage(out, ids, "FC", fc);
  AppendCaRange(out, ids, epoch, set.caRange);
  AppendPhase(out, ids, epoch, Signal::kCa, set.caPhase, set.caRange);
  AppendPhase(out, ids, epoch, Signal::kP1, set.p1Phase, set.caRange);
  AppendMessage(out, ids, "DC", dc);
  AppendMessage(out, ids, "TC", tc);
  AppendP2Range(out, ids, epoch, set);
  AppendPhase(out, ids, epoch, Signal::kP2, set.p2Phase, set.caRange);
}

}  // namespace jpssim
