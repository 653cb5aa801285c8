// Body parsers of the operator's typed events [==] and the event-input marks [XA], [XB].
#pragma once

#include <cstdint>

#include "greis/decoder_state.h"

namespace jps {

enum EventList : int { kEventListA = 0, kEventListB = 1 };

int ParseEventRecord(DecoderState& s, const uint8_t* message, int L);             // [==]
int ParseEventMark(DecoderState& s, const uint8_t* message, int L, int list);     // [XA] [XB]
inline int ParseXaMark(DecoderState& s, const uint8_t* m, int L) { return ParseEventMark(s, m, L, kEventListA); }
inline int ParseXbMark(DecoderState& s, const uint8_t* m, int L) { return ParseEventMark(s, m, L, kEventListB); }

// Copies a text into a 32-byte field: at most 31 characters, always terminated.
void CopyEventText(char (&field)[kEventTextSize], const char* text);
// Keywords, site names and dynamics flags compare without regard to ASCII case.
bool EqualsIgnoringCase(const char* a, const char* b);

}  // namespace jps
