// The entries of the per-satellite messages read as numbers. The receiver
// marks an entry that holds no value with the largest number of its type
// (127, 255, 32767, 65535, 2147483647, 4294967295) or, in a float, with a
// quiet NaN; the loop flags and the lock time have no such marker (every bit
// pattern of theirs means something).
//
// The KEL conversion reads the same entries with the same loaders, but with
// float tests of its own, which are older and kept as they are: see
// KelF8Absent and KelF4Absent.
#pragma once

#include <cstdint>

#include "greis/satellite_messages.h"
#include "support/little_endian.h"

namespace jps {

// The receiver's "no value" markers.
constexpr int8_t kNoValueI1 = 127;
constexpr uint8_t kNoValueU1 = 255;
constexpr int16_t kNoValueI2 = 32767;
constexpr uint16_t kNoValueU2 = 65535;
constexpr int32_t kNoValueI4 = 2147483647;
constexpr uint32_t kNoValueU4 = 4294967295u;
// A quiet NaN of either sign: the exponent all ones and the top fraction bit set.
constexpr uint32_t kF4QuietNan = 0x7FC00000u;
constexpr uint64_t kF8QuietNan = 0x7FF8000000000000ULL;

// An entry of type T at p, little-endian.
template <typename T> T LoadEntry(const uint8_t* p);
template <> inline double LoadEntry<double>(const uint8_t* p) { return LoadF64(p); }
template <> inline float LoadEntry<float>(const uint8_t* p) { return LoadF32(p); }
template <> inline int32_t LoadEntry<int32_t>(const uint8_t* p) { return LoadI32(p); }
template <> inline uint32_t LoadEntry<uint32_t>(const uint8_t* p) { return LoadU32(p); }
template <> inline int16_t LoadEntry<int16_t>(const uint8_t* p) { return LoadI16(p); }
template <> inline uint16_t LoadEntry<uint16_t>(const uint8_t* p) { return LoadU16(p); }
template <> inline int8_t LoadEntry<int8_t>(const uint8_t* p) { return LoadI8(p); }
template <> inline uint8_t LoadEntry<uint8_t>(const uint8_t* p) { return p[0]; }

// True when the entry of type T at p holds the receiver's "no value" marker.
template <typename T> bool IsNoValue(const uint8_t* p);
template <> inline bool IsNoValue<double>(const uint8_t* p) {
  return (LoadU64(p) & kF8QuietNan) == kF8QuietNan;
}
template <> inline bool IsNoValue<float>(const uint8_t* p) {
  return (LoadU32(p) & kF4QuietNan) == kF4QuietNan;
}
template <> inline bool IsNoValue<int32_t>(const uint8_t* p) { return LoadI32(p) == kNoValueI4; }
template <> inline bool IsNoValue<uint32_t>(const uint8_t* p) { return LoadU32(p) == kNoValueU4; }
template <> inline bool IsNoValue<int16_t>(const uint8_t* p) { return LoadI16(p) == kNoValueI2; }
template <> inline bool IsNoValue<uint16_t>(const uint8_t* p) { return LoadU16(p) == kNoValueU2; }
template <> inline bool IsNoValue<int8_t>(const uint8_t* p) { return LoadI8(p) == kNoValueI1; }
template <> inline bool IsNoValue<uint8_t>(const uint8_t* p) { return p[0] == kNoValueU1; }

// The KEL conversion's float tests. An f8 is absent when its exponent is all
// ones (any NaN, and the infinities too); an f4 when it is a quiet NaN whose
// two fraction bits after the quiet bit are clear.
constexpr uint64_t kKelF8AbsentMask = 0x7FF0000000000000ULL;
constexpr uint32_t kKelF4AbsentMask = 0x7FF00000u;
inline bool KelF8Absent(const uint8_t* p) {
  return (LoadU64(p) & kKelF8AbsentMask) == kKelF8AbsentMask;
}
inline bool KelF4Absent(const uint8_t* p) { return (LoadU32(p) & kKelF4AbsentMask) == kF4QuietNan; }

// How the entries of a family are encoded.
enum class EntryType : uint8_t { kF8, kF4, kI4, kU4, kI2, kU2, kI1, kU1 };
EntryType EntryTypeOf(SatelliteFamily family);
// Bytes of one value of the type.
int EntryTypeSize(EntryType type);
// False for the families whose every value means something: loop flags and lock time.
bool FamilyHasMarker(SatelliteFamily family);

// One entry as a number in the message's own unit (a count, seconds, cycles):
// present false when it holds the "no value" marker. A smoothing entry's
// value is its correction (the f4); the interval after it is not read.
struct EntryValue {
  double value;
  bool present;
};
// Entry i of a message of that kind whose entries start at entries; the
// caller keeps i below the message's EntryCount.
EntryValue ReadEntry(const SatelliteMessageKind& kind, const uint8_t* entries, int i);
// The entry at p of type T (EntryTypeOf its family), tested for the marker
// when marker (FamilyHasMarker): ReadEntry's reading, for a loop over the
// entries of one message that knows their type.
template <typename T>
EntryValue ReadEntryAs(const uint8_t* p, bool marker) {
  if (marker && IsNoValue<T>(p)) return {0.0, false};
  return {static_cast<double>(LoadEntry<T>(p)), true};
}

}  // namespace jps
