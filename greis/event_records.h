// Body parsers of the operator's typed events [==] and the event-input marks [XA], [XB].
#pragma once

#include <cstdint>

#include "greis/decoder_state.h"
#include "support/text_helpers.h"

namespace jps {

enum EventList : int { kEventListA = 0, kEventListB = 1 };

int ParseEventRecord(DecoderState& s, const uint8_t* message, int L);             // [==]
int ParseEventMark(DecoderState& s, const uint8_t* message, int L, int list);     // [XA] [XB]
inline int ParseXaMark(DecoderState& s, const uint8_t* m, int L) { return ParseEventMark(s, m, L, kEventListA); }
inline int ParseXbMark(DecoderState& s, const uint8_t* m, int L) { return ParseEventMark(s, m, L, kEventListB); }

// Copies a text into a 32-byte field: at most 31 characters, always terminated.
inline void CopyEventText(char (&field)[kEventTextSize], const char* text) {
  CopyBounded(field, text, kEventTextSize - 1);
}

}  // namespace jps
