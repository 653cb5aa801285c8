#include "tools/rinex/observation_body.h"

#include <cstring>

namespace jpsrinex {
namespace {

constexpr uint8_t kPresentBit[kKindCount] = {jps::kHasCode, jps::kHasPhase, jps::kHasDoppler,
                                             jps::kHasCnr};
constexpr int kLliBits = 7;           // the indicator's digit holds bits 0-2
constexpr char kEpochOk = '0';        // epoch flag: no event
constexpr int kCountWidth = 3;        // I3: satellites in the epoch
constexpr int kClockGap3 = 6;         // 3.04: 6X before the clock offset
constexpr size_t kClockColumn2 = 68;  // 2.11: the clock offset in columns 69-80
constexpr int kContinuationIndent2 = 32;

bool Before(const jps::SatelliteValues& a, const jps::SatelliteValues& b) {
  return a.system != b.system ? a.system < b.system : a.number < b.number;
}

char* TrimmedLineEnd(char* begin, char* end) {
  while (end > begin && end[-1] == ' ') --end;
  *end = '\n';
  return end + 1;
}

}  // namespace

ObservationBody::ObservationBody(RinexVersion version) : types_(version) {
  for (int system = 0; system < jps::kGnssSystemCount; ++system) {
    for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) {
      typed_[system][slot] = 0;
      for (int kind = 0; kind < kKindCount; ++kind) {
        if (types_.TypeOf(static_cast<jps::GnssSystem>(system), slot, kind) >= 0) {
          typed_[system][slot] |= kPresentBit[kind];
        }
      }
    }
  }
}

int ObservationBody::Choose(const jps::ObservationEpoch& epoch) {
  uint64_t seen[jps::kGnssSystemCount] = {};
  int n = 0;
  int count = epoch.satelliteCount < 0 ? 0 : epoch.satelliteCount;
  if (count > jps::kMaxStreamSatellites) count = jps::kMaxStreamSatellites;
  for (int i = 0; i < count; ++i) {
    const jps::SatelliteValues& s = epoch.satellites[i];
    int system = static_cast<int>(s.system);
    if (system < 0 || system >= jps::kGnssSystemCount || types_.ListOf(s.system) < 0) {
      ++tally_.leftOutSystem;
      continue;
    }
    if (s.system == jps::GnssSystem::kGlonass && s.number <= 0) {
      ++tally_.leftOutNoSlot;
      continue;
    }
    if (s.number < 1 || s.number > kMaxSatelliteNumber) {
      ++tally_.leftOutBadNumber;
      continue;
    }
    bool any = false;
    for (int slot = 0; slot < jps::kSignalSlotCount && !any; ++slot) {
      any = (s.slotsPresent & (1u << slot)) != 0 &&
            (s.signals[slot].present & typed_[system][slot]) != 0;
    }
    if (!any) {
      ++tally_.leftOutNoValue;
      continue;
    }
    uint64_t bit = uint64_t{1} << s.number;
    if ((seen[system] & bit) != 0) {
      ++tally_.leftOutRepeated;
      continue;
    }
    seen[system] |= bit;
    // Insertion by system, then number: the receiver's list is nearly in order.
    int at = n++;
    while (at > 0 && Before(s, epoch.satellites[order_[at - 1]])) {
      order_[at] = order_[at - 1];
      --at;
    }
    order_[at] = static_cast<uint8_t>(i);
  }
  return n;
}

