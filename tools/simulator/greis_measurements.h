// The per-satellite measurement messages of one GREIS epoch, in the forms a
// receiver can be set to send (see message_sets.h): full doubles, short
// integers with an implied offset, 32-bit phase counters, values relative
// to the C/A range or to the C/A Doppler, and signal strengths in dB-Hz or
// quarters of one.
#pragma once

#include <string>
#include <vector>

#include "tools/builder/message_builder.h"
#include "tools/simulator/message_sets.h"
#include "tools/simulator/receiver_model.h"

namespace jpssim {

// Appends [SI], [NN] when the set has it, [EL] [AZ] [FC] [TC], and each
// slot's range, phase, Doppler and signal strength messages of one epoch;
// counts the identifiers written.
void AppendMeasurementMessages(jpsbuild::Bytes& out, const ReceiverEpoch& epoch,
                               const MessageSet& set, std::vector<std::string>* ids);

// What the converter makes of a C/A range sent in a form (seconds; 0 when
// absent), which the relative forms must be computed against.
double DecodedCaRange(RangeForm form, const SatObservation& o);

// Loop-flag word of the [FC] message and of the [rM] blocks.
uint16_t LoopFlags(const SatObservation& o);

}  // namespace jpssim
