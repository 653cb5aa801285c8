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
    default: return {kNotObserved, 0};
  }
}

// The satellite's own values that a message also gives.
enum class Own : uint8_t {
  kNone,
  kLoopFlags,
  kLockTime,
  kElevation,
  kAzimuth,
  kCaRange,
  kCaShortRange,
  kCaDoppler,
};

Own OwnOf(const SatelliteMessageKind& kind) {
  bool ca = kind.slot == SignalSlot::kCa;
  switch (kind.family) {
    case SatelliteFamily::kLoopFlags: return Own::kLoopFlags;
    case SatelliteFamily::kLockTime: return Own::kLockTime;
    case SatelliteFamily::kElevation: return Own::kElevation;
    case SatelliteFamily::kAzimuth: return Own::kAzimuth;
    case SatelliteFamily::kRange: return ca ? Own::kCaRange : Own::kNone;
    case SatelliteFamily::kShortRange: return ca ? Own::kCaShortRange : Own::kNone;
    case SatelliteFamily::kDoppler: return ca ? Own::kCaDoppler : Own::kNone;
    default: return Own::kNone;
  }
}

void TakeOwn(Own own, int slot, RawSatellite& s, double value) {
  switch (own) {
    case Own::kLoopFlags:
      s.loopFlags[slot] = static_cast<uint16_t>(value);
      s.loopFlagSlots |= static_cast<uint8_t>(1u << slot);
      return;
    case Own::kLockTime:
      s.lockTime = static_cast<uint16_t>(value);
      s.has |= kRawLockTime;
      return;
    case Own::kElevation:
      s.elevation = value;
      s.has |= kRawElevation;
      return;
    case Own::kAzimuth:
      s.azimuth = value;
      s.has |= kRawAzimuth;
      return;
    case Own::kCaRange:
      s.caRange = value;
      s.has |= kRawCaRange;
      return;
    case Own::kCaShortRange:
      s.caShortRange = value;
      s.has |= kRawCaShortRange;
      return;
    case Own::kCaDoppler:
      s.caDoppler = value;
      s.has |= kRawCaDoppler;
      return;
    case Own::kNone:
      return;
  }
}

}  // namespace

// Where the entries of a message go, worked out once for all of them.
struct EpochStore::Target {
  Own own;
  int slot;
  Placement placement;
};

void EpochStore::Open(const uint8_t* list, int count) {
  if (count < 0) count = 0;
  if (count > kMaxListedSatellites) count = kMaxListedSatellites;
  count_ = count;
  std::memcpy(list_, list, static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) {
    RawSatellite& s = satellites_[k];
    s.filled = 0;
    s.has = 0;
    s.loopFlagSlots = 0;
  }
}

void EpochStore::Take(const SatelliteMessageKind& kind, const uint8_t* entries) {
  Target t{OwnOf(kind), static_cast<int>(kind.slot), PlacementOf(kind.family)};
  if (t.own == Own::kNone && t.placement.quantity == kNotObserved) return;  // the smoothing corrections
  switch (EntryTypeOf(kind.family)) {
    case EntryType::kF8: return TakeAs<double>(kind, t, entries);
    case EntryType::kF4: return TakeAs<float>(kind, t, entries);
    case EntryType::kI4: return TakeAs<int32_t>(kind, t, entries);
    case EntryType::kU4: return TakeAs<uint32_t>(kind, t, entries);
    case EntryType::kI2: return TakeAs<int16_t>(kind, t, entries);
    case EntryType::kU2: return TakeAs<uint16_t>(kind, t, entries);
    case EntryType::kI1: return TakeAs<int8_t>(kind, t, entries);
    case EntryType::kU1: return TakeAs<uint8_t>(kind, t, entries);
  }
}

// The entries with their type and target known for the whole message. What
// the loop needs is in locals: its byte stores could otherwise change them,
// as far as the compiler knows, and have them read again for every entry.
template <typename T>
void EpochStore::TakeAs(const SatelliteMessageKind& kind, const Target& t, const uint8_t* entries) {
  const bool marker = FamilyHasMarker(kind.family);
  const SatelliteFamily family = kind.family;
  const size_t entrySize = kind.entrySize;
  const int count = count_, slot = t.slot, quantity = t.placement.quantity;
  const uint8_t rank = t.placement.rank;
  const Own own = t.own;
  const uint32_t bit = quantity == kNotObserved
                           ? 0
                           : uint32_t{1} << FilledBit(slot, static_cast<Quantity>(quantity));
  RawSatellite* satellites = satellites_;
  for (int k = 0; k < count; ++k, entries += entrySize) {
    EntryValue entry = ReadEntryAs<T>(entries, marker);
    if (!entry.present) continue;
    RawSatellite& s = satellites[k];
    if (own != Own::kNone) TakeOwn(own, slot, s, entry.value);
    if (bit == 0) continue;
    RawValue& v = s.values[slot][quantity];
    if ((s.filled & bit) != 0 && rank >= v.rank) continue;
    v = {entry.value, family, rank};
    s.filled |= bit;
  }
}

}  // namespace jps
