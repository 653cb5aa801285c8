// Message dispatch: which identifiers are decoded, their size limits, state
// numbers, handlers and per-epoch counters, and the decoder's single entry.
#pragma once

#include <cstdint>

#include "greis/decoder_state.h"

namespace jps {

// What DecodeNext tells the driver.
enum DecoderEvent : int {
  kEventNone = 0,          // call again
  kEventEpoch = 1,         // a GREIS epoch is complete
  kEventGpsEphemeris = 3,  // a GPS ephemeris was stored
  kEventGlnEphemeris = 4,  // a GLONASS ephemeris was stored
  kEventRmEpoch = 5,       // an rM record was stored
  kEventDiscarded = 999,   // a message failed and the epoch was discarded
  kEventEnd = -1,          // end of the input
};

// Body parser: 0 when the message was accepted and stored, non-zero when it
// was refused. message points at the identifier; L is the body length.
using BodyParser = int (*)(DecoderState& state, const uint8_t* message, int L);

enum class Handling : uint8_t {
  kParser,        // the row's parser; a null parser accepts the body unchecked
  kNone,          // body consumed without a check
  kReceiverTime,  // [~~]: epoch boundary
  kEpochEnd,      // [||]
  kReceiverDate,  // [RD]
  kSatIndices,    // [SI]: own failure text
  kRmRecord,      // [rM]
  kTapOnly,       // a message only the tap reads: body checked, then handed over
};

constexpr int kNoCounter = -1;

// How a message takes part in an epoch's intake. The messages that feed the
// KEL epoch fill each of their stores once per epoch, the satellite list
// before the messages that it indexes; the first one out of that order
// belongs to another epoch (the start of which was lost) or is a second
// copy, and ends the intake.
enum class Intake : uint8_t {
  kOutside,        // not part of the epoch (ephemerides, events, unchecked bodies)
  kBoundary,       // [~~]: opens the next epoch's intake
  kEpochRecord,    // a record of the epoch: at most once
  kSatelliteList,  // [SI]: at most once, before any per-satellite message
  kPerSatellite,   // indexed by the satellite list: at most once
};

struct DispatchRow {
  char key[4];                // identifier and first length digit ("RC0"); "rM" alone
  int state;                  // printed by "Checksum on %d"
  int maxLength;
  Handling handling;
  BodyParser parser;
  int counter;                // EpochMessageCounts index, or kNoCounter
  bool zeroed;                // counter set to 0 when the message fails
  Intake intake;
  IntakeStore store;          // shared with the signal's other forms, or its own
  const char* overLimitText;  // reported when L is above maxLength, or null
  DecoderEvent event;         // returned when the message is accepted
};

// Row of a candidate header (identifier and length digits), or null.
const DispatchRow* FindDispatchRow(const uint8_t* header);
// The row of a message that the KEL conversion does not take, or takes only
// up to a smaller length, but the outputs beside it read: every per-satellite
// message of the six slots with any number of satellites, [SI] and [NN] with
// more than the KEL epoch's satellites, the other systems' ephemerides. Null
// when the identifier is none of them or L does not fit it.
const DispatchRow* FindTapOnlyRow(const uint8_t* header, int L);

DecoderEvent DecodeNext(DecoderState* state);

// After the end of the input: the identifier of a message that the end cut
// off (in id, as text), and whether it may have belonged to an epoch (any
// message whose identifier is not known to lie outside epochs). False when
// no message was cut off.
bool CutOffMessage(const DecoderState& state, char (&id)[3], bool* ofAnEpoch);

// The header step once the five header bytes are in HeaderBuffer: enters the
// identifier's body state (true), or rejects the candidate (false).
bool FinishHeader(DecoderState* state);
// The handler of the body state, once the whole message has been read:
// message holds it (HeaderBuffer, or the input's own buffer when the message
// was read ahead whole; its first two bytes are in HeaderBuffer too).
DecoderEvent HandleMessage(DecoderState* state, const uint8_t* message);

// Discards the current epoch (999), unless damaged epochs are kept (0).
int ResetEpoch(int8_t* counts, DecoderState* state);
// Zeroes the six signal arrays, CaDoppler and P1Doppler.
void ResetEpochArrays(DecoderState* state);
// Clears the 17 per-epoch counters and the per-identifier arrivals.
void ClearEpochCounters(DecoderState* state);

// Clears the whole record and the framing state for a new conversion, which
// the context describes.
void ResetDecoder(DecoderState* state, ConversionContext* context);

}  // namespace jps
