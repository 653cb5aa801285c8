// Where the station-mark lines go that the operator's events and the event
// inputs make: the decoder hands each one over as a value, in stream order;
// the outputs write or read them.
#pragma once

#include "support/sta_lines.h"

namespace jps {

class StationLineOutput {
 public:
  virtual ~StationLineOutput() = default;
  virtual void OnStationLine(const StaLine& line) = 0;
};

}  // namespace jps
