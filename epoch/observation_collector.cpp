#include "epoch/observation_collector.h"

#include <cmath>
#include <cstring>

#include "epoch/epoch_clock.h"
#include "epoch/epoch_store.h"
#include "epoch/glonass_slots.h"
#include "epoch/loss_of_lock.h"
#include "epoch/observation_values.h"
#include "epoch/value_forms.h"
#include "greis/ephemeris_views.h"
#include "greis/framing.h"
#include "greis/record_views.h"
#include "greis/satellite_messages.h"

namespace jps {
namespace {

// Arrival marks: one per per-satellite identifier (its row in
// kSatelliteMessages), then the records that feed an epoch.
enum RecordMark : int {
  kMarkDate = kSatelliteMessageCount,   // [RD]
  kMarkList,                            // [SI]
  kMarkSlots,                           // [NN]
  kMarkPosition,                        // [PV]
  kMarkClock,                           // [TO]
  kMarkCount,
};

enum class Intake : uint8_t {
  kNone,     // no epoch: before the first [~~], after [||], a discarded epoch
  kOpen,     // the epoch takes its messages
  kClosed,   // the epoch keeps what it has up to the next [~~]
};

constexpr int kIndexCount = 256;
constexpr int kNumberCount = 256;

bool IsId(const uint8_t* message, const char (&id)[3]) {
  return message[0] == static_cast<uint8_t>(id[0]) && message[1] == static_cast<uint8_t>(id[1]);
}

}  // namespace

struct ObservationCollector::State {
  explicit State(ConversionContext& context) : clock(context), slots(context) {
    for (int index = 0; index < kIndexCount; ++index) {
      ids[index] = DecodeSatelliteIndex(static_cast<uint8_t>(index));
      carriers[index] = CarriersOf(ids[index].system, ids[index].channel);
    }
  }

