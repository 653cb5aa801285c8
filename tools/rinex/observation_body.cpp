#include "tools/rinex/observation_body.h"

#include <cstring>

namespace jpsrinex {
namespace {

constexpr uint8_t kPresentBit[kKindCount] = {jps::kHasCode, jps::kHasPhase, jps::kHasDoppler,
                                             jps::kHasCnr};
static_assert(jps::kHasCnr < (1 << kKindCount), "a slot's values in four bits of a layout's key");
constexpr int kLliBits = 7;           // the indicator's digit holds bits 0-2
constexpr char kEpochOk = '0';        // epoch flag: no event
constexpr int kCountWidth = 3;        // I3: satellites in the epoch
constexpr int kClockGap3 = 6;         // 3.04: 6X before the clock offset
constexpr size_t kClockColumn2 = 68;  // 2.11: the clock offset in columns 69-80
constexpr int kContinuationIndent2 = 32;

bool Before(const jps::SatelliteValues& a, const jps::SatelliteValues& b) {
  return a.system != b.system ? a.system < b.system : a.number < b.number;
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
      lockCarry_.LeftOut(s);
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
      lockCarry_.LeftOut(s);
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

const LineLayout& ObservationBody::LayoutOf(const jps::SatelliteValues& s) {
  int system = static_cast<int>(s.system);
  uint32_t key = 0;
  for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) {
    if ((s.slotsPresent & (1u << slot)) == 0) continue;
    key |= static_cast<uint32_t>(s.signals[slot].present & typed_[system][slot]) << (kKindCount * slot);
  }
  for (const LineLayout& known : layouts_[system]) {
    if (known.key == key) return known;
  }
  LineLayout& layout = layouts_[system][nextLayout_[system]];
  nextLayout_[system] = static_cast<uint8_t>((nextLayout_[system] + 1) % kLayoutsPerSystem);
  // A type takes the next column the first time a value of it is written:
  // slot by slot, C L D S in each.
  ColumnOrder& columns = columns_[types_.ListOf(s.system)];
  layout.key = key;
  layout.count = layout.width = 0;
  layout.filled = 0;
  for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) {
    for (int kind = 0; kind < kKindCount; ++kind) {
      if ((key >> (kKindCount * slot) & kPresentBit[kind]) == 0) continue;
      int column = columns.Column(types_.TypeOf(s.system, slot, kind));
      int i = layout.count++;
      layout.slot[i] = static_cast<uint8_t>(slot);
      layout.kind[i] = static_cast<uint8_t>(kind);
      layout.column[i] = static_cast<uint8_t>(column);
      layout.filled |= uint32_t{1} << column;
      if (column + 1 > layout.width) layout.width = column + 1;
    }
  }
  return layout;
}

char* ObservationBody::SatelliteLine(const jps::SatelliteValues& s, char* out) {
  int system = static_cast<int>(s.system);
  const LineLayout& layout = LayoutOf(s);
  char* line = out;
  char* values = WriteSatelliteId(out, SystemLetter(s.system), s.number);
  // Each signal's strength indicator, and the field of its C/N0 when the table has it.
  char strength[jps::kSignalSlotCount];
  const char* cnrField[jps::kSignalSlotCount];
  for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) {
    const jps::SignalValues& v = s.signals[slot];
    bool hasCnr = (s.slotsPresent & (1u << slot)) != 0 && (v.present & jps::kHasCnr) != 0;
    cnrField[slot] = hasCnr ? cnrFields_.Find(v.cnr) : nullptr;
    strength[slot] = cnrField[slot] != nullptr ? CnrFields::Strength(cnrField[slot])
                     : hasCnr                  ? static_cast<char>('0' + StrengthIndicator(v.cnr))
                                               : ' ';
  }
  // The values, written together at the end but for the C/N0 fields from the table.
  ObservationField pending[LineLayout::kMaxValues];
  int n = 0, fromTable = 0;
  for (int i = 0; i < layout.count; ++i) {
    int slot = layout.slot[i];
    const jps::SignalValues& v = s.signals[slot];
    char* field = values + layout.column[i] * kValueFieldWidth;
    switch (layout.kind[i]) {
      case kCodeKind:
        pending[n++] = {field, v.code, ' ', strength[slot]};
        break;
      case kPhaseKind: {
        auto bits = static_cast<uint8_t>(lockCarry_.Written(s, slot, v.lli) & kLliBits);
        char lli = bits != 0 ? static_cast<char>('0' + bits) : ' ';
        pending[n++] = {field, v.phase, lli, strength[slot]};
        break;
      }
      case kDopplerKind:
        pending[n++] = {field, v.doppler, ' ', strength[slot]};
        break;
      default:
        if (cnrField[slot] != nullptr) {
          std::memcpy(field, cnrField[slot], kValueFieldWidth);
          ++fromTable;
        } else {
          pending[n++] = {field, v.cnr, ' ', strength[slot]};
        }
    }
  }
  // The columns up to the line's last that no value of it fills are blank.
  static_assert(kMaxTypes < 32, "a bit per column");
  if (layout.filled != (uint32_t{1} << layout.width) - 1) {
    for (int column = 0; column < layout.width; ++column) {
      if ((layout.filled >> column & 1u) == 0) {
        std::memset(values + column * kValueFieldWidth, ' ', kValueFieldWidth);
      }
    }
  }
  int blank = WriteObservationFields(pending, n);
  tally_.values[system] += n - blank + fromTable;
  tally_.valuesOutOfRange += blank;
  ++tally_.records[system];
  tally_.satellites[system] |= uint64_t{1} << s.number;
  if (s.system == jps::GnssSystem::kGlonass) tally_.glonassChannel[s.number] = s.channel;
  return TrimmedLineEnd(line, values + layout.width * kValueFieldWidth);
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
  if (count == 0) return 0;  // Choose carried the losses of lock of the records left out
  char* p = EpochLine(epoch, time, count, out);
  for (int i = 0; i < count; ++i) p = SatelliteLine(epoch.satellites[order_[i]], p);
  ++tally_.epochs;
  return static_cast<size_t>(p - out);
}

}  // namespace jpsrinex
