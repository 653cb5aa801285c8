#include "greis/satellite_messages.h"

namespace jps {
namespace {
constexpr IdIndex kIndex =
    BuildIdIndex(kSatelliteMessages, [](const SatelliteMessageKind& k) { return k.id; });
}  // namespace

const SatelliteMessageKind* FindSatelliteMessage(const uint8_t* message) {
  return FindById(kSatelliteMessages, kIndex, message);
}

}  // namespace jps
