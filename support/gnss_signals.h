// The receiver's satellite systems and signals beyond the KEL file's GPS and
// GLONASS set: what each satellite index of [SI] stands for, the six signal
// slots a GREIS message names with one character, the RINEX 3 code of each
// system's signal in each slot, and its carrier frequency.
#pragma once

#include <cstdint>

namespace jps {

enum class GnssSystem : uint8_t { kGps, kGlonass, kGalileo, kSbas, kQzss, kBeidou };
constexpr int kGnssSystemCount = 6;

// RINEX numbers SBAS and QZSS satellites by their PRN less these: PRN 120
// is S20, PRN 193 is J01.
constexpr int kSbasRinexOffset = 100;
constexpr int kQzssRinexOffset = 192;

// The RINEX system letter: G R E S J C.
char RinexSystemLetter(GnssSystem system);
// "GPS", "GLONASS", "Galileo", "SBAS", "QZSS", "BeiDou".
const char* SystemName(GnssSystem system);
// The system of a RINEX system letter; false for any other character.
bool SystemOfRinexLetter(char letter, GnssSystem* system);

// What a satellite index of [SI] stands for. number is the satellite's own
// number as RINEX 3 writes it after the system letter: the PRN for GPS (1-37),
// Galileo (1-49) and BeiDou (1-30), PRN - 100 for SBAS (20-42), PRN - 192 for
// QZSS (1-5). GLONASS satellites are numbered by orbital slot, which the index
// does not tell: number is 0 and channel holds the frequency channel (-7..24).
struct SatelliteIndex {
  bool valid;  // false: unused, reserved, or GLONASS with no channel (index 70)
  GnssSystem system;
  int number;
  int channel;
};
SatelliteIndex DecodeSatelliteIndex(uint8_t index);
// A GLONASS entry of the satellite list: a channel's index (38-69), or 70,
// GLONASS on a channel not known. [NN] has one byte for each of them.
bool IsGlonassListEntry(uint8_t index);

// The six signal slots, in the order of their message characters:
// c (C/A on L1), 1 (P on L1), 2 (P on L2), 3 (C/A on L2), 5 (L5), l (L1C).
enum class SignalSlot : uint8_t { kCa, kP1, kP2, kCa2, kL5, kL1c };
constexpr int kSignalSlotCount = 6;
constexpr char kSlotCharacters[kSignalSlotCount + 1] = "c1235l";

// The slot a message character names ('c' or 'C' for C/A); -1 for none.
int SlotOfCharacter(char c);

// One system's signal in one slot.
struct SignalInfo {
  const char* rinexCode;   // "1C", "2W", "5X"; null when the system has no signal there
  double frequency;        // Hz; for GLONASS the carrier of channel 0
  double channelStep;      // Hz per GLONASS frequency channel; 0 for the other systems
};
// The system's signal in the slot (rinexCode null when there is none).
const SignalInfo& Signal(GnssSystem system, SignalSlot slot);
// Carrier frequency of the signal for a satellite on a GLONASS channel
// (ignored for the other systems); 0 when the system has no signal there.
double SignalFrequency(GnssSystem system, SignalSlot slot, int channel);

}  // namespace jps
