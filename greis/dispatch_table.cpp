// The dispatch table: one row per decoded identifier. Rows whose parser is
// null accept their body unchecked.
#include <cstring>

#include "greis/dispatch.h"
#include "greis/ephemeris_views.h"
#include "greis/event_records.h"
#include "greis/framing.h"
#include "greis/id_index.h"
#include "greis/message_parsers.h"
#include "greis/rm_record.h"
#include "greis/satellite_messages.h"

namespace jps {
namespace {

using H = Handling;
using I = Intake;
using S = IntakeStore;
constexpr int N = kNoCounter;
constexpr DecoderEvent E0 = kEventNone;
// Records that newer firmware lengthens: any body up to the largest length
// that the first length digit "0" allows; the parser wants at least the record.
constexpr int kLongerRecordLimit = 255;

constexpr DispatchRow kRows[] = {
    // key, state, max length, handling, parser, counter, zeroed, intake, store, over-limit text,
    // event
    {"~~0", 5, 5, H::kReceiverTime, ParseReceiverTime, kCountTime, true, I::kBoundary, S::kOwn, nullptr, E0},
    {"RD0", 4, 6, H::kReceiverDate, nullptr, N, false, I::kEpochRecord, S::kOwn, nullptr, E0},
    {"==0", 29, 256, H::kParser, ParseEventRecord, kCountEvent, false, I::kOutside, S::kOwn, nullptr, E0},
    {"XA0", 66, 10, H::kParser, ParseXaMark, kCountXa, false, I::kOutside, S::kOwn, nullptr, E0},
    {"XB0", 67, 10, H::kParser, ParseXbMark, kCountXb, false, I::kOutside, S::kOwn, nullptr, E0},
    {"SI0", 10, 25, H::kSatIndices, ParseSatIndices, kCountSatIndices, true, I::kSatelliteList, S::kOwn, nullptr, E0},
    {"UO0", 6, 24, H::kParser, ParseFixedRecord, N, false, I::kOutside, S::kOwn, nullptr, E0},
    {"NP0", 7, 5, H::kParser, ParseFixedRecord, N, false, I::kEpochRecord, S::kOwn, nullptr, E0},
    {"PO0", 8, 30, H::kParser, ParseFixedRecord, kCountPosition, true, I::kEpochRecord, S::kOwn, nullptr, E0},
    {"VE0", 9, 30, H::kParser, ParseFixedRecord, N, false, I::kEpochRecord, S::kOwn, nullptr, E0},
    {"PV0", 30, 46, H::kParser, ParseFixedRecord, kCountPosVel, true, I::kEpochRecord, S::kOwn, nullptr, E0},
    {"EL0", 12, 25, H::kParser, ParsePerSatellite, N, false, I::kPerSatellite, S::kOwn, nullptr, E0},
    {"AZ0", 13, 25, H::kParser, ParsePerSatellite, N, false, I::kPerSatellite, S::kOwn, nullptr, E0},
    {"RC0", 14, 194, H::kParser, ParsePerSatellite, kCountCaRange, true, I::kPerSatellite, S::kCaRange, nullptr, E0},
    {"R10", 15, 194, H::kParser, ParsePerSatellite, N, false, I::kPerSatellite, S::kP1Range, nullptr, E0},
    {"R20", 16, 194, H::kParser, ParsePerSatellite, N, false, I::kPerSatellite, S::kP2Range, nullptr, E0},
    {"CC0", 17, 145, H::kParser, ParseFixedRecord, N, false, I::kEpochRecord, S::kOwn, nullptr, E0},
    {"C10", 34, 145, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, nullptr, E0},
    {"C20", 35, 145, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, nullptr, E0},
    {"PC0", 18, 194, H::kParser, ParsePerSatellite, kCountL1Phase, true, I::kPerSatellite, S::kCaPhase, nullptr, E0},
    {"P10", 19, 194, H::kParser, ParsePerSatellite, kCountL1Phase, false, I::kPerSatellite, S::kP1Phase, nullptr, E0},
    {"P20", 20, 194, H::kParser, ParsePerSatellite, kCountL2Phase, true, I::kPerSatellite, S::kP2Phase, nullptr, E0},
    {"DC0", 21, 97, H::kParser, ParsePerSatellite, kCountCaDoppler, true, I::kPerSatellite, S::kOwn, nullptr, E0},
    {"D10", 22, 97, H::kParser, ParsePerSatellite, N, false, I::kPerSatellite, S::kOwn, nullptr, E0},
    {"D20", 23, 97, H::kParser, ParsePerSatellite, N, false, I::kPerSatellite, S::kOwn, nullptr, E0},
    {"EC0", 24, 25, H::kParser, ParsePerSatellite, N, false, I::kPerSatellite, S::kOwn, nullptr, E0},
    {"E10", 36, 25, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, nullptr, E0},
    {"E20", 37, 25, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, nullptr, E0},
    {"GA0", 25, kLongerRecordLimit, H::kParser, ParseFixedRecord, N, false, I::kOutside, S::kOwn, nullptr, E0},
    {"GE0", 26, kLongerRecordLimit, H::kParser, ParseFixedRecord, N, false, I::kOutside, S::kOwn, nullptr, kEventGpsEphemeris},
    {"NE0", 28, kLongerRecordLimit, H::kParser, ParseFixedRecord, N, false, I::kOutside, S::kOwn, nullptr, kEventGlnEphemeris},
    {"NA0", 27, kLongerRecordLimit, H::kParser, ParseFixedRecord, N, false, I::kOutside, S::kOwn, nullptr, E0},
    {"TC0", 31, 49, H::kParser, ParsePerSatellite, kCountTrackTimes, true, I::kPerSatellite, S::kOwn, nullptr, E0},
    {"TO0", 32, kLongerRecordLimit, H::kParser, ParseFixedRecord, N, false, I::kEpochRecord, S::kOwn, nullptr, E0},
    {"DO0", 33, kLongerRecordLimit, H::kParser, ParseFixedRecord, N, false, I::kEpochRecord, S::kOwn, nullptr, E0},
    {"rc0", 38, 97, H::kParser, ParsePerSatellite, kCountCaRange, false, I::kPerSatellite, S::kCaRange, nullptr, E0},
    {"r10", 40, 97, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, nullptr, E0},
    {"1r0", 41, 49, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, nullptr, E0},
    {"r20", 42, 97, H::kParser, ParsePerSatellite, N, false, I::kPerSatellite, S::kP2Range, nullptr, E0},
    {"2r0", 43, 49, H::kParser, ParsePerSatellite, N, false, I::kPerSatellite, S::kP2Range, nullptr, E0},
    {"cc0", 44, 49, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, nullptr, E0},
    {"c10", 45, 49, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, nullptr, E0},
    {"c20", 46, 49, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, nullptr, E0},
    {"pc0", 47, 97, H::kParser, ParsePerSatellite, kCountL1Phase, false, I::kPerSatellite, S::kCaPhase, nullptr, E0},
    {"cp0", 48, 97, H::kParser, ParsePerSatellite, kCountL1Phase, false, I::kPerSatellite, S::kCaPhase, nullptr, E0},
    {"p10", 49, 97, H::kParser, ParsePerSatellite, kCountL1Phase, false, I::kPerSatellite, S::kP1Phase, nullptr, E0},
    {"1p0", 50, 97, H::kParser, ParsePerSatellite, kCountL1Phase, false, I::kPerSatellite, S::kP1Phase, nullptr, E0},
    {"p20", 51, 97, H::kParser, ParsePerSatellite, kCountL2Phase, false, I::kPerSatellite, S::kP2Phase, nullptr, E0},
    {"2p0", 52, 97, H::kParser, ParsePerSatellite, kCountL2Phase, false, I::kPerSatellite, S::kP2Phase, nullptr, E0},
    {"1R0", 53, 97, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, nullptr, E0},
    {"2R0", 54, 97, H::kParser, ParsePerSatellite, N, false, I::kPerSatellite, S::kP2Range, nullptr, E0},
    {"CP0", 55, 97, H::kParser, ParsePerSatellite, kCountL1Phase, false, I::kPerSatellite, S::kCaPhase, nullptr, E0},
    {"1P0", 56, 97, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, nullptr, E0},
    {"2P0", 57, 97, H::kParser, ParsePerSatellite, kCountL2Phase, false, I::kPerSatellite, S::kP2Phase, nullptr, E0},
    {"SS0", 58, 26, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, nullptr, E0},
    {"TT0", 59, 5, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, nullptr, E0},
    {"IO0", 60, 39, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, nullptr, E0},
    {"||0", 61, 1, H::kEpochEnd, nullptr, N, false, I::kOutside, S::kOwn, "Incorrect EOF", E0},
    {"FC0", 62, 143, H::kParser, ParsePerSatellite, kCountCaFlags, true, I::kPerSatellite, S::kOwn, "Incorrect CA Valid", E0},
    {"F10", 63, 143, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, "Incorrect P1 Valid", E0},
    {"F20", 64, 143, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, "Incorrect P2 Valid", E0},
    {"BL0", 65, 34, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, "Incorrect RTK Record", E0},
    {"VG0", 68, 18, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, "Incorrect TOPO Velocity Record", E0},
    {"PS0", 69, 9, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, "Incorrect Position Statistics Record", E0},
    {"ST0", 70, 6, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, "Incorrect Position time Record", E0},
    {"PG0", 71, 30, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, "Incorrect Geo Position Record", E0},
    {"DP0", 72, 14, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, "Incorrect DOP Record", E0},
    {"SG0", 73, 18, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, "Incorrect Geo RMS Record", E0},
    {"SP0", 74, 42, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, "Incorrect Geo Variance Record", E0},
    {"SV0", 75, 42, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, "Incorrect Vel Variance Record", E0},
    {"rM", 76, 830, H::kRmRecord, ParseRmRecord, N, false, I::kOutside, S::kOwn, "Incorrect raw OEM Record", kEventRmEpoch},
    {"rE0", 77, 10, H::kNone, nullptr, N, false, I::kOutside, S::kOwn, "Incorrect ref epoch Record", E0},
};

// Row index by the two identifier characters.
constexpr IdIndex kRowIndex = BuildIdIndex(kRows, [](const DispatchRow& r) { return r.key; });

// The one row of the messages that only the tap reads.
constexpr int kTapOnlyState = kDispatchStateCount - 1;
constexpr DispatchRow kTapOnlyRow = {"", kTapOnlyState, kMaxMessageLength, H::kTapOnly, nullptr, N,
                                     false, I::kOutside, S::kOwn, nullptr, E0};
// A record that the receiver sends with one length digit "0".
constexpr int kMaxRecordLength = 255;

bool IsId(const uint8_t* header, const char* id) {
  return header[0] == static_cast<uint8_t>(id[0]) && header[1] == static_cast<uint8_t>(id[1]);
}

// A list of one byte per satellite, at most one per satellite index.
bool IsSatelliteList(const uint8_t* header, int L) {
  return (IsId(header, "SI") || IsId(header, "NN")) && L - 1 <= kMaxListedSatellites;
}

bool IsOtherEphemeris(const uint8_t* header, int L) {
  if (L > kMaxRecordLength) return false;
  for (const auto& id : kOtherEphemerisIds) {
    if (IsId(header, id)) return true;
  }
  return false;
}

}  // namespace

const DispatchRow* FindDispatchRow(const uint8_t* header) {
  const DispatchRow* found = FindById(kRows, kRowIndex, header);
  if (found == nullptr) return nullptr;
  const DispatchRow& row = *found;
  // Every identifier but "rM" is matched with its first length digit.
  if (row.key[2] != '\0' && header[2] != static_cast<uint8_t>(row.key[2])) return nullptr;
  return &row;
}

const DispatchRow* FindTapOnlyRow(const uint8_t* header, int L) {
  if (L <= 0) return nullptr;
  if (const SatelliteMessageKind* kind = FindSatelliteMessage(header)) {
    int count = EntryCount(*kind, L);
    return count >= 0 && count <= kMaxListedSatellites ? &kTapOnlyRow : nullptr;
  }
  if (IsSatelliteList(header, L) || IsOtherEphemeris(header, L)) return &kTapOnlyRow;
  return nullptr;
}

}  // namespace jps
