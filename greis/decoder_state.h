// DecoderState: everything decoded from the JPS stream, one process-wide
// record cleared at the start of every conversion. Fixed records keep the
// message body byte for byte (checksum included); per-satellite values are
// arrays of 24 entries in the order of the epoch's satellite list.
#pragma once

#include <cstdint>

#include "context/conversion_context.h"
#include "greis/framing.h"
#include "greis/record_views.h"
#include "support/little_endian.h"
#include "support/satellite_numbers.h"

namespace jps {

class JpsInput;
class MessageTap;
class StationLineOutput;

constexpr int kMaxSlots = 24;                 // satellites in one epoch
constexpr int kGlonassTableSize = kLastGlonassNumber + 1;  // satellite numbers 0 to 70
constexpr int kMaxEventMarks = 1000;          // [XA]/[XB] marks kept per epoch
constexpr int kEventTextSize = 32;            // 31 characters and a terminator
constexpr int kEventMarkSize = 9;             // u4 ms of day, i4 ns, u1 time scale
constexpr int kDispatchStateCount = 79;       // dispatch states 0 to 78

// Body sizes of the fixed records (checksum byte included).
constexpr int kReceiverDateSize = 6;
constexpr int kReceiverTimeSize = 5;
constexpr int kGpsUtcSize = 24;
constexpr int kNpRecordSize = 5;
constexpr int kPositionSize = 30;
constexpr int kVelocitySize = 18;
constexpr int kPositionVelocitySize = 46;
constexpr int kAlmanacSize = 46;
constexpr int kGpsEphemerisSize = 123;
constexpr int kGlnEphemerisSize = 80;
constexpr int kClockOffsetSize = 9;
constexpr int kClockDriftSize = 5;

// How the values of a SignalArray were filled (which message form).
enum MeasurementForm : uint8_t {
  kFormNone = 0,                 // nothing this epoch
  kFormSeconds = 1,              // [RC] [R1] [R2]: seconds
  kFormShortRange = 2,           // [rc] [r2]: count; s = count*1e-11 + 0.075
  kFormShortRelativeRange = 3,   // [2r]: count; s = count*1e-11 + 2e-7 + C/A
  kFormCycles = 4,               // [PC] [P1] [P2]: cycles
  kFormPhaseCounter = 5,         // [pc] [p1] [p2]: u4 counter in 1/1024 cycle
  kFormIntRelativePhase = 6,     // [cp] [1p] [2p]: f * (count*2^-40 + C/A s)
  kFormFloatRelativeRange = 7,   // [2R]: s = value + C/A
  kFormFloatRelativePhase = 8,   // [CP] [2P]: f * (value + C/A s)
  kFormFailed = 255,             // a message of this signal failed its checksum
};

// A value the receiver marked as unavailable is 0.0 in values, with its bit
// set in Absent: for the relative forms a count of 0 is a measurement.
struct SignalArray {
  double values[kMaxSlots];
  uint8_t Form;
  uint32_t Absent;   // bit i: slot i was marked unavailable
};

static_assert(kMaxSlots <= 32, "one Absent bit per slot");
inline bool SlotAbsent(const SignalArray& a, int i) { return ((a.Absent >> i) & 1u) != 0; }

// The value stores that several message forms fill (one signal in its
// several encodings): one message of them per epoch. Every other message of
// an epoch has a store of its own.
enum class IntakeStore : uint8_t {
  kOwn, kCaRange, kP1Range, kP2Range, kCaPhase, kP1Phase, kP2Phase, kCount
};
// Arrival marks: one per dispatch state, then one per shared store.
constexpr int kIntakeMarks = kDispatchStateCount + static_cast<int>(IntakeStore::kCount);

// Whether the messages that feed an epoch are taken.
enum EpochIntake : int32_t {
  kIntakeOpen = 0,       // since the receiver time
  kIntakeClosed = 1,     // a message out of place was met: skipped up to the next receiver time
  kIntakeAfterEnd = 2,   // after an epoch-end message: the next one closes the intake
};

// C/A tracking-loop flag bits ([FC] and the rM record's blocks).
constexpr int kLoopFlagStatusSet = 0x40;
constexpr int kLoopFlagCodePhaseGood = 0x10;
constexpr int kLoopFlagCycleSlip = 0x20;   // the rM record: phase invalid

// A set of dispatch states, one bit each.
struct EpochIdSet {
  uint64_t bits[(kDispatchStateCount + 63) / 64];
  void Add(int state) { bits[state / 64] |= uint64_t{1} << (state % 64); }
  // True when every member of other is a member.
  bool Holds(const EpochIdSet& other) const {
    for (size_t i = 0; i < sizeof bits / sizeof bits[0]; ++i) {
      if ((bits[i] & other.bits[i]) != other.bits[i]) return false;
    }
    return true;
  }
  void KeepCommon(const EpochIdSet& other) {
    for (size_t i = 0; i < sizeof bits / sizeof bits[0]; ++i) bits[i] &= other.bits[i];
  }
};

// Indices of EpochMessageCounts.
enum EpochCounter : int {
  kCountTime = 0,          // [~~]
  kCountSatIndices = 1,    // [SI]
  kCountCaRange = 2,       // [RC] [rc]
  kCountL1Phase = 3,       // [PC] [P1] [pc] [cp] [p1] [1p] [CP]
  kCountL2Phase = 4,       // [P2] [p2] [2p] [2P]
  kCountCaDoppler = 5,     // [DC]
  kCountPosVel = 6,        // [PV]
  kCountPosition = 7,      // [PO]
  kCountTrackTimes = 8,    // [TC]
  kCountCaFlags = 10,      // [FC]
  kCountXa = 13,           // [XA]
  kCountXb = 14,           // [XB]
  kCountEvent = 15,        // [==]
  kCountDamaged = 16,      // set when a message of the epoch failed
  kEpochCounterCount = 17,
};

// Raw entries of the integer and relative measurement messages.
struct RawStores {
  int32_t rc[kMaxSlots];
  int32_t r2[kMaxSlots];
  int16_t r2Relative[kMaxSlots];     // [2r]
  uint32_t pc[kMaxSlots];
  int32_t cp[kMaxSlots];
  uint32_t p1[kMaxSlots];
  int32_t p1Relative[kMaxSlots];     // [1p]
  uint32_t p2[kMaxSlots];
  int32_t p2Relative[kMaxSlots];     // [2p]
  float R2Relative[kMaxSlots];       // [2R]
  float CP[kMaxSlots];
  float P2Relative[kMaxSlots];       // [2P]
};

struct EventMark {
  uint8_t bytes[kEventMarkSize];
};

// Keyword events typed in the field since the last epoch handling.
struct EventState {
  int32_t EventCount;
  double EventTime;                  // ms of day of the last [==]
  int32_t AntennaCount;
  char AntennaText[kEventTextSize];
  int32_t HeightCount;
  double AntennaHeight;
  int32_t SlantCount;
  int32_t DynamicsCount;
  int32_t Dynamics;
  int32_t SiteCount;
  char SiteText[kEventTextSize];
  int32_t CancelCount;
  char CancelText[kEventTextSize];
  int32_t SaveCount;
  char SaveText[kEventTextSize];
  int32_t DynamicEntered;
  int32_t DescriptionCount;
  char DescriptionText[kEventTextSize];
  int32_t EntityCount;
  char EntityText[kEventTextSize];
};

// The station being surveyed; kept across epochs.
struct StationMark {
  int32_t PendingSite;
  char SiteName[kEventTextSize];
  double SiteTime;
  double AntennaHeight;
  char Description[kEventTextSize];
  char AntennaText[kEventTextSize];
};

// Decoded header of the legacy rM record.
struct RmHeader {
  uint16_t RmStatusWord;
  uint16_t RmWeek;
  uint32_t RmTimeOfWeekMs;
  int16_t RmClockCount;
  uint16_t RmLayoutWord;
};

struct DecoderState {
  // What the conversion hands down (host routes, switches, counters,
  // continuity), and the framing of the stream; set by ResetDecoder.
  ConversionContext* Context;
  FramingState Framing;
  JpsInput* JpsStream;
  StationLineOutput* StationOutput;   // takes the station-mark lines; null: none made
  MessageTap* Tap;   // told of every whole message taken; null: nobody asked
  int32_t SatCount;
  int8_t EpochMessageCounts[kEpochCounterCount];
  int32_t DateValid;
  int32_t DayOfWeek;
  double RmEpochTime;
  double RmClockOffset;

