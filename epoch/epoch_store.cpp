#include "epoch/epoch_store.h"

#include <cstring>

#include "greis/satellite_values.h"

namespace jps {
namespace {

// Where a family's values go: the quantity and the family's rank among its
// forms (finer forms first), or no quantity (-1).
struct Placement {
  int quantity;
  uint8_t rank;
};

constexpr int kNotObserved = -1;
constexpr int Q(Quantity q) { return static_cast<int>(q); }

Placement PlacementOf(SatelliteFamily family) {
  switch (family) {
    case SatelliteFamily::kRange: return {Q(Quantity::kCode), 0};
    case SatelliteFamily::kShortRange: return {Q(Quantity::kCode), 1};
    case SatelliteFamily::kRelativeRange: return {Q(Quantity::kCode), 2};
    case SatelliteFamily::kShortRelativeRange: return {Q(Quantity::kCode), 3};
    case SatelliteFamily::kPhase: return {Q(Quantity::kPhase), 0};
    case SatelliteFamily::kPhaseCounter: return {Q(Quantity::kPhase), 1};
    case SatelliteFamily::kShortRelativePhase: return {Q(Quantity::kPhase), 2};
    case SatelliteFamily::kRelativePhase: return {Q(Quantity::kPhase), 3};
    case SatelliteFamily::kDoppler: return {Q(Quantity::kDoppler), 0};
    case SatelliteFamily::kRelativeDoppler: return {Q(Quantity::kDoppler), 1};
    case SatelliteFamily::kCnrQuarter: return {Q(Quantity::kCnr), 0};
    case SatelliteFamily::kCnr: return {Q(Quantity::kCnr), 1};
    default: return {kNotObserved, kNoRank};
  }
}

}  // namespace

void EpochStore::Open(const uint8_t* list, int count) {
  if (count < 0) count = 0;
  if (count > kMaxListedSatellites) count = kMaxListedSatellites;
  count_ = count;
  std::memcpy(list_, list, static_cast<size_t>(count));
  std::memset(satellites_, 0, sizeof(RawSatellite) * static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) {
    for (auto& slot : satellites_[k].values) {
      for (RawValue& v : slot) v.rank = kNoRank;
    }
  }
}

void EpochStore::Take(const SatelliteMessageKind& kind, const uint8_t* entries) {
  for (int k = 0; k < count_; ++k) {
    EntryValue v = ReadEntry(kind, entries, k);
    if (v.present) TakeEntry(kind, satellites_[k], v.value);
  }
}

void EpochStore::TakeEntry(const SatelliteMessageKind& kind, RawSatellite& s, double value) {
  int slot = static_cast<int>(kind.slot);
  bool ca = kind.slot == SignalSlot::kCa;
  switch (kind.family) {
    case SatelliteFamily::kLoopFlags:
      s.loopFlags[slot] = static_cast<uint16_t>(value);
      s.loopFlagSlots |= static_cast<uint8_t>(1u << slot);
      return;
    case SatelliteFamily::kLockTime:
      s.lockTime = static_cast<uint16_t>(value);
      s.has |= kRawLockTime;
      return;
    case SatelliteFamily::kElevation:
      s.elevation = value;
      s.has |= kRawElevation;
      return;
    case SatelliteFamily::kAzimuth:
      s.azimuth = value;
      s.has |= kRawAzimuth;
      return;
    case SatelliteFamily::kRange:
      if (ca) {
        s.caRange = value;
        s.has |= kRawCaRange;
      }
      break;
    case SatelliteFamily::kShortRange:
      if (ca) {
        s.caShortRange = value;
        s.has |= kRawCaShortRange;
      }
      break;
    case SatelliteFamily::kDoppler:
      if (ca) {
        s.caDoppler = value;
        s.has |= kRawCaDoppler;
      }
      break;
    default:
      break;
  }
  Placement p = PlacementOf(kind.family);
  if (p.quantity == kNotObserved) return;   // the smoothing corrections
  RawValue& v = s.values[slot][p.quantity];
  if (p.rank >= v.rank) return;
  v = {value, kind.family, p.rank};
  s.anyValue = true;
}

}  // namespace jps
