#include "support/gnss_signals.h"

#include "support/satellite_numbers.h"

namespace jps {
namespace {

constexpr double kMHz = 1e6;
constexpr double kL1 = 1575.42 * kMHz;
constexpr double kL2 = 1227.60 * kMHz;
constexpr double kL5 = 1176.45 * kMHz;
constexpr double kE5 = 1191.795 * kMHz;   // Galileo E5 AltBOC
constexpr double kE5b = 1207.14 * kMHz;   // also BeiDou B2
constexpr double kE6 = 1278.75 * kMHz;    // also QZSS LEX
constexpr double kB1 = 1561.098 * kMHz;
constexpr double kGlonassL3 = 1202.025 * kMHz;

constexpr SignalInfo kNone{nullptr, 0.0, 0.0};
constexpr SignalInfo GlonassL1Signal(const char* code) { return {code, kGlonassL1Base, kGlonassL1Step}; }
constexpr SignalInfo GlonassL2Signal(const char* code) { return {code, kGlonassL2Base, kGlonassL2Step}; }

// By system, then by slot (c 1 2 3 5 l).
constexpr SignalInfo kSignals[kGnssSystemCount][kSignalSlotCount] = {
    // GPS: C/A, P1 (semi-codeless), P2, L2C (L+M), L5 (I+Q), L1C (D+P).
    {{"1C", kL1, 0}, {"1W", kL1, 0}, {"2W", kL2, 0}, {"2X", kL2, 0}, {"5X", kL5, 0}, {"1X", kL1, 0}},
    // GLONASS: C/A and P on L1 and L2, L3 (I+Q).
    {GlonassL1Signal("1C"), GlonassL1Signal("1P"), GlonassL2Signal("2P"), GlonassL2Signal("2C"), {"3X", kGlonassL3, 0},
     kNone},
    // Galileo: E1 (B+C), E5 AltBOC, E5b, E6 (B+C), E5a.
    {{"1X", kL1, 0}, {"8X", kE5, 0}, {"7X", kE5b, 0}, {"6X", kE6, 0}, {"5X", kL5, 0}, kNone},
    // SBAS: L1 and L5.
    {{"1C", kL1, 0}, kNone, kNone, kNone, {"5X", kL5, 0}, kNone},
    // QZSS: C/A, SAIF, LEX, L2C, L5, L1C.
    {{"1C", kL1, 0}, {"1Z", kL1, 0}, {"6X", kE6, 0}, {"2X", kL2, 0}, {"5X", kL5, 0}, {"1X", kL1, 0}},
    // BeiDou: B1 and B2.
    {{"2I", kB1, 0}, kNone, kNone, kNone, {"7I", kE5b, 0}, kNone},
};

// Index ranges of [SI].
constexpr int kLastGpsIndex = 37;
constexpr int kFirstGlonassIndex = 38, kLastGlonassIndex = 69;
constexpr int kGlonassNoChannelIndex = 70;
constexpr int kFirstGalileoIndex = 71, kLastGalileoIndex = 119;
constexpr int kFirstSbasIndex = 120, kLastSbasIndex = 142;
constexpr int kFirstQzssIndex = 193, kLastQzssIndex = 197;
constexpr int kFirstBeidouIndex = 211, kLastBeidouIndex = 240;

SatelliteIndex Valid(GnssSystem system, int number, int channel = 0) {
  return {true, system, number, channel};
}

constexpr char kRinexLetters[kGnssSystemCount + 1] = "GRESJC";
const char* const kSystemNames[kGnssSystemCount] = {"GPS", "GLONASS", "Galileo", "SBAS", "QZSS", "BeiDou"};

}  // namespace

char RinexSystemLetter(GnssSystem system) { return kRinexLetters[static_cast<int>(system)]; }

const char* SystemName(GnssSystem system) { return kSystemNames[static_cast<int>(system)]; }

bool SystemOfRinexLetter(char letter, GnssSystem* system) {
  for (int s = 0; s < kGnssSystemCount; ++s) {
    if (kRinexLetters[s] != letter) continue;
    *system = static_cast<GnssSystem>(s);
    return true;
  }
  return false;
}

SatelliteIndex DecodeSatelliteIndex(uint8_t index) {
  int i = index;
  if (i >= 1 && i <= kLastGpsIndex) return Valid(GnssSystem::kGps, i);
  if (i >= kFirstGlonassIndex && i <= kLastGlonassIndex) {
    return Valid(GnssSystem::kGlonass, 0, GlonassChannel(i));
  }
  if (i >= kFirstGalileoIndex && i <= kLastGalileoIndex) {
    return Valid(GnssSystem::kGalileo, i - kFirstGalileoIndex + 1);
  }
  if (i >= kFirstSbasIndex && i <= kLastSbasIndex) {
    return Valid(GnssSystem::kSbas, i - kSbasRinexOffset);
  }
  if (i >= kFirstQzssIndex && i <= kLastQzssIndex) {
    return Valid(GnssSystem::kQzss, i - kQzssRinexOffset);
  }
  if (i >= kFirstBeidouIndex && i <= kLastBeidouIndex) {
    return Valid(GnssSystem::kBeidou, i - kFirstBeidouIndex + 1);
  }
  return {false, GnssSystem::kGps, 0, 0};
}

bool IsGlonassListEntry(uint8_t index) {
  return index >= kFirstGlonassIndex && index <= kGlonassNoChannelIndex;
}

int SlotOfCharacter(char c) {
  if (c == 'C') return static_cast<int>(SignalSlot::kCa);
  for (int slot = 0; slot < kSignalSlotCount; ++slot) {
    if (kSlotCharacters[slot] == c) return slot;
  }
  return -1;
}

const SignalInfo& Signal(GnssSystem system, SignalSlot slot) {
  return kSignals[static_cast<int>(system)][static_cast<int>(slot)];
}

double SignalFrequency(GnssSystem system, SignalSlot slot, int channel) {
  const SignalInfo& s = Signal(system, slot);
  if (s.rinexCode == nullptr) return 0.0;
  return s.frequency + channel * s.channelStep;
}

}  // namespace jps