  uint8_t ReceiverDate[kReceiverDateSize];
  uint8_t ReceiverTime[kReceiverTimeSize];
  uint8_t GpsUtcRecord[kGpsUtcSize];
  uint8_t NpRecord[kNpRecordSize];
  uint8_t CartesianPosition[kPositionSize];
  uint8_t CartesianVelocity[kVelocitySize];
  uint8_t PositionVelocity[kPositionVelocitySize];
  uint8_t SatIndices[kMaxSlots];
  int8_t SatElevations[kMaxSlots];
  uint8_t SatAzimuths[kMaxSlots];
  SignalArray CaRange, P1Range, P2Range;
  SignalArray CaPhase, P1Phase, P2Phase;
  int32_t CaDoppler[kMaxSlots];
  int32_t P1Doppler[kMaxSlots];
  int32_t P2Doppler[kMaxSlots];
  uint8_t CaSnr[kMaxSlots];
  uint8_t P2Snr[kMaxSlots];
  uint8_t GpsAlmanacRecord[kAlmanacSize];
  uint8_t GpsEphemerisRecord[kGpsEphemerisSize];
  uint8_t GlnAlmanacRecord[kAlmanacSize];
  uint8_t GlnEphemerisRecord[kGlnEphemerisSize];
  uint16_t LockTimes[kMaxSlots];
  uint8_t ClockOffset[kClockOffsetSize];
  uint8_t ClockDrift[kClockDriftSize];
  RawStores Raw;
  double GlonassFrequencies[kGlonassTableSize][2];  // [sv][0] L1 Hz, [sv][1] L2 Hz
  int16_t CaLoopFlags[kMaxSlots];

