// The per-satellite measurement messages of one GREIS epoch, in the forms a
// receiver can be set to send: full doubles, short integers with an implied
// offset, 32-bit phase counters, and values relative to the C/A range.
#pragma once

#include <string>
#include <vector>

#include "tools/builder/message_builder.h"
#include "tools/simulator/receiver_model.h"

namespace jpssim {

enum class RangeForm { kDouble, kInteger };  // [RC], [rc]
enum class PhaseForm { kNone, kDouble, kCounter, kIntRelative, kFloatRelative };
enum class L2RangeForm { kDouble, kInteger, kIntRelative, kFloatRelative };  // [R2] [r2] [2r] [2R]

// One receiver output set.
struct MessageSet {
  const char* name;
  RangeForm caRange;
  PhaseForm caPhase;  // [PC] [pc] [cp] [CP]
  PhaseForm p1Phase;  // [P1] [p1] [1p] (no float-relative P1 message is read)
  L2RangeForm p2Range;
  PhaseForm p2Phase;  // [P2] [p2] [2p] [2P]
};

// The sets a session walks through, one per part of the session.
const std::vector<MessageSet>& MessageSets();

// Appends [SI] and the per-satellite messages ([EL] [AZ] [EC] [FC], ranges,
// phases, [DC] [TC]) of one epoch; counts the identifiers written.
void AppendMeasurementMessages(jpsbuild::Bytes& out, const ReceiverEpoch& epoch,
                               const MessageSet& set, std::vector<std::string>* ids);

// What the converter makes of a C/A range sent in a form (seconds; 0 when
// absent), which the relative forms must be computed against.
double DecodedCaRange(RangeForm form, const SatObservation& o);

// Loop-flag word of the [FC] message and of the [rM] blocks.
uint16_t LoopFlags(const SatObservation& o);

}  // namespace jpssim
