// The loss-of-lock indicator says the receiver lost lock "between the
// previous and the current observation" of a signal in the file. A loss of
// lock reported at an epoch or a satellite record the file leaves out
// (outside --from and --to, between --interval steps, not after the last
// epoch written) therefore belongs to the signal's next phase in the file,
// and a signal's first phase in the file is marked whatever came before it:
// a reader starts a new ambiguity there.
#pragma once

#include <cstdint>

#include "epoch/observation_epoch.h"
#include "support/gnss_signals.h"
#include "tools/rinex/rinex_text.h"

namespace jpsrinex {

class LockCarry {
 public:
  // A satellite record the file leaves out: its phases' losses of lock wait
  // for the signals' next phases written.
  void LeftOut(const jps::SatelliteValues& s) {
    if (!Keyed(s)) return;
    uint8_t lost = 0;
    for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) {
      const jps::SignalValues& v = s.signals[slot];
      if ((s.slotsPresent >> slot & 1u) != 0 && (v.present & jps::kHasPhase) != 0 &&
          (v.lli & jps::kLliLossOfLock) != 0) {
        lost |= static_cast<uint8_t>(1u << slot);
      }
    }
    pending_[static_cast<int>(s.system)][s.number] |= lost;
  }
  void LeftOut(const jps::ObservationEpoch& epoch) {
    int count = epoch.satelliteCount < 0 ? 0 : epoch.satelliteCount;
    if (count > jps::kMaxStreamSatellites) count = jps::kMaxStreamSatellites;
    for (int i = 0; i < count; ++i) LeftOut(epoch.satellites[i]);
  }

  // The indicator of the phase of the signal in slot written now: its own,
  // with loss of lock added where one waits or the signal has no phase in
  // the file yet. s must be keyed (a satellite the file names).
  uint8_t Written(const jps::SatelliteValues& s, int slot, uint8_t lli) {
    uint8_t bit = static_cast<uint8_t>(1u << slot);
    uint8_t& pending = pending_[static_cast<int>(s.system)][s.number];
    uint8_t& written = written_[static_cast<int>(s.system)][s.number];
    if ((pending & bit) != 0 || (written & bit) == 0) lli |= jps::kLliLossOfLock;
    pending = static_cast<uint8_t>(pending & ~bit);
    written = static_cast<uint8_t>(written | bit);
    return lli;
  }

 private:
  static_assert(jps::kSignalSlotCount <= 8, "a bit per signal slot");
  static bool Keyed(const jps::SatelliteValues& s) {
    int system = static_cast<int>(s.system);
    return system >= 0 && system < jps::kGnssSystemCount && s.number >= 1 && s.number <= kMaxSatelliteNumber;
  }

  uint8_t pending_[jps::kGnssSystemCount][kMaxSatelliteNumber + 1] = {};  // bit per slot
  uint8_t written_[jps::kGnssSystemCount][kMaxSatelliteNumber + 1] = {};
};

}  // namespace jpsrinex
