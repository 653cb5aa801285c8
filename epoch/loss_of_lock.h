// RINEX's loss-of-lock indicator (bit 0) of each signal's carrier phase.
// The phase of a signal may have slipped since the previous epoch when
//  - it starts a phase arc: the signal had no phase in the previous epoch
//    (its first phase of the conversion included);
//  - the C/A lock time [TC] of the satellite says the receiver lost lock since
//    the satellite's previous lock time: the time counts up by whole seconds
//    with the receiver time and stays at 65535 once there, so a lock time
//    below the previous one plus the whole seconds between the two epochs
//    (at most 65535) means a new lock. The receiver's other signals are
//    tracked with the help of C/A: every phase of the satellite is marked;
//  - the signal's loop flags say its phase-locked loop is not locked (bit 0
//    clear) now, or said so with the signal's previous phase: the phase of
//    an unlocked loop can slip at any time, and a loop that locks again
//    starts a new phase.
// Loop-flag bit 5 (a loss of lock since the previous epoch) is not read: the
// receiver's own notes call it unreliable and the lock time tells the same.
#pragma once

#include <cstdint>

#include "epoch/observation_epoch.h"
#include "support/gnss_signals.h"

namespace jps {

// Loop-flag bit: the phase-locked loop is locked.
constexpr uint16_t kLoopFlagPhaseLocked = 0x0001;

class LossOfLock {
 public:
  // Forgets every satellite and signal.
  void Reset();
  // A new epoch at gpsMs (milliseconds since the GPS time origin).
  void BeginEpoch(int64_t gpsMs);
  // The satellite's C/A lock time this epoch: true when the lock restarted
  // since its previous lock time.
  bool LockRestarted(uint8_t index, uint16_t lockTime);
  // True when the signal had a phase in the previous epoch: its phase arc goes on.
  bool ArcGoesOn(uint8_t index, SignalSlot slot) const {
    uint32_t last = signals_[index][static_cast<int>(slot)].lastPhaseEpoch;
    return last != 0 && last + 1 == epoch_;
  }
  // The signal's indicator this epoch (it has a phase); flags when hasFlags.
  // Call once per signal and epoch.
  uint8_t PhaseIndicator(uint8_t index, SignalSlot slot, bool lockRestarted, bool hasFlags,
                         uint16_t flags) {
    Signal& s = signals_[index][static_cast<int>(slot)];
    bool slip = !ArcGoesOn(index, slot) || lockRestarted;
    if (hasFlags) {
      bool unlocked = (flags & kLoopFlagPhaseLocked) == 0;
      slip = slip || unlocked || s.loopUnlocked;
      s.loopUnlocked = unlocked;
    }
    s.lastPhaseEpoch = epoch_;
    return slip ? kLliLossOfLock : 0;
  }

 private:
  static constexpr int kIndices = 256;
  struct LockTime {
    int64_t gpsMs;
    uint16_t seconds;
    bool known;
  };
  struct Signal {
    uint32_t lastPhaseEpoch;   // epoch number of its last phase; 0 none
    bool loopUnlocked;         // the last loop flags said "not locked"
  };

  int64_t gpsMs_ = 0;
  uint32_t epoch_ = 0;   // counts the epochs from 1
  LockTime lockTimes_[kIndices] = {};
  Signal signals_[kIndices][kSignalSlotCount] = {};
};

}  // namespace jps
