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
  size_t n = 0;
  bool pairRejected = false;
  while (n < available) {
    uint8_t c = p[n];
    if (!IsFirstIdChar(c)) {
      pairRejected = false;
    } else if (n + 1 < available && !IsMessageId(c, p[n + 1])) {
      pairRejected = true;  // the second-character step rewinds onto p[n + 1]
    } else {
      break;
    }
    ++n;
  }
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
