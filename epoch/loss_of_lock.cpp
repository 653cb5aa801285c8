#include "epoch/loss_of_lock.h"

#include <cstring>

namespace jps {
namespace {

constexpr int64_t kMsPerSecond = 1000;
constexpr int64_t kLongestLockTime = 65535;   // s: the lock time stays there

}  // namespace

void LossOfLock::Reset() {
  gpsMs_ = 0;
  epoch_ = 0;
  std::memset(lockTimes_, 0, sizeof lockTimes_);
  std::memset(signals_, 0, sizeof signals_);
}

void LossOfLock::BeginEpoch(int64_t gpsMs) {
  gpsMs_ = gpsMs;
  ++epoch_;
}

bool LossOfLock::LockRestarted(uint8_t index, uint16_t lockTime) {
  LockTime& t = lockTimes_[index];
  bool restarted = false;
  if (t.known) {
    int64_t elapsed = gpsMs_ - t.gpsMs;
    int64_t expected = t.seconds + elapsed / kMsPerSecond;
    if (expected > kLongestLockTime) expected = kLongestLockTime;
    restarted = elapsed < 0 || lockTime < expected;
  }
  t = {gpsMs_, lockTime, true};
  return restarted;
}

}  // namespace jps