  EpochClock clock;
  GlonassSlots slots;
  LossOfLock lossOfLock;
  EpochStore store;
  ObservationEpoch epoch{};
  PhaseCounterTrack tracks[kIndexCount][kSignalSlotCount];
  // Each satellite index's satellite and carriers, worked out once.
  SatelliteIndex ids[kIndexCount];
  SatelliteCarriers carriers[kIndexCount];
  // The latest satellite list.
  uint8_t list[kMaxListedSatellites] = {};
  int listCount = 0;
  // The epoch's intake.
  Intake intake = Intake::kNone;
  uint8_t arrived[kMarkCount] = {};
  bool satelliteDataArrived = false;
  // The marks that every epoch written so far took.
  uint8_t common[kMarkCount] = {};
  bool anyWritten = false;
  // Satellites written in the epoch numbered serial, by system and number:
  // a satellite the list names twice is written once.
  uint32_t written[kGnssSystemCount][kNumberCount] = {};
  uint32_t serial = 0;
};

ObservationCollector::ObservationCollector(ConversionContext& context, ObservationReceiver& receiver)
    : context_(context), receiver_(receiver), state_(std::make_unique<State>(context)) {}

ObservationCollector::~ObservationCollector() = default;

void ObservationCollector::Reset() {
  State& s = *state_;
  s.clock.Reset();
  s.slots.Reset();
  s.lossOfLock.Reset();
  for (auto& satellite : s.tracks) {
    for (PhaseCounterTrack& track : satellite) track.Restart();
  }
  s.store.Open(s.list, 0);
  s.listCount = 0;
  s.intake = Intake::kNone;
  s.satelliteDataArrived = false;
  std::memset(s.written, 0, sizeof s.written);
  s.serial = 0;
  std::memset(s.common, 0, sizeof s.common);
  s.anyWritten = false;
}

void ObservationCollector::OnMessage(const uint8_t* message, int L) {
  const uint8_t* body = message + kFrameHeaderSize;
  if (const SatelliteMessageKind* kind = FindSatelliteMessage(message)) {
    OnSatelliteMessage(static_cast<int>(kind - kSatelliteMessages), body, L);
  } else if (IsId(message, "~~")) {
    OnReceiverTime(body, L);
  } else if (IsId(message, "||")) {
    CompleteEpoch();
  } else if (IsId(message, "SI")) {
    OnSatelliteList(body, L);
  } else {
    OnRecord(message, body, L);
  }
}

void ObservationCollector::OnIntakeClosed() {
  if (state_->intake == Intake::kOpen) state_->intake = Intake::kClosed;
}

void ObservationCollector::OnEpochDiscarded() { state_->intake = Intake::kNone; }

ObservationCollector::LastEpoch ObservationCollector::Finish(bool damaged) {
  State& s = *state_;
  if (s.intake == Intake::kNone) return LastEpoch::kNone;
  bool whole = !damaged;
  for (int mark = 0; whole && s.anyWritten && mark < kMarkCount; ++mark) {
    whole = s.common[mark] == 0 || s.arrived[mark] != 0;
  }
  if (!whole) {
    s.intake = Intake::kNone;
    return LastEpoch::kLeftOut;
  }
  return CompleteEpoch() ? LastEpoch::kWritten : LastEpoch::kLeftOut;
}

void ObservationCollector::Stop() { state_->intake = Intake::kNone; }

bool ObservationCollector::Takes(int mark) {
  State& s = *state_;
  if (s.intake != Intake::kOpen) return false;
  if (s.arrived[mark] != 0) {
    s.intake = Intake::kClosed;
    return false;
  }
  s.arrived[mark] = 1;
  return true;
}

void ObservationCollector::OnReceiverTime(const uint8_t* body, int L) {
  ReceiverTimeView time(body, L);
  if (!time.Holds(receiver_time::kMsOfDay, 4)) return;
  CompleteEpoch();
  state_->clock.OnReceiverTime(time.msOfDay());
  OpenEpoch();
}

void ObservationCollector::OpenEpoch() {
  State& s = *state_;
  s.intake = Intake::kOpen;
  std::memset(s.arrived, 0, sizeof s.arrived);
  s.satelliteDataArrived = false;
  s.store.Open(s.list, s.listCount);
  s.epoch.hasPosition = false;
  s.epoch.hasClockOffset = false;
}

void ObservationCollector::OnSatelliteList(const uint8_t* body, int L) {
  State& s = *state_;
  int count = L - 1;
  if (count < 0 || count > kMaxListedSatellites) return;
  // The latest list, whichever epoch it belongs to.
  std::memcpy(s.list, body, static_cast<size_t>(count));
  s.listCount = count;
  if (s.intake != Intake::kOpen) return;
  if (s.satelliteDataArrived) {
    s.intake = Intake::kClosed;
    return;
  }
  if (Takes(kMarkList)) s.store.Open(s.list, s.listCount);
}

void ObservationCollector::OnSatelliteMessage(int kind, const uint8_t* body, int L) {
  State& s = *state_;
  if (!Takes(kind)) return;
  s.satelliteDataArrived = true;
  // Entries that the list does not index are no one's.
  if (!HoldsEntries(kSatelliteMessages[kind], L, s.store.count())) return;
  s.store.Take(kSatelliteMessages[kind], body);
}

void ObservationCollector::OnRecord(const uint8_t* message, const uint8_t* body, int L) {
  State& s = *state_;
  if (IsId(message, "NE")) {
    GlonassEphemerisView ephemeris(body, L);
    if (ephemeris.Holds(glonass_ephemeris::kChannel, 1)) {
      s.slots.OnEphemeris(ephemeris.slot(), ephemeris.channel());
    }
  } else if (IsId(message, "NN")) {
    // Slots are facts of the channels: kept whichever epoch they come with.
    s.slots.OnSlotList(body, L - 1, s.list, s.listCount);
    if (s.intake == Intake::kOpen) Takes(kMarkSlots);
  } else if (IsId(message, "RD")) {
    ReceiverDateView date(body, L);
    if (date.Holds(receiver_date::kTimeBase, 1) && Takes(kMarkDate)) {
      s.clock.OnReceiverDate(date.year(), date.month(), date.day(), date.timeBase());
    }
  } else if (IsId(message, "PV")) {
    PositionVelocityView pv(body, L);
    if (!pv.Holds(position_velocity::kZ, 8) || !Takes(kMarkPosition)) return;
    double x = pv.x(), y = pv.y(), z = pv.z();
    // A receiver without a position sends the Earth's centre.
    if (std::isfinite(x) && std::isfinite(y) && std::isfinite(z) && (x != 0 || y != 0 || z != 0)) {
      s.epoch.position[0] = x;
      s.epoch.position[1] = y;
      s.epoch.position[2] = z;
      s.epoch.hasPosition = true;
    }
  } else if (IsId(message, "TO")) {
    ClockOffsetView clock(body, L);
    if (!clock.Holds(clock_offset::kOffset, 8) || !Takes(kMarkClock)) return;
    double offset = clock.offset();
    if (std::isfinite(offset)) {
      s.epoch.clockOffset = offset;
      s.epoch.hasClockOffset = true;
    }
  }
}

bool ObservationCollector::CompleteEpoch() {
  State& s = *state_;
  if (s.intake == Intake::kNone) return false;
  s.intake = Intake::kNone;
  if (!s.clock.HasDate()) {
    s.clock.ReportNoDate();
    return false;
  }
  if (BuildEpoch() == 0) return false;
  for (int mark = 0; mark < kMarkCount; ++mark) {
    s.common[mark] = s.anyWritten ? (s.common[mark] & s.arrived[mark]) : s.arrived[mark];
  }
  s.anyWritten = true;
  receiver_.OnObservationEpoch(s.epoch);
  return true;
}

int ObservationCollector::BuildEpoch() {
  State& s = *state_;
  ObservationEpoch& epoch = s.epoch;
  s.lossOfLock.BeginEpoch(s.clock.GpsMs());
  epoch.week = s.clock.Week();
  epoch.timeOfWeek = s.clock.TimeOfWeek();
  const uint32_t serial = ++s.serial;
  const int count = s.store.count();
  const int32_t gpsDay = s.clock.GpsDay();
  const double timeOfWeek = epoch.timeOfWeek;
  int n = 0;
  for (int k = 0; k < count; ++k) {
    uint8_t index = s.store.index(k);
    const SatelliteIndex& id = s.ids[index];
    if (!id.valid) continue;
    const RawSatellite& raw = s.store.satellite(k);
    bool restarted = (raw.has & kRawLockTime) != 0 && s.lossOfLock.LockRestarted(index, raw.lockTime);
    if (raw.filled == 0) continue;
    int number = id.system == GnssSystem::kGlonass ? s.slots.SlotOf(id.channel, timeOfWeek) : id.number;
    if (number <= 0 || number >= kNumberCount) continue;
    uint32_t& written = s.written[static_cast<int>(id.system)][number];
    if (written == serial) continue;
    SatelliteValues& out = epoch.satellites[n];
    out.system = id.system;
    out.index = index;
    out.number = static_cast<int16_t>(number);
    out.channel = static_cast<int8_t>(id.channel);
    SatelliteTime time{index, id.system, id.channel, gpsDay, &s.carriers[index]};
    ResolveSatellite(raw, time, restarted, s.tracks[index], s.lossOfLock, out);
    if (out.slotsPresent == 0) continue;
    written = serial;
    ++n;
  }
  epoch.satelliteCount = n;
  return n;
}

}  // namespace jps
