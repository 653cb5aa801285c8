#include "epoch/rm_epoch.h"

#include <cstring>

namespace jps {

// Interim assembly: the record time only.
int BuildRmEpoch(DecoderState* s, KelEpoch* epoch, KelMeasurement* measurements) {
  std::memset(epoch, 0, sizeof *epoch);
  std::memset(measurements, 0, sizeof(KelMeasurement) * kMaxSlots);
  epoch->receiverTime = s->RmEpochTime;
  epoch->correctedTime = s->RmEpochTime;
  return 0;
}

}  // namespace jps
