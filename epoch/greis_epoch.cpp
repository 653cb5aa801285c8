#include "epoch/greis_epoch.h"

#include <cstring>

#include "greis/dispatch.h"
#include "greis/station_marks.h"

namespace jps {

// Interim assembly: the time tag only, no measurements.
int BuildGreisEpoch(DecoderState* s, KelEpoch* epoch, KelMeasurement* measurements) {
  std::memset(epoch, 0, sizeof *epoch);
  std::memset(measurements, 0, sizeof(KelMeasurement) * kMaxSlots);
  epoch->receiverTime = TimeOfWeek(*s, ReceiverTimeMs(*s));
  epoch->correctedTime = epoch->receiverTime;
  WriteEpochCameraPulses(s);
  WriteStationMarks(s);
  ClearEpochCounters(s);
  ResetEpochArrays(s);
  return 0;
}

}  // namespace jps
