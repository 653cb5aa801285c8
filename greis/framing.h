// GREIS message framing: a two-character identifier, a body length in three
// hexadecimal digits, then the body, whose last byte is the checksum.
#pragma once

#include <cstddef>
#include <cstdint>

#include "greis/jps_input.h"

namespace jps {

constexpr int kFrameHeaderSize = 5;        // identifier + three length digits
constexpr int kHeaderBufferSize = 4096;    // one candidate message
constexpr int kMaxMessageLength = 4095;
constexpr int kMessageIdCount = 74;

// Framing phases; body states are the dispatch's state numbers 4 to 77.
enum FramingPhase : int {
  kPhaseHunt = 0,
  kPhaseSecondChar = 1,
  kPhaseHeader = 2,
};

struct FramingState {
  int phase;
  uint8_t HeaderBuffer[kHeaderBufferSize];
  int fill;                 // bytes of the candidate in HeaderBuffer
  int length;               // body length L of the candidate
  int64_t BytesRead;        // bytes consumed; lowered by every rewind
  const void* row;          // dispatch row of the candidate in a body state
};


// The receiver's base set of identifiers, in table order.
extern const char MessageIdTable[kMessageIdCount][3];

// Lookups of the identifiers that framing accepts (the base set, every
// per-satellite message of the six signal slots, and the other systems'
// ephemerides), built when the program is compiled: which bytes start an
// identifier, and which second bytes complete one.
struct MessageIdLookup {
  bool first[256];
  uint32_t second[256][8];   // bit b % 32 of word b / 32: (first, b) is an identifier
};
extern const MessageIdLookup MessageIds;

inline bool IsFirstIdChar(uint8_t c) { return MessageIds.first[c]; }
inline bool IsMessageId(uint8_t first, uint8_t second) {
  return (MessageIds.second[first][second >> 5] >> (second & 31)) & 1u;
}

// Fold of count + 5 bytes from the identifier on; 0 over a good message.
uint8_t GreisChecksum(const uint8_t* message, int count);
// The receiver's hexadecimal pair: 0 unless a is a digit or an uppercase
// letter A to F; b is not checked (lowercase letters count from "A" on).
inline int HexPair(uint8_t a, uint8_t b) {
  bool valid = (a >= '0' && a <= '9') || (a >= 'A' && a <= 'F');
  if (!valid) return 0;
  auto nibble = [](uint8_t x) { return x < 'A' ? x - 48 : x - 55; };
  return (nibble(a) * 16 + nibble(b)) & 0xFF;
}

// Length from three hexadecimal characters: 0..4095, or -1.
inline int ParseHexLength(const uint8_t* c) {
  int low = HexPair(c[1], c[2]);
  int high = HexPair('0', c[0]);
  int value = static_cast<int16_t>(high * 256 + low);
  if (value < 0 || value > kMaxMessageLength) return -1;
  return value;
}
// CRC-16 with polynomial 0x1021, register 0, no reflection, no final XOR.
uint16_t Crc16(const uint8_t* data, size_t n);
// True when the rM record's little-endian CRC at body offsets L-2, L-1
// matches the CRC over the header and the first L-2 body bytes.
bool RmCrcOk(const uint8_t* message, int L);

// Reads a byte from the stream (-1 at the end), counting it in BytesRead.
inline int ReadStreamByte(FramingState& f, JpsInput* stream) {
  ++f.BytesRead;
  return stream->ReadByte();
}
// Reads n bytes into out, as n calls of ReadStreamByte would: returns the
// bytes read, fewer than n only at the end of the stream (which, like a
// ReadStreamByte that meets the end, counts one more in BytesRead).
inline int ReadStreamBytes(FramingState& f, JpsInput* stream, uint8_t* out, int n) {
  int got = static_cast<int>(stream->Read(out, static_cast<size_t>(n)));
  f.BytesRead += got < n ? got + 1 : got;
  return got;
}
// Moves the stream n bytes back and lowers BytesRead by n.
inline int RewindStream(FramingState& f, JpsInput* stream, int n) {
  f.BytesRead -= n;
  return stream->Rewind(n);
}

// Back to the hunt phase with an empty candidate and BytesRead 0.
void ResetFraming(FramingState& f);

}  // namespace jps
