#include "epoch/greis_slot_rules.h"

#include "epoch/continuity.h"
#include "plugin/conversion_switches.h"
#include "plugin/host_messages.h"

namespace jps {
namespace {

void RestartLock(KelMeasurement& record, int sv) {
  record.lockCount = kRestartedLockCount;
  Continuity.LockSeconds[sv] = kRestartedLockSeconds;
}

}  // namespace

uint8_t CappedLockCount(double seconds) {
  if (!(seconds < kMaxLockCount)) return kMaxLockCount;
  if (seconds < 0.0) return 0;
  return static_cast<uint8_t>(seconds);
}

uint8_t GreisLockCount(const DecoderState& s, int i, int sv, double dt) {
  double& lockSeconds = Continuity.LockSeconds[sv];
  double& reacquire = Continuity.ReacquireTimer[sv];
  if (s.EpochMessageCounts[kCountTrackTimes] != 0 && reacquire == 0.0) {
    uint8_t lockCount = CappedLockCount(s.LockTimes[i]);
    lockSeconds = lockCount;
    return lockCount;
  }
  if (s.EpochMessageCounts[kCountTrackTimes] != 0) {
    if (reacquire > kReacquireRestartSeconds) reacquire = 0.0;
    lockSeconds += dt;
    reacquire += dt;
    return CappedLockCount(lockSeconds);
  }
  lockSeconds += dt;
  return CappedLockCount(lockSeconds);
}

void ApplyLoopFlags(DecoderState& s, int i, int sv, double tow, KelMeasurement& record) {
  int flags = s.CaLoopFlags[i];
  if ((flags & kLoopFlagStatusSet) == 0 && Switches.verbose) {
    SetErrorText("Status not set on PRN: %d", sv);
    NotifyHost(tow, ErrorText);
  }
  if ((flags & kLoopFlagCodePhaseGood) == 0) {
    SetErrorText("Bad Code and Phase on PRN %d", sv);
    NotifyHost(tow, ErrorText);
    s.CaRange.values[i] = 0.0;
    RestartLock(record, sv);
  }
  if ((flags & kLoopFlagCycleSlip) != 0) {
    SetErrorText("Detected L1 cycle slip on PRN %d", sv);
    NotifyHost(tow, ErrorText);
    RestartLock(record, sv);
  }
}

void ApplyMissingL1Rule(KelMeasurement& record, int sv) {
  if (record.l1Phase != 0.0 && record.l1Code != 0.0) return;
  RestartLock(record, sv);
  Continuity.ReacquireTimer[sv] = kRestartedLockSeconds;
}

}  // namespace jps
