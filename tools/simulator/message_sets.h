// The receiver's output sets: for each signal slot, the form in which it
// sends each measurement family, and whether it sends the GLONASS slots
// ([NN]). A session walks through the sets, one per part, so that one
// session carries every form of every family.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "support/gnss_signals.h"

namespace jpssim {

// Pseudorange: [Rx] f8 seconds, [rx] i4 short, [xr] i2 and [xR] f4 relative
// to the C/A range (none for C/A itself).
enum class RangeForm { kNone, kDouble, kInteger, kIntRelative, kFloatRelative };
// Carrier phase: [Px] f8 cycles, [px] u4 counter of 1/1024 cycle, [xp] i4 and
// [xP] f4 relative to the C/A range.
enum class PhaseForm { kNone, kDouble, kCounter, kIntRelative, kFloatRelative };
// Doppler: [Dx] i4, [xd] i2 relative to [DC] (none for C/A itself).
enum class DopplerForm { kNone, kAbsolute, kRelative };
// Signal strength: [Ex] dB-Hz, [xE] quarters of a dB-Hz.
enum class SnrForm { kNone, kDbHz, kQuarters };

struct SlotForms {
  RangeForm range;
  PhaseForm phase;
  DopplerForm doppler;
  SnrForm snr;
};

// The identifiers of one slot's messages in one set ("" for a family not sent).
struct SlotIds {
  std::string range, phase, doppler, snr;
};

struct MessageSet {
  const char* name;
  std::array<SlotForms, jps::kSignalSlotCount> slots;  // by jps::SignalSlot
  bool glonassSlots;                                   // [NN]
  std::array<SlotIds, jps::kSignalSlotCount> ids;
};

// The sets a session walks through, one per part of the session.
const std::vector<MessageSet>& MessageSets();

// The identifier of a form: a family letter (R P D E) and a slot character,
// in the form's order and case ("" for kNone).
std::string RangeId(jps::SignalSlot slot, RangeForm form);
std::string PhaseId(jps::SignalSlot slot, PhaseForm form);
std::string DopplerId(jps::SignalSlot slot, DopplerForm form);
std::string SnrId(jps::SignalSlot slot, SnrForm form);

}  // namespace jpssim
