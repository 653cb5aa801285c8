// The per-satellite messages of every signal slot: one entry per satellite of
// the latest satellite list ([SI]), in its order. Each identifier names its
// family (what the entries mean and how they are encoded) and its slot.
#pragma once

#include <cstdint>

#include "greis/id_index.h"
#include "support/gnss_signals.h"

namespace jps {

// Satellites one satellite list can name: its entries are one-byte indices.
constexpr int kMaxListedSatellites = 255;

enum class SatelliteFamily : uint8_t {
  kRange,                // f8, pseudorange in seconds
  kShortRange,           // i4, count x K + A seconds
  kRelativeRange,        // f4, seconds relative to the C/A pseudorange
  kShortRelativeRange,   // i2, count x 1e-11 + 2e-7 s relative to the C/A pseudorange
  kPhase,                // f8, cycles
  kPhaseCounter,         // u4, 1/1024 cycle, rolls over
  kRelativePhase,        // f4, phase / f - C/A pseudorange, seconds
  kShortRelativePhase,   // i4, the same in 2^-40 s
  kDoppler,              // i4, 1e-4 Hz, the receiver's sign
  kRelativeDoppler,      // i2, 1e-4 Hz relative to C/A, scaled to the C/A carrier
  kCnr,                  // u1, dB-Hz
  kCnrQuarter,           // u1, dB-Hz x 4
  kLoopFlags,            // u2, tracking-loop flag bits
  kLockTime,             // u2, s since the last loss of lock on C/A
  kSmoothing,            // f4 s + u2 interval s
  kShortSmoothing,       // i2, 1e-11 s
  kElevation,            // i1, degrees
  kAzimuth,              // u1, 2 degrees
};

struct SatelliteMessageKind {
  char id[2];
  SatelliteFamily family;
  SignalSlot slot;       // C/A for the families that have one message only
  uint8_t entrySize;     // bytes per satellite
};

// The kinds of every per-satellite identifier, for all six slots.
inline constexpr SatelliteMessageKind kSatelliteMessages[] = {
    {{'R', 'C'}, SatelliteFamily::kRange, SignalSlot::kCa, 8},
    {{'R', '1'}, SatelliteFamily::kRange, SignalSlot::kP1, 8},
    {{'R', '2'}, SatelliteFamily::kRange, SignalSlot::kP2, 8},
    {{'R', '3'}, SatelliteFamily::kRange, SignalSlot::kCa2, 8},
    {{'R', '5'}, SatelliteFamily::kRange, SignalSlot::kL5, 8},
    {{'R', 'l'}, SatelliteFamily::kRange, SignalSlot::kL1c, 8},
    {{'r', 'c'}, SatelliteFamily::kShortRange, SignalSlot::kCa, 4},
    {{'r', '1'}, SatelliteFamily::kShortRange, SignalSlot::kP1, 4},
    {{'r', '2'}, SatelliteFamily::kShortRange, SignalSlot::kP2, 4},
    {{'r', '3'}, SatelliteFamily::kShortRange, SignalSlot::kCa2, 4},
    {{'r', '5'}, SatelliteFamily::kShortRange, SignalSlot::kL5, 4},
    {{'r', 'l'}, SatelliteFamily::kShortRange, SignalSlot::kL1c, 4},
    {{'1', 'R'}, SatelliteFamily::kRelativeRange, SignalSlot::kP1, 4},
    {{'2', 'R'}, SatelliteFamily::kRelativeRange, SignalSlot::kP2, 4},
    {{'3', 'R'}, SatelliteFamily::kRelativeRange, SignalSlot::kCa2, 4},
    {{'5', 'R'}, SatelliteFamily::kRelativeRange, SignalSlot::kL5, 4},
    {{'l', 'R'}, SatelliteFamily::kRelativeRange, SignalSlot::kL1c, 4},
    {{'1', 'r'}, SatelliteFamily::kShortRelativeRange, SignalSlot::kP1, 2},
    {{'2', 'r'}, SatelliteFamily::kShortRelativeRange, SignalSlot::kP2, 2},
    {{'3', 'r'}, SatelliteFamily::kShortRelativeRange, SignalSlot::kCa2, 2},
    {{'5', 'r'}, SatelliteFamily::kShortRelativeRange, SignalSlot::kL5, 2},
    {{'l', 'r'}, SatelliteFamily::kShortRelativeRange, SignalSlot::kL1c, 2},
    {{'P', 'C'}, SatelliteFamily::kPhase, SignalSlot::kCa, 8},
    {{'P', '1'}, SatelliteFamily::kPhase, SignalSlot::kP1, 8},
    {{'P', '2'}, SatelliteFamily::kPhase, SignalSlot::kP2, 8},
    {{'P', '3'}, SatelliteFamily::kPhase, SignalSlot::kCa2, 8},
    {{'P', '5'}, SatelliteFamily::kPhase, SignalSlot::kL5, 8},
    {{'P', 'l'}, SatelliteFamily::kPhase, SignalSlot::kL1c, 8},
    {{'p', 'c'}, SatelliteFamily::kPhaseCounter, SignalSlot::kCa, 4},
    {{'p', '1'}, SatelliteFamily::kPhaseCounter, SignalSlot::kP1, 4},
    {{'p', '2'}, SatelliteFamily::kPhaseCounter, SignalSlot::kP2, 4},
    {{'p', '3'}, SatelliteFamily::kPhaseCounter, SignalSlot::kCa2, 4},
    {{'p', '5'}, SatelliteFamily::kPhaseCounter, SignalSlot::kL5, 4},
    {{'p', 'l'}, SatelliteFamily::kPhaseCounter, SignalSlot::kL1c, 4},
    {{'C', 'P'}, SatelliteFamily::kRelativePhase, SignalSlot::kCa, 4},
    {{'1', 'P'}, SatelliteFamily::kRelativePhase, SignalSlot::kP1, 4},
    {{'2', 'P'}, SatelliteFamily::kRelativePhase, SignalSlot::kP2, 4},
    {{'3', 'P'}, SatelliteFamily::kRelativePhase, SignalSlot::kCa2, 4},
    {{'5', 'P'}, SatelliteFamily::kRelativePhase, SignalSlot::kL5, 4},
    {{'l', 'P'}, SatelliteFamily::kRelativePhase, SignalSlot::kL1c, 4},
    {{'c', 'p'}, SatelliteFamily::kShortRelativePhase, SignalSlot::kCa, 4},
    {{'1', 'p'}, SatelliteFamily::kShortRelativePhase, SignalSlot::kP1, 4},
    {{'2', 'p'}, SatelliteFamily::kShortRelativePhase, SignalSlot::kP2, 4},
    {{'3', 'p'}, SatelliteFamily::kShortRelativePhase, SignalSlot::kCa2, 4},
    {{'5', 'p'}, SatelliteFamily::kShortRelativePhase, SignalSlot::kL5, 4},
    {{'l', 'p'}, SatelliteFamily::kShortRelativePhase, SignalSlot::kL1c, 4},
    {{'D', 'C'}, SatelliteFamily::kDoppler, SignalSlot::kCa, 4},
    {{'D', '1'}, SatelliteFamily::kDoppler, SignalSlot::kP1, 4},
    {{'D', '2'}, SatelliteFamily::kDoppler, SignalSlot::kP2, 4},
    {{'D', '3'}, SatelliteFamily::kDoppler, SignalSlot::kCa2, 4},
    {{'D', '5'}, SatelliteFamily::kDoppler, SignalSlot::kL5, 4},
    {{'D', 'l'}, SatelliteFamily::kDoppler, SignalSlot::kL1c, 4},
    {{'1', 'd'}, SatelliteFamily::kRelativeDoppler, SignalSlot::kP1, 2},
    {{'2', 'd'}, SatelliteFamily::kRelativeDoppler, SignalSlot::kP2, 2},
    {{'3', 'd'}, SatelliteFamily::kRelativeDoppler, SignalSlot::kCa2, 2},
    {{'5', 'd'}, SatelliteFamily::kRelativeDoppler, SignalSlot::kL5, 2},
    {{'l', 'd'}, SatelliteFamily::kRelativeDoppler, SignalSlot::kL1c, 2},
    {{'E', 'C'}, SatelliteFamily::kCnr, SignalSlot::kCa, 1},
    {{'E', '1'}, SatelliteFamily::kCnr, SignalSlot::kP1, 1},
    {{'E', '2'}, SatelliteFamily::kCnr, SignalSlot::kP2, 1},
    {{'E', '3'}, SatelliteFamily::kCnr, SignalSlot::kCa2, 1},
    {{'E', '5'}, SatelliteFamily::kCnr, SignalSlot::kL5, 1},
    {{'E', 'l'}, SatelliteFamily::kCnr, SignalSlot::kL1c, 1},
    {{'C', 'E'}, SatelliteFamily::kCnrQuarter, SignalSlot::kCa, 1},
    {{'1', 'E'}, SatelliteFamily::kCnrQuarter, SignalSlot::kP1, 1},
    {{'2', 'E'}, SatelliteFamily::kCnrQuarter, SignalSlot::kP2, 1},
    {{'3', 'E'}, SatelliteFamily::kCnrQuarter, SignalSlot::kCa2, 1},
    {{'5', 'E'}, SatelliteFamily::kCnrQuarter, SignalSlot::kL5, 1},
    {{'l', 'E'}, SatelliteFamily::kCnrQuarter, SignalSlot::kL1c, 1},
    {{'F', 'C'}, SatelliteFamily::kLoopFlags, SignalSlot::kCa, 2},
    {{'F', '1'}, SatelliteFamily::kLoopFlags, SignalSlot::kP1, 2},
    {{'F', '2'}, SatelliteFamily::kLoopFlags, SignalSlot::kP2, 2},
    {{'F', '3'}, SatelliteFamily::kLoopFlags, SignalSlot::kCa2, 2},
    {{'F', '5'}, SatelliteFamily::kLoopFlags, SignalSlot::kL5, 2},
    {{'F', 'l'}, SatelliteFamily::kLoopFlags, SignalSlot::kL1c, 2},
    {{'T', 'C'}, SatelliteFamily::kLockTime, SignalSlot::kCa, 2},
    {{'C', 'C'}, SatelliteFamily::kSmoothing, SignalSlot::kCa, 6},
    {{'C', '1'}, SatelliteFamily::kSmoothing, SignalSlot::kP1, 6},
    {{'C', '2'}, SatelliteFamily::kSmoothing, SignalSlot::kP2, 6},
    {{'C', '3'}, SatelliteFamily::kSmoothing, SignalSlot::kCa2, 6},
    {{'C', '5'}, SatelliteFamily::kSmoothing, SignalSlot::kL5, 6},
    {{'C', 'l'}, SatelliteFamily::kSmoothing, SignalSlot::kL1c, 6},
    {{'c', 'c'}, SatelliteFamily::kShortSmoothing, SignalSlot::kCa, 2},
    {{'c', '1'}, SatelliteFamily::kShortSmoothing, SignalSlot::kP1, 2},
    {{'c', '2'}, SatelliteFamily::kShortSmoothing, SignalSlot::kP2, 2},
    {{'c', '3'}, SatelliteFamily::kShortSmoothing, SignalSlot::kCa2, 2},
    {{'c', '5'}, SatelliteFamily::kShortSmoothing, SignalSlot::kL5, 2},
    {{'c', 'l'}, SatelliteFamily::kShortSmoothing, SignalSlot::kL1c, 2},
    {{'E', 'L'}, SatelliteFamily::kElevation, SignalSlot::kCa, 1},
    {{'A', 'Z'}, SatelliteFamily::kAzimuth, SignalSlot::kCa, 1},
};
inline constexpr int kSatelliteMessageCount =
    sizeof kSatelliteMessages / sizeof kSatelliteMessages[0];

// The kind of the identifier at message; null when it is no per-satellite message.
const SatelliteMessageKind* FindSatelliteMessage(const uint8_t* message);

// Entries in a body of length L (checksum last) of a kind; -1 when the body
// is no whole number of entries.
inline int EntryCount(const SatelliteMessageKind& kind, int L) {
  if (L < 1 || (L - 1) % kind.entrySize != 0) return -1;
  return (L - 1) / kind.entrySize;
}
// True when a body of length L (checksum last) holds count entries of the
// kind: EntryCount(kind, L) == count, without a division.
inline bool HoldsEntries(const SatelliteMessageKind& kind, int L, int count) {
  return L - 1 == count * kind.entrySize;
}

}  // namespace jps
