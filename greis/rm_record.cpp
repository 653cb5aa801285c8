#include "greis/rm_record.h"

#include "support/kel_records.h"
#include "greis/framing.h"
#include "context/conversion_context.h"
#include "support/gps_time.h"
#include "support/little_endian.h"
#include "support/satellite_numbers.h"

namespace jps {
namespace {

constexpr int kHeaderFailed = -1;
constexpr int kRecordRefused = -1;
constexpr int kRecordAccepted = 1;

// Record header, body offsets.
constexpr int kStatusWordOffset = 0;
constexpr int kWeekWordOffset = 2;
constexpr int kTimeOfWeekOffset = 4;
constexpr int kClockWordOffset = 8;
constexpr int kLayoutWordOffset = 10;
constexpr int kRecordHeaderSize = 12;
constexpr int kCrcSize = 2;

// Values the receiver sends for "not available".
constexpr uint16_t kMissingU2 = 0xFFFF;
constexpr uint32_t kMissingU4 = 0xFFFFFFFFu;
constexpr int16_t kMissingI2 = 0x7FFF;
constexpr int32_t kMissingI4 = -1;  // 0xFFFFFFFF

constexpr uint16_t kTimeFrameBits = 0xE000;  // 0: GPS time
constexpr uint16_t kWeekBits = 0x07FF;
constexpr int16_t kClockValidBit = 0x0001;
constexpr int kClockCountShift = 2;     // bits 2-15: offset in 125 ns
constexpr double kClockUnit = 1.25e-7;  // seconds
constexpr int kSatCountShift = 8;       // bits 8-12 of the layout word
constexpr uint16_t kSatCountBits = 0x1F;
constexpr int kDopplerCodeShift = 13;  // bits 13-15 of the layout word
constexpr uint16_t kDopplerCodeBits = 0x7;
constexpr int kDopplerAbsentCode = 1;
constexpr int kMaxHeaderSatellites = 24;
constexpr int kMaxRecordSatellites = 23;

// Satellite entry: u4 C/A range, u1 satellite index, u1 block count, blocks.
constexpr int kEntryRangeOffset = 0;
constexpr int kEntryIndexOffset = 4;
constexpr int kEntryBlocksOffset = 5;
constexpr int kEntryHeaderSize = 6;
constexpr uint8_t kExtraBlockBits = 0x07;  // blocks after the first
constexpr uint8_t kMaxSatelliteIndex = 71;

// Signal block.
constexpr int kBlockRelativeRangeOffset = 0;
constexpr int kBlockSignalWordOffset = 2;
constexpr int kBlockLoopFlagsOffset = 6;
constexpr int kBlockLockTimeOffset = 8;
constexpr int kBlockDopplerOffset = 10;
constexpr int kBlockSizeWithDoppler = 14;
constexpr int kBlockSizeWithoutDoppler = 10;
constexpr uint32_t kSnrBits = 0x3F;
constexpr int kSignalTypeShift = 9;
constexpr uint32_t kSignalTypeBits = 0x7;
constexpr int kPhaseShift = 12;  // bits 12-31: phase minus range
constexpr int kDopplerShift = 7;
constexpr int kSignalL1Ca = 0;
constexpr int kSignalL2 = 2;

constexpr double kRangeUnit = 0.02;    // metres
constexpr double kPhaseUnit = 0.0005;  // metres
constexpr double kMillisecond = 0.001;

// Shift right that keeps the sign (floor division by 2^n) on every compiler.
int32_t ShiftKeepingSign(int32_t v, int n) { return v < 0 ? ~(~v >> n) : v >> n; }

uint16_t U2OrZero(const uint8_t* p) {
  uint16_t v = LoadU16(p);
  return v == kMissingU2 ? 0 : v;
}
uint32_t U4OrZero(const uint8_t* p) {
  uint32_t v = LoadU32(p);
  return v == kMissingU4 ? 0 : v;
}

// A body too short for the header and the CRC holds nothing to decode.
bool HoldsHeader(int L) { return L >= kRecordHeaderSize + kCrcSize; }

// The receiver ran in the GPS time frame: time-frame bits of the week word 0.
bool InGpsTimeFrame(const uint8_t* body) {
  return (U2OrZero(body + kWeekWordOffset) & kTimeFrameBits) == 0;
}

int DopplerCode(uint16_t layoutWord) {
  return (layoutWord >> kDopplerCodeShift) & kDopplerCodeBits;
}

// True when count entries with all their blocks end within the body before the CRC.
bool EntriesFit(const uint8_t* body, int L, int count, int blockSize) {
  const int end = L - kCrcSize;
  int offset = kRecordHeaderSize;
  for (int i = 0; i < count; ++i) {
    if (offset + kEntryHeaderSize > end) return false;
    int blocks = (body[offset + kEntryBlocksOffset] & kExtraBlockBits) + 1;
    offset += kEntryHeaderSize + blocks * blockSize;
    if (offset > end) return false;
  }
  return true;
}

// Carrier wavelength of a satellite index; 0 when its GLONASS frequency is unknown.
double Wavelength(const DecoderState& s, int index, bool l1) {
  if (index <= kLastGpsNumber) return l1 ? kGpsL1Wavelength : kGpsL2Wavelength;
  double frequency = GlonassFrequency(s, index, l1 ? 0 : 1);
  return frequency > 0.0 ? kSpeedOfLight / frequency : 0.0;
}

// A slot holds only what this record's entry carries.
void ClearSlot(DecoderState& s, int i) {
  s.CaRange.values[i] = 0.0;
  s.P2Range.values[i] = 0.0;
  s.CaPhase.values[i] = 0.0;
  s.P2Phase.values[i] = 0.0;
  s.CaSnr[i] = 0;
  s.P2Snr[i] = 0;
  s.CaLoopFlags[i] = 0;
  s.LockTimes[i] = 0;
  s.CaDoppler[i] = 0;
}

struct EntryContext {
  int slot;
  int index;         // satellite index, 0 to 71
  uint32_t range;    // C/A range in 0.02 m
  bool withDoppler;  // 14-byte blocks
};

void DecodeBlock(DecoderState& s, const EntryContext& e, const uint8_t* block, bool first) {
  const int i = e.slot;
  uint32_t word = LoadU32(block + kBlockSignalWordOffset);
  if (word == kMissingU4) return;
  int type = static_cast<int>((word >> kSignalTypeShift) & kSignalTypeBits);
  if (type != kSignalL1Ca && type != kSignalL2) return;
  const bool l1 = type == kSignalL1Ca;

  if (first) {
    s.CaRange.values[i] = l1 ? e.range * kRangeUnit : 0.0;
  } else if (!l1) {
    int16_t rel = LoadI16(block + kBlockRelativeRangeOffset);
    s.P2Range.values[i] = rel == kMissingI2 ? 0.0 : rel * kRangeUnit + s.CaRange.values[i];
  }
  (l1 ? s.CaSnr : s.P2Snr)[i] = static_cast<uint8_t>(word & kSnrBits);

  double lambda = Wavelength(s, e.index, l1);
  if (lambda == 0.0) {
    if (l1) {
      s.CaRange.values[i] = 0.0;
      s.CaPhase.values[i] = 0.0;
      s.CaDoppler[i] = 0;
    } else {
      s.P2Phase.values[i] = 0.0;
      s.P2Range.values[i] = 0.0;
    }
    return;
  }
  int32_t p = ShiftKeepingSign(static_cast<int32_t>(word), kPhaseShift);
  (l1 ? s.CaPhase : s.P2Phase).values[i] = (p * kPhaseUnit + s.CaRange.values[i]) / lambda;

  if (l1) {
    s.CaLoopFlags[i] = LoadI16(block + kBlockLoopFlagsOffset);
    s.LockTimes[i] = U2OrZero(block + kBlockLockTimeOffset);
  }
  if (!e.withDoppler) {
    s.CaDoppler[i] = 0;
  } else if (l1) {
    int32_t d = LoadI32(block + kBlockDopplerOffset);
    if (d == kMissingI4) d = 0;
    s.CaDoppler[i] = ShiftKeepingSign(d, kDopplerShift);
  }
}

// Decodes entry slot at body offset; returns the entry's size in bytes.
int DecodeEntry(DecoderState& s, const uint8_t* entry, int slot, int blockSize) {
  EntryContext e;
  e.slot = slot;
  e.range = U4OrZero(entry + kEntryRangeOffset);
  uint8_t index = entry[kEntryIndexOffset];
  e.index = index > kMaxSatelliteIndex ? 0 : index;
  e.withDoppler = blockSize == kBlockSizeWithDoppler;
  s.SatIndices[slot] = static_cast<uint8_t>(e.index);
  ClearSlot(s, slot);
  int blocks = (entry[kEntryBlocksOffset] & kExtraBlockBits) + 1;
  const uint8_t* block = entry + kEntryHeaderSize;
  for (int j = 0; j < blocks; ++j, block += blockSize) DecodeBlock(s, e, block, j == 0);
  return kEntryHeaderSize + blocks * blockSize;
}

}  // namespace

int CheckRmHeader(DecoderState& s, const uint8_t* message, int L) {
  if (!HoldsHeader(L)) return kHeaderFailed;  // nothing of it is decoded
  const uint8_t* body = message + kFrameHeaderSize;
  RmHeader& h = s.Rm;
  h.RmStatusWord = U2OrZero(body + kStatusWordOffset);
  h.RmWeek = U2OrZero(body + kWeekWordOffset);
  if (!InGpsTimeFrame(body)) {
    s.Context->lastError.Set("ERROR - Not GPS Time Frame - re-boot JPS receiver in GPS time");
    return kHeaderFailed;
  }
  h.RmWeek &= kWeekBits;

  h.RmTimeOfWeekMs = U4OrZero(body + kTimeOfWeekOffset);
  if (h.RmTimeOfWeekMs * kMillisecond > kSecondsPerWeek) {
    s.Context->lastError.Set("ERROR - Not a Valid GPS Time");
    return kHeaderFailed;
  }

  int16_t clock = LoadI16(body + kClockWordOffset);
  if (clock == kMissingI2) clock = 0;
  if ((clock & kClockValidBit) == 0) {
    s.Context->lastError.Set("WARNING: Clock not Valid");
    h.RmClockCount = 0;
  } else {
    h.RmClockCount = static_cast<int16_t>(ShiftKeepingSign(clock, kClockCountShift));
  }

  h.RmLayoutWord = LoadU16(body + kLayoutWordOffset);
  if (DopplerCode(h.RmLayoutWord) == kDopplerAbsentCode) s.DopplerAbsent = 1;
  s.SatCount = (h.RmLayoutWord >> kSatCountShift) & kSatCountBits;
  if (s.SatCount > kMaxHeaderSatellites) {
    s.Context->lastError.Set("ERROR: Num sats %d not possible", s.SatCount);
    return kHeaderFailed;
  }
  return 0;
}

int ParseRmRecord(DecoderState& s, const uint8_t* message, int L) {
  if (!HoldsHeader(L) || !RmCrcOk(message, L)) return kRecordRefused;
  const uint8_t* body = message + kFrameHeaderSize;
  // Outside the GPS time frame the header check decoded nothing of this
  // record: the fields hold an earlier record's time and satellite count.
  if (!InGpsTimeFrame(body)) return kRecordRefused;

  if (s.SatCount < 1 || s.SatCount > kMaxRecordSatellites) {
    s.Context->lastError.Set("ERROR: Num sats %d not possible", s.SatCount);
    s.SatCount = 0;
    return kRecordRefused;
  }
  const double time = s.Rm.RmTimeOfWeekMs * kMillisecond;
  if (time < 0.0 || time > kSecondsPerWeek) {
    s.Context->lastError.Set("ERROR: Invalid time %.1lf", time);
    s.RmEpochTime = 0.0;
    return kRecordRefused;
  }
  const int code = DopplerCode(s.Rm.RmLayoutWord);
  const int blockSize = code == 0 ? kBlockSizeWithDoppler : kBlockSizeWithoutDoppler;
  // A record whose entries would run into the CRC or beyond is damaged: it is
  // refused like one that fails its CRC, before anything of it is stored.
  if (!EntriesFit(body, L, s.SatCount, blockSize)) return kRecordRefused;

  s.RmEpochTime = time;
  s.RmClockOffset = s.Rm.RmClockCount * kClockUnit;
  s.DopplerAbsent = code;
  int offset = kRecordHeaderSize;
  for (int i = 0; i < s.SatCount; ++i) offset += DecodeEntry(s, body + offset, i, blockSize);
  return kRecordAccepted;
}

}  // namespace jps
