#include "greis/bulk_decode.h"

#include <cstring>

#include "greis/framing.h"
#include "greis/jps_input.h"
#include "context/conversion_context.h"

namespace jps {

void SkipHunt(DecoderState* s) {
  FramingState& f = s->Framing;
  if (f.phase != kPhaseHunt) return;
  size_t available = 0;
  const uint8_t* p = s->JpsStream->Buffered(&available);
  // The first pair that forms an identifier stops the hunt. Testing the
  // pair alone keeps the loop free of a branch on every first character met
  // in binary bodies; an identifier pair always starts with one.
  size_t n = 0;
  constexpr size_t kBlock = 8;  // pairs tested together, one branch for all
  while (n + kBlock < available) {
    bool any = false;
    for (size_t k = 0; k < kBlock; ++k) any |= IsMessageId(p[n + k], p[n + k + 1]);
    if (any) break;
    n += kBlock;
  }
  while (n + 1 < available && !IsMessageId(p[n], p[n + 1])) ++n;
  // A first character in the last byte read ahead waits for the next one.
  if (n + 1 == available && !IsFirstIdChar(p[n])) n = available;
  // The byte before the stop is a first character only if its pair was
  // rejected (the second-character step rewinds onto the stop).
  bool pairRejected = n > 0 && n < available && IsFirstIdChar(p[n - 1]);
  if (n == 0) return;
  // Each byte passed costs one hunt step, and a rejected pair a second step
  // and a rewind of one byte.
  f.HeaderBuffer[0] = p[n - 1];
  f.fill = 0;
  if (pairRejected) {
    f.HeaderBuffer[1] = p[n];
    f.fill = 1;
  }
  f.BytesRead += static_cast<int64_t>(n);
  s->JpsStream->Consume(n);
}

DecoderEvent DecodeUntilEvent(DecoderState* s, int64_t pauseAt) {
  FramingState& f = s->Framing;
  JpsInput* in = s->JpsStream;
  // After a step without an event: stop for an abort or a progress report.
  auto pause = [&] { return s->Context->AbortRequested() || in->Position() >= pauseAt; };
  for (;;) {
    if (f.phase == kPhaseHunt) {
      size_t available = 0;
      const uint8_t* p = in->Buffered(&available);
      if (available < 2 || !IsMessageId(p[0], p[1])) {
        SkipHunt(s);
        p = in->Buffered(&available);
      }
      if (available >= static_cast<size_t>(kFrameHeaderSize) && IsMessageId(p[0], p[1])) {
        // The hunt, second-character and header steps of a whole header.
        std::memcpy(f.HeaderBuffer, p, kFrameHeaderSize);
        f.fill = kFrameHeaderSize;
        f.BytesRead += kFrameHeaderSize;
        in->Consume(kFrameHeaderSize);
        available -= kFrameHeaderSize;
        if (!FinishHeader(s)) {
          if (pause()) return kEventNone;
          continue;
        }
        // And the body step, when the rest of the message is read ahead too:
        // handled where it lies, the input keeping it until the next read.
        size_t rest = static_cast<size_t>(f.length);
        if (rest <= available && f.fill + f.length < kHeaderBufferSize) {
          f.fill += f.length;
          f.BytesRead += f.length;
          in->Consume(rest);
          DecoderEvent event = HandleMessage(s, p);
          // A message that stays to be handled again (a receiver time that
          // closed the epoch before it) is kept where the next step finds it.
          if (f.phase != kPhaseHunt) {
            std::memcpy(f.HeaderBuffer + kFrameHeaderSize, p + kFrameHeaderSize, rest);
          }
          if (event != kEventNone || pause()) return event;
          continue;
        }
      }
    }
    DecoderEvent event = DecodeNext(s);
    if (event != kEventNone || pause()) return event;
  }
}

}  // namespace jps
