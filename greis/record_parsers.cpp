// The fixed-record messages: the body is kept verbatim in its record of
// DecoderState. Some records have one exact length; the others take any body
// at least as long as the record (newer firmware appends fields after the
// known ones and keeps the checksum last), and keep its first bytes.
#include <cstdint>
#include <cstring>

#include "greis/framing.h"
#include "greis/message_parsers.h"

namespace jps {
namespace {

struct RecordBytes {
  uint8_t* bytes;   // null for a message that is checked but not kept
  size_t size;      // the record's size, checksum byte included
};

enum class Length : uint8_t {
  kExact,     // the body must be exactly the record
  kAtLeast,   // the body must hold the record; more is accepted
};

struct FixedRecordMessage {
  char id[2];
  Length length;
  RecordBytes (*record)(DecoderState&);
};

template <size_t N>
RecordBytes RecordOf(uint8_t (&record)[N]) {
  return {record, N};
}

// clang-format off
constexpr FixedRecordMessage kRecords[] = {
    {{'U', 'O'}, Length::kExact,   [](DecoderState& s) { return RecordOf(s.GpsUtcRecord); }},
    {{'N', 'P'}, Length::kExact,   [](DecoderState& s) { return RecordOf(s.NpRecord); }},
    {{'P', 'O'}, Length::kExact,   [](DecoderState& s) { return RecordOf(s.CartesianPosition); }},
    {{'V', 'E'}, Length::kExact,   [](DecoderState& s) { return RecordOf(s.CartesianVelocity); }},
    {{'P', 'V'}, Length::kAtLeast, [](DecoderState& s) { return RecordOf(s.PositionVelocity); }},
    {{'T', 'O'}, Length::kAtLeast, [](DecoderState& s) { return RecordOf(s.ClockOffset); }},
    {{'D', 'O'}, Length::kAtLeast, [](DecoderState& s) { return RecordOf(s.ClockDrift); }},
    {{'G', 'A'}, Length::kAtLeast, [](DecoderState& s) { return RecordOf(s.GpsAlmanacRecord); }},
    {{'G', 'E'}, Length::kAtLeast, [](DecoderState& s) { return RecordOf(s.GpsEphemerisRecord); }},
    {{'N', 'A'}, Length::kAtLeast, [](DecoderState& s) { return RecordOf(s.GlnAlmanacRecord); }},
    {{'N', 'E'}, Length::kAtLeast, [](DecoderState& s) { return RecordOf(s.GlnEphemerisRecord); }},
    // C/A smoothing: only the checksum is verified.
    {{'C', 'C'}, Length::kAtLeast, [](DecoderState&) { return RecordBytes{nullptr, 0}; }},
};
// clang-format on
constexpr IdIndex kRecordIndex =
    BuildIdIndex(kRecords, [](const FixedRecordMessage& m) { return m.id; });

}  // namespace

int ParseFixedRecord(DecoderState& s, const uint8_t* message, int L) {
  const FixedRecordMessage* r = FindById(kRecords, kRecordIndex, message);
  if (r == nullptr || L < 0) return -1;
  RecordBytes record = r->record(s);
  size_t length = static_cast<size_t>(L);
  if (r->length == Length::kExact && length != record.size) return -1;
  if (!ChecksumOk(message, L)) return -1;
  if (length < record.size) return -1;
  if (record.bytes != nullptr) std::memcpy(record.bytes, message + kFrameHeaderSize, record.size);
  return 0;
}

}  // namespace jps
