// The header of the observation file, from what the epochs written held.
#include <cmath>

#include "tools/rinex/observation_file.h"

namespace jpsrinex {
namespace {

constexpr const char* kVersion3 = "     3.04           OBSERVATION DATA    M (MIXED)";
constexpr const char* kVersion2 = "     2.11           OBSERVATION DATA    M (MIXED)";
constexpr const char* kTimeSystem = "GPS";
constexpr int kTypesPerLine3 = 13;  // SYS / # / OBS TYPES: A1,2X,I3,13(1X,A3)
constexpr int kTypesPerLine2 = 9;   // # / TYPES OF OBSERV: I6,9(4X,A2)
constexpr int kTypeCountWidth3 = 3;
constexpr int kCountWidth = 6;      // I6
constexpr int kSlotsPerLine = 8;    // GLONASS SLOT / FRQ #: I3,1X,8(A1,I2.2,1X,I2,1X)
constexpr int kSlotCountWidth = 3;
constexpr int kChannelWidth = 2;
constexpr const char* kSlotIndent = "    ";
constexpr const char* kWavelengthFactors = "     1     1";  // full cycles on L1 and L2
// The GLONASS signals whose code-phase bias the header states; the biases
// are not known here, so their fields stay blank.
constexpr const char* kGlonassBiasSignals[] = {"C1C", "C1P", "C2C", "C2P"};

std::string TypeLines3(const ObservationTypes& types, int list, const ColumnOrder& columns) {
  std::string content(1, SystemLetter(ObservationTypes::SystemOfList(list)));
  content += "  " + IntegerText(columns.count(), kTypeCountWidth3);
  std::string out;
  int n = 0;
  for (int t = 0; t < kMaxTypes; ++t) {
    if (columns.ColumnOf(t) < 0) continue;
    if (n > 0 && n % kTypesPerLine3 == 0) {
      out += HeaderLine(content, "SYS / # / OBS TYPES");
      content = "      ";
    }
    content += std::string(" ") + types.Name(list, t);
    ++n;
  }
  return out + HeaderLine(content, "SYS / # / OBS TYPES");
}

std::string TypeLines2(const ObservationTypes& types, const ColumnOrder& columns) {
  std::string content = IntegerText(columns.count(), kCountWidth);
  std::string out;
  int n = 0;
  for (int t = 0; t < kMaxTypes; ++t) {
    if (columns.ColumnOf(t) < 0) continue;
    if (n > 0 && n % kTypesPerLine2 == 0) {
      out += HeaderLine(content, "# / TYPES OF OBSERV");
      content = "      ";
    }
    content += std::string("    ") + types.Name(0, t);
    ++n;
  }
  return out + HeaderLine(content, "# / TYPES OF OBSERV");
}

std::string SlotLines(const BodyTally& t) {
  uint64_t slots = t.satellites[static_cast<int>(jps::GnssSystem::kGlonass)];
  int count = t.SatelliteCount(static_cast<int>(jps::GnssSystem::kGlonass));
  std::string out, content = IntegerText(count, kSlotCountWidth) + " ";
  int n = 0;
  for (int s = 1; s <= kMaxSatelliteNumber; ++s) {
    if (((slots >> s) & 1) == 0) continue;
    if (n > 0 && n % kSlotsPerLine == 0) {
      out += HeaderLine(content, "GLONASS SLOT / FRQ #");
      content = kSlotIndent;
    }
    content += SatelliteId('R', s) + " " + IntegerText(t.glonassChannel[s], kChannelWidth) + " ";
    ++n;
  }
  return out + HeaderLine(content, "GLONASS SLOT / FRQ #");
}

std::string BiasLine() {
  std::string content;
  for (const char* signal : kGlonassBiasSignals) {
    content += std::string(" ") + signal + " " + std::string(kBiasFormat.width, ' ');
  }
  return HeaderLine(content, "GLONASS COD/PHS/BIS");
}

std::string Position(double value) { return FixedText(value, kPositionFormat); }

}  // namespace

std::string ObservationFile::Header(const ObservationHeader& h) const {
  bool v3 = version() == RinexVersion::k304;
  const ObservationTypes& types = body_.types();
  std::string out = HeaderLine(v3 ? kVersion3 : kVersion2, "RINEX VERSION / TYPE");
  out += ProgramLine(h.program, h.runBy, h.runDate);
  for (const std::string& comment : h.comments) out += HeaderLine(comment, "COMMENT");
  out += HeaderLine(h.markerName, "MARKER NAME");
  out += HeaderLine("", "OBSERVER / AGENCY");
  out += HeaderLine(TextField("", kHeaderNameColumns) + TextField(h.receiverType, kHeaderNameColumns),
                    "REC # / TYPE / VERS");
  out += HeaderLine(TextField("", kHeaderNameColumns) + TextField(h.antennaType, kHeaderNameColumns),
                    "ANT # / TYPE");
  if (positions_ > 0) {
    double n = static_cast<double>(positions_);
    out += HeaderLine(Position(positionSum_[0] / n) + Position(positionSum_[1] / n) +
                          Position(positionSum_[2] / n),
                      "APPROX POSITION XYZ");
  }
  out += HeaderLine(Position(h.antennaHeight) + Position(0) + Position(0), "ANTENNA: DELTA H/E/N");
  const BodyTally& t = body_.tally();
  if (v3) {
    for (int list = 0; list < types.ListCount(); ++list) {
      if (body_.columns(list).count() > 0) out += TypeLines3(types, list, body_.columns(list));
    }
    // The phases are as the receiver tracked them: no shift applied.
    for (int list = 0; list < types.ListCount(); ++list) {
      if (body_.columns(list).count() > 0) {
        out += HeaderLine(std::string(1, SystemLetter(ObservationTypes::SystemOfList(list))),
                          "SYS / PHASE SHIFT");
      }
    }
    out += SlotLines(t);
    out += BiasLine();
  } else {
    out += HeaderLine(kWavelengthFactors, "WAVELENGTH FACT L1/2");
    out += TypeLines2(types, body_.columns(0));
  }
  double interval = h.interval > 0 ? h.interval : MostFrequentSpacing();
  if (interval > 0) out += HeaderLine(FixedText(interval, kIntervalFormat), "INTERVAL");
  out += HeaderLine(HeaderTime(first_, kTimeSystem), "TIME OF FIRST OBS");
  out += HeaderLine(HeaderTime(last_, kTimeSystem), "TIME OF LAST OBS");
  out += HeaderLine(IntegerText(0, kCountWidth), "RCV CLOCK OFFS APPL");
  if (h.hasLeapSeconds) out += LeapSecondsLine(h.leapSeconds);
  return out + HeaderLine("", "END OF HEADER");
}

}  // namespace jpsrinex
