#include "epoch/rm_epoch.h"

#include <cmath>
#include <cstring>

#include "epoch/derived_doppler.h"
#include "epoch/finite_value.h"
#include "context/conversion_context.h"
#include "greis/station_marks.h"
#include "support/satellite_numbers.h"

namespace jps {
namespace {

constexpr int kMaxRmSatellites = 23;
constexpr double kDopplerUnit = 0.001;          // Hz
constexpr double kLockTimeUnits = 10.0;         // tenths of a second
constexpr double kMinGlonassFrequency = 0.001;  // Hz; below it the frequency is unknown
constexpr double kMaxLockCount = 255.0;

// L1 wavelength of a satellite, 0 when a GLONASS frequency is not known yet.
double L1Wavelength(const DecoderState& s, int sv) {
  if (IsGpsNumber(sv)) return kGpsL1Wavelength;
  double frequency = GlonassFrequency(s, sv, 0);
  return std::fabs(frequency) > kMinGlonassFrequency ? kSpeedOfLight / frequency : 0.0;
}

// The rM record's loop-flag table for slot i (not the GREIS flag rule: the
// status is always reported, a bad code and phase silently, and a slip is
// an invalid phase): reports the conditions and applies their effects.
void ApplyRmLoopFlags(DecoderState* s, int i, int sv, double time, KelMeasurement& record) {
  int16_t f = s->CaLoopFlags[i];
  if ((f & kLoopFlagStatusSet) == 0) s->Context->Notify(time, "Status not set on PRN: %d", sv);
  if ((f & kLoopFlagCodePhaseGood) == 0) {
    s->CaRange.values[i] = 0.0;
    record.lockCount = kRestartedLockCount;
  }
  if ((f & kLoopFlagCycleSlip) != 0) {
    s->Context->Notify(time, "Phase invalid on PRN: %d", sv);
    record.lockCount = kRestartedLockCount;
  }
}

// Fills measurement record from slot i; false when the slot is dropped.
bool BuildRmMeasurement(DecoderState* s, int i, double time, KelMeasurement& record) {
  const int sv = s->SatIndices[i];
  record.satellite = static_cast<int8_t>(sv);
  if (s->DopplerAbsent == 0) record.doppler = 0.0 - s->CaDoppler[i] * kDopplerUnit;
  double wavelength = L1Wavelength(*s, sv);
  if (wavelength == 0.0) return false;
  SatHistory& history = s->Context->continuity.History[sv];
  if (s->DopplerAbsent != 0 &&
      !DeriveDoppler(record, s->CaRange.values[i], time, history, wavelength)) {
    return false;
  }
  RmLockCount(record, time, s->LockTimes[i], history);
  ApplyRmLoopFlags(s, i, sv, time, record);
  // The host's phases have the opposite sign; a missing phase stays +0.0.
  record.l1Code = s->CaRange.values[i];
  record.l1Phase = InvertedPhase(s->CaPhase.values[i]);
  record.l2Code = s->P2Range.values[i];
  record.l2Phase = InvertedPhase(s->P2Phase.values[i]);
  return true;
}

}  // namespace

void RmLockCount(KelMeasurement& record, double time, uint16_t lockTenths, SatHistory& history) {
  double lock = lockTenths / kLockTimeUnits;
  if (history.lastLockTime == 0.0 || history.lastLock > lock) {
    // First sight of the satellite, or tracking restarted.
    record.lockCount = kRestartedLockCount;
    lock = 1.0;
  } else {
    record.lockCount = static_cast<uint8_t>(lock > kMaxLockCount ? kMaxLockCount : lock);
  }
  history.lastLockTime = time;
  history.lastLock = static_cast<int32_t>(lock);
}

int BuildRmEpoch(DecoderState* s, KelEpoch* epoch, KelMeasurement* measurements) {
  if (s->SatCount < 1 || s->SatCount > kMaxRmSatellites) {
    s->Context->Report("ERROR: Num sats %d not possible", s->SatCount);
    s->SatCount = 0;
    return -1;
  }
  std::memset(epoch, 0, sizeof *epoch);
  std::memset(measurements, 0, sizeof(KelMeasurement) * static_cast<size_t>(s->SatCount));

  const double time = s->RmEpochTime;
  epoch->receiverTime = time;
  epoch->correctedTime = time - s->RmClockOffset;
  epoch->clockOffset = s->RmClockOffset * kSpeedOfLight;

  EmitEpochCameraPulses(s);

  int count = 0;
  for (int i = 0; i < s->SatCount; ++i) {
    const int sv = s->SatIndices[i];
    if (!EpochTakesSatellite(sv, s->Context->switches.gpsOnly)) continue;
    KelMeasurement& record = measurements[count];
    if (BuildRmMeasurement(s, i, time, record)) {
      ++count;
    } else {
      std::memset(&record, 0, sizeof record);
    }
  }
  epoch->measurementCount = static_cast<int8_t>(count);
  return 0;
}

}  // namespace jps
