// Body parsers of the GREIS messages. Each takes the message from its first
// identifier character and the body length L, returns 0 when the body was
// accepted and stored and non-zero when it was refused (wrong length, a body
// too short for what is read from it, or a failed checksum). They report nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "greis/decoder_state.h"
#include "greis/framing.h"

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

// Row numbers of a table whose rows open with a two-character identifier
// `id`, by the identifier's characters (all of them ASCII); built when the
// program is compiled.
struct IdIndex {
  int8_t row[128][128];   // -1: no row
};

template <typename Row, size_t N>
constexpr IdIndex BuildIdIndex(const Row (&rows)[N]) {
  static_assert(N <= 127, "row numbers fit the index");
  IdIndex index{};
  for (auto& first : index.row)
    for (auto& r : first) r = -1;
  for (size_t i = N; i-- > 0;) {  // the first row of an identifier wins
    index.row[rows[i].id[0] & 0x7F][rows[i].id[1] & 0x7F] = static_cast<int8_t>(i);
  }
  return index;
}

// The row for the message's identifier; null when the table has none.
template <typename Row, size_t N>
const Row* FindById(const Row (&rows)[N], const IdIndex& index, const uint8_t* message) {
  if (message[0] > 0x7F || message[1] > 0x7F) return nullptr;
  int i = index.row[message[0]][message[1]];
  return i < 0 ? nullptr : &rows[i];
}

}  // namespace jps