char* ObservationBody::SatelliteLine(const jps::SatelliteValues& s, char* out) {
  int system = static_cast<int>(s.system);
  ColumnOrder& columns = columns_[types_.ListOf(s.system)];
  char* line = out;
  char* values = WriteSatelliteId(out, SystemLetter(s.system), s.number);
  // The values' fields (the columns this line fills, bit per column, and
  // the line's width in columns); the values are written together at the end.
  ObservationField pending[jps::kSignalSlotCount * kKindCount];
  int n = 0, width = 0;
  uint32_t filled = 0;
  auto fieldOf = [&](int type) -> char* {
    int column = columns.Column(type);
    filled |= uint32_t{1} << column;
    if (column + 1 > width) width = column + 1;
    return values + column * kValueFieldWidth;
  };
  auto put = [&](int type, double value, char lli, char strength) {
    if (type >= 0) pending[n++] = {fieldOf(type), value, lli, strength};
  };
  for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) {
    if ((s.slotsPresent & (1u << slot)) == 0) continue;
    const jps::SignalValues& v = s.signals[slot];
    bool hasCnr = (v.present & jps::kHasCnr) != 0;
    const char* cnrField = hasCnr ? cnrFields_.Find(v.cnr) : nullptr;
    char strength = cnrField != nullptr ? CnrFields::Strength(cnrField)
                    : hasCnr            ? static_cast<char>('0' + StrengthIndicator(v.cnr))
                                        : ' ';
    const int8_t* types = types_.TypesOf(s.system, slot);
    if ((v.present & jps::kHasCode) != 0) put(types[kCodeKind], v.code, ' ', strength);
    if ((v.present & jps::kHasPhase) != 0) {
      char lli = (v.lli & kLliBits) != 0 ? static_cast<char>('0' + (v.lli & kLliBits)) : ' ';
      put(types[kPhaseKind], v.phase, lli, strength);
    }
    if ((v.present & jps::kHasDoppler) != 0) put(types[kDopplerKind], v.doppler, ' ', strength);
    if (!hasCnr) continue;
    if (cnrField == nullptr || types[kStrengthKind] < 0) {
      put(types[kStrengthKind], v.cnr, ' ', strength);
    } else {
      std::memcpy(fieldOf(types[kStrengthKind]), cnrField, kValueFieldWidth);
      ++tally_.values[system];
    }
  }
  // The columns up to the line's last that no value of it fills are blank.
  static_assert(kMaxTypes < 32, "a bit per column");
  if (filled != (uint32_t{1} << width) - 1) {
    for (int column = 0; column < width; ++column) {
      if ((filled >> column & 1u) == 0) std::memset(values + column * kValueFieldWidth, ' ', kValueFieldWidth);
    }
  }
  int blank = WriteObservationFields(pending, n);
  tally_.values[system] += n - blank;
  tally_.valuesOutOfRange += blank;
  ++tally_.records[system];
  tally_.satellites[system] |= uint64_t{1} << s.number;
  if (s.system == jps::GnssSystem::kGlonass) tally_.glonassChannel[s.number] = s.channel;
  return TrimmedLineEnd(line, values + width * kValueFieldWidth);
}

char* ObservationBody::EpochLine(const jps::ObservationEpoch& epoch, const jps::DateTime& time,
                                 int count, char* out) {
  bool v3 = types_.version() == RinexVersion::k304;
  char* line = out;
  if (v3) *out++ = '>';
  out = WriteEpochTime(out, time, types_.version());
  *out++ = ' ';
  *out++ = ' ';
  *out++ = kEpochOk;
  WriteInteger(out, count, kCountWidth);
  out += kCountWidth;
  if (v3) {
    if (epoch.hasClockOffset) {
      std::memset(out, ' ', kClockGap3);
      out += kClockGap3;
      if (!WriteFixed(out, epoch.clockOffset, kClockFormat)) ++tally_.valuesOutOfRange;
      out += kClockFormat.width;
    }
    return TrimmedLineEnd(line, out);
  }
  for (int i = 0; i < count; ++i) {
    if (i > 0 && i % kSatellitesPerEpochLine2 == 0) {
      if (i == kSatellitesPerEpochLine2 && epoch.hasClockOffset) {
        if (!WriteFixed(out, epoch.clockOffset, kClockFormat2)) ++tally_.valuesOutOfRange;
        out += kClockFormat2.width;
      }
      out = TrimmedLineEnd(line, out);
      line = out;
      std::memset(out, ' ', kContinuationIndent2);
      out += kContinuationIndent2;
    }
    const jps::SatelliteValues& s = epoch.satellites[order_[i]];
    out = WriteSatelliteId(out, SystemLetter(s.system), s.number);
  }
  if (count <= kSatellitesPerEpochLine2 && epoch.hasClockOffset) {
    size_t used = static_cast<size_t>(out - line);
    std::memset(out, ' ', kClockColumn2 - used);
    out = line + kClockColumn2;
    if (!WriteFixed(out, epoch.clockOffset, kClockFormat2)) ++tally_.valuesOutOfRange;
    out += kClockFormat2.width;
  }
  return TrimmedLineEnd(line, out);
}

size_t ObservationBody::Format(const jps::ObservationEpoch& epoch, const jps::DateTime& time,
                               char* out) {
  int count = Choose(epoch);
  if (count == 0) return 0;
  char* p = EpochLine(epoch, time, count, out);
  for (int i = 0; i < count; ++i) p = SatelliteLine(epoch.satellites[order_[i]], p);
  ++tally_.epochs;
  return static_cast<size_t>(p - out);
}

}  // namespace jpsrinex
