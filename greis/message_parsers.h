// Body parsers of the GREIS messages. Each takes the message from its first
// identifier character and the body length L, returns 0 when the body was
// accepted and stored and non-zero when it was refused (wrong length, a body
// too short for what is read from it, or a failed checksum). They report nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "greis/decoder_state.h"
#include "greis/framing.h"
#include "greis/id_index.h"

namespace jps {

// True when the message's checksum byte is right.
inline bool ChecksumOk(const uint8_t* message, int L) { return GreisChecksum(message, L) == 0; }

int ParseReceiverTime(DecoderState& s, const uint8_t* message, int L);   // [~~]
int ParseReceiverDate(DecoderState& s, const uint8_t* message, int L);   // [RD]
int ParseSatIndices(DecoderState& s, const uint8_t* message, int L);     // [SI]

// The per-satellite messages, one parser for the family; the message's own
// identifier selects its row: [RC] [R1] [R2] [rc] [r2] [2r] [2R] [PC] [P1]
// [P2] [pc] [p1] [p2] [cp] [1p] [2p] [CP] [2P] [DC] [D1] [D2] [EC] [TC] [FC]
// [EL] [AZ]. SatCount entries are read; a body too short for them is refused.
// A refused measurement message sets its signal array's Form to 255 (an
// [FC] marks P2Range).
int ParsePerSatellite(DecoderState& s, const uint8_t* message, int L);

// The fixed records, kept verbatim: [UO] [NP] [PO] [VE] of one exact length;
// [PV] [TO] [DO] [GA] [GE] [NA] [NE] at least as long as their record (the
// first bytes are kept); [CC] is only checked.
int ParseFixedRecord(DecoderState& s, const uint8_t* message, int L);

}  // namespace jps
