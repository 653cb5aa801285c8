#include "greis/satellite_values.h"

#include <cstddef>

namespace jps {

EntryType EntryTypeOf(SatelliteFamily family) {
  switch (family) {
    case SatelliteFamily::kRange:
    case SatelliteFamily::kPhase:
      return EntryType::kF8;
    case SatelliteFamily::kRelativeRange:
    case SatelliteFamily::kRelativePhase:
    case SatelliteFamily::kSmoothing:
      return EntryType::kF4;
    case SatelliteFamily::kShortRange:
    case SatelliteFamily::kShortRelativePhase:
    case SatelliteFamily::kDoppler:
      return EntryType::kI4;
    case SatelliteFamily::kPhaseCounter:
      return EntryType::kU4;
    case SatelliteFamily::kShortRelativeRange:
    case SatelliteFamily::kRelativeDoppler:
    case SatelliteFamily::kShortSmoothing:
      return EntryType::kI2;
    case SatelliteFamily::kLoopFlags:
    case SatelliteFamily::kLockTime:
      return EntryType::kU2;
    case SatelliteFamily::kElevation:
      return EntryType::kI1;
    case SatelliteFamily::kCnr:
    case SatelliteFamily::kCnrQuarter:
    case SatelliteFamily::kAzimuth:
      return EntryType::kU1;
  }
  return EntryType::kU1;
}

int EntryTypeSize(EntryType type) {
  switch (type) {
    case EntryType::kF8: return 8;
    case EntryType::kF4:
    case EntryType::kI4:
    case EntryType::kU4: return 4;
    case EntryType::kI2:
    case EntryType::kU2: return 2;
    case EntryType::kI1:
    case EntryType::kU1: return 1;
  }
  return 1;
}

bool FamilyHasMarker(SatelliteFamily family) {
  return family != SatelliteFamily::kLoopFlags && family != SatelliteFamily::kLockTime;
}

EntryValue ReadEntry(const SatelliteMessageKind& kind, const uint8_t* entries, int i) {
  const uint8_t* p = entries + static_cast<size_t>(i) * kind.entrySize;
  bool marker = FamilyHasMarker(kind.family);
  switch (EntryTypeOf(kind.family)) {
    case EntryType::kF8: return ReadEntryAs<double>(p, marker);
    case EntryType::kF4: return ReadEntryAs<float>(p, marker);
    case EntryType::kI4: return ReadEntryAs<int32_t>(p, marker);
    case EntryType::kU4: return ReadEntryAs<uint32_t>(p, marker);
    case EntryType::kI2: return ReadEntryAs<int16_t>(p, marker);
    case EntryType::kU2: return ReadEntryAs<uint16_t>(p, marker);
    case EntryType::kI1: return ReadEntryAs<int8_t>(p, marker);
    case EntryType::kU1: return ReadEntryAs<uint8_t>(p, marker);
  }
  return {0.0, false};
}

}  // namespace jps