  EventMark XaEvents[kMaxEventMarks];
  int32_t XaEventCount;
  EventMark XbEvents[kMaxEventMarks];
  int32_t XbEventCount;
  EventState Events;
  StationMark Station;
  int32_t GlonassEphemerisCount;
  RmHeader Rm;
  int32_t DopplerAbsent;
  // The epoch's intake: which stores were filled since the receiver time, and
  // whether a per-satellite message arrived; cleared with EpochMessageCounts.
  // Once closed, the messages that feed an epoch are skipped until the next
  // receiver time.
  uint8_t Arrived[kIntakeMarks];
  int32_t SatelliteDataArrived;
  int32_t Intake;   // an EpochIntake
  // The identifiers (by dispatch state) of the messages that fed the epoch,
  // and whether one of its messages failed its check (damaged epochs kept
  // or not); cleared with EpochMessageCounts.
  EpochIdSet EpochIds;
  int32_t EpochDamaged;
  // Whole messages (good checksum or CRC) met in the conversion.
  int64_t MessagesFound;
  // Camera pulse numbers of list A and list B; each list counts its own.
  int32_t PulseNumbers[2];
};

// Field readers of the stored records.
inline uint32_t ReceiverTimeMs(const DecoderState& s) {
  return ReceiverTimeView(s.ReceiverTime, kReceiverTimeSize).msOfDay();
}
inline double TimeOfDaySeconds(const DecoderState& s) { return ReceiverTimeMs(s) / 1000.0; }
// GPS time of week of a time of day in milliseconds, with the receiver's day of week.
inline double TimeOfWeek(const DecoderState& s, double msOfDay) {
  return msOfDay * 0.001 + s.DayOfWeek * 86400.0;
}
inline int LeapSeconds(const DecoderState& s) {
  return GpsUtcView(s.GpsUtcRecord, kGpsUtcSize).leapSeconds();
}

// L1 (index 0) or L2 (index 1) carrier frequency of a satellite number; 0 when
// unknown. Satellite numbers outside the table have no frequency.
inline double GlonassFrequency(const DecoderState& s, int sv, int band) {
  if (sv < 0 || sv >= kGlonassTableSize) return 0.0;
  return s.GlonassFrequencies[sv][band];
}

}  // namespace jps
