// [~~] receiver time, [RD] receiver date and [SI] satellite indices.
#include <cstring>

#include "greis/framing.h"
#include "greis/message_parsers.h"
#include "context/conversion_context.h"
#include "support/day_numbers.h"

namespace jps {

int ParseReceiverTime(DecoderState& s, const uint8_t* message, int L) {
  if (L != kReceiverTimeSize || !ChecksumOk(message, L)) return -1;
  std::memcpy(s.ReceiverTime, message + kFrameHeaderSize, kReceiverTimeSize);
  return 0;
}

int ParseReceiverDate(DecoderState& s, const uint8_t* message, int L) {
  if (L != kReceiverDateSize || !ChecksumOk(message, L)) return -1;
  const uint8_t* body = message + kFrameHeaderSize;
  std::memcpy(s.ReceiverDate, body, kReceiverDateSize);
  ReceiverDateView date(body, L);
  s.DayOfWeek = DateToDayOfWeek(date.year(), date.month(), date.day());
  if (s.DayOfWeek < 0 || s.DayOfWeek > 6) {
    s.Context->lastError.Set("ERROR: Day Number %d incorrect", s.DayOfWeek);
    return -2;
  }
  if (date.timeBase() != 0) s.Context->lastError.Set("Warning: Time Base: %d ", date.timeBase());
  return 0;
}

int ParseSatIndices(DecoderState& s, const uint8_t* message, int L) {
  if (!ChecksumOk(message, L)) return -1;
  s.SatCount = L - 1;
  std::memcpy(s.SatIndices, message + kFrameHeaderSize, static_cast<size_t>(s.SatCount));
  return 0;
}

}  // namespace jps
