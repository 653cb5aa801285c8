#include "epoch/greis_epoch.h"

#include <cmath>
#include <cstring>

#include "epoch/derived_doppler.h"
#include "epoch/finite_value.h"
#include "epoch/geodetic.h"
#include "epoch/greis_slot_rules.h"
#include "epoch/measurement_forms.h"
#include "greis/dispatch.h"
#include "greis/record_views.h"
#include "greis/station_marks.h"
#include "context/conversion_context.h"
#include "support/satellite_numbers.h"

namespace jps {
namespace {

constexpr double kDegreesPerRadian = 57.29577950560105;
constexpr double kMinPositionAxis = 0.01;    // metres: below, no position
constexpr int kLastDayOfWeek = 7;            // 7 passes: Saturday's end at 604800 s

// A refused epoch takes its measurements with it: nothing of it may reach
// the next epoch under that epoch's time. Its reason reaches the host once,
// from here, with the receiver's time of day.
int Refuse(DecoderState* s, bool clearCounters) {
  if (clearCounters) ClearEpochCounters(s);
  ResetEpochArrays(s);
  return -1;
}

// Latitude, longitude and height from the epoch's [PV] position; a position
// that is not finite is dropped for good (until the next [PV]).
void FillPosition(DecoderState* s, KelEpoch* epoch) {
  uint8_t* pv = s->PositionVelocity;
  PositionVelocityView view(pv, kPositionVelocitySize);
  double x = view.x(), y = view.y(), z = view.z();
  if (IsNotFinite(x) || IsNotFinite(y) || IsNotFinite(z)) {
    x = y = z = 0.0;
    StoreF64(pv + position_velocity::kX, 0.0);
    StoreF64(pv + position_velocity::kY, 0.0);
    StoreF64(pv + position_velocity::kZ, 0.0);
  }
  GeodeticPosition g{0.0, 0.0, 0.0};
  if (std::fabs(x) > kMinPositionAxis && std::fabs(y) > kMinPositionAxis &&
      std::fabs(z) > kMinPositionAxis) {
    g = EcefToGeodetic(x, y, z);
  }
  epoch->latitude = g.latitude * kDegreesPerRadian;
  epoch->longitude = g.longitude * kDegreesPerRadian;
  epoch->height = static_cast<float>(g.height);
  if (std::fabs(epoch->latitude) > 90.0 || std::fabs(epoch->longitude) > 180.0) {
    epoch->latitude = epoch->longitude = 0.0;
    epoch->height = 0.0f;
  }
  bool hasPosition = epoch->latitude != 0.0 || epoch->longitude != 0.0 || epoch->height != 0.0f;
  epoch->epochFlags = hasPosition ? kKelFlagPosition : 0;
  // The mode as it stands before this epoch's own events are applied.
  if (s->Context->switches.dynamicMode) epoch->epochFlags |= kKelFlagKinematic;
}

// Doppler of slot i in Hz: the receiver's, or derived from the change of the
// code. False when the slot has to be dropped (no value can be derived yet).
bool FillDoppler(const DecoderState& s, int i, int sv, double time, KelMeasurement& m) {
  if (s.DopplerAbsent == 0) {
    m.doppler = ZeroIfNotFinite(-(static_cast<double>(s.CaDoppler[i]) * kDopplerUnitHz));
    return true;
  }
  double wavelength = kGpsL1Wavelength;
  if (!IsGpsNumber(sv)) {
    double frequency = GlonassFrequency(s, sv, 0);
    if (!(frequency > 0.0)) return false;
    wavelength = kSpeedOfLight / frequency;
  }
  return DeriveDoppler(m, m.l1Code, time, s.Context->continuity.History[sv], wavelength);
}

// The measurement records of the epoch's satellites that a KEL epoch takes,
// in slot order; returns how many.
int FillMeasurements(DecoderState* s, double receiverTime, double dt,
                     KelMeasurement* measurements) {
  const ConversionSwitches& switches = s->Context->switches;
  ContinuityState& continuity = s->Context->continuity;
  const SignalArray& l1Phase = switches.l1PhaseFromP1 ? s->P1Phase : s->CaPhase;
  bool hasFlags = s->EpochMessageCounts[kCountCaFlags] != 0;
  int count = 0;
  for (int i = 0; i < s->SatCount; ++i) {
    int sv = s->SatIndices[i];
    if (!EpochTakesSatellite(sv, switches.gpsOnly)) continue;

    KelMeasurement& m = measurements[count];
    m.satellite = static_cast<int8_t>(sv);
    m.lockCount = GreisLockCount(*s, i, sv, dt);
    if (hasFlags) ApplyLoopFlags(*s, i, sv, receiverTime, m);
    m.l1Code = ZeroIfNotFinite(s->CaRange.values[i] * kSpeedOfLight);
    m.l1Phase = InvertedPhase(l1Phase.values[i]);
    m.l2Code = ZeroIfNotFinite(s->P2Range.values[i] * kSpeedOfLight);
    m.l2Phase = InvertedPhase(s->P2Phase.values[i]);
    if (!FillDoppler(*s, i, sv, receiverTime, m)) {
      m = KelMeasurement{};
      continue;
    }
    ApplyMissingL1Rule(continuity, m, sv);
    ++count;
  }
  return count;
}

}  // namespace

int BuildGreisEpoch(DecoderState* s, KelEpoch* epoch, KelMeasurement* measurements) {
  double tod = TimeOfDaySeconds(*s);
  ConversionContext& context = *s->Context;
  const ConversionSwitches& switches = context.switches;
  ContinuityState& continuity = context.continuity;

  if (s->SatCount <= 0 || s->SatCount > kMaxSlots) {
    context.Notify(tod, "%.1lf  WRITE ERROR: NumSats: %d", tod, s->SatCount);
    s->SatCount = 0;
    return Refuse(s, false);
  }
  if (s->DateValid == 0) {
    context.Notify(tod, "WARNING: No Date Record - Day of Week not known");
    return Refuse(s, false);
  }
  const int8_t* counts = s->EpochMessageCounts;
  s->DopplerAbsent = counts[kCountCaDoppler] == 0 ? 1 : 0;
  if (counts[kCountTime] == 0 || counts[kCountCaRange] == 0 || counts[kCountL1Phase] == 0) {
    context.Notify(tod, "WRITE ERROR: Data Flag(s) are == 0 ");
    return Refuse(s, true);
  }
  if (!switches.keepDamagedEpochs && counts[kCountDamaged] != 0) {
    context.Notify(tod, "WRITE ERROR: Bad Checksum Flag ");
    return Refuse(s, true);
  }
  if (switches.requireL2 && counts[kCountL2Phase] == 0) {
    context.Notify(tod, "WRITE ERROR: No L2 measurement block ");
    return Refuse(s, true);
  }

  std::memset(epoch, 0, sizeof *epoch);
  std::memset(measurements, 0, sizeof(KelMeasurement) * static_cast<size_t>(s->SatCount));
  FillPosition(s, epoch);
  if (s->DayOfWeek < 0 || s->DayOfWeek > kLastDayOfWeek) {
    context.Report("ERROR: Day of week: %d", s->DayOfWeek);
    return Refuse(s, true);
  }

  // Time tag and clock. These two refusals have no text of their own.
  double receiverTime = TimeOfWeek(*s, ReceiverTimeMs(*s));
  epoch->receiverTime = receiverTime;
  if (receiverTime < 0.0 || receiverTime > kSecondsPerWeek) return Refuse(s, true);
  double clockOffsetSeconds = ClockOffsetView(s->ClockOffset, kClockOffsetSize).offset();
  epoch->clockOffset = clockOffsetSeconds * kSpeedOfLight;
  continuity.LastEpochTime = receiverTime;
  if (IsNotFinite(epoch->clockOffset)) return Refuse(s, true);
  epoch->clockDrift =
      ZeroIfNotFinite(ClockDriftView(s->ClockDrift, kClockDriftSize).drift() * kSpeedOfLight);
  epoch->correctedTime = receiverTime - clockOffsetSeconds;

  double dt = 1.0;
  if (continuity.PreviousEpochTime >= 0.0) {
    dt = receiverTime - continuity.PreviousEpochTime;
    if (dt < 0.0) dt = 1.0;
  }

  EmitEpochCameraPulses(s);
  ApplyStationEvents(s);

  ConvertRangeArrays(*s);
  ConvertPhaseArrays(*s);

  epoch->measurementCount =
      static_cast<int8_t>(FillMeasurements(s, receiverTime, dt, measurements));
  continuity.PreviousEpochTime = receiverTime;
  ClearEpochCounters(s);
  ResetEpochArrays(s);
  return 0;
}

}  // namespace jps
