// The entries of one epoch's per-satellite messages as the receiver sent
// them, per satellite of the epoch's satellite list: for each signal slot the
// code, phase, Doppler and C/N0 in the finest form the epoch brought, and the
// satellite's loop flags, lock time, elevation and azimuth. The forms are
// brought to RINEX's units once the epoch is whole, since the relative ones
// need the C/A values, which may come later. Reused from epoch to epoch.
#pragma once

#include <cstdint>

#include "greis/satellite_messages.h"
#include "support/gnss_signals.h"

namespace jps {

enum class Quantity : uint8_t { kCode, kPhase, kDoppler, kCnr };
constexpr int kQuantityCount = 4;

// One quantity of one signal, as read (a count, seconds or cycles); only
// when its bit of RawSatellite::filled is set.
struct RawValue {
  double value;
  SatelliteFamily family;
  uint8_t rank;   // of the family among the quantity's forms, finest first
};

// The bit of RawSatellite::filled of a quantity of a slot.
constexpr int FilledBit(int slot, Quantity q) {
  return slot * kQuantityCount + static_cast<int>(q);
}
static_assert(kSignalSlotCount * kQuantityCount <= 32, "filled holds a bit per value");

// Which of the satellite's own values came (RawSatellite::has).
enum RawSatelliteValue : uint8_t {
  kRawCaRange = 1,        // [RC]
  kRawCaShortRange = 2,   // [rc]
  kRawCaDoppler = 4,      // [DC]
  kRawLockTime = 8,       // [TC]
  kRawElevation = 16,     // [EL]
  kRawAzimuth = 32,       // [AZ]
};

// A new epoch clears filled, has and loopFlagSlots only: each other member
// is read only when its bit tells it came.
struct RawSatellite {
  RawValue values[kSignalSlotCount][kQuantityCount];
  double caRange;        // [RC], s
  double caShortRange;   // [rc], count
  double caDoppler;      // [DC], count
  double elevation;      // degrees
  double azimuth;        // count of 2 degrees
  uint16_t loopFlags[kSignalSlotCount];
  uint16_t lockTime;     // s
  uint8_t loopFlagSlots; // bit per slot with loop flags
  uint8_t has;           // RawSatelliteValue bits
  uint32_t filled;       // FilledBit per value of values that came

  bool Has(int slot, Quantity q) const { return (filled >> FilledBit(slot, q) & 1u) != 0; }
};

class EpochStore {
 public:
  // A new epoch, its entries indexed by the satellite list (count entries).
  void Open(const uint8_t* list, int count);
  int count() const { return count_; }
  uint8_t index(int k) const { return list_[k]; }
  const RawSatellite& satellite(int k) const { return satellites_[k]; }
  // Takes the count() entries of a per-satellite message that start at entries.
  void Take(const SatelliteMessageKind& kind, const uint8_t* entries);

 private:
  struct Target;
  template <typename T>
  void TakeAs(const SatelliteMessageKind& kind, const Target& target, const uint8_t* entries);

  int count_ = 0;
  uint8_t list_[kMaxListedSatellites] = {};
  RawSatellite satellites_[kMaxListedSatellites];
};

}  // namespace jps
