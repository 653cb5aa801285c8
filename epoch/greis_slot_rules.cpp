#include "epoch/greis_slot_rules.h"

#include "context/conversion_context.h"

namespace jps {
namespace {

void RestartLock(ContinuityState& continuity, KelMeasurement& record, int sv) {
  record.lockCount = kRestartedLockCount;
  continuity.LockSeconds[sv] = kRestartedLockSeconds;
}

}  // namespace

uint8_t CappedLockCount(double seconds) {
  if (!(seconds < kMaxLockCount)) return kMaxLockCount;
  if (seconds < 0.0) return 0;
  return static_cast<uint8_t>(seconds);
}

uint8_t GreisLockCount(const DecoderState& s, int i, int sv, double dt) {
  ContinuityState& continuity = s.Context->continuity;
  double& lockSeconds = continuity.LockSeconds[sv];
  double& reacquire = continuity.ReacquireTimer[sv];
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
  ConversionContext& context = *s.Context;
  int flags = s.CaLoopFlags[i];
  if ((flags & kLoopFlagStatusSet) == 0 && context.switches.verbose) {
    context.Notify(tow, "Status not set on PRN: %d", sv);
  }
  if ((flags & kLoopFlagCodePhaseGood) == 0) {
    context.Notify(tow, "Bad Code and Phase on PRN %d", sv);
    s.CaRange.values[i] = 0.0;
    RestartLock(context.continuity, record, sv);
  }
  if ((flags & kLoopFlagCycleSlip) != 0) {
    context.Notify(tow, "Detected L1 cycle slip on PRN %d", sv);
    RestartLock(context.continuity, record, sv);
  }
}

void ApplyMissingL1Rule(ContinuityState& continuity, KelMeasurement& record, int sv) {
  if (record.l1Phase != 0.0 && record.l1Code != 0.0) return;
  RestartLock(continuity, record, sv);
  continuity.ReacquireTimer[sv] = kRestartedLockSeconds;
}

}  // namespace jps
