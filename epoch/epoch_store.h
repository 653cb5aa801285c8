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

// One quantity of one signal, as read (a count, seconds or cycles).
struct RawValue {
  double value;
  SatelliteFamily family;
  uint8_t rank;   // of the family among the quantity's forms, finest first; kNoRank: none
};
constexpr uint8_t kNoRank = 255;

// Which of the satellite's own values came (RawSatellite::has).
enum RawSatelliteValue : uint8_t {
  kRawCaRange = 1,        // [RC]
  kRawCaShortRange = 2,   // [rc]
  kRawCaDoppler = 4,      // [DC]
  kRawLockTime = 8,       // [TC]
  kRawElevation = 16,     // [EL]
  kRawAzimuth = 32,       // [AZ]
};

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
  bool anyValue;         // some signal has a code, phase, Doppler or C/N0
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
  void TakeEntry(const SatelliteMessageKind& kind, RawSatellite& s, double value);

  int count_ = 0;
  uint8_t list_[kMaxListedSatellites] = {};
  RawSatellite satellites_[kMaxListedSatellites];
};

}  // namespace jps
