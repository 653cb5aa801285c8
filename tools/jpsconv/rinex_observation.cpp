#include "tools/jpsconv/rinex_observation.h"

#include <cstdio>

#include "tools/jpsconv/rinex_fields.h"

namespace jpsconv {
namespace {

constexpr const char* kVersionContent =
    "     3.04           OBSERVATION DATA    M (MIXED)           ";
constexpr int kSlotsPerLine = 8;
constexpr size_t kSlotIndent = 4;  // continuation lines of GLONASS SLOT / FRQ #
constexpr int kValueWidth = 14;    // F14.3
constexpr int kValueDecimals = 3;
constexpr int kPositionWidth = 14;  // F14.4 of the position and antenna lines
constexpr int kPositionDecimals = 4;
constexpr int kIntervalWidth = 10;  // F10.3
constexpr int kIntervalDecimals = 3;
constexpr int kCountWidth = 6;   // I6
constexpr int kClockWidth = 15;  // F15.12
constexpr int kClockDecimals = 12;
constexpr char kLossOfLock = '1';
// GLONASS signals whose code-phase alignment the header states; the biases
// are not known here, so their fields stay blank.
constexpr const char* kGlonassBiasSignals[] = {"C1C", "C1P", "C2C", "C2P"};
constexpr size_t kBiasWidth = 8;

std::string Fixed(double value, int width, int decimals) {
  std::string text;
  return FixedField(value, width, decimals, &text) ? text : std::string(width, ' ');
}

std::string Position(double value) { return Fixed(value, kPositionWidth, kPositionDecimals); }

std::string TypesLine(char system, const char* const (&types)[kObservationTypes]) {
  char text[16];
  std::snprintf(text, sizeof text, "%c  %3d", system, kObservationTypes);
  std::string content = text;
  for (const char* type : types) content += std::string(" ") + type;
  return HeaderLine(content, "SYS / # / OBS TYPES");
}

std::string SlotLines(const std::vector<std::pair<int, int>>& slots) {
  char count[8];
  std::snprintf(count, sizeof count, "%3d ", static_cast<int>(slots.size()));
  std::string out, content = count;
  for (size_t i = 0; i < slots.size(); ++i) {
    char entry[16];
    std::snprintf(entry, sizeof entry, "R%02d %2d ", slots[i].first, slots[i].second);
    content += entry;
    if ((i + 1) % kSlotsPerLine == 0 && i + 1 < slots.size()) {
      out += HeaderLine(content, "GLONASS SLOT / FRQ #");
      content = std::string(kSlotIndent, ' ');
    }
  }
  return out + HeaderLine(content, "GLONASS SLOT / FRQ #");
}

std::string BiasLine() {
  std::string content;
  for (const char* signal : kGlonassBiasSignals) {
    content += std::string(" ") + signal + " " + std::string(kBiasWidth, ' ');
  }
  return HeaderLine(content, "GLONASS COD/PHS/BIS");
}

std::string SatelliteLine(const ObsSatellite& s, int64_t* outOfRange) {
  std::string line = SatelliteId(s.system, s.number);
  for (int i = 0; i < kObservationTypes; ++i) {
    std::string field;
    bool present = s.values[i] != 0.0;
    if (present && !FixedField(s.values[i], kValueWidth, kValueDecimals, &field)) {
      ++*outOfRange;
      present = false;
    }
    if (!present) field = std::string(kValueWidth, ' ');
    bool phase = i == kL1PhaseIndex || i == kL2PhaseIndex;
    field += (present && phase && s.lossOfLock) ? kLossOfLock : ' ';
    field += ' ';  // signal strength: not known
    line += field;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line + "\n";
}

}  // namespace

std::string FormatObsHeader(const ObsHeader& h) {
  std::string out = HeaderLine(kVersionContent, "RINEX VERSION / TYPE");
  out += HeaderLine(
      TextField(h.program, kRinexNameColumns) + TextField("", kRinexNameColumns) + h.runDate,
      "PGM / RUN BY / DATE");
  for (const std::string& comment : h.comments) out += HeaderLine(comment, "COMMENT");
  out += HeaderLine(h.markerName, "MARKER NAME");
  out += HeaderLine("", "OBSERVER / AGENCY");
  out += HeaderLine(TextField("", kRinexNameColumns) + TextField(h.receiverType, kRinexNameColumns),
                    "REC # / TYPE / VERS");
  out += HeaderLine(TextField("", kRinexNameColumns) + TextField(h.antennaType, kRinexNameColumns),
                    "ANT # / TYPE");
  if (h.hasPosition) {
    out += HeaderLine(Position(h.position[0]) + Position(h.position[1]) + Position(h.position[2]),
                      "APPROX POSITION XYZ");
  }
  out += HeaderLine(Position(h.antennaHeight) + Position(0) + Position(0), "ANTENNA: DELTA H/E/N");
  out += TypesLine(kGpsSystem, kGpsObservationTypes);
  out += TypesLine(kGlonassSystem, kGlonassObservationTypes);
  // The phases are the receiver's own, with no shift applied.
  out += HeaderLine(std::string(1, kGpsSystem), "SYS / PHASE SHIFT");
  out += HeaderLine(std::string(1, kGlonassSystem), "SYS / PHASE SHIFT");
  out += SlotLines(h.glonassSlots);
  out += BiasLine();
  if (h.interval > 0)
    out += HeaderLine(Fixed(h.interval, kIntervalWidth, kIntervalDecimals), "INTERVAL");
  out += HeaderLine(HeaderTimeFields(h.first), "TIME OF FIRST OBS");
  out += HeaderLine(HeaderTimeFields(h.last), "TIME OF LAST OBS");
  out += HeaderLine(Fixed(0, kCountWidth, 0), "RCV CLOCK OFFS APPL");
  if (h.hasLeapSeconds) out += HeaderLine(Fixed(h.leapSeconds, kCountWidth, 0), "LEAP SECONDS");
  return out + HeaderLine("", "END OF HEADER");
}

std::string FormatObsEpoch(const ObsEpoch& epoch, int64_t* outOfRange) {
  char counts[16];
  std::snprintf(counts, sizeof counts, "  0%3d", static_cast<int>(epoch.satellites.size()));
  std::string out = ">" + EpochTimeFields(epoch.time) + counts;
  std::string clock;
  if (epoch.clockOffset != 0.0 &&
      FixedField(epoch.clockOffset, kClockWidth, kClockDecimals, &clock)) {
    out += std::string(6, ' ') + clock;
  }
  out += "\n";
  for (const ObsSatellite& s : epoch.satellites) out += SatelliteLine(s, outOfRange);
  return out;
}

}  // namespace jpsconv
